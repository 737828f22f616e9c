#pragma once

#include <QString>
#include <memory>

class QLockFile;

// One running copy per data folder. The lock file lies inside the data folder itself, so that every path
// to the folder (a symbolic link, another letter case where file names ignore case) finds the same lock.
// A folder that cannot hold the lock file (read-only) is locked by a per-user lock file named after the
// folder's canonical path instead. A lock left by a copy that crashed belongs to a process that no longer
// runs and does not block the next start. The data tool takes the same lock before it writes.
class InstanceLock
{
public:
    explicit InstanceLock(const QString &dataRoot, const QString &fallbackFolder = {});
    ~InstanceLock();
    bool tryLock();
    bool isLocked() const;
    // The lock file in use: inside the data folder, or the per-user one when the folder is read-only.
    QString lockPath() const { return m_path; }

    static QString lockFileName();
    // The per-user lock file for a data folder, named from its canonical path.
    static QString fallbackPath(const QString &dataRoot, const QString &fallbackFolder = {});

private:
    bool tryLockAt(const QString &path);

    QString m_root;
    QString m_fallbackFolder;
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};
