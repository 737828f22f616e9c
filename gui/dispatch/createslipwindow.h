#pragma once

#include "dispatch/calendar.h"
#include "dispatch/slipcreation.h"
#include "gui/widgets/programwindow.h"

#include <array>
#include <functional>

class DataFolder;
class Settings;
class SlipCounter;
class Record;
struct AssignmentLists;
struct Platform;
class FlexGrid;
class QCheckBox;
class QComboBox;
class DateBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;

// frmCreateSlip: writes a new service slip for the current customer in three steps: the service location,
// the service required, then assignment, priority, date and time. "Create Slip" stores it with the next slip
// number and returns to the start menu.
class CreateSlipWindow final : public ProgramWindow
{
    Q_OBJECT
public:
    enum Step { ServiceLocation = 1, ServiceDetails = 2, Schedule = 3 };

    // The part of the program's state slip creation works with: the members of these names of the state object it
    // is given (the application's, or a test's).
    struct Shared
    {
        const DataFolder &folder;
        const Settings &settings;
        SlipCounter &slipCounter;
        Record &currentCustomer;
        const AssignmentLists &assignmentLists;
        template <typename State>
        Shared(State &state)
            : folder(state.folder)
            , settings(state.settings)
            , slipCounter(state.slipCounter)
            , currentCustomer(state.currentCustomer)
            , assignmentLists(state.assignmentLists)
        {}
    };

    CreateSlipWindow(Shared state, Platform &platform, Environment environment, QWidget *parent = nullptr);

    // A new creation for the current customer: step 1 with empty boxes. False, after saying why, when no slip
    // can be written now (the slip counter is at its end, or the customer's account is not there).
    bool begin();

    Step step() const;
    // The values as they stand, as "Create Slip" would store them.
    SlipCreation::SlipDraft draft() const;
    // A date chosen on the calendar, with the calendar's rules.
    void pickDate(const QDate &date);
    // The slips may have moved (on the calendar): the assignment's day and its earliest free slot again.
    void refreshDayPanel() { refreshDay(); }

public slots:
    // Dialing as the modem allows it: without a modem the dial controls stay hidden.
    void setDialingEnabled(bool enabled);

signals:
    // A slip was stored under this number.
    void slipCreated(int slipNo);
    // "Calendar..." beside the assignment's day: the calendar at that assignment's week.
    void calendarRequested(const QString &technician, const QDate &date);

protected:
    void showEvent(QShowEvent *event) override;
    std::optional<UnsavedWork> unsavedWork() override;

private:
    void showDialing();
    bool m_dialingEnabled = true;
    QWidget *buildLocationStep();
    QWidget *buildServiceStep();
    QWidget *buildScheduleStep();
    QWidget *buildPhonePanel();
    QPushButton *creationButton(int index, const QString &caption, QWidget *parent);

    void refreshLists();
    void showAccount();
    void showStep(Step step);
    void command(int index);
    void toggleJobSite();
    void serviceClicked(const QString &description);
    void showServiceLength();
    void assignmentChosen();
    void noDateClicked();
    void pickerChanged();
    void applyPickedDate(const QDate &date);
    void resetSchedule();
    void setLeaveBlank(bool on);
    void setPicker(const QDate &date);
    void setSlipDate(const std::optional<QDate> &date);
    void setTime(const QString &slot);
    void refreshDay();
    bool createSlip();
    void alarm();
    void techCellClicked(int row, int col);
    void dialTech();
    QString assignment() const; // "" for "None"
    QDate firstWorkday() const;

    Shared m_state;
    Platform &m_platform;
    SlipCreation::AccountBlock m_account;
    std::optional<QDate> m_date; // the slip's one date; shown in lblDate
    bool m_settingPicker = false;
    QString m_dialName;
    QString m_dialNumber;

    QStackedWidget *m_steps;
    QLabel *m_accountLabel;
    std::array<QLabel *, 8> m_accountLines{};
    std::array<QLineEdit *, 8> m_site{};
    QPushButton *m_jobSite;
    QListWidget *m_services;
    QPlainTextEdit *m_service;
    QLabel *m_serviceLength;
    QListWidget *m_assignments;
    QListWidget *m_priority;
    QGroupBox *m_datePanel;
    QCheckBox *m_noDate;
    DateBox *m_picker;
    QLabel *m_dateLabel;
    QComboBox *m_time;
    QLabel *m_dayCaption;
    FlexGrid *m_day;
    QPushButton *m_nextFree;
    std::optional<Calendar::FreeSlot> m_freeSlot; // the assignment's earliest free slot from the date on
    QPushButton *m_call;
    QPushButton *m_hidePhones;
    QGroupBox *m_phonePanel;
    FlexGrid *m_techTel;
    QPushButton *m_dialButton;
};
