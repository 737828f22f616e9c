#include "printing/invoicelayout.h"

#include "core/formats.h"
#include "printing/moneytable.h"

#include <algorithm>
#include <memory>

namespace {

constexpr double kItemTableBottom = 12240; // the last item row ends here; the totals rows follow

} // namespace

void PrintHeader(PrintSurface &surface, const PrintSettings &settings, const QString &account, const QString &invoiceNo,
                 const QString &date)
{
    surface.SetPrintColour(true);
    surface.SetPrintFont(10, true, false);
    surface.SetPrintPosition(5.0, 0.9);
    surface.print(QStringLiteral("Date ") + date);
    // Each line ends inside the header box.
    const double room = 11880 - 144 - inches(5.0);
    auto line = [&](const QString &text) {
        surface.SetPrintPosition(5.0, 0);
        surface.print(fitMarked(surface, text, room));
    };
    line(QStringLiteral("INVOICE NO: ") + invoiceNo);
    if (!settings.plainPaper) {
        // A fill-in line gives up blanks, then underscores, before it would leave the box.
        QString fill = QStringLiteral("Amount Enclosed              _______________");
        while (surface.textWidth(fill) > room && fill.contains(QLatin1String("  ")))
            fill.remove(fill.indexOf(QLatin1String("  ")), 1);
        while (surface.textWidth(fill) > room && fill.endsWith(QLatin1String("______")))
            fill.chop(1);
        line(fill);
    }
    if (!account.isEmpty())
        line(QStringLiteral("Acct: ") + account);
}

void PrintDetails(PrintSurface &surface, const QString &text)
{
    // The lines as the narrative file holds them: what the invoicing program will read back.
    const QStringList lines = workingTextLines(text);
    surface.setCurrentY(5328);
    surface.SetPrintPosition(0.25, 0);
    surface.SetPrintFont(10, true, true);
    surface.print(QStringLiteral("Details"));
    surface.SetPrintFont(10, false, false);
    // Up to the item table, whatever the number of lines.
    printLinesInBox(surface, 360, 10800, 720, 7200, lines);
}

void PrintItemTable(PrintSurface &surface, const DocumentInputs &inputs, const QString &reference,
                    const QString &contents)
{
    PrintDetails(surface, contents);
    surface.SetPrintPosition(0.9, 5.05);
    surface.print(QStringLiteral("Reference"));
    surface.setCurrentY(inches(5.3));
    surface.setCurrentX(std::max(360.0, 1872 - surface.textWidth(reference) / 2));
    surface.print(reference);

    const double headingY = inches(5.3) + 360;
    surface.SetPrintColour(true);
    surface.setCurrentY(headingY);
    printItemHeadings(surface);

    // The items in the description column; those that would pass the item rows are left out.
    double y = headingY + 360;
    const int count = std::min<int>(int(inputs.currentItems.size()), 255);
    for (int i = 0; i < count && y + surface.textHeight() <= kItemTableBottom; ++i, y += 360) {
        surface.setCurrentX(3312);
        surface.setCurrentY(y);
        surface.print(fitMarked(surface, inputs.currentItems[i], 7920 - 3312 - 72));
    }
    surface.setInk(PrintColours::kBlack);
}

void PrintTotalLabels(PrintSurface &surface, const PrintSettings &settings)
{
    surface.SetPrintFont(10, true, false);
    const QString labels[] = {QStringLiteral("Sub-Total"),
                              settings.applyTax1 ? settings.taxHeading1 : QString(),
                              settings.applyTax2 ? settings.taxHeading2 : QString(),
                              QStringLiteral("Shipping"),
                              QStringLiteral("Handling"),
                              QStringLiteral("Total")};
    for (int i = 0; i < 6; ++i) {
        surface.SetPrintPosition(5.6, 8.55 + 0.25 * i);
        surface.print(fitMarked(surface, labels[i], 10080 - inches(5.6) - 72));
    }
    surface.SetPrintFont(10, false, false);
}

QString copyLabel(int page)
{
    switch (page) {
    case 1:
        return QStringLiteral("Original");
    case 2:
        return QStringLiteral("Duplicate");
    case 3:
        return QStringLiteral("Triplicate");
    case 4:
        return QStringLiteral("File Copy");
    default:
        return {};
    }
}

void PrintBaseLine(PrintSurface &surface, const BusinessData &business)
{
    surface.SetPrintColour(true);
    surface.SetPrintFont(14, true, false);
    surface.SetPrintPosition(1.3, 10.1);
    surface.print(fitMarked(surface, QStringLiteral("from ") + business.name, 11880 - inches(1.3)));
    surface.setInk(PrintColours::kBlack);
    surface.SetPrintFont(10, true, false);
    const QString label = copyLabel(surface.page());
    // On the last line the printer reaches, but never closer than a quarter inch to the edge of the sheet
    // (a PDF reaches the very edge, where a printer of it would cut the label off).
    const double lowest = std::min(surface.pageHeight(), PrintSurface::kLetterLongSide - inches(0.25));
    surface.setCurrentY(lowest - surface.textHeight(QStringLiteral("ABC")));
    if (!label.isEmpty())
        printCentred(surface, label);
}

void printInvoicePages(PrintSurface &surface, const DocumentInputs &inputs, const InvoiceValues &values)
{
    const PrintSettings &settings = inputs.settings;
    startDocument(surface, settings, QStringLiteral("Portrait"), settings.printInColour);
    const int copies = std::max(1, settings.invoiceCopies);
    for (int copy = 1; copy <= copies; ++copy) {
        PrintFormFrame(surface, inputs, QStringLiteral("INVOICE"), 0.4);
        PrintHeader(surface, settings, values.account, values.invoiceNo, Formats::shortDate(inputs.today));
        if (!settings.plainPaper)
            PrintDetachLine(surface);
        PrintSoldTo(surface, values.customer, settings.usaAddressStyle, 0.75, 2.3, true);
        if (settings.populate) {
            PrintItemTable(surface, inputs, values.reference, values.contents);
            PrintTotalLabels(surface, settings);
        }
        PrintBaseLine(surface, inputs.business);
        surface.newPage();
    }
}

PrintAction invoiceAction(const DocumentInputs &inputs, const std::vector<SlipPrintValues> &tickedRows,
                          qint64 firstNumber, const InvoiceStarting &starting)
{
    PrintAction action;
    action.title = QStringLiteral("Print Invoices");
    action.copies = 1; // the copies of an invoice are pages of its own document
    const auto shared = std::make_shared<const DocumentInputs>(inputs);
    const bool populate = inputs.settings.populate;
    qint64 number = firstNumber;
    for (const SlipPrintValues &row : tickedRows) {
        if (row.status != QLatin1String("Assigned"))
            continue;
        InvoiceValues values;
        if (populate) {
            values.account = row.acctNo;
            values.invoiceNo = QString::number(number++);
            values.reference = QStringLiteral("Service Slip No ") + row.slipNo;
            values.customer = soldToOf(row);
            values.contents = row.serviceRequired;
        }
        const QString name = populate ? QStringLiteral("Invoice ") + values.invoiceNo : QStringLiteral("Invoice");
        action.jobs.push_back({name, [shared, values, populate, starting](PrintSurface &surface) {
                                   if (populate && starting)
                                       starting(values);
                                   printInvoicePages(surface, *shared, values);
                               }});
    }
    return action;
}

InvoicePrintResult PrintInvoice(PrintTarget &target, const DocumentInputs &inputs,
                                const std::vector<SlipPrintValues> &tickedRows, qint64 nextInvoiceNumber,
                                const InvoiceStarting &starting)
{
    InvoicePrintResult result;
    result.outcome = target.run(invoiceAction(inputs, tickedRows, nextInvoiceNumber, starting));
    result.numbersUsed = inputs.settings.populate ? result.outcome.sent : 0;
    qint64 number = nextInvoiceNumber;
    for (const SlipPrintValues &row : tickedRows) {
        if (int(result.numbered.size()) >= result.numbersUsed)
            break;
        if (row.status == QLatin1String("Assigned"))
            result.numbered.push_back({QString::number(number++), row.slipNo});
    }
    return result;
}
