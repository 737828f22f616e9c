#include "core/gridformat.h"

#include <QStringList>

namespace GridFormat {

namespace {

GridAlignment alignmentOf(QChar mark)
{
    switch (mark.unicode()) {
    case u'<':
        return GridAlignment::Left;
    case u'^':
        return GridAlignment::Centre;
    case u'>':
        return GridAlignment::Right;
    default:
        return GridAlignment::Default;
    }
}

} // namespace

QList<GridColumnFormat> parse(const QString &formatText)
{
    QList<GridColumnFormat> columns;
    if (formatText.isEmpty())
        return columns;
    const QStringList parts = formatText.split(u'|');
    columns.reserve(parts.size());
    for (const QString &part : parts) {
        GridColumnFormat column;
        column.alignment = part.isEmpty() ? GridAlignment::Default : alignmentOf(part.front());
        column.heading = column.alignment == GridAlignment::Default ? part : part.mid(1);
        column.relativeWidth = int(column.heading.size());
        columns.append(column);
    }
    return columns;
}

} // namespace GridFormat
