#pragma once

#include "printing/documentinputs.h"

// The business and the slip the printing tests print.
inline DocumentInputs samplePrintInputs()
{
    DocumentInputs in;
    in.business = {"Acme Repair", "12 Main St", "", "Springfield", "IL", "62701", "555-123-4567", "", ""};
    in.today = QDate(2026, 1, 15);
    in.currentItems = QStringList{"Filter", "Belt"};
    return in;
}

inline SlipPrintValues sampleSlip(const QString &number, const QString &status, const QString &contents)
{
    SlipPrintValues s;
    s.slipNo = number;
    s.status = status;
    s.acctNo = "A" + number;
    s.name = "Jane Doe";
    s.address1 = "1 Elm St";
    s.city = "Springfield";
    s.state = "IL";
    s.postalCode = "62701";
    s.schedDate = "0";
    s.schedTime = "None";
    s.serviceRequired = contents;
    return s;
}
