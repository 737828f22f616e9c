#pragma once

#include "core/datapaths.h"
#include "core/fileops.h"

#include <QDateTime>
#include <QStringList>

// Whole files replaced so that a crash or a full disk never leaves one half written: the new content goes to
// a temporary file of its own beside the file (a unique name ending in ".vdtmp"), is flushed to disk, and
// the temporary file is renamed over the old one. A write that fails throws DiskError naming the file and
// leaves what was stored before. Works on full paths; the data folder resolves them.
class SafeReplace
{
public:
    SafeReplace(const DataPaths &paths, const FileIo &io)
        : m_paths(paths)
        , m_io(io)
    {}

    // Without the flush (Flush::Skip) the file is still replaced whole, but a power cut may take the last
    // version.
    void replace(const QString &fullPath, const QByteArray &content, FileIo::Flush flush = FileIo::Flush::ToDisk) const;
    void remove(const QString &fullPath) const; // nothing when missing
    void rename(const QString &from, const QString &to) const;

    // -- Temporaries of an interrupted write ("<name>.<unique>.vdtmp"), relative paths.
    static bool isTemporaryName(const QString &fileName);
    QStringList leftoverTemporaries(const QDateTime &olderThan = {}) const;
    // Removes those last changed before the given time (a write of another program running now is left
    // alone); returns the relative paths removed.
    QStringList removeLeftoverTemporaries(const QDateTime &olderThan) const;

    // Waits until what was written to these files (full paths) is on the disk: on Linux one flush of each
    // file system they lie on, elsewhere one flush per file. Returns the first file that failed; empty when
    // all reached the disk.
    static QString syncToDisk(const QStringList &fullPaths);

private:
    int createTemporary(const QString &fullPath, QString *temporary) const;

    const DataPaths &m_paths;
    const FileIo &m_io;
};
