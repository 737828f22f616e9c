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
// The tear-off completion summary with the payment lines; the customer's signature, when there is one, on its
// signature line with the "Signed by" line under it.
void PrintSummary(PrintSurface &surface, const DocumentInputs &inputs, const SlipPrintValues &slip);
// The slip's photos on pages of their own, ten to a page, each with its caption.
void printServiceOrderPhotos(PrintSurface &surface, const SlipPrintValues &slip);

// Whether a row prints as a service order: an "Assigned" slip, or one a technician's phone has added photos or a
// signature to (the office keeps that order as the record of the work).
bool printsAsServiceOrder(const SlipPrintValues &row);
// One order document for each row that prints as one, in row order; with photos, each order's photos follow it
// on pages of their own.
PrintAction serviceOrderAction(const DocumentInputs &inputs, const DataFolder &folder,
                               const std::vector<SlipPrintValues> &tickedRows, bool withPhotos = false);
// Prints the service orders of the ticked board rows through the target (one dialog for all of them).
PrintOutcome PrintRemitStyle(PrintTarget &target, const DocumentInputs &inputs, const DataFolder &folder,
                             const std::vector<SlipPrintValues> &tickedRows, bool withPhotos = false);
