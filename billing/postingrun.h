#pragma once

#include "core/money.h"
#include "core/recordlayout.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

class DataFolder;

// Write Records: posts finalized slips to the history, service history, account, payment, tax and journal
// files, archives them in \FinalizedServiceSlips.txt and takes them out of /CompletedServiceSlips.txt, in a way
// that a crash or a full disk at any point can neither lose a posting nor post a slip twice.
//
// Before the first posting write every record the run will add is computed and stored, with the place it
// goes, in the posting journal (/PostingJournal.txt, written crash-safe). The postings are then written, each
// posting file opened and written once; the files are flushed to disk together; the slips move to the archive
// and leave the completed-slips file; last the journal is removed. A journal found later (at start or when
// finalizing opens) is finished: records already in place are recognised by their bytes (slip, invoice number,
// date, amounts) and not written again, the missing ones are written, and the slips are moved.
namespace PostingRun {

inline const QString kJournal = QStringLiteral("/PostingJournal.txt");

// A slip as Write Records posts it.
struct Slip
{
    Record slip; // as read from /CompletedServiceSlips.txt
    QString acctNo;
    QString name;
    QString invoiceNo;
    QString payForm;
    QString amountText; // the total with taxes, as the grid shows it
    Money preTax;
    Money tax1;
    Money tax2;
};

struct TaxHeadings
{
    QString first;
    QString second;
};

// Called before and after every write of a run with the step ("before"/"after") and the file it concerns;
// tests simulate a crash by throwing from it.
using StepHook = std::function<void(const char *step, const QString &file)>;

// Posts the slips dated `today`. Throws DiskError naming the file when something cannot be written: what
// was posted stays recorded in the journal, and finishPending() completes it later. A slip whose amount or tax
// is below zero or no amount is refused before anything is written (DiskError naming the slip).
void writeRecords(const DataFolder &folder, const std::vector<Slip> &slips, const TaxHeadings &headings,
                  const QDate &today, const StepHook &hook = {});

// True when an interrupted run waits in the journal.
bool pending(const DataFolder &folder);

// What an interrupted run left in the journal: its date and its slips ("Slip 1001, Invoice No. 5001").
struct PendingRun
{
    QDate date;
    QStringList slips;
    QStringList invoices; // the invoice numbers its journal records carry
};

// The run waiting in the journal, read as finishPending() reads it; nothing when no journal waits. Throws
// DiskError when the journal is damaged (finishPending() could not finish it either).
std::optional<PendingRun> pendingRun(const DataFolder &folder);

// Finishes an interrupted run. Returns the message for the user naming what was completed; empty when no
// journal was waiting. Throws DiskError when it cannot be finished (the journal stays for the next try).
QString finishPending(const DataFolder &folder, const StepHook &hook = {});

// Sets a journal that cannot be finished (damaged) aside: renamed beside it to a dated name that is free
// ("/PostingJournal.set-aside-2026-03-04.txt", then "-2" ...), never deleted, so that Write Records works again;
// the postings it held must then be checked by hand. Returns the new relative path. Throws DiskError when there
// is no journal, when it can still be finished, or when the rename fails.
QString setAsideJournal(const DataFolder &folder, const QDate &today);

} // namespace PostingRun
