#include "accounts/customeraccounts.h"
#include "accounts/customerfile.h"
#include "billing/accountfiles.h"
#include "billing/accounthistoryrecord.h"
#include "billing/accountuse.h"
#include "billing/posting.h"
#include "billing/postingrecords.h"
#include "core/clock.h"
#include "core/diskerror.h"
#include "customersamples.h"
#include "dispatch/agreementrecord.h"
#include "dispatch/agreements.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "testsupport.h"
#include "tools/datacheck.h"

#include <QDirIterator>
#include <QtTest>

using namespace AccountFiles;
using F = AccountHistoryField::Field;

namespace {

const QDate kToday = FixedClock(QDateTime(QDate(2026, 3, 7), QTime(10, 0))).today();

Money dollars(double amount)
{
    return Money::fromRaw(qint64(std::llround(amount * Money::kScale)));
}

QStringList fieldsOf(const Record &r)
{
    return {r.text(F::Name), r.text(F::AcctNo), r.text(F::Date), r.text(F::Description), r.text(F::Amount)};
}

std::vector<Record> recordsOf(const TestRoot &root, const QString &file)
{
    return root.folder().readRecords(file, accountHistoryLayout());
}

} // namespace

class TestAccountFiles : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { useTestSettingsStore(); }

    void chargesFollowTheOpeningRecord()
    {
        TestRoot root;
        const DataFolder folder = root.folder();
        QCOMPARE(
            appendAccountRecord(folder, {" 1001 ", "Jane Doe", dollars(85.5), "Slip 1004", QDate(2026, 3, 6)}, kToday),
            2);
        QCOMPARE(appendAccountRecord(folder, {"1001", "Jane Doe", dollars(1234.5), "Slip 1010", kToday}, kToday), 3);
        QCOMPARE(root.read("/VIActiveAccounts/1001.txt").size(), 3 * 155);
        auto records = recordsOf(root, "/VIActiveAccounts/1001.txt");
        QCOMPARE(fieldsOf(records[0]), QStringList({"Jane Doe", "1001", "3/7/2026", "Previous Balance", "$0.00"}));
        QCOMPARE(fieldsOf(records[1]), QStringList({"Jane Doe", "1001", "3/6/2026", "Slip 1004", "$85.50"}));
        QCOMPARE(fieldsOf(records[2]), QStringList({"Jane Doe", "1001", "3/7/2026", "Slip 1010", "$1,234.50"}));

        createAccountFile(folder, "1001", "New Name", QDate(2026, 4, 1)); // replaces record 1 only
        records = recordsOf(root, "/VIActiveAccounts/1001.txt");
        QCOMPARE(records.size(), std::size_t(3));
        QCOMPARE(fieldsOf(records[0]), QStringList({"New Name", "1001", "4/1/2026", "Previous Balance", "$0.00"}));

        backupAccountFile(folder, "1001");
        QCOMPARE(root.read("/Backup/VIActiveAccounts/1001.txt"), root.read("/VIActiveAccounts/1001.txt"));
        // A lost account file comes back from its copy before the next charge is added.
        QVERIFY(QFile::remove(root.file("/VIActiveAccounts/1001.txt")));
        QCOMPARE(appendAccountRecord(folder, {"1001", "Jane", dollars(6), "Charge", kToday}, kToday), 4);
        // A file that ends in part of a record takes nothing, not even an opening record in the part's place.
        root.write("/VIActiveAccounts/1002.txt", "stale");
        QVERIFY_THROWS_EXCEPTION(DiskError,
                                 appendAccountRecord(folder, {"1002", "Bob", dollars(5), "Charge", kToday}, kToday));
        QCOMPARE(root.read("/VIActiveAccounts/1002.txt"), QByteArray("stale"));
    }

    void paymentsAndLongAccountNumbers()
    {
        TestRoot root;
        const DataFolder folder = root.folder();
        const QString longNumber = "ABCDEFGHIJKLMNOPQRSTUVWXYZ-0123";
        QCOMPARE(appendPaymentRecord(folder, {"1001", "Jane", dollars(85.5), "Check 311", kToday}), 1);
        QCOMPARE(appendPaymentRecord(folder, {longNumber, "Bob", dollars(-20), "Refund", kToday}), 2);
        QCOMPARE(fieldsOf(recordsOf(root, "/CAPaymentRecords.txt")[1]),
                 QStringList({"Bob", longNumber.left(25), "3/7/2026", "Refund", "($20.00)"}));
        QVERIFY(!root.exists("/VIActiveAccounts")); // payments touch no account file
        // The record keeps 25 characters of the number, the file name all of it.
        appendAccountRecord(folder, {longNumber, "Bob", dollars(1), "Charge", kToday}, kToday);
        QCOMPARE(recordsOf(root, "/VIActiveAccounts/" + longNumber + ".txt").size(), std::size_t(2));
    }

    void refusedEntriesWriteNothing_data()
    {
        dataColumns<QString, double, QString>("account", "amount", "why");
        QTest::newRow("parent folder") << "../../etc/passwd" << 1.0 << "character /";
        QTest::newRow("backslash") << "..\\x" << 1.0 << "character \\";
        QTest::newRow("blank") << "   " << 1.0 << "empty";
        QTest::newRow("device name") << "CON" << 1.0 << "device";
        QTest::newRow("amount too large") << "1001" << 99999999.99 << "too large";
    }

    void refusedEntriesWriteNothing()
    {
        auto [account, amount, why] = fetched<QString, double, QString>("account", "amount", "why");
        TestRoot root;
        const DataFolder folder = root.folder();
        const Entry entry{account, "Mallory", dollars(amount), "Charge", kToday};
        try {
            appendAccountRecord(folder, entry, kToday);
            QFAIL("the entry was not refused");
        } catch (const DiskError &e) {
            QVERIFY2(e.message().contains(why), qPrintable(e.message()));
        }
        if (amount > 1000)
            QVERIFY_THROWS_EXCEPTION(DiskError, appendPaymentRecord(folder, entry));
        else
            QVERIFY_THROWS_EXCEPTION(DiskError, backupAccountFile(folder, account));
        QVERIFY(!QDirIterator(root.path(), QDir::Files, QDirIterator::Subdirectories).hasNext());
    }

    // Everything that carries an account number besides its record is found, so that the number is not changed
    // nor the account deleted without a word: payments alone and completed slips waiting to be finalized
    // included. Another account's records and finalized slips are not counted.
    void accountUseFindsEveryKind_data()
    {
        dataColumns<QString, QByteArray, QStringList>("file", "content", "lines");
        const QStringList history{"It has account or service history."};
        const auto &slip = serviceSlipLayout();
        dataRow("balance file", "/VIActiveAccounts/A1.txt", QByteArray("x"),
                QStringList{"It has an unpaid balance (its balance file)."});
        dataRow("account history", Posting::kHistory, carrying(accountHistoryLayout(), F::AcctNo, "A1"), history);
        dataRow("payments alone", kPaymentFile, carrying(accountHistoryLayout(), F::AcctNo, "A1"), history);
        dataRow("service history", Posting::kServiceHistory,
                carrying(serviceHistoryLayout(), ServiceHistoryField::AcctNo, "A1"), history);
        dataRow("invoice journal", Posting::kJournal, carrying(journalLayout(), JournalField::AcctNo, "A1"), history);
        dataRow("data boxes", "/AuxFiles/A1/AuxFile3/Data.txt", QByteArray("Key under mat\r\n"),
                QStringList{"It has notes in its data boxes."});
        dataRow("slip on the board", SlipFiles::kActive, carrying(slip, SlipField::AcctNo, "A1"),
                QStringList{"1 service slip(s) not yet finalized are written for it."});
        dataRow("completed, not finalized", SlipFiles::kCompleted, carrying(slip, SlipField::AcctNo, "A1", 2),
                QStringList{"2 service slip(s) not yet finalized are written for it."});
        dataRow("finalized slip", "/FinalizedServiceSlips.txt", carrying(slip, SlipField::AcctNo, "A1"), QStringList());
        dataRow("maintenance agreements", Agreements::kFile,
                carrying(agreementLayout(), AgreementField::AcctNo, "A1", 2),
                QStringList{"2 maintenance agreement(s) are written for it."});
        dataRow("another account's agreement", Agreements::kFile,
                carrying(agreementLayout(), AgreementField::AcctNo, "A1-2"), QStringList());
        dataRow("another account's history", Posting::kHistory, carrying(accountHistoryLayout(), F::AcctNo, "A10"),
                QStringList());
    }
    void accountUseFindsEveryKind()
    {
        auto [file, content] = fetched<QString, QByteArray>("file", "content");
        TestRoot root;
        root.write(file, content);
        const AccountUse use = accountUse(root.folder(), " A1 ");
        QTEST(use.lines(), "lines");
        QCOMPARE(use.any(), !use.lines().isEmpty());
    }

    // An account with only an agreement is treated as one with only a slip: its number is not changed (the
    // refusal names what carries it), and the delete question names it. Deleting takes the agreements along
    // (the run could make no visit for an account that is gone); slips stay for finalizing.
    void agreementsCountLikeSlips_data()
    {
        dataColumns<QString, QByteArray, QString, QString>("file", "content", "carried", "onDelete");
        dataRow("slip on the board", SlipFiles::kActive, carrying(serviceSlipLayout(), SlipField::AcctNo, "B2"),
                "1 service slip(s) not yet finalized are written for it.",
                "1 service slip(s) of this account are not finalized yet.");
        dataRow("maintenance agreement", Agreements::kFile, carrying(agreementLayout(), AgreementField::AcctNo, "B2"),
                "1 maintenance agreement(s) are written for it.",
                "Its 1 maintenance agreement(s) are deleted with it; no more visits are made for them.");
    }
    void agreementsCountLikeSlips()
    {
        auto [file, content, carried, onDelete] =
            fetched<QString, QByteArray, QString, QString>("file", "content", "carried", "onDelete");
        TestRoot root;
        const DataFolder folder = root.folder();
        root.write(CustomerFile::kPath, threeCustomers());
        root.write(file, content);
        Record current(customerLayout());
        CustomerAccounts accounts(
            folder, current, [&](const QString &acctNo) { return accountUse(folder, acctNo).lines(); },
            [&](const QString &acctNo) { Agreements::removeAccount(folder, acctNo); });
        accounts.activate();
        accounts.show(2);
        CustomerForm form = accounts.formOf(accounts.shown());
        form.acctNo = "B2X";
        const CustomerSaveResult renumber = accounts.save(form, true);
        QVERIFY(!renumber.isDone());
        QCOMPARE(renumber.notices.front().title, QString("Account Number in Use"));
        QCOMPARE(renumber.notices.front().text,
                 "Account No B2 cannot be changed to B2X:\r\n" + carried +
                     "\r\nThey would stay under B2. To open a new account, click Add New.");
        QCOMPARE(root.read(CustomerFile::kPath), threeCustomers());

        const AccountUse use = accountUse(folder, "B2");
        const QString question = "Mr. John Smith, Account No B2\r\n" + onDelete + "\r\nDelete this Customer";
        const Verdict asked = customerDeletion(use, accounts.displayName(), "B2", accounts.numberShared(), {});
        QCOMPARE(asked.kind, Verdict::Kind::Ask);
        QCOMPARE(asked.question, question);
        QCOMPARE(asked.title, QString("Delete Customer"));
        QCOMPARE(customerDeletion(use, accounts.displayName(), "B2", false, {false}).kind, Verdict::Kind::Refused);
        QVERIFY(customerDeletion(use, accounts.displayName(), "B2", false, {true}).isDone());

        accounts.deleteCurrent();
        QCOMPARE(root.exists(file), file == SlipFiles::kActive);
        for (const CheckFinding &finding : checkDataFolder(folder, FixedClock()))
            QVERIFY2(!finding.text().contains("B2"), qPrintable(finding.text()));
    }

    // The delete question says what goes with the account and what stays: with a number another record shares,
    // the balance file and the agreements stay for that one.
    void deleteQuestionSaysWhatGoesAndWhatStays_data()
    {
        dataColumns<bool, int, bool, QStringList>("balance", "agreements", "shared", "lines");
        dataRow("nothing else", false, 0, false, QStringList());
        dataRow("balance file", true, 0, false,
                QStringList{"This account has an unpaid balance (its balance file is deleted with it)."});
        dataRow("shared balance file", true, 0, true,
                QStringList{"This account has an unpaid balance (its balance file stays for the other customer "
                            "record with Account No B2)."});
        dataRow("agreements", false, 2, false,
                QStringList{"Its 2 maintenance agreement(s) are deleted with it; no more visits are made for them."});
        dataRow("shared agreements", false, 1, true,
                QStringList{"Its 1 maintenance agreement(s) stay under Account No B2, which another customer record "
                            "has too."});
    }
    void deleteQuestionSaysWhatGoesAndWhatStays()
    {
        auto [balance, agreements, shared, lines] =
            fetched<bool, int, bool, QStringList>("balance", "agreements", "shared", "lines");
        AccountUse use;
        use.balanceFile = balance;
        use.agreements = agreements;
        const Verdict asked = customerDeletion(use, " Acme ", "B2", shared, {});
        QCOMPARE(asked.question,
                 (QStringList{"Acme, Account No B2"} + lines + QStringList{"Delete this Customer"}).join("\r\n"));
    }

    void amountTexts()
    {
        // Shortened only as far as needed to fit the 10 characters, so that the text still reads as the amount.
        const QList<QPair<double, QString>> cases = {{12345.67, "$12,345.67"},   {123456.78, "$123456.78"},
                                                     {1234567.89, "1234567.89"}, {-1234.5, "($1234.50)"},
                                                     {-123456.78, "-123456.78"}, {12345678.9, "(does not fit)"}};
        for (const auto &[amount, text] : cases)
            QCOMPARE(amountText(dollars(amount)).value_or("(does not fit)"), text);
    }
};

QTEST_GUILESS_MAIN(TestAccountFiles)
#include "tst_accountfiles.moc"
