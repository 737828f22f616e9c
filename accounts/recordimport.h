#pragma once

#include "core/csvreader.h"
#include "core/recordlayout.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

class DataFolder;

// Bringing customers, services and technicians (assignments) in from a comma-separated file. The file's
// columns are matched to the record's fields by their headings; each row becomes a record as the screens
// would store it, or is refused with its line and the reason. Nothing is written until writeImport(), which
// appends every accepted row in one crash-safe replacement of the file: a crash leaves the file as it was or
// with every row.
enum class ImportKind { Customers, Services, Technicians };

namespace RecordImport {

// "customers", "services", "technicians" (also "assignments").
// A cell's value as one line: line breaks and tabs inside a cell become blanks. What an export wraps a value in,
// so that a spreadsheet keeps it as text, is taken off again: the apostrophe before a text it would compute
// ('=1) and the formula around a text it would take for a number (="02134").
QString oneLine(QString value);

std::optional<ImportKind> kindNamed(const QString &name);
QString kindName(ImportKind kind);
QString pathOf(ImportKind kind);
// The most records the file holds.
int limitOf(ImportKind kind);

// A field the file's columns can fill: its heading (the one exports write), the most characters it holds
// and the other headings it is known by.
struct Target
{
    QString heading;
    int limit = 0;
    QStringList aliases;
};
const std::vector<Target> &targets(ImportKind kind);

// For each heading, the target it fills (an index into targets()), or -1 when the heading is not known.
// A heading is compared without case, blanks and punctuation; a target takes the first heading that names it.
std::vector<int> matchHeadings(ImportKind kind, const QStringList &headings);
// The target a heading names (-1: none), whether another column fills it or not.
int targetNamed(ImportKind kind, const QString &heading);
// What becomes of a column the mapping leaves out, said as such: a heading the file repeats, a second column
// for a field (read where the first is blank), a field the program sets itself, or a heading not known.
// Empty for a column that fills a field.
QString headingNote(ImportKind kind, const QStringList &headings, const std::vector<int> &mapping, int column);
// Why a mapping cannot be used (two columns for one field, no column for the name); nothing when it can.
std::optional<QString> mappingProblem(ImportKind kind, const std::vector<int> &mapping);

struct Problem
{
    int line = 0;
    QString reason;
};

struct Plan
{
    ImportKind kind = ImportKind::Customers;
    std::vector<Record> records;   // the rows as they will be stored
    std::vector<int> lines;        // the file line of each
    std::vector<Problem> problems; // by line: the rows refused, also those the file reader could not read
    int read = 0;                  // the rows read: always records plus problems
    int existing = 0;              // records in the file before
    qint64 fileSize = -1;          // its length then (-1: no file), so that a change before the write is noticed
    bool usaStyle = true;
};

using Progress = std::function<void(int done, int total)>;

// Checks every row against the data folder as it is now. `usaStyle` is the address style: in the USA style
// a customer's fourth address line repeats the postal code, as the customer screen stores it.
Plan plan(const DataFolder &folder, ImportKind kind, const CsvReader::Table &table, const std::vector<int> &mapping,
          bool usaStyle = true, const Progress &progress = {});
// The texts of a planned record in the order of targets(), as they will be stored.
QStringList shownValues(ImportKind kind, const Record &record);
// Appends the planned records to the file in one crash-safe replacement. Throws DiskError when the file
// changed since plan() (nothing is written then) or cannot be written (the file is left as it was).
void write(const DataFolder &folder, const Plan &plan);

// Every stored record of the kind as a CSV list under the headings of targets(), which import reads back.
QByteArray listCsv(const DataFolder &folder, ImportKind kind);

} // namespace RecordImport
