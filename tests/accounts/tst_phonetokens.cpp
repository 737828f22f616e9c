#include "accounts/phonetokens.h"
#include "core/clock.h"
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
    void onlyHashesStored()
    {
        Bench b;
        const auto pairing = b.tokens.pair("Al", "Al's phone");
        QVERIFY(QRegularExpression("^[A-Za-z0-9_-]{43}$").match(pairing.token).hasMatch());
        QVERIFY(QRegularExpression("^[A-HJKMNP-Z2-9]{8}$").match(pairing.code).hasMatch());
        QCOMPARE(pairing.codeExpires, kPaired.addSecs(15 * 60));
        QVERIFY(b.file().contains(pairing.id.toLatin1() + '\t' + hashHex(pairing.token) +
                                  "\t2026-12-07T10:00:00\t\tAl\tAl's phone\n"));
        QVERIFY(!b.file().contains(pairing.token.toLatin1()) && !b.file().contains(pairing.code.toLatin1()));
        QVERIFY(b.tokens.pair("Al", "Spare").token != pairing.token);
        QString wrong = pairing.token;
        wrong[42] = wrong[42] == 'A' ? 'B' : 'A';
        QVERIFY(!b.tokens.check(wrong) && !b.tokens.check(pairing.token.left(42)) && !b.tokens.check({}));
        const auto phone = b.tokens.check(pairing.token);
        QVERIFY(phone);
        QCOMPARE(phone->technician + '|' + phone->label + '|' + phone->id, "Al|Al's phone|" + pairing.id);
    }

    void oneTimeCode_data()
    {
        dataColumns<QString, bool>("before", "redeemed");
        dataRow("typed as shown", "", true);
        dataRow("lower case, with a dash", "lower", true);
        dataRow("15 minutes on", "expire", false);
        dataRow("used once already", "redeem", false);
        dataRow("the phone holds its token", "check", false);
        dataRow("phone revoked", "revoke", false);
        dataRow("technician deleted", "remove", false);
    }
    // A code gives its token once, within 15 minutes, while the phone is paired and has not used its token yet.
    void oneTimeCode()
    {
        QFETCH(QString, before);
        QFETCH(bool, redeemed);
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
        else if (before == "revoke")
            b.tokens.revoke(pairing.id);
        else if (before == "remove")
            b.tokens.removeTechnician("Al");
        QCOMPARE(b.tokens.redeem(typed), redeemed ? std::optional(pairing.token) : std::nullopt);
    }

    // Revoked one by one; a renamed technician takes the phones along; a deleted one loses them. The file says so.
    void revokeRenameRemove()
    {
        Bench b;
        const auto al1 = b.tokens.pair("Al", "one"), al2 = b.tokens.pair("Al", "two"), bob = b.tokens.pair("Bob", "b");
        b.tokens.revoke(al1.id);
        QVERIFY(!b.tokens.check(al1.token));
        b.tokens.renameTechnician("Al", "Alan");
        QVERIFY(b.tokens.phones("Al").empty());
        QCOMPARE(b.tokens.check(al2.token)->technician, "Alan");
        b.tokens.removeTechnician("Bob");
        QVERIFY(!b.tokens.check(bob.token));
        PhoneTokens reread(b.folder, b.clock);
        QCOMPARE(reread.phones("Alan").size(), 1u);
        QVERIFY(reread.check(al2.token) && !reread.check(bob.token) && !reread.check(al1.token));
        QCOMPARE(b.file().count('\n'), 2); // the heading and Alan's phone
    }

    // Last uses reach the file at most every five minutes, and at flush() and when the tokens go.
    void lastUseWrittenSeldom()
    {
        Bench b;
        const auto pairing = b.tokens.pair("Al", "Al's phone");
        const QByteArray paired = b.file();
        b.clock.set(kPaired.addSecs(60));
        QVERIFY(b.tokens.check(pairing.token));
        QCOMPARE(b.file(), paired);
        b.clock.set(kPaired.addSecs(5 * 60));
        QVERIFY(b.tokens.check(pairing.token));
        QVERIFY(b.file().contains("\t2026-12-07T10:05:00\tAl\t"));
        b.clock.set(kPaired.addSecs(6 * 60));
        QVERIFY(b.tokens.check(pairing.token));
        b.tokens.flush();
        QVERIFY(b.file().contains("\t2026-12-07T10:06:00\tAl\t"));
        {
            PhoneTokens other(b.folder, b.clock);
            b.clock.set(kPaired.addSecs(7 * 60));
            QVERIFY(other.check(pairing.token));
            b.clock.set(kPaired.addSecs(8 * 60));
            QVERIFY(other.check(pairing.token));
        }
        QVERIFY(b.file().contains("\t2026-12-07T10:08:00\tAl\t"));
    }

    // A damaged line is left out and the others still pair; nothing of the damage crashes.
    void damagedFile()
    {
        Bench b;
        const QString token(43, 'A');
        const QByteArray good = "ab12\t" + hashHex(token) + "\t2026-12-01T08:00:00\t\tAl\tAl's phone\n";
        b.root.write(PhoneTokens::kFile, "# heading\n" + good + "ab12\t" + hashHex("x") +
                                             "\t2026-12-01T08:00:00\t\tBob\tduplicate id\n"
                                             "cd34\t" +
                                             hashHex("y").left(60) +
                                             "\t2026-12-01T08:00:00\t\tBob\tshort\n"
                                             "ef56\t" +
                                             hashHex("z") +
                                             "\tyesterday\t\tBob\tbad date\n"
                                             "gh78\t" +
                                             hashHex("w") +
                                             "\t2026-12-01T08:00:00\t\t\tno technician\n"
                                             "only\ttwo\n" +
                                             QByteArray("\0\xff\x01 binary\r\n", 12) + QByteArray(3000, 'x') + "\n");
        QCOMPARE(b.tokens.damagedLines(), 7);
        QCOMPARE(b.tokens.check(token)->label, "Al's phone");
        QVERIFY(b.tokens.phones("Bob").empty());
        b.tokens.pair("Bob", "new");
        QVERIFY(b.file().contains(QByteArray(good).replace("\t\tAl", "\t2026-12-07T10:00:00\tAl")));
        QCOMPARE(b.file().count('\n'), 3);
    }
};

QTEST_GUILESS_MAIN(TestPhoneTokens)
#include "tst_phonetokens.moc"
