#include "gui/accounts/customerscreen.h"

#include "accounts/customerrecord.h"
#include "billing/accountuse.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/seams.h"
#include "core/settings.h"
#include "dispatch/agreements.h"
#include "gui/accounts/listtransfer.h"
#include "gui/widgets/fieldfilter.h"
#include "gui/widgets/flexgrid.h"
#include "gui/widgets/widgets.h"

#include <QAbstractItemView>
#include <QAbstractListModel>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QDialog>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

using Widgets::button;
using Widgets::label;

const QString kActivateCaption = QStringLiteral("Select Customer for ") + QStringLiteral("Managing Account Data");
const QString kRecordCaption = QStringLiteral("Account Information for Customer No ");
const QString kViewList = QStringLiteral("&View Customer List");
const QString kCloseList = QStringLiteral("&Close Customer List");
const QString kResultsCaption = QStringLiteral("Customers Search by Name Results");

void showAll(const std::vector<QWidget *> &widgets, bool visible)
{
    for (QWidget *w : widgets)
        w->setVisible(visible);
}

} // namespace

// The name list's entries straight from the screen state: a list of 32,767 accounts costs no item objects.
class CustomerNameModel : public QAbstractListModel
{
public:
    explicit CustomerNameModel(const CustomerAccounts &accounts, QObject *parent)
        : QAbstractListModel(parent)
        , m_accounts(accounts)
    {}

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_accounts.names().size());
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.row() >= rowCount())
            return {};
        const CustomerNameEntry &e = m_accounts.names()[std::size_t(index.row())];
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return e.key;
        if (role == Qt::UserRole)
            return e.recordNumber;
        return {};
    }
    void refresh()
    {
        beginResetModel();
        endResetModel();
    }

private:
    const CustomerAccounts &m_accounts;
};

CustomerScreen::CustomerScreen(Shared state, Platform &platform, Environment environment, QWidget *parent)
    : ProgramWindow(QStringLiteral("frmNewCustomer"), std::move(environment), kMainKey, parent)
    , m_state(state)
    , m_platform(platform)
    , m_accounts(
          state.folder, state.currentCustomer,
          [folder = state.folder](const QString &acctNo) { return accountUse(folder, acctNo).lines(); },
          [folder = state.folder](const QString &acctNo) { Agreements::removeAccount(folder, acctNo); })
    , m_notes(state.folder)
{
    setWindowTitle(kActivateCaption);
    auto *outer = new QVBoxLayout(this);
    auto *menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("mnuCustomer"));
    QMenu *accountMenu = menuBar->addMenu(QStringLiteral("&Account"));
    accountMenu->setObjectName(QStringLiteral("mnuAccount"));
    m_menuAddNew = accountMenu->addAction(QStringLiteral("Add &New"), this, &CustomerScreen::addNew);
    m_menuAddNew->setObjectName(QStringLiteral("mnuAddNew"));
    m_menuDelete = accountMenu->addAction(QStringLiteral("&Delete Current"), this, &CustomerScreen::deleteCurrent);
    m_menuDelete->setObjectName(QStringLiteral("mnuDeleteCurrent"));
    m_menuViewList = accountMenu->addAction(kViewList, this, &CustomerScreen::completeList);
    m_menuViewList->setObjectName(QStringLiteral("mnuViewList"));
    m_menuToggleData =
        accountMenu->addAction(QStringLiteral("&Toggle Data Screen"), this, &CustomerScreen::toggleAuxPanel);
    m_menuToggleData->setObjectName(QStringLiteral("mnuToggleData"));
    QAction *agreements = accountMenu->addAction(QStringLiteral("Maintenance &Agreements..."), this, [this] {
        // The account on screen is stored first: its agreements belong to an account of the file.
        if (save())
            emit agreementsRequested(m_acctNo->text().trimmed());
    });
    agreements->setObjectName(QStringLiteral("mnuAgreements"));
    accountMenu->addSeparator();
    accountMenu
        ->addAction(QStringLiteral("&Import Customers..."), this,
                    [this] {
                        if (leaveForOtherRecord() &&
                            ListTransfer::importFile(this, m_state.folder, ImportKind::Customers,
                                                     m_state.usaAddressStyle, m_platform))
                            activate();
                    })
        ->setObjectName(QStringLiteral("mnuImport"));
    accountMenu
        ->addAction(QStringLiteral("&Export Customer List..."), this,
                    [this] {
                        ListTransfer::exportCsv(m_platform, QStringLiteral("Export Customer List"),
                                                QStringLiteral("Customers.csv"),
                                                RecordImport::listCsv(m_state.folder, ImportKind::Customers));
                    })
        ->setObjectName(QStringLiteral("mnuExport"));
    outer->setMenuBar(menuBar);

    auto *body = new QHBoxLayout;
    auto *left = new QVBoxLayout;
    left->addWidget(buildRecordArea());
    left->addStretch();
    body->addLayout(left, 3);
    body->addWidget(buildButtons()); // as wide as its captions: the record and the panels take the rest
    // The search, results and data panels share a column that scrolls when they need more room than the
    // screen has.
    auto *panelArea = new QWidget;
    auto *panels = new QVBoxLayout(panelArea);
    panels->setContentsMargins(0, 0, 0, 0);
    panels->addWidget(buildSearchPanel());
    panels->addWidget(buildResultsPanel(), 1);
    panels->addWidget(buildAuxPanel(), 1);
    auto *panelScroll = new QScrollArea(this);
    panelScroll->setObjectName(QStringLiteral("fraPanels"));
    panelScroll->setWidget(panelArea);
    panelScroll->setWidgetResizable(true);
    panelScroll->setFrameShape(QFrame::NoFrame);
    panelScroll->setFocusPolicy(Qt::NoFocus); // no Tab stop of its own: the keys go to the panels' controls
    body->addWidget(panelScroll, 4);
    m_panelScroll = panelScroll;
    for (QWidget *panel : {static_cast<QWidget *>(m_searchPanel), static_cast<QWidget *>(m_resultsPanel),
                           static_cast<QWidget *>(m_auxPanel)})
        panel->installEventFilter(this);
    outer->addLayout(body);
    buildAuxEditor();
    auto *saveKey = new QShortcut(QKeySequence::Save, this);
    saveKey->setObjectName(QStringLiteral("keySave"));
    connect(saveKey, &QShortcut::activated, this, [this] { save(); });

    m_searchPanel->hide();
    m_resultsPanel->hide();
    m_auxPanel->hide();
    m_nameList->hide();
    m_cancel->hide();
    m_dialButton->hide();
    resize(1250, 640);
    writeControlsNamed(QStringLiteral("cmdAddNew|cmdToggleType|cmdSaveHeadings|cmdAuxEditClear|mnuAddNew|mnuDeleteCurrent|mnuImport")); // off on a read-only seat
}

CustomerScreen::~CustomerScreen() = default;

QLineEdit *CustomerScreen::recordBox(const QString &name, int limit, bool invalidCharacters)
{
    auto *edit = new QLineEdit(this);
    edit->setObjectName(name);
    if (limit > 0)
        edit->setMaxLength(limit);
    FieldFilter::install(
        edit,
        [this, invalidCharacters](const QString &text, QChar ch) {
            const bool alarm = m_state.settings.soundAlarm;
            if (invalidCharacters) {
                const Validation::KeyVerdict v = Validation::invalidCharacterFilter(text, ch, alarm);
                if (!v.accepted)
                    return v;
            }
            return Validation::quoteKeyFilter(text, ch, alarm);
        },
        m_platform.messages);
    return edit;
}

void CustomerScreen::filterCombo(QComboBox *combo, int limit)
{
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->lineEdit()->setMaxLength(limit);
    FieldFilter::install(
        combo->lineEdit(),
        [this](const QString &text, QChar ch) {
            return Validation::quoteKeyFilter(text, ch, m_state.settings.soundAlarm);
        },
        m_platform.messages);
}

QWidget *CustomerScreen::buildRecordArea()
{
    auto *area = new QGroupBox(this);
    area->setObjectName(QStringLiteral("fraRecord"));
    auto *grid = new QGridLayout(area);
    int row = 0;
    auto addRow = [&](const QString &caption, const QString &labelName, QWidget *box) {
        QLabel *l = label(caption, labelName, area, box);
        grid->addWidget(l, row, 0);
        grid->addWidget(box, row, 1);
        ++row;
        return l;
    };

    m_acctType = label(CustomerFile::kBusiness, QStringLiteral("lblAcctType"), area);
    m_acctType->setFrameShape(QFrame::Panel);
    addRow(QStringLiteral("Account Type"), QStringLiteral("lblAcctTypeCaption"), m_acctType);
    m_acctNo = recordBox(QStringLiteral("txtAcctNo"), 20, true);
    addRow(QStringLiteral("Account No"), QStringLiteral("lblAcctNo"), m_acctNo);

    m_nameList = new QComboBox(area);
    m_nameList->setObjectName(QStringLiteral("cboNameList"));
    m_nameList->setEditable(true);
    m_nameList->setInsertPolicy(QComboBox::NoInsert);
    m_nameList->setCompleter(nullptr);
    m_nameList->setMaxVisibleItems(20);
    // Sized by a number of characters, not by measuring every account's name.
    m_nameList->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_nameList->setMinimumContentsLength(30);
    m_nameModel = new CustomerNameModel(m_accounts, m_nameList);
    m_nameList->setModel(m_nameModel);
    // Keys reach the list's text box through the list itself when the list has the focus, or directly.
    m_nameList->installEventFilter(this);
    m_nameList->lineEdit()->installEventFilter(this);
    connect(m_nameList->lineEdit(), &QLineEdit::textEdited, this, &CustomerScreen::nameEdited);
    connect(m_nameList, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && index < int(m_accounts.names().size()))
            jumpTo(m_accounts.names()[std::size_t(index)].recordNumber);
    });
    grid->addWidget(m_nameList, row, 1);
    ++row;

    m_name = recordBox(QStringLiteral("txtName"), 30, false);
    m_businessOnly = {addRow(QStringLiteral("Name"), QStringLiteral("lblName"), m_name), m_name};
    m_title = new QComboBox(area);
    m_title->setObjectName(QStringLiteral("cboTitle"));
    m_title->addItems({QStringLiteral("Mr/Mrs"), QStringLiteral("Mr."), QStringLiteral("Mrs"), QStringLiteral("Ms"),
                       QStringLiteral("Miss")});
    filterCombo(m_title, 10);
    m_first = recordBox(QStringLiteral("txtFirstName"), 15, false);
    m_middle = recordBox(QStringLiteral("txtMiddleInitial"), 1, false);
    // The account keeps no middle initial (its place in the record stays blank): the box takes none.
    m_middle->setEnabled(false);
    m_middle->setToolTip(QStringLiteral("The middle initial is not kept with the account"));
    m_last = recordBox(QStringLiteral("txtLastName"), 25, false);
    m_individualOnly = {addRow(QStringLiteral("Title"), QStringLiteral("lblTitle"), m_title),          m_title,
                        addRow(QStringLiteral("First Name"), QStringLiteral("lblFirstName"), m_first), m_first,
                        addRow(QStringLiteral("MI"), QStringLiteral("lblMiddleInitial"), m_middle),    m_middle,
                        addRow(QStringLiteral("Last Name"), QStringLiteral("lblLastName"), m_last),    m_last};

    m_address1 = recordBox(QStringLiteral("txtAddress1"), 35, false);
    addRow(QStringLiteral("Address1"), QStringLiteral("lblAddress1"), m_address1);
    m_address2 = recordBox(QStringLiteral("txtAddress2"), 25, false);
    addRow(QStringLiteral("Address2"), QStringLiteral("lblAddress2"), m_address2);
    m_city = new QComboBox(area);
    m_city->setObjectName(QStringLiteral("cboCity"));
    m_city->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_city->setMinimumContentsLength(20);
    filterCombo(m_city, 25);
    m_stateBox = new QComboBox(area);
    m_stateBox->setObjectName(QStringLiteral("cboState"));
    filterCombo(m_stateBox, 2);
    m_postal = recordBox(QStringLiteral("txtPostal"), 10, false);
    m_usaOnly = {addRow(QStringLiteral("City"), QStringLiteral("lblCity"), m_city),       m_city,
                 addRow(QStringLiteral("St"), QStringLiteral("lblState"), m_stateBox),    m_stateBox,
                 addRow(QStringLiteral("Postal"), QStringLiteral("lblPostal"), m_postal), m_postal};
    m_address3 = recordBox(QStringLiteral("txtAddress3"), 25, false);
    m_address4 = recordBox(QStringLiteral("txtAddress4"), 25, false);
    m_internationalOnly = {addRow(QStringLiteral("Address 3"), QStringLiteral("lblAddress3"), m_address3), m_address3,
                           addRow(QStringLiteral("Address 4"), QStringLiteral("lblAddress4"), m_address4), m_address4};
    m_telephone = recordBox(QStringLiteral("txtTelephone"), 12, true);
    addRow(QStringLiteral("Telephone"), QStringLiteral("lblTelephone"), m_telephone);
    m_cell = recordBox(QStringLiteral("txtCell"), 12, false);
    addRow(QStringLiteral("Cell"), QStringLiteral("lblCell"), m_cell);
    m_email = recordBox(QStringLiteral("txtEmail"), 30, false);
    addRow(QStringLiteral("Email"), QStringLiteral("lblEmail"), m_email);

    // A row copied from a spreadsheet fills the boxes that show, in this order.
    FieldFilter::fillInOrder({m_acctNo, m_name, m_title->lineEdit(), m_first, m_middle, m_last, m_address1, m_address2,
                              m_city->lineEdit(), m_stateBox->lineEdit(), m_postal, m_address3, m_address4, m_telephone,
                              m_cell, m_email});
    for (QWidget *w :
         {static_cast<QWidget *>(m_acctNo), static_cast<QWidget *>(m_name), static_cast<QWidget *>(m_telephone)})
        w->installEventFilter(this);
    return area;
}

QWidget *CustomerScreen::buildButtons()
{
    auto *panel = new QWidget(this);
    auto *v = new QVBoxLayout(panel);
    m_select = button(QStringLiteral("Select this Account and Start  &Routine"), QStringLiteral("cmdSelect"), panel);
    connect(m_select, &QPushButton::clicked, this, [this] { exitTo(true); });
    m_menuButton = button(QStringLiteral("&Menu"), QStringLiteral("cmdMenu"), panel);
    connect(m_menuButton, &QPushButton::clicked, this, [this] { exitTo(false); });
    m_new = button(QStringLiteral("Add New &Customer"), QStringLiteral("cmdAddNew"), panel);
    connect(m_new, &QPushButton::clicked, this, &CustomerScreen::addNew);
    m_cancel = button(QStringLiteral("Cancel Add &New"), QStringLiteral("cmdCancelNew"), panel);
    connect(m_cancel, &QPushButton::clicked, this, &CustomerScreen::cancelNew);
    m_toggleType = button(QStringLiteral("Toggle &Type"), QStringLiteral("cmdToggleType"), panel);
    connect(m_toggleType, &QPushButton::clicked, this, &CustomerScreen::toggleType);
    for (QPushButton *b : {m_select, m_menuButton, m_new, m_cancel, m_toggleType})
        v->addWidget(b);

    static const char *captions[] = {"|<<", "<", ">", ">>|", ">", ">>", ">>>"};
    static const char *tips[] = {
        "Selects 1st Customer Record",  "", "", "", "Goes  1/4 into Customer Records", "Goes 1/2 into Customer Records",
        "Goes 3/4 into Customer Record"};
    auto *moves = new QHBoxLayout;
    auto *position = new QGridLayout;
    position->addWidget(label(QStringLiteral("Position"), QStringLiteral("lblPosition_0"), panel), 0, 0, 1, 3);
    position->addWidget(label(QStringLiteral("(% of File)"), QStringLiteral("lblPosition_1"), panel), 1, 0, 1, 3);
    for (int i = 0; i < 7; ++i) {
        auto *b = button(QString::fromLatin1(captions[i]), QStringLiteral("cmdNavigate_%1").arg(i), panel);
        if (tips[i][0])
            b->setToolTip(QString::fromLatin1(tips[i]));
        const auto move = CustomerMove(i);
        connect(b, &QPushButton::clicked, this, [this, move] { navigate(move); });
        if (i < 4)
            moves->addWidget(b);
        else
            position->addWidget(b, 2, i - 4);
        m_nav[std::size_t(i)] = b;
    }
    v->addLayout(moves);
    v->addLayout(position);

    static const char *finderCaptions[] = {"&Search by Criteria,such as Street Address",
                                           "&Find Account in Name List Alphbetically", "Select from Account L&ist",
                                           "&Locate Account in Name List "};
    for (int i = 0; i < 4; ++i) {
        m_finder[std::size_t(i)] =
            button(QString::fromLatin1(finderCaptions[i]), QStringLiteral("cmdFinder_%1").arg(i), panel);
        v->addWidget(m_finder[std::size_t(i)]);
    }
    connect(m_finder[0], &QPushButton::clicked, this, [this] {
        if (!save())
            return;
        hideNameList();
        m_resultsPanel->hide();
        m_searchText->clear();
        m_searchPanel->show();
        m_searchText->setFocus();
    });
    connect(m_finder[1], &QPushButton::clicked, this, &CustomerScreen::showNameList);
    connect(m_finder[2], &QPushButton::clicked, this, [this] {
        hideNameList();
        m_searchPanel->hide();
        m_resultsPanel->hide();
        applyTypeToScreen();
    });
    connect(m_finder[3], &QPushButton::clicked, this, [this] {
        hideNameList();
        m_searchPanel->hide();
        completeList();
    });

    m_dialButton = new QToolButton(panel);
    m_dialButton->setObjectName(QStringLiteral("imgDial"));
    m_dialButton->setText(QStringLiteral("\u260E Call"));
    m_dialButton->setToolTip(QStringLiteral("Call Account Phone or Cell"));
    connect(m_dialButton, &QToolButton::clicked, this, &CustomerScreen::dial);
    v->addWidget(m_dialButton);
    addNoModemNote(m_dialButton);
    v->addStretch();
    return panel;
}

QGroupBox *CustomerScreen::buildSearchPanel()
{
    m_searchPanel = new QGroupBox(QStringLiteral("Customer Search"), this);
    m_searchPanel->setObjectName(QStringLiteral("fraSearch"));
    auto *grid = new QGridLayout(m_searchPanel);
    static const char *criteria[] = {"by Business Name",     "by Address #1", "by Address #2",
                                     "by City or (Addr #3)", "by State",      "by Zip Code (or Addr #4)",
                                     "by Telephone Number",  "by Last Name",  "by Account Number"};
    // The box first in the keys' order: Alt+S lands in it, Tab goes on to the chosen criterion (the group's one
    // Tab stop; the arrow keys choose another).
    m_searchText = new QLineEdit(m_searchPanel);
    m_searchText->setObjectName(QStringLiteral("txtSearch"));
    FieldFilter::installStorable(m_searchText, m_platform.messages);
    for (int i = 0; i < 9; ++i) {
        auto *opt = new QRadioButton(QString::fromLatin1(criteria[i]), m_searchPanel);
        opt->setObjectName(QStringLiteral("optCriteria_%1").arg(i));
        connect(opt, &QRadioButton::clicked, this, [this] {
            m_searchText->clear();
            m_searchText->setFocus();
        });
        grid->addWidget(opt, i, 0); // one column: the panel fits beside the record on a small screen
        m_criteria[std::size_t(i)] = opt;
    }
    m_criteria[8]->setChecked(true);
    Widgets::optionGroup({m_criteria.begin(), m_criteria.end()});
    grid->addWidget(m_searchText, 9, 0);
    auto *buttons = new QHBoxLayout;
    auto *search = button(QStringLiteral("Search"), QStringLiteral("cmdSearch"), m_searchPanel);
    search->setDefault(true);
    connect(search, &QPushButton::clicked, this, &CustomerScreen::runSearch);
    connect(m_searchText, &QLineEdit::returnPressed, this, &CustomerScreen::runSearch);
    auto *clear = button(QStringLiteral("Clear"), QStringLiteral("cmdSearchClear"), m_searchPanel);
    connect(clear, &QPushButton::clicked, this, [this] {
        m_searchText->clear();
        m_searchText->setFocus();
    });
    auto *hide = button(QStringLiteral("Hide"), QStringLiteral("cmdSearchHide"), m_searchPanel);
    connect(hide, &QPushButton::clicked, m_searchPanel, &QWidget::hide);
    for (QPushButton *b : {search, clear, hide})
        buttons->addWidget(b);
    grid->addLayout(buttons, 10, 0);
    return m_searchPanel;
}

QGroupBox *CustomerScreen::buildResultsPanel()
{
    m_resultsPanel = new QGroupBox(kResultsCaption, this);
    m_resultsPanel->setObjectName(QStringLiteral("fraResults"));
    auto *v = new QVBoxLayout(m_resultsPanel);
    m_results = new FlexGrid(QStringLiteral("fgResults"), m_resultsPanel);
    m_results->setFormat(QStringLiteral("<Customer Name                  |<Telephone    |>Record"));
    v->addWidget(m_results);
    auto *hide = button(QStringLiteral("Hide"), QStringLiteral("cmdResultsHide"), m_resultsPanel);
    connect(hide, &QPushButton::clicked, this, [this] {
        m_resultsPanel->hide();
        m_menuViewList->setText(kViewList);
    });
    v->addWidget(hide);
    m_resultMenu = new QMenu(this);
    m_resultMenu->setObjectName(QStringLiteral("mnuResults"));
    QAction *load = m_resultMenu->addAction(QStringLiteral("Load Customer"));
    load->setObjectName(QStringLiteral("mnuLoadCustomer"));
    connect(load, &QAction::triggered, this, [this] { loadResultRow(m_resultRow); });
    auto offer = [this](int row) {
        if (row < 1)
            return;
        m_resultRow = row;
        m_resultMenu->popup(QCursor::pos());
    };
    connect(m_results, &FlexGrid::cellClicked, this, [offer](int row, int) { offer(row); });
    connect(m_results, &FlexGrid::cellRightClicked, this, [offer](int row, int, const QPoint &) { offer(row); });
    // Enter on a result (the grid's double-click) loads it at once.
    connect(m_results, &FlexGrid::cellDoubleClicked, this, [this](int row, int) {
        if (row >= 1)
            loadResultRow(row);
    });
    return m_resultsPanel;
}

QGroupBox *CustomerScreen::buildAuxPanel()
{
    m_auxPanel = new QGroupBox(this);
    m_auxPanel->setObjectName(QStringLiteral("fraAux"));
    auto *grid = new QGridLayout(m_auxPanel);
    m_auxAccount = label(QString(), QStringLiteral("lblAuxAccount"), m_auxPanel);
    grid->addWidget(m_auxAccount, 0, 0, 1, 3);
    for (int i = 0; i < AuxData::kBoxes; ++i) {
        const std::size_t k = std::size_t(i);
        m_auxHeading[k] = new QLineEdit(m_auxPanel);
        m_auxHeading[k]->setObjectName(QStringLiteral("txtAuxHeading_%1").arg(i));
        m_auxHeading[k]->setToolTip(QStringLiteral("Double-click to empty"));
        FieldFilter::installStorable(m_auxHeading[k], m_platform.messages);
        m_auxHeading[k]->installEventFilter(this);
        m_auxClear[k] = label(QStringLiteral("<Clear"), QStringLiteral("lblAuxClear_%1").arg(i), m_auxPanel);
        m_auxClear[k]->setCursor(Qt::PointingHandCursor);
        m_auxClear[k]->installEventFilter(this);
        m_aux[k] = new QPlainTextEdit(m_auxPanel);
        m_aux[k]->setObjectName(QStringLiteral("txtAux_%1").arg(i));
        m_aux[k]->setToolTip(QStringLiteral("Double-click to edit in a large window"));
        m_aux[k]->viewport()->installEventFilter(this);
        m_aux[k]->setTabChangesFocus(true); // Tab moves on, as in every other box
        FieldFilter::guardStorable(m_aux[k], m_platform.messages);
        // Narrow enough for both columns beside the record on a 1024-pixel screen.
        m_auxHeading[k]->setMinimumWidth(40);
        m_aux[k]->setMinimumSize(60, 48);
        const int r = 1 + (i / 2) * 2;
        const int c = (i % 2) * 2;
        grid->addWidget(m_auxHeading[k], r, c);
        grid->addWidget(m_auxClear[k], r, c + 1);
        grid->addWidget(m_aux[k], r + 1, c, 1, 2);
    }
    m_retain = new QCheckBox(QStringLiteral("RETAIN Aux Data between Accounts"), m_auxPanel);
    m_retain->setObjectName(QStringLiteral("ckRetain"));
    grid->addWidget(m_retain, 7, 0, 1, 4);
    auto *buttons = new QVBoxLayout; // one above the other: side by side they are wider than the panel
    buttons->setSpacing(2);
    auto *headings = button(QStringLiteral("Save &Headings"), QStringLiteral("cmdSaveHeadings"), m_auxPanel);
    connect(headings, &QPushButton::clicked, this, [this] {
        AuxData::Texts texts;
        for (int i = 0; i < AuxData::kBoxes; ++i)
            texts[std::size_t(i)] = m_auxHeading[std::size_t(i)]->text();
        try {
            m_notes.saveHeadings(texts);
        } catch (const DiskError &e) {
            m_platform.messages.inform(e.message(), m_state.folder.executableName());
        }
    });
    auto *reload = button(QStringLiteral("Reload Aux Data"), QStringLiteral("cmdReloadAux"), m_auxPanel);
    connect(reload, &QPushButton::clicked, this, &CustomerScreen::loadAuxData);
    auto *previous = button(QStringLiteral("Show &Previous Account"), QStringLiteral("cmdAuxPrevious"), m_auxPanel);
    connect(previous, &QPushButton::clicked, this, [this] { auxStep(-1); });
    auto *next = button(QStringLiteral("Show Ne&xt Account"), QStringLiteral("cmdAuxNext"), m_auxPanel);
    connect(next, &QPushButton::clicked, this, [this] { auxStep(1); });
    auto *close = button(QStringLiteral("Close Screen"), QStringLiteral("cmdAuxClose"), m_auxPanel);
    connect(close, &QPushButton::clicked, this, [this] {
        saveAuxData();
        m_auxPanel->hide();
    });
    for (QPushButton *b : {headings, reload, previous, next, close})
        buttons->addWidget(b);
    grid->addLayout(buttons, 8, 0, 1, 4);
    return m_auxPanel;
}

void CustomerScreen::buildAuxEditor()
{
    m_auxEditor = new QDialog(this);
    m_auxEditor->setObjectName(QStringLiteral("frmAuxEdit"));
    m_auxEditor->setWindowTitle(QStringLiteral("Data Box"));
    auto *v = new QVBoxLayout(m_auxEditor);
    m_auxEditorLine = label(QString(), QStringLiteral("lblAuxEdit"), m_auxEditor);
    v->addWidget(m_auxEditorLine);
    m_auxEditorText = new QPlainTextEdit(m_auxEditor);
    m_auxEditorText->setObjectName(QStringLiteral("txtAuxEdit"));
    m_auxEditorText->setTabChangesFocus(true);
    FieldFilter::guardStorable(m_auxEditorText, m_platform.messages);
    v->addWidget(m_auxEditorText);
    auto *buttons = new QHBoxLayout;
    auto *hide = button(QStringLiteral("Hi&de"), QStringLiteral("cmdAuxEditHide"), m_auxEditor);
    connect(hide, &QPushButton::clicked, this, [this] {
        if (m_editedBox >= 0)
            m_aux[std::size_t(m_editedBox)]->setPlainText(m_auxEditorText->toPlainText());
        m_auxEditor->accept();
    });
    // Esc and the close box leave as Hide does: what was typed goes back to its box.
    connect(m_auxEditor, &QDialog::rejected, this, [this] {
        if (m_editedBox >= 0)
            m_aux[std::size_t(m_editedBox)]->setPlainText(m_auxEditorText->toPlainText());
    });
    auto *clear = button(QStringLiteral("Clear"), QStringLiteral("cmdAuxEditClear"), m_auxEditor);
    connect(clear, &QPushButton::clicked, m_auxEditorText, &QPlainTextEdit::clear);
    auto *reload = button(QStringLiteral("Oops, Reload"), QStringLiteral("cmdAuxEditReload"), m_auxEditor);
    connect(reload, &QPushButton::clicked, this, [this] {
        if (m_editedBox >= 0)
            m_auxEditorText->setPlainText(m_aux[std::size_t(m_editedBox)]->toPlainText());
    });
    for (QPushButton *b : {hide, clear, reload})
        buttons->addWidget(b);
    v->addLayout(buttons);
    m_auxEditor->resize(800, 560);
}

// --- Showing -----------------------------------------------------------------------------------------------

void CustomerScreen::showEvent(QShowEvent *event)
{
    ProgramWindow::showEvent(event);
    activate();
}

void CustomerScreen::hideEvent(QHideEvent *event)
{
    keepNotes(); // the menu, the select button, the close box and the program's exit all hide the screen
    ProgramWindow::hideEvent(event);
}

void CustomerScreen::activate()
{
    m_usaStyle = m_state.usaAddressStyle;
    applyAddressStyle();
    m_stateBox->clear();
    m_stateBox->addItems(m_notes.statesList());
    const AuxData::Texts headings = m_notes.headings();
    for (int i = 0; i < AuxData::kBoxes; ++i)
        m_auxHeading[std::size_t(i)]->setText(headings[std::size_t(i)]);
    clearBoxes();
    m_cancel->hide();
    setWindowTitle(kActivateCaption);
    const bool hasRecords = m_accounts.activate();
    setNavigationEnabled(hasRecords);
    setRecordMenusEnabled(hasRecords);
    m_menuAddNew->setEnabled(true);
    refreshNameList();
    refreshCities();
    if (hasRecords) {
        showRecord(m_accounts.currentNumber());
        return;
    }
    m_accounts.applyType(CustomerFile::kBusiness);
    applyTypeToScreen();
    m_platform.messages.inform(CustomerAccounts::emptyFileMessage(), CustomerAccounts::kEmptyFileTitle);
    clearBoxes();
    m_acctNo->setFocus();
}

void CustomerScreen::applyAddressStyle()
{
    showAll(m_usaOnly, m_usaStyle);
    showAll(m_internationalOnly, !m_usaStyle);
}

void CustomerScreen::clearBoxes()
{
    for (QLineEdit *e : {m_acctNo, m_name, m_address1, m_address2, m_postal, m_address3, m_address4, m_telephone,
                         m_cell, m_email, m_first, m_middle, m_last})
        e->clear();
    m_title->setCurrentIndex(-1);
    m_title->setEditText(QString());
    m_stateBox->setCurrentIndex(-1);
    m_stateBox->setEditText(QString());
    m_city->setCurrentIndex(-1);
    m_city->setEditText(m_state.settings.business[BusinessField::City].trimmed());
}

void CustomerScreen::fillBoxes(const CustomerForm &f)
{
    m_acctNo->setText(f.acctNo);
    m_name->setText(f.name);
    m_address1->setText(f.address1);
    m_address2->setText(f.address2);
    m_city->setEditText(f.city);
    m_stateBox->setEditText(f.state);
    m_postal->setText(f.postal);
    m_address3->setText(f.address3);
    m_address4->setText(f.address4);
    m_telephone->setText(f.telephone);
    m_cell->setText(f.cell);
    m_email->setText(f.email);
    m_title->setEditText(f.title);
    m_first->setText(f.firstName);
    m_middle->clear();
    m_last->setText(f.lastName);
}

CustomerForm CustomerScreen::form() const
{
    CustomerForm f;
    f.acctNo = m_acctNo->text();
    f.name = m_name->text();
    f.address1 = m_address1->text();
    f.address2 = m_address2->text();
    f.city = m_city->currentText();
    f.state = m_stateBox->currentText();
    f.postal = m_postal->text();
    f.address3 = m_address3->text();
    f.address4 = m_address4->text();
    f.telephone = m_telephone->text();
    f.cell = m_cell->text();
    f.email = m_email->text();
    f.title = m_title->currentText();
    f.firstName = m_first->text();
    f.lastName = m_last->text();
    return f;
}

void CustomerScreen::showRecord(int number)
{
    keepNotes();
    m_duplicateAsked.clear();
    clearBoxes();
    m_searchPanel->hide();
    m_resultsPanel->hide();
    m_menuViewList->setText(kViewList);
    m_accounts.show(number);
    applyTypeToScreen();
    fillBoxes(m_accounts.formOf(m_accounts.shown()));
    loadAuxData();
    setAuxAccountLine();
    if (m_acctNo->text().isEmpty())
        m_acctNo->setFocus();
    else
        m_select->setFocus();
    setCaptionFor(m_accounts.currentNumber());
}

void CustomerScreen::setCaptionFor(int number)
{
    setWindowTitle(kRecordCaption + QString::number(number));
}

void CustomerScreen::applyTypeToScreen()
{
    const bool business = m_accounts.isBusiness();
    hideNameList();
    showAll(m_businessOnly, business);
    showAll(m_individualOnly, !business);
    m_acctType->setText(m_accounts.acctType());
    m_auxPanel->setTitle(QStringLiteral("Data for ") + m_accounts.displayName());
}

void CustomerScreen::setNavigationEnabled(bool enabled)
{
    for (QPushButton *b : m_nav)
        b->setEnabled(enabled);
    for (int i = 0; i < 3; ++i)
        m_finder[std::size_t(i)]->setEnabled(enabled);
}

void CustomerScreen::setRecordMenusEnabled(bool enabled)
{
    m_menuAddNew->setEnabled(enabled);
    m_menuDelete->setEnabled(enabled);
    m_menuToggleData->setEnabled(enabled);
}

void CustomerScreen::refreshNameList()
{
    m_nameModel->refresh();
    m_nameList->setCurrentIndex(-1);
}

void CustomerScreen::refreshCities()
{
    const QString shown = m_city->currentText();
    m_city->clear();
    m_city->addItems(m_accounts.cities());
    m_city->setCurrentIndex(-1);
    m_city->setEditText(shown);
}

void CustomerScreen::alarm()
{
    if (m_state.settings.soundAlarm)
        m_platform.messages.beep();
}

void CustomerScreen::showNotice(const Notice &notice)
{
    m_platform.messages.inform(notice.text, notice.title.isEmpty() ? m_state.folder.executableName() : notice.title);
}

void CustomerScreen::focusBox(CustomerBox box)
{
    switch (box) {
    case CustomerBox::AcctNo:
        m_acctNo->setFocus();
        break;
    case CustomerBox::Name:
        m_name->setFocus();
        break;
    case CustomerBox::Telephone:
        m_telephone->setFocus();
        break;
    case CustomerBox::FirstName:
        m_first->setFocus();
        break;
    case CustomerBox::None:
        break;
    }
}

// --- Saving and moving -------------------------------------------------------------------------------------

bool CustomerScreen::save()
{
    const bool wasPending = m_accounts.pendingNew();
    const CustomerSaveResult result = m_accounts.save(form(), m_usaStyle);
    // The boxes show what is stored before any message about it.
    m_acctNo->setText(result.acctNo);
    if (m_accounts.isBusiness())
        m_name->setText(result.name);
    for (const Notice &n : result.notices)
        showNotice(n);
    if (!result.isDone()) {
        focusBox(result.focus);
        return false;
    }
    if (wasPending)
        m_cancel->hide();
    adoptNotesOfNewAccount(wasPending);
    m_nameModel->refresh();
    refreshCities();
    setNavigationEnabled(true);
    setRecordMenusEnabled(true);
    m_auxPanel->setTitle(QStringLiteral("Data for ") + m_accounts.displayName());
    return true;
}

void CustomerScreen::exitTo(bool selectForSlip)
{
    // Leaving a screen on which nothing was typed into an account not yet stored loses nothing.
    const bool unstored = m_accounts.pendingNew() || !m_accounts.fileHasRecords();
    if (!selectForSlip && unstored && form().isBlank()) {
        m_accounts.cancelNew();
        hide();
        emit returnToMenu();
        return;
    }
    if (!save())
        return;
    hide();
    if (selectForSlip)
        emit slipCreationRequested();
    else
        emit returnToMenu();
}

std::optional<ProgramWindow::UnsavedWork> CustomerScreen::unsavedWork()
{
    // A new account with anything typed, or a stored one whose boxes differ from its record.
    const CustomerForm typed = form();
    const bool unstored = m_accounts.pendingNew() || !m_accounts.fileHasRecords();
    if (unstored ? typed.isBlank() : typed == m_accounts.formOf(m_accounts.shown()))
        return std::nullopt;
    return UnsavedWork{&m_platform.messages,
                       QStringLiteral("The account on screen has changes that are not saved.\r\n"
                                      "Save them before the screen closes?"),
                       QStringLiteral("Customer Accounts"), [this] { return save(); },
                       [this] {
                           if (m_accounts.pendingNew())
                               m_accounts.cancelNew();
                       }};
}

void CustomerScreen::addNew()
{
    keepNotes();
    const CustomerAccounts::AddResult result = m_accounts.addNew(form(), m_usaStyle);
    if (result.noNumber) {
        alarm();
        if (m_state.settings.showPrompts)
            m_platform.messages.inform(QStringLiteral("Enter an Account Number"), m_state.folder.executableName());
        m_acctNo->setFocus();
        return;
    }
    m_acctNo->setText(result.save.acctNo);
    for (const Notice &n : result.save.notices)
        showNotice(n);
    if (result.full) {
        alarm();
        m_platform.messages.inform(CustomerAccounts::fileFullMessage(), QStringLiteral("Customer File Full"));
        showRecord(m_accounts.currentNumber());
        return;
    }
    if (!result.started) {
        focusBox(result.save.focus);
        return;
    }
    // A new account starts as a business, whatever the last account was; its data boxes start empty unless
    // they are retained on purpose.
    m_notes.release();
    if (!m_retain->isChecked()) {
        for (QPlainTextEdit *box : m_aux)
            box->clear();
    }
    m_accounts.applyType(CustomerFile::kBusiness);
    applyTypeToScreen();
    m_nameModel->refresh();
    refreshCities();
    setNavigationEnabled(true);
    m_cancel->show();
    clearBoxes();
    m_duplicateAsked.clear();
    setCaptionFor(m_accounts.currentNumber());
    m_acctNo->setFocus();
    m_searchPanel->hide();
    m_resultsPanel->hide();
    m_auxPanel->hide();
    setRecordMenusEnabled(false);
}

void CustomerScreen::cancelNew()
{
    // What was typed for the new account is not dropped unasked (Alt+N is near at hand while typing).
    if (!form().isBlank() &&
        !m_platform.messages.ask(QStringLiteral("Cancel the new account?\r\nWhat was typed for it is not kept."),
                                 QStringLiteral("Cancel Add New"))) {
        m_acctNo->setFocus();
        return;
    }
    m_accounts.cancelNew();
    m_cancel->hide();
    showRecord(m_accounts.currentNumber());
    setRecordMenusEnabled(m_accounts.fileHasRecords());
    m_menuAddNew->setEnabled(true);
}

void CustomerScreen::navigate(CustomerMove move)
{
    if (!save())
        return;
    showRecord(m_accounts.target(move));
}

void CustomerScreen::toggleType()
{
    hideNameList();
    m_accounts.toggleType();
    applyTypeToScreen();
}

void CustomerScreen::deleteCurrent()
{
    if (m_accounts.pendingNew() || !m_accounts.fileHasRecords())
        return;
    // The question names the account and what goes with it.
    const QString acctNo = m_accounts.shown().text(CustomerField::AcctNo);
    const AccountUse use = accountUse(m_state.folder, acctNo);
    const bool shared = m_accounts.numberShared();
    const Verdict verdict = putThrough(m_platform.messages, [&](const Answers &answers) {
        return customerDeletion(use, m_accounts.displayName(), acctNo, shared, answers);
    });
    if (!verdict.isDone()) {
        m_acctNo->setFocus();
        return;
    }
    try {
        m_accounts.deleteCurrent();
    } catch (const DiskError &e) {
        m_platform.messages.inform(e.message(), m_state.folder.executableName());
        return;
    }
    m_notes.release(); // the deleted account's boxes are gone with it
    showRecord(m_accounts.currentNumber());
    m_acctNo->setFocus();
    refreshNameList();
    refreshCities();
    const bool hasRecords = m_accounts.fileHasRecords();
    setNavigationEnabled(hasRecords);
    setRecordMenusEnabled(hasRecords);
    m_menuAddNew->setEnabled(true);
}

bool CustomerScreen::leaveForOtherRecord()
{
    // A new account not yet stored is saved before another record replaces it on screen.
    return !m_accounts.pendingNew() || save();
}

void CustomerScreen::jumpTo(int number)
{
    if (!leaveForOtherRecord())
        return;
    hideNameList();
    showRecord(number);
}

// --- Name list ---------------------------------------------------------------------------------------------

void CustomerScreen::showNameList()
{
    if (m_accounts.names().empty())
        return;
    m_searchPanel->hide();
    m_resultsPanel->hide();
    showAll(m_businessOnly, false);
    showAll(m_individualOnly, false);
    m_nameList->show();
    m_nameList->setCurrentIndex(-1);
    m_nameList->setEditText(QString());
    m_nameList->setFocus();
}

void CustomerScreen::hideNameList()
{
    if (!m_nameList->isHidden()) {
        m_nameList->hide();
        showAll(m_businessOnly, m_accounts.isBusiness());
        showAll(m_individualOnly, !m_accounts.isBusiness());
    }
}

void CustomerScreen::nameEdited(const QString &text)
{
    if (m_suppressCompletion) {
        m_suppressCompletion = false;
        return;
    }
    const int index = m_accounts.completion(text);
    if (index < 0)
        return;
    const QString key = m_accounts.names()[std::size_t(index)].key;
    if (key.size() <= text.size())
        return;
    QLineEdit *edit = m_nameList->lineEdit();
    const QString completed = text + key.mid(text.size());
    edit->setText(completed);
    edit->setSelection(int(text.size()), int(completed.size() - text.size()));
}

void CustomerScreen::nameListLeft()
{
    if (m_nameList->isHidden())
        return;
    const int index = m_accounts.findName(m_nameList->currentText());
    if (index >= 0)
        jumpTo(m_accounts.names()[std::size_t(index)].recordNumber);
}

// --- Search and lists --------------------------------------------------------------------------------------

void CustomerScreen::runSearch()
{
    if (m_searchText->text().isEmpty()) {
        m_platform.messages.inform(QStringLiteral("You must enter some criteria data for the Search"),
                                   m_state.folder.executableName());
        return;
    }
    int criterion = 8;
    for (int i = 0; i < 9; ++i) {
        if (m_criteria[std::size_t(i)]->isChecked())
            criterion = i;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::vector<CustomerMatch> matches = m_accounts.search(CustomerCriterion(criterion), m_searchText->text());
    QApplication::restoreOverrideCursor();
    if (matches.empty()) {
        m_platform.messages.inform(CustomerFile::kNoMatch, CustomerFile::kNoMatchTitle);
        return;
    }
    m_searchPanel->hide();
    if (matches.size() == 1) {
        jumpTo(matches.front().recordNumber.toInt());
        m_select->setFocus();
        return;
    }
    showResults(matches, kResultsCaption);
}

void CustomerScreen::showResults(const std::vector<CustomerMatch> &matches, const QString &caption)
{
    QList<QStringList> rows;
    rows.reserve(qsizetype(matches.size()));
    for (const CustomerMatch &m : matches)
        rows.append({m.displayName, m.telephone, m.recordNumber});
    m_results->setAll(rows);
    m_resultsPanel->setTitle(caption);
    m_resultsPanel->show();
    // The arrow keys walk the results at once; Enter loads the one chosen.
    m_results->setCurrentCell(1, 0);
    m_results->setFocus();
}

void CustomerScreen::completeList()
{
    if (m_resultsPanel->isVisible()) {
        m_menuViewList->setText(kViewList);
        m_resultsPanel->hide();
        return;
    }
    if (!m_accounts.fileHasRecords()) {
        alarm();
        return;
    }
    m_menuViewList->setText(kCloseList);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    showResults(m_accounts.search(CustomerCriterion::All, QStringLiteral("All")),
                QStringLiteral("Complete Customer List"));
    QApplication::restoreOverrideCursor();
}

void CustomerScreen::loadResultRow(int row)
{
    bool ok = false;
    const int number = m_results->text(row, 2).toInt(&ok);
    if (!ok || number < 1)
        return;
    jumpTo(number);
    m_resultsPanel->hide();
    m_menuViewList->setText(kViewList);
    m_select->setFocus(); // the account found is the one to go on with
}

// --- Leaving and entering boxes ----------------------------------------------------------------------------

void CustomerScreen::acctNoLeft()
{
    const QString text = m_acctNo->text();
    if (text.trimmed().isEmpty() || m_accounts.currentNumber() == 0 || !isVisible())
        return;
    // A record merely viewed is not questioned; only a number typed for it.
    if (!m_accounts.numberChanged(text) || !m_accounts.isDuplicate(text))
        return;
    const QString question =
        QStringList{QStringLiteral("The Account Number is a duplicate"), QStringLiteral("Click Yes to Replace it"),
                    QStringLiteral("Enter a different Number")}
            .join(QStringLiteral("\r\n"));
    // Once per number typed: Yes empties the box, No keeps the number for changing; the box has the focus.
    if (text == m_duplicateAsked)
        return;
    m_duplicateAsked = text;
    const bool replace = m_platform.messages.ask(question, QStringLiteral("Duplicate Account Number"));
    if (replace)
        m_acctNo->clear();
    QTimer::singleShot(0, m_acctNo, [this] {
        m_acctNo->setFocus();
        m_acctNo->selectAll();
    });
}

void CustomerScreen::nameLeft()
{
    if (m_name->isHidden() || !isVisible() || m_name->text().size() >= 2)
        return;
    alarm();
    m_platform.messages.inform(QStringList{QStringLiteral("The Name Field Must be at least 2 Characters"),
                                           QStringLiteral("This is okay if Cancelling a New Entry"),
                                           QStringLiteral("Click Cancel AddNew Again")}
                                   .join(QStringLiteral("\r\n")),
                               QStringLiteral("No Name Entered"));
}

bool CustomerScreen::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if ((type == QEvent::ShowToParent || type == QEvent::HideToParent) &&
        (watched == m_searchPanel || watched == m_resultsPanel || watched == m_auxPanel)) {
        // The panels' column takes room only while one of them shows.
        m_panelScroll->setVisible(!m_searchPanel->isHidden() || !m_resultsPanel->isHidden() || !m_auxPanel->isHidden());
        return false;
    }
    // Entering a box never empties it: the boxes hold no prompts, only data ("Mustang Fitness" stays).
    // Leaving one is checked only when the user moves on inside the window, not when a message box or another
    // window takes the focus (a question must not be covered by the next one).
    const auto movedOn = [event] {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
               !QApplication::activeModalWidget();
    };
    if (type == QEvent::FocusOut && watched == m_acctNo) {
        if (movedOn())
            acctNoLeft();
    } else if (type == QEvent::FocusOut && watched == m_name) {
        if (movedOn())
            nameLeft();
    } else if (watched == m_nameList || watched == m_nameList->lineEdit()) {
        if (type == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Delete || key == Qt::Key_Backspace)
                m_suppressCompletion = true;
            else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                nameListLeft();
                return true;
            }
        } else if (type == QEvent::FocusOut && !m_nameList->view()->isVisible()) {
            nameListLeft();
        }
    } else if (type == QEvent::MouseButtonDblClick) {
        for (int i = 0; i < AuxData::kBoxes; ++i) {
            if (watched == m_auxHeading[std::size_t(i)]) {
                m_auxHeading[std::size_t(i)]->clear();
                return true;
            }
            if (watched == m_aux[std::size_t(i)]->viewport()) {
                openAuxEditor(i);
                return true;
            }
        }
    } else if (type == QEvent::MouseButtonPress) {
        for (int i = 0; i < AuxData::kBoxes; ++i) {
            if (watched == m_auxClear[std::size_t(i)]) {
                m_aux[std::size_t(i)]->clear();
                m_aux[std::size_t(i)]->setFocus();
                return true;
            }
        }
    }
    return ProgramWindow::eventFilter(watched, event);
}

// --- Dialing -----------------------------------------------------------------------------------------------

void CustomerScreen::setDialingEnabled(bool enabled)
{
    m_dialingEnabled = enabled;
    m_dialButton->setVisible(enabled);
}

void CustomerScreen::dial()
{
    const QString telephone = m_accounts.shown().text(CustomerField::Telephone);
    const QString cell = m_accounts.shown().text(CustomerField::Cell);
    QString number;
    if (!telephone.isEmpty() && !cell.isEmpty()) {
        number = m_platform.messages.ask(QStringLiteral("Click YES to dial Phone,\r\nClick NO to dial Cell"),
                                         QStringLiteral("Select Phone or Cell"))
                     ? telephone
                     : cell;
    } else {
        number = telephone.isEmpty() ? cell : telephone;
    }
    if (!number.isEmpty())
        emit dialRequested(m_accounts.displayName(), number);
}

// --- Auxiliary data ----------------------------------------------------------------------------------------

void CustomerScreen::toggleAuxPanel()
{
    if (m_auxPanel->isVisible()) {
        keepNotes();
        m_auxPanel->hide();
        return;
    }
    m_auxPanel->show();
    setAuxAccountLine();
}

void CustomerScreen::setAuxAccountLine()
{
    QString line = m_name->text();
    if (!m_accounts.isBusiness()) {
        QStringList parts;
        for (const QString &part : {m_title->currentText(), m_first->text(), m_last->text()})
            parts.append(part);
        line = parts.join(QLatin1Char(' '));
    }
    m_auxAccount->setText(line);
}

AuxData::Texts CustomerScreen::auxTexts() const
{
    AuxData::Texts boxes;
    for (int i = 0; i < AuxData::kBoxes; ++i)
        boxes[std::size_t(i)] = m_aux[std::size_t(i)]->toPlainText();
    return boxes;
}

void CustomerScreen::loadAuxData()
{
    const QString acctNo = m_accounts.shown().text(CustomerField::AcctNo);
    if (m_retain->isChecked()) {
        // The boxes keep the previous account's text; they are stored for this one only when changed here.
        m_notes.carry(acctNo, auxTexts());
        return;
    }
    const AuxData::Texts boxes = m_notes.load(acctNo);
    for (int i = 0; i < AuxData::kBoxes; ++i)
        m_aux[std::size_t(i)]->setPlainText(boxes[std::size_t(i)]);
}

void CustomerScreen::saveAuxData()
{
    if (m_accounts.pendingNew() || !m_accounts.fileHasRecords())
        return;
    // Boxes carried over by "RETAIN Aux Data between Accounts" are stored for an account only when changed there:
    // passing through accounts leaves their own notes as they are.
    try {
        m_notes.saveIfChanged(auxTexts());
    } catch (const DiskError &e) {
        m_platform.messages.inform(e.message(), m_state.folder.executableName());
    }
}

void CustomerScreen::keepNotes()
{
    // Every way out of an account stores the data boxes typed for it.
    try {
        m_notes.saveIfChanged(auxTexts());
    } catch (const DiskError &e) {
        m_platform.messages.inform(e.message(), m_state.folder.executableName());
    }
}

void CustomerScreen::adoptNotesOfNewAccount(bool wasPending)
{
    const QString acctNo = m_accounts.shown().text(CustomerField::AcctNo);
    if (!wasPending && acctNo == m_notes.account())
        return;
    if (wasPending) {
        bool keep = false;
        try {
            if (m_notes.hasNotes(acctNo)) {
                keep = m_platform.messages.ask(
                    QStringLiteral("Data boxes are stored under Account No %1 from an earlier account.\r\n"
                                   "Click Yes to keep them for this account, No to delete them.")
                        .arg(acctNo),
                    QStringLiteral("Data Boxes Found"));
                if (!keep)
                    m_notes.remove(acctNo);
            }
        } catch (const DiskError &e) {
            m_platform.messages.inform(e.message(), m_state.folder.executableName());
        }
        if (keep) {
            loadAuxData();
            return;
        }
    }
    // The boxes on screen belong to the account under its new number; what was typed is stored on leaving.
    m_notes.carry(acctNo, {});
}

void CustomerScreen::auxStep(int delta)
{
    saveAuxData();
    const int number = m_accounts.currentNumber() + delta;
    if (number < 1 || number > m_accounts.count())
        return;
    showRecord(number);
    m_auxPanel->show();
    setAuxAccountLine();
}

void CustomerScreen::openAuxEditor(int box)
{
    if (box < 0 || box >= AuxData::kBoxes)
        return;
    m_editedBox = box;
    setAuxAccountLine();
    m_auxEditorLine->setText(QStringLiteral("Editing Data Box # ") + QString::number(box + 1) + QStringLiteral(" - ") +
                             m_auxHeading[std::size_t(box)]->text() + QStringLiteral(" - for ") + m_auxAccount->text());
    m_auxEditorText->setPlainText(m_aux[std::size_t(box)]->toPlainText());
    m_auxEditor->open();
}
