// What the user waits for in the windows, at the largest sizes: the program's application object runs on a
// data folder with 32,767 customers, 5,000 slips on the board, 5,000 completed slips waiting to be finalized and
// 100,000 records in each history file. A control is clicked by its object name, and the time runs until the
// window that follows has been painted (its first paint event: on a real display that comes after the window
// server has mapped it). "fresh" opens the window in a new process, as a user's first click does (nothing of
// the program's or Qt's own kept from before: fonts, icon theme, style); "first" in a new application object of
// this process; "warm" again after the user went back to the menu. Run under `xvfb-run` with
// QT_QPA_PLATFORM=xcb for what a real display adds.
#include "app/application.h"
#include "bench/benchdriver.h"
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
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <ctime>

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

    // The slip files and the counter as generated, after a run that saved the board or created a slip.
    void restoreSlips(bool tenthComplete = false)
    {
        if (counter.isEmpty())
            counter = folder.readAll(QStringLiteral("/SlipNo.txt"));
        folder.writeFile(SlipFiles::kActive, tenthComplete ? activeTenthComplete : active);
        folder.writeFile(SlipFiles::kCompleted, completed);
        folder.writeFile(QStringLiteral("/SlipNo.txt"), counter);
    }
    QByteArray counter;
};

QString g_folderPath; // a folder made by the process that started this one

WindowsFolder &largest()
{
    static WindowsFolder folder;
    return folder;
}

QString largestPath()
{
    return g_folderPath.isEmpty() ? largest().dir.path() : g_folderPath;
}

// Notes the first paint of the window it waits for: of the window itself or of any control in it.
class PaintWatch final : public QObject
{
public:
    QString window;
    bool painted = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!painted && event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget *>(watched)->window()->objectName() == window)
            painted = true;
        return false;
    }
};

PaintWatch &paintWatch()
{
    static auto *watch = [] {
        auto *w = new PaintWatch;
        qApp->installEventFilter(w);
        return w;
    }();
    return *watch;
}

// A run of the program on that folder, at its start menu.
struct Run : ProgramRun
{
    Run()
        : ProgramRun(largestPath(), QDate(2026, 12, 6))
    {}
};

// Clicks a control (or triggers a menu entry) by its object name, then runs the events that follow until the
// window to be shown has been painted. False when it did not show and paint within ten seconds.
bool clickUntilShown(const QString &window, const QString &name, const QString &shown)
{
    QWidget *target = control(window, name);
    QAction *action = nullptr;
    if (!target) {
        QWidget *w = visibleWindow(window);
        action = w ? w->findChild<QAction *>(name) : nullptr;
        if (!action)
            return false;
    }
    PaintWatch &watch = paintWatch();
    watch.window = shown;
    watch.painted = false;
    if (target)
        QTest::mouseClick(target, Qt::LeftButton, {}, target->rect().center());
    else
        action->trigger();
    QElapsedTimer waited;
    waited.start();
    QCoreApplication::processEvents();
    while (!(watch.painted && visibleWindow(shown)) && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    return watch.painted && visibleWindow(shown);
}

// The resident memory of the process (VmRSS), or the most it held (VmHWM), in MB.
double residentMegabytes(const char *which = "VmRSS:")
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(which))
            return line.mid(qsizetype(qstrlen(which))).trimmed().split(' ').value(0).toDouble() / 1024.0;
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
        {"calendar", {{"frmStartup", "lblSub_1"}, {"frmMain", "mnuCalendar"}}, "frmCalendar"},
        {"services", {{"frmStartup", "lblSub_6"}}, "frmServices"},
        {"blank invoices", {{"frmStartup", "lblSub_7"}}, "frmBlanks"},
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
BENCHMARK(BM_WindowFirst)->DenseRange(0, 9)->Unit(benchmark::kMillisecond)->Iterations(3);

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
BENCHMARK(BM_WindowWarm)->DenseRange(0, 9)->Unit(benchmark::kMillisecond)->Iterations(5);

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

// Slip creation's Create Slip (a slip without a date for the first customer) until the start menu is back and
// painted, on the board's 5,000 slips. The slip files and the counter are put back between runs.
void BM_CreateSlipToMenu(benchmark::State &state)
{
    QStandardPaths::setTestModeEnabled(true);
    largest();
    Run run;
    for (auto _ : state) {
        state.PauseTiming();
        largest().restoreSlips();
        bool ready = follow(nullptr, paths()[2]);
        if (ready) {
            qobject_cast<QAbstractButton *>(control("frmCreateSlip", "cmdCreation_2"))->click();
            qobject_cast<QPlainTextEdit *>(control("frmCreateSlip", "txtService"))->setPlainText("No heat");
            qobject_cast<QAbstractButton *>(control("frmCreateSlip", "cmdCreation_4"))->click();
            auto *noDate = qobject_cast<QCheckBox *>(control("frmCreateSlip", "ckdate"));
            if (noDate && !noDate->isChecked())
                noDate->click();
            QCoreApplication::processEvents();
        }
        state.ResumeTiming();
        if (!ready || !clickUntilShown("frmCreateSlip", "cmdCreation_6", "frmStartup")) {
            state.SkipWithError("the menu did not come back");
            break;
        }
    }
    largest().restoreSlips();
}
BENCHMARK(BM_CreateSlipToMenu)->Unit(benchmark::kMillisecond)->Iterations(5);

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

// A window opened in a new process of this program (see openWindowInNewProcess): the time that process
// measured from the click to the window's first paint, the processor time it took meanwhile and the most memory
// it held.
void BM_WindowFresh(benchmark::State &state)
{
    const Path &path = paths()[std::size_t(state.range(0))];
    state.SetLabel(path.label);
    const QString folder = largest().dir.path();
    for (auto _ : state) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--open-window"), QString::number(state.range(0)), folder});
        if (!child.waitForFinished(120000) || child.exitCode() != 0) {
            state.SkipWithError("the window did not show in the new process");
            break;
        }
        const QList<QByteArray> said = child.readAllStandardOutput().trimmed().split(' ');
        state.SetIterationTime(said.value(0).toDouble() / 1000.0);
        state.counters["peak MB"] = said.value(1).toDouble();
        state.counters["CPU ms"] = said.value(2).toDouble(); // the process's, the window system's thread included
    }
}
BENCHMARK(BM_WindowFresh)->DenseRange(0, 9)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// Every window opened once, one after the other, in a new process: the most memory the program held (VmHWM)
// over a whole office day's windows at the largest sizes.
void BM_EveryWindowPeak(benchmark::State &state)
{
    const QString folder = largest().dir.path();
    for (auto _ : state) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel); // VD_BENCH_TRACE: each window's memory
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--open-window"), QStringLiteral("-1"), folder});
        if (!child.waitForFinished(300000) || child.exitCode() != 0) {
            state.SkipWithError("a window did not show in the new process");
            break;
        }
        const QList<QByteArray> said = child.readAllStandardOutput().trimmed().split(' ');
        state.SetIterationTime(said.value(0).toDouble() / 1000.0);
        state.counters["peak MB"] = said.value(1).toDouble();
    }
}
BENCHMARK(BM_EveryWindowPeak)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

} // namespace

// The child of BM_WindowFresh: starts the program on the folder, waits for the start menu to be painted, follows
// the path (only its last click timed) and prints the milliseconds, the peak resident MB and the CPU milliseconds.
// Path -1 (BM_EveryWindowPeak) follows every path in turn, back to the menu after each.
int openWindowInNewProcess(int pathIndex, const QString &folder)
{
    g_folderPath = folder;
    QStandardPaths::setTestModeEnabled(true);
    PaintWatch &watch = paintWatch();
    watch.window = QStringLiteral("frmStartup");
    Run run;
    QElapsedTimer waited;
    waited.start();
    while (!watch.painted && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    if (pathIndex < 0) {
        QElapsedTimer all;
        all.start();
        for (const Path &path : paths()) {
            if (!follow(nullptr, path))
                return 1;
            if (qEnvironmentVariableIsSet("VD_BENCH_TRACE"))
                std::fprintf(stderr, "%s: %.1f MB now, %.1f MB peak\n", path.label, residentMegabytes(),
                             residentMegabytes("VmHWM:"));
            backToMenu(run, path);
        }
        std::printf("%.3f %.1f\n", double(all.nsecsElapsed()) / 1e6, residentMegabytes("VmHWM:"));
        return 0;
    }
    const Path &path = paths()[std::size_t(pathIndex)];
    for (std::size_t i = 0; i + 1 < path.clicks.size(); ++i)
        if (!clickUntilShown(path.clicks[i].first, path.clicks[i].second, path.clicks[i + 1].first))
            return 1;
    QElapsedTimer timer;
    const std::clock_t cpu = std::clock();
    timer.start();
    if (!clickUntilShown(path.clicks.back().first, path.clicks.back().second, path.window))
        return 1;
    const qint64 elapsed = timer.nsecsElapsed();
    std::printf("%.3f %.1f %.3f\n", double(elapsed) / 1e6, residentMegabytes("VmHWM:"),
                double(std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC);
    return 0;
}
