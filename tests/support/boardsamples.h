#pragma once

#include "core/clock.h"
#include "core/datafolder.h"
#include "core/oledate.h"
#include "core/verdict.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "phone/phonework.h"

#include <QStringList>
#include <vector>

// Slips for the dispatch board tests: "number status assignment date time priority name", fields separated by
// '|', missing ones as a new unscheduled slip has them.
inline Record boardSlip(const QString &fields)
{
    const QStringList f = fields.split(QLatin1Char('|'));
    Record r(serviceSlipLayout());
    r.setInt16(SlipField::SlipNo, qint16(f.value(0).toInt()));
    r.setReal(SlipField::DateReceived, OleDate::fromDate(QDate(2026, 1, 2)));
    r.setText(SlipField::Status, f.value(1, QStringLiteral("Open")));
    r.setText(SlipField::AssignedTo, f.value(2));
    r.setText(SlipField::SchedDate, f.value(3, QStringLiteral("0")));
    r.setText(SlipField::SchedTime, f.value(4, QStringLiteral("None")));
    r.setText(SlipField::Priority, f.value(5, QStringLiteral("Normal")));
    r.setText(SlipField::AcctNo, QStringLiteral("A") + f.value(0));
    r.setText(SlipField::Name, f.value(6, QStringLiteral("Jane Doe")));
    r.setText(SlipField::Telephone, QStringLiteral("555-0100"));
    r.setText(SlipField::SiteName, QStringLiteral("Site ") + f.value(0));
    r.setText(SlipField::SiteAddress1, QStringLiteral("1 Elm St"));
    r.setText(SlipField::SiteCity, QStringLiteral("Springfield"));
    r.setText(SlipField::SiteState, QStringLiteral("IL"));
    r.setText(SlipField::SitePostalCode, QStringLiteral("62701"));
    r.setText(SlipField::SiteTelephone, QStringLiteral("555-0101"));
    r.setText(SlipField::ServiceRequired, QStringLiteral("Leaking tap"));
    r.setText(SlipField::Amount, QStringLiteral("$0.00"));
    return r;
}

inline std::vector<Record> boardSlips(const QStringList &specs)
{
    std::vector<Record> out;
    for (const QString &s : specs)
        out.push_back(boardSlip(s));
    return out;
}

inline void writeActiveSlips(const DataFolder &folder, const QStringList &specs)
{
    folder.replaceRecords(SlipFiles::kActive, boardSlips(specs));
}

// "number:status date time" per slip of a slip file, separated by "; "; "-" when the file does not exist.
inline QString slipSummary(const DataFolder &folder, const QString &file)
{
    if (folder.fileSize(file) < 0)
        return QStringLiteral("-");
    QStringList out;
    for (const Record &r : folder.readRecords(file, serviceSlipLayout()))
        out.append(QStringLiteral("%1:%2 %3 %4")
                       .arg(r.int16(SlipField::SlipNo))
                       .arg(r.text(SlipField::Status), r.text(SlipField::SchedDate), r.text(SlipField::SchedTime)));
    return out.join(QStringLiteral("; "));
}

// What a verdict puts to the user: its question, else its messages one under the other.
inline QString said(const Verdict &v)
{
    if (v.kind == Verdict::Kind::Ask)
        return v.question;
    QStringList texts;
    for (const Notice &n : v.notices)
        texts << n.text;
    return texts.join(QLatin1Char('\n'));
}

// A phone's change of a slip to "In Progress", "Suspended" or "Complete", stored by the technician's phone.
inline PhoneWork::Outcome storeFromPhone(const DataFolder &folder, int slipNo, const QString &status)
{
    QString technician;
    for (const Record &slip : LoadActiveSlips(folder))
        technician = slip.int16(SlipField::SlipNo) == slipNo ? slip.text(SlipField::AssignedTo) : technician;
    using enum PhoneWork::Action;
    const PhoneWork::Action action = status == "Complete" ? Complete : status == "Suspended" ? CantFinish : Start;
    return PhoneWork::store(folder, FixedClock(), {technician, qint16(slipNo), action, {}, technician + "'s phone"});
}
