#include "app/application.h"

#include "core/clock.h"
#include "core/diskerror.h"
#include "core/screens/placeholderwindow.h"
#include "core/screens/welcomepanel.h"
#include "core/startup.h"

#include <QCoreApplication>
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
    try {
        Startup::createFolderTree(m_state.folder, m_platform.clock.today());
    } catch (const DiskError &e) {
        reportDiskError(e.message());
    }
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
        auto *menu =
            track(new PlaceholderWindow(QStringLiteral("frmStartup"), QStringLiteral("Main Menu"), environment()));
        m_startMenu = menu;
    }
    m_startMenu->show();
    m_startMenu->raise();
}

void Application::showSetup()
{
    if (!m_setup) {
        auto *setup = track(new PlaceholderWindow(QStringLiteral("frmSetup"), QStringLiteral("Setup"), environment()));
        connect(setup, &PlaceholderWindow::returnToMenu, this, [this] {
            if (Startup::requiredFilesPresent(m_state.folder))
                showStartMenu();
            else if (m_welcome)
                m_welcome->show();
        });
        m_setup = setup;
    }
    m_setup->show();
    m_setup->raise();
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
