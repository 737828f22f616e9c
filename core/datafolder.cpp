#include "core/datafolder.h"

#include "core/diskerror.h"

#include <QDir>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <io.h>
#endif

namespace {

const QString kTemporarySuffix = QStringLiteral(".vdtmp");
const QString kGuardSuffix = QStringLiteral(".vdappend");
const QByteArray kGuardMagic("VDAPPEND1");

// -- Plain file descriptors: an append and a temporary file are written without a buffer in between, so that
// what failed is known and the file can be cut back to where it was.

qint64 plainWrite(int fd, const char *data, qint64 size)
{
#ifdef Q_OS_WIN
    return ::_write(fd, data, unsigned(std::min<qint64>(size, 1 << 30)));
#else
    return ::write(fd, data, size_t(size));
#endif
}

DataFolder::WriteFunction g_write = plainWrite;

int openFile(const QString &fullPath, int flags)
{
#ifdef Q_OS_WIN
    return ::_wopen(reinterpret_cast<const wchar_t *>(fullPath.utf16()), flags | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    return ::open(QFile::encodeName(fullPath).constData(), flags | O_CLOEXEC, 0666);
#endif
}

void closeFile(int fd)
{
#ifdef Q_OS_WIN
    ::_close(fd);
#else
    ::close(fd);
#endif
}

qint64 sizeOf(int fd)
{
#ifdef Q_OS_WIN
    struct _stat64 st;
    return ::_fstat64(fd, &st) == 0 ? qint64(st.st_size) : -1;
#else
    struct stat st;
    return ::fstat(fd, &st) == 0 ? qint64(st.st_size) : -1;
#endif
}

// The file's device and inode: a file replaced since a guard was written is another file.
QByteArray identityOf(int fd)
{
#ifdef Q_OS_WIN
    Q_UNUSED(fd);
    return {};
#else
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return {};
    return QByteArray::number(quint64(st.st_dev)) + ':' + QByteArray::number(quint64(st.st_ino));
#endif
}

bool seekTo(int fd, qint64 offset)
{
#ifdef Q_OS_WIN
    return ::_lseeki64(fd, offset, SEEK_SET) == offset;
#else
    return ::lseek(fd, off_t(offset), SEEK_SET) == off_t(offset);
#endif
}

bool truncateTo(int fd, qint64 size)
{
#ifdef Q_OS_WIN
    return ::_chsize_s(fd, size) == 0;
#else
    return ::ftruncate(fd, off_t(size)) == 0;
#endif
}

bool syncDescriptor(int fd)
{
#ifdef Q_OS_WIN
    return ::_commit(fd) == 0;
#else
    return ::fsync(fd) == 0;
#endif
}

// Writes all the bytes through the write function; false with errno set when it stops short.
bool writeAll(int fd, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const qint64 written = g_write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (written == 0) {
            errno = ENOSPC; // a write that takes nothing and names no error: the device has no room
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

QStringList components(const QString &relative)
{
    QString normal = relative;
    normal.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return normal.split(QLatin1Char('/'), Qt::SkipEmptyParts);
}

std::filesystem::path fsPath(const QString &p)
{
    return std::filesystem::path(p.toStdU16String());
}

QString shown(const QString &fullPath)
{
    return QDir::toNativeSeparators(fullPath);
}

void syncFolderOf([[maybe_unused]] const QString &fullPath)
{
#ifdef Q_OS_UNIX
    const QByteArray dir = QFile::encodeName(QFileInfo(fullPath).absolutePath());
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#endif
}

// What stands for a folder's state: its modification time (to the nanosecond where the system keeps it) and
// its identity. Nothing when the folder does not exist.
struct FolderStamp
{
    qint64 modified = 0;
    qint64 identity = 0;
    bool operator==(const FolderStamp &) const = default;
};

std::optional<FolderStamp> folderStamp(const QString &folder)
{
#ifdef Q_OS_WIN
    const QFileInfo info(folder);
    if (!info.isDir())
        return std::nullopt;
    return FolderStamp{info.lastModified().toMSecsSinceEpoch(), 0};
#else
    struct stat st;
    if (::stat(QFile::encodeName(folder).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return std::nullopt;
    return FolderStamp{qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec, qint64(st.st_ino)};
#endif
}

// A temporary name of its own in the file's folder, created here so that no other writer can take it.
int createTemporary(const QString &fullPath, QString *temporary)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate = fullPath + QLatin1Char('.') +
                                  QString::number(QRandomGenerator::global()->generate() & 0xFFFFFF, 16) +
                                  kTemporarySuffix;
        const int fd = openFile(candidate, O_RDWR | O_CREAT | O_EXCL);
        if (fd >= 0 || errno != EEXIST) {
            *temporary = candidate;
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

} // namespace

// The listings of the folders that names were looked up in, each valid while its folder's stamp stays.
class DataFolder::NameCache
{
public:
    // The name on disk that matches part whatever its letter case, or nothing.
    std::optional<QString> find(const QString &folder, const QString &part)
    {
        const std::lock_guard lock(m_mutex);
        const auto stamp = folderStamp(folder);
        if (!stamp)
            return std::nullopt;
        Listing &listing = m_folders[folder];
        if (!listing.valid || !(listing.stamp == *stamp)) {
            listing.names.clear();
            QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
            while (it.hasNext()) {
                it.next();
                const QString name = it.fileName();
                listing.names.insert(name.toCaseFolded(), name);
            }
            listing.stamp = *stamp;
            listing.valid = true;
        }
        const auto found = listing.names.constFind(part.toCaseFolded());
        if (found == listing.names.constEnd())
            return std::nullopt;
        return *found;
    }

    // A routine here added or removed a name: the listing follows without being read again.
    void changed(const QString &fullPath, bool added)
    {
        const std::lock_guard lock(m_mutex);
        const qsizetype slash = fullPath.lastIndexOf(QLatin1Char('/'));
        if (slash < 0)
            return;
        const auto found = m_folders.find(fullPath.left(slash));
        if (found == m_folders.end() || !found->valid)
            return;
        const QString name = fullPath.mid(slash + 1);
        if (added)
            found->names.insert(name.toCaseFolded(), name);
        else if (found->names.value(name.toCaseFolded()) == name)
            found->names.remove(name.toCaseFolded());
        if (const auto stamp = folderStamp(found.key()))
            found->stamp = *stamp;
        else
            found->valid = false;
    }

private:
    struct Listing
    {
        FolderStamp stamp;
        bool valid = false;
        QHash<QString, QString> names; // case-folded -> as on disk
    };
    std::mutex m_mutex;
    QHash<QString, Listing> m_folders;
};

DataFolder::DataFolder(QString root, QString executableName)
    : m_root(QDir::cleanPath(QDir(root).absolutePath()))
    , m_executableName(std::move(executableName))
    , m_names(std::make_shared<NameCache>())
    , m_gate(std::make_shared<WriteGate>())
{}

void DataFolder::setWriteFunction(WriteFunction write)
{
    g_write = write ? write : plainWrite;
}

QString diskErrorText(int error)
{
    if (error == ENOSPC
#ifdef EDQUOT
        || error == EDQUOT
#endif
    )
        return QStringLiteral("the disk is full");
    if (error == 0)
        return QStringLiteral("the system gave no reason");
    return QString::fromLocal8Bit(std::strerror(error));
}

QString DataFolder::path(const QString &relative) const
{
    QString current = m_root;
    bool resolving = true;
    for (const QString &part : components(relative)) {
        QString next = current + QLatin1Char('/') + part;
        if (resolving && !QFileInfo::exists(next)) {
            // Data folders come from systems whose file names ignore case: look the name up in its parent.
            if (const auto onDisk = m_names->find(current, part))
                next = current + QLatin1Char('/') + *onDisk;
            else
                resolving = false;
        }
        current = next;
    }
    return current;
}

QString DataFolder::backupPathOf(const QString &relative)
{
    return QStringLiteral("/Backup/") + components(relative).join(QLatin1Char('/'));
}

void DataFolder::step(const char *name, const QString &fullPath) const
{
    if (m_faultHook)
        m_faultHook(name, fullPath);
}

void DataFolder::mayWrite() const
{
    if (*m_gate) {
        if (const auto refusal = (*m_gate)())
            throw DiskError(*refusal);
    }
}

bool DataFolder::fileExists(const QString &relative) const
{
    const QString full = path(relative);
    if (QFileInfo(full).isFile())
        return true;
    const QString backup = path(backupPathOf(relative));
    if (!QFileInfo(backup).isFile())
        return false;
    QFile source(backup);
    if (!source.open(QIODevice::ReadOnly))
        return false;
    try {
        replaceContent(full, source.readAll());
    } catch (const DiskError &) {
        return false;
    }
    return true;
}

bool DataFolder::folderExists(const QString &relative) const
{
    return QFileInfo(path(relative)).isDir();
}

qint64 DataFolder::fileSize(const QString &relative) const
{
    const QFileInfo info(path(relative));
    return info.isFile() ? info.size() : -1;
}

int DataFolder::recordCountForSize(qint64 bytes, int recordLength)
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

int DataFolder::recordCount(const QString &relative, int recordLength) const
{
    if (!fileExists(relative))
        return 0;
    return recordCountForSize(fileSize(relative), recordLength);
}

QString DataFolder::syncToDisk(const QStringList &fullPaths)
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
        if (!file.open(QIODevice::ReadOnly) || !syncDescriptor(file.handle()))
            return full;
    }
#endif
    return {};
}

bool DataFolder::isTemporaryName(const QString &fileName)
{
    // "<name>.<hex>.vdtmp", and the older shared "<name>.vdtmp"
    return fileName.endsWith(kTemporarySuffix) && fileName.size() > kTemporarySuffix.size();
}

namespace {

// The files whose names end in the suffix, in every folder the program writes files to except the /AuxFiles
// tree of the customers' data boxes (too many folders to search at every start: a box's Data.txt left half
// replaced there is reported by dispatch-data check instead).
QList<QFileInfo> filesInDataTree(const QString &root, const QString &suffix)
{
    QList<QFileInfo> found;
    QStringList folders = {root};
    while (!folders.isEmpty()) {
        const QString folder = folders.takeFirst();
        QDirIterator it(folder, {QLatin1Char('*') + suffix},
                        QDir::Files | QDir::AllDirs | QDir::Hidden | QDir::NoDotAndDotDot);
        while (it.hasNext()) {
            it.next();
            const QFileInfo info = it.fileInfo();
            if (info.isDir() && !info.isSymLink()) {
                if (folder != root || info.fileName().compare(QLatin1String("AuxFiles"), Qt::CaseInsensitive) != 0)
                    folders.append(info.filePath());
                continue;
            }
            if (info.isFile() && info.fileName().size() > suffix.size())
                found.append(info);
        }
    }
    return found;
}

struct AppendGuard
{
    qint64 oldSize = 0;
    qint64 end = 0;     // the file's length once the append is whole
    QByteArray digest;  // of the bytes from end - added to end
    qint64 added = 0;
    QByteArray identity;
};

QByteArray guardBytes(const AppendGuard &g)
{
    QByteArray body = kGuardMagic + '\n' + QByteArray::number(g.oldSize) + '\n' + QByteArray::number(g.end) + '\n' +
                      QByteArray::number(g.added) + '\n' + g.digest.toHex() + '\n' + g.identity + '\n';
    return body + QCryptographicHash::hash(body, QCryptographicHash::Sha1).toHex() + '\n';
}

std::optional<AppendGuard> parseGuard(const QByteArray &bytes)
{
    const QList<QByteArray> lines = bytes.split('\n');
    if (lines.size() != 8 || lines[0] != kGuardMagic || !lines[7].isEmpty())
        return std::nullopt;
    const QByteArray body = bytes.left(bytes.size() - lines[6].size() - 1);
    if (QCryptographicHash::hash(body, QCryptographicHash::Sha1).toHex() != lines[6])
        return std::nullopt;
    AppendGuard g;
    bool ok1 = false, ok2 = false, ok3 = false;
    g.oldSize = lines[1].toLongLong(&ok1);
    g.end = lines[2].toLongLong(&ok2);
    g.added = lines[3].toLongLong(&ok3);
    g.digest = QByteArray::fromHex(lines[4]);
    g.identity = lines[5];
    if (!ok1 || !ok2 || !ok3 || g.oldSize < 0 || g.added < 0 || g.end < g.added)
        return std::nullopt;
    return g;
}

} // namespace

QStringList DataFolder::leftoverTemporaries(const QDateTime &olderThan) const
{
    QStringList found;
    for (const QFileInfo &info : filesInDataTree(m_root, kTemporarySuffix)) {
        if (olderThan.isValid() && info.lastModified() >= olderThan)
            continue;
        found.append(info.filePath().mid(m_root.size()));
    }
    found.sort();
    return found;
}

bool DataFolder::isAppendGuardName(const QString &fileName)
{
    return fileName.endsWith(kGuardSuffix) && fileName.size() > kGuardSuffix.size();
}

QStringList DataFolder::interruptedAppends() const
{
    QStringList found;
    for (const QFileInfo &info : filesInDataTree(m_root, kGuardSuffix))
        found.append(info.filePath().mid(m_root.size()));
    found.sort();
    return found;
}

QStringList DataFolder::finishInterruptedAppends() const
{
    QStringList cut;
    for (const QString &relative : interruptedAppends()) {
        const QString guardPath = m_root + relative;
        const QString full = guardPath.chopped(kGuardSuffix.size());
        QFile guardFile(guardPath);
        const auto guard = guardFile.open(QIODevice::ReadOnly) ? parseGuard(guardFile.readAll()) : std::nullopt;
        guardFile.close();
        // A guard that cannot be read was itself cut short: its append had not begun.
        const int fd = guard ? openFile(full, O_RDWR) : -1;
        if (fd >= 0) {
            const qint64 size = sizeOf(fd);
            bool whole = size == guard->end && identityOf(fd) == guard->identity;
            if (whole) {
                QByteArray tail(guard->added, Qt::Uninitialized);
                whole = seekTo(fd, guard->end - guard->added) &&
                        ::read(fd, tail.data(), size_t(tail.size())) == tail.size() &&
                        QCryptographicHash::hash(tail, QCryptographicHash::Sha1) == guard->digest;
            }
            // Only the file the guard was written for, and only when it is longer than it was.
            if (!whole && identityOf(fd) == guard->identity && size > guard->oldSize) {
                if (!truncateTo(fd, guard->oldSize) || !syncDescriptor(fd)) {
                    const int error = errno;
                    closeFile(fd);
                    throw DiskError(QStringLiteral("The file %1 ends in part of a record that an interrupted "
                                                   "write left, and it could not be cut back: %2.")
                                        .arg(shown(full), diskErrorText(error)));
                }
                cut.append(full.mid(m_root.size()));
            }
            closeFile(fd);
        }
        if (!QFile::remove(guardPath) && QFileInfo::exists(guardPath))
            throw DiskError(QStringLiteral("The file %1 could not be deleted.").arg(shown(guardPath)));
        m_names->changed(guardPath, false);
    }
    return cut;
}

QStringList DataFolder::removeLeftoverTemporaries(const QDateTime &olderThan) const
{
    QStringList removed;
    for (const QString &relative : leftoverTemporaries(olderThan)) {
        if (QFile::remove(m_root + relative)) {
            m_names->changed(m_root + relative, false);
            removed.append(relative);
        }
    }
    return removed;
}

QByteArray DataFolder::readAll(const QString &relative) const
{
    QFile file(path(relative));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void DataFolder::replaceContent(const QString &fullPath, const QByteArray &content, Flush flush) const
{
    mayWrite();
    const QString folder = QFileInfo(fullPath).absolutePath();
    if (!QFileInfo(folder).isDir()) {
        QDir().mkpath(folder);
        m_names->changed(folder, true);
    }
    QString temporary;
    int fd = -1;
    auto fail = [&](int error) {
        if (fd >= 0)
            closeFile(fd);
        if (!temporary.isEmpty())
            QFile::remove(temporary);
        throw DiskError(QStringLiteral("The file %1 could not be written: %2.\nWhat was stored before is unchanged.")
                            .arg(shown(fullPath), diskErrorText(error)));
    };
    try {
        step("write", fullPath);
        fd = createTemporary(fullPath, &temporary);
        if (fd < 0) {
            temporary.clear();
            fail(errno);
        }
        if (!writeAll(fd, content))
            fail(errno);
        step("sync", fullPath);
        if (flush == Flush::ToDisk && !syncDescriptor(fd))
            fail(errno);
        closeFile(fd);
        fd = -1;
        step("rename", fullPath);
        mayWrite(); // asked again: the writing may have taken long
    } catch (const DiskError &) {
        // A failure or a simulated crash before the rename: this write's temporary file goes with it.
        if (fd >= 0)
            closeFile(fd);
        if (!temporary.isEmpty())
            QFile::remove(temporary);
        throw;
    }
    std::error_code ec;
    std::filesystem::rename(fsPath(temporary), fsPath(fullPath), ec);
    if (ec) {
        QFile::remove(temporary);
        throw DiskError(QStringLiteral("The file %1 could not be written: %2.\nWhat was stored before is unchanged.")
                            .arg(shown(fullPath), diskErrorText(ec.value())));
    }
    m_names->changed(fullPath, true);
    if (flush == Flush::ToDisk)
        syncFolderOf(fullPath);
}

void DataFolder::writeFile(const QString &relative, const QByteArray &content, Flush flush) const
{
    replaceContent(path(relative), content, flush);
}

void DataFolder::removeFullPath(const QString &fullPath) const
{
    if (!QFileInfo(fullPath).isFile())
        return;
    mayWrite();
    step("delete", fullPath);
    QFile file(fullPath);
    if (!file.remove())
        throw DiskError(
            QStringLiteral("The file %1 could not be deleted: %2").arg(shown(fullPath), file.errorString()));
    m_names->changed(fullPath, false);
}

void DataFolder::deleteFile(const QString &relative) const
{
    removeFullPath(path(relative));
}

void DataFolder::deleteWithBackup(const QString &relative) const
{
    // The copy goes first: a missing file is restored from its copy, so a copy left behind would bring a
    // deleted file back.
    deleteFile(backupPathOf(relative));
    deleteFile(relative);
}

void DataFolder::renameFile(const QString &from, const QString &to) const
{
    const QString source = path(from);
    const QString target = path(to);
    mayWrite();
    step("rename", target);
    std::error_code ec;
    std::filesystem::rename(fsPath(source), fsPath(target), ec);
    if (ec) {
        throw DiskError(QStringLiteral("The file %1 could not be renamed to %2: %3")
                            .arg(shown(source), shown(target), diskErrorText(ec.value())));
    }
    m_names->changed(source, false);
    m_names->changed(target, true);
    syncFolderOf(target);
}

void DataFolder::copyFile(const QString &from, const QString &to) const
{
    const QString source = path(from);
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly))
        throw DiskError(QStringLiteral("The file %1 could not be read: %2").arg(shown(source), file.errorString()));
    replaceContent(path(to), file.readAll());
}

void DataFolder::backupFile(const QString &relative) const
{
    copyFile(relative, backupPathOf(relative));
}

void DataFolder::makeFolder(const QString &relative) const
{
    const QString full = path(relative);
    if (QFileInfo::exists(full))
        return;
    mayWrite();
    if (!QDir().mkdir(full))
        throw DiskError(QStringLiteral("The folder %1 could not be created.").arg(shown(full)));
    m_names->changed(full, true);
}

std::vector<Record> DataFolder::readRecords(const QString &relative, const RecordLayout &layout) const
{
    std::vector<Record> records;
    if (!fileExists(relative))
        return records;
    const QByteArray bytes = readAll(relative);
    const int count = recordCountForSize(bytes.size(), layout.length());
    records.reserve(std::size_t(count));
    const qsizetype length = layout.length();
    for (int i = 0; i < count; ++i) {
        const qsizetype start = qsizetype(i) * length;
        records.emplace_back(layout, start < bytes.size() ? bytes.mid(start, length) : QByteArray());
    }
    return records;
}

std::optional<Record> DataFolder::readRecord(const QString &relative, const RecordLayout &layout, int number) const
{
    if (number < 1 || number > recordCount(relative, layout.length()))
        return std::nullopt;
    QFile file(path(relative));
    if (!file.open(QIODevice::ReadOnly) || !file.seek(qint64(number - 1) * layout.length()))
        return Record(layout);
    return Record(layout, file.read(layout.length()));
}

int DataFolder::openForWriting(const QString &full, bool *existed) const
{
    const QString folder = QFileInfo(full).absolutePath();
    if (!QFileInfo(folder).isDir()) {
        QDir().mkpath(folder);
        m_names->changed(folder, true);
    }
    const bool there = QFileInfo(full).isFile();
    const int fd = openFile(full, O_RDWR | O_CREAT);
    if (fd < 0)
        throw DiskError(QStringLiteral("The file %1 could not be opened: %2.").arg(shown(full), diskErrorText(errno)));
    if (!there)
        m_names->changed(full, true);
    if (existed)
        *existed = there;
    return fd;
}

void DataFolder::appendAt(const QString &full, qint64 offset, const QByteArray &bytes, const QString &what) const
{
    mayWrite();
    bool existed = false;
    const int fd = openForWriting(full, &existed);
    const qint64 oldSize = sizeOf(fd);
    const QString guardPath = full + kGuardSuffix;
    bool guarded = false;
    // Back to the old length; only a cut that was made and reached the disk lets the message say "unchanged".
    auto restore = [&] {
        const bool ok = oldSize >= 0 && truncateTo(fd, oldSize) && syncDescriptor(fd);
        if (ok && guarded && QFile::remove(guardPath))
            m_names->changed(guardPath, false);
        return ok;
    };
    try {
        step("append", full);
    } catch (...) {
        restore();
        closeFile(fd);
        throw;
    }
    // The guard reaches the disk before the first byte of the append does.
    const AppendGuard guard{oldSize, offset + bytes.size(), QCryptographicHash::hash(bytes, QCryptographicHash::Sha1),
                            bytes.size(), identityOf(fd)};
    const QByteArray guardContent = guardBytes(guard);
    const int guardFd = oldSize >= 0 ? openFile(guardPath, O_WRONLY | O_CREAT | O_TRUNC) : -1;
    if (guardFd >= 0) {
        m_names->changed(guardPath, true);
        guarded = true;
    }
    const bool guardWritten = guardFd >= 0 && writeAll(guardFd, guardContent) && syncDescriptor(guardFd);
    int error = errno;
    if (guardFd >= 0)
        closeFile(guardFd);
    if (guardWritten) {
        syncFolderOf(guardPath);
        // Written at the record position: a partial record left at the end by an earlier fault is overwritten.
        if (seekTo(fd, offset) && writeAll(fd, bytes) && syncDescriptor(fd)) {
            closeFile(fd);
            step("unguard", full);
            if (!QFile::remove(guardPath))
                throw DiskError(QStringLiteral("The file %1 could not be deleted.").arg(shown(guardPath)));
            m_names->changed(guardPath, false);
            return;
        }
        error = errno;
    }
    const bool restored = restore();
    closeFile(fd);
    if (restored && !existed && QFile::remove(full))
        m_names->changed(full, false); // the file this append made goes with it
    if (restored) {
        throw DiskError(QStringLiteral("%1 could not be added to %2: %3.\nThe file is unchanged.")
                            .arg(what, shown(full), diskErrorText(error)));
    }
    throw DiskError(QStringLiteral("%1 could not be added to %2: %3.\nThe file could not be returned to its "
                                   "length of %4 bytes either: it may end in part of a record. Do not add to it "
                                   "before it is mended (dispatch-data check shows what it holds).")
                        .arg(what, shown(full), diskErrorText(error))
                        .arg(oldSize));
}

void DataFolder::writeInPlace(const QString &relative, qint64 offset, const QByteArray &bytes, Flush flush,
                              bool endsFile) const
{
    const QString full = path(relative);
    mayWrite();
    const int fd = openForWriting(full);
    const qint64 oldSize = sizeOf(fd);
    const qint64 end = offset + bytes.size();
    if (oldSize >= 0 && seekTo(fd, offset) && writeAll(fd, bytes) && (!endsFile || truncateTo(fd, end)) &&
        (flush == Flush::Skip || syncDescriptor(fd))) {
        closeFile(fd);
        return;
    }
    const int error = errno;
    if (oldSize >= 0 && sizeOf(fd) > oldSize)
        truncateTo(fd, oldSize);
    closeFile(fd);
    throw DiskError(QStringLiteral("The file %1 could not be written: %2.").arg(shown(full), diskErrorText(error)));
}

void DataFolder::writeRecord(const QString &relative, int number, const Record &record) const
{
    const int length = record.layout().length();
    const int count = recordCount(relative, length);
    if (number < 1)
        number = count + 1;
    if (number <= count) {
        QByteArray bytes = readAll(relative);
        const qsizetype end = qsizetype(number) * length;
        if (bytes.size() < end)
            bytes.resize(end, ' ');
        bytes.replace(qsizetype(number - 1) * length, length, record.bytes());
        replaceContent(path(relative), bytes);
        return;
    }
    // Beyond the end: the records in between are written as zeroed records.
    QByteArray bytes = record.bytes();
    const qsizetype gap = qsizetype(number - 1 - count) * length;
    if (gap > 0)
        bytes.prepend(QByteArray(gap, '\0'));
    appendAt(path(relative), qint64(count) * length, bytes, QStringLiteral("The record"));
}

void DataFolder::appendRecord(const QString &relative, const Record &record) const
{
    writeRecord(relative, 0, record);
}

void DataFolder::appendRecords(const QString &relative, const std::vector<Record> &records) const
{
    if (records.empty())
        return;
    const int length = records.front().layout().length();
    const int count = recordCount(relative, length);
    QByteArray bytes;
    bytes.reserve(qsizetype(records.size()) * length);
    for (const auto &r : records)
        bytes.append(r.bytes());
    appendAt(path(relative), qint64(count) * length, bytes, QStringLiteral("The records"));
}

void DataFolder::replaceRecords(const QString &relative, const std::vector<Record> &records) const
{
    if (records.empty()) {
        deleteWithBackup(relative);
        return;
    }
    QByteArray bytes;
    bytes.reserve(qsizetype(records.size()) * records.front().layout().length());
    for (const auto &r : records)
        bytes.append(r.bytes());
    replaceContent(path(relative), bytes);
    deleteFile(backupPathOf(relative));
}

int DataFolder::rewriteWithout(const QString &relative, const RecordLayout &layout,
                               const std::function<bool(const Record &, int)> &drop, BackupCopy backup) const
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
    replaceContent(path(relative), bytes);
    if (backup == BackupCopy::Delete)
        deleteFile(backupPathOf(relative));
    return kept;
}

std::optional<QString> accountFileName(const QString &accountNumber, QString *why)
{
    const QString name = accountNumber.trimmed();
    auto refuse = [&](const QString &reason) -> std::optional<QString> {
        if (why)
            *why = QStringLiteral("The account number \"%1\" cannot be used as a file name: %2").arg(name, reason);
        return std::nullopt;
    };
    if (name.isEmpty())
        return refuse(QStringLiteral("it is empty."));
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return refuse(QStringLiteral("it holds a control character."));
        if (QStringLiteral("/\\:*?\"<>|").contains(c))
            return refuse(QStringLiteral("it holds the character %1.").arg(c));
    }
    if (name.startsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char('.')))
        return refuse(QStringLiteral("it begins or ends with a dot."));
    static const QStringList reserved = {QStringLiteral("CON"), QStringLiteral("PRN"), QStringLiteral("AUX"),
                                         QStringLiteral("NUL")};
    const QString stem = name.section(QLatin1Char('.'), 0, 0).trimmed().toUpper();
    const bool device =
        reserved.contains(stem) || ((stem.startsWith(QLatin1String("COM")) || stem.startsWith(QLatin1String("LPT"))) &&
                                    stem.size() == 4 && stem.at(3).isDigit() && stem.at(3) != QLatin1Char('0'));
    if (device)
        return refuse(QStringLiteral("it is the name of a device."));
    return name;
}
