#pragma once

#include "core/money.h"
#include "core/recordlayout.h"

#include <QDate>
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
    QString preTax; // the amount box's text at Enter to Grid
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
void DeleteSelectedSlips(const DataFolder &folder, const std::vector<Row> &rows);

// The zero text that marks an empty amount or tax box.
QString zeroText();
// A box's text as an amount: nothing for the zero text, an empty box or a text that is no amount.
std::optional<Money> enteredAmount(const QString &text);
// What a box shows after leaving it: an amount as currency text, anything else as the zero text.
QString reformatted(const QString &text);

// The tax entry of the current row as the boxes show it.
struct TaxBoxes
{
    QString amount; // the pre-tax amount box
    QString tax1;
    QString tax2;
    bool apply1 = false;
    bool apply2 = false;
    Money rate1; // percent
    Money rate2;
};
struct TaxOutcome
{
    Money tax1; // four decimals
    Money tax2;
    QString tax1Text; // what the boxes show now
    QString tax2Text;
    QString totalText; // amount + tax1 + tax2 as currency text
};
// Calculates the row's taxes. A ticked tax whose box shows the zero text is amount x rate / 100 to four
// decimals, halves to even; a box that shows the row's earlier tax keeps that exact value ($0.75 for 0.7508);
// a box that shows anything else is taken as typed. An unticked tax is the box's value as typed.
TaxOutcome CalculateRowTaxes(const TaxBoxes &boxes, Money earlierTax1, Money earlierTax2);

// Why Enter to Grid refuses an entry, in the order it checks.
enum class Refusal { None, Amount, InvoiceNumber, CheckNumber };
Refusal checkEntry(const QString &amountBox, const QString &invoiceBox, const QString &payForm);
QString refusalMessage(Refusal refusal);

} // namespace Finalize
