#pragma once

#include "printing/printsurface.h"

#include <QStringList>
#include <vector>

// The tables of the money documents (reports of invoices, amounts and dates). A date or an amount is never cut:
// the columns keep their places while everything fits; otherwise the dates and amounts print a little smaller,
// and only when that is not enough do the columns move left, taking the room from the texts that may be cut.
// A text that is cut ends in "...". Two texts of one line always stand at least kColumnGap apart.

inline constexpr double kColumnGap = 72; // twips, 1/20 inch: a little more than a blank at 10 points

// A column: where its texts start, or for a right-aligned column where they end.
struct TableColumn
{
    double x = 0;       // twips
    bool right = false; // right-aligned (amounts)
    bool whole = false; // never cut (dates, amounts, numbers)
    double least = 720; // for a text that may be cut: the room it keeps when columns move (twips)
    double heading = 0; // a right-aligned column's heading starting here instead of ending at x (0: at x)
};

// One line of a table: its texts by column, in the font it prints in.
struct TableLine
{
    QStringList texts;
    bool bold = false;
    bool isHeading = false;
};

class MoneyTable
{
public:
    // Places the columns for every line the document will print (headings, rows and totals, in the line size
    // given), between left and right (twips).
    MoneyTable(PrintSurface &surface, std::vector<TableColumn> columns, const std::vector<TableLine> &lines,
               double size, double left, double right);

    // Prints the line at the current Y and ends it; the font is the line's and stays so.
    void printLine(PrintSurface &surface, const TableLine &line) const;

    // The size column c prints its texts in (the line size unless its dates or amounts had to shrink), and
    // whether columns moved.
    double sizeOf(std::size_t c) const { return m_columns[c].whole ? m_size * m_scale[c] : m_size; }
    bool moved() const { return m_moved; }
    // Where column c was placed: its start, or for a right-aligned column its end (twips).
    double placedX(std::size_t c) const { return m_x[c]; }

private:
    // Places every column from the right; the first column that did not fit where it stands (or, moving, that
    // passed the left edge), or -1.
    int place(PrintSurface &surface, const std::vector<TableLine> &lines, bool move, bool leastIsMark);
    double widthOf(PrintSurface &surface, const TableLine &line, std::size_t c) const;

    std::vector<TableColumn> m_columns;
    std::vector<double> m_x;
    std::vector<double> m_inkLeft; // the widest text's left edge of each column, over every line
    std::vector<double> m_scale;   // of the line size, for each column's dates and amounts
    double m_size = 10;
    double m_left = 0;
    double m_right = 0;
    bool m_moved = false;
};

// The text cut to maxWidth in the current font, ending in "..." when it was cut; whole when it fits.
QString fitMarked(const PrintSurface &surface, const QString &text, double maxWidth);
// "Signed by <name> <date> <time>" cut to maxWidth as fitMarked cuts it, but in the name: the date and the time
// stay whole.
QString fitSignedLine(const PrintSurface &surface, const QString &text, double maxWidth);

// A label at x and its amount right-aligned to `right` on the current line, then the line ends. The amount is
// never cut: the label makes room, and the amount shrinks only when the label's start leaves it too little.
void printLabelAndAmount(PrintSurface &surface, double x, double right, const QString &label, const QString &amount);
