#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <vector>

class BoardState;

// How the dispatch board shows its slips: sorted by a grid column, filtered by technician, status and a range of
// scheduled dates, and searched by slip number or customer. It only arranges the board's rows; the ticks, the
// current slip and every action stay with the board state, so a slip keeps its tick through any sort or filter.
class BoardView
{
public:
    static const QString kAllTechnicians; // the filter choices that filter nothing
    static const QString kAllStatuses;

    // Grid column to sort by (0 SEL: ticked first ... 7 scheduled date and time), -1 for the file's order.
    int sortColumn = -1;
    bool descending = false;
    QString technician; // empty: every technician; "Not Assigned" for slips without one
    QString status;     // empty: every status
    bool datesOn = false;
    QDate from; // the scheduled-date range, both ends included, while datesOn; an invalid end is open
    QDate to;

    bool operator==(const BoardView &) const = default;

    // A click on a heading: that column ascending, or the other way round when it is sorted by already.
    void clickHeading(int column);
    bool filtering() const;
    void clearFilter();
    bool accepts(const BoardState &board, int row) const;
    // The board rows that pass the filter, in the sort's order; equal keys keep the file's order. Slips without a
    // scheduled date come after the scheduled ones whichever way the dates are sorted.
    std::vector<int> arrange(const BoardState &board) const;

    // The next shown slip after grid row `after` (wrapping round) whose number is the text, or whose customer
    // (service location or account name) contains it, ignoring case; 0 when none does.
    static int findNext(const BoardState &board, const QString &text, int after);
    // True when a slip hidden by the filter matches the text.
    static bool hiddenMatch(const BoardState &board, const QString &text);

    // The view as the settings store keeps it; unreadable bytes give the plain view.
    QByteArray toBytes() const;
    static BoardView fromBytes(const QByteArray &bytes);

private:
    static bool matches(const BoardState &board, int row, const QString &text);
};
