#pragma once

#include "core/recordlayout.h"

// One assignment (a technician, crew or firm slips are given to), 235 bytes, in /AssignmentData.txt.
namespace AssignmentField {
enum Field : int { Reference, Name, Address1, Address2, City, State, PostalCode, Telephone, Cell, TextMsgNo, Email };

inline constexpr std::array<FieldSpec, 11> kFields = {
    text("Reference", 20), text("Name", 30),      text("Address1", 35),   text("Address2", 25),
    text("City", 20),      text("State", 20),     text("PostalCode", 10), text("Telephone", 15),
    text("Cell", 15),      text("TextMsgNo", 15), text("Email", 30),
};
static_assert(recordLength(kFields) == 235);
} // namespace AssignmentField

const RecordLayout &assignmentLayout();
