#include "dispatch/visitreminders.h"

#include "core/formats.h"
#include "dispatch/booking.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipvalues.h"

#include <algorithm>

namespace VisitReminders {

QString linkOf(qint32 agreementId, qint32 period)
{
    return QStringLiteral("Visit reminder %1/%2").arg(agreementId).arg(period);
}

QString Reminder::link() const
{
    return linkOf(agreementId, period);
}

std::vector<Reminder> choose(const std::vector<Agreement> &agreements, const std::vector<Agreements::Visit> &visits,
                             const std::vector<Record> &activeSlips, const QDate &today, int days,
                             const QSet<QString> &queued, WorkWeek week)
{
    std::vector<Reminder> out;
    if (days <= 0 || !today.isValid())
        return out;
    const QDate first = today.addDays(1);
    const QDate last = today.addDays(days);
    // The visits file notes each change in turn: the last record of a visit tells its state.
    QHash<QString, const Agreements::Visit *> latest;
    for (const Agreements::Visit &v : visits)
        latest.insert(linkOf(v.agreementId, v.period), &v);
    QHash<qint16, const Record *> onBoard;
    for (const Record &slip : activeSlips)
        onBoard.insert(slip.int16(SlipField::SlipNo), &slip);

    for (const Agreement &a : agreements) {
        // A visit made already may have been moved by up to a few weeks: look a little beyond the range.
        for (const Agreements::DueVisit &v : Agreements::dueVisits(a, today.addDays(-62), last.addDays(62), week)) {
            Reminder r{a.id, v.period, a.acctNo.trimmed(), v.day, {}, a.technician.trimmed(), std::nullopt};
            if (a.slot.trimmed() != SlipValues::kNoTime)
                r.time = a.slot.trimmed();
            if (const Agreements::Visit *made = latest.value(r.link())) {
                if (made->state == Agreements::VisitState::Skipped)
                    continue;
                if (made->state == Agreements::VisitState::Made) {
                    const Record *slip = onBoard.value(made->slipNo);
                    if (!slip || slip->text(SlipField::AcctNo).trimmed() != r.acctNo)
                        continue; // done, or no longer on the board
                    const QString date = slip->text(SlipField::SchedDate).trimmed();
                    const QString time = slip->text(SlipField::SchedTime).trimmed();
                    const auto day = Formats::parseShortDate(date);
                    if (!day || date == SlipValues::kNoDate)
                        continue; // left unscheduled: there is no day to remind of
                    r.day = *day;
                    r.time = time == SlipValues::kNoTime ? QString() : time;
                    const QString tech = slip->text(SlipField::AssignedTo).trimmed();
                    r.technician = tech == SlipValues::kNotAssigned ? QString() : tech;
                    r.slipNo = made->slipNo;
                }
            }
            if (r.day < first || r.day > last || queued.contains(r.link()))
                continue;
            out.push_back(r);
        }
    }
    std::stable_sort(out.begin(), out.end(), [](const Reminder &a, const Reminder &b) { return a.day < b.day; });
    return out;
}

std::vector<Reminder> due(const DataFolder &folder, const QDate &today, int days, const QSet<QString> &queued,
                          WorkWeek week)
{
    if (days <= 0)
        return {};
    return choose(Agreements::load(folder), Agreements::loadVisits(folder), LoadActiveSlips(folder), today, days,
                  queued, week);
}

QHash<QString, QString> fields(const Reminder &reminder, const QString &customerName, const QString &business)
{
    return {{QStringLiteral("Name"), customerName.trimmed()},
            {QStringLiteral("Date"),
             Formats::weekdayName(reminder.day) + QStringLiteral(", ") + Formats::shortDate(reminder.day)},
            {QStringLiteral("Time"),
             reminder.time.isEmpty() ? QStringLiteral("hours we will agree with you") : reminder.time},
            {QStringLiteral("Technician"),
             reminder.technician.isEmpty() ? QStringLiteral("named before the visit") : reminder.technician},
            {QStringLiteral("SlipNo"), reminder.slipNo ? QString::number(*reminder.slipNo) : QString()},
            {QStringLiteral("Business"), business.trimmed()}};
}

} // namespace VisitReminders
