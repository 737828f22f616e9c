#include "core/gridformat.h"
#include "core/gridwheel.h"
#include "testsupport.h"

#include <QTest>

// The grid rules that need no window: the wheel step and the format text of the heading row.
class TestGridWheel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void stepIsTheRowsThatFitButAtLeastTen_data()
    {
        dataColumns<int, int, int>("controlHeight", "rowHeight", "step");
        dataRow("holds 25 rows", 500, 20, 25);
        dataRow("fraction dropped", 519, 20, 25);
        dataRow("holds 4 rows", 80, 20, 10);
        dataRow("row height 0", 500, 0, 10);
        dataRow("no height yet", 0, 20, 10);
    }
    void stepIsTheRowsThatFitButAtLeastTen()
    {
        auto [controlHeight, rowHeight] = fetched<int, int>("controlHeight", "rowHeight");
        QTEST(GridWheel::stepRows(controlHeight, rowHeight), "step");
    }

    void firstVisibleRowMovesWithinTheDataRows_data()
    {
        dataColumns<int, int, int, bool, int>("first", "rowCount", "controlHeight", "away", "expected");
        // Row height 20 throughout: 500 holds 25 rows, 80 holds 4 (step 10).
        dataRow("toward the user, 25 per notch", 1, 200, 500, false, 26);
        dataRow("small grid scrolls 10", 1, 200, 80, false, 11);
        dataRow("toward stops at the last row", 25, 30, 80, false, 29);
        dataRow("away stops at row 1, not the heading", 5, 30, 80, true, 1);
        dataRow("away at the top stays at 1", 1, 30, 80, true, 1);
        dataRow("heading only", 1, 1, 80, false, 1);
        dataRow("no overflow near the largest int", 2147483640, 2147483647, 80, false, 2147483646);
    }
    void firstVisibleRowMovesWithinTheDataRows()
    {
        auto [first, rowCount, controlHeight, away] =
            fetched<int, int, int, bool>("first", "rowCount", "controlHeight", "away");
        QTEST(GridWheel::nextFirstVisibleRow(first, rowCount, controlHeight, 20, away), "expected");
    }

    void formatTextGivesHeadingsAlignmentAndWidths_data()
    {
        dataColumns<QString, QStringList, QList<int>>("format", "headings", "alignments");
        const int dflt = int(GridAlignment::Default), left = int(GridAlignment::Left),
                  centre = int(GridAlignment::Centre), right = int(GridAlignment::Right);
        dataRow("board", "^SEL|^Slip No |^           Priority|<   Assigned To    ",
                QStringList{"SEL", "Slip No ", "           Priority", "   Assigned To    "},
                QList<int>{centre, centre, centre, left});
        dataRow("no mark and right", "Name      |>Charge|^Time", QStringList{"Name      ", "Charge", "Time"},
                QList<int>{dflt, right, centre});
        dataRow("empty columns", "|^|<A", QStringList{"", "", "A"}, QList<int>{dflt, centre, left});
        dataRow("only the first mark counts", "^^x|<>y", QStringList{"^x", ">y"}, QList<int>{centre, left});
        dataRow("empty text, no columns", QString(), QStringList{}, QList<int>{});
    }
    void formatTextGivesHeadingsAlignmentAndWidths()
    {
        auto [format, headings, alignments] =
            fetched<QString, QStringList, QList<int>>("format", "headings", "alignments");
        const QList<GridColumnFormat> columns = GridFormat::parse(format);
        QCOMPARE(columns.size(), headings.size());
        for (qsizetype c = 0; c < columns.size(); ++c) {
            QCOMPARE(columns[c].heading, headings[c]);
            QCOMPARE(int(columns[c].alignment), alignments[c]);
            QCOMPARE(columns[c].relativeWidth, headings[c].size()); // blanks count, the mark does not
        }
    }
};

QTEST_GUILESS_MAIN(TestGridWheel)
#include "tst_gridwheel.moc"
