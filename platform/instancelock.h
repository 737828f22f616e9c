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
// never taken for absent.
//
// No two computers' clocks are compared. The holder confirms its lock (a heartbeat: a count written in place)
// every kRefreshSeconds; each confirmation gives it a lease of kLeaseSeconds, counted by its own steady clock
// from before the write. Before every write the folder asks stillHeld() (see guardWrites()): once the lease has
// ended, however long the copy was stopped, it writes nothing more, for good. Another computer judges a lock
// only by watching it with its own steady clock: a lock whose bytes stayed the same for kWatchSeconds (longer
// than the lease) belongs to a copy that has stopped writing, whatever times it names. A taker then removes the
// holder's temporary files too (the program's start does; the tool through fenceOffOldHolder()), so that a
// rename the stopped copy had begun finds nothing to put in place.
//
// Every copy also holds a lock of this computer keyed by the data folder's identity (device and inode): a file
// in /tmp, which every user and every session shares, held with flock() for as long as the copy runs. A
// read-only path to the folder, where no lock file can be written, or a copy of another user still finds the
// copy that runs on a writable one; the kernel lets go of it when a copy ends, however it ends.
class InstanceLock
{
public:
    // The holder confirms this often and writes only within kLeaseSeconds of its last confirmation; another
    // computer takes over (or removes a lock file cut short) only one it saw unchanged for kWatchSeconds.
    static constexpr int kRefreshSeconds = 20;
    static constexpr int kLeaseSeconds = 90;
    static constexpr int kWatchSeconds = 120;
    struct Timing
    {
        qint64 refreshMs = kRefreshSeconds * 1000;
        qint64 leaseMs = kLeaseSeconds * 1000;
        qint64 watchMs = kWatchSeconds * 1000;
    };

    // localFolder: where this computer's locks lie (empty: /tmp). computerName: this computer's name (empty:
    // the host name). Two simulated computers on one machine each get their own of both.
    explicit InstanceLock(const QString &dataRoot, const QString &localFolder = {}, const QString &computerName = {});
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    bool tryLock(const QDateTime &now = QDateTime::currentDateTimeUtc());
    bool isLocked() const { return m_locked; }
    // The lock lies in the data folder (false: the folder could not take one; this computer's lock alone holds).
    bool holdsFolderLock() const { return m_ownsFolderLock; }
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
    // The holder is another computer's and its lock stayed unchanged for the whole watch (by this computer's
    // steady clock; see watchHolder()).
    bool holderIsStale() const;
    // Reads the lock again and tells what was seen: no lock any more, a lock that changed since the last look
    // (its holder confirmed: it runs, whatever its times say), one unchanged but not yet for the whole watch,
    // or one unchanged for longer than the holder's lease.
    enum class Watch { Gone, Confirmed, Unchanged, Silent };
    Watch watchHolder();
    // How long the lock has been seen unchanged, by this computer's steady clock.
    qint64 unchangedForMs() const;
    // The words for the user: who holds the folder; the question before a take-over.
    QString refusal() const;
    QString takeOverQuestion() const;
    // Removes a lock of another computer that stayed unchanged for the whole watch and takes the folder; false
    // when it changed since (the holder confirmed between the question and the answer) or cannot be taken.
    bool takeOver(const QDateTime &now = QDateTime::currentDateTimeUtc());
    // The fence of a taker: removes every temporary file the old holder left, so that a rename it began before
    // it was stopped finds nothing to put in place. The program's start does this in its repair; the tool calls
    // this after taking the folder.
    static void fenceOffOldHolder(const DataFolder &folder);
    // Confirms that this copy still runs (cheap: a few bytes written in place) and starts a new lease. False when
    // the lock is no longer this copy's or its lease ended first: the folder is then lost (see stillHeld()).
    bool refresh(const QDateTime &now = QDateTime::currentDateTimeUtc());

    // Whether the folder is still this copy's: its lease runs and the lock file is the very file this copy made
    // and still says so (a lease half gone is renewed here, so a long task keeps it). Once the lease ended or
    // another copy took the folder, it stays lost for this one: nothing more is written there.
    bool stillHeld();
    bool lost() const { return m_lost; }
    // The words for the user once the folder was lost.
    QString lostText() const;
    // Every write to the folder asks stillHeld() first and is refused with lostText() once the folder is lost.
    // The lock outlives the folder's writes.
    void guardWrites(const DataFolder &folder);

    // How this copy waits a moment for a lock file being written (tests do the other computer's part there).
    void setPause(std::function<void(int milliseconds)> pause) { m_pause = std::move(pause); }
    // The steady clock (milliseconds) that counts the lease and the watch, and their lengths.
    void setSteadyClock(std::function<qint64()> steady) { m_steady = std::move(steady); }
    void setTiming(const Timing &timing) { m_timing = timing; }
    const Timing &timing() const { return m_timing; }

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
    Outcome lockFolder();
    Outcome lockLocal();
    QString folderLockPath() const;
    void markLost();
    void release();
    bool leaseRunning() const;
    bool confirm(const QDateTime &now);
    void observe(const QByteArray &bytes);

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
    bool m_expired = false; // lost because its lease ended, the lock file perhaps still this copy's
    quint64 m_beat = 0;
    QDateTime m_confirmed;
    qint64 m_leaseStart = 0;
    QByteArray m_watched; // the lock file's bytes as last seen, and since when (steady clock)
    qint64 m_watchedSince = -1;
    Timing m_timing;
    std::function<qint64()> m_steady;
    std::optional<Holder> m_holder;
    std::optional<Holder> m_taker; // who took the folder from this copy, when the lock says
    std::function<void(int)> m_pause;
};
