#include "billing/pricedinvoice.h"
#include "boardsamples.h"
#include "core/cp1252.h"
#include "dispatch/invoicenarrative.h"
#include "dispatch/routesheet.h"
#include "dispatch/slipprintvalues.h"
#include "mediasamples.h"
#include "platform/fakes/recordingprinttarget.h"
#include "printing/blankformlayout.h"
#include "printing/documentsource.h"
#include "printing/invoicelayout.h"
#include "printing/pricedinvoicelayout.h"
#include "printing/reportlayout.h"
#include "printing/routesheetlayout.h"
#include "printing/serviceorderlayout.h"
#include "printsamples.h"
#include "testsupport.h"

#include <QImage>
#include <QtTest>

using Kind = RecordingSurface::Kind;
using Op = RecordingSurface::Op;

namespace {

SlipPrintValues slip(const QString &number, const QString &status)
{
    return sampleSlip(number, status, "Furnace makes noise " + number);
}

bool hasLine(const std::vector<Op> &ops, double x1, double y1, double x2, double y2)
{
    return std::any_of(ops.begin(), ops.end(),
                       [&](const Op &o) { return o.x == x1 && o.y == y1 && o.x2 == x2 && o.y2 == y2; });
}

} // namespace

class TestPrintLayouts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void formFrame()
    {
        RecordingSurface s;
        PrintFormFrame(s, samplePrintInputs(), "INVOICE", 0.4);
        const auto boxes = s.opsOf(Kind::Rect);
        QCOMPARE(boxes.size(), std::size_t(1));
        QCOMPARE(QList<double>({boxes[0].x, boxes[0].y, boxes[0].x2, boxes[0].y2, double(boxes[0].penWidth)}),
                 QList<double>({360, 504, 11880, 5040, 6}));
        const auto lines = s.opsOf(Kind::Line);
        QCOMPARE(lines.size(), std::size_t(14 + 3 + 5 + 4 + 2));
        QVERIFY(hasLine(lines, 360, 7200, 11880, 7200) && hasLine(lines, 360, 14400, 11880, 14400));
        QVERIFY(hasLine(lines, 7920, 14040, 11880, 14040) && hasLine(lines, 10080, 7200, 10080, 14400));
        QVERIFY(hasLine(lines, 3240, 7920, 3240, 12240)); // below the two reference rows
        QVERIFY(std::all_of(lines.begin(), lines.end(), [](const Op &o) { return o.colour == 0 && o.penWidth == 6; }));
        const Op *title = s.findText("INVOICE");
        QCOMPARE(QList<double>({title->x, title->y, title->font.size}), QList<double>({7200, 576, 26}));
    }

    void businessBlock_data()
    {
        dataColumns<QString, bool, double, bool, QStringList>("name", "usa", "nameSize", "linesBold", "lines");
        const QString n25(25, 'N');
        const QString n26(26, 'N');
        dataRow("25 characters", n25, true, 12.0, false,
                QStringList{n25, "12 Main St", "Springfield, IL. 62701", "Telephone: 555-123-4567"});
        dataRow("26 characters", n26, true, 10.0, true,
                QStringList{n26, "12 Main St", "Springfield, IL. 62701", "Telephone: 555-123-4567"});
        dataRow("international, empty name", "", false, 12.0, false,
                QStringList{"12 Main St", "Springfield", "IL", "Telephone: 555-123-4567"});
    }
    void businessBlock()
    {
        auto [name, usa] = fetched<QString, bool>("name", "usa");
        BusinessData business = samplePrintInputs().business;
        business.name = name;
        RecordingSurface s;
        PrintBusinessBlock(s, business, usa, 0.75, 0.4, 12);
        QTEST(s.texts(), "lines");
        const auto ops = s.opsOf(Kind::Text);
        if (!name.isEmpty()) {
            QTEST(ops.front().font.size, "nameSize");
            QVERIFY(ops.front().font.bold);
        }
        QCOMPARE(ops.back().font.size, 10.0);
        QTEST(ops.back().font.bold, "linesBold");
        QVERIFY(std::all_of(ops.begin(), ops.end(), [](const Op &o) { return o.x == 1080; }));
    }

    void copyLabels_data()
    {
        dataColumns<int, QStringList>("copies", "labels");
        dataRow("1", 1, QStringList{"Original"});
        dataRow("3", 3, QStringList{"Original", "Duplicate", "Triplicate"});
        dataRow("5", 5, QStringList{"Original", "Duplicate", "Triplicate", "File Copy", ""});
    }
    void copyLabels()
    {
        auto [copies, labels] = fetched<int, QStringList>("copies", "labels");
        TestRoot root;
        DocumentInputs in = samplePrintInputs();
        in.settings.invoiceCopies = copies;
        in.settings.plainPaper = false; // with the remittance part
        RecordingPrintTarget target;
        const auto result = PrintInvoice(target, in, {slip("1001", "Assigned")}, 20260001);
        const Op *detach = target.surface.findText("Detach Here and Return Top Section");
        QCOMPARE(QList<double>({detach ? detach->x : 0, detach ? detach->font.size : 0}), QList<double>({4320, 6}));
        QVERIFY(target.surface.findText("Amount Enclosed              _______________"));
        QCOMPARE(result.numbersUsed, 1);
        QCOMPARE(target.surface.pagesIn(1), copies);
        const QSet<QString> all{"Original", "Duplicate", "Triplicate", "File Copy"};
        for (int page = 1; page <= copies; ++page) {
            QString found;
            for (const Op &o : target.surface.opsOf(Kind::Text, 1, page)) {
                if (all.contains(o.text)) {
                    found = o.text;
                    // The last line, a quarter inch above the foot of the sheet.
                    QCOMPARE(o.y, 15840.0 - 360 - 240);
                    QCOMPARE(o.x, (12240.0 - o.text.size() * 100) / 2);
                }
            }
            QCOMPARE(found, labels[page - 1]);
        }
    }

    void populatedAndBlankInvoices()
    {
        TestRoot root;
        DocumentInputs in = samplePrintInputs();
        std::vector<SlipPrintValues> rows{slip("1001", "Assigned"), slip("1002", "Open"), slip("1003", "Assigned")};
        rows[0].serviceRequired = "Furnace makes noise\r\nCall before noon";
        // The board leaves each printed invoice's contents for the invoicing program.
        const InvoiceStarting narrative = [&root](const InvoiceValues &v) {
            writeInvoiceNarrative(root.folder(), v.contents);
        };
        RecordingPrintTarget target;
        auto result = PrintInvoice(target, in, rows, 20260005, narrative);
        QCOMPARE(target.dialogs, 1);
        QCOMPARE(target.surface.documentsEnded(), 2);
        QCOMPARE(result.numbersUsed, 2);
        for (const char *text : {"INVOICE NO: 20260006", "Acct: A1003", "Service Slip No 1003", "Sub-Total", "Jane Doe",
                                 "Springfield, IL 62701"})
            QVERIFY2(target.surface.texts(2).contains(text), text);
        QCOMPARE(target.surface.findText("Filter", 2)->x, 3312.0);
        // A description that fits prints whole, without the mark of text left over.
        QVERIFY(target.surface.findText("Call before noon", 1));
        for (const QString &text : target.surface.texts())
            QVERIFY2(!text.endsWith("..."), qPrintable(text));
        // The narrative shared with the invoicing program holds the last invoice's contents.
        QCOMPARE(root.read(kNarrativeFile), QByteArray("Furnace makes noise 1003\r\n"));

        in.settings.populate = false;
        RecordingPrintTarget blank;
        root.write(kNarrativeFile, "Left by the invoicer\r\n");
        result = PrintInvoice(blank, in, rows, 20260005, narrative);
        QCOMPARE(result.numbersUsed, 0);
        QCOMPARE(blank.surface.documentsEnded(), 2);
        const QStringList texts = blank.surface.texts();
        QVERIFY(texts.contains("INVOICE NO: ") && texts.contains("SOLD TO:"));
        for (const char *absent : {"Acct: A1001", "Jane Doe", "Sub-Total", "Details", "Reference"})
            QVERIFY2(!texts.contains(absent), absent);
        QCOMPARE(root.read(kNarrativeFile), QByteArray("Left by the invoicer\r\n")); // a blank invoice has no contents
        // An invoice that fails uses no number: only the sent one is counted.
        in.settings.populate = true;
        RecordingPrintTarget failing;
        failing.surface.failWhenEnding(2);
        result = PrintInvoice(failing, in, rows, 100);
        QVERIFY(result.outcome.failed());
        QCOMPARE(result.numbersUsed, 1);
    }

    // Long texts stay inside their boxes: the details above the item table, the item names in their column.
    void longTextsStayInTheirBoxes()
    {
        TestRoot root;
        DocumentInputs in = samplePrintInputs();
        in.business.name.clear();
        in.currentItems = QStringList(20, QString(50, 'W'));
        SlipPrintValues row = slip("9", "Assigned");
        row.serviceRequired = QString(150, 'X') + "\r\n" + QString("word ").repeated(20) + "\r\n" + QString(30, 'a');
        row.serviceRequired += QString("\r\nline").repeated(10);
        RecordingPrintTarget target;
        PrintInvoice(target, in, {row}, 1);
        QStringList details;
        for (const Op &o : target.surface.opsOf(Kind::Text)) {
            if (o.y > 5328 && o.y < 7200) {
                details << o.text;
                QVERIFY(o.x + o.text.size() * 100 <= 360 + 10800);
            }
            if (o.text.startsWith("WWW"))
                QVERIFY(o.x + o.text.size() * 100 <= 7920 && o.y + 240 <= 12240);
        }
        QCOMPARE(details.size(), 6);                                          // 5568 .. 6768: the lines that fit
        QVERIFY2(details.back().endsWith("..."), qPrintable(details.back())); // the text left over is marked
        QVERIFY(target.surface.findText("from "));
    }

    // The international sold-to block prints all four address lines: the fourth is kept in the postal field.
    void soldToInBothStyles_data()
    {
        dataColumns<bool, QStringList>("usa", "lines");
        dataRow("USA", true, QStringList{"Jane Doe", "1 Elm St", "Apt 2", "Springfield, IL 62701"});
        dataRow("international", false, QStringList{"Jane Doe", "1 Elm St", "Apt 2", "Kensington", "London W8 4PT"});
    }
    void soldToInBothStyles()
    {
        QFETCH(bool, usa);
        SoldTo customer{"Jane Doe",      "1 Elm St",
                        "Apt 2",         usa ? "Springfield" : "Kensington",
                        usa ? "IL" : "", usa ? "62701" : "London W8 4PT"};
        RecordingSurface s;
        s.SetupPrinter("Portrait", true);
        PrintSoldTo(s, customer, usa, 0.75, 2.3, false);
        QTEST(s.texts(), "lines");
    }

    void logo_data()
    {
        dataColumns<bool, double>("exists", "height");
        dataRow("missing file", false, 1440.0);
        dataRow("taller than 1800", true, 2400.0);
    }
    void logo()
    {
        auto [exists, height] = fetched<bool, double>("exists", "height");
        TestRoot root;
        DocumentInputs in = samplePrintInputs();
        in.settings.logoPath = root.file("/logo.png");
        in.settings.logoWidth = 1000;
        in.settings.logoHeight = height;
        if (exists) {
            QImage image(20, 20, QImage::Format_RGB32);
            image.fill(Qt::red);
            QVERIFY(image.save(in.settings.logoPath));
        }
        RecordingSurface s;
        PrintFormFrame(s, in, "INVOICE", 0.4);
        const auto pictures = s.opsOf(Kind::Picture);
        QCOMPARE(pictures.size(), std::size_t(exists ? 1 : 0));
        if (exists)
            QCOMPARE(QList<double>({pictures[0].x, pictures[0].y, pictures[0].y2}), QList<double>({5620, 144, 1944}));
        QVERIFY(s.findText("Acme Repair")); // the rest prints all the same
    }

    void serviceOrder_data()
    {
        // site: the service location's first line; empty when the work is at the billing address
        dataColumns<QString, QString, QString, QString, QString>("date", "time", "dateLine", "timeLine", "site");
        dataRow("not scheduled", "0", "None", "Scheduled Date     _________________",
                "Scheduled Time     _________________", "");
        dataRow("scheduled", "1/20/2026", "08:00-10:00", "Scheduled Date 1/20/2026", "Scheduled Time 08:00-10:00",
                "9 Far Rd");
    }
    void serviceOrder()
    {
        auto [date, time] = fetched<QString, QString>("date", "time");
        TestRoot root;
        DocumentInputs in = samplePrintInputs();
        in.currentItems = QStringList{"i1", "i2", "i3", "i4", "i5", "i6", "i7", "i8", "i9", "i10"};
        SlipPrintValues row = slip("1234", "Assigned");
        row.schedDate = date;
        row.schedTime = time;
        QFETCH(QString, site);
        row.assignedTo = "Al";
        std::tie(row.siteName, row.siteCity, row.siteState, row.sitePostalCode, row.siteTelephone) =
            std::tuple(row.name, row.city, row.state, row.postalCode, QString("555-0101"));
        row.siteAddress1 = site.isEmpty() ? row.address1 : site;
        RecordingPrintTarget target;
        const PrintOutcome outcome = PrintRemitStyle(target, in, root.folder(), {row, slip("1235", "Open")});
        QCOMPARE(outcome.sent, 1);
        QCOMPARE(target.surface.pagesIn(1), 1);
        const RecordingSurface &s = target.surface;
        auto [dateLine, timeLine] = fetched<QString, QString>("dateLine", "timeLine");
        QVERIFY(s.findText(dateLine) && s.findText(timeLine) && s.findText("Technician Al"));
        QCOMPARE(bool(s.findText("Service Location")), !site.isEmpty());
        QCOMPARE(bool(s.findText("Tel. 555-0101")), !site.isEmpty());
        // Four items in the first column, the next four in the second from the same height, none beyond.
        QCOMPARE(s.findText("i1")->x, 1440.0);
        QCOMPARE(s.findText("i4")->y, 7660.8 + 3 * 360);
        QCOMPARE(s.findText("i5")->x, inches(4.5));
        QCOMPARE(s.findText("i5")->y, 7660.8);
        QVERIFY(s.findText("i8") && !s.findText("i9"));
        QCOMPARE(root.read(kServiceSlipDataFile), QByteArray("Furnace makes noise 1234\r\n"));
        QCOMPARE(s.findText("Furnace makes noise 1234")->y, 3672.0);
        QVERIFY(s.findText("Service Order # 1234"));
        QCOMPARE(s.findText("AMOUNT ENCLOSED       _______________")->colour, PrintColours::kPureBlue);
    }

    // What a phone added prints on the order and the priced invoice, within the page; nothing changes without it.
    void phoneMediaPrint_data()
    {
        dataColumns<int, bool, bool, QString>("photos", "signs", "withPhotos", "status");
        dataRow("nothing added, photos asked for", 0, false, true, "Assigned");
        dataRow("signed, an open slip", 0, true, false, "Open");
        dataRow("photos not asked for", 2, false, false, "In Progress");
        dataRow("ten photos and signed", 10, true, true, "Assigned");
    }
    void phoneMediaPrint()
    {
        auto [photos, signs, withPhotos, status] =
            fetched<int, bool, bool, QString>("photos", "signs", "withPhotos", "status");
        TestRoot root;
        SlipPrintValues row = slip("1234", status);
        addSampleMedia(root.folder(), row.acctNo, 1234, photos, signs);
        DocumentSource::addMedia(root.folder(), row);
        RecordingPrintTarget target;
        QCOMPARE(PrintRemitStyle(target, samplePrintInputs(), root.folder(), {row}, withPhotos).sent, 1);
        const RecordingSurface &s = target.surface;
        QCOMPARE(s.pagesIn(1), withPhotos && photos > 0 ? 2 : 1);
        QCOMPARE(bool(s.findText("Signature __________________________")), !signs);
        const std::vector<Op> pictures = s.opsOf(Kind::Picture, 1, 2);
        QCOMPARE(int(pictures.size()), withPhotos ? photos : 0);
        for (const Op &o : pictures)
            QVERIFY(o.x >= 720 && o.x2 <= inches(8.0) && o.y >= inches(1.3) && o.y2 <= inches(10.5));
        if (!pictures.empty()) // the tenth in the fifth row, its caption under it
            QVERIFY(qAbs(s.findText("Photo 10, 12/8/2026 10:42, Al")->y - pictures.back().y2) < 1 &&
                    qAbs(pictures.back().y2 - inches(10.5) + 300) < 1);
        const std::vector<Op> signature = s.opsOf(Kind::Picture, 1, 1);
        QCOMPARE(int(signature.size()), int(signs));
        const Op *line = s.findText("Signed by M. Chavez 12/8/2026 10:42");
        QCOMPARE(bool(line), signs);
        if (signs) // centred right of its label ("Signature " is 1000 twips), the line under it; 3:1 in 0.4 inch
            QVERIFY(qAbs(signature[0].x + signature[0].x2 - (s.findText("Signature")->x + 1072 + inches(7.75))) < 1 &&
                    signature[0].y2 < line->y && signature[0].y2 - signature[0].y == 576);

        // The priced invoice of the slip takes its signature.
        std::vector<PricedInvoice> invoices(1, PricedInvoice{"7", "12/8/2026", row.slipNo, row.acctNo + "   "});
        PricedInvoices::addSignatures(root.folder(), invoices);
        RecordingSurface invoice;
        printPricedInvoicePage(invoice, samplePrintInputs(), invoices[0]);
        QCOMPARE(bool(invoice.findText("Signed by M. Chavez 12/8/2026 10:42")), signs);
    }

    // A slip as the report prints it, the way the board's grid shows it.
    void reportRow_data()
    {
        dataColumns<QString, QString>("slip", "row");
        dataRow("scheduled", "1002|Assigned|Al|1/21/2026|08:00-10:00|Emergency",
                "1002|Emergency|Al|Assigned|Site 1002|1/2/2026|1/21/2026 08:00-10:00");
        dataRow("open, no date", "1001|Open||0|None",
                "1001|Normal|Not Assigned|Open|Site 1001|1/2/2026|Date/Time not Selected");
    }
    void reportRow()
    {
        QFETCH(QString, slip);
        const SlipReportRow r = DocumentSource::reportRow(boardSlip(slip));
        QTEST(QStringList({r.slipNo, r.priority, r.assignedTo, r.status, r.customer, r.dateReceived, r.scheduled})
                  .join('|'),
              "row");
    }

    // Rows in groups of five with a blank line between; 33 rows fill a landscape page (the last ends at 12240),
    // row 34 starts the next below a new heading.
    void slipReport()
    {
        std::vector<SlipReportRow> rows;
        for (int r = 1; r <= 40; ++r)
            rows.push_back({"#" + QString::number(r), "Normal", "Bob", "Open", "Customer", "1/2/2026", "1/3/2026"});
        RecordingPrintTarget target;
        PrintSlipReport(target, samplePrintInputs(), rows);
        const RecordingSurface &s = target.surface;
        QCOMPARE(s.pagesIn(1), 2);
        QCOMPARE(s.opsOf(Kind::Setup).front().text, QString("Landscape"));
        for (int r = 1; r <= 40; ++r) {
            const Op *op = s.findText("#" + QString::number(r));
            const int first = r <= 33 ? 1 : 34; // the groups run on across the pages
            const int line = r - first + (r - 1) / 5 - (first - 1) / 5;
            QCOMPARE(op->page, r <= 33 ? 1 : 2);
            QCOMPARE(op->x, inches(0.6));
            QCOMPARE(op->y, 2880.0 + 240 * line);
        }
        QCOMPARE(s.findText("Customer")->x, inches(1.2));
        QCOMPARE(s.findText("Slip #")->y, inches(1.75));
        QCOMPARE(s.texts().count("Service Slip Report"), 2);
        QCOMPARE(s.texts().count("1/15/2026"), 2);
    }

    void blankForms()
    {
        DocumentInputs in = samplePrintInputs();
        in.settings.plainPaper = false;
        RecordingPrintTarget target;
        QCOMPARE(printBlankForms(target, in, 3).sent, 3);
        QCOMPARE(target.dialogs, 1);
        QVERIFY(target.surface.pagesIn(1) == 1 && target.surface.pagesIn(3) == 1);
        const RecordingSurface &s = target.surface;
        QCOMPARE(s.findText("INVOICE NO:")->y, inches(0.9) + 2 * 240);
        // The header fields in the regular weight, size 10, as on a printed invoice.
        for (const char *label : {"Date", "INVOICE NO:", "Amount Enclosed", "Service Slip No."})
            QVERIFY2(!s.findText(label)->font.bold && s.findText(label)->font.size == 10.0, label);
        QCOMPARE(s.findText("_______________")->x, inches(6.5));
        QCOMPARE(s.findText("DESCRIPTION")->y, inches(4.55));
        QVERIFY(s.findText("Detach Here and Return Top Section"));
        QCOMPARE(printBlankForms(target, in, 0).sent, 0);
        QCOMPARE(target.dialogs, 1);
    }

    // An all-technicians print numbers each technician's sheets on their own: Al's 25 stops take more than one
    // page, every page says which of how many it is, and Bo's one page starts again at 1.
    void routeSheetPagesPerTechnician()
    {
        QStringList specs;
        for (int n = 0; n < 25; ++n)
            specs << QString("%1|Assigned|Al|1/15/2026|%2:00").arg(100 + n).arg(7 + n % 10, 2, 10, QChar('0'));
        specs << "200|Assigned|Bo|1/15/2026|09:00";
        DocumentInputs in = samplePrintInputs();
        RecordingPrintTarget target;
        QVERIFY(target
                    .run(routeSheetAction(in, RouteSheet::days(boardSlips(specs), {"Al", "Bo"},
                                                               RouteSheet::kAllTechnicians, QDate(2026, 1, 15))))
                    .printed());
        const int alPages = target.surface.pagesIn(1);
        QVERIFY(alPages > 1);
        for (int page = 1; page <= alPages; ++page) {
            const QString label = QString("Al: page %1 of %2").arg(page).arg(alPages);
            QVERIFY2(target.surface.texts(1).count(label) == 1, qPrintable(label));
        }
        QVERIFY(target.surface.texts(2).contains("Bo: page 1 of 1"));
    }
};

QTEST_MAIN(TestPrintLayouts)
#include "tst_printlayouts.moc"
