#include "printing/routesheetlayout.h"

#include "core/formats.h"
#include "printing/printblocks.h"

#include <algorithm>
#include <memory>

namespace {

// Three columns, twips: time, slip and priority; where and for whom; what is to be done.
constexpr double kLeft = 720;
constexpr double kPlaceX = 2664;
constexpr double kWorkX = 7128;
constexpr double kRight = 11520;
constexpr double kHeadingsY = inches(1.3);
constexpr double kStopsTop = inches(1.65);
constexpr double kFoot = 720; // the bottom margin
constexpr double kGap = 180;  // between a stop's rule and the next stop
constexpr int kWorkLines = 8; // the service text beyond these ends in "..."

// A text that does not fit ends in "..." so that a shortened name never reads as a whole one.
QString shortened(const PrintSurface &surface, const QString &text, double width)
{
    if (surface.textWidth(text) <= width)
        return text;
    const QString mark = QStringLiteral("...");
    return fitText(surface, text, width - surface.textWidth(mark)).trimmed() + mark;
}

// A name followed by a telephone number: the name gives way, the number is never cut (a number cut short is
// dialled as a wrong one).
QString nameWithTelephone(const PrintSurface &surface, const QString &name, const QString &telephone, double width)
{
    return shortened(surface, name, std::max(0.0, width - surface.textWidth(telephone))) + telephone;
}

void printAt(PrintSurface &surface, double x, double y, const QString &text)
{
    surface.setCurrentX(x);
    surface.setCurrentY(y);
    surface.printOnLine(text);
}

void printHeading(PrintSurface &surface, const DocumentInputs &inputs, const RouteSheetDay &day, int page, int pages)
{
    surface.SetPrintColour(true);
    surface.SetPrintFont(14, true, false);
    surface.setCurrentY(inches(0.4));
    printCentred(surface, QStringLiteral("Route Sheet"));
    surface.setInk(PrintColours::kBlack);
    surface.SetPrintFont(10, false, false);
    const QString telephone =
        inputs.business.telephone.isEmpty() ? QString() : QStringLiteral("   Tel. ") + inputs.business.telephone;
    printAt(surface, kLeft, inches(0.45), nameWithTelephone(surface, inputs.business.name, telephone, inches(3.0)));
    // Numbered per technician, so that each one's sheets of an all-technicians print stay apart.
    const QString pageText = fitText(
        surface, QStringLiteral("%1: page %2 of %3").arg(day.technician).arg(page).arg(pages), inches(3.0));
    printAt(surface, kRight - surface.textWidth(pageText), inches(0.45), pageText);

    surface.SetPrintFont(12, true, false);
    printAt(surface, kLeft, inches(0.85),
            fitText(surface, QStringLiteral("Technician: ") + day.technician, inches(4.5)));
    const QString date = Formats::weekdayName(day.date) + QStringLiteral(", ") + Formats::shortDate(day.date);
    printAt(surface, kRight - surface.textWidth(date), inches(0.85), date);

    surface.SetPrintColour(true);
    surface.SetPrintFont(10, true, false);
    printAt(surface, kLeft, kHeadingsY, QStringLiteral("Time / Slip"));
    printAt(surface, kPlaceX, kHeadingsY, QStringLiteral("Service Location / Customer"));
    printAt(surface, kWorkX, kHeadingsY, QStringLiteral("Service Required"));
    const double ruleY = kHeadingsY + surface.textHeight() + 40;
    surface.setPenWidth(2);
    surface.drawLine(kLeft, ruleY, kRight, ruleY, surface.lineColour());
    surface.setInk(PrintColours::kBlack);
    surface.SetPrintFont(10, false, false);
}

QStringList placeLines(const PrintSurface &surface, const RouteStop &stop)
{
    const double width = kWorkX - kPlaceX - 144;
    QStringList lines;
    for (const QString &line : stop.location)
        lines << shortened(surface, line, width);
    // The numbers are short enough for the column whole (13 characters at most).
    if (!stop.locationTelephone.isEmpty())
        lines << QStringLiteral("Tel. ") + stop.locationTelephone;
    if (!stop.locationCell.isEmpty())
        lines << QStringLiteral("Cell ") + stop.locationCell;
    if (!stop.customer.isEmpty()) {
        const bool ownNumber = !stop.customerTelephone.isEmpty() && stop.customerTelephone != stop.locationTelephone;
        lines << nameWithTelephone(surface, QStringLiteral("Customer: ") + stop.customer,
                                   ownNumber ? QStringLiteral(", Tel. ") + stop.customerTelephone : QString(), width);
    }
    return lines;
}

QStringList workLines(const PrintSurface &surface, const QString &text)
{
    QStringList lines;
    const QString flat = QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (const QString &paragraph : flat.split(QLatin1Char('\n'))) {
        if (!paragraph.trimmed().isEmpty())
            lines << surface.wrapLines(kRight - kWorkX, paragraph.trimmed());
    }
    if (lines.size() > kWorkLines) {
        lines.resize(kWorkLines);
        lines.last() = fitText(surface, lines.last(), kRight - kWorkX - surface.textWidth(QStringLiteral("..."))) +
                       QStringLiteral("...");
    }
    return lines;
}

} // namespace

void printRouteSheetPages(PrintSurface &surface, const DocumentInputs &inputs, const RouteSheetDay &day)
{
    startDocument(surface, inputs.settings, QStringLiteral("Portrait"), inputs.settings.printInColour);
    // Every stop measured once, so that the pages are known before the first heading names how many there are.
    struct Measured
    {
        QStringList place, work;
        bool showStatus;
        int lines;
        bool newPage = false;
    };
    surface.SetPrintFont(10, false, false);
    const double line = surface.textHeight();
    std::vector<Measured> measured;
    int pages = 1;
    double y = kStopsTop;
    for (const RouteStop &stop : day.stops) {
        Measured m{placeLines(surface, stop), workLines(surface, stop.serviceRequired), false, 0};
        // A stop not simply assigned (suspended, above all) says so under its priority.
        m.showStatus = stop.status != QLatin1String("Assigned") && !stop.status.isEmpty();
        m.lines = std::max({m.showStatus ? 4 : 3, int(m.place.size()), int(m.work.size())});
        const double height = m.lines * line + kGap;
        if (y + height > surface.pageHeight() - kFoot && y > kStopsTop) {
            m.newPage = true;
            ++pages;
            y = kStopsTop;
        }
        y += height;
        measured.push_back(std::move(m));
    }

    int page = 1;
    printHeading(surface, inputs, day, page, pages);
    y = kStopsTop;
    for (std::size_t k = 0; k < day.stops.size(); ++k) {
        const RouteStop &stop = day.stops[k];
        const Measured &m = measured[k];
        if (m.newPage) {
            surface.newPage();
            printHeading(surface, inputs, day, ++page, pages);
            y = kStopsTop;
        }
        surface.SetPrintFont(11, true, false);
        printAt(surface, kLeft, y, stop.time);
        surface.SetPrintFont(10, false, false);
        printAt(surface, kLeft, y + line, QStringLiteral("Slip # ") + stop.slipNo);
        const bool emergency = stop.priority == QLatin1String("Emergency");
        if (emergency)
            surface.SetPrintColour(true);
        surface.SetPrintFont(10, emergency, false);
        printAt(surface, kLeft, y + 2 * line, stop.priority);
        surface.setInk(PrintColours::kBlack);
        if (m.showStatus) {
            surface.SetPrintFont(10, true, false);
            printAt(surface, kLeft, y + 3 * line, stop.status.toUpper());
        }
        for (int i = 0; i < m.place.size(); ++i) {
            surface.SetPrintFont(10, i == 0, false);
            printAt(surface, kPlaceX, y + i * line, m.place[i]);
        }
        surface.SetPrintFont(10, false, false);
        for (int i = 0; i < m.work.size(); ++i)
            printAt(surface, kWorkX, y + i * line, m.work[i]);
        y += m.lines * line + kGap / 2;
        surface.setPenWidth(1);
        surface.drawLine(kLeft, y, kRight, y, PrintColours::rgb(160, 160, 160));
        y += kGap / 2;
    }
    surface.SetPrintFont(10, false, false);
    const QString count =
        day.stops.size() == 1 ? QStringLiteral("1 slip") : QStringLiteral("%1 slips").arg(day.stops.size());
    if (y + surface.textHeight() <= surface.pageHeight() - kFoot / 2)
        printAt(surface, kLeft, y + 60, count);
}

PrintAction routeSheetAction(const DocumentInputs &inputs, const std::vector<RouteSheetDay> &days)
{
    PrintAction action;
    action.title = QStringLiteral("Route Sheet");
    action.copies = 1;
    const auto shared = std::make_shared<const DocumentInputs>(inputs);
    for (const RouteSheetDay &day : days) {
        action.jobs.push_back({QStringLiteral("Route Sheet %1 %2").arg(day.technician, Formats::shortDate(day.date)),
                               [shared, day](PrintSurface &surface) { printRouteSheetPages(surface, *shared, day); }});
    }
    return action;
}

PrintOutcome printRouteSheet(PrintTarget &target, const DocumentInputs &inputs, const std::vector<RouteSheetDay> &days)
{
    return target.run(routeSheetAction(inputs, days));
}
