#pragma once

#include "billing/receivables.h"
#include "gui/widgets/programwindow.h"
#include "printing/documentinputs.h"

#include <functional>
#include <optional>

class Clock;
class FlexGrid;
class Messages;
class PrintTarget;
class QLabel;
class QRadioButton;
class DataFolder;

// frmReceivables, "Who Still Owes": every account with money not collected, its balance, the age of its oldest
// unpaid invoice and its unpaid amounts by age, with the totals of each age. Sorted by amount or by age;
// printed, saved as PDF or as CSV; a double-click on a row shows that account's history.
class ReceivablesWindow final : public ProgramWindow
{
    Q_OBJECT
public:
    using SaveFileChooser = std::function<std::optional<QString>(const QString &suggestedName)>;
    using InputsSource = std::function<DocumentInputs()>;

    ReceivablesWindow(const DataFolder &folder, Messages &messages, const Clock &clock, PrintTarget *target,
                      InputsSource inputs, SaveFileChooser chooseSaveFile, QWidget *parent = nullptr);

    FlexGrid *grid() const { return m_grid; }
    const Receivables::Report &report() const { return m_report; }
    // Reads the balance files again.
    void reload();

signals:
    void accountRequested(const QString &acctNo);

private:
    void fill();
    void print();
    void exportCsv();

    const DataFolder &m_folder;
    Messages &m_messages;
    const Clock &m_clock;
    PrintTarget *m_target;
    InputsSource m_inputs;
    SaveFileChooser m_chooseSaveFile;
    Receivables::Report m_report;

    FlexGrid *m_grid = nullptr;
    QRadioButton *m_byAmount = nullptr;
    QRadioButton *m_byAge = nullptr;
    QLabel *m_totals[Receivables::kBuckets + 1] = {};
};
