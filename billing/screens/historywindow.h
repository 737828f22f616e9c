#pragma once

#include "billing/history.h"
#include "platform/programwindow.h"

#include <QDate>
#include <functional>
#include <memory>
#include <optional>

class Clock;
class FlexGrid;
class Messages;
class QCheckBox;
class QComboBox;
class QStringListModel;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
struct AppState;

// frmHistory, "Account Service and Billing History": the financial and the service history of all accounts or
// one over a date range, with the total, the range buttons, both purges and the CSV export.
class HistoryWindow final : public ProgramWindow
{
    Q_OBJECT
public:
    // Asks where to save an export; nothing when the user cancels.
    using SaveFileChooser = std::function<std::optional<QString>(const QString &suggestedName)>;

    HistoryWindow(Environment environment, AppState &state, Messages &messages, const Clock &clock,
                  SaveFileChooser chooseSaveFile, QWidget *parent = nullptr);

    FlexGrid *financialGrid() const { return m_financial; }
    FlexGrid *serviceGrid() const { return m_service; }

    // Both grids filled with the rows loaded, each followed by the empty row where the grid ends.
    // The grids keep the loaded rows and take the texts of the rows they show from them.
    static void fillGrids(const std::shared_ptr<const History::Loaded> &loaded, FlexGrid &financial, FlexGrid &service);

signals:
    void returnToMenu();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void activate();
    void fillAccounts();
    void loadGrids();
    void setRange(const QDate &start, const QDate &end);
    void pickerChanged(int index);
    void purgeAll();
    void purgeAccount();
    void toggleGrids();
    void exportCsv();
    std::optional<QString> selectedAccount() const;

    // What the grids show now, for the export.
    AppState &m_state;
    Messages &m_messages;
    const Clock &m_clock;
    SaveFileChooser m_chooseSaveFile;

    FlexGrid *m_financial = nullptr;
    FlexGrid *m_service = nullptr;
    QDateEdit *m_picker[2] = {};
    QDate m_accepted[2];
    std::shared_ptr<const History::Loaded> m_shown = std::make_shared<const History::Loaded>(); // for the export
    QDate m_shownRange[2];
    bool m_settingDates = false;
    QComboBox *m_accounts = nullptr;
    QStringListModel *m_accountList = nullptr; // the account numbers, set in one go
    QCheckBox *m_single = nullptr;
    QLineEdit *m_total = nullptr;
    QLabel *m_totalLabel = nullptr;
    QLabel *m_title = nullptr;
    QPushButton *m_history[5] = {};
    QPushButton *m_income[4] = {};
    QPushButton *m_export = nullptr;
};
