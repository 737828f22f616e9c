#include "core/datafolder.h"

DataFolder::DataFolder(QString root, QString executableName)
    : m_paths(root)
    , m_executableName(std::move(executableName))
{}

bool DataFolder::fileExists(const QString &relative) const
{
    return files().fileExists(relative);
}

bool DataFolder::folderExists(const QString &relative) const
{
    return files().folderExists(relative);
}

qint64 DataFolder::fileSize(const QString &relative) const
{
    return files().fileSize(relative);
}

QByteArray DataFolder::readAll(const QString &relative) const
{
    return files().readAll(relative);
}

void DataFolder::deleteWithBackup(const QString &relative) const
{
    files().deleteWithBackup(relative);
}

void DataFolder::renameFile(const QString &from, const QString &to) const
{
    files().renameFile(from, to);
}

void DataFolder::copyFile(const QString &from, const QString &to) const
{
    files().copyFile(from, to);
}

void DataFolder::backupFile(const QString &relative) const
{
    files().backupFile(relative);
}

void DataFolder::makeFolder(const QString &relative) const
{
    files().makeFolder(relative);
}
