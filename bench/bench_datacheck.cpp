// dispatch-data check on a folder with every file at its largest: as generated, and after a start has made the
// data-box folders of all 32,767 customers.
#include "accounts/customerfile.h"
#include "accounts/customerrecord.h"
#include "core/clock.h"
#include "core/datafolder.h"
#include "core/startup.h"
#include "tools/datacheck.h"
#include "tools/samplegenerator.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

struct CheckedFolder
{
    QTemporaryDir dir;

    explicit CheckedFolder(bool started)
    {
        const QDate today(2026, 12, 6);
        GenerateOptions options;
        options.customers = GenerateLimits::kCustomers;
        options.slips = 5000;
        options.history = GenerateLimits::kHistory;
        options.services = GenerateLimits::kServices;
        options.assignments = GenerateLimits::kAssignments;
        options.seed = 17;
        options.today = today;
        const DataFolder folder(dir.path());
        generateSampleData(folder, options);
        if (!started)
            return;
        QStringList accounts;
        for (const Record &customer : folder.readRecords(CustomerFile::kPath, customerLayout()))
            accounts.append(customer.text(CustomerField::AcctNo));
        Startup::createFolderTree(folder, today, accounts);
    }
};

const CheckedFolder &generatedFolder()
{
    static CheckedFolder folder(false);
    return folder;
}

const CheckedFolder &startedFolder()
{
    static CheckedFolder folder(true);
    return folder;
}

} // namespace

// 0: as generated (no data-box folders yet); 1: after the first start (229,369 folders under AuxFiles).
static void BM_CheckDataFolder(benchmark::State &state)
{
    const CheckedFolder &sample = state.range(0) == 0 ? generatedFolder() : startedFolder();
    const SystemClock clock;
    for (auto _ : state) {
        const DataFolder folder(sample.dir.path()); // as the tool sees it: nothing of the folder known yet
        const auto findings = checkDataFolder(folder, clock);
        if (!findings.empty())
            state.SkipWithError(qPrintable(findings.front().text()));
        benchmark::DoNotOptimize(findings.size());
    }
}
BENCHMARK(BM_CheckDataFolder)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);
