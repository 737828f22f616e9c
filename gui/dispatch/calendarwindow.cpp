#include "gui/dispatch/calendarwindow.h"

#include "core/clock.h"
#include "core/datafolder.h"
#include "core/formats.h"
#include "core/seams.h"
#include "dispatch/boardstate.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipvalues.h"
#include "gui/widgets/datebox.h"
#include "gui/widgets/widgets.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>

using Calendar::Model;

namespace {

constexpr int kHeaderHeight = 34;
constexpr int kGutterWidth = 52;
constexpr int kDayColumnWidth = 150;
constexpr int kLeastColumnWidth = 100;
constexpr int kLeastRowHeight = 34;

const QColor kFreeCell(214, 245, 214);
const QColor kClosedCell(228, 228, 228);
const QColor kClash(220, 0, 0);

QColor statusColour(const QString &status)
{
    using namespace SlipValues;
    if (status == kOpen)
        return {235, 235, 235};
    if (status == kAssigned)
        return {190, 216, 255};
    if (status == kInProgress)
        return {170, 228, 180};
    if (status == kSuspended)
        return {255, 226, 140};
    if (status == kComplete)
        return {196, 196, 196};
    return {255, 255, 255};
}

QColor priorityColour(const QString &priority)
{
    const QStringList &list = SlipValues::priorities(); // Normal, High, Low, Emergency
    if (priority == list.value(3))
        return {255, 0, 0};
    if (priority == list.value(1))
        return {255, 140, 0};
    if (priority == list.value(2))
        return {150, 150, 150};
    return {0, 0, 128};
}

// A small swatch with its caption for the legend.
QWidget *swatch(const QString &caption, const QString &style, QWidget *parent)
{
    auto *box = new QWidget(parent);
    auto *row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 6, 0);
    row->setSpacing(3);
    auto *chip = new QLabel(box);
    chip->setFixedSize(16, 14);
    chip->setStyleSheet(style);
    row->addWidget(chip);
    row->addWidget(new QLabel(caption, box));
    return box;
}

// The slips the grid cannot show; each can be dragged onto a cell.
class UnplacedList final : public QListWidget
{
public:
    using QListWidget::QListWidget;

protected:
    QStringList mimeTypes() const override { return {CalendarView::kSlipRowMime}; }
    QMimeData *mimeData(const QList<QListWidgetItem *> &items) const override
    {
        if (items.isEmpty())
            return nullptr;
        auto *data = new QMimeData;
        data->setData(CalendarView::kSlipRowMime, items.front()->data(Qt::UserRole).toByteArray());
        return data;
    }
};

QString chipStyle(const QColor &fill, const QString &border = QStringLiteral("1px solid gray"))
{
    return QStringLiteral("background: %1; border: %2;").arg(fill.name(), border);
}

} // namespace

// --- The grid ---------------------------------------------------------------------------------------------------

CalendarView::CalendarView(Model &model, QWidget *parent)
    : QAbstractScrollArea(parent)
    , m_model(model)
{
    setObjectName(QStringLiteral("grdCalendar"));
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setMouseTracking(false);
    viewport()->setAcceptDrops(true);
    setToolTip(QStringLiteral("Drag a slip to another hour, day or technician; or select it and move it with "
                              "Ctrl+arrow keys, Enter keeps it, Esc cancels"));
}

void CalendarView::modelChanged()
{
    if (m_selected && !m_model.blockOfRow(m_selected))
        m_selected = 0;
    m_outline.reset();
    m_cursor.column = std::clamp(m_cursor.column, 0, std::max(0, m_model.columnCount() - 1));
    updateScrollRange();
    viewport()->update();
}

void CalendarView::setShowFree(bool on)
{
    m_showFree = on;
    viewport()->update();
}

void CalendarView::select(int row)
{
    m_selected = row;
    m_outline.reset();
    const Model::Cell cell = m_model.cellOf(row);
    if (cell.column >= 0)
        setCursorCell(cell);
    viewport()->update();
    emit selectionChanged(row);
}

int CalendarView::columnWidth() const
{
    if (m_model.view() == Model::View::Day)
        return kDayColumnWidth;
    const int columns = std::max(1, m_model.columnCount());
    return std::max(kLeastColumnWidth, (viewport()->width() - kGutterWidth) / columns);
}

int CalendarView::rowHeight() const
{
    return std::max(kLeastRowHeight, (viewport()->height() - kHeaderHeight) / Calendar::hourCount());
}

int CalendarView::columnX(int column) const
{
    return kGutterWidth + column * columnWidth() - horizontalScrollBar()->value();
}

void CalendarView::updateScrollRange()
{
    const int width = m_model.columnCount() * columnWidth();
    const int height = Calendar::hourCount() * rowHeight();
    horizontalScrollBar()->setPageStep(std::max(1, viewport()->width() - kGutterWidth));
    horizontalScrollBar()->setSingleStep(columnWidth());
    horizontalScrollBar()->setRange(0, std::max(0, width - (viewport()->width() - kGutterWidth)));
    verticalScrollBar()->setPageStep(std::max(1, viewport()->height() - kHeaderHeight));
    verticalScrollBar()->setRange(0, std::max(0, height - (viewport()->height() - kHeaderHeight)));
}

void CalendarView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRange();
}

void CalendarView::scrollContentsBy(int, int)
{
    viewport()->update();
}

QRect CalendarView::blockGeometry(const Model::Block &block) const
{
    const int laneWidth = (columnWidth() - 4) / std::max(1, block.lanes);
    const int top = kHeaderHeight + block.rows.first * rowHeight() - verticalScrollBar()->value();
    const int height = (block.rows.last - block.rows.first + 1) * rowHeight();
    return QRect(columnX(block.column) + 2 + block.lane * laneWidth, top + 2, laneWidth - 2, height - 4);
}

Model::Cell CalendarView::cellAt(const QPoint &pos) const
{
    if (pos.x() < kGutterWidth || pos.y() < kHeaderHeight)
        return {};
    const int column = (pos.x() - kGutterWidth + horizontalScrollBar()->value()) / columnWidth();
    const int row = (pos.y() - kHeaderHeight + verticalScrollBar()->value()) / rowHeight();
    if (column >= m_model.columnCount() || row >= Calendar::hourCount())
        return {};
    return {column, row};
}

bool CalendarView::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const int index = blockIndexAt(help->pos());
        if (index >= 0 && !m_model.blocks()[std::size_t(index)].origin.isEmpty()) {
            QToolTip::showText(help->globalPos(), m_model.blocks()[std::size_t(index)].origin, viewport());
            return true;
        }
    }
    return QAbstractScrollArea::viewportEvent(event);
}

int CalendarView::blockIndexAt(const QPoint &pos) const
{
    const Model::Cell cell = cellAt(pos);
    if (cell.column < 0)
        return -1;
    for (int index : m_model.columnBlocks(cell.column)) {
        if (blockGeometry(m_model.blocks()[std::size_t(index)]).contains(pos))
            return index;
    }
    return -1;
}

void CalendarView::ensureColumnVisible(int column)
{
    const int left = column * columnWidth();
    const int visible = viewport()->width() - kGutterWidth;
    QScrollBar *bar = horizontalScrollBar();
    if (left < bar->value())
        bar->setValue(left);
    else if (left + columnWidth() > bar->value() + visible)
        bar->setValue(left + columnWidth() - visible);
}

QRect CalendarView::cellRect(int column, int hourRow)
{
    ensureColumnVisible(column);
    const int top = kHeaderHeight + hourRow * rowHeight() - verticalScrollBar()->value();
    return QRect(columnX(column), top, columnWidth(), rowHeight());
}

QRect CalendarView::blockRect(int blockIndex)
{
    const Model::Block &block = m_model.blocks()[std::size_t(blockIndex)];
    ensureColumnVisible(block.column);
    return blockGeometry(block);
}

void CalendarView::jumpToColumn(int column)
{
    if (column < 0 || column >= m_model.columnCount())
        return;
    setCursorCell({column, std::max(0, m_cursor.hourRow)});
    viewport()->update();
}

void CalendarView::setCursorCell(const Model::Cell &cell)
{
    if (cell.column < 0 || cell.hourRow < 0)
        return;
    m_cursor = cell;
    ensureColumnVisible(cell.column);
}

void CalendarView::paintBlock(QPainter &p, const Model::Block &block, const QRect &rect) const
{
    p.fillRect(rect, statusColour(block.status));
    p.fillRect(QRect(rect.left(), rect.top(), 6, rect.height()), priorityColour(block.priority));
    if (block.clash) {
        // A clash cannot be missed: red hatching over the block, a thick red frame and the word itself.
        p.fillRect(rect, QBrush(QColor(220, 0, 0, 90), Qt::BDiagPattern));
        p.setPen(QPen(kClash, 3));
        p.drawRect(rect.adjusted(1, 1, -2, -2));
    } else {
        p.setPen(QPen(QColor(90, 90, 90), 1));
        p.drawRect(rect.adjusted(0, 0, -1, -1));
    }
    if (block.row == m_selected) {
        p.setPen(QPen(Qt::black, 2, Qt::DashLine));
        p.drawRect(rect.adjusted(3, 3, -4, -4));
    }
    const QRect text = rect.adjusted(9, 2, -3, -2);
    QFont font = p.font();
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::black);
    const QFontMetrics bold(font);
    int y = text.top() + bold.ascent();
    // A slip made by a maintenance agreement carries its mark before the customer.
    const QString first = QString::number(block.slipNo) + QLatin1Char(' ') +
                          (block.origin.isEmpty() ? QString() : CalendarView::kAgreementMark + QLatin1Char(' ')) +
                          block.customer;
    p.drawText(text.left(), y, bold.elidedText(first, Qt::ElideRight, text.width()));
    if (block.clash) {
        y += bold.height();
        p.setPen(kClash);
        p.drawText(text.left(), y, QStringLiteral("CLASH"));
        p.setPen(Qt::black);
    }
    font.setBold(false);
    p.setFont(font);
    const QFontMetrics plain(font);
    const QStringList lines = {block.city, block.service,
                               block.time + QLatin1Char(' ') +
                                   (block.fromPhone.isEmpty() ? block.status : block.fromPhone)};
    for (const QString &line : lines) {
        y += plain.height();
        if (y > text.bottom())
            break;
        p.drawText(text.left(), y, plain.elidedText(line, Qt::ElideRight, text.width()));
    }
}

void CalendarView::paintEvent(QPaintEvent *)
{
    QPainter p(viewport());
    const QRect area = viewport()->rect();
    p.fillRect(area, palette().base());
    const int width = columnWidth();
    const int height = rowHeight();
    const int hours = Calendar::hourCount();
    const int scrollY = verticalScrollBar()->value();
    const int first = std::max(0, (horizontalScrollBar()->value()) / width);
    const int last = std::min(m_model.columnCount() - 1, first + (area.width() - kGutterWidth) / width + 1);

    for (int c = first; c <= last; ++c) {
        const int x = columnX(c);
        for (int r = 0; r < hours; ++r) {
            const QRect cell(x, kHeaderHeight + r * height - scrollY, width, height);
            if (!m_model.hourOpen(c, r))
                p.fillRect(cell, kClosedCell);
            else if (m_showFree && m_model.isFree(c, r))
                p.fillRect(cell, kFreeCell);
            p.setPen(QColor(200, 200, 200));
            p.drawRect(cell.adjusted(0, 0, -1, -1));
        }
        for (int index : m_model.columnBlocks(c)) {
            const Model::Block &block = m_model.blocks()[std::size_t(index)];
            paintBlock(p, block, blockGeometry(block));
        }
    }
    // The cursor, and where the selected slip is being moved to.
    if (m_cursor.column >= first && m_cursor.column <= last) {
        p.setPen(QPen(QColor(0, 90, 200), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRect(columnX(m_cursor.column), kHeaderHeight + m_cursor.hourRow * height - scrollY, width, height)
                       .adjusted(1, 1, -2, -2));
    }
    if (m_outline) {
        // The selected slip's length; one hour for a slip dragged in from the list.
        const Model::Block *block = m_selected ? m_model.blockOfRow(m_selected) : nullptr;
        const int span = block ? block->rows.last - block->rows.first + 1 : 1;
        const auto slot = block ? Calendar::slotAt(block->time, m_outline->hourRow) : std::nullopt;
        const int top = slot ? Calendar::slotRows(*slot)->first : m_outline->hourRow;
        const QRect target(columnX(m_outline->column) + 2, kHeaderHeight + top * height - scrollY + 2, width - 4,
                           span * height - 4);
        p.setPen(QPen(QColor(0, 0, 0), 3, Qt::DashLine));
        p.setBrush(QColor(0, 90, 200, 50));
        p.drawRect(target);
        p.setBrush(Qt::NoBrush);
    }

    // The headings and the hours stay in place while the grid scrolls.
    p.fillRect(QRect(0, 0, area.width(), kHeaderHeight), palette().window());
    QFont font = p.font();
    font.setBold(true);
    p.setFont(font);
    // A week's headings wrap alike: when one day's does not fit on a line, each day has its date on a second line.
    bool dateBelow = false;
    for (int c = first; c <= last && m_model.view() == Model::View::Week; ++c)
        dateBelow =
            dateBelow || p.fontMetrics().horizontalAdvance(QStringLiteral("! ") + m_model.columnTitle(c)) > width - 6;
    for (int c = first; c <= last; ++c) {
        const QRect head(columnX(c), 0, width, kHeaderHeight);
        const bool clash = std::any_of(m_model.columnBlocks(c).begin(), m_model.columnBlocks(c).end(),
                                       [this](int i) { return m_model.blocks()[std::size_t(i)].clash; });
        p.setPen(clash ? kClash : palette().windowText().color());
        QString title = m_model.columnTitle(c);
        if (dateBelow)
            title.replace(title.indexOf(QLatin1Char(' ')), 1, QLatin1Char('\n'));
        title.prepend(clash ? QStringLiteral("! ") : QString());
        p.drawText(head.adjusted(3, 0, -3, 0), Qt::AlignCenter | Qt::TextWordWrap,
                   p.fontMetrics().elidedText(title, Qt::ElideRight, 2 * head.width() - 12));
        p.setPen(QColor(160, 160, 160));
        p.drawLine(head.topRight(), head.bottomRight());
    }
    p.fillRect(QRect(0, 0, kGutterWidth, area.height()), palette().window());
    font.setBold(false);
    p.setFont(font);
    p.setPen(palette().windowText().color());
    for (int r = 0; r < hours; ++r)
        p.drawText(QRect(0, kHeaderHeight + r * height - scrollY, kGutterWidth - 4, height),
                   Qt::AlignRight | Qt::AlignTop, Calendar::hourRows()[r]);
    p.setPen(QColor(160, 160, 160));
    p.drawLine(0, kHeaderHeight - 1, area.width(), kHeaderHeight - 1);
}

void CalendarView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    const QPoint pos = event->position().toPoint();
    const int index = blockIndexAt(pos);
    m_pressed = index >= 0;
    m_dragging = false;
    m_pressPos = pos;
    if (index >= 0) {
        select(m_model.blocks()[std::size_t(index)].row);
        return;
    }
    const Model::Cell cell = cellAt(pos);
    if (cell.column >= 0)
        m_cursor = cell;
    m_selected = 0;
    m_outline.reset();
    viewport()->update();
    emit selectionChanged(0);
}

void CalendarView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_pressed || !m_selected)
        return;
    const QPoint pos = event->position().toPoint();
    if (!m_dragging && (pos - m_pressPos).manhattanLength() < QApplication::startDragDistance())
        return;
    m_dragging = true;
    // Near the sides the grid scrolls along, so that a slip reaches technicians out of sight.
    if (pos.x() > viewport()->width() - 20)
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + columnWidth() / 4);
    else if (pos.x() < kGutterWidth + 10)
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - columnWidth() / 4);
    const Model::Cell cell = cellAt(pos);
    if (cell.column >= 0)
        m_outline = cell;
    else
        m_outline.reset();
    viewport()->update();
}

void CalendarView::mouseReleaseEvent(QMouseEvent *event)
{
    const bool dropped = m_pressed && m_dragging;
    m_pressed = m_dragging = false;
    if (!dropped)
        return;
    const Model::Cell cell = cellAt(event->position().toPoint());
    m_outline.reset();
    viewport()->update();
    if (cell.column >= 0)
        emit moveRequested(m_selected, cell.column, cell.hourRow);
}

void CalendarView::keyPressEvent(QKeyEvent *event)
{
    int dx = 0;
    int dy = 0;
    switch (event->key()) {
    case Qt::Key_Left:
        dx = -1;
        break;
    case Qt::Key_Right:
        dx = 1;
        break;
    case Qt::Key_Up:
        dy = -1;
        break;
    case Qt::Key_Down:
        dy = 1;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_outline && m_selected) {
            const Model::Cell to = *m_outline;
            m_outline.reset();
            viewport()->update();
            emit moveRequested(m_selected, to.column, to.hourRow);
            return;
        }
        break;
    case Qt::Key_Escape:
        if (m_outline) {
            m_outline.reset();
            viewport()->update();
            return;
        }
        break;
    default:
        break;
    }
    if (dx == 0 && dy == 0) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    if (event->modifiers() & Qt::ControlModifier) {
        // The selected slip's outline moves by a slot of its own length, or a column.
        const Model::Block *block = m_selected ? m_model.blockOfRow(m_selected) : nullptr;
        if (!block)
            return;
        const Model::Cell from = m_outline.value_or(Model::Cell{block->column, block->rows.first});
        if (const auto to = m_model.stepped(from, block->time, dx, dy)) {
            m_outline = *to;
            ensureColumnVisible(to->column);
        }
        viewport()->update();
        return;
    }
    // The cursor moves from cell to cell and selects the slip it lands on.
    const Model::Cell to{std::clamp(m_cursor.column + dx, 0, std::max(0, m_model.columnCount() - 1)),
                         std::clamp(m_cursor.hourRow + dy, 0, Calendar::hourCount() - 1)};
    setCursorCell(to);
    const int index = m_model.blockAt(to.column, to.hourRow);
    const int row = index >= 0 ? m_model.blocks()[std::size_t(index)].row : 0;
    m_outline.reset();
    if (row != m_selected) {
        m_selected = row;
        emit selectionChanged(row);
    }
    viewport()->update();
}

void CalendarView::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasFormat(kSlipRowMime))
        event->acceptProposedAction();
}

void CalendarView::dragMoveEvent(QDragMoveEvent *event)
{
    const Model::Cell cell = cellAt(event->position().toPoint());
    if (cell.column < 0) {
        event->ignore();
        m_outline.reset();
    } else {
        event->acceptProposedAction();
        m_outline = cell;
    }
    viewport()->update();
}

void CalendarView::dropEvent(QDropEvent *event)
{
    m_outline.reset();
    viewport()->update();
    const Model::Cell cell = cellAt(event->position().toPoint());
    const int row = event->mimeData()->data(kSlipRowMime).toInt();
    if (cell.column < 0 || row < 1)
        return;
    event->acceptProposedAction();
    emit moveRequested(row, cell.column, cell.hourRow);
}

// --- The window -------------------------------------------------------------------------------------------------

CalendarWindow::CalendarWindow(Environment environment, BoardState &board, const Settings &settings, Messages &messages,
                               const Clock &clock, QStringList technicians, QWidget *parent)
    : ProgramWindow(QStringLiteral("frmCalendar"), std::move(environment), kMainKey, parent)
    , m_settings(settings)
    , m_messages(messages)
    , m_clock(clock)
    , m_technicians(std::move(technicians))
    , m_board(&board)
    , m_model(std::make_unique<Model>(board, settings, clock, Model::Saving::ByTheBoard))
{
    build();
}

CalendarWindow::CalendarWindow(Environment environment, const DataFolder &folder, const Settings &settings,
                               Messages &messages, const Clock &clock, QStringList technicians, QWidget *parent)
    : ProgramWindow(QStringLiteral("frmCalendar"), std::move(environment), kMainKey, parent)
    , m_settings(settings)
    , m_messages(messages)
    , m_clock(clock)
    , m_technicians(std::move(technicians))
    , m_folder(std::make_unique<DataFolder>(folder))
    , m_own(std::make_unique<BoardState>(*m_folder, clock, settings))
    , m_board(m_own.get())
    , m_model(std::make_unique<Model>(*m_own, settings, clock, Model::Saving::Itself))
{
    build();
}

CalendarWindow::~CalendarWindow() = default;

void CalendarWindow::build()
{
    setWindowTitle(QStringLiteral("Technicians' Calendar"));
    m_date = m_clock.today();
    m_technician = m_technicians.value(0);

    // The view and the day or technician chosen.
    m_week = new QRadioButton(QStringLiteral("&Week of"), this);
    m_week->setObjectName(QStringLiteral("optWeek"));
    m_day = new QRadioButton(QStringLiteral("&Day of all technicians"), this);
    m_day->setObjectName(QStringLiteral("optDay"));
    auto *views = new QButtonGroup(this);
    views->addButton(m_week);
    views->addButton(m_day);
    m_week->setChecked(true);
    Widgets::optionGroup({m_week, m_day});
    m_technicianBox = new QComboBox(this);
    m_technicianBox->setObjectName(QStringLiteral("cboTechnician"));
    m_technicianBox->addItems(m_technicians);
    m_technicianBox->setMinimumContentsLength(18);
    m_technicianBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    auto *previous = Widgets::button(QStringLiteral("< &Previous"), QStringLiteral("cmdPrevious"), this);
    auto *next = Widgets::button(QStringLiteral("&Next >"), QStringLiteral("cmdNext"), this);
    auto *today = Widgets::button(QStringLiteral("&Today"), QStringLiteral("cmdToday"), this);
    m_dateBox = new DateBox(QStringLiteral("dtpCalendarDate"), m_messages, m_clock, this);
    m_dateBox->setMaximumWidth(m_dateBox->fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000")) + 40);
    m_free = Widgets::checkBox(QStringLiteral("&Free hours"), QStringLiteral("ckFreeHours"), this);
    m_free->setChecked(true);
    m_routeSheetButton = Widgets::button(QStringLiteral("&Route Sheet..."), QStringLiteral("cmdRouteSheet"), this);
    m_routeSheetButton->setEnabled(false);
    m_routeSheetButton->setToolTip(QStringLiteral("The route sheet of the technician's day"));
    auto *top = new QHBoxLayout;
    top->addWidget(m_week);
    top->addWidget(m_technicianBox);
    top->addWidget(m_day);
    top->addSpacing(8);
    top->addWidget(previous);
    top->addWidget(m_dateBox);
    top->addWidget(next);
    top->addWidget(today);
    top->addStretch();

    m_view = new CalendarView(*m_model, this);

    // Beside the grid: the slips it cannot show, and the selected slip in full.
    auto *side = new QVBoxLayout;
    m_unplacedCaption = Widgets::label(QString(), QStringLiteral("lblUnplaced"), this);
    m_unplacedCaption->setWordWrap(true);
    m_unplaced = new UnplacedList(this);
    m_unplaced->setDragEnabled(true);
    m_unplaced->setDragDropMode(QAbstractItemView::DragOnly);
    m_unplaced->setObjectName(QStringLiteral("lstUnplaced"));
    m_unplaced->setWordWrap(true);
    m_place = Widgets::button(QStringLiteral("P&lace at Cursor"), QStringLiteral("cmdPlace"), this);
    m_place->setToolTip(QStringLiteral("Schedules the slip chosen in the list at the calendar's cursor"));
    m_details = Widgets::label(QString(), QStringLiteral("lblSlipDetails"), this);
    m_details->setWordWrap(true);
    m_details->setTextFormat(Qt::RichText);
    m_details->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_details->setFrameShape(QFrame::StyledPanel);
    m_details->setMinimumHeight(120);
    // Another day, perhaps of another week: a slip past due is pulled into this week here.
    m_moveToDate = new DateBox(QStringLiteral("dtpMoveTo"), m_messages, m_clock, this);
    m_moveTo = Widgets::button(QStringLiteral("&Move to"), QStringLiteral("cmdMoveTo"), this);
    m_moveTo->setToolTip(QStringLiteral("Moves the selected slip to this day: at its own time when that is free, "
                                        "else at the technician's first free time of the day"));
    auto *moveRow = new QHBoxLayout;
    moveRow->addWidget(m_moveTo);
    moveRow->addWidget(m_moveToDate, 1);
    side->addWidget(m_unplacedCaption);
    side->addWidget(m_unplaced, 1);
    side->addWidget(m_place);
    side->addLayout(moveRow);
    side->addWidget(Widgets::label(QStringLiteral("Selected slip"), QStringLiteral("lblSelectedCaption"), this));
    side->addWidget(m_details);
    auto *sidePanel = new QWidget(this);
    sidePanel->setLayout(side);
    sidePanel->setFixedWidth(220);
    side->setContentsMargins(0, 0, 0, 0);

    auto *middle = new QHBoxLayout;
    middle->addWidget(m_view, 1);
    middle->addWidget(sidePanel);

    // The legend: status by colour, priority by the stripe, clashes, free hours.
    auto *legend = new QWidget(this);
    legend->setObjectName(QStringLiteral("fraLegend"));
    auto *legendRow = new QHBoxLayout(legend);
    legendRow->setContentsMargins(0, 0, 0, 0);
    legendRow->setSpacing(2);
    legendRow->addWidget(new QLabel(QStringLiteral("Status:"), legend));
    for (const QString &status : SlipValues::boardStatuses() + QStringList{SlipValues::kComplete})
        legendRow->addWidget(swatch(status, chipStyle(statusColour(status)), legend));
    legendRow->addSpacing(8);
    legendRow->addWidget(new QLabel(QStringLiteral("Priority:"), legend));
    for (const QString &priority : SlipValues::priorities())
        legendRow->addWidget(swatch(priority, chipStyle(priorityColour(priority)), legend));
    legendRow->addSpacing(8);
    legendRow->addWidget(
        swatch(QStringLiteral("Clash"), chipStyle(QColor(255, 220, 220), QStringLiteral("3px solid red")), legend));
    legendRow->addWidget(swatch(QStringLiteral("Free"), chipStyle(kFreeCell), legend));
    legendRow->addStretch();
    legendRow->addWidget(m_free);

    m_status = Widgets::label(QString(), QStringLiteral("lblCalendarStatus"), this);
    m_status->setTextFormat(Qt::RichText);
    m_nextClash = Widgets::button(QStringLiteral("Next Cl&ash"), QStringLiteral("cmdNextClash"), this);
    m_nextClash->setToolTip(QStringLiteral("Selects the next slip that clashes, scrolling to it"));
    m_undo = Widgets::button(QStringLiteral("&Undo"), QStringLiteral("cmdUndo"), this);
    m_save = Widgets::button(QStringLiteral("&Save Moves"), QStringLiteral("cmdSave"), this);
    auto *close = Widgets::button(QStringLiteral("&Close"), QStringLiteral("cmdClose"), this);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_status, 1);
    bottom->addWidget(m_routeSheetButton);
    bottom->addWidget(m_nextClash);
    bottom->addWidget(m_undo);
    bottom->addWidget(m_save);
    bottom->addWidget(close);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle, 1);
    layout->addWidget(legend);
    layout->addLayout(bottom);

    connect(m_week, &QRadioButton::toggled, this, [this](bool on) {
        if (!m_filling && on)
            rebuild();
    });
    connect(m_day, &QRadioButton::toggled, this, [this](bool on) {
        if (!m_filling && on)
            rebuild();
    });
    connect(m_technicianBox, &QComboBox::currentIndexChanged, this, &CalendarWindow::technicianChosen);
    connect(m_moveTo, &QPushButton::clicked, this, [this] { moveSelectedTo(m_moveToDate->date()); });
    connect(previous, &QPushButton::clicked, this, [this] { step(-1); });
    connect(next, &QPushButton::clicked, this, [this] { step(1); });
    connect(today, &QPushButton::clicked, this, [this] {
        m_date = m_clock.today();
        rebuild();
    });
    connect(m_dateBox, &DateBox::dateChosen, this, [this] {
        if (!m_filling)
            dateChosen();
    });
    connect(m_free, &QCheckBox::toggled, m_view, &CalendarView::setShowFree);
    connect(m_routeSheetButton, &QPushButton::clicked, this, [this] {
        const int row = m_view->selectedRow();
        const Model::Block *block = row ? m_model->blockOfRow(row) : nullptr;
        const int column = block ? block->column : m_view->cursor().column;
        if (m_routeSheet)
            m_routeSheet(m_model->columnTechnician(column), m_model->columnDate(column), m_board->records());
    });
    connect(m_view, &CalendarView::moveRequested, this, &CalendarWindow::moveSlip);
    // One slip is selected at a time: on the grid or in the list beside it.
    connect(m_view, &CalendarView::selectionChanged, this, [this](int row) {
        if (row)
            m_unplaced->setCurrentRow(-1);
        showDetails(row);
    });
    connect(m_unplaced, &QListWidget::currentRowChanged, this, [this](int index) {
        if (index >= 0 && index < int(m_model->unplaced().size())) {
            if (m_view->selectedRow())
                m_view->select(0);
            showDetails(m_model->unplaced()[std::size_t(index)]);
        }
        m_place->setEnabled(index >= 0);
    });
    connect(m_unplaced, &QListWidget::itemActivated, this, &CalendarWindow::placeUnplaced);
    connect(m_place, &QPushButton::clicked, this, &CalendarWindow::placeUnplaced);
    connect(m_nextClash, &QPushButton::clicked, this, [this] {
        // The clashing slips in column order, the one after the selected slip first.
        std::vector<std::pair<int, int>> clashes; // column, board row
        for (const Model::Block &block : m_model->blocks()) {
            if (block.clash)
                clashes.emplace_back(block.column, block.row);
        }
        if (clashes.empty())
            return;
        std::sort(clashes.begin(), clashes.end());
        auto next = std::find_if(clashes.begin(), clashes.end(),
                                 [this](const auto &c) { return c.second == m_view->selectedRow(); });
        next = next == clashes.end() || std::next(next) == clashes.end() ? clashes.begin() : std::next(next);
        m_view->select(next->second);
        m_view->setFocus();
    });
    connect(m_undo, &QPushButton::clicked, this, &CalendarWindow::undo);
    auto *undoKey = new QAction(this);
    undoKey->setShortcut(QKeySequence::Undo);
    connect(undoKey, &QAction::triggered, this, &CalendarWindow::undo);
    addAction(undoKey);
    connect(m_save, &QPushButton::clicked, this, &CalendarWindow::save);
    connect(close, &QPushButton::clicked, this, &CalendarWindow::leave);
    // The whole calendar fits a 1024x768 screen.
    resize(1000, 700);
    writeControlsNamed(QStringLiteral("cmdPlace|cmdMoveTo|cmdUndo|cmdSave")); // off on a read-only seat
}

void CalendarWindow::technicianChosen()
{
    if (m_filling)
        return;
    m_technician = m_technicianBox->currentText();
    // In the day view the technician's column comes into sight; his week is one click on "Week of" away.
    if (m_day->isChecked()) {
        // The focus stays in the box, so that the name can be typed on.
        m_view->jumpToColumn(m_model->technicianColumn(m_technician));
        return;
    }
    rebuild();
}

int CalendarWindow::selectedSlip() const
{
    if (const int row = m_view->selectedRow())
        return row;
    const int index = m_unplaced->currentRow();
    return index >= 0 && index < int(m_model->unplaced().size()) ? m_model->unplaced()[std::size_t(index)] : 0;
}

void CalendarWindow::moveSelectedTo(const QDate &day)
{
    const int row = selectedSlip();
    if (!row) {
        m_messages.inform(QStringLiteral("Select a slip first, on the calendar or in the list."), windowTitle());
        return;
    }
    if (!putThrough(m_messages, [&](const Answers &answers) { return m_model->moveToDay(row, day, answers); }).isDone())
        return;
    // The week or the day that now holds the slip.
    m_date = day;
    rebuild();
    m_view->select(row);
    emit slipsChanged();
}

void CalendarWindow::setRouteSheetHandler(RouteSheetHandler handler)
{
    m_routeSheet = std::move(handler);
    m_routeSheetButton->setEnabled(bool(m_routeSheet));
}

void CalendarWindow::showWeekOf(const QString &technician, const QDate &date)
{
    if (!technician.trimmed().isEmpty())
        m_technician = technician.trimmed();
    if (date.isValid())
        m_date = date;
    m_filling = true;
    m_week->setChecked(true);
    m_filling = false;
    rebuild();
}

void CalendarWindow::showDayOf(const QDate &date)
{
    if (date.isValid())
        m_date = date;
    m_filling = true;
    m_day->setChecked(true);
    m_filling = false;
    rebuild();
}

void CalendarWindow::takePhoneChange(const PhoneWork::Outcome &outcome, const QString &phone)
{
    // On the board's slips the board takes it; closed or hidden, the calendar reads the slips afresh when it shows.
    if (!m_own || !outcome.stored || isHidden())
        return;
    // One at a time: a change that comes while the question about another is open waits for its answer.
    m_phoneChanges.push_back({outcome, phone});
    if (m_phoneChanges.size() > 1)
        return;
    while (!m_phoneChanges.empty()) {
        const auto &[change, from] = m_phoneChanges.front();
        const int row = putThrough(m_messages, [&](const Answers &answers) {
                            return m_own->takePhoneChange(change.before, change.after, from, answers);
                        }).row;
        if (row > 0)
            slipChangedFromPhone(row);
        m_phoneChanges.pop_front();
    }
}

void CalendarWindow::slipChangedFromPhone(int row)
{
    m_model->phoneChanged(row);
    m_view->modelChanged();
    rebuild();
}

void CalendarWindow::showEvent(QShowEvent *event)
{
    ProgramWindow::showEvent(event);
    if (event->spontaneous())
        return;
    // Slips of its own are read afresh each time the calendar opens; the board's are the board's.
    if (m_own && !m_model->canUndo())
        m_own->load();
    rebuild();
    m_view->setFocus();
}

void CalendarWindow::hideEvent(QHideEvent *event)
{
    ProgramWindow::hideEvent(event);
    if (!event->spontaneous())
        emit finished();
}

void CalendarWindow::closeEvent(QCloseEvent *event)
{
    // The close box closes the calendar only, and not before moves not saved were saved or given up.
    if (event->spontaneous() && isVisible() && !closeAsked()) {
        event->ignore();
        return;
    }
    ProgramWindow::closeEvent(event);
    emit slipsChanged(); // a save on closing read the slips afresh
}

void CalendarWindow::leave()
{
    if (closeAsked())
        closeByProgram();
}

bool CalendarWindow::closeAsked()
{
    return putThrough(m_messages, [this](const Answers &answers) { return m_model->confirmClose(answers); }).isDone();
}

void CalendarWindow::rebuild()
{
    m_filling = true;
    const bool week = m_week->isChecked();
    m_technicianBox->setCurrentIndex(int(m_technicians.indexOf(m_technician)));
    m_dateBox->setDate(m_date);
    m_filling = false;
    if (week)
        m_model->showWeek(m_technician, m_date);
    else
        m_model->showDay(m_date, m_technicians);
    m_view->modelChanged();
    // The day shown, or the first day of the week, under the cursor.
    for (int c = 0; c < m_model->columnCount(); ++c) {
        if (m_model->columnDate(c) == m_date && week) {
            m_view->ensureColumnVisible(c);
            break;
        }
    }
    m_unplacedCaption->setText(
        week ? QStringLiteral("%1's slips without a date, a time, or on a day off:").arg(m_technician)
             : QStringLiteral("Slips of %1 without a technician or a time:").arg(Formats::shortDate(m_date)));
    m_unplaced->clear();
    for (int row : m_model->unplaced()) {
        auto *item = new QListWidgetItem(m_model->describe(row), m_unplaced);
        item->setData(Qt::UserRole, QByteArray::number(row));
    }
    m_place->setEnabled(false);
    if (!m_moveToDate->date().isValid() || m_moveToDate->date() < m_clock.today())
        m_moveToDate->setDate(m_clock.today());
    showDetails(m_view->selectedRow());
    showStatus();
}

void CalendarWindow::showStatus()
{
    const std::size_t count = m_model->blocks().size();
    const QString slips = count == 1 ? QStringLiteral("1 slip") : QStringLiteral("%1 slips").arg(count);
    QStringList parts;
    parts << (m_model->view() == Model::View::Week ? slips + QStringLiteral(" in the week")
                                                   : slips + QStringLiteral(" on ") + Formats::shortDate(m_date));
    if (m_model->clashCount() > 0)
        parts << QStringLiteral("<b style='color:#dc0000'>%1 slips CLASH</b>").arg(m_model->clashCount());
    const int moves = m_model->movesNotSaved();
    const bool byTheBoard = m_model->saving() == Model::Saving::ByTheBoard;
    if (moves > 0) {
        const QString count = moves == 1 ? QStringLiteral("1 move") : QStringLiteral("%1 moves").arg(moves);
        parts << count + (byTheBoard ? QStringLiteral(" on the board, kept by its Save Changes/Exit")
                                     : QStringLiteral(" not saved"));
    }
    m_status->setText(parts.join(QStringLiteral(" &middot; ")));
    m_nextClash->setEnabled(m_model->clashCount() > 0);
    m_undo->setEnabled(m_model->canUndo());
    // On the board's slips the board's own save decides, with everything else changed there.
    m_save->setVisible(!byTheBoard);
    m_save->setEnabled(!byTheBoard && m_board->hasUnsavedChanges());
}

void CalendarWindow::showDetails(int row)
{
    if (row < 1 || row > m_board->count()) {
        m_details->setText(QStringLiteral("Click a slip, or move the cursor onto one with the arrow keys."));
        return;
    }
    const Record &s = m_board->slip(row);
    using namespace SlipField;
    QStringList lines;
    lines << QStringLiteral("<b>Slip %1</b> - %2").arg(m_board->cell(row, 1), s.text(Status).toHtmlEscaped());
    if (!m_board->row(row).fromPhone.isEmpty())
        lines << QStringLiteral("<i>%1</i>").arg(m_board->row(row).fromPhone.toHtmlEscaped());
    lines << s.text(SiteName).toHtmlEscaped();
    lines << (s.text(SiteAddress1) + QLatin1Char(' ') + s.text(SiteCity)).toHtmlEscaped();
    lines << QStringLiteral("%1, priority %2").arg(m_board->cell(row, 7), s.text(Priority)).toHtmlEscaped();
    lines << m_board->cell(row, 3).toHtmlEscaped();
    lines << s.text(ServiceRequired).toHtmlEscaped().replace(QStringLiteral("\r\n"), QStringLiteral("<br>"));
    if (const Calendar::Model::Block *block = m_model->blockOfRow(row); block && !block->origin.isEmpty())
        lines << CalendarView::kAgreementMark + QLatin1Char(' ') + block->origin.toHtmlEscaped();
    m_details->setText(lines.join(QStringLiteral("<br>")));
}

void CalendarWindow::moveSlip(int row, int column, int hourRow)
{
    if (!putThrough(m_messages, [&](const Answers &answers) {
             return m_model->move(row, column, hourRow, answers);
         }).isDone())
        return;
    m_view->modelChanged();
    m_view->select(row);
    rebuild();
    emit slipsChanged();
}

void CalendarWindow::placeUnplaced()
{
    const int index = m_unplaced->currentRow();
    if (index < 0 || index >= int(m_model->unplaced().size()))
        return;
    const Model::Cell cell = m_view->cursor();
    moveSlip(m_model->unplaced()[std::size_t(index)], cell.column, cell.hourRow);
}

void CalendarWindow::step(int direction)
{
    if (m_week->isChecked()) {
        m_date = m_date.addDays(7 * direction);
    } else {
        // The next or the last day the business works.
        QDate day = m_date.addDays(direction);
        for (int i = 0; i < 7 && !Calendar::isWorkday(m_settings.workWeek, day); ++i)
            day = day.addDays(direction);
        m_date = day;
    }
    rebuild();
}

void CalendarWindow::dateChosen()
{
    m_date = m_dateBox->date();
    rebuild();
}

void CalendarWindow::undo()
{
    if (m_model->undo()) {
        m_view->modelChanged();
        rebuild();
        emit slipsChanged();
    }
}

void CalendarWindow::save()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const Verdict verdict = m_model->save();
    QApplication::restoreOverrideCursor();
    const bool saved = shown(m_messages, verdict).isDone();
    if (saved) {
        m_view->modelChanged();
        rebuild();
        emit slipsChanged();
    }
}
