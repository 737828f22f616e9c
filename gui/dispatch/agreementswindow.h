#pragma once

#include "dispatch/agreementview.h"
#include "gui/widgets/programwindow.h"
#include "printing/documentinputs.h"

#include <QDialog>
#include <QPointer>
#include <array>
#include <functional>

class Clock;
class DataFolder;
class DateBox;
class FlexGrid;
class Messages;
class PrintTarget;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTreeWidget;
class Settings;
class SlipCounter;
struct AssignmentLists;
struct Platform;

// frmAgreement: one maintenance agreement edited. Nothing is stored until Save, which refuses an agreement
// that cannot make good slips (no service, a slip text longer than a slip holds, an end before the start) and
// says why, keeping everything typed.
class AgreementEditor final : public QDialog
{
    Q_OBJECT
public:
    // `agreement` with id 0 is a new one. `services` are the catalogue's descriptions, `technicians` the
    // assignment list's names.
    // Why an agreement cannot be stored, or nothing.
    using Checker = std::function<std::optional<QString>(const Agreement &)>;
    // Stores the agreement; false when it could not (and the user was told why).
    using Store = std::function<bool(const Agreement &)>;
    AgreementEditor(const Agreement &agreement, const QString &customer, const QStringList &services,
                    const QStringList &technicians, Checker check, Store store, Messages &messages, const Clock &clock,
                    bool soundAlarm = false, QWidget *parent = nullptr);

    // The agreement as the boxes hold it now (whether it can be saved or not).
    Agreement edited() const;
    // Checks the boxes and stores the agreement, then closes; when something is wrong the user is told and the
    // editor stays as it is.
    void save();

private:
    void showSlipText();
    void intervalChosen();

    Messages &m_messages;
    Checker m_check;
    Store m_store;
    Agreement m_agreement;
    QLineEdit *m_acctNo = nullptr;
    QListWidget *m_services = nullptr;
    QRadioButton *m_weeks = nullptr;
    QRadioButton *m_months = nullptr;
    QRadioButton *m_chosen = nullptr;
    QSpinBox *m_every = nullptr;
    std::array<QCheckBox *, 12> m_month{};
    QComboBox *m_technician = nullptr;
    QComboBox *m_weekday = nullptr;
    QComboBox *m_slot = nullptr;
    DateBox *m_start = nullptr;
    QCheckBox *m_ends = nullptr;
    DateBox *m_end = nullptr;
    QLineEdit *m_price = nullptr;
    QLineEdit *m_note = nullptr;
    QLabel *m_slipText = nullptr;
    QLabel *m_slipLength = nullptr;
};

// frmAgreements: every maintenance agreement (or one account's) with its next visit and yearly value, the
// agreed yearly value in total, the agreements that end within 60 days, the visits of the coming weeks by week
// (printable), and "Make Visits Now".
class AgreementsWindow final : public ProgramWindow
{
    Q_OBJECT
public:
    struct Shared
    {
        const DataFolder &folder;
        Settings &settings;
        SlipCounter &slipCounter;
        const AssignmentLists &assignmentLists;
        template <typename State>
        Shared(State &state)
            : folder(state.folder)
            , settings(state.settings)
            , slipCounter(state.slipCounter)
            , assignmentLists(state.assignmentLists)
        {}
    };
    using InputsSource = std::function<DocumentInputs()>;
    // Asked before visits are made: false when slips cannot be added now (the window that holds them has said why).
    using SlipsGuard = std::function<bool()>;

    AgreementsWindow(Shared state, Platform &platform, PrintTarget &target, InputsSource inputs,
                     Environment environment, QWidget *parent = nullptr);

    // Every agreement (an empty account), or the agreements of one account, read afresh.
    void showAccount(const QString &acctNo);
    void refresh();
    void setSlipsGuard(SlipsGuard guard) { m_guard = std::move(guard); }

    // The buttons, as a click runs them.
    void newAgreement();
    void editAgreement();
    void deleteAgreement();
    void makeVisits();
    void printComingWeeks();

    FlexGrid *grid() const { return m_grid; }
    const std::vector<AgreementView::Line> &lines() const { return m_lines; }
    // The editor New or Edit opened, while it is open.
    AgreementEditor *editor() const { return m_editor; }

signals:
    // Slips were made: windows that show slips read them again.
    void slipsMade();

private:
    void fillGrid();
    void headingClicked(int col);
    int selectedLine() const; // index into m_lines, -1 for none
    // Opens the editor on the agreement; it stores what it saves.
    void edit(const Agreement &agreement);
    bool store(Agreement agreement, bool remove);

    Shared m_state;
    Platform &m_platform;
    PrintTarget &m_target;
    InputsSource m_inputs;
    SlipsGuard m_guard;
    QPointer<AgreementEditor> m_editor;
    QString m_account; // empty: every account
    QHash<QString, QString> m_names;
    std::vector<AgreementView::Line> m_lines;
    std::vector<AgreementView::Week> m_weeks;
    qint32 m_selectId = 0; // the agreement to select when the grid is filled next
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;

    QLabel *m_caption = nullptr;
    FlexGrid *m_grid = nullptr;
    QLabel *m_total = nullptr;
    QListWidget *m_ending = nullptr;
    QTreeWidget *m_coming = nullptr;
    QLabel *m_comingCaption = nullptr;
    QPushButton *m_edit = nullptr;
    QPushButton *m_delete = nullptr;
};
