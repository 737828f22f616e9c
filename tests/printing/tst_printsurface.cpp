#include "platform/fakes/recordingprinttarget.h"
#include "printing/printtarget.h"
#include "printing/reportlayout.h"
#include "printsamples.h"
#include "testsupport.h"

#include <QtTest>

using Kind = RecordingSurface::Kind;

class TestPrintSurface : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void colourRules_data()
    {
        dataColumns<bool, bool, uint, uint>("inColour", "highlight", "ink", "line");
        const uint border = PrintColours::rgb(0, 128, 0);
        const uint text = PrintColours::rgb(200, 0, 0);
        dataRow("monochrome plain", false, false, 0u, 0u);
        dataRow("monochrome highlight", false, true, 0u, 0u);
        dataRow("colour plain", true, false, border, border);
        dataRow("colour highlight", true, true, uint(PrintColours::kPureBlue), text);
    }
    void colourRules()
    {
        auto [inColour, highlight] = fetched<bool, bool>("inColour", "highlight");
        RecordingSurface s;
        s.setStyle({QStringLiteral("Arial"), inColour, PrintColours::rgb(0, 128, 0), PrintColours::rgb(200, 0, 0)});
        s.SetPrintColour(highlight);
        QTEST(uint(s.ink()), "ink");
        QTEST(uint(s.lineColour()), "line");
    }

    void textMovesThePosition()
    {
        RecordingSurface s;
        s.SetupPrinter(QStringLiteral("Landscape"), false);
        QCOMPARE(s.pageWidth(), 15840.0);
        QCOMPARE(s.pageHeight(), 12240.0);
        s.SetPrintPosition(1.0, 1.0);
        s.printOnLine(QStringLiteral("abc"));
        QCOMPARE(s.currentX(), 1440.0 + 300);
        QCOMPARE(s.currentY(), 1440.0);
        s.print(QStringLiteral("d\te"));
        QCOMPARE(s.currentX(), 0.0);
        QCOMPARE(s.currentY(), 1680.0);
        s.endLine();
        QCOMPARE(s.currentY(), 1920.0);
        QCOMPARE(s.texts(), QStringList({QStringLiteral("abc"), QStringLiteral("d e")}));
        QCOMPARE(s.findText(QStringLiteral("d e"))->x, 1740.0);
        // A zero keeps its coordinate, and a font size of zero the size.
        s.SetPrintPosition(1.0, 2.0);
        s.SetPrintPosition(0, 3.5);
        QCOMPARE(s.currentX(), 1440.0);
        QCOMPARE(s.currentY(), 5040.0);
        s.SetPrintFont(0, true, true);
        QCOMPARE(s.font().size, 10.0);
        QVERIFY(s.font().bold && s.font().underline);
    }

    // Pages begin with their first drawing: an empty page after the last one is never sent, and each document
    // counts its pages from 1.
    void pagesAndDocuments()
    {
        RecordingSurface s;
        s.print(QStringLiteral("one"));
        s.newPage();
        s.print(QStringLiteral("two"));
        QCOMPARE(s.page(), 2);
        s.newPage();
        s.endDoc();
        s.print(QStringLiteral("three"));
        s.endDoc();
        QCOMPARE(s.documentsEnded(), 2);
        QCOMPARE(s.pagesIn(1), 2);
        QCOMPARE(s.pagesIn(2), 1);
        QCOMPARE(s.findText(QStringLiteral("two"))->page, 2);
        QCOMPARE(s.findText(QStringLiteral("three"))->page, 1);
        QCOMPARE(s.findText(QStringLiteral("three"))->document, 2);
    }

    // Characters are 100 twips wide and lines 240 high at size 10; the usable width is width - 20.
    void wrapped_data()
    {
        dataColumns<QString, double, double, QStringList>("text", "width", "height", "lines");
        dataRow("fits", "hello world", 2000.0, 720.0, QStringList{"hello world"});
        dataRow("breaks after the last blank that fits", "aaa bbb ccc", 820.0, 720.0, QStringList{"aaa bbb", "ccc"});
        dataRow("next line loses leading blanks", "aaa    bbb", 520.0, 720.0, QStringList{"aaa", "bbb"});
        dataRow("word wider than the line is broken", "abcdefghij", 420.0, 2000.0, QStringList{"abcd", "efgh", "ij"});
        dataRow("height limit", "a b c d e", 120.0, 480.0, QStringList{"a", "b"});
        dataRow("line breaks end lines", "one\r\ntwo\nthree four", 820.0, 2000.0,
                QStringList{"one", "two", "three", "four"});
        dataRow("empty", "", 1000.0, 720.0, QStringList{});
        dataRow("narrower than a character", "ab", 10.0, 2000.0, QStringList{"a", "b"});
    }
    void wrapped()
    {
        auto [text, width, height] = fetched<QString, double, double>("text", "width", "height");
        RecordingSurface s;
        s.PrintWrapped(720, 1000, width, height, text);
        QTEST(s.texts(), "lines");
        const auto ops = s.opsOf(Kind::Text);
        for (std::size_t i = 0; i < ops.size(); ++i) {
            QCOMPARE(ops[i].x, 720.0);
            QCOMPARE(ops[i].y, 1000.0 + 240.0 * double(i));
        }
    }

    void runnerCountsDocumentsSent()
    {
        RecordingPrintTarget target;
        target.surface.failWhenEnding(2);
        PrintAction action;
        for (int i = 0; i < 3; ++i)
            action.jobs.push_back({QString::number(i), [](PrintSurface &s) { s.print(QStringLiteral("x")); }});
        const PrintOutcome outcome = target.run(action);
        QVERIFY(outcome.failed());
        QCOMPARE(outcome.sent, 1);
        QVERIFY(!outcome.error.isEmpty());

        RecordingPrintTarget cancelling;
        cancelling.cancelDialog = true;
        QVERIFY(cancelling.run(action).cancelled());
        QVERIFY(cancelling.surface.ops().empty());
        QCOMPARE(cancelling.run(PrintAction{}).sent, 0);
        QCOMPARE(cancelling.dialogs, 1); // an empty action asks nothing
    }

    // Cancelling a long print stops it between pages, for one long document as for many short ones; the
    // document being printed is not counted as sent and the run reports itself cancelled.
    void cancelStopsBetweenPages_data()
    {
        dataColumns<int, int, int, int>("documents", "pagesEach", "cancelAfter", "sent");
        dataRow("one long document", 1, 40, 7, 0);
        dataRow("within the second document", 3, 4, 6, 1);
        dataRow("right at the start", 2, 5, 0, 0);
    }
    void cancelStopsBetweenPages()
    {
        auto [documents, pagesEach, cancelAfter] = fetched<int, int, int>("documents", "pagesEach", "cancelAfter");
        PrintAction action;
        for (int d = 0; d < documents; ++d)
            action.jobs.push_back({QString::number(d), [pagesEach](PrintSurface &s) {
                                       for (int p = 1; p <= pagesEach; ++p) {
                                           if (p > 1)
                                               s.newPage();
                                           s.print(QStringLiteral("page %1").arg(p));
                                       }
                                   }});
        RecordingPrintTarget target;
        target.cancelAfterPages = cancelAfter;
        const PrintOutcome outcome = target.run(action);
        QVERIFY(outcome.cancelled());
        QTEST(outcome.sent, "sent");
        QCOMPARE(target.pagesBegun, cancelAfter);
        QCOMPARE(int(target.surface.texts().size()), cancelAfter);

        // The surface is free again: the next run prints everything.
        RecordingPrintTarget again;
        QVERIFY(again.run(action).printed());
        QCOMPARE(again.pagesBegun, documents * pagesEach);
    }

    // The slip report of thousands of rows is one document of many pages, and still stops when cancelled.
    void longSlipReportCancels()
    {
        std::vector<SlipReportRow> rows;
        for (int i = 1; i <= 5000; ++i)
            rows.push_back({QString::number(i), "1", "Crew", "Assigned", "Customer", "12/01/2026", ""});
        RecordingPrintTarget whole;
        QVERIFY(PrintSlipReport(whole, samplePrintInputs(), rows).printed());
        QVERIFY(whole.pagesBegun > 50);

        RecordingPrintTarget cancelled;
        cancelled.cancelAfterPages = 3;
        const PrintOutcome outcome = PrintSlipReport(cancelled, samplePrintInputs(), rows);
        QVERIFY(outcome.cancelled());
        QCOMPARE(outcome.sent, 0);
        QCOMPARE(cancelled.surface.pagesIn(1), 3);
        QVERIFY(!cancelled.surface.findText(QStringLiteral("5000")));
    }
};

QTEST_GUILESS_MAIN(TestPrintSurface)
#include "tst_printsurface.moc"
