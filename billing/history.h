#pragma once

#include "core/csv.h"
#include "core/money.h"
#include "core/verdict.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class DataFolder;

// The account history and the service history for a date range, of all accounts or one; the range buttons;
// purging; and the export of what is shown as CSV.
namespace History {

// One row of the financial history (/CAHistory.txt), texts trimmed.
struct FinancialRow
{
    QString acctNo;
    QString name;
    QString date;        // as stored, short date
    QString description; // invoice number or reference
    QString amountText;  // as currency text
    QDate dateValue;
    Money amount;
};

// One row of the service history (/ServiceHistory.txt), texts trimmed.
struct ServiceRow
{
    QString acctNo;
    QString name;
    QString date;
    QString contents;
    QString assignment;
    QDate dateValue;
};

struct Loaded
{
    std::vector<FinancialRow> financial;
    std::vector<ServiceRow> service;
    Money total; // of the financial rows
};

// The records dated start..end (both included), in file order; with an account, only the records whose
// trimmed account number is the trimmed account. A record whose date cannot be read is not shown. A missing
// file shows nothing.
Loaded loadHistory(const DataFolder &folder, const QDate &start, const QDate &end,
                   const std::optional<QString> &account = std::nullopt);
std::vector<FinancialRow> loadFinancial(const DataFolder &folder, const QDate &start, const QDate &end,
                                        const std::optional<QString> &account = std::nullopt);

// The range buttons, given today and the end date shown now.
struct Range
{
    QDate start;
    QDate end;
};
// Last month: from day 1 of the previous month; the end steps back to the last day of the previous month,
// an end already before this month stays.
Range lastMonth(const QDate &today, const QDate &currentEnd);
Range monthToDate(const QDate &today);
Range yearToDate(const QDate &today);
Range allTime(const QDate &today); // from 1 January 1990

// A date picked into the range (index 0: the start, 1: the end), with the range accepted so far: a day after
// today is refused and today taken instead (with the alarm, when it is on); an end before the start then
// becomes the start. Each refusal says "Your Calendar Selection is Invalid".
struct PickedRange : Verdict
{
    Range range;
};
PickedRange pickDate(const Range &accepted, int index, const QDate &picked, const QDate &today, bool soundAlarm);

// Deletes both history files and their Backup copies. Throws DiskError.
void purgeAll(const DataFolder &folder);
// Rewrites both history files without the account's records (trimmed numbers compared); the others keep
// their order. Each file is replaced whole, so a crash leaves the old or the new file. Throws DiskError.
void purgeAccount(const DataFolder &folder, const QString &account);

// The rows as CSV with a header row, ready for a spreadsheet (see core/csv.h).
QByteArray financialCsv(const std::vector<FinancialRow> &rows, Csv::Options options = {});
QByteArray serviceCsv(const std::vector<ServiceRow> &rows, Csv::Options options = {});
// Writes the file whole through a temporary file; throws DiskError naming it.
void writeExport(const QString &path, const QByteArray &bytes);

} // namespace History
