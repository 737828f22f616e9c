#include "dispatch/slipfiles.h"

#include "core/cp1252.h"
#include "core/datafolder.h"
#include "core/formats.h"
#include "core/recordscan.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipvalues.h"

#include "core/diskerror.h"

#include <QCryptographicHash>
#include <QDir>
#include <QSet>
#include <QtEndian>
#include <optional>
#include <set>
#include <stdexcept>
#include <tuple>

namespace {

const Record &checked(const Record &slip)
{
    // A record of another layout would shift every slip behind it in the file.
    if (slip.layout().length() != serviceSlipLayout().length())
        throw std::invalid_argument("a slip file holds only service slip records");
    return slip;
}

const QByteArray kBoardMagic("VDBOARD1");

// The board journal: magic, the completed file's length before the save, the completed records, the active
// records, then a SHA-1 of all that. Lengths as 64-bit little-endian numbers.
QByteArray boardJournal(qint64 completedSize, const QByteArray &completed, const QByteArray &active)
{
    QByteArray body = kBoardMagic;
    auto number = [&](qint64 n) {
        char b[8];
        qToLittleEndian<qint64>(n, b);
        body.append(b, 8);
    };
    number(completedSize);
    number(completed.size());
    body += completed;
    number(active.size());
    body += active;
    return body + QCryptographicHash::hash(body, QCryptographicHash::Sha1);
}

struct BoardJournal
{
    qint64 completedSize = 0;
    QByteArray completed;
    QByteArray active;
};

std::optional<BoardJournal> parseBoardJournal(const QByteArray &bytes)
{
    constexpr qsizetype kDigest = 20;
    const int length = serviceSlipLayout().length();
    if (bytes.size() < kBoardMagic.size() + 24 + kDigest || !bytes.startsWith(kBoardMagic))
        return std::nullopt;
    const QByteArray body = bytes.left(bytes.size() - kDigest);
    if (QCryptographicHash::hash(body, QCryptographicHash::Sha1) != bytes.right(kDigest))
        return std::nullopt;
    qsizetype at = kBoardMagic.size();
    auto number = [&]() -> qint64 {
        if (at + 8 > body.size())
            return -1;
        const qint64 n = qFromLittleEndian<qint64>(body.constData() + at);
        at += 8;
        return n;
    };
    BoardJournal j;
    j.completedSize = number();
    const qint64 completed = number();
    if (j.completedSize < 0 || completed < 0 || completed % length != 0 || at + completed > body.size())
        return std::nullopt;
    j.completed = body.mid(at, completed);
    at += completed;
    const qint64 active = number();
    if (active < 0 || active % length != 0 || at + active != body.size())
        return std::nullopt;
    j.active = body.mid(at, active);
    return j;
}

std::vector<Record> slipRecords(const QByteArray &bytes)
{
    const int length = serviceSlipLayout().length();
    std::vector<Record> out;
    for (qsizetype at = 0; at + length <= bytes.size(); at += length)
        out.emplace_back(serviceSlipLayout(), bytes.mid(at, length));
    return out;
}

// Cuts the completed file back to its length before a save; a file that held no record before goes.
void cutCompletedBack(const DataFolder &folder, qint64 length)
{
    if (length == 0)
        folder.deleteFile(SlipFiles::kCompleted);
    else
        folder.writeInPlace(SlipFiles::kCompleted, length, {}, DataFolder::Flush::ToDisk, true);
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
    SaveSlipFiles(folder, active, completed);
}

void SaveSlipFiles(const DataFolder &folder, std::span<const Record> active, std::span<const Record> completed)
{
    settleFailedBoardSave(folder);
    const std::vector<Record> activeRows(active.begin(), active.end());
    const std::vector<Record> completedRows(completed.begin(), completed.end());
    for (const Record &row : activeRows)
        checked(row);
    for (const Record &row : completedRows)
        checked(row);
    // No completed row leaves the completed file as it is (and does not create it): one file, replaced whole.
    if (completed.empty()) {
        folder.replaceRecords(SlipFiles::kActive, activeRows);
        return;
    }
    const int length = serviceSlipLayout().length();
    QByteArray completedBytes, activeBytes;
    for (const Record &r : completed)
        completedBytes += r.bytes();
    for (const Record &r : active)
        activeBytes += r.bytes();
    folder.fileExists(SlipFiles::kCompleted); // a missing file is restored from /Backup first, as appending does
    const qint64 size = std::max<qint64>(0, folder.fileSize(SlipFiles::kCompleted));
    const qint64 offset = qint64(DataFolder::recordCountForSize(size, length)) * length;
    folder.writeFile(SlipFiles::kBoardJournal, boardJournal(offset, completedBytes, activeBytes));
    try {
        folder.appendRecords(SlipFiles::kCompleted, completedRows);
    } catch (const DiskError &) {
        // The append cut itself back: the save did nothing.
        folder.deleteFile(SlipFiles::kBoardJournal);
        throw;
    }
    // A kill from here on leaves the journal, and the next start completes the save. A failure the user is told
    // about takes the completed slips back out, so that the save did nothing.
    try {
        folder.replaceRecords(SlipFiles::kActive, activeRows);
    } catch (const DiskError &e) {
        try {
            settleFailedBoardSave(folder);
        } catch (const DiskError &) {
            throw DiskError(e.message().section(QLatin1Char('\n'), 0, 0) +
                            QStringLiteral("\r\nThe Service Slips marked Complete were already added to %1 and could "
                                           "not be taken out of it again; %2 still holds them as before. They are "
                                           "taken out before the next change to the slips. Save the board again "
                                           "once there is room on the disk.")
                                .arg(QDir::toNativeSeparators(folder.path(SlipFiles::kCompleted)),
                                     QDir::toNativeSeparators(folder.path(SlipFiles::kActive))));
        }
        throw;
    }
    try {
        folder.deleteFile(SlipFiles::kBoardJournal);
    } catch (const DiskError &) {
        // Both files are written: a journal left behind is found complete and removed before the next write.
    }
}

BoardSaveSettled settleFailedBoardSave(const DataFolder &folder)
{
    if (folder.fileSize(SlipFiles::kBoardJournal) < 0)
        return BoardSaveSettled::Nothing;
    BoardSaveSettled settled = BoardSaveSettled::Nothing;
    if (const auto journal = parseBoardJournal(folder.readAll(SlipFiles::kBoardJournal))) {
        const QByteArray stored = folder.readAll(SlipFiles::kCompleted);
        const qint64 added = stored.size() - journal->completedSize;
        const bool holdsSave = added > 0 && added <= journal->completed.size() &&
                               stored.mid(journal->completedSize) == journal->completed.left(added);
        if (holdsSave && added == journal->completed.size() && folder.readAll(SlipFiles::kActive) == journal->active) {
            settled = BoardSaveSettled::Completed;
        } else if (holdsSave) {
            cutCompletedBack(folder, journal->completedSize);
            settled = BoardSaveSettled::TakenBack;
        }
    }
    folder.deleteFile(SlipFiles::kBoardJournal);
    return settled;
}

bool finishInterruptedBoardSave(const DataFolder &folder)
{
    if (folder.fileSize(SlipFiles::kBoardJournal) < 0)
        return false;
    const auto journal = parseBoardJournal(folder.readAll(SlipFiles::kBoardJournal));
    // A journal cut short or damaged was never acted on: the save had not begun.
    bool fits = journal.has_value();
    if (fits) {
        const qint64 size = std::max<qint64>(0, folder.fileSize(SlipFiles::kCompleted));
        const qint64 end = journal->completedSize + journal->completed.size();
        const QByteArray stored = folder.readAll(SlipFiles::kCompleted);
        const bool appended = size == end && stored.mid(journal->completedSize) == journal->completed;
        fits = appended || (size >= journal->completedSize && size <= end);
        if (fits && !appended) {
            // Back to where the save began, then the whole append again.
            QByteArray content = stored.left(journal->completedSize) + journal->completed;
            folder.writeFile(SlipFiles::kCompleted, content);
        }
        if (fits)
            folder.replaceRecords(SlipFiles::kActive, slipRecords(journal->active));
    }
    folder.deleteFile(SlipFiles::kBoardJournal);
    return fits;
}

std::vector<std::pair<int, int>> completedLeftOnBoard(const DataFolder &folder)
{
    std::vector<std::pair<int, int>> found;
    if (folder.fileSize(SlipFiles::kActive) < 0 || folder.fileSize(SlipFiles::kCompleted) < 0)
        return found;
    // A slip is known by its number, the moment it was received and its account: a number alone may come
    // again after the counter was set back in the setup screen, and that is another job.
    auto identity = [](const Record &r) {
        return std::tuple(r.int16(SlipField::SlipNo), r.real(SlipField::DateReceived), r.text(SlipField::AcctNo));
    };
    std::set<decltype(identity(std::declval<Record>()))> completed;
    for (const Record &r : folder.readRecords(SlipFiles::kCompleted, serviceSlipLayout()))
        completed.insert(identity(r));
    const std::vector<Record> active = LoadActiveSlips(folder);
    for (std::size_t i = 0; i < active.size(); ++i) {
        if (completed.count(identity(active[i])))
            found.emplace_back(int(i) + 1, active[i].int16(SlipField::SlipNo));
    }
    return found;
}

std::vector<int> removeCompletedLeftOnBoard(const DataFolder &folder)
{
    const auto pairs = completedLeftOnBoard(folder);
    std::vector<int> numbers;
    if (pairs.empty())
        return numbers;
    QSet<int> records;
    for (const auto &[record, number] : pairs) {
        records.insert(record);
        numbers.push_back(number);
    }
    std::vector<Record> kept;
    const std::vector<Record> active = LoadActiveSlips(folder);
    for (std::size_t i = 0; i < active.size(); ++i) {
        if (!records.contains(int(i) + 1))
            kept.push_back(active[i]);
    }
    folder.replaceRecords(SlipFiles::kActive, kept);
    return numbers;
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

void RewriteActiveSlips(const DataFolder &folder, std::span<const MarkedSlip> rows)
{
    settleFailedBoardSave(folder);
    std::vector<Record> kept;
    kept.reserve(rows.size());
    for (const MarkedSlip &row : rows) {
        if (!row.marked)
            kept.push_back(checked(row.slip));
    }
    folder.replaceRecords(SlipFiles::kActive, kept);
}

void DeleteActiveSlips(const DataFolder &folder)
{
    settleFailedBoardSave(folder);
    folder.deleteWithBackup(SlipFiles::kActive);
}

void AppendSlip(const DataFolder &folder, const Record &slip)
{
    settleFailedBoardSave(folder);
    folder.appendRecord(SlipFiles::kActive, checked(slip));
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
