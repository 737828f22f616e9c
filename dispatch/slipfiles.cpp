#include "dispatch/slipfiles.h"

#include "core/cp1252.h"
#include "core/datafolder.h"
#include "core/recordscan.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipvalues.h"

#include <QtEndian>
#include <set>
#include <tuple>

std::vector<Record> LoadActiveSlips(const DataFolder &folder)
{
    return folder.readRecords(SlipFiles::kActive, serviceSlipLayout());
}

SlipIdentity slipIdentity(const Record &slip)
{
    return {slip.int16(SlipField::SlipNo), slip.real(SlipField::DateReceived), slip.text(SlipField::AcctNo)};
}

std::vector<std::pair<int, int>> completedLeftOnBoard(const DataFolder &folder)
{
    std::vector<std::pair<int, int>> found;
    if (folder.fileSize(SlipFiles::kActive) < 0 || folder.fileSize(SlipFiles::kCompleted) < 0)
        return found;
    std::set<SlipIdentity> completed;
    for (const Record &r : folder.readRecords(SlipFiles::kCompleted, serviceSlipLayout()))
        completed.insert(slipIdentity(r));
    const std::vector<Record> active = LoadActiveSlips(folder);
    for (std::size_t i = 0; i < active.size(); ++i) {
        if (completed.count(slipIdentity(active[i])))
            found.emplace_back(int(i) + 1, active[i].int16(SlipField::SlipNo));
    }
    return found;
}

int lastActiveSlipNumber(const DataFolder &folder)
{
    const int count = folder.recordCount(SlipFiles::kActive, serviceSlipLayout().length());
    if (count < 1)
        return 0;
    const auto last = folder.readRecord(SlipFiles::kActive, serviceSlipLayout(), count);
    return last ? last->int16(SlipField::SlipNo) : 0;
}

int highestSlipNumber(const DataFolder &folder)
{
    // Read at every start: the numbers are taken from the bytes, without building a record of each slip.
    int highest = 0;
    const int offset = serviceSlipLayout().offset(SlipField::SlipNo);
    for (const QString &file : {SlipFiles::kActive, SlipFiles::kCompleted, SlipFiles::kFinalized}) {
        const RecordScan slips(folder, file, serviceSlipLayout());
        for (int i = 0; i < slips.count(); ++i)
            highest = std::max<int>(highest, qFromLittleEndian<qint16>(slips.at(i) + offset));
    }
    return highest;
}

bool IsSlotBooked(const DataFolder &folder, const QString &assignment, const QString &date, const QString &time,
                  int skip)
{
    // A slip that takes no slot clashes with nothing: the file need not be read.
    if (!slotKey({assignment, date, time}))
        return false;
    return IsSlotBooked(RecordScan(folder, SlipFiles::kActive, serviceSlipLayout()), assignment, date, time, skip);
}

bool IsSlotBooked(const RecordScan &slips, const QString &assignment, const QString &date, const QString &time,
                  int skip)
{
    const BookedSlot wanted{assignment, date, time};
    if (!slotKey(wanted))
        return false;
    // Only a record with these very bytes of assignment and time can take the slot; they are looked for in the
    // file's bytes first, and the booking rule decides on the date.
    const auto wantedAssignment = storedBytes(assignment);
    const auto wantedTime = storedBytes(time);
    if (!wantedAssignment || !wantedTime)
        return false;
    for (int i = 0; i < slips.count(); ++i) {
        if (i + 1 == skip)
            continue;
        if (slips.fieldIs(i, SlipField::AssignedTo, *wantedAssignment) &&
            slips.fieldIs(i, SlipField::SchedTime, *wantedTime)) {
            const QByteArrayView stored = slips.trimmed(i, SlipField::SchedDate);
            if (takeSameSlot(wanted, {assignment, Cp1252::decode(stored.data(), stored.size()), time}))
                return true;
        }
    }
    return false;
}
