// The data files at the largest sizes they take, each measured beside a raw read of the same file.
#include "accounts/customerfile.h"
#include "billing/posting.h"
#include "core/datafolder.h"
#include "core/formats.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipstore.h"
#include "dispatch/slipvalues.h"
#include "rawread.h"
#include "tools/samplegenerator.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// One generated folder for the whole run: 32,767 customers, 5,000 active slips, 100,000 history records.
struct SampleFolder
{
    QTemporaryDir dir;
    DataFolder folder{dir.path()};
    QString search; // a name fragment that about 1 % of the customers have

    SampleFolder()
    {
        GenerateOptions options;
        options.customers = GenerateLimits::kCustomers;
        options.slips = 5000;
        options.history = GenerateLimits::kHistory;
        options.seed = 7;
        options.today = QDate(2026, 12, 6);
        generateSampleData(folder, options);
        // Make every generated slip an active one: the board's load is measured at 5,000 slips.
        std::vector<Record> all = folder.readRecords(SlipFiles::kActive, serviceSlipLayout());
        for (const QString &file : {SlipFiles::kCompleted, SlipFiles::kFinalized}) {
            for (Record r : folder.readRecords(file, serviceSlipLayout())) {
                r.setText(SlipField::Status, SlipValues::kOpen);
                all.push_back(r);
            }
        }
        if (all.size() > 5000)
            all.erase(all.begin() + 5000, all.end());
        folder.replaceRecords(SlipFiles::kActive, all);
        search = pickSearchText();
    }

    QString pickSearchText() const
    {
        const int wanted = GenerateLimits::kCustomers / 100;
        QString best;
        int bestDistance = std::numeric_limits<int>::max();
        const auto names = loadCustomerNames(folder).names;
        for (std::size_t i = 0; i < names.size() && i < 400; i += 7) {
            const QString key = names[i].key.toUpper();
            for (int length = 3; length <= 5 && length <= key.size(); ++length) {
                const QString candidate = key.left(length);
                const int found = int(SearchCustomers(folder, CustomerCriterion::Name, candidate).size());
                if (std::abs(found - wanted) < bestDistance) {
                    bestDistance = std::abs(found - wanted);
                    best = candidate;
                }
            }
        }
        return best;
    }
};

SampleFolder &sample()
{
    static SampleFolder s;
    return s;
}

void BM_RawReadCustomers(benchmark::State &state)
{
    rawReadWholeFile(state, sample().folder.path(CustomerFile::kPath));
}
BENCHMARK(BM_RawReadCustomers)->Unit(benchmark::kMillisecond);

void BM_CustomerNameList(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(loadCustomerNames(sample().folder));
}
BENCHMARK(BM_CustomerNameList)->Unit(benchmark::kMillisecond);

void BM_LoadActiveSlips(benchmark::State &state)
{
    std::size_t count = 0;
    for (auto _ : state)
        count = LoadActiveSlips(sample().folder).size();
    state.counters["slips"] = double(count);
}
BENCHMARK(BM_LoadActiveSlips)->Unit(benchmark::kMillisecond);

void BM_IsSlotBooked(benchmark::State &state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(IsSlotBooked(sample().folder, QStringLiteral("Nobody Of That Name"),
                                              QStringLiteral("1/1/2031"), QStringLiteral("08:00")));
    }
}
BENCHMARK(BM_IsSlotBooked)->Unit(benchmark::kMillisecond);

// 5,000 slips of which every tenth is complete, saved into a folder of their own each time.
void BM_SaveActiveSlips(benchmark::State &state)
{
    std::vector<Record> board = LoadActiveSlips(sample().folder);
    for (std::size_t i = 0; i < board.size(); i += 10)
        board[i].setText(SlipField::Status, SlipValues::kComplete);
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        DataFolder target(dir.path());
        state.ResumeTiming();
        SlipStore(target).saveWhole(board);
    }
}
BENCHMARK(BM_SaveActiveSlips)->Unit(benchmark::kMillisecond);

// What finalizing 1,000 slips writes: history, service history, tax and journal records and the archive.
void BM_PostingAppend(benchmark::State &state)
{
    const std::vector<Record> slips = [] {
        std::vector<Record> s = LoadActiveSlips(sample().folder);
        if (s.size() > 1000)
            s.erase(s.begin() + 1000, s.end());
        return s;
    }();
    const QDate today(2026, 12, 6);
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        DataFolder target(dir.path());
        state.ResumeTiming();
        std::vector<Record> archive;
        int invoice = 20260001;
        for (const Record &slip : slips) {
            const QString invoiceNo = QString::number(invoice++);
            const Money preTax = Money::fromCents(10750);
            const Money tax = Formats::percentOf(preTax, Money::fromCents(600));
            const QString acct = slip.text(SlipField::AcctNo);
            const QString name = slip.text(SlipField::SiteName);
            WriteHistory(target, acct, name, Formats::currency(preTax + tax), today,
                         Posting::kInvoiceDescription + invoiceNo);
            WriteServiceHistory(target, acct, name, slip.text(SlipField::AssignedTo), today,
                                slip.text(SlipField::ServiceRequired));
            WriteTaxRecord(target, QStringLiteral("Sales Tax"), tax, Money(), today, 1, invoiceNo);
            WriteInvoiceJournal(target, name, acct, invoiceNo, preTax, tax, preTax + tax, today);
            archive.push_back(finalizedSlip(slip, invoiceNo, QStringLiteral("Check"), Formats::currency(preTax + tax)));
        }
        appendFinalizedSlips(target, archive);
    }
}
BENCHMARK(BM_PostingAppend)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
