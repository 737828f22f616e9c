#include "platform/instancelock.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QSysInfo>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef Q_OS_UNIX
#include <csignal>
#include <pwd.h>
#include <unistd.h>
#endif

namespace {

const QString kProgram = QStringLiteral("VarnelDispatchDuzudu");

QString computerName()
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

bool processRuns(qint64 pid)
{
#ifdef Q_OS_UNIX
    if (pid <= 0 || (::kill(pid_t(pid), 0) != 0 && errno != EPERM))
        return false;
    // A copy that was killed but not yet collected by its parent (a zombie) holds nothing any more.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        const QByteArray line = stat.readAll();
        const qsizetype close = line.lastIndexOf(')');
        if (close > 0 && close + 2 < line.size() && line.at(close + 2) == 'Z')
            return false;
    }
    return true;
#else
    return pid > 0;
#endif
}

// The lock file: process id, program and computer (the lines a plain lock file of Qt has too), then the user,
// since when and when last confirmed, as UTC times.
QByteArray lockContent(const QDateTime &since, const QDateTime &confirmed)
{
    return QByteArray::number(processId()) + '\n' + kProgram.toUtf8() + '\n' + computerName().toUtf8() + '\n' +
           userName().toUtf8() + '\n' + since.toString(Qt::ISODate).toUtf8() + '\n' +
           confirmed.toString(Qt::ISODate).toUtf8() + '\n';
}

std::optional<InstanceLock::Holder> readHolder(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QList<QByteArray> lines = file.readAll().split('\n');
    bool ok = false;
    InstanceLock::Holder h;
    h.pid = lines.value(0).trimmed().toLongLong(&ok);
    if (!ok || lines.size() < 3)
        return std::nullopt;
    h.computer = QString::fromUtf8(lines.value(2).trimmed());
    h.user = QString::fromUtf8(lines.value(3).trimmed());
    h.since = QDateTime::fromString(QString::fromUtf8(lines.value(4).trimmed()), Qt::ISODate);
    h.confirmed = QDateTime::fromString(QString::fromUtf8(lines.value(5).trimmed()), Qt::ISODate);
    // A lock written by an older copy knows no times: its file's own time stands for both.
    const QDateTime written = QFileInfo(path).lastModified().toUTC();
    if (!h.since.isValid())
        h.since = written;
    if (!h.confirmed.isValid())
        h.confirmed = written;
    h.thisComputer = h.computer.isEmpty() || h.computer == computerName();
    return h;
}

bool createExclusive(const QString &path, const QByteArray &content)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, content.constData(), size_t(content.size())) == content.size();
    const int error = errno;
    ::close(fd);
    if (!ok) {
        QFile::remove(path);
        errno = error;
    }
    return ok;
}

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

InstanceLock::InstanceLock(const QString &dataRoot, const QString &fallbackFolder)
    : m_root(QDir(dataRoot).absolutePath())
    , m_fallbackFolder(fallbackFolder)
    , m_path(m_root + QLatin1Char('/') + lockFileName())
{}

InstanceLock::~InstanceLock()
{
    release();
}

QString InstanceLock::lockFileName()
{
    return QStringLiteral(".VarnelDispatchDuzudu.lock");
}

QString InstanceLock::fallbackPath(const QString &dataRoot, const QString &fallbackFolder)
{
    QString folder = fallbackFolder;
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
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
        const auto h = readHolder(dir.filePath(lockFileName()));
        if (h && (!h->thisComputer || processRuns(h->pid)))
            return dir.absolutePath();
    } while (dir.cdUp());
    return real;
}

bool InstanceLock::lockAt(const QString &path, bool local)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (createExclusive(path, m_content))
            return true;
        const int error = errno;
        const auto h = readHolder(path);
        if (!h) {
            if (error != EEXIST && !QFileInfo::exists(path))
                return false; // no lock file can be written here
            // A lock file that does not say who holds it: one being written this moment, or one cut short.
            if (QFileInfo(path).lastModified().secsTo(QDateTime::currentDateTime()) < 10)
                return false;
            QFile::remove(path);
            continue;
        }
        m_holder = h;
        if (!h->thisComputer && local)
            return false;
        if (h->thisComputer && (h->pid == processId() || processRuns(h->pid)))
            return false;
        if (!h->thisComputer)
            return false; // only the user decides that another computer's copy has stopped (takeOver)
        // Left by a copy of this computer that no longer runs.
        m_holder.reset();
        if (!QFile::remove(path))
            return false;
    }
    return false;
}

bool InstanceLock::tryLock()
{
    if (m_locked)
        return true;
    m_holder.reset();
    m_since = QDateTime::currentDateTimeUtc();
    m_content = lockContent(m_since, m_since);
    const QString folderLock = m_root + QLatin1Char('/') + lockFileName();
    m_ownsFolderLock = lockAt(folderLock, false);
    if (!m_ownsFolderLock && m_holder)
        return false;
    m_localPath = fallbackPath(m_root, m_fallbackFolder);
    QDir().mkpath(QFileInfo(m_localPath).absolutePath());
    m_ownsLocalLock = lockAt(m_localPath, true);
    if (!m_ownsLocalLock && (m_holder || !m_ownsFolderLock)) {
        release();
        return false;
    }
    m_path = m_ownsFolderLock ? folderLock : m_localPath;
    m_locked = true;
    return true;
}

void InstanceLock::release()
{
    auto removeOwn = [this](const QString &path) {
        QFile file(path);
        // Only a lock that still names this copy (process, program, computer, user) goes.
        if (file.open(QIODevice::ReadOnly) && file.readAll().split('\n').mid(0, 4) == m_content.split('\n').mid(0, 4)) {
            file.close();
            QFile::remove(path);
        }
    };
    if (m_ownsFolderLock)
        removeOwn(m_root + QLatin1Char('/') + lockFileName());
    if (m_ownsLocalLock)
        removeOwn(m_localPath);
    m_ownsFolderLock = m_ownsLocalLock = m_locked = false;
}

bool InstanceLock::holderIsStale(const QDateTime &now) const
{
    return m_holder && !m_holder->thisComputer && m_holder->confirmed.secsTo(now) > kStaleSeconds;
}

QString InstanceLock::refusal() const
{
    if (!m_holder)
        return QStringLiteral("The data folder %1 is in use by another copy of the program.")
            .arg(QDir::toNativeSeparators(m_root));
    return QStringLiteral("The data folder %1 is in use on the computer %2 by the user %3 since %4.")
        .arg(QDir::toNativeSeparators(m_root), m_holder->computer, m_holder->user, shownTime(m_holder->since));
}

QString InstanceLock::takeOverQuestion(const QDateTime &now) const
{
    if (!m_holder)
        return {};
    const qint64 minutes = m_holder->confirmed.secsTo(now) / 60;
    return QStringLiteral("The data folder %1 is held by the computer %2 (the user %3, since %4), which last "
                          "confirmed that the program runs there %5 minutes ago.\r\nIf the program no longer runs "
                          "on %2 (the computer was switched off or stopped), this computer can take the folder "
                          "over. Take it over?")
        .arg(QDir::toNativeSeparators(m_root), m_holder->computer, m_holder->user, shownTime(m_holder->since))
        .arg(minutes);
}

bool InstanceLock::takeOver(const QDateTime &now)
{
    if (m_locked || !holderIsStale(now))
        return m_locked;
    const QString folderLock = m_root + QLatin1Char('/') + lockFileName();
    // Only the lock that was seen: one confirmed again since then stays.
    const auto current = readHolder(folderLock);
    if (current && (current->computer != m_holder->computer || current->pid != m_holder->pid ||
                    current->confirmed != m_holder->confirmed))
        return false;
    QFile::remove(folderLock);
    return tryLock();
}

bool InstanceLock::refresh(const QDateTime &now)
{
    if (!m_ownsFolderLock)
        return m_locked;
    const QString folderLock = m_root + QLatin1Char('/') + lockFileName();
    QFile current(folderLock);
    if (!current.open(QIODevice::ReadOnly) || current.readAll() != m_content)
        return false; // taken over by another computer
    current.close();
    const QByteArray content = lockContent(m_since, now);
    const QString temporary = folderLock + QLatin1Char('.') + QString::number(processId());
    QFile next(temporary);
    if (!next.open(QIODevice::WriteOnly | QIODevice::Truncate) || next.write(content) != content.size()) {
        next.close();
        QFile::remove(temporary);
        return true; // still ours; confirmed at the next refresh
    }
    next.close();
    if (::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(folderLock).constData()) != 0) {
        QFile::remove(temporary);
        return true;
    }
    m_content = content;
    return true;
}
