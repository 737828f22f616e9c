#pragma once

#include "core/recordlayout.h"

// One service slip, 697 bytes: the same record in the active, completed and finalized slip files.
namespace SlipField {
enum Field : int {
    SlipNo,
    DateReceived,
    Status,
    AcctNo,
    Name,
    Address1,
    Address2,
    City,
    State,
    PostalCode,
    Telephone,
    Cell,
    SiteName,
    SiteAddress1,
    SiteAddress2,
    SiteCity,
    SiteState,
    SitePostalCode,
    SiteTelephone,
    SiteCell,
    AssignedTo,
    SchedDate,
    SchedTime,
    ServiceRequired,
    InvoiceNo,
    Priority,
    PayForm,
    Amount,
};

inline constexpr std::array<FieldSpec, 28> kFields = {
    field("SlipNo", FieldKind::Int16),
    field("DateReceived", FieldKind::Date),
    text("Status", 15),
    text("AcctNo", 20),
    text("Name", 30),
    text("Address1", 35),
    text("Address2", 25),
    text("City", 20),
    text("State", 2),
    text("PostalCode", 10),
    text("Telephone", 13),
    text("Cell", 30),
    text("SiteName", 30),
    text("SiteAddress1", 35),
    text("SiteAddress2", 25),
    text("SiteCity", 20),
    text("SiteState", 2),
    text("SitePostalCode", 10),
    text("SiteTelephone", 13),
    text("SiteCell", 30),
    text("AssignedTo", 30),
    text("SchedDate", 10),
    text("SchedTime", 12),
    text("ServiceRequired", 200),
    text("InvoiceNo", 20),
    text("Priority", 20),
    text("PayForm", 20),
    text("Amount", 10),
};
static_assert(recordLength(kFields) == 697);
} // namespace SlipField

const RecordLayout &serviceSlipLayout();
