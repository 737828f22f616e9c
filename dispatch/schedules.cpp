#include "dispatch/schedules.h"

#include "core/cp1252.h"
#include "core/datafolder.h"
#include "core/recordscan.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipvalues.h"

#include <QHash>
#include <QtEndian>

namespace Schedules {

std::vector<std::optional<Job>> LoadSchedule(const DataFolder &folder, const QStringList &names)
{
    std::vector<std::optional<Job>> jobs(std::size_t(names.size()));
    // Several rows may carry one name; each of them shows the name's job.
    QHash<QByteArray, QList<int>> rowsOf;
    for (int i = 0; i < names.size(); ++i) {
        if (const auto bytes = storedBytes(names[i]); bytes && !bytes->isEmpty())
            rowsOf[*bytes].append(i);
    }
    if (rowsOf.isEmpty())
        return jobs;
    const RecordScan slips(folder, SlipFiles::kActive, serviceSlipLayout());
    const QByteArray inProgress = Cp1252::encode(SlipValues::kInProgress);
    const auto text = [&slips](int index, int field) {
        const QByteArrayView bytes = slips.trimmed(index, field);
        return Cp1252::decode(bytes.data(), bytes.size());
    };
    for (int i = 0; i < slips.count(); ++i) {
        if (slips.trimmed(i, SlipField::Status) != inProgress)
            continue;
        const auto rows = rowsOf.constFind(slips.trimmed(i, SlipField::AssignedTo).toByteArray());
        if (rows == rowsOf.constEnd())
            continue;
        Job job;
        job.siteTelephone = text(i, SlipField::SiteTelephone);
        job.siteCell = text(i, SlipField::SiteCell);
        job.slipNo =
            QString::number(qFromLittleEndian<qint16>(slips.at(i) + serviceSlipLayout().offset(SlipField::SlipNo)));
        job.customer = text(i, SlipField::SiteName);
        job.date = text(i, SlipField::SchedDate);
        job.time = text(i, SlipField::SchedTime);
        for (int row : *rows)
            jobs[std::size_t(row)] = job; // a later slip replaces an earlier one
    }
    return jobs;
}

std::optional<Call> callFor(const QStringList &row, int column)
{
    if (column < CellNo || column > SiteCell)
        return std::nullopt;
    const QString number = row.value(column).trimmed();
    if (number.isEmpty())
        return std::nullopt;
    return Call{column == CellNo ? row.value(Assignment).trimmed() : kCallingJobSite, number};
}

} // namespace Schedules
