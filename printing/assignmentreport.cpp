#include "printing/assignmentreport.h"

#include "core/formats.h"

#include <memory>

namespace {

constexpr double kColumns[] = {1.0, 4.0, 7.0}; // inches
constexpr int kBlocksPerRow = 3;
constexpr int kLinesPerRow = 5;

// One assignment's lines from `top` down at x.
void printBlock(PrintSurface &surface, const AssignmentReportEntry &entry, bool usaStyle, double x, double top)
{
    const double width = inches(3.0) - 144; // up to the next column
    auto line = [&](const QString &text) {
        surface.setCurrentX(x);
        surface.print(fitText(surface, text, width));
    };
    surface.setCurrentY(top);
    line(entry.name);
    line(entry.address1);
    if (usaStyle) {
        line(entry.city + QStringLiteral(", ") + entry.state + QLatin1Char(' ') + entry.postalCode);
    } else {
        line(entry.city);
        line(entry.postalCode);
    }
    line(entry.telephone);
}

void setBodyFont(PrintSurface &surface)
{
    surface.setInk(PrintColours::kBlack);
    surface.SetPrintFont(10, false, false);
}

} // namespace

void printAssignmentReportHeading(PrintSurface &surface, const DocumentInputs &inputs)
{
    surface.SetPrintColour(false);
    surface.SetPrintPosition(0, 0.5);
    surface.SetPrintFont(14, true, true);
    const double titleX = (surface.pageWidth() - surface.textWidth(kAssignmentReportTitle)) / 2;
    surface.setCurrentX(titleX);
    surface.print(kAssignmentReportTitle);
    surface.SetPrintFont(10, true, true);
    // The business block stops short of the title beside it.
    PrintBusinessBlock(surface, inputs.business, inputs.settings.usaAddressStyle, 1.0, 0.5, 10,
                       titleX - inches(1.0) - 144);
    surface.SetPrintFont(10, true, true);
    surface.SetPrintPosition(9.0, 0.5);
    surface.print(Formats::shortDate(inputs.today));
    surface.SetPrintPosition(1.0, 2.25);
}

void printAssignmentReportPages(PrintSurface &surface, const DocumentInputs &inputs,
                                const std::vector<AssignmentReportEntry> &entries)
{
    const bool usaStyle = inputs.settings.usaAddressStyle;
    startDocument(surface, inputs.settings, QStringLiteral("Landscape"), true);
    printAssignmentReportHeading(surface, inputs);
    setBodyFont(surface);
    double rowTop = surface.currentY();
    const int count = int(entries.size());
    for (int i = 0; i < count; ++i) {
        const int column = i % kBlocksPerRow;
        printBlock(surface, entries[std::size_t(i)], usaStyle, inches(kColumns[column]), rowTop);
        if (column + 1 < kBlocksPerRow && i + 1 < count)
            continue;
        if (i + 1 == count)
            break;
        const double lineHeight = surface.textHeight(QStringLiteral("ABC"));
        // The international block has one line more.
        if (!usaStyle)
            rowTop += lineHeight;
        rowTop += kLinesPerRow * lineHeight;
        if (rowTop + kLinesPerRow * lineHeight > surface.pageHeight()) {
            surface.newPage();
            printAssignmentReportHeading(surface, inputs);
            setBodyFont(surface);
            rowTop = surface.currentY();
        }
    }
}

PrintAction assignmentReportAction(const DocumentInputs &inputs, const std::vector<AssignmentReportEntry> &entries)
{
    PrintAction action;
    action.title = kAssignmentReportTitle;
    action.copies = std::max(1, inputs.settings.copies);
    const auto shared = std::make_shared<const DocumentInputs>(inputs);
    const auto sharedEntries = std::make_shared<const std::vector<AssignmentReportEntry>>(entries);
    action.jobs.push_back({QStringLiteral("Assignment Report"), [shared, sharedEntries](PrintSurface &surface) {
                               printAssignmentReportPages(surface, *shared, *sharedEntries);
                           }});
    return action;
}

PrintOutcome printAssignmentReport(PrintTarget &target, const DocumentInputs &inputs,
                                   const std::vector<AssignmentReportEntry> &entries)
{
    return target.run(assignmentReportAction(inputs, entries));
}
