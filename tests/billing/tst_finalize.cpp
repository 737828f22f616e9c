#include "billing/finalize.h"
#include "billing/posting.h"
#include "billing/postingrun.h"
#include "billingsamples.h"
#include "core/accountfiles.h"
#include "core/accounthistoryrecord.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "testsupport.h"

#include <QTest>

namespace {

const QDate kDay(2026, 3, 7);
const PostingRun::TaxHeadings kHeadings{"Sales Tax", "City Tax"};

Money money(const char *text)
{
    return *Formats::parseCurrency(QString::fromLatin1(text));
}

PostingRun::Slip posted(const Record &slip, const QString &invoice, const QString &payForm, Money preTax, Money tax1,
                        Money tax2 = Money())
{
    return {slip,
            slip.text(SlipField::AcctNo),
            slip.text(SlipField::SiteName),
            invoice,
            payForm,
            Formats::currency(preTax + tax1 + tax2),
            preTax,
            tax1,
            tax2};
}

// The three slips of the crash test and their completed-slips file with one slip that stays.
std::vector<PostingRun::Slip> threeSlips(const DataFolder &folder)
{
    const Record a = completedSlip(1001, "A-1", "Main St");
    const Record b = completedSlip(1002, "B-2", "Oak Ave", "Crew B", "Fix the furnace");
    const Record c = completedSlip(1003, "A-1", "Main St", "Crew A", "Annual check");
    const Record stays = completedSlip(1004, "C-3", "Elm Rd");
    folder.replaceRecords(SlipFiles::kCompleted, {a, stays, b, c});
    // An account file that exists already, and one history record before the run.
    AccountFiles::createAccountFile(folder, "B-2", "Oak Ave", kDay.addDays(-30));
    WriteHistory(folder, "Z-9", "Old", "$5.00", kDay.addDays(-3), "Invoice No. 1");
    return {posted(a, "5001", "Cash", money("$100.00"), money("7.5")),
            posted(b, "5002", "Not Collected", money("$10.01"), Money(), money("0.7508")),
            posted(c, "5003", "Ck # 881", money("$20.00"), money("1.5"), money("0.2"))};
}

} // namespace

class TestFinalize : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void taxes_data()
    {
        dataColumns<QString, QString, bool, qint64, qint64, QString, QString>("amount", "taxBox", "apply", "earlier",
                                                                              "tax", "shown", "total");
        dataRow("calculated", "$100.00", "$0.00", true, 0LL, 75000LL, "$7.50", "$107.50");
        dataRow("four decimals kept", "$10.01", "$0.00", true, 0LL, 7508LL, "$0.75", "$10.76");
        dataRow("typed tax kept", "$100.00", "$3.00", true, 0LL, 30000LL, "$3.00", "$103.00");
        dataRow("earlier tax kept exactly", "$10.01", "$0.75", true, 7508LL, 7508LL, "$0.75", "$10.76");
        dataRow("not applied, typed", "$50.00", "2.5", false, 0LL, 25000LL, "$2.50", "$52.50");
        dataRow("not applied, empty", "$50.00", "$0.00", false, 0LL, 0LL, "$0.00", "$50.00");
    }

    void taxes()
    {
        QFETCH(QString, amount);
        QFETCH(QString, taxBox);
        QFETCH(bool, apply);
        QFETCH(qint64, earlier);
        QFETCH(qint64, tax);
        QFETCH(QString, shown);
        QFETCH(QString, total);
        const Finalize::TaxBoxes boxes{amount, taxBox, "$0.00", apply, false, money("7.5"), money("4")};
        const auto out = Finalize::CalculateRowTaxes(boxes, Money::fromRaw(earlier), Money());
        QCOMPARE(out.tax1.raw(), tax);
        QCOMPARE(out.tax1Text, shown);
        QCOMPARE(out.tax2.raw(), 0);
        QCOMPARE(out.totalText, total);
    }

    void entryRefusals_data()
    {
        dataColumns<QString, QString, QString, QString>("amount", "invoice", "payForm", "message");
        dataRow("zero amount", "$0.00", "5001", "Cash", "No Amount or the Amount is invalid");
        dataRow("no number", "abc", "5001", "Cash", "No Amount or the Amount is invalid");
        dataRow("empty amount", "", "5001", "Cash", "No Amount or the Amount is invalid");
        dataRow("no invoice", "$5.00", "  ", "Cash", "Enter the Invoice Number");
        dataRow("no check number", "$5.00", "5001", "Ck # ", "Enter a Check Number");
        dataRow("check number", "$5.00", "5001", "Ck # 1234", "");
        dataRow("not collected", "$5.00", "5001", "Not Collected", "");
    }

    void entryRefusals()
    {
        QFETCH(QString, amount);
        QFETCH(QString, invoice);
        QFETCH(QString, payForm);
        QFETCH(QString, message);
        QCOMPARE(Finalize::refusalMessage(Finalize::checkEntry(amount, invoice, payForm)), message);
    }

    // The batched run leaves every file exactly as posting the slips one record at a time would.
    void writeRecordsBytes()
    {
        TestRoot batch, single;
        const DataFolder b = batch.folder(), s = single.folder();
        const Record cash = completedSlip(1001, "A-1", "Main St");
        const Record open = completedSlip(1002, "B-2", "Oak Ave", "Crew B", "Fix the furnace");
        const Record stays = completedSlip(1000, "C-3", "Elm Rd");
        for (const DataFolder *f : {&b, &s})
            f->replaceRecords(SlipFiles::kCompleted, {stays, cash, open});

        PostingRun::WriteRecords(b,
                                 {posted(cash, "5001", "Cash", money("$100.00"), money("7.5")),
                                  posted(open, "5002", "Not Collected", money("$10.01"), money("0.7508"))},
                                 kHeadings, kDay);

        // By hand, record by record.
        using namespace AccountFiles;
        WriteHistory(s, "A-1", "Main St", "$107.50", kDay, "Invoice No. 5001");
        WriteServiceHistory(s, "A-1", "Main St", "Crew A", kDay, "Replace the water heater");
        appendAccountRecord(s, {"A-1", "Main St", money("$107.50"), "5001", kDay}, kDay);
        backupAccountFile(s, "A-1");
        appendAccountRecord(s, {"A-1", "Main St", money("$107.50"), "Payment Received", kDay}, kDay);
        backupAccountFile(s, "A-1");
        appendPaymentRecord(s, {"A-1", "Main St", money("$107.50"), "Cash", kDay});
        WriteTaxRecord(s, "Sales Tax", money("7.5"), Money(), kDay, 1, "5001");
        WriteInvoiceJournal(s, "Main St", "A-1", "5001", money("100"), money("7.5"), money("107.5"), kDay);
        WriteHistory(s, "B-2", "Oak Ave", "$10.76", kDay, "Invoice No. 5002");
        WriteServiceHistory(s, "B-2", "Oak Ave", "Crew B", kDay, "Fix the furnace");
        appendAccountRecord(s, {"B-2", "Oak Ave", money("$10.76"), "5002", kDay}, kDay);
        backupAccountFile(s, "B-2");
        WriteTaxRecord(s, "Sales Tax", money("0.7508"), Money(), kDay, 1, "5002");
        WriteInvoiceJournal(s, "Oak Ave", "B-2", "5002", money("10.01"), money("0.7508"), money("10.7608"), kDay);
        AppendFinalizedSlips(s, std::vector<Record>{finalizedSlip(cash, "5001", "Cash", "$107.50"),
                                                    finalizedSlip(open, "5002", "Not Collected", "$10.76")});
        s.replaceRecords(SlipFiles::kCompleted, {stays});

        QCOMPARE(snapshot(batch.path()), snapshot(single.path()));
        QVERIFY(!batch.exists(PostingRun::kJournal));
        // "Not Collected": the charge only, no payment.
        QCOMPARE(batch.read("/VIActiveAccounts/B-2.txt").size(), 2 * 155);
        QCOMPARE(batch.read(AccountFiles::kPaymentFile).size(), 155);
        QCOMPARE(batch.read("/FinalizedServiceSlips.txt").mid(10, 9), QByteArray("Finalized"));
    }

    // A zero first tax does not lose the second: its record is written alone.
    void secondTaxAlone()
    {
        TestRoot root;
        const DataFolder folder = root.folder();
        const Record slip = completedSlip(7, "A-1", "Main St");
        folder.replaceRecords(SlipFiles::kCompleted, {slip});
        PostingRun::WriteRecords(folder, {posted(slip, "9", "Cash", money("$10.00"), Money(), money("0.4"))}, kHeadings,
                                 kDay);
        const QByteArray taxes = root.read(Posting::kTaxRecords);
        QCOMPARE(taxes.size(), 75);
        QCOMPARE(taxes.left(20).trimmed(), QByteArray("City Tax"));
        QCOMPARE(taxes.right(10).trimmed(), QByteArray("0.4"));
        // The completed-slips file held only this slip: it and its Backup copy are gone.
        QVERIFY(!root.exists(SlipFiles::kCompleted));
    }

    // A crash before or after any single write, then a restart: every file ends as after an undisturbed run.
    void crashAnywhere()
    {
        TestRoot reference;
        {
            const DataFolder folder = reference.folder();
            PostingRun::WriteRecords(folder, threeSlips(folder), kHeadings, kDay);
        }
        const auto expected = snapshot(reference.path());
        QVERIFY(expected.contains("FinalizedServiceSlips.txt"));

        bool finished = false;
        for (int crashAt = 0; !finished; ++crashAt) {
            QVERIFY2(crashAt < 400, "the run never ends");
            TestRoot root;
            DataFolder folder = root.folder();
            const auto slips = threeSlips(folder);
            const auto before = snapshot(root.path());
            int steps = 0;
            auto tick = [&](auto &&...) {
                if (steps++ == crashAt)
                    throw Crash{};
            };
            folder.setFaultHook(tick);
            try {
                PostingRun::WriteRecords(folder, slips, kHeadings, kDay, tick);
                finished = true;
            } catch (const Crash &) {
            }
            // The restart: a new program on the same folder.
            const DataFolder restarted = root.folder();
            const QString told = PostingRun::finishPending(restarted);
            if (!finished && told.isEmpty()) {
                // Either the journal never reached the disk (nothing was posted, and the user writes the records
                // again) or the crash came after its removal (all was done).
                if (snapshot(root.path()) != expected) {
                    QVERIFY2(snapshot(root.path()) == before, qPrintable(QString("crash at step %1").arg(crashAt)));
                    PostingRun::WriteRecords(restarted, slips, kHeadings, kDay);
                }
            } else if (!finished) {
                QVERIFY(told.contains("Slip 1002, Invoice No. 5002"));
                QVERIFY(PostingRun::finishPending(restarted).isEmpty()); // told once
            }
            const auto got = snapshot(root.path());
            QStringList differ;
            for (const QString &name : got.keys() + expected.keys()) {
                if (got.value(name, "-") != expected.value(name, "-") && !differ.contains(name))
                    differ << name;
            }
            QVERIFY2(differ.isEmpty(), qPrintable(QString("crash at step %1: %2").arg(crashAt).arg(differ.join(", "))));
        }
    }

    // A write torn by a power cut (part of the records on disk) is completed, not doubled.
    void tornWrite()
    {
        TestRoot reference, root;
        PostingRun::WriteRecords(reference.folder(), threeSlips(reference.folder()), kHeadings, kDay);
        DataFolder folder = root.folder();
        const auto slips = threeSlips(folder);
        QByteArray historyBefore = root.read(Posting::kHistory);
        try {
            PostingRun::WriteRecords(folder, slips, kHeadings, kDay, [&](const char *step, const QString &file) {
                if (QByteArray(step) == "after" && file == Posting::kServiceHistory)
                    throw Crash{};
            });
        } catch (const Crash &) {
        }
        const QByteArray history = root.read(Posting::kHistory);
        root.write(Posting::kHistory, history.left(historyBefore.size() + 155 + 60));
        QVERIFY(!PostingRun::finishPending(root.folder()).isEmpty());
        QCOMPARE(snapshot(root.path()), snapshot(reference.path()));
    }

    // A full disk or a file that cannot be opened stops the run naming the file; the journal finishes it later.
    void failureNamesTheFile()
    {
        TestRoot root;
        DataFolder folder = root.folder();
        const auto slips = threeSlips(folder);
        QDir(root.path()).mkpath("TaxRecords.txt"); // a folder where the file should be
        try {
            PostingRun::WriteRecords(folder, slips, kHeadings, kDay);
            QFAIL("the run reported success");
        } catch (const DiskError &e) {
            QVERIFY2(e.message().contains("TaxRecords.txt"), qPrintable(e.message()));
        }
        QVERIFY(PostingRun::pending(folder));
        QCOMPARE(Finalize::LoadCompletedSlips(folder).size(), std::size_t(4)); // still listed
        QVERIFY_THROWS_EXCEPTION(DiskError, PostingRun::WriteRecords(folder, slips, kHeadings, kDay));
        QDir(root.file("/TaxRecords.txt")).removeRecursively();
        QVERIFY(!PostingRun::finishPending(folder).isEmpty());
        TestRoot reference;
        PostingRun::WriteRecords(reference.folder(), threeSlips(reference.folder()), kHeadings, kDay);
        QCOMPARE(snapshot(root.path()), snapshot(reference.path()));
    }

    void loadAndDelete()
    {
        TestRoot root;
        const DataFolder folder = root.folder();
        folder.replaceRecords(SlipFiles::kCompleted,
                              {completedSlip(30, "A", "a"), completedSlip(4, "B", "b"), completedSlip(200, "C", "c")});
        folder.backupFile(SlipFiles::kCompleted);
        auto rows = Finalize::LoadCompletedSlips(folder);
        QCOMPARE(rows.size(), std::size_t(3));
        QCOMPARE(rows[0].slipNo, "4");
        QCOMPARE(rows[0].recordNumber, 2);
        QCOMPARE(rows[2].slipNo, "200");
        rows[0].ticked = true; // record 2
        Finalize::DeleteSelectedSlips(folder, rows);
        rows = Finalize::LoadCompletedSlips(folder);
        QCOMPARE(rows.size(), std::size_t(2));
        QCOMPARE(rows[0].acctNo, "A");
        QCOMPARE(rows[1].acctNo, "C");
        for (auto &r : rows)
            r.ticked = true;
        Finalize::DeleteSelectedSlips(folder, rows);
        QVERIFY(!root.exists(SlipFiles::kCompleted));
        QVERIFY(!root.exists("/Backup/CompletedServiceSlips.txt"));
        QVERIFY(Finalize::LoadCompletedSlips(folder).empty());
    }
};

QTEST_GUILESS_MAIN(TestFinalize)
#include "tst_finalize.moc"
