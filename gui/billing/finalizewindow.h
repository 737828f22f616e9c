#pragma once

#include "billing/finalize.h"
#include "billing/finalizesession.h"
#include "billing/moneydocuments.h"
#include "billing/postingrun.h"
#include "gui/widgets/programwindow.h"
#include "printing/documentinputs.h"

#include <functional>
#include <vector>

class Clock;
class FlexGrid;
class Messages;
class PrintTarget;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class DataFolder;
class Settings;

// frmFinalize, "Completed Service Slips": amount, taxes, payment form and invoice number for each completed
// slip, then Write Records posts the finalized ones and moves them to the archive.
class FinalizeWindow final : public ProgramWindow
{
    Q_OBJECT
public:
    using InputsSource = std::function<DocumentInputs()>;
    // Where "E-mail Invoices" hands the finalized rows' invoices; without it the button is hidden.
    using InvoiceMailer =
        std::function<void(QWidget *parent, const std::vector<PricedInvoice> &, const DocumentInputs &)>;
    void setMailing(InvoiceMailer mailer);

    // The part of the program's state it works with: the settings are written when a number is taken from the
    // invoice counter.
    struct Shared
    {
        const DataFolder &folder;
        Settings &settings;
        template <typename State>
        Shared(State &state)
            : folder(state.folder)
            , settings(state.settings)
        {}
    };

    FinalizeWindow(Environment environment, Shared state, Messages &messages, const Clock &clock, PrintTarget &target,
                   InputsSource inputs, QWidget *parent = nullptr);

    FlexGrid *grid() const { return m_grid; }
    const std::vector<Finalize::Row> &rows() const { return m_session.rows(); }
    const FinalizeSession &session() const { return m_session; }
    // Called before and after every write of Write Records; tests stop a run part way through it.
    void setPostingStepHook(PostingRun::StepHook hook) { m_postingHook = std::move(hook); }

public slots:
    // Dialing as the modem allows it: without a modem the dial controls stay hidden.
    void setDialingEnabled(bool enabled);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::vector<PricedInvoice> pricedInvoices(int row) const;
    void showDialing();
    // Rows entered and not written are not dropped unasked.
    bool mayLeave();
    bool m_dialingEnabled = true;
    void activate();
    void LoadCompletedSlips();
    void ResetEntry();
    void ShowTaxSection();
    void CalculateRowTaxes();
    void showEntry();
    void ClearRowEntry(int row);
    void TickNone();
    void TickAll();
    void PrintFinalizedReport();

    void cellClicked(int row, int col);
    void tickForEntry(int row);
    void enterToGrid();
    void clearRedo();
    void clearAll();
    void deleteSelected();
    void writeRecords();
    void leaveAmountBox();
    void gridLostFocus(Qt::FocusReason reason);
    void leaveTaxBox(int index);
    void payFormChosen(int index);
    void showRow(int row);
    int tickedRow() const;
    void finishInterruptedPosting();

    Shared m_state;
    Messages &m_messages;
    const Clock &m_clock;
    PrintTarget &m_target;
    InputsSource m_inputs;
    InvoiceMailer m_mailer;
    QPushButton *m_mail = nullptr;
    PostingRun::StepHook m_postingHook;

    FinalizeSession m_session;         // grid row r is the session's row r
    bool m_noSelectionPending = false; // "No Service Slips have been selected" is about to be said

    FlexGrid *m_grid = nullptr;
    QGroupBox *m_entry = nullptr;
    QLineEdit *m_amount = nullptr;
    QComboBox *m_payForm = nullptr;
    QLineEdit *m_invoice = nullptr;
    QGroupBox *m_taxFrame = nullptr;
    QLineEdit *m_tax[2] = {};
    QLabel *m_taxLabel[2] = {};
    QLabel *m_taxSource[2] = {};
    QCheckBox *m_apply1 = nullptr;
    QCheckBox *m_apply2 = nullptr;
    QLineEdit *m_total = nullptr;
    QLabel *m_hint = nullptr;
    QPushButton *m_post[6] = {};
    QPushButton *m_completions[6] = {};
    QPushButton *m_write = nullptr;
    QPushButton *m_dialImage = nullptr;
    QGroupBox *m_help = nullptr;
};
