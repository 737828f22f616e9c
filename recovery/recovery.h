#pragma once

#include "core/tornrecords.h"
#include "core/verdict.h"

#include <optional>
#include <vector>

class Clock;
class DataFolder;
class Settings;
class SlipCounter;

// What a start repairs before any window opens, in one order: the program's start and every crash test run the
// same steps. The repairs decide and write; they show nothing. The report says what to tell the user, in the
// order the repairs ran, and asks one question at the end: whether to complete the files that end in part of a
// record with nothing to explain it.
namespace Recovery {

struct Report
{
    std::vector<Notice> notices;         // what was repaired or could not be, in the order the repairs ran
    std::vector<TornRecords::Torn> torn; // files still ending in part of a record, in the list's order
    // The question to put about the torn files, after the notices (Yes: completeTorn()); nothing when none is.
    std::optional<Notice> question;
};

// In this order: appends a kill cut short are cut back, then an interrupted save of the board is completed from
// its journal (both before any file is read); temporaries of cut-off writes go; a customer saved as the program
// was cut off is put into place; an interrupted Write Records is finished; an assignment's rename is completed;
// a completed slip left on the board by a save cut between its two steps is taken off it; the slip counter is
// loaded and moved past the slips in use (so that the agreements' visits whose slip was never written can be
// told apart); those visits are dropped; e-mails whose send was cut off are marked "sent? unknown"; the settings are read (the invoice counter with them), and the invoice
// counter is moved past the numbers in use. Last the torn files are found, after every repair that rewrites a
// file. A step that meets a disk error says so and the next step runs.
Report run(const DataFolder &folder, SlipCounter &counter, Settings &settings, const Clock &clock);

// Completes the last record of each torn file (the answer Yes): one line per file, what was added or why not.
Notice completeTorn(const DataFolder &folder, const std::vector<TornRecords::Torn> &torn);

} // namespace Recovery
