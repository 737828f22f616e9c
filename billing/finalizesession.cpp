#include "billing/finalizesession.h"

#include "billing/accountfiles.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "dispatch/slipvalues.h"

void FinalizeSession::load(std::vector<Finalize::Row> rows)
{
    m_rows = std::move(rows);
    m_taken.clear();
    m_current = 0;
}

void FinalizeSession::setRates(Money rate1, Money rate2)
{
    m_rate[0] = rate1;
    m_rate[1] = rate2;
}

void FinalizeSession::setApply(int tax, bool apply)
{
    m_apply[tax] = apply;
}

void FinalizeSession::begin(int row)
{
    m_current = hasRow(row) ? row : 0;
}

void FinalizeSession::resetEntry(bool apply1, bool apply2)
{
    m_amount.reset();
    m_apply[0] = apply1;
    m_apply[1] = apply2;
    for (int k = 0; k < 2; ++k) {
        m_tax[k] = Money();
        m_source[k] = TaxSource::None;
    }
    m_entered = false;
}

void FinalizeSession::follow(int tax)
{
    m_tax[tax] = Formats::taxInCents(m_amount.value_or(Money()), m_rate[tax]);
    m_source[tax] = TaxSource::Calculated;
}

void FinalizeSession::setAmountText(const QString &text)
{
    // Money is charged in whole cents: what the box shows is what is posted.
    m_amount = Finalize::enteredAmount(text);
    if (m_amount)
        *m_amount = Formats::roundToCents(*m_amount);
    m_entered = true;
    // An applied tax that was not typed follows at once, so that the total box shows what Enter to Grid posts
    // and the tax boxes show its parts.
    for (int k = 0; k < 2; ++k) {
        if (m_source[k] == TaxSource::Calculated || (m_apply[k] && m_source[k] == TaxSource::None))
            follow(k);
    }
}

void FinalizeSession::setTaxText(int tax, const QString &text)
{
    if (text.trimmed() == taxText(tax))
        return; // as shown: a calculated tax stays calculated
    const auto typed = Finalize::enteredAmount(text);
    m_tax[tax] = Formats::roundToCents(typed.value_or(Money()));
    // A tax box that shows zero is calculated, as Calculate Tax(es) calculates it.
    m_source[tax] = typed && *typed != Money() ? TaxSource::Typed : TaxSource::None;
    m_entered = true;
}

void FinalizeSession::calculateTaxes()
{
    for (int k = 0; k < 2; ++k) {
        if (m_apply[k] && m_source[k] != TaxSource::Typed)
            follow(k);
    }
    m_entered = true;
}

void FinalizeSession::enterTaxesManually()
{
    for (int k = 0; k < 2; ++k) {
        m_apply[k] = false;
        m_tax[k] = Money();
        m_source[k] = TaxSource::None;
    }
}

Money FinalizeSession::total() const
{
    return m_amount.value_or(Money()) + m_tax[0] + m_tax[1];
}

QString FinalizeSession::amountText() const
{
    return Formats::currency(m_amount.value_or(Money()));
}

QString FinalizeSession::taxText(int tax) const
{
    return Formats::currency(m_tax[tax]);
}

QString FinalizeSession::totalText() const
{
    return m_entered ? Formats::currency(total()) : QString();
}

void FinalizeSession::takeBoxes(const QString &amount, const QString (&tax)[2])
{
    // The tax boxes first, each against what it showed: the one box being typed in is the only one changed, and
    // a new amount must not make a calculated tax still showing its old value look typed.
    for (int k = 0; k < 2; ++k)
        setTaxText(k, tax[k]);
    setAmountText(amount);
}

QString FinalizeSession::totalTextWhileTyping(const QString &amount, const QString (&tax)[2]) const
{
    FinalizeSession preview; // the entry alone: the rows and the numbers in use stay here
    std::copy(std::begin(m_rate), std::end(m_rate), std::begin(preview.m_rate));
    std::copy(std::begin(m_apply), std::end(m_apply), std::begin(preview.m_apply));
    std::copy(std::begin(m_tax), std::end(m_tax), std::begin(preview.m_tax));
    std::copy(std::begin(m_source), std::end(m_source), std::begin(preview.m_source));
    preview.m_amount = m_amount;
    preview.takeBoxes(amount, tax);
    return preview.totalText();
}

Finalize::Entry FinalizeSession::enterToGrid(const Answers &answers, const Boxes &boxes, InvoiceNumbers &numbers)
{
    if (!hasRow(m_current))
        return {};
    if (const auto usedAt = invoiceUsedAt(boxes.invoice); usedAt && !boxes.invoice.trimmed().isEmpty()) {
        if (const auto pending = Verdict::pending(answers, 0, Finalize::invoiceInUseQuestion(boxes.invoice, *usedAt),
                                                  Finalize::kInvoiceInUseTitle)) {
            Finalize::Entry entry;
            static_cast<Verdict &>(entry) = *pending;
            entry.box = Finalize::EntryBox::InvoiceNumber;
            return entry;
        }
    }
    takeBoxes(boxes.amount, boxes.tax);
    Finalize::Entry entry = enterToGrid(boxes.invoice, boxes.payForm);
    entry.taxesWorkedOut = !entry.amountCleared;
    if (!entry.isDone())
        return entry;
    const QString invoice = row(m_current).invoiceNo;
    try {
        numbers.take(invoice);
    } catch (const DiskError &e) {
        entry.tell(e.message(), Finalize::kWindowTitle);
    }
    tookInvoice(invoice, numbers.counter());
    return entry;
}

Finalize::Entry FinalizeSession::enterToGrid(const QString &invoiceBox, const QString &payForm)
{
    if (!hasRow(m_current))
        return {};
    if (!m_amount || m_amount->isZero() || *m_amount < Money())
        return Finalize::noAmount();
    calculateTaxes();
    if (m_tax[0] < Money() || m_tax[1] < Money())
        return Finalize::negativeTax(m_tax[0] < Money() ? Finalize::EntryBox::Tax1 : Finalize::EntryBox::Tax2);
    if (Finalize::Entry refused = Finalize::checkEntry(amountText(), invoiceBox, payForm); !refused.isDone())
        return refused;
    if (!AccountFiles::amountText(total()))
        return Finalize::totalTooLarge();
    Finalize::Row &r = m_rows[std::size_t(m_current - 1)];
    r.preTax = *m_amount;
    r.tax1 = m_tax[0];
    r.tax2 = m_tax[1];
    r.amount = Formats::currency(total());
    r.payForm = payForm.trimmed();
    r.invoiceNo = invoiceBox.trimmed();
    r.status = SlipValues::kFinalized;
    return {};
}

void FinalizeSession::clearRow(int row)
{
    if (!hasRow(row))
        return;
    Finalize::Row &r = m_rows[std::size_t(row - 1)];
    r.invoiceNo.clear();
    r.payForm.clear();
    r.amount = Finalize::zeroText();
    r.status = Finalize::kCompletedStatus;
}

void FinalizeSession::clearAll()
{
    for (Finalize::Row &r : m_rows) {
        r.invoiceNo.clear();
        r.payForm.clear();
        r.amount.clear();
        r.status = Finalize::kCompletedStatus;
    }
}

std::optional<QString> FinalizeSession::invoiceUsedAt(const QString &invoice) const
{
    const QString number = invoice.trimmed();
    for (int r = 1; r <= rowCount(); ++r) {
        if (r != m_current && row(r).finalized() && row(r).invoiceNo == number)
            return QStringLiteral("given to slip %1 in this list").arg(row(r).slipNo);
    }
    if (m_taken.contains(number))
        return std::nullopt;
    return InvoiceNumbers::usedAt(m_used, number, hasRow(m_current) ? row(m_current).slipNo : QString());
}

void FinalizeSession::tookInvoice(const QString &number, qint64 counter)
{
    if (counter != m_used.counter)
        m_taken << number.trimmed();
    m_used.counter = counter;
}

QString FinalizeSession::nextInvoice() const
{
    QStringList taken;
    for (const Finalize::Row &r : m_rows) {
        if (r.finalized())
            taken << r.invoiceNo;
    }
    return hasRow(m_current) ? InvoiceNumbers::offerFor(m_used, row(m_current).slipNo, taken)
                             : InvoiceNumbers::offer(m_used, taken);
}

bool FinalizeSession::anyFinalized() const
{
    for (const Finalize::Row &r : m_rows) {
        if (r.finalized())
            return true;
    }
    return false;
}

std::vector<PostingRun::Slip> FinalizeSession::postingSlips() const
{
    std::vector<PostingRun::Slip> slips;
    for (const Finalize::Row &r : m_rows) {
        if (r.finalized())
            slips.push_back({r.slip, r.acctNo, r.name, r.invoiceNo, r.payForm, r.amount, r.preTax, r.tax1, r.tax2});
    }
    return slips;
}
