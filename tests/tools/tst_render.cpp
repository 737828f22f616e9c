#include "core/textfile.h"
#include "platform/instancelock.h"
#include "testsupport.h"
#include "tools/datatool.h"
#include "tools/samplegenerator.h"

#include <QBuffer>
#include <QDateTime>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <memory>

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
        dataColumns<QString, QString>("document", "text");
        dataRow("invoice", QStringLiteral("invoice"), QStringLiteral("INVOICE"));
        dataRow("order", QStringLiteral("order"), QStringLiteral("Service Order"));
        dataRow("slip report", QStringLiteral("slip-report"), QStringLiteral("Service Slip Report"));
        dataRow("blank", QStringLiteral("blank"), QStringLiteral("INVOICE"));
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

    void dryRunWritesNothingInTheDataFolder()
    {
        TestRoot root;
        TestRoot outside;
        generate(root);
        // The narrative as the invoicing program left it.
        root.write(QStringLiteral("/VarnelInvoicer/Narratives/Narrative.txt"), "Left by the invoicer\r\n");
        const QStringList before = folderStamps(root.path());
        const Run run = tool(render(root, QStringLiteral("invoice"), outside.path() + QStringLiteral("/a.pdf"))
                             << QStringLiteral("--dry-run"));
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(folderStamps(root.path()), before);
        QCOMPARE(root.read(QStringLiteral("/VarnelInvoicer/Narratives/Narrative.txt")),
                 QByteArray("Left by the invoicer\r\n"));
    }

    void writingCommandsRefuseWhileTheProgramRuns()
    {
        TestRoot root;
        generate(root);
        auto program = std::make_unique<InstanceLock>(root.path());
        QVERIFY(program->tryLock());
        const qint64 number = invoiceNumber(root);
        const QString refusal = QStringLiteral("The program is running on this data folder; close it first.");

        Run run = tool(render(root, QStringLiteral("invoice"), root.path() + QStringLiteral("/a.pdf")));
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.contains(refusal), qPrintable(run.err));
        QCOMPARE(invoiceNumber(root), number);
        // Reading and trial printing go on beside the program.
        run = tool(render(root, QStringLiteral("invoice"), root.path() + QStringLiteral("/b.pdf"))
                   << QStringLiteral("--dry-run"));
        QCOMPARE(run.status, 0);
        QVERIFY(tool({QStringLiteral("check"), root.path()}).status != 2);

        // write, into a file of the folder or of a folder below it
        const QByteArray services = root.read(QStringLiteral("/Services.txt"));
        Run w;
        {
            QTextStream out(&w.out);
            QTextStream err(&w.err);
            QBuffer in;
            in.setData("");
            in.open(QIODevice::ReadOnly);
            w.status = runDataTool({QStringLiteral("write"), root.file(QStringLiteral("/Services.txt"))}, out, err, in);
        }
        QCOMPARE(w.status, 2);
        QVERIFY2(w.err.contains(refusal), qPrintable(w.err));
        QCOMPARE(root.read(QStringLiteral("/Services.txt")), services);

        // generate into a folder the program holds, even an empty one
        TestRoot empty;
        InstanceLock held(empty.path());
        QVERIFY(held.tryLock());
        run = tool({QStringLiteral("generate"), QStringLiteral("--root"), empty.path()});
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.contains(refusal), qPrintable(run.err));

        // Once the program has ended, the tool writes again.
        program.reset();
        run = tool(render(root, QStringLiteral("invoice"), root.path() + QStringLiteral("/c.pdf")));
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QVERIFY(invoiceNumber(root) > number);
    }

    void countOutOfRangeNamesRender()
    {
        TestRoot root;
        generate(root);
        const Run run = tool(render(root, QStringLiteral("blank"), root.path() + QStringLiteral("/x.pdf"))
                             << QStringLiteral("--count") << QStringLiteral("0"));
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.startsWith(QStringLiteral("dispatch-data render:")), qPrintable(run.err));
        QVERIFY(run.err.contains(QStringLiteral("1 to 1000")));
        const Run help = tool({QStringLiteral("render"), QStringLiteral("--help")});
        QVERIFY((help.out + help.err).contains(QStringLiteral("at most 1000")));
    }

    void badRequestsAreRefused_data()
    {
        dataColumns<QStringList, QString, QString>("extra", "document", "message");
        dataRow("unknown document", QStringList(), QStringLiteral("letter"), QStringLiteral("unknown document"));
        dataRow("unknown slip", QStringList{QStringLiteral("--slips"), QStringLiteral("1,2")}, QStringLiteral("order"),
                QStringLiteral("not among the active slips"));
        dataRow("bad slip list", QStringList{QStringLiteral("--slips"), QStringLiteral("12x")}, QStringLiteral("order"),
                QStringLiteral("--slips"));
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
