#pragma once

#include "core/recordlayout.h"
#include "dispatch/booking.h"

#include <QString>
#include <span>
#include <vector>

class DataFolder;

// The three slip files. A slip file with no records does not exist: every writer that would leave one empty
// deletes it and its Backup copy, and every reader takes a missing file for one without slips.
namespace SlipFiles {
inline const QString kActive = QStringLiteral("/ServiceSlips.txt");
inline const QString kCompleted = QStringLiteral("/CompletedServiceSlips.txt");
inline const QString kFinalized = QStringLiteral("\\FinalizedServiceSlips.txt");
// What a save of the board is about to do, kept until it is done (see SaveActiveSlips).
inline const QString kBoardJournal = QStringLiteral("/ServiceSlips.jnl");
} // namespace SlipFiles

// A row of the dispatch board: its slip and whether the user marked it.
struct MarkedSlip
{
    Record slip;
    bool marked = false;
};

// The slips of /ServiceSlips.txt in file order (restored from /Backup when missing); none without the file.
std::vector<Record> LoadActiveSlips(const DataFolder &folder);

// Stores the board: the rows whose status is "Complete" are appended behind the slips already waiting in
// /CompletedServiceSlips.txt, the others replace /ServiceSlips.txt in board order. The save takes effect
// whole or not at all: when slips are completed, the length of the completed file and both files' new records
// are first written to the board journal (/ServiceSlips.jnl, crash-safe, with a digest); the journal goes when
// both files are written. A save that fails on a full disk cuts the completed file back and keeps the journal
// only when the active file could not be rewritten (then the next start completes it).
void SaveActiveSlips(const DataFolder &folder, std::span<const Record> rows);

// A save of the board interrupted by a kill or a power cut: completes it from the board journal (the completed
// file cut back to its noted length and the slips appended, the active file replaced) and removes the journal.
// A journal whose digest does not match, or that no longer fits the completed file, is removed unused. True
// when a save was completed. Run at start, after DataFolder::finishInterruptedAppends() and before the slips
// are read.
bool FinishInterruptedBoardSave(const DataFolder &folder);

// A save of the board cut short between its two steps leaves a completed slip in both files: the completed
// file holds it as the board had it, the active file as it was before. Removes from /ServiceSlips.txt every
// slip that is also in /CompletedServiceSlips.txt (the same number, moment received and account, whatever
// its status); returns the numbers removed (none when nothing was left behind, and then nothing is written).
std::vector<int> RemoveCompletedLeftOnBoard(const DataFolder &folder);
// The same pairs, only found: (record in /ServiceSlips.txt from 1, slip number).
std::vector<std::pair<int, int>> CompletedLeftOnBoard(const DataFolder &folder);

// The number of the last slip in /ServiceSlips.txt, the one stored last; 0 when there is none.
int LastActiveSlipNumber(const DataFolder &folder);

// The highest slip number in the three slip files; 0 when there is no slip.
int HighestSlipNumber(const DataFolder &folder);

// Replaces /ServiceSlips.txt with the unmarked rows, whatever their status.
void RewriteActiveSlips(const DataFolder &folder, std::span<const MarkedSlip> rows);

// Deletes /ServiceSlips.txt and its Backup copy.
void DeleteActiveSlips(const DataFolder &folder);

// Adds the slip behind the last record of /ServiceSlips.txt, creating the file when there is none.
void AppendSlip(const DataFolder &folder, const Record &slip);

// True when a stored slip other than record `skip` (from 1; 0 skips none) takes the slot of a slip with this
// assignment, date and time (see takeSameSlot; the assignment and time as given, untrimmed, against the trimmed
// fields). An unscheduled slip or one without an assignment books nothing, so any number of them may share a
// day. Only what is stored counts; without /ServiceSlips.txt nothing is booked.
bool IsSlotBooked(const DataFolder &folder, const QString &assignment, const QString &date, const QString &time,
                  int skip = 0);
// The same test on the active slips already read, so that one read serves several tests.
class RecordScan;
bool IsSlotBooked(const RecordScan &slips, const QString &assignment, const QString &date, const QString &time,
                  int skip = 0);
