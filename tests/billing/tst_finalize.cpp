#include "billing/accountfiles.h"
#include "billing/accounthistoryrecord.h"
#include "billing/finalize.h"
#include "billing/finalizesession.h"
#include "billing/invoicenumbers.h"
#include "billing/printedinvoices.h"
#include "billing/posting.h"
#include "billing/postingrun.h"
#include "billing/pricedinvoice.h"
#include "billingsamples.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "core/settings.h"
#include "testsupport.h"
#include "tooltesting.h"

#include <QTest>

namespace {

const QDate kDay(2026, 3, 7);
const PostingRun::TaxHeadings kHeadings{"Sales Tax", "City Tax"};

QString noAmountText()
{
    return QStringLiteral("No Amount or the Amount is invalid");
}

// The messages a verdict shows, one a line.
QString said(const Verdict &verdict)
{
    QStringList texts;
    for (const Notice &notice : verdict.notices)
        texts << notice.text;
    return texts.join('\n');
}

Money money(const char *text)
{
    return *Formats::parseCurrency(QString::fromLatin1(text));
}

// A line of the account files: "name~45|account~25|date~15|description~60|amount~10".
QByteArray line(const char *site, const char *acct, const char *what, const char *amount, const char *date = "3/7/2026")
{
    return QByteArray(site).leftJustified(45) + QByteArray(acct).leftJustified(25) +
           QByteArray(date).leftJustified(15) + QByteArray(what).leftJustified(60) +
           QByteArray(amount).leftJustified(10);
}

PostingRun::Slip posted(const Record &slip, const QString &invoice, const QString &payForm, const QString &total,
                        Money preTax, Money tax1, Money tax2 = Money())
{
    return {slip, slip.text(SlipField::AcctNo), slip.text(SlipField::SiteName), invoice, payForm, total, preTax, tax1,
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
    WriteInvoiceJournal(folder, "Old", "Z-9", "1", money("5"), Money(), money("5"), kDay.addDays(-3));
    return {posted(a, "5001", "Cash", "$107.50", money("$100.00"), money("7.5")),
            posted(b, "5002", "Not Collected", "$10.76", money("$10.01"), Money(), money("0.7508")),
            posted(c, "5003", "Ck # 881", "$21.70", money("$20.00"), money("1.5"), money("0.2"))};
}

// Every file as an undisturbed run of the three slips leaves it.
QMap<QString, QByteArray> undisturbed()
{
    TestRoot reference;
    PostingRun::writeRecords(reference.folder(), threeSlips(reference.folder()), kHeadings, kDay);
    return snapshot(reference.path());
}

} // namespace

class TestFinalize : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    // The entry of one row, step by step as the user leaves each box: "amount 10.01", "tax0 3", "calc", "manual".
    void entry_data()
    {
        // The taxes in ten-thousandths of a dollar; the second tax's rate is 4.
        dataColumns<QString, QStringList, QString, QString, bool>("rate", "steps", "taxes", "total", "typed");
        dataRow("calculated", "7.5", QStringList{"amount 100", "calc"}, "75000 0", "$107.50", false);
        // A tax is charged in whole cents: what the boxes show is what adds up and is posted.
        dataRow("whole cents", "7.5", QStringList{"amount 10.01", "calc", "tax0 $0.75", "calc"}, "7500 0", "$10.76",
                false);
        dataRow("half a cent rounds up", "6.25", QStringList{"amount 10", "calc"}, "6300 0", "$10.63", false);
        dataRow("amount typed to four decimals", "6", QStringList{"amount 10.125", "calc"}, "6100 0", "$10.74", false);
        dataRow("tax typed to four decimals", "6", QStringList{"amount 10.13", "tax0 0.6331", "calc"}, "6300 0",
                "$10.76", true);
        // The total box shows what Enter to Grid posts, its parts in the tax boxes, as soon as the amount is left.
        dataRow("applied tax follows the amount at once", "7.5", QStringList{"amount 50"}, "37500 0", "$53.75", false);
        dataRow("calculated tax follows the amount", "6", QStringList{"amount 10.01", "calc", "amount 20"}, "12000 0",
                "$21.20", false);
        dataRow("typed tax stays", "6", QStringList{"amount 10.01", "tax0 3", "calc", "amount 20", "calc"}, "30000 0",
                "$23.00", true);
        dataRow("typed zero is calculated", "6", QStringList{"amount 20", "tax0 $0.00", "calc"}, "12000 0", "$21.20",
                false);
        dataRow("manual, typed", "6", QStringList{"amount 50", "manual", "tax0 2.5", "calc"}, "25000 0", "$52.50",
                true);
        dataRow("manual, empty", "6", QStringList{"amount 50", "calc", "manual", "calc"}, "0 0", "$50.00", false);
        // Both taxes, each on the pre-tax amount, both in the total, and both following a new amount.
        dataRow("both taxes", "7.5", QStringList{"both", "amount $100.00", "calc"}, "75000 40000", "$111.50", false);
        dataRow("both follow the amount", "7.5", QStringList{"both", "amount 100", "calc", "amount 200"},
                "150000 80000", "$223.00", false);
    }

    void entry()
    {
        auto [rate, steps] = fetched<QString, QStringList>("rate", "steps");
        FinalizeSession session;
        session.setRates(*Formats::parseDecimal(rate), money("4"));
        session.resetEntry(true, steps.contains("both"));
        for (const QString &step : steps) {
            const QString arg = step.section(' ', 1);
            if (step.startsWith("amount"))
                session.setAmountText(arg);
            else if (step.startsWith("tax0"))
                session.setTaxText(0, arg);
            else if (step == "calc")
                session.calculateTaxes();
            else if (step == "manual")
                session.enterTaxesManually();
        }
        QTEST(QString::number(session.tax(0).raw()) + ' ' + QString::number(session.tax(1).raw()), "taxes");
        QTEST(session.totalText(), "total");
        QTEST(session.taxSource(0) == FinalizeSession::TaxSource::Typed, "typed");
    }

    // A corrected row posts as a fresh one; a total too large for the account records is refused at Enter to Grid.
    void enterToGrid()
    {
        const Record slip = completedSlip(1001, "A-1", "Main St");
        FinalizeSession fresh, corrected;
        for (FinalizeSession *s : {&fresh, &corrected}) {
            s->load({Finalize::Row{1, slip, "1001", "", "A-1", "Main St"}});
            s->setRates(money("6"), Money());
            s->begin(1);
            s->resetEntry(true, false);
        }
        fresh.setAmountText("20");
        corrected.setAmountText("10.01");
        corrected.calculateTaxes();
        corrected.setAmountText("20");
        for (FinalizeSession *s : {&fresh, &corrected})
            QVERIFY(s->enterToGrid("5001", "Cash").isDone());
        const PostingRun::Slip a = fresh.postingSlips().at(0), b = corrected.postingSlips().at(0);
        QCOMPARE(b.amountText, "$21.20");
        QCOMPARE(std::tie(a.amountText, a.preTax, a.tax1, a.tax2, a.invoiceNo, a.payForm),
                 std::tie(b.amountText, b.preTax, b.tax1, b.tax2, b.invoiceNo, b.payForm));

        FinalizeSession big;
        big.load({Finalize::Row{1, slip}});
        big.begin(1);
        big.setAmountText("99999999.99");
        const Finalize::Entry tooLarge = big.enterToGrid("5002", "Cash");
        QCOMPARE(said(tooLarge), "The Total is too large for the account records. Enter a smaller amount.");
        QVERIFY(tooLarge.box == Finalize::EntryBox::Amount && !tooLarge.amountCleared);
        QVERIFY(!big.anyFinalized());
        big.setAmountText("9999999.99");
        QVERIFY(big.enterToGrid("5002", "Cash").isDone());
    }

    // Rows 1 and 2 entered, row 3 not: a cleared row is neither posted nor printed; printing takes the row chosen
    // (an index) only when it is finalized, else every finalized row.
    void clearedAndPrintedRows_data()
    {
        dataColumns<QString, int, QString, QString>("clear", "chosen", "posted", "printed");
        dataRow("nothing cleared", "", 1, "5001 5002", "5002");
        dataRow("a row not finalized chosen", "", 2, "5001 5002", "5001 5002");
        dataRow("Clear/Redo of the first", "1", 0, "5002", "5002");
        dataRow("Clear/Redo of the last entered", "2", 1, "5001", "5001");
        dataRow("CLEAR ALL", "all", 0, "", "");
    }
    void clearedAndPrintedRows()
    {
        auto [clear, chosen] = fetched<QString, int>("clear", "chosen");
        FinalizeSession s;
        s.load({Finalize::Row{1, completedSlip(1001, "A-1", "Main St"), "1001"},
                Finalize::Row{2, completedSlip(1002, "B-2", "Oak Ave"), "1002"},
                Finalize::Row{3, completedSlip(1003, "C-3", "Elm Rd"), "1003"}});
        for (int r : {1, 2}) {
            s.begin(r);
            s.setAmountText("10");
            QVERIFY(s.enterToGrid(QString::number(5000 + r), "Cash").isDone());
        }
        if (clear == "all")
            s.clearAll();
        else if (!clear.isEmpty())
            s.clearRow(clear.toInt());
        QStringList posted, printed;
        for (const PostingRun::Slip &p : s.postingSlips())
            posted << p.invoiceNo;
        for (const PricedInvoice &i : PricedInvoices::fromFinalizedRows(s.rows(), chosen, Settings(), kDay))
            printed << i.invoiceNo;
        QTEST(posted.join(' '), "posted");
        QTEST(printed.join(' '), "printed");
        QCOMPARE(s.anyFinalized(), !posted.isEmpty());
    }

    // A number printed, posted, entered on another row or held by a waiting Write Records is never offered.
    void invoiceNumbersInUse()
    {
        TestRoot root;
        const DataFolder folder = root.folder();
        WriteInvoiceJournal(folder, "Main St", "A-1", "5001", money("10"), Money(), money("10"), kDay);
        Settings settings;
        settings.saveInvoiceCounter(folder, 20260201);
        InvoiceNumbers numbers(folder, settings);
        QCOMPARE(numbers.reserve(1), 20260201); // the board printed 20260201 for slip 1202
        PrintedInvoices::record(folder, {{"20260201", "1202", kDay.addDays(-4)}});
        FinalizeSession s;
        s.load({Finalize::Row{1, completedSlip(1201, "A-1", "Main St"), "1201"},
                Finalize::Row{2, completedSlip(1202, "B-2", "Oak Ave"), "1202"}});
        s.setInvoicesInUse(InvoiceNumbers::inUse(folder, settings.invoiceNumber));
        QCOMPARE(s.nextInvoice(), "20260202");
        s.begin(1);
        QCOMPARE(s.invoiceUsedAt("20260201").value_or(""), "printed on 3/3/2026 for slip 1202");
        QCOMPARE(s.invoiceUsedAt("5001").value_or(""), "posted for account A-1 on 3/7/2026");
        for (const char *own : {"7001", "123", "99999999", "B-17"}) // the office's own numbers: never asked about
            QVERIFY2(!s.invoiceUsedAt(own), own);
        s.begin(2);
        QCOMPARE(s.nextInvoice(), "20260201"); // the number printed for its slip
        QVERIFY(!s.invoiceUsedAt("20260201"));
        // Where a number is used is read back when asked: from the history, for a number that is not plain
        // digits, and after the journal changed under the open window.
        WriteHistory(folder, "H-4", "Hill", "$5.00", kDay.addDays(-2), "Invoice No.  0077");
        WriteHistory(folder, "H-5", "Dale", "$5.00", kDay.addDays(-1), "Invoice No. 7002");
        const auto used = InvoiceNumbers::inUse(folder, settings.invoiceNumber);
        folder.replaceRecords(Posting::kJournal,
                              {journalRecord("New", "N-1", "6001", Money(), Money(), Money(), kDay),
                               journalRecord("Main St", "A-1", "5001", Money(), Money(), Money(), kDay.addDays(1))});
        QCOMPARE(InvoiceNumbers::usedAt(used, "0077").value_or(""), "posted for account H-4 on 3/5/2026");
        QCOMPARE(InvoiceNumbers::usedAt(used, "7002").value_or(""), "posted for account H-5 on 3/6/2026");
        QCOMPARE(InvoiceNumbers::usedAt(used, "5001").value_or(""), "posted for account A-1 on 3/8/2026");
        QCOMPARE(used.highest, 20260201); // the printed number too
        s.begin(1);
        QVERIFY(s.enterToGrid({}, {"5", {}, "20260202", "Cash"}, numbers).isDone());
        QCOMPARE(settings.invoiceNumber, 20260203); // the board does not print it again
        QCOMPARE(root.read("/VIInvoiceNo.txt").trimmed(), "20260203");
        s.begin(2);
        s.resetEntry(false, false);
        QCOMPARE(s.invoiceUsedAt(" 20260202").value_or(""), "given to slip 1201 in this list");
        // Entering it again asks first; No changes nothing, not even the entry's boxes.
        const FinalizeSession::Boxes again{"7", {}, " 20260202", "Cash"};
        const Finalize::Entry asked = s.enterToGrid({}, again, numbers);
        QCOMPARE(int(asked.kind), int(Verdict::Kind::Ask));
        QCOMPARE(asked.question, "Invoice No. 20260202 was given to slip 1201 in this list.\r\nUse it again?");
        QCOMPARE(asked.title, "Invoice Number in Use");
        const Finalize::Entry no = s.enterToGrid({false}, again, numbers);
        QVERIFY(no.kind == Verdict::Kind::Refused && no.notices.empty() && !no.taxesWorkedOut);
        QVERIFY(no.box == Finalize::EntryBox::InvoiceNumber && !s.row(2).finalized() && !s.amount());
        QVERIFY(s.enterToGrid({true}, again, numbers).isDone());
        QCOMPARE(s.row(2).invoiceNo, "20260202");
        QCOMPARE(settings.invoiceNumber, 20260203);
        s.clearRow(2);
        QVERIFY(!s.invoiceUsedAt("20260204"));
        QCOMPARE(s.nextInvoice(), "20260201"); // its printed number again
        s.begin(1);
        QCOMPARE(s.nextInvoice(), "20260203");
        QVERIFY(!s.invoiceUsedAt("20260202")); // its own number, taken on this visit
        QVERIFY(s.enterToGrid({true}, {"5", {}, "20260201", "Cash"}, numbers).isDone());
        s.begin(2);
        QCOMPARE(s.nextInvoice(), "20260203"); // its printed number, given to another row, is offered no more

        // A Write Records that waits to be finished holds its numbers too.
        folder.replaceRecords(SlipFiles::kCompleted, {completedSlip(1203, "C-3", "Elm Rd")});
        try {
            PostingRun::writeRecords(
                folder,
                {posted(completedSlip(1203, "C-3", "Elm Rd"), "20260203", "Cash", "$5.00", money("5"), Money())},
                kHeadings, kDay, [](const char *step, const QString &file) {
                    if (QByteArray(step) == "before" && file != PostingRun::kJournal)
                        throw Crash{};
                });
        } catch (const Crash &) {
        }
        const auto waiting = InvoiceNumbers::inUse(folder, settings.invoiceNumber);
        QCOMPARE(InvoiceNumbers::offer(waiting), "20260204");
        QCOMPARE(InvoiceNumbers::usedAt(waiting, "20260203").value_or(""),
                 "given in the Write Records of 3/7/2026 that waits to be finished");
        QCOMPARE(InvoiceNumbers::highestInUse(folder), 20260203);
        // The counter at exactly the highest number taken moves past it at the start.
        const auto moved = InvoiceNumbers(folder, settings).guard();
        QVERIFY(moved.value_or("").contains("The next invoice gets number 20260204"));
        QCOMPARE(root.read("/VIInvoiceNo.txt").trimmed(), "20260204");
    }

    // The checks of Enter to Grid in their order, each with its message and the box it sends the user back to.
    void entryRefusals_data()
    {
        dataColumns<QString, QString, QString, QString, QString, int>("amount", "tax", "invoice", "payForm", "message",
                                                                      "box");
        const int amount = int(Finalize::EntryBox::Amount), none = int(Finalize::EntryBox::None);
        const QString noAmount = noAmountText();
        dataRow("zero amount", "$0.00", "", "5001", "Cash", noAmount, amount);
        dataRow("no number", "abc", "", "5001", "Cash", noAmount, amount);
        dataRow("empty amount", "", "", "", "Ck # ", noAmount, amount);
        dataRow("negative tax", "$5.00", "-1", "5001", "Cash", "A tax cannot be below zero. Enter the tax again.",
                int(Finalize::EntryBox::Tax2));
        dataRow("no invoice", "$5.00", "", "  ", "Cash", "Enter the Invoice Number",
                int(Finalize::EntryBox::InvoiceNumber));
        dataRow("no check number", "$5.00", "", "5001", "Ck # ", "Enter a Check Number",
                int(Finalize::EntryBox::PayForm));
        dataRow("check number", "$5.00", "", "5001", "Ck # 1234", "", none);
        dataRow("not collected", "$5.00", "", "5001", "Not Collected", "", none);
    }

    void entryRefusals()
    {
        auto [amount, tax, invoice, payForm, message, box] = fetched<QString, QString, QString, QString, QString, int>(
            "amount", "tax", "invoice", "payForm", "message", "box");
        TestRoot root;
        const DataFolder folder = root.folder();
        Settings settings;
        InvoiceNumbers numbers(folder, settings);
        FinalizeSession s;
        s.load({Finalize::Row{1, completedSlip(1001, "A-1", "Main St"), "1001"}});
        s.begin(1);
        const Finalize::Entry entry = s.enterToGrid({}, {amount, {QString(), tax}, invoice, payForm}, numbers);
        QCOMPARE(said(entry), message);
        QCOMPARE(int(entry.box), box);
        QCOMPARE(entry.amountCleared, message == noAmountText());
        QCOMPARE(entry.taxesWorkedOut, !entry.amountCleared);
        QCOMPARE(s.row(1).finalized(), message.isEmpty());
        // The boxes' own checks, without the taxes worked out.
        QCOMPARE(said(Finalize::checkEntry(amount, invoice, payForm)), tax.isEmpty() ? message : QString());
    }

    // Each slip's history, service history, account file and its Backup, cash payment and taxes (a zero first tax
    // does not lose the second: its record is written alone); then the archive.
    void writeRecordsBytes()
    {
        TestRoot batch;
        const DataFolder b = batch.folder();
        const Record cash = completedSlip(1001, "A-1", "Main St");
        const Record open = completedSlip(1002, "B-2", "Oak Ave", "Crew B", "Fix the furnace");
        const Record stays = completedSlip(1000, "C-3", "Elm Rd");
        b.replaceRecords(SlipFiles::kCompleted, {stays, cash, open});
        PostingRun::writeRecords(
            b,
            {posted(cash, "5001", "Cash", "$107.50", money("$100.00"), money("7.5")),
             posted(open, "5002", "Not Collected", "$10.76", money("$10.01"), Money(), money("0.7508"))},
            kHeadings, kDay);

        QCOMPARE(batch.read(Posting::kHistory), line("Main St", "A-1", "Invoice No. 5001", "$107.50") +
                                                    line("Oak Ave", "B-2", "Invoice No. 5002", "$10.76"));
        const QByteArray a1 = line("Main St", "A-1", "Previous Balance", "$0.00") +
                              line("Main St", "A-1", "5001", "$107.50") +
                              line("Main St", "A-1", "Payment Received", "$107.50");
        // "Not Collected": the charge only, no payment.
        const QByteArray b2 =
            line("Oak Ave", "B-2", "Previous Balance", "$0.00") + line("Oak Ave", "B-2", "5002", "$10.76");
        for (const QString dir : {"", "/Backup"}) {
            QCOMPARE(batch.read(dir + "/VIActiveAccounts/A-1.txt"), a1);
            QCOMPARE(batch.read(dir + "/VIActiveAccounts/B-2.txt"), b2);
        }
        QCOMPARE(batch.read(AccountFiles::kPaymentFile), line("Main St", "A-1", "Cash", "$107.50"));
        QCOMPARE(batch.read(Posting::kTaxRecords), QByteArray("Sales Tax").leftJustified(20) + "3/7/2026       " +
                                                       QByteArray("5001").leftJustified(30) + "7.5       " +
                                                       QByteArray("City Tax").leftJustified(20) + "3/7/2026       " +
                                                       QByteArray("5002").leftJustified(30) + "0.75      ");
        QCOMPARE(batch.read(Posting::kServiceHistory).size(), 2 * 145);
        QCOMPARE(batch.read(Posting::kJournal).size(), 2 * 125);
        QCOMPARE(batch.read(Posting::kServiceHistory).mid(145, 30).trimmed(), QByteArray("Oak Ave"));
        QCOMPARE(batch.read(Posting::kJournal).mid(125 + 45, 20).trimmed(), QByteArray("B-2"));
        QCOMPARE(batch.read("/CompletedServiceSlips.txt"), stays.bytes());
        const QByteArray archive = batch.read("/FinalizedServiceSlips.txt");
        QCOMPARE(archive.size(), 2 * 697);
        QCOMPARE(archive.mid(10, 9) + archive.mid(697 + 10, 9), QByteArray("FinalizedFinalized"));
        QCOMPARE(archive.mid(687, 10) + archive.mid(697 + 687, 10), QByteArray("$107.50   $10.76    "));
        QVERIFY(!batch.exists(PostingRun::kJournal));
        VERIFY_LEDGER_CLEAN(b);
    }

    // Twin slips are both posted and leave the file, which then goes with its Backup copy; an account file with
    // records gets no second opening.
    void twinSlipsAndAnExistingAccount()
    {
        TestRoot root;
        const DataFolder folder = root.folder();
        const Record twin = completedSlip(1002, "B-2", "Oak Ave");
        folder.replaceRecords(SlipFiles::kCompleted, {twin, twin});
        folder.backupFile(SlipFiles::kCompleted);
        const QByteArray opening = line("Oak Ave", "B-2", "Previous Balance", "$0.00", "2/5/2026");
        root.write("/VIActiveAccounts/B-2.txt", opening);
        PostingRun::writeRecords(folder,
                                 {posted(twin, "5001", "Not Collected", "$1.05", money("$1.05"), Money()),
                                  posted(twin, "5002", "Not Collected", "$1.05", money("$1.05"), Money())},
                                 kHeadings, kDay);
        QVERIFY(!root.exists(SlipFiles::kCompleted) && !root.exists("/Backup/CompletedServiceSlips.txt"));
        QCOMPARE(folder.recordCount(SlipFiles::kFinalized, 697), 2);
        const QByteArray account = root.read("/VIActiveAccounts/B-2.txt");
        QCOMPARE(account.size(), 3 * 155);
        QCOMPARE(account.left(155), opening);
        QVERIFY(!account.mid(155).contains("Previous Balance"));
        QVERIFY(account.mid(145, 10).startsWith("$0.00") && account.right(10).startsWith("$1.05"));
        VERIFY_LEDGER_CLEAN(folder);
    }

    // Money below zero is never posted: the run is refused whole, naming the slip, with nothing written.
    void negativeMoneyRefused_data()
    {
        dataColumns<QString, QString, QString>("preTax", "tax1", "tax2");
        dataRow("amount", "-50", "0", "0");
        dataRow("first tax", "50", "-5", "0");
        dataRow("second tax", "50", "0", "-0.01");
    }
    void negativeMoneyRefused()
    {
        auto [preTax, tax1, tax2] = fetched<QString, QString, QString>("preTax", "tax1", "tax2");
        TestRoot root;
        const DataFolder folder = root.folder();
        auto bad = threeSlips(folder);
        const auto before = snapshot(root.path());
        bad[1] = posted(bad[1].slip, "5002", "Cash", "$50.00", money(qPrintable(preTax)), money(qPrintable(tax1)),
                        money(qPrintable(tax2)));
        try {
            PostingRun::writeRecords(folder, bad, kHeadings, kDay);
            QFAIL("negative money was posted");
        } catch (const DiskError &e) {
            QVERIFY2(e.message().startsWith("Slip 1002: the amount or a tax is below zero"), qPrintable(e.message()));
        }
        QCOMPARE(snapshot(root.path()), before);
    }

    // A crash before or after any single write, then a restart: every file ends as after an undisturbed run.
    void crashAnywhere()
    {
        const auto expected = undisturbed();
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
                PostingRun::writeRecords(folder, slips, kHeadings, kDay, tick);
                finished = true;
            } catch (const Crash &) {
            }
            // The restart: a new program on the same folder.
            const DataFolder restarted = root.folder();
            const QString told = PostingRun::finishPending(restarted);
            if (!finished && told.isEmpty()) {
                // The journal never reached the disk (the user writes again), or was removed after all was done.
                if (snapshot(root.path()) != expected) {
                    QVERIFY2(snapshot(root.path()) == before, qPrintable(QString("crash at step %1").arg(crashAt)));
                    PostingRun::writeRecords(restarted, slips, kHeadings, kDay);
                }
            } else if (!finished) {
                QVERIFY(told.contains("Slip 1002, Invoice No. 5002"));
                QVERIFY(PostingRun::finishPending(restarted).isEmpty()); // told once
            }
            QVERIFY2(snapshot(root.path()) == expected, qPrintable(QString("crash at step %1").arg(crashAt)));
            VERIFY_LEDGER_CLEAN(restarted);
        }
    }

    // A write torn by a power cut (part of the records on disk) is completed, not doubled.
    void tornWrite()
    {
        TestRoot root;
        DataFolder folder = root.folder();
        const auto slips = threeSlips(folder);
        QByteArray historyBefore = root.read(Posting::kHistory);
        try {
            PostingRun::writeRecords(folder, slips, kHeadings, kDay, [&](const char *step, const QString &file) {
                if (QByteArray(step) == "after" && file == Posting::kServiceHistory)
                    throw Crash{};
            });
        } catch (const Crash &) {
        }
        const QByteArray history = root.read(Posting::kHistory);
        root.write(Posting::kHistory, history.left(historyBefore.size() + 155 + 60));
        QVERIFY(!PostingRun::finishPending(root.folder()).isEmpty());
        QCOMPARE(snapshot(root.path()), undisturbed());
        VERIFY_LEDGER_CLEAN(root.folder());
    }

    // A full disk or a file that cannot be opened stops the run naming the file; the journal finishes it later.
    void failureNamesTheFile()
    {
        TestRoot root;
        DataFolder folder = root.folder();
        const auto slips = threeSlips(folder);
        QDir(root.path()).mkpath("TaxRecords.txt"); // a folder where the file should be
        try {
            PostingRun::writeRecords(folder, slips, kHeadings, kDay);
            QFAIL("the run reported success");
        } catch (const DiskError &e) {
            QVERIFY2(e.message().contains("TaxRecords.txt"), qPrintable(e.message()));
        }
        QVERIFY(PostingRun::pending(folder));
        QCOMPARE(Finalize::LoadCompletedSlips(folder).size(), std::size_t(4)); // still listed
        QVERIFY_THROWS_EXCEPTION(DiskError, PostingRun::writeRecords(folder, slips, kHeadings, kDay));
        QDir(root.file("/TaxRecords.txt")).removeRecursively();
        QVERIFY(!PostingRun::finishPending(folder).isEmpty());
        QCOMPARE(snapshot(root.path()), undisturbed());
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
        Finalize::deleteSelectedSlips(folder, rows);
        rows = Finalize::LoadCompletedSlips(folder);
        QCOMPARE(rows.size(), std::size_t(2));
        QCOMPARE(rows[0].acctNo, "A");
        QCOMPARE(rows[1].acctNo, "C");
        for (auto &r : rows)
            r.ticked = true;
        Finalize::deleteSelectedSlips(folder, rows);
        QVERIFY(!root.exists(SlipFiles::kCompleted));
        QVERIFY(!root.exists("/Backup/CompletedServiceSlips.txt"));
        QVERIFY(Finalize::LoadCompletedSlips(folder).empty());
    }
};

QTEST_GUILESS_MAIN(TestFinalize)
#include "tst_finalize.moc"
