#include "core/textfile.h"
#include "platform/instancelock.h"
#include "testsupport.h"
#include "tools/samplegenerator.h"
#include "tooltesting.h"

#include <QDateTime>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <memory>

class TestRender : public QObject
{
    Q_OBJECT

    static qint64 invoiceNumber(const TestRoot &root)
    {
        return TextReader(root.read("/VIInvoiceNo.txt")).readInteger();
    }

    static void generate(const TestRoot &root)
    {
        generateSampleData(root.folder(), {.customers = 30, .slips = 30, .history = 20, .today = QDate(2026, 12, 6)});
    }

    static QStringList render(const TestRoot &root, const QString &document, const QString &pdf)
    {
        return {"render", "--root", root.path(), "--document", document, "--out", pdf, "--today", "12/6/2026"};
    }

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void everyDocumentKindRendersToPdf_data()
    {
        dataColumns<QString, QString>("document", "text");
        dataRow("invoice", "invoice", "INVOICE");
        dataRow("order", "order", "Service Order");
        dataRow("slip report", "slip-report", "Service Slip Report");
        dataRow("blank", "blank", "INVOICE");
    }
    void everyDocumentKindRendersToPdf()
    {
        auto [document, text] = fetched<QString, QString>("document", "text");
        TestRoot root;
        generate(root);
        const QString pdf = root.path() + "/out.pdf";
        const ToolRun run = runTool(render(root, document, pdf));
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QVERIFY(QFileInfo(pdf).size() > 1000);
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext is not installed");
        QProcess p;
        p.start("pdftotext", {pdf, "-"});
        QVERIFY(p.waitForFinished(30000));
        QVERIFY(QString::fromUtf8(p.readAllStandardOutput()).contains(text));
    }

    void invoicesAdvanceTheStoredNumberUnlessDryRun()
    {
        TestRoot root;
        generate(root);
        const qint64 before = invoiceNumber(root);
        const ToolRun run = runTool(render(root, "invoice", root.path() + "/b.pdf"));
        QCOMPARE(run.status, 0);
        const int printed = run.out.section(' ', 0, 0).toInt();
        QVERIFY(printed > 0);
        QCOMPARE(invoiceNumber(root), before + printed);
        // Blank forms carry no number.
        QCOMPARE(runTool(render(root, "blank", root.path() + "/c.pdf")).status, 0);
        QCOMPARE(invoiceNumber(root), before + printed);
    }

    void dryRunWritesNothingInTheDataFolder()
    {
        TestRoot root;
        TestRoot outside;
        generate(root);
        // The narrative as the invoicing program left it.
        root.write("/VarnelInvoicer/Narratives/Narrative.txt", "Left by the invoicer\r\n");
        const QStringList before = folderStamps(root.path());
        const ToolRun run = runTool(render(root, "invoice", outside.path() + "/a.pdf") << "--dry-run");
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(folderStamps(root.path()), before);
        QCOMPARE(root.read("/VarnelInvoicer/Narratives/Narrative.txt"), QByteArray("Left by the invoicer\r\n"));
    }

    void writingCommandsRefuseWhileTheProgramRuns()
    {
        TestRoot root;
        generate(root);
        auto program = std::make_unique<InstanceLock>(root.path());
        QVERIFY(program->tryLock());
        const qint64 number = invoiceNumber(root);
        const QString refusal = "The program is running on this data folder; close it first.";
        ToolRun run = runTool(render(root, "invoice", root.path() + "/a.pdf"));
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.contains(refusal), qPrintable(run.err));
        QCOMPARE(invoiceNumber(root), number);
        // Reading and trial printing go on beside the program.
        run = runTool(render(root, "invoice", root.path() + "/b.pdf") << "--dry-run");
        QCOMPARE(run.status, 0);
        QVERIFY(runTool({"check", root.path()}).status != 2);
        // generate into a folder the program holds, even an empty one
        TestRoot empty;
        InstanceLock held(empty.path());
        QVERIFY(held.tryLock());
        run = runTool({"generate", "--root", empty.path()});
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.contains(refusal), qPrintable(run.err));
        // Once the program has ended, the tool writes again.
        program.reset();
        run = runTool(render(root, "invoice", root.path() + "/c.pdf"));
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QVERIFY(invoiceNumber(root) > number);
    }

    void badRequestsAreRefused_data()
    {
        dataColumns<QStringList, QString, QString>("extra", "document", "message");
        dataRow("unknown document", QStringList(), "letter", "unknown document");
        dataRow("unknown slip", QStringList{"--slips", "1,2"}, "order", "not among the active slips");
        dataRow("bad slip list", QStringList{"--slips", "12x"}, "order", "--slips");
        dataRow("count out of range", QStringList{"--count", "0"}, "blank", "from 1 to 1000");
    }
    void badRequestsAreRefused()
    {
        auto [extra, document, message] = fetched<QStringList, QString, QString>("extra", "document", "message");
        TestRoot root;
        generate(root);
        const QString pdf = root.path() + "/x.pdf";
        const ToolRun run = runTool(render(root, document, pdf) + extra);
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        QVERIFY(!QFileInfo::exists(pdf));
    }
};

QTEST_MAIN(TestRender)
#include "tst_render.moc"
