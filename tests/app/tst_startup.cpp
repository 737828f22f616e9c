#include "accounts/customerfile.h"
#include "accounts/customerrecord.h"
#include "accounts/customerwrite.h"
#include "app/application.h"
#include "app/programstart.h"
#include "apptesting.h"
#include "billing/accounthistoryrecord.h"
#include "core/diskerror.h"
#include "core/startup.h"
#include "core/textfile.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipstore.h"
#include "gui/app/startmenu.h"
#include "gui/app/startprogress.h"
#include "gui/dispatch/boardwindow.h"
#include "gui/widgets/flexgrid.h"
#include "platform/fakes/fakemodem.h"
#include "platform/fakes/fakeplatform.h"
#include "platform/fakes/recordingfileops.h"
#include "platform/fakes/recordingprinttarget.h"
#include "platform/instancelock.h"
#include "slipsamples.h"
#include "testsupport.h"
#include "tooltesting.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSysInfo>
#include <QTest>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QStringList treeOf(const QString &root)
{
    QStringList out;
    QDir dir(root);
    for (const QFileInfo &info : dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name)) {
        out.append(info.fileName() + (info.isDir() ? "/" : QString()));
        if (info.isDir()) {
            for (const QString &inner : treeOf(info.absoluteFilePath()))
                out.append(info.fileName() + QLatin1Char('/') + inner);
        }
    }
    return out;
}

QByteArray customerRecord(const QByteArray &account)
{
    return account.leftJustified(20, ' ') + QByteArray(308, ' ');
}

bool setModified(const QString &path, const QDateTime &when)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.setFileTime(when, QFileDevice::FileModificationTime);
}

// The program as main() starts it, on fakes, without a modem.
std::unique_ptr<RunningProgram> start(const QString &root, FakePlatform &fake)
{
    return startProgram(root, fake.platform(), "VarnelDispatchDuzudu", {}, [](Application &app) {
        app.setSerialPortFactory(noModemPorts());
        app.setQuitHandler([] {});
    });
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void firstStartInAnEmptyFolder()
    {
        TestRoot root;
        FakePlatform fake;
        fake.clock.setDate(QDate(2026, 12, 6));
        StartedApp app(root.path(), fake);

        const QStringList tree = treeOf(root.path());
        for (const char *folder :
             {"2026/", "CompletedInvoices/", "VIActiveAccounts/", "Backup/", "Backup/VIActiveAccounts/",
              "Backup/VIActiveAccountsBACK/", "Backup/CompletedInvoices/", "Templates/", "AuxFiles/",
              "VarnelDispatchDuzudu/", "Documents/", "Documents/Invoices/", "Documents/Proposals/",
              "Documents/Purchase Orders/", "Documents/Projects/", "Documents/Contracts/", "Documents/Statements/",
              "Documents/Work Orders/"}) {
            QVERIFY2(tree.contains(QString::fromLatin1(folder)), folder);
        }
        QCOMPARE(app.state().slipCounter.next(), qint16(1000));
        QVERIFY(app.welcomePanel() && app.welcomePanel()->isVisible());
        QVERIFY(!app.startMenu());
        QVERIFY(fake.messages.shown.empty());
        // The logo leads to the setup screen, from the keyboard too.
        QLabel *logo = app.welcomePanel()->findChild<QLabel *>("imgLogo");
        QCOMPARE(logo->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
        QTest::keyClick(logo, Qt::Key_Return);
        QVERIFY(app.setupScreen() && app.setupScreen()->isVisible());
        QVERIFY(!app.welcomePanel()->isVisible());
    }

    // A start writes only the files its rules give when they are missing: started again, every file keeps its bytes
    // and its time (the invoice counter shared with the invoicing program above all).
    void startLeavesEveryFileAsItWas()
    {
        TestRoot root;
        generateSmall(root);
        const auto startOnce = [&] {
            FakePlatform fake;
            fake.clock.setDate(kSampleDay);
            StartedApp app(root.path(), fake);
            QVERIFY(app.startMenu() && app.startMenu()->isVisible());
            // The look into the customers' folders runs on after the menu shows: its stamp goes once it ends.
            QTRY_VERIFY(!QFileInfo::exists(root.file("/VarnelDispatchDuzudu/AuxFolders.pending")));
        };
        startOnce();
        const QDateTime old(QDate(2020, 1, 2), QTime(3, 4, 5));
        const auto files = [&] {
            QStringList out;
            for (const QString &name : treeOf(root.path())) {
                if (!name.endsWith('/'))
                    out << name + ' ' + QFileInfo(root.file("/" + name)).lastModified().toString(Qt::ISODateWithMs) +
                               ' ' + root.read("/" + name).toBase64();
            }
            return out;
        };
        for (const QString &name : treeOf(root.path()))
            setModified(root.file("/" + name), old);
        // The last check of the customers' folders ran a while after they were made.
        QVERIFY(setModified(root.file(Startup::kAuxFoldersChecked), QDateTime::currentDateTime().addSecs(10)));
        const QStringList before = files();
        QVERIFY(before.join(' ').contains("VIInvoiceNo.txt 2020"));
        startOnce();
        const QStringList after = files();
        QCOMPARE(after, before);
    }

    void setUpFolderGoesToTheStartMenuAndRestoresTheCounter()
    {
        TestRoot root;
        root.write("/MyBusinessData.txt", TextWriter().writeValues({"Acme"}).bytes());
        root.write("/Backup/SlipNo.txt", "1234\r\n");
        root.write("/CustomerData.txt", customerRecord("1001") + customerRecord("  ACME 01 "));
        FakePlatform fake;
        RecordingPrintTarget printer;
        StartedApp app(root.path(), fake, &printer);
        QCOMPARE(app.state().slipCounter.next(), qint16(1234));
        QVERIFY(root.exists("/SlipNo.txt"));
        QVERIFY(app.startMenu() && app.startMenu()->isVisible());
        QVERIFY(!app.welcomePanel());
        // Each account of the customer file has its data-box folders, made once the start is shown.
        QTRY_VERIFY(root.exists("/AuxFiles/1001/AuxFile5"));
        QVERIFY(root.exists("/AuxFiles/ACME 01/AuxFile0"));
        // The routines open their windows and come back.
        app.openRoutine(StartMenu::BlankInvoices);
        ProgramWindow *blanks = app.routineWindow(StartMenu::BlankInvoices);
        QCOMPARE(blanks->objectName(), "frmBlanks");
        QVERIFY(blanks->isVisible());
        QVERIFY(!app.startMenu()->isVisible());
        // The history window, and its "&Menu" returns to the menu.
        app.openRoutine(StartMenu::History);
        ProgramWindow *history = app.routineWindow(StartMenu::History);
        QCOMPARE(history->objectName(), "frmHistory");
        history->findChild<QPushButton *>("cmdHistory_0")->click();
        QVERIFY(app.startMenu()->isVisible());
        QCOMPARE(app.routineWindow(StartMenu::CompleteSlips)->objectName(), "frmFinalize");
        QCOMPARE(app.routineWindow(StartMenu::Customers)->objectName(), "frmNewCustomer");
        QCOMPARE(app.routineWindow(StartMenu::CreateSlip), app.routineWindow(StartMenu::Customers)); // one screen
        // The setup screen's logo sample prints through the same target.
        app.printLogoSample(QString(), 1440, 1440);
        QCOMPARE(printer.dialogs, 1);
    }

    void eachCustomerGetsItsAuxFolders()
    {
        TestRoot root;
        const QStringList accounts = {"1001", "ACME 01", "../escape"};
        const DataFolder folder = root.folder();
        QList<QPair<int, int>> progress;
        Startup::createFolderTree(folder, QDate(2026, 1, 1), accounts, [&](int done, int total) {
            progress.append({done, total});
        });
        QCOMPARE(progress.front(), (QPair<int, int>(0, 3)));
        QCOMPARE(progress.back(), (QPair<int, int>(3, 3)));
        const QStringList first = treeOf(root.path());
        for (const QString &acct : {"1001", "ACME 01"}) {
            for (int n = 0; n <= 5; ++n)
                QVERIFY(first.contains(QString("AuxFiles/%1/AuxFile%2/").arg(acct).arg(n)));
        }
        QVERIFY(!QFileInfo::exists(root.path() + "/escape"));
        Startup::createFolderTree(folder, QDate(2027, 1, 1), accounts);
        QStringList second = treeOf(root.path());
        QVERIFY(second.contains("2026/"));
        second.removeAll("2027/");
        QCOMPARE(second, first);
        // A folder lost since is made again; one named in other letters counts as there.
        QVERIFY(QDir(root.path() + "/AuxFiles/1001/AuxFile3").removeRecursively());
        QVERIFY(QDir().rename(root.path() + "/AuxFiles/1001/AuxFile4", root.path() + "/AuxFiles/1001/auxfile4"));
        Startup::createFolderTree(root.folder(), QDate(2027, 1, 1), accounts);
        QVERIFY(QFileInfo(root.path() + "/AuxFiles/1001/AuxFile3").isDir());
        QVERIFY(!QFileInfo::exists(root.path() + "/AuxFiles/1001/AuxFile4"));
    }

    // Only folders changed since the last complete check are looked into; a check that met a link proves nothing.
    void auxFoldersCheckedSinceTheLastCompleteCheck_data()
    {
        dataColumns<int, bool>("lastCheckAgo", "remade"); // seconds; negative: a check stamped after the loss
        dataRow("lost after the last check", 3600, true);
        dataRow("lost a moment ago", 0, true);
        dataRow("unchanged since the last check", -3600, false);
    }
    void auxFoldersCheckedSinceTheLastCompleteCheck()
    {
        QFETCH(int, lastCheckAgo);
        TestRoot root;
        const QStringList accounts = {"1001", "1002"};
        Startup::createFolderTree(root.folder(), QDate(2026, 1, 1), accounts);
        const QString marker = root.path() + "/VarnelDispatchDuzudu/AuxFolders.checked";
        Startup::createFolderTree(root.folder(), QDate(2026, 1, 1), accounts); // the program's folder in place
        QVERIFY(QFileInfo::exists(marker));
        const QString lost = root.path() + "/AuxFiles/1002/AuxFile2";
        QVERIFY(QDir().rmdir(lost));
        QVERIFY(setModified(marker, QDateTime::currentDateTimeUtc().addSecs(-lastCheckAgo)));
        Startup::createFolderTree(root.folder(), QDate(2026, 1, 1), accounts);
        QTEST(QFileInfo(lost).isDir(), "remade");
        // A link in place of a folder: the next start looks again, whatever the marker said before.
        QVERIFY(QDir().rmdir(root.path() + "/AuxFiles/1001/AuxFile5"));
        QVERIFY(QFile::link(root.path() + "/Templates", root.path() + "/AuxFiles/1001/AuxFile5"));
        QVERIFY(QFile::remove(marker));
        Startup::createFolderTree(root.folder(), QDate(2026, 1, 1), accounts);
        QVERIFY(!QFileInfo::exists(marker));
        QVERIFY(QFileInfo(lost).isDir());
    }

    // The strip is drawn a few times a second, but the end of the work always shows.
    void startProgressShowsTheEnd()
    {
        QWidget window;
        StartProgress strip(&window);
        for (int done = 0; done <= 5000; done += 128)
            strip.setProgress(done, 5000);
        strip.setProgress(5000, 5000);
        QCOMPARE(strip.findChild<QProgressBar *>("prgStartProgress")->value(), 5000);
        const QString end = QString("%L1 done").arg(5000);
        QVERIFY(strip.findChild<QLabel *>("lblStartProgress")->text().contains(end));
    }

    // Old temporaries go, a completed slip leaves the board, a bad counter gives way to the one after the slips.
    void startRepairsWhatACrashLeft()
    {
        TestRoot root;
        auto slip = [](int number, const QString &status) {
            Record r(serviceSlipLayout());
            r.setInt16(SlipField::SlipNo, qint16(number));
            r.setText(SlipField::Status, status);
            return r;
        };
        SlipStore(root.folder()).append(slip(1001, "Open"));
        SlipStore(root.folder()).append(slip(1002, "Open"));
        DataFolder failing = root.folder();
        failing.setFaultHook([](const char *step, const QString &path) {
            if (QByteArray(step) == "rename" && path.endsWith(QLatin1String("/ServiceSlips.txt")))
                throw Crash{}; // a power cut
        });
        const std::vector<Record> board = {slip(1001, "Open"), slip(1002, "Complete")};
        QVERIFY_THROWS_EXCEPTION(Crash, SlipStore(failing).saveWhole(board));
        QCOMPARE(completedLeftOnBoard(root.folder()).size(), std::size_t(1));
        const QString leftover = "/ServiceSlips.txt.abc123.vdtmp";
        root.write(leftover, "half a rewrite");
        QVERIFY(setModified(root.file(leftover), QDateTime::currentDateTime().addDays(-1)));
        root.write("/SlipNo.txt", "-5\r\n");
        // A customer save cut off after its journal was written is put in place before any screen reads the file.
        const QByteArray customers = customerRecord("1001") + customerRecord("1002");
        root.write("/CustomerData.txt", customers);
        DataFolder cutOff = root.folder();
        cutOff.setFaultHook([](const char *step, const QString &path) {
            if (QByteArray(step) == "delete" && path.endsWith(QLatin1String("CustomerData.jnl")))
                throw DiskError("power cut");
        });
        const QByteArray saved = customerRecord("1002 NEW");
        QVERIFY_THROWS_EXCEPTION(DiskError, WriteCustomer(cutOff, 2, Record(customerLayout(), saved)));
        root.write("/CustomerData.txt", customers); // the record in place never reached the disk
        FakePlatform fake;
        StartedApp app(root.path(), fake);
        QCOMPARE(root.read("/CustomerData.txt"), customerRecord("1001") + saved);
        QVERIFY(!root.exists(CustomerWrite::kJournal));
        QVERIFY(!root.exists(leftover));
        QCOMPARE(int(app.state().slipCounter.next()), 1003); // after the slips in use, not 1000
        const auto onBoard = LoadActiveSlips(root.folder());
        QCOMPARE(onBoard.size(), std::size_t(1));
        QCOMPARE(onBoard.front().int16(SlipField::SlipNo), qint16(1001));
        QCOMPARE(root.folder().readRecords(SlipFiles::kCompleted, serviceSlipLayout()).size(), std::size_t(1));
        const QString said = fake.messages.texts().join('|');
        QVERIFY2(said.contains("The last save of the Dispatch Board was interrupted before it ended. It has now been "
                               "completed.") &&
                     said.contains("The next Service Slip gets the number 1003."),
                 qPrintable(said));
    }

    // A torn append is cut back and said once with its file and size; a file torn with no note to explain it is
    // named with the bytes over, and its last record is completed only when the user lets it.
    void startSaysWhatItCutAndOffersToCompleteTornFiles_data()
    {
        dataColumns<bool>("complete");
        dataRow("completed", true);
        dataRow("left as it is", false);
    }
    void startSaysWhatItCutAndOffersToCompleteTornFiles()
    {
        QFETCH(bool, complete);
        TestRoot root;
        const QByteArray history(310, 'h'), service = QByteArray(145, 's') + QByteArray(40, 't');
        root.write("/ServiceHistory.txt", service);
        for (int k = 0; k < 20; ++k) { // killed half way through writing a third record to CAHistory.txt
            root.write("/CAHistory.txt", history);
            RecordingFileOps ops;
            ops.stopAt(k);
            DataFolder folder = root.folder();
            folder.setFileOps(std::shared_ptr<FileOps>(&ops, [](FileOps *) {}));
            QVERIFY_THROWS_EXCEPTION(Crash, folder.appendRecord("/CAHistory.txt", Record(accountHistoryLayout())));
            if (ops.trace.last() == "write CAHistory.txt")
                break;
        }
        QCOMPARE(QFileInfo(root.file("/CAHistory.txt")).size(), 310 + 77);
        FakePlatform fake;
        fake.messages.answer(complete);
        StartedApp app(root.path(), fake);
        QCOMPARE(root.read("/CAHistory.txt"), history);
        const QStringList said = fake.messages.texts();
        QVERIFY2(said.value(0).contains(
                     "\r\nCAHistory.txt: part of a record (77 bytes) left by an interrupted save was removed.\r\n"),
                 qPrintable(said.join('|')));
        QVERIFY2(said.value(1).contains(
                     "\r\nServiceHistory.txt is 40 bytes longer than its 1 whole record (145 bytes each).\r\n"),
                 qPrintable(said.join('|')));
        QCOMPARE(root.read("/ServiceHistory.txt"), complete ? service + QByteArray(105, ' ') : service);
        QCOMPARE(said.mid(2), complete ? QStringList{"ServiceHistory.txt: its last record was completed with 105 "
                                                     "bytes of blanks and zeros; it holds 2 whole records now."}
                                       : QStringList());
    }

    void exitCopiesTheElevenFilesAndClosesTheWindows()
    {
        TestRoot root;
        const QStringList names = {"CompanyLogo", "CustomerData",   "AuxHeadings", "LogoSettings",
                                   "Phone",       "MyBusinessData", "PrintColors", "SoldItems",
                                   "MyWebSite",   "TaxRecords",     "SpeedNumbers"};
        for (const QString &base : names)
            root.write("/" + base + ".txt", base.toUtf8());
        root.write("/SlipNo.txt", "1000\r\n");
        FakePlatform fake;
        fake.messages.answer(false); // CustomerData.txt and TaxRecords.txt hold part of a record: left as they are
        Application app(root.path(), fake.platform());
        app.setSerialPortFactory(noModemPorts());
        bool quit = false;
        app.setQuitHandler([&] { quit = true; });
        app.start();
        ProgramWindow *menu = app.startMenu();
        QVERIFY(menu && menu->isVisible());
        // The user's close box on the start menu ends the program, once the menu is gone; the windows' places are kept
        // under its key.
        menu->close();
        QTRY_VERIFY(quit);
        QVERIFY(fake.layouts.entries.contains("VarnelDuzudu/frmStartup"));
        QVERIFY(!menu->isVisible());
        for (const QString &base : names)
            QCOMPARE(root.read("/Backup/" + base + ".txt"), base.toUtf8());
        QVERIFY(!root.exists("/Backup/SlipNo.txt"));
    }

    void secondCopyIsRefusedByWhateverPath_data()
    {
        dataColumns<QString, bool>("secondPath", "link");
        dataRow("same path", QString("/data"), false);
        dataRow("symbolic link", QString("/other-name"), true);
        dataRow("unclean path", QString("/data/../data/."), false);
    }
    void secondCopyIsRefusedByWhateverPath()
    {
        auto [secondPath, link] = fetched<QString, bool>("secondPath", "link");
        TestRoot base;
        const QString root = base.path() + "/data";
        const QString second = base.path() + secondPath;
        QVERIFY(QDir().mkpath(root));
        if (link)
            QVERIFY(QFile::link(root, second));
        FakePlatform firstFake, secondFake, thirdFake;
        auto first = start(root, firstFake);
        QVERIFY(first && first->application->welcomePanel());
        QVERIFY(QFileInfo::exists(root + "/AuxFiles"));
        const QStringList before = folderStamps(root);
        QVERIFY(!start(second, secondFake));
        QCOMPARE(secondFake.messages.lastText(), "VarnelDispatchDuzudu is already Running!");
        QCOMPARE(folderStamps(root), before);
        // Once the first copy has ended, the folder starts again.
        first->application->exitProgram();
        first.reset();
        auto again = start(second, thirdFake);
        QVERIFY(again);
        QVERIFY(thirdFake.messages.shown.empty());
        again->application->exitProgram();
    }

    void readOnlyFolderIsLockedByItsCanonicalPath()
    {
        TestRoot base, locks;
        const QString root = base.path() + "/ro";
        QVERIFY(QDir().mkpath(root));
        const QString link = base.path() + "/ro-link";
        QVERIFY(QFile::link(root, link));
        QFile::setPermissions(root, QFile::ReadOwner | QFile::ExeOwner);
        if (QFileInfo(root).isWritable()) // run as root: permissions do not hold
            QSKIP("the test runs with rights that write into any folder");
        InstanceLock first(root, locks.path());
        QVERIFY(first.tryLock());
        QVERIFY(first.lockPath().startsWith(locks.path()));
        InstanceLock second(link, locks.path());
        QVERIFY(!second.tryLock());
        QFile::setPermissions(root, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // A lock left by a process of this computer that no longer runs, or by a killed copy not yet collected (a zombie).
    void staleLockDoesNotBlock()
    {
        const pid_t zombie = ::fork();
        if (zombie == 0)
            ::_exit(0);
        QTest::qWait(100);
        for (const qint64 pid : {qint64(999999), qint64(zombie)}) {
            TestRoot root;
            InstanceLock probe(root.path());
            QCOMPARE(probe.lockPath(), root.file("/" + InstanceLock::lockFileName()));
            root.write("/" + InstanceLock::lockFileName(), QByteArray::number(pid) + "\nVarnelDispatchDuzudu\n" +
                                                               QSysInfo::machineHostName().toUtf8() + "\n");
            QVERIFY2(probe.tryLock(), qPrintable(QString::number(pid)));
        }
        ::waitpid(zombie, nullptr, 0);
        // Another folder runs beside it.
        TestRoot other;
        InstanceLock beside(other.path());
        QVERIFY(beside.tryLock());
    }

    // Held by another computer: the start offers a read-only seat (declined, nothing is touched). The seat's windows
    // say so in their titles and keep their write controls off; the holder's save shows at the seat's next look; the
    // seat writes no byte (not the counter, not a setting, no lock); once the holder lets go of the folder, or its
    // lock stays unchanged for longer than its lease, the seat is offered the folder and becomes the writer.
    void readOnlySeatBesideAnotherComputer_data()
    {
        dataColumns<bool, QString>("accepted", "holderEnds");
        dataRow("declined", false, QString());
        dataRow("closed by the user", true, QString());
        dataRow("the holder closes", true, QString("closes"));
        dataRow("the holder stops", true, QString("stops"));
    }
    void readOnlySeatBesideAnotherComputer()
    {
        auto [accepted, holderEnds] = fetched<bool, QString>("accepted", "holderEnds");
        TestRoot root, deskLocks;
        root.write("/MyBusinessData.txt", TextWriter().writeValues({"Acme"}).bytes());
        root.write("/SlipNo.txt", "1002\r\n");
        root.write(SlipFiles::kActive, SlipSamples::slips({"1000|Open"}));
        auto desk = std::make_unique<InstanceLock>(root.path(), deskLocks.path(), "front-desk-pc");
        QVERIFY(desk->tryLock());
        const DataFolder deskFolder(root.path());
        desk->guardWrites(deskFolder);
        FakePlatform fake;
        fake.messages.answer(accepted);
        const QStringList before = folderStamps(root.path());
        auto running = start(root.path(), fake);
        QVERIFY(fake.messages.lastText().contains("front-desk-pc") && fake.messages.lastText().contains("read-only"));
        QCOMPARE(bool(running), accepted);
        if (!running) {
            QCOMPARE(folderStamps(root.path()), before);
            return;
        }
        Application &app = *running->application;
        const QString note = "(read-only: held by front-desk-pc)";
        QVERIFY(app.startMenu()->isVisible() && app.startMenu()->windowTitle().endsWith(note));
        app.openRoutine(StartMenu::ManageSlips);
        auto *board = qobject_cast<BoardWindow *>(app.routineWindow(StartMenu::ManageSlips));
        QVERIFY(board && board->windowTitle().endsWith(note));
        auto *save = board->findChild<QPushButton *>("cmdMain_8");
        save->setEnabled(true); // the window's own updates leave it off
        QVERIFY(!save->isEnabled() && save->toolTip().contains("held by front-desk-pc"));
        QCOMPARE(board->grid()->rows(), 2);
        deskFolder.appendRecord(SlipFiles::kActive, SlipSamples::slip("1001|Open"));
        QVERIFY(desk->refresh());
        const QStringList saved = folderStamps(root.path());
        running->pollFolder();
        QCOMPARE(board->grid()->rows(), 3);
        QVERIFY_THROWS_EXCEPTION(DiskError, app.state().folder.writeFile("/SlipNo.txt", "1"));
        board->closeByProgram();
        for (auto routine : {StartMenu::Customers, StartMenu::History, StartMenu::Services})
            app.openRoutine(routine);
        app.showSetup();
        if (holderEnds.isEmpty())
            app.exitProgram(); // writes nothing either: no Backup copies, no settings
        QCOMPARE(folderStamps(root.path()), saved);
        for (const auto &message : fake.messages.shown) // no write was tried and refused
            QVERIFY2(!message.text.contains("from here"), qPrintable(message.text));
        if (holderEnds.isEmpty())
            return;
        // The holder ends; the seat's next look offers the folder.
        holderEnds == "closes" ? desk.reset() : fake.clock.advance(desk->timing().watchMs + 1);
        fake.messages.answer(true);
        running->pollFolder();
        QVERIFY(fake.messages.lastText().contains(holderEnds == "closes" ? "let go of the data folder" : "Take it over?"));
        QVERIFY(running->lock->isLocked() && running->application->readOnly().isEmpty());
        QVERIFY(root.read("/" + InstanceLock::lockFileName()).contains(QSysInfo::machineHostName().toUtf8()));
        running->application->state().folder.writeFile("/Probe.txt", "1");
        if (desk)
            QVERIFY_THROWS_EXCEPTION(DiskError, deskFolder.writeFile("/SlipNo.txt", "1"));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
