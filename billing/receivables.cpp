#include "billing/receivables.h"

#include "accounts/customerfile.h"
#include "accounts/customerrecord.h"
#include "billing/accountfiles.h"
#include "billing/accounthistoryrecord.h"
#include "core/cp1252.h"
#include "core/datafolder.h"
#include "core/formats.h"
#include "core/recordscan.h"

#include <QHash>

#include <QDir>
#include <QFile>
#include <algorithm>
#include <future>

namespace Receivables {

namespace {

const QByteArray kPaymentReceived = QByteArrayLiteral("Payment Received");
const QByteArray kOpening = QByteArrayLiteral("Previous Balance");

QByteArrayView trimmedField(const char *record, int offset, int size)
{
    qsizetype begin = 0;
    qsizetype end = size;
    while (begin < end && record[offset + begin] == ' ')
        ++begin;
    while (end > begin && record[offset + end - 1] == ' ')
        --end;
    return QByteArrayView(record + offset + begin, end - begin);
}

struct Charge
{
    QDate date;
    Money unpaid;
};

// One balance file; nothing when it shows no money owed.
std::optional<Account> accountOf(const QString &path, const QString &fileName, const QDate &today)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    const RecordLayout &layout = accountHistoryLayout();
    const int length = layout.length();
    using namespace AccountHistoryField;
    Account account;
    std::vector<Charge> charges;
    std::vector<Money> laterPayments;
    Money balance;
    QByteArrayView lastDate;
    for (qsizetype at = 0; at + length <= bytes.size(); at += length) {
        const char *r = bytes.constData() + at;
        const QByteArrayView description = trimmedField(r, layout.offset(Description), layout.size(Description));
        const QByteArrayView dateText = trimmedField(r, layout.offset(Date), layout.size(Date));
        const Money amount =
            Formats::currencyOrZero(QString::fromLatin1(trimmedField(r, layout.offset(Amount), layout.size(Amount))));
        if (account.acctNo.isEmpty()) {
            account.acctNo = Cp1252::decode(trimmedField(r, layout.offset(AcctNo), layout.size(AcctNo)).toByteArray());
            account.name = Cp1252::decode(trimmedField(r, layout.offset(Name), layout.size(Name)).toByteArray());
        }
        if (description == kPaymentReceived) {
            balance -= amount;
            // The payment of the charge just before it, written by finalizing with it.
            if (!charges.empty() && charges.back().unpaid == amount && lastDate == dateText && amount > Money()) {
                charges.back().unpaid = Money();
            } else {
                laterPayments.push_back(amount);
            }
            lastDate = {};
            continue;
        }
        balance += amount;
        const QDate date = Formats::parseShortDate(QString::fromLatin1(dateText)).value_or(today);
        if (amount > Money())
            charges.push_back({date, amount});
        else if (amount < Money())
            laterPayments.push_back(-amount); // a credit pays like a payment
        lastDate = description == kOpening ? QByteArrayView() : dateText;
    }
    if (balance <= Money())
        return std::nullopt;
    // Other payments and credits pay the oldest invoices first.
    Money credit;
    for (const Money &p : laterPayments)
        credit += p;
    for (Charge &c : charges) {
        const Money paid = std::min(credit, c.unpaid);
        c.unpaid -= paid;
        credit -= paid;
    }
    if (account.acctNo.isEmpty())
        account.acctNo = fileName.chopped(4);
    account.balance = balance;
    for (const Charge &c : charges) {
        if (c.unpaid <= Money())
            continue;
        const int days = int(std::max<qint64>(0, c.date.daysTo(today)));
        if (!account.oldestUnpaid.isValid()) {
            account.oldestUnpaid = c.date;
            account.ageDays = days;
        }
        account.buckets[std::size_t(bucketOf(days))] += c.unpaid;
    }
    return account;
}

std::vector<Account> loadFiles(const QString &folder, const QStringList &names, qsizetype from, qsizetype to,
                               const QDate &today)
{
    std::vector<Account> out;
    for (qsizetype i = from; i < to; ++i) {
        if (auto a = accountOf(folder + names[i], names[i], today))
            out.push_back(std::move(*a));
    }
    return out;
}

} // namespace

QString bucketName(int bucket)
{
    static const QString names[kBuckets] = {QStringLiteral("0-30"), QStringLiteral("31-60"), QStringLiteral("61-90"),
                                            QStringLiteral("Over 90")};
    return bucket >= 0 && bucket < kBuckets ? names[bucket] : QString();
}

int bucketOf(int days)
{
    return days <= 30 ? Days0To30 : days <= 60 ? Days31To60 : days <= 90 ? Days61To90 : Over90;
}

Report Load(const DataFolder &folder, const QDate &today)
{
    const QString path = folder.path(AccountFiles::kFolder) + QLatin1Char('/');
    QStringList names =
        QDir(path).entryList({QStringLiteral("*.txt"), QStringLiteral("*.TXT")}, QDir::Files, QDir::Name);
    // Thousands of small files: read in two halves side by side.
    const qsizetype half = names.size() / 2;
    auto second = std::async(std::launch::async, [&] { return loadFiles(path, names, half, names.size(), today); });
    Report report;
    report.accounts = loadFiles(path, names, 0, half, today);
    std::vector<Account> rest = second.get();
    report.accounts.insert(report.accounts.end(), std::make_move_iterator(rest.begin()),
                           std::make_move_iterator(rest.end()));
    // Each account by its customer's name; the name the balance file was opened with (a job's site, often) only
    // for an account no longer in the customer file.
    if (!report.accounts.empty()) {
        QHash<QString, QString> names;
        const RecordScan customers(folder, CustomerFile::kPath, customerLayout());
        for (int i = 0; i < customers.count(); ++i) {
            const QByteArrayView name = customers.trimmed(i, CustomerField::Name);
            if (!name.isEmpty())
                names.insert(Cp1252::decode(customers.trimmed(i, CustomerField::AcctNo).toByteArray()),
                             Cp1252::decode(name.toByteArray()));
        }
        for (Account &a : report.accounts)
            a.name = names.value(a.acctNo, a.name);
    }
    for (const Account &a : report.accounts) {
        report.total += a.balance;
        for (int b = 0; b < kBuckets; ++b)
            report.totals[std::size_t(b)] += a.buckets[std::size_t(b)];
    }
    return report;
}

void Sort(std::vector<Account> &accounts, SortBy by)
{
    std::stable_sort(accounts.begin(), accounts.end(), [by](const Account &a, const Account &b) {
        if (by == SortBy::Amount && a.balance != b.balance)
            return a.balance > b.balance;
        if (by == SortBy::Age && a.ageDays != b.ageDays)
            return a.ageDays > b.ageDays;
        return a.acctNo < b.acctNo;
    });
}

QByteArray ReceivablesCsv(const Report &report, Csv::Options options)
{
    Csv::Writer csv(options);
    QStringList header = {QStringLiteral("Account"), QStringLiteral("Name"), QStringLiteral("Balance"),
                          QStringLiteral("Oldest Unpaid"), QStringLiteral("Age (days)")};
    for (int b = 0; b < kBuckets; ++b)
        header << Csv::plain(bucketName(b));
    csv.addLine(header);
    for (const Account &a : report.accounts) {
        QStringList line = {Csv::text(a.acctNo), Csv::text(a.name), Csv::amount(a.balance), Csv::date(a.oldestUnpaid),
                            QString::number(a.ageDays)};
        for (const Money &m : a.buckets)
            line << Csv::amount(m);
        csv.addLine(line);
    }
    QStringList totals = {QString(), QStringLiteral("Total"), Csv::amount(report.total), QString(), QString()};
    for (const Money &m : report.totals)
        totals << Csv::amount(m);
    csv.addLine(totals);
    return csv.bytes();
}

} // namespace Receivables
