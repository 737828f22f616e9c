// The technicians' calendar at the largest sizes: 5,000 active slips among 255 technicians. Opening it reads the
// slips, places them and shows the window with its first paint (offscreen), as it opens from "Where are They
// Now?"; a move is one drop with the board's checks and the blocks placed again.
#include "accounts/assignmentfile.h"
#include "core/clock.h"
#include "core/datafolder.h"
#include "core/seams.h"
#include "core/settings.h"
#include "dispatch/boardstate.h"
#include "dispatch/calendar.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "gui/dispatch/calendarwindow.h"
#include "platform/fakes/fakeplatform.h"
#include "tools/samplegenerator.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

const QDate kToday(2026, 12, 7);

struct CalendarFolder
{
    QTemporaryDir dir;
    DataFolder folder{dir.path()};
    QStringList technicians;
    int active = 0;

    CalendarFolder()
    {
        GenerateOptions options;
        options.customers = 2000;
        options.slips = 6250; // four in five are on the board
        options.history = 0;
        options.assignments = 255;
        options.seed = 11;
        options.today = kToday;
        generateSampleData(folder, options);
        technicians = LoadAssignmentLists(folder).board.mid(1);
        active = int(folder.readRecords(SlipFiles::kActive, serviceSlipLayout()).size());
    }
};

CalendarFolder &sample()
{
    static CalendarFolder folder;
    return folder;
}

// The window opened on its own slips and shown, until its first paint is done.
void openCalendar(benchmark::State &state, bool day)
{
    CalendarFolder &data = sample();
    YesMessages messages;
    FixedClock clock(QDateTime(kToday, QTime(9, 0)));
    Settings settings;
    int blocks = 0;
    double first = -1; // the first opening in this process, in ms
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        CalendarWindow window({}, data.folder, settings, messages, clock, data.technicians);
        window.resize(1000, 700);
        if (day)
            window.showDayOf(kToday);
        else
            window.showWeekOf(data.technicians.value(0), kToday);
        window.show();
        QApplication::processEvents();
        blocks = int(window.model().blocks().size());
        if (first < 0)
            first = double(timer.nsecsElapsed()) / 1e6;
    }
    state.counters["first_ms"] = first;
    state.counters["slips"] = data.active;
    state.counters["blocks"] = blocks;
}

void BM_CalendarWeek(benchmark::State &state)
{
    openCalendar(state, false);
}
BENCHMARK(BM_CalendarWeek)->Unit(benchmark::kMillisecond);

void BM_CalendarDay(benchmark::State &state)
{
    openCalendar(state, true);
}
BENCHMARK(BM_CalendarDay)->Unit(benchmark::kMillisecond);

// A slip of the day dropped on another technician's free hour: the board's rules on the working copy (the
// double-booking and overlap tests over 5,000 slips), the change, and the day placed again.
void BM_CalendarMove(benchmark::State &state)
{
    CalendarFolder &data = sample();
    FixedClock clock(QDateTime(kToday, QTime(9, 0)));
    Settings settings;
    BoardState board(data.folder, clock, settings);
    board.load();
    Calendar::Model model(board, settings, clock);
    const QDate day = kToday.addDays(1);
    model.showDay(day, data.technicians);
    // A one-hour slip, to be moved to another technician's 05:00.
    int row = 0;
    for (const Calendar::Model::Block &block : model.blocks()) {
        if (block.rows.first == block.rows.last && block.status != QLatin1String("In Progress"))
            row = block.row;
    }
    if (row == 0) {
        state.SkipWithError("no one-hour slip on the day");
        return;
    }
    int column = 0;
    while (column < model.columnCount() && !model.isFree(column, 8))
        ++column;
    for (auto _ : state) {
        if (model.move(row, column, 8, {true, true}).kind != Verdict::Kind::Done)
            state.SkipWithError("the move was refused");
        state.PauseTiming();
        model.undo();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_CalendarMove)->Unit(benchmark::kMillisecond);

} // namespace
