// The bookkeeper's figures at the largest sizes: 32,767 customers and 100,000 postings. The income chart of all
// of them (the figures and the painting), the receivables of every balance file, the income report of 100,000
// rows into a PDF file, and 1,000 priced invoices into one PDF file.
#include "billing/history.h"
#include "billing/income.h"
#include "billing/moneyreportvalues.h"
#include "billing/pricedinvoice.h"
#include "billing/receivables.h"
#include "core/datafolder.h"
#include "core/settings.h"
#include "gui/billing/incomechart.h"
#include "platform/fakes/fakeplatform.h"
#include "platform/qtprinttarget.h"
#include "printing/moneyreports.h"
#include "printing/pricedinvoicelayout.h"
#include "tools/samplegenerator.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

const QDate kToday(2026, 12, 6);
const QDate kFirst(1990, 1, 1);

struct MoneySample
{
    QTemporaryDir dir;
    DataFolder folder{dir.path()};
    std::vector<History::FinancialRow> history;
    int accountFiles = 0;

    MoneySample()
    {
        GenerateOptions options;
        options.customers = GenerateLimits::kCustomers;
        options.slips = 3000;
        options.history = GenerateLimits::kHistory;
        options.seed = 29;
        options.today = kToday;
        accountFiles = generateSampleData(folder, options).accountFiles;
        history = History::loadFinancial(folder, kFirst, kToday);
    }
};

MoneySample &sample()
{
    static MoneySample s;
    return s;
}

DocumentInputs inputs()
{
    DocumentInputs in;
    in.business = {QStringLiteral("Acme Heating and Cooling"),
                   QStringLiteral("12 Main St"),
                   QString(),
                   QStringLiteral("Springfield"),
                   QStringLiteral("IL"),
                   QStringLiteral("62701"),
                   QStringLiteral("555-123-4567"),
                   QString(),
                   QString()};
    in.today = kToday;
    return in;
}

PrintOutcome toPdf(const PrintAction &action, const QString &path)
{
    FakeMessages messages;
    QtPrintTarget target(messages);
    target.setMode(QtPrintTarget::Mode::PdfFile);
    target.setPdfFile(path);
    return target.run(action);
}

// What loading the history adds for the chart: the taxes of every row, the bars, and one painting.
void BM_IncomeChart(benchmark::State &state)
{
    MoneySample &s = sample();
    IncomeChart chart;
    chart.resize(560, 190);
    QImage image(chart.size(), QImage::Format_ARGB32);
    chart.render(&image); // the fonts are loaded once the window shows, before any chart
    std::size_t bars = 0;
    for (auto _ : state) {
        const auto rows = Income::details(s.folder, s.history);
        const Income::Chart bySeries = Income::chartOf(rows, kFirst, kToday);
        chart.setChart(bySeries, QStringLiteral("Income by Month, All Accounts"));
        chart.render(&image);
        bars = bySeries.bars.size();
    }
    state.counters["rows"] = double(s.history.size());
    state.counters["bars"] = double(bars);
}
BENCHMARK(BM_IncomeChart)->Unit(benchmark::kMillisecond);

void BM_Receivables(benchmark::State &state)
{
    MoneySample &s = sample();
    std::size_t owing = 0;
    for (auto _ : state) {
        Receivables::Report report = Receivables::load(s.folder, kToday);
        Receivables::sort(report.accounts, Receivables::SortBy::Age);
        owing = report.accounts.size();
    }
    state.counters["files"] = double(s.accountFiles);
    state.counters["owing"] = double(owing);
}
BENCHMARK(BM_Receivables)->Unit(benchmark::kMillisecond);

void BM_IncomeReportPdf(benchmark::State &state)
{
    MoneySample &s = sample();
    const auto rows = Income::details(s.folder, s.history);
    const Income::Totals totals = Income::summarize(rows);
    for (auto _ : state) {
        const PrintOutcome outcome =
            toPdf(incomeReportAction(inputs(), {kFirst, kToday, {}}, incomeReportValues(rows, totals)),
                  s.dir.filePath(QStringLiteral("income.pdf")));
        if (!outcome.printed())
            state.SkipWithError(qPrintable(outcome.error));
    }
    state.counters["rows"] = double(rows.size());
}
BENCHMARK(BM_IncomeReportPdf)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_PricedInvoicesPdf(benchmark::State &state)
{
    MoneySample &s = sample();
    const std::vector<History::FinancialRow> last(s.history.end() - 1000, s.history.end());
    const auto rows = Income::details(s.folder, last);
    Settings settings;
    for (auto _ : state) {
        // From the history's rows: the slips looked up, the invoices made and printed.
        const auto invoices = PricedInvoices::fromHistory(s.folder, rows, settings);
        const PrintOutcome outcome =
            toPdf(pricedInvoiceAction(inputs(), invoices), s.dir.filePath(QStringLiteral("invoices.pdf")));
        if (!outcome.printed())
            state.SkipWithError(qPrintable(outcome.error));
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_PricedInvoicesPdf)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
