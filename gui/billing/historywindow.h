#pragma once

#include "billing/history.h"
#include "billing/income.h"
#include "billing/moneydocuments.h"
#include "core/folderandsettings.h"
#include "gui/widgets/programwindow.h"
#include "printing/documentinputs.h"

#include <QDate>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <vector>

class Clock;
class DateBox;
class FlexGrid;
class IncomePanel;
class PrintTarget;
class ReceivablesWindow;
class Messages;
class QCheckBox;
class QComboBox;
class QDialog;
class QStringListModel;
class QLabel;
class QLineEdit;
class QPushButton;
class DataFolder;
class Settings;

// frmHistory, "Account Service and Billing History": the financial and the service history of all accounts or
// one over a date range, with the total, the range buttons, both purges and the CSV export.
class HistoryWindow final : public ProgramWindow
{
    Q_OBJECT
public:
    // Asks where to save an export; nothing when the user cancels.
    using SaveFileChooser = std::function<std::optional<QString>(const QString &suggestedName)>;

    // The part of the program's state it works with.
    using Shared = FolderAndSettings;

    HistoryWindow(Environment environment, Shared state, Messages &messages, const Clock &clock,
                  SaveFileChooser chooseSaveFile, QWidget *parent = nullptr);
    ~HistoryWindow() override;

    FlexGrid *financialGrid() const { return m_financial; }
    FlexGrid *serviceGrid() const { return m_service; }

    // Both grids filled with the rows loaded, each followed by the empty row where the grid ends.
    // The grids keep the loaded rows and take the texts of the rows they show from them.
    static void fillGrids(const std::shared_ptr<const History::Loaded> &loaded, FlexGrid &financial, FlexGrid &service);

    // Where the income report, the priced invoices and the receivables print; without it they do not.
    void setPrinting(PrintTarget *target, std::function<DocumentInputs()> inputs);
    // Where "E-mail Invoices" hands the chosen invoices (with the documents' inputs); without it the button is
    // hidden.
    using InvoiceMailer =
        std::function<void(QWidget *parent, const std::vector<PricedInvoice> &, const DocumentInputs &)>;
    // `showOutbox` opens the e-mail outbox ("Outbox...", hidden without it).
    void setMailing(InvoiceMailer mailer, std::function<void()> showOutbox = {});
    IncomePanel *incomePanel() const { return m_incomePanel; }
    const std::vector<Income::Row> &income() const { return m_incomeRows; }
    // From this many financial rows on, the income under the grid (each invoice's taxes and payment form) is worked
    // out beside the window, which shows the grids at once; the report and the export wait for it.
    void setIncomeApartFrom(std::size_t rows) { m_incomeApartFrom = rows; }
    bool incomePending() const { return m_incomePending; }
    ReceivablesWindow *receivables(); // made when first asked for
    // One account's whole history, as the receivables ask for it.
    void showAccount(const QString &acctNo);

signals:
    void incomeShown();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void activate();
    void fillAccounts();
    void loadGrids();
    void setRange(const QDate &start, const QDate &end);
    void pickerChanged(int index);
    bool takeTypedDates();
    void purgeAll();
    void purgeAccount();
    void toggleGrids();
    void exportCsv();
    std::optional<QString> selectedAccount() const;
    // The income of the rows shown, with what the panel, the report and the export need of it.
    struct IncomeWork
    {
        std::vector<Income::Row> rows;
        std::vector<Income::Payment> payments;
        Income::Chart chart;
        std::optional<QString> account;
        std::optional<Money> owed;
    };
    static IncomeWork workOutIncome(const DataFolder &folder, const History::Loaded &shown, QDate start, QDate end,
                                    std::optional<QString> account, QDate today);
    void showIncome();
    void takeIncome(IncomeWork work);
    // True once the income of the rows shown is there; false when the user cancelled the wait.
    bool waitForIncome(const QString &what);
    void printIncomeReport();
    void printInvoices();
    // The photos and signature of the chosen invoice's slip, in a window beside this one.
    void showSlipMedia();
    // The invoices of the rows chosen in the financial grid, in invoice-number order; says so when none is chosen.
    std::optional<std::vector<PricedInvoice>> chosenInvoices(const QString &title);

    // What the grids show now, for the export.
    Shared m_state;
    Messages &m_messages;
    const Clock &m_clock;
    SaveFileChooser m_chooseSaveFile;

    FlexGrid *m_financial = nullptr;
    FlexGrid *m_service = nullptr;
    DateBox *m_picker[2] = {};
    QDate m_accepted[2];
    std::shared_ptr<const History::Loaded> m_shown = std::make_shared<const History::Loaded>(); // for the export
    QDate m_shownRange[2];
    bool m_settingDates = false;
    bool m_filling = false; // the account list is being filled: no reload per entry
    QComboBox *m_accounts = nullptr;
    QStringListModel *m_accountList = nullptr; // the account numbers, set in one go
    QCheckBox *m_single = nullptr;
    QLineEdit *m_total = nullptr;
    QLabel *m_totalLabel = nullptr;
    QLabel *m_title = nullptr;
    QPushButton *m_history[5] = {};
    QPushButton *m_income[4] = {};
    QPushButton *m_export = nullptr;
    QCheckBox *m_bom = nullptr;
    IncomePanel *m_incomePanel = nullptr;
    std::vector<Income::Row> m_incomeRows;   // the financial rows shown, with their taxes and payment forms
    std::vector<Income::Payment> m_payments; // the payments received in the range shown
    std::size_t m_incomeApartFrom = 2000;
    bool m_incomePending = false;
    quint64 m_incomeRun = 0;                          // the income being worked out is of this load
    std::future<IncomeWork> m_incomeWork;             // of the load shown
    std::vector<std::future<IncomeWork>> m_staleWork; // of loads replaced since, left to finish
    PrintTarget *m_target = nullptr;
    InvoiceMailer m_mailer;
    QPushButton *m_mail = nullptr;
    QPushButton *m_outbox = nullptr;
    std::function<DocumentInputs()> m_inputs;
    ReceivablesWindow *m_receivables = nullptr;
    QDialog *m_slipMedia = nullptr;
    QLabel *m_slipMediaNote = nullptr;
};
