#pragma once

#include "core/money.h"
#include "core/recordlayout.h"

#include <QDate>
#include <QString>
#include <optional>

class DataFolder;

// The per-account balance files and the payment record file shared with the companion invoicing program.
// Each account has "/VIActiveAccounts/<account number>.txt": record 1 is the opening "Previous Balance",
// the charges follow in time order. "/CAPaymentRecords.txt" holds the payments of all accounts.
//
// Every writer here throws DiskError with a message for the user when it cannot do its work, and then has
// written nothing: an account number that cannot be a file name (see accountFileName()) or an amount too
// large for the record's amount field is refused before any file is touched.
namespace AccountFiles {

inline const QString kFolder = QStringLiteral("/VIActiveAccounts");
inline const QString kPaymentFile = QStringLiteral("/CAPaymentRecords.txt");
inline const QString kOpeningDescription = QStringLiteral("Previous Balance");

// One line of an account's history as the callers hand it over.
struct Entry
{
    QString accountNumber;
    QString name; // the customer or service-location name
    Money amount;
    QString description;
    QDate date;
};

// "/VIActiveAccounts/" + the trimmed account number + ".txt"; throws DiskError for a number that cannot be
// a file name.
QString accountFilePath(const QString &accountNumber);

// The amount as the record stores it: the currency form, shortened (no thousands separators, then no "$",
// then a minus sign for the parentheses) when it would not fit the 10 characters of the field. Nothing when
// even the shortest form does not fit.
std::optional<QString> amountText(Money amount);

// The record of an entry: every text cut or padded to its width, the account number trimmed, the date in the
// short-date form. Throws DiskError when the amount does not fit its field.
Record historyRecord(const Entry &entry);

// Writes the opening record ("Previous Balance", $0.00, today) as record 1 of the account's file, creating
// the file when it is missing and replacing an existing record 1.
void createAccountFile(const DataFolder &folder, const QString &accountNumber, const QString &customerName,
                       const QDate &today);

// Appends the entry to its account's file; a missing file (not restorable from /Backup) or one without a whole
// record is first given its opening record dated today. Returns the record number written.
int appendAccountRecord(const DataFolder &folder, const Entry &entry, const QDate &today);

// Replaces the account file's copy under /Backup/VIActiveAccounts with the file. A file that is missing (and
// cannot be restored from that copy) leaves the copy as it is.
void backupAccountFile(const DataFolder &folder, const QString &accountNumber);

// Appends the entry to /CAPaymentRecords.txt. Returns the record number written.
int appendPaymentRecord(const DataFolder &folder, const Entry &entry);

} // namespace AccountFiles
