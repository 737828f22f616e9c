#include "dispatch/slipfiles.h"
#include "gui/dispatch/scheduleswindow.h"
#include "gui/widgets/flexgrid.h"
#include "platform/fakes/fakeplatform.h"
#include "slipsamples.h"
#include "statebench.h"
#include "testsupport.h"

#include <QGroupBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

struct Screen : StateBench
{
    Screen()
    {
        state.assignmentLists.scheduleGrid = {{"Bob", "555-0001"}, {"Ann", "555-0002"}};
        window = std::make_unique<SchedulesWindow>(state, ProgramWindow::Environment{&fake.layouts, {}});
        recordDials(window.get(), dialed);
    }
    FlexGrid *grid() const { return window->findChild<FlexGrid *>("fgSchedule"); }
    void reshow() const
    {
        window->hide();
        window->show();
    }

    QStringList dialed;
    std::unique_ptr<SchedulesWindow> window;
};

const QColor kRed(255, 0, 0);

} // namespace

class TestSchedulesWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { useTestSettingsStore(); }

    void whereTheyAre()
    {
        Screen s;
        // The slip file went missing meanwhile: everyone is "Not Signed Out", nothing fails.
        s.window->show();
        FlexGrid *g = s.grid();
        QCOMPARE(g->rows(), 3);
        QCOMPARE(g->text(0, 4), QString("Slip No "));
        for (int r = 1; r <= 2; ++r) {
            QCOMPARE(g->text(r, 5), QString("Not Signed Out"));
            QCOMPARE(g->cellTextColour(r, 5), kRed);
        }

        s.root.write(SlipFiles::kActive,
                     SlipSamples::slips({"900|In Progress|Bob|1/19/2026|08:00|Lee|555-0100|555-0111",
                                         "901|Assigned|Ann|1/19/2026|09:00|Ray|555-0200"}));
        s.reshow();
        QCOMPARE(g->rowTexts(1),
                 QStringList({"Bob", "555-0001", "555-0100", "555-0111", "900", "Lee", "1/19/2026", "08:00"}));
        // The row that has a job again shows it in the normal colour.
        QCOMPARE(g->cellTextColour(1, 5), QColor());
        QCOMPARE(g->rowTexts(2), QStringList({"Ann", "555-0002", "", "", "", "Not Signed Out", "", ""}));
        QCOMPARE(g->cellTextColour(2, 5), kRed);

        // A new assignment shows up at the next showing.
        s.state.assignmentLists.scheduleGrid.push_back({"Cy", ""});
        s.reshow();
        QCOMPARE(g->rows(), 4);
        QCOMPARE(g->text(3, 0), QString("Cy"));
    }

    void dialing()
    {
        Screen s;
        s.root.write(SlipFiles::kActive,
                     SlipSamples::slip("900|In Progress|Bob|1/19/2026|08:00|Lee|555-0100|555-0111").bytes());
        s.window->show();
        QVERIFY(!s.window->findChild<QGroupBox *>("fraDialer")->isVisible());
        s.state.settings.phoneDaisyChained = true;
        s.reshow();
        QVERIFY(s.window->findChild<QGroupBox *>("fraDialer")->isVisible());
        auto *phone = s.window->findChild<QPushButton *>("imgDial");
        FlexGrid *g = s.grid();
        for (const auto &[row, col] : {std::pair{1, 1}, std::pair{1, 2}, std::pair{1, 3}, std::pair{1, 5}}) {
            g->setCurrentCell(row, col);
            if (phone->isEnabled())
                phone->click();
        }
        QCOMPARE(s.dialed, QStringList({"Bob|555-0001", "Calling Job Site|555-0100", "Calling Job Site|555-0111"}));

        QSignalSpy back(s.window.get(), &SchedulesWindow::returnToMenu);
        s.window->findChild<QPushButton *>("cmdSchedules")->click();
        QCOMPARE(back.count(), 1);
        QVERIFY(!s.window->isVisible());
    }
};

QTEST_MAIN(TestSchedulesWindow)
#include "tst_scheduleswindow.moc"
