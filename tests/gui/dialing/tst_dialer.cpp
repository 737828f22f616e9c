#include "gui/dialing/dialerwindow.h"
#include "platform/fakes/fakemodem.h"
#include "platform/fakes/fakeplatform.h"
#include "testsupport.h"
#include "widgettesting.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {
// A dialer on a fake modem at port 3, opened for Jane Doe at 555-1212.
struct Dialer
{
    explicit Dialer(int port = 3)
        : modem(bench.factory())
    {
        bench.addModem(3);
        window =
            std::make_unique<DialerWindow>(ProgramWindow::Environment{&layouts, {}}, messages, modem, root.folder(),
                                           DialerOptions{[port] { return port; }, [] { return true; }});
    }
    void open(const QString &name = "Jane Doe", const QString &number = "555-1212") { window->open(name, number); }

    template <typename T = QPushButton> T *get(const QString &name) const { return child<T>(window.get(), name); }
    QString text(const QString &label) const { return get<QLabel>(label)->text(); }
    void click(const QString &button) const { get(button)->click(); }
    QByteArray lastCommand() { return bench.line(3).commands.value(bench.line(3).commands.size() - 1); }
    void search()
    {
        modem.setProbeTimeout(250);
        QSignalSpy searched(&modem, &Modem::searchFinished);
        modem.SearchModem();
        QVERIFY(searched.wait(3000));
    }

    TestRoot root;
    FakeModemBench bench;
    Modem modem;
    FakeMessages messages;
    MemoryLayoutStore layouts;
    std::unique_ptr<DialerWindow> window;
};

const QString kConnected = QStringLiteral("Pickup Receiver - Then Click Hangup");
} // namespace

class TestDialer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { useTestSettingsStore(); }

    void opensReadyToDial()
    {
        Dialer d;
        d.search();
        d.root.write(kSpeedNumbersFile, "Ann & Co\r\n555-0001\r\n");
        d.open();
        QVERIFY(d.window->isVisible());
        QCOMPARE(d.text("lblName"), QString("Jane Doe"));
        QCOMPARE(d.text("lblNumber"), QString("555-1212"));
        QCOMPARE(d.text("lblStatus"), QString("Ready to Dial......"));
        QCOMPARE(d.get<QLineEdit>("txtModemStatus")->text(), QString("Your Modem Comm Port Is 3."));
        QCOMPARE(d.text("lblPort"), QString("COM Port # 3"));
        QVERIFY(d.get("cmdNewDial")->isVisible());
        QVERIFY(d.get("cmdCancel")->isHidden());
        QVERIFY(!d.get("cmdSpeedDialer_2")->isEnabled());
        QVERIFY(d.get<QGroupBox>("fraSpeedDial")->isHidden());
        QCOMPARE(d.get("cmdDialer_0")->text(), QString("Ann && Co"));
        d.click("cmdHelp");
        QVERIFY(d.get<QGroupBox>("fraHelp")->isVisible());
        d.window->activateWindow(); // Esc leaves as Disconnect/Cancel does
        QVERIFY(QTest::qWaitForWindowActive(d.window.get()));
        QTest::keyClick(d.window.get(), Qt::Key_Escape);
        QVERIFY(!d.window->isVisible());
        QVERIFY(d.layouts.entries.contains("VarnelDispatcher/frmDialer"));
    }

    void dialAndTalk_data()
    {
        dataColumns<QString, QByteArray>("number", "command");
        QTest::newRow("plain") << "555-1212" << QByteArray("ATDT555-1212;");
        QTest::newRow("letters and blanks as typed") << "1 800 CALL ME" << QByteArray("ATDT1 800 CALL ME;");
    }

    void dialAndTalk()
    {
        auto [number, command] = fetched<QString, QByteArray>("number", "command");
        Dialer d;
        d.open("Jane Doe", number);
        QSignalSpy finished(d.window.get(), &DialerWindow::finished);
        d.click("cmdNewDial");
        QVERIFY(d.get("cmdNewDial")->isHidden());
        QCOMPARE(d.text("lblStatus"), "Dialing..... " + number);
        QVERIFY(d.bench.line(3).written.endsWith(command + "\r"));
        QTRY_COMPARE(d.text("lblStatus"), kConnected);
        QCOMPARE(d.text("lblModemReply"), QString("OK"));
        QVERIFY(d.get("cmdCancel")->isVisible());
        d.click("cmdCancel");
        QCOMPARE(d.lastCommand(), QByteArray("ATH"));
        QVERIFY(!d.bench.isOpen(3));
        QVERIFY(!d.window->isVisible());
        QCOMPARE(finished.size(), 1);
    }

    void modemRefusal_data()
    {
        dataColumns<QByteArray, QString>("reply", "status");
        for (const char *code : {"ERROR", "NO CARRIER", "NO DIALTONE", "BUSY", "NO ANSWER"})
            QTest::newRow(code) << QByteArray("\r\n") + code + "\r\n"
                                << QStringLiteral("The modem answered %1 and has hung up.").arg(code);
    }

    void modemRefusal()
    {
        auto [reply, status] = fetched<QByteArray, QString>("reply", "status");
        Dialer d;
        d.bench.answer(3, "ATDT", reply);
        d.open();
        d.click("cmdNewDial");
        QTRY_COMPARE(d.text("lblStatus"), status);
        QCOMPARE(d.lastCommand(), QByteArray("ATH"));
        QVERIFY(!d.bench.isOpen(3));
        QVERIFY(d.get("cmdNewDial")->isVisible());
        QCOMPARE(d.messages.beeps, 1);
        // Dialing again opens the port again.
        d.bench.answer(3, "ATDT", QByteArray("\r\nOK\r\n"));
        d.click("cmdNewDial");
        QTRY_COMPARE(d.text("lblStatus"), kConnected);
        // However the dialer closes, the modem does not stay off the hook.
        d.window->closeByProgram();
        QCOMPARE(d.lastCommand(), QByteArray("ATH"));
        QVERIFY(!d.bench.isOpen(3));
    }

    void disconnectDuringWait()
    {
        Dialer d;
        d.bench.answer(3, "ATDT", std::nullopt);
        d.bench.line(3).echo = true;
        d.open();
        d.click("cmdNewDial");
        QTRY_COMPARE(d.text("lblModemReply"), QString("ATDT555-1212;")); // the reply shows as it comes
        QCOMPARE(d.text("lblStatus"), QString("Dialing..... 555-1212"));
        d.click("cmdHangup");
        QCOMPARE(d.lastCommand(), QByteArray("ATH"));
        QVERIFY(!d.bench.isOpen(3));
        QVERIFY(!d.window->isVisible());
    }

    void portTrouble_data()
    {
        dataColumns<int, bool, QString>("port", "failWrites", "openStatus");
        QTest::newRow("absent port") << 5 << false << "The modem port 5 could not be opened";
        QTest::newRow("write refused") << 3 << true << "Ready to Dial......";
    }

    void portTrouble()
    {
        auto [port, failWrites, openStatus] = fetched<int, bool, QString>("port", "failWrites", "openStatus");
        Dialer d(port);
        d.bench.line(3).failWrites = failWrites;
        d.open();
        QVERIFY2(d.text("lblStatus").startsWith(openStatus), qPrintable(d.text("lblStatus")));
        d.click("cmdNewDial");
        QVERIFY2(d.text("lblStatus").startsWith("The number could not be sent to the modem"),
                 qPrintable(d.text("lblStatus")));
        QVERIFY(d.get("cmdNewDial")->isVisible());
        QVERIFY(d.bench.line(3).written.isEmpty());
    }

    void prefix()
    {
        Dialer d;
        d.open();
        auto *box = d.get<QCheckBox>("ckDial1");
        box->setChecked(true);
        QCOMPARE(d.text("lblNumber"), QString("1-555-1212"));
        box->setChecked(false);
        QCOMPARE(d.text("lblNumber"), QString("555-1212"));
        box->setChecked(true);
        d.click("cmdNewDial");
        QCOMPARE(d.bench.line(3).commands.value(0), QByteArray("ATDT1-555-1212;"));
    }

    void modemUnpluggedWhileDialing()
    {
        Dialer d;
        d.search();
        d.bench.answer(3, "ATDT", std::nullopt); // the call waits for ever
        d.open();
        d.click("cmdNewDial");
        QSignalSpy lost(&d.modem, &Modem::modemLost);
        d.bench.unplug(3);
        QVERIFY(lost.wait(3000));
        QVERIFY(d.text("lblStatus").startsWith(QStringLiteral("The modem was disconnected")));
        QVERIFY(d.get<QLineEdit>("txtModemStatus")->text().contains(QStringLiteral("disconnected")));
        QVERIFY(!d.get("cmdNewDial")->isEnabled());
        QVERIFY(d.get("cmdSearchModem")->isVisible());
        QVERIFY(d.messages.beeps > 0);
        // Opened again, it still does not dial, and does not reopen the port behind the user's back.
        d.window->closeByProgram();
        const int opens = d.bench.line(3).opens;
        d.open();
        QVERIFY(!d.get("cmdNewDial")->isEnabled());
        QCOMPARE(d.bench.line(3).opens, opens);
        // Plugged in again and found: dialing is back.
        d.bench.addModem(3);
        QSignalSpy searched(&d.modem, &Modem::searchFinished);
        d.click("cmdSearchModem");
        QVERIFY(searched.wait(3000));
        QVERIFY(d.get("cmdNewDial")->isEnabled());
        QVERIFY(!d.modem.wasLost() && d.bench.isOpen(3));
        QVERIFY(!d.get("cmdSearchModem")->isVisible());
        QCOMPARE(d.text("lblStatus"), QString("Ready to Dial......"));
    }

    void speedDial()
    {
        Dialer d;
        d.open();
        d.click("cmdDialer_0");
        QVERIFY(d.get<QGroupBox>("fraSpeedDial")->isVisible());
        d.get<QLineEdit>("txtSpeedName")->setText("Bob");
        d.get<QLineEdit>("txtSpeedNumber")->setText("555-0002");
        d.click("cmdSpeedDialer_0");
        QCOMPARE(d.root.read(kSpeedNumbersFile), QByteArray("Bob\r\n555-0002\r\n"));
        QCOMPARE(d.get("cmdDialer_0")->text(), QString("Bob"));
        QVERIFY(d.get<QGroupBox>("fraSpeedDial")->isHidden());
        QVERIFY(d.get<QLineEdit>("txtSpeedName")->text().isEmpty());
        // Load Current puts the call on screen into an empty slot.
        d.click("cmdDialer_4");
        d.click("cmdSpeedDialer_4");
        QCOMPARE(d.root.read(kSpeedNumbersFile), QByteArray("Bob\r\n555-0002\r\nJane Doe\r\n555-1212\r\n"));
        QCOMPARE(d.get("cmdDialer_4")->text(), QString("Jane Doe"));
        d.click("cmdDialer_0");
        QCOMPARE(d.text("lblName"), QString("Bob"));
        QCOMPARE(d.text("lblNumber"), QString("555-0002"));
        QVERIFY(d.get("cmdSpeedDialer_2")->isEnabled());
        d.click("cmdSpeedDialer_3");
        QCOMPARE(d.text("lblName"), QString("Jane Doe"));
        QCOMPARE(d.text("lblNumber"), QString("555-1212"));
        // Delete asks first: No keeps the entry, Yes removes it.
        d.click("cmdDialer_4");
        d.messages.answer(false);
        d.click("cmdSpeedDialer_2");
        QCOMPARE(d.messages.shown.back().text, QString("This will delete SpeedDial entry  Jane Doe\r\nAre you Sure"));
        QVERIFY(!d.get("cmdSpeedDialer_2")->isEnabled());
        QCOMPARE(d.root.read(kSpeedNumbersFile), QByteArray("Bob\r\n555-0002\r\nJane Doe\r\n555-1212\r\n"));
        d.click("cmdDialer_4");
        d.messages.answer(true);
        d.click("cmdSpeedDialer_2");
        QCOMPARE(d.root.read(kSpeedNumbersFile), QByteArray("Bob\r\n555-0002\r\n"));
        QCOMPARE(d.get("cmdDialer_4")->text(), QString());
    }
};

QTEST_MAIN(TestDialer)
#include "tst_dialer.moc"
