#include "app/appstate.h"
#include "gui/dispatch/boardwindow.h"
#include "gui/widgets/flexgrid.h"
#include "phoneserving.h"
#include "platform/fakes/fakeplatform.h"
#include "platform/fakes/recordingprinttarget.h"
#include "tooltesting.h"
#include "widgettesting.h"

#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTest>

// The phone page in a real browser: headless Chromium at 360x740, driven by Selenium from a Python script, on
// the server of this process, with the office's board open. Skipped where Chromium, its driver or Selenium are
// missing.
class TestPhonePage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void inTheBrowser_data()
    {
        dataColumns<QString, QString>("scenario", "slips");
        const QString waiting = "1001:Assigned 3/9/2026 10:00; 1002:";
        dataRow("a lost answer sent again", "lost", "1001:Assigned 3/9/2026 10:00 / 1002:Complete 3/9/2026 08:00");
        dataRow("the office's No", "office", waiting + "Assigned 3/9/2026 08:00 / -");
        dataRow("the close box", "closebox", waiting + "In Progress 3/9/2026 08:00 / -");
        dataRow("a morning out of reach", "offline", "1001:In Progress 3/9/2026 10:00 / 1002:Complete 3/9/2026 08:00");
    }
    // Lost answers, the board's question, its close box: the script checks what the phone shows, this the files.
    void inTheBrowser()
    {
        // The system's Python, which Debian's python3-selenium belongs to, whatever else is first on the path.
        const QString python = QStringLiteral("/usr/bin/python3");
        if (QStandardPaths::findExecutable("chromium").isEmpty() ||
            QStandardPaths::findExecutable("chromedriver").isEmpty() ||
            QProcess::execute(python, {QStringLiteral("-c"), QStringLiteral("import selenium")}) != 0)
            QSKIP("Chromium, chromedriver or python3-selenium is not installed");
        QFETCH(QString, scenario);

        PhoneServing s;
        makeCheckable(s.root, {"Al", "Bob"}, 1006);
        FakePlatform fakes;
        fakes.clock.set(s.clock.now());
        Platform platform = fakes.platform();
        AppState app(s.folder);
        RecordingPrintTarget target;
        BoardWindow board({&fakes.layouts, {}}, app, platform, target, {});
        connect(&s.server, &PhoneServer::phoneChanged, &board, &BoardWindow::takePhoneChange);
        board.show();
        // The office changes the priority of slip 1002 (office) or 1001 (close box) and has not saved it.
        if (scenario == "office" || scenario == "closebox") {
            emit board.grid()->cellClicked(board.board().gridRow(scenario == "office" ? 2 : 1), 0);
            for (int action : {BoardWindow::ManageSlip, BoardWindow::MakeChanges})
                board.runAction(BoardWindow::Action(action));
            board.findChild<QListWidget *>("lstPriority")->setCurrentRow(1); // High
            board.runAction(BoardWindow::AcceptChanges);
        }
        // A question stays open until the phone's Start is stored; "Keep the phone's change?": No, and save.
        QTemporaryDir handoff;
        fakes.messages.whileAsking = [&](const QString &question) {
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(handoff.filePath("started")), 60000);
            const bool no = question.contains("Keep the phone's change?");
            if (question.contains("have not been saved")) // the close box's Save / Don't Save / Cancel
                fakes.messages.answerSave(Messages::SaveAnswer::Save);
            else
                fakes.messages.answer(!no);
            if (no)
                QTimer::singleShot(0, &board, [&] { board.runAction(BoardWindow::SaveAndExit); });
        };

        const QString screenshot = qEnvironmentVariable("VD_PHONE_SCREENSHOT", s.root.file("/phone-page.png"));
        QProcess browser;
        browser.setProcessChannelMode(QProcess::MergedChannels);
        browser.start(python, {QStringLiteral(VD_TESTS_DIR "/phone/phonepage_browser.py"), "--url",
                               s.server.pageAddress() + QStringLiteral("/#t=") + s.token, "--scenario", scenario,
                               "--signals", handoff.path(), "--screenshot", screenshot, "--root", s.root.path()});
        if (scenario == "closebox")
            QVERIFY(clickCloseBox(&board));
        QTRY_VERIFY_WITH_TIMEOUT(browser.state() == QProcess::NotRunning, 180000); // served from here meanwhile
        QVERIFY2(browser.exitCode() == 0, browser.readAll().constData());

        QTEST(s.slips().remove(QRegularExpression("; 100[345]:[^;]*?(?=;| / )")), "slips");
        const ToolRun check = runTool({"check", s.root.path()});
        QVERIFY2(check.out.trimmed().isEmpty(), qPrintable(check.out));
    }
};

QTEST_MAIN(TestPhonePage)
#include "tst_phonepage.moc"
