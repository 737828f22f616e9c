#pragma once

#include <QList>
#include <QString>

// The format text that lays out a grid's heading row: columns separated by "|"; a leading "^" centres a column,
// "<" aligns it left and ">" right; the rest is the heading, whose length (blanks included) is the column's
// relative width.
enum class GridAlignment { Default, Left, Centre, Right };

struct GridColumnFormat
{
    QString heading; // as written, blanks kept, without the alignment mark
    GridAlignment alignment = GridAlignment::Default;
    int relativeWidth = 0; // characters of the heading, blanks included

    bool operator==(const GridColumnFormat &) const = default;
};

namespace GridFormat {

// One entry per column; an empty format text has no columns.
QList<GridColumnFormat> parse(const QString &formatText);

} // namespace GridFormat
