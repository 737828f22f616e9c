#include "dispatch/boardview.h"

#include "dispatch/boardstate.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipcreation.h"
#include "dispatch/slipvalues.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

using namespace SlipField;

const QString BoardView::kAllTechnicians = QStringLiteral("All Technicians");
const QString BoardView::kAllStatuses = QStringLiteral("All Statuses");

namespace {

// Where a value stands in a list of known values; unknown values after them all.
int rank(const QStringList &order, const QString &value)
{
    const qsizetype at = order.indexOf(value);
    return at < 0 ? int(order.size()) : int(at);
}

// The sort key of one row: a number, or a text (ignoring case); `last` rows follow the others in both directions.
struct Key
{
    bool last = false;
    double number = 0;
    QString text;
};

// A time slot in the day's order: by its first hour, a single hour before a range that starts with it; "None"
// and unknown texts after every slot.
int slotRank(const QString &slot)
{
    const auto hours = slotHours(slot);
    return hours ? hours->start * 100 + (hours->end - hours->start) : 9999;
}

Key keyOf(const BoardState &board, int r, int column)
{
    static const QStringList urgency = {QStringLiteral("Emergency"), QStringLiteral("High"), QStringLiteral("Normal"),
                                        QStringLiteral("Low")};
    const BoardState::Row &row = board.row(r);
    Key key;
    switch (column) {
    case 0:
        key.number = row.ticked ? 0 : 1;
        break;
    case 1:
        key.number = row.slip.int16(SlipNo);
        break;
    case 2:
        key.number = rank(urgency, row.cells[2]);
        break;
    case 4:
        key.number = rank(SlipValues::allStatuses(), row.cells[4]);
        break;
    case 6:
        key.number = row.slip.real(DateReceived);
        key.last = !std::isfinite(key.number);
        break;
    case 7:
        key.last = !row.scheduled.isValid();
        key.number = key.last ? 0 : double(row.scheduled.toJulianDay()) * 10000 + slotRank(row.slip.text(SchedTime));
        break;
    default:
        key.text = row.cells.value(column).toCaseFolded();
        break;
    }
    return key;
}

} // namespace

void BoardView::clickHeading(int column)
{
    if (column == sortColumn) {
        descending = !descending;
    } else {
        sortColumn = column;
        descending = false;
    }
}

bool BoardView::filtering() const
{
    return !technician.isEmpty() || !status.isEmpty() || datesOn;
}

void BoardView::clearFilter()
{
    technician.clear();
    status.clear();
    datesOn = false;
}

bool BoardView::accepts(const BoardState &board, int r) const
{
    const BoardState::Row &row = board.row(r);
    if (!technician.isEmpty() && row.cells[3] != technician)
        return false;
    if (!status.isEmpty() && row.cells[4] != status)
        return false;
    if (datesOn) {
        if (!row.scheduled.isValid())
            return false;
        if ((from.isValid() && row.scheduled < from) || (to.isValid() && row.scheduled > to))
            return false;
    }
    return true;
}

std::vector<int> BoardView::arrange(const BoardState &board) const
{
    std::vector<int> rows;
    rows.reserve(std::size_t(board.count()));
    for (int r = 1; r <= board.count(); ++r) {
        if (accepts(board, r))
            rows.push_back(r);
    }
    if (sortColumn < 0 || sortColumn >= BoardState::kColumns)
        return rows;
    std::vector<Key> keys(std::size_t(board.count()) + 1);
    for (int r : rows)
        keys[std::size_t(r)] = keyOf(board, r, sortColumn);
    const bool down = descending;
    std::stable_sort(rows.begin(), rows.end(), [&keys, down](int a, int b) {
        const Key &x = keys[std::size_t(a)];
        const Key &y = keys[std::size_t(b)];
        if (x.last != y.last)
            return y.last;
        const int order = x.number != y.number ? (x.number < y.number ? -1 : 1) : x.text.compare(y.text);
        return down ? order > 0 : order < 0;
    });
    return rows;
}

bool BoardView::matches(const BoardState &board, int r, const QString &text)
{
    const BoardState::Row &row = board.row(r);
    bool number = false;
    const int wanted = text.toInt(&number);
    if (number && row.slip.int16(SlipNo) == wanted)
        return true;
    return row.cells[5].contains(text, Qt::CaseInsensitive) || row.slip.text(Name).contains(text, Qt::CaseInsensitive);
}

int BoardView::findNext(const BoardState &board, const QString &text, int after)
{
    const QString wanted = text.trimmed();
    const int shown = board.shownCount();
    if (wanted.isEmpty() || shown == 0)
        return 0;
    const int start = std::clamp(after, 0, shown);
    for (int i = 1; i <= shown; ++i) {
        const int g = (start + i - 1) % shown + 1;
        if (matches(board, board.boardRow(g), wanted))
            return g;
    }
    return 0;
}

bool BoardView::hiddenMatch(const BoardState &board, const QString &text)
{
    const QString wanted = text.trimmed();
    for (int r = 1; r <= board.count() && !wanted.isEmpty(); ++r) {
        if (board.gridRow(r) == 0 && matches(board, r, wanted))
            return true;
    }
    return false;
}

QByteArray BoardView::toBytes() const
{
    QJsonObject o;
    o[QStringLiteral("sortColumn")] = sortColumn;
    o[QStringLiteral("descending")] = descending;
    o[QStringLiteral("technician")] = technician;
    o[QStringLiteral("status")] = status;
    o[QStringLiteral("datesOn")] = datesOn;
    o[QStringLiteral("from")] = from.toString(Qt::ISODate);
    o[QStringLiteral("to")] = to.toString(Qt::ISODate);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

BoardView BoardView::fromBytes(const QByteArray &bytes)
{
    BoardView view;
    const QJsonObject o = QJsonDocument::fromJson(bytes).object();
    const int column = o.value(QStringLiteral("sortColumn")).toInt(-1);
    view.sortColumn = column >= 0 && column < BoardState::kColumns ? column : -1;
    view.descending = o.value(QStringLiteral("descending")).toBool();
    view.technician = o.value(QStringLiteral("technician")).toString();
    view.status = o.value(QStringLiteral("status")).toString();
    view.from = QDate::fromString(o.value(QStringLiteral("from")).toString(), Qt::ISODate);
    view.to = QDate::fromString(o.value(QStringLiteral("to")).toString(), Qt::ISODate);
    view.datesOn = o.value(QStringLiteral("datesOn")).toBool();
    return view;
}
