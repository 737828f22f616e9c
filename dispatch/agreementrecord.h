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

// One visit of an agreement, 32 bytes, in /AgreementVisits.dat, appended once its slip is stored and read back
// (state 0, with the slip's number and moment received) and again when its slip is deleted (1 skipped, 2 to make
// again). A visit is known by its agreement and its period: the count of the agreement's visits before it since
// the start (0 the first), so that an edit of the start, interval, weekday or slot never gives it a second
// identity. The last record of a visit tells its state. Mark tells this layout from the first one (Due, Day, SlipNo,
// State, Made after the id), whose records are read by the due day's period under the agreement as it is.
namespace VisitField {
enum Field : int { AgreementId, Period, Day, Received, SlipNo, State, Mark };

inline constexpr std::array<FieldSpec, 7> kFields = {
    field("AgreementId", FieldKind::Int32), field("Period", FieldKind::Int32), field("Day", FieldKind::Date),
    field("Received", FieldKind::Date),     field("SlipNo", FieldKind::Int16), field("State", FieldKind::Int16),
    field("Mark", FieldKind::Int32),
};
static_assert(recordLength(kFields) == 32);
inline constexpr qint32 kMark = 0x54495356; // "VSIT"

// The first layout, read only.
enum OldField : int { OldAgreementId, OldDue, OldDay, OldSlipNo, OldState, OldMade };
inline constexpr std::array<FieldSpec, 6> kOldFields = {
    field("AgreementId", FieldKind::Int32), field("Due", FieldKind::Date),    field("Day", FieldKind::Date),
    field("SlipNo", FieldKind::Int16),      field("State", FieldKind::Int16), field("Made", FieldKind::Date),
};
static_assert(recordLength(kOldFields) == 32);
} // namespace VisitField

// What a run or a deletion of slips is about to note, kept until it is noted (see agreements.h): a visit's record
// as it will be appended, and the account of its slip (a slip is known by its number, moment received and
// account). /AgreementRun.jnl holds a run's visits (state 0), /AgreementDeletion.jnl the deleted slips' new states.
namespace VisitJournalField {
enum Field : int { AcctNo = VisitField::Mark + 1 };
inline constexpr std::array<FieldSpec, 8> kFields = {
    VisitField::kFields[0], VisitField::kFields[1], VisitField::kFields[2], VisitField::kFields[3],
    VisitField::kFields[4], VisitField::kFields[5], VisitField::kFields[6], text("AcctNo", 20),
};
static_assert(recordLength(kFields) == 52);
} // namespace VisitJournalField

const RecordLayout &agreementLayout();
const RecordLayout &agreementVisitLayout();
const RecordLayout &oldAgreementVisitLayout();
const RecordLayout &visitJournalLayout();
