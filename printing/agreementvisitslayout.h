#pragma once

#include "core/money.h"
#include "printing/documentinputs.h"
#include "printing/printtarget.h"

#include <QDate>
#include <vector>

// The visits the maintenance agreements bring in the coming weeks: a section per week with a line per visit
// (day, time, account, customer, services, technician, price), the week's total under it and the total of all
// weeks at the end. The totals are the sums of the amounts printed above them.

struct AgreementVisitLine
{
    QDate date;
    QString time;
    QString account;
    QString customer;
    QString services;
    QString technician;
    Money price;       // in cents
    bool made = false; // its slip was made already: marked "*"
};

struct AgreementVisitWeek
{
    QDate first; // the Monday
    std::vector<AgreementVisitLine> visits;
};

void printAgreementVisitPages(PrintSurface &surface, const DocumentInputs &inputs,
                              const std::vector<AgreementVisitWeek> &weeks);
PrintAction agreementVisitsAction(const DocumentInputs &inputs, const std::vector<AgreementVisitWeek> &weeks);
