#include "app/appstate.h"
#include "boardsamples.h"
#include "core/settings.h"
#include "dispatch/boardstate.h"
#include "gui/dispatch/boardwindow.h"
#include "gui/dispatch/calendarwindow.h"
#include "gui/widgets/datebox.h"
#include "gui/widgets/flexgrid.h"
#include "platform/fakes/fakeplatform.h"
#include "platform/fakes/recordingprinttarget.h"
#include "testsupport.h"
#include "widgettesting.h"

#include <QComboBox>
#include <QListWidget>
#include <QTest>

// Today is Monday 12/7/2026; the week shown is Al's, Monday 12/7 to Friday 12/11.
namespace {

const QStringList kSlips = {"1000|Assigned|Al|12/8/2026|08:00", "1001|Assigned|Al|12/8/2026|10:00",
                            "1002|Assigned|Al|12/10/2026|08:00-10:00", "1003|Assigned|Bo|12/8/2026|08:00",
                            "1004|Assigned|Al|0|None"};

struct Screen
{
    TestRoot root;
    FakePlatform fakes;
    Settings settings;
    std::unique_ptr<CalendarWindow> window;

    Screen()
    {
        fakes.clock.setDate(QDate(2026, 12, 7));
        writeActiveSlips(root.folder(), kSlips);
        window = std::make_unique<CalendarWindow>(ProgramWindow::Environment{&fakes.layouts, {}}, root.folder(),
                                                  settings, fakes.messages, fakes.clock, QStringList{"Al", "Bo"});
        window->showWeekOf("Al", QDate(2026, 12, 9));
        window->show();
    }
    CalendarView *view() const { return window->view(); }
    int blockOf(int slipNo) const
    {
        const auto &blocks = window->model().blocks();
        for (std::size_t i = 0; i < blocks.size(); ++i)
            if (blocks[i].slipNo == slipNo)
                return int(i);
        return -1;
    }
    // Where the slip is: "column:row".
    QString place(int slipNo) const
    {
        const auto &b = window->model().blocks()[std::size_t(blockOf(slipNo))];
        return QStringLiteral("%1:%2").arg(b.column).arg(b.rows.first);
    }
    void drag(int slipNo, int column, int hourRow) const
    {
        const QPoint from = view()->blockRect(blockOf(slipNo)).center();
        const QPoint to = view()->cellRect(column, hourRow).center();
        QTest::mousePress(view()->viewport(), Qt::LeftButton, {}, from);
        QTest::mouseMove(view()->viewport(), to);
        QTest::mouseRelease(view()->viewport(), Qt::LeftButton, {}, to);
    }
};

} // namespace

class TestCalendarWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void dragAndKeysThenSave()
    {
        Screen s;
        const QByteArray stored = s.root.read(SlipFiles::kActive);
        QVERIFY(s.window->minimumSizeHint().width() <= 1024 && s.window->minimumSizeHint().height() <= 740);
        s.drag(1000, 2, 3); // a free hour: Wednesday 11:00
        QCOMPARE(s.place(1000), "2:3");
        QVERIFY(s.fakes.messages.shown.empty());
        s.drag(1000, 1, 2); // slip 1001's hour: refused, and the slip stays
        QVERIFY(s.fakes.messages.lastText().startsWith("This Assignment, Date and Time have already been scheduled"));
        QCOMPARE(s.place(1000), "2:3");
        s.fakes.messages.answer(true);
        s.drag(1000, 3, 1); // Thursday 09:00, inside slip 1002's 08:00-10:00: asked, Yes
        QVERIFY(s.fakes.messages.shown.back().question);
        QCOMPARE(s.place(1000), "3:1");

        // From the keyboard: Ctrl+arrows move the outline, Esc drops it, Enter keeps it.
        s.view()->select(s.window->model().blocks()[std::size_t(s.blockOf(1001))].row);
        QTest::keyClick(s.view(), Qt::Key_Down, Qt::ControlModifier);
        QTest::keyClick(s.view(), Qt::Key_Escape);
        QTest::keyClick(s.view(), Qt::Key_Return);
        QCOMPARE(s.place(1001), "1:2");
        QTest::keyClick(s.view(), Qt::Key_Right, Qt::ControlModifier);
        QTest::keyClick(s.view(), Qt::Key_Return);
        QCOMPARE(s.place(1001), "2:2");
        // A slip without a date, from the list beside the grid to the cursor (Friday 08:00).
        for (Qt::Key key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Right, Qt::Key_Up, Qt::Key_Up})
            QTest::keyClick(s.view(), key);
        child<QListWidget>(s.window.get(), "lstUnplaced")->setCurrentRow(0);
        click(s.window.get(), "cmdPlace");
        QCOMPARE(s.place(1004), "4:0");
        QCOMPARE(s.root.read(SlipFiles::kActive), stored); // nothing written before Save
        click(s.window.get(), "cmdSave");
        QVERIFY(!child(s.window.get(), "cmdUndo")->isEnabled());
        QCOMPARE(slipSummary(s.root.folder(), SlipFiles::kActive),
                 "1000:Assigned 12/10/2026 09:00; 1001:Assigned 12/9/2026 10:00; 1002:Assigned 12/10/2026 08:00-10:00; "
                 "1003:Assigned 12/8/2026 08:00; 1004:Assigned 12/11/2026 08:00");
        // Move to another week: the calendar follows the slip there.
        s.view()->select(s.window->model().blocks()[std::size_t(s.blockOf(1001))].row);
        child<DateBox>(s.window.get(), "dtpMoveTo")->setDate(QDate(2026, 12, 15));
        click(s.window.get(), "cmdMoveTo");
        QCOMPARE(s.window->model().columnTitle(0), "Monday 12/14/2026");
        QCOMPARE(s.place(1001), "1:2");
    }

    // Opened from the board, the calendar moves the board's own working copy: the moves go back to the board with
    // what else was changed there, and the board's save or its Exit w/o Saving decides for all of it.
    void onTheBoardsSlips()
    {
        TestRoot root;
        FakePlatform fakes;
        fakes.clock.setDate(QDate(2026, 12, 7));
        Platform platform = fakes.platform();
        AppState state(root.folder());
        writeActiveSlips(state.folder, kSlips);
        const QByteArray stored = root.read(SlipFiles::kActive);
        RecordingPrintTarget target;
        BoardWindow board({&fakes.layouts, {}}, state, platform, target, {});
        board.show();
        emit board.grid()->cellClicked(1, 0); // slip 1000 completed, not saved
        fakes.messages.answer(true);
        click(board, "cmdMain_4");
        CalendarWindow calendar({&fakes.layouts, {}}, board.board(), state.settings, fakes.messages, fakes.clock,
                                {"Al", "Bo"});
        QObject::connect(&calendar, &CalendarWindow::slipsChanged, &board, &BoardWindow::slipsChangedElsewhere);
        calendar.showDayOf(QDate(2026, 12, 9));
        calendar.show();
        QVERIFY(!child(calendar, "cmdSave")->isVisible());
        child<QComboBox>(calendar, "cboTechnician")->setCurrentText("Bo"); // in the day view: to his column
        QCOMPARE(calendar.view()->cursor().column, 1);
        emit calendar.view()->moveRequested(4, 0, 5); // slip 1003 to Al, 12/9 at 02:00
        click(calendar, "cmdClose");                  // nothing asked, nothing written
        QVERIFY(!calendar.isVisible());
        QCOMPARE(root.read(SlipFiles::kActive), stored);
        QVERIFY(!root.exists(SlipFiles::kCompleted));
        QCOMPARE(board.grid()->rowTexts(4).mid(3, 5),
                 (QStringList{"Al", "Assigned", "Site 1003", "1/2/2026", "12/9/2026 02:00"}));
        QCOMPARE(board.grid()->rowTexts(1).value(4), "Complete");
        fakes.messages.answer(true);
        click(board, "cmdMain_0"); // Exit w/o Saving drops the completion and the move alike
        board.show();
        QCOMPARE(board.grid()->rowTexts(1).value(4), "Assigned");
        QCOMPARE(board.grid()->rowTexts(4).value(7), "12/8/2026 08:00");
        QCOMPARE(root.read(SlipFiles::kActive), stored);
    }
};

QTEST_MAIN(TestCalendarWindow)
#include "tst_calendarwindow.moc"
