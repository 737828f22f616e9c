#pragma once

#include "core/datafolder.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"

#include "testsupport.h"

// Completed slips for the finalizing and history tests.
inline Record completedSlip(int number, const QString &acctNo, const QString &site,
                            const QString &assignment = "Crew A", const QString &work = "Replace the water heater")
{
    using namespace SlipField;
    Record r(serviceSlipLayout());
    r.setInt16(SlipNo, qint16(number));
    r.setText(Status, QStringLiteral("Complete"));
    r.setText(AcctNo, acctNo);
    r.setText(Name, site);
    r.setText(SiteName, site);
    r.setText(SiteTelephone, QStringLiteral("555-0100"));
    r.setText(AssignedTo, assignment);
    r.setText(SchedDate, QStringLiteral("3/6/2026"));
    r.setText(ServiceRequired, work);
    r.setText(Amount, QStringLiteral("$0.00"));
    return r;
}
