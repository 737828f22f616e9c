#pragma once

#include "core/datafolder.h"
#include "core/recordlayout.h"
#include "dispatch/slipfiles.h"

#include <QByteArray>
#include <optional>
#include <set>
#include <span>
#include <vector>


// The one writer of the three slip files (/ServiceSlips.txt, /CompletedServiceSlips.txt,
// \FinalizedServiceSlips.txt) and of the board's journal (/ServiceSlips.jnl). Every window and every other writer
// (a phone, the agreements' run, slip creation, an assignment's rename, finalize, posting, the data tool) stores
// slips through it, so that two rules hold for all of them:
//  - a failed save of the board left in this session is settled before anything else is written;
//  - a window's rows never put back an older slip than the one stored since the window read it: what a phone (or
//    another window) stored in the meantime stands, and a slip that has left the active file is not written back.
//
// A slip is known by its number, the moment it was received and its account.
class SlipStore
{
public:
    explicit SlipStore(const DataFolder &folder)
        : m_folder(folder)
    {}

    // A slip as a window holds it: as it was stored when the window read it (or when it was last told of a change
    // stored since), and as the window has it now. `drop` takes the slip out of the active file.
    struct Held
    {
        Record loaded;
        Record mine;
        bool drop = false;
    };
    // A change of the window's that was not stored: the slip was changed by another writer since the window read
    // it (`stored` is what stands), or it left the active file (`stored` empty).
    struct NotKept
    {
        Record loaded;
        Record mine;
        std::optional<Record> stored;
    };
    // Where the slips marked Complete go: to the completed file (the board's save, a phone), or they stay in the
    // active file as any other (the calendar without the board, an assignment's rename).
    enum class Completed { Move, Stay };

    // Stores a window's slips into the active file as it is now, in its order. For each held slip: unchanged by
    // the window, the stored slip stays as it is; unchanged since the window read it, the window's slip is
    // written; changed by both, the stored slip stands whole and the window's change is returned as not kept
    // (a field-by-field mix could join a phone's status to a date the status rule would refuse with it). A held
    // slip no longer in the active file is not written back; slips stored since that the window never held stay.
    // With Completed::Move the slips marked Complete leave for the completed file, all or none (see the journal
    // in slipstore.cpp); a save that fails takes back what it added before it throws DiskError.
    std::vector<NotKept> save(std::span<const Held> held, Completed completed = Completed::Move) const;
    // The rows are the whole board, stored as they are: the slips marked Complete go behind the completed slips,
    // the others replace /ServiceSlips.txt in their order, all or none, with save()'s journal. For the data tool
    // and for writers that read the file themselves just before; a window that read the slips earlier uses save().
    void saveWhole(std::span<const Record> rows) const;

    // Adds slips behind the last record of /ServiceSlips.txt (created when there is none), all or none.
    void append(std::span<const Record> slips) const;
    void append(const Record &slip) const { append(std::span<const Record>(&slip, 1)); }

    // Takes records out of /CompletedServiceSlips.txt: by record number (from 1), or each given record once (the
    // bytes as read, for a posting run: see writeFinalizedAt). Nothing is written when none of them is there; no
    // slip left deletes the file.
    void removeCompleted(const std::set<int> &recordNumbers) const;
    void removeCompleted(const std::vector<QByteArray> &records) const;

    // Adds slips behind the last record of \FinalizedServiceSlips.txt, all or none.
    void appendFinalized(std::span<const Record> slips) const;
    // Writes finalized records at a byte offset of \FinalizedServiceSlips.txt, not flushed: for a posting run that
    // keeps its own journal and flushes every file it wrote at once. It settles nothing: the run settled before it
    // wrote its journal, and finishing a run at start comes after the board's own journal is finished.
    void writeFinalizedAt(qint64 offset, const QByteArray &records) const;

    // Replaces a slip file (one of SlipFiles' three) whole with these records; no records deletes it and its
    // Backup copy. For the start's repairs and the sample generator.
    void replaceFile(const QString &file, const std::vector<Record> &records) const;
    // The data tool's `write`: the bytes as given (its --force may put other records in), crash-safe.
    void writeAsGiven(const QString &file, const QByteArray &bytes, DataFolder::Flush flush) const;
    // The slip file (SlipFiles::kActive, kCompleted, kFinalized) of this file name, whatever its letter case;
    // empty when the name is none of them.
    static QString slipFileNamed(const QString &fileName);

    // A failed save of the board whose journal stayed in this session: when /ServiceSlips.txt already holds the
    // board the save had written, it is complete and only the journal goes; otherwise the completed slips it added
    // are cut off /CompletedServiceSlips.txt again, so that both files are as before the save (the user was told it
    // failed). A damaged journal, or one the completed file no longer fits, goes and changes nothing. Every writer
    // above does this first; the program does it when it ends. Throws DiskError (the journal stays) when the
    // completed file cannot be cut back.
    enum class Settled { Nothing, Completed, TakenBack };
    Settled settle() const;

private:
    void writeBoth(const std::vector<Record> &active, const std::vector<Record> &completed) const;

    const DataFolder &m_folder;
};

// Start-time repairs of the slip files (run before the slips are read):

// A save of the board interrupted by a kill or a power cut: completes it from the board journal (the completed
// file cut back to its noted length and the slips appended, the active file replaced) and removes the journal.
// A journal whose digest does not match, or that no longer fits the completed file, is removed unused. True
// when a save was completed. Run at start, after DataFolder::finishInterruptedAppends() and before the slips
// are read.
bool finishInterruptedBoardSave(const DataFolder &folder);

// A save of the board cut short between its two steps leaves a completed slip in both files (see
// completedLeftOnBoard): removes from /ServiceSlips.txt every slip that is also in /CompletedServiceSlips.txt;
// returns the numbers removed (none when nothing was left behind, and then nothing is written).
std::vector<int> removeCompletedLeftOnBoard(const DataFolder &folder);
