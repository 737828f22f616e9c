#include "core/oledate.h"

#include <cmath>

namespace {
constexpr double kMinDays = -657434.0;      // 1 January 100
constexpr double kMaxDays = 2958465.999999; // 31 December 9999, end of day
bool inRange(double days)
{
    return std::isfinite(days) && days >= kMinDays && days <= kMaxDays;
}
} // namespace

namespace OleDate {

double fromDateTime(const QDateTime &dateTime)
{
    if (!dateTime.isValid())
        return 0.0;
    const double day = fromDate(dateTime.date());
    const double fraction = dateTime.time().msecsSinceStartOfDay() / 86400000.0;
    // Before the epoch the day is negative while the time still counts forward from midnight.
    return day >= 0 ? day + fraction : day - fraction;
}

QDate toDate(double days)
{
    if (!inRange(days))
        return {};
    return epoch().addDays(static_cast<qint64>(std::trunc(days)));
}

QDateTime toDateTime(double days)
{
    if (!inRange(days))
        return {};
    const double whole = std::trunc(days);
    const double fraction = std::fabs(days - whole);
    const int msecs = std::min(86399999, static_cast<int>(std::llround(fraction * 86400000.0)));
    return QDateTime(epoch().addDays(static_cast<qint64>(whole)), QTime::fromMSecsSinceStartOfDay(msecs));
}

} // namespace OleDate
