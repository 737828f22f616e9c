#include "apptesting.h"
#include "phoneserving.h"

#include "gui/app/setupscreen.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QSaveFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include <sys/resource.h>

namespace {

// Connections held by misbehaving clients, from addresses of the loopback.
struct RawClients : std::vector<std::unique_ptr<QSslSocket>>
{
    QSslSocket &add(quint16 port, const QString &from = QStringLiteral("127.0.0.1"))
    {
        push_back(std::make_unique<QSslSocket>());
        back()->setPeerVerifyMode(QSslSocket::VerifyNone);
        back()->bind(QHostAddress(from));
        back()->connectToHost(QStringLiteral("127.0.0.1"), port); // what is written meanwhile waits for it
        return *back();
    }
    int open() const
    {
        return int(
            std::count_if(begin(), end(), [](const auto &c) { return c->state() == QSslSocket::ConnectedState; }));
    }
};

void expectSafeHeaders(const PhoneServing::Answer &answer)
{
    QCOMPARE(answer.headers.value("cache-control"), QByteArray("no-store"));
    QCOMPARE(answer.headers.value("x-content-type-options"), QByteArray("nosniff"));
    QCOMPARE(answer.headers.value("x-frame-options"), QByteArray("DENY"));
    QCOMPARE(answer.headers.value("referrer-policy"), QByteArray("no-referrer"));
    QVERIFY(answer.headers.value("content-security-policy").startsWith("default-src 'self'"));
}

} // namespace

class TestPhoneServer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    // Over the network the API answers as asked directly (tests/phone/tst_phoneapi), every answer with the safe
    // headers (the refused ones too: hostileRequests); a stored change is told to whatever board is open.
    void servedOverTls()
    {
        PhoneServing s;
        QSignalSpy changed(&s.server, &PhoneServer::phoneChanged);
        const auto page = s.exchange(PhoneClient::request("GET", "/"));
        QCOMPARE(page.status, 200);
        expectSafeHeaders(page);
        QCOMPARE(s.call("POST", "/api/slip/1002/start", "{}").status, 200);
        QVERIFY(slipSummary(s.folder, SlipFiles::kActive).contains("1002:In Progress"));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed[0][1].toString(), QStringLiteral("Al's phone"));
        QCOMPARE(s.logLines(), 0);
        // A second server on the same port says so.
        PhoneServer second(s.folder, s.settings, s.clock, s.tokens);
        PhonePageOptions options;
        options.on = true;
        options.address = QStringLiteral("127.0.0.1");
        options.port = s.server.port();
        QVERIFY(!second.start(options, s.certificates.path()));
        QCOMPARE(second.error(), QString("Port %1 is already in use by another program. Choose another port for the "
                                         "phone page on the setup screen.")
                                     .arg(s.server.port()));
        QVERIFY(!second.isListening());

        // The certificate is kept, its key private; served on another address, it is made anew for that address.
        QTemporaryDir dir;
        const auto first = PhoneCertificate::loadOrMake(dir.path(), {"127.0.0.1"});
        QVERIFY(first.isValid());
        QCOMPARE(first.fingerprint().size(), 32 * 3 - 1);
        QCOMPARE(QFile::permissions(dir.path() + "/key.pem") & 0x0777, QFileDevice::ReadUser | QFileDevice::WriteUser);
        QCOMPARE(PhoneCertificate::loadOrMake(dir.path(), {"127.0.0.1"}).fingerprint(), first.fingerprint());
        const auto moved = PhoneCertificate::loadOrMake(dir.path(), {"192.168.7.20"});
        QVERIFY(moved.fingerprint() != first.fingerprint());
        QVERIFY(moved.certificate.subjectAlternativeNames().values(QSsl::IpAddressEntry).contains("192.168.7.20"));
    }

    // A thousand requests of every bad kind: each answered with the safe headers, none writes a slip, each logged
    // without the token it carries, the limit engages. Too much is answered (with its own status) before the body
    // or the rest is taken in.
    void hostileRequests()
    {
        PhoneServing s;
        const QString before = s.slips();
        const QByteArray token = s.token.toLatin1(), end = " HTTP/1.1\r\nHost: a\r\n\r\n";
        const QList<QPair<QByteArray, int>> kinds = {
            {PhoneClient::request("GET", "/api/day", {}, "wrongwrongwrongwrong"), 0},
            {PhoneClient::request("POST", "/api/slip/1001/start", {}, "AAAAAAAAAAAAAAAAAAAAAAAAA"), 0},
            {PhoneClient::request("POST", "/api/pair", "{\"code\":\"ZZZZ9999\"}"), 0},
            {PhoneClient::request("POST", "/api/slip/1001/complete", QByteArray(6000, '{'), token), 413},
            {PhoneClient::request("POST", "/api/slip/1001/photo", QByteArray(6000, '{'), token), 400}, // its own limit
            {"POST /api/slip/1001/photo HTTP/1.1\r\nHost: a\r\nContent-Length: 4195329\r\n\r\n{}", 413},
            {PhoneClient::request("POST", "/api/slip/1001/complete", "{\"note\":[1,2", token), 400},
            {PhoneClient::request("POST", "/api/slip/1001/cantfinish", "{\"reason\":{}}", token), 400},
            {PhoneClient::request("GET", "/../ServiceSlips.txt"), 404},
            {PhoneClient::request("GET", "/%2e%2e/CustomerData.txt"), 404},
            {PhoneClient::request("GET", "/app.js/../../PhonePairs.txt"), 404},
            {"GET /" + QByteArray(16000, '%') + end, 413},
            {token + " /api/day?token=" + token + QByteArray(20000, 'a') + end, 414},
            {PhoneClient::request("DELETE", "/api/day", {}, token), 405},
            {PhoneClient::request("PUT", "/api/slip/1001/start", "{}", token), 405},
            {PhoneClient::request("GET", "/api/slip/1003/start", {}, token), 405},
            {"POST /api/pair HTTP/1.1\r\nHost: a\r\nContent-Length: 99999999999\r\n\r\n{}", 413},
            {"POST /api/pair HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: chunked\r\n\r\n2\r\n{}\r\n0\r\n\r\n", 411},
            {"GET / HTTP/1.1\r\nX-Filler: " + QByteArray(14000, 'b') + "\r\n\r\n", 413},
        };
        QMap<int, int> statuses;
        for (int i = 0; i < 1000; ++i) {
            const auto &[request, expected] = kinds[i % kinds.size()];
            const PhoneServing::Answer answer = s.exchange(request);
            QVERIFY2(expected ? answer.status == expected : answer.status >= 400,
                     qPrintable(QString("request %1 answered %2").arg(i).arg(answer.status)));
            ++statuses[answer.status];
            if (i < kinds.size())
                expectSafeHeaders(answer);
        }
        QVERIFY(statuses.value(429) > 0);
        QCOMPARE(s.slips(), before);
        QCOMPARE(s.logLines(), 1000);
        for (qsizetype i = 0; i + 8 <= token.size(); ++i) // the token in the method and the address, cut short
            QVERIFY(!s.root.read(PhoneApi::kLog).contains(token.mid(i, 8)));
        QCOMPARE(s.call("GET", "/").status, 200);
    }

    // Whatever a connection does short of a request in time, it is closed at its deadline, answered or not.
    void connectionDeadlines_data()
    {
        dataColumns<bool, QByteArray, int, int>("tls", "sent", "msecsPerByte", "closedAfter");
        const QByteArray request = PhoneClient::request("GET", "/icon.svg");
        dataRow("never starting TLS", false, QByteArray(), 0, 400);
        dataRow("half a request, then silence", true, request.left(20), 0, 400);
        dataRow("a byte at a time", true, request, 100, 400);
        dataRow("kept open after an answer", true, request, 0, 2000);
    }
    void connectionDeadlines()
    {
        auto [tls, sent, msecsPerByte, closedAfter] =
            fetched<bool, QByteArray, int, int>("tls", "sent", "msecsPerByte", "closedAfter");
        PhoneServing s;
        s.server.setConnectionLimits({400, 400, 2000});
        QElapsedTimer clock;
        clock.start();
        RawClients client;
        QSslSocket &socket = client.add(s.server.port());
        QTRY_COMPARE(client.open(), 1);
        if (tls)
            socket.startClientEncryption();
        QTRY_VERIFY(!tls || socket.isEncrypted());
        for (qsizetype i = 0; i < sent.size() && client.open(); i += msecsPerByte ? 1 : sent.size()) {
            socket.write(sent.mid(i, msecsPerByte ? 1 : -1));
            QTest::qWait(msecsPerByte);
        }
        QTRY_COMPARE_WITH_TIMEOUT(client.open(), 0, 5000);
        QVERIFY2(clock.elapsed() >= closedAfter - 100 && clock.elapsed() < closedAfter + 900,
                 qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(socket.readAll().startsWith("HTTP/1.1 200"), closedAfter > 400);
        QCOMPARE(s.server.openConnections(), 0);
    }

    // Past the caps the connection that waited longest goes (the address's own first), never one in the middle
    // of a request; a phone's request still goes through at once with hundreds of idle connections held open.
    void connectionCaps()
    {
        PhoneServing s, plain(true); // over plain HTTP a request is under way as soon as it is sent
        const ConnectionLimits limits{60000, 60000, 60000, 3, 4}; // no deadline comes into it
        for (PhoneServing *serving : {&s, &plain})
            serving->server.setConnectionLimits(limits);
        RawClients c;
        for (const char *from : {"127.0.0.2", "127.0.0.2", "127.0.0.3", "127.0.0.3", "127.0.0.3", "127.0.0.3"}) {
            c.add(s.server.port(), from);
            QTest::qWait(50);
        }
        // At the total the oldest of all went (.2's first); then .3 made room among its own (its first went).
        QTRY_COMPARE(c.open(), 4);
        QVERIFY(c[0]->state() != QSslSocket::ConnectedState && c[1]->state() == QSslSocket::ConnectedState &&
                c[2]->state() != QSslSocket::ConnectedState);
        c.clear();
        for (const QByteArray &sent : {"GET / HTTP/1.1\r\n", "", "GET / HTTP/1.1\r\n", "GET / HTTP/1.1\r\n", ""}) {
            c.add(plain.server.port(), QStringLiteral("127.0.0.4")).write(sent);
            QTest::qWait(50);
        } // the idle one went to make room; then, all three under way, the last was refused
        QTRY_VERIFY(c[0]->state() == QSslSocket::ConnectedState && c[2]->state() == QSslSocket::ConnectedState &&
                    c.open() == 3);

        for (int i = 0; i < 300; ++i)
            c.add(s.server.port());
        QTRY_COMPARE(s.server.openConnections(), limits.perAddress);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(s.call("GET", "/api/day").status, 200);
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    }

    // Near the limit of open files new connections are refused, so that the office's own saves find their
    // handles; once they close, the page is served again.
    void fileHandleReserve()
    {
        PhoneServing s;
        const ConnectionLimits limits{5000, 5000, 15000, 16, 128, 20};
        s.server.setConnectionLimits(limits);
        rlimit saved{};
        getrlimit(RLIMIT_NOFILE, &saved);
        const int lowestFree = ::dup(0);
        ::close(lowestFree);
        rlimit lowered = saved; // room for 30 clients, 4 of their connections, and the reserve
        lowered.rlim_cur = rlim_t(lowestFree + 30 + 4 + limits.fileReserve);
        setrlimit(RLIMIT_NOFILE, &lowered);
        RawClients c;
        for (int i = 0; i < 30; ++i)
            c.add(s.server.port(), QStringLiteral("127.0.0.%1").arg(2 + i));
        QTest::qWait(300);
        const int served = s.server.openConnections();
        QSaveFile probe(s.root.path() + "/Probe.txt"); // as the office's saves write
        const bool written = probe.open(QIODevice::WriteOnly) && probe.write("kept") == 4 && probe.commit();
        setrlimit(RLIMIT_NOFILE, &saved);
        QVERIFY2(served >= 1 && served <= 6, qPrintable(QString::number(served)));
        QVERIFY(written && s.root.read("/Probe.txt") == "kept");
        c.clear();
        QCOMPARE(s.call("GET", "/").status, 200);
    }

    void portAsTyped()
    {
        for (const auto &[text, port] : {std::pair{"8443", 8443}, {"1023", 0}, {"65536", 0}, {"84a3", 0}})
            QCOMPARE(int(PhonePageOptions::parsePort(text).value_or(0)), port);
    }

    // Off by default: nothing listens. Ticked on the setup screen it serves at once; cleared, it stops at once.
    void setupScreenSwitchesTheServer()
    {
        TestRoot root;
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        PhonePageOptions options;
        options.address = QStringLiteral("127.0.0.1");
        options.port = probe.serverPort();
        probe.close();
        options.save();
        FakePlatform fake;
        StartedApp app(root.path(), fake);
        QVERIFY(!app.phoneServer());
        auto *on = app.setup()->findChild<QCheckBox *>(QStringLiteral("ckPhonePage"));
        on->setChecked(true);
        QVERIFY(app.phoneServer() && app.phoneServer()->isListening());
        QCOMPARE(app.state().phonePageAddress, QString("https://127.0.0.1:%1").arg(options.port));
        QCOMPARE(app.setup()->findChild<QLabel *>(QStringLiteral("lblPhoneFingerprint"))->text().replace('\n', ':'),
                 app.phoneServer()->fingerprint());
        QVERIFY(PhonePageOptions::load().on);
        // A stored change is passed on to whatever board or calendar is open.
        writeActiveSlips(root.folder(), {"1001|Assigned|Al|1/15/2026|08:00"});
        const QByteArray token = app.state().phoneTokens->pair("Al", "Al's phone").token.toLatin1();
        QSignalSpy told(&app, &Application::phoneChangeStored);
        QCOMPARE(PhoneClient::exchange(options.port, app.phoneServer()->certificate(),
                                       PhoneClient::request("POST", "/api/slip/1001/start", "{}", token))
                     .status,
                 200);
        QCOMPARE(told.size(), 1);
        on->setChecked(false);
        QVERIFY(!app.phoneServer()->isListening());
        QVERIFY(app.state().phonePageAddress.isEmpty());
        QVERIFY(!PhonePageOptions::load().on);
    }
};

QTEST_MAIN(TestPhoneServer)
#include "tst_phoneserver.moc"
