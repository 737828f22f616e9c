#pragma once

#include <QStringList>

// The values a slip's status, priority and time fields hold, stored exactly as written here.
namespace SlipValues {

inline const QString kOpen = QStringLiteral("Open");
inline const QString kAssigned = QStringLiteral("Assigned");
inline const QString kInProgress = QStringLiteral("In Progress");
inline const QString kSuspended = QStringLiteral("Suspended");
inline const QString kComplete = QStringLiteral("Complete");
inline const QString kFinalized = QStringLiteral("Finalized");

// The board's status list, in order; "Complete" and "Finalized" exist outside it.
inline const QStringList &boardStatuses()
{
    static const QStringList list = {kOpen, kAssigned, kInProgress, kSuspended};
    return list;
}
inline const QStringList &allStatuses()
{
    static const QStringList list = {kOpen, kAssigned, kInProgress, kSuspended, kComplete, kFinalized};
    return list;
}

inline const QStringList &priorities()
{
    static const QStringList list = {QStringLiteral("Normal"), QStringLiteral("High"), QStringLiteral("Low"),
                                     QStringLiteral("Emergency")};
    return list;
}

inline const QString kNoDate = QStringLiteral("0");
inline const QString kNoTime = QStringLiteral("None");
inline const QString kNotAssigned = QStringLiteral("Not Assigned");
inline const QString kMoveToTodayTime = QStringLiteral("08:00");

// The 14 time slots, in list order.
inline const QStringList &timeSlots()
{
    static const QStringList list = {
        QStringLiteral("08:00-10:00"),
        QStringLiteral("10:00-12:00"),
        QStringLiteral("01:00-03:00"),
        QStringLiteral("03:00-05:00"),
        kNoTime,
        QStringLiteral("08:00"),
        QStringLiteral("09:00"),
        QStringLiteral("10:00"),
        QStringLiteral("11:00"),
        QStringLiteral("01:00"),
        QStringLiteral("02:00"),
        QStringLiteral("03:00"),
        QStringLiteral("04:00"),
        QStringLiteral("05:00"),
    };
    return list;
}

} // namespace SlipValues
