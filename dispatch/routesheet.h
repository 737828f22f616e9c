#pragma once

#include "core/recordlayout.h"
#include "printing/routesheetlayout.h"

#include <QDate>
#include <QStringList>
#include <vector>

class DataFolder;

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
