#include "core/folderhandle.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef Q_OS_LINUX
#include <sys/syscall.h>
#endif
#endif

FolderHandle::FolderHandle(const QString &full)
    : m_path(full)
{
#ifdef Q_OS_UNIX
    m_fd = ::open(QFile::encodeName(full).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
#endif
}

FolderHandle::FolderHandle(const FolderHandle &parent, const QString &name)
    : m_path(parent.m_path + QLatin1Char('/') + name)
{
#ifdef Q_OS_UNIX
    if (parent.m_fd >= 0)
        m_fd = ::openat(parent.m_fd, QFile::encodeName(name).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
#endif
}

FolderHandle::~FolderHandle()
{
#ifdef Q_OS_UNIX
    if (m_fd >= 0)
        ::close(m_fd);
#endif
}

bool FolderHandle::isFolder(const QString &relative, bool *link) const
{
    if (link)
        *link = false;
#ifdef Q_OS_UNIX
    if (m_fd >= 0) {
        struct stat st;
        const QByteArray name = QFile::encodeName(relative);
        if (::fstatat(m_fd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            return false;
        if (S_ISLNK(st.st_mode)) {
            if (link)
                *link = true;
            return ::fstatat(m_fd, name.constData(), &st, 0) == 0 && S_ISDIR(st.st_mode);
        }
        return S_ISDIR(st.st_mode);
    }
#endif
    const QFileInfo info(m_path + QLatin1Char('/') + relative);
    if (link)
        *link = info.isSymLink();
    return info.isDir();
}

#ifdef Q_OS_UNIX
bool FolderHandle::changedSince(const QString &relative, const timespec &since) const
{
    struct stat st;
    if (m_fd < 0 || ::fstatat(m_fd, QFile::encodeName(relative).constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return true;
    if (!S_ISDIR(st.st_mode))
        return true; // a link may point elsewhere since
    return st.st_ctim.tv_sec + 2 >= since.tv_sec;
}
#endif

bool FolderHandle::untouchedSinceMade(const QString &name) const
{
#ifdef Q_OS_LINUX
    struct statx sx;
    if (m_fd < 0 || ::statx(m_fd, QFile::encodeName(name).constData(), AT_SYMLINK_NOFOLLOW,
                            STATX_TYPE | STATX_NLINK | STATX_MTIME | STATX_BTIME, &sx) != 0)
        return false;
    if (!(sx.stx_mask & STATX_BTIME) || !S_ISDIR(sx.stx_mode) || sx.stx_nlink != 2)
        return false;
    return sx.stx_mtime.tv_sec == sx.stx_btime.tv_sec && sx.stx_mtime.tv_nsec == sx.stx_btime.tv_nsec;
#else
    Q_UNUSED(name);
    return false;
#endif
}

#ifdef Q_OS_LINUX
namespace {
struct LinuxEntry
{
    quint64 d_ino;
    qint64 d_off;
    unsigned short d_reclen;
    unsigned char d_type;
    char d_name[1];
};
} // namespace
#endif

std::vector<FolderHandle::Entry> FolderHandle::entries() const
{
    std::vector<Entry> out;
#if defined(Q_OS_LINUX)
    // Read straight from the open folder: no second descriptor, no stream, no rewind.
    if (m_fd < 0 || ::lseek(m_fd, 0, SEEK_SET) != 0)
        return out;
    alignas(8) char buffer[16384];
    for (;;) {
        const long got = ::syscall(SYS_getdents64, m_fd, buffer, sizeof buffer);
        if (got <= 0)
            break;
        for (long at = 0; at < got;) {
            const auto *e = reinterpret_cast<const LinuxEntry *>(buffer + at);
            at += e->d_reclen;
            add(out, e->d_name, e->d_type);
        }
    }
#elif defined(Q_OS_UNIX)
    if (m_fd < 0)
        return out;
    const int fd = ::dup(m_fd);
    DIR *dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (!dir) {
        if (fd >= 0)
            ::close(fd);
        return out;
    }
    ::rewinddir(dir);
    while (const dirent *e = ::readdir(dir))
        add(out, e->d_name, e->d_type);
    ::closedir(dir);
#else
    QDirIterator it(m_path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        out.push_back({info.fileName(), info.isDir() ? Entry::Folder : info.isFile() ? Entry::File : Entry::Other});
    }
#endif
    std::sort(out.begin(), out.end(), [](const Entry &a, const Entry &b) { return a.name < b.name; });
    return out;
}

void FolderHandle::add(std::vector<Entry> &out, const char *name, unsigned char type) const
{
#ifdef Q_OS_UNIX
    if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
        return;
    if (type == DT_UNKNOWN || type == DT_LNK) {
        struct stat st;
        if (::fstatat(m_fd, name, &st, 0) == 0)
            type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
        else
            type = DT_UNKNOWN;
    }
    out.push_back({QFile::decodeName(name), type == DT_DIR   ? Entry::Folder
                                            : type == DT_REG ? Entry::File
                                                             : Entry::Other});
#else
    Q_UNUSED(out);
    Q_UNUSED(name);
    Q_UNUSED(type);
#endif
}
