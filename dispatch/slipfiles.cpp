#include "dispatch/slipfiles.h"

#include "core/datafolder.h"
#include "core/recordscan.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipvalues.h"

#include <stdexcept>

namespace {

const Record &checked(const Record &slip)
{
    // A record of another layout would shift every slip behind it in the file.
    if (slip.layout().length() != serviceSlipLayout().length())
        throw std::invalid_argument("a slip file holds only service slip records");
    return slip;
}

} // namespace

std::vector<Record> LoadActiveSlips(const DataFolder &folder)
{
    return folder.readRecords(SlipFiles::kActive, serviceSlipLayout());
}

void SaveActiveSlips(const DataFolder &folder, std::span<const Record> rows)
{
    std::vector<Record> active;
    std::vector<Record> completed;
    active.reserve(rows.size());
    for (const Record &row : rows) {
        if (checked(row).text(SlipField::Status) == SlipValues::kComplete)
            completed.push_back(row);
        else
            active.push_back(row);
    }
    // No completed row leaves the completed file as it is (and does not create it).
    folder.appendRecords(SlipFiles::kCompleted, completed);
    folder.replaceRecords(SlipFiles::kActive, active);
}

void RewriteActiveSlips(const DataFolder &folder, std::span<const MarkedSlip> rows)
{
    std::vector<Record> kept;
    kept.reserve(rows.size());
    for (const MarkedSlip &row : rows) {
        if (!row.marked)
            kept.push_back(checked(row.slip));
    }
    folder.replaceRecords(SlipFiles::kActive, kept);
}

bool isUnscheduled(const QString &date, const QString &time)
{
    const QString d = date.trimmed();
    const QString t = time.trimmed();
    return d.isEmpty() || d == SlipValues::kNoDate || t.isEmpty() || t == SlipValues::kNoTime;
}

void DeleteActiveSlips(const DataFolder &folder)
{
    folder.deleteWithBackup(SlipFiles::kActive);
}

void AppendSlip(const DataFolder &folder, const Record &slip)
{
    folder.appendRecord(SlipFiles::kActive, checked(slip));
}

bool IsSlotBooked(const DataFolder &folder, const QString &assignment, const QString &date, const QString &time,
                  int skip)
{
    // A slip without a date or without a time is not scheduled: it holds no slot and clashes with nothing.
    if (isUnscheduled(date, time))
        return false;
    const auto wantedAssignment = storedBytes(assignment);
    const auto wantedDate = storedBytes(date);
    const auto wantedTime = storedBytes(time);
    if (!wantedAssignment || !wantedDate || !wantedTime)
        return false;
    const RecordScan slips(folder, SlipFiles::kActive, serviceSlipLayout());
    for (int i = 0; i < slips.count(); ++i) {
        if (i + 1 == skip)
            continue;
        if (slips.trimmed(i, SlipField::AssignedTo) == *wantedAssignment &&
            slips.trimmed(i, SlipField::SchedDate) == *wantedDate &&
            slips.trimmed(i, SlipField::SchedTime) == *wantedTime)
            return true;
    }
    return false;
}
