#pragma once

#include <QString>
#include <optional>

// The booking rule: which slips of a technician take the same slot of a day, and which slots share time. Slip
// creation, the board and the data check all ask it here.

// True when two date texts name the same day ("12/08/2026" and "12/8/2026"); texts that are no date only
// when they are equal.
bool sameDay(const QString &a, const QString &b);

// A slip with no date ("0") or no time ("None") is not scheduled: it books no slot.
bool isUnscheduled(const QString &date, const QString &time);

// What a slip books, from its stored fields: the technician (AssignedTo), the day and the time slot.
struct BookedSlot
{
    QString assignment;
    QString date;
    QString time;
};

// The slot a slip takes as one text, equal for slips that take the same slot: the technician, the day (as a
// date where the text is one) and the time, each trimmed; case counts. Nothing for a slip that takes no slot:
// without a technician, a date or a time.
std::optional<QString> slotKey(const BookedSlot &slip);

// True when two slips of one technician take the same slot on the same day: a double booking. A slip without a
// technician, a date ("0") or a time ("None") takes none.
bool takeSameSlot(const BookedSlot &a, const BookedSlot &b);

// A time slot as hours of the day: [start, end) for a range ("01:00-03:00" is 13 to 15), a single hour for a
// point. Nothing for "None" or any text that is not a slot.
struct SlotHours
{
    int start = 0;
    int end = 0; // equal to start for a point
};
std::optional<SlotHours> slotHours(const QString &slot);
// True when two different slots share time: a point inside a range ("09:00" in "08:00-10:00"), or two ranges
// that overlap. A point at a range's end is outside it ("10:00" against "08:00-10:00").
bool slotsOverlap(const QString &a, const QString &b);
// True when a slip at `time` clashes with a slip of the same assignment and day booked at `booked`: the same
// slot (a double booking) or slots that share time. "None" clashes with nothing.
bool slotsClash(const QString &booked, const QString &time);
