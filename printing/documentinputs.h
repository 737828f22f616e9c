#pragma once

#include "dispatch/slipprintvalues.h"
#include "printing/printsurface.h"

#include <QDate>
#include <QString>
#include <QStringList>

// The plain values the printed documents are made from. Whoever prints (the dispatch board, finalize, the data
// tool) fills them from the settings, the slip records and the board; the layouts never read a screen. A slip's own values
// (SlipPrintValues, SoldTo, SlipReportRow) live with the dispatch code that fills them.

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
