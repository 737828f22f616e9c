#include "core/csvlist.h"

#include "core/csv.h"
#include "core/diskerror.h"

#include <QDir>
#include <QSaveFile>

namespace CsvList {

namespace {

QStringList cells(const QStringList &values)
{
    QStringList out;
    out.reserve(values.size());
    for (const QString &value : values)
        out << Csv::text(value);
    return out;
}

} // namespace

QByteArray document(const QStringList &headings, const std::vector<QStringList> &rows)
{
    Csv::Writer writer(Csv::Options{true});
    writer.addLine(cells(headings));
    for (const QStringList &row : rows)
        writer.addLine(cells(row));
    return writer.bytes();
}

void save(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw DiskError(
            QStringLiteral("%1 could not be written: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
}

} // namespace CsvList
