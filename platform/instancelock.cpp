#include "platform/instancelock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

InstanceLock::InstanceLock(const QString &dataRoot, const QString &fallbackFolder)
    : m_root(QDir(dataRoot).absolutePath())
    , m_fallbackFolder(fallbackFolder)
    , m_path(m_root + QLatin1Char('/') + lockFileName())
{}

InstanceLock::~InstanceLock() = default;

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
    QString name = QFileInfo(dataRoot).canonicalFilePath();
    if (name.isEmpty())
        name = QDir::cleanPath(QDir(dataRoot).absolutePath());
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    name = name.toCaseFolded(); // these systems' file names ignore case
#endif
    const QByteArray key = QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return folder + QStringLiteral("/VarnelDispatchDuzudu-") + QString::fromLatin1(key) + QStringLiteral(".lock");
}

bool InstanceLock::isLocked() const
{
    return m_lock && m_lock->isLocked();
}

bool InstanceLock::tryLockAt(const QString &path)
{
    m_lock = std::make_unique<QLockFile>(path);
    m_lock->setStaleLockTime(0); // stale only when its process is gone, however long it ran
    m_path = path;
    if (m_lock->tryLock(0))
        return true;
    if (m_lock->error() == QLockFile::LockFailedError && m_lock->removeStaleLockFile())
        return m_lock->tryLock(0);
    return false;
}

bool InstanceLock::tryLock()
{
    if (isLocked())
        return true;
    if (tryLockAt(m_root + QLatin1Char('/') + lockFileName()))
        return true;
    if (m_lock->error() == QLockFile::LockFailedError)
        return false; // another copy holds it
    // The folder cannot hold the lock file: lock it by its canonical path in the user's own folder.
    const QString fallback = fallbackPath(m_root, m_fallbackFolder);
    QDir().mkpath(QFileInfo(fallback).absolutePath());
    return tryLockAt(fallback);
}
