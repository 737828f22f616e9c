#pragma once

#include "billing/postingrun.h"
#include "core/datafolder.h"
#include "core/formats.h"
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
    r.setText(Status, "Complete");
    r.setText(AcctNo, acctNo);
    r.setText(Name, site);
    r.setText(SiteName, site);
    r.setText(SiteTelephone, "555-0100");
    r.setText(AssignedTo, assignment);
    r.setText(SchedDate, "3/6/2026");
    r.setText(ServiceRequired, work);
    r.setText(Amount, "$0.00");
    return r;
}

// One posted invoice; amounts in ten-thousandths, the total as the history shows it in cents.
struct Posted
{
    const char *acct;
    QDate date;
    const char *invoice;
    qint64 preTax, tax1, tax2, totalCents;
    const char *payForm;
};

inline const Posted kPosted[] = {
    {"1001", QDate(2026, 3, 2), "501", 1000000, 75000, 0, 10750, "Cash"},
    {"1001", QDate(2026, 3, 2), "502", 100100, 7508, 0, 1076, "Ck # 1234"},
    {"2002", QDate(2026, 3, 15), "503", 500000, 0, 20000, 5200, "Credit Card"},
    {"2002", QDate(2026, 4, 1), "700", 200000, 15000, 5000, 2200, "Not Collected"},
    {"3003", QDate(2026, 4, 1), "700", 300000, 22500, 0, 3225, "Cash"}, // the same invoice number, the same day
    {"3003", QDate(2026, 4, 20), "505", 50000, 0, 0, 500, "Not Collected"},
};

// Posts every invoice of kPosted through Write Records, each on its own day, taxes named "Sales Tax" and
// "County Tax".
inline void postAll(const DataFolder &folder)
{
    int slipNo = 1000;
    for (const Posted &p : kPosted) {
        const PostingRun::Slip slip{completedSlip(++slipNo, p.acct, QString("Site ") + p.acct),
                                    p.acct,
                                    QString("Site ") + p.acct,
                                    p.invoice,
                                    p.payForm,
                                    Formats::currency(Money::fromCents(p.totalCents)),
                                    Money::fromRaw(p.preTax),
                                    Money::fromRaw(p.tax1),
                                    Money::fromRaw(p.tax2)};
        PostingRun::writeRecords(folder, {slip}, {"Sales Tax", "County Tax"}, p.date);
    }
}
