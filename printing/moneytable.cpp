#include "printing/moneytable.h"

#include <algorithm>
#include <array>
#include <limits>

namespace {

const QString kMark = QStringLiteral("...");

// A smaller text stands on the line's baseline, near enough: its top moves down by most of the difference.
constexpr double kBaselineShare = 0.78;

// The width of a text in a font, leaving the surface's font as it was.
double measure(PrintSurface &surface, const PrintFont &font, const QString &text)
{
    const PrintFont before = surface.font();
    surface.setFont(font);
    const double width = surface.textWidth(text);
    surface.setFont(before);
    return width;
}

} // namespace

QString fitSignedLine(const PrintSurface &surface, const QString &text, double maxWidth)
{
    const qsizetype time = text.lastIndexOf(QLatin1Char(' '));
    const qsizetype date = time > 0 ? text.lastIndexOf(QLatin1Char(' '), time - 1) : -1;
    if (surface.textWidth(text) <= maxWidth || date <= 0)
        return fitMarked(surface, text, maxWidth);
    const QString when = text.mid(date);
    return fitMarked(surface, text.left(date), maxWidth - surface.textWidth(when)) + when;
}

QString fitMarked(const PrintSurface &surface, const QString &text, double maxWidth)
{
    if (surface.textWidth(text) <= maxWidth)
        return text;
    if (surface.textWidth(kMark) > maxWidth)
        return {};
    int low = 0;
    int high = int(text.size());
    while (low < high) {
        const int mid = (low + high + 1) / 2;
        if (surface.textWidth(text.left(mid).trimmed() + kMark) <= maxWidth)
            low = mid;
        else
            high = mid - 1;
    }
    return text.left(low).trimmed() + kMark;
}

MoneyTable::MoneyTable(PrintSurface &surface, std::vector<TableColumn> columns, const std::vector<TableLine> &lines,
                       double size, double left, double right)
    : m_columns(std::move(columns))
    , m_x(m_columns.size())
    , m_inkLeft(m_columns.size())
    , m_scale(m_columns.size(), 1.0)
    , m_size(size)
    , m_left(left)
    , m_right(right)
{
    // The places are tried many times: with the lines that hold the widest texts of each column alone (widths
    // grow with the size alike), and every heading.
    // A long report has too many texts to measure each: a text's width is first judged from its letters' widths
    // (kerning aside), and only the texts that could be among the widest are measured.
    constexpr std::size_t kWidest = 4;
    std::vector<TableLine> widest;
    for (const TableLine &line : lines) {
        if (line.isHeading)
            widest.push_back(line);
    }
    for (std::size_t c = 0; c < m_columns.size(); ++c) {
        std::array<std::array<double, 256>, 2> letters{}; // regular, bold; Latin-1 letters measured as met
        for (auto &table : letters)
            table.fill(-1);
        const auto judged = [&](const TableLine &line) {
            const QString text = line.texts.value(qsizetype(c));
            double width = 0;
            for (const QChar ch : text) {
                if (ch.unicode() > 255)
                    return std::numeric_limits<double>::infinity();
                double &letter = letters[line.bold ? 1 : 0][ch.unicode()];
                if (letter < 0) {
                    PrintFont font = surface.font();
                    font.bold = line.bold;
                    font.size = sizeOf(c);
                    letter = measure(surface, font, QString(ch));
                }
                width += letter;
            }
            return width;
        };
        std::vector<std::pair<double, std::size_t>> candidates; // judged width, line
        candidates.reserve(lines.size());
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (!lines[i].isHeading)
                candidates.push_back({judged(lines[i]), i});
        }
        const auto byWidth = [](const auto &x, const auto &y) { return x.first > y.first; };
        std::sort(candidates.begin(), candidates.end(), byWidth);
        const double least = candidates.size() > kWidest ? candidates[kWidest - 1].first * 0.9 : 0;
        std::vector<std::pair<double, std::size_t>> top; // width, line
        for (const auto &[judgedWidth, i] : candidates) {
            if (top.size() == kWidest && judgedWidth < least)
                break;
            const double w = widthOf(surface, lines[i], c);
            if (top.size() == kWidest && w <= top.back().first)
                continue;
            if (top.size() == kWidest)
                top.pop_back();
            top.insert(std::upper_bound(top.begin(), top.end(), std::make_pair(w, i), byWidth), {w, i});
        }
        for (const auto &[w, i] : top)
            widest.push_back(lines[i]);
    }

    // First where they stand: a date or an amount that does not fit its place prints smaller, in steps of a
    // twentieth down to four fifths, only as much as it needs.
    for (;;) {
        const int conflict = place(surface, widest, false, false);
        if (conflict < 0)
            return;
        // The text of the pair that shrinking makes room for: a left-aligned one's end comes closer, a
        // right-aligned one's start goes further.
        const std::size_t c = std::size_t(conflict);
        std::size_t shrink = m_columns.size();
        if (m_columns[c].whole && !m_columns[c].right)
            shrink = c;
        else if (c + 1 < m_columns.size() && m_columns[c + 1].whole && m_columns[c + 1].right)
            shrink = c + 1;
        if (shrink == m_columns.size() || m_scale[shrink] <= 0.8 + 1e-9)
            break;
        m_scale[shrink] -= 0.05;
    }
    // Then moved left as far as needed, every date and amount alike, smaller only when moving is not enough;
    // at the very last the texts that may be cut keep no more than their mark.
    const auto moves = [&](double lowest, bool leastIsMark) {
        for (int step = 20; step >= int(lowest * 20 + 0.5); --step) {
            std::fill(m_scale.begin(), m_scale.end(), step / 20.0);
            if (place(surface, widest, true, leastIsMark) < 0)
                return true;
        }
        return false;
    };
    if (!moves(0.6, false) && !moves(0.05, true))
        place(surface, widest, true, true); // nothing fits: the smallest, placed as far as it goes
}

double MoneyTable::widthOf(PrintSurface &surface, const TableLine &line, std::size_t c) const
{
    const QString text = line.texts.value(qsizetype(c));
    if (text.isEmpty())
        return 0;
    PrintFont font = surface.font();
    font.bold = line.bold;
    font.size = sizeOf(c);
    return measure(surface, font, text);
}

int MoneyTable::place(PrintSurface &surface, const std::vector<TableLine> &lines, bool move, bool leastIsMark)
{
    PrintFont font = surface.font();
    font.size = m_size;
    const double mark = measure(surface, font, kMark);
    int conflict = -1;
    bool moved = false;
    double edge = m_right + kColumnGap; // the ink of the column to the right begins here
    for (std::size_t c = m_columns.size(); c-- > 0;) {
        const TableColumn &column = m_columns[c];
        double values = 0;  // the widest text of the column, headings with their own start apart
        double heading = 0; // the widest heading that starts at column.heading
        for (const TableLine &line : lines) {
            const double w = widthOf(surface, line, c);
            if (line.isHeading && column.right && column.heading > 0)
                heading = std::max(heading, w);
            else
                values = std::max(values, w);
        }
        double x = column.x;
        double inkLeft = 0;
        bool fits = true;
        if (column.right) {
            // The heading may stand out to the right of the amounts.
            const double out = column.heading > 0 ? std::max(0.0, column.heading + heading - column.x) : 0;
            if (x + out > edge - kColumnGap) {
                fits = false;
                x = edge - kColumnGap - out;
            }
            inkLeft = x - values;
            if (column.heading > 0 && heading > 0)
                inkLeft = std::min(inkLeft, column.heading + (x - column.x));
        } else {
            const double need = column.whole ? values : std::min(values, leastIsMark ? mark : column.least);
            if (x + need > edge - kColumnGap) {
                fits = false;
                x = edge - kColumnGap - need;
            }
            inkLeft = x;
        }
        if (!fits) {
            moved = true;
            if (!move && conflict < 0)
                conflict = int(c);
        }
        if (inkLeft < m_left - 0.5 && conflict < 0)
            conflict = int(c);
        m_x[c] = x;
        m_inkLeft[c] = inkLeft;
        edge = inkLeft;
    }
    m_moved = moved;
    return conflict;
}

void MoneyTable::printLine(PrintSurface &surface, const TableLine &line) const
{
    PrintFont font = surface.font();
    font.size = m_size;
    font.bold = line.bold;
    font.underline = false;
    surface.setFont(font);
    const double y = surface.currentY();
    const double height = surface.textHeight();

    // Where the text of column c starts on this line; an empty one counts as its widest.
    const auto startOf = [&](std::size_t c) {
        const TableColumn &column = m_columns[c];
        const QString text = line.texts.value(qsizetype(c));
        if (text.isEmpty())
            return m_inkLeft[c];
        if (!column.right)
            return m_x[c];
        if (line.isHeading && column.heading > 0)
            return column.heading + (m_x[c] - column.x);
        return m_x[c] - widthOf(surface, line, c);
    };

    for (std::size_t c = 0; c < m_columns.size(); ++c) {
        QString text = line.texts.value(qsizetype(c));
        if (text.isEmpty())
            continue;
        const double x = startOf(c);
        const double size = sizeOf(c);
        surface.SetPrintFont(size, line.bold, false);
        if (!m_columns[c].whole && !(line.isHeading && m_columns[c].right)) {
            const double limit = c + 1 < m_columns.size() ? startOf(c + 1) - kColumnGap : m_right;
            text = fitMarked(surface, text, limit - x);
        }
        surface.setCurrentX(x);
        surface.setCurrentY(y + (height - surface.textHeight()) * kBaselineShare);
        surface.printOnLine(text);
    }
    surface.setFont(font);
    surface.setCurrentY(y);
    surface.endLine();
}

void printLabelAndAmount(PrintSurface &surface, double x, double right, const QString &label, const QString &amount)
{
    const PrintFont font = surface.font();
    const double y = surface.currentY();
    const double height = surface.textHeight();
    // The amount whole, in its size while it fits after the label's start.
    while (surface.textWidth(amount) > right - x && surface.font().size > 1)
        surface.SetPrintFont(surface.font().size - 0.5, font.bold, font.underline);
    const double amountLeft = right - surface.textWidth(amount);
    const PrintFont amountFont = surface.font();
    surface.setFont(font);
    surface.setCurrentX(x);
    surface.printOnLine(fitMarked(surface, label, amountLeft - kColumnGap - x));
    surface.setFont(amountFont);
    surface.setCurrentX(amountLeft);
    surface.setCurrentY(y + (height - surface.textHeight()) * kBaselineShare);
    surface.printOnLine(amount);
    surface.setFont(font);
    surface.setCurrentY(y);
    surface.endLine();
}
