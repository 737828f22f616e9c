#pragma once

#include <QDate>
#include <QDateTime>

// Dates on disk count days from 30 December 1899; the fraction is the time of day.
namespace OleDate {
inline QDate epoch()
{
    return QDate(1899, 12, 30);
}
inline double fromDate(const QDate &date)
{
    return date.isValid() ? double(epoch().daysTo(date)) : 0.0;
}
double fromDateTime(const QDateTime &dateTime);
// A value that is not a finite number of days within the years 100..9999 gives an invalid date.
QDate toDate(double days);
QDateTime toDateTime(double days);
} // namespace OleDate
