#include "apptesting.h"
#include "phoneserving.h"

#include "gui/app/setupscreen.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include <sys/resource.h>

namespace {

// A connection as a misbehaving client holds it, from `from` (one of the loopback's addresses).
struct RawClient
{
    QSslSocket socket;
    RawClient(quint16 port, const QString &from = QStringLiteral("127.0.0.1"))
    {
        socket.bind(QHostAddress(from));
        socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    }
    bool open() const { return socket.state() == QAbstractSocket::ConnectedState; }
};

int openCount(const std::vector<std::unique_ptr<RawClient>> &clients, int from = 0)
{
    return int(std::count_if(clients.begin() + from, clients.end(), [](const auto &c) { return c->open(); }));
}

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
    // headers; a stored change is told to whatever board is open.
    void servedOverTls()
    {
        PhoneServing s;
        QSignalSpy changed(&s.server, &PhoneServer::phoneChanged);
        const auto page = s.exchange(PhoneClient::request("GET", "/"));
        QCOMPARE(page.status, 200);
        expectSafeHeaders(page);
        const auto refused = s.exchange(PhoneClient::request("GET", "/api/day", {}, "guessedtoken00000"));
        QCOMPARE(refused.status, 401);
        expectSafeHeaders(refused);
        QCOMPARE(s.call("POST", "/api/slip/1002/start", "{}").status, 200);
        QVERIFY(slipSummary(s.folder, SlipFiles::kActive).contains("1002:In Progress"));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed[0][1].toString(), QStringLiteral("Al's phone"));
        QCOMPARE(s.logLines(), 1);
    }

    // Too much is answered and the connection closed before the body or the rest is taken in.
    void oversizedRequests_data()
    {
        dataColumns<QByteArray, int>("request", "status");
        dataRow("body longer than allowed", PhoneClient::request("POST", "/api/pair", QByteArray(5000, 'x')), 413);
        dataRow("a length in the billions",
                QByteArray("POST /api/pair HTTP/1.1\r\nHost: a\r\nContent-Length: 99999999999\r\n\r\n{}"), 413);
        dataRow(
            "a body in chunks",
            QByteArray("POST /api/pair HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: chunked\r\n\r\n2\r\n{}\r\n0\r\n\r\n"),
            411);
        dataRow("a very long address", "GET /" + QByteArray(20000, 'a') + " HTTP/1.1\r\nHost: a\r\n\r\n", 414);
        dataRow("headers without end", QByteArray("GET / HTTP/1.1\r\nX-Filler: ") + QByteArray(14000, 'b') + "\r\n\r\n",
                413);
    }
    void oversizedRequests()
    {
        auto [request, status] = fetched<QByteArray, int>("request", "status");
        PhoneServing s;
        const auto answer = s.exchange(request);
        QCOMPARE(answer.status, status);
        expectSafeHeaders(answer);
        QCOMPARE(s.logLines(), 1);
        QCOMPARE(s.call("GET", "/").status, 200);
    }

    // A thousand requests of every bad kind: each answered, none writes a slip, each logged, the limit engages.
    void hostileRequests()
    {
        PhoneServing s;
        const QString before = s.slips();
        const QByteArray token = s.token.toLatin1();
        const QList<QByteArray> kinds = {
            PhoneClient::request("GET", "/api/day", {}, "wrongwrongwrongwrong"),
            PhoneClient::request("POST", "/api/slip/1001/start", {}, "AAAAAAAAAAAAAAAAAAAAAAAAA"),
            PhoneClient::request("POST", "/api/pair", "{\"code\":\"ZZZZ9999\"}"),
            PhoneClient::request("POST", "/api/slip/1001/complete", QByteArray(6000, '{'), token),
            PhoneClient::request("POST", "/api/slip/1001/complete", "{\"note\":[1,2", token),
            PhoneClient::request("POST", "/api/slip/1001/cantfinish", "{\"reason\":{}}", token),
            PhoneClient::request("GET", "/../ServiceSlips.txt"),
            PhoneClient::request("GET", "/%2e%2e/CustomerData.txt"),
            PhoneClient::request("GET", "/app.js/../../PhonePairs.txt"),
            "GET /" + QByteArray(16000, '%') + " HTTP/1.1\r\nHost: a\r\n\r\n",
            token + " /api/day?token=" + token + QByteArray(16000, 'a') + " HTTP/1.1\r\nHost: a\r\n\r\n",
            PhoneClient::request("DELETE", "/api/day", {}, token),
            PhoneClient::request("PUT", "/api/slip/1001/start", "{}", token),
            PhoneClient::request("GET", "/api/slip/1003/start", {}, token),
        };
        QMap<int, int> statuses;
        for (int i = 0; i < 1000; ++i) {
            const int status = s.exchange(kinds[i % kinds.size()]).status;
            QVERIFY2(status >= 400, qPrintable(QString("request %1 answered %2").arg(i).arg(status)));
            ++statuses[status];
        }
        QVERIFY(statuses.value(429) > 0);
        QVERIFY(statuses.value(404) > 0 && statuses.value(405) > 0 && statuses.value(413) > 0);
        QCOMPARE(s.slips(), before);
        QCOMPARE(s.logLines(), 1000);
        for (qsizetype i = 0; i + 8 <= token.size(); ++i) // the token in the method and the address, cut short
            QVERIFY(!s.root.read(PhoneApi::kLog).contains(token.mid(i, 8)));
        QCOMPARE(s.call("GET", "/").status, 200);
    }

    // Whatever a connection does short of a request in time, it is closed at its deadline, answered or not.
    void connectionDeadlines_data()
    {
        dataColumns<bool, QByteArray, int, bool, int>("tls", "sent", "msecsPerByte", "answered", "closedAfter");
        const QByteArray request = PhoneClient::request("GET", "/icon.svg");
        dataRow("never starting TLS", false, QByteArray(), 0, false, 400);
        dataRow("half a request, then silence", true, request.left(20), 0, false, 400);
        dataRow("a byte at a time", true, request, 100, false, 400);
        dataRow("kept open after an answer", true, request, 0, true, 1000);
    }
    void connectionDeadlines()
    {
        auto [tls, sent, msecsPerByte, answered, closedAfter] =
            fetched<bool, QByteArray, int, bool, int>("tls", "sent", "msecsPerByte", "answered", "closedAfter");
        PhoneServing s;
        s.server.setConnectionLimits({400, 400, 1000});
        QElapsedTimer clock;
        clock.start();
        RawClient client(s.server.port());
        QTRY_VERIFY(client.open());
        if (tls) {
            QSslConfiguration config = QSslConfiguration::defaultConfiguration();
            config.setCaCertificates({s.server.certificate()});
            client.socket.setSslConfiguration(config);
            client.socket.startClientEncryption();
            QTRY_VERIFY(client.socket.isEncrypted());
        }
        for (qsizetype i = 0; i < sent.size() && client.open(); i += msecsPerByte ? 1 : sent.size()) {
            client.socket.write(sent.mid(i, msecsPerByte ? 1 : -1));
            QTest::qWait(msecsPerByte);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!client.open(), 5000);
        QVERIFY2(clock.elapsed() >= closedAfter - 100 && clock.elapsed() < closedAfter + 1500,
                 qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(client.socket.readAll().startsWith("HTTP/1.1 200"), answered);
        QCOMPARE(s.server.openConnections(), 0);
    }

    // Past the caps the connection that waited longest goes (the address's own first), never one in the middle
    // of a request; a phone's request still goes through at once with hundreds of idle connections held open.
    void connectionCaps()
    {
        PhoneServing s;
        ConnectionLimits limits;
        limits.perAddress = 3;
        limits.total = 4;
        s.server.setConnectionLimits(limits);
        std::vector<std::unique_ptr<RawClient>> clients;
        quint16 port = s.server.port();
        auto add = [&](const char *from, const QByteArray &sent = {}) {
            clients.push_back(std::make_unique<RawClient>(port, from));
            clients.back()->socket.write(sent);
            QTest::qWait(50);
        };
        for (const char *from : {"127.0.0.2", "127.0.0.2", "127.0.0.3", "127.0.0.3", "127.0.0.3", "127.0.0.3"})
            add(from);
        // At the total the oldest of all went (.2's first); then .3 made room among its own (its first went).
        QTRY_COMPARE(openCount(clients), 4);
        QVERIFY(!clients[0]->open() && clients[1]->open() && !clients[2]->open());
        QCOMPARE(s.server.openConnections(), 4);

        PhoneServing t(true); // requests under way over plain HTTP, so that they are under way at once
        limits.total = 100;
        t.server.setConnectionLimits(limits);
        clients.clear();
        port = t.server.port();
        add("127.0.0.4", "GET / HTTP/1.1\r\n");
        add("127.0.0.4");
        add("127.0.0.4", "GET / HTTP/1.1\r\n");
        add("127.0.0.4", "GET / HTTP/1.1\r\n"); // the idle one went to make room
        QTRY_VERIFY(clients[0]->open() && !clients[1]->open() && clients[2]->open());
        add("127.0.0.4"); // all three in the middle of a request: refused
        QTRY_VERIFY(!clients[4]->open());
        QCOMPARE(openCount(clients), 3);

        clients.clear();
        for (int i = 0; i < 300; ++i)
            clients.push_back(std::make_unique<RawClient>(s.server.port()));
        QTRY_COMPARE(s.server.openConnections(), limits.perAddress);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(s.call("GET", "/api/day").status, 200);
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(s.server.openConnections() <= 4);
    }

    // Near the limit of open files new connections are refused, so that the office's own saves find their
    // handles; once they close, the page is served again.
    void fileHandleReserve()
    {
        PhoneServing s;
        ConnectionLimits limits;
        limits.fileReserve = 20;
        s.server.setConnectionLimits(limits);
        rlimit saved{};
        getrlimit(RLIMIT_NOFILE, &saved);
        const int lowestFree = ::dup(0);
        ::close(lowestFree);
        rlimit lowered = saved;
        lowered.rlim_cur = rlim_t(lowestFree + 30 + 4 + limits.fileReserve);
        setrlimit(RLIMIT_NOFILE, &lowered);
        std::vector<std::unique_ptr<RawClient>> clients;
        for (int i = 0; i < 30; ++i)
            clients.push_back(std::make_unique<RawClient>(s.server.port(), QStringLiteral("127.0.0.%1").arg(2 + i)));
        QTest::qWait(200);
        const int served = s.server.openConnections();
        std::vector<std::unique_ptr<QFile>> files;
        for (int i = 0; i < limits.fileReserve - 4; ++i) {
            files.push_back(std::make_unique<QFile>(QStringLiteral("/dev/null")));
            files.back()->open(QIODevice::ReadOnly);
        }
        const bool filesOpened = std::all_of(files.begin(), files.end(), [](const auto &f) { return f->isOpen(); });
        files.clear();
        s.folder.writeFile(QStringLiteral("/Probe.txt"), "kept");
        setrlimit(RLIMIT_NOFILE, &saved);
        QVERIFY2(served >= 1 && served <= 6, qPrintable(QString::number(served)));
        QVERIFY(filesOpened);
        QCOMPARE(s.root.read("/Probe.txt"), QByteArray("kept"));
        clients.clear();
        QCOMPARE(s.call("GET", "/").status, 200);
    }

    void portInUseIsSaid()
    {
        PhoneServing s;
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
    }

    void certificateIsKeptAndPrivate()
    {
        QTemporaryDir dir;
        const auto first = PhoneCertificate::loadOrMake(dir.path(), {"127.0.0.1"});
        QVERIFY(first.isValid());
        QCOMPARE(first.fingerprint().size(), 32 * 3 - 1);
        QCOMPARE(QFile::permissions(dir.path() + "/key.pem") & 0x0777, QFileDevice::ReadUser | QFileDevice::WriteUser);
        QCOMPARE(PhoneCertificate::loadOrMake(dir.path(), {"127.0.0.1"}).fingerprint(), first.fingerprint());
        // Served on another address, it is made anew for that address.
        const auto moved = PhoneCertificate::loadOrMake(dir.path(), {"192.168.7.20"});
        QVERIFY(moved.fingerprint() != first.fingerprint());
        QVERIFY(moved.certificate.subjectAlternativeNames().values(QSsl::IpAddressEntry).contains("192.168.7.20"));
    }

    void portAsTyped_data()
    {
        dataColumns<QString, int>("text", "port");
        dataRow("usual", "8443", 8443);
        dataRow("below the users' ports", "1023", 0);
        dataRow("beyond", "65536", 0);
        dataRow("letters", "84a3", 0);
    }
    void portAsTyped()
    {
        auto [text, port] = fetched<QString, int>("text", "port");
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
