#pragma once

#include "accounts/auxdata.h"
#include "accounts/customeraccounts.h"
#include "accounts/customernotes.h"
#include "gui/widgets/programwindow.h"

#include <QPointer>
#include <array>
#include <functional>

class DataFolder;
class Settings;
class Record;
struct Platform;
class FlexGrid;
class QAction;
class QComboBox;
class QDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QCheckBox;
class QRadioButton;
class QToolButton;
class CustomerNameModel;

// frmNewCustomer: one customer account at a time, where accounts are added, edited, deleted, found and chosen
// for a new service slip; six free-form data boxes per account; calling the account's telephone or cell.
// The screen shows what CustomerAccounts holds and asks it for every read and write.
class CustomerScreen : public ProgramWindow
{
    Q_OBJECT
public:
    // The part of the program's state the screen works with: the members of these names of the state object it
    // is given (the application's, or a test's).
    struct Shared
    {
        const DataFolder &folder;
        const Settings &settings;
        Record &currentCustomer;
        const bool &usaAddressStyle;
        template <typename State>
        Shared(State &state)
            : folder(state.folder)
            , settings(state.settings)
            , currentCustomer(state.currentCustomer)
            , usaAddressStyle(state.usaAddressStyle)
        {}
    };

    CustomerScreen(Shared state, Platform &platform, Environment environment, QWidget *parent = nullptr);
    ~CustomerScreen() override;

    CustomerAccounts &accounts() { return m_accounts; }
    // The dialer picture shows only while a modem can dial.
    void setDialingEnabled(bool enabled);

    // The screen's actions, as its buttons and menus run them.
    void exitTo(bool selectForSlip);
    void addNew();
    void cancelNew();
    void navigate(CustomerMove move);
    void toggleType();
    void deleteCurrent();
    void runSearch();
    void completeList();
    void loadResultRow(int row);
    void dial();
    void toggleAuxPanel();
    void saveAuxData();
    void openAuxEditor(int box);

signals:
    void slipCreationRequested();                    // the current customer is the account to write a slip for
    void agreementsRequested(const QString &acctNo); // the maintenance agreements of the account on screen

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    std::optional<UnsavedWork> unsavedWork() override;

private:
    QWidget *buildRecordArea();
    QWidget *buildButtons();
    QGroupBox *buildSearchPanel();
    QGroupBox *buildResultsPanel();
    QGroupBox *buildAuxPanel();
    void buildAuxEditor();
    QLineEdit *recordBox(const QString &name, int limit, bool invalidCharacters);
    void filterCombo(QComboBox *combo, int limit);

    void activate();
    void showRecord(int number);
    void clearBoxes();
    void fillBoxes(const CustomerForm &form);
    CustomerForm form() const;
    bool save();
    void showNotice(const Notice &notice);
    void focusBox(CustomerBox box);
    void applyTypeToScreen();
    void applyAddressStyle();
    void setNavigationEnabled(bool enabled);
    void setRecordMenusEnabled(bool enabled);
    void refreshNameList();
    void refreshCities();
    void setCaptionFor(int number);
    void alarm();
    bool leaveForOtherRecord();
    void jumpTo(int number);
    void showNameList();
    void hideNameList();
    void nameEdited(const QString &text);
    void nameListLeft();
    void showResults(const std::vector<CustomerMatch> &matches, const QString &caption);
    void acctNoLeft();
    void nameLeft();
    void loadAuxData();
    AuxData::Texts auxTexts() const;
    void keepNotes();
    void adoptNotesOfNewAccount(bool wasPending);
    void setAuxAccountLine();
    void auxStep(int delta);

    Shared m_state;
    Platform &m_platform;
    CustomerAccounts m_accounts;
    CustomerNotes m_notes;
    bool m_usaStyle = true;
    bool m_suppressCompletion = false;
    QString m_duplicateAsked; // the account number last questioned as a duplicate
    bool m_dialingEnabled = false;
    int m_editedBox = -1;

    QLineEdit *m_acctNo;
    QLineEdit *m_name;
    QLineEdit *m_address1;
    QLineEdit *m_address2;
    QComboBox *m_city;
    QComboBox *m_stateBox;
    QLineEdit *m_postal;
    QLineEdit *m_address3;
    QLineEdit *m_address4;
    QLineEdit *m_telephone;
    QLineEdit *m_cell;
    QLineEdit *m_email;
    QComboBox *m_title;
    QLineEdit *m_first;
    QLineEdit *m_middle;
    QLineEdit *m_last;
    QLabel *m_acctType;
    std::vector<QWidget *> m_businessOnly;
    std::vector<QWidget *> m_individualOnly;
    std::vector<QWidget *> m_usaOnly;
    std::vector<QWidget *> m_internationalOnly;
    QComboBox *m_nameList;
    CustomerNameModel *m_nameModel;

    QPushButton *m_menuButton;
    QPushButton *m_select;
    QPushButton *m_cancel;
    QPushButton *m_new;
    std::array<QPushButton *, 7> m_nav{};
    QPushButton *m_toggleType;
    std::array<QPushButton *, 4> m_finder{};
    QToolButton *m_dialButton;
    QAction *m_menuAddNew;
    QAction *m_menuDelete;
    QAction *m_menuViewList;
    QAction *m_menuToggleData;

    QGroupBox *m_searchPanel;
    std::array<QRadioButton *, 9> m_criteria{};
    QLineEdit *m_searchText;
    QGroupBox *m_resultsPanel;
    FlexGrid *m_results;
    QMenu *m_resultMenu;
    int m_resultRow = 0;

    QGroupBox *m_auxPanel;
    QWidget *m_panelScroll = nullptr; // the column of the three panels above
    QLabel *m_auxAccount;
    std::array<QLineEdit *, AuxData::kBoxes> m_auxHeading{};
    std::array<QPlainTextEdit *, AuxData::kBoxes> m_aux{};
    std::array<QLabel *, AuxData::kBoxes> m_auxClear{};
    QCheckBox *m_retain;

    QDialog *m_auxEditor;
    QLabel *m_auxEditorLine;
    QPlainTextEdit *m_auxEditorText;
};
