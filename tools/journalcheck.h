#pragma once

#include "tools/checkfinding.h"

#include <vector>

class DataFolder;

// The journals the program leaves behind when a write is cut short, read with the program's own readers.

// /PostingJournal.txt: an interrupted Write Records (what it holds, and that the next start finishes it), or a
// journal the program cannot read.
void checkPostingJournal(const DataFolder &folder, std::vector<CheckFinding> &findings);

// /CustomerData.jnl: an interrupted customer save (which record, and what the program will do with it).
void checkCustomerJournal(const DataFolder &folder, std::vector<CheckFinding> &findings);
