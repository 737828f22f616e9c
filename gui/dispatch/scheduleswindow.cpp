#include "gui/dispatch/scheduleswindow.h"

#include "accounts/assignmentfile.h"
#include "core/datafolder.h"
#include "core/settings.h"
#include "dispatch/schedules.h"
#include "gui/widgets/flexgrid.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {
const QString kFormat = QStringLiteral("Assignment                        |^Cell No             |^Site Tel            "
                                       "|^Site Cell           |^Slip No |Customer                        |^Date     "
                                       "        |^   Time          ");
}

SchedulesWindow::SchedulesWindow(Shared state, Environment environment, QWidget *parent)
    : ProgramWindow(QStringLiteral("frmSchedules"), std::move(environment), kMainKey, parent)
    , m_state(state)
{
    setWindowTitle(QStringLiteral("Where are They Now?"));
    auto *layout = new QVBoxLayout(this);
    m_grid = new FlexGrid(QStringLiteral("fgSchedule"), this);
    m_grid->setFormat(kFormat);
    m_grid->setToolTip(QStringLiteral("Displays all assignments, tel nos and job info"));
    connect(m_grid, &FlexGrid::cellClicked, this, &SchedulesWindow::cellChosen);
    connect(m_grid, &FlexGrid::currentCellChanged, this, &SchedulesWindow::cellChosen);
    layout->addWidget(m_grid, 1);

    auto *bottom = new QHBoxLayout;
    m_dialer = new QGroupBox(this);
    m_dialer->setObjectName(QStringLiteral("fraDialer"));
    auto *dialerLayout = new QHBoxLayout(m_dialer);
    m_dialButton = new QPushButton(QStringLiteral(" Call Supplier"), m_dialer);
    m_dialButton->setObjectName(QStringLiteral("imgDial"));
    m_dialButton->setEnabled(false);
    connect(m_dialButton, &QPushButton::clicked, this, &SchedulesWindow::dial);
    dialerLayout->addWidget(m_dialButton);
    auto *hint = new QLabel(QStringLiteral("Click on an Assignment's Cell No, Site Tel or Site Cell Number to call.  "
                                           "Then Click the Phone"),
                            m_dialer);
    hint->setObjectName(QStringLiteral("lblDialerHint"));
    hint->setWordWrap(true);
    dialerLayout->addWidget(hint, 1);
    m_dialer->hide();
    bottom->addWidget(m_dialer, 1);
    addNoModemNote(m_dialer);
    bottom->addStretch();
    auto *calendar = new QPushButton(QStringLiteral("&Calendar..."), this);
    calendar->setObjectName(QStringLiteral("cmdCalendar"));
    connect(calendar, &QPushButton::clicked, this, [this] {
        const int row = std::max(m_grid->currentRow(), 1);
        emit calendarRequested(row < m_grid->rows() ? m_grid->rowTexts(row).value(Schedules::Assignment) : QString());
    });
    bottom->addWidget(calendar, 0, Qt::AlignBottom);
    auto *back = new QPushButton(QStringLiteral("Return to Menu"), this);
    back->setObjectName(QStringLiteral("cmdSchedules"));
    connect(back, &QPushButton::clicked, this, [this] {
        hide();
        emit returnToMenu();
    });
    bottom->addWidget(back, 0, Qt::AlignBottom);
    layout->addLayout(bottom);
    resize(1100, 520);
}

void SchedulesWindow::showEvent(QShowEvent *event)
{
    ProgramWindow::showEvent(event);
    showDialing();
    LoadSchedule();
}

void SchedulesWindow::ClearSchedule()
{
    for (int r = 1; r < m_grid->rows(); ++r) {
        for (int c = Schedules::SiteTel; c < Schedules::ColumnCount; ++c) {
            m_grid->setText(r, c, QString());
            m_grid->setCellTextColour(r, c, QColor());
        }
    }
}

void SchedulesWindow::LoadSchedule()
{
    m_grid->setRedraw(false);
    // The rows follow the assignments as they are now.
    const auto &assignments = m_state.assignmentLists.scheduleGrid;
    if (m_grid->rows() != int(assignments.size()) + 1)
        m_grid->setRows(int(assignments.size()) + 1);
    QStringList names;
    for (int r = 1; r < m_grid->rows(); ++r) {
        const QStringList &row = assignments[std::size_t(r - 1)];
        m_grid->setText(r, Schedules::Assignment, row.value(0));
        m_grid->setText(r, Schedules::CellNo, row.value(1));
        names.append(row.value(0));
    }
    ClearSchedule();
    const auto jobs = Schedules::LoadSchedule(m_state.folder, names);
    for (int r = 1; r < m_grid->rows(); ++r) {
        if (const auto &job = jobs[std::size_t(r - 1)]) {
            m_grid->setRowTexts(r, job->texts(), Schedules::SiteTel);
        } else {
            m_grid->setText(r, Schedules::Customer, Schedules::kNotSignedOut);
            m_grid->setCellTextColour(r, Schedules::Customer, QColor(255, 0, 0));
        }
    }
    m_grid->setRedraw(true);
    m_dialButton->setEnabled(false);
}

void SchedulesWindow::cellChosen(int row, int col)
{
    m_dialButton->setEnabled(row > 0 && Schedules::callFor(m_grid->rowTexts(row), col).has_value());
}

void SchedulesWindow::dial()
{
    const auto call = Schedules::callFor(m_grid->rowTexts(m_grid->currentRow()), m_grid->currentColumn());
    if (call && m_grid->currentRow() > 0)
        emit dialRequested(call->name, call->number);
}

void SchedulesWindow::setDialingEnabled(bool enabled)
{
    m_dialingEnabled = enabled;
    showDialing();
}

void SchedulesWindow::showDialing()
{
    m_dialer->setVisible(m_dialingEnabled && m_state.settings.phoneDaisyChained);
}
