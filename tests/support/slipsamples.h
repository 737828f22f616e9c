#pragma once

#include "accounts/customerfile.h"
#include "accounts/customerrecord.h"
#include "dispatch/servicesliprecord.h"

#include "testsupport.h"

#include <QStringList>

// Sample customers and slips for the slip creation and schedule tests.
namespace SlipSamples {

// An Individual account "A100": Mr. John Smith of 12 Oak St, Springfield IL 62701.
inline Record customer(const QString &acctNo = QStringLiteral("A100"))
{
    using namespace CustomerField;
    Record r = newCustomerRecord();
    r.setText(AcctNo, acctNo);
    r.setText(Name, QStringLiteral("Smith Household"));
    r.setText(Address1, QStringLiteral("12 Oak St"));
    r.setText(Address2, QStringLiteral("Apt 4"));
    r.setText(City, QStringLiteral("Springfield"));
    r.setText(State, QStringLiteral("IL"));
    r.setText(PostalCode, QStringLiteral("62701"));
    r.setText(Address4, QStringLiteral("62701"));
    r.setText(Telephone, QStringLiteral("217-555-0101"));
    r.setText(Cell, QStringLiteral("217-555-0199"));
    r.setText(Title, QStringLiteral("Mr."));
    r.setText(FirstName, QStringLiteral("John"));
    r.setText(LastName, QStringLiteral("Smith"));
    r.setText(AcctType, CustomerFile::kIndividual);
    return r;
}

// "number|status|assignment|date|time|site name|site telephone|site cell"; missing parts blank, except the
// date ("0") and the time ("None").
inline Record slip(const QString &fields)
{
    using namespace SlipField;
    const QStringList f = fields.split(QLatin1Char('|'));
    Record r(serviceSlipLayout());
    r.setInt16(SlipNo, qint16(f[0].toInt()));
    r.setText(Status, f.value(1, QStringLiteral("Open")));
    r.setText(AssignedTo, f.value(2));
    r.setText(SchedDate, f.value(3).isEmpty() ? QStringLiteral("0") : f.value(3));
    r.setText(SchedTime, f.value(4).isEmpty() ? QStringLiteral("None") : f.value(4));
    r.setText(SiteName, f.value(5));
    r.setText(SiteTelephone, f.value(6));
    r.setText(SiteCell, f.value(7));
    return r;
}

inline QByteArray slips(const QStringList &list)
{
    QByteArray bytes;
    for (const QString &s : list)
        bytes += slip(s).bytes();
    return bytes;
}

// Pairs of slips "assignment|date|time" (an empty assignment: none) and whether they take the same slot of one
// technician, or only share time: the boundaries of the booking rule, for every part of the program that keeps it.
inline void bookingPairs()
{
    dataColumns<QString, QString, bool, bool>("first", "second", "sameSlot", "overlap");
    dataRow("same slot", "Bob|3/9/2026|08:00", "Bob|3/9/2026|08:00", true, false);
    dataRow("same day written another way", "Bob|3/9/2026|08:00-10:00", "Bob|03/09/2026|08:00-10:00", true, false);
    dataRow("hour inside a range", "Bob|3/9/2026|08:00-10:00", "Bob|3/9/2026|09:00", false, true);
    dataRow("ranges side by side", "Bob|3/9/2026|08:00-10:00", "Bob|3/9/2026|10:00-12:00", false, false);
    dataRow("other day", "Bob|3/9/2026|08:00", "Bob|3/10/2026|08:00", false, false);
    dataRow("another technician", "Bob|3/9/2026|08:00", "Ann|3/9/2026|08:00", false, false);
    dataRow("case counts", "Bob|3/9/2026|08:00", "bob|3/9/2026|08:00", false, false);
    dataRow("no date", "Ann|0|None", "Ann|0|None", false, false);
    dataRow("a date without a time", "Cy|3/9/2026|None", "Cy|3/9/2026|None", false, false);
    dataRow("no technician", "|3/9/2026|08:00", "|3/9/2026|08:00", false, false);
}

} // namespace SlipSamples
