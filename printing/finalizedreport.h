#pragma once

#include "printing/documentinputs.h"
#include "printing/printtarget.h"

#include <vector>

// One row of the finalized slips report: the completed-slips grid's columns 1 to 8.
struct FinalizedReportRow
{
    QString slipNo;
    QString date;
    QString acctNo;
    QString name;
    QString invoiceNo;
    QString payForm;
    QString amount;
    QString status;
};

// "Finalized Service Slips Report": landscape, every row on one line, a new page with the heading when the
// next row would reach the bottom margin.
void printFinalizedReportPages(PrintSurface &surface, const DocumentInputs &inputs,
                               const std::vector<FinalizedReportRow> &rows);
PrintAction finalizedReportAction(const DocumentInputs &inputs, const std::vector<FinalizedReportRow> &rows);
PrintOutcome PrintFinalizedReport(PrintTarget &target, const DocumentInputs &inputs,
                                  const std::vector<FinalizedReportRow> &rows);
