// What the user waits for in the windows, at the largest sizes: the program's application object runs on a
// data folder with 32,767 customers, 5,000 slips on the board, 5,000 completed slips waiting to be finalized and
// 100,000 records in each history file. A start-menu routine is clicked by its object name, and the time runs
// until the window is shown and its first paint done (the events that follow the click, the offscreen paint among
// them). "first" opens it in a new application object (nothing of the program's own kept from before), "warm"
// opens it again after the user went back to the menu. The first runs also tell the resident memory.
#include "app/application.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipvalues.h"
#include "gui/app/startmenu.h"
#include "gui/dispatch/boardwindow.h"
#include "gui/widgets/flexgrid.h"
#include "platform/fakes/fakemodem.h"
#include "platform/fakes/fakeplatform.h"
#include "tools/samplegenerator.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <benchmark/benchmark.h>

namespace {

constexpr int kBoardSlips = 5000;
constexpr int kCompletedSlips = 5000;

// Every file at its largest; the generated slips are spread so that 5,000 are on the board and 5,000 wait in the
// completed file ("Complete").
struct WindowsFolder
{
    QTemporaryDir dir;
    DataFolder folder{dir.path()};
    QByteArray active;
    QByteArray completed;
    QByteArray activeTenthComplete; // the same board with every tenth slip "Complete"

    WindowsFolder()
    {
        GenerateOptions options;
        options.customers = GenerateLimits::kCustomers;
        options.slips = 12000;
        options.history = GenerateLimits::kHistory;
        options.services = GenerateLimits::kServices;
        options.assignments = GenerateLimits::kAssignments;
        options.seed = 11;
        options.today = QDate(2026, 12, 6);
        generateSampleData(folder, options);
        std::vector<Record> all = folder.readRecords(SlipFiles::kActive, serviceSlipLayout());
        std::vector<Record> done = folder.readRecords(SlipFiles::kCompleted, serviceSlipLayout());
        for (Record r : folder.readRecords(SlipFiles::kFinalized, serviceSlipLayout())) {
            if (all.size() < kBoardSlips) {
                r.setText(SlipField::Status, SlipValues::kAssigned);
                all.push_back(r);
            } else {
                done.push_back(r);
            }
        }
        all.resize(kBoardSlips, Record(serviceSlipLayout()));
        done.resize(std::min<std::size_t>(done.size(), kCompletedSlips), Record(serviceSlipLayout()));
        for (Record &r : done)
            r.setText(SlipField::Status, SlipValues::kComplete);
        folder.replaceRecords(SlipFiles::kActive, all);
        folder.replaceRecords(SlipFiles::kCompleted, done);
        folder.deleteWithBackup(SlipFiles::kFinalized);
        active = folder.readAll(SlipFiles::kActive);
        completed = folder.readAll(SlipFiles::kCompleted);
        for (std::size_t i = 0; i < all.size(); i += 10)
            all[i].setText(SlipField::Status, SlipValues::kComplete);
        folder.replaceRecords(SlipFiles::kActive, all);
        activeTenthComplete = folder.readAll(SlipFiles::kActive);
        folder.writeFile(SlipFiles::kActive, active);
    }

    // The slip files as generated, after a run that saved the board.
    void restoreSlips(bool tenthComplete = false)
    {
        folder.writeFile(SlipFiles::kActive, tenthComplete ? activeTenthComplete : active);
        folder.writeFile(SlipFiles::kCompleted, completed);
    }
};

WindowsFolder &largest()
{
    static WindowsFolder folder;
    return folder;
}

// A run of the program on that folder, at its start menu.
struct Run
{
    YesMessages messages;
    FakePlatform fake;
    FakeModemBench noModem;
    Platform platform{messages, fake.clock, fake.clipboard, fake.web, fake.choosers, fake.layouts};
    Application app{largest().dir.path(), platform};

    Run()
    {
        fake.clock.setDate(QDate(2026, 12, 6));
        app.setSerialPortFactory(noModem.factory());
        app.setQuitHandler([] {});
        app.start();
        QCoreApplication::processEvents();
    }
    ~Run() { app.exitProgram(); }
};

QWidget *visibleWindow(const QString &name)
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->objectName() == name)
            return w;
    return nullptr;
}

QWidget *control(const QString &window, const QString &name)
{
    QWidget *w = visibleWindow(window);
    return w ? w->findChild<QWidget *>(name) : nullptr;
}

// Clicks a control by its object name; the events that follow (the window's layout and its first paint on the
// screen) run before it returns. False when the window did not show.
bool clickUntilShown(const QString &window, const QString &name, const QString &shown)
{
    QWidget *target = control(window, name);
    if (!target)
        return false;
    QTest::mouseClick(target, Qt::LeftButton, {}, target->rect().center());
    QCoreApplication::processEvents();
    return visibleWindow(shown) != nullptr;
}

// The resident memory of the process, in MB.
double residentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

struct Path
{
    const char *label;
    std::vector<std::pair<QString, QString>> clicks; // window, control: the first leads from the menu
    QString window;                                  // shown after the last click
};

const std::vector<Path> &paths()
{
    static const std::vector<Path> all = {
        {"board", {{"frmStartup", "lblSub_1"}}, "frmMain"},
        {"customers", {{"frmStartup", "lblSub_4"}}, "frmNewCustomer"},
        {"slip creation", {{"frmStartup", "lblSub_0"}, {"frmNewCustomer", "cmdSelect"}}, "frmCreateSlip"},
        {"finalize", {{"frmStartup", "lblSub_2"}}, "frmFinalize"},
        {"history", {{"frmStartup", "lblSub_8"}}, "frmHistory"},
        {"schedules", {{"frmStartup", "lblSub_3"}}, "frmSchedules"},
        {"assignments", {{"frmStartup", "lblSub_5"}}, "frmAssignment"},
    };
    return all;
}

// Follows a path; the clicks before the last one are not timed (no state: nothing is timed).
bool follow(benchmark::State *state, const Path &path)
{
    for (std::size_t i = 0; i + 1 < path.clicks.size(); ++i) {
        if (state)
            state->PauseTiming();
        const bool ok = clickUntilShown(path.clicks[i].first, path.clicks[i].second, path.clicks[i + 1].first);
        if (state)
            state->ResumeTiming();
        if (!ok)
            return false;
    }
    return clickUntilShown(path.clicks.back().first, path.clicks.back().second, path.window);
}

void backToMenu(Run &run, const Path &path)
{
    for (const auto &[window, name] : path.clicks)
        if (QWidget *w = visibleWindow(window); w && window != QLatin1String("frmStartup"))
            w->hide();
    if (QWidget *w = visibleWindow(path.window))
        w->hide();
    run.app.showStartMenu();
    QCoreApplication::processEvents();
}

void BM_WindowFirst(benchmark::State &state)
{
    QStandardPaths::setTestModeEnabled(true);
    const Path &path = paths()[std::size_t(state.range(0))];
    state.SetLabel(path.label);
    largest();
    for (auto _ : state) {
        state.PauseTiming();
        auto run = std::make_unique<Run>();
        state.ResumeTiming();
        if (!follow(&state, path)) {
            state.SkipWithError("the window did not show");
            break;
        }
        state.PauseTiming();
        state.counters["resident MB"] = residentMegabytes();
        run.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_WindowFirst)->DenseRange(0, 6)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_WindowWarm(benchmark::State &state)
{
    QStandardPaths::setTestModeEnabled(true);
    const Path &path = paths()[std::size_t(state.range(0))];
    state.SetLabel(path.label);
    largest();
    Run run;
    follow(nullptr, path);
    backToMenu(run, path);
    for (auto _ : state) {
        if (!follow(&state, path)) {
            state.SkipWithError("the window did not show");
            break;
        }
        state.PauseTiming();
        backToMenu(run, path);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_WindowWarm)->DenseRange(0, 6)->Unit(benchmark::kMillisecond)->Iterations(5);

// "Save &Changes/Exit" on the board with 500 of its 5,000 slips ticked "Complete", until the start menu is back
// and painted. The slip files are put back between runs.
void BM_BoardSaveToMenu(benchmark::State &state)
{
    QStandardPaths::setTestModeEnabled(true);
    largest();
    Run run;
    for (auto _ : state) {
        state.PauseTiming();
        largest().restoreSlips(true);
        clickUntilShown("frmStartup", "lblSub_1", "frmMain");
        state.ResumeTiming();
        if (!clickUntilShown("frmMain", "cmdMain_8", "frmStartup")) {
            state.SkipWithError("the menu did not come back");
            break;
        }
    }
    largest().restoreSlips();
}
BENCHMARK(BM_BoardSaveToMenu)->Unit(benchmark::kMillisecond)->Iterations(5);

// The first "Eternity" in the history window: 100,000 records of each history file into the two grids.
void BM_HistoryEternity(benchmark::State &state)
{
    QStandardPaths::setTestModeEnabled(true);
    largest();
    for (auto _ : state) {
        state.PauseTiming();
        auto run = std::make_unique<Run>();
        clickUntilShown("frmStartup", "lblSub_8", "frmHistory");
        state.ResumeTiming();
        if (!clickUntilShown("frmHistory", "cmdIncome_3", "frmHistory")) {
            state.SkipWithError("no history window");
            break;
        }
        state.PauseTiming();
        run.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_HistoryEternity)->Unit(benchmark::kMillisecond)->Iterations(3);

// A later action inside an open window, from the user's click to the events that follow it done: a search of the
// 32,767 customers by business name, and a tick on the board of 5,000 slips (ticked, then unticked).
void BM_WindowAction(benchmark::State &state)
{
    QStandardPaths::setTestModeEnabled(true);
    largest();
    Run run;
    const bool search = state.range(0) == 0;
    state.SetLabel(search ? "customer search" : "board tick");
    if (!follow(nullptr, paths()[search ? 1 : 0])) {
        state.SkipWithError("the window did not show");
        return;
    }
    if (search) {
        qobject_cast<QAbstractButton *>(control("frmNewCustomer", "optCriteria_0"))->click();
        qobject_cast<QLineEdit *>(control("frmNewCustomer", "txtSearch"))->setText(QStringLiteral("Grill"));
    }
    auto *board = qobject_cast<BoardWindow *>(visibleWindow("frmMain"));
    for (auto _ : state) {
        if (search) {
            qobject_cast<QAbstractButton *>(control("frmNewCustomer", "cmdSearch"))->click();
        } else {
            emit board->grid()->cellClicked(2500, 0);
        }
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_WindowAction)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->Iterations(6);

} // namespace
