#include "dispatch/agreements.h"

#include "accounts/assignmentfile.h"
#include "accounts/customerfile.h"
#include "accounts/customerrecord.h"
#include "accounts/servicecatalogue.h"
#include "core/clock.h"
#include "core/cp1252.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "core/oledate.h"
#include "core/recordscan.h"
#include "core/slipcounter.h"
#include "core/validation.h"
#include "dispatch/agreementrecord.h"
#include "dispatch/booking.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipcreation.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipstore.h"
#include "dispatch/slipvalues.h"

#include <QHash>
#include <QSet>
#include <QtEndian>
#include <algorithm>
#include <bit>
#include <functional>
#include <set>

const RecordLayout &agreementLayout()
{
    static const RecordLayout layout(QStringLiteral("AgreementRecord"), AgreementField::kFields);
    return layout;
}

const RecordLayout &agreementVisitLayout()
{
    static const RecordLayout layout(QStringLiteral("AgreementVisitRecord"), VisitField::kFields);
    return layout;
}

const RecordLayout &oldAgreementVisitLayout()
{
    static const RecordLayout layout(QStringLiteral("AgreementVisitRecord1"), VisitField::kOldFields);
    return layout;
}

const RecordLayout &visitJournalLayout()
{
    static const RecordLayout layout(QStringLiteral("AgreementVisitJournal"), VisitJournalField::kFields);
    return layout;
}

namespace Agreements {

namespace {

constexpr int kMostEvery = 99;
constexpr Money kMostPrice = Money::fromCents(9'999'999); // "$99,999.99" fills the slip's amount field
const QString kLineBreak = QStringLiteral("\r\n");

// A stored day count; 0 (and anything that is no day) is no date.
QDate dateOf(double days)
{
    return days == 0 ? QDate() : OleDate::toDate(days);
}

Agreement agreementOf(const Record &r)
{
    using namespace AgreementField;
    Agreement a;
    a.id = r.int32(Id);
    a.acctNo = r.text(AcctNo);
    for (const QString &service : r.text(Services).split(kLineBreak, Qt::SkipEmptyParts)) {
        if (!service.trimmed().isEmpty())
            a.services.append(service.trimmed());
    }
    const int interval = r.int16(Interval);
    a.interval = interval == 0   ? Agreement::Interval::Weeks
                 : interval == 2 ? Agreement::Interval::ChosenMonths
                                 : Agreement::Interval::Months;
    const int every = r.int16(Every);
    a.every = every >= 1 && every <= kMostEvery ? every : 1;
    a.months = quint16(r.int16(Months)) & 0x0FFF;
    a.technician = r.text(Technician);
    const int weekday = r.int16(Weekday);
    a.weekday = weekday >= 0 && weekday <= 7 ? weekday : 0;
    const QString slot = r.text(Slot);
    a.slot = SlipValues::timeSlots().contains(slot) ? slot : SlipValues::kNoTime;
    a.start = dateOf(r.real(Start));
    a.end = dateOf(r.real(End));
    a.price = r.money(Price) < Money() ? Money() : r.money(Price);
    a.note = r.text(Note);
    return a;
}

Record recordOf(const Agreement &a)
{
    using namespace AgreementField;
    Record r(agreementLayout());
    r.setInt32(Id, a.id);
    r.setText(AcctNo, a.acctNo.trimmed());
    r.setText(Services, a.services.join(kLineBreak));
    r.setInt16(Interval, qint16(a.interval == Agreement::Interval::Weeks    ? 0
                                : a.interval == Agreement::Interval::Months ? 1
                                                                            : 2));
    r.setInt16(Every, qint16(a.every));
    r.setInt16(Months, qint16(a.months & 0x0FFF));
    r.setText(Technician, a.technician.trimmed());
    r.setInt16(Weekday, qint16(a.weekday));
    r.setText(Slot, a.slot.trimmed().isEmpty() ? SlipValues::kNoTime : a.slot.trimmed());
    r.setReal(Start, OleDate::fromDate(a.start));
    r.setReal(End, OleDate::fromDate(a.end));
    r.setMoney(Price, a.price);
    r.setText(Note, a.note.trimmed());
    return r;
}

VisitState stateOf(int state)
{
    return state == 1 ? VisitState::Skipped : state == 2 ? VisitState::MakeAgain : VisitState::Made;
}

// A record of the first layout: its due day's period under the agreement as it is now (-1: no agreement).
Visit oldVisitOf(const Record &bytes, const QHash<qint32, Agreement> &agreements)
{
    using namespace VisitField;
    const Record r(oldAgreementVisitLayout(), bytes.bytes());
    Visit v;
    v.agreementId = r.int32(OldAgreementId);
    const auto a = agreements.constFind(v.agreementId);
    v.period = a == agreements.cend() ? -1 : periodOf(*a, dateOf(r.real(OldDue)));
    v.day = dateOf(r.real(OldDay));
    v.slipNo = r.int16(OldSlipNo);
    v.state = stateOf(r.int16(OldState));
    return v;
}

Visit visitOf(const Record &r)
{
    using namespace VisitField;
    Visit v;
    v.agreementId = r.int32(AgreementId);
    v.period = r.int32(Period);
    v.day = dateOf(r.real(Day));
    v.received = r.real(Received);
    v.slipNo = r.int16(SlipNo);
    v.state = stateOf(r.int16(State));
    return v;
}

Record visitRecord(const Visit &v)
{
    using namespace VisitField;
    Record r(agreementVisitLayout());
    r.setInt32(AgreementId, v.agreementId);
    r.setInt32(Period, v.period);
    r.setReal(Day, OleDate::fromDate(v.day));
    r.setReal(Received, v.received);
    r.setInt16(SlipNo, v.slipNo);
    r.setInt16(State, qint16(v.state));
    r.setInt32(Mark, kMark);
    return r;
}

Record journalRecord(const Visit &v, const QString &acctNo)
{
    Record r(visitJournalLayout(), visitRecord(v).bytes() + QByteArray(20, ' '));
    r.setText(VisitJournalField::AcctNo, acctNo);
    return r;
}

std::vector<Agreement> readAgreements(const DataFolder &folder)
{
    std::vector<Agreement> out;
    for (const Record &r : folder.readRecords(kFile, agreementLayout()))
        out.push_back(agreementOf(r));
    return out;
}

// A visit of an agreement is known by its period.
quint64 visitKey(qint32 agreementId, qint32 period)
{
    return (quint64(quint32(agreementId)) << 32) | quint32(period);
}

// The state of each visit: the last record of its period.
QHash<quint64, const Visit *> latestStates(const std::vector<Visit> &visits)
{
    QHash<quint64, const Visit *> out;
    out.reserve(qsizetype(visits.size()));
    for (const Visit &v : visits)
        out.insert(visitKey(v.agreementId, v.period), &v);
    return out;
}

QDate monthDay(int monthIndex, int day)
{
    const QDate first(monthIndex / 12, monthIndex % 12 + 1, 1);
    return QDate(first.year(), first.month(), std::min(day, first.daysInMonth()));
}

int monthIndex(const QDate &date)
{
    return date.year() * 12 + date.month() - 1;
}

// The chosen months from the start's month up to (not with) month `m`.
qint32 chosenBefore(const Agreement &a, int m)
{
    const int first = monthIndex(a.start);
    if (m <= first)
        return 0;
    const quint16 months = a.months & 0x0FFF;
    const int years = (m - first) / 12;
    qint32 count = qint32(years) * std::popcount(months);
    for (int k = first + years * 12; k < m; ++k)
        count += (months >> (k % 12)) & 1;
    return count;
}

// The due days from `from` to `to`, within the agreement's start and end, with their periods.
std::vector<std::pair<qint32, QDate>> dueDays(const Agreement &a, QDate from, QDate to)
{
    std::vector<std::pair<qint32, QDate>> out;
    if (!a.start.isValid() || !from.isValid() || !to.isValid())
        return out;
    from = std::max(from, a.start);
    if (a.end.isValid())
        to = std::min(to, a.end);
    if (from > to)
        return out;
    const int every = std::clamp(a.every, 1, kMostEvery);
    switch (a.interval) {
    case Agreement::Interval::Weeks: {
        const qint64 step = 7LL * every;
        qint64 n = (a.start.daysTo(from) + step - 1) / step;
        for (QDate d = a.start.addDays(n * step); d <= to; d = d.addDays(step), ++n)
            out.emplace_back(qint32(n), d);
        break;
    }
    case Agreement::Interval::Months: {
        // Each visit is counted from the start, never from the visit before: a start on the 31st comes back to
        // the 31st after a shorter month.
        const int start = monthIndex(a.start);
        for (int n = std::max(0, (monthIndex(from) - start) / every - 1);; ++n) {
            const QDate d = monthDay(start + n * every, a.start.day());
            if (d > to)
                break;
            if (d >= from)
                out.emplace_back(n, d);
        }
        break;
    }
    case Agreement::Interval::ChosenMonths: {
        qint32 n = chosenBefore(a, monthIndex(from));
        for (int m = monthIndex(from); monthDay(m, 1) <= to; ++m) {
            if (!((a.months >> (m % 12)) & 1))
                continue;
            const QDate d = monthDay(m, a.start.day());
            if (d >= from && d <= to)
                out.emplace_back(n, d);
            ++n;
        }
        break;
    }
    }
    return out;
}

bool isWorkday(WorkWeek week, const QDate &day)
{
    return nextWorkday(week, day) == day;
}

QDate visitDay(const Agreement &a, const QDate &due, WorkWeek week)
{
    QDate day = due;
    if (a.weekday >= 1 && a.weekday <= 7)
        day = due.addDays(a.weekday - due.dayOfWeek());
    day = nextWorkday(week, day);
    if (day < a.start)
        day = nextWorkday(week, a.start);
    if (a.end.isValid() && day > a.end) {
        // The last working day of the due day's week up to the end; the due day itself when there is none.
        const QDate monday = due.addDays(1 - due.dayOfWeek());
        day = due;
        for (QDate d = a.end; d >= monday && d >= a.start; d = d.addDays(-1)) {
            if (isWorkday(week, d)) {
                day = d;
                break;
            }
        }
    }
    return day;
}

// The slips of the three files by identity (see slipIdentity), for the numbers asked (all when empty).
std::set<SlipIdentity> storedSlips(const DataFolder &folder, const QSet<qint16> &numbers, bool activeOnly = false)
{
    std::set<SlipIdentity> out;
    const int numberAt = serviceSlipLayout().offset(SlipField::SlipNo);
    const int receivedAt = serviceSlipLayout().offset(SlipField::DateReceived);
    for (const QString &file : {SlipFiles::kActive, SlipFiles::kCompleted, SlipFiles::kFinalized}) {
        if (activeOnly && file != SlipFiles::kActive)
            break;
        const RecordScan slips(folder, file, serviceSlipLayout());
        for (int i = 0; i < slips.count(); ++i) {
            const qint16 n = qFromLittleEndian<qint16>(slips.at(i) + numberAt);
            if (!numbers.isEmpty() && !numbers.contains(n))
                continue;
            const double received = qFromLittleEndian<double>(slips.at(i) + receivedAt);
            const QByteArrayView acct = slips.trimmed(i, SlipField::AcctNo);
            out.insert({n, received, Cp1252::decode(acct.data(), acct.size())});
        }
    }
    return out;
}

// Where the run books its slips: the technicians' slots by day, from the active slips and from the visits made
// so far in the run.
class Bookings
{
public:
    Bookings(WorkWeek week, const QDateTime &now)
        : m_week(week)
        , m_today(now.date())
        , m_hour(now.time().hour())
    {}

    void add(const QString &technician, const QDate &day, const QString &time)
    {
        m_booked[technician][day.toJulianDay()].append(time);
    }

    // The day and slot a visit gets: the preferred one when it is free; else the earliest free slot of the same
    // kind (a range of hours or an hour) from that day to the end of its week, then earlier in that week; never
    // in the past or an hour of today that has begun, nor before `earliest` or after `latest` (invalid: no
    // end). Nothing when the week is full.
    std::optional<std::pair<QDate, QString>> book(const QString &technician, const QDate &wanted, const QString &slot,
                                                  const QDate &earliest, const QDate &latest)
    {
        const QDate day = nextWorkday(m_week, std::max({wanted, m_today, earliest}));
        const QDate sunday = day.addDays(7 - day.dayOfWeek());
        const QDate last = latest.isValid() ? std::min(sunday, latest) : sunday;
        if (day <= last && isFree(technician, day, slot))
            return take(technician, day, slot);
        const auto hours = slotHours(slot);
        const bool range = hours && hours->end != hours->start;
        const QDate monday = day.addDays(1 - day.dayOfWeek());
        const auto search = [&](QDate from, QDate to) -> std::optional<std::pair<QDate, QString>> {
            for (QDate d = from; d <= to; d = d.addDays(1)) {
                if (!isWorkday(m_week, d))
                    continue;
                for (const QString &s : SlipValues::timeSlots()) {
                    const auto h = slotHours(s);
                    if (h && (h->end != h->start) == range && isFree(technician, d, s))
                        return take(technician, d, s);
                }
            }
            return std::nullopt;
        };
        if (auto later = search(day, last))
            return later;
        return search(std::max({monday, m_today, earliest}), std::min(day.addDays(-1), last));
    }

private:
    bool isFree(const QString &technician, const QDate &day, const QString &slot) const
    {
        if (day < m_today)
            return false;
        if (day == m_today) {
            const auto hours = slotHours(slot);
            if (!hours || hours->start <= m_hour)
                return false;
        }
        const auto tech = m_booked.constFind(technician);
        if (tech == m_booked.constEnd())
            return true;
        const QStringList times = tech->value(day.toJulianDay());
        return std::none_of(times.begin(), times.end(), [&](const QString &t) { return slotsClash(t, slot); });
    }

    std::pair<QDate, QString> take(const QString &technician, const QDate &day, const QString &slot)
    {
        add(technician, day, slot);
        return {day, slot};
    }

    WorkWeek m_week;
    QDate m_today;
    int m_hour;
    QHash<QString, QHash<qint64, QStringList>> m_booked;
};

} // namespace

Record toRecord(const Agreement &agreement)
{
    return recordOf(agreement);
}

Agreement fromRecord(const Record &record)
{
    return agreementOf(record);
}

qint32 nextId(const DataFolder &folder)
{
    qint32 highest = 0;
    for (const Record &r : folder.readRecords(kFile, agreementLayout()))
        highest = std::max(highest, r.int32(AgreementField::Id));
    for (const Visit &v : loadVisits(folder))
        highest = std::max(highest, v.agreementId);
    return highest + 1;
}

qint32 periodOf(const Agreement &a, const QDate &due)
{
    if (!a.start.isValid() || !due.isValid() || due < a.start)
        return -1;
    const int every = std::clamp(a.every, 1, kMostEvery);
    switch (a.interval) {
    case Agreement::Interval::Weeks:
        return qint32(a.start.daysTo(due) / (7LL * every));
    case Agreement::Interval::Months:
        return (monthIndex(due) - monthIndex(a.start)) / every;
    case Agreement::Interval::ChosenMonths:
        break;
    }
    return chosenBefore(a, monthIndex(due));
}

QDate dueOfPeriod(const Agreement &a, qint32 period)
{
    if (!a.start.isValid() || period < 0)
        return {};
    const int every = std::clamp(a.every, 1, kMostEvery);
    QDate due;
    switch (a.interval) {
    case Agreement::Interval::Weeks:
        due = a.start.addDays(7LL * every * period);
        break;
    case Agreement::Interval::Months:
        due = monthDay(monthIndex(a.start) + period * every, a.start.day());
        break;
    case Agreement::Interval::ChosenMonths: {
        const int perYear = std::popcount(quint16(a.months & 0x0FFF));
        if (perYear == 0)
            return {};
        int m = monthIndex(a.start) + period / perYear * 12;
        for (qint32 n = chosenBefore(a, m);; ++m) {
            if ((a.months >> (m % 12)) & 1) {
                if (n == period)
                    break;
                ++n;
            }
        }
        due = monthDay(m, a.start.day());
        break;
    }
    }
    return a.end.isValid() && due > a.end ? QDate() : due;
}

std::vector<Visit> loadVisits(const DataFolder &folder)
{
    std::vector<Visit> out;
    QHash<qint32, Agreement> agreements; // read for the records of the first layout only
    bool read = false;
    for (const Record &r : folder.readRecords(kVisitsFile, agreementVisitLayout())) {
        if (r.int32(VisitField::Mark) == VisitField::kMark) {
            out.push_back(visitOf(r));
            continue;
        }
        if (!read) {
            for (const Agreement &a : readAgreements(folder))
                agreements.insert(a.id, a);
            read = true;
        }
        out.push_back(oldVisitOf(r, agreements));
    }
    return out;
}

std::vector<Agreement> load(const DataFolder &folder)
{
    std::vector<Agreement> agreements = readAgreements(folder);
    const std::vector<Visit> visits = loadVisits(folder);
    QHash<qint32, QDate> last;
    QHash<qint32, const Agreement *> byId;
    for (const Agreement &a : agreements)
        byId.insert(a.id, &a);
    for (const Visit *v : latestStates(visits)) {
        const Agreement *a = byId.value(v->agreementId);
        if (v->state != VisitState::Made || !a)
            continue;
        const QDate day = v->day.isValid() ? v->day : dueOfPeriod(*a, v->period);
        if (!day.isValid())
            continue;
        QDate &known = last[v->agreementId];
        if (!known.isValid() || day > known)
            known = day;
    }
    for (Agreement &a : agreements)
        a.lastVisit = last.value(a.id);
    return agreements;
}

std::vector<DueVisit> dueVisits(const Agreement &agreement, const QDate &from, const QDate &to, WorkWeek week)
{
    std::vector<DueVisit> out;
    if (!from.isValid() || !to.isValid())
        return out;
    // A visit moves at most six days back (its weekday) and a few ahead (the weekday, then a working day).
    for (const auto &[period, due] : dueDays(agreement, from.addDays(-10), to.addDays(7))) {
        const QDate day = visitDay(agreement, due, week);
        if (day >= from && day <= to)
            out.push_back({due, day, period});
    }
    std::stable_sort(out.begin(), out.end(), [](const DueVisit &a, const DueVisit &b) { return a.day < b.day; });
    return out;
}

std::vector<QDate> visitDates(const Agreement &agreement, const QDate &from, const QDate &to, WorkWeek week)
{
    std::vector<QDate> out;
    for (const DueVisit &v : dueVisits(agreement, from, to, week))
        out.push_back(v.day);
    return out;
}

QDate nextVisit(const Agreement &agreement, const QDate &today, WorkWeek week)
{
    // A year at a time, for at most the longest interval (99 months).
    for (QDate from = today; from.isValid() && from <= today.addYears(9); from = from.addDays(366)) {
        if (agreement.end.isValid() && from > agreement.end)
            break;
        const auto visits = dueVisits(agreement, from, from.addDays(365), week);
        if (!visits.empty())
            return visits.front().day;
    }
    return {};
}

Money yearlyValue(const Agreement &agreement, const QDate &today)
{
    // The sum of the prices as each visit shows it.
    const auto count = qint64(dueDays(agreement, today, today.addYears(1).addDays(-1)).size());
    return Money::fromRaw(Formats::roundToCents(agreement.price).raw() * count);
}

QString slipText(const Agreement &agreement)
{
    QStringList parts;
    for (const QString &service : agreement.services) {
        if (!service.trimmed().isEmpty())
            parts << service.trimmed();
    }
    if (!agreement.note.trimmed().isEmpty())
        parts << agreement.note.trimmed();
    return SlipCreation::storedServiceText(parts.join(QLatin1Char('\n')));
}

QString intervalText(const Agreement &agreement)
{
    switch (agreement.interval) {
    case Agreement::Interval::Weeks:
        return agreement.every == 1 ? QStringLiteral("Every week")
                                    : QStringLiteral("Every %1 weeks").arg(agreement.every);
    case Agreement::Interval::Months:
        return agreement.every == 1 ? QStringLiteral("Every month")
                                    : QStringLiteral("Every %1 months").arg(agreement.every);
    case Agreement::Interval::ChosenMonths:
        break;
    }
    static const QStringList names = {QStringLiteral("Jan"), QStringLiteral("Feb"), QStringLiteral("Mar"),
                                      QStringLiteral("Apr"), QStringLiteral("May"), QStringLiteral("Jun"),
                                      QStringLiteral("Jul"), QStringLiteral("Aug"), QStringLiteral("Sep"),
                                      QStringLiteral("Oct"), QStringLiteral("Nov"), QStringLiteral("Dec")};
    QStringList chosen;
    for (int m = 0; m < 12; ++m) {
        if ((agreement.months >> m) & 1)
            chosen << names[m];
    }
    return chosen.join(QStringLiteral(", "));
}

Rules::Rules(const DataFolder &folder)
    : m_services(servicesPickList(LoadCatalogue(folder)))
    , m_technicians(LoadAssignmentLists(folder).creation.mid(1))
{
    const RecordScan customers(folder, CustomerFile::kPath, customerLayout());
    m_accounts.reserve(customers.count());
    for (int i = 0; i < customers.count(); ++i) {
        const QByteArrayView acct = customers.trimmed(i, CustomerField::AcctNo);
        m_accounts.insert(Cp1252::decode(acct.data(), acct.size()));
    }
}

std::optional<QString> problem(const DataFolder &folder, const Agreement &agreement)
{
    return Rules(folder).problem(agreement);
}

std::optional<QString> Rules::problem(const Agreement &a) const
{
    if (a.acctNo.trimmed().isEmpty())
        return QStringLiteral("Choose the Customer Account the agreement is made with.");
    if (!m_accounts.contains(a.acctNo.trimmed()))
        return QStringLiteral("The Account %1 is not in the Customer file.").arg(a.acctNo.trimmed());
    const QString text = slipText(a);
    if (text.isEmpty())
        return QStringLiteral("Choose at least one service, or write the note for the slip.");
    for (const QString &service : a.services) {
        if (!m_services.contains(service.trimmed()))
            return QStringLiteral("The service \"%1\" is not in the Services catalogue.").arg(service.trimmed());
    }
    if (a.every < 1 || a.every > kMostEvery)
        return QStringLiteral("A visit comes back every 1 to %1 %2.")
            .arg(kMostEvery)
            .arg(a.interval == Agreement::Interval::Weeks ? QStringLiteral("weeks") : QStringLiteral("months"));
    if (a.interval == Agreement::Interval::ChosenMonths && (a.months & 0x0FFF) == 0)
        return QStringLiteral("Choose the months of the visits.");
    const QString technician = a.technician.trimmed();
    if (!technician.isEmpty() && !m_technicians.contains(technician))
        return QStringLiteral("\"%1\" is not among the Assignments.").arg(technician);
    if (a.weekday < 0 || a.weekday > 7)
        return QStringLiteral("The preferred weekday is not a day of the week.");
    if (!a.slot.trimmed().isEmpty() && !SlipValues::timeSlots().contains(a.slot.trimmed()))
        return QStringLiteral("\"%1\" is not a time slot.").arg(a.slot.trimmed());
    if (!a.start.isValid())
        return QStringLiteral("Enter the date the agreement starts.");
    if (a.end.isValid() && a.end < a.start)
        return QStringLiteral("The agreement ends before it starts.");
    if (a.price < Money() || a.price > kMostPrice)
        return QStringLiteral("The price per visit is from %1 to %2.")
            .arg(Formats::currency(Money()), Formats::currency(kMostPrice));
    if (text.size() > SlipCreation::kServiceWidth)
        return QStringLiteral("The services and the note make a slip text of %1 characters (each line break counts "
                              "as 2); a Service Slip holds at most %2.\r\nChoose fewer services or shorten the note.")
            .arg(text.size())
            .arg(SlipCreation::kServiceWidth);
    if (text.contains(QLatin1Char('"')))
        return QStringLiteral("The note cannot hold a double quote (\").");
    if (const auto notice = Validation::unstorableText(a.acctNo + text + technician))
        return notice->text;
    return std::nullopt;
}

namespace {

// After an edit: the visits made already whose slips are still on the board and whose period now falls on
// another day (or after the end) are named; their slips keep their days.
Verdict movedVisits(const DataFolder &folder, const Agreement &was, const Agreement &a, WorkWeek week)
{
    const auto dayOf = [week](const Agreement &agreement, qint32 period) {
        const QDate due = dueOfPeriod(agreement, period);
        return due.isValid() ? visitDay(agreement, due, week) : QDate();
    };
    const std::vector<Visit> visits = loadVisits(folder);
    QHash<qint16, QString> onBoard; // slip number -> its date
    for (const Record &slip : folder.readRecords(SlipFiles::kActive, serviceSlipLayout()))
        onBoard.insert(slip.int16(SlipField::SlipNo), slip.text(SlipField::SchedDate).trimmed());
    QStringList moved;
    for (const Visit *v : latestStates(visits)) {
        if (v->agreementId != a.id || v->state != VisitState::Made || !onBoard.contains(v->slipNo))
            continue;
        const QDate day = dayOf(a, v->period);
        if (day == dayOf(was, v->period))
            continue;
        moved << QStringLiteral("Slip %1 (%2): %3")
                     .arg(v->slipNo)
                     .arg(onBoard.value(v->slipNo), day.isValid()
                                                        ? QStringLiteral("now due %1").arg(Formats::shortDate(day))
                                                        : QStringLiteral("no longer due"));
    }
    Verdict done = Verdict::done();
    if (!moved.isEmpty()) {
        std::sort(moved.begin(), moved.end());
        done.tell(QStringLiteral("The agreement was saved. Visits already made keep their Service Slips and their "
                                 "days; move or delete these on the Dispatch Board:\r\n") +
                      moved.join(QStringLiteral("\r\n")),
                  kTitle);
    }
    return done;
}

} // namespace

Verdict save(const DataFolder &folder, Agreement &agreement, WorkWeek week)
{
    if (const auto why = problem(folder, agreement))
        return Verdict::refused(*why, kTitle);
    std::vector<Record> records = folder.readRecords(kFile, agreementLayout());
    if (agreement.id == 0) {
        Agreement stored = agreement;
        stored.id = nextId(folder);
        folder.appendRecord(kFile, recordOf(stored));
        agreement.id = stored.id;
        return Verdict::done();
    }
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (records[i].int32(AgreementField::Id) == agreement.id) {
            folder.writeRecord(kFile, int(i) + 1, recordOf(agreement));
            return movedVisits(folder, agreementOf(records[i]), agreement, week);
        }
    }
    return Verdict::refused(QStringLiteral("The agreement is no longer stored; it was removed meanwhile."), kTitle);
}

namespace {

// The agreements `drop` picks, then their visits: a visit left without its agreement is harmless, an agreement
// without its visits would make them again.
int removeWhere(const DataFolder &folder, const std::function<bool(const Record &)> &drop)
{
    std::vector<Record> kept;
    QSet<qint32> gone;
    for (const Record &r : folder.readRecords(kFile, agreementLayout())) {
        if (drop(r))
            gone.insert(r.int32(AgreementField::Id));
        else
            kept.push_back(r);
    }
    if (gone.isEmpty())
        return 0;
    folder.replaceRecords(kFile, kept);
    std::vector<Record> visits;
    bool had = false;
    for (const Record &r : folder.readRecords(kVisitsFile, agreementVisitLayout())) {
        if (!gone.contains(r.int32(VisitField::AgreementId)))
            visits.push_back(r);
        else
            had = true;
    }
    if (had)
        folder.replaceRecords(kVisitsFile, visits);
    return int(gone.size());
}

} // namespace

void remove(const DataFolder &folder, qint32 id)
{
    removeWhere(folder, [id](const Record &r) { return r.int32(AgreementField::Id) == id; });
}

int removeAccount(const DataFolder &folder, const QString &acctNo)
{
    const QString number = acctNo.trimmed();
    if (number.isEmpty())
        return 0;
    return removeWhere(folder, [&](const Record &r) { return r.text(AgreementField::AcctNo) == number; });
}

std::vector<Agreement> endingWithin(const std::vector<Agreement> &agreements, const QDate &today, int days)
{
    std::vector<Agreement> out;
    for (const Agreement &a : agreements) {
        if (a.end.isValid() && a.end >= today && a.end <= today.addDays(days))
            out.push_back(a);
    }
    std::stable_sort(out.begin(), out.end(), [](const Agreement &a, const Agreement &b) { return a.end < b.end; });
    return out;
}

std::vector<WeekOfVisits> comingWeeks(const DataFolder &folder, const std::vector<Agreement> &agreements,
                                      const QDate &today, int weeks, WorkWeek week)
{
    std::vector<WeekOfVisits> out;
    if (weeks <= 0 || !today.isValid())
        return out;
    const std::vector<Visit> visits = loadVisits(folder);
    const auto states = latestStates(visits);
    const QDate monday = today.addDays(1 - today.dayOfWeek());
    for (int w = 0; w < weeks; ++w)
        out.push_back({monday.addDays(7 * w), {}});
    for (const Agreement &a : agreements) {
        for (const DueVisit &v : dueVisits(a, monday, monday.addDays(7 * weeks - 1), week)) {
            PlannedVisit planned{a.id, a.acctNo, v.due, v.day, std::nullopt, v.period};
            if (const Visit *made = states.value(visitKey(a.id, v.period)); made && made->state == VisitState::Made) {
                planned.slipNo = made->slipNo;
                if (made->day.isValid())
                    planned.day = made->day;
            }
            out[std::size_t(monday.daysTo(v.day) / 7)].visits.push_back(planned);
        }
    }
    for (WeekOfVisits &w : out) {
        std::stable_sort(w.visits.begin(), w.visits.end(), [](const PlannedVisit &a, const PlannedVisit &b) {
            return a.day != b.day ? a.day < b.day : a.agreementId < b.agreementId;
        });
    }
    return out;
}

QString RunSummary::text() const
{
    QStringList lines;
    lines << (made == 0   ? QStringLiteral("No visit was due to be made.")
              : made == 1 ? QStringLiteral("1 visit was made as a Service Slip.")
                          : QStringLiteral("%1 visits were made as Service Slips.").arg(made));
    const auto section = [&lines](const QString &heading, const QStringList &items) {
        if (items.isEmpty())
            return;
        lines << QString() << heading;
        lines << items;
    };
    section(QStringLiteral("Preferred time taken, moved to the earliest free time of the week:"), moved);
    section(QStringLiteral("No free time that week, left unscheduled:"), unscheduled);
    section(QStringLiteral("Not made:"), refused);
    section(QStringLiteral("The visits were made, but:"), problems);
    return lines.join(kLineBreak);
}

int finishRun(const DataFolder &folder)
{
    const std::vector<Record> journal = folder.readRecords(kRunJournal, visitJournalLayout());
    if (journal.empty()) {
        folder.deleteFile(kRunJournal);
        return 0;
    }
    QSet<qint16> numbers;
    for (const Record &r : journal)
        numbers.insert(r.int16(VisitField::SlipNo));
    const std::set<SlipIdentity> stored = storedSlips(folder, numbers);
    // A journal finished before, but not removed: its visits are noted already.
    QSet<std::pair<qint16, double>> noted;
    for (const Visit &v : loadVisits(folder)) {
        if (v.state == VisitState::Made && numbers.contains(v.slipNo))
            noted.insert({v.slipNo, v.received});
    }
    std::vector<Record> visits;
    for (const Record &r : journal) {
        const Visit v = visitOf(Record(agreementVisitLayout(), r.bytes().left(agreementVisitLayout().length())));
        if (stored.count({v.slipNo, v.received, r.text(VisitJournalField::AcctNo)}) &&
            !noted.contains({v.slipNo, v.received}))
            visits.push_back(visitRecord(v));
    }
    if (!visits.empty())
        folder.appendRecords(kVisitsFile, visits);
    folder.deleteFile(kRunJournal);
    return int(visits.size());
}

namespace {

// The slips that look like an agreement's visit (its account, its slip's text) and that no visit holds: after
// the visits file was lost or damaged, their visits are noted again at the period nearest the slip's day.
std::vector<Visit> visitsFromSlips(const DataFolder &folder, const std::vector<Visit> &visits)
{
    const std::vector<Agreement> agreements = readAgreements(folder);
    QHash<QPair<QString, QString>, const Agreement *> byText; // account, slip text
    for (const Agreement &a : agreements)
        byText.insert({a.acctNo.trimmed(), slipText(a)}, &a);
    QSet<qint16> held;
    QSet<quint64> made;
    for (const Visit *v : latestStates(visits)) {
        held.insert(v->slipNo);
        made.insert(visitKey(v->agreementId, v->period));
    }
    std::vector<Visit> out;
    if (byText.isEmpty())
        return out;
    for (const QString &file : {SlipFiles::kActive, SlipFiles::kCompleted, SlipFiles::kFinalized}) {
        for (const Record &slip : folder.readRecords(file, serviceSlipLayout())) {
            const qint16 number = slip.int16(SlipField::SlipNo);
            const Agreement *a = byText.value({slip.text(SlipField::AcctNo), slip.text(SlipField::ServiceRequired)});
            if (!a || held.contains(number))
                continue;
            const auto date = Formats::parseShortDate(slip.text(SlipField::SchedDate));
            const QDate day = date ? *date : OleDate::toDate(slip.real(SlipField::DateReceived));
            // The period whose visit day is nearest the slip's day.
            std::optional<DueVisit> nearest;
            for (const DueVisit &d : dueVisits(*a, day.addDays(-100), day.addDays(100), WorkWeek::SundayToSaturday)) {
                if (!nearest || std::abs(d.day.daysTo(day)) < std::abs(nearest->day.daysTo(day)))
                    nearest = d;
            }
            if (!nearest || made.contains(visitKey(a->id, nearest->period)))
                continue;
            made.insert(visitKey(a->id, nearest->period));
            held.insert(number);
            out.push_back({a->id, nearest->period, date ? *date : QDate(), number, VisitState::Made,
                           slip.real(SlipField::DateReceived)});
        }
    }
    return out;
}

} // namespace

QStringList finishInterrupted(const DataFolder &folder)
{
    QStringList notes;
    finishRun(folder);
    finishSlipDeletion(folder);
    if (folder.fileSize(kFile) <= 0)
        return notes;
    // What is wrong with the visits file, read as it is (a missing one comes back from its Backup copy).
    QString wrong;
    const bool missing = folder.fileSize(kVisitsFile) < 0;
    if (missing) {
        wrong = QStringLiteral("AgreementVisits.dat is missing");
    } else {
        const qint64 size = folder.fileSize(kVisitsFile);
        int damaged = 0;
        const QSet<qint32> ids = [&] {
            QSet<qint32> out;
            for (const Agreement &a : readAgreements(folder))
                out.insert(a.id);
            return out;
        }();
        for (const Visit &v : loadVisits(folder)) {
            if (!ids.contains(v.agreementId) || v.period < 0 || v.slipNo <= 0)
                ++damaged;
        }
        if (size % agreementVisitLayout().length() != 0 || damaged > 0)
            wrong = QStringLiteral("AgreementVisits.dat has %1 damaged record(s)").arg(damaged);
    }
    if (wrong.isEmpty())
        return notes;
    const std::vector<Visit> found = visitsFromSlips(folder, loadVisits(folder));
    QStringList slips;
    std::vector<Record> records;
    for (const Visit &v : found) {
        slips << QString::number(v.slipNo);
        records.push_back(visitRecord(v));
    }
    if (!records.empty())
        folder.appendRecords(kVisitsFile, records);
    else if (missing)
        return notes; // no visit made yet
    notes << wrong +
                 (slips.isEmpty()
                      ? QStringLiteral(". No stored Service Slip was found that an agreement made and no visit holds.")
                      : QStringLiteral(". These Service Slips were made by agreements and are noted again as their "
                                       "visits, so that no run makes those visits a second time: %1.")
                            .arg(slips.join(QStringLiteral(", ")))) +
                 QStringLiteral("\r\nVisits skipped or to make again before that are not known: look at the coming "
                                "weeks in Maintenance Agreements before the visits are made again.");
    return notes;
}

std::vector<VisitToMake> visitsToMake(const std::vector<Agreement> &agreements, const std::vector<Visit> &visits,
                                      const QDate &today, const QDate &last, WorkWeek week)
{
    const auto states = latestStates(visits);
    std::vector<VisitToMake> due;
    QHash<qint32, std::vector<const Visit *>> again; // the visits to make again, by agreement
    for (const Visit *v : states) {
        if (v->state == VisitState::MakeAgain)
            again[v->agreementId].push_back(v);
    }
    for (const Agreement &a : agreements) {
        QSet<qint32> taken;
        const auto add = [&](const DueVisit &d) {
            const Visit *v = states.value(visitKey(a.id, d.period));
            if ((v && v->state != VisitState::MakeAgain) || taken.contains(d.period))
                return;
            taken.insert(d.period);
            due.push_back({&a, d.due, d.day, d.period});
        };
        for (const DueVisit &v : dueVisits(a, today.addDays(-7), last, week)) {
            // A visit moved to a weekday before today still comes when its due day has not passed.
            if (v.day >= today || v.due >= today)
                add(v);
        }
        for (const Visit *v : again.value(a.id)) {
            // At its period's day as the agreement is now; none when the period is past the end.
            const QDate d = dueOfPeriod(a, v->period);
            if (d.isValid() && visitDay(a, d, week) <= last)
                add({d, visitDay(a, d, week), v->period});
        }
    }
    std::stable_sort(due.begin(), due.end(), [](const VisitToMake &a, const VisitToMake &b) {
        return a.day != b.day ? a.day < b.day : a.agreement->id < b.agreement->id;
    });
    return due;
}

VisitPlan planSlips(const std::vector<VisitToMake> &due, const RecordScan &active, const RecordScan &customers,
                    const SlipCounter &counter, const Clock &clock, WorkWeek week)
{
    VisitPlan plan;
    RunSummary &summary = plan.summary;
    const QDateTime now = clock.now();
    const QDate today = now.date();
    QSet<QString> technicians;
    QHash<QByteArray, int> customerOf; // account number as stored -> customer record index, -1 not found yet
    for (const VisitToMake &d : due) {
        technicians.insert(d.agreement->technician);
        if (const auto bytes = storedBytes(d.agreement->acctNo))
            customerOf.insert(*bytes, -1);
    }
    for (int i = 0; i < customers.count(); ++i) {
        const QByteArrayView acct = customers.trimmed(i, CustomerField::AcctNo);
        const auto found = customerOf.find(QByteArray(acct.data(), acct.size()));
        if (found != customerOf.end() && *found < 0)
            *found = i;
    }

    Bookings bookings(week, now);
    for (int i = 0; i < active.count(); ++i) {
        const auto field = [&](int f) {
            const QByteArrayView v = active.trimmed(i, f);
            return Cp1252::decode(v.data(), v.size());
        };
        const QString technician = field(SlipField::AssignedTo);
        if (technician.isEmpty() || !technicians.contains(technician))
            continue;
        const QString time = field(SlipField::SchedTime);
        const auto date = Formats::parseShortDate(field(SlipField::SchedDate));
        if (date && !isUnscheduled(field(SlipField::SchedDate), time))
            bookings.add(technician, *date, time);
    }

    const int room = counter.refusal() ? 0 : SlipCounter::kLast - counter.next();
    std::vector<Record> &slips = plan.slips;
    QSet<qint32> refusedAgreements;
    int leftOver = 0;
    for (const VisitToMake &d : due) {
        const Agreement &a = *d.agreement;
        const auto refuse = [&](const QString &why) {
            if (!refusedAgreements.contains(a.id))
                summary.refused << QStringLiteral("Agreement %1 (Account %2): %3").arg(a.id).arg(a.acctNo, why);
            refusedAgreements.insert(a.id);
        };
        const auto bytes = storedBytes(a.acctNo);
        const int customer = bytes ? customerOf.value(*bytes, -1) : -1;
        if (customer < 0) {
            refuse(QStringLiteral("the account is no longer in the Customer file; no visit was made."));
            continue;
        }
        const QString text = slipText(a);
        if (text.isEmpty() || text.size() > SlipCreation::kServiceWidth) {
            refuse(QStringLiteral("the services and the note do not fit a Service Slip (%1 of %2 characters); "
                                  "no visit was made.")
                       .arg(text.size())
                       .arg(SlipCreation::kServiceWidth));
            continue;
        }
        if (int(slips.size()) >= room) {
            ++leftOver;
            continue;
        }
        const qint16 number = qint16(counter.next() + int(slips.size()));
        SlipCreation::SlipDraft draft;
        draft.account = SlipCreation::accountBlock(
            Record(customerLayout(), QByteArray(customers.at(customer), customerLayout().length())));
        draft.site = draft.account.lines;
        draft.service = text;
        draft.assignment = a.technician;
        const QDate wanted = nextWorkday(week, std::max(d.day, today));
        if (a.end.isValid() && wanted > a.end) {
            // A visit to make again, or one whose day has come and gone, never comes after the end.
            summary.refused << QStringLiteral("Agreement %1 (Account %2): the visit of %3 would come after the "
                                              "agreement's end (%4); it was not made.")
                                   .arg(a.id)
                                   .arg(a.acctNo, Formats::shortDate(d.day), Formats::shortDate(a.end));
            continue;
        }
        std::optional<QDate> day = wanted;
        QString time = a.slot;
        const QString label =
            QStringLiteral("Slip %1 (%2, %3)").arg(number).arg(draft.account.lines[0], Formats::shortDate(d.day));
        if (!a.technician.isEmpty() && slotHours(a.slot)) {
            if (const auto booked = bookings.book(a.technician, wanted, a.slot, a.start, a.end)) {
                if (booked->first != wanted || booked->second != a.slot)
                    summary.moved << QStringLiteral("%1 moved to %2")
                                         .arg(label, booked->first == wanted ? booked->second
                                                                             : Formats::shortDate(booked->first) +
                                                                                   QLatin1Char(' ') + booked->second);
                day = booked->first;
                time = booked->second;
            } else {
                summary.unscheduled << QStringLiteral("%1: %2 has no free time that week.").arg(label, a.technician);
                day.reset();
            }
        }
        draft.date = day;
        draft.time = time;
        Record slip = SlipCreation::buildSlipRecord(draft, clock);
        slip.setInt16(SlipField::SlipNo, number);
        slip.setText(SlipField::Amount, Formats::currency(a.price));
        plan.visits.push_back(journalRecord(
            {a.id, d.period, day.value_or(QDate()), number, VisitState::Made, slip.real(SlipField::DateReceived)},
            slip.text(SlipField::AcctNo)));
        slips.push_back(std::move(slip));
    }
    if (leftOver > 0)
        summary.refused << QStringLiteral("No Slip Numbers are left: %1 visit(s) were not made. The last number a "
                                          "Service Slip can have is %2.")
                               .arg(leftOver)
                               .arg(SlipCounter::kLast - 1);
    return plan;
}

namespace {

// Stores what the plan makes: the journal of its visits, the slips (all or none), the counter past them, then
// the visits of the slips read back (finishRun). A run cut off before its visits are noted leaves the journal,
// which the next start (or run) finishes: a visit is linked only to the slip it made, made once.
RunSummary storePlan(const DataFolder &folder, SlipCounter &counter, VisitPlan plan)
{
    RunSummary summary = std::move(plan.summary);
    if (plan.slips.empty())
        return summary;
    folder.replaceRecords(kRunJournal, plan.visits);
    try {
        SlipStore(folder).append(plan.slips);
    } catch (const DiskError &) {
        try {
            finishRun(folder);
        } catch (const DiskError &) {
            // The next run finishes it before it makes anything.
        }
        throw;
    }
    // The slips hold these numbers now: the counter moves past them before anything else can fail.
    const qint16 first = counter.next();
    counter.set(qint16(first + int(plan.slips.size())));
    const auto saveCounter = [&] {
        try {
            counter.save(folder);
        } catch (const DiskError &e) {
            summary.problems << e.message() + QStringLiteral("\r\nService Slips %1 to %2 were stored.")
                                                  .arg(first)
                                                  .arg(first + int(plan.slips.size()) - 1);
        }
    };
    try {
        summary.made = finishRun(folder);
    } catch (const DiskError &) {
        saveCounter();
        throw;
    }
    saveCounter();
    if (summary.made != int(plan.slips.size()))
        summary.problems << QStringLiteral("Of the %1 Service Slips stored, %2 were not found when read back; "
                                           "their visits are made at the next run.")
                                .arg(plan.slips.size())
                                .arg(int(plan.slips.size()) - summary.made);
    return summary;
}

} // namespace

RunSummary makeVisits(const DataFolder &folder, SlipCounter &counter, const Clock &clock, const Settings &settings,
                      int horizonWeeks)
{
    const QDate today = clock.today();
    const QDate last = today.addDays(7 * std::max(0, horizonWeeks));

    const std::vector<Agreement> agreements = readAgreements(folder);
    if (agreements.empty())
        return {};
    // A run or a deletion that failed part way in this session, or was killed, is finished first.
    finishRun(folder);
    finishSlipDeletion(folder);
    const std::vector<Visit> visits = loadVisits(folder);
    const std::vector<VisitToMake> due = visitsToMake(agreements, visits, today, last, settings.workWeek);
    if (due.empty())
        return {};
    const RecordScan active(folder, SlipFiles::kActive, serviceSlipLayout());
    const RecordScan customers(folder, CustomerFile::kPath, customerLayout());
    return storePlan(folder, counter, planSlips(due, active, customers, counter, clock, settings.workWeek));
}

namespace {

// The visits whose slip is stored as the one each made: slip number -> agreement. A visit of the first layout
// (no moment received) holds the slip of its number; a run's journal not yet finished (a full disk) links its
// slips too.
QHash<qint16, qint32> linkedSlips(const DataFolder &folder, std::vector<Visit> visits)
{
    for (const Record &r : folder.readRecords(kRunJournal, visitJournalLayout()))
        visits.push_back(visitOf(Record(agreementVisitLayout(), r.bytes().left(agreementVisitLayout().length()))));
    QHash<qint16, const Visit *> made;
    for (const Visit *v : latestStates(visits)) {
        if (v->state == VisitState::Made && v->slipNo > 0)
            made.insert(v->slipNo, v);
    }
    QHash<qint16, qint32> out;
    if (made.isEmpty())
        return out;
    const int numberAt = serviceSlipLayout().offset(SlipField::SlipNo);
    const int receivedAt = serviceSlipLayout().offset(SlipField::DateReceived);
    for (const QString &file : {SlipFiles::kActive, SlipFiles::kCompleted, SlipFiles::kFinalized}) {
        const RecordScan slips(folder, file, serviceSlipLayout());
        for (int i = 0; i < slips.count(); ++i) {
            const Visit *v = made.value(qFromLittleEndian<qint16>(slips.at(i) + numberAt));
            if (v && (v->received == 0 || v->received == qFromLittleEndian<double>(slips.at(i) + receivedAt)))
                out.insert(v->slipNo, v->agreementId);
        }
    }
    return out;
}

} // namespace

std::optional<qint32> agreementOfSlip(const DataFolder &folder, qint16 slipNo)
{
    const QHash<qint16, qint32> slips = slipsOfAgreements(folder);
    if (const auto found = slips.constFind(slipNo); found != slips.cend())
        return *found;
    return std::nullopt;
}

QHash<qint16, qint32> slipsOfAgreements(const DataFolder &folder)
{
    return linkedSlips(folder, loadVisits(folder));
}

void beginSlipDeletion(const DataFolder &folder, const std::vector<qint16> &slipNos, bool makeAgain)
{
    finishRun(folder); // the slips of a run cut off are its visits' before they are deleted
    const QSet<qint16> numbers(slipNos.begin(), slipNos.end());
    std::vector<Record> journal;
    const std::vector<Visit> visits = loadVisits(folder);
    for (const Visit *v : latestStates(visits)) {
        if (v->state != VisitState::Made || !numbers.contains(v->slipNo))
            continue;
        Visit changed = *v;
        changed.state = makeAgain ? VisitState::MakeAgain : VisitState::Skipped;
        journal.push_back(journalRecord(changed, QString()));
    }
    if (!journal.empty())
        folder.replaceRecords(kDeletionJournal, journal);
}

int finishSlipDeletion(const DataFolder &folder)
{
    const std::vector<Record> journal = folder.readRecords(kDeletionJournal, visitJournalLayout());
    if (journal.empty()) {
        folder.deleteFile(kDeletionJournal);
        return 0;
    }
    QSet<qint16> numbers;
    for (const Record &r : journal)
        numbers.insert(r.int16(VisitField::SlipNo));
    // The slips still on the board were not deleted (the deletion failed): their visits stay made.
    QSet<qint16> onBoard;
    for (const SlipIdentity &slip : storedSlips(folder, numbers, true))
        onBoard.insert(std::get<0>(slip));
    const std::vector<Visit> visits = loadVisits(folder);
    const auto states = latestStates(visits);
    std::vector<Record> changes;
    for (const Record &r : journal) {
        const Visit v = visitOf(Record(agreementVisitLayout(), r.bytes().left(agreementVisitLayout().length())));
        const Visit *now = states.value(visitKey(v.agreementId, v.period));
        // Noted already when the journal was finished before but not removed.
        if (!onBoard.contains(v.slipNo) && now && now->state == VisitState::Made && now->slipNo == v.slipNo)
            changes.push_back(visitRecord(v));
    }
    if (!changes.empty())
        folder.appendRecords(kVisitsFile, changes);
    folder.deleteFile(kDeletionJournal);
    return int(changes.size());
}

void slipsDeleted(const DataFolder &folder, const std::vector<qint16> &slipNos, bool makeAgain)
{
    beginSlipDeletion(folder, slipNos, makeAgain);
    finishSlipDeletion(folder);
}

} // namespace Agreements
