#include "tools/recordkinds.h"

#include "billing/recordfilelayouts.h"
#include "core/recordfiletable.h"

namespace RecordKinds {

const std::vector<RecordKind> &all()
{
    // One kind per layout of the record-file table, with the files the table gives it.
    static const std::vector<RecordKind> kinds = [] {
        std::vector<RecordKind> out;
        for (const RecordFiles::Kind kind : RecordFiles::kinds()) {
            QStringList files;
            for (const RecordFiles::Row &row : RecordFiles::table()) {
                if (row.kind == kind)
                    files << row.shownName() + (row.companionReads ? QStringLiteral(" (shared)") : QString());
            }
            out.push_back({RecordFiles::kindName(kind), &RecordFiles::layoutOf(kind), files.join(QLatin1String(", "))});
        }
        return out;
    }();
    return kinds;
}

const RecordKind *byName(const QString &name)
{
    for (const RecordKind &kind : all()) {
        if (kind.name.compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return &kind;
    }
    return nullptr;
}

const RecordKind *forFile(const QString &filePath)
{
    // The usual names, and the per-account balance files with their copies under Backup/VIActiveAccounts.
    const RecordFiles::Row *row = RecordFiles::rowOf(filePath);
    return row ? byName(RecordFiles::kindName(row->kind)) : nullptr;
}

QString nameList()
{
    QStringList names;
    for (const RecordKind &kind : all())
        names << kind.name;
    return names.join(QLatin1String(", "));
}

} // namespace RecordKinds
