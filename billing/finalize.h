#pragma once

#include "core/money.h"
#include "core/recordlayout.h"
#include "core/verdict.h"

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

// The box Enter to Grid sends the user back to when it refuses an entry.
enum class EntryBox { None, Amount, Tax1, Tax2, InvoiceNumber, PayForm };

// Enter to Grid's answer: done, or refused with its message and the box to correct. Its one question is whether
// to use again an invoice number that is used already.
struct Entry : Verdict
{
    EntryBox box = EntryBox::None;
    bool amountCleared = false;  // the amount box held no amount: it shows the zero text again
    bool taxesWorkedOut = false; // the taxes were worked out from the boxes: the entry is shown afresh

    static Entry refused(const QString &text, EntryBox box);
};

inline const QString kWindowTitle = QStringLiteral("Completed Service Slips");
inline const QString kInvoiceInUseTitle = QStringLiteral("Invoice Number in Use");
// "Invoice No. 5001 was printed on 12/3/2026 for slip 1204. Use it again?"
QString invoiceInUseQuestion(const QString &invoice, const QString &usedAt);

// The checks of an entry's boxes, in the order Enter to Grid makes them; done when none refuses.
Entry checkEntry(const QString &amountBox, const QString &invoiceBox, const QString &payForm);
Entry noAmount();
Entry negativeTax(EntryBox box);
Entry totalTooLarge();

} // namespace Finalize
