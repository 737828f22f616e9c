#pragma once

#include "core/recordlayout.h"

#include <QDate>
#include <QHash>
#include <QString>
#include <vector>

class DataFolder;

// /PrintedInvoices.txt, 38 bytes: every invoice number printed on a form (the board's Print Invoices, the data
// tool's invoice print), with the slip it was printed for and the day. Finalizing reads it to offer a slip the
// number printed for it and to tell a number printed for another slip; the link is recorded, never worked out
// from the counter.
namespace PrintedInvoiceField {
enum Field : int { InvoiceNo, SlipNo, Date };
inline constexpr std::array<FieldSpec, 3> kFields = {
    text("InvoiceNo", 20),
    text("SlipNo", 10),
    field("Date", FieldKind::Date),
};
static_assert(recordLength(kFields) == 38);
} // namespace PrintedInvoiceField

const RecordLayout &printedInvoiceLayout();

namespace PrintedInvoices {

inline const QString kPath = QStringLiteral("/PrintedInvoices.txt");

struct Printed
{
    QString invoiceNo;
    QString slipNo;
    QDate date;
};

// Appends the invoices printed, in one guarded append. Throws DiskError (the file as it was).
void record(const DataFolder &folder, const std::vector<Printed> &printed);

// The numbers printed, read once: where each number was printed and the number each slip got last.
struct Index
{
    QHash<QString, std::vector<Printed>> byNumber; // every print of each number, in file order
    QHash<QString, QString> bySlip;   // slip -> the number printed for it last
};
Index read(const DataFolder &folder);

// A print of the number for a slip other than slipNo; nullptr when there is none.
const Printed *printedForAnother(const Index &index, const QString &number, const QString &slipNo);

} // namespace PrintedInvoices
