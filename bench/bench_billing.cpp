// Finalizing and the history window on generated data: Write Records of 1,000 slips, and 100,000 history
// records into both grids and out as CSV.
#include "billing/finalize.h"
#include "billing/history.h"
#include "billing/postingrun.h"
#include "core/datafolder.h"
#include "core/formats.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipvalues.h"
#include "gui/billing/historywindow.h"
#include "gui/widgets/flexgrid.h"
#include "tools/samplegenerator.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

const QDate kToday(2026, 12, 6);

// 2,000 customers, 1,000 completed slips and 100,000 postings in the history files.
struct BillingSample
{
    QTemporaryDir dir;
    DataFolder folder{dir.path()};
    std::vector<Record> completed;
    QString oneAccount;

    BillingSample()
    {
        GenerateOptions options;
        options.customers = 2000;
        options.slips = 3000;
        options.history = GenerateLimits::kHistory;
        options.seed = 11;
        options.today = kToday;
        generateSampleData(folder, options);
        std::vector<Record> all = folder.readRecords(SlipFiles::kActive, serviceSlipLayout());
        for (const Record &r : folder.readRecords(SlipFiles::kCompleted, serviceSlipLayout()))
            all.push_back(r);
        for (Record &r : all) {
            r.setText(SlipField::Status, SlipValues::kComplete);
            completed.push_back(r);
            if (completed.size() == 1000)
                break;
        }
        const auto rows = History::loadFinancial(folder, QDate(1990, 1, 1), kToday);
        oneAccount = rows.empty() ? QString() : rows[rows.size() / 2].acctNo;
    }
};

BillingSample &sample()
{
    static BillingSample s;
    return s;
}

void BM_WriteRecords(benchmark::State &state)
{
    BillingSample &s = sample();
    const QByteArray history = s.folder.readAll(QStringLiteral("/CAHistory.txt"));
    const QByteArray service = s.folder.readAll(QStringLiteral("/ServiceHistory.txt"));
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir(QDir(s.folder.root()).absoluteFilePath(QStringLiteral("../vd-bench-XXXXXX")));
        DataFolder target(dir.path());
        target.writeFile(QStringLiteral("/CAHistory.txt"), history);
        target.writeFile(QStringLiteral("/ServiceHistory.txt"), service);
        target.replaceRecords(SlipFiles::kCompleted, s.completed);
        // The customers' account files and their Backup copies are there, as in a folder in use.
        QDir().mkpath(dir.path() + QStringLiteral("/VIActiveAccounts"));
        QDir().mkpath(dir.path() + QStringLiteral("/Backup/VIActiveAccounts"));
        for (const Record &r : s.completed) {
            const QString name =
                QStringLiteral("/VIActiveAccounts/") + r.text(SlipField::AcctNo) + QStringLiteral(".txt");
            QFile::copy(s.folder.path(name), dir.path() + name);
            QFile::copy(s.folder.path(name), dir.path() + QStringLiteral("/Backup") + name);
        }
        const auto rows = Finalize::LoadCompletedSlips(target);
        std::vector<PostingRun::Slip> slips;
        int invoice = 20260001;
        for (const auto &r : rows) {
            const Money preTax = Money::fromCents(10750);
            const Money tax = Formats::percentOf(preTax, Formats::parseDecimal(QStringLiteral("7.5")).value());
            slips.push_back({r.slip, r.acctNo, r.name, QString::number(invoice++),
                             invoice % 3 ? QStringLiteral("Cash") : QStringLiteral("Not Collected"),
                             Formats::currency(preTax + tax), preTax, tax, Money()});
        }
        state.ResumeTiming();
        PostingRun::writeRecords(target, slips, {QStringLiteral("Sales Tax"), QStringLiteral("Tax")}, kToday);
    }
}
BENCHMARK(BM_WriteRecords)->Unit(benchmark::kMillisecond)->Iterations(5);

// Every record (the widest range); state.range(0) = 1: one account.
void BM_HistoryRange(benchmark::State &state)
{
    BillingSample &s = sample();
    FlexGrid financial(QStringLiteral("fgHistory"));
    FlexGrid service(QStringLiteral("fgSHistory"));
    std::optional<QString> account;
    if (state.range(0) == 1)
        account = s.oneAccount;
    std::size_t rows = 0;
    for (auto _ : state) {
        const auto loaded =
            std::make_shared<const History::Loaded>(History::loadHistory(s.folder, QDate(1990, 1, 1), kToday, account));
        HistoryWindow::fillGrids(loaded, financial, service);
        rows = loaded->financial.size() + loaded->service.size();
    }
    state.counters["rows"] = double(rows);
}
BENCHMARK(BM_HistoryRange)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ExportIncome(benchmark::State &state)
{
    BillingSample &s = sample();
    QTemporaryDir out;
    const auto rows = History::loadFinancial(s.folder, QDate(1990, 1, 1), kToday);
    for (auto _ : state)
        History::writeExport(out.filePath(QStringLiteral("income.csv")), History::financialCsv(rows));
    state.counters["rows"] = double(rows.size());
}
BENCHMARK(BM_ExportIncome)->Unit(benchmark::kMillisecond);

} // namespace
