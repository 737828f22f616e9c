#include "billing/invoicenumbers.h"
#include "billing/posting.h"
#include "core/clock.h"
#include "core/diskerror.h"
#include "core/oledate.h"
#include "core/settings.h"
#include "dispatch/servicesliprecord.h"
#include "testsupport.h"

#include <QTest>
#include <QtEndian>
#include <bit>

namespace {

const QDate kDay(2026, 3, 7);

// "text~width|text~width...": each text padded or cut to its width.
QByteArray fields(const QString &layout)
{
    QByteArray out;
    for (const QString &f : layout.split('|'))
        out += f.section('~', 0, 0).toLatin1().leftJustified(f.section('~', 1).toInt(), ' ', true);
    return out;
}

QByteArray le64(qint64 v)
{
    QByteArray out(8, '\0');
    qToLittleEndian(v, out.data());
    return out;
}

} // namespace

class TestPosting : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    // The invoice counter never hands out a number at or below one in use in the journal or the history, says
    // so once, takes numbers before printing and gives the unused ones back.
    void invoiceCounterNeverReusesANumber_data()
    {
        dataColumns<QByteArray, int, int, int, bool>("stored", "journalTo", "history", "next", "noted");
        dataRow("empty file", QByteArray(""), 20260080, 0, 20260081, true);
        dataRow("zero, the history ahead", QByteArray("0\r\n"), 20260004, 20260012, 20260013, true);
        dataRow("typed back", QByteArray("20260005\r\n"), 20260080, 0, 20260081, true);
        dataRow("at the last in use", QByteArray("20260080\r\n"), 20260080, 0, 20260081, true);
        dataRow("ahead", QByteArray("20260100\r\n"), 20260080, 20260099, 20260100, false);
        dataRow("no file", QByteArray(), 20260003, 0, 20260004, true);
        dataRow("last year's only", QByteArray("20250500\r\n"), 20250500, 0, 20260001, false);
    }
    void invoiceCounterNeverReusesANumber()
    {
        auto [stored, journalTo, history, next] =
            fetched<QByteArray, int, int, int>("stored", "journalTo", "history", "next");
        TestRoot root;
        const DataFolder folder = root.folder();
        if (!stored.isNull())
            root.write("/VIInvoiceNo.txt", stored);
        for (int n = journalTo - 3; n <= journalTo; ++n)
            WriteInvoiceJournal(folder, "Ann", "A1", QString::number(n), Money::fromRaw(10000), Money(),
                                Money::fromRaw(10000), kDay);
        if (history)
            WriteHistory(folder, "A1", "Ann", "$1.00", kDay, "Invoice No. " + QString::number(history));
        Settings settings;
        InvoiceNumbers numbers(folder, settings);
        const FixedClock clock(QDateTime(kDay, QTime(9, 0)));
        const auto note = numbers.load(clock);
        QTEST(note.has_value(), "noted");
        if (note)
            QVERIFY2(note->contains(QString::number(next)), qPrintable(*note));
        QCOMPARE(settings.invoiceNumber, next);
        QVERIFY(!numbers.load(clock)); // said once
        // Three taken before printing, one printed: two given back.
        QCOMPARE(numbers.reserve(3), next);
        QCOMPARE(root.read("/VIInvoiceNo.txt"), QByteArray::number(next + 3) + "\r\n");
        numbers.giveBack(next, 3, 1);
        QCOMPARE(root.read("/VIInvoiceNo.txt"), QByteArray::number(next + 1) + "\r\n");
        // A number typed back in the setup screen moves past the numbers in use when invoices are taken.
        settings.invoiceNumber = journalTo - 1;
        QString moved;
        QCOMPARE(numbers.reserve(1, &moved), qMax(journalTo, history) + 1);
        QVERIFY(!moved.isEmpty());
    }

    void historyRecords()
    {
        TestRoot root;
        const DataFolder folder = root.folder();
        WriteHistory(folder, " 1001 ", "Main St Site", "107.5", kDay, Posting::kInvoiceDescription + "77");
        WriteHistory(folder, "1001", "Site", "$123,456.78", kDay, "x"); // shortened, still the same amount
        QVERIFY_THROWS_EXCEPTION(DiskError, WriteHistory(folder, "1", "n", "abc", kDay, "d"));
        const QByteArray bytes = root.read(Posting::kHistory);
        QCOMPARE(bytes.size(), 2 * 155);
        QCOMPARE(bytes.left(155), fields("Main St Site~45|1001~25|3/7/2026~15|Invoice No. 77~60|$107.50~10"));
        QCOMPARE(bytes.right(10), "$123456.78");
        WriteServiceHistory(folder, " 1001 ", " Site ", " Bob ", kDay, "  " + QString(200, 'w'));
        QCOMPARE(root.read(Posting::kServiceHistory),
                 fields("Site~30|1001~25|3/7/2026~15|" + QString(35, 'w') + "~35|Bob~40"));
    }

    void taxAndJournal()
    {
        TestRoot root;
        const Money preTax = Money::fromRaw(100100);
        const Money tax = Money::fromRaw(7508);
        WriteTaxRecord(root.folder(), "Sales Tax", tax, Money::fromRaw(75000), kDay, 1, "INV-9");
        WriteTaxRecord(root.folder(), "Sales Tax", tax, Money::fromRaw(75000), kDay, 2, "INV-9");
        const QByteArray head = fields("Sales Tax~20|3/7/2026~15|INV-9~30");
        QCOMPARE(root.read(Posting::kTaxRecords), head + fields("0.7508~10") + head + fields("7.5~10"));
        QCOMPARE(Posting::plainAmount(Money::fromRaw(120000)) + Posting::plainAmount(Money::fromRaw(-5000)), "12-0.5");
        WriteInvoiceJournal(root.folder(), "Site", "1001", "INV-9", preTax, tax, preTax + tax, kDay);
        QCOMPARE(root.read(Posting::kJournal), fields("Site~45|1001~20|INV-9~20") +
                                                   le64(std::bit_cast<qint64>(OleDate::fromDate(kDay))) + le64(100100) +
                                                   le64(7508) + le64(0) + le64(107608));
    }

    // The tax file's plain amounts keep the zeros that lead a fraction, in every decimal place.
    void plainAmountsKeepLeadingZeros_data()
    {
        dataColumns<qint64, QString>("raw", "text");
        dataRow("$1.05", qint64(10500), QString("1.05"));
        dataRow("$1.005", qint64(10050), QString("1.005"));
        dataRow("$1.0005", qint64(10005), QString("1.0005"));
        dataRow("$0.05", qint64(500), QString("0.05"));
        dataRow("$0.0005", qint64(5), QString("0.0005"));
        dataRow("$100.05", qint64(1000500), QString("100.05"));
        dataRow("-$1.05", qint64(-10500), QString("-1.05"));
        dataRow("$1.50", qint64(15000), QString("1.5"));
        dataRow("$2", qint64(20000), QString("2"));
    }
    void plainAmountsKeepLeadingZeros()
    {
        QFETCH(qint64, raw);
        QTEST(Posting::plainAmount(Money::fromRaw(raw)), "text");
    }

    void finalizedArchive()
    {
        TestRoot root;
        Record slip(serviceSlipLayout());
        const Record done = finalizedSlip(slip, "INV-9", "Ck # 123", "$1,234,567.00");
        QCOMPARE(done.text(SlipField::Status) + done.text(SlipField::InvoiceNo) + done.text(SlipField::PayForm) +
                     done.text(SlipField::Amount),
                 "FinalizedINV-9Ck # 1231234567.00");
        root.write("/FinalizedServiceSlips.txt", slip.bytes());
        appendFinalizedSlips(root.folder(), std::vector<Record>{done, done});
        QCOMPARE(root.read("/FinalizedServiceSlips.txt"), slip.bytes() + done.bytes() + done.bytes());
    }
};

QTEST_GUILESS_MAIN(TestPosting)
#include "tst_posting.moc"
