#include "gui/widgets/flexgrid.h"

#include "core/formats.h"
#include "core/gridwheel.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QBrush>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <numeric>
#include <optional>
#include <vector>

const QString FlexGrid::kTickMark = QStringLiteral(" ") + QChar(0x00AB);

namespace {

constexpr int kDefaultColumnWeight = 10;
constexpr int kWheelNotch = 120;   // angle delta of one notch, in eighths of a degree
constexpr int kCellPadding = 4;    // room beside a cell's text: the delegate's margin and a little air
constexpr int kHeadingPadding = 8; // the heading's own frame and margins

Qt::Alignment qtAlignment(GridAlignment alignment)
{
    switch (alignment) {
    case GridAlignment::Centre:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    case GridAlignment::Right:
        return Qt::AlignRight | Qt::AlignVCenter;
    case GridAlignment::Left:
    case GridAlignment::Default:
        break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

// A colour as stored in a cell or a row: 0 stands for "as the row has it" in a cell and for the grid's default in
// a row; kNoColour (fully transparent, never a colour a QColor gives with rgb()) for the grid's default set on the
// cell itself.
constexpr QRgb kNoColour = 1;

QRgb packColour(const QColor &colour)
{
    return colour.isValid() ? colour.rgb() : kNoColour;
}
QColor unpackColour(QRgb rgb)
{
    return rgb == 0 || rgb == kNoColour ? QColor() : QColor::fromRgb(rgb);
}
// A cell's own colour if it has one, else its row's.
QRgb effectiveColour(QRgb cell, QRgb row)
{
    return cell == 0 ? row : cell;
}

} // namespace

// The cells of a grid. Model row i is grid row i + 1; the heading row lives in the column list.
//
// The rows of a fill are not copied into cells: each row keeps its number in the fill's source, and the view asks
// the source for the texts of the rows it paints. A row gets cells of its own only when one of them is written to.
// Colours filled over the whole grid are kept per row.
class FlexGridModel final : public QAbstractTableModel
{
public:
    struct Cell
    {
        QString text;
        QRgb background = 0;
        QRgb foreground = 0;
    };
    struct Column
    {
        QString heading;
        GridAlignment alignment = GridAlignment::Default;
        int weight = kDefaultColumnWeight;
    };
    struct Row
    {
        qsizetype source = -1; // the row of the fill's source, -1 for a row without texts of its own source
        QRgb background = 0;
        QRgb foreground = 0;
        std::vector<Cell> cells; // empty while the texts come from the source
    };
    using Source = std::function<QString(qsizetype row, int column)>;

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : int(m_rows.size()); }
    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_columns.size());
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid())
            return {};
        switch (role) {
        case Qt::DisplayRole:
            return textAt(index.row(), index.column());
        case Qt::TextAlignmentRole:
            return int(qtAlignment(m_columns[size_t(index.column())].alignment));
        case Qt::BackgroundRole: {
            const QColor colour = unpackColour(backgroundAt(index.row(), index.column()));
            return colour.isValid() ? QVariant(QBrush(colour)) : QVariant();
        }
        case Qt::ForegroundRole: {
            const QColor colour = unpackColour(foregroundAt(index.row(), index.column()));
            return colour.isValid() ? QVariant(QBrush(colour)) : QVariant();
        }
        default:
            return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Vertical)
            return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
        if (section < 0 || section >= columnCount())
            return {};
        if (role == Qt::DisplayRole)
            return m_columns[size_t(section)].heading.trimmed();
        if (role == Qt::TextAlignmentRole)
            return int(qtAlignment(m_columns[size_t(section)].alignment));
        return {};
    }

    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }

    // --- Structure ---

    void setColumns(std::vector<Column> columns)
    {
        beginResetModel();
        m_columns = std::move(columns);
        for (Row &row : m_rows)
            if (!row.cells.empty())
                row.cells.resize(m_columns.size());
        endResetModel();
    }

    void setRowCount(int count)
    {
        const int now = rowCount();
        if (count > now) {
            beginInsertRows({}, now, count - 1);
            m_rows.resize(size_t(count));
            endInsertRows();
        } else if (count < now) {
            beginRemoveRows({}, count, now - 1);
            m_rows.resize(size_t(count));
            endRemoveRows();
        }
    }

    void removeDataRow(int row)
    {
        beginRemoveRows({}, row, row);
        m_rows.erase(m_rows.begin() + row);
        endRemoveRows();
    }

    // Every row anew from the source, which the model keeps and asks for the texts it needs.
    void replaceAll(qsizetype rowCount, Source source)
    {
        beginResetModel();
        m_source = std::move(source);
        m_rows.assign(size_t(rowCount), Row());
        for (size_t r = 0; r < m_rows.size(); ++r)
            m_rows[r].source = qsizetype(r);
        endResetModel();
    }

    // Reorders the rows by the given permutation (order[i] = old index of the new row i). Row numbers held
    // elsewhere (the current row) keep their numbers, as the screens expect.
    void permute(const std::vector<size_t> &order)
    {
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        std::vector<Row> sorted;
        sorted.reserve(m_rows.size());
        for (size_t from : order)
            sorted.push_back(std::move(m_rows[from]));
        m_rows = std::move(sorted);
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    }

    // --- Cells ---

    QString textAt(int row, int col) const
    {
        const Row &r = m_rows[size_t(row)];
        if (!r.cells.empty())
            return r.cells[size_t(col)].text;
        return r.source >= 0 && m_source ? m_source(r.source, col) : QString();
    }
    QRgb backgroundAt(int row, int col) const
    {
        const Row &r = m_rows[size_t(row)];
        return effectiveColour(r.cells.empty() ? 0 : r.cells[size_t(col)].background, r.background);
    }
    QRgb foregroundAt(int row, int col) const
    {
        const Row &r = m_rows[size_t(row)];
        return effectiveColour(r.cells.empty() ? 0 : r.cells[size_t(col)].foreground, r.foreground);
    }
    // A cell to write to: its row gets cells of its own first.
    Cell &cell(int row, int col)
    {
        Row &r = m_rows[size_t(row)];
        if (r.cells.empty()) {
            r.cells.resize(m_columns.size());
            if (r.source >= 0 && m_source)
                for (size_t c = 0; c < r.cells.size(); ++c)
                    r.cells[c].text = m_source(r.source, int(c));
        }
        return r.cells[size_t(col)];
    }
    Column &column(int col) { return m_columns[size_t(col)]; }
    const Column &column(int col) const { return m_columns[size_t(col)]; }
    std::vector<Row> &allRows() { return m_rows; }

    // Tells the views that cells changed, or only remembers it while redraw is off.
    void cellsChanged(int firstRow, int firstCol, int lastRow, int lastCol)
    {
        if (lastRow < firstRow || lastCol < firstCol)
            return;
        if (!m_redraw) {
            m_pending = true;
            return;
        }
        emit dataChanged(index(firstRow, firstCol), index(lastRow, lastCol));
    }
    void everythingChanged() { cellsChanged(0, 0, rowCount() - 1, columnCount() - 1); }

    void headingsChanged(int first, int last)
    {
        if (!m_redraw) {
            m_pending = true;
            return;
        }
        emit headerDataChanged(Qt::Horizontal, first, last);
    }

    void setRedraw(bool on)
    {
        m_redraw = on;
        if (on && m_pending) {
            m_pending = false;
            everythingChanged();
            if (columnCount() > 0)
                emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
        }
    }
    bool redraw() const { return m_redraw; }

private:
    std::vector<Column> m_columns;
    std::vector<Row> m_rows;
    Source m_source;
    bool m_redraw = true;
    bool m_pending = false;
};

// Paints a cell straight from the model: its background, then its text on one line cut with an ellipsis where it
// is too long (a text with a line break on its lines), in the row's selection colours when selected. The usual
// delegate lays out every cell's text anew at each paint, which is what a large grid pays for on every scroll.
class FlexGridDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const auto *model = static_cast<const FlexGridModel *>(index.model());
        const int row = index.row();
        const int col = index.column();
        const QPalette::ColorGroup group = !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
                                           : (option.state & QStyle::State_Active) ? QPalette::Normal
                                                                                   : QPalette::Inactive;
        const bool selected = option.state & QStyle::State_Selected;
        const QColor background = unpackColour(model->backgroundAt(row, col));
        if (selected)
            painter->fillRect(option.rect, option.palette.brush(group, QPalette::Highlight));
        else if (background.isValid())
            painter->fillRect(option.rect, background);
        const QString text = model->textAt(row, col);
        if (text.isEmpty())
            return;
        const QColor foreground = unpackColour(model->foregroundAt(row, col));
        painter->setPen(selected               ? option.palette.color(group, QPalette::HighlightedText)
                        : foreground.isValid() ? foreground
                                               : option.palette.color(group, QPalette::Text));
        const QWidget *widget = option.widget;
        const QStyle *style = widget ? widget->style() : QApplication::style();
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
        const QRect area = option.rect.adjusted(margin, 0, -margin, 0);
        const Qt::Alignment alignment = qtAlignment(model->column(col).alignment);
        if (text.contains(QLatin1Char('\n'))) {
            painter->drawText(area, int(alignment), text);
            return;
        }
        painter->drawText(area, int(alignment | Qt::TextSingleLine),
                          option.fontMetrics.elidedText(text, Qt::ElideRight, area.width()));
    }
};

// The table view inside a grid: it hands wheel, key, focus and resize events to the grid's own rules.
class FlexGridView final : public QTableView
{
public:
    explicit FlexGridView(FlexGrid *grid)
        : QTableView(grid)
        , m_grid(grid)
    {}

    void refreshScrollRange() { updateGeometries(); }

protected:
    void wheelEvent(QWheelEvent *event) override
    {
        const int distance = event->angleDelta().y();
        if (distance == 0) {
            QTableView::wheelEvent(event); // sideways: the usual horizontal scrolling
            return;
        }
        // Fine-grained wheels send parts of a notch: they are gathered until a whole notch is reached.
        if ((m_wheelRemainder > 0) != (distance > 0))
            m_wheelRemainder = 0;
        m_wheelRemainder += distance;
        const int notches = m_wheelRemainder / kWheelNotch;
        m_wheelRemainder -= notches * kWheelNotch;
        if (notches != 0)
            m_grid->scrollByNotches(notches);
        event->accept();
    }

    void keyPressEvent(QKeyEvent *event) override
    {
        emit m_grid->keyPressed(event->key(), event->modifiers(), event->text());
        // Space and Enter act on the current row as the mouse does: a click in the tick column, where the grid
        // has one, else a double-click on the current cell.
        const int key = event->key();
        const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
        const int row = m_grid->currentRow();
        if (plain && (enter || key == Qt::Key_Space) && row >= 1) {
            if (m_grid->tickColumn() >= 0) {
                emit m_grid->cellClicked(row, m_grid->tickColumn());
                event->accept();
                return;
            }
            if (enter) {
                emit m_grid->cellDoubleClicked(row, m_grid->currentColumn());
                event->accept();
                return;
            }
        }
        QTableView::keyPressEvent(event);
    }

    void focusOutEvent(QFocusEvent *event) override
    {
        QTableView::focusOutEvent(event);
        // Only a move to another control counts: not a pop-up menu, another window, or the screen hiding.
        const bool toAnotherControl =
            event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason;
        if (toAnotherControl && m_grid->isVisible() && m_grid->isActiveWindow())
            emit m_grid->focusLeft();
    }

    void resizeEvent(QResizeEvent *event) override
    {
        QTableView::resizeEvent(event);
        m_grid->fitColumns();
    }

private:
    FlexGrid *m_grid;
    int m_wheelRemainder = 0;
};

// --- FlexGrid -------------------------------------------------------------------------------------------------

FlexGrid::FlexGrid(const QString &objectName, QWidget *parent)
    : QWidget(parent)
    , m_model(new FlexGridModel(this))
    , m_view(new FlexGridView(this))
{
    setObjectName(objectName);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    setFocusProxy(m_view);

    m_view->setModel(m_model);
    m_view->setItemDelegate(new FlexGridDelegate(m_view));
    m_view->setObjectName(objectName + QStringLiteral("_view"));
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The grid is one stop of the Tab key; the arrow keys, Home, End and Ctrl+Home/End move inside it.
    m_view->setTabKeyNavigation(false);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    m_view->setCornerButtonEnabled(false);
    m_view->verticalHeader()->hide();
    m_view->verticalHeader()->setMinimumSectionSize(1);
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    QHeaderView *heading = m_view->horizontalHeader();
    heading->setSectionResizeMode(QHeaderView::Fixed);
    heading->setMinimumSectionSize(0);
    heading->setHighlightSections(false);
    // Heading clicks reach the screen as clicks on row 0; they select nothing.
    heading->setSectionsClickable(false);
    heading->viewport()->installEventFilter(this);

    connect(m_view, &QAbstractItemView::clicked, this,
            [this](const QModelIndex &index) { emit cellClicked(index.row() + 1, index.column()); });
    connect(m_view, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &index) { emit cellDoubleClicked(index.row() + 1, index.column()); });
    connect(m_view, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        const QModelIndex index = m_view->indexAt(pos);
        if (index.isValid())
            emit cellRightClicked(index.row() + 1, index.column(), m_view->viewport()->mapToGlobal(pos));
    });
    // New texts may need wider columns: measured once the changes of this turn are done.
    connect(m_model, &QAbstractItemModel::modelReset, this, &FlexGrid::fitColumnsLater);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &FlexGrid::fitColumnsLater);
    connect(m_model, &QAbstractItemModel::dataChanged, this, &FlexGrid::fitColumnsLater);
    connect(m_model, &QAbstractItemModel::headerDataChanged, this, &FlexGrid::fitColumnsLater);
    connect(m_view->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex &current) {
        if (current.isValid())
            emit currentCellChanged(current.row() + 1, current.column());
    });
}

FlexGrid::~FlexGrid() = default;

bool FlexGrid::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_view->horizontalHeader()->viewport())
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::Wheel) {
        QCoreApplication::sendEvent(m_view->viewport(), event); // the wheel over the headings scrolls the rows
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::MouseButtonDblClick) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const int col = m_view->horizontalHeader()->logicalIndexAt(mouse->position().toPoint());
        if (mouse->button() == Qt::LeftButton && col >= 0) {
            if (event->type() == QEvent::MouseButtonRelease)
                emit cellClicked(0, col);
            else
                emit cellDoubleClicked(0, col);
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool FlexGrid::isDataCell(int row, int col) const
{
    return row >= 1 && row < rows() && col >= 0 && col < cols();
}

// --- Columns ---

void FlexGrid::setFormat(const QString &formatText)
{
    m_contentWidths.clear();
    std::vector<FlexGridModel::Column> columns;
    for (const GridColumnFormat &format : GridFormat::parse(formatText))
        columns.push_back({format.heading, format.alignment, std::max(format.relativeWidth, 1)});
    m_model->setColumns(std::move(columns));
    fitColumns();
}

int FlexGrid::cols() const
{
    return m_model->columnCount();
}

void FlexGrid::setCols(int count)
{
    m_contentWidths.clear();
    count = std::max(count, 0);
    std::vector<FlexGridModel::Column> columns;
    for (int c = 0; c < count; ++c)
        columns.push_back(c < cols() ? m_model->column(c) : FlexGridModel::Column{});
    m_model->setColumns(std::move(columns));
    fitColumns();
}

GridAlignment FlexGrid::columnAlignment(int col) const
{
    return col >= 0 && col < cols() ? m_model->column(col).alignment : GridAlignment::Default;
}

void FlexGrid::setColumnAlignment(int col, GridAlignment alignment)
{
    if (col < 0 || col >= cols())
        return;
    m_model->column(col).alignment = alignment;
    m_model->cellsChanged(0, col, m_model->rowCount() - 1, col);
    m_model->headingsChanged(col, col);
}

int FlexGrid::columnWeight(int col) const
{
    return col >= 0 && col < cols() ? m_model->column(col).weight : 0;
}

void FlexGrid::setColumnWeight(int col, int weight)
{
    if (col < 0 || col >= cols())
        return;
    m_model->column(col).weight = std::max(weight, 0);
    fitColumns();
}

int FlexGrid::columnWidth(int col) const
{
    return m_view->columnWidth(col);
}

int FlexGrid::contentWidth(int col) const
{
    // The heading and the rows a person sees first (and those shown now) decide; a long text is cut at a
    // reasonable width rather than pushing every other column out of sight.
    const QFontMetrics metrics = m_view->fontMetrics();
    const QFontMetrics headingMetrics = m_view->horizontalHeader()->fontMetrics();
    constexpr int kWidest = 320;
    constexpr int kSampledRows = 100;
    auto widthOf = [&](const QString &text, const QFontMetrics &fm) {
        int widest = 0;
        for (const QString &line : text.split(QLatin1Char('\n')))
            widest = std::max(widest, fm.horizontalAdvance(line));
        return widest;
    };
    int widest = widthOf(m_model->column(col).heading.trimmed(), headingMetrics) + 2 * kHeadingPadding;
    const int rowCount = m_model->rowCount();
    const int firstShown = std::max(0, m_view->verticalScrollBar()->value());
    const int shown = m_view->viewport()->height() / std::max(1, m_view->verticalHeader()->defaultSectionSize()) + 1;
    auto measure = [&](int first, int last) {
        for (int r = std::max(first, 0); r < std::min(last, rowCount) && widest < kWidest; ++r)
            widest = std::max(widest, widthOf(m_model->textAt(r, col), metrics) + 2 * kCellPadding);
    };
    measure(0, kSampledRows);
    if (firstShown + shown > kSampledRows)
        measure(firstShown, firstShown + shown);
    return std::min(widest, kWidest);
}

void FlexGrid::fitColumns()
{
    m_fitPending = false;
    const int count = cols();
    if (count == 0)
        return;
    const int available = m_view->viewport()->width();
    // Each shown column is at least as wide as its content; the width that is left is shared by weight.
    // The texts are measured again only after they changed, not on every resize.
    if (m_contentWidths.size() != size_t(count)) {
        m_contentWidths.assign(size_t(count), 0);
        for (int c = 0; c < count; ++c)
            m_contentWidths[size_t(c)] = contentWidth(c);
    }
    std::vector<int> least(size_t(count), 0);
    std::vector<bool> fixed(size_t(count), false);
    long long sumLeast = 0;
    for (int c = 0; c < count; ++c) {
        fixed[size_t(c)] = m_model->column(c).weight == 0;
        if (!fixed[size_t(c)])
            least[size_t(c)] = m_contentWidths[size_t(c)];
        sumLeast += least[size_t(c)];
    }
    std::vector<int> widths(least);
    if (sumLeast < available) {
        // A column whose share would be narrower than its content keeps its content's width; the others
        // share what remains, until no share is too narrow.
        int room = available;
        for (bool changed = true; changed;) {
            changed = false;
            long long total = 0;
            for (int c = 0; c < count; ++c)
                total += fixed[size_t(c)] ? 0 : m_model->column(c).weight;
            for (int c = 0; c < count && total > 0; ++c) {
                if (!fixed[size_t(c)] && room * m_model->column(c).weight / total < least[size_t(c)]) {
                    fixed[size_t(c)] = true;
                    room -= least[size_t(c)];
                    changed = true;
                }
            }
        }
        long long total = 0;
        for (int c = 0; c < count; ++c)
            total += fixed[size_t(c)] ? 0 : m_model->column(c).weight;
        // Each shared column ends where its share ends, so rounding leaves no gap at the right.
        long long running = 0;
        int left = 0;
        for (int c = 0; c < count && total > 0; ++c) {
            if (fixed[size_t(c)])
                continue;
            running += m_model->column(c).weight;
            const int right = int(room * running / total);
            widths[size_t(c)] = right - left;
            left = right;
        }
    }
    // Wider than the grid: the columns keep their content's width and the grid scrolls sideways.
    for (int c = 0; c < count; ++c)
        m_view->setColumnWidth(c, widths[size_t(c)]);
}

void FlexGrid::fitColumnsLater()
{
    m_contentWidths.clear();
    if (m_fitPending)
        return;
    m_fitPending = true;
    QTimer::singleShot(0, this, [this] {
        if (m_fitPending)
            fitColumns();
    });
}

// --- Rows and texts ---

int FlexGrid::rows() const
{
    return m_model->rowCount() + 1;
}

void FlexGrid::setRows(int count)
{
    m_model->setRowCount(std::max(count, 1) - 1);
}

void FlexGrid::appendRow(const QStringList &texts)
{
    m_model->setRowCount(m_model->rowCount() + 1);
    setRowTexts(rows() - 1, texts);
}

void FlexGrid::removeRow(int row)
{
    if (row >= 1 && row < rows())
        m_model->removeDataRow(row - 1);
}

void FlexGrid::clear()
{
    m_model->setRowCount(0);
}

void FlexGrid::clearTexts()
{
    for (auto &row : m_model->allRows()) {
        row.source = -1;
        for (auto &cell : row.cells)
            cell.text.clear();
    }
    m_model->everythingChanged();
}

QString FlexGrid::text(int row, int col) const
{
    if (row == 0 && col >= 0 && col < cols())
        return m_model->column(col).heading;
    return isDataCell(row, col) ? m_model->textAt(row - 1, col) : QString();
}

void FlexGrid::setText(int row, int col, const QString &text)
{
    if (row == 0 && col >= 0 && col < cols()) {
        m_model->column(col).heading = text;
        m_model->headingsChanged(col, col);
        return;
    }
    if (!isDataCell(row, col))
        return;
    if (m_model->textAt(row - 1, col) == text)
        return;
    m_model->cell(row - 1, col).text = text;
    m_model->cellsChanged(row - 1, col, row - 1, col);
}

QStringList FlexGrid::rowTexts(int row) const
{
    QStringList texts;
    for (int c = 0; c < cols(); ++c)
        texts.append(text(row, c));
    return texts;
}

void FlexGrid::setRowTexts(int row, const QStringList &texts, int firstCol)
{
    if (row < 1 || row >= rows() || firstCol < 0)
        return;
    const int lastCol = std::min(cols() - 1, firstCol + int(texts.size()) - 1);
    for (int c = firstCol; c <= lastCol; ++c)
        m_model->cell(row - 1, c).text = texts[c - firstCol];
    m_model->cellsChanged(row - 1, firstCol, row - 1, lastCol);
}

void FlexGrid::setAll(const QList<QStringList> &dataRows)
{
    // The grid keeps a copy of the list (shared, not copied) and takes each row's texts from it when shown.
    m_model->replaceAll(dataRows.size(), [dataRows](qsizetype row, int column) {
        const QStringList &line = dataRows[row];
        return column < line.size() ? line[column] : QString();
    });
}

void FlexGrid::setAll(qsizetype rowCount, const std::function<QString(qsizetype row, int column)> &textOf)
{
    // The texts are taken now: textOf may read what lives only for this call.
    std::vector<QStringList> rows(size_t(std::max<qsizetype>(rowCount, 0)));
    const int columns = cols();
    for (size_t r = 0; r < rows.size(); ++r)
        for (int c = 0; c < columns; ++c)
            rows[r].append(textOf(qsizetype(r), c));
    setSource(rowCount,
              [rows = std::move(rows)](qsizetype row, int column) { return rows[size_t(row)].value(column); });
}

void FlexGrid::setSource(qsizetype rowCount, std::function<QString(qsizetype row, int column)> textOf)
{
    m_model->replaceAll(std::max<qsizetype>(rowCount, 0), std::move(textOf));
}

void FlexGrid::setRedraw(bool on)
{
    // Row heights set meanwhile are not drawn one by one either: each would look for its row's place among all
    // the rows.
    QHeaderView *rowHeadings = m_view->verticalHeader();
    if (on == rowHeadings->updatesEnabled()) {
        m_model->setRedraw(on);
        return;
    }
    rowHeadings->setUpdatesEnabled(on);
    m_model->setRedraw(on);
    if (on)
        m_view->viewport()->update();
}

bool FlexGrid::redraw() const
{
    return m_model->redraw();
}

// --- Colours ---

QColor FlexGrid::cellBackground(int row, int col) const
{
    return isDataCell(row, col) ? unpackColour(m_model->backgroundAt(row - 1, col)) : QColor();
}

void FlexGrid::setCellBackground(int row, int col, const QColor &colour)
{
    if (!isDataCell(row, col))
        return;
    m_model->cell(row - 1, col).background = packColour(colour);
    m_model->cellsChanged(row - 1, col, row - 1, col);
}

QColor FlexGrid::cellTextColour(int row, int col) const
{
    return isDataCell(row, col) ? unpackColour(m_model->foregroundAt(row - 1, col)) : QColor();
}

void FlexGrid::setCellTextColour(int row, int col, const QColor &colour)
{
    if (!isDataCell(row, col))
        return;
    m_model->cell(row - 1, col).foreground = packColour(colour);
    m_model->cellsChanged(row - 1, col, row - 1, col);
}

// A whole-grid colour is kept per row; the cells' own colours give way to it.
void FlexGrid::fillBackground(const QColor &colour)
{
    const QRgb packed = colour.isValid() ? colour.rgb() : 0;
    for (auto &row : m_model->allRows()) {
        row.background = packed;
        for (auto &cell : row.cells)
            cell.background = 0;
    }
    m_model->everythingChanged();
}

void FlexGrid::fillTextColour(const QColor &colour)
{
    const QRgb packed = colour.isValid() ? colour.rgb() : 0;
    for (auto &row : m_model->allRows()) {
        row.foreground = packed;
        for (auto &cell : row.cells)
            cell.foreground = 0;
    }
    m_model->everythingChanged();
}

// --- Tick marks ---

bool FlexGrid::isTicked(int row, int col) const
{
    return isDataCell(row, col) && text(row, col) == kTickMark;
}

void FlexGrid::setTicked(int row, int col, bool ticked)
{
    setText(row, col, ticked ? kTickMark : QString());
}

QList<int> FlexGrid::tickedRows(int col) const
{
    QList<int> ticked;
    for (int r = 1; r < rows(); ++r)
        if (isTicked(r, col))
            ticked.append(r);
    return ticked;
}

// --- Sorting ---

void FlexGrid::sortRows(int col, Qt::SortOrder order, SortKey key)
{
    if (col < 0 || col >= cols())
        return;
    if (key == SortKey::Text || key == SortKey::TextCaseSensitive) {
        const Qt::CaseSensitivity cs = key == SortKey::Text ? Qt::CaseInsensitive : Qt::CaseSensitive;
        sortRows(col, order, [cs](const QString &a, const QString &b) { return a.compare(b, cs) < 0; });
        return;
    }
    // Numbers and dates are read once per row; a text that is neither sorts before every value.
    const int count = m_model->rowCount();
    std::vector<std::optional<qint64>> keys;
    keys.reserve(size_t(count));
    for (int r = 0; r < count; ++r) {
        const QString text = m_model->textAt(r, col);
        if (key == SortKey::Numeric) {
            const auto amount = Formats::parseCurrency(text);
            keys.push_back(amount ? std::optional<qint64>(amount->raw()) : std::nullopt);
        } else {
            const auto date = Formats::parseShortDate(text.trimmed().section(u' ', 0, 0));
            keys.push_back(date ? std::optional<qint64>(date->toJulianDay()) : std::nullopt);
        }
    }
    std::vector<size_t> orderOfRows(keys.size());
    std::iota(orderOfRows.begin(), orderOfRows.end(), size_t(0));
    std::stable_sort(orderOfRows.begin(), orderOfRows.end(), [&](size_t a, size_t b) {
        return order == Qt::AscendingOrder ? keys[a] < keys[b] : keys[b] < keys[a];
    });
    m_model->permute(orderOfRows);
}

void FlexGrid::sortRows(int col, Qt::SortOrder order, const Less &less)
{
    if (col < 0 || col >= cols() || !less)
        return;
    // Each row's text is taken once, not at every comparison.
    const int count = m_model->rowCount();
    std::vector<QString> texts;
    texts.reserve(size_t(count));
    for (int r = 0; r < count; ++r)
        texts.push_back(m_model->textAt(r, col));
    std::vector<size_t> orderOfRows(texts.size());
    std::iota(orderOfRows.begin(), orderOfRows.end(), size_t(0));
    std::stable_sort(orderOfRows.begin(), orderOfRows.end(), [&](size_t a, size_t b) {
        return order == Qt::AscendingOrder ? less(texts[a], texts[b]) : less(texts[b], texts[a]);
    });
    m_model->permute(orderOfRows);
}

// --- Position ---

int FlexGrid::currentRow() const
{
    const QModelIndex current = m_view->currentIndex();
    return current.isValid() ? current.row() + 1 : 0;
}

int FlexGrid::currentColumn() const
{
    const QModelIndex current = m_view->currentIndex();
    return current.isValid() ? current.column() : 0;
}

void FlexGrid::setCurrentRow(int row)
{
    setCurrentCell(row, currentColumn());
}

void FlexGrid::setCurrentColumn(int col)
{
    setCurrentCell(currentRow(), col);
}

void FlexGrid::setCurrentCell(int row, int col)
{
    if (isDataCell(row, col))
        m_view->setCurrentIndex(m_model->index(row - 1, col));
}

void FlexGrid::refreshScrollRange() const
{
    m_view->refreshScrollRange();
}

int FlexGrid::firstVisibleRow() const
{
    return m_view->verticalScrollBar()->value() + 1;
}

void FlexGrid::setFirstVisibleRow(int row)
{
    refreshScrollRange();
    m_view->verticalScrollBar()->setValue(std::max(row, 1) - 1);
}

int FlexGrid::rowHeight(int row) const
{
    if (row == 0) {
        const QHeaderView *heading = m_view->horizontalHeader();
        return heading->isVisible() ? heading->height() : heading->sizeHint().height();
    }
    if (row >= 1 && row < rows())
        return m_view->rowHeight(row - 1);
    return m_view->verticalHeader()->defaultSectionSize();
}

void FlexGrid::setRowHeight(int row, int height)
{
    if (height < 1)
        return;
    if (row == 0)
        m_view->horizontalHeader()->setFixedHeight(height);
    else if (row < rows())
        m_view->setRowHeight(row - 1, height);
}

void FlexGrid::setDefaultRowHeight(int height)
{
    if (height >= 1)
        m_view->verticalHeader()->setDefaultSectionSize(height);
}

void FlexGrid::scrollByNotches(int notches)
{
    int first = firstVisibleRow();
    const bool awayFromUser = notches > 0;
    for (int n = std::abs(notches); n > 0; --n)
        first = GridWheel::nextFirstVisibleRow(first, rows(), height(), rowHeight(1), awayFromUser);
    setFirstVisibleRow(first);
}

QTableView *FlexGrid::view() const
{
    return m_view;
}

QAbstractItemModel *FlexGrid::model() const
{
    return m_model;
}
