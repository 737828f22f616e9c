#pragma once

#include "tools/checkfinding.h"

#include <QStringList>
#include <vector>

class Clock;
class DataFolder;

// The customers' auxiliary data as the customer screen reads and writes it.

// /AuxHeadings.txt: six lines, one heading each.
void checkAuxHeadings(const DataFolder &folder, std::vector<CheckFinding> &findings);

// /AuxFiles: one folder per account (named by its account number) holding AuxFile0 to AuxFile5, each with the
// box's Data.txt. Reports what makes the program fail there (a file where it keeps a folder, a folder where
// it keeps a file), boxes with text whose account no longer exists, folders whose names differ only in letter
// case, temporary files of an interrupted save, and a stamp in VarnelDispatchDuzudu/AuxFolders.checked that
// keeps the start from making missing AuxFile folders again.
// A stamp is later than now by the clock.
void checkAuxFiles(const DataFolder &folder, const Clock &clock, const QStringList &accountNumbers,
                   std::vector<CheckFinding> &findings);
