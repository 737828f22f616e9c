#include "billing/posting.h"
#include "testsupport.h"
#include "tooltesting.h"

#include <QTest>

class TestExportIncome : public QObject
{
    Q_OBJECT

    static int run(const QStringList &args) { return runTool(args).status; }

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void exportsTheRange()
    {
        TestRoot root;
        const DataFolder folder = root.folder();
        WriteHistory(folder, "1001", "Main St", "$10.00", QDate(2026, 2, 28), "Invoice No. 1");
        WriteHistory(folder, "2002", "Oak, Ave", "$5.50", QDate(2026, 3, 1), "Invoice No. 2");
        WriteHistory(folder, "1001", "Main St", "$1.25", QDate(2026, 3, 31), "Invoice No. 3");
        WriteHistory(folder, "1001", "Main St", "$9.00", QDate(2026, 4, 1), "Invoice No. 4");
        const QString out = root.file("/march.csv");
        QCOMPARE(
            run({"export-income", "--root", root.path(), "--from", "2026-03-01", "--to", "3/31/2026", "--out", out}),
            0);
        QCOMPARE(root.read("/march.csv"),
                 QByteArray("Date,Invoice No.,Account,Name,Pre-Tax,Total,Payment Form,Received\r\n"
                            "2026-03-01,\"=\"\"2\"\"\",\"=\"\"2002\"\"\",\"Oak, Ave\",5.50,5.50,Not Collected,\r\n"
                            "2026-03-31,\"=\"\"3\"\"\",\"=\"\"1001\"\"\",Main St,1.25,1.25,Not Collected,\r\n"));
        QCOMPARE(run({"export-income", "--root", root.path(), "--from", "2026-01-01", "--to", "2026-12-31", "--account",
                      "1001", "--out", out}),
                 0);
        QCOMPARE(root.read("/march.csv").count("\r\n"), 4);

        const ToolRun bad = runTool(
            {"export-income", "--root", root.path(), "--from", "2026-13-01", "--to", "2026-03-31", "--out", out});
        QCOMPARE(bad.status, 2);
        QVERIFY(bad.err.contains("--from and --to"));
        QCOMPARE(
            run({"export-income", "--root", root.path(), "--from", "2026-03-31", "--to", "2026-03-01", "--out", out}),
            2);
        QCOMPARE(run({"export-income", "--root", root.path(), "--out", out}), 2);
    }

    // Every option form says the same; a one-day range takes that day whole; the line printed names the count
    // and the total.
    void optionFormsOneDayAndTotal_data()
    {
        dataColumns<bool, QString, QString>("equals", "from", "expected");
        dataRow("--name value, one day", false, QString("2026-03-31"), QString("2 records, total $11.30"));
        dataRow("--name=value, one day", true, QString("3/31/2026"), QString("2 records, total $11.30"));
        dataRow("--name=value, two days", true, QString("2026-03-30"), QString("3 records, total $12.30"));
    }
    void optionFormsOneDayAndTotal()
    {
        auto [equals, from] = fetched<bool, QString>("equals", "from");
        TestRoot root;
        const DataFolder folder = root.folder();
        WriteHistory(folder, "1001", "Main St", "$1.00", QDate(2026, 3, 30), "Invoice No. 1");
        WriteHistory(folder, "1001", "Main St", "$1.25", QDate(2026, 3, 31), "Invoice No. 2");
        WriteHistory(folder, "2002", "Oak Ave", "$10.05", QDate(2026, 3, 31), "Invoice No. 3");
        WriteHistory(folder, "2002", "Oak Ave", "$9.00", QDate(2026, 4, 1), "Invoice No. 4");
        const QString out = root.file("/day.csv");
        const QStringList pairs = {"root", root.path(), "from", from, "to", "2026-03-31", "out", out};
        QStringList args = {"export-income"};
        for (int i = 0; i < pairs.size(); i += 2)
            args << (equals ? QStringList{"--" + pairs[i] + "=" + pairs[i + 1]}
                            : QStringList{"--" + pairs[i], pairs[i + 1]});
        const ToolRun printed = runTool(args);
        QCOMPARE(printed.status, 0);
        QFETCH(QString, expected);
        QCOMPARE(printed.out, expected + ", written to " + out + "\n");
        QVERIFY(root.read("/day.csv")
                    .contains("2026-03-31,\"=\"\"3\"\"\",\"=\"\"2002\"\"\",Oak Ave,10.05,10.05,Not Collected,\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestExportIncome)
#include "tst_exportincome.moc"
