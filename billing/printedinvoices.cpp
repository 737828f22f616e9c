#include "billing/printedinvoices.h"

#include "core/datafolder.h"
#include "core/oledate.h"

const RecordLayout &printedInvoiceLayout()
{
    static const RecordLayout layout(QStringLiteral("PrintedInvoiceRecord"), PrintedInvoiceField::kFields);
    return layout;
}

namespace PrintedInvoices {

void record(const DataFolder &folder, const std::vector<Printed> &printed)
{
    std::vector<Record> records;
    records.reserve(printed.size());
    for (const Printed &p : printed) {
        Record r(printedInvoiceLayout());
        r.setText(PrintedInvoiceField::InvoiceNo, p.invoiceNo.trimmed());
        r.setText(PrintedInvoiceField::SlipNo, p.slipNo.trimmed());
        r.setReal(PrintedInvoiceField::Date, OleDate::fromDate(p.date));
        records.push_back(std::move(r));
    }
    folder.appendRecords(kPath, records);
}

Index read(const DataFolder &folder)
{
    Index index;
    for (const Record &r : folder.readRecords(kPath, printedInvoiceLayout())) {
        Printed p{r.text(PrintedInvoiceField::InvoiceNo), r.text(PrintedInvoiceField::SlipNo),
                  OleDate::toDate(r.real(PrintedInvoiceField::Date))};
        if (p.invoiceNo.isEmpty())
            continue;
        if (!p.slipNo.isEmpty())
            index.bySlip.insert(p.slipNo, p.invoiceNo);
        index.byNumber[p.invoiceNo].push_back(std::move(p));
    }
    return index;
}

const Printed *printedForAnother(const Index &index, const QString &number, const QString &slipNo)
{
    const auto found = index.byNumber.constFind(number.trimmed());
    if (found == index.byNumber.constEnd())
        return nullptr;
    for (const Printed &p : *found) {
        if (p.slipNo != slipNo.trimmed())
            return &p;
    }
    return nullptr;
}

} // namespace PrintedInvoices
