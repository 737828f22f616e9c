#pragma once

#include "billing/finalize.h"
#include "billing/invoicenumbers.h"
#include "billing/postingrun.h"
#include "core/money.h"
#include "core/verdict.h"

#include <optional>
#include <vector>

// The entries of one visit to the completed-slips list: each row's pre-tax amount, taxes and total, the entry of
// the row being worked on (with which taxes the program calculated and which were typed by hand), Enter to Grid
// and the slips that Write Records posts. The window shows what it holds and hands it what the user types.
class FinalizeSession
{
public:
    // Where a tax of the entry comes from.
    enum class TaxSource { None, Calculated, Typed };

    void load(std::vector<Finalize::Row> rows);
    const std::vector<Finalize::Row> &rows() const { return m_rows; }
    int rowCount() const { return int(m_rows.size()); }
    // Row from 1, as the grid counts.
    const Finalize::Row &row(int row) const { return m_rows[std::size_t(row - 1)]; }
    bool hasRow(int row) const { return row >= 1 && row <= rowCount(); }

    // The tax rates in percent, and whether each tax is applied.
    void setRates(Money rate1, Money rate2);
    void setApply(int tax, bool apply);
    bool applies(int tax) const { return m_apply[tax]; }

    // The row being entered (0: none) and a fresh entry for it.
    int current() const { return m_current; }
    void begin(int row);
    void resetEntry(bool apply1, bool apply2);

    // The amount box left with this text. A tax the program calculated follows the new amount.
    void setAmountText(const QString &text);
    // A tax box left with this text: a text other than the one shown is the user's; the zero text empties it.
    void setTaxText(int tax, const QString &text);
    // Calculate Tax(es): an applied tax that was not typed is amount x rate / 100 in whole cents.
    void calculateTaxes();
    // Enter Tax(es) Manually: both taxes emptied, neither applied.
    void enterTaxesManually();

    std::optional<Money> amount() const { return m_amount; }
    Money tax(int tax) const { return m_tax[tax]; }
    TaxSource taxSource(int tax) const { return m_source[tax]; }
    Money total() const;
    QString amountText() const;
    QString taxText(int tax) const;
    // Amount + taxes as currency text; empty while nothing has been entered.
    QString totalText() const;
    // The total box while the user types: the boxes as they stand (none of them left yet), as Enter to Grid would
    // take them; the entry itself stays as it is.
    QString totalTextWhileTyping(const QString &amount, const QString (&tax)[2]) const;

    // Enter to Grid for the current row, the boxes as they are now (even when the last one typed in has not been
    // left): an invoice number used already is asked about first, then the boxes are taken and the entry checked.
    // Done: the row is "Finalized", and the number is taken from the invoice counter so that the board never
    // prints it again (a counter that cannot be saved is told).
    struct Boxes
    {
        QString amount;
        QString tax[2];
        QString invoice;
        QString payForm;
    };
    Finalize::Entry enterToGrid(const Answers &answers, const Boxes &boxes, InvoiceNumbers &numbers);
    // The entry already taken from the boxes: refused as Finalize::checkEntry refuses it, for a negative tax and
    // for a total the account records cannot hold; else the row becomes "Finalized" with the entry's money.
    Finalize::Entry enterToGrid(const QString &invoiceBox, const QString &payForm);

    // Clear/Redo of one row and CLEAR ALL Entries; the rows' taxes stay.
    void clearRow(int row);
    void clearAll();
    void setTicked(int row, bool ticked) { m_rows[std::size_t(row - 1)].ticked = ticked; }

    // The invoice numbers in use and the counter (InvoiceNumbers); with them, where a number was used and the
    // next one to offer.
    void setInvoicesInUse(InvoiceNumbers::InUse used) { m_used = std::move(used); }
    // Why this number is asked about for the current row: another row of this list ("given to slip 1002 in this
    // list"), the history, a waiting Write Records, a print for another slip; nothing when it is free.
    std::optional<QString> invoiceUsedAt(const QString &invoice) const;
    // The number InvoiceNumbers offers the current row (the one printed for its slip), past the numbers of this
    // list too; empty when there is none.
    QString nextInvoice() const;

    bool anyFinalized() const;
    // The finalized rows as Write Records posts them, in row order.
    std::vector<PostingRun::Slip> postingSlips() const;

private:
    void follow(int tax);
    // The amount and tax boxes as they stand now.
    void takeBoxes(const QString &amount, const QString (&tax)[2]);
    // Enter to Grid took this number and the counter moved on to `counter`: the number stays this list's.
    void tookInvoice(const QString &number, qint64 counter);

    std::vector<Finalize::Row> m_rows;
    InvoiceNumbers::InUse m_used;
    QStringList m_taken; // numbers this visit took from the counter
    int m_current = 0;
    Money m_rate[2];
    bool m_apply[2] = {};
    std::optional<Money> m_amount;
    Money m_tax[2];
    TaxSource m_source[2] = {TaxSource::None, TaxSource::None};
    bool m_entered = false; // something was entered since the last reset: the total is shown
};
