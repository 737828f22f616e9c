#pragma once

#include "core/recordlayout.h"
#include "dispatch/calendar.h"
#include "gui/widgets/programwindow.h"
#include "phone/phonework.h"

#include <QAbstractScrollArea>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

class BoardState;
class Clock;
class DataFolder;
class Messages;
class QCheckBox;
class QComboBox;
class DateBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;

// The calendar grid, painted: a heading row of days or technicians, the hours down the side, each slip a block
// over the rows of its slot. Painted rather than built of items so that a day of several hundred technicians
// costs only the columns in sight. A block is dragged to another cell with the mouse, or moved from the keyboard:
// the arrow keys move the cursor (and select the slip under it), Ctrl+arrows move the selected slip's outline
// by a slot or a column, Enter keeps the place, Esc drops it.
class CalendarView final : public QAbstractScrollArea
{
    Q_OBJECT
public:
    // What a slip dragged from the list carries: its board row.
    static inline const QString kSlipRowMime = QStringLiteral("application/x-vd-slip-row");
    // Before the customer of a slip that a maintenance agreement made.
    static inline const QString kAgreementMark = QStringLiteral("\u21BB");

    explicit CalendarView(Calendar::Model &model, QWidget *parent = nullptr);

    // The model's places changed: sizes, scroll range and painting follow.
    void modelChanged();
    void setShowFree(bool on);

    int selectedRow() const { return m_selected; }
    void select(int row);
    Calendar::Model::Cell cursor() const { return m_cursor; }
    // Where a cell and a block are drawn, in the viewport's coordinates (after scrolling to show them).
    QRect cellRect(int column, int hourRow);
    QRect blockRect(int blockIndex);
    void ensureColumnVisible(int column);
    // The cursor onto a column, scrolled into sight (a technician chosen in the day view).
    void jumpToColumn(int column);

signals:
    void moveRequested(int row, int column, int hourRow);
    void selectionChanged(int row);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    // A slip dragged in from the list beside the grid.
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    // Over a slip made by an agreement, the tooltip names the agreement.
    bool viewportEvent(QEvent *event) override;

private:
    int columnWidth() const;
    int rowHeight() const;
    int columnX(int column) const;
    QRect blockGeometry(const Calendar::Model::Block &block) const;
    Calendar::Model::Cell cellAt(const QPoint &pos) const;
    int blockIndexAt(const QPoint &pos) const;
    void updateScrollRange();
    void setCursorCell(const Calendar::Model::Cell &cell);
    void paintBlock(QPainter &p, const Calendar::Model::Block &block, const QRect &rect) const;

    Calendar::Model &m_model;
    bool m_showFree = true;
    int m_selected = 0; // board row of the selected slip, 0 for none
    Calendar::Model::Cell m_cursor{0, 0};
    std::optional<Calendar::Model::Cell> m_outline; // where the selected slip is being moved to
    bool m_pressed = false;
    bool m_dragging = false;
    QPoint m_pressPos;
};

// frmCalendar: the technicians' calendar. The week of one technician or the day of every technician, the slips
// as blocks coloured by status and priority, clashes marked, free hours lit; slips are moved by dragging or from
// the keyboard under the board's rules, held like the board's working copy until saved through the board's save.
//
// Opened from the board it works on the board's own state: its moves go back to the board as changes of the
// board's, which its save keeps or its Exit w/o Saving drops; the calendar itself saves nothing then. Opened from
// anywhere else it reads the slips itself and saves its moves itself.
class CalendarWindow final : public ProgramWindow
{
    Q_OBJECT
public:
    // On the board's state.
    CalendarWindow(Environment environment, BoardState &board, const Settings &settings, Messages &messages,
                   const Clock &clock, QStringList technicians, QWidget *parent = nullptr);
    // On slips of its own, read from the folder each time it opens.
    CalendarWindow(Environment environment, const DataFolder &folder, const Settings &settings, Messages &messages,
                   const Clock &clock, QStringList technicians, QWidget *parent = nullptr);
    ~CalendarWindow() override;

    void showWeekOf(const QString &technician, const QDate &date);
    void showDayOf(const QDate &date);
    // "Move to": the selected slip (on the grid or in the list beside it) to another day, perhaps of another week.
    void moveSelectedTo(const QDate &day);
    Calendar::Model &model() { return *m_model; }
    CalendarView *view() const { return m_view; }
    // The route sheet of a technician's day; the button stays disabled until one is given.
    // It is given the slips as the calendar holds them, moves not saved included.
    using RouteSheetHandler =
        std::function<void(const QString &technician, const QDate &date, const std::vector<Record> &slips)>;
    void setRouteSheetHandler(RouteSheetHandler handler);

public slots:
    // A change a phone stored (PhoneWork::store). On slips of its own the calendar takes it as the board does
    // (BoardState::takePhoneChange); on the board's slips the board takes it and the calendar follows through
    // slipChangedFromPhone with the board's row.
    void takePhoneChange(const PhoneWork::Outcome &outcome, const QString &phone);
    void slipChangedFromPhone(int row);

signals:
    // A slip moved, a move was taken back or the slips were saved.
    void slipsChanged();
    // The calendar was closed.
    void finished();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Closing with moves not saved: saved, or given up, as the user answers. True when the calendar may close.
    bool closeAsked();
    void build();
    void rebuild();
    void showStatus();
    void showDetails(int row);
    void moveSlip(int row, int column, int hourRow);
    void placeUnplaced();
    int selectedSlip() const; // board row of the slip selected on the grid or in the list, 0 for none
    void technicianChosen();
    void step(int direction);
    void dateChosen();
    void undo();
    void save();
    void leave();

    const Settings &m_settings;
    Messages &m_messages;
    const Clock &m_clock;
    QStringList m_technicians;
    std::unique_ptr<DataFolder> m_folder; // when not opened from the board: the folder and the slips of its own
    std::unique_ptr<BoardState> m_own;
    BoardState *m_board;
    std::unique_ptr<Calendar::Model> m_model;
    RouteSheetHandler m_routeSheet;
    std::deque<std::pair<PhoneWork::Outcome, QString>> m_phoneChanges; // the first is being taken
    bool m_filling = false;
    QString m_technician;
    QDate m_date;

    CalendarView *m_view = nullptr;
    QRadioButton *m_week = nullptr;
    QRadioButton *m_day = nullptr;
    QComboBox *m_technicianBox = nullptr;
    DateBox *m_dateBox = nullptr;
    QCheckBox *m_free = nullptr;
    QListWidget *m_unplaced = nullptr;
    QLabel *m_unplacedCaption = nullptr;
    QLabel *m_details = nullptr;
    QLabel *m_status = nullptr;
    QPushButton *m_nextClash = nullptr;
    QPushButton *m_undo = nullptr;
    QPushButton *m_save = nullptr;
    QPushButton *m_moveTo = nullptr;
    DateBox *m_moveToDate = nullptr;
    QPushButton *m_place = nullptr;
    QPushButton *m_routeSheetButton = nullptr;
};
