#pragma once

#include "core/recordlayout.h"
#include "core/settings.h"
#include "dispatch/agreements.h"

#include <QDate>
#include <QHash>
#include <QSet>
#include <QString>
#include <optional>
#include <vector>

// Reminders of maintenance agreements' visits, sent some days ahead. A visit is known by its agreement and its
// period (agreements.h), never by its day, so that a visit moved by the office is still reminded once.
namespace VisitReminders {

struct Reminder
{
    qint32 agreementId = 0;
    qint32 period = 0;
    QString acctNo;
    QDate day;
    QString time;                 // the slot ("08:00-10:00"); empty when none is set
    QString technician;           // empty when none is set
    std::optional<qint16> slipNo; // the visit's slip when it is made already

    // What the outbox keeps with the message, so that the visit is reminded once: "Visit reminder 12/3".
    QString link() const;
};
QString linkOf(qint32 agreementId, qint32 period);

// The visits whose day falls from tomorrow to `days` days after today (none for 0 days), in day order. A visit
// made already is taken as its slip on the board has it now (day, time, technician); one whose slip has left the
// board, or skipped, is not reminded. Visits whose link is in `queued` were reminded already.
std::vector<Reminder> choose(const std::vector<Agreement> &agreements, const std::vector<Agreements::Visit> &visits,
                             const std::vector<Record> &activeSlips, const QDate &today, int days,
                             const QSet<QString> &queued, WorkWeek week = WorkWeek::MondayToFriday);
// The same from the data folder's files.
std::vector<Reminder> due(const DataFolder &folder, const QDate &today, int days, const QSet<QString> &queued,
                          WorkWeek week = WorkWeek::MondayToFriday);

// The fields the reminder's subject and text may hold: {Name}, {Date} ("Tuesday, 12/15/2026"), {Time}, {Technician},
// {SlipNo} and {Business}. A time not set reads "hours we will agree with you", a technician not set "named before
// the visit" (the setup's text says "between {Time}" and "will be {Technician}").
QHash<QString, QString> fields(const Reminder &reminder, const QString &customerName, const QString &business);

} // namespace VisitReminders
