#include "platform/fakes/recordingfileops.h"

#include "platform/fakes/crash.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>

namespace {

QString shortName(const QString &fullPath)
{
    static const QRegularExpression unique(QStringLiteral("\\.[0-9a-f]+\\.vdtmp$"));
    return QFileInfo(fullPath).fileName().replace(unique, QStringLiteral(".*.vdtmp"));
}

QByteArray bytesOf(const QString &fullPath)
{
    QFile file(fullPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

bool RecordingFileOps::enter(const QString &entry, qint64 halfWrite, int fd, const char *data)
{
    trace.append(entry);
    const int index = m_count++;
    if (index == m_stopAt) {
        m_struck = true;
        if (halfWrite > 0)
            m_disk.write(fd, data, halfWrite);
        throw Crash{};
    }
    const bool full = m_fullFrom >= 0 && index >= m_fullFrom;
    m_struck = m_struck || full;
    return full;
}

QStringList RecordingFileOps::unflushed() const
{
    QStringList paths(m_dirty.begin(), m_dirty.end());
    paths.sort();
    return paths;
}

void RecordingFileOps::loseUnflushed(const QStringList &fullPaths, bool torn)
{
    for (const QString &path : fullPaths) {
        const QByteArray now = bytesOf(path);
        QByteArray left = m_durable.value(path);
        if (torn && now.startsWith(left))
            left = now.left(left.size() + (now.size() - left.size()) / 2);
        QFile file(path);
        if (m_dirty.contains(path) && file.exists() && file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(left);
    }
}

int RecordingFileOps::open(const QString &fullPath, Open mode)
{
    const bool creates = mode == Open::CreateNew || mode == Open::Emptied || !QFileInfo::exists(fullPath);
    if (enter(QStringLiteral("open ") + shortName(fullPath)) && creates) {
        errno = ENOSPC;
        return -1;
    }
    if (!m_durable.contains(fullPath))
        m_durable.insert(fullPath, bytesOf(fullPath));
    const int fd = m_disk.open(fullPath, mode);
    if (fd >= 0) {
        m_open.insert(fd, fullPath);
        if (mode == Open::Emptied)
            m_dirty.insert(fullPath);
    }
    return fd;
}

qint64 RecordingFileOps::write(int fd, const char *data, qint64 size)
{
    const QString path = m_open.value(fd);
    if (enter(QStringLiteral("write ") + shortName(path), size / 2, fd, data)) {
        // The disk fills part way through the first write that finds it full.
        if (!m_halfWritten && size > 1) {
            m_halfWritten = true;
            size /= 2;
        } else {
            errno = ENOSPC;
            return -1;
        }
    }
    const qint64 written = m_disk.write(fd, data, size);
    if (written > 0) {
        m_dirty.insert(path);
        m_grown.insert(fd);
    }
    return written;
}

bool RecordingFileOps::flush(int fd)
{
    const QString path = m_open.value(fd);
    // Flushing what was newly written needs room; flushing a cut does not.
    if (enter(QStringLiteral("flush ") + shortName(path)) && m_grown.contains(fd)) {
        errno = ENOSPC;
        return false;
    }
    if (!m_disk.flush(fd))
        return false;
    m_grown.remove(fd);
    m_dirty.remove(path);
    m_durable.insert(path, bytesOf(path));
    return true;
}

bool RecordingFileOps::truncate(int fd, qint64 size)
{
    const QString path = m_open.value(fd);
    enter(QStringLiteral("truncate ") + shortName(path));
    m_grown.remove(fd);
    m_dirty.insert(path);
    return m_disk.truncate(fd, size);
}

void RecordingFileOps::close(int fd)
{
    enter(QStringLiteral("close ") + shortName(m_open.value(fd)));
    m_open.remove(fd);
    m_grown.remove(fd);
    m_disk.close(fd);
}

bool RecordingFileOps::rename(const QString &from, const QString &to)
{
    enter(QStringLiteral("rename %1 %2").arg(shortName(from), shortName(to)));
    if (!m_disk.rename(from, to))
        return false;
    // The name now stands for the renamed file: its unflushed bytes go with it.
    m_durable.insert(to, m_durable.take(from));
    m_dirty.remove(to);
    if (m_dirty.remove(from))
        m_dirty.insert(to);
    return true;
}

bool RecordingFileOps::remove(const QString &fullPath)
{
    enter(QStringLiteral("remove ") + shortName(fullPath));
    if (shortName(fullPath) == refuseRemoving) {
        errno = EACCES;
        return false;
    }
    m_durable.remove(fullPath);
    m_dirty.remove(fullPath);
    return m_disk.remove(fullPath);
}

void RecordingFileOps::flushFolderOf(const QString &fullPath)
{
    enter(QStringLiteral("flush-folder ") + shortName(fullPath));
    m_disk.flushFolderOf(fullPath);
}
