#pragma once

#include "core/recordlayout.h"

// One line of an account's history, 155 bytes: the per-account balance files under /VIActiveAccounts,
// /CAPaymentRecords.txt and /CAHistory.txt. These files are shared with the companion invoicing program, so
// the date and the amount are kept as text in the program's short-date and currency forms.
namespace AccountHistoryField {
enum Field : int { Name, AcctNo, Date, Description, Amount };
inline constexpr std::array<FieldSpec, 5> kFields = {
    text("Name", 45), text("AcctNo", 25), text("Date", 15), text("Description", 60), text("Amount", 10),
};
static_assert(recordLength(kFields) == 155);
} // namespace AccountHistoryField

const RecordLayout &accountHistoryLayout();
