#include "gui/dispatch/createslipwindow.h"

#include "accounts/assignmentfile.h"
#include "accounts/servicecatalogue.h"
#include "core/clock.h"
#include "core/datafolder.h"
#include "core/formats.h"
#include "core/seams.h"
#include "core/settings.h"
#include "core/slipcounter.h"
#include "core/validation.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipvalues.h"
#include "gui/widgets/datebox.h"
#include "gui/widgets/fieldfilter.h"
#include "gui/widgets/flexgrid.h"
#include "gui/widgets/widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

using Widgets::label;

const QString kTenBlanks = QString(10, QLatin1Char(' '));
const QString kLeaveBlank = QStringLiteral("Leave Date Blank");
const QString kDropDown = QStringLiteral("Drop down Calendar, click Date");
const QString kSameAsAccount = QStringLiteral("Same as Account");
const QString kEnterManually = QStringLiteral("Enter Manually");
const char *kAccountCaptions[8] = {"Name", "Addr #1", "Addr #2", "City", "State", "Zip", "Telephone", "Cell #"};
// The widths of the slip's site fields, in the order of the site boxes.
constexpr int kSiteWidths[8] = {30, 35, 25, 20, 2, 10, 13, 30};

QLabel *instruction(const QString &text, const QString &name, QWidget *parent)
{
    QLabel *l = label(text, name, parent);
    l->setWordWrap(true);
    l->setStyleSheet(QStringLiteral("font-weight: bold; color: #00005f;"));
    return l;
}

} // namespace

CreateSlipWindow::CreateSlipWindow(Shared state, Platform &platform, Environment environment, QWidget *parent)
    : ProgramWindow(QStringLiteral("frmCreateSlip"), std::move(environment), kMainKey, parent)
    , m_state(state)
    , m_platform(platform)
{
    setWindowTitle(QStringLiteral("Create a Service Slip"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(
        instruction(QStringLiteral("To Create and Schedule a Service Slip, follow the instructions for each Window."),
                    QStringLiteral("lblGeneral"), this));

    m_steps = new QStackedWidget(this);
    m_steps->setObjectName(QStringLiteral("stkSteps"));
    m_steps->addWidget(buildLocationStep());
    m_steps->addWidget(buildServiceStep());
    m_steps->addWidget(buildScheduleStep());
    layout->addWidget(m_steps, 1);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(creationButton(0, QStringLiteral("Return to the &Menu without Creating a Slip"), this));
    bottom->addStretch();
    m_call = creationButton(7, QStringLiteral("Call Assignment"), this);
    m_hidePhones = creationButton(8, QStringLiteral("&Hide Tel No's"), this);
    m_hidePhones->hide();
    bottom->addWidget(m_call);
    addNoModemNote(m_call);
    bottom->addWidget(m_hidePhones);
    layout->addLayout(bottom);
    layout->addWidget(buildPhonePanel());

    resetSchedule();
    showStep(ServiceLocation);
    resize(1180, 680);
    writeControlsNamed(QStringLiteral("cmdCreation_\\d+|cmdSetJobSite")); // off on a read-only seat
}

QPushButton *CreateSlipWindow::creationButton(int index, const QString &caption, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QStringLiteral("cmdCreation_%1").arg(index));
    connect(b, &QPushButton::clicked, this, [this, index] { command(index); });
    return b;
}

QWidget *CreateSlipWindow::buildLocationStep()
{
    auto *frame = new QGroupBox(QStringLiteral("Selected Account"), this);
    frame->setObjectName(QStringLiteral("fraProjectInfo"));
    auto *grid = new QGridLayout(frame);
    grid->addWidget(instruction(QStringLiteral("Select Service Location"), QStringLiteral("lblInstruction_1"), frame),
                    0, 0, 1, 3);
    grid->addWidget(label(QStringLiteral("Account"), QStringLiteral("lblAccountCaption"), frame), 1, 0);
    m_accountLabel = label(QStringLiteral("Account"), QStringLiteral("lblAccount"), frame);
    m_accountLabel->setStyleSheet(QStringLiteral("font-weight: bold;"));
    grid->addWidget(m_accountLabel, 1, 1);
    grid->addWidget(label(QStringLiteral("Account Billing Address"), QStringLiteral("lblBillingHeading"), frame), 2, 1);
    grid->addWidget(label(QStringLiteral("Service Location"), QStringLiteral("lblSiteHeading"), frame), 2, 2);
    for (int i = 0; i < 8; ++i) {
        QLabel *caption =
            label(QString::fromLatin1(kAccountCaptions[i]), QStringLiteral("lblCaption_%1").arg(i + 1), frame);
        grid->addWidget(caption, i + 3, 0);
        m_accountLines[std::size_t(i)] = label(QString(), QStringLiteral("lblCustomerInfo_%1").arg(i + 1), frame);
        m_accountLines[std::size_t(i)]->setFrameShape(QFrame::StyledPanel);
        grid->addWidget(m_accountLines[std::size_t(i)], i + 3, 1);
        auto *edit = new QLineEdit(frame);
        edit->setObjectName(QStringLiteral("txtCustomerInfo_%1").arg(i + 1));
        edit->setMaxLength(kSiteWidths[i]);
        FieldFilter::install(
            edit,
            [this](const QString &text, QChar ch) {
                return Validation::quoteKeyFilter(text, ch, m_state.settings.soundAlarm);
            },
            m_platform.messages);
        m_site[std::size_t(i)] = edit;
        caption->setBuddy(edit);
        grid->addWidget(edit, i + 3, 2);
        // Boxes emptied by hand offer the account's address again.
        connect(edit, &QLineEdit::textChanged, this, [this] {
            if (std::all_of(m_site.begin(), m_site.end(), [](const QLineEdit *box) { return box->text().isEmpty(); }))
                m_jobSite->setText(kSameAsAccount);
        });
    }
    // A row copied from a spreadsheet fills the location boxes in order.
    FieldFilter::fillInOrder({m_site.begin(), m_site.end()});
    grid->addWidget(label(QStringLiteral("You can use the Account Billing Address or enter a Site Address"),
                          QStringLiteral("lblSiteHint"), frame),
                    11, 0, 1, 3);
    auto *buttons = new QHBoxLayout;
    m_jobSite = new QPushButton(kSameAsAccount, frame);
    m_jobSite->setObjectName(QStringLiteral("cmdSetJobSite"));
    connect(m_jobSite, &QPushButton::clicked, this, &CreateSlipWindow::toggleJobSite);
    buttons->addWidget(m_jobSite);
    buttons->addStretch();
    buttons->addWidget(creationButton(2, QStringLiteral("&NEXT"), frame));
    grid->addLayout(buttons, 12, 0, 1, 3);
    grid->setRowStretch(13, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    return frame;
}

QWidget *CreateSlipWindow::buildServiceStep()
{
    auto *frame = new QGroupBox(QStringLiteral("Service Details"), this);
    frame->setObjectName(QStringLiteral("fraService"));
    auto *grid = new QGridLayout(frame);
    grid->addWidget(
        instruction(QStringLiteral("Enter Details of Service Required"), QStringLiteral("lblInstruction_2"), frame), 0,
        0, 1, 2);
    grid->addWidget(label(QStringLiteral("Services (click to add)"), QStringLiteral("lblServices"), frame), 1, 0);
    m_services = new QListWidget(frame);
    m_services->setObjectName(QStringLiteral("lstServices"));
    connect(m_services, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { serviceClicked(item->text()); });
    Widgets::clickOnEnter(m_services);
    grid->addWidget(m_services, 2, 0);
    m_service = new QPlainTextEdit(frame);
    m_service->setObjectName(QStringLiteral("txtService"));
    m_service->setTabChangesFocus(true);
    FieldFilter::guardStorable(m_service, m_platform.messages);
    connect(m_service, &QPlainTextEdit::textChanged, this, &CreateSlipWindow::showServiceLength);
    grid->addWidget(m_service, 2, 1);
    m_serviceLength = label(QString(), QStringLiteral("lblServiceLength"), frame);
    grid->addWidget(m_serviceLength, 3, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(creationButton(3, QStringLiteral("&BACK"), frame));
    buttons->addWidget(creationButton(1, QStringLiteral("&Clear / Redo"), frame));
    buttons->addStretch();
    buttons->addWidget(creationButton(4, QStringLiteral("&NEXT"), frame));
    grid->addLayout(buttons, 4, 0, 1, 2);
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(0, 1);
    return frame;
}

QWidget *CreateSlipWindow::buildScheduleStep()
{
    auto *frame = new QGroupBox(QStringLiteral("Schedule Service Slip"), this);
    frame->setObjectName(QStringLiteral("fraScheduleSlip"));
    auto *grid = new QGridLayout(frame);
    grid->addWidget(
        instruction(QStringLiteral("Assign and Schedule Service Slip"), QStringLiteral("lblInstruction_3"), frame), 0,
        0, 1, 3);

    auto *left = new QVBoxLayout;
    left->addWidget(
        label(QStringLiteral("Select an Assignment, or click None"), QStringLiteral("lblAssignHint_0"), frame));
    m_assignments = new QListWidget(frame);
    m_assignments->setObjectName(QStringLiteral("lstAssignments"));
    connect(m_assignments, &QListWidget::currentRowChanged, this, [this] { assignmentChosen(); });
    left->addWidget(m_assignments, 1);
    // The hints wrap rather than widen the step past a 1024-pixel screen.
    for (const auto &[text, name] :
         {std::pair{"If an assignment is selected, the Slip is created as ASSIGNED", "lblAssignHint_1"},
          std::pair{"If no assignment is selected, the Slip is created as OPEN", "lblAssignHint_2"},
          std::pair{"It can be Assigned later", "lblAssignHint_3"}}) {
        QLabel *hint = label(QString::fromLatin1(text), QString::fromLatin1(name), frame);
        hint->setWordWrap(true);
        left->addWidget(hint);
    }
    left->addWidget(label(QStringLiteral("Select a Priority"), QStringLiteral("lblPriorityHint"), frame));
    m_priority = new QListWidget(frame);
    m_priority->setObjectName(QStringLiteral("lstPriority"));
    m_priority->addItems(SlipValues::priorities());
    m_priority->setMaximumHeight(m_priority->sizeHintForRow(0) * 5);
    left->addWidget(m_priority);
    grid->addLayout(left, 1, 0);

    m_datePanel = new QGroupBox(QStringLiteral("Assign to Date and Time"), frame);
    m_datePanel->setObjectName(QStringLiteral("fraDate"));
    auto *dates = new QGridLayout(m_datePanel);
    m_noDate = new QCheckBox(kDropDown, m_datePanel);
    m_noDate->setObjectName(QStringLiteral("ckdate"));
    connect(m_noDate, &QCheckBox::clicked, this, &CreateSlipWindow::noDateClicked);
    dates->addWidget(m_noDate, 0, 0, 1, 2);
    m_picker = new DateBox(QStringLiteral("DTPicker1"), m_platform.messages, m_platform.clock, m_datePanel);
    // The arrow keys step over the days the work week leaves out; the day already shown can be picked too.
    m_picker->setAllowedDays([this](const QDate &day) { return nextWorkday(m_state.settings.workWeek, day) == day; });
    connect(m_picker, &DateBox::dateChosen, this, [this] { pickerChanged(); });
    dates->addWidget(m_picker, 1, 0, 1, 2);
    dates->addWidget(label(QStringLiteral("Selected Date"), QStringLiteral("lblDateCaption"), m_datePanel), 2, 0);
    m_dateLabel = label(kTenBlanks, QStringLiteral("lblDate"), m_datePanel);
    m_dateLabel->setFrameShape(QFrame::StyledPanel);
    dates->addWidget(m_dateLabel, 2, 1);
    dates->addWidget(label(QStringLiteral("Time"), QStringLiteral("lblTimeCaption"), m_datePanel), 3, 0);
    m_time = new QComboBox(m_datePanel);
    m_time->setObjectName(QStringLiteral("cboTime"));
    m_time->addItems(SlipValues::timeSlots());
    connect(m_time, &QComboBox::currentTextChanged, this, [this] { refreshDay(); });
    dates->addWidget(m_time, 3, 1);
    dates->setRowStretch(4, 1);
    grid->addWidget(m_datePanel, 1, 1);

    // The chosen assignment's day, so that a free slot is found at a glance.
    auto *dayPanel = new QGroupBox(QStringLiteral("The Assignment's Day"), frame);
    dayPanel->setObjectName(QStringLiteral("fraAssignmentDay"));
    auto *dayLayout = new QVBoxLayout(dayPanel);
    m_dayCaption = label(QString(), QStringLiteral("lblAssignmentDay"), dayPanel);
    m_dayCaption->setWordWrap(true);
    dayLayout->addWidget(m_dayCaption);
    m_day = new FlexGrid(QStringLiteral("fgAssignmentDay"), dayPanel);
    m_day->setFormat(QStringLiteral("^Slip No  |^Time         |<Customer                       |<Status       "));
    dayLayout->addWidget(m_day, 1);
    // The earliest free slot of the assignment from the date on; choosing it fills the date and the time.
    m_nextFree = Widgets::button(QString(), QStringLiteral("cmdNextFree"), dayPanel);
    m_nextFree->setToolTip(QStringLiteral("Fills in the date and time of the earliest free slot"));
    connect(m_nextFree, &QPushButton::clicked, this, [this] {
        if (const auto slot = m_freeSlot) {
            pickDate(slot->date);
            setTime(slot->time);
        }
    });
    auto *calendar = Widgets::button(QStringLiteral("Calendar..."), QStringLiteral("cmdCalendar"), dayPanel);
    connect(calendar, &QPushButton::clicked, this,
            [this] { emit calendarRequested(assignment(), m_date.value_or(firstWorkday())); });
    // One above the other: the earliest free slot's text grows with its date and time.
    dayLayout->addWidget(m_nextFree);
    dayLayout->addWidget(calendar);
    grid->addWidget(dayPanel, 1, 2);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(creationButton(5, QStringLiteral("&BACK"), frame));
    buttons->addWidget(creationButton(10, QStringLiteral("Clear/&Redo"), frame));
    buttons->addStretch();
    buttons->addWidget(creationButton(6, QStringLiteral("Create &Slip"), frame));
    grid->addLayout(buttons, 2, 0, 1, 3);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(2, 5);
    return frame;
}

QWidget *CreateSlipWindow::buildPhonePanel()
{
    m_phonePanel = new QGroupBox(QStringLiteral("Phone Options"), this);
    m_phonePanel->setObjectName(QStringLiteral("fraPhone"));
    auto *layout = new QVBoxLayout(m_phonePanel);
    m_techTel = new FlexGrid(QStringLiteral("fgTechTel"), m_phonePanel);
    m_techTel->setFormat(
        QStringLiteral("Name                                          |^Telephone         |^Cell Number "
                       "      |^TxtMsg Number     "));
    connect(m_techTel, &FlexGrid::cellClicked, this, &CreateSlipWindow::techCellClicked);
    connect(m_techTel, &FlexGrid::cellDoubleClicked, this, &CreateSlipWindow::techCellClicked); // and Enter
    layout->addWidget(m_techTel);
    m_dialButton = new QPushButton(QStringLiteral(" Call seleted Tel no"), m_phonePanel);
    m_dialButton->setObjectName(QStringLiteral("imgDial"));
    m_dialButton->setEnabled(false);
    connect(m_dialButton, &QPushButton::clicked, this, &CreateSlipWindow::dialTech);
    layout->addWidget(m_dialButton, 0, Qt::AlignLeft);
    m_phonePanel->hide();
    return m_phonePanel;
}

// --- Showing --------------------------------------------------------------------------------------------------

void CreateSlipWindow::showEvent(QShowEvent *event)
{
    ProgramWindow::showEvent(event);
    refreshLists();
}

void CreateSlipWindow::refreshLists()
{
    // The assignments and the services as they are now: one added a moment ago is there at once.
    const QString chosen = m_assignments->currentItem() ? m_assignments->currentItem()->text() : QString();
    {
        const QSignalBlocker block(m_assignments);
        m_assignments->clear();
        m_assignments->addItems(m_state.assignmentLists.creation.isEmpty() ? QStringList{AssignmentFile::kNone}
                                                                           : m_state.assignmentLists.creation);
        const auto found = m_assignments->findItems(chosen, Qt::MatchExactly);
        m_assignments->setCurrentRow(found.isEmpty() ? 0 : m_assignments->row(found.front()));
    }
    assignmentChosen();

    QList<QStringList> phones;
    for (const QStringList &row : m_state.assignmentLists.creationGrid)
        phones.append(row);
    m_techTel->setAll(phones);
    m_dialButton->setEnabled(false);

    m_services->clear();
    m_services->addItems(servicesPickList(LoadCatalogue(m_state.folder)));

    showDialing();
}

bool CreateSlipWindow::begin()
{
    if (const auto why = m_state.slipCounter.refusal()) {
        m_platform.messages.inform(*why, m_state.folder.executableName());
        return false;
    }
    for (QLineEdit *edit : m_site)
        edit->clear();
    m_jobSite->setText(kSameAsAccount);
    m_service->clear();
    {
        const QSignalBlocker block(m_assignments);
        m_assignments->setCurrentRow(0);
    }
    resetSchedule();
    m_priority->setCurrentRow(0);
    m_phonePanel->hide();
    m_hidePhones->hide();
    m_call->show();
    showAccount();
    showStep(ServiceLocation);
    if (const auto why = SlipCreation::customerProblem(m_state.folder, m_state.currentCustomer)) {
        m_platform.messages.inform(*why, SlipCreation::kNoAccountTitle);
        return false;
    }
    return true;
}

void CreateSlipWindow::showAccount()
{
    m_account = SlipCreation::accountBlock(m_state.currentCustomer);
    m_accountLabel->setText(m_account.acctNo);
    for (std::size_t i = 0; i < m_accountLines.size(); ++i)
        m_accountLines[i]->setText(m_account.lines[i]);
}

CreateSlipWindow::Step CreateSlipWindow::step() const
{
    return Step(m_steps->currentIndex() + 1);
}

void CreateSlipWindow::showStep(Step step)
{
    m_steps->setCurrentIndex(int(step) - 1);
    // The caret goes where the step begins.
    if (step == ServiceLocation)
        m_jobSite->setFocus();
    if (step == ServiceDetails) {
        m_service->setFocus();
        showServiceLength();
    }
    if (step == Schedule)
        m_assignments->setFocus();
}

// --- The buttons ----------------------------------------------------------------------------------------------

void CreateSlipWindow::command(int index)
{
    switch (index) {
    case 0:
        m_service->clear();
        hide();
        emit returnToMenu();
        break;
    case 1:
        m_service->clear();
        m_service->setFocus();
        break;
    case 2:
        showStep(ServiceDetails);
        break;
    case 3:
        showStep(ServiceLocation);
        break;
    case 4:
        if (const auto why = SlipCreation::serviceProblem(m_service->toPlainText())) {
            m_platform.messages.inform(*why, m_state.folder.executableName());
            m_service->setFocus();
            return;
        }
        showStep(Schedule);
        break;
    case 5:
        showStep(ServiceDetails);
        break;
    case 6:
        createSlip();
        break;
    case 7:
        m_phonePanel->show();
        m_call->hide();
        m_hidePhones->show();
        break;
    case 8:
        m_phonePanel->hide();
        m_hidePhones->hide();
        m_call->show();
        break;
    case 10:
        resetSchedule();
        setLeaveBlank(true);
        break;
    default:
        break;
    }
}

void CreateSlipWindow::toggleJobSite()
{
    if (m_jobSite->text() == kSameAsAccount) {
        for (std::size_t i = 0; i < m_site.size(); ++i)
            m_site[i]->setText(m_account.lines[i].left(kSiteWidths[i]));
        m_jobSite->setText(kEnterManually);
    } else {
        m_site[0]->setFocus();
        m_jobSite->setText(kSameAsAccount);
    }
}

void CreateSlipWindow::serviceClicked(const QString &description)
{
    const QString text = SlipCreation::appendService(m_service->toPlainText(), description);
    if (SlipCreation::storedServiceText(text).size() > SlipCreation::kServiceWidth) {
        alarm();
        m_platform.messages.inform(*SlipCreation::serviceProblem(text), m_state.folder.executableName());
        return;
    }
    m_service->setPlainText(text);
    m_service->moveCursor(QTextCursor::End);
    m_service->setFocus();
}

void CreateSlipWindow::showServiceLength()
{
    const QString stored = SlipCreation::storedServiceText(m_service->toPlainText());
    const int used = int(stored.size());
    m_serviceLength->setText(SlipCreation::serviceLengthText(stored));
    m_serviceLength->setStyleSheet(used > SlipCreation::kServiceWidth ? QStringLiteral("color: red;") : QString());
}

// --- Step 3 ---------------------------------------------------------------------------------------------------

QString CreateSlipWindow::assignment() const
{
    return m_assignments->currentRow() > 0 ? m_assignments->currentItem()->text() : QString();
}

QDate CreateSlipWindow::firstWorkday() const
{
    return nextWorkday(m_state.settings.workWeek, m_platform.clock.today());
}

void CreateSlipWindow::setPicker(const QDate &date)
{
    m_settingPicker = true;
    m_picker->setMinimumDate(firstWorkday());
    m_picker->setDate(date);
    m_settingPicker = false;
}

void CreateSlipWindow::setSlipDate(const std::optional<QDate> &date)
{
    m_date = date;
    m_dateLabel->setText(date ? Formats::shortDate(*date) : kTenBlanks);
    refreshDay();
}

void CreateSlipWindow::setTime(const QString &slot)
{
    m_time->setCurrentIndex(std::max(0, int(SlipValues::timeSlots().indexOf(slot))));
}

void CreateSlipWindow::resetSchedule()
{
    {
        const QSignalBlocker block(m_assignments);
        m_assignments->setCurrentRow(0);
    }
    m_datePanel->hide();
    setLeaveBlank(false);
    setPicker(firstWorkday());
    setTime(SlipValues::kNoTime);
    setSlipDate(std::nullopt);
}

void CreateSlipWindow::setLeaveBlank(bool on)
{
    // The box, its caption, the picker and the time list always agree: a slip without a date has no time.
    m_noDate->setChecked(on);
    m_noDate->setText(on ? kLeaveBlank : kDropDown);
    m_picker->setEnabled(!on);
    m_time->setEnabled(!on);
}

void CreateSlipWindow::assignmentChosen()
{
    if (assignment().isEmpty()) {
        m_datePanel->hide();
        setLeaveBlank(false);
        setPicker(firstWorkday());
        setTime(SlipValues::kNoTime);
        setSlipDate(std::nullopt);
        return;
    }
    m_datePanel->show();
    refreshDay();
}

void CreateSlipWindow::noDateClicked()
{
    const bool leaveBlank = m_noDate->isChecked();
    setLeaveBlank(leaveBlank);
    setPicker(firstWorkday());
    setSlipDate(std::nullopt);
    if (leaveBlank) {
        setTime(SlipValues::kNoTime);
        return;
    }
    setSlipDate(m_picker->date());
    setTime(SlipValues::kMoveToTodayTime);
    if (assignment().isEmpty())
        m_platform.messages.inform(SlipCreation::kSelectAssignment, m_state.folder.executableName());
}

void CreateSlipWindow::pickDate(const QDate &date)
{
    setPicker(date);
    applyPickedDate(m_picker->date());
}

void CreateSlipWindow::pickerChanged()
{
    if (m_settingPicker)
        return;
    applyPickedDate(m_picker->date());
}

void CreateSlipWindow::applyPickedDate(const QDate &date)
{
    if (m_noDate->isChecked())
        setLeaveBlank(false);
    // A day more than a year ahead is most likely a slip of the year typed wrong: asked once.
    if (!putThrough(m_platform.messages, [&](const Answers &answers) {
             return SlipCreation::farAheadQuestion(date, m_date, m_platform.clock, answers);
         }).isDone()) {
        setPicker(m_date.value_or(firstWorkday()));
        return;
    }
    const SlipCreation::PickedDate picked = SlipCreation::checkPickedDate(m_state.settings.workWeek, date);
    if (!picked.messages.isEmpty()) {
        alarm();
        setPicker(picked.date);
        for (const QString &message : picked.messages)
            m_platform.messages.inform(message, m_state.folder.executableName());
    }
    if (m_time->currentText() == SlipValues::kNoTime)
        setTime(SlipValues::kMoveToTodayTime);
    setSlipDate(m_picker->date());
}

void CreateSlipWindow::refreshDay()
{
    const QString name = assignment();
    // The free slot of the time list's kind: a two-hour slot when one is chosen, else an hour.
    const QDate from = std::max(m_date.value_or(firstWorkday()), firstWorkday());
    m_freeSlot = name.isEmpty()
                     ? std::nullopt
                     : Calendar::nextFreeSlot(m_state.folder, name, from, m_state.settings.workWeek,
                                              Calendar::isTwoHours(m_time->currentText()), m_platform.clock.now());
    m_nextFree->setVisible(!name.isEmpty());
    m_nextFree->setEnabled(m_freeSlot.has_value());
    m_nextFree->setText(m_freeSlot ? QStringLiteral("Earliest free: %1 %2 at %3")
                                         .arg(Formats::weekdayName(m_freeSlot->date).left(3),
                                              Formats::shortDate(m_freeSlot->date), m_freeSlot->time)
                                   : QStringLiteral("No free slot in the next year"));
    if (name.isEmpty() || !m_date) {
        m_dayCaption->setText(name.isEmpty() ? QStringLiteral("Choose an Assignment and a Date to see the day.")
                                             : QStringLiteral("Choose a Date to see %1's day.").arg(name));
        m_day->clear();
        return;
    }
    const auto day = SlipCreation::assignmentDay(m_state.folder, name, *m_date);
    const QString date = Formats::shortDate(*m_date);
    m_dayCaption->setText(day.empty() ? QStringLiteral("%1 has no slips on %2.").arg(name, date)
                                      : QStringLiteral("%1 on %2:").arg(name, date));
    QList<QStringList> rows;
    for (const SlipCreation::DaySlip &slip : day)
        rows.append({QString::number(slip.slipNo), slip.time, slip.customer, slip.status});
    m_day->setAll(rows);
    // The slip being written would clash with or overlap the marked rows.
    const QString time = m_time->currentText();
    for (int r = 1; r < m_day->rows(); ++r) {
        const bool clash = slotsClash(day[std::size_t(r - 1)].time, time);
        for (int c = 0; c < m_day->cols(); ++c)
            m_day->setCellTextColour(r, c, clash ? QColor(255, 0, 0) : QColor());
    }
}

std::optional<ProgramWindow::UnsavedWork> CreateSlipWindow::unsavedWork()
{
    // At any step, a service text typed is a slip begun.
    if (m_service->toPlainText().trimmed().isEmpty())
        return std::nullopt;
    const auto save = [this] {
        // Saved as Create Slip stores it, once the text passes the check NEXT makes of it.
        if (const auto why = SlipCreation::serviceProblem(m_service->toPlainText())) {
            m_platform.messages.inform(*why, m_state.folder.executableName());
            showStep(ServiceDetails);
            return false;
        }
        return createSlip();
    };
    return UnsavedWork{&m_platform.messages,
                       QStringLiteral("The service slip begun here has not been created.\r\n"
                                      "Create it before the window closes?"),
                       QStringLiteral("Create Slip"), save, [this] { m_service->clear(); }};
}

bool CreateSlipWindow::createSlip()
{
    const SlipCreation::SlipDraft slip = draft();
    if (!putThrough(m_platform.messages, [&](const Answers &answers) {
             return SlipCreation::noDateQuestion(slip, m_noDate->isChecked(), answers);
         }).isDone()) {
        alarm();
        m_picker->setFocus();
        return false;
    }
    const auto number = putThrough(m_platform.messages, [&](const Answers &answers) {
                            return SlipCreation::StoreSlip(m_state.folder, m_state.slipCounter, m_platform.clock,
                                                           m_state.currentCustomer, slip, answers);
                        }).slipNo;
    if (!number) {
        refreshDay();
        return false;
    }
    m_service->clear();
    {
        const QSignalBlocker block(m_assignments);
        m_assignments->setCurrentRow(-1);
    }
    showStep(ServiceLocation);
    m_platform.messages.inform(QStringLiteral("Service Slip %1 has been stored.").arg(*number),
                               m_state.folder.executableName());
    hide();
    emit slipCreated(*number);
    emit returnToMenu();
    return true;
}

SlipCreation::SlipDraft CreateSlipWindow::draft() const
{
    SlipCreation::SlipDraft d;
    d.account = m_account;
    for (std::size_t i = 0; i < m_site.size(); ++i)
        d.site[i] = m_site[i]->text();
    d.service = m_service->toPlainText();
    d.assignment = assignment();
    d.priority = m_priority->currentItem() ? m_priority->currentItem()->text() : SlipValues::priorities().front();
    d.date = m_noDate->isChecked() ? std::nullopt : m_date;
    d.time = m_time->currentText();
    return d;
}

void CreateSlipWindow::alarm()
{
    if (m_state.settings.soundAlarm)
        m_platform.messages.beep();
}

// --- Calling an assignment ------------------------------------------------------------------------------------

void CreateSlipWindow::techCellClicked(int row, int col)
{
    const QString number = m_techTel->text(row, col).trimmed();
    if (row < 1 || col < 1 || number.isEmpty()) {
        m_dialButton->setEnabled(false);
        alarm();
        return;
    }
    m_dialName = m_techTel->text(row, 0);
    m_dialNumber = number;
    m_dialButton->setEnabled(true);
}

void CreateSlipWindow::dialTech()
{
    m_dialButton->setEnabled(false);
    if (!m_dialNumber.isEmpty())
        emit dialRequested(m_dialName, m_dialNumber);
}

void CreateSlipWindow::setDialingEnabled(bool enabled)
{
    m_dialingEnabled = enabled;
    showDialing();
}

void CreateSlipWindow::showDialing()
{
    // "Call Assignment" and the phone panel need a daisy-chained phone and a modem.
    const bool phone = m_dialingEnabled && m_state.settings.phoneDaisyChained;
    m_call->setEnabled(phone);
    if (!phone) {
        m_phonePanel->hide();
        m_hidePhones->hide();
        m_call->show();
    }
}
