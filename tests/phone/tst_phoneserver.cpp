#include "apptesting.h"
#include "phoneserving.h"

#include "gui/app/setupscreen.h"

#include <QCheckBox>
#include <QLabel>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

namespace {

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
