#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class DataFolder;

// The dated backup of a whole data folder: every file and folder in it, in one zip archive that any archive
// program opens (file names in UTF-8). Written through libarchive. Throws DiskError with a message for the
// user; a backup that fails leaves no archive behind, only the ones made before.
namespace BackupArchive {

// Where Files | Back Up Now put the last archive, kept in the data folder.
inline const QString kFolderFile = QStringLiteral("/VarnelDispatchDuzudu/BackupFolder.txt");

// "DispatchBackup-2026-12-07-0815.zip": the date and time the backup was made.
QString archiveName(const QDateTime &when);

// Called with the bytes done and the bytes in all; the total is known before the first call.
using Progress = std::function<void(qint64 done, qint64 total)>;

// What a backup wrote: the archive, the files in it and their bytes (before packing).
struct Made
{
    QString path;
    int files = 0;
    qint64 bytes = 0;
};

// Writes the archive of `dataRoot` into `folder` (made when missing), wherever that folder lies (inside the
// data folder, above it, or the data folder itself). Files named in `skip` (names in the data root, such as
// the running program's lock), the temporaries of interrupted writes and the archive being written are left
// out. The archive is read back and every name and checksum compared with what was packed before it gets its
// name; an archive left half-written by a killed backup in `folder` is removed first.
Made create(const QString &dataRoot, const QString &folder, const QDateTime &when, const QStringList &skip = {},
            const Progress &progress = {});

// Unpacks an archive (zip or tar) into `emptyFolder`, which must be empty or not exist yet. An archive with
// a name that would leave the folder is refused before anything is written. Returns the files written,
// relative to the folder.
QStringList restore(const QString &archive, const QString &emptyFolder, const Progress &progress = {});

// The folder the last backup went to; nothing before the first one.
std::optional<QString> rememberedFolder(const DataFolder &folder);
void rememberFolder(const DataFolder &folder, const QString &backupFolder);

} // namespace BackupArchive
