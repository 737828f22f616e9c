#include "accounts/customerfile.h"
#include "billing/history.h"
#include "billing/income.h"
#include "billing/moneyreportvalues.h"
#include "billing/pricedinvoice.h"
#include "billingsamples.h"
#include "core/settings.h"
#include "customersamples.h"
#include "gui/widgets/printrunner.h"
#include "platform/fakes/fakeplatform.h"
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

QString money(qint64 raw)
{
    return Formats::currency(Money::fromRaw(raw));
}

std::vector<Income::Row> postedRows(const DataFolder &folder)
{
    postAll(folder);
    return Income::Details(folder, History::LoadFinancial(folder, QDate(2026, 1, 1), QDate(2026, 12, 31)));
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
        const auto invoices = PricedInvoices::FromHistory(root.folder(), rows, settings);
        const QStringList pages = printedPages(pricedInvoiceAction(samplePrintInputs(), invoices), root.file("/i.pdf"));
        QCOMPARE(pages.size(), int(std::size(kPosted)));
        // The tax lines each invoice prints: a rate only where the setup's rate gives the amount.
        const QStringList taxLines[] = {{"Sales Tax (7.5%)"}, {"Sales Tax (7.5%)"},
                                        {"County Tax"},       {"Sales Tax (7.5%)", "County Tax (2.5%)"},
                                        {"Sales Tax (7.5%)"}, {}};
        for (int i = 0; i < pages.size(); ++i) {
            const Posted &p = kPosted[i];
            const QString &page = pages[i];
            for (const QString &text :
                 {QString("Acme Repair"), QString("INVOICE"), "Invoice No: " + QString(p.invoice),
                  "Date: " + Formats::shortDate(p.date), QString("Service Slip No: %1").arg(1001 + i),
                  "Account: " + QString(p.acct), QString("Replace the water heater"), "Payment: " + QString(p.payForm)})
                QVERIFY2(page.contains(text), qPrintable(text + " in\n" + page));
            QVERIFY(page.count(QStringLiteral("Site ") + p.acct) >= 2); // billed and served there
            QVERIFY2(hasLine(page, {"Amount before tax", money(p.preTax)}), qPrintable(page));
            const qint64 taxes[] = {p.tax1, p.tax2};
            int k = 0;
            for (const qint64 tax : taxes) {
                if (tax)
                    QVERIFY2(hasLine(page, {taxLines[i].value(k++), money(tax)}), qPrintable(page));
            }
            QCOMPARE(k, int(taxLines[i].size()));
            QVERIFY(hasLine(page, {"Total", Formats::currency(Money::fromCents(p.totalCents))}));
            const bool paid = QString(p.payForm) != "Not Collected";
            QCOMPARE(page.contains("PAID"), paid);
            QCOMPARE(page.contains("AMOUNT DUE"), !paid);
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
        const auto invoices = PricedInvoices::FromHistory(root.folder(), rows, Settings());
        const auto &billTo = invoices.front().billTo;
        QCOMPARE(QStringList({billTo.address1, billTo.city, billTo.state, billTo.postalCode}).join('|'),
                 "12 Elm St|Springfield|IL|62701");
        QVERIFY(invoices.back().billTo.address1.isEmpty()); // account 3003 is not in the customer file
    }

    void incomeReportReadBack()
    {
        TestRoot root;
        const auto rows = postedRows(root.folder());
        const Income::Totals totals = Income::Summarize(rows);
        const QStringList pages =
            printedPages(incomeReportAction(samplePrintInputs(), {QDate(2026, 1, 1), QDate(2026, 12, 31), {}},
                                            incomeReportValues(rows, totals)),
                         root.file("/r.pdf"));
        QCOMPARE(pages.size(), 1);
        const QString &page = pages[0];
        QVERIFY(hasLine(page, {"Income Report"}) && page.contains("1/1/2026 to 12/31/2026") &&
                page.contains("All Accounts"));
        qint64 sum[5] = {}; // pre-tax, Sales Tax, County Tax, total, not collected
        for (const Posted &p : kPosted) {
            QVERIFY2(hasLine(page, {Formats::shortDate(p.date), p.invoice, p.acct, QStringLiteral("Site ") + p.acct,
                                    p.payForm, money(p.preTax), money(p.tax1 + p.tax2),
                                    Formats::currency(Money::fromCents(p.totalCents))}),
                     qPrintable(page));
            sum[0] += p.preTax;
            sum[1] += p.tax1;
            sum[2] += p.tax2;
            sum[3] += p.totalCents * 100;
            if (QString(p.payForm) == "Not Collected")
                sum[4] += p.totalCents * 100;
        }
        QVERIFY(hasLine(page, {"Totals (6 invoices)", "By Payment Form"}));
        QVERIFY(hasLine(page, {"Pre-Tax", money(sum[0])}));
        QVERIFY(hasLine(page, {"Sales Tax", money(sum[1])}));
        QVERIFY(hasLine(page, {"County Tax", money(sum[2])}));
        QVERIFY(hasLine(page, {"Taxes", money(sum[1] + sum[2])}));
        QVERIFY(hasLine(page, {"Grand Total", money(sum[3])}));
        QVERIFY(hasLine(page, {"Cash (2)", money((10750 + 3225) * 100)}));
        QVERIFY(hasLine(page, {"Check (1)", money(1076 * 100)}));
        QVERIFY(hasLine(page, {"Credit Card (1)", money(5200 * 100)}));
        QVERIFY(hasLine(page, {"Not Collected (2)", money(sum[4])}));
    }
};

QTEST_MAIN(TestMoneyPrints)
#include "tst_moneyprints.moc"
