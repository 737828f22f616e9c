#pragma once

#include "core/money.h"
#include "core/recordlayout.h"
#include "core/settings.h"
#include "core/verdict.h"

#include <QDate>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class Clock;
class DataFolder;
class RecordScan;
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
    int every = 1;      // weeks or months
    quint16 months = 0; // ChosenMonths: bit 0 January ... bit 11 December
    QString technician; // preferred; empty: none (the visit is made "Open")
    int weekday = 0;    // preferred, 1 Monday ... 7 Sunday; 0 none (the visit keeps its day)
    QString slot;       // preferred time slot, "None" for none
    QDate start;
    QDate end;       // invalid: no end
    Money price;     // per visit
    QString note;    // the slip's text after the services
    QDate lastVisit; // the day of the last visit made (invalid: none yet)
};

namespace Agreements {

// One record per agreement, in the order they were added (see agreementrecord.h).
inline const QString kFile = QStringLiteral("/Agreements.dat");
// One record per visit made, and per later change of it (skipped, to make again), in the order they happened:
// the link from a slip to its agreement, and what makes a visit never twice.
inline const QString kVisitsFile = QStringLiteral("/AgreementVisits.dat");
// What a run or a deletion of slips is about to note in the visits file, until it is noted (agreementrecord.h).
inline const QString kRunJournal = QStringLiteral("/AgreementRun.jnl");
inline const QString kDeletionJournal = QStringLiteral("/AgreementDeletion.jnl");

// The agreements in file order, with each one's last visit from the visits file. A damaged value reads as its
// default (see agreementrecord.h); the data check reports it.
std::vector<Agreement> load(const DataFolder &folder);

// A visit's day. Its due day comes from the interval (every N weeks from the start; every N months or in the
// chosen months on the start's day of the month, or the month's last day when it has no such day, never
// drifting: a start on the 31st gives Feb 28 (29) and then Mar 31 again). The visit's day is the due day moved
// to the preferred weekday of its week (Monday to Sunday), then to the next day the business works; never
// before the start, nor after the end (then the last working day of its week before the end). A visit is known
// by its period, the count of the agreement's visits due before it since the start: an edit of the start,
// interval, weekday or slot gives the n-th visit a new day, never a second identity.
struct DueVisit
{
    QDate due;
    QDate day;
    qint32 period = 0;
};
// The period of a due day (the count of visits due from the start to the day before it), and the due day of a
// period under the agreement as it is (invalid: none, or after the end).
qint32 periodOf(const Agreement &agreement, const QDate &due);
QDate dueOfPeriod(const Agreement &agreement, qint32 period);
// The visits whose day falls from `from` to `to`, both included, in order.
std::vector<DueVisit> dueVisits(const Agreement &agreement, const QDate &from, const QDate &to,
                                WorkWeek week = WorkWeek::MondayToFriday);

// The days of an agreement's visits from `from` to `to`, both included, in order; none after its end.
std::vector<QDate> visitDates(const Agreement &agreement, const QDate &from, const QDate &to,
                              WorkWeek week = WorkWeek::MondayToFriday);
// The first visit on or after `today` (invalid when none comes).
QDate nextVisit(const Agreement &agreement, const QDate &today, WorkWeek week = WorkWeek::MondayToFriday);
// The agreed value of one year of visits from `today` (the visits due from today to a day before the same
// date next year).
Money yearlyValue(const Agreement &agreement, const QDate &today);

// The agreement's record, and the agreement a record holds (damaged values read as their defaults).
Record toRecord(const Agreement &agreement);
Agreement fromRecord(const Record &record);

// -- Editing

// The id the next agreement gets: one past any id an agreement or a visit holds, so that none is used twice.
qint32 nextId(const DataFolder &folder);

// The slip's text of a visit: the services, one a line, then the note, joined by CR LF as slip creation stores
// a service text.
QString slipText(const Agreement &agreement);
// The interval in words: "Every 3 months", "Every week", "Mar, Jun, Sep, Dec".
QString intervalText(const Agreement &agreement);
// Why the agreement cannot be stored, or nothing when it can: the account must be a customer's, the services
// in the catalogue, the technician in the assignments, the interval, weekday, slot and dates sound, the price
// from $0.00 to $99,999.99 (the slip's amount field), and the slip's text must fit its 200 characters (a run
// never cuts it) and hold only characters the files can store.
std::optional<QString> problem(const DataFolder &folder, const Agreement &agreement);
// The same test for many agreements (an import): the customers, the catalogue and the assignments read once.
class Rules
{
public:
    explicit Rules(const DataFolder &folder);
    std::optional<QString> problem(const Agreement &agreement) const;

private:
    QSet<QString> m_accounts;
    QStringList m_services;
    QStringList m_technicians;
};
inline const QString kTitle = QStringLiteral("Maintenance Agreement");
// Stores a new agreement (id 0: it gets the next id, set in `agreement`) or replaces the one with its id;
// refused with the reason (problem()) and nothing written. The file is replaced crash-safe; DiskError when it
// cannot be written. An edit that gives visits made already (their slips still on the board) another day names
// them: their slips keep their days until the office moves them.
Verdict save(const DataFolder &folder, Agreement &agreement, WorkWeek week = WorkWeek::MondayToFriday);
// Removes the agreement, then its visits (its slips stay; they are no longer marked as its visits).
void remove(const DataFolder &folder, qint32 id);
// Removes every agreement of the account (its number as stored, trimmed) and their visits, as remove() does;
// returns how many agreements went. Throws DiskError naming the file.
int removeAccount(const DataFolder &folder, const QString &acctNo);

// -- At a glance

// The agreements whose end falls from `today` to `days` days later.
std::vector<Agreement> endingWithin(const std::vector<Agreement> &agreements, const QDate &today, int days = 60);
// One visit of the coming weeks.
struct PlannedVisit
{
    qint32 agreementId = 0;
    QString acctNo;
    QDate due;
    QDate day;
    std::optional<qint16> slipNo; // made already: its slip
    qint32 period = 0;
};
struct WeekOfVisits
{
    QDate monday;
    std::vector<PlannedVisit> visits; // by day, then agreement
};
// The visits of `weeks` weeks from the week of `today` (Monday-based), one list per week, with the slips of
// those made already.
std::vector<WeekOfVisits> comingWeeks(const DataFolder &folder, const std::vector<Agreement> &agreements,
                                      const QDate &today, int weeks, WorkWeek week = WorkWeek::MondayToFriday);

// What a run of the visits made ahead did, for its summary.
struct RunSummary
{
    int made = 0;
    QStringList moved;       // a preferred slot that was taken: "Slip 1204 (Smith, 3/2/2027) moved to 10:00"
    QStringList unscheduled; // no free slot that week: left unscheduled
    QStringList refused;     // nothing made, and why (no slip numbers left, an account gone)
    QStringList problems;    // made, but something else failed (the counter not saved)
    QString text() const;
};
// Makes every visit due from today to `horizonWeeks` weeks ahead that was not made before, as slip creation
// stores a slip: the next slip number, "Open" or "Assigned", the booking rule. Never twice: the run notes its
// visits in /AgreementRun.jnl, stores the slips, reads them back and appends the visits of the slips it finds
// (finishRun), so that a visit is linked only to the slip it made. Throws DiskError on a write that fails (what
// was made before stays, and a retry makes only what is still missing). It plans (visitsToMake, planSlips), then
// stores the plan.
RunSummary makeVisits(const DataFolder &folder, SlipCounter &counter, const Clock &clock, const Settings &settings,
                      int horizonWeeks);

// The agreement that made a slip, if one did (the calendar marks such slips, deleting one asks).
std::optional<qint32> agreementOfSlip(const DataFolder &folder, qint16 slipNo);
// The same for every slip at once (the calendar marks a month of slips): slip number -> agreement, for the
// slips that are their visit now.
QHash<qint16, qint32> slipsOfAgreements(const DataFolder &folder);
// Slips made by agreements are deleted: skip their visits (not made again) or make them again at the next run.
// beginSlipDeletion notes the slips in /AgreementDeletion.jnl before they are deleted; finishSlipDeletion (after
// the deletion, and at start) notes the new state of each of those whose slip has left the active file, in one
// write, and removes the journal. slipsDeleted does both, for slips deleted already. Throw DiskError.
void beginSlipDeletion(const DataFolder &folder, const std::vector<qint16> &slipNos, bool makeAgain);
int finishSlipDeletion(const DataFolder &folder);
void slipsDeleted(const DataFolder &folder, const std::vector<qint16> &slipNos, bool makeAgain);

// -- The visits file
enum class VisitState : qint16 { Made = 0, Skipped = 1, MakeAgain = 2 };
struct Visit
{
    qint32 agreementId = 0;
    qint32 period = 0; // the visit's identity with the agreement
    QDate day;         // the slip's day (invalid: left unscheduled)
    qint16 slipNo = 0;
    VisitState state = VisitState::Made;
    double received = 0; // the slip's moment received (0: not known, a record of the first layout)
};
std::vector<Visit> loadVisits(const DataFolder &folder);

// A run cut off after its journal: the visits whose slip is stored (its number, moment received and account)
// are noted, the others are not made (the next run makes them); the journal goes. Returns how many visits were
// noted. Run at start and before each run. Throws DiskError (the journal stays).
int finishRun(const DataFolder &folder);
// At start: finishes a run's and a deletion's journal, then tells what is wrong with the visits file: missing
// or with damaged records while slips of agreements are stored, the visits of those slips are noted again from
// the slips (the account and the slip's text of an agreement, the period nearest the slip's day), so that no
// run makes them a second time. The notices for the office (none when all is well). Throws DiskError.
QStringList finishInterrupted(const DataFolder &folder);

// -- A run in two steps: what it makes (no file is read or written), then the write

// A visit a run is to make: due and not made, or marked to make again.
struct VisitToMake
{
    const Agreement *agreement = nullptr;
    QDate due;
    QDate day;         // the day it is wanted
    qint32 period = 0; // the visit's identity
};
// The visits to make from a week before `today` to `last`: each agreement's visits whose day (or due day) is
// not past, unless a recorded visit of the same period was made or skipped, and the visits marked to make
// again up to `last` (at their period's day as the agreement is now); by day, then agreement. Reads and writes
// nothing.
std::vector<VisitToMake> visitsToMake(const std::vector<Agreement> &agreements, const std::vector<Visit> &visits,
                                      const QDate &today, const QDate &last, WorkWeek week);
// What a run stores: the slips, numbered from the counter on, and the journal record of each visit, in the same
// order.
struct VisitPlan
{
    std::vector<Record> slips;
    std::vector<Record> visits;
    RunSummary summary; // moved, unscheduled and refused; `made` stays 0 until stored
};
// The slips of the visits as slip creation makes them, booked among the active slips (moved to a free slot of
// the week, never before the agreement's start nor after its end, or left unscheduled); a visit whose account is
// gone or whose text does not fit a slip is refused,
// and those beyond the last slip number are left over. Reads and writes nothing.
VisitPlan planSlips(const std::vector<VisitToMake> &due, const RecordScan &activeSlips, const RecordScan &customers,
                    const SlipCounter &counter, const Clock &clock, WorkWeek week);

} // namespace Agreements
