#pragma once

#include "billing/finalize.h"
#include "billing/income.h"
#include "billing/moneydocuments.h"
#include "billing/receivables.h"
#include "core/money.h"

#include <QDate>
#include <QString>
#include <optional>
#include <vector>

class DataFolder;
class Settings;

// The priced invoice (billing/moneydocuments.h) made from a finalized row of the completed slips or, to
// reprint, from a row of the history.
namespace PricedInvoices {

// The rate this tax was charged at, as far as the pre-tax amount and the tax in cents tell it: "7.5" (percent);
// empty when they fit more than one rate of the fewest decimals that fits (a $0.08 tax on $1.00 is 7.5 to 8.4).
// Never the setup's rate of today, which may have changed since.
QString rateOf(Money preTax, Money amount);

// A finalized row of the completed slips, as it will be posted on `today`.
PricedInvoice fromFinalized(const Finalize::Row &row, const Settings &settings, const QDate &today);

// What finalizing prints: the chosen row (an index into rows) when it is finalized, else every finalized row.
std::vector<PricedInvoice> fromFinalizedRows(const std::vector<Finalize::Row> &rows, int chosen,
                                             const Settings &settings, const QDate &today);

// History rows, with their slips looked up in \FinalizedServiceSlips.txt by account, invoice number and
// amount (the latest such slip), and the slips' signatures; without a slip the invoice shows what the history
// keeps.
std::vector<PricedInvoice> fromHistory(const DataFolder &folder, const std::vector<Income::Row> &rows,
                                       const Settings &settings);

// The customer's signature on each invoice's slip, where a technician's phone took one.
void addSignatures(const DataFolder &folder, std::vector<PricedInvoice> &invoices);

// What is owed on the invoice and what paid it, from its charge in the account's balance file (Who Still Owes'
// reading): the amount due, the payments received ("Paid $200.00 on 11/28/2026, Ck # 3001"), paid when nothing
// is owed; a charge paid with its own payment line names that payment's form.
void owedOn(PricedInvoice &invoice, const Receivables::Invoice &charge);

// Whether invoice number a comes before b: the runs of digits by their value ("9" before "10", "0042" with "42"),
// the rest letter by letter whatever the case ("A-9" before "b-1"). Equal numbers keep the order they came in.
bool invoiceNumberBefore(const QString &a, const QString &b);

// History rows in invoice-number order, rows of one number in the order given: how invoices are reprinted.
void sortByInvoiceNumber(std::vector<Income::Row> &rows);

} // namespace PricedInvoices
