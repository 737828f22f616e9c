#pragma once

#include "core/appendguard.h"
#include "core/datapaths.h"
#include "core/fileops.h"
#include "core/safereplace.h"

#include <QByteArray>
#include <QString>

// The whole files of a data folder, by relative path: an existing name found whatever its letter case, a
// missing file restored from its Backup copy, a file read whole, replaced crash-safe, copied, renamed, and
// deleted with its Backup copy. DataFolder offers these over its own paths and file operations; the record
// files (RecordIO) are built on them.
class WholeFiles
{
public:
    WholeFiles(const DataPaths &paths, const FileIo &io)
        : m_paths(paths)
        , m_io(io)
    {}

    const DataPaths &paths() const { return m_paths; }
    const FileIo &io() const { return m_io; }
    SafeReplace safeReplace() const { return SafeReplace(m_paths, m_io); }
    AppendGuard appendGuard() const { return AppendGuard(m_paths, m_io); }
    QString path(const QString &relative) const { return m_paths.path(relative); }

    bool fileExists(const QString &relative) const; // restores a missing file from /Backup
    bool folderExists(const QString &relative) const;
    qint64 fileSize(const QString &relative) const; // -1 when missing
    QByteArray readAll(const QString &relative) const; // empty when missing or unreadable
    void writeFile(const QString &relative, const QByteArray &content, FileIo::Flush flush = FileIo::Flush::ToDisk) const
    {
        safeReplace().replace(path(relative), content, flush);
    }
    void deleteFile(const QString &relative) const { safeReplace().remove(path(relative)); } // nothing when missing
    void deleteWithBackup(const QString &relative) const;          // the Backup copy first, then the file
    void renameFile(const QString &from, const QString &to) const; // replaces the destination
    void copyFile(const QString &from, const QString &to) const;   // replaces the destination, crash-safe
    void backupFile(const QString &relative) const;                // copies the file to /Backup (its folder must exist)
    void makeFolder(const QString &relative) const;                // only when nothing of that name exists

private:
    const DataPaths &m_paths;
    const FileIo &m_io;
};
