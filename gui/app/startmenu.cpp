#include "gui/app/startmenu.h"

#include "core/backuparchive.h"
#include "core/clock.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/seams.h"
#include "core/startmenustate.h"
#include "core/weblinks.h"
#include "gui/app/logo.h"
#include "gui/widgets/messagehelpers.h"
#include "platform/instancelock.h"

#include <QDir>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

struct RoutineText
{
    const char *caption;
    const char *hint;
};

constexpr RoutineText kRoutines[] = {
    {"Create a Service Slip", "create and schedule service slips"},
    {"Manage Service Slips", "assign, delete, modify service slips"},
    {"Complete Service Attentions ", "Add invoice nos, amounts to slip data"},
    {"Locate All Assignments", "Shows where all assignments are currently"},
    {"Create/Modify Customers", ""},
    {"Create/Modify Assignments", "Assignments can be employees or sub-contractors"},
    {"Create/Modify Services", "A list of Services Offered"},
    {"Print Blank Invoices", ""},
    {"View Account History", ""},
};

// The supply items of the Order Forms menu: caption, question (empty: no question) and title.
struct SupplyItem
{
    const char *caption;
    const char *question;
    const char *title;
};

constexpr SupplyItem kSupplies[] = {
    {"Checks and Envelopes", "Click Yes to connect to a Supplier\r\nChecks and Envelopes", "Order Forms"},
    {"Deposit Slips", "", ""},
    {"Plain Paper", "Click Yes to connect to a Supplier\r\nPlain Paper", "Order Paper"},
    {"Perforated Paper", "Click Yes to connect to a Supplier\r\nPerforated Paper", "Order Paper"},
    {"Proposal Sets", "Click Yes to connect to a Supplier\r\nProposal Sets", "Order Forms"},
    {"Mailing Labels", "Click Yes to connect to a Supplier\r\n30 to a Page Mailing Labels", "Order Paper"},
    {"Shipping Labels", "Click YES to Connect to a Supplier", "Order Labels"},
};

} // namespace

const QStringList &StartMenu::routineCaptions()
{
    static const QStringList captions = [] {
        QStringList out;
        for (const auto &r : kRoutines)
            out.append(QString::fromLatin1(r.caption));
        return out;
    }();
    return captions;
}

StartMenu::StartMenu(const DataFolder &folder, Platform &platform, Environment environment, QWidget *parent)
    : ProgramWindow(QStringLiteral("frmStartup"), std::move(environment), kMainKey, parent)
    , m_folder(folder)
    , m_platform(platform)
{
    setWindowTitle(QStringLiteral("Revozedi Vovaro Sub-routine Selection"));
    auto *outer = new QVBoxLayout(this);

    auto *menuBar = m_menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("mnuBar"));
    QMenu *files = menuBar->addMenu(QStringLiteral("&Files"));
    files->setObjectName(QStringLiteral("mnuFiles"));
    QAction *setup = files->addAction(QStringLiteral("&Create/Modify"));
    setup->setObjectName(QStringLiteral("mnuCreateModify"));
    connect(setup, &QAction::triggered, this, &StartMenu::setupRequested);
    QAction *backup = files->addAction(QStringLiteral("&Back Up Now..."));
    backup->setObjectName(QStringLiteral("mnuBackUpNow"));
    connect(backup, &QAction::triggered, this, &StartMenu::backUpNow);
    QAction *exit = files->addAction(QStringLiteral("&Exit"));
    exit->setObjectName(QStringLiteral("mnuExit"));
    connect(exit, &QAction::triggered, this, &StartMenu::exitRequested);

    QMenu *order = menuBar->addMenu(QStringLiteral("&Order Forms"));
    order->setObjectName(QStringLiteral("mnuOrderForms"));
    QMenu *business = order->addMenu(QStringLiteral("&Business Forms"));
    for (int i = 0; i < int(std::size(kSupplies)); ++i) {
        QMenu *target = i < 2 ? business : order;
        QAction *item = target->addAction(QString::fromLatin1(kSupplies[i].caption));
        item->setObjectName(QStringLiteral("mnuOrder_%1").arg(i));
        connect(item, &QAction::triggered, this, [this, i] { orderSupplies(i); });
    }
    QAction *about = menuBar->addAction(QStringLiteral("&About"));
    about->setObjectName(QStringLiteral("mnuAbout"));
    connect(about, &QAction::triggered, this, &StartMenu::aboutRequested);
    QMenu *help = menuBar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    QAction *manual = help->addAction(QStringLiteral("User &Manual"));
    manual->setObjectName(QStringLiteral("mnuManual"));
    connect(manual, &QAction::triggered, this, &StartMenu::manualRequested);
    QAction *webManual = help->addAction(QStringLiteral("User Manual on the &Web"));
    webManual->setObjectName(QStringLiteral("mnuWebManual"));
    connect(webManual, &QAction::triggered, this,
            [this] { openWebPageOrSay(m_folder, m_platform.web, m_platform.messages, WebLinks::kManual); });
    outer->setMenuBar(menuBar);

    auto *top = new QHBoxLayout;
    m_logo = new QLabel(this);
    m_logo->setObjectName(QStringLiteral("imgLogo"));
    m_logo->setPixmap(programLogo(72));
    m_logo->setToolTip(QStringLiteral("Yes me, I'm the LOGO"));
    m_logo->setCursor(Qt::PointingHandCursor);
    m_logo->installEventFilter(this);
    // A Tab stop among the routines (Enter or Space on it opens the setup screen); the keys start on a routine, so
    // Enter on the start menu never opens the setup screen by surprise. A ring shows when it has the focus.
    m_logo->setFocusPolicy(Qt::TabFocus);
    m_logo->setStyleSheet(QStringLiteral("QLabel { border: 2px solid transparent; } "
                                         "QLabel:focus { border: 2px dotted palette(highlight); }"));
    m_logo->setAccessibleName(QStringLiteral("Setup Screen"));
    top->addWidget(m_logo);
    auto *prompt = new QLabel(QStringLiteral("Click on the Sub-routine you wish to Perform"), this);
    prompt->setObjectName(QStringLiteral("lblPrompt"));
    QFont big = prompt->font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    big.setBold(true);
    prompt->setFont(big);
    top->addWidget(prompt, 1);
    outer->addLayout(top);

    auto *grid = new QGridLayout;
    const char *headings[] = {"Service Slip Routines", "Assignments", "Files and Data Routines"};
    const int groupOf[] = {0, 0, 0, 1, 2, 2, 2, 2, 2};
    int row = 0;
    int lastGroup = -1;
    for (int i = 0; i < int(std::size(kRoutines)); ++i) {
        if (groupOf[i] != lastGroup) {
            lastGroup = groupOf[i];
            auto *heading = new QLabel(QString::fromLatin1(headings[lastGroup]), this);
            heading->setObjectName(QStringLiteral("lblHeading_%1").arg(lastGroup));
            QFont f = heading->font();
            f.setBold(true);
            f.setUnderline(true);
            heading->setFont(f);
            grid->addWidget(heading, row++, 0, 1, 2);
        }
        auto *label = new QLabel(QString::fromLatin1(kRoutines[i].caption), this);
        label->setObjectName(QStringLiteral("lblSub_%1").arg(i));
        label->setCursor(Qt::PointingHandCursor);
        label->setStyleSheet(QStringLiteral("QLabel { color: #0b3d91; border: 1px solid transparent; } "
                                            "QLabel:focus { border: 1px dotted #0b3d91; } "
                                            "QLabel:disabled { color: #999; }"));
        label->installEventFilter(this);
        // Reached with Tab and run with Enter or Space, like a button.
        label->setFocusPolicy(Qt::StrongFocus);
        label->setAccessibleName(label->text());
        m_routines.push_back(label);
        grid->addWidget(label, row, 0);
        auto *hint = new QLabel(QString::fromLatin1(kRoutines[i].hint), this);
        hint->setObjectName(QStringLiteral("lblHint_%1").arg(i));
        hint->setStyleSheet(QStringLiteral("color: #555; font-style: italic;"));
        grid->addWidget(hint, row++, 1);
    }
    grid->setColumnStretch(1, 1);
    outer->addLayout(grid);

    m_instructions = new QFrame(this);
    m_instructions->setObjectName(QStringLiteral("fraInstructions"));
    m_instructions->setFrameShape(QFrame::StyledPanel);
    auto *instructionLayout = new QHBoxLayout(m_instructions);
    m_instruction[0] = new QLabel(QStringLiteral("Start by creating at least one Service Item"), m_instructions);
    m_instruction[0]->setObjectName(QStringLiteral("lblRegistration_0"));
    m_instruction[1] = new QLabel(QStringLiteral("Now create at least one Assignment"), m_instructions);
    m_instruction[1]->setObjectName(QStringLiteral("lblRegistration_1"));
    instructionLayout->addWidget(m_instruction[0], 1);
    instructionLayout->addWidget(m_instruction[1], 1);
    auto *go = new QPushButton(QStringLiteral("Go"), m_instructions);
    go->setObjectName(QStringLiteral("Command1"));
    connect(go, &QPushButton::clicked, this,
            [this] { choose(m_instruction[0]->isVisibleTo(m_instructions) ? Services : Assignments); });
    instructionLayout->addWidget(go);
    outer->addWidget(m_instructions);
    outer->addStretch();

    for (int i : {ManageSlips, CompleteSlips, LocateAssignments})
        m_routines[std::size_t(i)]->setEnabled(false);
    resize(720, 480);
    writeControlsNamed(QStringLiteral("mnuBackUpNow")); // off on a read-only seat
}

void StartMenu::refresh()
{
    const StartMenuState state = startMenuState(m_folder);
    switch (state.instruction) {
    case StartMenuState::Instruction::CreateService:
        m_instructions->show();
        m_instruction[0]->show();
        m_instruction[1]->hide();
        return;
    case StartMenuState::Instruction::CreateAssignment:
        m_instructions->show();
        m_instruction[0]->hide();
        m_instruction[1]->show();
        return;
    case StartMenuState::Instruction::None:
        m_instructions->hide();
        break;
    }
    m_routines[ManageSlips]->setEnabled(state.manageSlips);
    m_routines[LocateAssignments]->setEnabled(state.manageSlips);
    m_routines[CompleteSlips]->setEnabled(state.completeSlips);
}

bool StartMenu::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::Show) {
        refresh();
        // The keys start on the first routine open to the user.
        QWidget *focused = focusWidget();
        if (!focused || focused == m_logo || !focused->isEnabled() || focused->isHidden()) {
            const auto first = std::find_if(m_routines.begin(), m_routines.end(),
                                            [](const QLabel *line) { return line->isEnabled(); });
            if (!m_instructions->isHidden())
                m_instructions->findChild<QPushButton *>(QStringLiteral("Command1"))->setFocus();
            else if (first != m_routines.end())
                (*first)->setFocus();
        }
    }
    return ProgramWindow::event(event);
}

bool StartMenu::eventFilter(QObject *watched, QEvent *event)
{
    const bool clicked =
        event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton;
    bool pressed = false;
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        pressed = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
    }
    if (clicked || pressed) {
        if (watched == m_logo) {
            emit setupRequested();
            return true;
        }
        for (std::size_t i = 0; i < m_routines.size(); ++i) {
            if (watched == m_routines[i]) {
                if (m_routines[i]->isEnabled())
                    choose(int(i));
                return true;
            }
        }
    }
    return ProgramWindow::eventFilter(watched, event);
}

void StartMenu::choose(int routine)
{
    emit routineChosen(routine);
}

void StartMenu::orderSupplies(int item)
{
    if (item < 0 || item >= int(std::size(kSupplies)))
        return;
    const SupplyItem &supply = kSupplies[item];
    if (*supply.question &&
        !m_platform.messages.ask(QString::fromLatin1(supply.question), QString::fromLatin1(supply.title)))
        return;
    openWebPageOrSay(m_folder, m_platform.web, m_platform.messages, WebLinks::kSuppliers);
}

void StartMenu::backUpNow()
{
    const QString title = QStringLiteral("Back Up Now");
    const auto chosen =
        m_platform.choosers.folder(QStringLiteral("Choose the folder for the backup"),
                                   BackupArchive::rememberedFolder(m_folder).value_or(QDir::homePath()));
    if (!chosen)
        return;
    QProgressDialog progress(QStringLiteral("Backing up the data folder..."), QString(), 0, 1000, this);
    progress.setObjectName(QStringLiteral("frmBackupProgress"));
    progress.setWindowTitle(title);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(200);
    try {
        const BackupArchive::Made made = BackupArchive::create(
            m_folder.root(), *chosen, m_platform.clock.now(), {InstanceLock::lockFileName()},
            [&](qint64 done, qint64 total) { progress.setValue(total > 0 ? int(done * 1000 / total) : 1000); });
        progress.setValue(1000);
        BackupArchive::rememberFolder(m_folder, *chosen);
        QString text =
            QStringLiteral("The data folder was backed up to\r\n%1\r\n%2 files, %3 bytes, read back and checked.")
                .arg(QDir::toNativeSeparators(made.path))
                .arg(made.files)
                .arg(QLocale(QLocale::English).toString(made.bytes));
        if (!made.leftOut.isEmpty())
            text += QStringLiteral("\r\n\r\n%1 left out of the backup:\r\n%2")
                        .arg(made.leftOut.size())
                        .arg(made.leftOut.join(QStringLiteral("\r\n")));
        m_platform.messages.inform(text, title);
    } catch (const DiskError &e) {
        progress.cancel();
        m_platform.messages.inform(e.message(), title);
    }
}
