#include "core/textfile.h"
#include "testsupport.h"
#include "tools/datatool.h"
#include "tools/samplegenerator.h"

#include <QBuffer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

class TestRender : public QObject
{
    Q_OBJECT

    struct Run
    {
        int status = 0;
        QString out;
        QString err;
    };

    Run tool(const QStringList &args)
    {
        Run run;
        QTextStream out(&run.out);
        QTextStream err(&run.err);
        QBuffer in;
        in.open(QIODevice::ReadOnly);
        run.status = runDataTool(args, out, err, in);
        return run;
    }

    static qint64 invoiceNumber(const TestRoot &root)
    {
        return TextReader(root.read(QStringLiteral("/VIInvoiceNo.txt"))).readInteger();
    }

    static void generate(const TestRoot &root)
    {
        GenerateOptions options;
        options.customers = 30;
        options.slips = 30;
        options.history = 20;
        options.today = QDate(2026, 12, 6);
        generateSampleData(root.folder(), options);
    }

    QStringList render(const TestRoot &root, const QString &document, const QString &pdf)
    {
        return {QStringLiteral("render"),
                QStringLiteral("--root"),
                root.path(),
                QStringLiteral("--document"),
                document,
                QStringLiteral("--out"),
                pdf,
                QStringLiteral("--today"),
                QStringLiteral("12/6/2026")};
    }

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void everyDocumentKindRendersToPdf_data()
    {
        QTest::addColumn<QString>("document");
        QTest::addColumn<QString>("text");
        QTest::newRow("invoice") << QStringLiteral("invoice") << QStringLiteral("INVOICE");
        QTest::newRow("order") << QStringLiteral("order") << QStringLiteral("Service Order");
        QTest::newRow("slip report") << QStringLiteral("slip-report") << QStringLiteral("Service Slip Report");
        QTest::newRow("blank") << QStringLiteral("blank") << QStringLiteral("INVOICE");
    }
    void everyDocumentKindRendersToPdf()
    {
        QFETCH(QString, document);
        QFETCH(QString, text);
        TestRoot root;
        generate(root);
        const QString pdf = root.path() + QStringLiteral("/out.pdf");
        const Run run = tool(render(root, document, pdf));
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QVERIFY(QFileInfo(pdf).size() > 1000);
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext is not installed");
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        QVERIFY(p.waitForFinished(30000));
        QVERIFY(QString::fromUtf8(p.readAllStandardOutput()).contains(text));
    }

    void invoicesAdvanceTheStoredNumberUnlessDryRun()
    {
        TestRoot root;
        generate(root);
        const qint64 before = invoiceNumber(root);
        Run run = tool(render(root, QStringLiteral("invoice"), root.path() + QStringLiteral("/a.pdf"))
                       << QStringLiteral("--dry-run"));
        QCOMPARE(run.status, 0);
        QCOMPARE(invoiceNumber(root), before);
        run = tool(render(root, QStringLiteral("invoice"), root.path() + QStringLiteral("/b.pdf")));
        QCOMPARE(run.status, 0);
        const int printed = run.out.section(QLatin1Char(' '), 0, 0).toInt();
        QVERIFY(printed > 0);
        QCOMPARE(invoiceNumber(root), before + printed);
        // Blank forms carry no number.
        QCOMPARE(tool(render(root, QStringLiteral("blank"), root.path() + QStringLiteral("/c.pdf"))).status, 0);
        QCOMPARE(invoiceNumber(root), before + printed);
    }

    void badRequestsAreRefused_data()
    {
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<QString>("document");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown document")
            << QStringList() << QStringLiteral("letter") << QStringLiteral("unknown document");
        QTest::newRow("unknown slip") << QStringList{QStringLiteral("--slips"), QStringLiteral("1,2")}
                                      << QStringLiteral("order") << QStringLiteral("not among the active slips");
        QTest::newRow("bad slip list") << QStringList{QStringLiteral("--slips"), QStringLiteral("12x")}
                                       << QStringLiteral("order") << QStringLiteral("--slips");
    }
    void badRequestsAreRefused()
    {
        QFETCH(QStringList, extra);
        QFETCH(QString, document);
        QFETCH(QString, message);
        TestRoot root;
        generate(root);
        const QString pdf = root.path() + QStringLiteral("/x.pdf");
        const Run run = tool(render(root, document, pdf) + extra);
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        QVERIFY(!QFileInfo::exists(pdf));
    }
};

QTEST_MAIN(TestRender)
#include "tst_render.moc"
