#pragma once

#include "core/recordlayout.h"

// One customer account, 328 bytes, in /CustomerData.txt.
namespace CustomerField {
enum Field : int {
    AcctNo,
    Name,
    Address1,
    Address2,
    City,
    ServiceCity,
    State,
    PostalCode,
    Address4,
    Telephone,
    Cell,
    Email,
    Title,
    FirstName,
    MiddleInitial,
    LastName,
    AcctType,
    Reserved1,
    Reserved2,
};

inline constexpr std::array<FieldSpec, 19> kFields = {
    text("AcctNo", 20),
    text("Name", 45),
    text("Address1", 35),
    text("Address2", 25),
    text("City", 25),
    text("ServiceCity", 20),
    text("State", 2),
    text("PostalCode", 10),
    text("Address4", 25),
    text("Telephone", 13),
    text("Cell", 13),
    text("Email", 30),
    text("Title", 10),
    text("FirstName", 15),
    text("MiddleInitial", 1),
    text("LastName", 25),
    text("AcctType", 10),
    field("Reserved1", FieldKind::Int16),
    field("Reserved2", FieldKind::Int16),
};
static_assert(recordLength(kFields) == 328);
} // namespace CustomerField

const RecordLayout &customerLayout();
