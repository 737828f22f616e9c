#pragma once

#include "dispatch/boardstate.h"
#include "dispatch/boardview.h"
#include "gui/widgets/programwindow.h"
#include "phone/phonework.h"
#include "printing/documentinputs.h"

#include <QHash>
#include <deque>
#include <functional>

class DataFolder;
class Settings;
struct AssignmentLists;
struct Platform;
class FlexGrid;
class PrintTarget;
class QAction;
class QCheckBox;
class QComboBox;
class DateBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class SlipMediaPanel;

// frmMain, "Slip Action Screen": the dispatch board. It shows the board state (dispatch/boardstate.h) in the
// grid fgSlips and its frames and hands every click to it; the window itself keeps only which frames show.
class BoardWindow final : public ProgramWindow
{
    Q_OBJECT
public:
    using InputsSource = std::function<DocumentInputs()>;

    // The part of the program's state the board works with: the members of these names of the state object it
    // is given (the application's, or a test's).
    struct Shared
    {
        const DataFolder &folder;
        Settings &settings;
        const AssignmentLists &assignmentLists;
        template <typename State>
        Shared(State &state)
            : folder(state.folder)
            , settings(state.settings)
            , assignmentLists(state.assignmentLists)
        {}
    };

    BoardWindow(Environment environment, Shared state, Platform &platform, PrintTarget &target, InputsSource inputs,
                QWidget *parent = nullptr);

    BoardState &board() { return m_board; }
    FlexGrid *grid() const { return m_grid; }
    // Reads the slips again and shows the board as it opens: nothing ticked, no slip frame.
    void reload();
    void reloadFromFolder() override
    {
        if (isVisible())
            reload();
    }
    // The buttons cmdMain(index): each index names what its button does.
    enum Action {
        ExitWithoutSaving = 0,
        DeleteAll = 1,
        CompleteAll = 2,
        DeleteSelected = 3,
        CompleteSelected = 4,
        SlipTextMessage = 5, // the open slip as a text message
        CloseSlipFrame = 6,
        ManageSlip = 7,
        SaveAndExit = 8,
        PrintServiceSlips = 9,
        MakeChanges = 11,
        AcceptChanges = 12,
        AddToSlip = 13,
        ContentsTextMessage = 14, // the slip contents box as a text message
        PrintInvoices = 15,
        RestoreSlip = 16,
        CloseWithoutChanges = 17,
        CloseAccountFrame = 18,
        SaveContents = 19,
        PrintReport = 20,
        ClearRedo = 21,
        SelectAll = 22,
        DeselectAll = 23,
    };
    // Runs the action of its button, as a click does.
    void runAction(Action action);

    // The slips were changed on the calendar: the grid shows them again, the frames of the old values close.
    void slipsChangedElsewhere();
    // How the grid is sorted and filtered; setting it shows it, and it is kept for the next session.
    const BoardView &view() const { return m_view; }
    void setView(const BoardView &view);
    // The next slip shown after the grid's current row whose number is the text or whose customer holds it.
    void findNext(const QString &text);
    // "Route Sheet...": asks for the technician and the day, then prints from the board's slips as they stand.
    void askRouteSheet();
    void printRouteSheet(const QString &technician, const QDate &date);

public slots:
    // Dialing as the modem allows it: without a modem the dial controls stay hidden.
    void setDialingEnabled(bool enabled);
    // A change a phone stored (PhoneWork::store): the open board takes it into its working copy, asking first
    // about a slip changed here and not saved (BoardState::takePhoneChange), and marks the row until it reloads.
    // One change at a time, and none while a question or message of the board waits for its answer. Hidden, the
    // board has nothing to do: it reads the files afresh when it shows.
    void takePhoneChange(const PhoneWork::Outcome &outcome, const QString &phone);

signals:
    // A row of the board took a phone's change: a calendar on the board's slips follows.
    void phoneChangeTaken(int row);
    // "&Calendar..." of the Windows menu: the calendar on this board's slips, at the technician and day of the
    // grid's current row (empty and today without one).
    void calendarRequested(const QString &technician, const QDate &date);
    // "Maintenance A&greements..." of the Windows menu.
    void agreementsRequested();

protected:
    void showEvent(QShowEvent *event) override;
    std::optional<UnsavedWork> unsavedWork() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct PhoneChange
    {
        Record before;
        Record after;
        QString phone;
    };
    std::deque<PhoneChange> m_phoneChanges; // stored from phones, not taken yet
    bool m_takingPhone = false;
    bool m_phoneRetry = false;
    QString m_phoneNote; // the status line's note of the last phone change
    void takePhoneChanges();
    QString phoneTip(int gridRow) const;

    // Puts an action's questions and messages to the user; true when it was carried out.
    template <typename Decide> bool ask(Decide decide);
    void showDialing();
    void showFramePanel();
    QScrollArea *m_frameScroll = nullptr;
    QWidget *m_actionPanel = nullptr; // the action buttons' column
    bool m_dialingEnabled = true;
    void buildBoard();
    QGroupBox *buildSlipFrame();
    QGroupBox *buildChangeFrame();
    QGroupBox *buildAccountFrame();
    QGroupBox *buildContentsFrame();
    QGroupBox *buildInstructions();
    QPushButton *button(Action action, const QString &caption);

    void refreshGrid();
    void refreshRow(int r);
    void refreshColours(int r, const QDate &today); // today: read from the clock once for every row coloured
    void refreshTicks();
    void updateButtons();
    void updateStatusLine();
    void showUnsaved(); // the mark of changes not saved yet
    void leave();
    void cellClicked(int row, int col);

    void openSlip();
    void fillSlipFrames();
    void showChangeValues();
    void openChangeFrame();
    void acceptChanges();
    void restoreSlip();
    void printServiceOrders();
    void printInvoices();
    void printReport();
    bool confirmPrinting(const QString &question, const QString &title);
    std::vector<SlipPrintValues> tickedValues() const;
    void pickerChanged();

    Shared m_state;
    Platform &m_platform;
    PrintTarget &m_target;
    InputsSource m_inputs;
    BoardState m_board;

    FlexGrid *m_grid = nullptr;
    QHash<int, QPushButton *> m_buttons;
    QGroupBox *m_slipFrame = nullptr;
    QGroupBox *m_changeFrame = nullptr;
    QGroupBox *m_accountFrame = nullptr;
    QGroupBox *m_contentsFrame = nullptr;
    QGroupBox *m_instructions = nullptr;
    QGroupBox *m_paperFrame = nullptr;
    QLabel *m_paperText = nullptr;
    QAction *m_mnuAccount = nullptr;
    QAction *m_mnuContents = nullptr;
    QAction *m_mnuInstructions = nullptr;
    QWidget *m_legend = nullptr;
    QLabel *m_statusLine = nullptr;
    QLabel *m_unsaved = nullptr;

    QListWidget *m_lstStatus = nullptr;
    QListWidget *m_lstPriority = nullptr;
    QListWidget *m_lstTechs = nullptr;
    QComboBox *m_cboTime = nullptr;
    DateBox *m_picker = nullptr;
    QPlainTextEdit *m_contents = nullptr;
    QPushButton *m_callCustomer = nullptr;
    SlipMediaPanel *m_media = nullptr; // the slip's photos and signature in the slip frame
    QCheckBox *m_withPhotos = nullptr;

    // Labels by name: the slip numbers, the current values, the new values and the two address blocks.
    QHash<QString, QLabel *> m_labels;

    // The sort, the filter bar and find.
    QWidget *buildFilterBar();
    void headingClicked(int col);
    void fillFilterBar();
    void filterChanged();
    void showView();
    void storeView();
    BoardView m_view;
    QComboBox *m_filterTech = nullptr;
    QComboBox *m_filterStatus = nullptr;
    QCheckBox *m_filterDates = nullptr;
    DateBox *m_filterFrom = nullptr;
    DateBox *m_filterTo = nullptr;
    QLineEdit *m_find = nullptr;
    QLabel *m_shown = nullptr;
    bool m_filling = false; // the controls are being set by the program, not by the user
    QDate m_lastPicked;
};
