#pragma once

#include "gui/widgets/programwindow.h"

#include <functional>

class DataFolder;
class Settings;
struct AssignmentLists;
class FlexGrid;
class QGroupBox;
class QPushButton;

// frmSchedules, "Where are They Now?": every assignment with the job it has "In Progress", and its numbers to
// call. It only reads the slips; every showing reads them again.
class SchedulesWindow final : public ProgramWindow
{
    Q_OBJECT
public:
    // The part of the program's state the window works with: the members of these names of the state object it
    // is given (the application's, or a test's).
    struct Shared
    {
        const DataFolder &folder;
        const Settings &settings;
        const AssignmentLists &assignmentLists;
        template <typename State>
        Shared(State &state)
            : folder(state.folder)
            , settings(state.settings)
            , assignmentLists(state.assignmentLists)
        {}
    };

    SchedulesWindow(Shared state, Environment environment, QWidget *parent = nullptr);

    // The assignment rows from the pick lists, then their jobs from the stored slips.
    void LoadSchedule();
    // Empties the job columns and gives every row its normal colour.
    void ClearSchedule();

public slots:
    // Dialing as the modem allows it: without a modem the dial controls stay hidden.
    void setDialingEnabled(bool enabled);

signals:
    // "Calendar...": the calendar at the week of the technician of the current row (the first without one).
    void calendarRequested(const QString &technician);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showDialing();
    bool m_dialingEnabled = true;
    void dial();
    void cellChosen(int row, int col);

    Shared m_state;
    FlexGrid *m_grid;
    QGroupBox *m_dialer;
    QPushButton *m_dialButton;
};
