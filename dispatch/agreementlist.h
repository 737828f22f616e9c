#pragma once

#include "core/csvreader.h"
#include "dispatch/agreements.h"

#include <QByteArray>
#include <QStringList>
#include <optional>
#include <vector>

class DataFolder;

// The agreements as a list for spreadsheets, and back: the export writes one row per agreement under the
// headings below; the import reads such a file (headings matched without regard to case, blanks and
// punctuation), checks every row as the agreement editor does and adds the good ones, refusing each other row
// with its line and the reason.
namespace AgreementList {

// AcctNo, Services (catalogue descriptions separated by ";"), Interval (Weeks, Months or Chosen months), Every,
// Months (such as "Mar Jun Sep Dec"), Technician, Weekday (Monday ... Sunday, blank for none), Slot, Start, End
// (M/d/yyyy, End blank for none), Price ($1,234.56), Note.
const QStringList &headings();

// Every stored agreement as a CSV list (UTF-8 with a byte-order mark, values as every list export writes them).
QByteArray listCsv(const DataFolder &folder);

// For each heading, the column of headings() it fills, or -1 when it is not known.
std::vector<int> matchHeadings(const QStringList &headings);
// Why the columns cannot be read (a heading twice, no AcctNo or no Start column); nothing when they can.
std::optional<QString> mappingProblem(const std::vector<int> &mapping);

struct Problem
{
    int line = 0;
    QString reason;
};
struct Plan
{
    std::vector<Agreement> agreements; // as they will be stored, ids not yet given
    std::vector<Problem> problems;     // by line
    int read = 0;
    qint64 fileSize = -1; // of /Agreements.dat when checked (-1: none), so that a change before the write is seen
};
Plan plan(const DataFolder &folder, const CsvReader::Table &table, const std::vector<int> &mapping);
// Adds the planned agreements after those stored, with the next ids, in one guarded append: an interruption
// leaves the file as it was or with every row. Throws DiskError when the file changed since plan() (nothing is
// written) or cannot be written.
void write(const DataFolder &folder, const Plan &plan);

} // namespace AgreementList
