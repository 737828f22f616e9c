#pragma once

#include "printing/assignmentreport.h"

#include <vector>

class Record;

// The entries of the stored assignment records, trimmed, for the "Assignment Information" report.
std::vector<AssignmentReportEntry> assignmentReportEntries(const std::vector<Record> &assignments);
