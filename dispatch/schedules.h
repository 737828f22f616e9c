#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class DataFolder;

// "Where are They Now?": the job each assignment is working on, read from the stored active slips.
namespace Schedules {

inline const QString kNotSignedOut = QStringLiteral("Not Signed Out");
inline const QString kCallingJobSite = QStringLiteral("Calling Job Site");

// The columns of the schedule grid.
enum Column : int { Assignment, CellNo, SiteTel, SiteCell, SlipNo, Customer, Date, Time, ColumnCount };

// The job columns (Site Tel to Time) of the slip an assignment has "In Progress".
struct Job
{
    QString siteTelephone;
    QString siteCell;
    QString slipNo;
    QString customer;
    QString date;
    QString time;

    QStringList texts() const { return {siteTelephone, siteCell, slipNo, customer, date, time}; }
};

// For each name, in the order given: the stored slip assigned to exactly that name (case counts) whose status
// is "In Progress", the one latest in the file when there are several; nothing when there is none. Without
// /ServiceSlips.txt every assignment has nothing.
std::vector<std::optional<Job>> LoadSchedule(const DataFolder &folder, const QStringList &names);

// Whom a click on a cell of an assignment row calls: the assignment by its cell number, the job site by its
// telephone or cell number. Nothing for any other cell or an empty number.
struct Call
{
    QString name;
    QString number;
};
std::optional<Call> callFor(const QStringList &row, int column);

} // namespace Schedules
