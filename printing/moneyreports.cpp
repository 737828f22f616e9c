#include "printing/moneyreports.h"

#include "core/formats.h"
#include "printing/moneytable.h"
#include "printing/printblocks.h"

#include <memory>
#include <optional>

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

// Where the rows of a report fall. The pages come out the same whether the report prints whole or one page at a
// time (the preview draws only the pages it shows): a row goes to the next page when it would pass 720 twips above
// the foot of this one, and the totals when their lines would.
struct Pages
{
    int rows = 0;
    int perPage = 1;          // rows on a full page
    int rowPages = 1;         // the pages with rows; page 1 when there are none
    bool totalsApart = false; // the totals begin a page of their own
    int count() const { return rowPages + (totalsApart ? 1 : 0); }
};

// On a surface set up for the report, in the font of its rows.
Pages planPages(const PrintSurface &surface, int rows, int totalsLines)
{
    const double line = surface.textHeight(QStringLiteral("ADFGTYH"));
    const double foot = surface.pageHeight() - 720;
    const auto fits = [&](double y, int lines) { return !(y + lines * line >= foot); };
    Pages pages;
    pages.rows = rows;
    int perPage = 0;
    for (double y = kRowsTop; fits(y, 1) && perPage < rows; y += line)
        ++perPage;
    pages.perPage = std::max(1, perPage);
    pages.rowPages = std::max(1, (rows + pages.perPage - 1) / pages.perPage);
    double y = kRowsTop; // as the last page of rows leaves it
    for (int r = (pages.rowPages - 1) * pages.perPage; r < rows; ++r)
        y += line;
    pages.totalsApart = !fits(y, totalsLines);
    return pages;
}

const std::vector<Column> kIncomeColumns = {{"Date", 0.5, false, true},      {"Invoice No.", 1.35, false, false},
                                            {"Account", 2.6, false, false},  {"Name", 3.9, false, false},
                                            {"Paid By", 6.55, false, false}, {"Pre-Tax", 8.7, true, true},
                                            {"Taxes", 9.6, true, true},      {"Total", 10.5, true, true}};

const std::vector<Column> kReceivablesColumns = {
    {"Account", 0.5, false, false}, {"Name", 1.8, false, false},  {"Oldest Unpaid", 4.5, false, true},
    {"Age", 6.1, true, true},       {"Balance", 7.3, true, true}, {"0-30", 8.1, true, true},
    {"31-60", 8.9, true, true},     {"61-90", 9.7, true, true},   {"Over 90", 10.5, true, true}};

// A report's pages: the heading, the rows of its table and, on the last page, the totals. The columns are placed
// over every line of the table (headings, rows and any total line), so that they stand alike on every page.
struct ReportPages
{
    std::shared_ptr<const DocumentInputs> inputs;
    QString title;
    QStringList covers;
    const std::vector<Column> *columns = nullptr;
    std::shared_ptr<const std::vector<TableLine>> lines; // the headings first, then the rows, then any total line
    int rows = 0;
    int totalsLines = 0;
    std::function<void(PrintSurface &, const MoneyTable &)> totals;

    // The columns as placed on the first surface the report met: placing them measures every line, and a preview
    // starts a fresh surface of the same device for each page it draws.
    std::shared_ptr<std::optional<MoneyTable>> placed = std::make_shared<std::optional<MoneyTable>>();

    // Starts the document on the surface, with the columns placed.
    const MoneyTable &setup(PrintSurface &surface) const
    {
        startDocument(surface, inputs->settings, QStringLiteral("Landscape"), true);
        if (!*placed)
            placed->emplace(surface, tableColumns(*columns), *lines, 10, kLeft, kRight);
        surface.SetPrintFont(10, false, false);
        return **placed;
    }

    void printPage(PrintSurface &surface, const MoneyTable &table, const Pages &pages, int page) const
    {
        printHeading(surface, *inputs, title, covers, table, lines->front());
        if (page <= pages.rowPages) {
            for (int r = (page - 1) * pages.perPage; r < std::min(pages.rows, page * pages.perPage); ++r)
                table.printLine(surface, (*lines)[std::size_t(r) + 1]);
        }
        if (page == pages.count())
            totals(surface, table);
    }

    void printAll(PrintSurface &surface) const
    {
        const MoneyTable &table = setup(surface);
        const Pages pages = planPages(surface, rows, totalsLines);
        for (int page = 1; page <= pages.count(); ++page) {
            if (page > 1)
                surface.newPage();
            printPage(surface, table, pages, page);
        }
    }

    // The job prints whole, or one page alone on a fresh surface (counted from 1, as the heading numbers it).
    PrintJob job(const QString &name) const
    {
        const auto self = std::make_shared<const ReportPages>(*this);
        return {name, [self](PrintSurface &surface) { self->printAll(surface); },
                [self](PrintSurface &surface) {
                    self->setup(surface);
                    return planPages(surface, self->rows, self->totalsLines).count();
                },
                [self](PrintSurface &surface, int page) {
                    const MoneyTable &table = self->setup(surface);
                    const Pages pages = planPages(surface, self->rows, self->totalsLines);
                    for (int p = 1; p < page; ++p)
                        surface.newPage();
                    self->printPage(surface, table, pages, page);
                }};
    }
};

template <typename T> std::shared_ptr<const T> borrowed(const T &value)
{
    return std::shared_ptr<const T>(&value, [](const T *) {});
}

ReportPages incomeReportPages(std::shared_ptr<const DocumentInputs> inputs, const IncomeReportScope &scope,
                              std::shared_ptr<const IncomeReportValues> report)
{
    ReportPages pages;
    pages.inputs = std::move(inputs);
    pages.title = QStringLiteral("Income Report");
    pages.covers = {Formats::shortDate(scope.start) + QStringLiteral(" to ") + Formats::shortDate(scope.end),
                    scope.account.trimmed().isEmpty() ? QStringLiteral("All Accounts")
                                                      : QStringLiteral("Account ") + scope.account.trimmed()};
    pages.columns = &kIncomeColumns;
    auto lines = std::make_shared<std::vector<TableLine>>();
    lines->reserve(report->rows.size() + 1);
    lines->push_back(headingLine(kIncomeColumns));
    for (const IncomeReportValues::Row &r : report->rows)
        lines->push_back({{r.date, r.invoiceNo, r.acctNo, r.name, r.payForm, Formats::currency(r.preTax),
                           Formats::currency(r.taxes), r.total}});
    pages.lines = std::move(lines);
    pages.rows = int(report->rows.size());
    pages.totalsLines = 8 + std::max(int(report->byTax.size()) + 3, int(report->byPayForm.size())) + 4 +
                        int(report->receivedByPayForm.size());
    // The totals: what came in, what of it is tax, and how it was paid.
    pages.totals = [report](PrintSurface &surface, const MoneyTable &) {
        const IncomeReportValues &values = *report;
        surface.setCurrentY(surface.currentY() + 144);
        surface.drawLine(inches(0.5), surface.currentY(), kRight, surface.currentY(), PrintColours::kBlack);
        surface.setCurrentY(surface.currentY() + 72);
        surface.SetPrintFont(10, true, false);
        const double top = surface.currentY();
        surface.setCurrentX(inches(0.5));
        surface.print(QStringLiteral("Totals (%1 invoices)").arg(values.count));
        surface.SetPrintFont(10, false, false);
        printLabelAndAmount(surface, inches(0.5), inches(4.5), QStringLiteral("Pre-Tax"),
                            Formats::currency(values.preTax));
        for (const IncomeReportValues::TaxTotal &t : values.byTax)
            printLabelAndAmount(surface, inches(0.5), inches(4.5), t.heading, Formats::currency(t.amount));
        printLabelAndAmount(surface, inches(0.5), inches(4.5), QStringLiteral("Taxes"),
                            Formats::currency(values.taxes));
        surface.SetPrintFont(10, true, false);
        printLabelAndAmount(surface, inches(0.5), inches(4.5), QStringLiteral("Grand Total"),
                            Formats::currency(values.total));
        const double bottom = surface.currentY();

        surface.setCurrentY(top);
        surface.setCurrentX(inches(6.0));
        surface.print(QStringLiteral("By Payment Form"));
        surface.SetPrintFont(10, false, false);
        for (const IncomeReportValues::PayFormTotal &p : values.byPayForm) {
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
        for (const IncomeReportValues::PayFormTotal &p : values.receivedByPayForm) {
            if (p.onlyWhenUsed && p.count == 0)
                continue;
            printLabelAndAmount(surface, inches(6.0), kRight, QStringLiteral("%1 (%2)").arg(p.name).arg(p.count),
                                Formats::currency(p.amount));
        }
        printLabelAndAmount(surface, inches(6.0), kRight, QStringLiteral("Of it for earlier invoices"),
                            Formats::currency(values.receivedLater));
        surface.SetPrintFont(10, true, false);
        printLabelAndAmount(surface, inches(6.0), kRight, QStringLiteral("Total Received"),
                            Formats::currency(values.received));
        if (values.showsOwed)
            printLabelAndAmount(surface, inches(6.0), kRight, QStringLiteral("Owed Now"),
                                Formats::currency(values.owed));
        surface.SetPrintFont(10, false, false);
    };
    return pages;
}

ReportPages receivablesPages(std::shared_ptr<const DocumentInputs> inputs,
                             std::shared_ptr<const ReceivablesReportValues> report)
{
    ReportPages pages;
    pages.title = QStringLiteral("Accounts Receivable");
    pages.covers = {QStringLiteral("%1 accounts owe").arg(report->accounts.size()),
                    QStringLiteral("Ages on ") + Formats::shortDate(inputs->today)};
    pages.inputs = std::move(inputs);
    pages.columns = &kReceivablesColumns;
    const auto amounts = [](const std::array<Money, ReceivablesReportValues::kAges> &byAge, bool zeroShown) {
        QStringList texts;
        for (const Money &m : byAge)
            texts << (m.isZero() && !zeroShown ? QString() : Formats::currency(m));
        return texts;
    };
    auto lines = std::make_shared<std::vector<TableLine>>();
    lines->reserve(report->accounts.size() + 2);
    lines->push_back(headingLine(kReceivablesColumns));
    for (const ReceivablesReportValues::Account &a : report->accounts)
        lines->push_back({QStringList{a.acctNo, a.name, Formats::shortDate(a.oldestUnpaid), QString::number(a.ageDays),
                                      Formats::currency(a.balance)} +
                          amounts(a.byAge, false)});
    lines->push_back(
        {QStringList{QString(), QStringLiteral("Total"), QString(), QString(), Formats::currency(report->total)} +
             amounts(report->totals, true),
         true});
    pages.rows = int(report->accounts.size());
    pages.totalsLines = 3;
    pages.totals = [lines](PrintSurface &surface, const MoneyTable &table) {
        surface.setCurrentY(surface.currentY() + 72);
        surface.drawLine(kLeft, surface.currentY(), kRight, surface.currentY(), PrintColours::kBlack);
        surface.setCurrentY(surface.currentY() + 72);
        table.printLine(surface, lines->back());
        surface.SetPrintFont(10, false, false);
    };
    pages.lines = std::move(lines);
    return pages;
}

} // namespace

void printIncomeReportPages(PrintSurface &surface, const DocumentInputs &inputs, const IncomeReportScope &scope,
                            const IncomeReportValues &report)
{
    incomeReportPages(borrowed(inputs), scope, borrowed(report)).printAll(surface);
}

PrintAction incomeReportAction(const DocumentInputs &inputs, const IncomeReportScope &scope, IncomeReportValues report)
{
    PrintAction action;
    action.title = QStringLiteral("Income Report");
    action.copies = 1;
    action.jobs.push_back(incomeReportPages(std::make_shared<const DocumentInputs>(inputs), scope,
                                            std::make_shared<const IncomeReportValues>(std::move(report)))
                              .job(action.title));
    return action;
}

void printReceivablesPages(PrintSurface &surface, const DocumentInputs &inputs, const ReceivablesReportValues &report)
{
    receivablesPages(borrowed(inputs), borrowed(report)).printAll(surface);
}

PrintAction receivablesAction(const DocumentInputs &inputs, ReceivablesReportValues report)
{
    PrintAction action;
    action.title = QStringLiteral("Accounts Receivable");
    action.copies = 1;
    action.jobs.push_back(receivablesPages(std::make_shared<const DocumentInputs>(inputs),
                                           std::make_shared<const ReceivablesReportValues>(std::move(report)))
                              .job(action.title));
    return action;
}
