#include "phoneserving.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

// The phone page's answers, asked without a network: routing, tokens and codes, the day, changes, the limit on
// wrong tokens and the log.
namespace {

QString dayText(const PhoneApi::Reply &reply)
{
    QStringList days;
    for (const QJsonValue &day : QJsonDocument::fromJson(reply.body)[QStringLiteral("days")].toArray()) {
        days << day[QStringLiteral("title")].toString() + ':';
        for (const QJsonValue &slip : day[QStringLiteral("slips")].toArray())
            days.last() += ' ' + QString::number(slip[QStringLiteral("slip")].toInt());
    }
    return days.join(" | ");
}

QString error(const PhoneApi::Reply &reply)
{
    return QJsonDocument::fromJson(reply.body)[QStringLiteral("error")].toString();
}

} // namespace

class TestPhoneApi : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    // Anything but the page and the technician's own day and slips is refused, and refused before a file changes;
    // each refusal is logged.
    void refusals_data()
    {
        dataColumns<QString, QString, QString, bool, int, QString>("method", "path", "body", "token", "status", "said");
        dataRow("page", "GET", "/", "", false, 200, "");
        dataRow("a data file", "GET", "/ServiceSlips.txt", "", false, 404, "");
        dataRow("up and out", "GET", "/../ServiceSlips.txt", "", false, 404, "");
        dataRow("up and out, encoded", "GET", "/%2e%2e/%2e%2e/etc/passwd", "", false, 404, "");
        dataRow("the resource folder", "GET", "/phonepage/", "", false, 404, "");
        dataRow("page by post", "POST", "/", "", false, 405, "");
        dataRow("day by post", "POST", "/api/day", "", true, 405, "");
        dataRow("day without token", "GET", "/api/day", "", false, 401, "This phone is not paired with the office.");
        dataRow("malformed JSON", "POST", "/api/slip/1001/complete", "{\"note\":", true, 400,
                "The request is not understood.");
        dataRow("an array", "POST", "/api/slip/1001/complete", "[\"done\"]", true, 400,
                "The request is not understood.");
        dataRow("a field too many", "POST", "/api/slip/1001/complete", "{\"note\":\"a\",\"status\":\"x\"}", true, 400,
                "The request is not understood.");
        dataRow("a request id too short", "POST", "/api/slip/1001/start", R"({"request":"short"})", true, 400,
                "The request is not understood.");
        dataRow("a double quote", "POST", "/api/slip/1001/complete", "{\"note\":\"6\\\" pipe\"}", true, 400,
                "This character, (\") is invalid for this field");
        dataRow("a character the files lack", "POST", "/api/slip/1001/complete", "{\"note\":\"\\u0141\"}", true, 400,
                QString::fromUtf8("The character \"\xC5\x81\" cannot be stored in the data files. Please type "
                                  "another character."));
        dataRow("a note too long", "POST", "/api/slip/1001/complete",
                QString("{\"note\":\"%1\"}").arg(QString(201, 'x')), true, 400,
                "The text is longer than 200 characters.");
        dataRow("a body too long", "POST", "/api/slip/1001/complete", QString(5000, ' '), true, 413, "");
        // Whether a reason is needed is the status rule's to say, in its words.
        dataRow("no reason", "POST", "/api/slip/1001/cantfinish", "{\"reason\":\"  \"}", true, 409,
                "Say why the job cannot be finished");
        dataRow("slip 0", "POST", "/api/slip/0/start", "", true, 404, "");
        dataRow("beyond the numbers", "POST", "/api/slip/40000/start", "", true, 404, "");
        dataRow("another technician's slip", "POST", "/api/slip/1003/start", "", true, 409,
                "Slip 1003 is not among your active slips");
    }
    void refusals()
    {
        auto [method, path, body, token, status] =
            fetched<QString, QString, QString, bool, int>("method", "path", "body", "token", "status");
        PhoneDesk d;
        const QString before = d.slips();
        const auto reply = d.ask(method.toLatin1(), path.toLatin1(), body.toUtf8(),
                                 token ? std::nullopt : std::optional<QByteArray>(QByteArray()));
        QCOMPARE(reply.status, status);
        QTEST(error(reply), "said");
        QCOMPARE(d.slips(), before);
        QCOMPARE(d.logLines(), status >= 400 ? 1 : 0);
    }

    void dayShowsOwnSlipsInTimeOrder()
    {
        PhoneDesk d;
        const auto reply = d.ask("GET", "/api/day");
        QCOMPARE(dayText(reply), "Today, Monday 3/9/2026: 1002 1001 | Tuesday 3/10/2026: 1004");

        // Unchanged costs a 304 and nothing more; a change anywhere in the slips gives a new version.
        QByteArray tag;
        for (const auto &[key, value] : reply.headers)
            tag = key == "ETag" ? value : tag;
        QCOMPARE(d.ask("GET", "/api/day", {}, std::nullopt, {{"If-None-Match", tag}}).status, 304);
        writeActiveSlips(d.folder, {"1001|Assigned|Al|3/9/2026|10:00"});
        QCOMPARE(dayText(d.ask("GET", "/api/day", {}, std::nullopt, {{"If-None-Match", tag}})),
                 "Today, Monday 3/9/2026: 1001 | Tuesday 3/10/2026:");
    }

    void changesAreStoredAndReported()
    {
        PhoneDesk d;
        QStringList told;
        d.api.setOnStored([&](const PhoneWork::Outcome &outcome, const QString &phone) {
            told << QStringLiteral("%1 %2 %3")
                        .arg(outcome.after.int16(SlipField::SlipNo))
                        .arg(outcome.after.text(SlipField::Status), phone);
        });
        QCOMPARE(d.ask("POST", "/api/slip/1002/start", "{}").status, 200);
        QVERIFY(slipSummary(d.folder, SlipFiles::kActive).contains("1002:In Progress"));
        QVERIFY(told.isEmpty()); // the office hears of it after the answer, never before it

        // The board's rule holds: one slip in progress per technician; the refusal is passed on as it is.
        const auto second = d.ask("POST", "/api/slip/1001/start");
        QCOMPARE(second.status, 409);
        QCOMPARE(error(second), "Al is already signed out");

        // Sent twice with the page's id (its first answer lost): the same answer, stored and told once.
        for (int i = 0; i < 2; ++i)
            QCOMPARE(d.ask("POST", "/api/slip/1002/complete", R"({"note":"New","request":"tap-1002c"})").body,
                     R"({"at":"09:00","stored":true})");
        QVERIFY(slipSummary(d.folder, SlipFiles::kCompleted).contains("1002:Complete"));
        QTRY_COMPARE(told, QStringList({"1002 In Progress Al's phone", "1002 Complete Al's phone"}));
    }

    // Wrong tokens, wrong codes and malformed pairings count alike per address: past the limit its guesses are
    // refused for a while, a good code too, but a paired phone's token is still served; other addresses go on.
    // A good code then gives its phone's token.
    void guessesAreLimitedPerAddress()
    {
        PhoneDesk d;
        qint64 now = 1000000;
        d.api.setMsecsSource([&now] { return now; });
        const QByteArray code = "{\"code\":\"" + d.tokens.pair("Bob", "Bob's phone").code.toLatin1() + "\"}";
        auto pair = [&d](const QByteArray &body) { return d.ask("POST", "/api/pair", body, QByteArray()); };
        for (int i = 0; i < PhoneApi::kFailuresAllowed; ++i) {
            const QByteArray n = QByteArray::number(i);
            const int status = i % 3 == 0   ? d.ask("GET", "/api/day", {}, "guessedtoken0000" + n).status
                               : i % 3 == 1 ? pair("{\"code\":\"ZZZZ999" + n + "\"}").status
                                            : pair("{\"code\":7}").status;
            QCOMPARE(status, i % 3 == 2 ? 400 : 401);
        }
        const auto refused = d.ask("GET", "/api/day", {}, "guessedtoken00000");
        QCOMPARE(refused.status, 429);
        QVERIFY(refused.headers == (PhoneApi::Headers{{"Retry-After", "60"}}));
        QCOMPARE(pair(code).status, 429);
        QVERIFY(d.ask("GET", "/api/day").status == 200 && d.ask("GET", "/").status == 200);
        QCOMPARE(d.api.answer({"GET", "/api/day", "/api/day", {}, {}, QStringLiteral("192.168.1.21")}).status, 401);
        now += PhoneApi::kBlockMsecs - 1;
        QCOMPARE(d.ask("GET", "/api/day", {}, QByteArray(20, 'g')).status, 429);
        now += 2;
        const auto paired = pair(code); // Bob's token, once (tests/phone/tst_phonetokens)
        const QByteArray token = QJsonDocument::fromJson(paired.body)[QStringLiteral("token")].toString().toLatin1();
        QVERIFY(d.ask("GET", "/api/day", {}, token).body.contains("\"slip\":1003"));
        QCOMPARE(d.logLines(), PhoneApi::kFailuresAllowed + 5);
    }

    // No token or one-time code reaches the log, wherever a request carries it (the method, the path, the query,
    // percent-encoded, past the length the log keeps); a repeated guess shows the same mark, the page's own paths
    // stay readable.
    void logHoldsNoSecret()
    {
        PhoneDesk d;
        const QByteArray token = d.token.toLatin1(), code = d.tokens.pair("Bob", "b").code.toLatin1();
        const QByteArray dashed = code.toLower().insert(4, '-');
        const QList<QPair<QByteArray, QByteArray>> requests = {
            {"POST", "/api/day?token=" + token},
            {"GET", "/api/day/" + token},
            {token, "/api/day"},
            {"POST", "/api/pair/" + dashed},
            {"GET", "/api/pair?code=" + code},
            {"GET", "/x%2F" + token.left(20) + "%0A" + token.mid(20)},
            {"GET", "/" + QByteArray(190, 'a') + "/" + token},
            {"GET", "/#" + token.left(6) + "/#" + token},
            {"GET", "/api/slip/1001/complete?" + code.left(4) + '+' + code.mid(4)}};
        for (const auto &[method, target] : requests)
            d.ask(method, target, "{\"code\":\"" + code + "\"}"); // Al's token in its header too
        const QByteArray log = d.root.read(PhoneApi::kLog);
        QCOMPARE(log.count('\n'), requests.size());
        for (const QByteArray &secret : {token, code, dashed})
            for (qsizetype i = 0; i + 8 <= secret.size(); ++i)
                QVERIFY2(!log.contains(secret.mid(i, 8)), log.constData());
        QCOMPARE(PhoneApi::loggable("/" + token).mid(1), PhoneApi::loggable("?token=" + token).mid(7));
        QCOMPARE(PhoneApi::loggable("/api/slip/1001/cantfinish"), "/api/slip/1001/cantfinish");
    }
};

QTEST_MAIN(TestPhoneApi)
#include "tst_phoneapi.moc"
