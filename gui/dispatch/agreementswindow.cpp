#include "gui/dispatch/agreementswindow.h"

#include "accounts/assignmentfile.h"
#include "accounts/servicecatalogue.h"
#include "core/clock.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "core/seams.h"
#include "core/settings.h"
#include "core/slipcounter.h"
#include "core/verdict.h"
#include "dispatch/slipvalues.h"
#include "gui/widgets/datebox.h"
#include "gui/widgets/fieldfilter.h"
#include "gui/widgets/flexgrid.h"
#include "gui/widgets/widgets.h"
#include "printing/agreementvisitslayout.h"
#include "printing/printtarget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QString kTitle = QStringLiteral("Maintenance Agreements");
const QString kZero = QStringLiteral("$0.00");
const QString kNoTechnician = QStringLiteral("None");
const QString kAnyDay = QStringLiteral("Any day");

// Widths in characters; a 1024x768 screen shows every column.
const QString kFormat = QStringLiteral("^No   |<Account     |<Customer              |<Services                    "
                                       "|<Interval         |<Technician     |^Next Visit |>Price/Visit|>Yearly Value");
enum Column { No, Account, Customer, Services, Interval, Technician, NextVisit, Price, Yearly };

QString weekCaption(const AgreementView::Week &week)
{
    const int n = int(week.visits.size());
    return QStringLiteral("Week of %1 - %2 - %3")
        .arg(Formats::shortDate(week.monday), n == 1 ? QStringLiteral("1 visit") : QStringLiteral("%1 visits").arg(n),
             Formats::currency(week.total));
}

} // namespace

// --- The editor -------------------------------------------------------------------------------------------------

AgreementEditor::AgreementEditor(const Agreement &agreement, const QString &customer, const QStringList &services,
                                 const QStringList &technicians, Checker check, Store store, Messages &messages,
                                 const Clock &clock, bool soundAlarm, QWidget *parent)
    : QDialog(parent)
    , m_messages(messages)
    , m_check(std::move(check))
    , m_store(std::move(store))
    , m_agreement(agreement)
{
    setObjectName(QStringLiteral("frmAgreement"));
    setWindowTitle(agreement.id ? QStringLiteral("Maintenance Agreement %1").arg(agreement.id)
                                : QStringLiteral("New Maintenance Agreement"));
    auto *outer = new QVBoxLayout(this);
    auto *columns = new QHBoxLayout;
    outer->addLayout(columns);

    // Left: whose, what and how often.
    auto *left = new QFormLayout;
    columns->addLayout(left, 1);
    m_acctNo = new QLineEdit(agreement.acctNo, this);
    m_acctNo->setObjectName(QStringLiteral("txtAcctNo"));
    m_acctNo->setMaxLength(20);
    FieldFilter::install(
        m_acctNo,
        [soundAlarm](const QString &text, QChar ch) { return Validation::quoteKeyFilter(text, ch, soundAlarm); },
        messages);
    // An agreement belongs to its account for good: only a new one opened without an account takes one here.
    m_acctNo->setReadOnly(agreement.id != 0 || !agreement.acctNo.isEmpty());
    auto *customerLabel = Widgets::label(customer, QStringLiteral("lblCustomer"), this);
    auto *account = new QHBoxLayout;
    account->addWidget(m_acctNo);
    account->addWidget(customerLabel, 1);
    left->addRow(Widgets::label(QStringLiteral("&Account"), QStringLiteral("lblAcctNo"), this, m_acctNo), account);

    m_services = new QListWidget(this);
    m_services->setObjectName(QStringLiteral("lstServices"));
    QStringList all = services;
    for (const QString &s : agreement.services) // a service since taken off the catalogue stays ticked
        if (!all.contains(s))
            all << s;
    for (const QString &s : all) {
        auto *item = new QListWidgetItem(s, m_services);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(agreement.services.contains(s) ? Qt::Checked : Qt::Unchecked);
    }
    m_services->setMinimumHeight(150);
    m_services->setSpacing(2); // the check boxes of two services do not touch
    connect(m_services, &QListWidget::itemChanged, this, &AgreementEditor::showSlipText);
    left->addRow(Widgets::label(QStringLiteral("Ser&vices"), QStringLiteral("lblServices"), this, m_services),
                 m_services);

    auto *interval = new QGroupBox(QStringLiteral("Interval"), this);
    interval->setObjectName(QStringLiteral("fraInterval"));
    auto *intervalLayout = new QGridLayout(interval);
    m_weeks = new QRadioButton(QStringLiteral("Every N &weeks"), interval);
    m_weeks->setObjectName(QStringLiteral("optWeeks"));
    m_months = new QRadioButton(QStringLiteral("Every N &months"), interval);
    m_months->setObjectName(QStringLiteral("optMonths"));
    m_chosen = new QRadioButton(QStringLiteral("In the c&hosen months"), interval);
    m_chosen->setObjectName(QStringLiteral("optChosenMonths"));
    Widgets::optionGroup({m_weeks, m_months, m_chosen});
    m_every = new QSpinBox(interval);
    m_every->setObjectName(QStringLiteral("txtEvery"));
    m_every->setRange(1, AgreementView::kMostWeeks);
    intervalLayout->addWidget(m_weeks, 0, 0, 1, 3);
    intervalLayout->addWidget(m_months, 0, 3, 1, 3);
    intervalLayout->addWidget(Widgets::label(QStringLiteral("N ="), QStringLiteral("lblEvery"), interval), 1, 0);
    intervalLayout->addWidget(m_every, 1, 1, 1, 2);
    intervalLayout->addWidget(m_chosen, 2, 0, 1, 6);
    for (int m = 0; m < 12; ++m) {
        m_month[std::size_t(m)] =
            Widgets::checkBox(AgreementView::monthName(m + 1), QStringLiteral("ckMonth_%1").arg(m), interval);
        m_month[std::size_t(m)]->setChecked(agreement.months & (1u << m));
        intervalLayout->addWidget(m_month[std::size_t(m)], 3 + m / 6, m % 6);
    }
    left->addRow(interval);
    switch (agreement.interval) {
    case Agreement::Interval::Weeks:
        m_weeks->setChecked(true);
        break;
    case Agreement::Interval::Months:
        m_months->setChecked(true);
        break;
    case Agreement::Interval::ChosenMonths:
        m_chosen->setChecked(true);
        break;
    }
    intervalChosen();
    m_every->setValue(std::max(1, agreement.every));
    for (QRadioButton *option : {m_weeks, m_months, m_chosen})
        connect(option, &QRadioButton::toggled, this, &AgreementEditor::intervalChosen);

    // Right: who, when, for how much, and the slip it makes.
    auto *right = new QFormLayout;
    columns->addLayout(right, 1);
    m_technician = new QComboBox(this);
    m_technician->setObjectName(QStringLiteral("cboTechnician"));
    m_technician->addItem(kNoTechnician);
    m_technician->addItems(technicians);
    if (!agreement.technician.isEmpty() && m_technician->findText(agreement.technician) < 0)
        m_technician->addItem(agreement.technician); // no longer on the list: kept until changed
    m_technician->setCurrentIndex(agreement.technician.isEmpty() ? 0 : m_technician->findText(agreement.technician));
    right->addRow(Widgets::label(QStringLiteral("&Technician"), QStringLiteral("lblTechnician"), this, m_technician),
                  m_technician);
    m_weekday = new QComboBox(this);
    m_weekday->setObjectName(QStringLiteral("cboWeekday"));
    m_weekday->addItem(kAnyDay);
    for (int d = 1; d <= 7; ++d)
        m_weekday->addItem(QLocale(QLocale::English).dayName(d));
    m_weekday->setCurrentIndex(std::clamp(agreement.weekday, 0, 7));
    right->addRow(Widgets::label(QStringLiteral("Week&day"), QStringLiteral("lblWeekday"), this, m_weekday), m_weekday);
    m_slot = new QComboBox(this);
    m_slot->setObjectName(QStringLiteral("cboSlot"));
    m_slot->addItems(SlipValues::timeSlots());
    m_slot->setCurrentIndex(
        std::max(0, m_slot->findText(agreement.slot.isEmpty() ? SlipValues::kNoTime : agreement.slot)));
    right->addRow(Widgets::label(QStringLiteral("Time s&lot"), QStringLiteral("lblSlot"), this, m_slot), m_slot);
    m_start = new DateBox(QStringLiteral("dtpStart"), messages, clock, this);
    m_start->setDate(agreement.start);
    right->addRow(Widgets::label(QStringLiteral("Sta&rts"), QStringLiteral("lblStart"), this, m_start), m_start);
    m_ends = Widgets::checkBox(QStringLiteral("&Ends"), QStringLiteral("ckEnds"), this);
    m_end = new DateBox(QStringLiteral("dtpEnd"), messages, clock, this);
    m_end->setDate(agreement.end);
    m_ends->setChecked(agreement.end.isValid());
    m_end->setEnabled(agreement.end.isValid());
    connect(m_ends, &QCheckBox::toggled, this, [this](bool on) {
        m_end->setEnabled(on);
        if (on) {
            if (!m_end->date().isValid())
                m_end->setDate(m_start->date().isValid() ? m_start->date().addYears(1).addDays(-1) : QDate());
            m_end->setFocus();
        }
    });
    right->addRow(m_ends, m_end);
    m_price = new QLineEdit(agreement.price.isZero() ? kZero : Formats::currency(agreement.price), this);
    m_price->setObjectName(QStringLiteral("txtPrice"));
    m_price->setMaxLength(14);
    FieldFilter::installMoney(m_price, messages, kZero);
    right->addRow(Widgets::label(QStringLiteral("&Price per visit"), QStringLiteral("lblPrice"), this, m_price),
                  m_price);
    m_note = new QLineEdit(agreement.note, this);
    m_note->setObjectName(QStringLiteral("txtNote"));
    m_note->setMaxLength(AgreementView::kSlipTextLimit);
    // The quote is refused as it is typed or pasted, as in every text box of the program.
    FieldFilter::install(
        m_note,
        [soundAlarm](const QString &text, QChar ch) { return Validation::quoteKeyFilter(text, ch, soundAlarm); },
        messages);
    connect(m_note, &QLineEdit::textChanged, this, &AgreementEditor::showSlipText);
    right->addRow(Widgets::label(QStringLiteral("N&ote"), QStringLiteral("lblNote"), this, m_note), m_note);

    auto *slip = new QGroupBox(QStringLiteral("The slip of each visit reads"), this);
    slip->setObjectName(QStringLiteral("fraSlipText"));
    auto *slipLayout = new QVBoxLayout(slip);
    m_slipText = Widgets::label(QString(), QStringLiteral("lblSlipText"), slip);
    m_slipText->setWordWrap(true);
    m_slipText->setTextFormat(Qt::PlainText);
    m_slipText->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_slipText->setMinimumHeight(m_slipText->fontMetrics().lineSpacing() * 4);
    m_slipLength = Widgets::label(QString(), QStringLiteral("lblSlipLength"), slip);
    slipLayout->addWidget(m_slipText, 1);
    slipLayout->addWidget(m_slipLength);
    right->addRow(slip);

    auto *buttons = new QHBoxLayout;
    auto *save = Widgets::button(QStringLiteral("&Save"), QStringLiteral("cmdSave"), this);
    auto *cancel = Widgets::button(QStringLiteral("&Cancel"), QStringLiteral("cmdCancel"), this);
    save->setDefault(true);
    connect(save, &QPushButton::clicked, this, &AgreementEditor::save);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(cancel);
    outer->addLayout(buttons);
    FieldFilter::keepOneLine(this);
    if (m_acctNo->isReadOnly())
        m_services->setFocus();
    showSlipText();
    resize(900, 600);
}

void AgreementEditor::intervalChosen()
{
    const bool chosen = m_chosen->isChecked();
    m_every->setEnabled(!chosen);
    m_every->setMaximum(m_weeks->isChecked() ? AgreementView::kMostWeeks : AgreementView::kMostMonths);
    for (QCheckBox *month : m_month)
        month->setEnabled(chosen);
}

Agreement AgreementEditor::edited() const
{
    Agreement a = m_agreement;
    a.acctNo = m_acctNo->text().trimmed();
    a.services.clear();
    for (int i = 0; i < m_services->count(); ++i) {
        if (m_services->item(i)->checkState() == Qt::Checked)
            a.services << m_services->item(i)->text();
    }
    a.interval = m_weeks->isChecked()    ? Agreement::Interval::Weeks
                 : m_months->isChecked() ? Agreement::Interval::Months
                                         : Agreement::Interval::ChosenMonths;
    a.every = m_every->value();
    a.months = 0;
    for (int m = 0; m < 12; ++m) {
        if (m_month[std::size_t(m)]->isChecked())
            a.months |= quint16(1u << m);
    }
    a.technician = m_technician->currentIndex() == 0 ? QString() : m_technician->currentText();
    a.weekday = m_weekday->currentIndex();
    a.slot = m_slot->currentText();
    a.start = m_start->date();
    a.end = m_ends->isChecked() ? m_end->date() : QDate();
    a.price = Formats::parseCurrency(m_price->text()).value_or(Money::fromRaw(-1));
    a.note = m_note->text().trimmed();
    return a;
}

void AgreementEditor::showSlipText()
{
    const Agreement a = edited();
    const QString text = Agreements::slipText(a);
    m_slipText->setText(text);
    const bool fits = text.size() <= AgreementView::kSlipTextLimit;
    m_slipLength->setText(AgreementView::slipTextLength(a) + (fits ? QString() : QStringLiteral(" - too long")));
    m_slipLength->setStyleSheet(fits ? QString() : QStringLiteral("color: #b00000; font-weight: bold;"));
}

void AgreementEditor::save()
{
    // A date still being typed counts; a wrong one is said by its box and kept for correcting.
    if (!m_start->accept() || (m_ends->isChecked() && !m_end->accept()))
        return;
    const Agreement a = edited();
    if (a.price < Money() && !Formats::parseCurrency(m_price->text())) {
        m_messages.inform(QStringLiteral("\"%1\" is not an amount. Type the price per visit, for example 89.50.")
                              .arg(m_price->text()),
                          windowTitle());
        m_price->setFocus();
        return;
    }
    if (const auto problem = m_check ? m_check(a) : std::nullopt) {
        m_messages.inform(*problem, windowTitle());
        return;
    }
    if (m_store && !m_store(a))
        return; // nothing typed is lost: the editor stays open
    m_agreement = a;
    accept();
}

// --- The window -------------------------------------------------------------------------------------------------

AgreementsWindow::AgreementsWindow(Shared state, Platform &platform, PrintTarget &target, InputsSource inputs,
                                   Environment environment, QWidget *parent)
    : ProgramWindow(QStringLiteral("frmAgreements"), std::move(environment), kMainKey, parent)
    , m_state(state)
    , m_platform(platform)
    , m_target(target)
    , m_inputs(std::move(inputs))
{
    setWindowTitle(kTitle);
    auto *outer = new QVBoxLayout(this);
    m_caption = Widgets::label(QString(), QStringLiteral("lblAgreementsOf"), this);
    QFont bold = m_caption->font();
    bold.setBold(true);
    m_caption->setFont(bold);
    outer->addWidget(m_caption);

    m_grid = new FlexGrid(QStringLiteral("fgAgreements"), this);
    m_grid->setFormat(kFormat);
    connect(m_grid, &FlexGrid::cellClicked, this, [this](int row, int col) {
        if (row == 0)
            headingClicked(col);
    });
    connect(m_grid, &FlexGrid::cellDoubleClicked, this, [this](int row, int) {
        if (row > 0)
            editAgreement();
    });
    connect(m_grid, &FlexGrid::keyPressed, this, [this](int key, Qt::KeyboardModifiers, const QString &) {
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            editAgreement();
        else if (key == Qt::Key_Delete)
            deleteAgreement();
    });
    outer->addWidget(m_grid, 3);
    m_total = Widgets::label(QString(), QStringLiteral("lblYearlyTotal"), this);
    m_total->setFont(bold);
    m_total->setTextInteractionFlags(Qt::TextSelectableByMouse);
    outer->addWidget(m_total);

    auto *lower = new QHBoxLayout;
    auto *ending = new QGroupBox(QStringLiteral("Ending within 60 days (to renew)"), this);
    ending->setObjectName(QStringLiteral("fraEnding"));
    auto *endingLayout = new QVBoxLayout(ending);
    m_ending = new QListWidget(ending);
    m_ending->setObjectName(QStringLiteral("lstEnding"));
    endingLayout->addWidget(m_ending);
    connect(m_ending, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        const qint32 id = item->data(Qt::UserRole).toInt();
        for (int r = 1; r < m_grid->rows(); ++r) {
            if (m_grid->text(r, No).toInt() == id) {
                m_grid->setCurrentRow(r);
                editAgreement();
                return;
            }
        }
    });
    lower->addWidget(ending, 1);
    auto *coming = new QGroupBox(QStringLiteral("Visits of the coming weeks"), this);
    coming->setObjectName(QStringLiteral("fraComing"));
    auto *comingLayout = new QVBoxLayout(coming);
    m_comingCaption = Widgets::label(QString(), QStringLiteral("lblComing"), coming);
    comingLayout->addWidget(m_comingCaption);
    m_coming = new QTreeWidget(coming);
    m_coming->setObjectName(QStringLiteral("tvwComing"));
    m_coming->setColumnCount(5);
    m_coming->setHeaderLabels({QStringLiteral("Day"), QStringLiteral("Customer"), QStringLiteral("Services"),
                               QStringLiteral("Technician"), QStringLiteral("Price")});
    m_coming->header()->setStretchLastSection(false);
    m_coming->header()->setSectionResizeMode(2, QHeaderView::Stretch);
    const QFontMetrics metrics = m_coming->fontMetrics();
    m_coming->setColumnWidth(0, metrics.horizontalAdvance(QStringLiteral("Wed 12/30/2026 *")) +
                                    m_coming->indentation() + 24);
    m_coming->setColumnWidth(1, metrics.horizontalAdvance(QStringLiteral("Mr/Mrs Michael Moore")));
    m_coming->setColumnWidth(3, metrics.horizontalAdvance(QStringLiteral("Alvarez Excavating")) + 12);
    m_coming->setColumnWidth(4, metrics.horizontalAdvance(QStringLiteral("$1,234.00")) + 12);
    m_coming->setRootIsDecorated(true);
    comingLayout->addWidget(m_coming);
    lower->addWidget(coming, 2);
    outer->addLayout(lower, 2);

    auto *buttons = new QHBoxLayout;
    auto *add = Widgets::button(QStringLiteral("&New..."), QStringLiteral("cmdNew"), this);
    m_edit = Widgets::button(QStringLiteral("&Edit..."), QStringLiteral("cmdEdit"), this);
    m_delete = Widgets::button(QStringLiteral("&Delete"), QStringLiteral("cmdDelete"), this);
    auto *make = Widgets::button(QStringLiteral("&Make Visits Now"), QStringLiteral("cmdMakeVisits"), this);
    make->setToolTip(QStringLiteral("Makes the slips of every visit due in the coming weeks that was not made yet"));
    auto *print = Widgets::button(QStringLiteral("&Print Coming Weeks..."), QStringLiteral("cmdPrint"), this);
    print->setToolTip(QStringLiteral("The visits of the coming weeks, week by week: print or save as PDF"));
    auto *close = Widgets::button(QStringLiteral("&Close"), QStringLiteral("cmdClose"), this);
    connect(add, &QPushButton::clicked, this, &AgreementsWindow::newAgreement);
    connect(m_edit, &QPushButton::clicked, this, &AgreementsWindow::editAgreement);
    connect(m_delete, &QPushButton::clicked, this, &AgreementsWindow::deleteAgreement);
    connect(make, &QPushButton::clicked, this, &AgreementsWindow::makeVisits);
    connect(print, &QPushButton::clicked, this, &AgreementsWindow::printComingWeeks);
    connect(close, &QPushButton::clicked, this, &AgreementsWindow::closeByProgram);
    for (QPushButton *b : {add, m_edit, m_delete, make, print})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(close);
    outer->addLayout(buttons);
    Widgets::clickOnEscape(this, close);
    resize(1000, 700);
    writeControlsNamed(QStringLiteral("cmdNew|cmdEdit|cmdDelete|cmdMakeVisits")); // off on a read-only seat
}

void AgreementsWindow::showAccount(const QString &acctNo)
{
    m_account = acctNo.trimmed();
    refresh();
}

void AgreementsWindow::refresh()
{
    const QDate today = m_platform.clock.today();
    Widgets::BusyCursor busy;
    if (!m_selectId && selectedLine() >= 0)
        m_selectId = m_lines[std::size_t(selectedLine())].agreement.id; // kept selected

    m_names = AgreementView::customerNames(m_state.folder);
    std::vector<Agreement> agreements = Agreements::load(m_state.folder);
    if (!m_account.isEmpty())
        std::erase_if(agreements, [this](const Agreement &a) { return a.acctNo.trimmed() != m_account; });
    const WorkWeek workWeek = m_state.settings.workWeek;
    m_lines = AgreementView::lines(agreements, m_names, today, workWeek);
    const int weeks = std::max(1, int(m_state.settings.agreementWeeks));
    m_weeks = AgreementView::comingWeeks(m_state.folder, m_lines, today, weeks, workWeek);
    m_caption->setText(
        m_account.isEmpty()
            ? QStringLiteral("Every maintenance agreement")
            : QStringLiteral("Maintenance agreements of account %1 - %2")
                  .arg(m_account, m_names.value(m_account, QStringLiteral("(not in the customer file)"))));
    setWindowTitle(m_account.isEmpty() ? kTitle : kTitle + QStringLiteral(" - ") + m_account);
    fillGrid();

    const Money total = AgreementView::yearlyTotal(m_lines);
    m_total->setText(QStringLiteral("Agreed yearly value: %1 from %2 agreement(s)")
                         .arg(Formats::currency(total))
                         .arg(m_lines.size()));

    m_ending->clear();
    for (const Agreement &a : Agreements::endingWithin(agreements, today, AgreementView::kEndingWithinDays)) {
        auto *item =
            new QListWidgetItem(QStringLiteral("%1  %2 %3 - ends %4")
                                    .arg(a.id)
                                    .arg(a.acctNo, m_names.value(a.acctNo.trimmed()), Formats::shortDate(a.end)),
                                m_ending);
        item->setData(Qt::UserRole, a.id);
    }
    if (m_ending->count() == 0)
        m_ending->addItem(QStringLiteral("None"));

    m_coming->clear();
    Money comingTotal;
    int visits = 0;
    for (const AgreementView::Week &week : m_weeks) {
        auto *weekItem = new QTreeWidgetItem(m_coming, {weekCaption(week)});
        weekItem->setFirstColumnSpanned(true);
        for (const AgreementView::Visit &v : week.visits) {
            new QTreeWidgetItem(weekItem,
                                {Formats::weekdayName(v.day).left(3) + QLatin1Char(' ') + Formats::shortDate(v.day) +
                                     (v.slip ? QStringLiteral(" *") : QString()),
                                 v.customer.isEmpty() ? v.acctNo : v.customer, v.services,
                                 v.technician.isEmpty() ? kNoTechnician : v.technician, Formats::currency(v.price)});
            weekItem->child(weekItem->childCount() - 1)->setTextAlignment(4, Qt::AlignRight | Qt::AlignVCenter);
        }
        comingTotal += week.total;
        visits += int(week.visits.size());
    }
    m_coming->expandAll();
    m_coming->resizeColumnToContents(0);
    m_comingCaption->setText(QStringLiteral("%1 week(s) ahead: %2 visit(s), %3 (* made already)")
                                 .arg(weeks)
                                 .arg(visits)
                                 .arg(Formats::currency(comingTotal)));
}

void AgreementsWindow::fillGrid()
{
    const int keep = std::exchange(m_selectId, 0);
    m_grid->setAll(qsizetype(m_lines.size()), [this](qsizetype row, int col) -> QString {
        const AgreementView::Line &line = m_lines[std::size_t(row)];
        const Agreement &a = line.agreement;
        switch (col) {
        case No:
            return QString::number(a.id);
        case Account:
            return a.acctNo;
        case Customer:
            return line.customer.isEmpty() ? QStringLiteral("(account gone)") : line.customer;
        case Services:
            return a.services.join(QStringLiteral(", "));
        case Interval:
            return Agreements::intervalText(a);
        case Technician:
            return a.technician.isEmpty() ? kNoTechnician : a.technician;
        case NextVisit:
            return line.next.isValid() ? Formats::shortDate(line.next) : QStringLiteral("None");
        case Price:
            return Formats::currency(a.price);
        case Yearly:
            return Formats::currency(line.yearly);
        }
        return {};
    });
    if (m_sortColumn >= 0) {
        const auto order = m_sortOrder;
        m_sortOrder = order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
        headingClicked(m_sortColumn); // the same order again
    }
    // The agreement worked on stays current; else the first, so that Edit and the keys work at once.
    m_grid->setCurrentRow(m_grid->rows() > 1 ? 1 : 0);
    for (int r = 1; r < m_grid->rows(); ++r) {
        if (keep && m_grid->text(r, No).toInt() == keep)
            m_grid->setCurrentRow(r);
    }
    m_edit->setEnabled(!m_lines.empty());
    m_delete->setEnabled(!m_lines.empty());
}

void AgreementsWindow::headingClicked(int col)
{
    m_sortOrder = col == m_sortColumn && m_sortOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_sortColumn = col;
    const FlexGrid::SortKey key = col == No || col == Price || col == Yearly ? FlexGrid::SortKey::Numeric
                                  : col == NextVisit                         ? FlexGrid::SortKey::Date
                                                                             : FlexGrid::SortKey::Text;
    m_grid->sortRows(col, m_sortOrder, key);
}

int AgreementsWindow::selectedLine() const
{
    if (!m_grid || m_grid->currentRow() <= 0)
        return -1;
    const qint32 id = m_grid->text(m_grid->currentRow(), No).toInt();
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].agreement.id == id)
            return int(i);
    }
    return -1;
}

void AgreementsWindow::newAgreement()
{
    Agreement a;
    a.acctNo = m_account;
    a.slot = SlipValues::kNoTime;
    a.start = m_platform.clock.today();
    edit(a);
}

void AgreementsWindow::editAgreement()
{
    const int line = selectedLine();
    if (line < 0) {
        m_platform.messages.inform(QStringLiteral("Click the agreement to edit in the list first."), kTitle);
        return;
    }
    edit(m_lines[std::size_t(line)].agreement);
}

void AgreementsWindow::edit(const Agreement &agreement)
{
    if (m_editor && m_editor->isVisible()) {
        m_editor->raise();
        return;
    }
    if (m_editor)
        m_editor->deleteLater(); // closed, not yet deleted
    QStringList services;
    for (const CatalogueRow &row : LoadCatalogue(m_state.folder))
        services << row.description;
    const QStringList technicians = m_state.assignmentLists.board.mid(1);
    m_names = AgreementView::customerNames(m_state.folder);
    m_editor = new AgreementEditor(
        agreement, m_names.value(agreement.acctNo.trimmed()), services, technicians,
        [this](const Agreement &a) { return Agreements::problem(m_state.folder, a); },
        [this](const Agreement &a) { return store(a, false); }, m_platform.messages, m_platform.clock,
        m_state.settings.soundAlarm, this);
    m_editor->setAttribute(Qt::WA_DeleteOnClose);
    // The list waits for the editor; the rest of the program does not.
    m_editor->setWindowModality(Qt::WindowModal);
    m_editor->show();
}

bool AgreementsWindow::store(Agreement agreement, bool remove)
{
    try {
        if (remove) {
            Agreements::remove(m_state.folder, agreement.id);
        } else if (!shown(m_platform.messages, Agreements::save(m_state.folder, agreement, m_state.settings.workWeek))
                        .isDone()) {
            return false;
        }
    } catch (const DiskError &e) {
        m_platform.messages.inform(e.message() + (remove ? QStringLiteral("\r\nThe agreement was not deleted.")
                                                         : QStringLiteral("\r\nThe agreement was not saved.")),
                                   kTitle);
        return false;
    }
    m_selectId = agreement.id;
    refresh();
    return true;
}

void AgreementsWindow::deleteAgreement()
{
    const int line = selectedLine();
    if (line < 0) {
        m_platform.messages.inform(QStringLiteral("Click the agreement to delete in the list first."), kTitle);
        return;
    }
    const AgreementView::Line &l = m_lines[std::size_t(line)];
    const QString what = QStringLiteral("Agreement %1 of %2 (%3)")
                             .arg(l.agreement.id)
                             .arg(l.customer.isEmpty() ? l.agreement.acctNo : l.customer,
                                  l.agreement.services.join(QStringLiteral(", ")));
    if (!m_platform.messages.ask(what + QStringLiteral(" will be deleted. No more visits are made for it.\r\nThe "
                                                       "slips made already stay on the board."),
                                 QStringLiteral("Delete Agreement")) ||
        !m_platform.messages.ask(QStringLiteral("ARE YOU SURE?"), QStringLiteral("DELETE VERIFICATION")))
        return;
    store(l.agreement, true);
}

void AgreementsWindow::makeVisits()
{
    if (m_guard && !m_guard())
        return;
    Agreements::RunSummary summary;
    const int weeks = std::max(1, int(m_state.settings.agreementWeeks));
    try {
        Widgets::BusyCursor busy;
        summary =
            Agreements::makeVisits(m_state.folder, m_state.slipCounter, m_platform.clock, m_state.settings, weeks);
    } catch (const DiskError &e) {
        m_platform.messages.inform(e.message() + QStringLiteral("\r\nThe visits made before this stay made; "
                                                                "Make Visits Now again makes the rest."),
                                   kTitle);
        refresh();
        emit slipsMade();
        return;
    }
    m_platform.messages.inform(summary.text(), QStringLiteral("Make Visits Now"));
    refresh();
    if (summary.made > 0)
        emit slipsMade();
}

void AgreementsWindow::printComingWeeks()
{
    std::vector<AgreementVisitWeek> weeks;
    for (const AgreementView::Week &week : m_weeks) {
        AgreementVisitWeek out{week.monday, {}};
        for (const AgreementView::Visit &v : week.visits)
            out.visits.push_back({v.day, v.slot, v.acctNo, v.customer, v.services, v.technician, v.price, v.slip != 0});
        weeks.push_back(std::move(out));
    }
    if (weeks.empty()) {
        m_platform.messages.inform(QStringLiteral("No agreement has a visit in the coming weeks."), kTitle);
        return;
    }
    m_target.run(agreementVisitsAction(m_inputs(), weeks));
}
