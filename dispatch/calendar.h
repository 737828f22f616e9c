#pragma once

#include "core/settings.h"
#include "core/verdict.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class BoardState;
class Clock;
class DataFolder;
class RecordScan;

// The technicians' calendar without its window: the slips of the board placed on the hours of the work day,
// either the week of one technician (a column per working day) or one day of every technician (a column per
// technician); the clashes, the free hours, and moving a slip under the board's own rules.
namespace Calendar {

// The rows of a day: the hours the time list offers, "08:00" to "05:00" (there is no slot at noon).
const QStringList &hourRows();
inline int hourCount()
{
    return int(hourRows().size());
}
// The rows a time slot covers, first and last; a two-hour slot covers two rows. Nothing for "None" or a text that
// is no slot.
struct RowSpan
{
    int first = 0;
    int last = 0;
};
std::optional<RowSpan> slotRows(const QString &slot);
bool isTwoHours(const QString &slot);
// The slot a slip at `slot` takes when it is put on `row`: the hour of the row for a one-hour slip, the two-hour
// slot that holds the row for a two-hour one. Nothing where no such slot is (a two-hour slip at 05:00).
std::optional<QString> slotAt(const QString &slot, int row);
// The slot before or after `slot` of its own kind (hours or two-hour slots); nothing at the day's ends.
std::optional<QString> neighbourSlot(const QString &slot, int step);

bool isWorkday(WorkWeek week, const QDate &date);
// The working days of the week that holds `date`; a week starts on Sunday when the business works Sundays,
// else on Monday.
std::vector<QDate> workWeekDays(WorkWeek week, const QDate &date);

// True when a slip at `slot` clashes with none of the slots already booked that day.
bool slotFree(const QStringList &booked, const QString &slot);

// True when the slot on `day` has begun by `now` (an hour that has begun today is past); days before now's are
// past whole.
bool slotBegun(const QString &slot, const QDate &day, const QDateTime &now);

// The earliest slot of a technician with nothing booked at it or overlapping it, from a day on, working days
// only, never one that has begun by `now`: a two-hour slot when `twoHours`, else an hour.
struct FreeSlot
{
    QDate date;
    QString time;
};
std::optional<FreeSlot> nextFreeSlot(const RecordScan &slips, const QString &technician, const QDate &from,
                                     WorkWeek week, bool twoHours, const QDateTime &now, int days = 366);
std::optional<FreeSlot> nextFreeSlot(const DataFolder &folder, const QString &technician, const QDate &from,
                                     WorkWeek week, bool twoHours, const QDateTime &now, int days = 366);

// The calendar on a board state: the board's working copy is what it shows and what a move changes, so a move
// is the same change that "&Manage/Alter Selected Service Slip" makes, and the board's save keeps it.
class Model
{
public:
    enum class View { Week, Day };
    // Opened on the board's own working copy, the calendar leaves its moves there for the board's save or
    // discard to decide; opened on slips of its own, it saves them itself.
    enum class Saving { ByTheBoard, Itself };

    // One slip on the calendar.
    struct Block
    {
        int row = 0;    // the board's row
        int column = 0; // the day (week) or the technician (day)
        RowSpan rows;
        int lane = 0;  // side by side with the slips it clashes with
        int lanes = 1; // how many lanes its group of clashing slips takes
        bool clash = false;
        qint16 slipNo = 0;
        QString time;
        QString customer;
        QString city;
        QString service; // the first line of the service required
        QString status;
        QString priority;
        QString fromPhone; // what a phone changed since the board loaded (BoardState::Row::fromPhone)
        QString origin; // a slip made by a maintenance agreement: "From agreement 12: Furnace tune-up"
    };

    Model(BoardState &board, const Settings &settings, const Clock &clock, Saving saving = Saving::Itself);
    Saving saving() const { return m_saving; }

    // The week of one technician that holds `date`.
    void showWeek(const QString &technician, const QDate &date);
    // One day of every technician named (in that order).
    void showDay(const QDate &date, const QStringList &technicians);
    // Places the slips again from the board (after the board changed).
    void refresh();

    View view() const { return m_view; }
    QDate date() const { return m_date; }
    const QString &technician() const { return m_technician; }
    int columnCount() const;
    QDate columnDate(int column) const;
    QString columnTechnician(int column) const;
    QString columnTitle(int column) const;
    // False for a day the business does not work or that has gone by: nothing moves there.
    bool columnOpen(int column) const;

    const std::vector<Block> &blocks() const { return m_blocks; }
    // The blocks of a column, as indexes into blocks().
    const std::vector<int> &columnBlocks(int column) const;
    const Block *blockOfRow(int row) const;
    int blockAt(int column, int hourRow) const; // index into blocks(), -1 when the cell is empty
    int clashCount() const { return m_clashes; }
    // A cell of an open column whose hour has not begun: a slip may be moved there.
    bool hourOpen(int column, int hourRow) const;
    // An open hour that no slip covers.
    bool isFree(int column, int hourRow) const;
    // The column of a technician in the day view; -1 when he has none.
    int technicianColumn(const QString &technician) const;
    // The board rows of the slips that are shown nowhere on the grid: the technician's slips without a date or a
    // time in the week view, the slips of the day that no technician has in the day view.
    const std::vector<int> &unplaced() const { return m_unplaced; }
    QString describe(int row) const; // "1234 Customer (City) 08:00" for lists and messages

    // Moves the slip of board row `row` to the cell: the date and technician of the column, the slot of the row.
    // Done when the slip moved (or was put back where it was), refused with the reason, or a question to answer
    // first (a slip In Progress or Complete, a slot that overlaps another slip's).
    Verdict move(int row, int column, int hourRow, const Answers &answers = {});
    // Moves the slip of `row` to another day, perhaps of another week, for its technician (the week's technician
    // for a slip without one): at its own slot when that is free there, else at the first free slot of its kind.
    Verdict moveToDay(int row, const QDate &day, const Answers &answers = {});
    // Where the slip of `row` would go with a step of its slot (up/down) or of its column (left/right).
    struct Cell
    {
        int column = -1;
        int hourRow = -1;
    };
    Cell cellOf(int row) const;
    std::optional<Cell> stepped(const Cell &from, const QString &slot, int columns, int steps) const;

    // The slip of `row` took a phone's change (BoardState::takePhoneChange). Its moves are no longer taken back
    // to where they started, which would undo the phone's change: when the board's change was kept, taking it
    // back puts the slip where the phone left it; otherwise there is nothing left to take back.
    void phoneChanged(int row);
    bool canUndo() const { return !m_undo.empty(); }
    int movesNotSaved() const { return int(m_undo.size()); }
    // Takes back the last move; false when there is none.
    bool undo();
    // Takes back every move since the last save: the board is then as it was before the first.
    void undoAll();
    // The slips moved and not saved, where they are now ("Slip 1000 to Al 12/9/2026 11:00"), each once.
    QStringList movedSlips() const;
    // Saving the calendar's own slips: the moves into /ServiceSlips.txt; refused when it could not be written,
    // and never on the board's state, which the board saves.
    Verdict save();
    // Closing the calendar. On the board's state the moves stay on the board: done at once. On its own slips,
    // with moves not saved, a question naming each: Save (YES), else Discard or Cancel (a second question). Done
    // when it may close.
    Verdict confirmClose(const Answers &answers = {});

private:
    void place();
    void laneColumn(int column);
    // The move of slip `row` to the technician's slot of a day under the board's rules.
    Verdict moveTo(int row, const QString &technician, const QDate &day, const QString &time, const Answers &answers);
    // The other slips of the technician that day whose slots clash with `time`, as "slip 1001 (Site) at 10:00".
    QStringList clashing(int row, const QString &technician, const QDate &day, const QString &time) const;

    struct Undo
    {
        int row;
        QString assignment;
        QString date;
        QString time;
        QString status;
        bool boardChanged; // whether the board had changes before this move
    };

    BoardState &m_board;
    Saving m_saving;
    const Settings &m_settings;
    const Clock &m_clock;
    View m_view = View::Week;
    QDate m_date;
    QString m_technician;
    std::vector<QDate> m_days;
    QStringList m_technicians;
    std::vector<Block> m_blocks;
    std::vector<std::vector<int>> m_byColumn;
    std::vector<int> m_unplaced;
    int m_clashes = 0;
    QHash<qint16, QString> m_origins; // the slips made by maintenance agreements
    std::vector<Undo> m_undo;
};

} // namespace Calendar
