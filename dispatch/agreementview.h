#pragma once

#include "core/settings.h"
#include "dispatch/agreements.h"

#include <QHash>

class DataFolder;

// The maintenance agreements as the office looks at them: a line per agreement with its customer, next visit and
// yearly value, and the visits of the coming weeks by week with each week's total. Amounts are the ones shown,
// in cents, so that the parts add up to the totals shown.
namespace AgreementView {

inline constexpr int kSlipTextLimit = 200; // a slip's "service required"
inline constexpr int kEndingWithinDays = 60;
inline constexpr int kMostWeeks = 52;
inline constexpr int kMostMonths = 24;

QString monthName(int month); // 1 to 12: "Jan"
// "37 of 200 characters": the text a visit's slip gets, against what a slip holds.
QString slipTextLength(const Agreement &agreement);

// Account number -> the customer's name, for every customer of the file.
QHash<QString, QString> customerNames(const DataFolder &folder);

struct Line
{
    Agreement agreement;
    QString customer; // the account's name; empty when the account is gone
    QDate next;       // invalid: no visit comes
    Money yearly;     // in cents
};
std::vector<Line> lines(const std::vector<Agreement> &agreements, const QHash<QString, QString> &names,
                        const QDate &today, WorkWeek week);
// The sum of the lines' yearly values, each as shown.
Money yearlyTotal(const std::vector<Line> &lines);

struct Visit
{
    QDate day;
    qint32 agreement = 0;
    QString acctNo;
    QString customer;
    QString services;   // joined by ", "
    QString technician; // empty: none
    QString slot;
    Money price;     // in cents
    qint16 slip = 0; // its slip, when made already
};
struct Week
{
    QDate monday;
    std::vector<Visit> visits; // by day, then time of day, then agreement
    Money total;               // of the prices shown
};
// The visits of `weeks` weeks from the week of today; weeks without a visit are left out.
std::vector<Week> comingWeeks(const DataFolder &folder, const std::vector<Line> &lines, const QDate &today, int weeks,
                              WorkWeek week);

// Slip number -> the agreement whose visit the slip is, for every such slip (one read of the visits file).
QHash<qint16, qint32> agreementSlips(const DataFolder &folder);
// What a slip made by an agreement says of it: "From agreement 12: Furnace tune-up".
QString slipOrigin(qint32 agreement, const QStringList &services);

// Deleting slips that agreements made: one question for all of them, whether their visits are skipped (Yes) or
// made again at the next run (No).
inline const QString kDeletedVisitsTitle = QStringLiteral("Agreement Visits");
QString deletedVisitsQuestion(const std::vector<std::pair<qint16, qint32>> &slips);
// Before the slips are deleted: notes what their visits become (Agreements::beginSlipDeletion); what went wrong,
// for the user (empty: noted). After the deletion: tells the agreements, in one write, which of them were
// deleted; what could not be noted, for the user (empty: all).
QString beginDeletedVisits(const DataFolder &folder, const std::vector<std::pair<qint16, qint32>> &slips,
                           bool makeAgain);
QString noteDeletedVisits(const DataFolder &folder, const std::vector<std::pair<qint16, qint32>> &slips);

} // namespace AgreementView
