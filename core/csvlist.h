#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

// The lists the screens export, as CSV that spreadsheets open as meant: UTF-8 with a byte-order mark (so that
// accents survive), a heading row, commas, CR LF, a value quoted when it holds a comma, a quote or a line
// break. A value that a spreadsheet would take for a formula (beginning with =, +, - or @ and not a number)
// is written with a leading apostrophe.
namespace CsvList {
QByteArray document(const QStringList &headings, const std::vector<QStringList> &rows);
// Writes the file whole (a crash leaves the old file or the new one). Throws DiskError.
void save(const QString &path, const QByteArray &bytes);
} // namespace CsvList
