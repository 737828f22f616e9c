#include "accounts/assignmentfile.h"
#include "app/programstart.h"
#include "apptesting.h"
#include "boardsamples.h"
#include "core/backuparchive.h"
#include "core/startmenustate.h"
#include "gui/app/aboutbox.h"
#include "gui/app/manualwindow.h"
#include "gui/app/startmenu.h"
#include "platform/fakes/fakeplatform.h"
#include "testsupport.h"
#include "widgettesting.h"

#include <QBackingStore>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

namespace {
// A start menu over an empty test folder, with the fakes around it.
struct Menu
{
    TestRoot root;
    const DataFolder folder = root.folder();
    FakePlatform fake;
    Platform platform = fake.platform();
    StartMenu menu{folder, platform, {}};
};
} // namespace

class TestStartMenu : public QObject
{
    Q_OBJECT

    QLabel *routine(StartMenu &menu, int i) { return menu.findChild<QLabel *>(QString("lblSub_%1").arg(i)); }

private slots:
    void initTestCase() { useTestSettingsStore(); }

    // What the menu offers follows the data: services first, then assignments, then the slips (the road of one
    // job follows the instructions and opens the routines through the menu's own lines).
    void offersFollowTheData_data()
    {
        dataColumns<QStringList, int, bool, bool>("files", "instruction", "manage", "complete");
        using I = StartMenuState::Instruction;
        dataRow("empty folder", QStringList(), int(I::CreateService), false, false);
        dataRow("services only", QStringList{"/Services.txt"}, int(I::CreateAssignment), false, false);
        dataRow("assignments without services", QStringList{"/AssignmentData.txt", "/ServiceSlips.txt"},
                int(I::CreateService), false, false);
        dataRow("no slips yet", QStringList{"/Services.txt", "/AssignmentData.txt"}, int(I::None), false, false);
        dataRow("active slips", QStringList{"/Services.txt", "/AssignmentData.txt", "/ServiceSlips.txt"}, int(I::None),
                true, false);
        dataRow("completed slips waiting",
                QStringList{"/Services.txt", "/AssignmentData.txt", "/CompletedServiceSlips.txt"}, int(I::None), false,
                true);
    }
    void offersFollowTheData()
    {
        QFETCH(QStringList, files);
        TestRoot root;
        for (const QString &f : files)
            root.write(f, "x");
        const StartMenuState state = startMenuState(root.folder());
        QTEST(int(state.instruction), "instruction");
        QTEST(state.manageSlips, "manage");
        QTEST(state.completeSlips, "complete");
    }

    // Thousands of customers' folders to make on a first start: the menu works at once (the board opens with
    // its technicians) while the folders are made between clicks, each account's seven whole or not at all.
    void routinesWorkWhileTheCustomersFoldersAreMade()
    {
        TestRoot root;
        const DataFolder folder = root.folder();
        root.write("/MyBusinessData.txt", "\"Acme\"\r\n");
        root.write("/SlipNo.txt", "1001\r\n");
        root.write("/Services.txt", "");
        Record al(assignmentLayout());
        al.setText(AssignmentField::Name, "Al");
        WriteAssignment(folder, 1, al);
        writeActiveSlips(folder, {"1000|Assigned|Al|1/20/2026|08:00"});
        QByteArray customers;
        for (const char *acct : {"A1", "A2", "A3", "A4"})
            customers += QByteArray(acct).leftJustified(328, ' ');
        root.write("/CustomerData.txt", customers);
        FakePlatform fake;
        const auto app = startProgram(root.path(), fake.platform(), "VarnelDispatchDuzudu", {}, [](Application &a) {
            a.setSerialPortFactory(noModemPorts());
            a.setQuitHandler([] {});
            a.setProgressFromAccounts(1);
            a.setAccountsPerTurn(1);
        });
        QWidget *menu = shownWindow("frmStartup");
        QVERIFY(child<QWidget>(menu, "fraStartProgress")->isVisible());
        QVERIFY(!QFileInfo::exists(root.path() + "/AuxFiles/A4"));
        QDir().mkpath(root.path() + "/AuxFiles/A4/AuxFile0"); // a data box saved meanwhile makes its own folder
        QVERIFY(child<QLabel>(menu, "lblSub_1")->isEnabled());
        click(app->application->startMenu(), "lblSub_1");
        auto *techs = child<QListWidget>(shownWindow("frmMain"), "lstTechs");
        QCOMPARE(techs->count(), 2);
        QCOMPARE(techs->item(1)->text(), "Al");
        QTRY_VERIFY(!menu->findChild<QWidget *>("fraStartProgress"));
        for (const QString acct : {"A1", "A2", "A3", "A4"})
            QVERIFY(QFileInfo(root.path() + "/AuxFiles/" + acct + "/AuxFile5").isDir());
        QVERIFY2(fake.messages.texts().filter("could not be created").isEmpty(), qPrintable(fake.messages.texts().join('\n')));
    }

    // A window the program hides lets its picture go (every routine's window stays made once opened); shown again,
    // it is painted whole at its size.
    void hiddenWindowLetsItsPictureGo()
    {
        Menu m;
        m.menu.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m.menu));
        QTRY_COMPARE(m.menu.backingStore()->size(), m.menu.size());
        m.menu.hide();
        QCOMPARE(m.menu.backingStore()->size(), QSize(1, 1));
        m.menu.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m.menu));
        QTRY_COMPARE(m.menu.backingStore()->size(), m.menu.size());
    }

    // By mouse and from the keyboard alike.
    void routinesRunFromTheKeyboard_data()
    {
        QTest::addColumn<int>("key");
        dataRow("Enter", int(Qt::Key_Return));
        dataRow("keypad Enter", int(Qt::Key_Enter));
        dataRow("Space", int(Qt::Key_Space));
        dataRow("mouse click", 0);
    }
    void routinesRunFromTheKeyboard()
    {
        QFETCH(int, key);
        Menu m;
        auto &[root, folder, fake, platform, menu] = m;
        menu.show();
        QSignalSpy chosen(&menu, &StartMenu::routineChosen);
        // The keys start on the first step open (here "Go", to the services), not on the logo (whose Enter opens
        // the setup screen).
        QCOMPARE(menu.focusWidget(), menu.findChild<QWidget *>("Command1"));
        QLabel *customers = routine(menu, StartMenu::Customers);
        QCOMPARE(customers->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
        const auto press = [key](QLabel *label) {
            key ? QTest::keyClick(label, Qt::Key(key)) : QTest::mouseClick(label, Qt::LeftButton);
        };
        press(customers);
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.first().first().toInt(), int(StartMenu::Customers));
        press(routine(menu, StartMenu::ManageSlips)); // disabled: nothing
        QTest::keyClick(customers, Qt::Key_A);        // another key: nothing
        QCOMPARE(chosen.size(), 1);
    }

    void everyMenuHasItsMnemonic()
    {
        Menu m;
        auto &[root, folder, fake, platform, menu] = m;
        QSet<QChar> keys;
        for (QAction *action : menu.findChild<QMenuBar *>()->actions()) {
            const QString text = action->text();
            const qsizetype amp = text.indexOf(QLatin1Char('&'));
            QVERIFY2(amp >= 0 && amp + 1 < text.size(), qPrintable(text));
            const QChar key = text[amp + 1].toLower();
            QVERIFY2(!keys.contains(key), qPrintable(text));
            keys.insert(key);
        }
    }

    // Files | Back Up Now: the archive goes to the folder picked, which is offered first the next time.
    void backUpNowWritesAnArchiveAndRemembersTheFolder()
    {
        Menu m;
        QTemporaryDir out;
        m.root.write("/SlipNo.txt", "1000\r\n");
        m.fake.choosers.nextFolder = out.path();
        m.menu.findChild<QAction *>("mnuBackUpNow")->trigger();
        const QStringList made = QDir(out.path()).entryList(QDir::Files);
        QCOMPARE(made.size(), 1);
        QVERIFY2(m.fake.messages.lastText().contains(made.front() + "\r\n"), qPrintable(m.fake.messages.lastText()));
        QVERIFY(m.fake.messages.lastText().endsWith(" bytes, read back and checked."));
        QCOMPARE(BackupArchive::rememberedFolder(m.folder), out.path());
    }

    // A web page opens through a shortcut file; one that cannot open is named to the user.
    void webPagesGoThroughTheShortcutFile()
    {
        Menu m;
        auto &[root, folder, fake, platform, menu] = m;
        fake.web.result = false;
        menu.findChild<QAction *>("mnuWebManual")->trigger();
        QCOMPARE(fake.web.opened.size(), 1);
        const QString url = fake.web.opened.first();
        QCOMPARE(root.read("/Temp.url"),
                 QByteArray("[InternetShortcut]\r\nURL = ") + url.toLatin1() + QByteArray("\r\n"));
        QCOMPARE(fake.messages.shown.size(), std::size_t(1));
        QVERIFY(fake.messages.lastText().contains(url));
        QVERIFY(fake.messages.lastText().startsWith("No web browser could be opened"));
        fake.web.result = true;
        menu.findChild<QAction *>("mnuWebManual")->trigger();
        QCOMPARE(fake.messages.shown.size(), std::size_t(1));
    }

    void manualClosesWithEscapeAndEnter_data()
    {
        QTest::addColumn<int>("key");
        dataRow("Escape", int(Qt::Key_Escape));
        dataRow("Enter", int(Qt::Key_Return));
    }
    void manualClosesWithEscapeAndEnter()
    {
        QFETCH(int, key);
        ManualWindow manual({});
        manual.show();
        QVERIFY(QTest::qWaitForWindowExposed(&manual));
        manual.activateWindow();
        QTest::keyClick(manual.focusWidget() ? manual.focusWidget() : &manual, Qt::Key(key));
        QVERIFY(!manual.isVisible());
    }

    void supplyOrdersAskFirst()
    {
        Menu m;
        auto &[root, folder, fake, platform, menu] = m;
        fake.messages.answer(false);
        menu.orderSupplies(5); // mailing labels, answered No
        QCOMPARE(fake.messages.lastText(), "Click Yes to connect to a Supplier\r\n30 to a Page Mailing Labels");
        QCOMPARE(fake.messages.shown.back().title, "Order Paper");
        QVERIFY(fake.web.opened.isEmpty());
        fake.messages.answer(true);
        menu.orderSupplies(6);
        QCOMPARE(fake.messages.shown.back().title, "Order Labels");
        QCOMPARE(fake.web.opened.size(), 1);
        menu.orderSupplies(1); // deposit slips: no question
        QCOMPARE(fake.messages.shown.size(), std::size_t(2));
        QCOMPARE(fake.web.opened.size(), 2);
    }

    void aboutBoxAndManual()
    {
        TestRoot root;
        const DataFolder folder = root.folder();
        FakePlatform fake;
        Platform platform = fake.platform();
        AboutBox about(folder, platform, {});
        QCOMPARE(about.findChild<QLabel *>("lblTitle")->text(), "VarnelDispatchDuzudu");
        QVERIFY(about.findChild<QLabel *>("lblVersion")->text().contains(QString::fromLatin1(qVersion())));
        QSignalSpy back(&about, &AboutBox::returnToMenu);
        about.findChild<QPushButton *>("cmdMenu")->click();
        QCOMPARE(back.size(), 1);
        about.findChild<QPushButton *>("cmdVisit")->click();
        QCOMPARE(fake.web.opened.size(), 1);
        QVERIFY(ManualWindow::manualText().contains("Start by creating at least one Service Item"));
    }
};

QTEST_MAIN(TestStartMenu)
#include "tst_startmenu.moc"
