#pragma once

#include "testsupport.h"

#include <QString>
#include <QStringList>

// One table of status changes for every entry point that changes a slip's status: each row is a slip on its
// own (slip 1, beside Bo's slip 2 "In Progress"), an action (a phone's Start, Complete or Can't finish; on the
// board the status list's "In Progress", "Complete" or "Suspended" and then "Verify and Accept Changes" with Yes
// to resetting the date and time), and the words of the refusal, empty when the change is made. `redo`: the board
// puts the slip's own values back for the user to choose again. Both the board's tests and the phone's run it.
namespace StatusTable {

enum Action { Start, Complete, CantFinish };

inline const QString kOther = QStringLiteral("2|In Progress|Bo|1/20/2026|09:00");

inline void columns()
{
    dataColumns<QString, int, QString, bool>("slip", "action", "words", "redo");
}

inline void rows()
{
    columns();
    const QString list = QStringLiteral("The Service Slip can only be Assigned or Set to In Progress");
    const QString needTime = QStringLiteral("Select a Date and Time\r\nor Change Status to Suspended");
    const QString needSchedule = QStringLiteral("Select Date and/or Time or Change Status");
    struct State
    {
        const char *name;
        QString slip;
        QString start, complete, cantFinish;
    };
    const State states[] = {
        {"open", "1|Open|Al|1/20/2026|08:00", {}, {}, list},
        {"assigned", "1|Assigned|Al|1/20/2026|10:00-12:00", {}, {}, {}},
        {"assigned, no time", "1|Assigned|Al|1/20/2026|None", needTime, needSchedule, {}},
        {"in progress", "1|In Progress|Al|1/20/2026|08:00", {}, {}, {}},
        {"in progress, no time", "1|In Progress|Al|1/20/2026|None", needTime, needSchedule, {}},
        {"suspended", "1|Suspended|Al|0|None", needTime, needSchedule, {}},
        {"signed out", "1|Assigned|Bo|1/20/2026|10:00-12:00", "Bo is already signed out", {}, {}},
    };
    for (const State &s : states) {
        const QByteArray name(s.name);
        const auto redo = [&](const QString &words) { return words == needTime || words == needSchedule; };
        dataRow((name + " / start").constData(), s.slip, int(Start), s.start, redo(s.start));
        dataRow((name + " / complete").constData(), s.slip, int(Complete), s.complete, redo(s.complete));
        dataRow((name + " / can't finish").constData(), s.slip, int(CantFinish), s.cantFinish, redo(s.cantFinish));
    }
}

// The status each action asks for, as the board's status list names it.
inline QString status(int action)
{
    static const QStringList statuses = {QStringLiteral("In Progress"), QStringLiteral("Complete"),
                                         QStringLiteral("Suspended")};
    return statuses.value(action);
}

} // namespace StatusTable
