#include "billing/accountfiles.h"

#include "billing/accounthistoryrecord.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/formats.h"

namespace AccountFiles {

namespace {

constexpr int kAmountWidth = AccountHistoryField::kFields[AccountHistoryField::Amount].width;

} // namespace

QString accountFilePath(const QString &accountNumber)
{
    QString why;
    const auto name = accountFileName(accountNumber, &why);
    if (!name)
        throw DiskError(why);
    return kFolder + QLatin1Char('/') + *name + QStringLiteral(".txt");
}

std::optional<QString> amountText(Money amount)
{
    // The companion program reads the amount back as a currency text, so a shorter text must still read as
    // the same amount; cutting "$123,456.78" to its first ten characters would not.
    QString text = Formats::currency(amount);
    if (text.size() <= kAmountWidth)
        return text;
    text.remove(QLatin1Char(','));
    if (text.size() <= kAmountWidth)
        return text;
    text.remove(QLatin1Char('$'));
    if (text.size() <= kAmountWidth)
        return text;
    if (text.startsWith(QLatin1Char('('))) {
        text = QLatin1Char('-') + text.mid(1, text.size() - 2);
        if (text.size() <= kAmountWidth)
            return text;
    }
    return std::nullopt;
}

Record historyRecord(const Entry &entry)
{
    using namespace AccountHistoryField;
    const auto amount = amountText(entry.amount);
    if (!amount) {
        throw DiskError(QStringLiteral("The amount %1 of account %2 is too large for the account records.\r\n"
                                       "Nothing was written.")
                            .arg(Formats::currency(entry.amount), entry.accountNumber.trimmed()));
    }
    Record record(accountHistoryLayout());
    record.setText(Name, entry.name);
    record.setText(AcctNo, entry.accountNumber.trimmed());
    record.setText(Date, Formats::shortDate(entry.date));
    record.setText(Description, entry.description);
    record.setText(Amount, *amount);
    return record;
}

void createAccountFile(const DataFolder &folder, const QString &accountNumber, const QString &customerName,
                       const QDate &today)
{
    const QString path = accountFilePath(accountNumber);
    const Record opening = historyRecord({accountNumber, customerName, Money(), kOpeningDescription, today});
    folder.writeRecord(path, 1, opening);
}

int appendAccountRecord(const DataFolder &folder, const Entry &entry, const QDate &today)
{
    const QString path = accountFilePath(entry.accountNumber);
    // Built before anything is written, so that a refused entry leaves no half-made account file behind.
    const Record record = historyRecord(entry);
    // Record 1 is always the opening record, also in a file that holds no whole record.
    const int length = accountHistoryLayout().length();
    if (folder.recordCount(path, length) == 0)
        createAccountFile(folder, entry.accountNumber, entry.name, today);
    const int number = folder.recordCount(path, length) + 1;
    folder.writeRecord(path, number, record);
    return number;
}

void backupAccountFile(const DataFolder &folder, const QString &accountNumber)
{
    const QString path = accountFilePath(accountNumber);
    if (!folder.fileExists(path))
        return;
    folder.backupFile(path);
}

int appendPaymentRecord(const DataFolder &folder, const Entry &entry)
{
    const Record record = historyRecord(entry);
    const int number = folder.recordCount(kPaymentFile, accountHistoryLayout().length()) + 1;
    folder.writeRecord(kPaymentFile, number, record);
    return number;
}

} // namespace AccountFiles
