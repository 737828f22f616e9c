#include "printing/finalizedreport.h"

#include "core/formats.h"
#include "printing/printblocks.h"

#include <memory>

namespace {

const QString kTitle = QStringLiteral("Finalized Service Slips Report");

// Columns left of the amount, x in inches; a text is cut where the next column begins.
constexpr double kColumnX[] = {0.5, 1.1, 1.9, 3.2, 5.5, 6.8};
constexpr double kAmountRight = 12672; // twips
constexpr double kStatusX = 9.0;

void printHeading(PrintSurface &surface, const DocumentInputs &inputs)
{
    surface.setInk(PrintColours::kBlack);
    surface.endLine();
    surface.SetPrintFont(14, true, false);
    printCentred(surface, kTitle);
    PrintBusinessBlock(surface, inputs.business, inputs.settings.usaAddressStyle, 1.0, 0.5, 14,
                       inches(7.0) - inches(1.0) - 144);
    surface.SetPrintFont(10, false, false);
    surface.SetPrintPosition(7.0, 0.5);
    surface.print(Formats::shortDate(inputs.today));

    surface.SetPrintFont(10, true, false);
    const std::pair<double, const char *> headings[] = {
        {0.5, "Slip No"},        {1.1, "Date"},    {1.9, "Account No"}, {3.2, "Account Name"},
        {5.5, "Invoice Number"}, {6.8, "Paid By"}, {8.3, "Amount"},     {9.0, "Status"}};
    surface.SetPrintPosition(0, 2.0);
    for (const auto &[x, text] : headings) {
        surface.SetPrintPosition(x, 0);
        surface.printOnLine(QString::fromLatin1(text));
    }
    const double ruleY = inches(2.0) + 100;
    surface.drawLine(720, ruleY, 14400, ruleY, PrintColours::kBlack);
    surface.SetPrintFont(10, false, false);
    surface.SetPrintPosition(1.0, 2.3);
}

void printRow(PrintSurface &surface, const FinalizedReportRow &row)
{
    const QString texts[] = {row.slipNo, row.date, row.acctNo, row.name, row.invoiceNo, row.payForm};
    constexpr int count = int(std::size(kColumnX));
    for (int c = 0; c < count; ++c) {
        const double x = inches(kColumnX[c]);
        const double end = c + 1 < count ? inches(kColumnX[c + 1]) : kAmountRight - surface.textWidth(row.amount);
        surface.setCurrentX(x);
        surface.printOnLine(fitText(surface, texts[c], end - x - 72));
    }
    surface.setCurrentX(kAmountRight - surface.textWidth(row.amount));
    surface.printOnLine(row.amount);
    surface.setCurrentX(inches(kStatusX));
    surface.printOnLine(fitText(surface, row.status, surface.pageWidth() - inches(kStatusX) - 360));
    surface.endLine();
}

} // namespace

void printFinalizedReportPages(PrintSurface &surface, const DocumentInputs &inputs,
                               const std::vector<FinalizedReportRow> &rows)
{
    startDocument(surface, inputs.settings, QStringLiteral("Landscape"), true);
    printHeading(surface, inputs);
    for (const FinalizedReportRow &row : rows) {
        if (surface.currentY() + surface.textHeight(QStringLiteral("ADFGTYH")) >= surface.pageHeight() - 720) {
            surface.newPage();
            printHeading(surface, inputs);
        }
        printRow(surface, row);
    }
}

PrintAction finalizedReportAction(const DocumentInputs &inputs, const std::vector<FinalizedReportRow> &rows)
{
    PrintAction action;
    action.title = kTitle;
    action.copies = 1;
    const auto shared = std::make_shared<const DocumentInputs>(inputs);
    const auto sharedRows = std::make_shared<const std::vector<FinalizedReportRow>>(rows);
    action.jobs.push_back({action.title, [shared, sharedRows](PrintSurface &surface) {
                               printFinalizedReportPages(surface, *shared, *sharedRows);
                           }});
    return action;
}

PrintOutcome PrintFinalizedReport(PrintTarget &target, const DocumentInputs &inputs,
                                  const std::vector<FinalizedReportRow> &rows)
{
    return target.run(finalizedReportAction(inputs, rows));
}
