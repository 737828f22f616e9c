#pragma once

#include "core/recordlayout.h"
#include "core/settings.h"
#include "core/verdict.h"
#include "dispatch/booking.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

class Clock;
class DataFolder;
class RecordScan;
class SlipCounter;

// Writing a new service slip for the current customer: the values the slip creation window collects, its
// step rules and what it says, the technician's day, and the storing of the slip with its booking tests.
namespace SlipCreation {

inline const QString kEnterDetails = QStringLiteral("Enter Details of Service Required");
inline const QString kSelectAssignment = QStringLiteral("Select an Assignment from the List");
inline const QString kNoDateQuestion = QStringLiteral("A date has not been selected, is this okay?");
inline const QString kNoDateTitle = QStringLiteral("No Date Assigned");
inline const QString kReviewQuestion = QStringLiteral("Have you reviewed all Data and is it Correct?");
inline const QString kReviewTitle = QStringLiteral("Ready to Store Service Slip");
inline const QString kBooked = QStringLiteral("This Assignment, Date and Time have already been scheduled\r\n"
                                              "Select a different Assignment, Date or Time");
inline const QString kOverlapTitle = QStringLiteral("Assignment already Booked");
inline const QString kNoAccountTitle = QStringLiteral("No Customer Account");

// The length of the slip's service text field.
inline constexpr int kServiceWidth = 200;

// The account block: the account number and the eight lines Name, Addr #1, Addr #2, City, State, Zip,
// Telephone and Cell # of the customer record.
struct AccountBlock
{
    QString acctNo;
    std::array<QString, 8> lines;
};
// An Individual is named by title, first and last name; everyone else by the record's name. Zip is the fourth
// address field, which holds the postal code in the USA style and the fourth line otherwise.
AccountBlock accountBlock(const Record &customer);

// Why no slip can be written for this customer record: it names no account, or its account is no longer in
// the customer file (deleted meanwhile). Nothing when the account is there.
std::optional<QString> customerProblem(const DataFolder &folder, const Record &customer);

// The service text after a click on a service: a line break first unless the text is empty.
QString appendService(const QString &text, const QString &description);
// The service text as the slip stores it: trimmed, every line break as CR LF.
QString storedServiceText(const QString &text);
// The refusal of a stored service text longer than the field (never cut); nothing when it fits.
std::optional<QString> serviceTooLong(const QString &stored);
// The counter under a service text box: "37 of 200 characters".
QString serviceLengthText(const QString &stored);
// Step 2's rule: the text must not be empty, and must fit the field (never cut). Nothing when it is fine.
std::optional<QString> serviceProblem(const QString &text);

// The date rule of the calendar: a day the business does not work moves to the next working day, with the
// two messages for the user.
struct PickedDate
{
    QDate date;
    QStringList messages; // empty when the picked day stands
};
PickedDate checkPickedDate(WorkWeek week, const QDate &picked);

// A day picked more than a year ahead of today is most likely a slip of the year typed wrong: asked once (not
// again for the slip's date as it stands). Done when the day stands; refused when the user said No.
inline const QString kFarAheadTitle = QStringLiteral("Date Far Ahead");
Verdict farAheadQuestion(const QDate &picked, const std::optional<QDate> &current, const Clock &clock,
                         const Answers &answers);

// Everything the window collects for one slip.
struct SlipDraft
{
    AccountBlock account;
    std::array<QString, 8> site;
    QString service;
    QString assignment; // empty: none, the slip is "Open"
    QString priority = QStringLiteral("Normal");
    std::optional<QDate> date; // the one date: tested for double booking and stored
    QString time = QStringLiteral("None");
};

// A slip with no date, unless the user said to leave the date blank, is asked about before it is stored. Done
// when the slip may go on; refused when the user said No.
Verdict noDateQuestion(const SlipDraft &draft, bool leaveDateBlank, const Answers &answers);

// The slip's record: received today, "Open" or "Assigned" by the assignment, the date as short-date text
// ("0" without one), the time slot ("None" without a date), the trimmed service text and the amount zero.
// The slip number is set when it is stored.
Record buildSlipRecord(const SlipDraft &draft, const Clock &clock);

// One slip of an assignment's day, as the window lists it.
struct DaySlip
{
    qint16 slipNo = 0;
    QString time;
    QString customer;
    QString status;
};
// The stored slips of this assignment on this day, by time (unscheduled times last), then by slip number.
std::vector<DaySlip> assignmentDay(const DataFolder &folder, const QString &assignment, const QDate &date);

// The question for a slot that overlaps a stored slip of the same assignment on the same day; nothing when
// none does (an exactly equal slot is a double booking, not an overlap).
std::optional<QString> overlapQuestion(const DataFolder &folder, const QString &assignment, const QDate &date,
                                       const QString &time);
// The question's text for the stored slip `slipNo` at `time`.
QString overlapQuestionText(const QString &assignment, qint16 slipNo, const QString &time, const QDate &date);
// The same question on the active slips already read.
std::optional<QString> overlapQuestion(const RecordScan &slips, const QString &assignment, const QDate &date,
                                       const QString &time);

// Stores the slip once the user has answered what is needed: the account must still be there, the counter must
// have a number left, the user confirms the data (the first answer), a booked slot is refused, an overlapping one
// asked about (the second answer). Done with the new slip's number, or refused with nothing stored (the files are
// then as they were) and the reason. A file that cannot be written is a refusal that says so; when only the
// counter file failed, the slip is stored, its number returned and the failure told.
struct Stored : Verdict
{
    std::optional<qint16> slipNo;
};
Stored StoreSlip(const DataFolder &folder, SlipCounter &counter, const Clock &clock, const Record &customer,
                 const SlipDraft &draft, const Answers &answers = {});

} // namespace SlipCreation
