#pragma once

#include <QDateTime>

#include "app/appstate.h"
#include "core/seams.h"
#include "dialing/serialport.h"
#include "gui/app/mailoffice.h"
#include "gui/app/startmenu.h"
#include "gui/widgets/programwindow.h"
#include "phone/phonework.h"
#include "printing/documentinputs.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class AgreementsWindow;
class BoardState;
class CalendarWindow;
class CustomerScreen;
class CreateSlipWindow;
class DialerWindow;
class PrintTarget;
class QtPrintTarget;
class Modem;
class QtSerialPorts;
class SetupScreen;
class WelcomePanel;
class PhoneServer;
struct PhonePageOptions;

// The program's one application object: it owns the shared state, runs the start-up sequence, opens the
// windows and ends the program.
class Application : public QObject
{
    Q_OBJECT
public:
    Application(const QString &dataRoot, Platform platform, QString dataFolderNote = {});
    ~Application() override;

    AppState &state() { return m_state; }
    Platform &platform() { return m_platform; }

    // Everything after the single-instance check: the slip counter, the folder tree, the lists, then the
    // start menu when the program is set up or the welcome panel when it is not.
    void start();
    // A read-only seat (why: "held by Front Desk"), set before start(): the start repairs and makes nothing, every
    // window opens read-only, and the end writes nothing.
    void setReadOnly(const QString &why) { m_readOnly = why; }
    const QString &readOnly() const { return m_readOnly; }
    // The folder's files changed: the lists and every open window read them again.
    void reloadFromFolder();

    // Copies the data files to /Backup, closes every window (the last opened first) and ends the program.
    void exitProgram();
    // Closes every window (the last opened first) and writes nothing.
    void closeWindows();
    void setQuitHandler(std::function<void()> quit) { m_quit = std::move(quit); }

    void showStartMenu();
    // Serial ports for the modem search; the system's when none are given before start().
    void setSerialPortFactory(SerialPortFactory factory) { m_serialPorts = std::move(factory); }
    Modem *modem() const { return m_modem.get(); }
    // The dialer, opened by other screens with a name and a number.
    void openDialer(const QString &name, const QString &number);
    DialerWindow *dialer();

    void showSetup();
    SetupScreen *setup(); // created hidden at start

    // Where documents print: the printer or a PDF through the print dialog, unless another target is given.
    void setPrintTarget(PrintTarget *target) { m_printTarget = target; }
    PrintTarget &printTarget();
    // The documents' inputs from the settings and the current items, as they are now.
    DocumentInputs documentInputs() const;
    void printLogoSample(const QString &logoPath, int widthTwips, int heightTwips);
    void showManual();
    // Opens a routine of the start menu (StartMenu::Routine) and closes the menu.
    void openRoutine(StartMenu::Routine routine);
    ProgramWindow *routineWindow(StartMenu::Routine routine);
    // The customer screen, for the routines "Create a Service Slip" and customers alike.
    CustomerScreen *customerScreen();

    // Slip creation for the current customer (AppState::currentCustomer), from its first step.
    void showSlipCreation();
    CreateSlipWindow *slipCreation(); // created on first use

    // The technicians' calendar, shown over the window that opened it, at the technician's week (the first
    // technician's without one): on the board's slips when a board state is given, else on its own.
    CalendarWindow *openCalendar(BoardState *board, const QString &technician, const QDate &date);

    // Serves the technicians' phone page as the options say (stops it when they say off) and shows the outcome
    // on the setup screen; a port in use or a missing certificate is said in a message.
    void applyPhonePage(const PhonePageOptions &options);
    PhoneServer *phoneServer() const { return m_phoneServer.get(); }
    // The maintenance agreements: every one (an empty account) or one account's.
    AgreementsWindow *openAgreements(const QString &acctNo);
    // Makes the agreements' visits of the coming weeks, as at every start: says what was made or refused, and
    // nothing when there was nothing to do.
    void makeAgreementVisits();

    // The office's e-mail: the outbox, its sending beside the windows, the reminders. The libcurl adapter sends
    // unless a test gives another way out before first use.
    MailOffice *mail();
    void setMailSenderMaker(MailOffice::SenderMaker maker) { m_mailSenderMaker = std::move(maker); }
    // "E-mail Invoices" of Finalize and History.
    void emailInvoices(QWidget *parent, const std::vector<PricedInvoice> &invoices, const DocumentInputs &inputs);

    ProgramWindow *welcomePanel() const;
    ProgramWindow *startMenu() const { return m_startMenu; }
    ProgramWindow *setupScreen() const { return m_setup; }

    // From this many customers on, the first window shows how far the making of their folders went.
    static constexpr int kProgressFromAccounts = 2000;
    void setProgressFromAccounts(int accounts) { m_progressFromAccounts = accounts; }
    // Customers' folders looked into (and made where missing) between two turns of the event loop: at most so
    // many accounts, and no more than a turn's few milliseconds.
    static constexpr int kAccountsPerTurn = 512;
    static constexpr qint64 kTurnMs = 12;
    void setAccountsPerTurn(int accounts) { m_accountsPerTurn = accounts; }

signals:
    // A phone's change was stored (PhoneWork::store): the open board and a calendar on slips of its own take it.
    void phoneChangeStored(const PhoneWork::Outcome &outcome, const QString &phone);

private:
    enum class AfterCloseBox { StartMenu, Exit, Nothing };
    ProgramWindow::Environment environment(AfterCloseBox after = AfterCloseBox::StartMenu);
    ProgramWindow *startMenuWindow(); // made when first needed, not shown
    ProgramWindow *welcomeWindow();
    template <typename W> W *track(W *window);
    // Keeps the window's dial controls as the modem allows (hidden while no modem was found).
    template <typename W> W *followModem(W *window);
    void startModemSearch();
    void reportDiskError(const QString &message);
    void makeCustomerFolders(QStringList accounts, ProgramWindow *shownOn);

    Platform m_platform;
    AppState m_state;
    QString m_dataFolderNote;
    std::function<void()> m_quit;
    std::vector<QPointer<ProgramWindow>> m_windows; // in the order they were opened
    QPointer<ProgramWindow> m_welcome;
    QPointer<ProgramWindow> m_startMenu;
    QPointer<ProgramWindow> m_setup;
    QPointer<ProgramWindow> m_manual;
    QPointer<ProgramWindow> m_dialer;
    QPointer<ProgramWindow> m_slipCreation;
    QPointer<ProgramWindow> m_agreements;
    SerialPortFactory m_serialPorts;
    std::unique_ptr<QtSerialPorts> m_systemPorts;
    std::unique_ptr<Modem> m_modem;
    PrintTarget *m_printTarget = nullptr;
    std::unique_ptr<QtPrintTarget> m_qtPrintTarget;
    std::map<int, QPointer<ProgramWindow>> m_routineWindows;
    std::unique_ptr<PhoneServer> m_phoneServer;
    MailOffice::SenderMaker m_mailSenderMaker;
    std::unique_ptr<MailOffice> m_mail;
    bool m_exiting = false;
    QString m_readOnly;
    int m_progressFromAccounts = kProgressFromAccounts;
    int m_accountsPerTurn = kAccountsPerTurn;
    QDateTime m_started; // when this run began, on the file system's clock
};

// Shows the refusal and returns true when another copy of the program already runs on this data folder.
bool refuseSecondInstance(bool lockTaken, Messages &messages, const QString &executableName);
