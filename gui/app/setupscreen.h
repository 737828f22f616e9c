#pragma once

#include "core/mailsettings.h"
#include "core/settings.h"
#include "gui/widgets/programwindow.h"
#include "phone/phoneserver.h"

#include <array>

class DataFolder;
class MailSetupPage;
class SlipCounter;
struct Platform;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

// The setup screen: the business's own data and the program's options. Its one way out saves everything and
// returns to the start menu.
class SetupScreen : public ProgramWindow
{
    Q_OBJECT
public:
    // The part of the program's state the screen works with: the members of these names of the state object it
    // is given (the application's, or a test's).
    struct Shared
    {
        const DataFolder &folder;
        Settings &settings;
        SlipCounter &slipCounter;
        bool &usaAddressStyle;
        template <typename State>
        Shared(State &state)
            : folder(state.folder)
            , settings(state.settings)
            , slipCounter(state.slipCounter)
            , usaAddressStyle(state.usaAddressStyle)
        {}
    };

    SetupScreen(Shared state, Platform &platform, Environment environment, QWidget *parent = nullptr);

    // Shows the settings in memory in the controls (the screen's load step).
    void loadFromSettings();
    // The port the modem search found.
    void setModemPort(int port);
    // No modem answered: the phone settings that need one are cleared.
    void clearPhoneSettings();
    // "&Save Settings and Return to Menu".
    void saveAndReturn();
    bool usaStyle() const { return m_usaStyle; }
    // The "E-mail" sub-tab, for the test message's sender and the outbox.
    MailSetupPage *mailPage() const { return m_mail; }

    // The phone page's options as the screen shows them, and what the server made of them: the page's address
    // and the certificate's fingerprint while it serves, or why it does not.
    void showPhonePage(const PhonePageOptions &options, const QString &address, const QString &fingerprint,
                       const QString &problem);

signals:
    void saved(); // the program is set up: the start menu follows
    void printSampleRequested(const QString &logoPath, int widthTwips, int heightTwips);
    // An option of the phone page changed: it takes effect at once (switching it off stops the server).
    void phonePageChanged(const PhonePageOptions &options);

protected:
    void showEvent(QShowEvent *event) override;
    std::optional<UnsavedWork> unsavedWork() override;

private:
    QWidget *buildBusinessTab();
    QWidget *buildOperationsTab();
    QWidget *buildLogoTab();
    QWidget *buildHelpTab();
    QWidget *buildItemsTab();
    void setAddressStyle(bool usa);
    bool refuseBadFields();
    void layOutAddress(bool usa);
    void showBusiness(const Settings::Business &business);
    Settings editedSettings() const;
    // Everything the screen edits, as the boxes show it: compared with what they showed on opening.
    struct Shown
    {
        Settings settings;
        QString nextSlip;
        bool usaStyle = true;
        QString chosenLogo;
        MailSettings mail;
        QString mailPassword;
        bool operator==(const Shown &) const = default;
    };
    Shown shown() const;
    bool saveSettings();
    void showColour(QLineEdit *sample, quint32 colour);
    void showLogo();
    void changeLogoSize(bool width, bool up);
    void itemsSelectionChanged();
    void createCurrentItems();
    void rebuildCurrentItems();
    void reloadCurrentItems();
    void inform(const QString &text);
    QWidget *buildPhonePage(QWidget *parent);
    PhonePageOptions phonePageOptions() const;
    void phonePageEdited();

    Shared m_state;
    Platform &m_platform;
    bool m_usaStyle = true;
    int m_lastSelectionCount = 0;
    QString m_chosenLogo;          // a picture chosen with Find, not yet stored
    std::optional<Shown> m_opened; // what the screen showed when it opened
    int m_logoWidth = 1440;
    int m_logoHeight = 1440;
    quint32 m_borderColour = 0;
    quint32 m_textColour = 0;

    QTabWidget *m_tabs;
    QTabWidget *m_subTabs;
    std::array<QLineEdit *, 9> m_business{};
    std::array<QLabel *, 9> m_businessLabels{};
    QLabel *m_postalNote;
    QPushButton *m_addressButton;
    QLineEdit *m_modemPort;
    QCheckBox *m_phone;
    QCheckBox *m_callerId;
    QLabel *m_callerIdNote;
    QCheckBox *m_phonePage;
    QComboBox *m_phoneAddress;
    QLineEdit *m_phonePort;
    QCheckBox *m_phonePlainHttp;
    QLabel *m_phonePlainWarning;
    QLineEdit *m_phonePageAddress;
    QLabel *m_phoneFingerprint;
    QLabel *m_phoneStatus;
    quint16 m_phonePortShown = PhonePageOptions::kDefaultPort;
    bool m_showingPhonePage = false;
    std::array<QRadioButton *, 4> m_workWeek{};
    QSpinBox *m_agreementWeeks = nullptr;
    QCheckBox *m_colour;
    QLineEdit *m_borders;
    QLineEdit *m_data;
    QLabel *m_font;
    QComboBox *m_copies;
    QLineEdit *m_invoiceNo;
    QRadioButton *m_plain;
    QRadioButton *m_return;
    QCheckBox *m_printInvoices;
    QCheckBox *m_populate;
    QComboBox *m_invoiceCopies;
    QComboBox *m_taxHeading1;
    QComboBox *m_taxHeading2;
    QComboBox *m_rate1;
    QComboBox *m_rate2;
    QCheckBox *m_apply1;
    QCheckBox *m_apply2;
    QCheckBox *m_alarms;
    QCheckBox *m_prompts;
    QLabel *m_preview;
    QLabel *m_adjusted;
    QLabel *m_logoSize;
    QLineEdit *m_nextSlip;
    QListWidget *m_items;
    QLabel *m_itemsSelected;
    QWidget *m_selectedPanel;
    QListWidget *m_currentItems;
    QPushButton *m_displayList;
    MailSetupPage *m_mail = nullptr;
    MailSettings m_mailStored; // as stored: written again only when changed
    QString m_passwordStored;
};
