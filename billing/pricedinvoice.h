#pragma once

#include "billing/finalize.h"
#include "billing/income.h"
#include "core/money.h"
#include "printing/moneydocuments.h"

#include <QDate>
#include <QString>
#include <optional>
#include <vector>

class DataFolder;
class Settings;

// The priced invoice (printing/moneydocuments.h) made from a finalized row of the completed slips or, to
// reprint, from a row of the history.
namespace PricedInvoices {

// The rate text of a tax when the setup's rate of that name gives exactly this amount.
QString rateOf(const Settings &settings, const QString &heading, Money preTax, Money amount);

// A finalized row of the completed slips, as it will be posted on `today`.
PricedInvoice FromFinalized(const Finalize::Row &row, const Settings &settings, const QDate &today);

// What finalizing prints: the chosen row (an index into rows) when it is finalized, else every finalized row.
std::vector<PricedInvoice> FromFinalizedRows(const std::vector<Finalize::Row> &rows, int chosen,
                                             const Settings &settings, const QDate &today);

// History rows, with their slips looked up in \FinalizedServiceSlips.txt by account, invoice number and
// amount (the latest such slip); without a slip the invoice shows what the history keeps.
std::vector<PricedInvoice> FromHistory(const DataFolder &folder, const std::vector<Income::Row> &rows,
                                       const Settings &settings);

} // namespace PricedInvoices
