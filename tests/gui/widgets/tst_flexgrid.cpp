#include "gui/widgets/flexgrid.h"
#include "testsupport.h"

#include <QAbstractItemModel>
#include <QBrush>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QWheelEvent>

namespace {

const char *const kBoardFormat = "^SEL|^Slip No |^           Priority|<   Assigned To                     |"
                                 "^  Status             |<Customer                      |^Date Received|"
                                 "^Scheduled Date/Time      ";

// A shown grid with 20-pixel rows, so that its height says how many rows it holds.
struct ShownGrid
{
    FlexGrid grid{"fgTest"};
    ShownGrid(int rows, int height, const QString &format = "^A|<B      |>C")
    {
        grid.setFormat(format);
        grid.setDefaultRowHeight(20);
        grid.setRows(rows);
        grid.resize(600, height);
        grid.show();
    }
};

void sendWheel(FlexGrid &grid, int angleDelta)
{
    QWidget *viewport = grid.view()->viewport();
    const QPointF pos(viewport->width() / 2.0, viewport->height() / 2.0);
    QWheelEvent event(pos, viewport->mapToGlobal(pos), QPoint(), QPoint(0, angleDelta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &event);
}

void clickCell(FlexGrid &grid, int row, int col)
{
    const QPoint centre = grid.view()->visualRect(grid.model()->index(row - 1, col)).center();
    QTest::mouseClick(grid.view()->viewport(), Qt::LeftButton, {}, centre);
}

} // namespace

class TestFlexGrid : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void formatTextLaysOutTheHeadingRow()
    {
        ShownGrid shown(3, 300, kBoardFormat);
        FlexGrid &grid = shown.grid;
        QCOMPARE(grid.cols(), 8);
        // The heading as written is readable as row 0; it shows trimmed.
        QCOMPARE(grid.text(0, 2), "           Priority");
        QCOMPARE(grid.model()->headerData(2, Qt::Horizontal).toString(), "Priority");
        QCOMPARE(grid.model()->index(0, 1).data(Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask,
                 int(Qt::AlignHCenter));
        // With room, widths follow the headings' lengths and fill the grid; "SEL" keeps its heading's width.
        grid.resize(1200, 300);
        const auto sum = [&grid] {
            int total = 0;
            for (int c = 0; c < grid.cols(); ++c)
                total += grid.columnWidth(c);
            return total;
        };
        QCOMPARE(sum(), grid.view()->viewport()->width());
        QVERIFY(qAbs(grid.columnWidth(3) * grid.columnWeight(5) - grid.columnWidth(5) * grid.columnWeight(3)) <=
                35 * 2);
        QVERIFY(grid.columnWidth(0) >= grid.view()->fontMetrics().horizontalAdvance(QStringLiteral("SEL")));
        // Too narrow: headings and the widest text still read whole, and the grid scrolls instead of squeezing.
        grid.setText(1, 1, QStringLiteral("12/31/2026 10:00 AM"));
        grid.resize(300, 300);
        QTest::qWait(1);
        const QFontMetrics metrics = grid.view()->fontMetrics();
        for (int c = 0; c < grid.cols(); ++c)
            QVERIFY(grid.columnWidth(c) >= metrics.horizontalAdvance(grid.text(0, c).trimmed()));
        QVERIFY(grid.columnWidth(1) >= metrics.horizontalAdvance(grid.text(1, 1)));
        QVERIFY(sum() > grid.view()->viewport()->width());
        QVERIFY(grid.view()->horizontalScrollBar()->maximum() > 0);
    }

    void textsByRowAndColumn()
    {
        FlexGrid grid("fgTexts");
        grid.setFormat("A|B|C");
        grid.setRows(4);
        grid.setText(1, 0, "one");
        grid.setRowTexts(2, {"b2", "c2", "dropped"}, 1);
        QCOMPARE(grid.rowTexts(2), (QStringList{"", "b2", "c2"}));
        QCOMPARE(grid.model()->index(0, 0).data().toString(), "one");
        // Outside the grid: reads are empty, writes change nothing.
        for (auto [row, col] : {std::pair{4, 0}, {1, 3}, {-1, 0}}) {
            grid.setText(row, col, "x");
            QCOMPARE(grid.text(row, col), QString());
        }
        grid.appendRow({"last"});
        grid.removeRow(1);
        grid.removeRow(0); // the heading row cannot go
        QCOMPARE(grid.rows(), 4);
        QCOMPARE(grid.text(1, 1), "b2");
        QCOMPARE(grid.text(3, 0), "last");
        grid.setCols(2); // fewer columns keep the texts of the remaining ones
        QCOMPARE(grid.rowTexts(1), (QStringList{"", "b2"}));
        grid.clearTexts();
        QCOMPARE(grid.rowTexts(1), (QStringList{"", ""}));
        grid.setRows(0);
        QCOMPARE(grid.rows(), 1);
        QCOMPARE(grid.text(0, 1), "B");
    }

    void perCellColoursAndTickMarks()
    {
        FlexGrid grid("fgColours");
        grid.setFormat("^SEL|B");
        grid.setAll({{"", "2"}, {"", "1"}, {"x", "3"}});
        grid.fillTextColour(QColor(0, 0, 128));
        grid.setCellBackground(1, 1, QColor(0, 0, 255));
        grid.setCellTextColour(1, 1, QColor(255, 0, 0));
        const QModelIndex cell = grid.model()->index(0, 1);
        QCOMPARE(cell.data(Qt::BackgroundRole).value<QBrush>().color(), QColor(0, 0, 255));
        QCOMPARE(cell.data(Qt::ForegroundRole).value<QBrush>().color(), QColor(255, 0, 0));
        QCOMPARE(grid.cellTextColour(2, 0), QColor(0, 0, 128));
        QVERIFY(!grid.model()->index(1, 0).data(Qt::BackgroundRole).isValid());
        grid.setTicked(1, 0, true);
        grid.setTicked(2, 0, true);
        QCOMPARE(grid.text(1, 0), QStringLiteral(" \u00AB"));
        QCOMPARE(grid.tickedRows(0), (QList<int>{1, 2})); // row 3 holds text, not the mark
        grid.setTicked(2, 0, false);
        QCOMPARE(grid.tickedRows(0), QList<int>{1});
        // Sorting moves colours and ticks with their rows.
        grid.sortRows(1, Qt::AscendingOrder);
        QCOMPARE(grid.cellBackground(2, 1), QColor(0, 0, 255));
        QVERIFY(!grid.cellBackground(1, 1).isValid());
        QCOMPARE(grid.tickedRows(0), QList<int>{2});
        grid.setCellBackground(2, 1, QColor()); // back to the default
        QVERIFY(!grid.cellBackground(2, 1).isValid());
    }

    void sortsByColumn_data()
    {
        dataColumns<QStringList, int, bool, QStringList>("texts", "key", "descending", "sorted"); // key -1: by length
        const int text = int(FlexGrid::SortKey::Text), number = int(FlexGrid::SortKey::Numeric),
                  date = int(FlexGrid::SortKey::Date);
        dataRow("text ignores case", QStringList{"b", "A", "c"}, text, true, QStringList{"c", "b", "A"});
        dataRow("numbers, not texts", QStringList{"10", "9", "100", "x"}, number, false,
                QStringList{"x", "9", "10", "100"});
        dataRow("currency", QStringList{"$1,200.00", "($5.00)", "$30.50"}, number, true,
                QStringList{"$1,200.00", "$30.50", "($5.00)"});
        dataRow("dates with times", QStringList{"12/1/2025 8:00 AM", "2/3/2026", "", "1/15/2026 9:00 AM"}, date, false,
                QStringList{"", "12/1/2025 8:00 AM", "1/15/2026 9:00 AM", "2/3/2026"});
        dataRow("caller's order, equal keys stay", QStringList{"bb", "a", "cc", "d"}, -1, false,
                QStringList{"a", "d", "bb", "cc"});
    }
    void sortsByColumn()
    {
        auto [texts, key, descending] = fetched<QStringList, int, bool>("texts", "key", "descending");
        FlexGrid grid("fgSort");
        grid.setFormat("Key|Row");
        QList<QStringList> rows;
        for (qsizetype i = 0; i < texts.size(); ++i)
            rows.append({texts[i], QString::number(i)});
        grid.setAll(rows);
        const Qt::SortOrder order = descending ? Qt::DescendingOrder : Qt::AscendingOrder;
        if (key < 0)
            grid.sortRows(0, order, [](const QString &a, const QString &b) { return a.size() < b.size(); });
        else
            grid.sortRows(0, order, FlexGrid::SortKey(key));
        QStringList got;
        for (int r = 1; r < grid.rows(); ++r) {
            got.append(grid.text(r, 0));
            QCOMPARE(grid.text(r, 1), QString::number(texts.indexOf(grid.text(r, 0)))); // whole rows move
        }
        QTEST(got, "sorted");
    }

    void clicksKeysAndCurrentCell()
    {
        ShownGrid shown(6, 300);
        FlexGrid &grid = shown.grid;
        QCOMPARE(grid.currentRow(), 0);
        grid.setCurrentCell(2, 1);
        grid.setCurrentRow(0); // the heading cannot be current
        QCOMPARE(grid.currentRow() * 10 + grid.currentColumn(), 21);
        QSignalSpy clicked(&grid, &FlexGrid::cellClicked);
        QSignalSpy doubleClicked(&grid, &FlexGrid::cellDoubleClicked);
        QSignalSpy current(&grid, &FlexGrid::currentCellChanged);
        grid.setRowHeight(3, 45); // a taller row: the rows below move, clicks still find them
        clickCell(grid, 4, 2);
        QCOMPARE(clicked.at(0), (QVariantList{4, 2}));
        QCOMPARE(current.last(), (QVariantList{4, 2}));
        QCOMPARE(grid.currentRow() * 10 + grid.currentColumn(), 42);
        clickCell(grid, 3, 0);
        const QPoint centre = grid.view()->visualRect(grid.model()->index(2, 0)).center();
        QTest::mouseDClick(grid.view()->viewport(), Qt::LeftButton, {}, centre);
        QCOMPARE(doubleClicked.last(), (QVariantList{3, 0}));
        // A heading click is a click on row 0 and leaves the current row where it was.
        QHeaderView *heading = grid.view()->horizontalHeader();
        QTest::mouseClick(heading->viewport(), Qt::LeftButton, {},
                          QPoint(heading->sectionViewportPosition(1) + 5, heading->height() / 2));
        QCOMPARE(clicked.last(), (QVariantList{0, 1}));
        QCOMPARE(grid.currentRow(), 3);
        QSignalSpy keys(&grid, &FlexGrid::keyPressed);
        QTest::keyClick(grid.view(), Qt::Key_Down);
        QCOMPARE(keys.at(0).at(0).toInt(), int(Qt::Key_Down));
        QCOMPARE(grid.currentRow(), 4);
        // Enter double-clicks; with a tick column, Space and Enter click its cell. Ctrl+End/Home: last/first cell.
        QTest::keyClick(grid.view(), Qt::Key_Return);
        QCOMPARE(doubleClicked.last(), (QVariantList{4, 0}));
        const qsizetype clicks = clicked.size();
        QTest::keyClick(grid.view(), Qt::Key_Space);
        QCOMPARE(clicked.size(), clicks);
        grid.setTickColumn(0);
        QTest::keyClick(grid.view(), Qt::Key_Space);
        QTest::keyClick(grid.view(), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(clicked.mid(clicks), (QList<QVariantList>{{4, 0}, {4, 0}}));
        QCOMPARE(doubleClicked.size(), 2);
        QTest::keyClick(grid.view(), Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(grid.currentRow() * 10 + grid.currentColumn(), (grid.rows() - 1) * 10 + grid.cols() - 1);
        QTest::keyClick(grid.view(), Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(grid.currentRow() * 10 + grid.currentColumn(), 10);
    }

    void realWheelEventsScrollByTheStepRule_data()
    {
        dataColumns<int, int, int, QList<int>, int>("rows", "height", "first", "deltas", "expected");
        // Rows of 20 pixels: a grid 500 high holds 25 rows, one 80 high holds 4.
        dataRow("holds 25: 25 per notch", 200, 500, 1, QList<int>{-120}, 26);
        dataRow("holds 4: 10 per notch", 200, 80, 1, QList<int>{-120}, 11);
        dataRow("away from the user", 200, 500, 60, QList<int>{120}, 35);
        dataRow("away at the top stays at 1", 200, 500, 1, QList<int>{120}, 1);
        dataRow("two notches, then two halves", 200, 80, 1, QList<int>{-240, -60, -60}, 31);
        dataRow("a half notch alone does nothing", 200, 80, 50, QList<int>{60}, 50);
        // The rule allows row 29 of 30 at the top; the grid stops where its last rows fill it.
        dataRow("toward stops at the last page", 30, 200, 15, QList<int>{-120}, -1);
    }
    void realWheelEventsScrollByTheStepRule()
    {
        auto [rows, height, first, deltas, expected] =
            fetched<int, int, int, QList<int>, int>("rows", "height", "first", "deltas", "expected");
        ShownGrid shown(rows, height);
        shown.grid.setFirstVisibleRow(rows);
        const int lastPage = shown.grid.firstVisibleRow();
        shown.grid.setFirstVisibleRow(first);
        QCOMPARE(shown.grid.firstVisibleRow(), first);
        for (int delta : deltas)
            sendWheel(shown.grid, delta);
        QCOMPARE(shown.grid.firstVisibleRow(), expected < 0 ? lastPage : expected);
        QVERIFY(lastPage > first && lastPage < rows - 1);
    }

    void sourceRowsAreReadWhenNeededAndKeepTheirWrites()
    {
        FlexGrid grid("fgSource");
        grid.setFormat("A|B");
        int asked = 0;
        grid.setSource(100000, [&asked](qsizetype row, int column) {
            ++asked;
            return QString("%1/%2").arg(row).arg(column);
        });
        QCOMPARE(asked, 0); // nothing taken at the fill
        QCOMPARE(grid.rows(), 100001);
        QCOMPARE(grid.text(6, 1), "5/1");
        grid.fillTextColour(QColor(0, 0, 128));
        grid.setText(6, 1, "x");
        QCOMPARE(grid.rowTexts(6), (QStringList{"5/0", "x"}));
        grid.setCellTextColour(6, 0, QColor()); // the cell's own default wins over the fill
        QVERIFY(!grid.cellTextColour(6, 0).isValid());
        QCOMPARE(grid.cellTextColour(6, 1), QColor(0, 0, 128));
        grid.appendRow({"new"}); // rows after a fill have default colours
        QVERIFY(!grid.cellTextColour(grid.rows() - 1, 0).isValid());
        grid.sortRows(1, Qt::DescendingOrder);
        QCOMPARE(grid.rowTexts(1), (QStringList{"5/0", "x"}));
        QCOMPARE(grid.cellTextColour(1, 1), QColor(0, 0, 128));
        grid.clearTexts();
        QCOMPARE(grid.rowTexts(2), (QStringList{"", ""}));
        // The copying fill takes its texts at once: what it read may go.
        {
            const QStringList gone{"a", "b"};
            grid.setAll(2, [&gone](qsizetype row, int column) { return gone[row] + QString::number(column); });
        }
        QCOMPARE(grid.rowTexts(2), (QStringList{"b0", "b1"}));
        // Heights set with redraw off hold once it is back on.
        grid.setRedraw(false);
        grid.setRowHeight(2, 41);
        grid.setRedraw(true);
        QCOMPARE(grid.rowHeight(2), 41);
    }

    void fillsTheLargestGridWithPlainData()
    {
        ShownGrid shown(1, 400, kBoardFormat);
        FlexGrid &grid = shown.grid;
        const qsizetype widgetsBefore = grid.findChildren<QWidget *>().size();
        QSignalSpy changed(grid.model(), &QAbstractItemModel::dataChanged);
        QList<QStringList> rows;
        for (int r = 1; r <= 32767; ++r)
            rows.append({"", QString::number(r), "Normal", "", "Open", QString("Customer %1").arg(r), "1/2/2026"});
        grid.setAll(rows);
        QCOMPARE(grid.rows(), 32768);
        QCOMPARE(grid.text(32767, 5), "Customer 32767");
        // Cell by cell with redraw off: one change notice at the end.
        grid.setRedraw(false);
        for (int r = 1; r < grid.rows(); ++r) {
            grid.setText(r, 4, "Assigned");
            grid.setCellTextColour(r, 1, QColor(0, 0, 128));
        }
        QCOMPARE(changed.size(), 0);
        grid.setRedraw(true);
        QCOMPARE(changed.size(), 1);
        grid.sortRows(1, Qt::DescendingOrder, FlexGrid::SortKey::Numeric);
        QCOMPARE(grid.text(1, 1), "32767");
        grid.setFirstVisibleRow(32000);
        QCOMPARE(grid.firstVisibleRow(), 32000);
        QCOMPARE(grid.findChildren<QWidget *>().size(), widgetsBefore);
    }
};

QTEST_MAIN(TestFlexGrid)
#include "tst_flexgrid.moc"
