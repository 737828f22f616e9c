#include "core/wholefiles.h"

#include "core/diskerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

bool WholeFiles::fileExists(const QString &relative) const
{
    const QString full = path(relative);
    if (QFileInfo(full).isFile())
        return true;
    const QString backup = path(DataPaths::backupPathOf(relative));
    if (!QFileInfo(backup).isFile())
        return false;
    QFile source(backup);
    if (!source.open(QIODevice::ReadOnly))
        return false;
    try {
        safeReplace().replace(full, source.readAll());
    } catch (const DiskError &) {
        return false;
    }
    return true;
}

bool WholeFiles::folderExists(const QString &relative) const
{
    return QFileInfo(path(relative)).isDir();
}

qint64 WholeFiles::fileSize(const QString &relative) const
{
    const QFileInfo info(path(relative));
    return info.isFile() ? info.size() : -1;
}

QByteArray WholeFiles::readAll(const QString &relative) const
{
    QFile file(path(relative));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void WholeFiles::deleteWithBackup(const QString &relative) const
{
    // The copy goes first: a missing file is restored from its copy, so a copy left behind would bring a
    // deleted file back.
    deleteFile(DataPaths::backupPathOf(relative));
    deleteFile(relative);
}

void WholeFiles::renameFile(const QString &from, const QString &to) const
{
    safeReplace().rename(path(from), path(to));
}

void WholeFiles::copyFile(const QString &from, const QString &to) const
{
    const QString source = path(from);
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly))
        throw DiskError(QStringLiteral("The file %1 could not be read: %2").arg(shownPath(source), file.errorString()));
    safeReplace().replace(path(to), file.readAll());
}

void WholeFiles::backupFile(const QString &relative) const
{
    copyFile(relative, DataPaths::backupPathOf(relative));
}

void WholeFiles::makeFolder(const QString &relative) const
{
    const QString full = path(relative);
    if (QFileInfo::exists(full))
        return;
    m_io.mayWrite();
    if (!QDir().mkdir(full))
        throw DiskError(QStringLiteral("The folder %1 could not be created.").arg(shownPath(full)));
    m_paths.noteAdded(full);
}
