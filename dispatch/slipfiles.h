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
// both files are written. A save that fails (a full disk) takes back what it added to the completed file before
// it throws, so that its message ("What was stored before is unchanged") holds; only when even that fails does
// the journal stay, the message says what the files hold, and settleFailedBoardSave() takes the save back
// before the next write. The rows are the whole board: a failed save left by an earlier try is taken back first.
void SaveActiveSlips(const DataFolder &folder, std::span<const Record> rows);
// The same save with the rows already parted: `completed` go behind the completed slips, `active` replace
// /ServiceSlips.txt whatever their status (a slip completed by a phone leaves alone; the others stay as stored).
void SaveSlipFiles(const DataFolder &folder, std::span<const Record> active, std::span<const Record> completed);

// A failed save of the board whose journal stayed in this session (see SaveActiveSlips). Before anything else
// writes to the slip files, and when the program ends, it is settled: when /ServiceSlips.txt already holds the
// board the save had written, it is complete and only the journal goes; otherwise the completed slips it added
// are cut off /CompletedServiceSlips.txt again, so that both files are as before the save (the user was told it
// failed). A damaged journal, or one the completed file no longer fits, goes and changes nothing. Throws
// DiskError (the journal stays) when the completed file cannot be cut back.
enum class BoardSaveSettled { Nothing, Completed, TakenBack };
BoardSaveSettled settleFailedBoardSave(const DataFolder &folder);

// A save of the board interrupted by a kill or a power cut: completes it from the board journal (the completed
// file cut back to its noted length and the slips appended, the active file replaced) and removes the journal.
// A journal whose digest does not match, or that no longer fits the completed file, is removed unused. True
// when a save was completed. Run at start, after DataFolder::finishInterruptedAppends() and before the slips
// are read.
bool finishInterruptedBoardSave(const DataFolder &folder);

// A save of the board cut short between its two steps leaves a completed slip in both files: the completed
// file holds it as the board had it, the active file as it was before. Removes from /ServiceSlips.txt every
// slip that is also in /CompletedServiceSlips.txt (the same number, moment received and account, whatever
// its status); returns the numbers removed (none when nothing was left behind, and then nothing is written).
std::vector<int> removeCompletedLeftOnBoard(const DataFolder &folder);
// The same pairs, only found: (record in /ServiceSlips.txt from 1, slip number).
std::vector<std::pair<int, int>> completedLeftOnBoard(const DataFolder &folder);

// The number of the last slip in /ServiceSlips.txt, the one stored last; 0 when there is none.
int lastActiveSlipNumber(const DataFolder &folder);

// The highest slip number in the three slip files; 0 when there is no slip.
int highestSlipNumber(const DataFolder &folder);

// The writers below settle a failed save of the board first (settleFailedBoardSave).

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
