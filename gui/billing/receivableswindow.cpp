#include "gui/billing/receivableswindow.h"

#include "billing/history.h"
#include "billing/moneyreportvalues.h"
#include "core/clock.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "core/seams.h"
#include "gui/widgets/flexgrid.h"
#include "gui/widgets/widgets.h"
#include "printing/moneyreports.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <memory>

namespace {

// Widths in characters; the age column holds five digits whole at 1024x768.
const QString kFormat = QStringLiteral("<Account         |<Name                          |^Oldest Unpaid |>Age      "
                                       "|>Balance      |>0-30        |>31-60       |>61-90       |>Over 90     ");

} // namespace

ReceivablesWindow::ReceivablesWindow(const DataFolder &folder, Messages &messages, const Clock &clock,
                                     PrintTarget *target, InputsSource inputs, SaveFileChooser chooseSaveFile,
                                     QWidget *parent)
    : ProgramWindow(QStringLiteral("frmReceivables"), {}, kHistoryKey, parent)
    , m_folder(folder)
    , m_messages(messages)
    , m_clock(clock)
    , m_target(target)
    , m_inputs(std::move(inputs))
    , m_chooseSaveFile(std::move(chooseSaveFile))
{
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("Who Still Owes"));
    m_grid = new FlexGrid(QStringLiteral("fgReceivables"), this);
    m_grid->setFormat(kFormat);

    m_byAmount = new QRadioButton(QStringLiteral("Sort by &Amount"), this);
    m_byAmount->setObjectName(QStringLiteral("optSortBy_0"));
    m_byAmount->setChecked(true);
    m_byAge = new QRadioButton(QStringLiteral("Sort by A&ge"), this);
    m_byAge->setObjectName(QStringLiteral("optSortBy_1"));
    Widgets::optionGroup({m_byAmount, m_byAge});

    auto *totals = new QGridLayout;
    for (int b = 0; b <= Receivables::kBuckets; ++b) {
        const QString caption = b == Receivables::kBuckets ? QStringLiteral("Total Owed")
                                                           : Receivables::bucketName(b) + QStringLiteral(" days");
        auto *name = new QLabel(caption, this);
        m_totals[b] = new QLabel(this);
        m_totals[b]->setObjectName(QStringLiteral("lblBucketTotal_%1").arg(b));
        m_totals[b]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        totals->addWidget(name, 0, b);
        totals->addWidget(m_totals[b], 1, b);
    }

    const QString captionsOfButtons[] = {QStringLiteral("&Print..."), QStringLiteral("Export &CSV..."),
                                         QStringLiteral("&Refresh"), QStringLiteral("C&lose")};
    QPushButton *buttons[4];
    auto *buttonRow = new QHBoxLayout;
    buttonRow->addWidget(m_byAmount);
    buttonRow->addWidget(m_byAge);
    buttonRow->addStretch();
    for (int i = 0; i < 4; ++i) {
        buttons[i] = new QPushButton(captionsOfButtons[i], this);
        buttons[i]->setObjectName(QStringLiteral("cmdReceivables_%1").arg(i));
        buttonRow->addWidget(buttons[i]);
    }
    auto *hint = new QLabel(QStringLiteral("Double-click an account to see its history."), this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_grid, 1);
    layout->addLayout(totals);
    layout->addWidget(hint);
    layout->addLayout(buttonRow);
    resize(940, 560);

    connect(m_byAmount, &QRadioButton::toggled, this, [this] { fill(); });
    connect(buttons[0], &QPushButton::clicked, this, &ReceivablesWindow::print);
    connect(buttons[1], &QPushButton::clicked, this, &ReceivablesWindow::exportCsv);
    connect(buttons[2], &QPushButton::clicked, this, &ReceivablesWindow::reload);
    connect(buttons[3], &QPushButton::clicked, this, &QWidget::hide);
    Widgets::clickOnEscape(this, buttons[3]);
    connect(m_grid, &FlexGrid::cellDoubleClicked, this, [this](int row, int) {
        if (row >= 1 && row <= int(m_report.accounts.size()))
            emit accountRequested(m_report.accounts[std::size_t(row - 1)].acctNo);
    });
}

void ReceivablesWindow::reload()
{
    {
        const Widgets::BusyCursor busy;
        m_report = Receivables::load(m_folder, m_clock.today());
    }
    fill();
}

void ReceivablesWindow::fill()
{
    Receivables::sort(m_report.accounts, m_byAge->isChecked() ? Receivables::SortBy::Age : Receivables::SortBy::Amount);
    // The grid takes the texts of the rows it shows from its own copy of the accounts.
    const auto accounts = std::make_shared<const std::vector<Receivables::Account>>(m_report.accounts);
    m_grid->setSource(qsizetype(accounts->size()), [accounts](qsizetype row, int column) -> QString {
        if (std::size_t(row) >= accounts->size())
            return {};
        const Receivables::Account &a = (*accounts)[std::size_t(row)];
        switch (column) {
        case 0:
            return a.acctNo;
        case 1:
            return a.name;
        case 2:
            return Formats::shortDate(a.oldestUnpaid);
        case 3:
            return QString::number(a.ageDays);
        case 4:
            return Formats::currency(a.balance);
        default:
            return a.buckets[std::size_t(column - 5)].isZero() ? QString()
                                                               : Formats::currency(a.buckets[std::size_t(column - 5)]);
        }
    });
    for (int b = 0; b < Receivables::kBuckets; ++b)
        m_totals[b]->setText(Formats::currency(m_report.totals[std::size_t(b)]));
    m_totals[Receivables::kBuckets]->setText(Formats::currency(m_report.total));
}

void ReceivablesWindow::print()
{
    if (m_target)
        m_target->run(receivablesAction(m_inputs ? m_inputs() : DocumentInputs(), receivablesReportValues(m_report)));
}

void ReceivablesWindow::exportCsv()
{
    const auto path =
        m_chooseSaveFile
            ? m_chooseSaveFile(QStringLiteral("Receivables %1.csv").arg(m_clock.today().toString(Qt::ISODate)))
            : std::nullopt;
    if (!path || path->isEmpty())
        return;
    try {
        History::writeExport(*path, Receivables::receivablesCsv(m_report, {true}));
    } catch (const DiskError &e) {
        m_messages.inform(e.message(), QStringLiteral("Export CSV"));
    }
}
