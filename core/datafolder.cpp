#include "core/datafolder.h"

#include "core/diskerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

DataFolder::DataFolder(QString root, QString executableName)
    : m_paths(root)
    , m_executableName(std::move(executableName))
{}

bool DataFolder::fileExists(const QString &relative) const
{
    const QString full = path(relative);
    if (QFileInfo(full).isFile())
        return true;
    const QString backup = path(backupPathOf(relative));
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

bool DataFolder::folderExists(const QString &relative) const
{
    return QFileInfo(path(relative)).isDir();
}

qint64 DataFolder::fileSize(const QString &relative) const
{
    const QFileInfo info(path(relative));
    return info.isFile() ? info.size() : -1;
}

QByteArray DataFolder::readAll(const QString &relative) const
{
    QFile file(path(relative));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void DataFolder::deleteWithBackup(const QString &relative) const
{
    // The copy goes first: a missing file is restored from its copy, so a copy left behind would bring a
    // deleted file back.
    deleteFile(backupPathOf(relative));
    deleteFile(relative);
}

void DataFolder::renameFile(const QString &from, const QString &to) const
{
    safeReplace().rename(path(from), path(to));
}

void DataFolder::copyFile(const QString &from, const QString &to) const
{
    const QString source = path(from);
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly))
        throw DiskError(QStringLiteral("The file %1 could not be read: %2").arg(shownPath(source), file.errorString()));
    safeReplace().replace(path(to), file.readAll());
}

void DataFolder::backupFile(const QString &relative) const
{
    copyFile(relative, backupPathOf(relative));
}

void DataFolder::makeFolder(const QString &relative) const
{
    const QString full = path(relative);
    if (QFileInfo::exists(full))
        return;
    m_io.mayWrite();
    if (!QDir().mkdir(full))
        throw DiskError(QStringLiteral("The folder %1 could not be created.").arg(shownPath(full)));
    m_paths.noteAdded(full);
}
