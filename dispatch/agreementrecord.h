#pragma once

#include "core/recordlayout.h"

// A maintenance agreement, 498 bytes, one record per agreement in /Agreements.dat. The services are the
// catalogue descriptions joined by CR LF, so that the field holds what the slip's text will hold; the dates are
// day counts (End 0: no end); the price is the 4-decimal currency field.
namespace AgreementField {
enum Field : int { Id, AcctNo, Services, Interval, Every, Months, Technician, Weekday, Slot, Start, End, Price, Note };

inline constexpr std::array<FieldSpec, 13> kFields = {
    field("Id", FieldKind::Int32),
    text("AcctNo", 20),
    text("Services", 200),
    field("Interval", FieldKind::Int16), // 0 weeks, 1 months, 2 chosen months
    field("Every", FieldKind::Int16),
    field("Months", FieldKind::Int16), // bit 0 January ... bit 11 December
    text("Technician", 30),
    field("Weekday", FieldKind::Int16), // 1 Monday ... 7 Sunday, 0 none
    text("Slot", 12),
    field("Start", FieldKind::Date),
    field("End", FieldKind::Date),
    field("Price", FieldKind::Currency),
    text("Note", 200),
};
static_assert(recordLength(kFields) == 498);
} // namespace AgreementField

// One visit of an agreement, 32 bytes, in /AgreementVisits.dat: appended when a run makes it (state 0, with the
// slip number it is about to use) and again when its slip is deleted (1 skipped, 2 to make again). The last
// record of an agreement's due day tells that visit's state.
namespace VisitField {
enum Field : int { AgreementId, Due, Day, SlipNo, State, Made };

inline constexpr std::array<FieldSpec, 6> kFields = {
    field("AgreementId", FieldKind::Int32), field("Due", FieldKind::Date),    field("Day", FieldKind::Date),
    field("SlipNo", FieldKind::Int16),      field("State", FieldKind::Int16), field("Made", FieldKind::Date),
};
static_assert(recordLength(kFields) == 32);
} // namespace VisitField

const RecordLayout &agreementLayout();
const RecordLayout &agreementVisitLayout();
