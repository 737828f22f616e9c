#include "core/datafolder.h"

#include <QFile>
#include <cstring>

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

void DataFolder::forEachRecord(const QString &relative, const RecordLayout &layout,
                               const std::function<void(const char *record)> &each) const
{
    QFile file(path(relative));
    if (!file.open(QIODevice::ReadOnly))
        return;
    const qsizetype length = layout.length();
    const int count = recordCountForSize(file.size(), int(length));
    constexpr qsizetype kRecordsPerBlock = 2048;
    QByteArray block(length * kRecordsPerBlock, Qt::Uninitialized);
    qsizetype held = 0; // bytes of the block not handed over yet: part of a record
    int done = 0;
    while (done < count) {
        const qint64 got = file.read(block.data() + held, block.size() - held);
        if (got <= 0)
            break;
        held += got;
        qsizetype at = 0;
        for (; at + length <= held && done < count; at += length, ++done)
            each(block.constData() + at);
        held -= at;
        if (held > 0 && at > 0)
            std::memmove(block.data(), block.constData() + at, std::size_t(held));
    }
    if (done < count && held > 0) // the short last record, completed with blanks
        each(Record(layout, block.left(held)).bytes().constData());
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
