#include "dispatch/statusrules.h"

#include "dispatch/slipvalues.h"

namespace StatusRules {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

bool noAssignment(const QString &name)
{
    return name.isEmpty() || name == SlipValues::kNotAssigned;
}

Verdict redo(const QString &text)
{
    Verdict v = Verdict::refused(text, {});
    v.kind = Verdict::Kind::Redo;
    return v;
}

} // namespace

std::optional<QString> refusal(const QString &from, const QString &to)
{
    using namespace SlipValues;
    if (from == to)
        return std::nullopt;
    if (from == kOpen) {
        if (to == kSuspended)
            return QStringLiteral("The Service Slip can only be Assigned or Set to In Progress");
    } else if (from == kAssigned) {
        if (to == kOpen)
            return QStringLiteral("The Service Slip has been Assigned") + kCrLf +
                   QStringLiteral("It can only be marked as In Progress or Suspended");
    } else if (from == kInProgress) {
        if (to == kOpen || to == kAssigned)
            return QStringLiteral("The Service Slip is In Progress") + kCrLf +
                   QStringLiteral("It can only be Suspended");
    } else if (from == kSuspended) {
        if (to == kOpen || to == kAssigned)
            return QStringLiteral("The Service Slip has been Suspended") + kCrLf +
                   QStringLiteral("It can only be marked as In Progress");
    }
    return std::nullopt;
}

Verdict preconditions(const Change &change)
{
    using namespace SlipValues;
    const QString status = change.status.trimmed();
    const QString needAssignment = QStringLiteral("You need to select an Assignment");
    const bool unscheduled = change.time == kNoTime || change.date == kNoDate;
    if (status == kAssigned) {
        if (noAssignment(change.assignment))
            return Verdict::refused(needAssignment, {});
    } else if (status == kInProgress) {
        if (unscheduled)
            return redo(QStringLiteral("Select a Date and Time") + kCrLf +
                        QStringLiteral("or Change Status to Suspended"));
        if (noAssignment(change.assignment))
            return Verdict::refused(needAssignment, {});
        if (change.othersInProgress)
            return Verdict::refused(change.assignment.trimmed() + QStringLiteral(" is already signed out"), {});
    } else if (status == kComplete) {
        // A technician on the site completes under the same rule as the board: a slip without a date and time is
        // scheduled first, so that the completed slip says when the work was done.
        if (unscheduled)
            return redo(QStringLiteral("Select Date and/or Time or Change Status"));
        if (noAssignment(change.assignment))
            return Verdict::refused(needAssignment, {});
    } else if (status == kSuspended) {
        if (change.reason && change.reason->trimmed().isEmpty())
            return Verdict::refused(QStringLiteral("Say why the job cannot be finished"), {});
    }
    return Verdict::done();
}

Verdict judge(const QString &from, const Change &change)
{
    if (const auto why = refusal(from, change.status.trimmed()))
        return Verdict::refused(*why, {});
    return preconditions(change);
}

QString assigned(const QString &status, const QString &assignment)
{
    if (status == SlipValues::kOpen && !assignment.trimmed().isEmpty())
        return SlipValues::kAssigned;
    return status;
}

} // namespace StatusRules
