#pragma once

#include "billing/history.h"
#include "core/csv.h"
#include "core/money.h"

#include <QDate>
#include <QString>
#include <optional>
#include <vector>

class DataFolder;

// The income of the financial history rows shown: each invoice with its pre-tax amount, its taxes by name and
// its payment form, the totals a bookkeeper needs (by payment form, to match the bank deposit; by tax, what is
// owed), and the figures of the income chart.
//
// The history file keeps only the total of an invoice; the rest comes from the files that posting writes beside
// it on the same day: the tax records (/TaxRecords.txt, by invoice number and date: the tax's name and its
// amount), the invoice journal (/InvoiceSalesJournal.txt, by account, invoice number and date: the pre-tax
// amount) and the invoice's own slip in \FinalizedServiceSlips.txt (by account and invoice number: the payment
// form as entered, "Ck # 1234", "Cash", "Credit Card", "Not Collected"). An invoice older than the slips kept
// takes its form from the payment records (/CAPaymentRecords.txt) of its account, day and amount, and only where
// those tell it from the account's other invoices of that day and amount; where nothing tells them apart the form
// says so ("Cash or Not Collected?").
namespace Income {

enum class PayKind { Cash, Check, CreditCard, NotCollected, Other };
inline constexpr int kPayKinds = 5;
// "Cash", "Check", "Credit Card", "Not Collected", "Other".
QString payKindName(PayKind kind);
// The kind of a payment form as finalizing stores it: "Ck # ..." is a check.
PayKind payKindOf(const QString &payForm);

struct TaxAmount
{
    QString heading; // as the tax record names it, "Sales Tax"
    Money amount;    // in whole cents, as shown
};

struct Row
{
    History::FinancialRow history;
    QString invoiceNo; // the description without "Invoice No. "
    // The parts in whole cents adding up to the history's amount (billing/invoiceparts.h): the pre-tax amount from
    // the journal (without one, the total less the taxes) and the taxes.
    Money preTax;
    std::vector<TaxAmount> taxes;
    QString payForm; // as entered at finalizing; "Not Collected"; "Cash or Not Collected?" when it cannot be told
    PayKind payKind = PayKind::NotCollected;
    bool payKnown = true; // false when the records cannot tell this invoice's payment from another's

    Money taxTotal() const;
};

// The rows with what the other posting files say of them. A tax record belongs to the row of its invoice
// number and date (when two rows share both, each takes one record per tax name, in file order); a payment
// record to the row of its account, date and amount.
std::vector<Row> details(const DataFolder &folder, const std::vector<History::FinancialRow> &rows);

// A payment of the payment records (/CAPaymentRecords.txt): those finalizing wrote with their invoices and those
// received later (the companion program writes them so: the account, the day, the form such as "Ck # 2210" and
// the amount).
struct Payment
{
    QString acctNo;
    QString name;
    QDate date;
    QString form;
    PayKind kind = PayKind::Other;
    Money amount;
    bool withInvoice = false; // written by finalizing with one of the rows' invoices
};

// The payments dated start..end (of one account, when given), in file order; each matched to an invoice of rows
// (the income rows of the same range) that was paid so at finalizing.
std::vector<Payment> payments(const DataFolder &folder, const std::vector<Row> &rows, const QDate &start,
                              const QDate &end, const std::optional<QString> &account = std::nullopt);

struct Totals
{
    int count = 0;
    Money total; // the amounts as the history shows them
    Money preTax;
    Money taxes;
    Money byPayKind[kPayKinds];
    int countByPayKind[kPayKinds] = {};
    std::vector<TaxAmount> byTax; // in the order the names first appear
    // What was received in the range by payment form, to match the bank deposit: the invoices paid at finalizing
    // and the payments received later (of invoices of any date).
    Money received;
    Money receivedByPayKind[kPayKinds];
    int receivedCountByPayKind[kPayKinds] = {};
    Money receivedLater; // of it, the payments received after their invoices
};
Totals summarize(const std::vector<Row> &rows, const std::vector<Payment> &payments = {});

// The income as CSV (core/csv.h): a header row, then one row per invoice with its date, invoice number, account,
// name, pre-tax amount, each tax under its own name, total, payment form and what was received with it; then each
// payment received later as its own row (date, account, name, form, received). Each amount column sums to the
// report's figure of the same name.
QByteArray incomeCsv(const std::vector<Row> &rows, const std::vector<Payment> &payments, Csv::Options options = {});

// The income chart: one bar per month of the range, or per day when the range is 31 days or less; each bar
// the pre-tax amount with the taxes stacked on it. Months before the first income of a long range are left
// out, so that "all time" starts where the business does.
struct Bar
{
    QDate first;   // the first day the bar stands for
    QString label; // "3/7" for a day, "Mar 2026" for a month
    Money preTax;
    Money taxes;
};
struct Chart
{
    bool byDay = false;
    std::vector<Bar> bars;
    Money highest; // the tallest bar: pre-tax + taxes
};
Chart chartOf(const std::vector<Row> &rows, const QDate &start, const QDate &end);

} // namespace Income
