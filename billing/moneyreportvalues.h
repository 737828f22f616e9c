#pragma once

#include "billing/income.h"
#include "billing/moneydocuments.h"
#include "billing/receivables.h"

#include <vector>

// The income rows and their totals, and the receivables by age, as the money reports print them.

IncomeReportValues incomeReportValues(const std::vector<Income::Row> &rows, const Income::Totals &totals);

ReceivablesReportValues receivablesReportValues(const Receivables::Report &report);
