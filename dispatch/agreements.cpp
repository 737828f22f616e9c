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
#include <functional>

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

Visit visitOf(const Record &r)
{
    using namespace VisitField;
    Visit v;
    v.agreementId = r.int32(AgreementId);
    v.due = dateOf(r.real(Due));
    v.day = dateOf(r.real(Day));
    v.slipNo = r.int16(SlipNo);
    const int state = r.int16(State);
    v.state = state == 1 ? VisitState::Skipped : state == 2 ? VisitState::MakeAgain : VisitState::Made;
    v.made = dateOf(r.real(Made));
    return v;
}

Record visitRecord(const Visit &v)
{
    using namespace VisitField;
    Record r(agreementVisitLayout());
    r.setInt32(AgreementId, v.agreementId);
    r.setReal(Due, OleDate::fromDate(v.due));
    r.setReal(Day, OleDate::fromDate(v.day));
    r.setInt16(SlipNo, v.slipNo);
    r.setInt16(State, qint16(v.state));
    r.setReal(Made, OleDate::fromDate(v.made));
    return r;
}

std::vector<Agreement> readAgreements(const DataFolder &folder)
{
    std::vector<Agreement> out;
    for (const Record &r : folder.readRecords(kFile, agreementLayout()))
        out.push_back(agreementOf(r));
    return out;
}

// A visit of an agreement is known by its due day.
quint64 visitKey(qint32 agreementId, const QDate &due)
{
    return (quint64(quint32(agreementId)) << 32) | quint32(due.toJulianDay());
}

// The state of each visit: the last record of its due day.
QHash<quint64, const Visit *> latestStates(const std::vector<Visit> &visits)
{
    QHash<quint64, const Visit *> out;
    out.reserve(qsizetype(visits.size()));
    for (const Visit &v : visits)
        out.insert(visitKey(v.agreementId, v.due), &v);
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

// The due days from `from` to `to`, within the agreement's start and end.
std::vector<QDate> dueDays(const Agreement &a, QDate from, QDate to)
{
    std::vector<QDate> out;
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
        const qint64 first = (a.start.daysTo(from) + step - 1) / step;
        for (QDate d = a.start.addDays(first * step); d <= to; d = d.addDays(step))
            out.push_back(d);
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
                out.push_back(d);
        }
        break;
    }
    case Agreement::Interval::ChosenMonths:
        for (int m = monthIndex(from); monthDay(m, 1) <= to; ++m) {
            const QDate d = monthDay(m, a.start.day());
            if ((a.months >> (m % 12)) & 1 && d >= from && d <= to)
                out.push_back(d);
        }
        break;
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

// Which slip numbers the slip files hold, by number.
std::vector<bool> storedSlipNumbers(const DataFolder &folder, const RecordScan &active)
{
    std::vector<bool> stored(std::size_t(SlipCounter::kLast) + 1, false);
    const int offset = serviceSlipLayout().offset(SlipField::SlipNo);
    const auto note = [&](const RecordScan &slips) {
        for (int i = 0; i < slips.count(); ++i) {
            const qint16 n = qFromLittleEndian<qint16>(slips.at(i) + offset);
            if (n > 0)
                stored[std::size_t(n)] = true;
        }
    };
    note(active);
    note(RecordScan(folder, SlipFiles::kCompleted, serviceSlipLayout()));
    note(RecordScan(folder, SlipFiles::kFinalized, serviceSlipLayout()));
    return stored;
}

// Drops the visits whose slip was never written (see finishInterruptedVisits); returns how many.
int dropUnwritten(const DataFolder &folder, std::vector<Visit> &visits, const std::vector<bool> &stored, qint16 counter)
{
    const auto unwritten = [&](const Visit &v) {
        return v.slipNo >= counter && (v.slipNo <= 0 || !stored[std::size_t(v.slipNo)]);
    };
    const auto dropped = std::count_if(visits.begin(), visits.end(), unwritten);
    if (dropped == 0)
        return 0;
    visits.erase(std::remove_if(visits.begin(), visits.end(), unwritten), visits.end());
    std::vector<Record> kept;
    kept.reserve(visits.size());
    for (const Visit &v : visits)
        kept.push_back(visitRecord(v));
    folder.replaceRecords(kVisitsFile, kept);
    return int(dropped);
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
    // in the past or an hour of today that has begun. Nothing when the week is full.
    std::optional<std::pair<QDate, QString>> book(const QString &technician, const QDate &wanted, const QString &slot,
                                                  const QDate &earliest)
    {
        const QDate day = nextWorkday(m_week, std::max({wanted, m_today, earliest}));
        if (isFree(technician, day, slot))
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
        if (auto later = search(day, monday.addDays(6)))
            return later;
        return search(std::max({monday, m_today, earliest}), day.addDays(-1));
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

std::vector<Visit> loadVisits(const DataFolder &folder)
{
    std::vector<Visit> out;
    for (const Record &r : folder.readRecords(kVisitsFile, agreementVisitLayout()))
        out.push_back(visitOf(r));
    return out;
}

std::vector<Agreement> load(const DataFolder &folder)
{
    std::vector<Agreement> agreements = readAgreements(folder);
    const std::vector<Visit> visits = loadVisits(folder);
    QHash<qint32, QDate> last;
    for (const Visit *v : latestStates(visits)) {
        if (v->state != VisitState::Made)
            continue;
        const QDate day = v->day.isValid() ? v->day : v->due;
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
    for (const QDate &due : dueDays(agreement, from.addDays(-10), to.addDays(7))) {
        const QDate day = visitDay(agreement, due, week);
        if (day >= from && day <= to)
            out.push_back({due, day});
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
    const auto count = qint64(dueDays(agreement, today, today.addYears(1).addDays(-1)).size());
    return Money::fromRaw(agreement.price.raw() * count);
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

Verdict save(const DataFolder &folder, Agreement &agreement)
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
            return Verdict::done();
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
            PlannedVisit planned{a.id, a.acctNo, v.due, v.day, std::nullopt};
            if (const Visit *made = states.value(visitKey(a.id, v.due)); made && made->state == VisitState::Made) {
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
    return lines.join(kLineBreak);
}

int finishInterruptedVisits(const DataFolder &folder, const SlipCounter &counter)
{
    std::vector<Visit> visits = loadVisits(folder);
    if (visits.empty())
        return 0;
    const RecordScan active(folder, SlipFiles::kActive, serviceSlipLayout());
    return dropUnwritten(folder, visits, storedSlipNumbers(folder, active), counter.next());
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
        QSet<qint64> taken;
        const auto add = [&](const QDate &d, const QDate &day) {
            const Visit *v = states.value(visitKey(a.id, d));
            if ((v && v->state != VisitState::MakeAgain) || taken.contains(d.toJulianDay()))
                return;
            taken.insert(d.toJulianDay());
            due.push_back({&a, d, day});
        };
        for (const DueVisit &v : dueVisits(a, today.addDays(-7), last, week)) {
            // A visit moved to a weekday before today still comes when its due day has not passed.
            if (v.day >= today || v.due >= today)
                add(v.due, v.day);
        }
        for (const Visit *v : again.value(a.id)) {
            if (v->day <= last)
                add(v->due, v->day.isValid() ? v->day : v->due);
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
        std::optional<QDate> day = wanted;
        QString time = a.slot;
        const QString label =
            QStringLiteral("Slip %1 (%2, %3)").arg(number).arg(draft.account.lines[0], Formats::shortDate(d.day));
        if (!a.technician.isEmpty() && slotHours(a.slot)) {
            if (const auto booked = bookings.book(a.technician, wanted, a.slot, a.start)) {
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
        slips.push_back(slip);
        plan.visits.push_back(visitRecord({a.id, d.due, day.value_or(QDate()), number, VisitState::Made, today}));
    }
    if (leftOver > 0)
        summary.refused << QStringLiteral("No Slip Numbers are left: %1 visit(s) were not made. The last number a "
                                          "Service Slip can have is %2.")
                               .arg(leftOver)
                               .arg(SlipCounter::kLast - 1);
    return plan;
}

namespace {

// The one write of a run's new slips: behind the active slips.
void appendVisitSlips(const DataFolder &folder, const std::vector<Record> &slips)
{
    SlipStore(folder).append(slips);
}

// Stores what the plan makes. The visits are noted before their slips: a run cut off between the two leaves
// visits whose slip numbers were never used, which the next start (or run) drops, so that each visit is made
// once. Then the counter moves past the slips.
RunSummary storePlan(const DataFolder &folder, SlipCounter &counter, VisitPlan plan)
{
    RunSummary summary = std::move(plan.summary);
    if (plan.slips.empty())
        return summary;
    folder.appendRecords(kVisitsFile, plan.visits);
    try {
        appendVisitSlips(folder, plan.slips);
    } catch (const DiskError &) {
        try {
            finishInterruptedVisits(folder, counter);
        } catch (const DiskError &) {
            // The next run drops them before it makes anything.
        }
        throw;
    }
    const qint16 first = counter.next();
    counter.set(qint16(first + int(plan.slips.size())));
    summary.made = int(plan.slips.size());
    try {
        counter.save(folder);
    } catch (const DiskError &e) {
        // The slips are stored under these numbers: the counter keeps them taken for this run.
        summary.refused
            << e.message() +
                   QStringLiteral("\r\nService Slips %1 to %2 were stored.").arg(first).arg(first + summary.made - 1);
    }
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
    // One read of each slip file: the slip numbers in use, and the bookings of the active slips.
    const RecordScan active(folder, SlipFiles::kActive, serviceSlipLayout());
    std::vector<Visit> visits = loadVisits(folder);
    // A run that failed part way in this session, or was killed, may have noted visits it never stored.
    dropUnwritten(folder, visits, storedSlipNumbers(folder, active), counter.next());
    const std::vector<VisitToMake> due = visitsToMake(agreements, visits, today, last, settings.workWeek);
    if (due.empty())
        return {};
    const RecordScan customers(folder, CustomerFile::kPath, customerLayout());
    return storePlan(folder, counter, planSlips(due, active, customers, counter, clock, settings.workWeek));
}

std::optional<qint32> agreementOfSlip(const DataFolder &folder, qint16 slipNo)
{
    const std::vector<Visit> visits = loadVisits(folder);
    for (auto v = visits.rbegin(); v != visits.rend(); ++v) {
        if (v->slipNo == slipNo)
            return v->agreementId;
    }
    return std::nullopt;
}

QHash<qint16, qint32> slipsOfAgreements(const DataFolder &folder)
{
    const std::vector<Visit> visits = loadVisits(folder);
    QHash<qint16, qint32> out;
    for (const Visit *v : latestStates(visits)) {
        if (v->state == VisitState::Made)
            out.insert(v->slipNo, v->agreementId);
    }
    return out;
}

void slipDeleted(const DataFolder &folder, qint16 slipNo, bool makeAgain)
{
    const std::vector<Visit> visits = loadVisits(folder);
    for (auto v = visits.rbegin(); v != visits.rend(); ++v) {
        if (v->slipNo != slipNo)
            continue;
        Visit changed = *v;
        changed.state = makeAgain ? VisitState::MakeAgain : VisitState::Skipped;
        folder.appendRecord(kVisitsFile, visitRecord(changed));
        return;
    }
}

} // namespace Agreements
