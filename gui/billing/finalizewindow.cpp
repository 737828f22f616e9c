#include "gui/billing/finalizewindow.h"

#include "billing/invoicenumbers.h"
#include "billing/postingrun.h"
#include "billing/pricedinvoice.h"
#include "core/clock.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "core/seams.h"
#include "core/settings.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipvalues.h"
#include "gui/widgets/fieldfilter.h"
#include "gui/widgets/flexgrid.h"
#include "gui/widgets/widgets.h"
#include "printing/finalizedreport.h"
#include "printing/pricedinvoicelayout.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace {

using Widgets::button;
using Widgets::label;

const QString kFormat = QStringLiteral(
    "^SEL|^Slip No  |^Date           |<Account No    |Name                                   |^Invoice No   "
    "|^Payment Form        |^Amount       |^Status          ");

enum Col { Sel, SlipNo, Date, AcctNo, Name, InvoiceNo, PayForm, Amount, Status };

} // namespace

FinalizeWindow::FinalizeWindow(Environment environment, Shared state, Messages &messages, const Clock &clock,
                               PrintTarget &target, InputsSource inputs, QWidget *parent)
    : ProgramWindow(QStringLiteral("frmFinalize"), std::move(environment), kMainKey, parent)
    , m_state(state)
    , m_messages(messages)
    , m_clock(clock)
    , m_target(target)
    , m_inputs(std::move(inputs))
{
    setWindowTitle(Finalize::kWindowTitle);

    m_grid = new FlexGrid(QStringLiteral("fgCompletions"), this);
    m_grid->setFormat(kFormat);
    m_grid->setTickColumn(Sel);
    connect(m_grid, &FlexGrid::cellClicked, this, &FinalizeWindow::cellClicked);
    m_grid->view()->installEventFilter(this);

    // -- Entry panel
    m_entry = new QGroupBox(this);
    m_entry->setObjectName(QStringLiteral("fraEntry"));
    m_amount = new QLineEdit(m_entry);
    m_amount->setObjectName(QStringLiteral("txtAmount"));
    FieldFilter::installMoney(m_amount, m_messages, Finalize::zeroText());
    m_amount->installEventFilter(this);
    m_payForm = new QComboBox(m_entry);
    m_payForm->setObjectName(QStringLiteral("cboPayForm"));
    m_payForm->setEditable(true);
    m_payForm->addItems(Finalize::payForms());
    m_payForm->setInsertPolicy(QComboBox::NoInsert);
    FieldFilter::installStorable(m_payForm->lineEdit(), m_messages);
    m_payForm->lineEdit()->setMaxLength(20);
    m_payForm->installEventFilter(this);
    connect(m_payForm, &QComboBox::activated, this, &FinalizeWindow::payFormChosen);
    m_invoice = new QLineEdit(m_entry);
    m_invoice->setObjectName(QStringLiteral("txtInvoice"));
    m_invoice->setMaxLength(20);
    FieldFilter::installStorable(m_invoice, m_messages);
    m_invoice->installEventFilter(this);
    m_total = new QLineEdit(m_entry);
    m_total->setObjectName(QStringLiteral("txtTotal"));
    m_total->setReadOnly(true);

    m_taxFrame = new QGroupBox(QStringLiteral("Tax(es) Calculation"), m_entry);
    m_taxFrame->setObjectName(QStringLiteral("fraTax"));
    m_apply1 = new QCheckBox(QStringLiteral("Apply Primary Tax"), m_taxFrame);
    m_apply1->setObjectName(QStringLiteral("ckApply1st"));
    m_apply2 = new QCheckBox(QStringLiteral("Apply 2nd Tax"), m_taxFrame);
    m_apply2->setObjectName(QStringLiteral("ckapply2nd"));
    const QString taxCaptions[2] = {QStringLiteral("1st Tax"), QStringLiteral("2nd Tax")};
    for (int i = 0; i < 2; ++i) {
        m_tax[i] = new QLineEdit(m_entry);
        m_tax[i]->setObjectName(QStringLiteral("txtTax_%1").arg(i));
        FieldFilter::installMoney(m_tax[i], m_messages, Finalize::zeroText());
        m_tax[i]->installEventFilter(this);
        m_taxLabel[i] = label(taxCaptions[i], QStringLiteral("lblTax_%1").arg(i), m_entry, m_tax[i]);
        m_taxSource[i] = label(QString(), QStringLiteral("lblTaxSource_%1").arg(i), m_entry);
    }
    m_hint = label(QStringLiteral("Enter tax amount then <TAB KEY>"), QStringLiteral("lblHint"), m_entry);
    m_hint->hide();

    const QString postCaptions[6] = {QStringLiteral("Enter to &Grid"),          QStringLiteral("Clear/&Redo"),
                                     QStringLiteral("CLEAR ALL Entries"),       QStringLiteral("&Calculate Tax(es)"),
                                     QStringLiteral("&Enter Tax(es) Manually"), QStringLiteral("Reset Pay Form")};
    for (int i = 0; i < 6; ++i)
        m_post[i] = button(postCaptions[i], QStringLiteral("cmdPost_%1").arg(i), m_entry);
    m_post[0]->setEnabled(false);

    auto *taxLayout = new QHBoxLayout(m_taxFrame);
    taxLayout->addWidget(m_apply1);
    taxLayout->addWidget(m_apply2);

    auto *entryLayout = new QGridLayout(m_entry);
    entryLayout->addWidget(label(QStringLiteral("Enter the Amount Collected or Due (pre-tax)"),
                                 QStringLiteral("lblAmount"), m_entry, m_amount),
                           0, 0);
    entryLayout->addWidget(m_amount, 0, 1);
    entryLayout->addWidget(label(QStringLiteral("Payment Form"), QStringLiteral("lblPayForm"), m_entry, m_payForm), 1,
                           0);
    entryLayout->addWidget(m_payForm, 1, 1);
    entryLayout->addWidget(
        label(QStringLiteral("Enter the Invoice Number"), QStringLiteral("lblInvoice"), m_entry, m_invoice), 2, 0);
    entryLayout->addWidget(m_invoice, 2, 1);
    entryLayout->addWidget(m_taxFrame, 3, 0, 1, 2);
    entryLayout->addWidget(m_taxLabel[0], 4, 0);
    entryLayout->addWidget(m_tax[0], 4, 1);
    entryLayout->addWidget(m_taxSource[0], 4, 2);
    entryLayout->addWidget(m_taxLabel[1], 5, 0);
    entryLayout->addWidget(m_tax[1], 5, 1);
    entryLayout->addWidget(m_taxSource[1], 5, 2);
    entryLayout->addWidget(m_hint, 6, 0, 1, 2);
    entryLayout->addWidget(
        label(QStringLiteral("Total Collected or Due"), QStringLiteral("lblTotal"), m_entry, m_total), 7, 0);
    entryLayout->addWidget(m_total, 7, 1);
    auto *postButtons = new QGridLayout;
    for (int i = 0; i < 6; ++i)
        postButtons->addWidget(m_post[i], i / 2, i % 2);
    entryLayout->addLayout(postButtons, 0, 3, 8, 1);

    // -- Buttons of the window
    const QString captions[6] = {QStringLiteral("&Menu"),         QStringLiteral("&DELETE All SELECTED SLIPS"),
                                 QStringLiteral("Select ALL"),    QStringLiteral("Clear ALL"),
                                 QStringLiteral("&Print Report"), QStringLiteral("Cl&ose Window")};
    for (int i = 0; i < 6; ++i)
        m_completions[i] = button(captions[i], QStringLiteral("cmdCompletions_%1").arg(i), this);
    m_write = button(QStringLiteral("&Write Records"), QStringLiteral("cmdSelected"), this);
    m_write->setEnabled(false);
    m_dialImage = button(QStringLiteral("Dial"), QStringLiteral("imgDial"), this);
    m_dialImage->setToolTip(QStringLiteral("Click a name in the grid to call the service location"));
    m_dialImage->setFlat(true);
    m_dialImage->setFocusPolicy(Qt::NoFocus);

    m_help = new QGroupBox(QStringLiteral("Help"), this);
    m_help->setObjectName(QStringLiteral("fraHelp"));
    auto *helpText = label(QStringLiteral("Click SEL to enter a slip's amount, taxes, payment form and invoice "
                                          "number, then Enter to Grid. Click Slip No to tick slips for deletion. "
                                          "Write Records posts every Finalized slip."),
                           QStringLiteral("lblHelp"), m_help);
    helpText->setWordWrap(true);
    auto *helpLayout = new QVBoxLayout(m_help);
    helpLayout->addWidget(helpText);
    helpLayout->addWidget(m_completions[5]);

    auto *side = new QVBoxLayout;
    side->addWidget(m_write);
    for (int i = 0; i < 5; ++i)
        side->addWidget(m_completions[i]);
    // The priced invoices of the finalized slips: the current row's, or all of them.
    QPushButton *priced = button(QStringLiteral("Print Priced &Invoices"), QStringLiteral("cmdCompletions_6"), this);
    side->addWidget(priced);
    connect(priced, &QPushButton::clicked, this, [this] {
        const auto invoices = pricedInvoices(m_grid->currentRow() - 1);
        if (invoices.empty())
            m_messages.inform(QStringLiteral("No Service Slips have been Finalized"), QStringLiteral("Print Invoices"));
        else
            m_target.run(pricedInvoiceAction(m_inputs ? m_inputs() : DocumentInputs(), invoices));
    });
    // The finalized rows' invoices by e-mail, every one of them (the current row alone is for printing).
    m_mail = button(QStringLiteral("E-mai&l Invoices"), QStringLiteral("cmdEmailInvoices"), this);
    m_mail->setToolTip(QStringLiteral("E-mails the Finalized slips' priced invoices as PDF files to the customers"));
    m_mail->hide();
    side->addWidget(m_mail);
    connect(m_mail, &QPushButton::clicked, this, [this] {
        const auto invoices = pricedInvoices(-1);
        if (invoices.empty())
            m_messages.inform(QStringLiteral("No Service Slips have been Finalized"),
                              QStringLiteral("E-mail Invoices"));
        else if (m_mailer)
            m_mailer(this, invoices, m_inputs ? m_inputs() : DocumentInputs());
    });
    side->addWidget(m_dialImage);
    addNoModemNote(m_dialImage);
    side->addStretch();
    side->addWidget(m_help);

    auto *sidePanel = new QWidget(this);
    sidePanel->setLayout(side);
    sidePanel->setMaximumWidth(280);
    side->setContentsMargins(0, 0, 0, 0);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_entry, 1);
    bottom->addStretch();
    bottom->addWidget(sidePanel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_grid, 1);
    layout->addLayout(bottom);
    resize(1100, 720);

    connect(m_post[0], &QPushButton::clicked, this, &FinalizeWindow::enterToGrid);
    connect(m_post[1], &QPushButton::clicked, this, &FinalizeWindow::clearRedo);
    connect(m_post[2], &QPushButton::clicked, this, &FinalizeWindow::clearAll);
    connect(m_post[3], &QPushButton::clicked, this, [this] {
        CalculateRowTaxes();
        m_taxFrame->hide();
        m_hint->hide();
        m_invoice->setFocus();
    });
    connect(m_post[4], &QPushButton::clicked, this, [this] {
        m_session.enterTaxesManually();
        m_apply1->setChecked(false);
        m_apply2->setChecked(false);
        m_taxFrame->hide();
        m_hint->show();
        m_tax[0]->setEnabled(true);
        m_tax[1]->setEnabled(true);
        showEntry();
        m_tax[0]->setFocus();
    });
    connect(m_apply1, &QCheckBox::toggled, this, [this](bool on) { m_session.setApply(0, on); });
    connect(m_apply2, &QCheckBox::toggled, this, [this](bool on) { m_session.setApply(1, on); });
    connect(m_post[5], &QPushButton::clicked, this, [this] { m_payForm->setEnabled(true); });
    connect(m_completions[0], &QPushButton::clicked, this, [this] {
        if (!mayLeave())
            return;
        hide();
        emit returnToMenu();
    });
    connect(m_completions[1], &QPushButton::clicked, this, &FinalizeWindow::deleteSelected);
    connect(m_completions[2], &QPushButton::clicked, this, &FinalizeWindow::TickAll);
    connect(m_completions[3], &QPushButton::clicked, this, &FinalizeWindow::TickNone);
    connect(m_completions[4], &QPushButton::clicked, this, &FinalizeWindow::PrintFinalizedReport);
    connect(m_completions[5], &QPushButton::clicked, m_help, &QWidget::hide);
    connect(m_write, &QPushButton::clicked, this, &FinalizeWindow::writeRecords);
    connect(m_amount, &QLineEdit::editingFinished, this, &FinalizeWindow::leaveAmountBox);
    connect(m_tax[0], &QLineEdit::editingFinished, this, [this] { leaveTaxBox(0); });
    connect(m_tax[1], &QLineEdit::editingFinished, this, [this] { leaveTaxBox(1); });
    // The total box follows each key typed in the amount and tax boxes.
    for (QLineEdit *box : {m_amount, m_tax[0], m_tax[1]}) {
        connect(box, &QLineEdit::textEdited, this, [this] {
            m_total->setText(m_session.totalTextWhileTyping(m_amount->text(), {m_tax[0]->text(), m_tax[1]->text()}));
        });
    }
    writeControlsNamed(
        QStringLiteral("cmdSelected|cmdPost_\\d+|cmdCompletions_6|cmdEmailInvoices")); // off on a read-only seat
}

bool FinalizeWindow::mayLeave()
{
    return !m_session.anyFinalized() ||
           m_messages.ask(QStringLiteral("Slips have been entered to the grid but the records are not written.\r\n"
                                         "Leave WITHOUT writing them? (Click No, then Write Records to keep them)"),
                          QStringLiteral("Write History File"));
}

void FinalizeWindow::closeEvent(QCloseEvent *event)
{
    // The user's close box (the program's own closing is not spontaneous).
    if (event->spontaneous() && isVisible() && !mayLeave()) {
        event->ignore();
        return;
    }
    ProgramWindow::closeEvent(event);
}

void FinalizeWindow::showEvent(QShowEvent *event)
{
    ProgramWindow::showEvent(event);
    activate();
}

void FinalizeWindow::activate()
{
    finishInterruptedPosting();
    showDialing();
    m_entry->hide();
    m_write->setEnabled(false);
    m_post[0]->setEnabled(false);
    m_session.setRates(m_state.settings.taxRate1Percent(), m_state.settings.taxRate2Percent());
    m_session.load({});
    ResetEntry();
    m_grid->clear();
    try {
        const Widgets::BusyCursor busy; // every invoice number of the history is read
        m_session.setInvoicesInUse(InvoiceNumbers::inUse(m_state.folder, m_state.settings.invoiceNumber));
    } catch (const DiskError &e) {
        m_messages.inform(e.message(), windowTitle()); // numbers used before are then not offered nor asked about
    }
    if (m_state.folder.fileExists(SlipFiles::kCompleted))
        LoadCompletedSlips();
    else
        m_messages.inform(QStringLiteral("No Completed Slips were Found"), QString());
    m_grid->setFocus(); // the slips first: Space on one opens its entry
}

void FinalizeWindow::finishInterruptedPosting()
{
    try {
        const QString done = PostingRun::finishPending(m_state.folder);
        if (!done.isEmpty())
            m_messages.inform(done, QStringLiteral("Write Records"));
    } catch (const DiskError &e) {
        m_messages.inform(e.message(), QStringLiteral("Write Records"));
    }
}

void FinalizeWindow::LoadCompletedSlips()
{
    const Widgets::BusyCursor busy;
    m_session.load(Finalize::LoadCompletedSlips(m_state.folder));
    QList<QStringList> texts;
    texts.reserve(m_session.rowCount());
    for (const Finalize::Row &r : m_session.rows())
        texts.append({QString(), r.slipNo, r.date, r.acctNo, r.name, r.invoiceNo, r.payForm, r.amount, r.status});
    m_grid->setAll(texts);
    if (m_session.rowCount() > 0)
        m_grid->setCurrentCell(1, Sel);
}

void FinalizeWindow::showRow(int row)
{
    if (!m_session.hasRow(row))
        return;
    const Finalize::Row &r = m_session.row(row);
    m_grid->setRowTexts(row, {r.invoiceNo, r.payForm, r.amount, r.status}, InvoiceNo);
}

void FinalizeWindow::showEntry()
{
    m_amount->setText(m_session.amountText());
    for (int k = 0; k < 2; ++k) {
        m_tax[k]->setText(m_session.taxText(k));
        m_taxSource[k]->setText(
            m_session.taxSource(k) == FinalizeSession::TaxSource::Typed ? QStringLiteral("typed by hand") : QString());
    }
    m_total->setText(m_session.totalText());
}

void FinalizeWindow::ResetEntry()
{
    m_session.resetEntry(m_state.settings.applyTax1, m_state.settings.applyTax2);
    showEntry();
    m_invoice->clear();
    m_payForm->setCurrentIndex(0);
    m_payForm->setEditText(Finalize::kCheckPrefix);
    m_payForm->setEnabled(true);
    ShowTaxSection();
}

void FinalizeWindow::ShowTaxSection()
{
    const bool taxes = m_state.settings.applyTax1 || m_state.settings.applyTax2;
    m_taxFrame->setVisible(taxes);
    for (int i = 0; i < 2; ++i) {
        m_tax[i]->setVisible(taxes);
        m_tax[i]->setEnabled(true);
        m_taxLabel[i]->setVisible(taxes);
        m_taxSource[i]->setVisible(taxes);
    }
    m_hint->hide();
    m_apply1->setChecked(m_session.applies(0));
    m_apply2->setChecked(m_session.applies(1));
}

void FinalizeWindow::CalculateRowTaxes()
{
    m_session.calculateTaxes();
    m_tax[0]->setEnabled(m_session.applies(0) || m_hint->isVisible());
    m_tax[1]->setEnabled(m_session.applies(1) || m_hint->isVisible());
    showEntry();
}

void FinalizeWindow::ClearRowEntry(int row)
{
    m_session.clearRow(row);
    showRow(row);
}

int FinalizeWindow::tickedRow() const
{
    const QList<int> ticked = m_grid->tickedRows(Sel);
    return ticked.isEmpty() ? 0 : ticked.first();
}

void FinalizeWindow::TickNone()
{
    for (int row : m_grid->tickedRows(Sel))
        m_grid->setTicked(row, Sel, false);
}

void FinalizeWindow::TickAll()
{
    for (int row = 1; row < m_grid->rows(); ++row)
        m_grid->setTicked(row, Sel, true);
}

void FinalizeWindow::tickForEntry(int row)
{
    TickNone();
    m_grid->setTicked(row, Sel, true);
    m_grid->setCurrentRow(row);
    m_session.begin(row);
    m_entry->show();
    m_post[0]->setEnabled(true);
    m_amount->setFocus();
}

void FinalizeWindow::cellClicked(int row, int col)
{
    m_post[0]->setEnabled(false);
    if (!m_session.hasRow(row)) {
        if (m_state.settings.soundAlarm)
            m_messages.beep();
        return;
    }
    const Finalize::Row &r = m_session.row(row);
    if (col == Name && m_dialImage->isVisible()) {
        emit dialRequested(r.name, r.telephone());
        return;
    }
    if (col == Sel) {
        m_entry->show();
        if (!m_grid->isTicked(row, Sel)) {
            tickForEntry(row);
        } else {
            m_grid->setTicked(row, Sel, false);
            ClearRowEntry(row);
            if (m_session.current() == row)
                m_session.begin(0);
        }
    } else if (col == SlipNo) {
        m_entry->hide();
        m_grid->setTicked(row, Sel, !m_grid->isTicked(row, Sel));
    }
}

bool FinalizeWindow::eventFilter(QObject *watched, QEvent *event)
{
    QLineEdit *box = qobject_cast<QLineEdit *>(watched);
    if (watched == m_grid->view() && event->type() == QEvent::FocusOut) {
        gridLostFocus(static_cast<QFocusEvent *>(event)->reason());
    } else if (event->type() == QEvent::FocusIn && watched == m_amount && tickedRow() == 0 &&
               m_session.rowCount() > 0 && !m_noSelectionPending) {
        m_messages.inform(QStringLiteral("Select a Service Slip from the Grid"), QString());
    } else if (event->type() == QEvent::KeyPress && box && (box == m_amount || box == m_tax[0] || box == m_tax[1])) {
        // The zero text only marks an empty box: the first key replaces it.
        const auto *key = static_cast<QKeyEvent *>(event);
        if (!key->text().isEmpty() && key->text().at(0).isPrint() && box->text() == Finalize::zeroText())
            box->clear();
    } else if (watched == m_invoice && event->type() == QEvent::FocusIn && m_invoice->text().isEmpty()) {
        // The number after the highest in use is offered, selected: typing replaces it.
        m_invoice->setText(m_session.nextInvoice());
        QTimer::singleShot(0, m_invoice, [this] { m_invoice->selectAll(); });
    } else if (watched == m_payForm && event->type() == QEvent::KeyPress &&
               !(static_cast<QKeyEvent *>(event)->modifiers() & (Qt::AltModifier | Qt::ControlModifier))) {
        // The arrow keys look through the forms; only a form chosen from the opened list is settled at once.
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            const int step = key == Qt::Key_Up ? -1 : 1;
            m_payForm->setCurrentIndex(std::clamp(m_payForm->currentIndex() + step, 0, m_payForm->count() - 1));
            m_payForm->lineEdit()->end(false);
            return true;
        }
    } else if (watched == m_payForm && event->type() == QEvent::FocusIn) {
        // After the box has selected its text: the caret goes to the end, so a check number follows "Ck # ".
        QTimer::singleShot(0, m_payForm, [this] { m_payForm->lineEdit()->end(false); });
    }
    return ProgramWindow::eventFilter(watched, event);
}

void FinalizeWindow::gridLostFocus(Qt::FocusReason reason)
{
    // Moving on from the grid to the entry panel without a slip chosen is a slip forgotten: say so. Leaving the
    // window (another window, a message box, the start menu through "&Menu") and the window's own buttons,
    // which work on the grid as a whole, say nothing.
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
        return;
    QWidget *next = QApplication::focusWidget(); // already the widget that receives the focus
    if (!next || !m_entry->isAncestorOf(next) || m_session.rowCount() == 0 || !m_grid->tickedRows(Sel).isEmpty())
        return;
    // Said once the focus has settled, not inside the focus change; it stands for the amount box's own message.
    m_noSelectionPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_noSelectionPending = false;
            if (isVisible() && m_session.rowCount() > 0 && m_grid->tickedRows(Sel).isEmpty())
                m_messages.inform(QStringLiteral("No Service Slips have been selected"), QString());
        },
        Qt::QueuedConnection);
}

void FinalizeWindow::leaveAmountBox()
{
    m_session.setAmountText(m_amount->text());
    showEntry();
}

void FinalizeWindow::leaveTaxBox(int index)
{
    m_session.setTaxText(index, m_tax[index]->text());
    if (index == 1)
        CalculateRowTaxes();
    else
        showEntry();
}

void FinalizeWindow::payFormChosen(int index)
{
    m_payForm->lineEdit()->end(false);
    // A check number is typed after "Ck # "; the other forms are complete as chosen.
    if (index != 0)
        m_payForm->setEnabled(false);
}

void FinalizeWindow::enterToGrid()
{
    const int row = m_session.current();
    if (!m_session.hasRow(row))
        return;
    const FinalizeSession::Boxes boxes{
        m_amount->text(), {m_tax[0]->text(), m_tax[1]->text()}, m_invoice->text(), m_payForm->currentText()};
    InvoiceNumbers numbers(m_state.folder, m_state.settings);
    const Finalize::Entry entry =
        putThrough(m_messages, [&](const Answers &answers) { return m_session.enterToGrid(answers, boxes, numbers); });
    if (entry.amountCleared)
        m_amount->setText(Finalize::zeroText());
    if (entry.taxesWorkedOut)
        CalculateRowTaxes();
    switch (entry.box) {
    case Finalize::EntryBox::Amount:
        m_amount->setFocus();
        break;
    case Finalize::EntryBox::Tax1:
    case Finalize::EntryBox::Tax2:
        m_tax[entry.box == Finalize::EntryBox::Tax1 ? 0 : 1]->setFocus();
        break;
    case Finalize::EntryBox::InvoiceNumber:
        m_invoice->setFocus();
        break;
    case Finalize::EntryBox::PayForm:
        m_payForm->setFocus();
        break;
    case Finalize::EntryBox::None:
        break;
    }
    if (!entry.isDone())
        return;
    showRow(row);
    m_write->setEnabled(true);
    ResetEntry();
    TickNone();
    if (row < m_session.rowCount()) {
        tickForEntry(row + 1);
    } else {
        m_post[0]->setEnabled(false);
        m_grid->setFocus(); // the last slip done: back to the slips, not into an empty entry
    }
}

void FinalizeWindow::clearRedo()
{
    ClearRowEntry(m_session.current());
    TickNone();
    ResetEntry();
}

void FinalizeWindow::clearAll()
{
    if (!m_messages.ask(QStringLiteral("Are you Sure?"), QStringLiteral("CLEAR ALL POSTINGS")))
        return;
    m_session.clearAll();
    for (int row = 1; row <= m_session.rowCount(); ++row)
        showRow(row);
    ResetEntry();
}

void FinalizeWindow::deleteSelected()
{
    const QList<int> ticked = m_grid->tickedRows(Sel);
    if (ticked.isEmpty()) {
        if (m_session.rowCount() > 0)
            m_messages.inform(QStringLiteral("No Service Slips have been selected"), QString());
        return;
    }
    if (!m_messages.ask(QStringLiteral("All Selected Slips will be DELETED"),
                        QStringLiteral("Delete ALL SELECTED Slips")) ||
        !m_messages.ask(QStringLiteral("ARE YOU SURE?"), QStringLiteral("Delete ALL Selected")))
        return;
    for (int row = 1; row <= m_session.rowCount(); ++row)
        m_session.setTicked(row, m_grid->isTicked(row, Sel));
    try {
        Finalize::deleteSelectedSlips(m_state.folder, m_session.rows());
    } catch (const DiskError &e) {
        m_messages.inform(e.message(), QStringLiteral("Delete ALL Selected"));
        return;
    }
    m_session.load({});
    m_grid->clear();
    ResetEntry();
    m_entry->hide();
    LoadCompletedSlips();
}

void FinalizeWindow::writeRecords()
{
    if (!m_messages.ask(QStringLiteral("Only Slips that have been Finalized will be recorded\r\nin the History File, "
                                       "then removed from the Slips File"),
                        QStringLiteral("Write History File")))
        return;
    const std::vector<PostingRun::Slip> slips = m_session.postingSlips();
    if (!slips.empty()) {
        // A journal already waiting is an earlier run's (one that could not be finished): these slips are not in it.
        const bool earlierRunWaiting = PostingRun::pending(m_state.folder);
        try {
            PostingRun::writeRecords(m_state.folder, slips,
                                     {m_state.settings.taxHeading1, m_state.settings.taxHeading2}, m_clock.today(),
                                     m_postingHook);
        } catch (const DiskError &e) {
            QString text = e.message();
            if (!earlierRunWaiting && PostingRun::pending(m_state.folder)) {
                text += QStringLiteral("\r\nWrite Records stopped. The slips are recorded as being posted and the "
                                       "posting is finished the next time this window opens or the program starts.");
            }
            m_messages.inform(text, QStringLiteral("Write History File"));
            return;
        }
    }
    m_session.load({});
    hide();
    emit returnToMenu();
}

void FinalizeWindow::setMailing(InvoiceMailer mailer)
{
    m_mailer = std::move(mailer);
    m_mail->setVisible(bool(m_mailer));
}

void FinalizeWindow::PrintFinalizedReport()
{
    std::vector<FinalizedReportRow> rows;
    for (int row = 1; row < m_grid->rows(); ++row) {
        rows.push_back({m_grid->text(row, SlipNo), m_grid->text(row, Date), m_grid->text(row, AcctNo),
                        m_grid->text(row, Name), m_grid->text(row, InvoiceNo), m_grid->text(row, PayForm),
                        m_grid->text(row, Amount), m_grid->text(row, Status)});
    }
    ::PrintFinalizedReport(m_target, m_inputs ? m_inputs() : DocumentInputs(), rows);
}

void FinalizeWindow::setDialingEnabled(bool enabled)
{
    m_dialingEnabled = enabled;
    showDialing();
}

// The priced invoices of the finalized rows (one row's, or every one's with -1), with the customer's signature where
// a phone took one: the same invoice whether printed or e-mailed.
std::vector<PricedInvoice> FinalizeWindow::pricedInvoices(int row) const
{
    auto invoices = PricedInvoices::fromFinalizedRows(m_session.rows(), row, m_state.settings, m_clock.today());
    PricedInvoices::addSignatures(m_state.folder, invoices);
    return invoices;
}

void FinalizeWindow::showDialing()
{
    m_dialImage->setVisible(m_dialingEnabled && m_state.settings.phoneDaisyChained);
}
