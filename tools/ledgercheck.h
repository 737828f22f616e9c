#pragma once

#include "tools/checkfinding.h"

#include <vector>

class Clock;
class DataFolder;

// The books across the posting files: every invoice of the invoice journal has parts (pre-tax, taxes, other)
// that add to its total, its taxes in the tax file, its line in the history and its charge in the account's
// balance file, all of one amount; each invoice number is used once in the journal and in the history; no
// amount or tax is below zero; and each balance file that holds only this program's entries shows what Who
// Still Owes shows: its invoices less the payments of the payment file. The folder is only read; books that a
// waiting Write Records or an interrupted append leave half-written are judged once the program has finished them.
// Who Still Owes is read as of the clock's today.
void checkLedger(const DataFolder &folder, const Clock &clock, std::vector<CheckFinding> &findings);
