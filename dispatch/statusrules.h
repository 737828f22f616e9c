#pragma once

#include "core/verdict.h"

#include <QString>
#include <optional>

// The one rule of a slip's status, for every place that changes it: the dispatch board's status list and its
// "Verify and Accept Changes", the calendar's moves, a technician's phone and the slips a run of maintenance
// agreements makes. Its refusals carry no title: the window that shows them adds its own.
namespace StatusRules {

// The status list's step. An "Open" slip may be assigned or started, an assigned one started or suspended, one in
// progress only suspended, a suspended one only started again. A slip in any other state ("Complete", or a value
// the board does not know) may take any entry. Nothing when the step is allowed (or no step at all); otherwise
// the refusal for the user.
std::optional<QString> refusal(const QString &from, const QString &to);

// A slip about to take `status`, with the values it will have then.
struct Change
{
    QString status;
    QString assignment;
    QString date; // short date, or "0"
    QString time; // a time slot, or "None"
    // Another slip of the assignment is "In Progress" (its technician is signed out on it).
    bool othersInProgress = false;
    // The reason given for "Suspended" where the entry point carries one (a phone's "Can't finish"); nothing
    // where the user is asked otherwise (the board resets the date and time instead).
    std::optional<QString> reason;
};

// What the change needs besides the list's step: a date and time for "In Progress" and "Complete" (Redo: the
// values are to be chosen again), an assignment, no other slip of the technician in progress, a reason. Done when
// the change may be made.
Verdict preconditions(const Change &change);

// A change made in one step from the slip's stored status (a phone): the list's step, then the preconditions.
Verdict judge(const QString &from, const Change &change);

// The status of a slip given `assignment` while it is `status`: an "Open" slip given one becomes "Assigned"; a
// new slip starts from "Open".
QString assigned(const QString &status, const QString &assignment);

} // namespace StatusRules
