#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

// One running copy per data folder. The lock file lies inside the data folder itself, so that every path
// to the folder (a symbolic link, another letter case where file names ignore case) and every computer that
// shares the folder finds the same lock. It records the computer, the user and since when, and the running
// copy confirms it at least every kRefreshSeconds (refresh()), so that a lock left by a computer that crashed
// can be told from one in use. Every copy also takes a lock in a folder of this computer keyed by the data
// folder's identity (device and inode): a read-only path to the folder, where no lock file can be written,
// still finds the copy that runs on a writable one. A lock left by a process of this computer that no longer
// runs does not block the next start. The data tool takes the same lock before it writes.
class InstanceLock
{
public:
    static constexpr int kRefreshSeconds = 60;
    // A lock of another computer that has not been confirmed for this long may be taken over.
    static constexpr int kStaleSeconds = 5 * 60;

    explicit InstanceLock(const QString &dataRoot, const QString &fallbackFolder = {});
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    bool tryLock();
    bool isLocked() const { return m_locked; }
    // The lock file in use: inside the data folder, or the local one when the folder is read-only.
    QString lockPath() const { return m_path; }

    // Who holds the lock that tryLock() found taken.
    struct Holder
    {
        qint64 pid = 0;
        QString computer;
        QString user;
        QDateTime since;     // UTC
        QDateTime confirmed; // UTC, the last time the holder said it still runs
        bool thisComputer = false;
    };
    std::optional<Holder> holder() const { return m_holder; }
    // The holder is another computer's and has not confirmed for kStaleSeconds.
    bool holderIsStale(const QDateTime &now = QDateTime::currentDateTimeUtc()) const;
    // The words for the user: who holds the folder; the question before a take-over.
    QString refusal() const;
    QString takeOverQuestion(const QDateTime &now = QDateTime::currentDateTimeUtc()) const;
    // Removes a lock of another computer that stopped confirming and takes the folder; false when it is fresh
    // again or cannot be taken.
    bool takeOver(const QDateTime &now = QDateTime::currentDateTimeUtc());
    // Confirms that this copy still runs (cheap: one small file replaced). False when the lock is no longer ours.
    bool refresh(const QDateTime &now = QDateTime::currentDateTimeUtc());

    static QString lockFileName();
    // The local lock file for a data folder, named from its identity (device and inode).
    static QString fallbackPath(const QString &dataRoot, const QString &fallbackFolder = {});
    // The data folder that holds a file or folder: its real path (symbolic links and bind mounts followed back to
    // the folder they show), then the nearest folder from there up that holds the program's required files
    // (SlipNo.txt, MyBusinessData.txt), its folders (VIActiveAccounts, AuxFiles, Backup) or a lock a running
    // copy holds, Backup folders passed over; the folder itself when none does.
    static QString dataRootOf(const QString &path);

private:
    bool lockAt(const QString &path, bool local);
    void release();

    QString m_root;
    QString m_fallbackFolder;
    QString m_path;
    QString m_localPath;
    QByteArray m_content;
    QDateTime m_since;
    bool m_locked = false;
    bool m_ownsFolderLock = false;
    bool m_ownsLocalLock = false;
    std::optional<Holder> m_holder;
};
