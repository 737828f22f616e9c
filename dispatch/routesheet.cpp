#include "dispatch/routesheet.h"

#include "core/datafolder.h"
#include "core/formats.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipcreation.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipvalues.h"

#include <algorithm>
#include <map>

using namespace SlipField;

namespace RouteSheet {

namespace {

// A slot's place in the day: by its first hour, a single hour before a range starting then; "None" last.
int slotOrder(const QString &slot)
{
    const auto hours = slotHours(slot);
    return hours ? hours->start * 100 + (hours->end - hours->start) : 9999;
}

RouteStop stopOf(const Record &s)
{
    RouteStop stop;
    stop.time = s.text(SchedTime);
    stop.slipNo = QString::number(s.int16(SlipNo));
    stop.priority = s.text(Priority);
    stop.status = s.text(Status);
    stop.customer = s.text(Name);
    stop.customerTelephone = s.text(Telephone);
    const QString place =
        QStringList{s.text(SiteCity), s.text(SiteState), s.text(SitePostalCode)}.join(QLatin1Char(' ')).simplified();
    for (const QString &line : {s.text(SiteName), s.text(SiteAddress1), s.text(SiteAddress2), place}) {
        if (!line.isEmpty())
            stop.location << line;
    }
    stop.locationTelephone = s.text(SiteTelephone);
    stop.locationCell = s.text(SiteCell);
    stop.serviceRequired = s.text(ServiceRequired);
    return stop;
}

} // namespace

std::vector<RouteSheetDay> days(const std::vector<Record> &slips, const QStringList &technicians,
                                const QString &technician, const QDate &date)
{
    const bool all = technician.isEmpty() || technician == kAllTechnicians;
    std::map<QString, std::vector<const Record *>> byTechnician;
    for (const Record &s : slips) {
        const QString name = s.text(AssignedTo);
        if (name.isEmpty() || name == SlipValues::kNotAssigned || (!all && name != technician.trimmed()))
            continue;
        const QString status = s.text(Status);
        if (status == SlipValues::kComplete || status == SlipValues::kFinalized)
            continue;
        const QString sched = s.text(SchedDate);
        if (sched == SlipValues::kNoDate || Formats::parseShortDate(sched) != date)
            continue;
        byTechnician[name].push_back(&s);
    }
    // The assignment list's order first, then names it does not hold.
    QStringList order;
    for (const QString &name : technicians) {
        if (byTechnician.count(name) && !order.contains(name))
            order << name;
    }
    for (const auto &[name, list] : byTechnician) {
        if (!order.contains(name))
            order << name;
    }
    std::vector<RouteSheetDay> out;
    for (const QString &name : order) {
        std::vector<const Record *> list = byTechnician[name];
        std::stable_sort(list.begin(), list.end(), [](const Record *a, const Record *b) {
            const int x = slotOrder(a->text(SchedTime));
            const int y = slotOrder(b->text(SchedTime));
            return x != y ? x < y : a->int16(SlipNo) < b->int16(SlipNo);
        });
        RouteSheetDay day{name, date, {}};
        for (const Record *s : list)
            day.stops.push_back(stopOf(*s));
        out.push_back(std::move(day));
    }
    return out;
}

std::vector<RouteSheetDay> days(const DataFolder &folder, const QStringList &technicians, const QString &technician,
                                const QDate &date)
{
    if (!folder.fileExists(SlipFiles::kActive))
        return {};
    return days(LoadActiveSlips(folder), technicians, technician, date);
}

QString nothingScheduled(const QString &technician, const QDate &date)
{
    const bool all = technician.isEmpty() || technician == kAllTechnicians;
    return QStringLiteral("No slip is scheduled for %1 on %2")
        .arg(all ? QStringLiteral("any technician") : technician,
             Formats::weekdayName(date) + QStringLiteral(", ") + Formats::shortDate(date));
}

} // namespace RouteSheet
