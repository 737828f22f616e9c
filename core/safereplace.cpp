#include "core/safereplace.h"

#include "core/diskerror.h"

#include <QFile>
#include <QHash>
#include <QRandomGenerator>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

const QString kTemporarySuffix = QStringLiteral(".vdtmp");

[[noreturn]] void notWritten(const QString &fullPath, int error)
{
    throw DiskError(QStringLiteral("The file %1 could not be written: %2.\nWhat was stored before is unchanged.")
                        .arg(shownPath(fullPath), diskErrorText(error)));
}

} // namespace

// A temporary name of its own in the file's folder, created here so that no other writer can take it.
int SafeReplace::createTemporary(const QString &fullPath, QString *temporary) const
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate = fullPath + QLatin1Char('.') +
                                  QString::number(QRandomGenerator::global()->generate() & 0xFFFFFF, 16) +
                                  kTemporarySuffix;
        const int fd = m_io.ops->open(candidate, FileOps::Open::CreateNew);
        if (fd >= 0 || errno != EEXIST) {
            *temporary = candidate;
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

void SafeReplace::replace(const QString &fullPath, const QByteArray &content, FileIo::Flush flush) const
{
    m_io.mayWrite();
    m_paths.makeFolderOf(fullPath);
    FileOps &ops = *m_io.ops;
    QString temporary;
    int fd = -1;
    try {
        m_io.step("write", fullPath);
        fd = createTemporary(fullPath, &temporary);
        if (fd < 0) {
            temporary.clear();
            notWritten(fullPath, errno);
        }
        if (!m_io.writeAll(fd, content))
            notWritten(fullPath, errno);
        m_io.step("sync", fullPath);
        if (flush == FileIo::Flush::ToDisk && !ops.flush(fd))
            notWritten(fullPath, errno);
        ops.close(fd);
        fd = -1;
        m_io.step("rename", fullPath);
        m_io.mayWrite(); // asked again: the writing may have taken long
        if (!ops.rename(temporary, fullPath))
            notWritten(fullPath, errno);
    } catch (const DiskError &) {
        // A failure before the rename: this write's temporary file goes with it.
        const int error = errno;
        if (fd >= 0)
            ops.close(fd);
        if (!temporary.isEmpty())
            ops.remove(temporary);
        errno = error;
        throw;
    }
    m_paths.noteAdded(fullPath);
    if (flush == FileIo::Flush::ToDisk)
        ops.flushFolderOf(fullPath);
}

void SafeReplace::remove(const QString &fullPath) const
{
    if (!QFileInfo(fullPath).isFile())
        return;
    m_io.mayWrite();
    m_io.step("delete", fullPath);
    if (!m_io.ops->remove(fullPath))
        throw DiskError(
            QStringLiteral("The file %1 could not be deleted: %2").arg(shownPath(fullPath), diskErrorText(errno)));
    m_paths.noteRemoved(fullPath);
}

void SafeReplace::rename(const QString &from, const QString &to) const
{
    m_io.mayWrite();
    m_io.step("rename", to);
    if (!m_io.ops->rename(from, to)) {
        throw DiskError(QStringLiteral("The file %1 could not be renamed to %2: %3")
                            .arg(shownPath(from), shownPath(to), diskErrorText(errno)));
    }
    m_paths.noteRemoved(from);
    m_paths.noteAdded(to);
    m_io.ops->flushFolderOf(to);
}

bool SafeReplace::isTemporaryName(const QString &fileName)
{
    // "<name>.<hex>.vdtmp", and the older shared "<name>.vdtmp"
    return fileName.endsWith(kTemporarySuffix) && fileName.size() > kTemporarySuffix.size();
}

QStringList SafeReplace::leftoverTemporaries(const QDateTime &olderThan) const
{
    QStringList found;
    for (const QFileInfo &info : m_paths.filesInDataTree(kTemporarySuffix)) {
        if (olderThan.isValid() && info.lastModified() >= olderThan)
            continue;
        found.append(m_paths.relativeOf(info.filePath()));
    }
    found.sort();
    return found;
}

QStringList SafeReplace::removeLeftoverTemporaries(const QDateTime &olderThan) const
{
    QStringList removed;
    for (const QString &relative : leftoverTemporaries(olderThan)) {
        const QString full = m_paths.root() + relative;
        if (m_io.ops->remove(full)) {
            m_paths.noteRemoved(full);
            removed.append(relative);
        }
    }
    return removed;
}

QString SafeReplace::syncToDisk(const QStringList &fullPaths)
{
#ifdef Q_OS_LINUX
    // Thousands of small files (the account files of a posting) flush far faster as one pass over their file
    // system than one by one; a writeback error of any of them is reported to the pass.
    QHash<dev_t, QString> systems;
    for (const QString &full : fullPaths) {
        struct stat info;
        if (::stat(QFile::encodeName(full).constData(), &info) != 0)
            return full;
        if (!systems.contains(info.st_dev))
            systems.insert(info.st_dev, full);
    }
    for (const QString &full : std::as_const(systems)) {
        const int fd = ::open(QFile::encodeName(full).constData(), O_RDONLY | O_CLOEXEC);
        const bool ok = fd >= 0 && ::syncfs(fd) == 0;
        if (fd >= 0)
            ::close(fd);
        if (!ok)
            return full;
    }
#else
    for (const QString &full : fullPaths) {
        QFile file(full);
        if (!file.open(QIODevice::ReadOnly) || !FileOps::disk()->flush(file.handle()))
            return full;
    }
#endif
    return {};
}
