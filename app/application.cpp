#include "app/application.h"

#include "accounts/assignmentfile.h"
#include "accounts/customerfile.h"
#include "accounts/customerrecord.h"
#include "billing/postingrun.h"
#include "billing/screens/blankswindow.h"
#include "billing/screens/finalizewindow.h"
#include "billing/screens/historywindow.h"
#include "core/clock.h"
#include "core/diskerror.h"
#include "core/modem.h"
#include "core/screens/aboutbox.h"
#include "core/screens/dialerwindow.h"
#include "core/screens/manualwindow.h"
#include "core/screens/placeholderwindow.h"
#include "core/screens/setupscreen.h"
#include "core/screens/startmenu.h"
#include "core/screens/welcomepanel.h"
#include "core/startup.h"
#include "platform/printrunner.h"
#include "platform/qtserialport.h"
#include "printing/blankformlayout.h"
#include "printing/documentsource.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>

bool refuseSecondInstance(bool lockTaken, Messages &messages, const QString &executableName)
{
    if (lockTaken)
        return false;
    messages.inform(executableName + QStringLiteral(" is already Running!"), executableName);
    return true;
}

Application::Application(const QString &dataRoot, Platform platform, QString dataFolderNote)
    : m_platform(platform)
    , m_state(DataFolder(dataRoot, QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().isEmpty()
                                       ? QStringLiteral("VarnelDispatchDuzudu")
                                       : QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName()))
    , m_dataFolderNote(std::move(dataFolderNote))
{}

Application::~Application()
{
    for (auto it = m_windows.rbegin(); it != m_windows.rend(); ++it)
        delete it->data();
}

ProgramWindow::Environment Application::environment()
{
    return {&m_platform.layouts, [this] { exitProgram(); }};
}

template <typename W> W *Application::track(W *window)
{
    m_windows.emplace_back(window);
    return window;
}

void Application::reportDiskError(const QString &message)
{
    m_platform.messages.inform(message, m_state.folder.executableName());
}

void Application::start()
{
    m_state.slipCounter.load(m_state.folder);
    for (const QString &problem : m_state.settings.loadAll(m_state.folder, m_platform.clock))
        reportDiskError(problem);
    try {
        QStringList accounts;
        for (const Record &customer : m_state.folder.readRecords(CustomerFile::kPath, customerLayout()))
            accounts.append(customer.text(CustomerField::AcctNo));
        Startup::createFolderTree(m_state.folder, m_platform.clock.today(), accounts);
        Settings::installStatesList(m_state.folder);
    } catch (const DiskError &e) {
        reportDiskError(e.message());
    }
    finishInterruptedPosting();
    m_state.assignmentLists = LoadAssignmentLists(m_state.folder);
    setup(); // loaded hidden: it shows the settings and receives the modem port
    startModemSearch();
    if (Startup::requiredFilesPresent(m_state.folder)) {
        showStartMenu();
        return;
    }
    auto *welcome = track(new WelcomePanel(environment(), m_dataFolderNote));
    m_welcome = welcome;
    connect(welcome, &WelcomePanel::logoClicked, this, [this, welcome] {
        showSetup();
        welcome->closeByProgram();
    });
    welcome->show();
}

ProgramWindow *Application::welcomePanel() const
{
    return m_welcome;
}

void Application::showStartMenu()
{
    if (!m_startMenu) {
        auto *menu = track(new StartMenu(m_state.folder, m_platform, environment()));
        connect(menu, &StartMenu::routineChosen, this, &Application::openRoutine);
        connect(menu, &StartMenu::setupRequested, this, [this] {
            showSetup();
            m_startMenu->hide();
        });
        connect(menu, &StartMenu::aboutRequested, this, [this] {
            m_startMenu->hide();
            auto *about = track(new AboutBox(m_state.folder, m_platform, environment()));
            about->setAttribute(Qt::WA_DeleteOnClose);
            connect(about, &AboutBox::returnToMenu, this, &Application::showStartMenu);
            about->show();
        });
        connect(menu, &StartMenu::manualRequested, this, &Application::showManual);
        connect(menu, &StartMenu::exitRequested, this, &Application::exitProgram);
        m_startMenu = menu;
    }
    m_startMenu->show();
    m_startMenu->raise();
    m_startMenu->activateWindow();
}

void Application::showManual()
{
    if (!m_manual)
        // The manual is a help window beside the program: its close box closes only the manual.
        m_manual = track(new ManualWindow({&m_platform.layouts, {}}));
    m_manual->show();
    m_manual->raise();
}

ProgramWindow *Application::routineWindow(int routine)
{
    if (auto found = m_routineWindows.find(routine); found != m_routineWindows.end() && found->second)
        return found->second;
    ProgramWindow *window = nullptr;
    if (routine == StartMenu::BlankInvoices) {
        auto *blanks = track(new BlanksWindow(environment(), printTarget(), [this] { return documentInputs(); }));
        connect(blanks, &BlanksWindow::returnToMenu, this, &Application::showStartMenu);
        window = blanks;
    } else if (routine == StartMenu::CompleteSlips || routine == StartMenu::History) {
        window = billingWindow(routine);
    } else {
        const QString caption = StartMenu::routineCaptions().value(routine).trimmed();
        auto *placeholder =
            track(new PlaceholderWindow(QStringLiteral("frmRoutine_%1").arg(routine), caption, environment()));
        connect(placeholder, &PlaceholderWindow::returnToMenu, this, &Application::showStartMenu);
        window = placeholder;
    }
    m_routineWindows[routine] = window;
    return window;
}

ProgramWindow *Application::billingWindow(int routine)
{
    if (routine == StartMenu::CompleteSlips) {
        auto *finalize = track(new FinalizeWindow(
            environment(), m_state, m_platform.messages, m_platform.clock, printTarget(),
            [this] { return documentInputs(); }, [this](auto n, auto num) { openDialer(n, num); }));
        connect(finalize, &FinalizeWindow::returnToMenu, this, &Application::showStartMenu);
        return finalize;
    }
    auto chooseSaveFile = [](const QString &suggested) -> std::optional<QString> {
        const QString path = QFileDialog::getSaveFileName(nullptr, QStringLiteral("Export CSV"), suggested,
                                                          QStringLiteral("CSV files (*.csv)"));
        if (path.isEmpty())
            return std::nullopt;
        return path;
    };
    auto *history =
        track(new HistoryWindow(environment(), m_state, m_platform.messages, m_platform.clock, chooseSaveFile));
    connect(history, &HistoryWindow::returnToMenu, this, &Application::showStartMenu);
    return history;
}

void Application::finishInterruptedPosting()
{
    try {
        const QString done = PostingRun::finishPending(m_state.folder);
        if (!done.isEmpty())
            m_platform.messages.inform(done, QStringLiteral("Write Records"));
    } catch (const DiskError &e) {
        reportDiskError(e.message());
    }
}

PrintTarget &Application::printTarget()
{
    if (!m_printTarget) {
        m_qtPrintTarget = std::make_unique<QtPrintTarget>(m_platform.messages);
        // Every printing action shows its pages first, with Print, Save as PDF and Close.
        m_qtPrintTarget->setMode(QtPrintTarget::Mode::Preview);
        m_printTarget = m_qtPrintTarget.get();
    }
    return *m_printTarget;
}

DocumentInputs Application::documentInputs() const
{
    return DocumentSource::inputs(m_state.folder, m_state.settings, m_state.usaAddressStyle, m_platform.clock.today());
}

void Application::printLogoSample(const QString &logoPath, int widthTwips, int heightTwips)
{
    DocumentInputs inputs = documentInputs();
    inputs.settings.logoPath = logoPath;
    inputs.settings.logoWidth = widthTwips;
    inputs.settings.logoHeight = heightTwips;
    printTarget().run(logoSampleAction(inputs));
}

void Application::openRoutine(int routine)
{
    ProgramWindow *window = routineWindow(routine);
    window->show();
    window->raise();
    if (m_startMenu)
        m_startMenu->hide();
}

void Application::startModemSearch()
{
    if (!m_serialPorts) {
        m_systemPorts = std::make_unique<QtSerialPorts>(m_state.folder);
        m_serialPorts = m_systemPorts->factory();
    }
    m_modem = std::make_unique<Modem>(m_serialPorts);
    connect(m_modem.get(), &Modem::modemFound, this, [this](int port) {
        m_state.settings.modemPort = qint16(port);
        setup()->setModemPort(port);
    });
    connect(m_modem.get(), &Modem::dialingDisabled, this, [this] { setup()->clearPhoneSettings(); });
    // The search answers through the signals; the start menu does not wait for it.
    m_modem->SearchModem();
}

DialerWindow *Application::dialer()
{
    if (!m_dialer) {
        DialerOptions options;
        options.modemPort = [this] { return setup()->modemPortField(); };
        options.soundAlarm = [this] { return m_state.settings.soundAlarm; };
        auto *window = new DialerWindow(environment(), m_platform.messages, *m_modem, m_state.folder, options);
        m_dialer = track(window);
    }
    return static_cast<DialerWindow *>(m_dialer.data());
}

void Application::openDialer(const QString &name, const QString &number)
{
    dialer()->open(name, number);
}

SetupScreen *Application::setup()
{
    if (!m_setup) {
        auto *setup = track(new SetupScreen(m_state, m_platform, environment()));
        connect(setup, &SetupScreen::saved, this, &Application::showStartMenu);
        connect(setup, &SetupScreen::printSampleRequested, this, &Application::printLogoSample);
        m_setup = setup;
    }
    return static_cast<SetupScreen *>(m_setup.data());
}

void Application::showSetup()
{
    SetupScreen *screen = setup();
    screen->show();
    screen->raise();
    screen->activateWindow();
}

void Application::exitProgram()
{
    if (m_exiting)
        return;
    m_exiting = true;
    Startup::backupDataFiles(m_state.folder);
    for (auto it = m_windows.rbegin(); it != m_windows.rend(); ++it) {
        if (*it)
            (*it)->closeByProgram();
    }
    if (m_quit)
        m_quit();
    else
        QCoreApplication::quit();
}
