#include "core/clock.h"
#include "phone/phonetokens.h"
#include "testsupport.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QTest>

namespace {

const QDateTime kPaired(QDate(2026, 12, 7), QTime(10, 0));

QByteArray hashHex(const QString &text)
{
    return QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256).toHex();
}

struct Bench
{
    TestRoot root;
    FixedClock clock{kPaired};
    DataFolder folder = root.folder();
    PhoneTokens tokens{folder, clock};
    QByteArray file() const { return root.read(PhoneTokens::kFile); }
};

} // namespace

class TestPhoneTokens : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    // A token is 32 random bytes in base64url; only its SHA-256 reaches the file, never the token or the code.
    // Phones are revoked one by one, follow a renamed technician and go with a deleted one, in the file too.
    void pairedPhones()
    {
        Bench b;
        const auto al1 = b.tokens.pair("Al", "Al's phone"), al2 = b.tokens.pair("Al", "two"),
                   bob = b.tokens.pair("Bob", "b");
        QVERIFY(QRegularExpression("^[A-Za-z0-9_-]{43}$").match(al1.token).hasMatch() && al1.token != al2.token);
        QVERIFY(QRegularExpression("^[A-HJKMNP-Z2-9]{8}$").match(al1.code).hasMatch());
        QCOMPARE(al1.codeExpires, kPaired.addSecs(15 * 60));
        QVERIFY(b.file().contains(al1.id.toLatin1() + '\t' + hashHex(al1.token) +
                                  "\t2026-12-07T10:00:00\t\tAl\tAl's phone\n"));
        QVERIFY(!b.file().contains(al1.token.toLatin1()) && !b.file().contains(al1.code.toLatin1()));
        QString wrong = al1.token;
        wrong[42] = wrong[42] == 'A' ? 'B' : 'A';
        QVERIFY(!b.tokens.check(wrong) && !b.tokens.check(al1.token.left(42)) && !b.tokens.check({}));
        QCOMPARE(b.tokens.check(al1.token)->label + '|' + b.tokens.check(al1.token)->id, "Al's phone|" + al1.id);
        b.tokens.revoke(al1.id);
        b.tokens.renameTechnician("Al", "Alan");
        b.tokens.removeTechnician("Bob");
        PhoneTokens reread(b.folder, b.clock);
        QCOMPARE(reread.check(al2.token)->technician, "Alan");
        QVERIFY(!reread.check(bob.token) && !reread.check(al1.token) && !b.tokens.check(bob.token));
        QCOMPARE(b.file().count('\n'), 2); // the heading and Alan's phone
    }

    void oneTimeCode_data()
    {
        dataColumns<QString, bool>("before", "redeemed");
        dataRow("typed as shown", "", true);
        dataRow("lower case, with a dash", "lower", true);
        dataRow("15 minutes on", "expire", false);
        dataRow("used once already", "redeem", false);
        dataRow("the phone holds its token", "check", false);
        dataRow("technician deleted", "remove", false);
    }
    // A code gives its token once, within 15 minutes, while the phone is paired and has not used its token yet.
    void oneTimeCode()
    {
        auto [before, redeemed] = fetched<QString, bool>("before", "redeemed");
        Bench b;
        const auto pairing = b.tokens.pair("Al", "Al's phone");
        QString typed = pairing.code;
        if (before == "lower")
            typed = typed.toLower().insert(4, '-');
        else if (before == "expire")
            b.clock.set(kPaired.addSecs(15 * 60));
        else if (before == "redeem")
            QCOMPARE(b.tokens.redeem(typed), pairing.token);
        else if (before == "check")
            QVERIFY(b.tokens.check(pairing.token));
        else if (before == "remove")
            b.tokens.removeTechnician("Al");
        QCOMPARE(b.tokens.redeem(typed), redeemed ? std::optional(pairing.token) : std::nullopt);
    }

    // Last uses reach the file at most every five minutes, and at flush().
    void lastUseWrittenSeldom()
    {
        Bench b;
        const auto pairing = b.tokens.pair("Al", "Al's phone");
        const QByteArray paired = b.file();
        for (int seconds : {60, 299, 300, 360}) {
            b.clock.set(kPaired.addSecs(seconds));
            QVERIFY(b.tokens.check(pairing.token));
            QCOMPARE(b.file() == paired, seconds < 300);
        }
        QVERIFY(b.file().contains("\t2026-12-07T10:05:00\tAl\t"));
        b.tokens.flush();
        QVERIFY(b.file().contains("\t2026-12-07T10:06:00\tAl\t"));
    }

    // A damaged line is left out and the others still pair; nothing of the damage crashes.
    void damagedFile()
    {
        Bench b;
        const QString token(43, 'A');
        const QByteArray good = "ab12\t" + hashHex(token) + "\t2026-12-01T08:00:00\t\tAl\tAl's phone", x = hashHex("x");
        b.root.write(PhoneTokens::kFile,
                     QList<QByteArray>{"# heading", good, "ab12\t" + x + "\t2026-12-01T08:00:00\t\tBob\tsame id",
                                       "cd34\t" + QByteArray(64, 'z') + "\t2026-12-01T08:00:00\t\tBob\tnot hex",
                                       "ef56\t" + x + "\tyesterday\t\tBob\tbad date",
                                       "gh78\t" + x + "\t2026-12-01T08:00:00\t\t\tno technician", "only\ttwo",
                                       QByteArray("\0\xff\x01 binary\r", 11), QByteArray(3000, 'x')}
                         .join('\n'));
        QCOMPARE(b.tokens.damagedLines(), 7);
        QCOMPARE(b.tokens.check(token)->label, "Al's phone");
        QVERIFY(b.tokens.phones("Bob").empty());
        b.tokens.pair("Bob", "new");
        QVERIFY(b.file().contains(QByteArray(good).replace("\t\tAl", "\t2026-12-07T10:00:00\tAl") + '\n'));
        QCOMPARE(b.file().count('\n'), 3);
    }
};

QTEST_GUILESS_MAIN(TestPhoneTokens)
#include "tst_phonetokens.moc"
