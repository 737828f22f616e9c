#include "billing/posting.h"
#include "core/diskerror.h"
#include "core/oledate.h"
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

    void finalizedArchive()
    {
        TestRoot root;
        Record slip(serviceSlipLayout());
        const Record done = finalizedSlip(slip, "INV-9", "Ck # 123", "$1,234,567.00");
        QCOMPARE(done.text(SlipField::Status) + done.text(SlipField::InvoiceNo) + done.text(SlipField::PayForm) +
                     done.text(SlipField::Amount),
                 "FinalizedINV-9Ck # 1231234567.00");
        root.write("/FinalizedServiceSlips.txt", slip.bytes());
        AppendFinalizedSlips(root.folder(), std::vector<Record>{done, done});
        QCOMPARE(root.read("/FinalizedServiceSlips.txt"), slip.bytes() + done.bytes() + done.bytes());
    }
};

QTEST_GUILESS_MAIN(TestPosting)
#include "tst_posting.moc"
