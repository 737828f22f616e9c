#pragma once

#include "accounts/assignmenteditor.h"
#include "gui/widgets/programwindow.h"
#include "printing/documentinputs.h"

#include <functional>
#include <memory>

class FlexGrid;
class PhoneTokens;
class PrintTarget;
class QAction;
class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
struct Platform;

// frmAssignment, "Create or Modify Assignments  ": one assignment at a time, with navigation, add, cancel,
// delete, search with its results, the complete list with the "Assignment Information" report, and dialing
// the assignment's numbers. Every change reloads the assignment pick lists of the dispatch screens.
class AssignmentScreen final : public ProgramWindow
{
    Q_OBJECT
public:
    using InputsSource = std::function<DocumentInputs()>;

    static inline const QString kCaption = QStringLiteral("Create or Modify Assignments  ");

    // The part of the program's state the screen works with: its editor's, and the paired phones with the phone
    // page's address and fingerprint (empty while the page is off).
    struct Shared : AssignmentEditor::Shared
    {
        std::unique_ptr<PhoneTokens> &phoneTokens;
        const QString &phonePageAddress;
        const QString &phoneFingerprint;
        template <typename State>
        Shared(State &state)
            : AssignmentEditor::Shared(state)
            , phoneTokens(state.phoneTokens)
            , phonePageAddress(state.phonePageAddress)
            , phoneFingerprint(state.phoneFingerprint)
        {}
    };

    AssignmentScreen(Shared state, Platform &platform, Environment environment, PrintTarget &target,
                     InputsSource inputs, QWidget *parent = nullptr);

    // The address style of the setup screen: the USA boxes or "Address 3" and "Address 4".
    void SetUSAStyle();

    const AssignmentEditor &editor() const { return m_editor; }

    // The actions of the controls, for the buttons and for callers that drive the screen.
    void addNew();
    void cancelAdd();
    void deleteAssignment();
    void startSearch();
    void showCompleteList();
    void selectResult(int row); // "Select Assignment" on a row of the results
    void closeResults();
    void printReport();
    void dial();
    void goToMenu();
    // "Pair Phone...": the pairing window of the technician on screen (saved first).
    void pairPhone();

public slots:
    // Dialing as the modem allows it: without a modem the dial controls stay hidden.
    void setDialingEnabled(bool enabled);

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    std::optional<UnsavedWork> unsavedWork() override;

private:
    void showDialing();
    void activate();
    void showRecord();
    void showBoxes(const AssignmentBoxes &boxes);
    AssignmentBoxes boxes() const;
    AssignmentBoxes m_shownBoxes; // as the record shown or last saved filled them
    bool save();
    void navigate(int which);
    void chooseCriterion(int criterion);
    void fillResults(const std::vector<QStringList> &rows);
    void showPanel(QWidget *panel);
    void refreshControls();
    void refreshPhoneOptions();
    void fillCities();
    void beep();
    // Runs a step that writes; a disk failure is shown and the step reports false.
    bool guarded(const std::function<void()> &step);

    Shared m_state;
    Platform &m_platform;
    PrintTarget &m_target;
    InputsSource m_inputs;
    AssignmentEditor m_editor;
    bool m_quiet = false;   // set while the screen itself moves the focus
    bool m_dropped = false; // the last save dropped a new assignment that had no name

    QStackedWidget *m_panels = nullptr;
    QGroupBox *m_contact = nullptr;
    QGroupBox *m_search = nullptr;
    QGroupBox *m_results = nullptr;
    QLabel *m_displaying = nullptr;
    QComboBox *m_reference = nullptr;
    QLineEdit *m_name = nullptr;
    QLineEdit *m_address1 = nullptr;
    QLineEdit *m_address2 = nullptr;
    QComboBox *m_city = nullptr;
    QComboBox *m_stateBox = nullptr;
    QLineEdit *m_postal = nullptr;
    QLineEdit *m_address3 = nullptr;
    QLineEdit *m_address4 = nullptr;
    QLineEdit *m_telephone = nullptr;
    QLineEdit *m_cell = nullptr;
    QLineEdit *m_textMsg = nullptr;
    QLineEdit *m_email = nullptr;
    QList<QWidget *> m_usaOnly;
    QList<QWidget *> m_internationalOnly;
    QList<QWidget *> m_contactBoxes;
    QGroupBox *m_phoneOptions = nullptr;
    QRadioButton *m_phoneOption[3] = {};
    QPushButton *m_dialer = nullptr;
    bool m_dialingEnabled = true;
    QPushButton *m_menuButton = nullptr;
    QPushButton *m_pairPhone = nullptr;
    QPushButton *m_searchButton = nullptr;
    QPushButton *m_cancelAdd = nullptr;
    QPushButton *m_nav[4] = {};
    QAction *m_addAction = nullptr;
    QAction *m_deleteAction = nullptr;
    QAction *m_gridAction = nullptr;
    QRadioButton *m_criterion[8] = {};
    QButtonGroup *m_criteria = nullptr;
    QComboBox *m_searchText = nullptr;
    QLabel *m_resultsCaption = nullptr;
    FlexGrid *m_grid = nullptr;
    QPushButton *m_print = nullptr;
    QPushButton *m_close = nullptr;
};
