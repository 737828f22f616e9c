#include "printing/reportlayout.h"

#include "core/formats.h"

#include <memory>

namespace {

// The slip columns, x in inches; a text is cut where the next column begins.
struct Column
{
    double x;
    const char *heading;
};
constexpr Column kSlipColumns[] = {{0.6, "Slip #"},
                                   {1.2, "Account"},
                                   {3.0, "Status"},
                                   {4.0, "Assigned To"},
                                   {5.75, "Priority"},
                                   {6.6, "Date Recv'd"},
                                   {7.85, "Scheduled Date/Time"}};
constexpr int kColumnCount = int(std::size(kSlipColumns));

void setRowFont(PrintSurface &surface)
{
    surface.setInk(PrintColours::kBlack);
    surface.SetPrintFont(10, false, false);
}

} // namespace

void PrintReportHeading(PrintSurface &surface, const DocumentInputs &inputs, const QString &title, bool invoiceColumns)
{
    surface.endLine();
    surface.SetPrintFont(14, true, false);
    printCentred(surface, title);
    // The block ends before the date at 6.5 inches.
    PrintBusinessBlock(surface, inputs.business, inputs.settings.usaAddressStyle, 0.75, 0.4, 12,
                       inches(6.5) - inches(0.75) - 144);
    surface.SetPrintFont(10, false, false);
    surface.SetPrintPosition(6.5, 0.75);
    surface.print(Formats::shortDate(inputs.today));

    surface.SetPrintColour(true);
    surface.endLine();
    surface.SetPrintFont(10, true, false);
    if (!invoiceColumns) {
        surface.SetPrintPosition(0, 1.75);
        for (const Column &column : kSlipColumns) {
            surface.SetPrintPosition(column.x, 0);
            surface.printOnLine(QString::fromLatin1(column.heading));
        }
    } else {
        surface.SetPrintPosition(0, 2.2);
        const std::pair<double, const char *> headings[] = {
            {1.0, "Invoice No."}, {2.25, "Account No"}, {3.5, "Account"}, {5.5, "Date"}};
        for (const auto &[x, text] : headings) {
            surface.SetPrintPosition(x, 0);
            surface.printOnLine(QString::fromLatin1(text));
        }
        if (title == QLatin1String("Invoices Report")) {
            const QString amount = QStringLiteral("Amount");
            surface.setCurrentX(10800 - surface.textWidth(amount));
            surface.printOnLine(amount);
        }
    }
    surface.endLine();
}

void PrintSlipReportRow(PrintSurface &surface, const SlipReportRow &row, int r)
{
    const QString texts[kColumnCount] = {row.slipNo,   row.customer,     row.status,   row.assignedTo,
                                         row.priority, row.dateReceived, row.scheduled};
    for (int c = 0; c < kColumnCount; ++c) {
        const double x = inches(kSlipColumns[c].x);
        const double end = c + 1 < kColumnCount ? inches(kSlipColumns[c + 1].x) : surface.pageWidth() - 360;
        surface.setCurrentX(x);
        surface.printOnLine(fitText(surface, texts[c], end - x - 72));
    }
    surface.endLine();
    if (r % 5 == 0)
        surface.endLine();
}

void printSlipReportPages(PrintSurface &surface, const DocumentInputs &inputs, const std::vector<SlipReportRow> &rows)
{
    const QString title = QStringLiteral("Service Slip Report");
    startDocument(surface, inputs.settings, QStringLiteral("Landscape"), true);
    PrintReportHeading(surface, inputs, title, false);
    surface.setCurrentY(kReportRowsTop);
    setRowFont(surface);
    for (int r = 1; r <= int(rows.size()); ++r) {
        const SlipReportRow &row = rows[r - 1];
        if (surface.pageHeight() < surface.currentY() + surface.textHeight(row.slipNo)) {
            surface.newPage();
            PrintReportHeading(surface, inputs, title, false);
            surface.setCurrentY(kReportRowsTop);
            setRowFont(surface);
        }
        PrintSlipReportRow(surface, row, r);
    }
}

PrintAction slipReportAction(const DocumentInputs &inputs, const std::vector<SlipReportRow> &rows)
{
    PrintAction action;
    action.title = QStringLiteral("Service Slip Report");
    action.copies = std::max(1, inputs.settings.copies);
    const auto shared = std::make_shared<const DocumentInputs>(inputs);
    const auto sharedRows = std::make_shared<const std::vector<SlipReportRow>>(rows);
    action.jobs.push_back({action.title, [shared, sharedRows](PrintSurface &surface) {
                               printSlipReportPages(surface, *shared, *sharedRows);
                           }});
    return action;
}

PrintOutcome PrintSlipReport(PrintTarget &target, const DocumentInputs &inputs, const std::vector<SlipReportRow> &rows)
{
    return target.run(slipReportAction(inputs, rows));
}
