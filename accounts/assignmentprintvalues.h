#pragma once

#include <QString>
#include <vector>

class Record;

// One assignment as the "Assignment Information" report prints it.
struct AssignmentReportEntry
{
    QString name;
    QString address1;
    QString city; // or address line 3
    QString state;
    QString postalCode; // or address line 4
    QString telephone;
};

// The entries of the stored assignment records, trimmed, for the "Assignment Information" report.
std::vector<AssignmentReportEntry> assignmentReportEntries(const std::vector<Record> &assignments);
