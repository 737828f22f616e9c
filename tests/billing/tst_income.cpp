#include "billing/accountfiles.h"
#include "billing/history.h"
#include "billing/income.h"
#include "billing/invoiceparts.h"
#include "billing/posting.h"
#include "billing/pricedinvoice.h"
#include "billing/receivables.h"
#include "billingsamples.h"
#include "core/csv.h"
#include "core/formats.h"
#include "core/settings.h"
#include "customersamples.h"
#include "testsupport.h"

#include <QTest>

namespace {

// A tax as shown in whole cents: the four-decimal taxes of the samples rounded by hand.
qint64 shownCents(qint64 raw)
{
    return (raw + 50) / 100 * 100;
}

// A slip of one account charged only its pre-tax amount and an optional first tax.
PostingRun::Slip slipOf(int number, const char *acct, const char *site, const char *invoice, const QString &form,
                        const char *amount, qint64 preTax, qint64 tax1 = 0)
{
    const Record slip = completedSlip(number, acct, site);
    return {slip, acct, site, invoice, form, amount, Money::fromCents(preTax), Money::fromCents(tax1), Money()};
}

} // namespace

class TestIncome : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    // Count, total, pre-tax and taxes; by payment form (cash, check, credit card, not collected, other); by tax
    // (sales, county).
    void totalsByPaymentFormAndTax_data()
    {
        dataColumns<QDate, QDate, QString, QString>("from", "to", "account", "figures");
        dataRow("all", QDate(2026, 1, 1), QDate(2026, 12, 31), QString(),
                "6 $229.51 $215.01 $14.50; $139.75 $10.76 $52.00 $27.00 $0.00; $12.00 $2.50");
        dataRow("March", QDate(2026, 3, 1), QDate(2026, 3, 31), QString(),
                "3 $170.26 $160.01 $10.25; $107.50 $10.76 $52.00 $0.00 $0.00; $8.25 $2.00");
        dataRow("one account", QDate(2026, 1, 1), QDate(2026, 12, 31), QStringLiteral("3003"),
                "2 $37.25 $35.00 $2.25; $32.25 $0.00 $0.00 $5.00 $0.00; $2.25 $0.00");
    }

    void totalsByPaymentFormAndTax()
    {
        auto [from, to, account] = fetched<QDate, QDate, QString>("from", "to", "account");
        TestRoot root;
        postAll(root.folder());
        const auto history =
            History::loadFinancial(root.folder(), from, to, account.isEmpty() ? std::nullopt : std::optional(account));
        const auto rows = Income::details(root.folder(), history);
        const Income::Totals t = Income::summarize(rows);
        QStringList figures{QString::number(t.count)}, forms, taxes{"$0.00", "$0.00"};
        for (const Money &m : {t.total, t.preTax, t.taxes})
            figures << Formats::currency(m);
        for (int k = 0; k < Income::kPayKinds; ++k)
            forms << Formats::currency(t.byPayKind[k]);
        for (const Income::TaxAmount &tax : t.byTax)
            taxes[tax.heading == "County Tax"] = Formats::currency(tax.amount);
        QTEST(figures.join(' ') + "; " + forms.join(' ') + "; " + taxes.join(' '), "figures");
        // Each row keeps its own check number, and two invoices of one number and day each keep their own tax.
        for (const Income::Row &r : rows) {
            for (const Posted &p : kPosted) {
                if (r.history.acctNo == p.acct && r.invoiceNo == p.invoice && r.history.dateValue == p.date) {
                    QCOMPARE(r.payForm, QString(p.payForm));
                    QCOMPARE(r.taxTotal().raw(), shownCents(p.tax1) + shownCents(p.tax2));
                }
            }
        }
    }

    // Two $53.13 invoices of one account and day keep their own payment forms: by their slips, else by the order of
    // the balance file's lines; without either, only if paid alike.
    void eachInvoiceKeepsItsOwnPaymentForm_data()
    {
        dataColumns<QString, QString, QString, QStringList>("first", "second", "kept", "forms");
        dataRow("own slips, unpaid first", QString("Not Collected"), QString("Cash"), QString("slips"),
                QStringList{"Not Collected", "Cash"});
        dataRow("own slips, paid first", QString("Cash"), QString("Not Collected"), QString("slips"),
                QStringList{"Cash", "Not Collected"});
        dataRow("balance file, one of two paid", QString("Not Collected"), QString("Cash"), QString("balance"),
                QStringList{"Not Collected", "Cash"});
        dataRow("balance file, twin checks", QString("Ck # 1684"), QString("Ck # 9141"), QString("balance"),
                QStringList{"Ck # 1684", "Ck # 9141"});
        dataRow("nothing, one of two paid", QString("Not Collected"), QString("Cash"), QString(),
                QStringList{"Cash or Not Collected?", "Cash or Not Collected?"});
        dataRow("nothing, paid alike", QString("Cash"), QString("Cash"), QString(), QStringList{"Cash", "Cash"});
        dataRow("nothing, paid differently", QString("Ck # 77"), QString("Cash"), QString(),
                QStringList{"Ck # 77 or Cash?", "Ck # 77 or Cash?"});
    }
    void eachInvoiceKeepsItsOwnPaymentForm()
    {
        auto [first, second, kept, forms] = fetched<QString, QString, QString, QStringList>("first", "second", "kept", "forms");
        TestRoot root;
        const DataFolder folder = root.folder();
        const QDate day(2026, 10, 30);
        const auto slip = [](int number, const char *invoice, const QString &form) {
            return slipOf(number, "1019", "Harbor Cafe", invoice, form, "$53.13", 5000, 313);
        };
        PostingRun::writeRecords(folder, {slip(1201, "9001", first), slip(1202, "9002", second)}, {"Sales Tax", ""},
                                 day);
        if (kept != "slips")
            folder.deleteWithBackup(SlipFiles::kFinalized);
        if (kept.isEmpty())
            folder.deleteWithBackup(AccountFiles::accountFilePath("1019"));
        const auto rows = Income::details(folder, History::loadFinancial(folder, day, day));
        QCOMPARE(rows.size(), std::size_t(2));
        QCOMPARE((QStringList{rows[0].payForm, rows[1].payForm}), forms);
        const auto invoices = PricedInvoices::fromHistory(folder, rows, Settings());
        for (int i : {0, 1})
            QCOMPARE(invoices[i].paid, forms[i] != "Not Collected" && !forms[i].endsWith('?'));
        const Income::Totals t = Income::summarize(rows, Income::payments(folder, rows, day, day));
        QCOMPARE(t.countByPayKind[int(Income::PayKind::Other)], forms[0].endsWith('?') ? 2 : 0);
        if (!forms[0].endsWith('?')) // every invoice told: its own check, and the forms add up to the total
            QCOMPARE(t.byPayKind[0] + t.byPayKind[1] + t.byPayKind[2] + t.byPayKind[3], t.total);
        // A payment alike in account, day, amount and form to an invoice's own is received later all the same.
        AccountFiles::appendPaymentRecord(folder, {"1019", "Harbor Cafe", Money::fromCents(5313), "Cash", day});
        const auto alike = Income::summarize(rows, Income::payments(folder, rows, day, day));
        QCOMPARE(alike.receivedLater, t.receivedLater + Money::fromCents(5313));
        QCOMPARE(invoices[1].received.join("|"), kept.isEmpty() || forms[1] == "Not Collected" ? "" : "Paid $53.13 on 10/30/2026, " + forms[1]);
    }

    // $10.13 taxed 0.6331 and 0.1520 was charged $10.92: its taxes show $0.64 and $0.15, adding up; without its
    // journal line the pre-tax amount is the total less the taxes, never the total.
    void partsOfAnOlderInvoiceAddUp_data()
    {
        QTest::addColumn<bool>("journal");
        dataRow("with its journal line", true);
        dataRow("without a journal line", false);
    }
    void partsOfAnOlderInvoiceAddUp()
    {
        TestRoot root;
        const DataFolder folder = root.folder();
        const QDate day(2025, 6, 2);
        PostingRun::writeRecords(folder,
                                 {{completedSlip(1001, "2002", "Oak Ave"), "2002", "Oak Ave", "801", "Cash", "$10.92",
                                   Money::fromRaw(101300), Money::fromRaw(6331), Money::fromRaw(1520)}},
                                 {"Sales Tax", "County Tax"}, day);
        QFETCH(bool, journal);
        if (!journal)
            folder.deleteWithBackup(Posting::kJournal);
        const auto rows = Income::details(folder, History::loadFinancial(folder, day, day));
        QCOMPARE(rows.size(), std::size_t(1));
        QCOMPARE(rows[0].preTax, Money::fromCents(1013));
        QCOMPARE(rows[0].taxes.size(), std::size_t(2));
        QCOMPARE(rows[0].taxes[0].amount, Money::fromCents(64));
        QCOMPARE(rows[0].taxes[1].amount, Money::fromCents(15));
        const Income::Totals t = Income::summarize(rows);
        QCOMPARE(t.preTax + t.taxes, Money::fromCents(1092));
        QCOMPARE(t.total, Money::fromCents(1092));
    }

    // The parts an invoice shows, in whole cents adding up to its total (pre-tax amount, then each tax), and the
    // rate each tax tells of (none where a span of rates charges it).
    void invoiceParts_data()
    {
        dataColumns<QString, QString, QString, QString, QString>("preTax", "taxes", "total", "shown", "rates");
        dataRow("adding up as stored", "100", "7.5", "107.5", "100 7.5", "7.5");
        dataRow("four-decimal taxes", "10.13", "0.6331 0.152", "10.92", "10.13 0.64 0.15", "6.3 1.5");
        dataRow("the cent to the tax cut most", "10", "0.152 0.6331", "10.79", "10 0.15 0.64", " ");
        dataRow("no taxes", "99.99", "", "100", "100", "");
        dataRow("the total given as pre-tax", "10.92", "0.64 0.15", "10.92", "10.13 0.64 0.15", "6.3 1.5");
        dataRow("$0.08 on $1.00", "1", "0.08", "1.08", "1 0.08", "");
    }
    void invoiceParts()
    {
        auto [preTax, taxes, total] = fetched<QString, QString, QString>("preTax", "taxes", "total");
        std::vector<Money> amounts;
        for (const QString &t : taxes.split(' ', Qt::SkipEmptyParts))
            amounts.push_back(*Formats::parseDecimal(t));
        const InvoiceParts::Parts parts =
            InvoiceParts::shown(*Formats::parseDecimal(preTax), amounts, *Formats::parseDecimal(total));
        QStringList shown{Posting::plainAmount(parts.preTax)}, rates;
        for (const Money &t : parts.taxes) {
            shown << Posting::plainAmount(t);
            rates << PricedInvoices::rateOf(parts.preTax, t);
        }
        QTEST(shown.join(' '), "shown");
        QTEST(rates.join(' '), "rates");
    }

    // A check of 11/30 for an October invoice: received in November, paid on the reprint, gone from the balance.
    void paymentsReceivedLater()
    {
        TestRoot root;
        const DataFolder folder = root.folder();
        const auto slip = [](int number, const char *invoice, const char *form, const char *amount, qint64 cents) {
            return slipOf(number, "5005", "Lake House", invoice, form, amount, cents);
        };
        PostingRun::writeRecords(folder, {slip(1301, "9100", "Not Collected", "$586.26", 58626)}, {"Sales Tax", ""},
                                 QDate(2026, 10, 15));
        PostingRun::writeRecords(folder, {slip(1302, "9101", "Not Collected", "$69.06", 6906)}, {"Sales Tax", ""},
                                 QDate(2026, 10, 20));
        PostingRun::writeRecords(folder, {slip(1303, "9102", "Cash", "$40.00", 4000)}, {"Sales Tax", ""},
                                 QDate(2026, 11, 5));
        // The check as the companion program records it: in the balance file and in the payment records.
        const QDate paidOn(2026, 11, 30);
        AccountFiles::appendAccountRecord(
            folder, {"5005", "Lake House", Money::fromCents(58626), "Payment Received", paidOn}, paidOn);
        AccountFiles::appendPaymentRecord(folder, {"5005", "Lake House", Money::fromCents(58626), "Ck # 2210", paidOn});
        const QDate nov1(2026, 11, 1), nov30(2026, 11, 30);
        const auto november = Income::details(folder, History::loadFinancial(folder, nov1, nov30));
        const auto payments = Income::payments(folder, november, nov1, nov30);
        QCOMPARE(payments.size(), std::size_t(2));
        QVERIFY(payments[0].withInvoice);  // the cash, written with invoice 9102
        QVERIFY(!payments[1].withInvoice); // the check
        const Income::Totals t = Income::summarize(november, payments);
        QCOMPARE(t.total, Money::fromCents(4000)); // invoiced in November
        QCOMPARE(t.received, Money::fromCents(62626));
        QCOMPARE(t.receivedLater, Money::fromCents(58626));
        QCOMPARE(t.receivedByPayKind[int(Income::PayKind::Check)], Money::fromCents(58626));
        QCOMPARE(t.receivedCountByPayKind[int(Income::PayKind::Check)], 1);
        QCOMPARE(t.receivedByPayKind[int(Income::PayKind::Cash)], Money::fromCents(4000));
        // The CSV: the November invoice, then the check as its own row.
        QCOMPARE(Income::incomeCsv(november, payments),
                 QByteArray("Date,Invoice No.,Account,Name,Pre-Tax,Total,Payment Form,Received\r\n"
                            "2026-11-05,\"=\"\"9102\"\"\",\"=\"\"5005\"\"\",Lake House,40.00,40.00,Cash,40.00\r\n"
                            "2026-11-30,,\"=\"\"5005\"\"\",Lake House,,,Ck # 2210,586.26\r\n"));
        QVERIFY(Income::payments(folder, november, nov1, nov30, QString("9999")).empty());
        const auto october =
            Income::details(folder, History::loadFinancial(folder, QDate(2026, 10, 1), QDate(2026, 10, 31)));
        QCOMPARE(october.size(), std::size_t(2));
        QCOMPARE(october[0].payForm, "Not Collected"); // as it was at invoicing
        const auto reprints = PricedInvoices::fromHistory(folder, october, Settings());
        QVERIFY(reprints[0].paid);
        QCOMPARE(reprints[0].paidLater, "11/30/2026");
        QVERIFY(!reprints[1].paid);
        QVERIFY(reprints[1].paidLater.isEmpty());
        const Receivables::Report owes = Receivables::load(folder, QDate(2026, 12, 1));
        QCOMPARE(owes.accounts.size(), std::size_t(1));
        QCOMPARE(owes.accounts[0].balance, Money::fromCents(6906));
        QCOMPARE(Receivables::ledgerOf(folder, "5005", QDate(2026, 12, 1)).balance, Money::fromCents(6906));
        // A part payment: the reprint bills what is left and names what paid it.
        const QDate dec1(2026, 12, 1);
        AccountFiles::appendAccountRecord(folder, {"5005", "Lake House", Money::fromCents(2000), "Payment Received", dec1},
                                          dec1);
        AccountFiles::appendPaymentRecord(folder, {"5005", "Lake House", Money::fromCents(2000), "Ck # 3001", dec1});
        const auto again = PricedInvoices::fromHistory(folder, october, Settings());
        QCOMPARE(again[0].received, QStringList{"Paid $586.26 on 11/30/2026, Ck # 2210"});
        QVERIFY(!again[1].paid);
        QCOMPARE(again[1].amountDue, Money::fromCents(4906));
        QCOMPARE(again[1].received, QStringList{"Paid $20.00 on 12/1/2026, Ck # 3001"});
    }

    void chartBars()
    {
        TestRoot root;
        postAll(root.folder());
        const auto rows = Income::details(
            root.folder(), History::loadFinancial(root.folder(), QDate(1990, 1, 1), QDate(2026, 12, 31)));
        // By month: the empty months before the first income are left out, those after it stay.
        Income::Chart months = Income::chartOf(rows, QDate(2025, 11, 1), QDate(2026, 6, 30));
        QVERIFY(!months.byDay);
        QCOMPARE(months.bars.size(), std::size_t(4));
        // Each month's label, taxes and total.
        QStringList bars;
        for (const Income::Bar &b : months.bars)
            bars << b.label + ' ' + Formats::currency(b.taxes) + ' ' + Formats::currency(b.preTax + b.taxes);
        QCOMPARE(bars, (QStringList{"Mar 2026 $10.25 $170.26", "Apr 2026 $4.25 $59.25", "May 2026 $0.00 $0.00",
                                    "Jun 2026 $0.00 $0.00"}));
        QCOMPARE(months.highest.raw(), (10750 + 1076 + 5200) * 100);
        // By day for 31 days or less, every day a bar.
        const Income::Chart days = Income::chartOf(rows, QDate(2026, 3, 1), QDate(2026, 3, 31));
        QVERIFY(days.byDay);
        QCOMPARE(days.bars.size(), std::size_t(31));
        QCOMPARE(days.bars[1].label, "3/2");
        QCOMPARE(days.bars[1].taxes.raw(), 75000 + 7500);
        QCOMPARE(days.bars[14].preTax.raw(), 5200 * 100 - 20000);
        QCOMPARE(days.bars[0].preTax + days.bars[0].taxes, Money());
        // A range's first and last day each have their bar, by day and by month; 4/20 lies after both ranges.
        const Income::Chart edges = Income::chartOf(rows, QDate(2026, 3, 15), QDate(2026, 4, 1));
        QCOMPARE(edges.bars.size(), std::size_t(18));
        QCOMPARE(edges.bars.front().preTax + edges.bars.front().taxes, Money::fromCents(5200));
        QCOMPARE(edges.bars.back().label, "4/1");
        QCOMPARE(edges.bars.back().preTax + edges.bars.back().taxes, Money::fromCents(2200 + 3225));
        const Income::Chart monthEdges = Income::chartOf(rows, QDate(2026, 2, 15), QDate(2026, 4, 1));
        QCOMPARE(monthEdges.bars.size(), std::size_t(2));
        QCOMPARE(monthEdges.bars.back().preTax + monthEdges.bars.back().taxes, Money::fromCents(2200 + 3225));
    }

    void agedReceivables()
    {
        TestRoot root;
        const DataFolder folder = root.folder();
        const QDate today(2026, 4, 10);
        auto line = [&](const QString &acct, const QDate &date, const QString &description, qint64 cents) {
            AccountFiles::appendAccountRecord(folder,
                                              {acct, "Name " + acct, Money::fromCents(cents), description, date}, date);
        };
        // 00123: an old unpaid invoice, a paid one, a newer unpaid one, then a later payment of part.
        line("00123", QDate(2026, 1, 1), "601", 10000);
        line("00123", QDate(2026, 3, 1), "602", 5000);
        line("00123", QDate(2026, 3, 1), "Payment Received", 5000);
        line("00123", QDate(2026, 3, 20), "603", 3000);
        line("00123", QDate(2026, 4, 1), "Payment Received", 4000);
        // B: everything paid. C: an unpaid invoice of 54 days. D: paid more than it owed.
        line("B", QDate(2026, 2, 1), "604", 2500);
        line("B", QDate(2026, 2, 1), "Payment Received", 2500);
        line("C", QDate(2026, 2, 15), "605", 2500);
        line("D", QDate(2026, 3, 5), "Payment Received", 1000);
        // Who Still Owes names the customer of the account, not the job's site the balance file was opened with.
        WriteCustomer(folder, 1, customer(QStringLiteral("C|Business|Carol Diaz")));
        const Receivables::Report report = Receivables::load(folder, today);
        std::vector<Receivables::Account> sorted = report.accounts;
        Receivables::sort(sorted, Receivables::SortBy::Age);
        QCOMPARE(sorted.front().acctNo, "00123");
        Receivables::sort(sorted, Receivables::SortBy::Amount);
        QCOMPARE(sorted.front().acctNo, "00123");
        sorted.back().balance = Money::fromCents(99999);
        Receivables::sort(sorted, Receivables::SortBy::Amount);
        QCOMPARE(sorted.front().acctNo, "C");
        // Each account and the totals as the CSV gives them to a spreadsheet: a byte-order mark, the account number
        // as text, plain amounts.
        QCOMPARE(Receivables::receivablesCsv(report, {true}),
                 QByteArray("\xEF\xBB\xBF"
                            "Account,Name,Balance,Oldest Unpaid,Age (days),0-30,31-60,61-90,Over 90\r\n"
                            "\"=\"\"00123\"\"\",Name 00123,90.00,2026-01-01,99,30.00,0.00,0.00,60.00\r\n"
                            "C,Carol Diaz,25.00,2026-02-15,54,0.00,25.00,0.00,0.00\r\n"
                            ",Total,115.00,,,30.00,25.00,0.00,60.00\r\n"));
    }

    // Who still owes on 3/1/2028, one account's balance file: what each invoice still owes (in dollars), the age of
    // the oldest unpaid, and the columns by age over a year's end and a leap day. A payment pays the invoice it was
    // written with (its amount, the same day, right after it), else the oldest unpaid first.
    void whoStillOwes_data()
    {
        dataColumns<QStringList, QString, int, QString>("lines", "unpaid", "days", "owed");
        dataRow("today", QStringList{"3/1/2028 901 1234"}, "12.34", 0, "0-30 $12.34");
        dataRow("30 days, over the leap day", QStringList{"1/31/2028 901 1234"}, "12.34", 30, "0-30 $12.34");
        dataRow("31 days", QStringList{"1/30/2028 901 1234"}, "12.34", 31, "31-60 $12.34");
        dataRow("60 days", QStringList{"1/1/2028 901 1234"}, "12.34", 60, "31-60 $12.34");
        dataRow("61 days, the year before", QStringList{"12/31/2027 901 1234"}, "12.34", 61, "61-90 $12.34");
        dataRow("90 days", QStringList{"12/2/2027 901 1234"}, "12.34", 90, "61-90 $12.34");
        dataRow("91 days", QStringList{"12/1/2027 901 1234"}, "12.34", 91, "Over 90 $12.34");
        const QStringList two{"1/5/2028 901 5000", "2/1/2028 902 3000"};
        dataRow("paid with it", two + QStringList{"2/1/2028 Payment Received 3000"}, "50 0", 56, "31-60 $50.00");
        dataRow("paid with it, then an alike payment", two + QStringList(2, "2/1/2028 Payment Received 3000"), "20 0",
                56, "31-60 $20.00");
        dataRow("paid later, the newest's amount", two + QStringList{"2/20/2028 Payment Received 3000"}, "20 30", 56,
                "0-30 $30.00, 31-60 $20.00");
        dataRow("paid later, more than the oldest", two + QStringList{"2/20/2028 Payment Received 6000"}, "0 20", 29,
                "0-30 $20.00");
        dataRow("paid ahead", QStringList{"1/2/2028 Payment Received 4000"} + two, "10 30", 56,
                "0-30 $30.00, 31-60 $10.00");
        dataRow("a credit", two + QStringList{"2/1/2028 Credit -5000"}, "0 30", 29, "0-30 $30.00");
    }
    void whoStillOwes()
    {
        QFETCH(QStringList, lines);
        TestRoot root;
        for (const QString &l : lines) {
            const QDate day = QDate::fromString(l.section(' ', 0, 0), "M/d/yyyy");
            AccountFiles::appendAccountRecord(
                root.folder(),
                {"7007", "Lake House", Money::fromCents(l.section(' ', -1).toLongLong()), l.section(' ', 1, -2), day},
                day);
        }
        const QDate today(2028, 3, 1);
        QStringList unpaid, owed;
        for (const Receivables::Invoice &i : Receivables::ledgerOf(root.folder(), "7007", today).invoices)
            unpaid << Posting::plainAmount(i.unpaid);
        QTEST(unpaid.join(' '), "unpaid");
        const Receivables::Report report = Receivables::load(root.folder(), today);
        QCOMPARE(report.accounts.size(), std::size_t(1));
        QTEST(report.accounts[0].ageDays, "days");
        for (int b = 0; b < Receivables::kBuckets; ++b) {
            if (!report.totals[b].isZero())
                owed << Receivables::bucketName(b) + ' ' + Formats::currency(report.totals[b]);
        }
        QTEST(owed.join(", "), "owed");
    }

    void spreadsheetText_data()
    {
        dataColumns<QString, QString>("text", "field");
        dataRow("leading zeros", QStringLiteral("00123"), QStringLiteral("\"=\"\"00123\"\"\""));
        dataRow("a date to a spreadsheet", QStringLiteral("3-12"), QStringLiteral("\"=\"\"3-12\"\"\""));
        dataRow("scientific", QStringLiteral("1E5"), QStringLiteral("\"=\"\"1E5\"\"\""));
        dataRow("letters", QStringLiteral("A100"), QStringLiteral("A100"));
        dataRow("a formula", QStringLiteral("=2+3"), QStringLiteral("'=2+3"));
        dataRow("a comma", QStringLiteral("Smith, John"), QStringLiteral("\"Smith, John\""));
        dataRow("empty", QString(), QString());
    }

    void spreadsheetText()
    {
        QFETCH(QString, text);
        QTEST(Csv::text(text), "field");
    }
};

QTEST_GUILESS_MAIN(TestIncome)
#include "tst_income.moc"
