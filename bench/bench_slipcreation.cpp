// Writing a slip and opening "Where are They Now?" at the largest sizes: 5,000 active slips, 1,000
// assignments, 32,767 customers.
#include "accounts/assignmentfile.h"
#include "accounts/customerfile.h"
#include "app/appstate.h"
#include "core/clock.h"
#include "core/seams.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipcreation.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipvalues.h"
#include "gui/dispatch/scheduleswindow.h"
#include "gui/widgets/programwindow.h"
#include "platform/fakes/fakeplatform.h"
#include "tools/samplegenerator.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

class NoLayouts final : public LayoutStore
{
public:
    QByteArray load(const QString &, const QString &) const override { return {}; }
    void save(const QString &, const QString &, const QByteArray &) override {}
};

// 5,000 active slips (a quarter of them "In Progress"), 1,000 assignments and every customer the file takes.
struct DispatchFolder
{
    QTemporaryDir dir;
    DataFolder folder{dir.path()};
    QByteArray activeSlips;

    DispatchFolder()
    {
        GenerateOptions options;
        options.customers = GenerateLimits::kCustomers;
        options.slips = 5000;
        options.history = 0;
        options.assignments = GenerateLimits::kAssignments;
        options.seed = 11;
        options.today = QDate(2026, 12, 6);
        generateSampleData(folder, options);
        std::vector<Record> all = folder.readRecords(SlipFiles::kActive, serviceSlipLayout());
        for (const QString &file : {SlipFiles::kCompleted, SlipFiles::kFinalized})
            for (Record r : folder.readRecords(file, serviceSlipLayout()))
                all.push_back(r);
        if (all.size() > 5000)
            all.erase(all.begin() + 5000, all.end());
        for (std::size_t i = 0; i < all.size(); ++i)
            all[i].setText(SlipField::Status, i % 4 == 0 ? SlipValues::kInProgress : SlipValues::kAssigned);
        folder.replaceRecords(SlipFiles::kActive, all);
        activeSlips = folder.readAll(SlipFiles::kActive);
    }
};

DispatchFolder &dispatchFolder()
{
    static DispatchFolder f;
    return f;
}

// Slot test, overlap test, append and counter, for a scheduled slip of a busy technician.
void BM_CreateSlip(benchmark::State &state)
{
    DispatchFolder &f = dispatchFolder();
    const Record customer = f.folder.readRecords(CustomerFile::kPath, customerLayout()).back();
    const AssignmentLists lists = LoadAssignmentLists(f.folder);
    SlipCreation::SlipDraft draft;
    draft.account = SlipCreation::accountBlock(customer);
    draft.site = draft.account.lines;
    draft.service = QStringLiteral("Furnace check\r\nFilter");
    draft.assignment = lists.creation.value(1);
    draft.date = QDate(2026, 12, 7);
    draft.time = QStringLiteral("03:00-05:00");
    FixedClock clock(QDateTime(QDate(2026, 12, 6), QTime(9, 0)));
    YesMessages messages;
    SlipCounter counter;
    // The file as a program in use finds it: written and on the disk. Each round cuts it back to the 5,000
    // slips, so that the flush of the new slip writes that slip and not the whole file again.
    f.folder.writeFile(SlipFiles::kActive, f.activeSlips, DataFolder::Flush::ToDisk);
    const QString active = f.folder.path(SlipFiles::kActive);
    for (auto _ : state) {
        state.PauseTiming();
        QFile::resize(active, f.activeSlips.size());
        counter.set(20000);
        state.ResumeTiming();
        benchmark::DoNotOptimize(putThrough(messages, [&](const Answers &answers) {
            return SlipCreation::StoreSlip(f.folder, counter, clock, customer, draft, answers);
        }));
    }
}
BENCHMARK(BM_CreateSlip)->Unit(benchmark::kMillisecond);

// Building the window and filling its grid: 1,000 assignment rows against 5,000 slips.
void BM_OpenSchedules(benchmark::State &state)
{
    DispatchFolder &f = dispatchFolder();
    AppState app(f.folder);
    app.assignmentLists = LoadAssignmentLists(f.folder);
    f.folder.writeFile(SlipFiles::kActive, f.activeSlips, DataFolder::Flush::Skip);
    NoLayouts layouts;
    for (auto _ : state) {
        SchedulesWindow window(app, ProgramWindow::Environment{&layouts, {}});
        window.show(); // reads the slips and fills the grid
        benchmark::DoNotOptimize(&window);
    }
}
BENCHMARK(BM_OpenSchedules)->Unit(benchmark::kMillisecond);

} // namespace
