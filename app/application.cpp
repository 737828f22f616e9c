#include "app/application.h"

#include "phone/phoneserver.h"

#include "accounts/assignmentfile.h"
#include "accounts/assignmentrecord.h"
#include "accounts/customerfile.h"
#include "accounts/customerrecord.h"
#include "core/clock.h"
#include "core/diskerror.h"
#include "core/startup.h"
#include "dialing/modem.h"
#include "dispatch/agreements.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipstore.h"
#include "gui/accounts/assignmentscreen.h"
#include "gui/accounts/customerscreen.h"
#include "gui/accounts/servicesscreen.h"
#include "gui/app/aboutbox.h"
#include "gui/app/mailsetuppage.h"
#include "gui/app/manualwindow.h"
#include "gui/app/setupscreen.h"
#include "gui/app/startmenu.h"
#include "gui/app/startprogress.h"
#include "gui/app/welcomepanel.h"
#include "gui/billing/blankswindow.h"
#include "gui/billing/finalizewindow.h"
#include "gui/billing/historywindow.h"
#include "gui/dialing/dialerwindow.h"
#include "gui/dispatch/agreementswindow.h"
#include "gui/dispatch/boardwindow.h"
#include "gui/dispatch/calendarwindow.h"
#include "gui/dispatch/createslipwindow.h"
#include "gui/dispatch/routesheetdialog.h"
#include "gui/dispatch/scheduleswindow.h"
#include "gui/widgets/widgets.h"
#include "platform/curlmailsender.h"
#include "platform/qtprinttarget.h"
#include "platform/qtserialport.h"
#include "printing/blankformlayout.h"
#include "printing/documentsource.h"
#include "recovery/recovery.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QTimer>

namespace {

// Where the history's CSV export goes; nothing when the user cancels.
std::optional<QString> chooseExportFile(const QString &suggested)
{
    const QString path = QFileDialog::getSaveFileName(nullptr, QStringLiteral("Export CSV"), suggested,
                                                      QStringLiteral("CSV files (*.csv)"));
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

} // namespace

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
    , m_started(m_platform.clock.now())
{
    ProgramWindow::fitDialogsToScreen();
    Widgets::pressFocusedButtonsOnEnter();
    m_state.phoneTokens = std::make_unique<PhoneTokens>(m_state.folder, m_platform.clock);
}

Application::~Application()
{
    for (auto it = m_windows.rbegin(); it != m_windows.rend(); ++it)
        delete it->data();
}

ProgramWindow::Environment Application::environment(AfterCloseBox after)
{
    // A routine's close box closes its window and leads back to the start menu; the start menu's (or the first
    // run's panel's) ends the program; a window beside others (the dialer, the manual) just closes.
    switch (after) {
    case AfterCloseBox::StartMenu:
        return {&m_platform.layouts, [this] {
                    if (!m_exiting)
                        showStartMenu();
                }};
    case AfterCloseBox::Exit:
        return {&m_platform.layouts, [this] { exitProgram(); }};
    case AfterCloseBox::Nothing:
        break;
    }
    return {&m_platform.layouts, {}};
}

template <typename W> W *Application::track(W *window)
{
    m_windows.emplace_back(window);
    window->setReadOnly(m_readOnly);
    // The signals every window shares, connected here once for all of them.
    connect(window, &ProgramWindow::returnToMenu, this, &Application::showStartMenu);
    connect(window, &ProgramWindow::dialRequested, this, &Application::openDialer);
    return window;
}

template <typename W> W *Application::followModem(W *window)
{
    if (m_modem) {
        window->setDialingEnabled(m_modem->dialingEnabled());
        connect(m_modem.get(), &Modem::dialingEnabledChanged, window, &W::setDialingEnabled);
        // Said in words once the search has ended without a modem.
        const auto sayNoModem = [modem = m_modem.get(), window] {
            window->showNoModem(!modem->dialingEnabled() && !modem->isSearching());
        };
        sayNoModem();
        connect(m_modem.get(), &Modem::dialingEnabledChanged, window, sayNoModem);
        connect(m_modem.get(), &Modem::searchFinished, window, sayNoModem);
    }
    return window;
}

void Application::reportDiskError(const QString &message)
{
    m_platform.messages.inform(message, m_state.folder.executableName());
}

void Application::reloadFromFolder()
{
    m_state.assignmentLists = LoadAssignmentLists(m_state.folder);
    for (const QPointer<ProgramWindow> &window : m_windows) {
        if (window)
            window->reloadFromFolder();
    }
}

void Application::start()
{
    if (!m_readOnly.isEmpty()) {
        // Only read: no repair, no folder made, no phone page, no visits; what cannot be read shows as empty.
        m_state.settings.loadAll(m_state.folder, m_platform.clock);
        m_state.assignmentLists = LoadAssignmentLists(m_state.folder);
        setup();
        startModemSearch();
        if (Startup::requiredFilesPresent(m_state.folder))
            showStartMenu();
        else
            welcomeWindow()->show();
        return;
    }
    // What a kill, a power cut or a full disk left is repaired before any file is read; the repairs say what they
    // did, then ask about files that end in part of a record.
    const Recovery::Report repaired =
        Recovery::run(m_state.folder, m_state.slipCounter, m_state.settings, m_platform.clock);
    for (const Notice &notice : repaired.notices)
        m_platform.messages.inform(notice.text, notice.title);
    if (repaired.question && m_platform.messages.ask(repaired.question->text, repaired.question->title)) {
        const Notice done = Recovery::completeTorn(m_state.folder, repaired.torn);
        m_platform.messages.inform(done.text, done.title);
    }
    const bool setUp = Startup::requiredFilesPresent(m_state.folder);
    QStringList accounts;
    try {
        Startup::createFixedFolders(m_state.folder, m_platform.clock.today());
        Settings::installStatesList(m_state.folder);
        accounts = CustomerFile::accountNumbers(m_state.folder);
    } catch (const DiskError &e) {
        reportDiskError(e.message());
    }
    m_state.assignmentLists = LoadAssignmentLists(m_state.folder);
    setup(); // loaded hidden: it shows the settings and receives the modem port
    // Once the folder tree is there: the phone page, when the office switched it on.
    applyPhonePage(PhonePageOptions::load());
    startModemSearch();
    ProgramWindow *first = setUp ? startMenuWindow() : welcomeWindow();
    if (setUp) {
        showStartMenu();
        makeAgreementVisits();
        mail()->startDailyWork(); // the day's visit reminders, and what waits in the outbox
    } else {
        first->show();
    }
    makeCustomerFolders(std::move(accounts), first);
}

void Application::makeCustomerFolders(QStringList accounts, ProgramWindow *shownOn)
{
    // Thousands of customers' folders take a while on a first start: they are made a few at a time between the
    // user's clicks and keys, the first window following them, so that every routine works at once.
    auto folders = std::make_shared<Startup::CustomerFolders>(m_state.folder, std::move(accounts));
    // A turn ends after a few milliseconds whatever the disk: a slow one takes a while for each folder made.
    const auto step = [this, folders] {
        QElapsedTimer turn;
        turn.start();
        try {
            int left = m_accountsPerTurn;
            bool finished = false;
            while (!finished && left > 0 && !turn.hasExpired(kTurnMs)) {
                const int now = std::min(left, 8);
                finished = folders->step(now);
                left -= now;
            }
            return finished;
        } catch (const DiskError &e) {
            reportDiskError(e.message());
            return true;
        }
    };
    if (step())
        return;
    // Shown only where folders are being made: a start that finds them all in place shows nothing.
    QPointer<StartProgress> strip;
    if (folders->madeAny() && folders->total() >= m_progressFromAccounts)
        strip = new StartProgress(shownOn);
    auto *turns = new QTimer(this);
    connect(turns, &QTimer::timeout, this, [folders, step, strip, turns] {
        const bool finished = step();
        if (strip)
            strip->setProgress(folders->done(), folders->total());
        if (finished) {
            turns->stop();
            turns->deleteLater();
            delete strip.data();
        }
    });
    turns->start(0);
}

MailOffice *Application::mail()
{
    if (!m_mail) {
        MailOffice::SenderMaker maker = m_mailSenderMaker;
        if (!maker) {
            maker = [](const MailSettings &settings, const QString &password) -> std::unique_ptr<MailSender> {
                // A mail server whose certificate comes from the office's own authority: VD_MAIL_CA_FILE names it.
                CurlMailSender::Options options;
                options.caFile = qEnvironmentVariable("VD_MAIL_CA_FILE");
                return std::make_unique<CurlMailSender>(settings, password, options);
            };
        }
        m_mail = std::make_unique<MailOffice>(m_state.folder, m_state.settings, m_platform.clock, m_platform.messages,
                                              std::move(maker));
    }
    return m_mail.get();
}

void Application::emailInvoices(QWidget *parent, const std::vector<PricedInvoice> &invoices,
                                const DocumentInputs &inputs)
{
    if (!m_readOnly.isEmpty()) {
        m_platform.messages.inform(m_readOnly, QStringLiteral("E-mail Invoices"));
        return;
    }
    mail()->emailInvoices(parent, invoices, inputs);
}

void Application::makeAgreementVisits()
{
    const QString title = QStringLiteral("Maintenance Agreements");
    try {
        const Agreements::RunSummary summary = Agreements::makeVisits(
            m_state.folder, m_state.slipCounter, m_platform.clock, m_state.settings, m_state.settings.agreementWeeks);
        if (summary.made > 0 || !summary.refused.isEmpty())
            m_platform.messages.inform(summary.text(), title);
    } catch (const DiskError &e) {
        m_platform.messages.inform(e.message() + QStringLiteral("\r\nNot every visit of the maintenance agreements "
                                                                "could be made. The visits made are kept; the next "
                                                                "start, or Make Visits Now, makes the rest."),
                                   title);
    }
}

AgreementsWindow *Application::openAgreements(const QString &acctNo)
{
    if (!m_agreements) {
        // Its close box closes only this window.
        auto *window = track(new AgreementsWindow(m_state, m_platform, printTarget(),
                                                  [this] { return documentInputs(); }, {&m_platform.layouts, {}}));
        // Slips are added to the slip file: a board with changes not saved would write its own slips over them.
        const auto board = [this]() -> BoardWindow * {
            const auto found = m_routineWindows.find(StartMenu::ManageSlips);
            return found == m_routineWindows.end() ? nullptr : qobject_cast<BoardWindow *>(found->second.data());
        };
        window->setSlipsGuard([this, board, window] {
            BoardWindow *b = board();
            if (!b || !b->isVisible() || !b->board().hasUnsavedChanges())
                return true;
            m_platform.messages.inform(
                QStringLiteral("The Dispatch Board has changes that are not saved yet. Save them (Save Changes/Exit) "
                               "or leave the board without saving first; then make the visits."),
                window->windowTitle());
            return false;
        });
        connect(window, &AgreementsWindow::slipsMade, this, [board] {
            if (BoardWindow *b = board(); b && b->isVisible())
                b->reload();
        });
        m_agreements = window;
    }
    auto *window = static_cast<AgreementsWindow *>(m_agreements.data());
    window->showAccount(acctNo);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

ProgramWindow *Application::welcomeWindow()
{
    if (!m_welcome) {
        auto *welcome = track(new WelcomePanel(environment(AfterCloseBox::Exit), m_dataFolderNote));
        m_welcome = welcome;
        connect(welcome, &WelcomePanel::logoClicked, this, [this, welcome] {
            showSetup();
            welcome->closeByProgram();
        });
    }
    return m_welcome;
}

ProgramWindow *Application::welcomePanel() const
{
    return m_welcome;
}

void Application::showStartMenu()
{
    startMenuWindow();
    m_startMenu->show();
    m_startMenu->raise();
    m_startMenu->activateWindow();
}

ProgramWindow *Application::startMenuWindow()
{
    if (!m_startMenu) {
        auto *menu = track(new StartMenu(m_state.folder, m_platform, environment(AfterCloseBox::Exit)));
        connect(menu, &StartMenu::routineChosen, this,
                [this](int routine) { openRoutine(StartMenu::Routine(routine)); });
        connect(menu, &StartMenu::setupRequested, this, [this] {
            showSetup();
            m_startMenu->hide();
        });
        connect(menu, &StartMenu::aboutRequested, this, [this] {
            m_startMenu->hide();
            auto *about = track(new AboutBox(m_state.folder, m_platform, environment()));
            about->setAttribute(Qt::WA_DeleteOnClose);
            about->show();
        });
        connect(menu, &StartMenu::manualRequested, this, &Application::showManual);
        connect(menu, &StartMenu::exitRequested, this, &Application::exitProgram);
        m_startMenu = menu;
    }
    return m_startMenu;
}

void Application::showManual()
{
    if (!m_manual)
        // The manual is a help window beside the program: its close box closes only the manual.
        m_manual = track(new ManualWindow({&m_platform.layouts, {}}));
    m_manual->show();
    m_manual->raise();
}

ProgramWindow *Application::routineWindow(StartMenu::Routine routine)
{
    if (auto found = m_routineWindows.find(routine); found != m_routineWindows.end() && found->second)
        return found->second;
    const auto inputs = [this] { return documentInputs(); };
    ProgramWindow *window = nullptr;
    // Every routine has its window; a routine added to the menu without one is named by the compiler here.
    switch (routine) {
    case StartMenu::CreateSlip:
    case StartMenu::Customers:
        return customerScreen();
    case StartMenu::ManageSlips: {
        auto *board = followModem(track(new BoardWindow(environment(), m_state, m_platform, printTarget(), inputs)));
        connect(board, &BoardWindow::agreementsRequested, this, [this] { openAgreements({}); });
        connect(board, &BoardWindow::calendarRequested, this, [this, board](const QString &technician, QDate date) {
            CalendarWindow *calendar = openCalendar(&board->board(), technician, date);
            connect(calendar, &CalendarWindow::slipsChanged, board, &BoardWindow::slipsChangedElsewhere);
            connect(board, &BoardWindow::phoneChangeTaken, calendar, &CalendarWindow::slipChangedFromPhone);
        });
        connect(this, &Application::phoneChangeStored, board, &BoardWindow::takePhoneChange);
        window = board;
        break;
    }
    case StartMenu::CompleteSlips: {
        auto *finalize = followModem(track(
            new FinalizeWindow(environment(), m_state, m_platform.messages, m_platform.clock, printTarget(), inputs)));
        finalize->setMailing([this](QWidget *parent, const std::vector<PricedInvoice> &invoices,
                                    const DocumentInputs &documents) { emailInvoices(parent, invoices, documents); });
        window = finalize;
        break;
    }
    case StartMenu::LocateAssignments: {
        auto *schedules = followModem(track(new SchedulesWindow(m_state, environment())));
        connect(schedules, &SchedulesWindow::calendarRequested, this, [this, schedules](const QString &technician) {
            connect(openCalendar(nullptr, technician, m_platform.clock.today()), &CalendarWindow::finished, schedules,
                    &SchedulesWindow::LoadSchedule);
        });
        window = schedules;
        break;
    }
    case StartMenu::Assignments:
        window = followModem(track(new AssignmentScreen(m_state, m_platform, environment(), printTarget(), inputs)));
        break;
    case StartMenu::Services:
        window = track(new ServicesScreen(m_state, m_platform, environment()));
        break;
    case StartMenu::BlankInvoices:
        window = track(new BlanksWindow(environment(), printTarget(), inputs));
        break;
    case StartMenu::History: {
        auto *history =
            track(new HistoryWindow(environment(), m_state, m_platform.messages, m_platform.clock, chooseExportFile));
        history->setPrinting(&printTarget(), inputs);
        history->setMailing([this](QWidget *parent, const std::vector<PricedInvoice> &invoices,
                                   const DocumentInputs &documents) { emailInvoices(parent, invoices, documents); },
                            [this] { mail()->showOutbox(); });
        window = history;
        break;
    }
    }
    m_routineWindows[routine] = window;
    return window;
}

CustomerScreen *Application::customerScreen()
{
    // One customer screen serves both routines that open it.
    for (int routine : {StartMenu::CreateSlip, StartMenu::Customers}) {
        if (auto found = m_routineWindows.find(routine); found != m_routineWindows.end() && found->second)
            return static_cast<CustomerScreen *>(found->second.data());
    }
    auto *screen = track(new CustomerScreen(m_state, m_platform, environment()));
    connect(screen, &CustomerScreen::slipCreationRequested, this, &Application::showSlipCreation);
    connect(screen, &CustomerScreen::agreementsRequested, this, &Application::openAgreements);
    followModem(screen);
    m_routineWindows[StartMenu::CreateSlip] = screen;
    m_routineWindows[StartMenu::Customers] = screen;
    return screen;
}

CreateSlipWindow *Application::slipCreation()
{
    if (!m_slipCreation) {
        auto *creation = followModem(track(new CreateSlipWindow(m_state, m_platform, environment())));
        connect(creation, &CreateSlipWindow::calendarRequested, this,
                [this, creation](const QString &technician, const QDate &date) {
                    connect(openCalendar(nullptr, technician, date), &CalendarWindow::finished, creation,
                            &CreateSlipWindow::refreshDayPanel);
                });
        m_slipCreation = creation;
    }
    return static_cast<CreateSlipWindow *>(m_slipCreation.data());
}

void Application::showSlipCreation()
{
    CreateSlipWindow *window = slipCreation();
    // A new slip starts at step 1; when none can be written now the window has said why.
    if (!window->begin()) {
        showStartMenu();
        return;
    }
    window->show();
    window->raise();
    window->activateWindow();
    if (m_startMenu)
        m_startMenu->hide();
}

CalendarWindow *Application::openCalendar(BoardState *board, const QString &technician, const QDate &date)
{
    const QStringList technicians = m_state.assignmentLists.board.mid(1);
    // Its close box closes the calendar only.
    const ProgramWindow::Environment calendarEnvironment{&m_platform.layouts, {}};
    auto *calendar = board ? new CalendarWindow(calendarEnvironment, *board, m_state.settings, m_platform.messages,
                                                m_platform.clock, technicians)
                           : new CalendarWindow(calendarEnvironment, m_state.folder, m_state.settings,
                                                m_platform.messages, m_platform.clock, technicians);
    track(calendar);
    calendar->setAttribute(Qt::WA_DeleteOnClose);
    connect(this, &Application::phoneChangeStored, calendar, &CalendarWindow::takePhoneChange);
    // The window that opened it waits: the slips it shows cannot change under the calendar.
    calendar->setWindowModality(Qt::ApplicationModal);
    calendar->setRouteSheetHandler(
        [this, technicians](const QString &technician, const QDate &day, const std::vector<Record> &slips) {
            printRouteSheet(printTarget(), m_platform.messages, documentInputs(), m_state.folder, &slips, technicians,
                            technician, day);
        });
    calendar->showWeekOf(technician, date);
    calendar->show();
    calendar->raise();
    calendar->activateWindow();
    return calendar;
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

void Application::openRoutine(StartMenu::Routine routine)
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
        options.modemPort = [this] { return int(m_state.settings.modemPort); };
        options.soundAlarm = [this] { return m_state.settings.soundAlarm; };
        auto *window = new DialerWindow(environment(AfterCloseBox::Nothing), m_platform.messages, *m_modem,
                                        m_state.folder, options);
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
        // Closed on a first run before anything was saved, the program ends as the welcome panel's close box ends it.
        ProgramWindow::Environment closing = environment();
        closing.afterCloseBox = [this] {
            if (Startup::requiredFilesPresent(m_state.folder))
                showStartMenu();
            else
                exitProgram();
        };
        auto *setup = track(new SetupScreen(m_state, m_platform, closing));
        connect(setup, &SetupScreen::saved, this, &Application::showStartMenu);
        connect(setup, &SetupScreen::printSampleRequested, this, &Application::printLogoSample);
        setup->mailPage()->setTestSender([this](const MailSettings &settings, const QString &password,
                                                std::function<void(const MailOutcome &)> answered) {
            mail()->sendTest(settings, password, std::move(answered));
        });
        connect(setup->mailPage(), &MailSetupPage::outboxRequested, this, [this] { mail()->showOutbox(); });
        // Set up now, the office's mail goes out at once.
        connect(setup, &SetupScreen::saved, this, [this] {
            if (m_readOnly.isEmpty())
                mail()->startDailyWork();
        });
        connect(setup, &SetupScreen::phonePageChanged, this, [this](const PhonePageOptions &options) {
            options.save();
            applyPhonePage(options);
        });
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
    if (!m_readOnly.isEmpty()) {
        closeWindows();
        m_quit ? m_quit() : QCoreApplication::quit();
        return;
    }
    // No phone reaches the files while the program closes.
    if (m_phoneServer)
        m_phoneServer->stop();
    try {
        // A save of the board that failed and was not saved since stays undone: the next start must not
        // complete what the user left without saving.
        SlipStore(m_state.folder).settle();
        // The phones' last uses noted since the last write.
        if (m_state.phoneTokens)
            m_state.phoneTokens->flush();
    } catch (const DiskError &e) {
        reportDiskError(e.message());
    }
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

void Application::closeWindows()
{
    for (auto it = m_windows.rbegin(); it != m_windows.rend(); ++it) {
        if (*it)
            (*it)->closeByProgram();
    }
}

void Application::applyPhonePage(const PhonePageOptions &options)
{
    QString problem;
    if (!options.on) {
        if (m_phoneServer)
            m_phoneServer->stop();
    } else if (m_state.phoneTokens) {
        if (!m_phoneServer) {
            m_phoneServer =
                std::make_unique<PhoneServer>(m_state.folder, m_state.settings, m_platform.clock, *m_state.phoneTokens);
            connect(m_phoneServer.get(), &PhoneServer::phoneChanged, this, &Application::phoneChangeStored);
        }
        if (!m_phoneServer->start(options)) {
            problem = m_phoneServer->error();
            m_platform.messages.inform(problem, QStringLiteral("Phone page"));
        }
    }
    const bool serving = m_phoneServer && m_phoneServer->isListening();
    m_state.phonePageAddress = serving ? m_phoneServer->pageAddress() : QString();
    m_state.phoneFingerprint = serving ? m_phoneServer->fingerprint() : QString();
    setup()->showPhonePage(options, m_state.phonePageAddress, m_state.phoneFingerprint, problem);
}
