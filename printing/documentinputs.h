#pragma once

#include "printing/printsurface.h"

#include <QDate>
#include <QString>
#include <QStringList>

// The plain values the printed documents are made from. Whoever prints (the dispatch board, finalize, the data
// tool) fills them from the settings, the slip records and the board; the layouts never read a screen.

// One service slip, its fields as texts, trimmed, in the order of the slip record.
struct SlipPrintValues
{
    QString slipNo;
    QString dateReceived; // short date
    QString status;
    QString acctNo;
    QString name;
    QString address1;
    QString address2;
    QString city; // or address line 3
    QString state;
    QString postalCode; // or address line 4
    QString telephone;
    QString cell;
    QString siteName;
    QString siteAddress1;
    QString siteAddress2;
    QString siteCity;
    QString siteState;
    QString sitePostalCode;
    QString siteTelephone;
    QString siteCell;
    QString assignedTo;
    QString schedDate;       // "0" when no date is set
    QString schedTime;       // "None" when no time is set
    QString serviceRequired; // the slip contents; may hold line breaks
    QString invoiceNo;
    QString priority;
    QString payForm;
    QString amount;
};

// The lines of a name and address block: the customer a document is sold to, an invoice's billing address or
// its service location.
struct SoldTo
{
    QString name;
    QString address1;
    QString address2;
    QString city; // or address line 3
    QString state;
    QString postalCode; // or address line 4
};

// The business's own data, the nine fields of the setup screen.
struct BusinessData
{
    QString name;
    QString address1;
    QString address2;
    QString city;  // or address line 3
    QString state; // or address line 4
    QString postalCode;
    QString telephone;
    QString aux1;
    QString aux2;
};

// The print options of the setup screen.
struct PrintSettings
{
    PrintColour borderColour = PrintColours::kBlack; // red + 256 * green + 65536 * blue
    PrintColour textColour = PrintColours::kBlack;
    QString fontName = QStringLiteral("Arial");
    bool printInColour = true;
    int copies = 3;              // documents other than invoices: what the print dialog offers
    int invoiceCopies = 1;       // pages per invoice, each with its copy label
    bool populate = true;        // false prints blank invoices
    bool plainPaper = true;      // false: perforated paper with a remittance slip
    bool usaAddressStyle = true; // city, state and postal code on one line
    QString logoPath;            // empty: no logo
    double logoWidth = 1440;     // twips
    double logoHeight = 1440;
    QString taxHeading1 = QStringLiteral("Sales Tax");
    QString taxHeading2 = QStringLiteral("Tax");
    bool applyTax1 = false;
    bool applyTax2 = false;

    PrintStyle style() const { return PrintStyle{fontName, printInColour, borderColour, textColour}; }
};

// Everything a document may print besides the slip itself.
struct DocumentInputs
{
    BusinessData business;
    PrintSettings settings;
    QStringList currentItems; // the item names of /CurrentItems.txt, in record order
    QDate today;
};

// One row of the dispatch board's grid as the slip report prints it.
struct SlipReportRow
{
    QString slipNo;
    QString priority;
    QString assignedTo;
    QString status;
    QString customer;
    QString dateReceived;
    QString scheduled; // the date and time column
};
