#pragma once

#include "core/csv.h"
#include "core/money.h"

#include <QDate>
#include <QHash>
#include <QString>
#include <array>
#include <vector>

class DataFolder;

// Who still owes: every account whose balance file (/VIActiveAccounts/<account>.txt) shows money not
// collected, with the age of what is unpaid.
//
// A balance file holds the opening "Previous Balance", then for every invoice its charge (the invoice number
// and the amount) and, when it was paid at finalizing, a "Payment Received" of the same amount on the same day
// right after it. The balance is the opening amount plus the charges less the payments. A payment that follows
// its charge of the same amount and day pays that invoice; any other payment (one the invoicing program
// recorded later, say) pays the oldest unpaid invoices first. What stays unpaid is aged from its date.
namespace Receivables {

enum Bucket { Days0To30, Days31To60, Days61To90, Over90, kBuckets };
// "0-30", "31-60", "61-90", "Over 90".
QString bucketName(int bucket);
int bucketOf(int days);

struct Account
{
    QString acctNo;
    QString name; // the customer's name from the customer file; else the name the balance file holds
    Money balance;
    QDate oldestUnpaid;                    // the date of the oldest invoice not paid
    int ageDays = 0;                       // of that invoice, on the day asked
    std::array<Money, kBuckets> buckets{}; // the unpaid amounts by their age
};

struct Report
{
    std::vector<Account> accounts; // by account file name
    std::array<Money, kBuckets> totals{};
    Money total;
};

// What of a payment (or a credit) went to one charge.
struct Paid
{
    QDate date;       // the day of the payment
    Money amount;     // the part of it that went to this charge
    int payment = -1; // the payment's "Payment Received" line among the file's payments (from 0); -1: a credit
    QString form;     // "Ck # 3001", from the payment records (namePayments); empty when they do not say
};

// One charge of a balance file: what of it is unpaid, the day it was paid in full and what paid it.
struct Invoice
{
    QString description; // the invoice number as the charge names it
    QDate date;
    Money amount;
    Money unpaid;
    QDate paidOn;            // invalid while anything is unpaid
    bool paidWithIt = false; // paid at finalizing, with the charge
    std::vector<Paid> payments;
};

// One account's balance file as Who Still Owes reads it: the balance owed (never below zero) and its charges.
struct AccountLedger
{
    Money balance;
    std::vector<Invoice> invoices;
    std::vector<std::pair<QDate, Money>> paymentLines; // each "Payment Received", in file order
};
AccountLedger ledgerOf(const DataFolder &folder, const QString &acctNo, const QDate &today);

// The forms of the payments that paid the charges of these ledgers (by account number), from the payment records
// (/CAPaymentRecords.txt): the n-th "Payment Received" of a day and amount in a balance file is the n-th payment
// record of its account, day and amount. So two invoices of one day and amount, each paid by its own check, are
// told apart by the order of the file's lines.
void namePayments(const DataFolder &folder, QHash<QString, AccountLedger> &ledgers);

// The charge of an invoice (number, day, amount) not taken yet; it is marked taken. nullptr when there is none.
Invoice *takeCharge(AccountLedger &ledger, const QString &invoiceNo, const QDate &date, Money amount);

// Every balance file under /VIActiveAccounts whose balance is above zero. A file that cannot be read counts
// as no balance.
Report load(const DataFolder &folder, const QDate &today);

enum class SortBy { Amount, Age };
// Largest balance or oldest invoice first; the account number settles ties.
void sort(std::vector<Account> &accounts, SortBy by);

// Account, name, balance, oldest unpaid, age in days, the four buckets; a last line with the totals.
QByteArray receivablesCsv(const Report &report, Csv::Options options = {});

} // namespace Receivables
