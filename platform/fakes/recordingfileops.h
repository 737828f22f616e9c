#pragma once

#include "core/fileops.h"

#include <QHash>
#include <QSet>
#include <QStringList>

// File operations that do the real I/O and log each one in order, as "<operation> <file name>" ("open F.txt",
// "write F.txt.vdappend", "flush F.txt", "rename F.txt.*.vdtmp F.txt"; the unique part of a temporary's name
// shown as "*"). A run can be stopped before its k-th operation (from 0) as a kill would stop it (Crash is
// thrown; a write stopped there has written half of its bytes), or the disk can fill from the k-th operation
// on (what takes room fails with ENOSPC). After a stop, loseUnflushed() takes from files what a power cut
// may: what was written to them since they were last flushed, all of it or the end of it.
class RecordingFileOps : public FileOps
{
public:
    QStringList trace;
    QString refuseRemoving; // a file name whose removal fails (EACCES)

    void stopAt(int k) { m_stopAt = k; }
    void fullDiskFrom(int k) { m_fullFrom = k; }
    bool struck() const { return m_struck; }
    // The files written to (or cut) since they were last flushed, full paths, sorted.
    QStringList unflushed() const;
    // Each file's unflushed bytes go; with `torn`, the first half of what was added since the flush stays.
    void loseUnflushed(const QStringList &fullPaths, bool torn = false);

    int open(const QString &fullPath, Open mode) override;
    qint64 write(int fd, const char *data, qint64 size) override;
    bool flush(int fd) override;
    bool truncate(int fd, qint64 size) override;
    void close(int fd) override;
    bool rename(const QString &from, const QString &to) override;
    bool remove(const QString &fullPath) override;
    void flushFolderOf(const QString &fullPath) override;

private:
    // Logs the operation; true when the disk is full for it. Throws Crash at the stop.
    bool enter(const QString &entry, qint64 halfWrite = -1, int fd = -1, const char *data = nullptr);

    FileOps &m_disk = *FileOps::disk();
    int m_count = 0;
    int m_stopAt = -1;
    int m_fullFrom = -1;
    bool m_struck = false;
    bool m_halfWritten = false;
    QHash<int, QString> m_open;           // descriptor -> full path
    QHash<QString, QByteArray> m_durable; // full path -> bytes as last flushed (or as found)
    QSet<QString> m_dirty;
    QSet<int> m_grown; // descriptors written to since their last flush or cut
};
