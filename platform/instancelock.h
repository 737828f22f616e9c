#pragma once

#include <QString>
#include <memory>

class QLockFile;

// One running copy per data folder: a per-user lock file keyed by the data folder. A lock left by a copy
// that crashed belongs to a process that no longer runs and does not block the next start.
class InstanceLock
{
public:
    explicit InstanceLock(const QString &dataRoot, const QString &lockFolder = {});
    ~InstanceLock();
    bool tryLock();
    QString lockPath() const { return m_path; }

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};
