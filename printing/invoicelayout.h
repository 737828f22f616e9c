#pragma once

#include "printing/printblocks.h"
#include "printing/printtarget.h"

#include <functional>
#include <vector>

// The service invoice: one document per slip, one page per copy, each page with its copy label.

// What one invoice prints besides the settings; all empty for a blank invoice.
struct InvoiceValues
{
    QString account;
    QString invoiceNo;
    QString reference; // "Service Slip No " + the slip number
    SoldTo customer;
    QString contents; // the slip contents
};

// The header lines at the top right: date, invoice number, the remittance line, the account.
void PrintHeader(PrintSurface &surface, const PrintSettings &settings, const QString &account, const QString &invoiceNo,
                 const QString &date);
// The details (the slip contents) and the item table: reference, headings and the current items.
void PrintItemTable(PrintSurface &surface, const DocumentInputs &inputs, const QString &reference,
                    const QString &contents);
// The text as the details, in the lines a working file of it would hold.
void PrintDetails(PrintSurface &surface, const QString &text);
void PrintTotalLabels(PrintSurface &surface, const PrintSettings &settings);
// The "from" line and the copy label of the page: "Original", "Duplicate", "Triplicate", "File Copy", none after.
void PrintBaseLine(PrintSurface &surface, const BusinessData &business);
QString copyLabel(int page);

// Every page of one invoice (the copies), without ending the document.
void printInvoicePages(PrintSurface &surface, const DocumentInputs &inputs, const InvoiceValues &values);

// Told as each populated invoice begins to print, before its pages are drawn (the caller keeps what the invoicing
// program shares with it).
using InvoiceStarting = std::function<void(const InvoiceValues &)>;

// One invoice document for each row whose status is "Assigned", in row order. Populated invoices take
// consecutive numbers from firstNumber; blank ones (populate off) carry no number and no customer.
PrintAction invoiceAction(const DocumentInputs &inputs, const std::vector<SlipPrintValues> &tickedRows,
                          qint64 firstNumber, const InvoiceStarting &starting = {});

struct InvoicePrintResult
{
    PrintOutcome outcome;
    int numbersUsed = 0; // the invoice counter advances by this: populated invoices actually sent
    struct Numbered
    {
        QString invoiceNo;
        QString slipNo;
    };
    std::vector<Numbered> numbered; // those invoices' numbers and slips, in order
};

// Prints the invoices of the ticked board rows through the target (one dialog for all of them).
InvoicePrintResult PrintInvoice(PrintTarget &target, const DocumentInputs &inputs,
                                const std::vector<SlipPrintValues> &tickedRows, qint64 nextInvoiceNumber,
                                const InvoiceStarting &starting = {});
