#include "dispatch/slipstore.h"

#include "core/datafolder.h"
#include "core/diskerror.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipvalues.h"

#include <QCryptographicHash>
#include <QDir>
#include <QSet>
#include <QtEndian>
#include <deque>
#include <map>
#include <optional>
#include <stdexcept>

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

bool isComplete(const Record &slip)
{
    return slip.text(SlipField::Status) == SlipValues::kComplete;
}

} // namespace

std::vector<SlipStore::NotKept> SlipStore::save(std::span<const Held> held, Completed completedRows) const
{
    settle();
    for (const Held &h : held) {
        checked(h.loaded);
        checked(h.mine);
    }
    // The held slips by identity; a slip held twice (damaged data) matches the stored ones in order.
    std::map<SlipIdentity, std::deque<std::size_t>> heldOf;
    for (std::size_t i = 0; i < held.size(); ++i)
        heldOf[slipIdentity(held[i].loaded)].push_back(i);
    std::vector<bool> matched(held.size(), false);
    std::vector<NotKept> notKept;
    std::vector<Record> active, completed;
    for (Record &stored : LoadActiveSlips(m_folder)) {
        auto it = heldOf.find(slipIdentity(stored));
        if (it == heldOf.end() || it->second.empty()) {
            active.push_back(std::move(stored)); // stored since, or not the window's: stays as it is
            continue;
        }
        const std::size_t at = it->second.front();
        it->second.pop_front();
        const Held &h = held[at];
        matched[at] = true;
        if (h.drop)
            continue;
        Record written = stored;
        if (h.mine == h.loaded || h.mine == stored) {
            // Nothing of the window's to write, or it is stored already.
        } else if (stored == h.loaded) {
            written = h.mine;
        } else {
            notKept.push_back({h.loaded, h.mine, stored}); // another writer's change since the window read it
        }
        if (completedRows == Completed::Move && isComplete(written))
            completed.push_back(std::move(written));
        else
            active.push_back(std::move(written));
    }
    // Held slips that have left the active file (completed from a phone, deleted by another window) are not
    // written back into it.
    for (std::size_t i = 0; i < held.size(); ++i) {
        if (!matched[i] && !held[i].drop && !(held[i].mine == held[i].loaded))
            notKept.push_back({held[i].loaded, held[i].mine, std::nullopt});
    }
    writeBoth(active, completed);
    // A window says its slips are saved only once the active file reads back as written.
    QByteArray written;
    for (const Record &r : active)
        written += r.bytes();
    if (m_folder.readAll(SlipFiles::kActive) != written)
        throw DiskError(QStringLiteral("The Service Slips were written to %1 but do not read back as written. Open "
                                       "the Dispatch Board again and look at the slips before anything else is "
                                       "changed.")
                            .arg(QDir::toNativeSeparators(m_folder.path(SlipFiles::kActive))));
    return notKept;
}

void SlipStore::saveWhole(std::span<const Record> rows) const
{
    settle();
    std::vector<Record> active, completed;
    for (const Record &row : rows)
        (isComplete(row) ? completed : active).push_back(row); // writeBoth checks the layouts
    writeBoth(active, completed);
}

void SlipStore::append(std::span<const Record> slips) const
{
    settle();
    for (const Record &slip : slips)
        checked(slip);
    if (slips.size() == 1)
        m_folder.appendRecord(SlipFiles::kActive, slips.front());
    else
        m_folder.appendRecords(SlipFiles::kActive, std::vector<Record>(slips.begin(), slips.end()));
}

void SlipStore::removeCompleted(const std::set<int> &recordNumbers) const
{
    if (recordNumbers.empty())
        return;
    settle();
    const std::vector<Record> records = m_folder.readRecords(SlipFiles::kCompleted, serviceSlipLayout());
    std::vector<Record> kept;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (!recordNumbers.contains(int(i) + 1))
            kept.push_back(records[i]);
    }
    if (kept.size() != records.size())
        m_folder.replaceRecords(SlipFiles::kCompleted, kept);
}

void SlipStore::removeCompleted(const std::vector<QByteArray> &taken) const
{
    std::vector<Record> records = m_folder.readRecords(SlipFiles::kCompleted, serviceSlipLayout());
    std::vector<bool> drop(records.size(), false);
    bool any = false;
    for (const QByteArray &bytes : taken) {
        for (std::size_t i = 0; i < records.size(); ++i) {
            if (!drop[i] && records[i].bytes() == bytes) {
                drop[i] = true;
                any = true;
                break;
            }
        }
    }
    if (!any)
        return;
    std::vector<Record> kept;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (!drop[i])
            kept.push_back(std::move(records[i]));
    }
    m_folder.replaceRecords(SlipFiles::kCompleted, kept);
}

void SlipStore::appendFinalized(std::span<const Record> slips) const
{
    for (const Record &slip : slips)
        checked(slip);
    settle();
    m_folder.appendRecords(SlipFiles::kFinalized, std::vector<Record>(slips.begin(), slips.end()));
}

void SlipStore::writeFinalizedAt(qint64 offset, const QByteArray &records) const
{
    if (records.size() % serviceSlipLayout().length() != 0)
        throw std::invalid_argument("the finalized slips file holds only service slip records");
    m_folder.writeInPlace(SlipFiles::kFinalized, offset, records, DataFolder::Flush::Skip);
}

void SlipStore::replaceFile(const QString &file, const std::vector<Record> &records) const
{
    if (slipFileNamed(file.mid(1)) != file)
        throw std::invalid_argument("not a slip file");
    for (const Record &r : records)
        checked(r);
    m_folder.replaceRecords(file, records);
}

void SlipStore::writeAsGiven(const QString &file, const QByteArray &bytes, DataFolder::Flush flush) const
{
    if (slipFileNamed(file.mid(1)) != file)
        throw std::invalid_argument("not a slip file");
    m_folder.writeFile(file, bytes, flush);
}

QString SlipStore::slipFileNamed(const QString &fileName)
{
    for (const QString &file : {SlipFiles::kActive, SlipFiles::kCompleted, SlipFiles::kFinalized}) {
        if (file.mid(1).compare(fileName, Qt::CaseInsensitive) == 0)
            return file;
    }
    return {};
}

void SlipStore::writeBoth(const std::vector<Record> &active, const std::vector<Record> &completed) const
{
    const DataFolder &folder = m_folder;
    for (const Record &row : active)
        checked(row);
    for (const Record &row : completed)
        checked(row);
    // No completed row leaves the completed file as it is (and does not create it): one file, replaced whole.
    if (completed.empty()) {
        folder.replaceRecords(SlipFiles::kActive, active);
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
        folder.appendRecords(SlipFiles::kCompleted, completed);
    } catch (const DiskError &) {
        // The append cut itself back: the save did nothing.
        folder.deleteFile(SlipFiles::kBoardJournal);
        throw;
    }
    // A kill from here on leaves the journal, and the next start completes the save. A failure the user is told
    // about takes the completed slips back out, so that the save did nothing.
    try {
        folder.replaceRecords(SlipFiles::kActive, active);
    } catch (const DiskError &e) {
        try {
            settle();
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

SlipStore::Settled SlipStore::settle() const
{
    const DataFolder &folder = m_folder;
    if (folder.fileSize(SlipFiles::kBoardJournal) < 0)
        return Settled::Nothing;
    Settled settled = Settled::Nothing;
    if (const auto journal = parseBoardJournal(folder.readAll(SlipFiles::kBoardJournal))) {
        const QByteArray stored = folder.readAll(SlipFiles::kCompleted);
        const qint64 added = stored.size() - journal->completedSize;
        const bool holdsSave = added > 0 && added <= journal->completed.size() &&
                               stored.mid(journal->completedSize) == journal->completed.left(added);
        if (holdsSave && added == journal->completed.size() && folder.readAll(SlipFiles::kActive) == journal->active) {
            settled = Settled::Completed;
        } else if (holdsSave) {
            cutCompletedBack(folder, journal->completedSize);
            settled = Settled::TakenBack;
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
            SlipStore(folder).replaceFile(SlipFiles::kActive, slipRecords(journal->active));
    }
    folder.deleteFile(SlipFiles::kBoardJournal);
    return fits;
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
    SlipStore(folder).replaceFile(SlipFiles::kActive, kept);
    return numbers;
}
