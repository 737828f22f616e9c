#include "billing/invoicemail.h"

#include "accounts/customerfile.h"
#include "accounts/customerrecord.h"
#include "core/cp1252.h"
#include "core/datafolder.h"
#include "core/formats.h"
#include "core/recordscan.h"

namespace InvoiceMail {

QHash<QString, Customer> customersOf(const DataFolder &folder, const QSet<QString> &accounts)
{
    QSet<QByteArray> wanted;
    for (const QString &acct : accounts)
        wanted.insert(Cp1252::encode(acct.trimmed()));
    QHash<QString, Customer> out;
    const RecordScan scan(folder, CustomerFile::kPath, customerLayout());
    for (int i = 0; i < scan.count() && out.size() < wanted.size(); ++i) {
        const QByteArray acct = scan.trimmed(i, CustomerField::AcctNo).toByteArray();
        if (!wanted.contains(acct) || out.contains(Cp1252::decode(acct)))
            continue; // the first record of a number is its customer
        const Record record(customerLayout(), QByteArray(scan.at(i), customerLayout().length()));
        out.insert(Cp1252::decode(acct), {displayName(record), record.text(CustomerField::Email).trimmed()});
    }
    return out;
}

QHash<QString, QString> fields(const PricedInvoice &invoice, const Customer &customer, const QString &business)
{
    const Money due = invoice.payKnown ? invoice.amountDue : invoice.total;
    return {{QStringLiteral("Name"), customer.name.isEmpty() ? invoice.billTo.name.trimmed() : customer.name},
            {QStringLiteral("InvoiceNo"), invoice.invoiceNo.trimmed()},
            {QStringLiteral("AmountDue"), Formats::currency(due)},
            {QStringLiteral("Total"), Formats::currency(invoice.total)},
            {QStringLiteral("SlipNo"), invoice.slipNo.trimmed()},
            {QStringLiteral("Date"), invoice.date},
            {QStringLiteral("Business"), business.trimmed()}};
}

QString attachmentName(const PricedInvoice &invoice)
{
    QString number = invoice.invoiceNo.trimmed();
    for (QChar &c : number) {
        if (c < QLatin1Char(' ') || QStringLiteral("\\/:*?\"<>|").contains(c))
            c = QLatin1Char('-');
    }
    return QStringLiteral("Invoice %1.pdf").arg(number);
}

QString Choice::report() const
{
    QString text;
    if (!withoutAddress.isEmpty())
        text += QStringLiteral("These invoices were not e-mailed: the customer has no e-mail address.\n") +
                withoutAddress.join(QLatin1Char('\n'));
    if (!refused.isEmpty()) {
        if (!text.isEmpty())
            text += QStringLiteral("\n\n");
        text += QStringLiteral("These invoices were not e-mailed: the address cannot be used.\n") +
                refused.join(QLatin1Char('\n'));
    }
    return text;
}

Choice choose(const std::vector<PricedInvoice> &invoices, const QHash<QString, Customer> &customers,
              const std::function<std::optional<QString>(const QString &address)> &problemOf)
{
    Choice choice;
    for (std::size_t i = 0; i < invoices.size(); ++i) {
        const PricedInvoice &invoice = invoices[i];
        const Customer customer = customers.value(invoice.acctNo.trimmed());
        const QString who = QStringLiteral("Invoice %1 - %2")
                                .arg(invoice.invoiceNo.trimmed(),
                                     customer.name.isEmpty() ? invoice.billTo.name.trimmed() : customer.name);
        if (customer.email.isEmpty()) {
            choice.withoutAddress << QStringLiteral("%1 (account %2)").arg(who, invoice.acctNo.trimmed());
        } else if (const auto problem = problemOf(customer.email)) {
            choice.refused << QStringLiteral("%1: %2 (%3)").arg(who, customer.email, *problem);
        } else {
            choice.toSend.push_back(i);
        }
    }
    return choice;
}

} // namespace InvoiceMail
