#include "apptesting.h"
#include "phoneserving.h"

#include "gui/app/setupscreen.h"

#include <QCheckBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

namespace {

QString slips(PhoneServing &s)
{
    return slipSummary(s.folder, SlipFiles::kActive) + " / " + slipSummary(s.folder, SlipFiles::kCompleted);
}

void expectSafeHeaders(const PhoneServing::Answer &answer)
{
    QCOMPARE(answer.headers.value("cache-control"), QByteArray("no-store"));
    QCOMPARE(answer.headers.value("x-content-type-options"), QByteArray("nosniff"));
    QCOMPARE(answer.headers.value("x-frame-options"), QByteArray("DENY"));
    QCOMPARE(answer.headers.value("referrer-policy"), QByteArray("no-referrer"));
    QVERIFY(answer.headers.value("content-security-policy").startsWith("default-src 'self'"));
}

int logLines(PhoneServing &s)
{
    return int(s.root.read(PhoneServer::kLog).count('\n'));
}

QStringList slipNumbers(const QJsonValue &day)
{
    QStringList out;
    for (const QJsonValue &slip : day[QStringLiteral("slips")].toArray())
        out << QString::number(slip[QStringLiteral("slip")].toInt());
    return out;
}

} // namespace

class TestPhoneServer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    // Anything but the page and the technician's own day and slips is refused, and refused before a file changes.
    void refusals_data()
    {
        dataColumns<QString, QString, QString, bool, int>("method", "path", "body", "token", "status");
        dataRow("page", "GET", "/", "", false, 200);
        dataRow("a data file", "GET", "/ServiceSlips.txt", "", false, 404);
        dataRow("up and out", "GET", "/../ServiceSlips.txt", "", false, 404);
        dataRow("up and out, encoded", "GET", "/%2e%2e/%2e%2e/etc/passwd", "", false, 404);
        dataRow("the resource folder", "GET", "/phonepage/", "", false, 404);
        dataRow("page by post", "POST", "/", "", false, 405);
        dataRow("day without token", "GET", "/api/day", "", false, 401);
        dataRow("malformed JSON", "POST", "/api/slip/1001/complete", "{\"note\":", true, 400);
        dataRow("an array", "POST", "/api/slip/1001/complete", "[\"done\"]", true, 400);
        dataRow("a field too many", "POST", "/api/slip/1001/complete", "{\"note\":\"a\",\"status\":\"x\"}", true, 400);
        dataRow("a double quote", "POST", "/api/slip/1001/complete", "{\"note\":\"6\\\" pipe\"}", true, 400);
        dataRow("a character the files lack", "POST", "/api/slip/1001/complete", "{\"note\":\"\\u0141\"}", true, 400);
        dataRow("a note too long", "POST", "/api/slip/1001/complete",
                QString("{\"note\":\"%1\"}").arg(QString(201, 'x')), true, 400);
        dataRow("no reason", "POST", "/api/slip/1001/cantfinish", "{\"reason\":\"  \"}", true, 409);
        dataRow("slip 0", "POST", "/api/slip/0/start", "", true, 404);
        dataRow("beyond the numbers", "POST", "/api/slip/40000/start", "", true, 404);
        dataRow("another technician's slip", "POST", "/api/slip/1003/start", "", true, 409);
    }
    void refusals()
    {
        QFETCH(QString, method);
        QFETCH(QString, path);
        QFETCH(QString, body);
        QFETCH(bool, token);
        QFETCH(int, status);
        PhoneServing s;
        const QString before = slips(s);
        const auto answer = s.exchange(
            PhoneClient::request(method.toLatin1(), path.toLatin1(), body.toUtf8(), token ? s.token.toLatin1() : ""));
        QCOMPARE(answer.status, status);
        expectSafeHeaders(answer);
        QCOMPARE(slips(s), before);
        QCOMPARE(logLines(s), status >= 400 ? 1 : 0);
    }

    void dayShowsOwnSlipsInTimeOrder()
    {
        PhoneServing s;
        const auto answer = s.call("GET", "/api/day");
        QCOMPARE(answer.status, 200);
        const QJsonArray days = QJsonDocument::fromJson(answer.body)[QStringLiteral("days")].toArray();
        QCOMPARE(days.size(), 2);
        QCOMPARE(days[0][QStringLiteral("title")].toString(), QStringLiteral("Today, Monday 3/9/2026"));
        QCOMPARE(slipNumbers(days[0]), QStringList({"1002", "1001"}));
        QCOMPARE(days[1][QStringLiteral("title")].toString(), QStringLiteral("Tuesday 3/10/2026"));
        QCOMPARE(slipNumbers(days[1]), QStringList({"1004"}));

        // Unchanged costs a 304 and nothing more; a change anywhere in the slips gives a new version.
        const QByteArray tag = answer.headers.value("etag");
        QCOMPARE(s.call("GET", "/api/day", {}, "If-None-Match: " + tag + "\r\n").status, 304);
        writeActiveSlips(s.folder, {"1001|Assigned|Al|3/9/2026|10:00"});
        const auto changed = s.call("GET", "/api/day", {}, "If-None-Match: " + tag + "\r\n");
        QCOMPARE(changed.status, 200);
        QVERIFY(changed.headers.value("etag") != tag);
    }

    void changesAreStoredAndReported()
    {
        PhoneServing s;
        QSignalSpy changed(&s.server, &PhoneServer::phoneChanged);
        QCOMPARE(s.call("POST", "/api/slip/1002/start", "{}").status, 200);
        QVERIFY(slipSummary(s.folder, SlipFiles::kActive).contains("1002:In Progress"));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed[0][1].toString(), QStringLiteral("Al's phone"));

        // The board's rule holds: one slip in progress per technician; the refusal is passed on as it is.
        const auto second = s.call("POST", "/api/slip/1001/start");
        QCOMPARE(second.status, 409);
        QVERIFY(QJsonDocument::fromJson(second.body)[QStringLiteral("error")].toString().contains("Al"));
        QCOMPARE(changed.size(), 1);

        QCOMPARE(s.call("POST", "/api/slip/1002/complete", "{\"note\":\"New washer\\nfitted\"}").status, 200);
        QVERIFY(slipSummary(s.folder, SlipFiles::kCompleted).contains("1002:Complete"));
        QCOMPARE(changed.size(), 2);
    }

    void pairingCodeWorksOnce()
    {
        PhoneServing s;
        const QString code = s.tokens.pair(QStringLiteral("Bob"), QStringLiteral("Bob's phone")).code;
        const QByteArray body = "{\"code\":\"" + code.toLatin1() + "\"}";
        const auto paired = s.exchange(PhoneClient::request("POST", "/api/pair", body));
        QCOMPARE(paired.status, 200);
        const QByteArray token = QJsonDocument::fromJson(paired.body)[QStringLiteral("token")].toString().toLatin1();
        const auto day = s.exchange(PhoneClient::request("GET", "/api/day", {}, token));
        QCOMPARE(day.status, 200);
        QVERIFY(day.body.contains("\"slip\":1003") && !day.body.contains("\"slip\":1002"));
        QCOMPARE(s.exchange(PhoneClient::request("POST", "/api/pair", body)).status, 401);
    }

    void wrongTokensAreLimitedPerAddress()
    {
        PhoneServing s;
        qint64 now = 1000000;
        s.server.setMsecsSource([&now] { return now; });
        for (int i = 0; i < PhoneServer::kFailuresAllowed; ++i)
            QCOMPARE(s.exchange(PhoneClient::request("GET", "/api/day", {}, "guessedtoken0000" + QByteArray::number(i)))
                         .status,
                     401);
        const auto refused = s.call("GET", "/api/day"); // even the right token, for a while
        QCOMPARE(refused.status, 429);
        QCOMPARE(refused.headers.value("retry-after"), QByteArray("60"));
        QCOMPARE(s.call("GET", "/").status, 200);
        now += PhoneServer::kBlockMsecs + 1;
        QCOMPARE(s.call("GET", "/api/day").status, 200);
        QCOMPARE(logLines(s), PhoneServer::kFailuresAllowed + 1);
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
        QFETCH(QByteArray, request);
        QFETCH(int, status);
        PhoneServing s;
        const auto answer = s.exchange(request);
        QCOMPARE(answer.status, status);
        expectSafeHeaders(answer);
        QCOMPARE(logLines(s), 1);
        QCOMPARE(s.call("GET", "/").status, 200);
    }

    // A thousand requests of every bad kind: each answered, none writes a slip, each logged, the limit engages.
    void hostileRequests()
    {
        PhoneServing s;
        const QString before = slips(s);
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
        QCOMPARE(slips(s), before);
        QCOMPARE(logLines(s), 1000);
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
        QFETCH(QString, text);
        QFETCH(int, port);
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
