#include "billing/pricedinvoice.h"

#include "accounts/customerfile.h"
#include "accounts/customerrecord.h"
#include "billing/posting.h"
#include "billing/receivables.h"
#include "core/datafolder.h"
#include "core/formats.h"
#include "core/recordscan.h"
#include "core/settings.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipmedia.h"

#include <QHash>
#include <algorithm>

namespace PricedInvoices {

namespace {

void fillFromSlip(PricedInvoice &invoice, const Record &slip)
{
    using namespace SlipField;
    invoice.slipNo = QString::number(slip.int16(SlipNo));
    invoice.billTo = {slip.text(Name), slip.text(Address1), slip.text(Address2),
                      slip.text(City), slip.text(State),    slip.text(PostalCode)};
    invoice.serviceAt = {slip.text(SiteName), slip.text(SiteAddress1), slip.text(SiteAddress2),
                         slip.text(SiteCity), slip.text(SiteState),    slip.text(SitePostalCode)};
    invoice.service = slip.text(ServiceRequired);
}

} // namespace

QString rateOf(Money preTax, Money amount)
{
    // The rates that charge this tax in whole cents lie in [amount - 1/2 cent, amount + 1/2 cent) / preTax x 100.
    // The rate shown is the one of fewest decimals (up to three) in that span, and only when the span is narrower
    // than a step of those decimals, so that the charge names that one rate and no neighbour of it.
    if (preTax.raw() <= 0 || amount.raw() <= 0)
        return {};
    const __int128 pre = preTax.raw();
    for (int decimals = 0; decimals <= 3; ++decimals) {
        qint64 step = 1; // the rate in units of 10^-decimals percent: rate = units / step
        for (int d = 0; d < decimals; ++d)
            step *= 10;
        // units / step * pre / 100 within [amount - 50, amount + 50) (raw), so units within [lo, hi).
        const __int128 lowNum = (__int128(amount.raw()) - 50) * 100 * step;
        const __int128 highNum = (__int128(amount.raw()) + 50) * 100 * step;
        if (highNum - lowNum >= pre)
            continue; // wider than one step: more than one rate of these decimals could have charged it
        const __int128 units = (lowNum + pre - 1) / pre; // the first whole unit at or above the low end
        if (units * pre >= highNum)
            continue;
        return Posting::plainAmount(Money::fromRaw(qint64(units * Money::kScale / step)));
    }
    return {};
}

PricedInvoice fromFinalized(const Finalize::Row &row, const Settings &settings, const QDate &today)
{
    PricedInvoice invoice;
    fillFromSlip(invoice, row.slip);
    invoice.invoiceNo = row.invoiceNo;
    invoice.acctNo = row.acctNo;
    invoice.date = Formats::shortDate(today);
    invoice.preTax = row.preTax;
    const std::pair<const QString *, Money> taxes[] = {{&settings.taxHeading1, row.tax1},
                                                       {&settings.taxHeading2, row.tax2}};
    for (const auto &[heading, amount] : taxes) {
        if (!amount.isZero())
            invoice.taxes.push_back({*heading, rateOf(invoice.preTax, amount), amount});
    }
    invoice.total = Formats::parseCurrency(row.amount).value_or(invoice.preTax + row.tax1 + row.tax2);
    invoice.payForm = row.payForm;
    invoice.paid = Income::payKindOf(row.payForm) != Income::PayKind::NotCollected;
    invoice.amountDue = invoice.paid ? Money() : invoice.total;
    return invoice;
}

std::vector<PricedInvoice> fromFinalizedRows(const std::vector<Finalize::Row> &rows, int chosen,
                                             const Settings &settings, const QDate &today)
{
    std::vector<PricedInvoice> out;
    if (chosen >= 0 && std::size_t(chosen) < rows.size() && rows[std::size_t(chosen)].finalized())
        return {fromFinalized(rows[std::size_t(chosen)], settings, today)};
    for (const Finalize::Row &row : rows) {
        if (row.finalized())
            out.push_back(fromFinalized(row, settings, today));
    }
    return out;
}

bool invoiceNumberBefore(const QString &a, const QString &b)
{
    const QString x = a.trimmed();
    const QString y = b.trimmed();
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < x.size() && j < y.size()) {
        if (x[i].isDigit() && y[j].isDigit()) {
            // Runs of digits: without their leading zeros, the longer is the larger, then digit by digit.
            const auto run = [](const QString &s, qsizetype &at) {
                while (at < s.size() && s[at] == QLatin1Char('0') && at + 1 < s.size() && s[at + 1].isDigit())
                    ++at;
                const qsizetype start = at;
                while (at < s.size() && s[at].isDigit())
                    ++at;
                return QStringView(s).mid(start, at - start);
            };
            const QStringView p = run(x, i);
            const QStringView q = run(y, j);
            if (p.size() != q.size())
                return p.size() < q.size();
            if (const int c = p.compare(q); c != 0)
                return c < 0;
            continue;
        }
        const QChar p = x[i].toCaseFolded();
        const QChar q = y[j].toCaseFolded();
        if (p != q)
            return p < q;
        ++i;
        ++j;
    }
    return x.size() - i < y.size() - j;
}

void sortByInvoiceNumber(std::vector<Income::Row> &rows)
{
    std::stable_sort(rows.begin(), rows.end(), [](const Income::Row &a, const Income::Row &b) {
        return invoiceNumberBefore(a.invoiceNo, b.invoiceNo);
    });
}

std::vector<PricedInvoice> fromHistory(const DataFolder &folder, const std::vector<Income::Row> &rows,
                                       const Settings &settings)
{
    using namespace SlipField;
    // The slips of the wanted invoices, the latest of each.
    QHash<QString, int> wanted;
    for (const Income::Row &r : rows)
        wanted.insert(r.history.acctNo + QChar(0x1f) + r.invoiceNo + QChar(0x1f) + r.history.amountText, -1);
    const RecordScan archive(folder, SlipFiles::kFinalized, serviceSlipLayout());
    const int length = serviceSlipLayout().length();
    for (int i = 0; i < archive.count(); ++i) {
        const Record slip(serviceSlipLayout(), QByteArray::fromRawData(archive.at(i), length));
        const Money amount = Formats::currencyOrZero(slip.text(Amount));
        const QString k =
            slip.text(AcctNo) + QChar(0x1f) + slip.text(InvoiceNo) + QChar(0x1f) + Formats::currency(amount);
        if (auto found = wanted.find(k); found != wanted.end())
            *found = i;
    }

    // An invoice older than the slips kept takes the billing address from the customer file, as it is now.
    QHash<QString, Record> customers;
    for (const Income::Row &r : rows) {
        if (wanted.value(r.history.acctNo + QChar(0x1f) + r.invoiceNo + QChar(0x1f) + r.history.amountText, -1) < 0)
            customers.insert(r.history.acctNo.trimmed(), Record(customerLayout()));
    }
    if (!customers.isEmpty()) {
        const RecordScan file(folder, CustomerFile::kPath, customerLayout());
        const int customerLength = customerLayout().length();
        for (int i = 0; i < file.count(); ++i) {
            Record customer(customerLayout(), QByteArray(file.at(i), customerLength));
            if (auto found = customers.find(customer.text(CustomerField::AcctNo)); found != customers.end())
                *found = std::move(customer);
        }
    }

    std::vector<PricedInvoice> out;
    out.reserve(rows.size());
    QHash<QString, Receivables::AccountLedger> ledgers;
    for (const Income::Row &r : rows) {
        if (!ledgers.contains(r.history.acctNo))
            ledgers.insert(r.history.acctNo, Receivables::ledgerOf(folder, r.history.acctNo, QDate()));
    }
    Receivables::namePayments(folder, ledgers);
    for (const Income::Row &r : rows) {
        PricedInvoice invoice;
        invoice.billTo.name = r.history.name;
        invoice.serviceAt.name = r.history.name;
        const int slipIndex =
            wanted.value(r.history.acctNo + QChar(0x1f) + r.invoiceNo + QChar(0x1f) + r.history.amountText, -1);
        if (slipIndex >= 0) {
            fillFromSlip(invoice, Record(serviceSlipLayout(), QByteArray(archive.at(slipIndex), length)));
        } else if (const Record customer = customers.value(r.history.acctNo.trimmed(), Record(customerLayout()));
                   !customer.text(CustomerField::AcctNo).isEmpty()) {
            namespace C = CustomerField;
            invoice.billTo = {r.history.name,         customer.text(C::Address1), customer.text(C::Address2),
                              customer.text(C::City), customer.text(C::State),    customer.text(C::PostalCode)};
        }
        invoice.invoiceNo = r.invoiceNo;
        invoice.acctNo = r.history.acctNo;
        invoice.date = r.history.date;
        invoice.preTax = r.preTax;
        for (const Income::TaxAmount &t : r.taxes)
            invoice.taxes.push_back({t.heading, rateOf(r.preTax, t.amount), t.amount});
        invoice.total = r.history.amount;
        invoice.payForm = r.payForm;
        invoice.payKnown = r.payKnown;
        invoice.paid = r.payKnown && r.payKind != Income::PayKind::NotCollected;
        invoice.amountDue = invoice.paid ? Money() : invoice.total;
        // What was received for it, and what is still owed, as Who Still Owes reads the account's balance file.
        if (auto ledger = ledgers.find(r.history.acctNo); ledger != ledgers.end()) {
            if (const Receivables::Invoice *charge =
                    Receivables::takeCharge(*ledger, r.invoiceNo, r.history.dateValue, r.history.amount))
                owedOn(invoice, *charge);
        }
        out.push_back(std::move(invoice));
    }
    addSignatures(folder, out);
    return out;
}

void addSignatures(const DataFolder &folder, std::vector<PricedInvoice> &invoices)
{
    for (PricedInvoice &invoice : invoices) {
        bool numbered = false;
        const int slipNo = invoice.slipNo.toInt(&numbered);
        if (!numbered)
            continue;
        if (const auto signature = SlipMedia::signature(folder, invoice.acctNo.trimmed(), qint16(slipNo))) {
            invoice.signaturePath = signature->path;
            invoice.signedText = signature->signedText();
        }
    }
}

void owedOn(PricedInvoice &invoice, const Receivables::Invoice &charge)
{
    invoice.amountDue = charge.unpaid;
    invoice.paid = charge.unpaid.isZero();
    invoice.received.clear();
    for (const Receivables::Paid &p : charge.payments) {
        invoice.received << QStringLiteral("Paid %1 on %2").arg(Formats::currency(p.amount), Formats::shortDate(p.date)) +
                                (p.form.isEmpty() ? QString() : QStringLiteral(", ") + p.form);
    }
    if (charge.paidWithIt && charge.payments.size() == 1 && !charge.payments.front().form.isEmpty()) {
        // Paid at finalizing: the payment's own record names the form, even where the invoice's day held twins.
        invoice.payForm = charge.payments.front().form;
        invoice.payKnown = true;
    } else if (!charge.paidWithIt && !invoice.payKnown) {
        invoice.payForm = QStringLiteral("Not Collected");
        invoice.payKnown = true;
    }
    invoice.paidLater = invoice.paid && !charge.paidWithIt ? Formats::shortDate(charge.paidOn) : QString();
}

} // namespace PricedInvoices
