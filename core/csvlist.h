#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

// The lists the screens export, as CSV that spreadsheets open as meant: UTF-8 with a byte-order mark (so that
// accents survive), a heading row, and every value written by Csv::text (leading zeros kept, formulas
// guarded), the one rule of every export.
namespace CsvList {
QByteArray document(const QStringList &headings, const std::vector<QStringList> &rows);
// Writes the file whole (a crash leaves the old file or the new one). Throws DiskError.
void save(const QString &path, const QByteArray &bytes);
} // namespace CsvList
