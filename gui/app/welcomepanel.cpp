#include "gui/app/welcomepanel.h"

#include "gui/app/logo.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

const QStringList &WelcomePanel::texts()
{
    static const QStringList lines = {
        QStringLiteral("It has a series of File Folders where information the program requires is stored."),
        QStringLiteral("Enter the information for each Folder."),
        QStringLiteral("The Setup Screen will be displayed when you click our LOGO."),
        QStringLiteral("When you're completed, click on the Menu Button. That's it!"),
        QStringLiteral("The program will start.(Unless you forgot something)"),
        QStringLiteral("If you see this screen after initial Setup, one of your files is missing."),
        QStringLiteral(
            "An unsuccessful attempt was made to restore it from the Backup Folder. You need to recreate it."),
        QStringLiteral("You may return to the Setup Screen at any time and make changes by Selecting Files | "
                       "Create/Modify from the Main Menu Screen."),
    };
    return lines;
}

WelcomePanel::WelcomePanel(Environment environment, const QString &dataFolderNote, QWidget *parent)
    : ProgramWindow(QStringLiteral("frmWelcome"), std::move(environment), kMainKey, parent)
{
    setWindowTitle(QStringLiteral("Welcome to VarnelDispatchDuzudu"));
    auto *layout = new QVBoxLayout(this);
    m_logo = new QLabel(this);
    m_logo->setObjectName(QStringLiteral("imgLogo"));
    m_logo->setPixmap(programLogo());
    m_logo->setAlignment(Qt::AlignCenter);
    m_logo->setCursor(Qt::PointingHandCursor);
    m_logo->setToolTip(QStringLiteral("Click to open the Setup Screen"));
    m_logo->installEventFilter(this);
    // Reached with Tab (it has the focus when the panel opens) and activated with Enter or Space.
    m_logo->setFocusPolicy(Qt::StrongFocus);
    m_logo->setAccessibleName(QStringLiteral("Open the Setup Screen"));
    m_logo->setStyleSheet(QStringLiteral("QLabel { border: 1px solid transparent; } "
                                         "QLabel:focus { border: 1px dotted palette(highlight); }"));
    layout->addWidget(m_logo);
    setFocusProxy(m_logo);
    int index = 0;
    for (const QString &line : texts()) {
        auto *label = new QLabel(line, this);
        label->setObjectName(QStringLiteral("lblWelcome_%1").arg(index++));
        label->setWordWrap(true);
        layout->addWidget(label);
    }
    if (!dataFolderNote.isEmpty()) {
        auto *note = new QLabel(dataFolderNote, this);
        note->setObjectName(QStringLiteral("lblDataFolder"));
        note->setWordWrap(true);
        note->setStyleSheet(QStringLiteral("color: #8a4b00;"));
        layout->addWidget(note);
    }
    layout->addStretch();
    resize(560, 420);
}

bool WelcomePanel::eventFilter(QObject *watched, QEvent *event)
{
    bool pressed = false;
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        pressed = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
    }
    if (watched == m_logo && (pressed || (event->type() == QEvent::MouseButtonRelease &&
                                          static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton))) {
        emit logoClicked();
        return true;
    }
    return ProgramWindow::eventFilter(watched, event);
}
