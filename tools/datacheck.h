#pragma once

#include "tools/checkfinding.h"

#include <QString>
#include <vector>

class Clock;
class DataFolder;

// Looks through the data folder for what the program would stumble over or silently misread: record files
// whose length is not a whole number of records, dates and amounts kept as text that do not parse, unknown
// statuses, priorities and time slots, slip numbers at or above the slip counter or used twice, blank or
// duplicate account numbers, account files without a customer, double-booked assignments, a missing
// /MyBusinessData.txt or /SlipNo.txt, temporary files and journals that interrupted writes left behind, and
// auxiliary customer data in a shape the customer screen cannot use; and the books across the posting files
// (tools/ledgercheck.h). The folder is only read: no file is
// restored from /Backup. What depends on the date (what is owed, a stamp later than now) is read by the clock.
std::vector<CheckFinding> checkDataFolder(const DataFolder &folder, const Clock &clock);
