#pragma once

#include "billing/moneydocuments.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

class DataFolder;

// Priced invoices by e-mail: who gets each one, the message's fields and its attachment's name. Queueing and
// sending are the outbox's.
namespace InvoiceMail {

// The customer an invoice goes to, from the customer file.
struct Customer
{
    QString name;  // a business by its name, anyone else by title, first and last name
    QString email; // trimmed; empty: none
};
// The customers of these accounts (trimmed numbers), in one pass over the customer file. An account no longer
// in the file is missing from the answer.
QHash<QString, Customer> customersOf(const DataFolder &folder, const QSet<QString> &accounts);

// The fields the setup's subject and text may hold (MailSettings::fill): {Name}, {InvoiceNo}, {AmountDue} (what is
// still owed, "$1,234.56"), {Total}, {SlipNo}, {Date} and {Business}.
QHash<QString, QString> fields(const PricedInvoice &invoice, const Customer &customer, const QString &business);

// "Invoice 1234.pdf": the invoice number with the characters a file name cannot hold as "-".
QString attachmentName(const PricedInvoice &invoice);

// Which invoices can go: those whose customer has an address the check takes. The others are listed, by
// invoice, for the one message that says they were left out.
struct Choice
{
    std::vector<std::size_t> toSend; // indexes into the invoices, in their order
    QStringList withoutAddress;      // "Invoice 1234 - Ann Smith (account 1001)"
    QStringList refused;             // "Invoice 1234 - Ann Smith: ann@@example.com (why)"
    // The message for the office; empty when every invoice can go.
    QString report() const;
};
// `problemOf` says why an address cannot be used, or nothing when it can.
Choice choose(const std::vector<PricedInvoice> &invoices, const QHash<QString, Customer> &customers,
              const std::function<std::optional<QString>(const QString &address)> &problemOf);

} // namespace InvoiceMail
