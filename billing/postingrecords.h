#pragma once

#include "core/recordlayout.h"

// The records finalizing leaves behind besides the account files.

// /ServiceHistory.txt, 145 bytes.
namespace ServiceHistoryField {
enum Field : int { Name, AcctNo, Date, Contents, Assignment };
inline constexpr std::array<FieldSpec, 5> kFields = {
    text("Name", 30), text("AcctNo", 25), text("Date", 15), text("Contents", 35), text("Assignment", 40),
};
static_assert(recordLength(kFields) == 145);
} // namespace ServiceHistoryField

// /TaxRecords.txt, 75 bytes.
namespace TaxField {
enum Field : int { Heading, Date, InvoiceNo, TaxAmount };
inline constexpr std::array<FieldSpec, 4> kFields = {
    text("Heading", 20),
    text("Date", 15),
    text("InvoiceNo", 30),
    text("TaxAmount", 10),
};
static_assert(recordLength(kFields) == 75);
} // namespace TaxField

// /InvoiceSalesJournal.txt, 125 bytes.
namespace JournalField {
enum Field : int { Name, AcctNo, InvoiceNo, Date, PreTax, Taxes, Other, Total };
inline constexpr std::array<FieldSpec, 8> kFields = {
    text("Name", 45),
    text("AcctNo", 20),
    text("InvoiceNo", 20),
    field("Date", FieldKind::Date),
    field("PreTax", FieldKind::Currency),
    field("Taxes", FieldKind::Currency),
    field("Other", FieldKind::Currency),
    field("Total", FieldKind::Currency),
};
static_assert(recordLength(kFields) == 125);
} // namespace JournalField

const RecordLayout &serviceHistoryLayout();
const RecordLayout &taxLayout();
const RecordLayout &journalLayout();
