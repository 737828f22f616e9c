#include "gui/accounts/assignmentscreen.h"

#include "accounts/assignmentprintvalues.h"
#include "accounts/assignmentrecord.h"
#include "core/datafolder.h"
#include "core/seams.h"
#include "core/settings.h"
#include "dispatch/assignedslips.h"
#include "gui/accounts/listtransfer.h"
#include "gui/accounts/pairphonedialog.h"
#include "gui/widgets/fieldfilter.h"
#include "gui/widgets/flexgrid.h"
#include "gui/widgets/messagehelpers.h"
#include "gui/widgets/widgets.h"
#include "phone/phonetokens.h"
#include "printing/assignmentreport.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString kEmployee = QStringLiteral("Employee");
const QString kSubContractor = QStringLiteral("Sub-Contractor");
const QStringList kCriteria = {QStringLiteral("by Name"),
                               QStringLiteral("by Street Address"),
                               QStringLiteral("by Apt/PO Box Sub Div"),
                               QStringLiteral("by City"),
                               QStringLiteral("by State"),
                               QStringLiteral("by Zip Code"),
                               QStringLiteral("by Telephone Number"),
                               QStringLiteral("by Reference")};
const QStringList kUsaCriteria = {QStringLiteral("by Apt/POBox/Sub Div"), QStringLiteral("by City"),
                                  QStringLiteral("by State"), QStringLiteral("by Zip Code")};
const QStringList kInternationalCriteria = {QStringLiteral("by Addr #2"), QStringLiteral("by Addr #3"),
                                            QStringLiteral("(Not Used)"), QStringLiteral("by Addr#4")};
const QStringList kUsaHeadings = {QStringLiteral("Street Address    "), QStringLiteral("City         "),
                                  QStringLiteral("State"), QStringLiteral("Zip Code")};
const QStringList kInternationalHeadings = {QStringLiteral("Street Address    "), QStringLiteral("Addr #3        "),
                                            QStringLiteral("(Not Used)"), QStringLiteral("Addr#4          ")};

QLineEdit *lineEdit(const QString &name, int limit, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    if (limit > 0)
        edit->setMaxLength(limit);
    return edit;
}

QComboBox *comboBox(const QString &name, int limit, QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->lineEdit()->setObjectName(name + QStringLiteral("Text"));
    if (limit > 0)
        box->lineEdit()->setMaxLength(limit);
    return box;
}

// The focus left a box for another control of this window (not for another window or a popup).
bool movedWithin(Qt::FocusReason reason)
{
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::MouseFocusReason ||
           reason == Qt::ShortcutFocusReason || reason == Qt::OtherFocusReason;
}

} // namespace

AssignmentScreen::AssignmentScreen(Shared state, Platform &platform, Environment environment, PrintTarget &target,
                                   InputsSource inputs, QWidget *parent)
    : ProgramWindow(QStringLiteral("frmAssignment"), std::move(environment), kMainKey, parent)
    , m_state(state)
    , m_platform(platform)
    , m_target(target)
    , m_inputs(std::move(inputs))
    , m_editor(state)
{
    setWindowTitle(kCaption);
    auto *outer = new QVBoxLayout(this);

    // -- Menu bar
    auto *bar = new QMenuBar(this);
    bar->setObjectName(QStringLiteral("mnuBar"));
    m_addAction = bar->addAction(QStringLiteral("Add a &New assignment"));
    m_addAction->setObjectName(QStringLiteral("mnuAddNew"));
    m_deleteAction = bar->addAction(QStringLiteral("&DELETE This Assignment"));
    m_deleteAction->setObjectName(QStringLiteral("mnuDelete"));
    m_gridAction = bar->addAction(QStringLiteral("Show Assignment &Grid"));
    m_gridAction->setObjectName(QStringLiteral("mnuShowGrid"));
    QMenu *list = bar->addMenu(QStringLiteral("&List"));
    list->setObjectName(QStringLiteral("mnuList"));
    list->addAction(QStringLiteral("&Import Assignments..."), this,
                    [this] {
                        if (save() && ListTransfer::importFile(this, m_state.folder, ImportKind::Technicians,
                                                               m_state.usaAddressStyle, m_platform)) {
                            m_state.assignmentLists = LoadAssignmentLists(m_state.folder);
                            activate();
                        }
                    })
        ->setObjectName(QStringLiteral("mnuImport"));
    list->addAction(QStringLiteral("&Export Assignments..."), this,
                    [this] {
                        ListTransfer::exportCsv(m_platform, QStringLiteral("Export Assignments"),
                                                QStringLiteral("Assignments.csv"),
                                                RecordImport::listCsv(m_state.folder, ImportKind::Technicians));
                    })
        ->setObjectName(QStringLiteral("mnuExport"));
    outer->setMenuBar(bar);
    connect(m_addAction, &QAction::triggered, this, &AssignmentScreen::addNew);
    connect(m_deleteAction, &QAction::triggered, this, &AssignmentScreen::deleteAssignment);
    connect(m_gridAction, &QAction::triggered, this, [this] {
        if (m_state.folder.fileExists(AssignmentFile::kPath) && !m_editor.empty())
            showCompleteList();
        else
            beep();
    });

    // -- Help texts
    auto *help = new QVBoxLayout;
    const QStringList helpTexts = {QStringLiteral("Use this form to store Assignment Information."),
                                   QStringLiteral("An assignment can be an Employee, Sub-Contractor or other, etc."),
                                   QStringLiteral("Enter Employee, Sub-Contractor, etc as a Reference."),
                                   QStringLiteral("Searching by reference would then find all records matching the "
                                                  "Reference")};
    for (int i = 0; i < helpTexts.size(); ++i) {
        auto *label = new QLabel(helpTexts[i], this);
        label->setObjectName(QStringLiteral("lblHelp_%1").arg(i));
        help->addWidget(label);
    }
    outer->addLayout(help);

    m_panels = new QStackedWidget(this);
    m_panels->setObjectName(QStringLiteral("stkPanels"));
    outer->addWidget(m_panels, 1);

    // -- The contact panel
    m_contact = new QGroupBox(QStringLiteral("Assignment Information"), this);
    m_contact->setObjectName(QStringLiteral("fraContact"));
    auto *form = new QGridLayout(m_contact);
    m_displaying = new QLabel(m_contact);
    m_displaying->setObjectName(QStringLiteral("lblDisplaying"));
    form->addWidget(m_displaying, 0, 0, 1, 4);
    m_reference = comboBox(QStringLiteral("cboReference"), 20, m_contact);
    m_reference->addItems({kEmployee, kSubContractor});
    m_name = lineEdit(QStringLiteral("txtName"), 30, m_contact);
    m_address1 = lineEdit(QStringLiteral("txtAddress1"), 35, m_contact);
    m_address2 = lineEdit(QStringLiteral("txtAddress2"), 25, m_contact);
    m_city = comboBox(QStringLiteral("cboCity"), 20, m_contact);
    m_stateBox = comboBox(QStringLiteral("cboState"), 20, m_contact);
    m_postal = lineEdit(QStringLiteral("txtPostal"), 10, m_contact);
    m_address3 = lineEdit(QStringLiteral("txtAddress3"), 20, m_contact);
    m_address4 = lineEdit(QStringLiteral("txtAddress4"), 10, m_contact);
    m_telephone = lineEdit(QStringLiteral("txtTelephone"), 15, m_contact);
    m_cell = lineEdit(QStringLiteral("txtCell"), 15, m_contact);
    m_textMsg = lineEdit(QStringLiteral("txtTextMsg"), 15, m_contact);
    m_email = lineEdit(QStringLiteral("txtEmail"), 30, m_contact);

    int row = 1;
    auto addRow = [&](const QString &labelName, const QString &caption, QWidget *box) {
        auto *label = new QLabel(caption, m_contact);
        label->setObjectName(labelName);
        label->setBuddy(box);
        form->addWidget(label, row, 0);
        form->addWidget(box, row, 1, 1, 3);
        ++row;
        return label;
    };
    addRow(QStringLiteral("lblReference"), QStringLiteral("Reference"), m_reference);
    addRow(QStringLiteral("lblName"), QStringLiteral("Name"), m_name);
    addRow(QStringLiteral("lblAddress1"), QStringLiteral("Address 1"), m_address1);
    addRow(QStringLiteral("lblAddress2"), QStringLiteral("Address 2"), m_address2);
    QLabel *cityLabel = addRow(QStringLiteral("lblCity"), QStringLiteral("City"), m_city);
    {
        auto *stateLabel = new QLabel(QStringLiteral("St"), m_contact);
        stateLabel->setObjectName(QStringLiteral("lblState"));
        auto *postalLabel = new QLabel(QStringLiteral("Postal"), m_contact);
        postalLabel->setObjectName(QStringLiteral("lblPostal"));
        form->addWidget(stateLabel, row, 0);
        form->addWidget(m_stateBox, row, 1);
        form->addWidget(postalLabel, row, 2);
        form->addWidget(m_postal, row, 3);
        ++row;
        m_usaOnly = {cityLabel, m_city, stateLabel, m_stateBox, postalLabel, m_postal};
    }
    QLabel *a3 = addRow(QStringLiteral("lblAddress3"), QStringLiteral("Address 3"), m_address3);
    QLabel *a4 = addRow(QStringLiteral("lblAddress4"), QStringLiteral("Address 4"), m_address4);
    m_internationalOnly = {a3, m_address3, a4, m_address4};
    addRow(QStringLiteral("lblTelephone"), QStringLiteral("Telephone"), m_telephone);
    addRow(QStringLiteral("lblCell"), QStringLiteral("Cell"), m_cell);
    addRow(QStringLiteral("lblTextMsg"), QStringLiteral("Txt Msg No"), m_textMsg);
    addRow(QStringLiteral("lblEmail"), QStringLiteral("EMail"), m_email);

    m_phoneOptions = new QGroupBox(QStringLiteral("Phone Options"), m_contact);
    m_phoneOptions->setObjectName(QStringLiteral("fraPhone"));
    auto *phoneLayout = new QHBoxLayout(m_phoneOptions);
    const QStringList phoneCaptions = {QStringLiteral("Dial Telephone"), QStringLiteral("Dial Cell"),
                                       QStringLiteral("Dial Text Msg Number")};
    for (int i = 0; i < 3; ++i) {
        m_phoneOption[i] = new QRadioButton(phoneCaptions[i], m_phoneOptions);
        m_phoneOption[i]->setObjectName(QStringLiteral("optPhone_%1").arg(i));
        phoneLayout->addWidget(m_phoneOption[i]);
    }
    m_phoneOption[0]->setChecked(true);
    Widgets::optionGroup({std::begin(m_phoneOption), std::end(m_phoneOption)});
    m_dialer = new QPushButton(QStringLiteral("Dial"), m_contact);
    m_dialer->setObjectName(QStringLiteral("imgDialer"));
    m_dialer->setToolTip(QStringLiteral("Dial the chosen number"));
    form->addWidget(m_phoneOptions, row, 0, 1, 3);
    form->addWidget(m_dialer, row, 3);
    addNoModemNote(m_dialer);
    form->setRowStretch(row + 1, 1);
    connect(m_dialer, &QPushButton::clicked, this, &AssignmentScreen::dial);

    m_contactBoxes = {m_reference, m_name,     m_address1,  m_address2, m_city,    m_stateBox, m_postal,
                      m_address3,  m_address4, m_telephone, m_cell,     m_textMsg, m_email};
    for (QLineEdit *edit : {m_name, m_address1, m_address2, m_postal, m_address3, m_address4, m_telephone, m_cell,
                            m_textMsg, m_email, m_reference->lineEdit(), m_city->lineEdit(), m_stateBox->lineEdit()}) {
        FieldFilter::installStorable(edit, m_platform.messages);
        edit->installEventFilter(this);
    }
    m_panels->addWidget(m_contact);

    // -- The search panel
    m_search = new QGroupBox(QStringLiteral("Assignment Search"), this);
    m_search->setObjectName(QStringLiteral("fraSearch"));
    auto *searchLayout = new QGridLayout(m_search);
    m_criteria = new QButtonGroup(m_search);
    for (int i = 0; i < 8; ++i) {
        m_criterion[i] = new QRadioButton(kCriteria[i], m_search);
        m_criterion[i]->setObjectName(QStringLiteral("optCriterion_%1").arg(i));
        m_criteria->addButton(m_criterion[i], i);
        searchLayout->addWidget(m_criterion[i], i / 2, i % 2);
    }
    connect(m_criteria, &QButtonGroup::idClicked, this, &AssignmentScreen::chooseCriterion);
    Widgets::optionGroup(m_criteria->buttons());
    m_searchText = comboBox(QStringLiteral("cboSearch"), 30, m_search);
    m_searchText->addItems({kEmployee, kSubContractor});
    FieldFilter::installStorable(m_searchText->lineEdit(), m_platform.messages);
    searchLayout->addWidget(m_searchText, 4, 0, 1, 2);
    auto *start = new QPushButton(QStringLiteral("Start Search"), m_search);
    start->setObjectName(QStringLiteral("cmdStartSearch"));
    start->setDefault(true);
    auto *back = new QPushButton(QStringLiteral("Return"), m_search);
    back->setObjectName(QStringLiteral("cmdReturn"));
    auto *clear = new QPushButton(QStringLiteral("Clear Current Search"), m_search);
    clear->setObjectName(QStringLiteral("cmdClearSearch"));
    auto *searchButtons = new QHBoxLayout;
    searchButtons->addWidget(start);
    searchButtons->addWidget(clear);
    searchButtons->addWidget(back);
    searchLayout->addLayout(searchButtons, 5, 0, 1, 2);
    connect(start, &QPushButton::clicked, this, &AssignmentScreen::startSearch);
    connect(m_searchText->lineEdit(), &QLineEdit::returnPressed, this, &AssignmentScreen::startSearch);
    connect(back, &QPushButton::clicked, this, [this] { showPanel(m_contact); });
    connect(clear, &QPushButton::clicked, this, [this] {
        m_searchText->setEditText(QString());
        m_searchText->setFocus();
    });
    m_panels->addWidget(m_search);

    // -- The results panel
    m_results = new QGroupBox(this);
    m_results->setObjectName(QStringLiteral("fraResults"));
    auto *resultsLayout = new QVBoxLayout(m_results);
    m_resultsCaption = new QLabel(m_results);
    m_resultsCaption->setObjectName(QStringLiteral("lblResults"));
    resultsLayout->addWidget(m_resultsCaption);
    m_grid = new FlexGrid(QStringLiteral("fgResults"), m_results);
    m_grid->setFormat(QStringLiteral("<Name                    |<Telephone       |<Street Address    |<City         |"
                                     "<State|<Zip Code|<Rec#"));
    resultsLayout->addWidget(m_grid, 1);
    m_print = new QPushButton(QStringLiteral("&Print"), m_results);
    m_print->setObjectName(QStringLiteral("cmdPrint"));
    m_close = new QPushButton(QStringLiteral("&Close"), m_results);
    m_close->setObjectName(QStringLiteral("cmdClose"));
    auto *resultButtons = new QHBoxLayout;
    resultButtons->addWidget(m_print);
    resultButtons->addWidget(m_close);
    resultsLayout->addLayout(resultButtons);
    connect(m_print, &QPushButton::clicked, this, &AssignmentScreen::printReport);
    connect(m_close, &QPushButton::clicked, this, &AssignmentScreen::closeResults);
    connect(m_grid, &FlexGrid::cellRightClicked, this, [this](int row, int, const QPoint &at) {
        if (row < 1)
            return;
        QMenu menu(this);
        menu.setObjectName(QStringLiteral("mnuResults"));
        QAction *select = menu.addAction(QStringLiteral("Select Assignment"));
        if (menu.exec(at) == select)
            selectResult(row);
    });
    connect(m_grid, &FlexGrid::cellDoubleClicked, this, [this](int row, int) { selectResult(row); });
    m_panels->addWidget(m_results);

    // -- The buttons
    auto *buttons = new QHBoxLayout;
    const QStringList navCaptions = {QStringLiteral("|<<"), QStringLiteral("<"), QStringLiteral(">"),
                                     QStringLiteral(">>|")};
    for (int i = 0; i < 4; ++i) {
        m_nav[i] = new QPushButton(navCaptions[i], this);
        m_nav[i]->setObjectName(QStringLiteral("cmdNav_%1").arg(i));
        buttons->addWidget(m_nav[i]);
        connect(m_nav[i], &QPushButton::clicked, this, [this, i] { navigate(i); });
    }
    buttons->addStretch();
    m_cancelAdd = new QPushButton(QStringLiteral("Cancel &Add New"), this);
    m_cancelAdd->setObjectName(QStringLiteral("cmdCancelAdd"));
    m_searchButton = new QPushButton(QStringLiteral("&Search"), this);
    m_searchButton->setObjectName(QStringLiteral("cmdSearch"));
    m_menuButton = new QPushButton(QStringLiteral("&Menu"), this);
    m_menuButton->setObjectName(QStringLiteral("cmdMenu"));
    m_pairPhone = new QPushButton(QStringLiteral("Pair P&hone..."), this);
    m_pairPhone->setObjectName(QStringLiteral("cmdPairPhone"));
    m_pairPhone->setVisible(m_state.phoneTokens != nullptr);
    connect(m_pairPhone, &QPushButton::clicked, this, &AssignmentScreen::pairPhone);
    buttons->addWidget(m_pairPhone);
    buttons->addWidget(m_cancelAdd);
    buttons->addWidget(m_searchButton);
    buttons->addWidget(m_menuButton);
    outer->addLayout(buttons);
    connect(m_cancelAdd, &QPushButton::clicked, this, &AssignmentScreen::cancelAdd);
    connect(m_menuButton, &QPushButton::clicked, this, &AssignmentScreen::goToMenu);
    connect(m_searchButton, &QPushButton::clicked, this, [this] {
        if (!save())
            return;
        showPanel(m_search);
        m_criterion[int(AssignmentCriterion::Reference)]->setChecked(true);
        m_searchText->setEditText(kEmployee);
        m_searchText->setFocus();
    });

    // Load: the state list, then the style.
    m_stateBox->addItems(Settings::loadStatesList(m_state.folder));
    m_stateBox->setEditText(QString());
    m_cancelAdd->setEnabled(false);
    SetUSAStyle();
    resize(900, 660);
    writeControlsNamed(QStringLiteral("mnuAddNew|mnuDelete|mnuImport|cmdPairPhone")); // off on a read-only seat
}

void AssignmentScreen::beep()
{
    if (m_state.settings.soundAlarm)
        m_platform.messages.beep();
}

bool AssignmentScreen::guarded(const std::function<void()> &step)
{
    return guardDiskErrors(m_platform.messages, m_state.folder.executableName(), step);
}

void AssignmentScreen::SetUSAStyle()
{
    const bool usa = m_state.usaAddressStyle;
    for (QWidget *w : m_usaOnly)
        w->setVisible(usa);
    for (QWidget *w : m_internationalOnly)
        w->setVisible(!usa);
    const QStringList &captions = usa ? kUsaCriteria : kInternationalCriteria;
    const QStringList &headings = usa ? kUsaHeadings : kInternationalHeadings;
    for (int i = 0; i < 4; ++i) {
        m_criterion[2 + i]->setText(captions[i]);
        m_grid->setText(0, 2 + i, headings[i]);
        m_grid->setColumnWeight(2 + i, int(headings[i].size()));
    }
}

void AssignmentScreen::showEvent(QShowEvent *event)
{
    ProgramWindow::showEvent(event);
    activate();
}

void AssignmentScreen::activate()
{
    SetUSAStyle();
    showDialing();
    bool emptyFile = false;
    if (!guarded([&] { emptyFile = m_editor.activate(); }))
        return;
    fillCities();
    if (!emptyFile) {
        if (m_editor.pendingNew()) {
            refreshControls();
            return;
        }
        showRecord();
        showCompleteList();
        return;
    }
    showPanel(m_contact);
    showBoxes(m_editor.startBoxes());
    m_displaying->setText(QStringLiteral("Displaying Assignment # %1").arg(m_editor.current()));
    refreshControls();
    m_quiet = true;
    m_name->setFocus();
    m_quiet = false;
    // Told once the window is on the screen, so that the user sees what the message is about.
    QTimer::singleShot(0, this, [this] {
        m_platform.messages.inform(QStringLiteral("Your Assignment File is Empty\r\nCreate your First Assignment Now"),
                                   QStringLiteral("Create Assignments"));
    });
    for (QRadioButton *option : m_phoneOption)
        option->setEnabled(false);
}

void AssignmentScreen::fillCities()
{
    for (const QString &city : m_editor.cities()) {
        if (m_city->findText(city) < 0)
            m_city->addItem(city);
    }
}

void AssignmentScreen::showRecord()
{
    showPanel(m_contact);
    AssignmentBoxes shown;
    if (!guarded([&] { shown = m_editor.show(); }))
        return;
    showBoxes(shown);
    m_displaying->setText(m_editor.empty() ? QStringLiteral("No Assignment: choose Add a New assignment")
                                           : QStringLiteral("Displaying Assignment # %1").arg(m_editor.current()));
    refreshControls();
    m_quiet = true;
    m_name->setFocus();
    m_quiet = false;
}

void AssignmentScreen::showBoxes(const AssignmentBoxes &b)
{
    m_reference->setEditText(b.reference);
    m_name->setText(b.name);
    m_address1->setText(b.address1);
    m_address2->setText(b.address2);
    m_city->setEditText(b.city);
    m_stateBox->setEditText(b.state);
    m_postal->setText(b.postalCode);
    m_address3->setText(b.address3);
    m_address4->setText(b.address4);
    m_telephone->setText(b.telephone);
    m_cell->setText(b.cell);
    m_textMsg->setText(b.textMsgNo);
    m_email->setText(b.email);
    m_shownBoxes = boxes();
}

std::optional<ProgramWindow::UnsavedWork> AssignmentScreen::unsavedWork()
{
    // Menu saves the record on screen: the close box asks when its boxes were changed.
    if (m_editor.current() <= 0 || boxes() == m_shownBoxes)
        return std::nullopt;
    return UnsavedWork{&m_platform.messages,
                       QStringLiteral("The assignment on screen has changes that are not saved.\r\n"
                                      "Save them before the screen closes?"),
                       windowTitle().trimmed(),
                       [this] { return save(); },
                       {}};
}

AssignmentBoxes AssignmentScreen::boxes() const
{
    AssignmentBoxes b;
    b.reference = m_reference->currentText();
    b.name = m_name->text();
    b.address1 = m_address1->text();
    b.address2 = m_address2->text();
    b.city = m_city->currentText();
    b.state = m_stateBox->currentText();
    b.postalCode = m_postal->text();
    b.address3 = m_address3->text();
    b.address4 = m_address4->text();
    b.telephone = m_telephone->text();
    b.cell = m_cell->text();
    b.textMsgNo = m_textMsg->text();
    b.email = m_email->text();
    return b;
}

bool AssignmentScreen::save()
{
    // A technician renamed while slips are still given to the old name: the slips follow in the same save, or
    // nothing is saved.
    AssignmentEditor::RecordWriter write;
    const QString oldName = m_editor.storedName();
    const QString newName = m_name->text().trimmed();
    if (!oldName.isEmpty() && oldName != newName) {
        int slips = 0;
        if (!guarded([&] { slips = AssignedSlips::countActive(m_state.folder, oldName); }))
            return false;
        if (slips > 0) {
            if (!m_platform.messages.ask(
                    QStringLiteral("%1 active slips are assigned to %2. Rename them too?").arg(slips).arg(oldName),
                    QStringLiteral("Rename Assignment"))) {
                m_name->setFocus();
                return false;
            }
            write = [this, oldName](int number, const Record &record) {
                AssignedSlips::renameAssignment(m_state.folder, number, record, oldName);
            };
        }
    }
    bool kept = true;
    bool ok = guarded([&] { kept = m_editor.save(boxes(), write); });
    // The technician's paired phones follow the new name, as the slips do.
    if (ok && kept && !oldName.isEmpty() && oldName != newName && m_state.phoneTokens)
        ok = guarded([&] { m_state.phoneTokens->renameTechnician(oldName, newName); });
    fillCities();
    m_dropped = ok && !kept;
    if (ok)
        m_shownBoxes = boxes();
    if (m_dropped)
        showRecord(); // the nameless new one gave way: the boxes show the record that is current now
    refreshControls();
    return ok;
}

void AssignmentScreen::refreshControls()
{
    const bool record = !m_editor.empty();
    for (QWidget *box : m_contactBoxes)
        box->setEnabled(record);
    if (!record)
        showBoxes({});
    m_deleteAction->setEnabled(record);
    m_dialer->setEnabled(record);
    for (QPushButton *b : m_nav)
        b->setEnabled(record);
    m_cancelAdd->setEnabled(m_editor.pendingNew());
    m_pairPhone->setEnabled(record);
    refreshPhoneOptions();
}

void AssignmentScreen::refreshPhoneOptions()
{
    const QLineEdit *numbers[3] = {m_telephone, m_cell, m_textMsg};
    for (int i = 0; i < 3; ++i)
        m_phoneOption[i]->setEnabled(!m_editor.empty() && !numbers[i]->text().isEmpty());
    if (!m_phoneOption[0]->isChecked() && !m_phoneOption[1]->isChecked() && !m_phoneOption[2]->isChecked())
        m_phoneOption[0]->setChecked(true);
}

void AssignmentScreen::navigate(int which)
{
    if (!save())
        return;
    switch (which) {
    case 0:
        m_editor.first();
        break;
    case 1:
        m_editor.previous();
        break;
    case 2:
        m_editor.next();
        break;
    default:
        m_editor.last();
        break;
    }
    showRecord();
}

void AssignmentScreen::addNew()
{
    // The record on screen is kept first as every save keeps it (a rename asks about its slips).
    if (m_name->text().trimmed().size() >= 2 && !m_editor.storedName().isEmpty() && !save())
        return;
    AssignmentBoxes fresh;
    if (!guarded([&] { fresh = m_editor.startNew(boxes(), QString()); }))
        return;
    fillCities();
    showPanel(m_contact);
    showBoxes(fresh);
    m_displaying->setText(QStringLiteral("Displaying Assignment # %1").arg(m_editor.current()));
    refreshControls();
    m_quiet = true;
    m_name->setFocus();
    m_quiet = false;
}

void AssignmentScreen::cancelAdd()
{
    m_editor.cancelNew();
    m_cancelAdd->setEnabled(false);
    showRecord();
}

void AssignmentScreen::deleteAssignment()
{
    if (m_editor.empty())
        return;
    // A technician's phones are revoked with the technician; the question says so.
    const QString stored = m_editor.storedName();
    const std::size_t phones =
        stored.isEmpty() || !m_state.phoneTokens ? 0 : m_state.phoneTokens->phones(stored).size();
    QString question = QStringLiteral("Delete this Assignment");
    if (phones > 0)
        question += QStringLiteral("\r\nThe %1 phone(s) paired with %2 will be revoked.").arg(phones).arg(stored);
    if (!m_platform.messages.ask(question, QStringLiteral("Delete Assignment"))) {
        m_name->setFocus();
        return;
    }
    if (!m_editor.pendingNew() || m_editor.current() != m_editor.count()) {
        // The slips keep the name they were given; the user decides whether that is fine.
        const QString name = m_name->text().trimmed();
        int slips = 0;
        if (!guarded([&] { slips = AssignedSlips::countActive(m_state.folder, name); }))
            return;
        if (slips > 0 && !m_platform.messages.ask(
                             QStringLiteral("%1 active slips are assigned to %2. Delete anyway?").arg(slips).arg(name),
                             QStringLiteral("Delete Assignment"))) {
            m_name->setFocus();
            return;
        }
    }
    // Another assignment of the same name keeps the phones.
    if (guarded([&] { m_editor.deleteCurrent(); }) && phones > 0 &&
        !m_state.assignmentLists.board.mid(1).contains(stored))
        guarded([&] { m_state.phoneTokens->removeTechnician(stored); });
    showRecord();
}

void AssignmentScreen::pairPhone()
{
    if (!m_state.phoneTokens || m_editor.empty() || !save())
        return;
    const QString name = m_editor.storedName();
    if (name.isEmpty()) {
        beep();
        m_name->setFocus();
        return;
    }
    auto *dialog = new PairPhoneDialog(*m_state.phoneTokens, name, m_state.phonePageAddress, m_state.phoneFingerprint,
                                       m_platform.messages, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void AssignmentScreen::chooseCriterion(int criterion)
{
    m_searchText->setEditText(criterion == int(AssignmentCriterion::Reference) ? kEmployee : QString());
    m_searchText->setFocus();
}

void AssignmentScreen::startSearch()
{
    const int checked = m_criteria->checkedId();
    const auto criterion = AssignmentCriterion(checked < 0 ? 0 : checked);
    AssignmentSearchOutcome outcome;
    if (!guarded([&] { outcome = m_editor.search(criterion, m_searchText->currentText()); }))
        return;
    switch (outcome.kind) {
    case AssignmentSearchOutcome::Kind::TooShort:
        beep();
        m_platform.messages.inform(AssignmentEditor::kPhoneSearchTooShort, QStringLiteral("Assignment Search"));
        m_searchText->setFocus();
        return;
    case AssignmentSearchOutcome::Kind::NotFound:
        if (m_platform.messages.ask(AssignmentFile::kAskCreate, AssignmentFile::kNotFoundTitle)) {
            AssignmentBoxes fresh;
            if (!guarded([&] { fresh = m_editor.startNew(boxes(), outcome.searched); }))
                return;
            showPanel(m_contact);
            showBoxes(fresh);
            m_displaying->setText(QStringLiteral("Displaying Assignment # %1").arg(m_editor.current()));
            refreshControls();
            m_name->setFocus();
        } else {
            m_searchText->setFocus();
        }
        return;
    case AssignmentSearchOutcome::Kind::One:
        showRecord();
        return;
    case AssignmentSearchOutcome::Kind::Many:
        m_resultsCaption->setText(AssignmentFile::kResultsCaption);
        m_print->setVisible(false);
        fillResults(outcome.rows);
        showPanel(m_results);
        return;
    }
}

void AssignmentScreen::showCompleteList()
{
    m_resultsCaption->setText(QStringLiteral("Contact List"));
    m_print->setVisible(true);
    std::vector<QStringList> rows;
    if (!guarded([&] { rows = m_editor.completeList(); }))
        return;
    fillResults(rows);
    showPanel(m_results);
}

void AssignmentScreen::fillResults(const std::vector<QStringList> &rows)
{
    m_grid->setAll(QList<QStringList>(rows.begin(), rows.end()));
    if (m_grid->rows() > 1)
        m_grid->setCurrentRow(1);
}

void AssignmentScreen::selectResult(int row)
{
    const int record = m_grid->text(row, 6).toInt();
    if (record < 1)
        return;
    m_editor.select(record);
    showRecord();
}

void AssignmentScreen::closeResults()
{
    // After a search (no "&Print") the search panel comes back; after the complete list the contact panel.
    if (!m_print->isVisibleTo(m_results)) {
        showPanel(m_search);
        m_searchText->setEditText(kEmployee);
        m_searchText->setFocus();
        return;
    }
    showPanel(m_contact);
}

void AssignmentScreen::showPanel(QWidget *panel)
{
    m_panels->setCurrentWidget(panel);
}

void AssignmentScreen::printReport()
{
    if (!m_platform.messages.ask(QStringLiteral("Click Yes to print an Assignment Report"),
                                 QStringLiteral("Assignment Report")))
        return;
    std::vector<Record> records;
    if (!guarded([&] { records = m_state.folder.readRecords(AssignmentFile::kPath, assignmentLayout()); }))
        return;
    printAssignmentReport(m_target, m_inputs ? m_inputs() : DocumentInputs(), assignmentReportEntries(records));
}

void AssignmentScreen::setDialingEnabled(bool enabled)
{
    m_dialingEnabled = enabled;
    showDialing();
}

void AssignmentScreen::showDialing()
{
    const bool phone = m_dialingEnabled && m_state.settings.phoneDaisyChained;
    m_phoneOptions->setVisible(phone);
    m_dialer->setVisible(phone);
}

void AssignmentScreen::dial()
{
    if (!m_dialingEnabled)
        return;
    if (m_editor.empty())
        return;
    if (m_telephone->text().size() != 12) {
        m_platform.messages.inform(
            QStringLiteral("The Telephone Number MUST be in the form\r\n           nnn-nnn-nnnn"),
            QStringLiteral("Incorrect Tel No"));
        return;
    }
    if (!save() || m_dropped)
        return;
    const QLineEdit *numbers[3] = {m_telephone, m_cell, m_textMsg};
    int chosen = 0;
    for (int i = 0; i < 3; ++i) {
        if (m_phoneOption[i]->isChecked())
            chosen = i;
    }
    emit dialRequested(m_name->text(), numbers[chosen]->text());
}

void AssignmentScreen::goToMenu()
{
    if (m_editor.current() > 0 && !save())
        return;
    hide();
    emit returnToMenu();
}

bool AssignmentScreen::eventFilter(QObject *watched, QEvent *event)
{
    auto *edit = qobject_cast<QLineEdit *>(watched);
    if (edit && event->type() == QEvent::FocusIn) {
        // Entering a box puts the cursor at the end of its text.
        QTimer::singleShot(0, edit, [edit] {
            edit->deselect();
            edit->end(false);
        });
    } else if (edit && event->type() == QEvent::FocusOut && !m_quiet && isVisible() && !m_editor.empty() &&
               movedWithin(static_cast<QFocusEvent *>(event)->reason())) {
        if (edit == m_name && m_name->text().trimmed().size() < 2 && m_name->isEnabled()) {
            beep();
            m_platform.messages.inform(QStringLiteral("The Name Field Must be at least 2 Characters\r\n"
                                                      "This is okay if Cancelling a New Entry\r\n"
                                                      "Click Cancel AddNew Again"),
                                       QStringLiteral("No Name Entered"));
        } else if (edit == m_telephone || edit == m_cell || edit == m_textMsg) {
            refreshPhoneOptions();
        }
    }
    return ProgramWindow::eventFilter(watched, event);
}
