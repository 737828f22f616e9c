#pragma once

#include "tools/checkfinding.h"

#include <vector>

class DataFolder;

// The maintenance agreements and their visits: files that are not whole records, values the program reads as
// their defaults (an interval, weekday, slot or date it cannot use), accounts that are no customer's, technicians
// and services the assignments and the catalogue no longer hold, slip texts too long for a slip; visits of no
// agreement, visits whose slip is in no slip file, and no visit twice (two slips of one agreement's visit, one
// slip for two visits). The folder is only read.
void checkAgreements(const DataFolder &folder, std::vector<CheckFinding> &findings);
