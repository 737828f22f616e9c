#pragma once

#include "core/recordlayout.h"
#include "dispatch/servicesliprecord.h"

#include <QDate>
#include <QString>
#include <QTime>
#include <vector>

class Clock;
class DataFolder;
class Settings;

// The technician's day on a phone: the slips a paired phone is shown, and what its "Start", "Complete" and
// "Can't finish" store. Nothing here knows about the network: the phone server asks, the board is told.
namespace PhoneWork {

// The log of every change a phone made (slip, technician, time, which phone), one line each.
inline const QString kLog = QStringLiteral("/PhoneChanges.log");
// Past this size the log becomes the older log (replacing the one before) and a new log begins.
inline const QString kOldLog = QStringLiteral("/PhoneChanges.old.log");
inline constexpr qint64 kLogLimit = 1024 * 1024;
// Today's requests from the phones (each by the id its page gave it, so that one sent again is answered as the
// first time and stored once) and the slips whose phone change the office saved over. Begun anew each day.
inline const QString kRequests = QStringLiteral("/PhoneRequests.txt");
inline constexpr int kRequestsKept = 2000; // lines; the oldest go first

enum class Action {
    Start,     // "In Progress"
    Complete,  // "Complete", with an optional note
    CantFinish // "Suspended", with a reason
};

// One slip as the phone page shows it.
struct PhoneSlip
{
    qint16 slipNo = 0;
    QString account; // the customer's, under which the slip's photos are kept
    QDate date;
    QString time; // the time slot
    QString status;
    QString customer;  // the job site's name
    QString address;   // the job site's address lines, joined by ", "
    QString telephone; // the site's, else the account's
    QString cell;
    QString services;    // the slip's service text, line breaks as "\n"
    QTime officeChanged; // when the office saved over the phone's change of today; invalid when it did not
};

// The stored slips of `technician` scheduled today or on the next working day of the business's work week,
// by day, time slot and number. Completed slips have left the active file and are not shown.
std::vector<PhoneSlip> technicianDay(const DataFolder &folder, const Settings &settings, const QDate &today,
                                     const QString &technician);

struct Request
{
    QString technician; // whose phone asks; a slip of another technician is refused
    qint16 slipNo = 0;
    Action action = Action::Start;
    QString text;    // the note of a completion or the reason a job cannot be finished
    QString phone;   // which paired phone, for the log
    QString id = {}; // the page's own id of the tap (kRequestIdShape); empty: not kept, a repeat is judged anew
};

// What a request id may look like.
inline const QString kRequestIdShape = QStringLiteral("^[A-Za-z0-9_-]{8,64}$");

// What a request did. `stored` is false with the refusal in the board's own words (nothing written), or true
// with the slip before and after the change. A completed slip has moved to the completed file.
struct Outcome
{
    bool stored = false;
    QString refusal;
    Record before{serviceSlipLayout()};
    Record after{serviceSlipLayout()};
    QTime at;              // when the change was stored (a repeat: the first time)
    bool repeated = false; // the request was stored before: nothing was written now
};

// Carries out a phone's request on the stored slips under the status rule (dispatch/statusrules.h), the one the
// board applies, with the same words: the status list's step from the stored status, a date and time for Start and
// Complete, at most one slip "In Progress" per technician, a reason for "Can't finish". It stores the change at once
// the way the board's save stores (journalled, crash-safe: after a kill the slip is as before or as after, never
// torn) and logs it. Throws DiskError when the files cannot be written; what was stored before is then unchanged.
//
// A slip that is missing, completed or another technician's is refused with one and the same text, so that a
// phone learns nothing of the slips of others. "Can't finish" clears the date and time as the board's Suspended
// does. "Complete" completes a slip not yet started too (the technician on the site has answered the board's
// question by pressing it) and moves a date after today to today at "08:00". A note or reason is added to the
// service text as a line of its own ("Al 12/7/2026 10:42: replaced filter"); one that does not fit the field is
// refused, saying how much of it fits, never cut. A request that finds its change already stored (sent again after
// its answer was lost) stores nothing more and is reported stored.
//
// A request with an id is written to the day's requests before the slip is touched and marked stored after: one
// seen stored before gets the first answer (`repeated`) without a write; one left unfinished (the answer lost,
// the program stopped) is carried out again with the time of its first try, so that its note is found already
// added and a completion already done is recognised in the completed file.
Outcome store(const DataFolder &folder, const Clock &clock, const Request &request);

// The office saved these slips over a phone's change of theirs: the phone's next look at its day says so.
// Kept as well as it can be: a record that cannot be written stops nothing.
void noteOfficeChanges(const DataFolder &folder, const Clock &clock, const std::vector<Record> &slips);

} // namespace PhoneWork
