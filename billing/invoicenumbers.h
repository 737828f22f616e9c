#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

class Clock;
class DataFolder;
class Settings;

// The invoice counter (/VIInvoiceNo.txt, the setting invoiceNumber: the number the next invoice gets). Numbers
// are taken before invoices print and the unused ones given back afterwards, so that a program that ends
// while printing skips numbers rather than giving one number to two invoices. The counter never hands out a
// number at or below the highest invoice number in use, in the invoice journal (/InvoiceSalesJournal.txt) or
// the history (/CAHistory.txt, "Invoice No. " descriptions): a counter found there (an emptied or damaged
// file, a number typed back) moves past it, is saved, and the note says so once.
class InvoiceNumbers
{
public:
    InvoiceNumbers(const DataFolder &folder, Settings &settings)
        : m_folder(folder)
        , m_settings(settings)
    {}

    // The highest invoice number stored in the journal and the history; 0 when there is none.
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

private:
    const DataFolder &m_folder;
    Settings &m_settings;
};
