#pragma once

#include "core/money.h"
#include "core/recordlayout.h"

#include <QDate>
#include <QString>
#include <span>

class DataFolder;

// The records finalizing leaves behind for each finalized slip. Each writer appends one record behind the
// last one of its file (creating the file) and throws DiskError, having written nothing, when it cannot.
// The posting date comes from the caller.
namespace Posting {
inline const QString kHistory = QStringLiteral("/CAHistory.txt");
inline const QString kServiceHistory = QStringLiteral("/ServiceHistory.txt");
inline const QString kTaxRecords = QStringLiteral("/TaxRecords.txt");
inline const QString kJournal = QStringLiteral("/InvoiceSalesJournal.txt");
inline const QString kInvoiceDescription = QStringLiteral("Invoice No. "); // followed by the invoice number

// A tax as the tax records keep it: a plain decimal number without currency sign, grouping or trailing zeros,
// up to four decimals ("7.5", "0.7508", "12").
QString plainAmount(Money amount);
} // namespace Posting

// The records the writers below append, for callers that write many at once (see billing/postingrun.h).
Record serviceHistoryRecord(const QString &acctNo, const QString &name, const QString &assignment, const QDate &date,
                            const QString &contents);
Record taxRecord(const QString &heading, Money tax, const QDate &date, const QString &invoiceNo);
Record journalRecord(const QString &name, const QString &acctNo, const QString &invoiceNo, Money preTax, Money taxes,
                     Money total, const QDate &date);

// /CAHistory.txt: the amount text is stored again as currency (an amount that does not fit the 10 characters
// is shortened so that it still reads as the same amount); text that is no amount is refused.
void WriteHistory(const DataFolder &folder, const QString &acctNo, const QString &name, const QString &amountText,
                  const QDate &date, const QString &description);

// /ServiceHistory.txt: name, account number, assignment and contents trimmed, the contents cut to 35.
void WriteServiceHistory(const DataFolder &folder, const QString &acctNo, const QString &name,
                         const QString &assignment, const QDate &date, const QString &contents);

// /TaxRecords.txt: the first tax, or the second when `which` is 2.
void WriteTaxRecord(const DataFolder &folder, const QString &heading, Money firstTax, Money secondTax,
                    const QDate &date, int which, const QString &invoiceNo);

// /InvoiceSalesJournal.txt: the amounts unrounded as given, "Other" always 0.
void WriteInvoiceJournal(const DataFolder &folder, const QString &name, const QString &acctNo, const QString &invoiceNo,
                         Money preTax, Money taxes, Money total, const QDate &date);

// A completed slip as the archive keeps it: "Finalized" with its invoice number, payment form and amount.
Record finalizedSlip(const Record &slip, const QString &invoiceNo, const QString &payForm, const QString &amount);
// Appends the finalized slips to \FinalizedServiceSlips.txt, in order, all or none.
void appendFinalizedSlips(const DataFolder &folder, std::span<const Record> slips);
