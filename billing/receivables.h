#pragma once

#include "core/csv.h"
#include "core/money.h"

#include <QDate>
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

// One charge of a balance file: what of it is unpaid and the day it was paid in full.
struct Invoice
{
    QString description; // the invoice number as the charge names it
    QDate date;
    Money amount;
    Money unpaid;
    QDate paidOn;            // invalid while anything is unpaid
    bool paidWithIt = false; // paid at finalizing, with the charge
};

// One account's balance file as Who Still Owes reads it: the balance owed (never below zero) and its charges.
struct AccountLedger
{
    Money balance;
    std::vector<Invoice> invoices;
};
AccountLedger ledgerOf(const DataFolder &folder, const QString &acctNo, const QDate &today);

// Every balance file under /VIActiveAccounts whose balance is above zero. A file that cannot be read counts
// as no balance.
Report load(const DataFolder &folder, const QDate &today);

enum class SortBy { Amount, Age };
// Largest balance or oldest invoice first; the account number settles ties.
void sort(std::vector<Account> &accounts, SortBy by);

// Account, name, balance, oldest unpaid, age in days, the four buckets; a last line with the totals.
QByteArray receivablesCsv(const Report &report, Csv::Options options = {});

} // namespace Receivables
