#include "printing/finalizedreport.h"

#include "core/formats.h"
#include "printing/moneytable.h"
#include "printing/printblocks.h"

#include <memory>

namespace {

const QString kTitle = QStringLiteral("Finalized Service Slips Report");

// The columns, x in twips; the amount ends at 12672 twips (8.8 inches), its heading starts at 8.3 inches.
std::vector<TableColumn> columns()
{
    return {{inches(0.5), false, true},          {inches(1.1), false, true},  {inches(1.9), false, false},
            {inches(3.2), false, false},         {inches(5.5), false, false}, {inches(6.8), false, false},
            {12672, true, true, 0, inches(8.3)}, {inches(9.0), false, false}};
}

const TableLine kHeadings = {
    {"Slip No", "Date", "Account No", "Account Name", "Invoice Number", "Paid By", "Amount", "Status"}, true, true};

void printHeading(PrintSurface &surface, const DocumentInputs &inputs, const MoneyTable &table)
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

    surface.setCurrentY(inches(2.0));
    table.printLine(surface, kHeadings);
    // Under the headings, not through them.
    const double ruleY = surface.currentY();
    surface.drawLine(720, ruleY, 14400, ruleY, PrintColours::kBlack);
    surface.SetPrintFont(10, false, false);
    surface.SetPrintPosition(1.0, 2.3);
}

} // namespace

void printFinalizedReportPages(PrintSurface &surface, const DocumentInputs &inputs,
                               const std::vector<FinalizedReportRow> &rows)
{
    startDocument(surface, inputs.settings, QStringLiteral("Landscape"), true);
    // The columns are placed once for every row, so that they stand alike on every page.
    std::vector<TableLine> lines = {kHeadings};
    lines.reserve(rows.size() + 1);
    for (const FinalizedReportRow &row : rows)
        lines.push_back(
            {{row.slipNo, row.date, row.acctNo, row.name, row.invoiceNo, row.payForm, row.amount, row.status}});
    const MoneyTable table(surface, columns(), lines, 10, inches(0.5), surface.pageWidth() - 360);
    printHeading(surface, inputs, table);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (surface.currentY() + surface.textHeight(QStringLiteral("ADFGTYH")) >= surface.pageHeight() - 720) {
            surface.newPage();
            printHeading(surface, inputs, table);
        }
        table.printLine(surface, lines[i]);
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
