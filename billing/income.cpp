#include "billing/income.h"

#include "billing/posting.h"
#include "billing/postingrecords.h"
#include "billing/accountfiles.h"
#include "billing/accounthistoryrecord.h"
#include "core/cp1252.h"
#include "core/formats.h"
#include "core/oledate.h"
#include "core/recordscan.h"

#include <QHash>
#include <algorithm>

namespace Income {

namespace {

const QString kNotCollected = QStringLiteral("Not Collected");

QByteArray key(std::initializer_list<QByteArrayView> parts)
{
    QByteArray k;
    for (QByteArrayView p : parts) {
        k += p;
        k += '\x1f';
    }
    return k;
}

QByteArray bytesOf(const QString &text)
{
    return Cp1252::encode(text.trimmed());
}

// The invoice number of a history row: its description without "Invoice No. ".
QString invoiceOf(const QString &description)
{
    const QString d = description.trimmed();
    return d.startsWith(Posting::kInvoiceDescription) ? d.mid(Posting::kInvoiceDescription.size()).trimmed() : d;
}

// The rows of one key, taken in turn.
struct Queue
{
    std::vector<int> rows;
    std::size_t next = 0;

    int take() { return next < rows.size() ? rows[next++] : -1; }
};

QByteArray amountKey(Money amount)
{
    return QByteArray::number(Formats::roundToCents(amount).raw());
}

} // namespace

QString payKindName(PayKind kind)
{
    switch (kind) {
    case PayKind::Cash:
        return QStringLiteral("Cash");
    case PayKind::Check:
        return QStringLiteral("Check");
    case PayKind::CreditCard:
        return QStringLiteral("Credit Card");
    case PayKind::NotCollected:
        return kNotCollected;
    case PayKind::Other:
        break;
    }
    return QStringLiteral("Other");
}

PayKind payKindOf(const QString &payForm)
{
    const QString f = payForm.trimmed();
    if (f.startsWith(QStringLiteral("Ck #"), Qt::CaseInsensitive) || f.startsWith(QStringLiteral("Check"), Qt::CaseInsensitive))
        return PayKind::Check;
    if (f.compare(QStringLiteral("Cash"), Qt::CaseInsensitive) == 0)
        return PayKind::Cash;
    if (f.compare(QStringLiteral("Credit Card"), Qt::CaseInsensitive) == 0)
        return PayKind::CreditCard;
    if (f.compare(kNotCollected, Qt::CaseInsensitive) == 0 || f.isEmpty())
        return PayKind::NotCollected;
    return PayKind::Other;
}

Money Row::taxTotal() const
{
    Money sum;
    for (const TaxAmount &t : taxes)
        sum += t.amount;
    return sum;
}

std::vector<Row> Details(const DataFolder &folder, const std::vector<History::FinancialRow> &rows)
{
    std::vector<Row> out(rows.size());
    const int invoiceWidthTax = taxLayout().size(TaxField::InvoiceNo);
    const int invoiceWidthJournal = journalLayout().size(JournalField::InvoiceNo);
    const int acctWidthJournal = journalLayout().size(JournalField::AcctNo);

    // The keys of the rows, so that only the records of shown invoices are kept.
    QHash<QByteArray, std::vector<int>> rowsByTaxKey;     // invoice, date
    QHash<QByteArray, Queue> rowsByJournalKey; // account, invoice, date
    QHash<QByteArray, Queue> rowsByPaymentKey; // account, date, amount
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const History::FinancialRow &h = rows[i];
        Row &r = out[i];
        r.history = h;
        r.invoiceNo = invoiceOf(h.description);
        r.payForm = kNotCollected;
        const QByteArray acct = bytesOf(h.acctNo);
        const QByteArray date = bytesOf(h.date);
        const QByteArray invoice = bytesOf(r.invoiceNo);
        rowsByTaxKey[key({invoice.left(invoiceWidthTax).trimmed(), date})].push_back(int(i));
        rowsByJournalKey[key({acct.left(acctWidthJournal).trimmed(), invoice.left(invoiceWidthJournal).trimmed(),
                              date})]
            .rows.push_back(int(i));
        rowsByPaymentKey[key({acct, date, amountKey(h.amount)})].rows.push_back(int(i));
    }

    // Pre-tax amounts from the journal; its lines of the shown invoices' numbers and days, of every account,
    // say how much tax each invoice had, so that the tax records of one number and day go to the right account.
    struct Entry
    {
        int row = -1; // the shown row of the journal line, if any
        Money taxes;
        Money taken;
    };
    QHash<QByteArray, std::vector<Entry>> entriesByTaxKey;
    std::vector<bool> journaled(rows.size(), false);
    {
        using namespace JournalField;
        const RecordScan journal(folder, Posting::kJournal, journalLayout());
        for (int j = 0; j < journal.count(); ++j) {
            const Record record(journalLayout(), QByteArray::fromRawData(journal.at(j), journalLayout().length()));
            const QByteArray date = Cp1252::encode(Formats::shortDate(OleDate::toDate(record.real(Date))));
            const QByteArrayView invoice = journal.trimmed(j, InvoiceNo);
            const QByteArray taxKey = key({invoice.first(std::min<qsizetype>(invoice.size(), invoiceWidthTax)), date});
            if (!rowsByTaxKey.contains(taxKey))
                continue;
            Entry entry;
            entry.taxes = record.money(Taxes);
            auto found = rowsByJournalKey.find(key({journal.trimmed(j, AcctNo), invoice, date}));
            if (found != rowsByJournalKey.end() && (entry.row = found->take()) >= 0) {
                out[entry.row].preTax = record.money(PreTax);
                journaled[entry.row] = true;
            }
            entriesByTaxKey[taxKey].push_back(entry);
        }
    }

    // Taxes: the records of an invoice number and day go to its journal lines in order, each line taking them up
    // to its taxes. Without journal lines, each shown row of the key takes one record per tax name, in file
    // order. Records left over go to the key's last line or row.
    {
        using namespace TaxField;
        const RecordScan taxes(folder, Posting::kTaxRecords, taxLayout());
        QHash<QByteArray, std::size_t> next; // the key's line or row now taking records
        for (int t = 0; t < taxes.count(); ++t) {
            const QByteArray k = key({taxes.trimmed(t, InvoiceNo), taxes.trimmed(t, Date)});
            const auto found = rowsByTaxKey.constFind(k);
            if (found == rowsByTaxKey.constEnd())
                continue;
            const QString heading = Cp1252::decode(taxes.trimmed(t, Heading).toByteArray());
            const Money amount =
                Formats::parseDecimal(Cp1252::decode(taxes.trimmed(t, TaxField::TaxAmount).toByteArray()))
                    .value_or(Money());
            std::size_t &at = next[k];
            if (auto lines = entriesByTaxKey.find(k); lines != entriesByTaxKey.end()) {
                std::vector<Entry> &entries = *lines;
                while (at + 1 < entries.size() && entries[at].taken >= entries[at].taxes)
                    ++at;
                entries[at].taken += amount;
                if (entries[at].row >= 0)
                    out[entries[at].row].taxes.push_back({heading, amount});
                continue;
            }
            const std::vector<int> &candidates = *found;
            auto hasHeading = [&](int row) {
                return std::any_of(out[row].taxes.begin(), out[row].taxes.end(),
                                   [&](const TaxAmount &a) { return a.heading == heading; });
            };
            while (at + 1 < candidates.size() && hasHeading(candidates[at]))
                ++at;
            out[candidates[at]].taxes.push_back({heading, amount});
        }
    }

    // Payment forms from the payment records.
    {
        using namespace AccountHistoryField;
        const RecordScan payments(folder, AccountFiles::kPaymentFile, accountHistoryLayout());
        for (int p = 0; p < payments.count(); ++p) {
            const Money amount =
                Formats::currencyOrZero(Cp1252::decode(payments.trimmed(p, Amount).toByteArray()));
            auto found =
                rowsByPaymentKey.find(key({payments.trimmed(p, AcctNo), payments.trimmed(p, Date), amountKey(amount)}));
            const int row = found == rowsByPaymentKey.end() ? -1 : found->take();
            if (row < 0)
                continue;
            const QString form = Cp1252::decode(payments.trimmed(p, Description).toByteArray());
            out[row].payForm = form;
        }
    }

    for (std::size_t i = 0; i < out.size(); ++i) {
        Row &r = out[i];
        r.payKind = payKindOf(r.payForm);
        if (!journaled[i])
            r.preTax = r.history.amount - r.taxTotal();
    }
    return out;
}

Totals Summarize(const std::vector<Row> &rows)
{
    Totals t;
    for (const Row &r : rows) {
        ++t.count;
        t.total += r.history.amount;
        t.preTax += r.preTax;
        const int kind = int(r.payKind);
        t.byPayKind[kind] += r.history.amount;
        ++t.countByPayKind[kind];
        for (const TaxAmount &tax : r.taxes) {
            t.taxes += tax.amount;
            auto found = std::find_if(t.byTax.begin(), t.byTax.end(),
                                      [&](const TaxAmount &a) { return a.heading == tax.heading; });
            if (found == t.byTax.end())
                t.byTax.push_back(tax);
            else
                found->amount += tax.amount;
        }
    }
    return t;
}

Chart ChartOf(const std::vector<Row> &rows, const QDate &start, const QDate &end)
{
    Chart chart;
    if (!start.isValid() || !end.isValid() || end < start)
        return chart;
    chart.byDay = start.daysTo(end) < 31;
    // The bar of a date, counted from the range's first bar.
    const auto barOf = [&](const QDate &d) -> qint64 {
        if (chart.byDay)
            return start.daysTo(d);
        return qint64(d.year() - start.year()) * 12 + (d.month() - start.month());
    };
    const qint64 count = barOf(end) + 1;
    std::vector<Money> preTax(static_cast<std::size_t>(count)), taxes(static_cast<std::size_t>(count));
    qint64 first = count;
    for (const Row &r : rows) {
        const QDate &d = r.history.dateValue;
        if (!d.isValid() || d < start || d > end)
            continue;
        const qint64 bar = barOf(d);
        const Money tax = r.taxTotal();
        taxes[std::size_t(bar)] += tax;
        preTax[std::size_t(bar)] += r.history.amount - tax;
        first = std::min(first, bar);
    }
    if (chart.byDay || first == count)
        first = 0;
    for (qint64 b = first; b < count; ++b) {
        Bar bar;
        bar.first = chart.byDay ? start.addDays(b) : QDate(start.year(), start.month(), 1).addMonths(int(b));
        bar.label = chart.byDay ? bar.first.toString(QStringLiteral("M/d")) : bar.first.toString(QStringLiteral("MMM yyyy"));
        bar.preTax = preTax[std::size_t(b)];
        bar.taxes = taxes[std::size_t(b)];
        chart.highest = std::max(chart.highest, bar.preTax + bar.taxes);
        chart.bars.push_back(bar);
    }
    return chart;
}

} // namespace Income
