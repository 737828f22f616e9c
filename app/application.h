#pragma once

#include "core/appstate.h"
#include "core/seams.h"
#include "core/serialport.h"
#include "platform/programwindow.h"
#include "printing/documentinputs.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class DialerWindow;
class PrintTarget;
class QtPrintTarget;
class Modem;
class QtSerialPorts;
class SetupScreen;
class WelcomePanel;

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

    // Copies the data files to /Backup, closes every window (the last opened first) and ends the program.
    void exitProgram();
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
    void openRoutine(int routine);
    ProgramWindow *routineWindow(int routine);

    ProgramWindow *welcomePanel() const;
    ProgramWindow *startMenu() const { return m_startMenu; }
    ProgramWindow *setupScreen() const { return m_setup; }

private:
    ProgramWindow::Environment environment();
    template <typename W> W *track(W *window);
    void startModemSearch();
    void reportDiskError(const QString &message);
    // The finalize and history windows.
    ProgramWindow *billingWindow(int routine);
    // Completes a Write Records that a crash or a full disk interrupted, and tells the user once.
    void finishInterruptedPosting();

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
    SerialPortFactory m_serialPorts;
    std::unique_ptr<QtSerialPorts> m_systemPorts;
    std::unique_ptr<Modem> m_modem;
    PrintTarget *m_printTarget = nullptr;
    std::unique_ptr<QtPrintTarget> m_qtPrintTarget;
    std::map<int, QPointer<ProgramWindow>> m_routineWindows;
    bool m_exiting = false;
};

// Shows the refusal and returns true when another copy of the program already runs on this data folder.
bool refuseSecondInstance(bool lockTaken, Messages &messages, const QString &executableName);
