#pragma once

#include "accounts/assignmentprintvalues.h"
#include "printing/printblocks.h"
#include "printing/printtarget.h"

#include <vector>

// The "Assignment Information" report: every assignment's name, address and telephone, three blocks to a
// row across a landscape page, in file order.

inline const QString kAssignmentReportTitle = QStringLiteral("Assignment Information");

// The heading of every page: the title, the business block, today's date; the current position is then
// (1.0, 2.25) inches, where the first row of blocks starts.
void printAssignmentReportHeading(PrintSurface &surface, const DocumentInputs &inputs);
// Every page of the report, without ending the document.
void printAssignmentReportPages(PrintSurface &surface, const DocumentInputs &inputs,
                                const std::vector<AssignmentReportEntry> &entries);

PrintAction assignmentReportAction(const DocumentInputs &inputs, const std::vector<AssignmentReportEntry> &entries);
PrintOutcome printAssignmentReport(PrintTarget &target, const DocumentInputs &inputs,
                                   const std::vector<AssignmentReportEntry> &entries);
