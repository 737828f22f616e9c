#include "gui/accounts/servicesscreen.h"

#include "core/datafolder.h"
#include "core/formats.h"
#include "core/seams.h"
#include "core/settings.h"
#include "gui/accounts/listtransfer.h"
#include "gui/widgets/fieldfilter.h"
#include "gui/widgets/flexgrid.h"
#include "gui/widgets/messagehelpers.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

ServicesScreen::ServicesScreen(Shared state, Platform &platform, Environment environment, QWidget *parent)
    : ProgramWindow(QStringLiteral("frmServices"), std::move(environment), kMainKey, parent)
    , m_state(state)
    , m_platform(platform)
    , m_editor(state.folder)
{
    setWindowTitle(kCaption);
    auto *outer = new QVBoxLayout(this);

    auto *bar = new QMenuBar(this);
    bar->setObjectName(QStringLiteral("mnuBar"));
    QAction *helpAction = bar->addAction(QStringLiteral("&Help"));
    helpAction->setObjectName(QStringLiteral("mnuHelp"));
    QMenu *list = bar->addMenu(QStringLiteral("&List"));
    list->setObjectName(QStringLiteral("mnuList"));
    list->addAction(QStringLiteral("&Import Services..."), this,
                    [this] {
                        if (m_editor.mode() == ServicesEditor::Mode::Browsing &&
                            ListTransfer::importFile(this, m_state.folder, ImportKind::Services, true, m_platform))
                            loadGrid();
                    })
        ->setObjectName(QStringLiteral("mnuImport"));
    list->addAction(QStringLiteral("&Export Services..."), this,
                    [this] {
                        ListTransfer::exportCsv(m_platform, QStringLiteral("Export Services"),
                                                QStringLiteral("Services.csv"),
                                                RecordImport::listCsv(m_state.folder, ImportKind::Services));
                    })
        ->setObjectName(QStringLiteral("mnuExport"));
    outer->setMenuBar(bar);

    m_grid = new FlexGrid(QStringLiteral("fgServices"), this);
    m_grid->setFormat(QStringLiteral("<Service Description                    |>Charge        |^Allotted Time"));
    outer->addWidget(m_grid, 1);
    connect(m_grid, &FlexGrid::cellClicked, this, [this](int row, int) { selectRow(row); });
    // The arrow keys choose a service as a click does.
    connect(m_grid, &FlexGrid::currentCellChanged, this, [this](int row, int) { selectRow(row); });

    const QStringList captions = {QStringLiteral("Menu"),
                                  QStringLiteral("Add New"),
                                  QStringLiteral("Delete Item"),
                                  QStringLiteral("Modify Item"),
                                  QStringLiteral("Save Service"),
                                  QStringLiteral("Clear"),
                                  QStringLiteral("Clear"),
                                  QStringLiteral("Cancel Add New or Modify"),
                                  QStringLiteral("Close Help Window")};
    for (int i = 0; i < 9; ++i) {
        m_buttons[i] = new QPushButton(captions[i], this);
        m_buttons[i]->setObjectName(QStringLiteral("cmdService_%1").arg(i));
        connect(m_buttons[i], &QPushButton::clicked, this, [this, i] { pressed(i); });
    }
    const QStringList moveCaptions = {QStringLiteral("Move Up"), QStringLiteral("Move Down")};
    for (int i = 0; i < 2; ++i) {
        m_move[i] = new QPushButton(moveCaptions[i], this);
        m_move[i]->setObjectName(QStringLiteral("cmdMove_%1").arg(i));
        connect(m_move[i], &QPushButton::clicked, this, [this, i] { move(i == 0 ? -1 : 1); });
    }

    auto *boxes = new QGridLayout;
    auto *descriptionLabel = new QLabel(QStringLiteral("Service Description"), this);
    descriptionLabel->setObjectName(QStringLiteral("lblDescription"));
    m_description = new QLineEdit(this);
    m_description->setObjectName(QStringLiteral("txtDescription"));
    m_description->setMaxLength(ServicesEditor::kDescriptionLimit);
    descriptionLabel->setBuddy(m_description);
    auto *advice = new QLabel(QStringLiteral("Keep the description to 20 characters or Less"), this);
    advice->setObjectName(QStringLiteral("lblAdvice"));
    auto *chargeLabel = new QLabel(QStringLiteral("Charge"), this);
    chargeLabel->setObjectName(QStringLiteral("lblCharge"));
    m_charge = new QLineEdit(this);
    m_charge->setObjectName(QStringLiteral("txtCharge"));
    m_charge->setMaxLength(20);
    chargeLabel->setBuddy(m_charge);
    auto *timeLabel = new QLabel(QStringLiteral("Allotted Time"), this);
    timeLabel->setObjectName(QStringLiteral("lblTime"));
    m_time = new QComboBox(this);
    m_time->setObjectName(QStringLiteral("cboTime"));
    m_time->addItems(ServiceCatalogue::timeList());
    m_time->setCurrentIndex(1);
    m_time->setMaxVisibleItems(12);
    timeLabel->setBuddy(m_time);
    // "0.15" is never kept: it means a quarter hour.
    connect(m_time, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index == 0)
            m_time->setCurrentIndex(1);
    });
    boxes->addWidget(descriptionLabel, 0, 0);
    boxes->addWidget(m_description, 0, 1);
    boxes->addWidget(m_buttons[ClearDescription], 0, 2);
    boxes->addWidget(advice, 1, 1);
    boxes->addWidget(chargeLabel, 2, 0);
    boxes->addWidget(m_charge, 2, 1);
    boxes->addWidget(m_buttons[ClearCharge], 2, 2);
    boxes->addWidget(timeLabel, 3, 0);
    boxes->addWidget(m_time, 3, 1);
    outer->addLayout(boxes);
    FieldFilter::installStorable(m_description, m_platform.messages);
    FieldFilter::installStorable(m_charge, m_platform.messages);
    m_charge->installEventFilter(this);

    auto *row1 = new QHBoxLayout;
    for (int i : {AddNew, ModifyItem, SaveService, Cancel})
        row1->addWidget(m_buttons[i]);
    outer->addLayout(row1);
    auto *row2 = new QHBoxLayout;
    row2->addWidget(m_buttons[DeleteItem]);
    row2->addWidget(m_move[0]);
    row2->addWidget(m_move[1]);
    row2->addStretch();
    row2->addWidget(m_buttons[Menu]);
    outer->addLayout(row2);

    m_help = new QGroupBox(QStringLiteral("Help"), this);
    m_help->setObjectName(QStringLiteral("fraHelp"));
    auto *helpLayout = new QVBoxLayout(m_help);
    const QStringList helpTexts = {
        QStringLiteral("ADD A SERVICE"), QStringLiteral("Click on Add New,enter Data then click Save Service"),
        QStringLiteral("MODIFY A SERVICE"), QStringLiteral("Click on a Service in the Grid to Select it."),
        QStringLiteral("Click Modify Item, enter Data then click Save Service")};
    for (int i = 0; i < helpTexts.size(); ++i) {
        auto *label = new QLabel(helpTexts[i], m_help);
        label->setObjectName(QStringLiteral("lblHelp_%1").arg(i));
        helpLayout->addWidget(label);
    }
    helpLayout->addWidget(m_buttons[CloseHelp]);
    m_help->hide();
    outer->addWidget(m_help);
    connect(helpAction, &QAction::triggered, this, [this] { m_help->setVisible(!m_help->isVisible()); });

    loadGrid();
    setEditing(false);
    resize(640, 560);
    writeControlsNamed(QStringLiteral("cmdService_\\d+|cmdMove_\\d+|mnuImport")); // off on a read-only seat
}

void ServicesScreen::beep()
{
    if (m_state.settings.soundAlarm)
        m_platform.messages.beep();
}

bool ServicesScreen::guarded(const std::function<void()> &step)
{
    return guardDiskErrors(m_platform.messages, m_state.folder.executableName(), step);
}

void ServicesScreen::loadGrid()
{
    guarded([this] { m_editor.load(); });
    fillGrid();
}

void ServicesScreen::fillGrid()
{
    QList<QStringList> rows;
    for (const CatalogueRow &row : m_editor.rows())
        rows.append({row.description, row.charge, row.time});
    m_grid->setAll(rows);
    if (m_editor.selected() >= 0)
        m_grid->setCurrentRow(m_editor.selected() + 1);
    refreshButtons();
}

void ServicesScreen::refreshButtons()
{
    const bool browsing = m_editor.mode() == ServicesEditor::Mode::Browsing;
    const bool selected = m_editor.selected() >= 0;
    m_buttons[DeleteItem]->setEnabled(browsing && selected);
    m_buttons[ModifyItem]->setEnabled(browsing && selected);
    m_move[0]->setEnabled(browsing && selected && m_editor.selected() > 0);
    m_move[1]->setEnabled(browsing && selected && m_editor.selected() + 1 < int(m_editor.rows().size()));
}

void ServicesScreen::showEvent(QShowEvent *event)
{
    ProgramWindow::showEvent(event);
    // The boxes wait for Add New or Modify Item.
    if (m_editor.mode() == ServicesEditor::Mode::Browsing)
        setEditing(false);
}

bool ServicesScreen::event(QEvent *event)
{
    // Leaving the window stores the catalogue as the grid shows it (every change is written at once; this
    // catches up after a disk failure).
    if (event->type() == QEvent::WindowDeactivate && isVisible())
        guarded([this] { m_editor.flush(); });
    return ProgramWindow::event(event);
}

void ServicesScreen::setEditing(bool on)
{
    m_description->setEnabled(on);
    m_charge->setEnabled(on);
    m_time->setEnabled(on);
    m_buttons[SaveService]->setEnabled(on);
    m_buttons[ClearDescription]->setEnabled(on);
    m_buttons[ClearCharge]->setEnabled(on);
    m_buttons[Cancel]->setEnabled(on);
    m_buttons[AddNew]->setEnabled(!on);
    refreshButtons();
}

void ServicesScreen::clearBoxes()
{
    m_description->clear();
    m_charge->clear();
    m_time->setCurrentIndex(1);
}

void ServicesScreen::selectRow(int gridRow)
{
    if (m_editor.mode() != ServicesEditor::Mode::Browsing)
        return;
    m_editor.select(gridRow - 1);
    refreshButtons();
}

void ServicesScreen::pressed(int index)
{
    switch (Button(index)) {
    case Menu:
        if (!guarded([this] { m_editor.flush(); }))
            return;
        hide();
        emit returnToMenu();
        return;
    case AddNew:
        addNew();
        return;
    case DeleteItem:
        deleteItem();
        return;
    case ModifyItem:
        modify();
        return;
    case SaveService:
        saveService();
        return;
    case ClearDescription:
        m_description->clear();
        m_description->setFocus();
        return;
    case ClearCharge:
        m_charge->clear();
        m_charge->setFocus();
        return;
    case Cancel:
        m_editor.cancel();
        clearBoxes();
        setEditing(false);
        return;
    case CloseHelp:
        m_help->hide();
        return;
    }
}

void ServicesScreen::addNew()
{
    if (m_editor.startAdd() == ServicesEditor::Refusal::Full) {
        m_platform.messages.inform(ServicesEditor::kFull, kCaption);
        return;
    }
    clearBoxes();
    m_time->setCurrentIndex(0); // moves on to 0:15
    setEditing(true);
    m_description->setFocus();
}

void ServicesScreen::modify()
{
    const auto boxes = m_editor.startModify();
    if (!boxes)
        return;
    m_description->setText(boxes->description);
    m_charge->setText(boxes->charge);
    m_time->setCurrentIndex(boxes->timeIndex);
    setEditing(true);
    m_description->setFocus();
}

bool ServicesScreen::checkCharge()
{
    if (m_checkingCharge || !m_charge->isEnabled())
        return true;
    // A blank box is left to Save Service, which refuses it.
    if (m_charge->text().trimmed().isEmpty() || ServicesEditor::checkedCharge(m_charge->text()))
        return true;
    m_checkingCharge = true;
    // The box gets zero first, so the message box taking the focus finds nothing more to refuse.
    m_charge->setText(Formats::currency(Money()));
    beep();
    m_platform.messages.inform(ServicesEditor::kBadCharge, kCaption);
    m_charge->setFocus();
    m_charge->selectAll();
    m_checkingCharge = false;
    return false;
}

void ServicesScreen::saveService()
{
    if (!checkCharge())
        return;
    ServicesEditor::Refusal refusal = ServicesEditor::Refusal::None;
    if (!guarded(
            [&] { refusal = m_editor.saveService(m_description->text(), m_charge->text(), m_time->currentIndex()); })) {
        fillGrid();
        return;
    }
    switch (refusal) {
    case ServicesEditor::Refusal::BlankDescription:
        beep();
        m_description->setFocus();
        return;
    case ServicesEditor::Refusal::BlankCharge:
        beep();
        m_charge->setFocus();
        return;
    case ServicesEditor::Refusal::BadCharge:
        checkCharge();
        return;
    case ServicesEditor::Refusal::Full:
        m_platform.messages.inform(ServicesEditor::kFull, kCaption);
        return;
    case ServicesEditor::Refusal::None:
        break;
    }
    clearBoxes();
    setEditing(false);
    fillGrid();
}

void ServicesScreen::deleteItem()
{
    if (m_editor.selected() < 0)
        return;
    if (!m_platform.messages.ask(QStringLiteral("This will DELETE the Selected Service"),
                                 QStringLiteral("Delete Service Item")))
        return;
    guarded([this] { m_editor.deleteSelected(); });
    fillGrid();
}

void ServicesScreen::move(int step)
{
    if (m_editor.mode() != ServicesEditor::Mode::Browsing)
        return;
    guarded([&] { m_editor.moveSelected(step); });
    fillGrid();
}

bool ServicesScreen::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_charge) {
        if (event->type() == QEvent::KeyPress) {
            // Typing over the zero amount replaces it.
            const auto *key = static_cast<QKeyEvent *>(event);
            if (!key->text().isEmpty() && key->text().at(0).isPrint() && m_charge->text() == Formats::currency(Money()))
                m_charge->clear();
        } else if (event->type() == QEvent::FocusOut) {
            const auto reason = static_cast<QFocusEvent *>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && isVisible()) {
                if (checkCharge() && m_charge->isEnabled() && !m_charge->text().trimmed().isEmpty())
                    m_charge->setText(*ServicesEditor::checkedCharge(m_charge->text()));
            }
        }
    }
    return ProgramWindow::eventFilter(watched, event);
}
