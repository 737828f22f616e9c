#include "platform/instancelock.h"

#include "core/datafolder.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSysInfo>
#include <QThread>
#include <cerrno>
#include <chrono>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef Q_OS_UNIX
#include <csignal>
#include <pwd.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace {

const QString kProgram = QStringLiteral("VarnelDispatchDuzudu");
// A lock file being written is read again this many times, this long apart, before it counts as cut short.
constexpr int kWaits = 10;
constexpr int kWaitMilliseconds = 100;

QString hostName()
{
    const QString name = QSysInfo::machineHostName();
    return name.isEmpty() ? QStringLiteral("localhost") : name;
}

QString userName()
{
    QString name = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME"));
#ifdef Q_OS_UNIX
    if (name.isEmpty()) {
        if (const passwd *pw = ::getpwuid(::getuid()))
            name = QString::fromLocal8Bit(pw->pw_name);
    }
#endif
    return name.isEmpty() ? QStringLiteral("unknown") : name;
}

qint64 processId()
{
    return QCoreApplication::applicationPid();
}

// This boot of the computer: a lock of this computer written before its last start is left by a copy that
// has ended, whatever process has its number now.
QString currentBootId()
{
    QFile file(QStringLiteral("/proc/sys/kernel/random/boot_id"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll().trimmed()) : QString();
}

// The fields of /proc/<pid>/stat after the program name, from the process state on.
QList<QByteArray> processStat(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close < 0 ? QList<QByteArray>() : line.mid(close + 2).split(' ');
}

// When the process started, in clock ticks after boot (the 22nd field of its stat); 0 when not known.
qint64 processStartTime(qint64 pid)
{
    return processStat(pid).value(19).toLongLong();
}

bool processRuns(qint64 pid)
{
#ifdef Q_OS_UNIX
    if (pid <= 0 || (::kill(pid_t(pid), 0) != 0 && errno != EPERM))
        return false;
    // A copy that was killed but not yet collected by its parent (a zombie) holds nothing any more.
    return processStat(pid).value(0) != "Z";
#else
    return pid > 0;
#endif
}

// A lock of this computer is held while its process runs: the same boot, the same process number and, where
// the lock says, the same start (a process number is used again after its process ended).
bool holderRuns(const InstanceLock::Holder &h, const QString &bootId)
{
    if (!h.bootId.isEmpty() && !bootId.isEmpty() && h.bootId != bootId)
        return false;
    if (!processRuns(h.pid))
        return false;
    const qint64 started = h.started > 0 ? processStartTime(h.pid) : 0;
    return started <= 0 || started == h.started;
}

// The lock file: process id, program and computer (the lines a plain lock file of Qt has too), then the user,
// since when and when last confirmed (UTC, for the user: no other computer compares them), the computer's boot,
// the process's start and the count of confirmations (the heartbeat others watch). Every line ends in a line
// feed, so a file cut short is told from a whole one.
QByteArray lockContent(const QString &computer, const QDateTime &since, const QDateTime &confirmed,
                       const QString &bootId, quint64 beat)
{
    const qint64 pid = processId();
    return QByteArray::number(pid) + '\n' + kProgram.toUtf8() + '\n' + computer.toUtf8() + '\n' + userName().toUtf8() +
           '\n' + since.toString(Qt::ISODate).toUtf8() + '\n' + confirmed.toString(Qt::ISODate).toUtf8() + '\n' +
           bootId.toLatin1() + '\n' + QByteArray::number(processStartTime(pid)) + '\n' + QByteArray::number(beat) + '\n';
}

// What a lock file holds: nothing (no file), a part (empty, cut short or unreadable: being written), or a
// whole lock naming its holder.
struct LockRead
{
    enum State { Missing, Partial, Whole } state = Missing;
    QByteArray bytes;
    QDateTime written; // the file's own time, UTC
    InstanceLock::Holder holder;
};

LockRead readLock(const QString &path, const QString &computer)
{
    LockRead read;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        read.state = QFileInfo::exists(path) ? LockRead::Partial : LockRead::Missing;
        read.written = QFileInfo(path).lastModified().toUTC();
        return read;
    }
    read.bytes = file.read(4096);
    read.written = QFileInfo(path).lastModified().toUTC();
    QList<QByteArray> lines = read.bytes.split('\n');
    lines.removeLast(); // what follows the last line feed: nothing in a whole file
    bool ok = false;
    InstanceLock::Holder &h = read.holder;
    h.pid = lines.value(0).trimmed().toLongLong(&ok);
    // Three lines are a lock of an older kind (Qt's own); the program's own has at least six.
    const bool whole = ok && read.bytes.endsWith('\n') && (lines.size() == 3 || lines.size() >= 6);
    read.state = whole ? LockRead::Whole : LockRead::Partial;
    if (!whole)
        return read;
    h.computer = QString::fromUtf8(lines.value(2).trimmed());
    h.user = QString::fromUtf8(lines.value(3).trimmed());
    h.since = QDateTime::fromString(QString::fromUtf8(lines.value(4).trimmed()), Qt::ISODate);
    h.confirmed = QDateTime::fromString(QString::fromUtf8(lines.value(5).trimmed()), Qt::ISODate);
    h.bootId = QString::fromLatin1(lines.value(6).trimmed());
    h.started = lines.value(7).trimmed().toLongLong();
    // A lock written by an older copy knows no times: its file's own time stands for both.
    if (!h.since.isValid())
        h.since = read.written;
    if (!h.confirmed.isValid())
        h.confirmed = read.written;
    h.thisComputer = h.computer.isEmpty() || h.computer == computer;
    return read;
}

#ifdef Q_OS_UNIX
bool writeAllAt(int fd, const QByteArray &bytes, off_t at)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::pwrite(fd, bytes.constData() + done, size_t(bytes.size() - done), at + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// A new file of its own made exclusively with the whole content; 0 or the errno. Its identity goes to *st.
int createWhole(const QByteArray &path, const QByteArray &content, struct stat *st)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return errno;
    ::fchmod(fd, 0644); // readable by every user whatever the umask: other copies read who holds the folder
    const bool written = writeAllAt(fd, content, 0) && ::fstat(fd, st) == 0;
    const int error = written ? 0 : (errno ? errno : EIO);
    ::close(fd);
    if (!written)
        ::unlink(path.constData());
    return error;
}

// Makes the lock file whole at once: written under a name of its own, then linked to the lock's name, which
// fails when a lock is there. Where the file system has no links, made exclusively and written at once (a
// reader may then see it cut short for a moment). 0 or the errno.
int createLockFile(const QString &path, const QByteArray &content, struct stat *st)
{
    const QByteArray target = QFile::encodeName(path);
    const QByteArray temporary = target + '.' + QByteArray::number(processId()) + '-' +
                                 QByteArray::number(QRandomGenerator::global()->generate()) + ".new";
    if (const int error = createWhole(temporary, content, st))
        return error;
    int error = 0;
    if (::link(temporary.constData(), target.constData()) != 0) {
        error = errno;
        // On a network file system the answer may be lost although the link was made.
        struct stat after;
        if (::stat(temporary.constData(), &after) == 0 && after.st_nlink == 2)
            error = 0;
    }
    ::unlink(temporary.constData());
    if (error == EPERM || error == EOPNOTSUPP || error == ENOSYS || error == EMLINK)
        return createWhole(target, content, st);
    return error;
}

// Removes the lock file only when it still holds what was seen: it is first moved aside under a name of its
// own, and put back when its holder confirmed it meanwhile. True when no lock file is left.
bool removeIfUnchanged(const QString &path, const QByteArray &seen)
{
    const QByteArray target = QFile::encodeName(path);
    const QByteArray aside = target + '.' + QByteArray::number(processId()) + '-' +
                             QByteArray::number(QRandomGenerator::global()->generate()) + ".old";
    if (::rename(target.constData(), aside.constData()) != 0)
        return errno == ENOENT;
    QFile moved(QFile::decodeName(aside));
    const bool same = moved.open(QIODevice::ReadOnly) && moved.read(4096) == seen;
    moved.close();
    if (!same && ::link(aside.constData(), target.constData()) != 0 && errno != EEXIST)
        ::rename(aside.constData(), target.constData());
    ::unlink(aside.constData());
    return same;
}
#endif

QString shownTime(const QDateTime &utc)
{
    return utc.toLocalTime().toString(QStringLiteral("M/d/yyyy h:mm AP"));
}

// Bind mounts: a folder mounted at another place shows a part of a file system that is also mounted whole;
// the path is followed back to where that part lies in the whole.
QString throughBindMounts(const QString &real)
{
#ifdef Q_OS_LINUX
    QFile info(QStringLiteral("/proc/self/mountinfo"));
    if (!info.open(QIODevice::ReadOnly))
        return real;
    auto unescape = [](const QByteArray &s) {
        QByteArray out;
        for (qsizetype i = 0; i < s.size(); ++i) {
            if (s[i] == '\\' && i + 3 < s.size()) {
                out.append(char(s.mid(i + 1, 3).toInt(nullptr, 8)));
                i += 3;
            } else {
                out.append(s[i]);
            }
        }
        return QString::fromLocal8Bit(out);
    };
    struct Mount
    {
        QByteArray device;
        QString root;
        QString point;
    };
    QList<Mount> mounts;
    for (const QByteArray &line : info.readAll().split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        if (f.size() > 4)
            mounts.append({f[2], unescape(f[3]), unescape(f[4])});
    }
    auto inside = [](const QString &path, const QString &folder) {
        return folder == QLatin1String("/") || path == folder || path.startsWith(folder + QLatin1Char('/'));
    };
    const Mount *own = nullptr;
    for (const Mount &m : mounts) {
        if (inside(real, m.point) && (!own || m.point.size() >= own->point.size()))
            own = &m;
    }
    if (!own || own->root == QLatin1String("/"))
        return real;
    const Mount *whole = nullptr;
    for (const Mount &m : mounts) {
        if (m.device == own->device && m.point != own->point && inside(own->root, m.root) &&
            (!whole || m.root.size() < whole->root.size()))
            whole = &m;
    }
    if (!whole)
        return real;
    const QString rest = own->root.mid(whole->root == QLatin1String("/") ? 0 : whole->root.size()) +
                         real.mid(own->point == QLatin1String("/") ? 0 : own->point.size());
    const QString translated = QDir::cleanPath(whole->point + QLatin1Char('/') + rest);
    return QFileInfo(translated).isDir() ? translated : real;
#else
    return real;
#endif
}

} // namespace

InstanceLock::InstanceLock(const QString &dataRoot, const QString &localFolder, const QString &computerName)
    : m_root(QDir(dataRoot).absolutePath())
    , m_localFolder(localFolder)
    , m_computer(computerName.isEmpty() ? hostName() : computerName)
    , m_bootId(currentBootId())
    , m_path(folderLockPath())
    , m_pause([](int milliseconds) { QThread::msleep(ulong(milliseconds)); })
    , m_steady([] {
        return qint64(std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now().time_since_epoch())
                          .count());
    })
{}

InstanceLock::~InstanceLock()
{
    release();
}

QString InstanceLock::lockFileName()
{
    return QStringLiteral(".VarnelDispatchDuzudu.lock");
}

QString InstanceLock::folderLockPath() const
{
    return m_root + QLatin1Char('/') + lockFileName();
}

QString InstanceLock::fallbackPath(const QString &dataRoot, const QString &localFolder)
{
    QString folder = localFolder;
#ifdef Q_OS_UNIX
    // Not the user's runtime folder nor $TMPDIR: every user and every session of the computer looks here.
    if (folder.isEmpty())
        folder = QStringLiteral("/tmp");
#endif
    if (folder.isEmpty())
        folder = QDir::tempPath();
    QByteArray identity;
#ifdef Q_OS_UNIX
    struct stat st;
    if (::stat(QFile::encodeName(dataRoot).constData(), &st) == 0)
        identity = QByteArray::number(quint64(st.st_dev)) + ':' + QByteArray::number(quint64(st.st_ino));
#endif
    if (identity.isEmpty()) {
        QString name = QFileInfo(dataRoot).canonicalFilePath();
        if (name.isEmpty())
            name = QDir::cleanPath(QDir(dataRoot).absolutePath());
        identity = name.toCaseFolded().toUtf8();
    }
    const QByteArray key = QCryptographicHash::hash(identity, QCryptographicHash::Sha1).toHex().left(16);
    return folder + QStringLiteral("/VarnelDispatchDuzudu-") + QString::fromLatin1(key) + QStringLiteral(".lock");
}

QString InstanceLock::dataRootOf(const QString &path)
{
    const QFileInfo info(path);
    QString real = info.isDir() ? info.canonicalFilePath() : QFileInfo(info.absolutePath()).canonicalFilePath();
    if (real.isEmpty())
        real = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
    real = throughBindMounts(real);
    // The nearest folder that shows the program's data: its required files or its folders, or a lock that a
    // running copy holds (a folder not set up yet). A Backup folder holds copies of the same files and is
    // passed over; a lock file that no running copy holds does not count.
    const QStringList files = {QStringLiteral("SlipNo.txt"), QStringLiteral("MyBusinessData.txt")};
    const QStringList folders = {QStringLiteral("VIActiveAccounts"), QStringLiteral("AuxFiles"),
                                 QStringLiteral("Backup")};
    QDir dir(real);
    do {
        if (dir.dirName().compare(QLatin1String("Backup"), Qt::CaseInsensitive) == 0)
            continue;
        if (!dir.entryList(files, QDir::Files | QDir::Hidden).isEmpty() ||
            !dir.entryList(folders, QDir::Dirs | QDir::NoDotAndDotDot).isEmpty())
            return dir.absolutePath();
        const LockRead seen = readLock(dir.filePath(lockFileName()), hostName());
        if (seen.state == LockRead::Whole && (!seen.holder.thisComputer || holderRuns(seen.holder, currentBootId())))
            return dir.absolutePath();
    } while (dir.cdUp());
    return real;
}

InstanceLock::Outcome InstanceLock::lockLocal()
{
#ifdef Q_OS_UNIX
    m_localPath = fallbackPath(m_root, m_localFolder);
    if (!m_localFolder.isEmpty())
        QDir().mkpath(m_localFolder);
    const QByteArray path = QFile::encodeName(m_localPath);
    for (int attempt = 0; attempt < 5; ++attempt) {
        // Made by whichever copy came first and kept; a copy of another user opens it to read only (flock()
        // needs no more), and one it cannot open at all counts as held.
        int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0 && errno == EACCES)
            fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            return errno == EACCES || errno == ELOOP ? Outcome::Refused : Outcome::Unavailable;
        struct stat opened;
        if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            ::close(fd);
            return Outcome::Refused;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(fd);
            return error == EWOULDBLOCK ? Outcome::Refused : Outcome::Unavailable;
        }
        // The copy that held it before may have removed the file as it ended: the lock counts only on the file
        // that bears the name.
        struct stat named;
        if (::stat(path.constData(), &named) != 0 || named.st_ino != opened.st_ino || named.st_dev != opened.st_dev) {
            ::close(fd);
            continue;
        }
        if (opened.st_uid == ::geteuid()) {
            ::fchmod(fd, 0644);
            if (::ftruncate(fd, 0) == 0)
                writeAllAt(fd, m_content, 0);
        }
        m_localFd = fd;
        return Outcome::Taken;
    }
    return Outcome::Refused;
#else
    return Outcome::Unavailable;
#endif
}

InstanceLock::Outcome InstanceLock::lockFolder()
{
#ifdef Q_OS_UNIX
    const QString path = folderLockPath();
    int waits = 0;
    for (int attempt = 0; attempt < 20; ++attempt) {
        struct stat made;
        const int error = createLockFile(path, m_content, &made);
        if (error == 0) {
            m_device = quint64(made.st_dev);
            m_inode = quint64(made.st_ino);
            return Outcome::Taken;
        }
        const bool writable = error == EEXIST;
        const LockRead seen = readLock(path, m_computer);
        if (seen.state == LockRead::Missing) {
            if (!writable)
                return Outcome::Unavailable; // no lock file can be written here: the local lock alone
            continue;                        // removed this moment
        }
        if (seen.state == LockRead::Partial) {
            // Another computer writing its lock: waited for, never taken for absent. Only one seen unchanged
            // for the whole watch is a write that died.
            observe(seen.bytes);
            if (waits < kWaits) {
                ++waits;
                m_pause(kWaitMilliseconds);
                continue;
            }
            if (writable && unchangedForMs() > m_timing.watchMs && removeIfUnchanged(path, seen.bytes)) {
                waits = 0;
                continue;
            }
            m_beingWritten = true;
            return Outcome::Refused;
        }
        m_holder = seen.holder;
        // Only the user decides that another computer's copy has stopped (takeOver()).
        if (!seen.holder.thisComputer || holderRuns(seen.holder, m_bootId)) {
            observe(seen.bytes);
            return Outcome::Refused;
        }
        // Left by a copy of this computer that no longer runs.
        m_holder.reset();
        if (!writable)
            return Outcome::Unavailable;
        removeIfUnchanged(path, seen.bytes);
    }
    return Outcome::Refused;
#else
    return Outcome::Unavailable;
#endif
}

bool InstanceLock::tryLock(const QDateTime &now)
{
    if (m_locked)
        return true;
    if (m_lost)
        return false;
    m_holder.reset();
    m_beingWritten = false;
    m_since = m_confirmed = now;
    m_beat = 0;
    m_leaseStart = m_steady(); // before the lock is written: the lease never outlasts what others see
    m_content = lockContent(m_computer, m_since, m_since, m_bootId, m_beat);
    // This computer first: a copy that runs here on the folder, by whatever path and under whatever user.
    const Outcome local = lockLocal();
    if (local == Outcome::Refused) {
        const LockRead seen = readLock(folderLockPath(), m_computer);
        if (seen.state == LockRead::Whole && seen.holder.thisComputer)
            m_holder = seen.holder;
        return false;
    }
    const Outcome folder = lockFolder();
    if (folder == Outcome::Refused || (folder == Outcome::Unavailable && local == Outcome::Unavailable)) {
        release();
        return false;
    }
    m_ownsFolderLock = folder == Outcome::Taken;
    m_path = m_ownsFolderLock ? folderLockPath() : m_localPath;
    m_locked = true;
    return true;
}

#ifdef Q_OS_UNIX
namespace {
// The open file is the lock file this copy made and holds what this copy last wrote.
bool isOwnLock(int fd, quint64 device, quint64 inode, const QByteArray &content)
{
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0 || quint64(st.st_dev) != device || quint64(st.st_ino) != inode)
        return false;
    QByteArray bytes(4096, '\0');
    const ssize_t n = ::pread(fd, bytes.data(), size_t(bytes.size()), 0);
    return n >= 0 && bytes.left(n) == content;
}
} // namespace
#endif

void InstanceLock::release()
{
#ifdef Q_OS_UNIX
    if (m_ownsFolderLock || m_expired) {
        // Only the lock file this copy made goes, and only while it still names this copy.
        const QByteArray path = QFile::encodeName(folderLockPath());
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
        if (isOwnLock(fd, m_device, m_inode, m_content))
            ::unlink(path.constData());
        if (fd >= 0)
            ::close(fd);
    }
    if (m_localFd >= 0) {
        // Removed while still held; a copy that opened it meanwhile finds the name gone and makes a new one.
        const QByteArray path = QFile::encodeName(m_localPath);
        struct stat held, named;
        if (::fstat(m_localFd, &held) == 0 && ::stat(path.constData(), &named) == 0 && held.st_ino == named.st_ino &&
            held.st_dev == named.st_dev)
            ::unlink(path.constData());
        ::close(m_localFd);
        m_localFd = -1;
    }
#endif
    m_ownsFolderLock = m_locked = false;
}

void InstanceLock::markLost()
{
    m_expired = m_ownsFolderLock && !leaseRunning();
    m_lost = true;
    m_locked = false;
    m_ownsFolderLock = false;
    const LockRead seen = readLock(folderLockPath(), m_computer);
    if (seen.state == LockRead::Whole)
        m_taker = seen.holder;
}

bool InstanceLock::leaseRunning() const
{
    return m_steady() - m_leaseStart < m_timing.leaseMs;
}

bool InstanceLock::stillHeld()
{
    if (m_lost || !m_locked)
        return false;
    if (!m_ownsFolderLock)
        return true; // a read-only path: the local lock holds for as long as this copy runs
    if (!leaseRunning()) {
        markLost();
        return false;
    }
#ifdef Q_OS_UNIX
    // Half the lease gone (a long task kept the confirmations from running): renewed on the way.
    if (m_steady() - m_leaseStart > m_timing.leaseMs / 2)
        return confirm(m_confirmed.addMSecs(m_steady() - m_leaseStart));
    const int fd = ::open(QFile::encodeName(folderLockPath()).constData(), O_RDONLY | O_CLOEXEC);
    const bool own = isOwnLock(fd, m_device, m_inode, m_content);
    if (fd >= 0)
        ::close(fd);
    if (!own)
        markLost();
    return own;
#else
    return true;
#endif
}

bool InstanceLock::refresh(const QDateTime &now)
{
    if (m_lost || !m_locked)
        return false;
    if (!m_ownsFolderLock)
        return true;
    return confirm(now);
}

bool InstanceLock::confirm(const QDateTime &now)
{
    // A copy whose lease ended while it was stopped confirms nothing: another computer may be taking the folder.
    if (!leaseRunning()) {
        markLost();
        return false;
    }
#ifdef Q_OS_UNIX
    // Written in place into the file this copy made, after checking that it is still that file: a copy that
    // lost the folder while it was stopped writes into nobody's lock.
    const int fd = ::open(QFile::encodeName(folderLockPath()).constData(), O_RDWR | O_CLOEXEC);
    if (!isOwnLock(fd, m_device, m_inode, m_content)) {
        if (fd >= 0)
            ::close(fd);
        markLost();
        return false;
    }
    const qint64 before = m_steady();
    const QByteArray content = lockContent(m_computer, m_since, now, m_bootId, m_beat + 1);
    if (writeAllAt(fd, content, 0) && ::ftruncate(fd, off_t(content.size())) == 0) {
        m_content = content;
        m_confirmed = now;
        ++m_beat;
        m_leaseStart = before;
    } else if (writeAllAt(fd, m_content, 0)) {
        // Still this copy's: confirmed at the next refresh.
        [[maybe_unused]] const int ignored = ::ftruncate(fd, off_t(m_content.size()));
    }
    ::close(fd);
#else
    Q_UNUSED(now);
#endif
    return true;
}

void InstanceLock::guardWrites(const DataFolder &folder)
{
    folder.setWriteGate([this]() -> std::optional<QString> {
        if (stillHeld())
            return std::nullopt;
        return lostText();
    });
}

QString InstanceLock::lostText() const
{
    const QString who = m_taker ? QStringLiteral("the computer %1 (the user %2)").arg(m_taker->computer, m_taker->user)
                                : QStringLiteral("another copy of the program");
    if (m_expired)
        return QStringLiteral("This copy of the program no longer holds the data folder %1: it was stopped for longer "
                              "than %2 seconds without confirming its lock, and another computer may take the folder "
                              "over after that.\r\nSo that the work saved there is kept, nothing more is written to "
                              "the folder from here; what was not saved stays on the screen.\r\nClose the program "
                              "on this computer and start it again.")
            .arg(QDir::toNativeSeparators(m_root))
            .arg(m_timing.leaseMs / 1000);
    return QStringLiteral("This copy of the program no longer holds the data folder %1: %2 took it over.\r\n"
                          "So that the work saved there is kept, nothing more is written to the folder from here; "
                          "what was not saved stays on the screen.\r\nClose the program on this computer.")
        .arg(QDir::toNativeSeparators(m_root), who);
}

void InstanceLock::observe(const QByteArray &bytes)
{
    if (m_watchedSince < 0 || bytes != m_watched) {
        m_watched = bytes;
        m_watchedSince = m_steady();
    }
}

qint64 InstanceLock::unchangedForMs() const
{
    return m_watchedSince < 0 ? 0 : m_steady() - m_watchedSince;
}

bool InstanceLock::holderIsStale() const
{
    return m_holder && !m_holder->thisComputer && unchangedForMs() > m_timing.watchMs;
}

InstanceLock::Watch InstanceLock::watchHolder()
{
    const LockRead seen = readLock(folderLockPath(), m_computer);
    if (seen.state == LockRead::Missing) {
        m_watched.clear();
        m_watchedSince = -1;
        return Watch::Gone;
    }
    const bool changed = m_watchedSince >= 0 && seen.bytes != m_watched;
    observe(seen.bytes);
    if (seen.state == LockRead::Whole)
        m_holder = seen.holder;
    if (changed)
        return Watch::Confirmed;
    return unchangedForMs() > m_timing.watchMs ? Watch::Silent : Watch::Unchanged;
}

QString InstanceLock::refusal() const
{
    if (m_beingWritten)
        return QStringLiteral("The data folder %1 is being taken by another copy of the program at this moment. "
                              "Try again in a moment.")
            .arg(QDir::toNativeSeparators(m_root));
    if (!m_holder)
        return QStringLiteral("The data folder %1 is in use by another copy of the program.")
            .arg(QDir::toNativeSeparators(m_root));
    return QStringLiteral("The data folder %1 is in use on the computer %2 by the user %3 since %4.")
        .arg(QDir::toNativeSeparators(m_root), m_holder->computer, m_holder->user, shownTime(m_holder->since));
}

QString InstanceLock::takeOverQuestion() const
{
    if (!m_holder)
        return {};
    return QStringLiteral("The data folder %1 is held by the computer %2 (the user %3, since %4), whose lock has not "
                          "changed for the %5 seconds this computer watched it: the program there confirms every %6 "
                          "seconds and writes nothing once %7 seconds passed without a confirmation.\r\nIf the "
                          "program no longer runs on %2 (the computer was switched off or stopped), this computer "
                          "can take the folder over. Take it over?")
        .arg(QDir::toNativeSeparators(m_root), m_holder->computer, m_holder->user, shownTime(m_holder->since))
        .arg(unchangedForMs() / 1000)
        .arg(kRefreshSeconds)
        .arg(kLeaseSeconds);
}

bool InstanceLock::takeOver(const QDateTime &now)
{
    if (m_locked)
        return true;
    if (!holderIsStale())
        return false;
#ifdef Q_OS_UNIX
    // Only the lock that was watched: one confirmed since (between the question and the answer) stays.
    const LockRead current = readLock(folderLockPath(), m_computer);
    if (current.state == LockRead::Partial)
        return false;
    if (current.state == LockRead::Whole) {
        if (current.bytes != m_watched) {
            observe(current.bytes);
            m_holder = current.holder;
            return false;
        }
        if (!removeIfUnchanged(folderLockPath(), current.bytes))
            return false;
    }
#endif
    return tryLock(now);
}

void InstanceLock::fenceOffOldHolder(const DataFolder &folder)
{
    folder.removeLeftoverTemporaries(QDateTime());
}
