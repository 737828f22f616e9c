#include "printing/moneyreports.h"

#include "core/formats.h"
#include "printing/pricedinvoicelayout.h"
#include "printing/printblocks.h"

#include <memory>

namespace {

constexpr double kRowsTop = inches(2.2);
constexpr double kRight = inches(10.5);

// A column: its heading, where it starts (or, for amounts, where it ends) in inches.
struct Column
{
    const char *heading;
    double x;
    bool right;
};

// The heading of a report page: title, business block, what the report covers, the page number and the
// column headings with a rule under them; Y stands at the first row.
void printHeading(PrintSurface &surface, const DocumentInputs &inputs, const QString &title, const QStringList &scope,
                  const std::vector<Column> &columns)
{
    surface.setInk(PrintColours::kBlack);
    surface.endLine();
    surface.SetPrintFont(14, true, false);
    printCentred(surface, title);
    PrintBusinessBlock(surface, inputs.business, inputs.settings.usaAddressStyle, 0.5, 0.45, 12, inches(3.8));
    surface.SetPrintFont(10, false, false);
    surface.SetPrintPosition(7.5, 0.75);
    for (const QString &line : scope + QStringList{QStringLiteral("Printed ") + Formats::shortDate(inputs.today),
                                                   QStringLiteral("Page %1").arg(surface.page())}) {
        surface.setCurrentX(inches(7.5));
        surface.print(fitText(surface, line, kRight - inches(7.5)));
    }
    surface.SetPrintFont(10, true, false);
    surface.setCurrentY(inches(1.9));
    for (const Column &c : columns) {
        const QString heading = QString::fromLatin1(c.heading);
        if (c.right) {
            printRightAligned(surface, heading, inches(c.x));
        } else {
            surface.setCurrentX(inches(c.x));
            surface.printOnLine(heading);
        }
    }
    surface.endLine();
    surface.drawLine(inches(0.5), surface.currentY(), kRight, surface.currentY(), PrintColours::kBlack);
    surface.SetPrintFont(10, false, false);
    surface.setCurrentY(kRowsTop);
}

// One line of texts under the columns, each cut where the next column begins.
void printLine(PrintSurface &surface, const std::vector<Column> &columns, const QStringList &texts)
{
    for (std::size_t c = 0; c < columns.size() && qsizetype(c) < texts.size(); ++c) {
        if (columns[c].right) {
            printRightAligned(surface, texts[qsizetype(c)], inches(columns[c].x));
            continue;
        }
        double end = kRight;
        if (c + 1 < columns.size())
            end = inches(columns[c + 1].x) - (columns[c + 1].right ? inches(0.9) : 0);
        surface.setCurrentX(inches(columns[c].x));
        surface.printOnLine(fitText(surface, texts[qsizetype(c)], end - inches(columns[c].x) - 72));
    }
    surface.endLine();
}

// A new page with the heading when `lines` more lines would pass the foot of this one.
void roomFor(PrintSurface &surface, int lines, const std::function<void()> &heading)
{
    if (surface.currentY() + lines * surface.textHeight(QStringLiteral("ADFGTYH")) >= surface.pageHeight() - 720) {
        surface.newPage();
        heading();
    }
}

const std::vector<Column> kIncomeColumns = {{"Date", 0.5, false}, {"Invoice No.", 1.35, false}, {"Account", 2.6, false},
                                            {"Name", 3.9, false}, {"Paid By", 6.55, false},     {"Pre-Tax", 8.7, true},
                                            {"Taxes", 9.6, true}, {"Total", 10.5, true}};

const std::vector<Column> kReceivablesColumns = {
    {"Account", 0.5, false}, {"Name", 1.8, false},   {"Oldest Unpaid", 4.5, false},
    {"Age", 6.1, true},      {"Balance", 7.3, true}, {"0-30", 8.1, true},
    {"31-60", 8.9, true},    {"61-90", 9.7, true},   {"Over 90", 10.5, true}};

// A label and its amount in the totals at the foot of a report.
void totalLine(PrintSurface &surface, double x, double right, const QString &label, const QString &amount)
{
    surface.setCurrentX(inches(x));
    surface.printOnLine(label);
    printRightAligned(surface, amount, inches(right));
    surface.endLine();
}

} // namespace

void printIncomeReportPages(PrintSurface &surface, const DocumentInputs &inputs, const IncomeReportScope &scope,
                            const IncomeReportValues &report)
{
    startDocument(surface, inputs.settings, QStringLiteral("Landscape"), true);
    const QStringList covers = {
        Formats::shortDate(scope.start) + QStringLiteral(" to ") + Formats::shortDate(scope.end),
        scope.account.trimmed().isEmpty() ? QStringLiteral("All Accounts")
                                          : QStringLiteral("Account ") + scope.account.trimmed()};
    const QString title = QStringLiteral("Income Report");
    const auto heading = [&] { printHeading(surface, inputs, title, covers, kIncomeColumns); };
    heading();
    for (const IncomeReportValues::Row &r : report.rows) {
        roomFor(surface, 1, heading);
        printLine(surface, kIncomeColumns,
                  {r.date, r.invoiceNo, r.acctNo, r.name, r.payForm, Formats::currency(r.preTax),
                   Formats::currency(r.taxes), r.total});
    }

    // The totals: what came in, what of it is tax, and how it was paid.
    const int taxLines = int(report.byTax.size());
    roomFor(surface,
            8 + std::max(taxLines + 3, int(report.byPayForm.size())) + 4 + int(report.receivedByPayForm.size()),
            heading);
    surface.setCurrentY(surface.currentY() + 144);
    surface.drawLine(inches(0.5), surface.currentY(), kRight, surface.currentY(), PrintColours::kBlack);
    surface.setCurrentY(surface.currentY() + 72);
    surface.SetPrintFont(10, true, false);
    const double top = surface.currentY();
    surface.setCurrentX(inches(0.5));
    surface.print(QStringLiteral("Totals (%1 invoices)").arg(report.count));
    surface.SetPrintFont(10, false, false);
    totalLine(surface, 0.5, 4.5, QStringLiteral("Pre-Tax"), Formats::currency(report.preTax));
    for (const IncomeReportValues::TaxTotal &t : report.byTax)
        totalLine(surface, 0.5, 4.5, t.heading, Formats::currency(t.amount));
    totalLine(surface, 0.5, 4.5, QStringLiteral("Taxes"), Formats::currency(report.taxes));
    surface.SetPrintFont(10, true, false);
    totalLine(surface, 0.5, 4.5, QStringLiteral("Grand Total"), Formats::currency(report.total));
    const double bottom = surface.currentY();

    surface.setCurrentY(top);
    surface.setCurrentX(inches(6.0));
    surface.print(QStringLiteral("By Payment Form"));
    surface.SetPrintFont(10, false, false);
    for (const IncomeReportValues::PayFormTotal &p : report.byPayForm) {
        if (p.onlyWhenUsed && p.count == 0)
            continue;
        totalLine(surface, 6.0, 10.5, QStringLiteral("%1 (%2)").arg(p.name).arg(p.count), Formats::currency(p.amount));
    }

    // What came in during the range, whatever the invoice's date: what the bank deposits show.
    surface.setCurrentY(std::max(surface.currentY(), bottom) + 144);
    surface.SetPrintFont(10, true, false);
    surface.setCurrentX(inches(6.0));
    surface.print(QStringLiteral("Received in the Range"));
    surface.SetPrintFont(10, false, false);
    for (const IncomeReportValues::PayFormTotal &p : report.receivedByPayForm) {
        if (p.onlyWhenUsed && p.count == 0)
            continue;
        totalLine(surface, 6.0, 10.5, QStringLiteral("%1 (%2)").arg(p.name).arg(p.count), Formats::currency(p.amount));
    }
    totalLine(surface, 6.0, 10.5, QStringLiteral("Of it for earlier invoices"),
              Formats::currency(report.receivedLater));
    surface.SetPrintFont(10, true, false);
    totalLine(surface, 6.0, 10.5, QStringLiteral("Total Received"), Formats::currency(report.received));
    if (report.showsOwed)
        totalLine(surface, 6.0, 10.5, QStringLiteral("Owed Now"), Formats::currency(report.owed));
    surface.SetPrintFont(10, false, false);
}

PrintAction incomeReportAction(const DocumentInputs &inputs, const IncomeReportScope &scope, IncomeReportValues report)
{
    PrintAction action;
    action.title = QStringLiteral("Income Report");
    action.copies = 1;
    const auto shared = std::make_shared<const DocumentInputs>(inputs);
    const auto sharedReport = std::make_shared<const IncomeReportValues>(std::move(report));
    action.jobs.push_back(
        {action.title, [=](PrintSurface &surface) { printIncomeReportPages(surface, *shared, scope, *sharedReport); }});
    return action;
}

void printReceivablesPages(PrintSurface &surface, const DocumentInputs &inputs, const ReceivablesReportValues &report)
{
    startDocument(surface, inputs.settings, QStringLiteral("Landscape"), true);
    const QStringList covers = {QStringLiteral("%1 accounts owe").arg(report.accounts.size()),
                                QStringLiteral("Ages on ") + Formats::shortDate(inputs.today)};
    const auto heading = [&] {
        printHeading(surface, inputs, QStringLiteral("Accounts Receivable"), covers, kReceivablesColumns);
    };
    heading();
    const auto amounts = [](const std::array<Money, ReceivablesReportValues::kAges> &byAge) {
        QStringList texts;
        for (const Money &m : byAge)
            texts << (m.isZero() ? QString() : Formats::currency(m));
        return texts;
    };
    for (const ReceivablesReportValues::Account &a : report.accounts) {
        roomFor(surface, 1, heading);
        printLine(surface, kReceivablesColumns,
                  QStringList{a.acctNo, a.name, Formats::shortDate(a.oldestUnpaid), QString::number(a.ageDays),
                              Formats::currency(a.balance)} +
                      amounts(a.byAge));
    }
    roomFor(surface, 3, heading);
    surface.setCurrentY(surface.currentY() + 72);
    surface.drawLine(inches(0.5), surface.currentY(), kRight, surface.currentY(), PrintColours::kBlack);
    surface.setCurrentY(surface.currentY() + 72);
    surface.SetPrintFont(10, true, false);
    QStringList totals = {QString(), QStringLiteral("Total"), QString(), QString(), Formats::currency(report.total)};
    for (const Money &m : report.totals)
        totals << Formats::currency(m);
    printLine(surface, kReceivablesColumns, totals);
    surface.SetPrintFont(10, false, false);
}

PrintAction receivablesAction(const DocumentInputs &inputs, ReceivablesReportValues report)
{
    PrintAction action;
    action.title = QStringLiteral("Accounts Receivable");
    action.copies = 1;
    const auto shared = std::make_shared<const DocumentInputs>(inputs);
    const auto sharedReport = std::make_shared<const ReceivablesReportValues>(std::move(report));
    action.jobs.push_back(
        {action.title, [=](PrintSurface &surface) { printReceivablesPages(surface, *shared, *sharedReport); }});
    return action;
}
