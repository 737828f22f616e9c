#pragma once

#include "core/money.h"
#include "core/recordlayout.h"

#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class DataFolder;

// The money side of completed slips: the rows of the completed-slips list with their entries, the tax rule and
// the checks of an entry. Nothing here shows a window; the posting itself is PostingRun's (billing/postingrun.h).
namespace Finalize {

inline const QString kCompletedStatus = QStringLiteral("Completed");
inline const QString kCheckPrefix = QStringLiteral("Ck # ");
inline const QString kNotCollected = QStringLiteral("Not Collected");

// "Ck # ", "Cash", "Credit Card", "Not Collected".
const QStringList &payForms();

// One completed slip with what the user entered for it.
struct Row
{
    int recordNumber = 0; // in /CompletedServiceSlips.txt, from 1
    Record slip;          // as read, for the archive and the posting
    QString slipNo;
    QString date;
    QString acctNo;
    QString name;
    QString invoiceNo;
    QString payForm;
    QString amount; // the total with taxes as currency text; the zero text while nothing is entered
    QString status; // "Completed" or "Finalized"
    Money preTax;   // as entered at Enter to Grid
    Money tax1;
    Money tax2;
    bool ticked = false;

    bool finalized() const;
    QString assignment() const;
    QString contents() const;
    QString telephone() const;
};

// Every record of /CompletedServiceSlips.txt (restored from /Backup when missing), trimmed, in ascending order
// of slip number (equal numbers keep their file order).
std::vector<Row> LoadCompletedSlips(const DataFolder &folder);

// Removes the ticked rows' records from /CompletedServiceSlips.txt (by record number); with none left the file
// and its Backup copy go. Throws DiskError, having changed nothing.
void deleteSelectedSlips(const DataFolder &folder, const std::vector<Row> &rows);

// The zero text that marks an empty amount or tax box.
QString zeroText();
// A box's text as an amount: nothing for the zero text, an empty box or a text that is no amount.
std::optional<Money> enteredAmount(const QString &text);
// What a box shows after leaving it: an amount as currency text, anything else as the zero text.
QString reformatted(const QString &text);

// Why Enter to Grid refuses an entry, in the order it checks.
enum class Refusal { None, Amount, InvoiceNumber, CheckNumber, TooLarge, Tax };
Refusal checkEntry(const QString &amountBox, const QString &invoiceBox, const QString &payForm);
QString refusalMessage(Refusal refusal);

} // namespace Finalize
