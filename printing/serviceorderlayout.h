#pragma once

#include "printing/printblocks.h"
#include "printing/printtarget.h"

#include "core/datafolder.h"

#include <vector>

// The service order: a one-page document per slip that the technician takes to the site, with a tear-off
// completion summary at its foot.

inline const QString kServiceSlipDataFile = QStringLiteral("/ServiceSlipData.txt");

// The order page of one slip, without ending the document.
void printServiceOrderPage(PrintSurface &surface, const DocumentInputs &inputs, const DataFolder &folder,
                           const SlipPrintValues &slip);
// The tear-off completion summary with the payment lines.
void PrintSummary(PrintSurface &surface, const DocumentInputs &inputs, const SlipPrintValues &slip);

// One order document for each row whose status is "Assigned", in row order.
PrintAction serviceOrderAction(const DocumentInputs &inputs, const DataFolder &folder,
                               const std::vector<SlipPrintValues> &tickedRows);
// Prints the service orders of the ticked board rows through the target (one dialog for all of them).
PrintOutcome PrintRemitStyle(PrintTarget &target, const DocumentInputs &inputs, const DataFolder &folder,
                             const std::vector<SlipPrintValues> &tickedRows);
