#pragma once

#include "core/recordlayout.h"

// A layout with one field of every kind a record holds, for the record file and data tool tests.
inline constexpr std::array<FieldSpec, 9> kAllKinds = {
    text("Text", 6),
    field("Small", FieldKind::Int16),
    field("Long", FieldKind::Int32),
    field("Single", FieldKind::Single),
    field("Double", FieldKind::Double),
    field("When", FieldKind::Date),
    field("Amount", FieldKind::Currency),
    field("Flag", FieldKind::Boolean),
    field("Byte", FieldKind::Byte),
};

inline const RecordLayout &allKinds()
{
    static const RecordLayout layout(QStringLiteral("AllKinds"), kAllKinds);
    return layout;
}
