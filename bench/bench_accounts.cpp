// The assignments screen at 1,000 assignments and the services catalogue at 255 services.
#include "accounts/assignmenteditor.h"
#include "accounts/servicecatalogue.h"
#include "accounts/serviceseditor.h"
#include "app/appstate.h"
#include "gui/accounts/assignmentscreen.h"
#include "platform/fakes/fakeplatform.h"
#include "platform/fakes/recordingprinttarget.h"
#include "tools/samplegenerator.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

struct AccountsFolder
{
    QTemporaryDir dir;
    DataFolder folder{dir.path()};

    AccountsFolder()
    {
        GenerateOptions options;
        options.customers = 10;
        options.slips = 10;
        options.history = 0;
        options.services = GenerateLimits::kServices;
        options.assignments = GenerateLimits::kAssignments;
        options.seed = 13;
        options.today = QDate(2026, 12, 6);
        generateSampleData(folder, options);
    }
};

AccountsFolder &sample()
{
    static AccountsFolder folder;
    return folder;
}

// Building the window, reading the count and the cities, showing the first record and listing all 1,000.
void BM_AssignmentScreenOpen(benchmark::State &bench)
{
    AppState state(sample().folder);
    FakePlatform fake;
    Platform platform = fake.platform();
    RecordingPrintTarget target;
    for (auto _ : bench) {
        AssignmentScreen screen(state, platform, {}, target, {});
        screen.show();
        benchmark::DoNotOptimize(screen.editor().count());
    }
}
BENCHMARK(BM_AssignmentScreenOpen)->Unit(benchmark::kMillisecond);

// A search by name that matches a few assignments, and one by reference that matches many.
void BM_AssignmentSearch(benchmark::State &bench)
{
    AppState state(sample().folder);
    AssignmentEditor editor(state);
    editor.activate();
    const AssignmentCriterion criterion =
        bench.range(0) == 0 ? AssignmentCriterion::Name : AssignmentCriterion::Reference;
    const QString text = bench.range(0) == 0 ? QStringLiteral("an") : QStringLiteral("employee");
    for (auto _ : bench)
        benchmark::DoNotOptimize(editor.search(criterion, text).rows.size());
}
BENCHMARK(BM_AssignmentSearch)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Save Service on a catalogue of 255 services: the grid row changed and the whole file rewritten.
void BM_SaveServiceCatalogue(benchmark::State &bench)
{
    ServicesEditor editor(sample().folder);
    editor.load();
    int i = 0;
    for (auto _ : bench) {
        editor.select(i++ % int(editor.rows().size()));
        editor.startModify();
        editor.saveService(QStringLiteral("Service %1").arg(i), QStringLiteral("45"), 1 + i % 32);
    }
}
BENCHMARK(BM_SaveServiceCatalogue)->Unit(benchmark::kMillisecond);

} // namespace
