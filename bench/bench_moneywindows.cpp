// The money windows as the user waits for them, each run in a new application object (nothing of the program's
// own kept from before) on a folder at the largest sizes: 32,767 customers, 100,000 records in each history file
// and a balance file for every customer invoiced. Timed from the click to the window painted:
// - the first "Eternity" in History (both grids filled and painted; the income under them follows apart),
// - the income report's preview of those 100,000 invoices (from "Print Report" to the preview's first pages
//   painted, the income already added up),
// - Who Still Owes (every balance file read, the grid filled and painted).
// DISPATCH_BENCH_FOLDER names a copy of such a folder to use instead of a generated one (the runs write into it:
// the folder tree and the backups of an exit).
#include "app/application.h"
#include "bench/benchdriver.h"
#include "gui/billing/historywindow.h"
#include "platform/fakes/fakemodem.h"
#include "platform/fakes/fakeplatform.h"
#include "tools/samplegenerator.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <benchmark/benchmark.h>

namespace {

const QDate kToday(2026, 12, 6);

struct MoneyFolder
{
    QTemporaryDir dir;
    QString path;

    MoneyFolder()
    {
        path = qEnvironmentVariable("DISPATCH_BENCH_FOLDER");
        if (!path.isEmpty())
            return;
        path = dir.path();
        const DataFolder folder(path);
        GenerateOptions options;
        options.customers = GenerateLimits::kCustomers;
        options.slips = 3000;
        options.history = GenerateLimits::kHistory;
        options.seed = 29;
        options.today = kToday;
        generateSampleData(folder, options);
    }
};

const QString &folderPath()
{
    static MoneyFolder folder;
    return folder.path;
}

// A run of the program at its start menu.
struct Run : ProgramRun
{
    Run()
        : ProgramRun(folderPath(), kToday)
    {}
};

// Clicks a control of a shown window by its object name, the events that follow done.
bool click(const QString &window, const QString &name)
{
    QWidget *target = control(window, name);
    if (!target)
        return false;
    QTest::mouseClick(target, Qt::LeftButton, {}, target->rect().center());
    QCoreApplication::processEvents();
    return true;
}

// The history window showing every record, its income added up.
HistoryWindow *historyOfAllTime()
{
    if (!click("frmStartup", "lblSub_8") || !click("frmHistory", "cmdIncome_3"))
        return nullptr;
    auto *history = qobject_cast<HistoryWindow *>(visibleWindow("frmHistory"));
    while (history && history->incomePending())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return history;
}

void BM_HistoryEternityFirst(benchmark::State &state)
{
    QStandardPaths::setTestModeEnabled(true);
    folderPath();
    for (auto _ : state) {
        state.PauseTiming();
        auto run = std::make_unique<Run>();
        click("frmStartup", "lblSub_8");
        state.ResumeTiming();
        if (!click("frmHistory", "cmdIncome_3")) {
            state.SkipWithError("no history window");
            break;
        }
        state.PauseTiming();
        auto *history = qobject_cast<HistoryWindow *>(visibleWindow("frmHistory"));
        QElapsedTimer income;
        income.start();
        while (history->incomePending())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        state.counters["income after (ms)"] = double(income.elapsed());
        run.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_HistoryEternityFirst)->Unit(benchmark::kMillisecond)->Iterations(3);

// From "Print Report" to the preview shown and painted; the preview is then closed.
void BM_IncomeReportPreview(benchmark::State &state)
{
    QStandardPaths::setTestModeEnabled(true);
    folderPath();
    for (auto _ : state) {
        auto run = std::make_unique<Run>();
        if (!historyOfAllTime()) {
            state.SkipWithError("no history window");
            break;
        }
        QElapsedTimer clock;
        qint64 shown = -1;
        QTimer watch;
        watch.setInterval(0);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (auto *preview = qobject_cast<QDialog *>(visibleWindow("frmPrintPreview"))) {
                QCoreApplication::processEvents(); // its first paint
                shown = clock.elapsed();
                watch.stop();
                preview->reject();
            }
        });
        watch.start();
        clock.start();
        click("frmHistory", "cmdIncomeReport");
        if (shown < 0) {
            state.SkipWithError("no preview");
            break;
        }
        state.SetIterationTime(double(shown) / 1000);
    }
}
BENCHMARK(BM_IncomeReportPreview)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void BM_WhoStillOwesFirst(benchmark::State &state)
{
    QStandardPaths::setTestModeEnabled(true);
    folderPath();
    for (auto _ : state) {
        state.PauseTiming();
        auto run = std::make_unique<Run>();
        click("frmStartup", "lblSub_8");
        state.ResumeTiming();
        if (!click("frmHistory", "cmdReceivables") || !visibleWindow("frmReceivables")) {
            state.SkipWithError("no receivables window");
            break;
        }
        state.PauseTiming();
        run.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_WhoStillOwesFirst)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
