#pragma once

#include "billing/income.h"
#include "billing/receivables.h"
#include "printing/documentinputs.h"
#include "printing/printtarget.h"

#include <vector>

// The bookkeeper's landscape reports: the income of a date range with its totals by payment form and by tax,
// and the receivables by age.

// What the income report covers, for its heading: "3/1/2026 to 3/31/2026" and "All Accounts" or "Account 1001".
struct IncomeReportScope
{
    QDate start;
    QDate end;
    QString account; // empty: all accounts
};

// "Income Report": one line per invoice (date, invoice number, account, name, payment form, pre-tax, taxes,
// total), then the totals: the grand total, the pre-tax amount, each tax, and each payment form.
void printIncomeReportPages(PrintSurface &surface, const DocumentInputs &inputs, const IncomeReportScope &scope,
                            const std::vector<Income::Row> &rows, const Income::Totals &totals);
PrintAction incomeReportAction(const DocumentInputs &inputs, const IncomeReportScope &scope,
                               std::vector<Income::Row> rows, Income::Totals totals);

// "Accounts Receivable": one line per account (balance, oldest unpaid invoice, its age and the amounts by age),
// then the totals.
void printReceivablesPages(PrintSurface &surface, const DocumentInputs &inputs, const Receivables::Report &report);
PrintAction receivablesAction(const DocumentInputs &inputs, Receivables::Report report);
