#include "printing/pricedinvoicelayout.h"

#include "core/formats.h"
#include "printing/moneytable.h"
#include "printing/printblocks.h"

#include <algorithm>
#include <memory>

namespace {

constexpr double kRight = 11160;        // the right margin, 7.75 inches
constexpr double kLabelX = inches(4.4); // the amounts' labels

// An address block under its label: the name, the street lines and the city line (or lines).
void printAddress(PrintSurface &surface, const QString &label, const SoldTo &a, bool usaStyle, double x, double y,
                  double width)
{
    surface.SetPrintColour(true);
    surface.SetPrintFont(10, true, false);
    surface.SetPrintPosition(x, y);
    surface.print(label);
    surface.SetPrintFont(10, false, false);
    surface.setInk(PrintColours::kBlack);
    QStringList lines = {a.name, a.address1, a.address2};
    if (usaStyle)
        lines << cityLine(a.city, a.state, a.postalCode, QStringLiteral(" "));
    else
        lines << a.city << a.postalCode;
    for (const QString &line : lines) {
        if (line.trimmed().isEmpty())
            continue;
        surface.SetPrintPosition(x, 0);
        surface.print(fitMarked(surface, line, width));
    }
}

void amountLine(PrintSurface &surface, const QString &label, Money amount)
{
    printLabelAndAmount(surface, kLabelX, kRight, label, Formats::currency(amount));
}

} // namespace

void printRightAligned(PrintSurface &surface, const QString &text, double right)
{
    surface.setCurrentX(right - surface.textWidth(text));
    surface.printOnLine(text);
}

void printPricedInvoicePage(PrintSurface &surface, const DocumentInputs &inputs, const PricedInvoice &invoice)
{
    const PrintSettings &settings = inputs.settings;
    startDocument(surface, settings, QStringLiteral("Portrait"), settings.printInColour);

    // Heading: the business on the left (beside the logo), the invoice's numbers on the right.
    const LogoPlace logo = printLogo(surface, settings);
    PrintBusinessBlock(surface, inputs.business, settings.usaAddressStyle, 0.75, 0.5, 14,
                       inches(5.2) - inches(0.75) - 144, logo);
    surface.SetPrintColour(true);
    surface.SetPrintFont(26, true, false);
    surface.SetPrintPosition(5.2, 0.4);
    surface.print(QStringLiteral("INVOICE"));
    surface.SetPrintFont(10, true, false);
    QStringList numbers = {QStringLiteral("Invoice No: ") + invoice.invoiceNo, QStringLiteral("Date: ") + invoice.date};
    if (!invoice.slipNo.isEmpty())
        numbers << QStringLiteral("Service Slip No: ") + invoice.slipNo;
    if (!invoice.acctNo.isEmpty())
        numbers << QStringLiteral("Account: ") + invoice.acctNo;
    for (const QString &line : numbers) {
        surface.SetPrintPosition(5.2, 0);
        surface.print(fitMarked(surface, line, kRight - inches(5.2)));
    }

    const bool usa = settings.usaAddressStyle;
    const double addressWidth = inches(3.4);
    printAddress(surface, QStringLiteral("BILL TO:"), invoice.billTo, usa, 0.75, 2.4, addressWidth);
    printAddress(surface, QStringLiteral("SERVICE LOCATION:"), invoice.serviceAt, usa, 4.4, 2.4, addressWidth);

    // The service, up to the amounts.
    surface.SetPrintColour(true);
    surface.SetPrintFont(10, true, false);
    surface.SetPrintPosition(0.75, 4.0);
    surface.print(QStringLiteral("SERVICE PROVIDED"));
    surface.setInk(PrintColours::kBlack);
    surface.drawLine(inches(0.75), surface.currentY(), kRight, surface.currentY(), PrintColours::kBlack);
    surface.setCurrentY(surface.currentY() + 72);
    surface.SetPrintFont(10, false, false);
    printLinesInBox(surface, inches(0.75), kRight - inches(0.75), inches(3.0), inches(7.4),
                    workingTextLines(invoice.service));

    // The amounts.
    surface.setCurrentY(inches(7.6));
    surface.SetPrintFont(10, false, false);
    amountLine(surface, QStringLiteral("Amount before tax"), invoice.preTax);
    for (const PricedInvoice::Tax &tax : invoice.taxes) {
        const QString label = tax.rate.isEmpty() ? tax.heading : tax.heading + QStringLiteral(" (") + tax.rate + "%)";
        amountLine(surface, label, tax.amount);
    }
    const double ruleY = surface.currentY() + 36;
    surface.drawLine(kLabelX, ruleY, kRight, ruleY, PrintColours::kBlack);
    surface.setCurrentY(ruleY + 72);
    surface.SetPrintFont(12, true, false);
    amountLine(surface, QStringLiteral("Total"), invoice.total);
    surface.SetPrintFont(10, false, false);
    surface.setCurrentY(surface.currentY() + 144);
    surface.setCurrentX(kLabelX);
    // The day it was paid stays whole; a long payment form makes room for it.
    const QString paidOn = invoice.paidLater.isEmpty() ? QString() : QStringLiteral(", paid ") + invoice.paidLater;
    surface.print(fitMarked(surface, QStringLiteral("Payment: ") + invoice.payForm,
                            kRight - kLabelX - surface.textWidth(paidOn)) +
                  paidOn);
    // What was received for it; a long list ends with the count of the rest, so that the page holds it.
    constexpr qsizetype kShown = 4;
    for (qsizetype i = 0; i < invoice.received.size() && i <= kShown; ++i) {
        surface.setCurrentX(kLabelX);
        const bool more = i == kShown && invoice.received.size() > kShown + 1;
        const QString line =
            more ? QStringLiteral("and %1 payments more").arg(invoice.received.size() - kShown) : invoice.received[i];
        surface.print(fitMarked(surface, line, kRight - kLabelX));
    }

    // The customer's signature left of the amounts, on a rule with the "Signed by" line under it.
    if (!invoice.signaturePath.isEmpty()) {
        const double left = inches(0.75);
        const double right = kLabelX - 288;
        const double rule = inches(8.7);
        surface.drawPictureFitted(invoice.signaturePath, left, rule - inches(0.9), right - left, inches(0.85));
        surface.drawLine(left, rule, right, rule, PrintColours::kBlack);
        surface.SetPrintFont(9, false, false);
        const double afterAmounts = surface.currentY();
        surface.setCurrentX(left);
        surface.setCurrentY(rule + 36);
        surface.print(fitSignedLine(surface, invoice.signedText, right - left));
        surface.setCurrentY(afterAmounts);
        surface.SetPrintFont(10, false, false);
    }

    // Paid, or what is due, in large letters under the amounts.
    surface.SetPrintColour(true);
    surface.SetPrintFont(20, true, false);
    surface.setCurrentY(std::max(surface.currentY() + 288, inches(9.4)));
    const QString stamp = !invoice.payKnown ? QStringLiteral("PAYMENT NOT KNOWN")
                          : invoice.paid    ? QStringLiteral("PAID")
                                            : QStringLiteral("AMOUNT DUE ") + Formats::currency(invoice.amountDue);
    printRightAligned(surface, stamp, kRight);
    surface.endLine();
    surface.setInk(PrintColours::kBlack);
    surface.SetPrintFont(10, false, false);
}

PrintAction pricedInvoiceAction(const DocumentInputs &inputs, const std::vector<PricedInvoice> &invoices)
{
    PrintAction action;
    action.title = QStringLiteral("Print Priced Invoices");
    action.copies = 1;
    const auto shared = std::make_shared<const DocumentInputs>(inputs);
    for (const PricedInvoice &invoice : invoices) {
        const auto one = std::make_shared<const PricedInvoice>(invoice);
        action.jobs.push_back({QStringLiteral("Invoice ") + invoice.invoiceNo, [shared, one](PrintSurface &surface) {
                                   printPricedInvoicePage(surface, *shared, *one);
                               }});
    }
    return action;
}
