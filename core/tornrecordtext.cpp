#include "core/tornrecordtext.h"

#include "core/fileops.h"

#include <QDir>

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

} // namespace TornRecords
