// The modem search and a whole call through QSerialPort, against a modem emulated on a pseudo-terminal.
#include "dialing/modem.h"
#include "platform/qtserialport.h"
#include "testsupport.h"

#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTest>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace {
// The modem's side of a pseudo-terminal: every command ended by CR is recorded and answered with OK.
class PtyModem
{
public:
    PtyModem()
    {
        m_master = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0)
            return;
        if (const char *name = ptsname(m_master))
            m_slavePath = QString::fromLocal8Bit(name);
        // No echo, no line editing: the program sees exactly what the emulator writes.
        termios raw{};
        if (tcgetattr(m_master, &raw) == 0) {
            cfmakeraw(&raw);
            tcsetattr(m_master, TCSANOW, &raw);
        }
        fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
        // Held open so that the master never sees a hang-up between the program's opens of the port.
        m_keepAlive = ::open(m_slavePath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        m_notifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { readCommands(); });
    }
    ~PtyModem()
    {
        m_notifier.reset();
        if (m_keepAlive >= 0)
            ::close(m_keepAlive);
        if (m_master >= 0)
            ::close(m_master);
    }

    bool isReady() const { return m_master >= 0 && m_keepAlive >= 0 && !m_slavePath.isEmpty(); }
    // The device goes away, as a USB modem pulled out: every end of the emulator closes.
    void disappear()
    {
        m_notifier.reset();
        if (m_keepAlive >= 0)
            ::close(m_keepAlive);
        if (m_master >= 0)
            ::close(m_master);
        m_keepAlive = m_master = -1;
    }
    bool answerDialing = true; // false: a dial command waits for ever
    const QString &slavePath() const { return m_slavePath; }
    QList<QByteArray> commands;

private:
    void readCommands()
    {
        char chunk[256];
        ssize_t n;
        while ((n = ::read(m_master, chunk, sizeof chunk)) > 0)
            m_pending.append(chunk, n);
        qsizetype cr;
        while ((cr = m_pending.indexOf('\r')) >= 0) {
            const QByteArray command = m_pending.left(cr).trimmed();
            m_pending.remove(0, cr + 1);
            commands.append(command);
            if (!answerDialing && command.startsWith("ATDT"))
                continue;
            static const char reply[] = "\r\nOK\r\n";
            [[maybe_unused]] const ssize_t written = ::write(m_master, reply, sizeof reply - 1);
        }
    }

    int m_master = -1;
    int m_keepAlive = -1;
    QString m_slavePath;
    QByteArray m_pending;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
} // namespace
#endif

class TestPtyModem : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { useTestSettingsStore(); }
    void searchAndCall();
    void modemDisappears_data();
    void modemDisappears();
};

void TestPtyModem::modemDisappears_data()
{
    QTest::addColumn<bool>("dialing");
    QTest::newRow("while idle") << false;
    QTest::newRow("while dialing") << true;
}

void TestPtyModem::modemDisappears()
{
#ifndef Q_OS_UNIX
    QSKIP("pseudo-terminals are a Unix feature");
#else
    QFETCH(bool, dialing);
    PtyModem emulator;
    if (!emulator.isReady())
        QSKIP("no pseudo-terminal available");
    emulator.answerDialing = false;
    TestRoot root;
    root.write(PortMap::kMappingFile, "2," + emulator.slavePath().toLocal8Bit() + "\r\n");
    QtSerialPorts ports(root.folder(), [] { return QStringList(); });
    Modem modem(ports.factory());
    QSignalSpy found(&modem, &Modem::modemFound);
    modem.SearchModem();
    QVERIFY(found.wait(5000));
    QTRY_COMPARE_WITH_TIMEOUT(emulator.commands.size(), 2, 5000);

    DialSession call(modem.port());
    QObject::connect(&modem, &Modem::modemLost, &call, &DialSession::portLost);
    QSignalSpy lost(&modem, &Modem::modemLost);
    QSignalSpy callLost(&call, &DialSession::lost);
    if (dialing) {
        QVERIFY(call.dial(QStringLiteral("555-1212")));
        QTRY_COMPARE_WITH_TIMEOUT(emulator.commands.size(), 3, 5000);
    }

    emulator.disappear();
    // The port says so and closes, instead of reporting itself readable for ever.
    QVERIFY(lost.wait(5000));
    QVERIFY(!modem.port().isOpen());
    QVERIFY(!modem.dialingEnabled());
    QVERIFY(modem.statusText().contains(QStringLiteral("disconnected")));
    QCOMPARE(callLost.size(), dialing ? 1 : 0);
    if (dialing)
        QCOMPARE(call.state(), DialSession::State::Closed);
    // Nothing more arrives from a closed port.
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
    QCOMPARE(lost.size(), 1);
#endif
}

void TestPtyModem::searchAndCall()
{
#ifndef Q_OS_UNIX
    QSKIP("pseudo-terminals are a Unix feature");
#else
    PtyModem emulator;
    if (!emulator.isReady())
        QSKIP("no pseudo-terminal available");

    TestRoot root;
    root.write(PortMap::kMappingFile, "# the emulated modem\r\n5," + emulator.slavePath().toLocal8Bit() + "\r\n");
    // No system devices: the test never touches a real serial port.
    QtSerialPorts ports(root.folder(), [] { return QStringList(); });

    Modem modem(ports.factory());
    QSignalSpy found(&modem, &Modem::modemFound);
    modem.SearchModem();
    QVERIFY(found.wait(5000));
    QCOMPARE(modem.statusText(), QString("Your Modem Comm Port Is 5."));
    QTRY_COMPARE_WITH_TIMEOUT(emulator.commands, (QList<QByteArray>{"AT", "AT#CID=1"}), 5000);

    DialSession call(modem.port());
    QSignalSpy connected(&call, &DialSession::connected);
    QVERIFY2(call.dial(QStringLiteral("555-1212")), qPrintable(call.errorText()));
    QVERIFY(connected.wait(5000));
    QCOMPARE(call.reply(), QString("OK"));
    QCOMPARE(emulator.commands.value(2), QByteArray("ATDT555-1212;"));

    call.hangUp();
    QVERIFY(!modem.port().isOpen());
    QTRY_COMPARE_WITH_TIMEOUT(emulator.commands.value(3), QByteArray("ATH"), 5000);
#endif
}

QTEST_GUILESS_MAIN(TestPtyModem)
#include "tst_ptymodem.moc"
