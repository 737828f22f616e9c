#include "printing/agreementvisitslayout.h"

#include "core/formats.h"
#include "printing/printblocks.h"

#include <memory>

namespace {

// Landscape. Columns, twips: day, time, account, customer, services, technician, and the price ending at the
// right margin.
constexpr double kLeft = 720;
constexpr double kTimeX = 2320;
constexpr double kAccountX = 3520;
constexpr double kCustomerX = 5020;
constexpr double kServicesX = 8020;
constexpr double kTechnicianX = 11420;
constexpr double kRight = 15120;
constexpr double kPriceWidth = 1400;
constexpr double kHeadingsY = inches(1.2);
constexpr double kLinesTop = inches(1.55);
constexpr double kFoot = 720;

QString shortened(const PrintSurface &surface, const QString &text, double width)
{
    if (surface.textWidth(text) <= width)
        return text;
    const QString mark = QStringLiteral("...");
    return fitText(surface, text, width - surface.textWidth(mark)).trimmed() + mark;
}

void printAt(PrintSurface &surface, double x, double y, const QString &text)
{
    surface.setCurrentX(x);
    surface.setCurrentY(y);
    surface.printOnLine(text);
}

void printRight(PrintSurface &surface, double y, const QString &text)
{
    printAt(surface, kRight - surface.textWidth(text), y, text);
}

QString visitCount(std::size_t count)
{
    return count == 1 ? QStringLiteral("1 visit") : QStringLiteral("%1 visits").arg(count);
}

class Pages
{
public:
    Pages(PrintSurface &surface, const DocumentInputs &inputs, const std::vector<AgreementVisitWeek> &weeks)
        : m_surface(surface)
        , m_inputs(inputs)
        , m_weeks(weeks)
    {}

    void print()
    {
        startDocument(m_surface, m_inputs.settings, QStringLiteral("Landscape"), m_inputs.settings.printInColour);
        heading();
        Money all;
        std::size_t count = 0;
        for (const AgreementVisitWeek &week : m_weeks) {
            Money total;
            weekHeading(week, false);
            for (const AgreementVisitLine &visit : week.visits) {
                if (room(1) == NewPage)
                    weekHeading(week, true);
                line(visit);
                total += visit.price;
            }
            room(2);
            m_surface.SetPrintFont(10, true, false);
            printAt(m_surface, kServicesX, m_y, QStringLiteral("Week total, ") + visitCount(week.visits.size()));
            printRight(m_surface, m_y, Formats::currency(total));
            m_y += m_surface.textHeight();
            m_surface.setPenWidth(1);
            m_surface.drawLine(kLeft, m_y + 40, kRight, m_y + 40, PrintColours::rgb(160, 160, 160));
            m_y += 160;
            all += total;
            count += week.visits.size();
        }
        room(2);
        m_surface.SetPrintFont(11, true, false);
        printAt(m_surface, kLeft, m_y,
                m_weeks.empty() ? QStringLiteral("No visits in these weeks")
                                : QStringLiteral("Total of all weeks, ") + visitCount(count));
        printRight(m_surface, m_y, Formats::currency(all));
        m_y += m_surface.textHeight() * 1.5;
        m_surface.SetPrintFont(9, false, false);
        printAt(m_surface, kLeft, m_y, QStringLiteral("* the slip of this visit is made already"));
    }

private:
    enum Room { SamePage, NewPage };

    // Makes room for `lines` lines of text, on a new page when this one is full.
    Room room(int lines)
    {
        m_surface.SetPrintFont(10, false, false);
        if (m_y + lines * m_surface.textHeight() <= m_surface.pageHeight() - kFoot)
            return SamePage;
        m_surface.newPage();
        heading();
        return NewPage;
    }

    void heading()
    {
        PrintSurface &s = m_surface;
        s.SetPrintColour(true);
        s.SetPrintFont(14, true, false);
        s.setCurrentY(inches(0.4));
        printCentred(s, QStringLiteral("Agreement Visits"));
        s.setInk(PrintColours::kBlack);
        s.SetPrintFont(10, false, false);
        printAt(s, kLeft, inches(0.45), shortened(s, m_inputs.business.name, inches(3.0)));
        printRight(s, inches(0.45), QStringLiteral("Page %1").arg(s.page()));
        if (!m_weeks.empty()) {
            const QString span =
                QStringLiteral("Weeks of %1 to %2")
                    .arg(Formats::shortDate(m_weeks.front().first), Formats::shortDate(m_weeks.back().first));
            printRight(s, inches(0.75), span);
        }
        s.SetPrintColour(true);
        s.SetPrintFont(10, true, false);
        printAt(s, kLeft, kHeadingsY, QStringLiteral("Day"));
        printAt(s, kTimeX, kHeadingsY, QStringLiteral("Time"));
        printAt(s, kAccountX, kHeadingsY, QStringLiteral("Account"));
        printAt(s, kCustomerX, kHeadingsY, QStringLiteral("Customer"));
        printAt(s, kServicesX, kHeadingsY, QStringLiteral("Services"));
        printAt(s, kTechnicianX, kHeadingsY, QStringLiteral("Technician"));
        printRight(s, kHeadingsY, QStringLiteral("Price"));
        const double ruleY = kHeadingsY + s.textHeight() + 40;
        s.setPenWidth(2);
        s.drawLine(kLeft, ruleY, kRight, ruleY, s.lineColour());
        s.setInk(PrintColours::kBlack);
        s.SetPrintFont(10, false, false);
        m_y = kLinesTop;
    }

    void weekHeading(const AgreementVisitWeek &week, bool continued)
    {
        room(3);
        m_surface.SetPrintFont(11, true, false);
        printAt(m_surface, kLeft, m_y,
                QStringLiteral("Week of ") + Formats::weekdayName(week.first) + QStringLiteral(", ") +
                    Formats::shortDate(week.first) + (continued ? QStringLiteral(" (continued)") : QString()));
        m_y += m_surface.textHeight() + 40;
    }

    void line(const AgreementVisitLine &v)
    {
        PrintSurface &s = m_surface;
        s.SetPrintFont(10, false, false);
        const QString day = Formats::weekdayName(v.date).left(3) + QLatin1Char(' ') + Formats::shortDate(v.date) +
                            (v.made ? QStringLiteral("*") : QString());
        printAt(s, kLeft, m_y, shortened(s, day, kTimeX - kLeft - 72));
        printAt(s, kTimeX, m_y, shortened(s, v.time, kAccountX - kTimeX - 72));
        printAt(s, kAccountX, m_y, shortened(s, v.account, kCustomerX - kAccountX - 72));
        printAt(s, kCustomerX, m_y, shortened(s, v.customer, kServicesX - kCustomerX - 72));
        printAt(s, kServicesX, m_y, shortened(s, v.services, kTechnicianX - kServicesX - 72));
        printAt(s, kTechnicianX, m_y, shortened(s, v.technician, kRight - kPriceWidth - kTechnicianX - 72));
        // Amounts are never cut: a price cut short reads as another price.
        printRight(s, m_y, Formats::currency(v.price));
        m_y += s.textHeight();
    }

    PrintSurface &m_surface;
    const DocumentInputs &m_inputs;
    const std::vector<AgreementVisitWeek> &m_weeks;
    double m_y = kLinesTop;
};

} // namespace

void printAgreementVisitPages(PrintSurface &surface, const DocumentInputs &inputs,
                              const std::vector<AgreementVisitWeek> &weeks)
{
    Pages(surface, inputs, weeks).print();
}

PrintAction agreementVisitsAction(const DocumentInputs &inputs, const std::vector<AgreementVisitWeek> &weeks)
{
    PrintAction action;
    action.title = QStringLiteral("Agreement Visits");
    const auto shared = std::make_shared<const DocumentInputs>(inputs);
    const auto data = std::make_shared<const std::vector<AgreementVisitWeek>>(weeks);
    action.jobs.push_back({QStringLiteral("Agreement Visits"), [shared, data](PrintSurface &surface) {
                               printAgreementVisitPages(surface, *shared, *data);
                           }});
    return action;
}
