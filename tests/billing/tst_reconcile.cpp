#include "billing/finalizesession.h"
#include "billing/history.h"
#include "billing/income.h"
#include "billing/moneyreportvalues.h"
#include "billing/posting.h"
#include "billing/postingrecords.h"
#include "billing/pricedinvoice.h"
#include "billingsamples.h"
#include "core/recordscan.h"
#include "core/settings.h"
#include "testsupport.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

// The ledger's own sums, read straight from the journal: each record's pre-tax amount and taxes against its total.
struct JournalSums
{
    int unbalanced = 0;
    Money total;
};

JournalSums journalSums(const DataFolder &folder)
{
    JournalSums sums;
    for (const Record &r : folder.readRecords(Posting::kJournal, journalLayout())) {
        using namespace JournalField;
        if (r.money(PreTax) + r.money(Taxes) != r.money(Total) || r.money(Total).raw() % 100 != 0)
            ++sums.unbalanced;
        sums.total += r.money(Total);
    }
    return sums;
}

} // namespace

// A thousand invoices of random amounts and rates, entered as the finalize window enters them and posted: on every
// document and report the parts shown add up to the total shown, and each report's figures are the sums of the
// invoices it covers.
class TestReconcile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void partsAddUpEverywhere()
    {
        TestRoot root;
        const DataFolder folder = root.folder();
        QRandomGenerator random(20261030);
        const QDate first(2026, 10, 1);
        qint64 enteredCents = 0;
        for (int day = 0; day < 10; ++day) {
            std::vector<Finalize::Row> rows;
            for (int i = 0; i < 100; ++i) {
                const int slip = 1000 + day * 100 + i;
                rows.push_back({i + 1, completedSlip(slip, QString("A%1").arg(slip % 37), "Site"),
                                QString::number(slip), "", QString("A%1").arg(slip % 37), "Site"});
            }
            FinalizeSession session;
            session.load(rows);
            for (int i = 1; i <= 100; ++i) {
                // Rates such as 7.375 and 0.5; amounts from a cent to $2,000,000, typed with up to four decimals.
                session.setRates(Money::fromRaw(qint64(random.bounded(12500)) * 10),
                                 Money::fromRaw(qint64(random.bounded(3000)) * 10));
                session.begin(i);
                session.resetEntry(random.bounded(4) != 0, random.bounded(2) != 0);
                const qint64 raw = random.bounded(4) == 0
                                       ? qint64(random.bounded(1, 20000000)) * 100 + random.bounded(100)
                                       : qint64(random.bounded(1, 500000)) * 100;
                session.setAmountText(QString::number(double(raw) / 10000.0, 'f', 4));
                session.calculateTaxes();
                const char *forms[] = {"Cash", "Ck # 12", "Credit Card", "Not Collected"};
                QVERIFY(
                    session.enterToGrid(QString::number(900000 + day * 100 + i), forms[random.bounded(4)]).isDone());
                const Finalize::Row &r = session.row(i);
                // The entry as the window shows it: its parts add to its total.
                QCOMPARE(r.preTax + r.tax1 + r.tax2, *Formats::parseCurrency(r.amount));
                enteredCents += Formats::parseCurrency(r.amount)->raw();
            }
            PostingRun::writeRecords(folder, session.postingSlips(), {"Sales Tax", "City Tax"}, first.addDays(day));
        }

        const JournalSums journal = journalSums(folder);
        QCOMPARE(journal.unbalanced, 0);
        QCOMPARE(journal.total.raw(), enteredCents);

        const auto rows = Income::details(folder, History::loadFinancial(folder, first, first.addDays(9)));
        QCOMPARE(rows.size(), std::size_t(1000));
        const auto payments = Income::payments(folder, rows, first, first.addDays(9));
        const Income::Totals totals = Income::summarize(rows, payments);
        Money preTax, taxes, byHeading[2], received;
        for (const Income::Row &r : rows) {
            QCOMPARE(r.preTax + r.taxTotal(), r.history.amount);
            preTax += r.preTax;
            for (const Income::TaxAmount &t : r.taxes)
                byHeading[t.heading == "City Tax"] += t.amount;
            taxes += r.taxTotal();
            if (r.payKind != Income::PayKind::NotCollected)
                received += r.history.amount;
        }
        QCOMPARE(totals.total.raw(), enteredCents);
        QCOMPARE(totals.preTax, preTax);
        QCOMPARE(totals.taxes, taxes);
        QCOMPARE(totals.preTax + totals.taxes, totals.total);
        QCOMPARE(totals.received, received);
        for (const Income::TaxAmount &t : totals.byTax)
            QCOMPARE(t.amount, byHeading[t.heading == "City Tax"]);

        // The CSV's amount columns sum to the report's figures.
        const QList<QByteArray> lines = Income::incomeCsv(rows, payments).split('\n');
        const QList<QByteArray> header = lines[0].trimmed().split(',');
        Money csvPreTax, csvTotal, csvReceived;
        for (qsizetype l = 1; l < lines.size(); ++l) {
            const QList<QByteArray> f = lines[l].trimmed().split(','); // names and forms here hold no comma
            if (f.size() != header.size())
                continue;
            const auto column = [&](const char *name) {
                return Formats::currencyOrZero(QString::fromLatin1(f[header.indexOf(name)]));
            };
            csvPreTax += column("Pre-Tax");
            csvTotal += column("Total");
            csvReceived += column("Received");
        }
        QCOMPARE(csvPreTax, totals.preTax);
        QCOMPARE(csvTotal, totals.total);
        QCOMPARE(csvReceived, totals.received);

        const IncomeReportValues report = incomeReportValues(rows, totals);
        Money rowsShown;
        for (const IncomeReportValues::Row &r : report.rows) {
            QCOMPARE(r.preTax + r.taxes, *Formats::parseCurrency(r.total));
            rowsShown += r.preTax + r.taxes;
        }
        QCOMPARE(rowsShown, report.total);
        for (const PricedInvoice &invoice : PricedInvoices::fromHistory(folder, rows, Settings())) {
            Money sum = invoice.preTax;
            for (const PricedInvoice::Tax &t : invoice.taxes)
                sum += t.amount;
            QCOMPARE(sum, invoice.total);
        }
    }
};

QTEST_GUILESS_MAIN(TestReconcile)
#include "tst_reconcile.moc"
