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

// One page of a report: its heading, its rows and, on the last page, the totals.
struct ReportPages
{
    std::function<void(PrintSurface &)> setup;
    std::function<void(PrintSurface &)> heading;
    std::function<void(PrintSurface &, int row)> row;
    std::function<void(PrintSurface &)> totals;
    int rows = 0;
    int totalsLines = 0;

    Pages plan(PrintSurface &surface) const
    {
        setup(surface);
        return planPages(surface, rows, totalsLines);
    }

    void printPage(PrintSurface &surface, const Pages &pages, int page) const
    {
        heading(surface);
        if (page <= pages.rowPages) {
            for (int r = (page - 1) * pages.perPage; r < std::min(pages.rows, page * pages.perPage); ++r)
                row(surface, r);
        }
        if (page == pages.count())
            totals(surface);
    }

    void printAll(PrintSurface &surface) const
    {
        const Pages pages = plan(surface);
        for (int page = 1; page <= pages.count(); ++page) {
            if (page > 1)
                surface.newPage();
            printPage(surface, pages, page);
        }
    }

    // The job prints whole, or one page alone on a fresh surface (counted from 1, as the heading numbers it).
    PrintJob job(const QString &name) const
    {
        const auto self = std::make_shared<const ReportPages>(*this);
        return {name, [self](PrintSurface &surface) { self->printAll(surface); },
                [self](PrintSurface &surface) { return self->plan(surface).count(); },
                [self](PrintSurface &surface, int page) {
                    const Pages pages = self->plan(surface);
                    for (int p = 1; p < page; ++p)
                        surface.newPage();
                    self->printPage(surface, pages, page);
                }};
    }
};

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

namespace {

template <typename T> std::shared_ptr<const T> borrowed(const T &value)
{
    return std::shared_ptr<const T>(&value, [](const T *) {});
}

ReportPages incomeReportPages(std::shared_ptr<const DocumentInputs> inputs, const IncomeReportScope &scope,
                              std::shared_ptr<const IncomeReportValues> report)
{
    const QStringList covers = {
        Formats::shortDate(scope.start) + QStringLiteral(" to ") + Formats::shortDate(scope.end),
        scope.account.trimmed().isEmpty() ? QStringLiteral("All Accounts")
                                          : QStringLiteral("Account ") + scope.account.trimmed()};
    ReportPages pages;
    pages.setup = [inputs](PrintSurface &surface) {
        startDocument(surface, inputs->settings, QStringLiteral("Landscape"), true);
    };
    pages.heading = [inputs, covers](PrintSurface &surface) {
        printHeading(surface, *inputs, QStringLiteral("Income Report"), covers, kIncomeColumns);
    };
    pages.row = [report](PrintSurface &surface, int index) {
        const IncomeReportValues::Row &r = report->rows[std::size_t(index)];
        printLine(surface, kIncomeColumns,
                  {r.date, r.invoiceNo, r.acctNo, r.name, r.payForm, Formats::currency(r.preTax),
                   Formats::currency(r.taxes), r.total});
    };
    pages.rows = int(report->rows.size());
    pages.totalsLines = 8 + std::max(int(report->byTax.size()) + 3, int(report->byPayForm.size())) + 4 +
                        int(report->receivedByPayForm.size());
    // The totals: what came in, what of it is tax, and how it was paid.
    pages.totals = [report](PrintSurface &surface) {
        const IncomeReportValues &values = *report;
        surface.setCurrentY(surface.currentY() + 144);
        surface.drawLine(inches(0.5), surface.currentY(), kRight, surface.currentY(), PrintColours::kBlack);
        surface.setCurrentY(surface.currentY() + 72);
        surface.SetPrintFont(10, true, false);
        const double top = surface.currentY();
        surface.setCurrentX(inches(0.5));
        surface.print(QStringLiteral("Totals (%1 invoices)").arg(values.count));
        surface.SetPrintFont(10, false, false);
        totalLine(surface, 0.5, 4.5, QStringLiteral("Pre-Tax"), Formats::currency(values.preTax));
        for (const IncomeReportValues::TaxTotal &t : values.byTax)
            totalLine(surface, 0.5, 4.5, t.heading, Formats::currency(t.amount));
        totalLine(surface, 0.5, 4.5, QStringLiteral("Taxes"), Formats::currency(values.taxes));
        surface.SetPrintFont(10, true, false);
        totalLine(surface, 0.5, 4.5, QStringLiteral("Grand Total"), Formats::currency(values.total));
        const double bottom = surface.currentY();

        surface.setCurrentY(top);
        surface.setCurrentX(inches(6.0));
        surface.print(QStringLiteral("By Payment Form"));
        surface.SetPrintFont(10, false, false);
        for (const IncomeReportValues::PayFormTotal &p : values.byPayForm) {
            if (p.onlyWhenUsed && p.count == 0)
                continue;
            totalLine(surface, 6.0, 10.5, QStringLiteral("%1 (%2)").arg(p.name).arg(p.count),
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
            totalLine(surface, 6.0, 10.5, QStringLiteral("%1 (%2)").arg(p.name).arg(p.count),
                      Formats::currency(p.amount));
        }
        totalLine(surface, 6.0, 10.5, QStringLiteral("Of it for earlier invoices"),
                  Formats::currency(values.receivedLater));
        surface.SetPrintFont(10, true, false);
        totalLine(surface, 6.0, 10.5, QStringLiteral("Total Received"), Formats::currency(values.received));
        if (values.showsOwed)
            totalLine(surface, 6.0, 10.5, QStringLiteral("Owed Now"), Formats::currency(values.owed));
        surface.SetPrintFont(10, false, false);
    };
    return pages;
}

ReportPages receivablesPages(std::shared_ptr<const DocumentInputs> inputs,
                             std::shared_ptr<const ReceivablesReportValues> report)
{
    const QStringList covers = {QStringLiteral("%1 accounts owe").arg(report->accounts.size()),
                                QStringLiteral("Ages on ") + Formats::shortDate(inputs->today)};
    ReportPages pages;
    pages.setup = [inputs](PrintSurface &surface) {
        startDocument(surface, inputs->settings, QStringLiteral("Landscape"), true);
    };
    pages.heading = [inputs, covers](PrintSurface &surface) {
        printHeading(surface, *inputs, QStringLiteral("Accounts Receivable"), covers, kReceivablesColumns);
    };
    pages.row = [report](PrintSurface &surface, int index) {
        const ReceivablesReportValues::Account &a = report->accounts[std::size_t(index)];
        QStringList texts{a.acctNo, a.name, Formats::shortDate(a.oldestUnpaid), QString::number(a.ageDays),
                          Formats::currency(a.balance)};
        for (const Money &m : a.byAge)
            texts << (m.isZero() ? QString() : Formats::currency(m));
        printLine(surface, kReceivablesColumns, texts);
    };
    pages.rows = int(report->accounts.size());
    pages.totalsLines = 3;
    pages.totals = [report](PrintSurface &surface) {
        surface.setCurrentY(surface.currentY() + 72);
        surface.drawLine(inches(0.5), surface.currentY(), kRight, surface.currentY(), PrintColours::kBlack);
        surface.setCurrentY(surface.currentY() + 72);
        surface.SetPrintFont(10, true, false);
        QStringList totals = {QString(), QStringLiteral("Total"), QString(), QString(),
                              Formats::currency(report->total)};
        for (const Money &m : report->totals)
            totals << Formats::currency(m);
        printLine(surface, kReceivablesColumns, totals);
        surface.SetPrintFont(10, false, false);
    };
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
