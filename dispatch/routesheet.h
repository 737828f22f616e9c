#pragma once

#include "core/recordlayout.h"

#include <QDate>
#include <QStringList>
#include <vector>

class DataFolder;

// One slip on a route sheet, as it prints.
struct RouteStop
{
    QString time; // the time slot, or "None"
    QString slipNo;
    QString priority;
    QString status;            // printed unless "Assigned", the ordinary state of a stop
    QString customer;          // the account's name
    QString customerTelephone; // the account's
    QStringList location;      // the service location's name and address lines, empty lines left out
    QString locationTelephone; // the service location's telephone
    QString locationCell;
    QString serviceRequired; // may hold line breaks
};

// One technician's day.
struct RouteSheetDay
{
    QString technician;
    QDate date;
    std::vector<RouteStop> stops; // in the order they print
};

// A technician's day on paper: which slips go on the route sheet and in what order. A slip is on the sheet of
// the technician it is assigned to, for the day it is scheduled, unless it is complete already; the slips stand
// in time-slot order, the ones without a time last, equal times by slip number.
namespace RouteSheet {

inline const QString kAllTechnicians = QStringLiteral("All Technicians");

// The days to print for `technician` (kAllTechnicians or empty: every technician with a slip that day, in the
// order of `technicians` (the assignment list), then any other names on the slips in alphabetical order).
std::vector<RouteSheetDay> days(const std::vector<Record> &slips, const QStringList &technicians,
                                const QString &technician, const QDate &date);

// The same from /ServiceSlips.txt.
std::vector<RouteSheetDay> days(const DataFolder &folder, const QStringList &technicians, const QString &technician,
                                const QDate &date);
// What to say when there is no slip to print.
QString nothingScheduled(const QString &technician, const QDate &date);

} // namespace RouteSheet
