#pragma once

#include "core/recordlayout.h"
#include "dispatch/booking.h"

#include <QString>
#include <tuple>
#include <vector>

class DataFolder;

// The three slip files and what is read from them; SlipStore (dispatch/slipstore.h) is the one that writes them.
// A slip file with no records does not exist: a write that would leave one empty deletes it and its Backup copy,
// and every reader takes a missing file for one without slips.
namespace SlipFiles {
inline const QString kActive = QStringLiteral("/ServiceSlips.txt");
inline const QString kCompleted = QStringLiteral("/CompletedServiceSlips.txt");
inline const QString kFinalized = QStringLiteral("\\FinalizedServiceSlips.txt");
// What a save of the board is about to do, kept until it is done (see SlipStore::save).
inline const QString kBoardJournal = QStringLiteral("/ServiceSlips.jnl");
} // namespace SlipFiles

// The slips of /ServiceSlips.txt in file order (restored from /Backup when missing); none without the file.
std::vector<Record> LoadActiveSlips(const DataFolder &folder);

// A save of the board cut short between its two steps leaves a completed slip in both files: the completed
// file holds it as the board had it, the active file as it was before. Finds every slip of /ServiceSlips.txt
// that is also in /CompletedServiceSlips.txt (the same number, moment received and account, whatever its
// status): (record in /ServiceSlips.txt from 1, slip number). removeCompletedLeftOnBoard() (slipstore.h) takes
// them out.
std::vector<std::pair<int, int>> completedLeftOnBoard(const DataFolder &folder);

// The number of the last slip in /ServiceSlips.txt, the one stored last; 0 when there is none.
int lastActiveSlipNumber(const DataFolder &folder);

// A slip is known by its number, the moment it was received and its account: a number alone may come again after
// the counter was set back in the setup screen, and that is another job.
using SlipIdentity = std::tuple<qint16, double, QString>;
SlipIdentity slipIdentity(const Record &slip);
inline bool isSameSlip(const Record &a, const Record &b) { return slipIdentity(a) == slipIdentity(b); }

// The highest slip number in the three slip files; 0 when there is no slip.
int highestSlipNumber(const DataFolder &folder);

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
