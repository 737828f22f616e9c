#include "billing/finalize.h"

#include "billing/posting.h"
#include "billing/postingrecords.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "core/oledate.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipstore.h"
#include "dispatch/slipvalues.h"

#include <algorithm>
#include <set>

namespace Finalize {

const QStringList &payForms()
{
    static const QStringList list = {kCheckPrefix, QStringLiteral("Cash"), QStringLiteral("Credit Card"),
                                     kNotCollected};
    return list;
}

bool Row::finalized() const
{
    return status == SlipValues::kFinalized;
}

QString Row::assignment() const
{
    return slip.text(SlipField::AssignedTo);
}

QString Row::contents() const
{
    return slip.text(SlipField::ServiceRequired);
}

QString Row::telephone() const
{
    return slip.text(SlipField::SiteTelephone);
}

std::vector<Row> LoadCompletedSlips(const DataFolder &folder)
{
    using namespace SlipField;
    std::vector<Row> rows;
    const std::vector<Record> records = folder.readRecords(SlipFiles::kCompleted, serviceSlipLayout());
    rows.reserve(records.size());
    int number = 0;
    for (const Record &slip : records) {
        Row row{++number, slip};
        row.slipNo = QString::number(slip.int16(SlipNo));
        row.date = slip.text(SchedDate);
        row.acctNo = slip.text(AcctNo);
        row.name = slip.text(SiteName);
        row.invoiceNo = slip.text(InvoiceNo);
        row.payForm = slip.text(PayForm);
        row.amount = slip.text(Amount);
        row.status = kCompletedStatus; // as Clear/Redo leaves it: the status lives in the grid until Write Records
        rows.push_back(std::move(row));
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const Row &a, const Row &b) { return a.slip.int16(SlipNo) < b.slip.int16(SlipNo); });
    return rows;
}

void deleteSelectedSlips(const DataFolder &folder, const std::vector<Row> &rows)
{
    std::set<int> ticked;
    for (const Row &row : rows) {
        if (row.ticked)
            ticked.insert(row.recordNumber);
    }
    if (ticked.empty())
        return;
    SlipStore(folder).removeCompleted(ticked);
}

QString zeroText()
{
    return Formats::currency(Money());
}

std::optional<Money> enteredAmount(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed == zeroText())
        return std::nullopt;
    return Formats::parseCurrency(trimmed);
}

QString reformatted(const QString &text)
{
    const auto amount = Formats::parseCurrency(text.trimmed());
    return amount ? Formats::currency(*amount) : zeroText();
}

Entry Entry::refused(const QString &text, EntryBox box)
{
    Entry entry;
    static_cast<Verdict &>(entry) = Verdict::refused(text, QString());
    entry.box = box;
    return entry;
}

QString invoiceInUseQuestion(const QString &invoice, const QString &usedAt)
{
    return QStringLiteral("Invoice No. %1 was %2.\r\nUse it again?").arg(invoice.trimmed(), usedAt);
}

Entry noAmount()
{
    Entry entry = Entry::refused(QStringLiteral("No Amount or the Amount is invalid"), EntryBox::Amount);
    entry.amountCleared = true;
    return entry;
}

Entry negativeTax(EntryBox box)
{
    return Entry::refused(QStringLiteral("A tax cannot be below zero. Enter the tax again."), box);
}

Entry totalTooLarge()
{
    return Entry::refused(QStringLiteral("The Total is too large for the account records. Enter a smaller amount."),
                          EntryBox::Amount);
}

Entry checkEntry(const QString &amountBox, const QString &invoiceBox, const QString &payForm)
{
    const auto amount = enteredAmount(amountBox);
    if (!amount || amount->isZero() || *amount < Money())
        return noAmount();
    if (invoiceBox.trimmed().isEmpty())
        return Entry::refused(QStringLiteral("Enter the Invoice Number"), EntryBox::InvoiceNumber);
    if (payForm.trimmed() == kCheckPrefix.trimmed())
        return Entry::refused(QStringLiteral("Enter a Check Number"), EntryBox::PayForm);
    return {};
}

} // namespace Finalize
