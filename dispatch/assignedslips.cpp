#include "dispatch/assignedslips.h"

#include "accounts/assignmentfile.h"
#include "accounts/assignmentrecord.h"
#include "core/cp1252.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/recordjournal.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipstore.h"

#include <QSet>
#include <algorithm>

namespace AssignedSlips {

namespace {

const QByteArray kMagic("VDAR1");
constexpr int kNameBytes = 30;

// The journal: magic, the record number, the assignment file's length it was written for, the old name
// (30 bytes, blank-padded), the new record, a checksum.
QByteArray journalBytes(int number, qint64 fileSize, const QString &oldName, const Record &record)
{
    const QByteArray name = Cp1252::encode(oldName.trimmed()).leftJustified(kNameBytes, ' ', true);
    return RecordJournal::bytes(kMagic, {number, fileSize, name + record.bytes()});
}

struct Journal
{
    int number = 0;
    qint64 fileSize = 0;
    QString oldName;
    QByteArray record;
};

std::optional<Journal> parseJournal(const QByteArray &bytes)
{
    const int length = assignmentLayout().length();
    const auto entry = RecordJournal::parse(kMagic, bytes, kNameBytes + length);
    if (!entry)
        return std::nullopt;
    return Journal{entry->number, entry->fileSize, Cp1252::decode(entry->payload.left(kNameBytes)).trimmed(),
                   entry->payload.mid(kNameBytes, length)};
}

// Gives the slips of oldName the new name; true when a slip changed (the board file was rewritten).
bool renameSlips(const DataFolder &folder, const QString &oldName, const QString &newName)
{
    std::vector<SlipStore::Held> renamed;
    for (const Record &slip : LoadActiveSlips(folder)) {
        if (isAssignedTo(slip, oldName) && oldName != newName) {
            renamed.push_back({slip, slip, false});
            renamed.back().mine.setText(SlipField::AssignedTo, newName);
        }
    }
    if (!renamed.empty())
        SlipStore(folder).save(renamed, SlipStore::Completed::Stay);
    return !renamed.empty();
}

void apply(const DataFolder &folder, int number, const Record &record, const QString &oldName)
{
    renameSlips(folder, oldName, record.text(AssignmentField::Name));
    WriteAssignment(folder, number, record);
}

} // namespace

bool isAssignedTo(const Record &slip, const QString &name)
{
    const QString wanted = name.trimmed();
    return !wanted.isEmpty() && slip.text(SlipField::AssignedTo) == wanted;
}

int countActive(const DataFolder &folder, const QString &name)
{
    const std::vector<Record> slips = LoadActiveSlips(folder);
    return int(
        std::count_if(slips.cbegin(), slips.cend(), [&](const Record &slip) { return isAssignedTo(slip, name); }));
}

std::vector<std::pair<int, QString>> unknownAssignments(const std::vector<Record> &activeSlips,
                                                        const QStringList &assignmentNames)
{
    const QSet<QString> known(assignmentNames.cbegin(), assignmentNames.cend());
    std::vector<std::pair<int, QString>> out;
    for (std::size_t i = 0; i < activeSlips.size(); ++i) {
        const QString name = activeSlips[i].text(SlipField::AssignedTo);
        if (!name.isEmpty() && name != AssignmentFile::kNotAssigned && name != AssignmentFile::kNone &&
            !known.contains(name))
            out.emplace_back(int(i) + 1, name);
    }
    return out;
}

void renameAssignment(const DataFolder &folder, int number, const Record &record, const QString &oldName)
{
    recoverRename(folder);
    folder.writeFile(kRenameJournal, journalBytes(number, folder.fileSize(AssignmentFile::kPath), oldName, record));
    const QString newName = record.text(AssignmentField::Name);
    bool slipsRenamed = false;
    try {
        slipsRenamed = renameSlips(folder, oldName, newName);
        WriteAssignment(folder, number, record);
    } catch (const DiskError &e) {
        // Nothing changed: the rename the user is told failed must not be completed at the next start.
        if (!slipsRenamed) {
            folder.deleteFile(kRenameJournal);
            throw;
        }
        throw DiskError(e.message().section(QLatin1Char('\n'), 0, 0) +
                        QStringLiteral("\r\nThe Service Slips given to %1 already name %2; the assignment is renamed "
                                       "when it is saved again, or at the next start.")
                            .arg(oldName.trimmed(), newName));
    }
    folder.deleteFile(kRenameJournal);
}

std::optional<PendingRename> pendingRename(const DataFolder &folder)
{
    if (folder.fileSize(kRenameJournal) < 0)
        return std::nullopt;
    PendingRename pending;
    const auto journal = parseJournal(folder.readAll(kRenameJournal));
    if (!journal)
        return pending;
    const Record record(assignmentLayout(), journal->record);
    pending.number = journal->number;
    pending.oldName = journal->oldName;
    pending.newName = record.text(AssignmentField::Name);
    const qint64 size = folder.fileSize(AssignmentFile::kPath);
    pending.fits = journal->number >= 1 && size == journal->fileSize &&
                   qint64(journal->number) * assignmentLayout().length() <= size;
    return pending;
}

bool recoverRename(const DataFolder &folder)
{
    const auto pending = pendingRename(folder);
    if (!pending)
        return false;
    if (pending->fits) {
        const auto journal = parseJournal(folder.readAll(kRenameJournal));
        apply(folder, journal->number, Record(assignmentLayout(), journal->record), journal->oldName);
    }
    folder.deleteFile(kRenameJournal);
    return pending->fits;
}

} // namespace AssignedSlips
