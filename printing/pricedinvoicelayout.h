#pragma once

#include "billing/moneydocuments.h"
#include "printing/documentinputs.h"
#include "printing/printtarget.h"

#include <vector>

// The priced invoice: one page that shows what was charged and whether it was paid.

// Prints the invoice's page, without ending the document.
void printPricedInvoicePage(PrintSurface &surface, const DocumentInputs &inputs, const PricedInvoice &invoice);

// One document per invoice, all through one dialog (into one PDF file when saved as PDF).
PrintAction pricedInvoiceAction(const DocumentInputs &inputs, const std::vector<PricedInvoice> &invoices);

// A text right-aligned so that it ends at x (twips), at the current Y, staying on the line.
void printRightAligned(PrintSurface &surface, const QString &text, double right);
