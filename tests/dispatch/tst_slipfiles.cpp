#include "core/diskerror.h"
#include "core/slipcounter.h"
#include "dispatch/newslip.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "testsupport.h"

#include <QTest>

namespace {

// "number status assignment date time"; missing parts as a new unscheduled slip has them.
Record slip(const QString &fields)
{
    const QStringList f = fields.split(' ');
    Record r(serviceSlipLayout());
    r.setInt16(SlipField::SlipNo, qint16(f[0].toInt()));
    r.setText(SlipField::Status, f.value(1, "Open"));
    r.setText(SlipField::AssignedTo, f.value(2));
    r.setText(SlipField::SchedDate, f.value(3, "0"));
    r.setText(SlipField::SchedTime, f.value(4, "None"));
    return r;
}

// The slip numbers of the active and completed files; "-" for a file that does not exist.
QString files(const TestRoot &root)
{
    QStringList out;
    for (const QString &file : {SlipFiles::kActive, SlipFiles::kCompleted}) {
        QStringList numbers;
        for (const Record &r : root.folder().readRecords(file, serviceSlipLayout()))
            numbers.append(QString::number(r.int16(SlipField::SlipNo)));
        out.append(root.exists(file) ? numbers.join(' ') : "-");
    }
    return out.join(" | ") + (root.exists("/Backup/ServiceSlips.txt") ? " +backup" : "");
}

} // namespace

class TestSlipFiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    // Before: slip 77 active with a Backup copy; "+900": slip 900 waits in the completed file.
    void saveEndStates_data()
    {
        QTest::addColumn<QStringList>("board");
        QTest::addColumn<QString>("after");
        QTest::newRow("mixed") << QStringList{"1", "2 Complete", "3 Suspended", "4 Complete"} << "1 3 | 2 4";
        QTest::newRow("all complete") << QStringList{"+900", "1 Complete", "2 Complete"} << "- | 900 1 2";
        QTest::newRow("none complete") << QStringList{"1", "2 complete"} << "1 2 | -";
        QTest::newRow("none complete, waiting kept") << QStringList{"+900", "1"} << "1 | 900";
    }
    void saveEndStates()
    {
        QFETCH(QStringList, board);
        TestRoot root;
        root.write(SlipFiles::kActive, slip("77").bytes());
        root.write("/Backup/ServiceSlips.txt", slip("77").bytes());
        if (board.removeAll("+900"))
            root.write(SlipFiles::kCompleted, slip("900 Complete").bytes());
        std::vector<Record> rows;
        for (const QString &row : board)
            rows.push_back(slip(row));
        SaveActiveSlips(root.folder(), rows);
        QTEST(files(root), "after");
    }

    void saveFailureDuplicatesRatherThanLoses()
    {
        TestRoot root;
        DataFolder folder = root.folder();
        root.write(SlipFiles::kActive, slip("1").bytes() + slip("2").bytes());
        folder.setFaultHook([](const char *step, const QString &) {
            if (QByteArray(step) == "rename")
                throw DiskError("crash");
        });
        QVERIFY_THROWS_EXCEPTION(DiskError, SaveActiveSlips(folder, std::vector{slip("1"), slip("2 Complete")}));
        QCOMPARE(files(root), "1 2 | 2");
    }

    void rewriteAppendDelete()
    {
        TestRoot root;
        root.write("/Backup/ServiceSlips.txt", slip("77").bytes());
        RewriteActiveSlips(root.folder(), std::vector<MarkedSlip>{{slip("1"), true}, {slip("2 Complete"), false}});
        AppendSlip(root.folder(), slip("3"));
        QCOMPARE(files(root), "2 3 | -"); // an unmarked "Complete" slip stays
        RewriteActiveSlips(root.folder(), std::vector<MarkedSlip>{{slip("2"), true}});
        QCOMPARE(files(root), "- | -");
        AppendSlip(root.folder(), slip("4"));
        root.write("/Backup/ServiceSlips.txt", slip("4").bytes());
        DeleteActiveSlips(root.folder());
        QCOMPARE(files(root), "- | -");
    }

    void slotBooking_data()
    {
        QTest::addColumn<QString>("slot"); // assignment date time skip
        QTest::addColumn<bool>("booked");
        QTest::newRow("same slot") << "Bob 3/9/2026 08:00 0" << true;
        QTest::newRow("own record skipped") << "Bob 3/9/2026 08:00 2" << false;
        QTest::newRow("other time") << "Bob 3/9/2026 09:00 0" << false;
        QTest::newRow("case counts") << "bob 3/9/2026 08:00 0" << false;
        QTest::newRow("unscheduled slips book nothing") << "Ann 0 None 3" << false;
        QTest::newRow("a date without a time books nothing") << "Cy 3/9/2026 None 0" << false;
    }
    void slotBooking()
    {
        QFETCH(QString, slot);
        const QStringList s = slot.split(' ');
        TestRoot root;
        QVERIFY(!IsSlotBooked(root.folder(), s[0], s[1], s[2], s[3].toInt())); // no file: nothing booked
        root.write(SlipFiles::kActive, slip("1").bytes() + slip("2 Assigned Bob 3/9/2026 08:00").bytes() +
                                           slip("3 Assigned Ann").bytes() + slip("4 Assigned Ann").bytes() +
                                           slip("5 Assigned Cy 3/9/2026 None").bytes());
        QTEST(IsSlotBooked(root.folder(), s[0], s[1], s[2], s[3].toInt()), "booked");
        QVERIFY(!IsSlotBooked(root.folder(), " " + s[0], s[1], s[2], 0)); // the text is not trimmed
    }

    void slipNumbersAreNeverReused()
    {
        TestRoot root;
        SlipCounter counter;
        Record r = slip("0");
        QVERIFY(!createSlip(root.folder(), counter, r) && !createSlip(root.folder(), counter, r));
        DeleteActiveSlips(root.folder());
        QVERIFY(!createSlip(root.folder(), counter, r));
        counter.load(root.folder());
        QCOMPARE(files(root) + " next " + QString::number(counter.next()), "1002 | - next 1003");
        counter.set(SlipCounter::kLast);
        QVERIFY(createSlip(root.folder(), counter, r).value_or("").contains("32767"));
        // Stored, but the counter file cannot be written: the number is still not given again.
        DataFolder failing = root.folder();
        failing.setFaultHook([](const char *, const QString &path) {
            if (path.endsWith("SlipNo.txt"))
                throw DiskError("full");
        });
        counter.set(2000);
        QVERIFY_THROWS_EXCEPTION(DiskError, createSlip(failing, counter, r));
        QCOMPARE(files(root) + " next " + QString::number(counter.next()), "1002 2000 | - next 2001");
    }
};

QTEST_GUILESS_MAIN(TestSlipFiles)
#include "tst_slipfiles.moc"
