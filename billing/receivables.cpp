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
#include <QDirIterator>
#include <QFile>
#include <algorithm>
#include <deque>
#include <future>
#include <thread>

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

// One balance file read through: its account, its balance and each charge with what of it is unpaid and, once
// paid, the day it was. A payment that follows its charge of the same amount and day pays that invoice; any
// other payment (or credit) pays the oldest unpaid invoices first, and what is left of it the next invoices.
struct Ledger
{
    QString acctNo;
    QString name;
    Money balance;
    std::vector<Invoice> charges;
    std::vector<std::pair<QDate, Money>> paymentLines;
};

Ledger ledgerOf(const QByteArray &bytes, const QDate &today)
{
    const RecordLayout &layout = accountHistoryLayout();
    const int length = layout.length();
    using namespace AccountHistoryField;
    Ledger ledger;
    // Money paid ahead of the charges it pays, oldest first: each payment's (or credit's) day, what is left of
    // it and which payment it is.
    struct Ahead
    {
        QDate date;
        Money left;
        int payment;
    };
    std::deque<Ahead> ahead;
    Money takenBack; // a payment below zero (a check returned): the next money pays it back first
    const auto payAhead = [&](Ahead a) {
        for (; a.left < Money() && !ahead.empty(); ahead.pop_back()) {
            a.left += ahead.back().left;
            if (a.left > Money()) {
                ahead.back().left = a.left;
                return;
            }
        }
        if (a.left < Money()) {
            takenBack -= a.left;
            return;
        }
        const Money back = std::min(takenBack, a.left);
        takenBack -= back;
        a.left -= back;
        if (a.left > Money())
            ahead.push_back(a);
    };
    std::size_t oldest = 0; // the first charge that may be unpaid
    const auto pay = [&](const QDate &day) {
        while (oldest < ledger.charges.size() && !ahead.empty()) {
            Invoice &c = ledger.charges[oldest];
            Ahead &a = ahead.front();
            const Money paid = std::min(a.left, c.unpaid);
            if (paid > Money())
                c.payments.push_back({a.date, paid, a.payment, {}});
            c.unpaid -= paid;
            a.left -= paid;
            if (a.left <= Money())
                ahead.pop_front();
            if (c.unpaid > Money())
                continue;
            if (!c.paidOn.isValid())
                c.paidOn = std::max(day, c.date);
            ++oldest;
        }
    };
    QByteArrayView lastDate;
    for (qsizetype at = 0; at + length <= bytes.size(); at += length) {
        const char *r = bytes.constData() + at;
        const QByteArrayView description = trimmedField(r, layout.offset(Description), layout.size(Description));
        const QByteArrayView dateText = trimmedField(r, layout.offset(Date), layout.size(Date));
        const Money amount =
            Formats::currencyOrZero(QString::fromLatin1(trimmedField(r, layout.offset(Amount), layout.size(Amount))));
        if (ledger.acctNo.isEmpty()) {
            ledger.acctNo = Cp1252::decode(trimmedField(r, layout.offset(AcctNo), layout.size(AcctNo)).toByteArray());
            ledger.name = Cp1252::decode(trimmedField(r, layout.offset(Name), layout.size(Name)).toByteArray());
        }
        const QDate date = Formats::parseShortDate(QString::fromLatin1(dateText)).value_or(today);
        if (description == kPaymentReceived) {
            ledger.balance -= amount;
            const int payment = int(ledger.paymentLines.size());
            ledger.paymentLines.emplace_back(date, amount);
            // The payment of the charge just before it, written by finalizing with it.
            if (!ledger.charges.empty() && ledger.charges.back().unpaid == amount && lastDate == dateText &&
                amount > Money()) {
                Invoice &c = ledger.charges.back();
                c.unpaid = Money();
                c.paidOn = date;
                c.paidWithIt = true;
                c.payments.push_back({date, amount, payment, {}});
            } else {
                payAhead({date, amount, payment});
                pay(date);
            }
            lastDate = {};
            continue;
        }
        ledger.balance += amount;
        if (amount > Money()) {
            ledger.charges.push_back({Cp1252::decode(description.toByteArray()), date, amount, amount, {}, false, {}});
        } else if (amount < Money()) {
            payAhead({date, -amount, -1}); // a credit pays like a payment
            pay(date);
        }
        lastDate = description == kOpening ? QByteArrayView() : dateText;
    }
    pay(QDate()); // what was paid ahead pays the invoices after it, each on its own day
    return ledger;
}

// A balance file whole, into a buffer used again for the next one: thousands of small files are read one after
// the other, each with as few calls as it takes.
const QByteArray &readFile(const QString &path, QByteArray &buffer)
{
    buffer.resize(0);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return buffer;
    constexpr qsizetype kChunk = 16384;
    for (;;) {
        const qsizetype at = buffer.size();
        buffer.resize(at + kChunk);
        const qint64 got = file.read(buffer.data() + at, kChunk);
        buffer.resize(at + std::max<qint64>(got, 0));
        if (got < kChunk)
            break;
    }
    return buffer;
}

// One balance file; nothing when it shows no money owed.
std::optional<Account> accountOf(const QString &path, const QString &fileName, const QDate &today, QByteArray &buffer)
{
    const Ledger ledger = ledgerOf(readFile(path, buffer), today);
    if (ledger.balance <= Money())
        return std::nullopt;
    Account account;
    account.acctNo = ledger.acctNo.isEmpty() ? fileName.chopped(4) : ledger.acctNo;
    account.name = ledger.name;
    account.balance = ledger.balance;
    for (const Invoice &c : ledger.charges) {
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
    QByteArray buffer;
    buffer.reserve(16384);
    for (qsizetype i = from; i < to; ++i) {
        if (auto a = accountOf(folder + names[i], names[i], today, buffer))
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

AccountLedger ledgerOf(const DataFolder &folder, const QString &acctNo, const QDate &today)
{
    AccountLedger out;
    QString relative;
    try {
        relative = AccountFiles::accountFilePath(acctNo);
    } catch (const std::exception &) {
        return out; // a number that cannot name a file has no balance file
    }
    if (!folder.fileExists(relative))
        return out;
    Ledger ledger = ledgerOf(folder.readAll(relative), today);
    out.balance = std::max(ledger.balance, Money());
    out.invoices = std::move(ledger.charges);
    out.paymentLines = std::move(ledger.paymentLines);
    return out;
}

void namePayments(const DataFolder &folder, QHash<QString, AccountLedger> &ledgers)
{
    if (ledgers.isEmpty())
        return;
    // The forms of each account's payment records, by day and amount in file order.
    const auto keyOf = [](const QString &acct, const QDate &date, Money amount) {
        return acct.trimmed() + QChar(0x1f) + QString::number(date.toJulianDay()) + QChar(0x1f) +
               QString::number(Formats::roundToCents(amount).raw());
    };
    QHash<QString, QStringList> forms;
    using namespace AccountHistoryField;
    const RecordScan records(folder, AccountFiles::kPaymentFile, accountHistoryLayout());
    for (int p = 0; p < records.count(); ++p) {
        const QString acct = Cp1252::decode(records.trimmed(p, AcctNo).toByteArray());
        if (!ledgers.contains(acct))
            continue;
        const auto date = Formats::parseShortDate(QString::fromLatin1(records.trimmed(p, Date)));
        if (!date)
            continue;
        const Money amount = Formats::currencyOrZero(QString::fromLatin1(records.trimmed(p, Amount)));
        forms[keyOf(acct, *date, amount)] << Cp1252::decode(records.trimmed(p, Description).toByteArray());
    }
    for (auto it = ledgers.begin(); it != ledgers.end(); ++it) {
        // The place of each payment line among the lines of its day and amount.
        std::vector<int> nth(it->paymentLines.size(), 0);
        QHash<QString, int> seen;
        for (std::size_t i = 0; i < nth.size(); ++i)
            nth[i] = seen[keyOf(it.key(), it->paymentLines[i].first, it->paymentLines[i].second)]++;
        for (Invoice &charge : it->invoices) {
            for (Paid &paid : charge.payments) {
                if (paid.payment < 0 || paid.payment >= int(nth.size()))
                    continue;
                const auto &line = it->paymentLines[std::size_t(paid.payment)];
                paid.form = forms.value(keyOf(it.key(), line.first, line.second)).value(nth[std::size_t(paid.payment)]);
            }
        }
    }
}

Invoice *takeCharge(AccountLedger &ledger, const QString &invoiceNo, const QDate &date, Money amount)
{
    for (Invoice &charge : ledger.invoices) {
        if (!charge.description.isNull() && charge.description == invoiceNo && charge.date == date &&
            charge.amount == amount) {
            charge.description = QString(); // each charge is one invoice's
            return &charge;
        }
    }
    return nullptr;
}

Report load(const DataFolder &folder, const QDate &today)
{
    const QString path = folder.path(AccountFiles::kFolder) + QLatin1Char('/');
    QStringList names;
    for (QDirIterator it(path, {QStringLiteral("*.txt"), QStringLiteral("*.TXT")}, QDir::Files); it.hasNext();)
        names << it.nextFileInfo().fileName();
    std::sort(names.begin(), names.end());
    // Thousands of small files: read in parts side by side (more parts than cores, for a disk that waits).
    const qsizetype parts = std::clamp<qsizetype>(std::thread::hardware_concurrency() * 2, 2, 8);
    std::vector<std::future<std::vector<Account>>> others;
    for (qsizetype p = 1; p < parts; ++p) {
        others.push_back(std::async(std::launch::async, [&, p] {
            return loadFiles(path, names, names.size() * p / parts, names.size() * (p + 1) / parts, today);
        }));
    }
    Report report;
    report.accounts = loadFiles(path, names, 0, names.size() / parts, today);
    for (auto &part : others) {
        std::vector<Account> rest = part.get();
        report.accounts.insert(report.accounts.end(), std::make_move_iterator(rest.begin()),
                               std::make_move_iterator(rest.end()));
    }
    // Each account by its customer's name; the name the balance file was opened with (a job's site, often) only
    // for an account no longer in the customer file. Only the names of the accounts that owe are read.
    if (!report.accounts.empty()) {
        QHash<QByteArray, std::vector<std::size_t>> owing;
        for (std::size_t i = 0; i < report.accounts.size(); ++i)
            owing[Cp1252::encode(report.accounts[i].acctNo)].push_back(i);
        const RecordScan customers(folder, CustomerFile::kPath, customerLayout());
        QByteArray acct;
        for (int i = 0; i < customers.count(); ++i) {
            acct = customers.trimmed(i, CustomerField::AcctNo).toByteArray();
            const auto found = owing.constFind(acct);
            const QByteArrayView name = customers.trimmed(i, CustomerField::Name);
            if (found == owing.constEnd() || name.isEmpty())
                continue;
            const QString decoded = Cp1252::decode(name.toByteArray());
            for (std::size_t a : *found)
                report.accounts[a].name = decoded;
        }
    }
    for (const Account &a : report.accounts) {
        report.total += a.balance;
        for (int b = 0; b < kBuckets; ++b)
            report.totals[std::size_t(b)] += a.buckets[std::size_t(b)];
    }
    return report;
}

void sort(std::vector<Account> &accounts, SortBy by)
{
    std::stable_sort(accounts.begin(), accounts.end(), [by](const Account &a, const Account &b) {
        if (by == SortBy::Amount && a.balance != b.balance)
            return a.balance > b.balance;
        if (by == SortBy::Age && a.ageDays != b.ageDays)
            return a.ageDays > b.ageDays;
        return a.acctNo < b.acctNo;
    });
}

QByteArray receivablesCsv(const Report &report, Csv::Options options)
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
