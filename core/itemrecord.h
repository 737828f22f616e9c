#pragma once

#include "core/recordlayout.h"

// An item of the companion invoicing program, 104 bytes: /VIInventoriedItems.txt and /CurrentItems.txt.
// This program uses only the item name; the other fields are kept as they are.
namespace ItemField {
enum Field : int { ItemName, ItemText, Value1, Price, Count, Value2, Value3 };
inline constexpr std::array<FieldSpec, 7> kFields = {
    text("ItemName", 50),
    text("ItemText", 20),
    field("Value1", FieldKind::Currency),
    field("Price", FieldKind::Currency),
    field("Count", FieldKind::Int16),
    field("Value2", FieldKind::Double),
    field("Value3", FieldKind::Double),
};
static_assert(recordLength(kFields) == 104);
} // namespace ItemField

const RecordLayout &itemLayout();
