#pragma once

#include "core/money.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class Clock;
class DataFolder;
class Settings;
class SlipCounter;

// Maintenance agreements: a customer's visits that come back by themselves (the furnace tune-up every autumn,
// the filter change every quarter). Kept in the program's own files in the data folder, which the companion
// program never reads; replaced crash-safe like every other file.
struct Agreement
{
    enum class Interval {
        Weeks,       // every `every` weeks from the start
        Months,      // every `every` months from the start, on the start's day of the month (or the month's last)
        ChosenMonths // once in each month of `months`, on the start's day of the month (or the month's last)
    };

    qint32 id = 0; // never reused
    QString acctNo;
    QStringList services; // catalogue descriptions, in order
    Interval interval = Interval::Months;
    int every = 1;         // weeks or months
    quint16 months = 0;    // ChosenMonths: bit 0 January ... bit 11 December
    QString technician;    // preferred; empty: none (the visit is made "Open")
    int weekday = 0;       // preferred, 1 Monday ... 7 Sunday; 0 none (the visit keeps its day)
    QString slot;          // preferred time slot, "None" for none
    QDate start;
    QDate end;             // invalid: no end
    Money price;           // per visit
    QString note;          // the slip's text after the services
    QDate lastVisit;       // the day of the last visit made (invalid: none yet)
};

namespace Agreements {

std::vector<Agreement> load(const DataFolder &folder);

// The days of an agreement's visits from `from` to `to`, both included, in order; none after its end.
std::vector<QDate> visitDates(const Agreement &agreement, const QDate &from, const QDate &to);
// The first visit on or after `today` (invalid when none comes).
QDate nextVisit(const Agreement &agreement, const QDate &today);
// The agreed value of one year of visits from `today`.
Money yearlyValue(const Agreement &agreement, const QDate &today);

// What a run of the visits made ahead did, for its summary.
struct RunSummary
{
    int made = 0;
    QStringList moved;       // a preferred slot that was taken: "Slip 1204 (Smith, 3/2/2027) moved to 10:00"
    QStringList unscheduled; // no free slot that week: left unscheduled
    QStringList refused;     // nothing made, and why (no slip numbers left, an account gone)
    QString text() const;
};
// Makes every visit due from today to `horizonWeeks` weeks ahead that was not made before, as slip creation
// stores a slip: the next slip number, "Open" or "Assigned", the booking rule. Never twice: the agreement
// remembers each visit it made crash-safe with the slip. Throws DiskError on a write that fails (what was made
// before stays, and a retry makes only what is still missing).
RunSummary makeVisits(const DataFolder &folder, SlipCounter &counter, const Clock &clock, const Settings &settings,
                      int horizonWeeks);

// The agreement that made a slip, if one did (the calendar marks such slips, deleting one asks).
std::optional<qint32> agreementOfSlip(const DataFolder &folder, qint16 slipNo);
// A slip made by an agreement was deleted: skip that visit (it is not made again) or make it again at the
// next run.
void slipDeleted(const DataFolder &folder, qint16 slipNo, bool makeAgain);

} // namespace Agreements
