#pragma once

#include "core/gridformat.h"

#include <QColor>
#include <QList>
#include <QPoint>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <vector>

class QAbstractItemModel;
class QTableView;
class FlexGridModel;
class FlexGridView;

// The data grid of every screen. Rows are counted the way the screens count them: row 0 is the fixed heading
// row, data rows are 1 to rows() - 1. Columns are counted from 0. The cells hold plain texts and colours in one
// model that hands the view only the rows it shows, so a grid of tens of thousands of rows costs no widget and no
// item per cell.
//
// Reading or writing outside the grid does nothing: a read gives an empty text or an invalid colour.
class FlexGrid : public QWidget
{
    Q_OBJECT
public:
    // The selection mark of a ticked cell: a blank and the left-pointing double angle quotation mark.
    static const QString kTickMark;

    enum class SortKey {
        Text,              // ignoring letter case
        TextCaseSensitive, // by character codes
        Numeric,           // numbers and currency texts ("1,234.50", "$3.00", "($3.00)"); other texts first
        Date,              // a short date at the start of the text ("3/7/2026 8:00 AM"); other texts first
    };
    // A caller's own order: true when the first text belongs before the second.
    using Less = std::function<bool(const QString &, const QString &)>;

    explicit FlexGrid(const QString &objectName, QWidget *parent = nullptr);
    ~FlexGrid() override;

    // --- Columns -------------------------------------------------------------------------------------------
    // Headings, alignment and relative widths from a format text ("^SEL|^Slip No |<Customer  "). The
    // column count follows the text; the data rows keep their texts in the columns that remain.
    void setFormat(const QString &formatText);
    int cols() const;
    void setCols(int count); // new columns: empty heading, default alignment and width
    GridAlignment columnAlignment(int col) const;
    void setColumnAlignment(int col, GridAlignment alignment);
    // Columns share the grid's width in proportion to their weights (from the format text: heading length);
    // a weight of 0 hides the column.
    int columnWeight(int col) const;
    void setColumnWeight(int col, int weight);
    int columnWidth(int col) const; // in pixels, as laid out now

    // --- Rows and texts ------------------------------------------------------------------------------------
    int rows() const;        // heading row included, so at least 1
    void setRows(int count); // new rows are blank with default colours; below 1 counts as 1
    void appendRow(const QStringList &texts = {});
    void removeRow(int row); // a data row; the rows below move up
    void clear();            // every data row removed; headings and columns stay
    void clearTexts();       // every data cell blanked; rows and colours stay

    // Row 0 is the heading as written (blanks kept); the heading shows it trimmed.
    QString text(int row, int col) const;
    void setText(int row, int col, const QString &text);
    QStringList rowTexts(int row) const;
    // Texts into one row from column firstCol on; texts beyond the last column are dropped.
    void setRowTexts(int row, const QStringList &texts, int firstCol = 0);
    // Every data row at once (rows() becomes dataRows.size() + 1), all with default colours.
    void setAll(const QList<QStringList> &dataRows);
    // The same without a list per row: textOf(row, column) gives each cell's text, rows counted from 0.
    void setAll(qsizetype rowCount, const std::function<QString(qsizetype row, int column)> &textOf);
    // The same, with the texts taken only when the grid needs them (a row shown, read or written): the grid keeps
    // textOf until the next fill, so it must hold what it reads (by value or a shared pointer). A hundred thousand
    // rows then cost the grid a few words each.
    void setSource(qsizetype rowCount, std::function<QString(qsizetype row, int column)> textOf);

    // While redraw is off, cell changes are collected and shown in one go when it is turned on again.
    void setRedraw(bool on);
    bool redraw() const;

    // --- Colours (an invalid colour is the grid's default) --------------------------------------------------
    QColor cellBackground(int row, int col) const;
    void setCellBackground(int row, int col, const QColor &colour);
    QColor cellTextColour(int row, int col) const;
    void setCellTextColour(int row, int col, const QColor &colour);
    void fillBackground(const QColor &colour); // every data cell
    void fillTextColour(const QColor &colour); // every data cell

    // --- Tick marks ----------------------------------------------------------------------------------------
    bool isTicked(int row, int col) const; // the cell holds exactly kTickMark
    void setTicked(int row, int col, bool ticked);
    QList<int> tickedRows(int col) const;
    // The column whose cells a click ticks: Space or Enter on a row then clicks the row's cell in it, so that
    // rows are ticked from the keyboard. -1 (the default): none, and Enter on a row double-clicks it instead.
    void setTickColumn(int col) { m_tickColumn = col; }
    int tickColumn() const { return m_tickColumn; }

    // --- Sorting: the data rows are reordered with their colours; equal keys keep their order ---------------
    void sortRows(int col, Qt::SortOrder order, SortKey key = SortKey::Text);
    void sortRows(int col, Qt::SortOrder order, const Less &less);

    // --- Position ------------------------------------------------------------------------------------------
    int currentRow() const; // 0 while no data row is current
    int currentColumn() const;
    void setCurrentRow(int row);
    void setCurrentColumn(int col);
    void setCurrentCell(int row, int col);
    int firstVisibleRow() const;
    void setFirstVisibleRow(int row); // as far as the rows below can fill the grid
    int rowHeight(int row) const;     // row 0: the heading
    void setRowHeight(int row, int height);
    void setDefaultRowHeight(int height); // every data row, present and future

    // One wheel step per notch (see core/gridwheel.h); negative notches turn toward the user.
    void scrollByNotches(int notches);

    QTableView *view() const;
    QAbstractItemModel *model() const;

signals:
    void cellClicked(int row, int col); // row 0 for a click on a heading
    void cellDoubleClicked(int row, int col);
    void cellRightClicked(int row, int col, const QPoint &globalPos);
    void keyPressed(int key, Qt::KeyboardModifiers modifiers, const QString &text);
    void currentCellChanged(int row, int col);
    void focusLeft(); // the keyboard focus went to another control of the window

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class FlexGridView;
    bool isDataCell(int row, int col) const;
    void fitColumns();
    void fitColumnsLater();
    int contentWidth(int col) const; // the width a column needs for its heading and its texts
    void refreshScrollRange() const;

    FlexGridModel *m_model;
    FlexGridView *m_view;
    bool m_fitPending = false;
    std::vector<int> m_contentWidths; // by column; empty when the texts changed since they were measured
    int m_tickColumn = -1;
};
