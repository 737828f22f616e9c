#include "printing/moneyreports.h"

#include "core/formats.h"
#include "printing/moneytable.h"
#include "printing/printblocks.h"

#include <memory>

namespace {

constexpr double kRowsTop = inches(2.2);
constexpr double kLeft = inches(0.5);
constexpr double kRight = inches(10.5);

// A column: its heading, where it starts (or, for amounts, where it ends) in inches, and whether its texts may
// be cut.
struct Column
{
    const char *heading;
    double x;
    bool right;
    bool whole;
};

std::vector<TableColumn> tableColumns(const std::vector<Column> &columns)
{
    std::vector<TableColumn> out;
    for (const Column &c : columns)
        out.push_back({inches(c.x), c.right, c.whole});
    return out;
}

TableLine headingLine(const std::vector<Column> &columns)
{
    TableLine line{{}, true, true};
    for (const Column &c : columns)
        line.texts << QString::fromLatin1(c.heading);
    return line;
}

// The heading of a report page: title, business block, what the report covers, the page number and the
// column headings with a rule under them; Y stands at the first row.
void printHeading(PrintSurface &surface, const DocumentInputs &inputs, const QString &title, const QStringList &scope,
                  const MoneyTable &table, const TableLine &headings)
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
        surface.print(fitMarked(surface, line, kRight - inches(7.5)));
    }
    surface.setCurrentY(inches(1.9));
    table.printLine(surface, headings);
    surface.drawLine(kLeft, surface.currentY(), kRight, surface.currentY(), PrintColours::kBlack);
    surface.SetPrintFont(10, false, false);
    surface.setCurrentY(kRowsTop);
}

// A new page with the heading when `lines` more lines would pass the foot of this one.
void roomFor(PrintSurface &surface, int lines, const std::function<void()> &heading)
{
    if (surface.currentY() + lines * surface.textHeight(QStringLiteral("ADFGTYH")) >= surface.pageHeight() - 720) {
        surface.newPage();
        heading();
    }
}

const std::vector<Column> kIncomeColumns = {{"Date", 0.5, false, true},      {"Invoice No.", 1.35, false, false},
                                            {"Account", 2.6, false, false},  {"Name", 3.9, false, false},
                                            {"Paid By", 6.55, false, false}, {"Pre-Tax", 8.7, true, true},
                                            {"Taxes", 9.6, true, true},      {"Total", 10.5, true, true}};

const std::vector<Column> kReceivablesColumns = {
    {"Account", 0.5, false, false}, {"Name", 1.8, false, false},  {"Oldest Unpaid", 4.5, false, true},
    {"Age", 6.1, true, true},       {"Balance", 7.3, true, true}, {"0-30", 8.1, true, true},
    {"31-60", 8.9, true, true},     {"61-90", 9.7, true, true},   {"Over 90", 10.5, true, true}};

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
    // The columns are placed once for every line, so that they stand alike on every page.
    const TableLine headings = headingLine(kIncomeColumns);
    std::vector<TableLine> lines = {headings};
    lines.reserve(report.rows.size() + 1);
    for (const IncomeReportValues::Row &r : report.rows)
        lines.push_back({{r.date, r.invoiceNo, r.acctNo, r.name, r.payForm, Formats::currency(r.preTax),
                          Formats::currency(r.taxes), r.total}});
    const MoneyTable table(surface, tableColumns(kIncomeColumns), lines, 10, kLeft, kRight);
    const auto heading = [&] { printHeading(surface, inputs, title, covers, table, headings); };
    heading();
    for (std::size_t i = 1; i < lines.size(); ++i) {
        roomFor(surface, 1, heading);
        table.printLine(surface, lines[i]);
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
    printLabelAndAmount(surface, inches(0.5), inches(4.5), QStringLiteral("Pre-Tax"), Formats::currency(report.preTax));
    for (const IncomeReportValues::TaxTotal &t : report.byTax)
        printLabelAndAmount(surface, inches(0.5), inches(4.5), t.heading, Formats::currency(t.amount));
    printLabelAndAmount(surface, inches(0.5), inches(4.5), QStringLiteral("Taxes"), Formats::currency(report.taxes));
    surface.SetPrintFont(10, true, false);
    printLabelAndAmount(surface, inches(0.5), inches(4.5), QStringLiteral("Grand Total"),
                        Formats::currency(report.total));
    const double bottom = surface.currentY();

    surface.setCurrentY(top);
    surface.setCurrentX(inches(6.0));
    surface.print(QStringLiteral("By Payment Form"));
    surface.SetPrintFont(10, false, false);
    for (const IncomeReportValues::PayFormTotal &p : report.byPayForm) {
        if (p.onlyWhenUsed && p.count == 0)
            continue;
        printLabelAndAmount(surface, inches(6.0), kRight, QStringLiteral("%1 (%2)").arg(p.name).arg(p.count),
                            Formats::currency(p.amount));
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
        printLabelAndAmount(surface, inches(6.0), kRight, QStringLiteral("%1 (%2)").arg(p.name).arg(p.count),
                            Formats::currency(p.amount));
    }
    printLabelAndAmount(surface, inches(6.0), kRight, QStringLiteral("Of it for earlier invoices"),
                        Formats::currency(report.receivedLater));
    surface.SetPrintFont(10, true, false);
    printLabelAndAmount(surface, inches(6.0), kRight, QStringLiteral("Total Received"),
                        Formats::currency(report.received));
    if (report.showsOwed)
        printLabelAndAmount(surface, inches(6.0), kRight, QStringLiteral("Owed Now"), Formats::currency(report.owed));
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
    const auto amounts = [](const std::array<Money, ReceivablesReportValues::kAges> &byAge, bool zeroShown) {
        QStringList texts;
        for (const Money &m : byAge)
            texts << (m.isZero() && !zeroShown ? QString() : Formats::currency(m));
        return texts;
    };
    const TableLine headings = headingLine(kReceivablesColumns);
    std::vector<TableLine> lines = {headings};
    lines.reserve(report.accounts.size() + 2);
    for (const ReceivablesReportValues::Account &a : report.accounts)
        lines.push_back({QStringList{a.acctNo, a.name, Formats::shortDate(a.oldestUnpaid), QString::number(a.ageDays),
                                     Formats::currency(a.balance)} +
                         amounts(a.byAge, false)});
    lines.push_back(
        {QStringList{QString(), QStringLiteral("Total"), QString(), QString(), Formats::currency(report.total)} +
             amounts(report.totals, true),
         true});
    const MoneyTable table(surface, tableColumns(kReceivablesColumns), lines, 10, kLeft, kRight);
    const auto heading = [&] {
        printHeading(surface, inputs, QStringLiteral("Accounts Receivable"), covers, table, headings);
    };
    heading();
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
        roomFor(surface, 1, heading);
        table.printLine(surface, lines[i]);
    }
    roomFor(surface, 3, heading);
    surface.setCurrentY(surface.currentY() + 72);
    surface.drawLine(kLeft, surface.currentY(), kRight, surface.currentY(), PrintColours::kBlack);
    surface.setCurrentY(surface.currentY() + 72);
    table.printLine(surface, lines.back());
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
