#include "accounts/customerfile.h"
#include "billing/history.h"
#include "billing/income.h"
#include "billing/moneyreportvalues.h"
#include "billing/pricedinvoice.h"
#include "billingsamples.h"
#include "core/settings.h"
#include "customersamples.h"
#include "mediasamples.h"
#include "platform/fakes/fakeplatform.h"
#include "platform/fakes/recordingsurface.h"
#include "platform/qtprinttarget.h"
#include "printing/moneyreports.h"
#include "printing/pricedinvoicelayout.h"
#include "printsamples.h"
#include "testsupport.h"

#include <QRegularExpression>
#include <QtTest>

namespace {

// The PDF text of an action printed into one file, pages split at form feeds.
QStringList printedPages(const PrintAction &action, const QString &pdf)
{
    FakeMessages messages;
    QtPrintTarget target(messages);
    target.setMode(QtPrintTarget::Mode::PdfFile);
    target.setPdfFile(pdf);
    if (!target.run(action).printed())
        return {};
    QStringList pages = pdfText(pdf).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.back().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

// The texts on one line, in this order, with blanks between them.
bool hasLine(const QString &page, const QStringList &texts)
{
    QStringList escaped;
    for (const QString &t : texts)
        escaped << QRegularExpression::escape(t);
    return QRegularExpression(escaped.join(QStringLiteral("\\s+"))).match(page).hasMatch();
}

// The invoices of kPosted as they print: pre-tax, each tax that is not zero, total, in whole cents adding up
// (invoice 502's tax of 0.7508 shows as charged, $0.75).
struct Shown
{
    const char *date, *preTax, *tax1, *tax2, *taxes, *total;
};
const Shown kShown[] = {
    {"3/2/2026", "$100.00", "$7.50", "", "$7.50", "$107.50"},
    {"3/2/2026", "$10.01", "$0.75", "", "$0.75", "$10.76"},
    {"3/15/2026", "$50.00", "", "$2.00", "$2.00", "$52.00"},
    {"4/1/2026", "$20.00", "$1.50", "$0.50", "$2.00", "$22.00"},
    {"4/1/2026", "$30.00", "$2.25", "", "$2.25", "$32.25"},
    {"4/20/2026", "$5.00", "", "", "$0.00", "$5.00"},
};

std::vector<Income::Row> postedRows(const DataFolder &folder)
{
    postAll(folder);
    return Income::details(folder, History::loadFinancial(folder, QDate(2026, 1, 1), QDate(2026, 12, 31)));
}

// A long report of `rows` lines: the income report's invoices, or the receivables' accounts.
PrintAction longReport(bool income, int rows)
{
    if (income) {
        IncomeReportValues values;
        for (int i = 0; i < rows; ++i)
            values.rows.push_back({"3/2/2026", QString::number(500 + i), "1001", "Site", "Cash", Money::fromCents(i),
                                   Money(), QStringLiteral("$%1.00").arg(i)});
        for (const char *form : {"Cash", "Check", "Credit Card", "Not Collected", "Other"})
            values.byPayForm.push_back({form, 0, Money(), false});
        values.receivedByPayForm = {values.byPayForm.begin(), values.byPayForm.end() - 1};
        return incomeReportAction(samplePrintInputs(), {QDate(2026, 1, 1), QDate(2026, 12, 31), {}}, values);
    }
    ReceivablesReportValues values;
    for (int i = 0; i < rows; ++i)
        values.accounts.push_back(
            {QString::number(1000 + i), "Name", Money::fromCents(100 * i), QDate(2026, 1, 2), 13});
    return receivablesAction(samplePrintInputs(), values);
}

QString opText(const RecordingSurface::Op &o)
{
    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9")
        .arg(int(o.kind))
        .arg(o.page)
        .arg(o.x)
        .arg(o.y)
        .arg(o.x2)
        .arg(o.y2)
        .arg(o.text, o.font.name)
        .arg(o.font.size * (o.font.bold ? -1 : 1));
}

} // namespace

class TestMoneyPrints : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        useTestSettingsStore();
        if (!havePdfToText())
            QSKIP("pdftotext is needed to read the PDF files back");
    }

    void pricedInvoicesReadBack()
    {
        TestRoot root;
        const auto rows = postedRows(root.folder());
        Settings settings;
        settings.taxRate1 = "7.5";
        settings.taxHeading2 = "County Tax";
        settings.taxRate2 = "2.5";
        addSampleMedia(root.folder(), kPosted[1].acct, 1002, 0, true); // the second slip signed on the phone
        const auto invoices = PricedInvoices::fromHistory(root.folder(), rows, settings);
        const QStringList pages = printedPages(pricedInvoiceAction(samplePrintInputs(), invoices), root.file("/i.pdf"));
        QCOMPARE(pages.size(), int(std::size(kPosted)));
        // The tax lines each invoice prints, each with the rate it was charged at (not the setup's 7.5 and 2.5).
        const QStringList taxLines[] = {{"Sales Tax (7.5%)"}, {"Sales Tax (7.5%)"},
                                        {"County Tax (4%)"},  {"Sales Tax (7.5%)", "County Tax (2.5%)"},
                                        {"Sales Tax (7.5%)"}, {}};
        for (int i = 0; i < pages.size(); ++i) {
            const Posted &p = kPosted[i];
            const QString &page = pages[i];
            for (const QString &text :
                 {QString("Acme Repair"), QString("INVOICE"), "Invoice No: " + QString(p.invoice),
                  "Date: " + QString(kShown[i].date), QString("Service Slip No: %1").arg(1001 + i),
                  "Account: " + QString(p.acct), QString("Replace the water heater"), "Payment: " + QString(p.payForm)})
                QVERIFY2(page.contains(text), qPrintable(text + " in\n" + page));
            QVERIFY(page.count(QStringLiteral("Site ") + p.acct) >= 2); // billed and served there
            QVERIFY2(hasLine(page, {"Amount before tax", kShown[i].preTax}), qPrintable(page));
            int k = 0;
            for (const QString tax : {kShown[i].tax1, kShown[i].tax2}) {
                if (!tax.isEmpty())
                    QVERIFY2(hasLine(page, {taxLines[i].value(k++), tax}), qPrintable(page));
            }
            QCOMPARE(k, int(taxLines[i].size()));
            QVERIFY(hasLine(page, {"Total", kShown[i].total}));
            const bool paid = QString(p.payForm) != "Not Collected";
            QCOMPARE(page.contains("PAID"), paid);
            QCOMPARE(page.contains("AMOUNT DUE " + QString(kShown[i].total)), !paid);
            QCOMPARE(page.contains("Paid " + QString(kShown[i].total) + " on "), paid); // what paid it
            QCOMPARE(page.contains("Signed by M. Chavez 12/8/2026 10:42"), i == 1);
        }
    }

    // An invoice whose slip is no longer kept is billed to the customer file's address of its account.
    void olderInvoiceBilledFromTheCustomerFile()
    {
        TestRoot root;
        const auto rows = postedRows(root.folder());
        root.folder().deleteWithBackup(QStringLiteral("/FinalizedServiceSlips.txt"));
        Record account = customer(QStringLiteral("1001|Business|Site 1001||||Springfield"));
        account.setText(CustomerField::Address1, QStringLiteral("12 Elm St"));
        account.setText(CustomerField::State, QStringLiteral("IL"));
        account.setText(CustomerField::PostalCode, QStringLiteral("62701"));
        WriteCustomer(root.folder(), 1, account);
        const auto invoices = PricedInvoices::fromHistory(root.folder(), rows, Settings());
        const auto &billTo = invoices.front().billTo;
        QCOMPARE(QStringList({billTo.address1, billTo.city, billTo.state, billTo.postalCode}).join('|'),
                 "12 Elm St|Springfield|IL|62701");
        QVERIFY(invoices.back().billTo.address1.isEmpty()); // account 3003 is not in the customer file
    }

    // The preview draws a long report a page at a time: each page alone is that page of the whole. Rows stop 720
    // twips above the foot (34 lines of 240 twips from 2.2 inches); the totals follow the last row when their
    // lines fit (21 lines for the income, 3 for the receivables), else they begin a page.
    void longReportPageAlone_data()
    {
        dataColumns<bool, int, int>("income", "rows", "pages");
        QTest::newRow("income, no invoices") << true << 0 << 1;
        QTest::newRow("income, totals fit under 13 rows") << true << 47 << 2;
        QTest::newRow("income, totals apart after 14 rows") << true << 48 << 3;
        QTest::newRow("income, two full pages") << true << 68 << 3;
        QTest::newRow("receivables, totals fit under 31 rows") << false << 65 << 2;
        QTest::newRow("receivables, totals apart after 32 rows") << false << 66 << 3;
    }
    void longReportPageAlone()
    {
        auto [income, rows, pages] = fetched<bool, int, int>("income", "rows", "pages");
        const PrintAction action = longReport(income, rows);
        const PrintJob &job = action.jobs.front();
        QVERIFY(job.pagedAlone());
        RecordingSurface whole;
        job.print(whole);
        QCOMPARE(whole.pagesIn(1), pages);
        RecordingSurface counting;
        QCOMPARE(job.pageCount(counting), pages);
        for (int page = 1; page <= pages; ++page) {
            RecordingSurface alone;
            job.printPage(alone, page);
            QStringList expected, drawn;
            for (const RecordingSurface::Op &o : whole.ops())
                if (o.page == page && o.kind != RecordingSurface::Kind::Setup)
                    expected << opText(o);
            for (const RecordingSurface::Op &o : alone.ops())
                if (o.kind != RecordingSurface::Kind::Setup)
                    drawn << opText(o);
            QCOMPARE(drawn, expected);
            QVERIFY(drawn.contains(opText(*whole.findText(QStringLiteral("Page %1").arg(page)))));
        }
        QVERIFY(whole.findText(income ? "Grand Total" : "Total")->page == pages);
    }

    void incomeReportReadBack()
    {
        TestRoot root;
        const auto rows = postedRows(root.folder());
        const Income::Totals totals =
            Income::summarize(rows, Income::payments(root.folder(), rows, QDate(2026, 1, 1), QDate(2026, 12, 31)));
        const QStringList pages =
            printedPages(incomeReportAction(samplePrintInputs(), {QDate(2026, 1, 1), QDate(2026, 12, 31), {}},
                                            incomeReportValues(rows, totals)),
                         root.file("/r.pdf"));
        QCOMPARE(pages.size(), 1);
        const QString &page = pages[0];
        QVERIFY(hasLine(page, {"Income Report"}) && page.contains("1/1/2026 to 12/31/2026") &&
                page.contains("All Accounts"));
        for (std::size_t i = 0; i < std::size(kPosted); ++i) {
            const Posted &p = kPosted[i];
            QVERIFY2(hasLine(page, {kShown[i].date, p.invoice, p.acct, QStringLiteral("Site ") + p.acct, p.payForm,
                                    kShown[i].preTax, kShown[i].taxes, kShown[i].total}),
                     qPrintable(page));
        }
        // The totals are the sums of the lines shown.
        QVERIFY(hasLine(page, {"Totals (6 invoices)", "By Payment Form"}));
        QVERIFY(hasLine(page, {"Pre-Tax", "$215.01"}));
        QVERIFY(hasLine(page, {"Sales Tax", "$12.00"}));
        QVERIFY(hasLine(page, {"County Tax", "$2.50"}));
        QVERIFY(hasLine(page, {"Taxes", "$14.50"}));
        QVERIFY(hasLine(page, {"Grand Total", "$229.51"}));
        QVERIFY(hasLine(page, {"Cash (2)", "$139.75"}));
        QVERIFY(hasLine(page, {"Check (1)", "$10.76"}));
        QVERIFY(hasLine(page, {"Credit Card (1)", "$52.00"}));
        QVERIFY(hasLine(page, {"Not Collected (2)", "$27.00"}));
        // Received in the range: the invoices paid at finalizing, nothing later.
        QVERIFY(hasLine(page, {"Received in the Range"}));
        QVERIFY(hasLine(page, {"Of it for earlier invoices", "$0.00"}));
        QVERIFY(hasLine(page, {"Total Received", "$202.51"}));
    }
};

QTEST_MAIN(TestMoneyPrints)
#include "tst_moneyprints.moc"
