#include "app/application.h"
#include "apptesting.h"
#include "core/textfile.h"
#include "dialing/modem.h"
#include "gui/app/startmenu.h"
#include "platform/fakes/fakemodem.h"
#include "platform/fakes/fakeplatform.h"
#include "platform/fakes/recordingprinttarget.h"
#include "testsupport.h"

#include <QGroupBox>
#include <QPushButton>
#include <QTest>

// The dial controls of the windows the program opens follow the modem search: shown once a modem answered,
// hidden while none was found, however the phone option is set.
class TestDialControls : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void assignmentsFollowTheModem_data()
    {
        QTest::addColumn<bool>("modem");
        QTest::newRow("modem found") << true;
        QTest::newRow("no modem") << false;
    }
    void assignmentsFollowTheModem()
    {
        QFETCH(bool, modem);
        TestRoot root;
        root.write(QStringLiteral("/MyBusinessData.txt"), TextWriter().writeValues({"Acme"}).bytes());
        root.write(QStringLiteral("/SlipNo.txt"), "1000\r\n");
        FakePlatform fake;
        FakeModemBench bench;
        if (modem)
            bench.addModem(2);
        RecordingPrintTarget printer;
        StartedApp app(root.path(), fake, &printer, bench.factory());
        QVERIFY(app.modem());
        // The phone is daisy-chained: only the modem decides.
        app.state().settings.phoneDaisyChained = true;

        // Opened while the search still runs: nothing to dial with yet, and no word of a missing modem either.
        app.openRoutine(StartMenu::Assignments);
        ProgramWindow *screen = app.routineWindow(StartMenu::Assignments);
        QVERIFY(screen && screen->isVisible());
        auto *dial = screen->findChild<QPushButton *>(QStringLiteral("imgDialer"));
        auto *options = screen->findChild<QGroupBox *>(QStringLiteral("fraPhone"));
        auto *noModem = screen->findChild<QWidget *>(QStringLiteral("imgDialer_noModem"));
        QVERIFY(dial && options && noModem);
        QVERIFY(!noModem->isVisible());

        QTRY_VERIFY(!app.modem()->isSearching());
        QCOMPARE(app.modem()->dialingEnabled(), modem);
        app.state().settings.phoneDaisyChained = true; // as if ticked again, whatever the search cleared
        QCOMPARE(dial->isVisible(), modem);
        QCOMPARE(options->isVisible(), modem);
        QCOMPARE(noModem->isVisible(), !modem); // said in words where the control would be

        // Opened again after the search: the same.
        screen->hide();
        app.openRoutine(StartMenu::Assignments);
        QVERIFY(screen->isVisible());
        QCOMPARE(dial->isVisible(), modem);
        QCOMPARE(options->isVisible(), modem);

        // The board and the schedules follow it too.
        app.openRoutine(StartMenu::LocateAssignments);
        ProgramWindow *schedules = app.routineWindow(StartMenu::LocateAssignments);
        QVERIFY(schedules && schedules->isVisible());
        QCOMPARE(schedules->findChild<QGroupBox *>(QStringLiteral("fraDialer"))->isVisible(), modem);
    }
};

QTEST_MAIN(TestDialControls)
#include "tst_dialcontrols.moc"
