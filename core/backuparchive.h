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
    QStringList leftOut; // "name: reason" for each file or folder that could not go in
};

// Writes the archive of `dataRoot` into `folder` (made when missing), wherever that folder lies (inside the
// data folder, above it, or the data folder itself). It holds what the program reads: a symbolic link inside
// the folder is packed as the file or folder it leads to. Files named in `skip` (names in the data root, such
// as the running program's lock), the temporaries of interrupted writes and every backup archive (finished
// or not, wherever it lies) stay out; a link leading out of the folder and a name the restore could not make
// again (holding ":" or "\", or not UTF-8) are left out and listed in Made::leftOut. The archive is read back,
// every name and checksum compared with what was packed, and its names taken through the restore's check
// before it gets its name; an archive left half-written by a killed backup in `folder` is removed first. A
// folder with no file to back up makes no archive (DiskError).
Made create(const QString &dataRoot, const QString &folder, const QDateTime &when, const QStringList &skip = {},
            const Progress &progress = {});

// Unpacks an archive (zip or tar) into `emptyFolder`, which must be empty or not exist yet. An archive with
// a name that would leave the folder, or that the restore cannot make, is refused before anything is written.
// The files are unpacked into ".NAME-restoring-XXXXXX" beside the folder and moved into place at the end; such
// a folder left by a killed restore is removed first. Returns the files written, relative to the folder.
QStringList restore(const QString &archive, const QString &emptyFolder, const Progress &progress = {});

// Removes what a killed restore into `target` left beside it (the ".NAME-restoring-XXXXXX" folders).
void removeLeftoverStaging(const QString &target);

// The folder the last backup went to; nothing before the first one.
std::optional<QString> rememberedFolder(const DataFolder &folder);
void rememberFolder(const DataFolder &folder, const QString &backupFolder);

} // namespace BackupArchive
