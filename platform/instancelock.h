#pragma once

#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>

class DataFolder;

// One running copy per data folder, and a copy writes to the folder only while it holds it.
//
// The lock file lies inside the data folder itself, so that every path to the folder (a symbolic link, another
// letter case where file names ignore case) and every computer that shares the folder finds the same lock. It
// names the computer, the user, since when and when last confirmed, and, for this computer, its boot and the
// process's start, so that a lock left by a crash is told from one in use even when its process number now
// belongs to another process. It appears whole (written beside it, then linked into place); a lock file found
// empty or cut short is being written by another computer at that moment: it is waited for and read again,
// never taken for absent. The running copy confirms it at least every kRefreshSeconds (refresh()) in place,
// after checking that the file is still the one it made; before every write the folder asks stillHeld() (see
// guardWrites()), and a copy whose lock another computer took over stops writing for good.
//
// Every copy also holds a lock of this computer keyed by the data folder's identity (device and inode): a file
// in /tmp, which every user and every session shares, held with flock() for as long as the copy runs. A
// read-only path to the folder, where no lock file can be written, or a copy of another user still finds the
// copy that runs on a writable one; the kernel lets go of it when a copy ends, however it ends.
class InstanceLock
{
public:
    static constexpr int kRefreshSeconds = 60;
    // A lock of another computer that has not been confirmed for this long may be taken over; a lock file that
    // stayed cut short this long was left by a write that died.
    static constexpr int kStaleSeconds = 5 * 60;

    // localFolder: where this computer's locks lie (empty: /tmp). computerName: this computer's name (empty:
    // the host name). Two simulated computers on one machine each get their own of both.
    explicit InstanceLock(const QString &dataRoot, const QString &localFolder = {}, const QString &computerName = {});
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    bool tryLock(const QDateTime &now = QDateTime::currentDateTimeUtc());
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
        QString bootId;      // of the holder's computer; empty in a lock of an older copy
        qint64 started = 0;  // the holder process's start, in clock ticks after boot; 0 when not known
        bool thisComputer = false;
    };
    std::optional<Holder> holder() const { return m_holder; }
    // The lock file stayed empty or cut short while this copy waited: another computer is taking the folder.
    bool lockBeingWritten() const { return m_beingWritten; }
    // The holder is another computer's and has not confirmed for kStaleSeconds.
    bool holderIsStale(const QDateTime &now = QDateTime::currentDateTimeUtc()) const;
    // The words for the user: who holds the folder; the question before a take-over.
    QString refusal() const;
    QString takeOverQuestion(const QDateTime &now = QDateTime::currentDateTimeUtc()) const;
    // Removes a lock of another computer that stopped confirming and takes the folder; false when it is fresh
    // again or cannot be taken.
    bool takeOver(const QDateTime &now = QDateTime::currentDateTimeUtc());
    // Confirms that this copy still runs (cheap: a few bytes written in place). False when the lock is no longer
    // this copy's: the folder is then lost (see stillHeld()).
    bool refresh(const QDateTime &now = QDateTime::currentDateTimeUtc());

    // Whether the folder is still this copy's: the lock file is the very file this copy made and still says so.
    // Once another copy took the folder, it stays lost for this one: nothing more is written there.
    bool stillHeld();
    bool lost() const { return m_lost; }
    // The words for the user once the folder was lost.
    QString lostText() const;
    // Every write to the folder asks stillHeld() first and is refused with lostText() once the folder is lost.
    // The lock outlives the folder's writes.
    void guardWrites(const DataFolder &folder);

    // How this copy waits a moment for a lock file being written (tests do the other computer's part there).
    void setPause(std::function<void(int milliseconds)> pause) { m_pause = std::move(pause); }

    static QString lockFileName();
    // The local lock file for a data folder, named from its identity (device and inode).
    static QString fallbackPath(const QString &dataRoot, const QString &localFolder = {});
    // The data folder that holds a file or folder: its real path (symbolic links and bind mounts followed back to
    // the folder they show), then the nearest folder from there up that holds the program's required files
    // (SlipNo.txt, MyBusinessData.txt), its folders (VIActiveAccounts, AuxFiles, Backup) or a lock a running
    // copy holds, Backup folders passed over; the folder itself when none does.
    static QString dataRootOf(const QString &path);

private:
    enum class Outcome { Taken, Refused, Unavailable };
    Outcome lockFolder(const QDateTime &now);
    Outcome lockLocal();
    QString folderLockPath() const;
    void markLost();
    void release();

    QString m_root;
    QString m_localFolder;
    QString m_computer;
    QString m_bootId;
    QString m_path;
    QString m_localPath;
    QByteArray m_content;
    QDateTime m_since;
    quint64 m_device = 0; // the lock file this copy made
    quint64 m_inode = 0;
    int m_localFd = -1;
    bool m_locked = false;
    bool m_ownsFolderLock = false;
    bool m_beingWritten = false;
    bool m_lost = false;
    std::optional<Holder> m_holder;
    std::optional<Holder> m_taker; // who took the folder from this copy, when the lock says
    std::function<void(int)> m_pause;
};
