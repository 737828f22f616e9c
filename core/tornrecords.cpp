#include "core/tornrecords.h"

#include "core/datafolder.h"
#include "core/diskerror.h"

#include <QFileInfo>

namespace TornRecords {

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
