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

// Writes the archive of `dataRoot` into `folder` (made when missing) and returns its full path. Files named
// in `skip` (names in the data root, such as the running program's lock) and the temporaries of interrupted
// writes are left out, and so is `folder` itself when it lies inside the data folder.
QString create(const QString &dataRoot, const QString &folder, const QDateTime &when, const QStringList &skip = {},
               const Progress &progress = {});

// Unpacks an archive (zip or tar) into `emptyFolder`, which must be empty or not exist yet. An archive with
// a name that would leave the folder is refused before anything is written. Returns the files written,
// relative to the folder.
QStringList restore(const QString &archive, const QString &emptyFolder, const Progress &progress = {});

// The folder the last backup went to; nothing before the first one.
std::optional<QString> rememberedFolder(const DataFolder &folder);
void rememberFolder(const DataFolder &folder, const QString &backupFolder);

} // namespace BackupArchive
