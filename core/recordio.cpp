#include "core/recordio.h"

#include "core/appendguard.h"
#include "core/diskerror.h"
#include "core/tornrecordtext.h"

#include <QFile>
#include <cerrno>
#include <limits>

int RecordIO::recordCountForSize(qint64 bytes, int recordLength)
{
    if (bytes <= 0 || recordLength <= 0)
        return 0;
    const qint64 whole = bytes / recordLength;
    const qint64 rest = bytes % recordLength;
    qint64 count = whole;
    if (2 * rest > recordLength || (2 * rest == recordLength && (whole % 2) == 1))
        ++count;
    return int(std::min<qint64>(count, std::numeric_limits<int>::max()));
}

namespace {

// A record added after part of a record would not line up with the others: the file must end in whole records.
void refuseTorn(const WholeFiles &folder, const QString &relative, int length, const QString &what)
{
    const qint64 size = folder.fileSize(relative);
    if (size > 0 && size % length != 0)
        throw DiskError(TornRecords::refusal(what, folder.path(relative), size, length));
}

} // namespace

int RecordIO::recordCount(const QString &relative, int recordLength) const
{
    if (!m_folder.fileExists(relative))
        return 0;
    return recordCountForSize(m_folder.fileSize(relative), recordLength);
}

std::vector<Record> RecordIO::readRecords(const QString &relative, const RecordLayout &layout) const
{
    std::vector<Record> records;
    if (!m_folder.fileExists(relative))
        return records;
    const QByteArray bytes = m_folder.readAll(relative);
    const int count = recordCountForSize(bytes.size(), layout.length());
    records.reserve(std::size_t(count));
    const qsizetype length = layout.length();
    for (int i = 0; i < count; ++i) {
        const qsizetype start = qsizetype(i) * length;
        records.emplace_back(layout, start < bytes.size() ? bytes.mid(start, length) : QByteArray());
    }
    return records;
}

std::optional<Record> RecordIO::readRecord(const QString &relative, const RecordLayout &layout, int number) const
{
    if (number < 1 || number > recordCount(relative, layout.length()))
        return std::nullopt;
    QFile file(m_folder.path(relative));
    if (!file.open(QIODevice::ReadOnly) || !file.seek(qint64(number - 1) * layout.length()))
        return Record(layout);
    return Record(layout, file.read(layout.length()));
}

void RecordIO::writeRecord(const QString &relative, int number, const Record &record) const
{
    const int length = record.layout().length();
    const int count = recordCount(relative, length);
    if (number < 1)
        number = count + 1;
    if (number <= count) {
        QByteArray bytes = m_folder.readAll(relative);
        const qsizetype end = qsizetype(number) * length;
        if (bytes.size() < end)
            bytes.resize(end, ' ');
        bytes.replace(qsizetype(number - 1) * length, length, record.bytes());
        m_folder.writeFile(relative, bytes);
        return;
    }
    refuseTorn(m_folder, relative, length, QStringLiteral("The record"));
    QByteArray bytes = record.bytes();
    const qsizetype gap = qsizetype(number - 1 - count) * length;
    if (gap > 0)
        bytes.prepend(QByteArray(gap, '\0'));
    m_folder.appendGuard().append(m_folder.path(relative), qint64(count) * length, bytes, QStringLiteral("The record"));
}

void RecordIO::appendRecords(const QString &relative, const std::vector<Record> &records) const
{
    if (records.empty())
        return;
    const int length = records.front().layout().length();
    const int count = recordCount(relative, length);
    refuseTorn(m_folder, relative, length, QStringLiteral("The records"));
    QByteArray bytes;
    bytes.reserve(qsizetype(records.size()) * length);
    for (const auto &r : records)
        bytes.append(r.bytes());
    m_folder.appendGuard().append(m_folder.path(relative), qint64(count) * length, bytes,
                                  QStringLiteral("The records"));
}

void RecordIO::writeInPlace(const QString &relative, qint64 offset, const QByteArray &bytes, FileIo::Flush flush,
                            bool endsFile) const
{
    const FileIo &io = m_folder.io();
    io.mayWrite();
    FileOps &ops = *io.ops;
    const QString full = m_folder.path(relative);
    const int fd = openForWriting(m_folder.paths(), io, full);
    const qint64 oldSize = descriptorSize(fd);
    const qint64 end = offset + bytes.size();
    if (oldSize >= 0 && seekDescriptor(fd, offset) && io.writeAll(fd, bytes) && (!endsFile || ops.truncate(fd, end)) &&
        (flush == FileIo::Flush::Skip || ops.flush(fd))) {
        ops.close(fd);
        return;
    }
    const int error = errno;
    if (oldSize >= 0 && descriptorSize(fd) > oldSize)
        ops.truncate(fd, oldSize);
    ops.close(fd);
    throw DiskError(QStringLiteral("The file %1 could not be written: %2.").arg(shownPath(full), diskErrorText(error)));
}

void RecordIO::replaceRecords(const QString &relative, const std::vector<Record> &records) const
{
    if (records.empty()) {
        m_folder.deleteWithBackup(relative);
        return;
    }
    QByteArray bytes;
    bytes.reserve(qsizetype(records.size()) * records.front().layout().length());
    for (const auto &r : records)
        bytes.append(r.bytes());
    m_folder.writeFile(relative, bytes);
    m_folder.deleteFile(DataPaths::backupPathOf(relative));
}

int RecordIO::rewriteWithout(const QString &relative, const RecordLayout &layout,
                             const std::function<bool(const Record &, int)> &drop, bool keepBackup) const
{
    const std::vector<Record> records = readRecords(relative, layout);
    QByteArray bytes;
    bytes.reserve(qsizetype(records.size()) * layout.length());
    int kept = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (drop(records[i], int(i) + 1))
            continue;
        bytes.append(records[i].bytes());
        ++kept;
    }
    // The rewritten file takes the old one's place even when it holds no record.
    m_folder.writeFile(relative, bytes);
    if (!keepBackup)
        m_folder.deleteFile(DataPaths::backupPathOf(relative));
    return kept;
}
