#pragma once

#include "core/recordlayout.h"
#include "core/verdict.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipstore.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class Clipboard;
class Clock;
class DataFolder;
class Settings;

// How a cell of the board's grid is coloured; the window turns these into colours.
enum class CellTone {
    Default,          // navy text on the grid's background
    Plain,            // navy on white: a scheduled slip's number and priority
    PastDue,          // red on blue: the slip number of a slip whose date has gone by
    Emergency,        // white on red: the priority of a scheduled emergency
    ChangedAssignment // dark green text: the assignment was changed on the board
};

// The proposed new values of the current slip, as the change frame shows them.
struct SlipChange
{
    QString assignment;
    QString date; // short date, or "0"
    QString time; // a time slot, or "None"
    QString status;
    QString priority;
    QDate picker; // the date picker's date
};

// The dispatch board without its window: a working copy of every active slip, which only "Save &Changes/Exit"
// writes, the loaded values of the five fields the board changes, the ticks, the current slip row, and every
// action of the board. The window shows this state, forwards clicks and puts the questions and messages of the
// verdicts the actions return (core/verdict.h); tests drive it directly.
//
// Rows count from 1 (row r shows record r of /ServiceSlips.txt), as the grid counts them. The working copy of
// a slip is its record: fields the board does not change keep their stored bytes, so a save writes back exactly
// what it did not change, however damaged.
class BoardState
{
public:
    static const QString kGridFormat;
    static constexpr int kColumns = 8;
    static const QString kNoSchedule;  // "Date/Time not Selected"
    static const QString kNoDateShown; // "No date Selected"

    struct Row
    {
        Record slip;
        QString loadedStatus;
        QString loadedAssignedTo;
        QString loadedSchedDate;
        QString loadedSchedTime;
        QString loadedPriority;
        bool ticked = false;
        bool assignmentChanged = false;
        // Derived from the working copy whenever it changes: the grid texts of columns 1 to 7 (index 0 unused)
        // and the scheduled date (invalid for "0" or text that is not a date).
        QStringList cells;
        QDate scheduled;
        bool damaged = false; // a value the board does not know, see damage()
        // The slip as /ServiceSlips.txt holds it: as loaded, or as a phone's change stored it since.
        Record stored{serviceSlipLayout()};
        // What a phone changed since the board loaded ("In Progress from Al's phone 10:42"); empty when nothing.
        QString fromPhone;
        // Completed from a phone: the slip has moved to /CompletedServiceSlips.txt. The row stays shown, as the
        // phone left it, but no save or delete of the board writes it again and no action of the board takes it.
        bool leftBoard = false;
        // The office answered No to the phone's change: the board's own change is the one a save writes.
        bool phoneOverruled = false;
    };

    BoardState(const DataFolder &folder, const Clock &clock, const Settings &settings);

    // --- Loading and what the grid shows -------------------------------------------------------------------
    // Reads /ServiceSlips.txt afresh: every change not saved is dropped, no row is ticked, no slip is current.
    void load();
    int count() const { return int(m_rows.size()); }
    const Row &row(int r) const { return m_rows[std::size_t(r - 1)]; }
    const Record &slip(int r) const { return row(r).slip; }
    std::vector<Record> records() const;

    QString cell(int r, int col) const;
    QStringList rowCells(int r) const;
    CellTone tone(int r, int col) const;
    bool isPastDue(int r) const;
    // The same for a day the caller read from the clock once, for all the rows it colours.
    CellTone tone(int r, int col, const QDate &today) const;
    bool isPastDue(int r, const QDate &today) const;
    bool anyPastDue() const;
    // What is wrong with a slip's values (unknown status, priority or time slot, unreadable date); empty when
    // nothing is. Such a slip is shown as stored.
    QStringList damage(int r) const;
    std::vector<int> damagedRows() const;

    // --- A change a technician's phone stored (phone/phonework.h) --------------------------------------------
    // The slip as it was and as it is now stored, and the phone that changed it ("Al's phone"; empty: the
    // technician's phone). The row is found by slip number, moment received and account. A row without changes
    // of the board's takes the stored slip as its loaded and working values, so that the board's save writes what
    // is stored. A row changed on the board and not saved asks first, naming both changes: Yes, the row takes
    // the stored slip; No, the board's change stays to be saved (or not) by the user. A completion cannot be
    // refused here (the slip has left the active file): the row leaves the board's writes (Row::leftBoard) and
    // the message names the board's changes dropped with it. A second slip "In Progress" of the technician on the
    // board, not saved, is told too.
    struct PhoneTaken : Verdict
    {
        int row = 0;        // the board's row of the slip; 0 when the board does not hold it
        QString statusLine; // "Slip 1004: In Progress from Al's phone 10:42"
    };
    PhoneTaken takePhoneChange(const Record &before, const Record &after, const QString &phone,
                               const Answers &answers = {});
    // Told after a save that wrote the board's change over a phone's change it was asked about and refused (the
    // slips as saved), so that the phone can say so.
    void setOnPhoneOverruled(std::function<void(const std::vector<Record> &)> told)
    {
        m_phoneOverruled = std::move(told);
    }
    // The changes of the board to row r not saved yet, as a question names them ("Suspended, no date"); empty
    // when the row is as stored.
    QString unsavedChange(int r) const;

    // --- Ticks and the current rows ------------------------------------------------------------------------
    // A click in the grid: only the SEL column of a slip row ticks or unticks. Returns true when a tick changed.
    bool tickCell(int r, int col);
    // On: every row the grid shows is ticked, the ticks of rows a filter hides stay as they are; off: every row
    // is unticked, shown or not.
    void selectAll(bool on);
    int countTicked() const { return m_ticked; }
    std::vector<int> tickedRows() const;
    int currentSlipRow() const { return m_currentSlip; }
    int gridCurrentRow() const { return m_gridCurrent; }
    void setGridCurrentRow(int r) { m_gridCurrent = (r >= 1 && r <= count()) ? r : 0; }
    bool canManage() const { return countTicked() == 1 && m_currentSlip > 0; }
    bool hasSelection() const { return countTicked() > 0; }

    // --- The rows the grid shows, in its order (dispatch/boardview.h arranges them) ------------------------
    // After a load every row shows in file order. Grid rows count from 1 like board rows; 0 is no row.
    void setShownRows(std::vector<int> rows);
    const std::vector<int> &shownRows() const { return m_shown; }
    int shownCount() const { return int(m_shown.size()); }
    int boardRow(int gridRow) const;
    int gridRow(int boardRow) const;
    // Ticked slips that the grid does not show, and the line a question about the ticked slips adds for them.
    int hiddenTicked() const;
    QString hiddenTickedNote() const;

    // --- Bulk actions (each asks its questions through its verdict, see core/verdict.h) ----------------------
    // "&Exit w/o Saving": done when the user confirmed leaving.
    Verdict confirmLeaveWithoutSaving(const Answers &answers = {}) const;
    // The window's close box: with changes not saved, Save (YES), else Discard or Cancel (a second question).
    // Done when the board may close.
    Verdict confirmClose(const Answers &answers = {});
    bool hasUnsavedChanges() const { return m_changed; }
    const DataFolder &folder() const { return m_folder; }
    // "Save &Changes/Exit": completed slips to /CompletedServiceSlips.txt, the rest to /ServiceSlips.txt, then
    // the board reloads. Refused (with the reason, the board as it was) when the files could not be written.
    // Every save below goes through SlipStore::save: a slip stored from a phone (or another window) since the
    // board read it keeps that change, a slip that left the active file is not written back, and the board's
    // changes not kept for that are told.
    Verdict saveAll();
    // The working copy into /ServiceSlips.txt as it stands, completed slips included (they leave with the board's
    // own save), then the board reloads. For the calendar opened without the board, whose only changes are moves.
    Verdict saveInPlace();
    // "&Delete All ": done when the board's slips were deleted (slips stored since the board read them stay).
    Verdict deleteAll(const Answers &answers = {});
    // "Delete Selecte&d ": the ticked rows are dropped and the others written with their changes. Done when
    // something was written.
    Verdict deleteSelected(const Answers &answers = {});
    // "Complete &All" and "C&omplete Selected": one question naming the slips that cannot be completed or are
    // changed on completing (no date, not assigned, a future date moved to today, not In Progress); done when the
    // user went ahead.
    Verdict completeAll(const Answers &answers = {});
    Verdict completeSelected(const Answers &answers = {});

    // --- The current slip ----------------------------------------------------------------------------------
    // "&Manage/Alter Selected Service Slip" and "Clear/Redo": the new values from the current slip's working
    // values, the picker at its date (today without one). False when no slip is current.
    bool openSlip();
    const SlipChange &change() const { return m_change; }
    // The status list's choice under the status rules; refused with the reason (the list shows change().status).
    Verdict chooseStatus(const QString &status);
    void choosePriority(const QString &priority) { m_change.priority = priority; }
    void chooseAssignment(const QString &name) { m_change.assignment = name; }
    void chooseTime(const QString &time) { m_change.time = time; }
    // A date picked by the user: not before today, moved to the next working day of the work week (with the
    // two messages that say so).
    Verdict pickDate(const QDate &date);
    void setPicker(const QDate &date) { m_change.picker = date; }
    // "Make Changes - Re-assign - Change Status": the entry of the assignment list to select, or -1 (refused,
    // with the message) when none matches the slip.
    struct ListChoice : Verdict
    {
        int index = -1;
    };
    ListChoice assignmentListIndex(const QStringList &list) const;
    // "Verify and Accept Changes - Close Window" with the contents box's text. Done when the changes went into
    // the working copy; Redo when the slip's values were put back in the frame; refused otherwise (a booked
    // slot leaves the date and clears the time).
    Verdict verifyAndAccept(const QString &contents, const Answers &answers = {});
    // What the status rule (dispatch/statusrules.h) and the board's booking say about giving slip r the
    // assignment, date, time and status of `change`, as "Verify and Accept Changes - Close Window" tests them,
    // without showing or asking anything. With `testSlot` the slot is tested on the working copy (changes not saved
    // included), the slip itself passed over: refused and `booked` for a double booking, Ask (the overlap question)
    // for a slot that shares time with another slip's.
    struct Ruling : Verdict
    {
        bool booked = false;
    };
    Ruling ruleOnChange(int r, const SlipChange &change, bool testSlot) const;
    // Gives slip r a new assignment, day, time and status as an accepted change does, without a message: the day
    // is written as the board writes dates, and the row's scheduled date is the day handed over.
    void reschedule(int r, const QString &assignment, const QDate &date, const QString &time, const QString &status);
    // The same with the date as stored text, kept byte for byte (a move taken back).
    void reschedule(int r, const QString &assignment, const QString &date, const QString &time, const QString &status);
    // Taking back changes in the order they were made: whether the working copy differs from the loaded slips
    // is again what it was before the change now taken back.
    void restoreChangedMark(bool changed) { m_changed = changed; }
    // "Restore Original Slip Data": the loaded values back into the current slip's working copy.
    void restoreSlip();
    // "Save Data/Close Window": the contents box's text as the current slip's service required.
    // A text longer than the field is refused with the reason, never cut.
    Verdict saveContents(const QString &contents);
    // The counter under the contents box ("37 of 200 characters") and whether the text is over the field's length.
    static QString contentsLength(const QString &contents, bool *tooLong = nullptr);
    // The contents as the box shows them (line breaks as "\n").
    QString contentsForBox() const;
    // "Create Txt Msg": the slip summary for a text message, from the working values and the given contents.
    QString textMessage(const QString &contents) const;
    Verdict copyTextMessage(Clipboard &clipboard, const QString &contents);

    // Printing: the paper instruction before the invoices of the ticked rows are printed.
    QString invoicePaperInstruction() const;

    // The texts the slip frame shows for the current slip.
    QString scheduledForText() const;

    const QString &title() const { return m_title; }

private:
    Row &mutableRow(int r) { return m_rows[std::size_t(r - 1)]; }
    void setField(int r, int field, const QString &value);
    void derive(Row &row) const;
    bool isSignedOut(int r, const QString &assignment) const;
    Verdict applyChanges(const QString &contents);
    // Complete All (every row) and Complete Selected (the ticked rows, with their stricter rules): one question
    // names every slip that is not completed as it stands.
    Verdict completeRows(const std::vector<int> &rows, bool selected, const Answers &answers);
    // The row of another slip than r of the change's assignment on its day at the same slot, or (overlapping) at a
    // slot sharing time; 0 when there is none.
    int slotHolder(int r, const SlipChange &change, bool overlapping) const;
    // The three questions before a deletion: nothing once all are answered Yes.
    static std::optional<Verdict> deleteQuestions(const QString &first, const QString &title, const Answers &answers);
    // The slips of the board (the ticked ones only, or all) that maintenance agreements made, with the agreement.
    std::vector<std::pair<qint16, qint32>> agreementVisits(bool tickedOnly) const;
    static std::optional<Verdict> visitsQuestion(const std::vector<std::pair<qint16, qint32>> &visits,
                                                 const Answers &answers);
    Verdict visitsDeleted(const std::vector<std::pair<qint16, qint32>> &visits, const Answers &answers);
    Verdict refused(const QString &text) const { return Verdict::refused(text, m_title); }
    // The rows a save hands to SlipStore: every row a phone has not completed, as loaded and as changed here;
    // dropped when ticked (`dropTicked`) or all (`dropAll`).
    std::vector<SlipStore::Held> heldRows(bool dropTicked, bool dropAll) const;
    // Stores the rows through SlipStore and reloads; refused (the board as it was) when the files could not be
    // written. The changes of the board's that were not kept, as a slip was changed elsewhere since, are told.
    Verdict store(const std::vector<SlipStore::Held> &rows, SlipStore::Completed completed);
    int findSlip(const Record &slip) const;
    void takeStored(int r, const Record &stored, bool working);
    bool alarm() const;
    QString today() const;

    std::function<void(const std::vector<Record> &)> m_phoneOverruled;
    const DataFolder &m_folder;
    const Clock &m_clock;
    const Settings &m_settings;
    QString m_title;
    std::vector<Row> m_rows;
    int m_ticked = 0;
    int m_currentSlip = 0;
    int m_gridCurrent = 0;
    SlipChange m_change;
    bool m_changed = false;       // a slip of the working copy differs from the loaded one
    std::vector<int> m_shown;     // board rows in grid order
    std::vector<int> m_gridRowOf; // by board row - 1: its grid row, 0 when hidden
};
