#include "gui/dispatch/boardwindow.h"

#include "accounts/assignmentfile.h"
#include "billing/invoicenumbers.h"
#include "billing/printedinvoices.h"
#include "core/clock.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "core/oledate.h"
#include "core/seams.h"
#include "core/settings.h"
#include "dispatch/invoicenarrative.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipprintvalues.h"
#include "dispatch/slipvalues.h"
#include "gui/dispatch/routesheetdialog.h"
#include "gui/widgets/datebox.h"
#include "gui/widgets/fieldfilter.h"
#include "gui/widgets/flexgrid.h"
#include "gui/widgets/listexport.h"
#include "gui/widgets/slipmediapanel.h"
#include "gui/widgets/widgets.h"
#include "printing/invoicelayout.h"
#include "printing/printtarget.h"
#include "printing/reportlayout.h"
#include "printing/serviceorderlayout.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSet>
#include <QShortcut>
#include <QTableView>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>

using namespace SlipField;

namespace {
// The screen width from which the grid shows its columns whole beside the action buttons and an open frame.
constexpr int kRoomForGridAndFrames = 1400;
} // namespace

namespace {

const QColor kNavy(0, 0, 128);
const QColor kWhite(255, 255, 255);
const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);
const QColor kDarkGreen(0, 64, 0);
const QColor kFromPhone(255, 236, 150); // the status cell of a slip a phone changed
const QColor kLeftBoard(128, 128, 128); // its text when the phone completed it

const QStringList kAddressCaptions = {QStringLiteral("Name"),      QStringLiteral("Addr #1"), QStringLiteral("Addr #2"),
                                      QStringLiteral("City"),      QStringLiteral("State"),   QStringLiteral("Zip"),
                                      QStringLiteral("Telephone"), QStringLiteral("Cell #")};
const int kAccountFields[] = {Name, Address1, Address2, City, State, PostalCode, Telephone, Cell};
const int kSiteFields[] = {SiteName,  SiteAddress1,   SiteAddress2,  SiteCity,
                           SiteState, SitePostalCode, SiteTelephone, SiteCell};

} // namespace

BoardWindow::BoardWindow(Environment environment, Shared state, Platform &platform, PrintTarget &target,
                         InputsSource inputs, QWidget *parent)
    : ProgramWindow(QStringLiteral("frmMain"), std::move(environment), kMainKey, parent)
    , m_state(state)
    , m_platform(platform)
    , m_target(target)
    , m_inputs(std::move(inputs))
    , m_board(state.folder, platform.clock, state.settings)
{
    setWindowTitle(QStringLiteral("Slip Action Screen[*]")); // [*]: the mark of changes not saved yet
    // A save that wrote the board's change over a phone's refused one: the phone's day says so.
    m_board.setOnPhoneOverruled([this](const std::vector<Record> &slips) {
        PhoneWork::noteOfficeChanges(m_state.folder, m_platform.clock, slips);
    });
    buildBoard();
    // What changes slips (or takes an invoice number) stays off on a read-only seat.
    QList<QObject *> writing;
    for (Action a : {DeleteAll, CompleteAll, DeleteSelected, CompleteSelected, SaveAndExit, MakeChanges, AcceptChanges,
                     AddToSlip, PrintInvoices, RestoreSlip, SaveContents})
        writing.append(m_buttons.value(a));
    writeControls(writing);
    m_view = BoardView::fromBytes(m_platform.layouts.loadChoice(kMainKey, objectName(), QStringLiteral("view")));
    fillFilterBar();
    resize(1560, 900);
}

QPushButton *BoardWindow::button(Action action, const QString &caption)
{
    auto *b = Widgets::button(caption, QStringLiteral("cmdMain_%1").arg(int(action)), this);
    connect(b, &QPushButton::clicked, this, [this, action] { runAction(action); });
    m_buttons.insert(action, b);
    return b;
}

void BoardWindow::buildBoard()
{
    auto *menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("mnuBar"));
    QMenu *windows = menuBar->addMenu(QStringLiteral("&Windows"));
    windows->setObjectName(QStringLiteral("mnuWindows"));
    m_mnuAccount = windows->addAction(QStringLiteral("Toggle &Account Data"));
    m_mnuAccount->setObjectName(QStringLiteral("mnuAccount"));
    m_mnuContents = windows->addAction(QStringLiteral("Toggle Slip &Contents"));
    m_mnuContents->setObjectName(QStringLiteral("mnuContents"));
    m_mnuInstructions = windows->addAction(QStringLiteral("Toggle &Instructions"));
    m_mnuInstructions->setObjectName(QStringLiteral("mnuInstructions"));
    m_mnuAccount->setEnabled(false);
    m_mnuContents->setEnabled(false);
    windows->addSeparator();
    QAction *calendar = windows->addAction(QStringLiteral("Ca&lendar..."));
    calendar->setObjectName(QStringLiteral("mnuCalendar"));
    connect(calendar, &QAction::triggered, this, [this] {
        const int r = m_board.gridCurrentRow();
        const bool dated = r > 0 && m_board.row(r).scheduled.isValid();
        emit calendarRequested(r > 0 ? m_board.slip(r).text(AssignedTo) : QString(),
                               dated ? m_board.row(r).scheduled : m_platform.clock.today());
    });
    QAction *agreements = windows->addAction(QStringLiteral("Maintenance A&greements..."));
    agreements->setObjectName(QStringLiteral("mnuAgreements"));
    connect(agreements, &QAction::triggered, this, &BoardWindow::agreementsRequested);
    QMenu *list = menuBar->addMenu(QStringLiteral("&List"));
    list->setObjectName(QStringLiteral("mnuList"));
    list->addAction(QStringLiteral("&Export Slips Shown..."), this,
                    [this] {
                        ListTransfer::exportCsv(m_platform, QStringLiteral("Export Slips"), QStringLiteral("Slips.csv"),
                                                ListTransfer::gridCsv(*m_grid));
                    })
        ->setObjectName(QStringLiteral("mnuExport"));
    QMenu *print = menuBar->addMenu(QStringLiteral("&Print"));
    print->setObjectName(QStringLiteral("mnuPrint"));
    print->addAction(QStringLiteral("Route Sheet..."), this, &BoardWindow::askRouteSheet)
        ->setObjectName(QStringLiteral("mnuRouteSheet"));

    // Heading line: the title, the tick hint and the past-due legend.
    auto *title = Widgets::label(QStringLiteral("Dispatch Board"), QStringLiteral("lblDispatchBoard"), this);
    QFont big = title->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    title->setFont(big);
    auto *hint = Widgets::label(QStringLiteral("Tick the SEL Column to SELECT a Service Slip"),
                                QStringLiteral("lblTickHint"), this);
    m_legend = new QWidget(this);
    m_legend->setObjectName(QStringLiteral("fraLegend"));
    auto *attn = Widgets::label(QStringLiteral("attn"), QStringLiteral("lblAttn"), m_legend);
    attn->setFrameShape(QFrame::Box);
    attn->setAutoFillBackground(true);
    attn->setStyleSheet(QStringLiteral("QLabel { background: rgb(0,0,255); color: rgb(255,0,0); padding: 1px 4px; }"));
    auto *legendText =
        Widgets::label(QStringLiteral("= indicates Past Due Date"), QStringLiteral("lblPastDue"), m_legend);
    auto *legendPicture = Widgets::label(QString(), QStringLiteral("imgPastDue"), m_legend);
    legendPicture->setPixmap(Widgets::warningSign(20));
    auto *legendRow = new QHBoxLayout(m_legend);
    legendRow->setContentsMargins(0, 0, 0, 0);
    legendRow->addWidget(legendPicture);
    legendRow->addWidget(attn);
    legendRow->addWidget(legendText);
    auto *heading = new QHBoxLayout;
    heading->addWidget(title);
    heading->addSpacing(24);
    heading->addWidget(hint);
    heading->addStretch();
    m_shown = Widgets::label(QString(), QStringLiteral("lblShown"), this);
    heading->addWidget(m_shown);
    heading->addSpacing(16);
    heading->addWidget(m_legend);

    // Action buttons on the left, grouped as the board names them.
    auto *actions = new QVBoxLayout;
    auto addGroup = [&](const QString &name, const QString &caption,
                        std::initializer_list<std::pair<Action, QString>> bs) {
        auto *label = Widgets::label(caption, name, this);
        QFont f = label->font();
        f.setBold(true);
        label->setFont(f);
        actions->addWidget(label);
        for (const auto &[index, text] : bs)
            actions->addWidget(button(index, text));
        actions->addSpacing(8);
    };
    addGroup(
        QStringLiteral("lblActionButtons"), QStringLiteral("Action Buttons"),
        {{SaveAndExit, QStringLiteral("Save &Changes/Exit")}, {ExitWithoutSaving, QStringLiteral("&Exit w/o Saving")}});
    addGroup(QStringLiteral("lblSingleSlip"), QStringLiteral("Single Slip"),
             {{ManageSlip, QStringLiteral("&Manage/Alter Selected Service Slip")},
              {SlipTextMessage, QStringLiteral("Create Txt Msg")}});
    addGroup(QStringLiteral("lblGroupOfSlips"), QStringLiteral("Group of Slips"),
             {{SelectAll, QStringLiteral("Select All")},
              {DeselectAll, QStringLiteral("De-Select All")},
              {CompleteSelected, QStringLiteral("C&omplete Selected")},
              {DeleteSelected, QStringLiteral("Delete Selecte&d ")},
              {PrintServiceSlips, QStringLiteral("Print &Service Slips")},
              {PrintInvoices, QStringLiteral("Print &Invoices")}});
    // The photos a technician's phone took print after each service order when asked; the choice is kept.
    m_withPhotos = Widgets::checkBox(QStringLiteral("with P&hotos"), QStringLiteral("ckPhotos"), this);
    m_withPhotos->setToolTip(QStringLiteral("Print &Service Slips prints each slip's photos on pages after its order"));
    m_withPhotos->setChecked(m_platform.layouts.loadChoice(kMainKey, objectName(), QStringLiteral("photos")) == "on");
    connect(m_withPhotos, &QCheckBox::toggled, this, [this](bool on) {
        m_platform.layouts.saveChoice(kMainKey, objectName(), QStringLiteral("photos"), on ? "on" : "off");
    });
    actions->insertWidget(actions->indexOf(m_buttons.value(PrintServiceSlips)) + 1, m_withPhotos);
    addGroup(QStringLiteral("lblAllSlips"), QStringLiteral("ALL Slips"),
             {{CompleteAll, QStringLiteral("Complete &All")},
              {DeleteAll, QStringLiteral("Dele&te All ")},
              {PrintReport, QStringLiteral("Print Slips &Report")}});
    actions->addStretch();

    m_grid = new FlexGrid(QStringLiteral("fgSlips"), this);
    m_grid->setFormat(BoardState::kGridFormat);
    // The headings' blanks set the proportions; the narrow ones get room for their texts.
    m_grid->setColumnWeight(0, 4);
    m_grid->setColumnWeight(1, 9);
    m_grid->setColumnWeight(6, 14);
    m_grid->setColumnWeight(7, 28);
    m_grid->setTickColumn(0);
    m_grid->view()->viewport()->installEventFilter(this);
    connect(m_grid, &FlexGrid::cellClicked, this, &BoardWindow::cellClicked);
    connect(m_grid, &FlexGrid::currentCellChanged, this,
            [this](int row, int) { m_board.setGridCurrentRow(m_board.boardRow(row)); });

    // The frames beside the grid, shown and hidden by the actions.
    auto *frames = new QVBoxLayout;
    m_slipFrame = buildSlipFrame();
    m_changeFrame = buildChangeFrame();
    m_accountFrame = buildAccountFrame();
    m_contentsFrame = buildContentsFrame();
    m_instructions = buildInstructions();
    m_paperFrame = new QGroupBox(QStringLiteral("Insert Plain Paper"), this);
    m_paperFrame->setObjectName(QStringLiteral("fraPaper"));
    m_paperText =
        Widgets::label(QStringLiteral("Feed the sheets face up, top edge first.\nPerforated sheets: perforation last."),
                       QStringLiteral("lblPaper"), m_paperFrame);
    (new QVBoxLayout(m_paperFrame))->addWidget(m_paperText);
    // The change frame above the slip frame: its new values and buttons show whole as it opens.
    for (QGroupBox *frame : {m_changeFrame, m_slipFrame, m_accountFrame, m_contentsFrame, m_paperFrame, m_instructions})
        frames->addWidget(frame);
    frames->addStretch();
    auto *framePanel = new QWidget;
    framePanel->setObjectName(QStringLiteral("fraPanel"));
    framePanel->setLayout(frames);
    // The frames scroll beside the grid rather than stretching the window.
    auto *frameScroll = m_frameScroll = new QScrollArea(this);
    frameScroll->setObjectName(QStringLiteral("fraScroll"));
    frameScroll->setWidget(framePanel);
    frameScroll->setWidgetResizable(true);
    frameScroll->setFrameShape(QFrame::NoFrame);
    frameScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The frames take a third of a small screen and no more than they need on a large one: the grid keeps
    // the rest.
    const QScreen *screen = QGuiApplication::primaryScreen();
    frameScroll->setFixedWidth(std::clamp(screen ? screen->availableGeometry().width() * 35 / 100 : 440, 340, 440));
    for (QGroupBox *frame : {m_slipFrame, m_changeFrame, m_accountFrame, m_contentsFrame, m_paperFrame})
        frame->hide();
    // The instructions are shown only when asked for: on a small screen they would take the grid's last columns.
    m_instructions->setVisible(m_platform.layouts.loadChoice(kMainKey, objectName(), QStringLiteral("instructions")) ==
                               "shown");
    // The frames' column takes room only while a frame shows; otherwise the grid has the width.
    for (QGroupBox *frame : {m_slipFrame, m_changeFrame, m_accountFrame, m_contentsFrame, m_paperFrame, m_instructions})
        frame->installEventFilter(this);
    showFramePanel();

    m_statusLine = Widgets::label(QString(), QStringLiteral("lblStatusLine"), this);
    m_statusLine->setStyleSheet(QStringLiteral("QLabel { color: rgb(160,0,0); }"));
    m_statusLine->setWordWrap(true);
    m_unsaved = Widgets::label(QStringLiteral("Changes not saved yet: Save and Exit keeps them."),
                               QStringLiteral("lblUnsaved"), this);
    m_unsaved->setStyleSheet(QStringLiteral("QLabel { color: rgb(160,0,0); font-weight: bold; }"));
    m_unsaved->hide();

    auto *middle = new QHBoxLayout;
    m_actionPanel = new QWidget(this);
    m_actionPanel->setObjectName(QStringLiteral("fraActions"));
    m_actionPanel->setLayout(actions);
    actions->setContentsMargins(0, 0, 0, 0);
    middle->addWidget(m_actionPanel);
    middle->addWidget(m_grid, 1);
    middle->addWidget(frameScroll);

    auto *layout = new QVBoxLayout(this);
    layout->setMenuBar(menuBar);
    layout->addLayout(heading);
    layout->addWidget(buildFilterBar());
    layout->addLayout(middle, 1);
    auto *statusRow = new QHBoxLayout;
    statusRow->addWidget(m_statusLine, 1);
    statusRow->addWidget(m_unsaved);
    layout->addLayout(statusRow);

    connect(m_mnuAccount, &QAction::triggered, this, [this] {
        m_contentsFrame->hide();
        m_accountFrame->setVisible(!m_accountFrame->isVisible());
    });
    connect(m_mnuContents, &QAction::triggered, this, [this] {
        m_accountFrame->hide();
        m_contentsFrame->setVisible(!m_contentsFrame->isVisible());
    });
    connect(m_mnuInstructions, &QAction::triggered, this, [this] {
        m_instructions->setVisible(m_instructions->isHidden());
        m_platform.layouts.saveChoice(kMainKey, objectName(), QStringLiteral("instructions"),
                                      m_instructions->isHidden() ? "hidden" : "shown");
    });
}

QGroupBox *BoardWindow::buildSlipFrame()
{
    auto *frame = new QGroupBox(QStringLiteral("Service Slip"), this);
    frame->setObjectName(QStringLiteral("fraSlipData"));
    auto *grid = new QGridLayout(frame);
    int row = 0;
    auto line = [&](const QString &caption, const QString &name) {
        grid->addWidget(new QLabel(caption, frame), row, 0);
        auto *value = Widgets::label(QString(), name, frame);
        QFont f = value->font();
        f.setBold(true);
        value->setFont(f);
        m_labels.insert(name, value);
        grid->addWidget(value, row++, 1);
    };
    line(QString(), QStringLiteral("lblSlipNo_0"));
    line(QStringLiteral("Slip Created on:"), QStringLiteral("lblDateReceived"));
    line(QStringLiteral("Currently Scheduled for:"), QStringLiteral("lblSchedDate"));
    line(QStringLiteral("Currently Scheduled at:"), QStringLiteral("lblSchedTime"));
    line(QStringLiteral("Assigned to:"), QStringLiteral("lblAssignedTo"));
    line(QStringLiteral("Current Status"), QStringLiteral("lblStatus"));
    line(QStringLiteral("Priority"), QStringLiteral("lblPriority"));
    m_media = new SlipMediaPanel(frame);
    grid->addWidget(m_media, row++, 0, 1, 2);
    grid->addWidget(button(MakeChanges, QStringLiteral("Ma&ke Changes - Re-assign - Change Status")), row++, 0, 1, 2);
    grid->addWidget(button(ContentsTextMessage, QStringLiteral("Create Txt Msg")), row++, 0, 1, 2);
    grid->addWidget(button(RestoreSlip, QStringLiteral("Restore Original Slip Data")), row++, 0, 1, 2);
    grid->addWidget(button(CloseSlipFrame, QStringLiteral("Close Window")), row++, 0, 1, 2);
    return frame;
}

QGroupBox *BoardWindow::buildChangeFrame()
{
    auto *frame = new QGroupBox(QStringLiteral("Change Slip Data"), this);
    frame->setObjectName(QStringLiteral("fraNewSlipData"));
    auto *grid = new QGridLayout(frame);
    auto *slipNo = Widgets::label(QString(), QStringLiteral("lblSlipNo_2"), frame);
    m_labels.insert(slipNo->objectName(), slipNo);
    grid->addWidget(slipNo, 0, 0, 1, 2);

    m_lstTechs = new QListWidget(frame);
    m_lstTechs->setObjectName(QStringLiteral("lstTechs"));
    m_lstStatus = new QListWidget(frame);
    m_lstStatus->setObjectName(QStringLiteral("lstStatus"));
    m_lstStatus->addItems(SlipValues::boardStatuses());
    m_lstPriority = new QListWidget(frame);
    m_lstPriority->setObjectName(QStringLiteral("lstPriority"));
    m_lstPriority->addItems(SlipValues::priorities());
    m_cboTime = new QComboBox(frame);
    m_cboTime->setObjectName(QStringLiteral("cboTime"));
    m_cboTime->addItems(SlipValues::timeSlots());
    m_picker = new DateBox(QStringLiteral("DTPicker1"), m_platform.messages, m_platform.clock, frame);
    // The arrow keys step over the days the work week leaves out.
    m_picker->setAllowedDays([this](const QDate &day) { return nextWorkday(m_state.settings.workWeek, day) == day; });
    for (QListWidget *list : {m_lstTechs, m_lstStatus, m_lstPriority})
        list->setMaximumHeight(90);

    grid->addWidget(new QLabel(QStringLiteral("Assignment"), frame), 1, 0);
    grid->addWidget(m_lstTechs, 2, 0);
    grid->addWidget(new QLabel(QStringLiteral("Status"), frame), 1, 1);
    grid->addWidget(m_lstStatus, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Priority"), frame), 3, 0);
    grid->addWidget(m_lstPriority, 4, 0);
    auto *when = new QVBoxLayout;
    when->addWidget(new QLabel(QStringLiteral("Date"), frame));
    when->addWidget(m_picker);
    when->addWidget(new QLabel(QStringLiteral("Time"), frame));
    when->addWidget(m_cboTime);
    grid->addLayout(when, 3, 1, 2, 1);
    // Tab follows the frame as it reads: the date above the time.
    setTabOrder(m_lstPriority, m_picker);
    setTabOrder(m_picker, m_cboTime);

    int row = 5;
    auto value = [&](const QString &caption, const QString &name) {
        grid->addWidget(new QLabel(caption, frame), row, 0);
        auto *label = Widgets::label(QString(), name, frame);
        QFont f = label->font();
        f.setBold(true);
        label->setFont(f);
        m_labels.insert(name, label);
        grid->addWidget(label, row++, 1);
    };
    value(QStringLiteral("New Assignment:"), QStringLiteral("lblNewAssignment"));
    value(QStringLiteral("New Date:"), QStringLiteral("lblNewDate"));
    value(QStringLiteral("New Time:"), QStringLiteral("lblNewTime"));
    value(QStringLiteral("New Status:"), QStringLiteral("lblNewStatus"));
    value(QStringLiteral("New Priority:"), QStringLiteral("lblNewPriority"));
    grid->addWidget(button(ClearRedo, QStringLiteral("Clear/Redo")), row++, 0, 1, 2);
    grid->addWidget(button(AcceptChanges, QStringLiteral("&Verify and Accept Changes - Close Window")), row++, 0, 1, 2);
    grid->addWidget(button(CloseWithoutChanges, QStringLiteral("Close Window WITH &NO changes")), row++, 0, 1, 2);

    // What a list shows chosen is the new value, whether the mouse or the arrow keys moved the choice there; a
    // status the rules refuse puts the choice back on the status in force. (The focus entering a list with nothing
    // chosen marks its first entry without choosing it.)
    const auto follow = [this](QListWidget *list, auto choose) {
        connect(list, &QListWidget::itemSelectionChanged, this, [this, list, choose] {
            const QList<QListWidgetItem *> chosen = list->selectedItems();
            if (m_filling || chosen.isEmpty())
                return;
            choose(chosen.first()->text());
            showChangeValues();
        });
    };
    follow(m_lstStatus, [this](const QString &text) { shown(m_platform.messages, m_board.chooseStatus(text)); });
    follow(m_lstPriority, [this](const QString &text) { m_board.choosePriority(text); });
    follow(m_lstTechs, [this](const QString &text) { m_board.chooseAssignment(text); });
    connect(m_cboTime, &QComboBox::activated, this, [this](int index) {
        if (m_filling)
            return;
        m_board.chooseTime(m_cboTime->itemText(index));
        showChangeValues();
    });
    // Both date rules run when a date is picked: from the calendar, or typed and confirmed.
    connect(m_picker, &DateBox::dateChosen, this, &BoardWindow::pickerChanged);
    return frame;
}

QGroupBox *BoardWindow::buildAccountFrame()
{
    auto *frame = new QGroupBox(QStringLiteral("SERVICE ACCOUNT DATA"), this);
    frame->setObjectName(QStringLiteral("fraAccount"));
    auto *grid = new QGridLayout(frame);
    auto *slipNo = Widgets::label(QString(), QStringLiteral("lblSlipNo_3"), frame);
    m_labels.insert(slipNo->objectName(), slipNo);
    grid->addWidget(slipNo, 0, 0, 1, 3);
    grid->addWidget(Widgets::label(QStringLiteral("Account Data"), QStringLiteral("lblAccountHeading"), frame), 1, 1);
    grid->addWidget(Widgets::label(QStringLiteral("Service Location"), QStringLiteral("lblSiteHeading"), frame), 1, 2);
    for (int i = 0; i < 8; ++i) {
        grid->addWidget(new QLabel(kAddressCaptions[i], frame), i + 2, 0);
        auto *account = Widgets::label(QString(), QStringLiteral("lblAccount_%1").arg(i), frame);
        auto *site = Widgets::label(QString(), QStringLiteral("lblSite_%1").arg(i), frame);
        m_labels.insert(account->objectName(), account);
        m_labels.insert(site->objectName(), site);
        grid->addWidget(account, i + 2, 1);
        grid->addWidget(site, i + 2, 2);
    }
    m_callCustomer = Widgets::button(QStringLiteral("Call Customer"), QStringLiteral("imgCallCustomer"), frame);
    Widgets::styleIconWhenShown(m_callCustomer, QStyle::SP_DialogYesButton);
    connect(m_callCustomer, &QPushButton::clicked, this, [this] {
        const int r = m_board.currentSlipRow();
        if (r < 1 || r > m_board.count())
            return;
        // The account's name and number, not the site's.
        emit dialRequested(m_board.slip(r).text(Name), m_board.slip(r).text(Telephone));
    });
    grid->addWidget(m_callCustomer, 10, 0, 1, 2);
    addNoModemNote(m_callCustomer);
    grid->addWidget(button(CloseAccountFrame, QStringLiteral("Close Window")), 10, 2);
    return frame;
}

QGroupBox *BoardWindow::buildContentsFrame()
{
    auto *frame = new QGroupBox(QStringLiteral("SLIP CONTENTS (Service Required)"), this);
    frame->setObjectName(QStringLiteral("fraSlipContents"));
    auto *layout = new QVBoxLayout(frame);
    auto *slipNo = Widgets::label(QString(), QStringLiteral("lblSlipNo_1"), frame);
    m_labels.insert(slipNo->objectName(), slipNo);
    layout->addWidget(slipNo);
    m_contents = new QPlainTextEdit(frame);
    m_contents->setObjectName(QStringLiteral("txtContents"));
    FieldFilter::guardStorable(m_contents, m_platform.messages, m_state.folder.executableName());
    layout->addWidget(m_contents);
    auto *length = new QLabel(frame);
    length->setObjectName(QStringLiteral("lblContentsLength"));
    layout->addWidget(length);
    connect(m_contents, &QPlainTextEdit::textChanged, length, [this, length] {
        bool tooLong = false;
        length->setText(BoardState::contentsLength(m_contents->toPlainText(), &tooLong));
        length->setStyleSheet(tooLong ? QStringLiteral("color: red;") : QString());
    });
    auto *row = new QHBoxLayout;
    row->addWidget(button(AddToSlip, QStringLiteral("Add to Slip")));
    row->addWidget(button(SaveContents, QStringLiteral("Save Data/Close Window")));
    layout->addLayout(row);
    return frame;
}

QGroupBox *BoardWindow::buildInstructions()
{
    auto *frame = new QGroupBox(QStringLiteral("Instructions"), this);
    frame->setObjectName(QStringLiteral("fraInstructions"));
    auto *layout = new QVBoxLayout(frame);
    layout->setSpacing(1);
    const QStringList texts = {
        QStringLiteral("You can work with a Single Slip"),
        QStringLiteral("Make changes to Slip Status, Date and Time, Priority,or Assignment."),
        QStringLiteral("or"),
        QStringLiteral("Select a Group of Slips"),
        QStringLiteral("(Delete or Complete only)"),
        QStringLiteral("or"),
        QStringLiteral("All Slips at once"),
        QStringLiteral("(Complete All, Delete All)"),
        QStringLiteral("Tick the SEL Column to SELECT a Service Slip"),
        QStringLiteral("Tick the SEL Column again to SELECT multiple Slips"),
        QStringLiteral("Ticking again RESETS the Tick Mark"),
        QStringLiteral("If a Single Slip selected, Click Manage/Alter Selected Service Slip"),
        QStringLiteral("Changes are made to THIS SCREEN GRID"),
        QStringLiteral("Changes are not SAVED  until Exiting"),
        QStringLiteral("Click Save Changes/Exit"),
    };
    for (int i = 0; i < texts.size(); ++i)
        layout->addWidget(new Widgets::WrappedLabel(texts[i], QStringLiteral("lblInstructions_%1").arg(i), frame));
    return frame;
}

bool BoardWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ToolTip && watched == m_grid->view()->viewport()) {
        const auto *help = static_cast<QHelpEvent *>(event);
        const QString tip = phoneTip(m_grid->view()->indexAt(help->pos()).row() + 1);
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, m_grid->view()->viewport());
        return true;
    }
    if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent)
        showFramePanel();
    return ProgramWindow::eventFilter(watched, event);
}

void BoardWindow::showFramePanel()
{
    bool any = false;
    for (QGroupBox *frame : {m_slipFrame, m_changeFrame, m_accountFrame, m_contentsFrame, m_paperFrame, m_instructions})
        any = any || !frame->isHidden();
    m_frameScroll->setVisible(any);
    // Changing a slip on a small screen: the action buttons (which act on the ticked slips, not on the slip being
    // changed) give their room to the grid, which then shows the slip's number, customer and status whole.
    const QScreen *screen = QGuiApplication::primaryScreen();
    const bool small = screen && screen->availableGeometry().width() < kRoomForGridAndFrames;
    if (m_actionPanel)
        m_actionPanel->setVisible(!(small && !m_changeFrame->isHidden()));
}

// --- Showing the state ----------------------------------------------------------------------------------------

void BoardWindow::showEvent(QShowEvent *event)
{
    ProgramWindow::showEvent(event);
    if (event->spontaneous())
        return;
    reload();
}

void BoardWindow::reload()
{
    {
        const Widgets::BusyCursor busy;
        m_board.load();
        m_phoneNote.clear();
        refreshGrid();
    }
    m_filling = true;
    m_lstTechs->clear();
    m_lstTechs->addItems(m_state.assignmentLists.board);
    m_picker->setDate(m_platform.clock.today());
    m_filling = false;
    fillFilterBar();
    m_board.setPicker(m_platform.clock.today());
    for (QGroupBox *frame : {m_slipFrame, m_changeFrame, m_accountFrame, m_contentsFrame, m_paperFrame})
        frame->hide();
    m_mnuAccount->setEnabled(false);
    m_mnuContents->setEnabled(false);
    showDialing();
    updateButtons();
    // The board opens on its slips: the arrow keys walk them, Space ticks one.
    if (m_grid->rows() > 1 && m_grid->currentRow() < 1)
        m_grid->setCurrentCell(1, 0);
    m_grid->setFocus();
}

void BoardWindow::refreshGrid()
{
    // The grid shows the view's rows in its order; the current slip stays current wherever it moved.
    const int current = m_board.gridCurrentRow();
    m_board.setShownRows(m_view.arrange(m_board));
    const int shown = m_board.shownCount();
    m_grid->setRedraw(false);
    QList<QStringList> rows;
    rows.reserve(shown);
    for (int g = 1; g <= shown; ++g)
        rows.append(m_board.rowCells(m_board.boardRow(g)));
    m_grid->setAll(rows);
    m_grid->fillTextColour(kNavy);
    const QDate today = m_platform.clock.today();
    for (int g = 1; g <= shown; ++g) {
        const int r = m_board.boardRow(g);
        for (int c = 1; c <= 3; ++c) {
            if (m_board.tone(r, c, today) != CellTone::Default || !m_board.row(r).fromPhone.isEmpty()) {
                refreshColours(r, today);
                break;
            }
        }
    }
    m_grid->setRedraw(true);
    if (const int g = m_board.gridRow(current))
        m_grid->setCurrentCell(g, std::max(0, m_grid->currentColumn()));
    m_board.setGridCurrentRow(current);
    QHeaderView *headings = m_grid->view()->horizontalHeader();
    headings->setSortIndicatorShown(m_view.sortColumn >= 0);
    headings->setSortIndicator(m_view.sortColumn, m_view.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    m_shown->setText(m_view.filtering() ? QStringLiteral("%L1 of %L2 slips shown").arg(shown).arg(m_board.count())
                                        : QStringLiteral("%L1 slips").arg(m_board.count()));
    m_legend->setVisible(m_board.anyPastDue());
    updateStatusLine();
    showUnsaved();
}

void BoardWindow::refreshRow(int r)
{
    if (const int g = m_board.gridRow(r)) {
        m_grid->setRowTexts(g, m_board.rowCells(r));
        refreshColours(r, m_platform.clock.today());
    }
    showUnsaved();
}

void BoardWindow::refreshColours(int r, const QDate &today)
{
    const int g = m_board.gridRow(r);
    for (int c = 1; c <= 3 && g > 0; ++c) {
        QColor background;
        QColor text = kNavy;
        switch (m_board.tone(r, c, today)) {
        case CellTone::Default:
            break;
        case CellTone::Plain:
            background = kWhite;
            break;
        case CellTone::PastDue:
            background = kBlue;
            text = kRed;
            break;
        case CellTone::Emergency:
            background = kRed;
            text = kWhite;
            break;
        case CellTone::ChangedAssignment:
            text = kDarkGreen;
            break;
        }
        m_grid->setCellBackground(g, c, background);
        m_grid->setCellTextColour(g, c, text);
    }
    if (g > 0) {
        const BoardState::Row &row = m_board.row(r);
        m_grid->setCellBackground(g, 4, row.fromPhone.isEmpty() ? QColor() : kFromPhone);
        m_grid->setCellTextColour(g, 4, row.leftBoard ? kLeftBoard : kNavy);
    }
}

void BoardWindow::refreshTicks()
{
    m_grid->setRedraw(false);
    for (int g = 1; g <= m_board.shownCount(); ++g)
        m_grid->setText(g, 0, m_board.cell(m_board.boardRow(g), 0));
    m_grid->setRedraw(true);
}

void BoardWindow::updateButtons()
{
    m_buttons.value(ManageSlip)->setEnabled(m_board.canManage());
    const bool selection = m_board.hasSelection();
    for (Action action : {DeleteSelected, CompleteSelected})
        m_buttons.value(action)->setEnabled(selection);
    m_buttons.value(SlipTextMessage)->setEnabled(selection && m_board.currentSlipRow() > 0);
    showUnsaved();
}

void BoardWindow::showUnsaved()
{
    m_unsaved->setVisible(m_board.hasUnsavedChanges());
    setWindowModified(m_board.hasUnsavedChanges());
}

void BoardWindow::updateStatusLine()
{
    const std::vector<int> damaged = m_board.damagedRows();
    if (damaged.empty()) {
        m_statusLine->setText(m_phoneNote);
        return;
    }
    QStringList notes;
    for (std::size_t i = 0; i < damaged.size() && i < 5; ++i)
        notes.append(QStringLiteral("slip %1: %2")
                         .arg(m_board.cell(damaged[i], 1), m_board.damage(damaged[i]).join(QStringLiteral(", "))));
    QString text = QStringLiteral("%1 slip(s) hold values the board does not know and are shown as stored - ")
                       .arg(damaged.size()) +
                   notes.join(QStringLiteral("; "));
    if (damaged.size() > 5)
        text += QStringLiteral("; ...");
    m_statusLine->setText(m_phoneNote.isEmpty() ? text : m_phoneNote + QStringLiteral(" - ") + text);
}

void BoardWindow::slipsChangedElsewhere()
{
    for (QGroupBox *frame : {m_slipFrame, m_changeFrame, m_accountFrame, m_contentsFrame})
        frame->hide();
    refreshGrid();
    updateButtons();
}

void BoardWindow::cellClicked(int gridRow, int col)
{
    if (gridRow == 0) {
        headingClicked(col);
        return;
    }
    const int row = m_board.boardRow(gridRow);
    const int opened = m_board.currentSlipRow();
    if (col == 0 && row > 0 && m_board.row(row).leftBoard)
        m_statusLine->setText(QStringLiteral("Slip %1 was completed from a phone and has moved to the completed slips")
                                  .arg(m_board.cell(row, 1)));
    if (m_board.tickCell(row, col)) {
        // The frames show one slip: another current slip closes them, so no change lands on the wrong slip.
        if (m_board.currentSlipRow() != opened) {
            for (QGroupBox *frame : {m_slipFrame, m_changeFrame, m_accountFrame, m_contentsFrame})
                frame->hide();
            m_mnuAccount->setEnabled(false);
            m_mnuContents->setEnabled(false);
        }
        m_grid->setText(gridRow, 0, m_board.cell(row, 0));
        updateButtons();
    }
}

// --- Changes from the phones ----------------------------------------------------------------------------------------

void BoardWindow::takePhoneChange(const PhoneWork::Outcome &outcome, const QString &phone)
{
    if (!outcome.stored || isHidden())
        return;
    m_phoneChanges.push_back({outcome.before, outcome.after, phone});
    takePhoneChanges();
}

void BoardWindow::takePhoneChanges()
{
    if (m_takingPhone)
        return; // the change being taken asks; the loop below takes this one after it
    // A question or message of the board's waiting for its answer: an action is under way on the rows as they
    // are. The changes wait until it is answered.
    if (qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
        if (!m_phoneRetry)
            QTimer::singleShot(200, this, [this] {
                m_phoneRetry = false;
                takePhoneChanges();
            });
        m_phoneRetry = true;
        return;
    }
    m_takingPhone = true;
    while (!m_phoneChanges.empty() && !isHidden()) {
        const PhoneChange change = m_phoneChanges.front();
        m_phoneChanges.pop_front();
        const int opened = m_slipFrame->isVisible() || m_changeFrame->isVisible() ? m_board.currentSlipRow() : 0;
        const bool changing = m_changeFrame->isVisible();
        const BoardState::PhoneTaken taken = putThrough(m_platform.messages, [&](const Answers &answers) {
            return m_board.takePhoneChange(change.before, change.after, change.phone, answers);
        });
        m_phoneNote = taken.statusLine.isEmpty() ? m_phoneNote : taken.statusLine;
        const int r = taken.row;
        if (r > 0 && r == opened) {
            // The frames showed the slip as it was: new values proposed there would land on the phone's change.
            for (QGroupBox *frame : {m_slipFrame, m_changeFrame, m_accountFrame, m_contentsFrame})
                frame->hide();
            if (changing && taken.notices.empty() && taken.question.isEmpty())
                m_platform.messages.inform(taken.statusLine + QStringLiteral("\r\nIt changed while you were changing "
                                                                             "it: open it again to change it."),
                                           m_board.title());
        }
        if (r > 0) {
            refreshRow(r);
            m_legend->setVisible(m_board.anyPastDue());
            emit phoneChangeTaken(r);
        }
        updateStatusLine();
        updateButtons();
    }
    m_phoneChanges.clear(); // hidden: the board reads the files when it shows
    m_takingPhone = false;
}

QString BoardWindow::phoneTip(int gridRow) const
{
    const int r = m_board.boardRow(gridRow);
    if (r < 1 || m_board.row(r).fromPhone.isEmpty())
        return {};
    return m_board.row(r).fromPhone +
           (m_board.row(r).leftBoard ? QStringLiteral("\nMoved to the completed slips: the board no longer saves it")
                                     : QString());
}

template <typename Decide> bool BoardWindow::ask(Decide decide)
{
    return putThrough(m_platform.messages, decide).isDone();
}

std::optional<ProgramWindow::UnsavedWork> BoardWindow::unsavedWork()
{
    if (!m_board.hasUnsavedChanges())
        return std::nullopt;
    return UnsavedWork{&m_platform.messages,
                       QStringLiteral("The changes made on the board have not been saved.\r\n"
                                      "Save them before the board closes?"),
                       QStringLiteral("Close the Board"),
                       [this] { return ask([this](const Answers &) { return m_board.saveAll(); }); },
                       {}};
}

void BoardWindow::leave()
{
    hide();
    emit returnToMenu();
}

// --- The actions ------------------------------------------------------------------------------------------------

void BoardWindow::runAction(Action action)
{
    switch (action) {
    case ExitWithoutSaving:
        if (ask([this](const Answers &a) { return m_board.confirmLeaveWithoutSaving(a); }))
            leave();
        break;
    case DeleteAll:
        // The board is hidden at once and filled anew when it shows again.
        if (ask([this](const Answers &a) { return m_board.deleteAll(a); }))
            leave();
        break;
    case CompleteAll:
        if (ask([this](const Answers &a) { return m_board.completeAll(a); }))
            refreshGrid();
        break;
    case DeleteSelected:
        if (ask([this](const Answers &a) { return m_board.deleteSelected(a); })) {
            refreshGrid();
            for (QGroupBox *frame : {m_slipFrame, m_changeFrame, m_accountFrame, m_contentsFrame})
                frame->hide();
            updateButtons();
        }
        break;
    case CompleteSelected:
        if (ask([this](const Answers &a) { return m_board.completeSelected(a); })) {
            refreshGrid();
            updateButtons();
        }
        break;
    case SlipTextMessage:
        shown(m_platform.messages, m_board.copyTextMessage(m_platform.clipboard, m_board.contentsForBox()));
        break;
    case CloseSlipFrame:
        m_slipFrame->hide();
        break;
    case ManageSlip:
        openSlip();
        break;
    case SaveAndExit:
        if (shown(m_platform.messages, m_board.saveAll()).isDone())
            leave();
        break;
    case PrintServiceSlips:
        printServiceOrders();
        break;
    case MakeChanges:
        openChangeFrame();
        break;
    case AcceptChanges:
        acceptChanges();
        break;
    case AddToSlip:
        m_contents->moveCursor(QTextCursor::End);
        m_contents->setFocus();
        break;
    case ContentsTextMessage:
        shown(m_platform.messages, m_board.copyTextMessage(m_platform.clipboard, m_contents->toPlainText()));
        break;
    case PrintInvoices:
        printInvoices();
        break;
    case RestoreSlip:
        restoreSlip();
        break;
    case CloseWithoutChanges:
        m_changeFrame->hide();
        openSlip();
        m_board.selectAll(false);
        refreshTicks();
        m_buttons.value(ManageSlip)->setEnabled(false);
        break;
    case CloseAccountFrame:
        m_accountFrame->hide();
        break;
    case SaveContents:
        if (shown(m_platform.messages, m_board.saveContents(m_contents->toPlainText())).isDone())
            m_contentsFrame->hide();
        break;
    case PrintReport:
        printReport();
        break;
    case ClearRedo:
        m_board.openSlip();
        fillSlipFrames();
        break;
    case SelectAll:
        m_board.selectAll(true);
        refreshTicks();
        updateButtons();
        break;
    case DeselectAll:
        m_board.selectAll(false);
        refreshTicks();
        updateButtons();
        break;
    }
}

void BoardWindow::openSlip()
{
    m_slipFrame->show();
    m_changeFrame->hide();
    m_mnuAccount->setEnabled(true);
    m_mnuContents->setEnabled(true);
    if (m_board.openSlip())
        fillSlipFrames();
    m_buttons.value(MakeChanges)->setFocus();
}

void BoardWindow::fillSlipFrames()
{
    const int r = m_board.currentSlipRow();
    if (r < 1 || r > m_board.count())
        return;
    const Record &s = m_board.slip(r);
    for (const QString &name : {QStringLiteral("lblSlipNo_0"), QStringLiteral("lblSlipNo_1"),
                                QStringLiteral("lblSlipNo_2"), QStringLiteral("lblSlipNo_3")})
        m_labels.value(name)->setText(QStringLiteral("Slip No ") + m_board.cell(r, 1));
    m_labels.value(QStringLiteral("lblDateReceived"))->setText(m_board.cell(r, 6));
    m_labels.value(QStringLiteral("lblSchedDate"))->setText(m_board.scheduledForText());
    m_labels.value(QStringLiteral("lblSchedTime"))->setText(s.text(SchedTime));
    m_labels.value(QStringLiteral("lblAssignedTo"))->setText(m_board.cell(r, 3));
    m_labels.value(QStringLiteral("lblStatus"))->setText(s.text(Status));
    m_labels.value(QStringLiteral("lblPriority"))->setText(s.text(Priority));
    for (int i = 0; i < 8; ++i) {
        m_labels.value(QStringLiteral("lblAccount_%1").arg(i))->setText(s.text(kAccountFields[i]));
        m_labels.value(QStringLiteral("lblSite_%1").arg(i))->setText(s.text(kSiteFields[i]));
    }
    m_contents->setPlainText(m_board.contentsForBox());
    m_media->showSlip(m_state.folder, s.text(AcctNo), s.int16(SlipNo));
    showChangeValues();
}

void BoardWindow::showChangeValues()
{
    const SlipChange &change = m_board.change();
    m_labels.value(QStringLiteral("lblNewAssignment"))
        ->setText(change.assignment.isEmpty() ? SlipValues::kNotAssigned : change.assignment);
    m_labels.value(QStringLiteral("lblNewDate"))->setText(change.date);
    m_labels.value(QStringLiteral("lblNewTime"))->setText(change.time);
    m_labels.value(QStringLiteral("lblNewStatus"))->setText(change.status);
    m_labels.value(QStringLiteral("lblNewPriority"))->setText(change.priority);
    m_filling = true;
    m_lstStatus->setCurrentRow(int(SlipValues::boardStatuses().indexOf(change.status)));
    m_lstPriority->setCurrentRow(int(SlipValues::priorities().indexOf(change.priority)));
    m_cboTime->setCurrentIndex(int(SlipValues::timeSlots().indexOf(change.time)));
    m_picker->setDate(change.picker);
    m_lastPicked = change.picker;
    m_filling = false;
}

void BoardWindow::pickerChanged()
{
    if (m_filling || m_picker->date() == m_lastPicked)
        return;
    shown(m_platform.messages, m_board.pickDate(m_picker->date()));
    showChangeValues();
}

void BoardWindow::openChangeFrame()
{
    QStringList names;
    for (int i = 0; i < m_lstTechs->count(); ++i)
        names.append(m_lstTechs->item(i)->text());
    const int index = shown(m_platform.messages, m_board.assignmentListIndex(names)).index;
    m_filling = true;
    m_lstTechs->setCurrentRow(index);
    m_filling = false;
    m_changeFrame->show();
    m_frameScroll->ensureVisible(0, 0); // the change frame stands first
    m_lstTechs->setFocus();
}

void BoardWindow::acceptChanges()
{
    // A date still being typed counts, as leaving its box would make it count; a text that is no date stops here.
    if (!m_picker->accept())
        return;
    const QString contents = m_contents->toPlainText();
    switch (
        putThrough(m_platform.messages, [&](const Answers &a) { return m_board.verifyAndAccept(contents, a); }).kind) {
    case Verdict::Kind::Done:
        m_changeFrame->hide();
        m_slipFrame->hide();
        // The changed slip may sort elsewhere or leave the filter.
        refreshGrid();
        updateButtons();
        m_grid->setFocus(); // back to the slips
        break;
    case Verdict::Kind::Redo:
        fillSlipFrames();
        break;
    case Verdict::Kind::Refused:
    case Verdict::Kind::Ask: {
        showChangeValues();
        QStringList names;
        for (int i = 0; i < m_lstTechs->count(); ++i)
            names.append(m_lstTechs->item(i)->text());
        m_filling = true;
        m_lstTechs->setCurrentRow(m_board.assignmentListIndex(names).index);
        m_filling = false;
        break;
    }
    }
}

void BoardWindow::restoreSlip()
{
    const int r = m_board.currentSlipRow();
    if (r < 1)
        return;
    m_board.restoreSlip();
    refreshRow(r);
    m_legend->setVisible(m_board.anyPastDue());
    const Record &s = m_board.slip(r);
    m_labels.value(QStringLiteral("lblSchedDate"))->setText(m_board.scheduledForText());
    m_labels.value(QStringLiteral("lblSchedTime"))->setText(s.text(SchedTime));
    m_labels.value(QStringLiteral("lblAssignedTo"))->setText(m_board.cell(r, 3));
    m_labels.value(QStringLiteral("lblStatus"))->setText(s.text(Status));
    m_labels.value(QStringLiteral("lblPriority"))->setText(s.text(Priority));
    showChangeValues();
    m_slipFrame->hide();
}

// --- Printing ---------------------------------------------------------------------------------------------------

std::vector<SlipPrintValues> BoardWindow::tickedValues() const
{
    std::vector<SlipPrintValues> values;
    for (int r : m_board.tickedRows())
        values.push_back(DocumentSource::slipValues(m_board.slip(r)));
    return values;
}

bool BoardWindow::confirmPrinting(const QString &question, const QString &title)
{
    if (m_board.countTicked() == 0) {
        m_platform.messages.inform(QStringLiteral("You have not selected any Slips in the Grid"), m_board.title());
        return false;
    }
    m_paperFrame->setTitle(m_state.settings.plainPaper ? QStringLiteral("Insert Plain Paper")
                                                       : QStringLiteral("Insert Perfed Paper"));
    m_paperFrame->show();
    const bool yes = m_platform.messages.ask(question + m_board.hiddenTickedNote(), title);
    m_paperFrame->hide();
    if (!yes) {
        m_board.selectAll(false);
        refreshTicks();
        m_buttons.value(ManageSlip)->setEnabled(false);
    }
    return yes;
}

void BoardWindow::printServiceOrders()
{
    std::vector<SlipPrintValues> rows = tickedValues();
    bool fromPhones = false; // a ticked slip that prints for its photos or signature, not for its status
    for (SlipPrintValues &row : rows) {
        DocumentSource::addMedia(m_state.folder, row);
        fromPhones = fromPhones || (printsAsServiceOrder(row) && row.status != QLatin1String("Assigned"));
    }
    QString question = QStringLiteral("A Service Slip will be Printed for all") + QStringLiteral("\r\n") +
                       QStringLiteral("SELECTED Slips (Sel Ticked) with a STATUS of Assigned");
    if (fromPhones)
        question += QStringLiteral("\r\nand for those with photos or a signature from the technician's phone");
    if (!confirmPrinting(question, QStringLiteral("PRINT SELECTED SERVICE SLIPS")))
        return;
    PrintRemitStyle(m_target, m_inputs ? m_inputs() : DocumentInputs(), m_state.folder, rows,
                    m_withPhotos->isChecked());
}

void BoardWindow::printInvoices()
{
    if (!confirmPrinting(QStringLiteral("An Invoice will be Printed for all") + QStringLiteral("\r\n") +
                             QStringLiteral("SELECTED (Sel Ticked) Slips with a STATUS of Assigned"),
                         QStringLiteral("PRINT INVOICE FOR SELECTED SLIPS")))
        return;
    m_platform.messages.inform(m_board.invoicePaperInstruction(), m_board.title());
    const std::vector<SlipPrintValues> rows = tickedValues();
    InvoiceNumbers numbers(m_state.folder, m_state.settings);
    qint32 first = 0;
    try {
        QString note;
        first = numbers.reserve(qint64(rows.size()), &note);
        if (!note.isEmpty())
            m_platform.messages.inform(note, m_board.title());
    } catch (const DiskError &e) {
        m_platform.messages.inform(e.message() + QStringLiteral("\r\nNo invoice was printed."), m_board.title());
        return;
    }
    const InvoicePrintResult printed =
        PrintInvoice(m_target, m_inputs ? m_inputs() : DocumentInputs(), rows, first,
                     [this](const InvoiceValues &values) { writeInvoiceNarrative(m_state.folder, values.contents); });
    // Printed or not, the ticks go, so that the next print starts from a clear board.
    m_board.selectAll(false);
    refreshTicks();
    m_buttons.value(7)->setEnabled(false);
    try {
        numbers.giveBack(first, qint64(rows.size()), printed.numbersUsed);
        // Each number printed is recorded with its slip: finalizing offers it for that slip.
        std::vector<PrintedInvoices::Printed> record;
        for (const InvoicePrintResult::Numbered &n : printed.numbered)
            record.push_back({n.invoiceNo, n.slipNo, m_platform.clock.today()});
        PrintedInvoices::record(m_state.folder, record);
    } catch (const DiskError &e) {
        m_platform.messages.inform(e.message(), m_board.title());
    }
}

void BoardWindow::printReport()
{
    // The rows the grid shows, in its order: the working copy, changes not saved included.
    std::vector<SlipReportRow> rows;
    rows.reserve(std::size_t(m_board.shownCount()));
    for (int r : m_board.shownRows())
        rows.push_back(DocumentSource::reportRow(m_board.slip(r)));
    PrintSlipReport(m_target, m_inputs ? m_inputs() : DocumentInputs(), rows);
}

void BoardWindow::setDialingEnabled(bool enabled)
{
    m_dialingEnabled = enabled;
    showDialing();
}

void BoardWindow::showDialing()
{
    m_callCustomer->setVisible(m_dialingEnabled && m_state.settings.phoneDaisyChained);
}

// --- Sorting, filtering and finding -------------------------------------------------------------------------------

QWidget *BoardWindow::buildFilterBar()
{
    // One compact row above the grid: technician, status, scheduled dates, "Show All", find.
    auto *bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("fraFilter"));
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    m_filterTech = new QComboBox(bar);
    m_filterTech->setObjectName(QStringLiteral("cboFilterTech"));
    m_filterTech->setToolTip(QStringLiteral("Show the slips of one technician"));
    m_filterTech->setMaximumWidth(170);
    m_filterTech->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_filterTech->setMinimumContentsLength(14);
    m_filterStatus = new QComboBox(bar);
    m_filterStatus->setObjectName(QStringLiteral("cboFilterStatus"));
    m_filterStatus->setToolTip(QStringLiteral("Show the slips of one status"));
    m_filterStatus->addItem(BoardView::kAllStatuses);
    m_filterStatus->addItems(SlipValues::boardStatuses());
    m_filterStatus->addItem(SlipValues::kComplete);
    m_filterDates = Widgets::checkBox(QStringLiteral("Scheduled"), QStringLiteral("ckFilterDates"), bar);
    m_filterDates->setToolTip(QStringLiteral("Show the slips scheduled from the first date to the second"));
    m_filterFrom = new DateBox(QStringLiteral("dtpFilterFrom"), m_platform.messages, m_platform.clock, bar);
    m_filterTo = new DateBox(QStringLiteral("dtpFilterTo"), m_platform.messages, m_platform.clock, bar);
    for (DateBox *box : {m_filterFrom, m_filterTo})
        box->setMaximumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000")) + 40);
    auto *showAll = Widgets::button(QStringLiteral("Show All"), QStringLiteral("cmdShowAll"), bar);
    m_find = new QLineEdit(bar);
    m_find->setObjectName(QStringLiteral("txtFind"));
    m_find->setPlaceholderText(QStringLiteral("Find slip # or customer"));
    m_find->setToolTip(QStringLiteral("Enter or F3 finds the next slip whose number is the text or whose customer "
                                      "holds it"));
    Widgets::addClearButton(m_find);
    m_find->setMaximumWidth(200);
    row->addWidget(m_filterTech);
    row->addWidget(m_filterStatus);
    row->addWidget(m_filterDates);
    row->addWidget(m_filterFrom);
    row->addWidget(Widgets::label(QStringLiteral("to"), QStringLiteral("lblFilterTo"), bar));
    row->addWidget(m_filterTo);
    row->addWidget(showAll);
    row->addStretch();
    row->addWidget(Widgets::label(QStringLiteral("Find"), QStringLiteral("lblFind"), bar, m_find));
    row->addWidget(m_find);

    connect(m_filterTech, &QComboBox::currentIndexChanged, this, &BoardWindow::filterChanged);
    connect(m_filterStatus, &QComboBox::currentIndexChanged, this, &BoardWindow::filterChanged);
    connect(m_filterDates, &QCheckBox::toggled, this, &BoardWindow::filterChanged);
    connect(m_filterFrom, &DateBox::dateChosen, this, &BoardWindow::filterChanged);
    connect(m_filterTo, &DateBox::dateChosen, this, &BoardWindow::filterChanged);
    connect(showAll, &QPushButton::clicked, this, [this] {
        BoardView view = m_view;
        view.clearFilter();
        setView(view);
    });
    connect(m_find, &QLineEdit::returnPressed, this, [this] { findNext(m_find->text()); });
    auto *again = new QShortcut(QKeySequence(Qt::Key_F3), this);
    connect(again, &QShortcut::activated, this, [this] { findNext(m_find->text()); });
    return bar;
}

void BoardWindow::fillFilterBar()
{
    // The technicians of the assignment list, then any other name on the board, and the one the view holds.
    // Names already listed are looked up in a set: a thousand technicians and five thousand slips would otherwise
    // compare every name with every other.
    QStringList names = {BoardView::kAllTechnicians, SlipValues::kNotAssigned};
    QSet<QString> listed(names.cbegin(), names.cend());
    for (const QString &name : m_state.assignmentLists.board) {
        if (!listed.contains(name)) {
            listed.insert(name);
            names << name;
        }
    }
    QStringList others;
    const auto addOther = [&](const QString &name) {
        if (!listed.contains(name)) {
            listed.insert(name);
            others << name;
        }
    };
    for (int r = 1; r <= m_board.count(); ++r)
        addOther(m_board.row(r).cells[3]);
    if (!m_view.technician.isEmpty())
        addOther(m_view.technician);
    others.sort(Qt::CaseInsensitive);
    names << others;

    const QDate today = m_platform.clock.today();
    const QSignalBlocker b1(m_filterTech), b2(m_filterStatus), b3(m_filterDates), b4(m_filterFrom), b5(m_filterTo);
    m_filterTech->clear();
    m_filterTech->addItems(names);
    m_filterTech->setCurrentIndex(m_view.technician.isEmpty() ? 0 : int(names.indexOf(m_view.technician)));
    const int status = m_view.status.isEmpty() ? 0 : m_filterStatus->findText(m_view.status);
    if (status < 0)
        m_filterStatus->addItem(m_view.status);
    m_filterStatus->setCurrentIndex(status < 0 ? m_filterStatus->count() - 1 : status);
    m_filterDates->setChecked(m_view.datesOn);
    m_filterFrom->setDate(m_view.from.isValid() ? m_view.from : today);
    m_filterTo->setDate(m_view.to.isValid() ? m_view.to : today);
    m_filterFrom->setEnabled(m_view.datesOn);
    m_filterTo->setEnabled(m_view.datesOn);
}

void BoardWindow::filterChanged()
{
    BoardView view = m_view;
    view.technician = m_filterTech->currentIndex() > 0 ? m_filterTech->currentText() : QString();
    view.status = m_filterStatus->currentIndex() > 0 ? m_filterStatus->currentText() : QString();
    view.datesOn = m_filterDates->isChecked();
    view.from = m_filterFrom->date();
    view.to = m_filterTo->date();
    // The bar shows this view already: only the dates' state follows it.
    m_view = view;
    m_filterFrom->setEnabled(view.datesOn);
    m_filterTo->setEnabled(view.datesOn);
    showView();
}

void BoardWindow::headingClicked(int col)
{
    BoardView view = m_view;
    view.clickHeading(col);
    setView(view);
}

void BoardWindow::setView(const BoardView &view)
{
    m_view = view;
    fillFilterBar();
    showView();
}

void BoardWindow::showView()
{
    storeView();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    refreshGrid();
    QApplication::restoreOverrideCursor();
}

void BoardWindow::storeView()
{
    m_platform.layouts.saveChoice(kMainKey, objectName(), QStringLiteral("view"), m_view.toBytes());
}

void BoardWindow::findNext(const QString &text)
{
    if (text.trimmed().isEmpty())
        return;
    if (const int g = BoardView::findNext(m_board, text, m_grid->currentRow())) {
        m_grid->setCurrentCell(g, std::max(1, m_grid->currentColumn()));
        m_grid->view()->scrollTo(m_grid->model()->index(g - 1, 1));
        return;
    }
    QString message = QStringLiteral("No slip shown has the number or customer \"%1\"").arg(text.trimmed());
    if (BoardView::hiddenMatch(m_board, text))
        message += QStringLiteral("\r\nA slip hidden by the filter has it: click Show All to see every slip");
    m_platform.messages.inform(message, QStringLiteral("Find"));
}

// --- The route sheet ----------------------------------------------------------------------------------------------

namespace {

QStringList technicianNames(const QStringList &boardList)
{
    QStringList names = boardList;
    names.removeAll(SlipValues::kNotAssigned);
    return names;
}

} // namespace

void BoardWindow::askRouteSheet()
{
    // The board's current slip's technician: the last ticked slip, else the row last clicked.
    int r = m_board.currentSlipRow();
    if (r < 1)
        r = m_board.gridCurrentRow();
    const QString technician = r >= 1 ? m_board.slip(r).text(AssignedTo) : QString();
    RouteSheetDialog dialog(technicianNames(m_state.assignmentLists.board), technician, m_platform.clock.today(),
                            m_platform.messages, m_platform.clock, this);
    if (dialog.exec() == QDialog::Accepted)
        printRouteSheet(dialog.technician(), dialog.date());
}

void BoardWindow::printRouteSheet(const QString &technician, const QDate &date)
{
    const std::vector<Record> slips = m_board.records(); // as the board holds them, changes not saved included
    ::printRouteSheet(m_target, m_platform.messages, m_inputs ? m_inputs() : DocumentInputs(), m_state.folder, &slips,
                      technicianNames(m_state.assignmentLists.board), technician, date);
}
