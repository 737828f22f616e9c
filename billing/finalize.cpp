#include "billing/finalize.h"

#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
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
        row.status = slip.text(Status);
        rows.push_back(std::move(row));
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const Row &a, const Row &b) { return a.slip.int16(SlipNo) < b.slip.int16(SlipNo); });
    return rows;
}

void DeleteSelectedSlips(const DataFolder &folder, const std::vector<Row> &rows)
{
    std::set<int> ticked;
    for (const Row &row : rows) {
        if (row.ticked)
            ticked.insert(row.recordNumber);
    }
    if (ticked.empty())
        return;
    const std::vector<Record> records = folder.readRecords(SlipFiles::kCompleted, serviceSlipLayout());
    std::vector<Record> kept;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (!ticked.contains(int(i) + 1))
            kept.push_back(records[i]);
    }
    folder.replaceRecords(SlipFiles::kCompleted, kept);
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

namespace {

// One tax box: see CalculateRowTaxes.
Money taxOf(const QString &box, bool apply, Money amount, Money rate, Money earlier, QString *shown)
{
    const QString text = box.trimmed();
    if (apply && (text.isEmpty() || text == zeroText())) {
        const Money tax = Formats::percentOf(amount, rate);
        *shown = Formats::currency(tax);
        return tax;
    }
    if (text == Formats::currency(earlier)) {
        *shown = text;
        return earlier;
    }
    const Money tax = Formats::currencyOrZero(text);
    *shown = Formats::currency(tax);
    return tax;
}

} // namespace

TaxOutcome CalculateRowTaxes(const TaxBoxes &boxes, Money earlierTax1, Money earlierTax2)
{
    TaxOutcome out;
    const Money amount = Formats::currencyOrZero(boxes.amount);
    out.tax1 = taxOf(boxes.tax1, boxes.apply1, amount, boxes.rate1, earlierTax1, &out.tax1Text);
    out.tax2 = taxOf(boxes.tax2, boxes.apply2, amount, boxes.rate2, earlierTax2, &out.tax2Text);
    out.totalText = Formats::currency(amount + out.tax1 + out.tax2);
    return out;
}

Refusal checkEntry(const QString &amountBox, const QString &invoiceBox, const QString &payForm)
{
    const auto amount = enteredAmount(amountBox);
    if (!amount || amount->isZero())
        return Refusal::Amount;
    if (invoiceBox.trimmed().isEmpty())
        return Refusal::InvoiceNumber;
    if (payForm.trimmed() == kCheckPrefix.trimmed())
        return Refusal::CheckNumber;
    return Refusal::None;
}

QString refusalMessage(Refusal refusal)
{
    switch (refusal) {
    case Refusal::None:
        return {};
    case Refusal::Amount:
        return QStringLiteral("No Amount or the Amount is invalid");
    case Refusal::InvoiceNumber:
        return QStringLiteral("Enter the Invoice Number");
    case Refusal::CheckNumber:
        return QStringLiteral("Enter a Check Number");
    }
    return {};
}

} // namespace Finalize
