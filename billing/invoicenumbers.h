#pragma once

#include "billing/printedinvoices.h"

#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <optional>
#include <vector>

class Clock;
class DataFolder;
class Settings;

// The one source of invoice numbers: the board's Print Invoices, the number finalizing offers and the priced
// invoices made from it all take their numbers here.
//
// The invoice counter (/VIInvoiceNo.txt, the setting invoiceNumber: the number the next invoice gets). Numbers
// are taken before invoices print and the unused ones given back afterwards, so that a program that ends
// while printing skips numbers rather than giving one number to two invoices. The numbers below the counter
// are printed or reserved (by the board or the invoicing program that shares the file). The counter never
// hands out a number at or below the highest invoice number in use, in the invoice journal
// (/InvoiceSalesJournal.txt), the history (/CAHistory.txt, "Invoice No. " descriptions) or a Write Records
// waiting to be finished (/PostingJournal.txt): a counter found there (an emptied or damaged file, a number
// typed back) moves past it, is saved, and the note says so once.
class InvoiceNumbers
{
public:
    // The invoice numbers in use, each with the record that holds it; the highest of them that is a number (0
    // when none is); and the counter, below which every number is printed or reserved. Where a number is used is
    // put in words ("the history of account A-1 on 3/4/2026") only when asked (usedAt): a hundred thousand
    // postings are read for their numbers alone.
    struct InUse
    {
        enum class File : quint8 { Journal, History, WaitingRun };
        struct Place
        {
            File file = File::Journal;
            int record = 0; // from 1
        };
        struct Plain
        {
            qint64 number;
            Place place;
        };
        std::vector<Plain> numbers;   // the numbers written plainly ("20260203"), in order, each once
        QHash<QString, Place> others; // any other trimmed text
        qint64 highest = 0;
        qint64 counter = 0;
        const DataFolder *folder = nullptr; // where the records are read back
        QDate waitingRunDate;               // of the Write Records that waits to be finished
        PrintedInvoices::Index printed;     // the numbers printed, with their slips
    };
    static InUse inUse(const DataFolder &folder, qint64 counter);

    // The number to offer: the first at or above the counter that is above every number in use and every one
    // of `taken` (numbers entered but not yet posted). Empty when there is neither a counter nor a number in use.
    static QString offer(const InUse &used, const QStringList &taken = {});
    // For a slip: the number printed for it last, when that number is neither posted nor one of `taken`; else
    // offer().
    static QString offerFor(const InUse &used, const QString &slipNo, const QStringList &taken = {});
    // Why a number given to the slip is asked about: "posted for account 1002 on 10/29/2026", given in a Write
    // Records that waits, or "printed on 12/3/2026 for slip 1204" (another slip). Nothing when it is free: a
    // number never posted nor printed for another slip is the office's own, whatever its size.
    static std::optional<QString> usedAt(const InUse &used, const QString &number, const QString &slipNo = {});

    InvoiceNumbers(const DataFolder &folder, Settings &settings)
        : m_folder(folder)
        , m_settings(settings)
    {}

    // The highest invoice number stored in the journal, the history, a waiting Write Records and the record of
    // printed invoices; 0 when there is none.
    static qint64 highestInUse(const DataFolder &folder);

    // Reads the counter by the invoice number rules, then moves it past the numbers in use. The note, when
    // the counter moved, is for the user. Throws DiskError when the moved counter cannot be saved (it is
    // moved for this run all the same).
    std::optional<QString> load(const Clock &clock);
    // The same on the counter already loaded (the program's start, after the settings were read).
    std::optional<QString> guard();

    // Takes count numbers for invoices about to print: the counter is saved past them before the first one
    // prints. Returns the first; throws DiskError (the counter unchanged) when it cannot be saved, or when the
    // numbers would pass the largest one. *note, when given, receives the note of a counter that had to move
    // past numbers in use.
    qint32 reserve(qint64 count, QString *note = nullptr);
    // After printing: of the numbers reserved from `first`, only `used` were printed; the others are given back
    // (the counter is saved at first + used). Throws DiskError.
    void giveBack(qint32 first, qint64 reserved, qint64 used);
    // A number given to an invoice outside the counter (typed or taken at finalizing): when it is at or above
    // the counter, the counter is saved past it, so that the board never prints it again. Throws DiskError.
    void take(const QString &number);
    // The counter as it stands: the number the next invoice gets.
    qint64 counter() const;

private:
    const DataFolder &m_folder;
    Settings &m_settings;
};
