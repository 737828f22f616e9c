#include "gui/billing/historywindow.h"

#include "accounts/customerfile.h"
#include "billing/history.h"
#include "billing/moneyreportvalues.h"
#include "billing/pricedinvoice.h"
#include "billing/receivables.h"
#include "core/clock.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "core/seams.h"
#include "core/settings.h"
#include "gui/billing/incomepanel.h"
#include "gui/billing/receivableswindow.h"
#include "gui/widgets/datebox.h"
#include "gui/widgets/flexgrid.h"
#include "gui/widgets/slipmediapanel.h"
#include "gui/widgets/widgets.h"
#include "printing/moneyreports.h"
#include "printing/pricedinvoicelayout.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QEventLoop>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressDialog>
#include <QPushButton>
#include <QStringListModel>
#include <QTableView>
#include <QVBoxLayout>
#include <array>

namespace {

using Widgets::button;

const QString kFinancialFormat = QStringLiteral(
    "^Account              |<Name                                             |^Date                    |<Invoice "
    "Number    /Reference        |^     Amount  ");
const QString kServiceFormat = QStringLiteral(
    "^Account              |<Name                                      |^Date             |<Service Provided       "
    "               |Serviced By                   ");

} // namespace

HistoryWindow::HistoryWindow(Environment environment, Shared state, Messages &messages, const Clock &clock,
                             SaveFileChooser chooseSaveFile, QWidget *parent)
    : ProgramWindow(QStringLiteral("frmHistory"), std::move(environment), kHistoryKey, parent)
    , m_state(state)
    , m_messages(messages)
    , m_clock(clock)
    , m_chooseSaveFile(std::move(chooseSaveFile))
{
    setWindowTitle(QStringLiteral("Account Service and Billing History"));

    m_financial = new FlexGrid(QStringLiteral("fgHistory"), this);
    m_financial->setFormat(kFinancialFormat);
    m_service = new FlexGrid(QStringLiteral("fgSHistory"), this);
    m_service->setFormat(kServiceFormat);
    m_service->hide();
    m_title = new QLabel(QStringLiteral("Financial History"), this);
    m_title->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    m_title->setFont(titleFont);

    const QString pickerCaptions[2] = {QStringLiteral("&Start Date"), QStringLiteral("E&nd Date")};
    auto *pickers = new QGridLayout;
    for (int i = 0; i < 2; ++i) {
        m_picker[i] = new DateBox(QStringLiteral("DTPicker1_%1").arg(i), m_messages, m_clock, this);
        auto *caption = new QLabel(pickerCaptions[i], this);
        caption->setObjectName(QStringLiteral("lblDate_%1").arg(i));
        caption->setBuddy(m_picker[i]);
        pickers->addWidget(caption, 0, i);
        pickers->addWidget(m_picker[i], 1, i);
        // Checked when a whole date is typed and the box left or Enter pressed, or a day is picked.
        connect(m_picker[i], &DateBox::dateChosen, this, [this, i] { pickerChanged(i); });
    }

    m_accounts = new QComboBox(this);
    m_accounts->setObjectName(QStringLiteral("cboAccounts"));
    m_accountList = new QStringListModel(m_accounts);
    m_accounts->setModel(m_accountList);
    // Sized for an account number (20 characters), not by measuring every one of tens of thousands of items.
    m_accounts->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_accounts->setMinimumContentsLength(20);
    m_single = new QCheckBox(QStringLiteral("Display Single Account"), this);
    m_single->setObjectName(QStringLiteral("ckAccount"));
    m_total = new QLineEdit(this);
    m_total->setObjectName(QStringLiteral("txtTotal"));
    m_total->setReadOnly(true);
    m_total->setAlignment(Qt::AlignRight);
    m_total->setMaximumWidth(200);
    m_totalLabel = new QLabel(QStringLiteral("Total"), this);
    m_totalLabel->setObjectName(QStringLiteral("lblTotal"));
    m_totalLabel->setBuddy(m_total);

    const QString historyCaptions[5] = {QStringLiteral("&Menu"), QStringLiteral("Load Grid"),
                                        QStringLiteral("&Purge All Accounts History"),
                                        QStringLiteral("Purge &Account History"), QStringLiteral("Toggle &Grids")};
    for (int i = 0; i < 5; ++i)
        m_history[i] = button(historyCaptions[i], QStringLiteral("cmdHistory_%1").arg(i), this);
    const QString incomeCaptions[4] = {QStringLiteral("&L M"), QStringLiteral("M&TD"), QStringLiteral("&YTD"),
                                       QStringLiteral("&Eternity")};
    for (int i = 0; i < 4; ++i)
        m_income[i] = button(incomeCaptions[i], QStringLiteral("cmdIncome_%1").arg(i), this);
    m_export = button(QStringLiteral("Export CSV..."), QStringLiteral("cmdExport"), this);
    m_bom = new QCheckBox(QStringLiteral("&UTF-8 with BOM"), this);
    m_bom->setObjectName(QStringLiteral("ckBom"));
    m_bom->setToolTip(QStringLiteral("Starts the CSV file with a byte-order mark, so that spreadsheets read accents "
                                     "right"));
    m_bom->setChecked(true);
    m_incomePanel = new IncomePanel(this);
    m_incomePanel->setFixedHeight(190);
    // Several invoices can be chosen for reprinting (Shift or Ctrl with the click).
    m_financial->view()->setSelectionMode(QAbstractItemView::ExtendedSelection);
    QPushButton *report = button(QStringLiteral("Print &Report..."), QStringLiteral("cmdIncomeReport"), this);
    QPushButton *invoices = button(QStringLiteral("Print In&voice..."), QStringLiteral("cmdPrintInvoice"), this);
    QPushButton *owes = button(QStringLiteral("Who &Owes..."), QStringLiteral("cmdReceivables"), this);
    QPushButton *media = button(QStringLiteral("P&hotos, Signature..."), QStringLiteral("cmdSlipMedia"), this);
    media->setToolTip(QStringLiteral("The photos and the signature a technician's phone added to the slip of the "
                                     "invoice chosen in the grid"));
    m_mail = button(QStringLiteral("E-ma&il Invoices..."), QStringLiteral("cmdEmailInvoices"), this);
    m_mail->setToolTip(QStringLiteral("E-mails the chosen invoices as PDF files to the customers' addresses"));
    m_mail->hide();
    m_outbox = button(QStringLiteral("Out&box..."), QStringLiteral("cmdOutbox"), this);
    m_outbox->setToolTip(QStringLiteral("The e-mail sent and waiting, per customer, with the server's answers"));
    m_outbox->hide();

    auto *ranges = new QHBoxLayout;
    for (QPushButton *b : m_income)
        ranges->addWidget(b);
    auto *controls = new QHBoxLayout;
    controls->addLayout(pickers);
    controls->addLayout(ranges);
    controls->addSpacing(16);
    controls->addWidget(m_single);
    controls->addWidget(m_accounts, 1);
    auto *totalRow = new QHBoxLayout;
    totalRow->addWidget(m_title);
    totalRow->addStretch();
    totalRow->addWidget(m_totalLabel);
    totalRow->addWidget(m_total);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : m_history)
        buttons->addWidget(b);
    buttons->addWidget(m_export);
    buttons->addWidget(m_bom);
    auto *moneyButtons = new QHBoxLayout;
    moneyButtons->addWidget(report);
    moneyButtons->addWidget(invoices);
    moneyButtons->addWidget(m_mail);
    moneyButtons->addWidget(m_outbox);
    moneyButtons->addWidget(owes);
    moneyButtons->addWidget(media);
    moneyButtons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addLayout(totalRow);
    layout->addWidget(m_financial, 1);
    layout->addWidget(m_service, 1);
    layout->addWidget(m_incomePanel);
    layout->addLayout(moneyButtons);
    layout->addLayout(buttons);
    resize(1000, 720);

    connect(m_history[0], &QPushButton::clicked, this, [this] {
        hide();
        emit returnToMenu();
    });
    connect(m_history[1], &QPushButton::clicked, this, [this] {
        if (takeTypedDates())
            loadGrids();
    });
    connect(m_history[2], &QPushButton::clicked, this, &HistoryWindow::purgeAll);
    connect(m_history[3], &QPushButton::clicked, this, &HistoryWindow::purgeAccount);
    connect(m_history[4], &QPushButton::clicked, this, &HistoryWindow::toggleGrids);
    // What the grid shows (and an export writes) follows the account choice at once.
    connect(m_single, &QCheckBox::toggled, this, [this](bool on) {
        m_history[2]->setEnabled(!on);
        loadGrids();
    });
    connect(m_accounts, &QComboBox::currentIndexChanged, this, [this] {
        if (m_single->isChecked() && !m_filling)
            loadGrids();
    });
    connect(m_export, &QPushButton::clicked, this, &HistoryWindow::exportCsv);
    connect(report, &QPushButton::clicked, this, &HistoryWindow::printIncomeReport);
    connect(invoices, &QPushButton::clicked, this, &HistoryWindow::printInvoices);
    connect(media, &QPushButton::clicked, this, &HistoryWindow::showSlipMedia);
    connect(m_mail, &QPushButton::clicked, this, [this] {
        if (!m_mailer || !takeTypedDates() || !waitForIncome(QStringLiteral("E-mail Invoices")))
            return;
        if (const auto invoices = chosenInvoices(QStringLiteral("E-mail Invoices")))
            m_mailer(this, *invoices, m_inputs ? m_inputs() : DocumentInputs());
    });
    connect(owes, &QPushButton::clicked, this, [this] {
        ReceivablesWindow *w = receivables();
        w->reload();
        w->show();
        w->raise();
    });
    connect(m_income[0], &QPushButton::clicked, this, [this] {
        const auto r = History::lastMonth(m_clock.today(), m_picker[1]->date());
        setRange(r.start, r.end);
    });
    connect(m_income[1], &QPushButton::clicked, this, [this] {
        const auto r = History::monthToDate(m_clock.today());
        setRange(r.start, r.end);
    });
    connect(m_income[2], &QPushButton::clicked, this, [this] {
        const auto r = History::yearToDate(m_clock.today());
        setRange(r.start, r.end);
    });
    connect(m_income[3], &QPushButton::clicked, this, [this] {
        const auto r = History::allTime(m_clock.today());
        setRange(r.start, r.end);
    });
}

HistoryWindow::~HistoryWindow()
{
    // The income still being added up reads the folder: it ends first.
    if (m_incomeWork.valid())
        m_incomeWork.wait();
    for (const std::future<IncomeWork> &stale : m_staleWork)
        stale.wait();
}

void HistoryWindow::showEvent(QShowEvent *event)
{
    ProgramWindow::showEvent(event);
    activate();
}

void HistoryWindow::fillAccounts()
{
    // Tens of thousands of accounts: one list handed over whole, not an item each.
    m_filling = true;
    m_accountList->setStringList(CustomerFile::accountNumbers(m_state.folder));
    m_filling = false;
}

void HistoryWindow::activate()
{
    fillAccounts();
    const QDate today = m_clock.today();
    m_settingDates = true;
    for (int i = 0; i < 2; ++i) {
        m_picker[i]->setDate(today);
        m_accepted[i] = today;
    }
    m_settingDates = false;
    m_filling = true;
    if (m_accounts->count() > 0)
        m_accounts->setCurrentIndex(0);
    m_filling = false;
    loadGrids();
}

std::optional<QString> HistoryWindow::selectedAccount() const
{
    if (!m_single->isChecked())
        return std::nullopt;
    return m_accounts->currentText();
}

namespace {

// The grid shows the rows' five texts, then the empty row where it ends. The grid keeps the loaded rows and takes
// the texts of the rows it shows from them; no cell is made per row.
template <typename Row, typename Texts>
void fillRows(FlexGrid &grid, const std::shared_ptr<const History::Loaded> &loaded,
              const std::vector<Row> History::Loaded::*rowsOf, Texts texts)
{
    const qsizetype count = qsizetype(((*loaded).*rowsOf).size());
    grid.setSource(count + 1, [loaded, rowsOf, texts](qsizetype row, int column) -> QString {
        const std::vector<Row> &rows = (*loaded).*rowsOf;
        if (std::size_t(row) >= rows.size() || column >= 5)
            return {};
        return *texts(rows[std::size_t(row)])[column];
    });
}

} // namespace

void HistoryWindow::fillGrids(const std::shared_ptr<const History::Loaded> &loaded, FlexGrid &financial,
                              FlexGrid &service)
{
    fillRows(financial, loaded, &History::Loaded::financial, [](const History::FinancialRow &r) {
        return std::array{&r.acctNo, &r.name, &r.date, &r.description, &r.amountText};
    });
    fillRows(service, loaded, &History::Loaded::service, [](const History::ServiceRow &r) {
        return std::array{&r.acctNo, &r.name, &r.date, &r.contents, &r.assignment};
    });
}

void HistoryWindow::loadGrids()
{
    const Widgets::BusyCursor busy;
    m_shown = std::make_shared<const History::Loaded>(
        History::loadHistory(m_state.folder, m_accepted[0], m_accepted[1], selectedAccount()));
    m_shownRange[0] = m_accepted[0];
    m_shownRange[1] = m_accepted[1];
    const History::Loaded &loaded = *m_shown;
    m_financial->setRedraw(false);
    m_service->setRedraw(false);
    fillGrids(m_shown, *m_financial, *m_service);
    // A text with a line break gets a row tall enough for two lines.
    const int height = m_financial->rowHeight(1);
    for (std::size_t i = 0; i < loaded.financial.size(); ++i) {
        if (loaded.financial[i].description.contains(QLatin1Char('\n')))
            m_financial->setRowHeight(int(i) + 1, 2 * height);
    }
    for (std::size_t i = 0; i < loaded.service.size(); ++i) {
        if (loaded.service[i].contents.contains(QLatin1Char('\n')))
            m_service->setRowHeight(int(i) + 1, 2 * height);
    }
    m_financial->setRedraw(true);
    m_service->setRedraw(true);
    m_total->setText(Formats::currency(loaded.total));
    showIncome();
}

HistoryWindow::IncomeWork HistoryWindow::workOutIncome(const DataFolder &folder, const History::Loaded &shown,
                                                       QDate start, QDate end, std::optional<QString> account,
                                                       QDate today)
{
    IncomeWork work;
    work.rows = Income::details(folder, shown.financial);
    work.payments = Income::payments(folder, work.rows, start, end, account);
    work.chart = Income::chartOf(work.rows, start, end);
    if (account)
        work.owed = Receivables::ledgerOf(folder, *account, today).balance;
    work.account = std::move(account);
    return work;
}

void HistoryWindow::showIncome()
{
    const quint64 run = ++m_incomeRun;
    if (m_incomeWork.valid())
        m_staleWork.push_back(std::move(m_incomeWork));
    std::erase_if(m_staleWork, [](const std::future<IncomeWork> &f) {
        return f.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    });
    const auto shown = m_shown;
    const QDate start = m_shownRange[0];
    const QDate end = m_shownRange[1];
    const auto account = selectedAccount();
    const QDate today = m_clock.today();
    if (shown->financial.size() < m_incomeApartFrom) {
        m_incomePending = false;
        takeIncome(workOutIncome(m_state.folder, *shown, start, end, account, today));
        return;
    }
    // Many rows: the grids show now, the figures under them follow. The window waits for this work before it goes.
    m_incomePending = true;
    m_incomeRows.clear();
    m_payments.clear();
    m_incomePanel->setPending(QStringLiteral("Adding up %1 invoices...")
                                  .arg(QLocale(QLocale::English).toString(qulonglong(shown->financial.size()))));
    const DataFolder &folder = m_state.folder;
    m_incomeWork = std::async(std::launch::async, [this, &folder, shown, start, end, account, today, run] {
        IncomeWork work = workOutIncome(folder, *shown, start, end, account, today);
        QMetaObject::invokeMethod(
            this,
            [this, run] {
                if (run == m_incomeRun && m_incomePending && m_incomeWork.valid())
                    takeIncome(m_incomeWork.get());
            },
            Qt::QueuedConnection);
        return work;
    });
}

void HistoryWindow::takeIncome(IncomeWork work)
{
    m_incomePending = false;
    m_incomeRows = std::move(work.rows);
    m_payments = std::move(work.payments);
    const QString title =
        (work.chart.byDay ? QStringLiteral("Income by Day") : QStringLiteral("Income by Month")) +
        (work.account ? QStringLiteral(", Account ") + work.account->trimmed() : QStringLiteral(", All Accounts"));
    m_incomePanel->setIncome(Income::summarize(m_incomeRows, m_payments), work.chart, title, work.owed);
    emit incomeShown();
}

bool HistoryWindow::waitForIncome(const QString &what)
{
    if (!m_incomePending)
        return true;
    if (m_incomeWork.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        // The window keeps answering while the figures are added up; Cancel gives up the wait, not the work.
        QProgressDialog progress(what, QStringLiteral("Cancel"), 0, 0, this);
        progress.setObjectName(QStringLiteral("frmIncomeProgress"));
        progress.setWindowTitle(what);
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(0);
        QEventLoop wait;
        connect(this, &HistoryWindow::incomeShown, &wait, &QEventLoop::quit);
        connect(&progress, &QProgressDialog::canceled, &wait, &QEventLoop::quit);
        progress.show();
        wait.exec();
        return !m_incomePending;
    }
    takeIncome(m_incomeWork.get());
    return true;
}

void HistoryWindow::setPrinting(PrintTarget *target, std::function<DocumentInputs()> inputs)
{
    m_target = target;
    m_inputs = std::move(inputs);
}

void HistoryWindow::printIncomeReport()
{
    if (!m_target || !takeTypedDates())
        return;
    if (!waitForIncome(QStringLiteral("Preparing the Income Report")))
        return;
    const auto account = selectedAccount();
    IncomeReportValues values = incomeReportValues(m_incomeRows, Income::summarize(m_incomeRows, m_payments));
    if (account) {
        values.showsOwed = true;
        values.owed = Receivables::ledgerOf(m_state.folder, *account, m_clock.today()).balance;
    }
    m_target->run(incomeReportAction(m_inputs ? m_inputs() : DocumentInputs(),
                                     {m_shownRange[0], m_shownRange[1], account.value_or(QString())}, values));
}

void HistoryWindow::setMailing(InvoiceMailer mailer, std::function<void()> showOutbox)
{
    m_mailer = std::move(mailer);
    m_mail->setVisible(bool(m_mailer));
    m_outbox->disconnect();
    m_outbox->setVisible(bool(showOutbox));
    if (showOutbox)
        connect(m_outbox, &QPushButton::clicked, this, std::move(showOutbox));
}

void HistoryWindow::printInvoices()
{
    if (!m_target || !takeTypedDates())
        return;
    if (!waitForIncome(QStringLiteral("Print Invoice")))
        return;
    if (const auto invoices = chosenInvoices(QStringLiteral("Print Invoice")))
        m_target->run(pricedInvoiceAction(m_inputs ? m_inputs() : DocumentInputs(), *invoices));
}

std::optional<std::vector<PricedInvoice>> HistoryWindow::chosenInvoices(const QString &title)
{
    // The chosen rows as the grid lists them, whatever order they were clicked in; the view's row 0 is the first
    // data row.
    std::vector<int> listed;
    for (const QModelIndex &index : m_financial->view()->selectionModel()->selectedRows()) {
        if (index.row() >= 0 && std::size_t(index.row()) < m_incomeRows.size())
            listed.push_back(index.row());
    }
    std::sort(listed.begin(), listed.end());
    std::vector<Income::Row> chosen;
    for (const int row : listed)
        chosen.push_back(m_incomeRows[std::size_t(row)]);
    if (chosen.empty()) {
        m_messages.inform(title == QStringLiteral("Print Invoice")
                              ? QStringLiteral("Select the invoices to print in the grid")
                              : QStringLiteral("Select the invoices to e-mail in the grid"),
                          title);
        return std::nullopt;
    }
    PricedInvoices::sortByInvoiceNumber(chosen);
    return PricedInvoices::fromHistory(m_state.folder, chosen, m_state.settings);
}

void HistoryWindow::showSlipMedia()
{
    const QString title = QStringLiteral("Photos, Signature");
    if (!waitForIncome(title))
        return;
    const int row = m_financial->view()->currentIndex().row();
    if (row < 0 || std::size_t(row) >= m_incomeRows.size()) {
        m_messages.inform(QStringLiteral("Choose an invoice in the grid"), title);
        return;
    }
    const std::vector<PricedInvoice> found =
        PricedInvoices::fromHistory(m_state.folder, {m_incomeRows[std::size_t(row)]}, m_state.settings);
    bool numbered = false;
    const int slipNo = found.empty() ? 0 : found.front().slipNo.toInt(&numbered);
    if (!numbered) {
        m_messages.inform(QStringLiteral("The slip of this invoice is no longer kept."), title);
        return;
    }
    const QString account = found.front().acctNo.trimmed();
    if (!m_slipMedia) {
        m_slipMedia = new QDialog(this);
        m_slipMedia->setObjectName(QStringLiteral("frmSlipMedia"));
        auto *layout = new QVBoxLayout(m_slipMedia);
        layout->addWidget(new SlipMediaPanel(m_slipMedia));
        layout->addWidget(m_slipMediaNote = new QLabel(m_slipMedia));
        QPushButton *close = button(QStringLiteral("&Close"), QStringLiteral("cmdSlipMediaClose"), m_slipMedia);
        connect(close, &QPushButton::clicked, m_slipMedia, &QDialog::close);
        layout->addWidget(close, 0, Qt::AlignRight);
    }
    auto *panel = m_slipMedia->findChild<SlipMediaPanel *>();
    panel->showSlip(m_state.folder, account, qint16(slipNo));
    m_slipMediaNote->setText(panel->isHidden() ? QStringLiteral("No photos and no signature were added to this slip.")
                                               : QString());
    m_slipMediaNote->setVisible(panel->isHidden());
    m_slipMedia->setWindowTitle(QStringLiteral("Slip %1, Invoice %2").arg(slipNo).arg(found.front().invoiceNo));
    m_slipMedia->adjustSize();
    m_slipMedia->show();
    m_slipMedia->raise();
}

ReceivablesWindow *HistoryWindow::receivables()
{
    if (!m_receivables) {
        m_receivables =
            new ReceivablesWindow(m_state.folder, m_messages, m_clock, m_target, m_inputs, m_chooseSaveFile, this);
        connect(m_receivables, &ReceivablesWindow::accountRequested, this, &HistoryWindow::showAccount);
    }
    return m_receivables;
}

void HistoryWindow::showAccount(const QString &acctNo)
{
    int index = -1;
    for (int i = 0; i < m_accounts->count() && index < 0; ++i) {
        if (m_accounts->itemText(i).trimmed() == acctNo.trimmed())
            index = i;
    }
    if (index < 0) { // an account no longer among the customers still has its history
        m_accounts->addItem(acctNo);
        index = m_accounts->count() - 1;
    }
    m_accounts->setCurrentIndex(index);
    m_single->setChecked(true);
    if (!m_financial->isVisible() && m_service->isVisible())
        toggleGrids();
    const auto r = History::allTime(m_clock.today());
    setRange(r.start, r.end);
    raise();
    activateWindow();
}

void HistoryWindow::setRange(const QDate &start, const QDate &end)
{
    m_settingDates = true;
    m_picker[0]->setDate(start);
    m_picker[1]->setDate(end);
    m_settingDates = false;
    m_accepted[0] = start;
    m_accepted[1] = end;
    loadGrids();
}

void HistoryWindow::pickerChanged(int index)
{
    if (m_settingDates)
        return;
    m_settingDates = true; // the dates change no more while their messages are shown
    const auto picked =
        shown(m_messages, History::pickDate({m_accepted[0], m_accepted[1]}, index, m_picker[index]->date(),
                                            m_clock.today(), m_state.settings.soundAlarm));
    m_accepted[0] = picked.range.start;
    m_accepted[1] = picked.range.end;
    for (int k = 0; k < 2; ++k) {
        if (m_picker[k]->date() != m_accepted[k])
            m_picker[k]->setDate(m_accepted[k]);
    }
    m_settingDates = false;
    // What is shown below the dates is always of the dates shown.
    if (m_accepted[0] != m_shownRange[0] || m_accepted[1] != m_shownRange[1])
        loadGrids();
}

bool HistoryWindow::takeTypedDates()
{
    // A date still being typed is checked (and the grids follow it) before anything is printed or written;
    // a text that is no date stops here, said and kept for correcting.
    for (DateBox *picker : m_picker) {
        if (!picker->accept())
            return false;
    }
    return true;
}

void HistoryWindow::purgeAll()
{
    if (!m_messages.ask(QStringLiteral("Click Yes to Delete All History Records"),
                        QStringLiteral("Purge History Files")) ||
        !m_messages.ask(QStringLiteral("Are you Sure?"), QStringLiteral("Confirm Purge History Files")))
        return;
    try {
        History::purgeAll(m_state.folder);
    } catch (const DiskError &e) {
        m_messages.inform(e.message(), QStringLiteral("Purge History Files"));
    }
    m_shown = std::make_shared<const History::Loaded>();
    showIncome();
    m_financial->setAll({QStringList()});
    m_service->setAll({QStringList()});
    m_total->setText(Formats::currency(Money()));
}

void HistoryWindow::purgeAccount()
{
    const QString account = m_accounts->currentText();
    if (account.trimmed().isEmpty())
        return;
    // The question names what goes: the account and how many of its records.
    const History::Range all = History::allTime(m_clock.today());
    const History::Loaded held = History::loadHistory(m_state.folder, all.start, all.end, account);
    if (!m_messages.ask(QStringLiteral("Click Yes to Delete This Acctounts History") +
                            QStringLiteral("\r\nAccount %1: %2 financial and %3 service history records")
                                .arg(account.trimmed())
                                .arg(held.financial.size())
                                .arg(held.service.size()),
                        QStringLiteral("Purge Account History")) ||
        !m_messages.ask(QStringLiteral("Are you Sure?"), QStringLiteral("Confirm Purge Account History")))
        return;
    try {
        History::purgeAccount(m_state.folder, account);
    } catch (const DiskError &e) {
        m_messages.inform(e.message(), QStringLiteral("Purge Account History"));
    }
    activate();
}

void HistoryWindow::toggleGrids()
{
    const bool showService = m_financial->isVisible() || !m_service->isVisible();
    m_financial->setVisible(!showService);
    m_service->setVisible(showService);
    m_total->setVisible(!showService);
    m_totalLabel->setVisible(!showService);
    m_incomePanel->setVisible(!showService);
    m_title->setText(showService ? QStringLiteral("Service History") : QStringLiteral("Financial History"));
}

void HistoryWindow::exportCsv()
{
    if (!takeTypedDates())
        return;
    const bool service = m_service->isVisible() && !m_financial->isVisible();
    const QDate start = m_shownRange[0];
    const QDate end = m_shownRange[1];
    const QString suggested = QStringLiteral("%1 %2 to %3.csv")
                                  .arg(service ? QStringLiteral("Service History") : QStringLiteral("Income"),
                                       start.toString(Qt::ISODate), end.toString(Qt::ISODate));
    const auto path = m_chooseSaveFile ? m_chooseSaveFile(suggested) : std::nullopt;
    if (!path || path->isEmpty() || (!service && !waitForIncome(QStringLiteral("Export CSV"))))
        return;
    try {
        const Widgets::BusyCursor busy;
        const Csv::Options options{m_bom->isChecked()};
        History::writeExport(*path, service ? History::serviceCsv(m_shown->service, options)
                                            : Income::incomeCsv(m_incomeRows, m_payments, options));
    } catch (const DiskError &e) {
        m_messages.inform(e.message(), QStringLiteral("Export CSV"));
    }
}
