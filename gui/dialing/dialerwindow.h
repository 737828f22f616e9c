#pragma once

#include "core/datafolder.h"
#include "dialing/modem.h"
#include "dialing/speednumbers.h"
#include "gui/widgets/programwindow.h"

#include <QPointer>
#include <array>
#include <functional>

class Messages;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// What the dialer reads from the settings, at the moment it opens.
struct DialerOptions
{
    std::function<int()> modemPort;   // the modem port of the loaded settings
    std::function<bool()> soundAlarm; // beep on refusals and modem errors
};

// frmDialer: shows whom the program calls, dials through the modem, hangs up, and keeps ten speed-dial
// numbers. Other screens open it with a name and a number (open() or exec()).
class DialerWindow : public ProgramWindow
{
    Q_OBJECT
public:
    DialerWindow(Environment environment, Messages &messages, Modem &modem, DataFolder folder, DialerOptions options,
                 QWidget *parent = nullptr);
    ~DialerWindow() override;

    // Shows the dialer as a modal window for this person and number, ready to dial; returns at once.
    void open(const QString &name, const QString &number);
    // The same, returning when the dialer has closed.
    void exec(const QString &name, const QString &number);

    const SpeedNumbers &speedNumbers() const { return m_numbers; }
    DialSession &session() { return m_session; }

signals:
    void finished(); // the dialer has closed

protected:
    void hideEvent(QHideEvent *event) override;

private:
    void activate();
    void modemLost(const QString &reason);
    void showModemLost();
    void modemBack();
    void showModemStatus();
    void showSpeedNumbers();
    void loadSpeedNumbers();
    void saveSpeedNumbers();
    void setStatus(const QString &text);
    void alarm();

    void dialClicked();
    void connected();
    void refused(const QString &code);
    void hangUp();
    void prefixToggled(bool checked);
    void speedDialerClicked(int index);
    void saveSlot();
    void cancelSlot();
    void deleteSlot();
    void restoreRecipient();
    void loadCurrentCall();
    void toggleHelp();

    Messages &m_messages;
    Modem &m_modem;
    DataFolder m_folder;
    DialerOptions m_options;
    DialSession m_session;
    SpeedNumbers m_numbers;
    int m_selected = -1;    // the speed-dial button pressed last
    QString m_originalName; // the call recipient the dialer was opened with
    QString m_originalNumber;

    QLineEdit *m_modemStatus;
    QLabel *m_portLabel;
    QLabel *m_name;
    QLabel *m_number;
    QCheckBox *m_prefix;
    QPushButton *m_dial;
    QPushButton *m_search;
    QPushButton *m_talk;
    QPushButton *m_hangup;
    QLabel *m_status;
    QLabel *m_reply;
    QLabel *m_pickup;
    std::array<QPushButton *, kSpeedNumberSlots> m_slots{};
    QGroupBox *m_addPanel;
    QLineEdit *m_slotName;
    QLineEdit *m_slotNumber;
    std::array<QPushButton *, 5> m_slotButtons{};
    QPushButton *m_help;
    QGroupBox *m_helpPanel;
};
