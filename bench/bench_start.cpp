// The start: the folder tree of a first start with the most customers, and a start to the start menu on a
// folder with every file at its largest.
#include "accounts/customerfile.h"
#include "accounts/customerrecord.h"
#include "app/application.h"
#include "core/datafolder.h"
#include "core/startup.h"
#include "platform/fakes/fakemodem.h"
#include "platform/fakes/fakeplatform.h"
#include "tools/samplegenerator.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

struct LargestFolder
{
    QTemporaryDir dir;

    LargestFolder()
    {
        GenerateOptions options;
        options.customers = GenerateLimits::kCustomers;
        options.slips = 5000;
        options.history = GenerateLimits::kHistory;
        options.services = GenerateLimits::kServices;
        options.assignments = GenerateLimits::kAssignments;
        options.seed = 11;
        options.today = QDate(2026, 12, 6);
        generateSampleData(DataFolder(dir.path()), options);
    }
};

LargestFolder &largest()
{
    static LargestFolder folder;
    return folder;
}

} // namespace

// The folder tree for 32,767 customers in an empty /AuxFiles, as a first start makes it: each run in a new
// folder that holds only the customer file.
static void BM_FirstStart(benchmark::State &state)
{
    static QTemporaryDir source;
    static const bool generated = [] {
        GenerateOptions options;
        options.customers = GenerateLimits::kCustomers;
        options.slips = 0;
        options.history = 0;
        options.today = QDate(2026, 12, 6);
        generateSampleData(DataFolder(source.path()), options);
        return true;
    }();
    Q_UNUSED(generated);
    for (auto _ : state) {
        state.PauseTiming();
        auto *run = new QTemporaryDir;
        QFile::copy(source.path() + CustomerFile::kPath, run->path() + CustomerFile::kPath);
        state.ResumeTiming();
        const DataFolder folder(run->path()); // a new run: nothing of the folder is known yet
        Startup::createFolderTree(folder, QDate(2026, 12, 6), CustomerFile::accountNumbers(folder));
        state.PauseTiming();
        delete run;
        state.ResumeTiming();
    }
    state.counters["customers"] = GenerateLimits::kCustomers;
}
BENCHMARK(BM_FirstStart)->Unit(benchmark::kMillisecond)->Iterations(1);

// From the start of the program to a shown start menu, the folder tree already in place.
static void BM_Start(benchmark::State &state)
{
    QStandardPaths::setTestModeEnabled(true);
    const QString root = largest().dir.path();
    // The tree made, then checked whole once by an earlier start, as on every day after the first.
    for (int pass = 0; pass < 2; ++pass)
        Startup::createFolderTree(DataFolder(root), QDate(2026, 12, 6), CustomerFile::accountNumbers(DataFolder(root)));
    FakeModemBench noModem;
    for (auto _ : state) {
        FakePlatform fake;
        fake.clock.setDate(QDate(2026, 12, 6));
        Application app(root, fake.platform());
        app.setSerialPortFactory(noModem.factory());
        app.start();
        if (!app.startMenu() || !app.startMenu()->isVisible())
            state.SkipWithError("the start menu did not show");
        state.PauseTiming();
        app.setQuitHandler([] {});
        app.exitProgram();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Start)->Unit(benchmark::kMillisecond)->Iterations(5);
