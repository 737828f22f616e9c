#pragma once

#include "core/money.h"
#include "dispatch/slipprintvalues.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <array>
#include <vector>

// The plain values the money documents print: the priced invoice, the income report and the receivables by age.
// Billing fills them from its records (billing/pricedinvoice.h, billing/moneyreportvalues.h); the layouts in
// printing/ print them as they are.

// The invoice that shows what was charged: the customer's billing address and the service location, the slip,
// the service, the pre-tax amount, each tax by its name and rate, the total, the payment form and whether it
// was paid.
struct PricedInvoice
{
    struct Tax
    {
        QString heading;
        QString rate; // "7.5" (percent) when the amount is the setup's rate of the pre-tax amount; else empty
        Money amount;
    };

    QString invoiceNo; // as entered at finalizing
    QString date;      // short date
    QString slipNo;    // empty when the slip is no longer kept
    QString acctNo;
    SoldTo billTo;
    SoldTo serviceAt;
    QString service; // the slip's work description
    Money preTax;
    std::vector<Tax> taxes;
    Money total;
    QString payForm; // "Ck # 1234", "Cash", "Credit Card", "Not Collected"
    bool paid = false;    // nothing is owed on it
    bool payKnown = true; // false: the records cannot tell whether this invoice was paid
    QString paidLater;    // short date: not collected at finalizing, paid in full on that day
    Money amountDue;      // the total less what was received for it
    QStringList received; // "Paid $200.00 on 11/28/2026, Ck # 3001", in the order received
    QString signaturePath; // the customer's signature on the slip; empty when not signed
    QString signedText;    // "Signed by M. Chavez 12/8/2026 10:42"
};

// What the income report covers, for its heading: "3/1/2026 to 3/31/2026" and "All Accounts" or "Account 1001".
struct IncomeReportScope
{
    QDate start;
    QDate end;
    QString account; // empty: all accounts
};

// The income report: one line per invoice, then the totals.
struct IncomeReportValues
{
    struct Row
    {
        QString date; // short date
        QString invoiceNo;
        QString acctNo;
        QString name;
        QString payForm; // as entered; "Not Collected"
        Money preTax;
        Money taxes;   // all taxes of the invoice
        QString total; // the amount as the history shows it
    };
    struct TaxTotal
    {
        QString heading; // "Sales Tax"
        Money amount;
    };
    struct PayFormTotal
    {
        QString name; // "Cash", "Check", "Credit Card", "Not Collected", "Other"
        int count = 0;
        Money amount;
        bool onlyWhenUsed = false; // left out of the totals when no invoice was paid so
    };

    std::vector<Row> rows;
    int count = 0;
    Money total;
    Money preTax;
    Money taxes;
    std::vector<TaxTotal> byTax;         // in the order the names first appear
    std::vector<PayFormTotal> byPayForm; // every payment form, in the order printed
    // What was received in the range, by payment form (the bank deposit), and of it what paid earlier invoices.
    std::vector<PayFormTotal> receivedByPayForm;
    Money received;
    Money receivedLater;
    // One account's report: what the account owes now, as Who Still Owes says.
    bool showsOwed = false;
    Money owed;
};

// The receivables by age: one line per account that owes, then the totals by age.
struct ReceivablesReportValues
{
    // "0-30", "31-60", "61-90", "Over 90" days: the report's last four columns.
    static constexpr int kAges = 4;

    struct Account
    {
        QString acctNo;
        QString name;
        Money balance;
        QDate oldestUnpaid; // the date of the oldest invoice not paid
        int ageDays = 0;    // of that invoice
        std::array<Money, kAges> byAge{};
    };

    std::vector<Account> accounts;
    std::array<Money, kAges> totals{};
    Money total;
};
