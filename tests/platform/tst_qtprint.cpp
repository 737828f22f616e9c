#include "billing/pricedinvoice.h"
#include "boardsamples.h"
#include "dispatch/routesheet.h"
#include "mediasamples.h"
#include "platform/fakes/fakeplatform.h"
#include "platform/qtprinttarget.h"
#include "printing/blankformlayout.h"
#include "printing/invoicelayout.h"
#include "printing/pricedinvoicelayout.h"
#include "printing/reportlayout.h"
#include "printing/routesheetlayout.h"
#include "printing/serviceorderlayout.h"
#include "printsamples.h"
#include "testsupport.h"

#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>

namespace {

DocumentInputs sampleInputs()
{
    DocumentInputs in = samplePrintInputs();
    in.settings.plainPaper = false;
    return in;
}

std::vector<SlipPrintValues> sampleSlips(int count)
{
    std::vector<SlipPrintValues> rows;
    for (int i = 1; i <= count; ++i)
        rows.push_back(
            sampleSlip(QString::number(1000 + i), "Assigned", "Furnace makes a rattling noise\r\nCheck the blower"));
    return rows;
}

bool haveTool(const char *name)
{
    return !QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty();
}

QByteArray runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return process.readAllStandardOutput();
}

// The first page rendered in grey at 72 dots per inch: 1 pixel = 20 twips.
QImage renderFirstPage(const QString &pdf)
{
    const QByteArray pgm = runTool("pdftoppm", {"-r", "72", "-gray", "-f", "1", "-l", "1", pdf});
    return QImage::fromData(pgm).convertToFormat(QImage::Format_Grayscale8);
}

int darkPixels(const QImage &image)
{
    int dark = 0;
    for (int y = 0; y < image.height(); ++y) {
        const uchar *line = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x)
            dark += line[x] < 128;
    }
    return dark;
}

} // namespace

class TestQtPrint : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    // The preview opens within the screen's free area, so that its buttons are in reach.
    void previewFitsTheScreen_data()
    {
        dataColumns<QRect, QSize>("available", "size");
        dataRow("large screen", QRect(0, 0, 1920, 1160), QSize(900, 1000));
        dataRow("laptop", QRect(0, 32, 1366, 736), QSize(900, 662));
        dataRow("small", QRect(0, 0, 800, 600), QSize(720, 540));
    }
    void previewFitsTheScreen()
    {
        QFETCH(QRect, available);
        QTEST(PrintPreviewDialog::fittingSize(available), "size");
    }

    // "Save as PDF" offers a file named after its one document (else the action), beside the files there already.
    void pdfFileOffered()
    {
        TestRoot root;
        root.write("/Print Things.pdf", "x");
        PrintAction action{"Print Things", 1, {{"Route Sheet Al 1/20/2026", {}}}};
        QCOMPARE(QtPrintTarget::suggestedPdfPath(root.path(), action), root.path() + "/Route Sheet Al 1-20-2026.pdf");
        action.jobs.push_back({"Invoice 2", {}});
        QCOMPARE(QtPrintTarget::suggestedPdfPath(root.path(), action), root.path() + "/Print Things (2).pdf");
    }

    void documentKinds_data()
    {
        // images: the pictures the PDF holds (pdfimages lists them)
        dataColumns<QString, int, int, QStringList, int>("kind", "documents", "pages", "texts", "images");
        dataRow("invoices", "invoice", 2, 4,
                QStringList{"INVOICE NO: 20260001", "INVOICE NO: 20260002", "Original", "Duplicate",
                            "Service Slip No 1001", "Acme Repair", "Sub-Total"},
                0);
        dataRow("service order", "order", 1, 1,
                QStringList{"Service Order/Summary", "Detach and Return to Office", "Furnace makes a rattling noise",
                            "Total Repair Time:"},
                0);
        const QString signedBy = "Signed by M. Chavez 12/8/2026 10:42";
        dataRow("signed order with photos", "signed order", 1, 2,
                QStringList{"Service Order/Summary", signedBy, "Photos of Service Order #1001", "Photo 2, 12/8/2026"},
                3);
        dataRow("signed priced invoice", "priced invoice", 1, 1, QStringList{"INVOICE", signedBy}, 1);
        dataRow("slip report", "report", 1, 1, QStringList{"Service Slip Report", "Scheduled Date/Time", "1/15/2026"},
                0);
        dataRow("route sheets", "route", 2, 2,
                QStringList{"Route Sheet", "Thursday, 1/15/2026", "Slip # 7", "08:00-10:00", "Site 7", "Tel. 555-0101",
                            "Customer: Jane Doe", "Leaking tap", "Bo", "2 slips", "Al: page 1 of 1", "Bo: page 1 of 1"},
                0);
        dataRow("blank forms", "blank", 3, 3,
                QStringList{"INVOICE NO:", "Service Slip No.", "DESCRIPTION", "Detach Here and Return Top Section"}, 0);
    }
    void documentKinds()
    {
        auto [kind, texts] = fetched<QString, QStringList>("kind", "texts");
        TestRoot root;
        DocumentInputs in = sampleInputs();
        in.settings.invoiceCopies = 2;
        PrintAction action;
        if (kind == "invoice") {
            action = invoiceAction(in, sampleSlips(2), 20260001);
        } else if (kind == "order") {
            action = serviceOrderAction(in, root.folder(), sampleSlips(1));
        } else if (kind.startsWith("signed") || kind.startsWith("priced")) {
            std::vector<SlipPrintValues> slips = sampleSlips(1);
            addSampleMedia(root.folder(), slips[0].acctNo, 1001, 2, true);
            DocumentSource::addMedia(root.folder(), slips[0]);
            std::vector<PricedInvoice> invoices(1, PricedInvoice{"7", "12/8/2026", "1001", slips[0].acctNo});
            PricedInvoices::addSignatures(root.folder(), invoices);
            action = kind.startsWith("signed") ? serviceOrderAction(in, root.folder(), slips, true)
                                               : pricedInvoiceAction(in, invoices);
        } else if (kind == "report") {
            action = slipReportAction(in, {{"1001", "Normal", "Bob", "Assigned", "Jane Doe", "1/2/2026", "0"}});
        } else if (kind == "route") {
            const auto slips = boardSlips({"6|Assigned|Al|1/15/2026|10:00", "7|Assigned|Al|1/15/2026|08:00-10:00",
                                           "8|In Progress|Bo|1/15/2026|None"});
            action = routeSheetAction(in, RouteSheet::days(slips, {"Al", "Bo"}, RouteSheet::kAllTechnicians, in.today));
        } else {
            action = blankFormsAction(in, 3);
        }
        FakeMessages messages;
        QtPrintTarget target(messages);
        target.setMode(QtPrintTarget::Mode::PdfFile);
        const QString pdf = root.file("/out.pdf");
        target.setPdfFile(pdf);
        const PrintOutcome outcome = target.run(action);
        QVERIFY2(outcome.printed(), qPrintable(outcome.error));
        QTEST(outcome.sent, "documents");
        QVERIFY(QFileInfo(pdf).size() > 0);
        QVERIFY(messages.shown.empty());

        if (!haveTool("pdftotext") || !haveTool("pdftoppm"))
            QSKIP("pdftotext and pdftoppm are needed to read the PDF file back");
        const QString text = QString::fromUtf8(runTool("pdftotext", {"-layout", pdf, "-"}));
        QTEST(int(text.count(QLatin1Char('\f'))), "pages");
        // Fonts may join "fi" and "ffi" into ligatures; the text is compared without them.
        QString flat = text.simplified();
        const std::pair<const char16_t *, const char *> ligatures[] = {
            {u"\uFB00", "ff"}, {u"\uFB01", "fi"}, {u"\uFB02", "fl"}, {u"\uFB03", "ffi"}, {u"\uFB04", "ffl"}};
        for (const auto &[ligature, letters] : ligatures)
            flat.replace(QString::fromUtf16(ligature), QLatin1String(letters));
        for (const QString &expected : texts)
            QVERIFY2(flat.contains(expected.simplified()), qPrintable(expected));
        const QStringList images =
            QString::fromUtf8(runTool("pdfimages", {"-list", pdf})).split('\n').filter(" image ");
        QTEST(int(images.size()), "images");
        for (const QString &image : images) // each in its own shape: as many dots per inch across as down
            QCOMPARE(image.split(' ', Qt::SkipEmptyParts)[12], image.split(' ', Qt::SkipEmptyParts)[13]);
        const QImage page = renderFirstPage(pdf);
        QCOMPARE(page.width(), kind == "report" ? 792 : 612); // 11 or 8.5 inches
        QVERIFY(darkPixels(page) > 500);
    }

    // Twips reach the page at the printer's resolution: the item table's column rule at 7920 twips is drawn at
    // 396 pixels (72 per inch), with white paper beside it.
    void rulesLandWhereTheTwipsSay()
    {
        if (!haveTool("pdftoppm"))
            QSKIP("pdftoppm is needed to render the PDF file");
        TestRoot root;
        FakeMessages messages;
        QtPrintTarget target(messages);
        target.setMode(QtPrintTarget::Mode::PdfFile);
        target.setPdfFile(root.file("/form.pdf"));
        QVERIFY(target.run(blankFormsAction(sampleInputs(), 1)).printed());
        const QImage page = renderFirstPage(root.file("/form.pdf"));
        QCOMPARE(page.height(), 792);
        const int rowY = 10000 / 20;
        int rule = 255;
        for (int x = 395; x <= 397; ++x)
            rule = std::min<int>(rule, qGray(page.pixel(x, rowY)));
        QVERIFY2(rule < 160, qPrintable(QString::number(rule)));
        QCOMPARE(qGray(page.pixel(9000 / 20, rowY)), 255);
    }

    void unknownFontAndMissingLogoStillPrint()
    {
        TestRoot root;
        DocumentInputs in = sampleInputs();
        in.settings.fontName = "No Such Font At All";
        in.settings.logoPath = root.file("/missing.bmp");
        in.business.name = QString(60, 'N');
        FakeMessages messages;
        QtPrintTarget target(messages);
        target.setMode(QtPrintTarget::Mode::PdfFile);
        target.setPdfFile(root.file("/odd.pdf"));
        auto slips = sampleSlips(1);
        slips[0].serviceRequired = QString(200, 'Z');
        const PrintOutcome outcome = target.run(invoiceAction(in, slips, 1));
        QVERIFY(outcome.printed());
        QCOMPARE(outcome.sent, 1);
    }

    void unwritableFileFailsWithAMessage()
    {
        TestRoot root;
        root.write("/blocker", "x");
        FakeMessages messages;
        QtPrintTarget target(messages);
        target.setMode(QtPrintTarget::Mode::PdfFile);
        const QString pdf = root.file("/blocker/sub/out.pdf");
        target.setPdfFile(pdf);
        QTest::ignoreMessage(QtWarningMsg, "QPainter::begin(): Returned false");
        const PrintOutcome outcome = target.run(blankFormsAction(sampleInputs(), 2));
        QVERIFY(outcome.failed());
        QCOMPARE(outcome.sent, 0);
        QCOMPARE(messages.shown.size(), std::size_t(1));
        QVERIFY(messages.lastText().startsWith("Printing stopped: "));
        QVERIFY(!QFileInfo::exists(pdf));
    }

    // Cancel in the progress of a PDF the user saves: the half-written file is removed and the user told.
    void cancelledPdfIsNotWritten()
    {
        TestRoot root;
        FakeMessages messages;
        QtPrintTarget target(messages);
        target.setMode(QtPrintTarget::Mode::PdfFile);
        target.setInteractiveFile(true);
        target.setProgressDelay(0);
        const QString pdf = root.file("/report.pdf");
        target.setPdfFile(pdf);
        std::vector<SlipReportRow> rows;
        for (int i = 1; i <= 400; ++i)
            rows.push_back({QString::number(i), "1", "Crew", "Assigned", "Customer", "12/01/2026", ""});
        int pagesSeen = 0;
        QTimer cancelling;
        cancelling.setInterval(0);
        connect(&cancelling, &QTimer::timeout, [&] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *progress = qobject_cast<QProgressDialog *>(w)) {
                    if (++pagesSeen == 3)
                        progress->cancel();
                }
        });
        cancelling.start();
        const PrintOutcome outcome = PrintSlipReport(target, sampleInputs(), rows);
        QVERIFY(outcome.cancelled());
        QCOMPARE(outcome.sent, 0);
        QVERIFY(!QFileInfo::exists(pdf));
        QCOMPARE(messages.shown.size(), std::size_t(1));
        QVERIFY(messages.lastText().startsWith("Printing was cancelled."));
        QVERIFY(messages.lastText().contains("The PDF file was not written."));

        // Left alone, the same print completes the file.
        cancelling.stop();
        QVERIFY(PrintSlipReport(target, sampleInputs(), rows).printed());
        QVERIFY(QFileInfo(pdf).size() > 0);
    }

    void previewShowsEveryDocument()
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const PrintAction action = blankFormsAction(sampleInputs(), 3);
        PrintPreviewDialog preview(printer, action);
        QCOMPARE(preview.refresh(), 3);
        QCOMPARE(preview.choice(), PrintPreviewDialog::Choice::Close);
    }
};

QTEST_MAIN(TestQtPrint)
#include "tst_qtprint.moc"
