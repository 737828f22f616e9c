#pragma once

#include "printing/printblocks.h"
#include "printing/printtarget.h"

#include <vector>

// Landscape reports: the heading they share and the dispatch board's slip report.

inline constexpr double kReportRowsTop = 2880; // the first row of every report page, 2 inches down

// The heading of a landscape report page: title, business block, today's date and the column headings (the
// slip columns, or the invoice columns with "Amount" for the "Invoices Report").
void PrintReportHeading(PrintSurface &surface, const DocumentInputs &inputs, const QString &title, bool invoiceColumns);
// Row number r (from 1) of the slip report at the current Y; a blank line follows every fifth row.
void PrintSlipReportRow(PrintSurface &surface, const SlipReportRow &row, int r);
// The pages of the slip report, every row of the board in grid order, without ending the document.
void printSlipReportPages(PrintSurface &surface, const DocumentInputs &inputs, const std::vector<SlipReportRow> &rows);

PrintAction slipReportAction(const DocumentInputs &inputs, const std::vector<SlipReportRow> &rows);
// The board's "Print Slips &Report": one landscape document.
PrintOutcome PrintSlipReport(PrintTarget &target, const DocumentInputs &inputs, const std::vector<SlipReportRow> &rows);
