#pragma once

#include "core/recordlayout.h"

// One service of the catalogue, 72 bytes, in /Services.txt.
namespace ServiceField {
enum Field : int { Description, Charge, TimeIndex };

inline constexpr std::array<FieldSpec, 3> kFields = {
    text("Description", 60),
    text("Charge", 10),
    field("TimeIndex", FieldKind::Int16),
};
static_assert(recordLength(kFields) == 72);
} // namespace ServiceField

const RecordLayout &serviceLayout();
