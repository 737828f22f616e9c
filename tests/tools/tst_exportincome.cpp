#include "billing/posting.h"
#include "testsupport.h"
#include "tools/datatool.h"

#include <QBuffer>
#include <QTest>

class TestExportIncome : public QObject
{
    Q_OBJECT

    int run(const QStringList &args, QString *err = nullptr)
    {
        QString o, e;
        QTextStream out(&o), errs(&e);
        QBuffer in;
        in.open(QIODevice::ReadOnly);
        const int status = runDataTool(args, out, errs, in);
        errs.flush();
        if (err)
            *err = e;
        return status;
    }

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
        QCOMPARE(root.read("/march.csv"), QByteArray("Account,Name,Date,Invoice Number/Reference,Amount\r\n"
                                                     "\"=\"\"2002\"\"\",\"Oak, Ave\",2026-03-01,Invoice No. 2,5.50\r\n"
                                                     "\"=\"\"1001\"\"\",Main St,2026-03-31,Invoice No. 3,1.25\r\n"));
        QCOMPARE(run({"export-income", "--root", root.path(), "--from", "2026-01-01", "--to", "2026-12-31", "--account",
                      "1001", "--out", out}),
                 0);
        QCOMPARE(root.read("/march.csv").count("\r\n"), 4);

        QString err;
        QCOMPARE(
            run({"export-income", "--root", root.path(), "--from", "2026-13-01", "--to", "2026-03-31", "--out", out},
                &err),
            2);
        QVERIFY(err.contains("--from and --to"));
        QCOMPARE(
            run({"export-income", "--root", root.path(), "--from", "2026-03-31", "--to", "2026-03-01", "--out", out}),
            2);
        QCOMPARE(run({"export-income", "--root", root.path(), "--out", out}), 2);
    }
};

QTEST_GUILESS_MAIN(TestExportIncome)
#include "tst_exportincome.moc"
