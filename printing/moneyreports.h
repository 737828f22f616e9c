#pragma once

#include "billing/moneydocuments.h"
#include "printing/documentinputs.h"
#include "printing/printtarget.h"

#include <vector>

// The bookkeeper's landscape reports: the income of a date range with its totals by payment form and by tax,
// and the receivables by age.

// "Income Report": one line per invoice (date, invoice number, account, name, payment form, pre-tax, taxes,
// total), then the totals: the grand total, the pre-tax amount, each tax, and each payment form.
void printIncomeReportPages(PrintSurface &surface, const DocumentInputs &inputs, const IncomeReportScope &scope,
                            const IncomeReportValues &report);
PrintAction incomeReportAction(const DocumentInputs &inputs, const IncomeReportScope &scope, IncomeReportValues report);

// "Accounts Receivable": one line per account (balance, oldest unpaid invoice, its age and the amounts by age),
// then the totals.
void printReceivablesPages(PrintSurface &surface, const DocumentInputs &inputs, const ReceivablesReportValues &report);
PrintAction receivablesAction(const DocumentInputs &inputs, ReceivablesReportValues report);
