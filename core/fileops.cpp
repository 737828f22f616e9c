#include "core/fileops.h"

#include "core/diskerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <filesystem>
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

// Plain file descriptors: an append and a temporary file are written without a buffer in between, so that
// what failed is known and the file can be cut back to where it was.
qint64 plainWrite(int fd, const char *data, qint64 size)
{
#ifdef Q_OS_WIN
    return ::_write(fd, data, unsigned(std::min<qint64>(size, 1 << 30)));
#else
    return ::write(fd, data, size_t(size));
#endif
}

FileOps::WriteFunction g_write = plainWrite;

std::filesystem::path fsPath(const QString &p)
{
    return std::filesystem::path(p.toStdU16String());
}

class DiskFileOps final : public FileOps
{
public:
    int open(const QString &fullPath, Open mode) override
    {
        int flags = O_RDWR;
        switch (mode) {
        case Open::Existing:
            break;
        case Open::OrCreate:
            flags |= O_CREAT;
            break;
        case Open::CreateNew:
            flags |= O_CREAT | O_EXCL;
            break;
        case Open::Emptied:
            flags = O_WRONLY | O_CREAT | O_TRUNC;
            break;
        }
#ifdef Q_OS_WIN
        return ::_wopen(reinterpret_cast<const wchar_t *>(fullPath.utf16()), flags | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
        return ::open(QFile::encodeName(fullPath).constData(), flags | O_CLOEXEC, 0666);
#endif
    }

    qint64 write(int fd, const char *data, qint64 size) override
    {
        return g_write(fd, data, size);
    }

    bool flush(int fd) override
    {
#ifdef Q_OS_WIN
        return ::_commit(fd) == 0;
#else
        return ::fsync(fd) == 0;
#endif
    }

    bool truncate(int fd, qint64 size) override
    {
#ifdef Q_OS_WIN
        return ::_chsize_s(fd, size) == 0;
#else
        return ::ftruncate(fd, off_t(size)) == 0;
#endif
    }

    void close(int fd) override
    {
#ifdef Q_OS_WIN
        ::_close(fd);
#else
        ::close(fd);
#endif
    }

    bool rename(const QString &from, const QString &to) override
    {
        std::error_code ec;
        std::filesystem::rename(fsPath(from), fsPath(to), ec);
        if (ec)
            errno = ec.value();
        return !ec;
    }

    bool remove(const QString &fullPath) override
    {
        std::error_code ec;
        if (std::filesystem::remove(fsPath(fullPath), ec))
            return true;
        errno = ec ? ec.value() : ENOENT;
        return false;
    }

    void flushFolderOf([[maybe_unused]] const QString &fullPath) override
    {
#ifdef Q_OS_UNIX
        const QByteArray dir = QFile::encodeName(QFileInfo(fullPath).absolutePath());
        const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            ::fsync(fd);
            ::close(fd);
        }
#endif
    }
};

} // namespace

std::shared_ptr<FileOps> FileOps::disk()
{
    static const std::shared_ptr<FileOps> ops = std::make_shared<DiskFileOps>();
    return ops;
}

void FileOps::setWriteFunction(WriteFunction write)
{
    g_write = write ? write : plainWrite;
}

bool FileIo::writeAll(int fd, const QByteArray &bytes) const
{
    const char *data = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const qint64 written = ops->write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (written == 0) {
            errno = ENOSPC;
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

qint64 descriptorSize(int fd)
{
#ifdef Q_OS_WIN
    struct _stat64 st;
    return ::_fstat64(fd, &st) == 0 ? qint64(st.st_size) : -1;
#else
    struct stat st;
    return ::fstat(fd, &st) == 0 ? qint64(st.st_size) : -1;
#endif
}

QByteArray descriptorIdentity([[maybe_unused]] int fd)
{
#ifdef Q_OS_WIN
    return {};
#else
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return {};
    return QByteArray::number(quint64(st.st_dev)) + ':' + QByteArray::number(quint64(st.st_ino));
#endif
}

bool seekDescriptor(int fd, qint64 offset)
{
#ifdef Q_OS_WIN
    return ::_lseeki64(fd, offset, SEEK_SET) == offset;
#else
    return ::lseek(fd, off_t(offset), SEEK_SET) == off_t(offset);
#endif
}

bool readDescriptor(int fd, char *data, qint64 size)
{
    while (size > 0) {
#ifdef Q_OS_WIN
        const qint64 got = ::_read(fd, data, unsigned(std::min<qint64>(size, 1 << 30)));
#else
        const qint64 got = ::read(fd, data, size_t(size));
#endif
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        data += got;
        size -= got;
    }
    return true;
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

QString shownPath(const QString &fullPath)
{
    return QDir::toNativeSeparators(fullPath);
}

void FileIo::mayWrite() const
{
    if (*gate) {
        if (const auto refusal = (*gate)())
            throw DiskError(*refusal);
    }
}
