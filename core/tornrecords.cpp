#include "core/tornrecords.h"

#include "core/datafolder.h"
#include "core/diskerror.h"

#include <QDir>
#include <QFileInfo>

namespace TornRecords {

namespace {

QString shownName(const QString &relative)
{
    return QDir::toNativeSeparators(relative.mid(1));
}

QString records(qint64 n)
{
    return n == 1 ? QStringLiteral("1 record") : QStringLiteral("%1 records").arg(n);
}

} // namespace

std::vector<Torn> find(const DataFolder &folder, const std::vector<RecordFile> &files)
{
    std::vector<Torn> torn;
    for (const RecordFile &file : files) {
        const QFileInfo info(folder.path(file.relative));
        const int length = file.layout->length();
        if (info.isFile() && info.size() % length != 0)
            torn.push_back({file.relative, info.size(), length});
    }
    return torn;
}

QString describe(const Torn &torn)
{
    return QStringLiteral("%1 is %2 bytes longer than its %3 whole %4 (%5 bytes each)")
        .arg(shownName(torn.relative))
        .arg(torn.over())
        .arg(torn.wholeRecords())
        .arg(torn.wholeRecords() == 1 ? QStringLiteral("record") : QStringLiteral("records"))
        .arg(torn.recordLength);
}

QString refusal(const QString &what, const QString &fullPath, qint64 size, int recordLength)
{
    return QStringLiteral("%1 could not be added to %2: the file ends in %3 bytes that are not a whole record (%4 "
                          "bytes each), left by a power cut or a copy cut short, and a record added after them would "
                          "not line up with the others. Nothing was written.\nStart the program again and let it "
                          "complete the last record (\"dispatch-data check\" shows what the file holds).")
        .arg(what, shownPath(fullPath))
        .arg(size % recordLength)
        .arg(recordLength);
}

QString cutBackText(const AppendGuard::CutBack &cut, int recordLength)
{
    const qint64 bytes = cut.from - cut.to;
    const QString file = shownName(cut.relative);
    if (recordLength <= 0)
        return QStringLiteral("%1: %2 bytes left by an interrupted save were removed.").arg(file).arg(bytes);
    const qint64 whole = bytes / recordLength;
    if (bytes % recordLength == 0) {
        return QStringLiteral("%1: the last %2 (%3 bytes) of an interrupted save %4 removed.")
            .arg(file, whole == 1 ? QStringLiteral("record") : records(whole))
            .arg(bytes)
            .arg(whole == 1 ? QStringLiteral("was") : QStringLiteral("were"));
    }
    if (whole == 0)
        return QStringLiteral("%1: part of a record (%2 bytes) left by an interrupted save was removed.")
            .arg(file)
            .arg(bytes);
    return QStringLiteral("%1: %2 and part of another (%3 bytes) left by an interrupted save were removed.")
        .arg(file, records(whole))
        .arg(bytes);
}

qint64 completeLastRecord(const DataFolder &folder, const QString &relative, const RecordLayout &layout)
{
    const qint64 size = folder.fileSize(relative);
    const int length = layout.length();
    if (size <= 0 || size % length == 0)
        return 0;
    const QByteArray rest = blankRecordBytes(layout).mid(size % length);
    const QString full = folder.path(relative);
    folder.appendGuard().append(full, size, rest, QStringLiteral("The blanks completing the last record"));
    const QByteArray now = folder.readAll(relative);
    if (now.size() != size + rest.size() || !now.endsWith(rest)) {
        throw DiskError(QStringLiteral("The last record of %1 was completed, but reading the file back shows %2 "
                                       "bytes instead of %3.")
                            .arg(shownPath(full))
                            .arg(now.size())
                            .arg(size + rest.size()));
    }
    return rest.size();
}

} // namespace TornRecords
