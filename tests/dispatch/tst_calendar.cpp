#include "boardsamples.h"
#include "core/formats.h"
#include "core/settings.h"
#include "dispatch/boardstate.h"
#include "dispatch/calendar.h"
#include "platform/fakes/fakeplatform.h"
#include "testsupport.h"

#include <QTest>

// Today is Monday 12/7/2026; the business works Monday thru Friday.
namespace {

using Calendar::Model;
using Kind = Verdict::Kind;

struct Cal
{
    TestRoot root;
    FakePlatform fakes;
    Settings settings;
    DataFolder folder = root.folder();
    BoardState board{folder, fakes.clock, settings};
    Model model{board, settings, fakes.clock};

    explicit Cal(const QStringList &slips)
    {
        fakes.clock.setDate(QDate(2026, 12, 7));
        writeActiveSlips(folder, slips);
        board.load();
        model.showWeek(QStringLiteral("Al"), QDate(2026, 12, 9));
    }
    // The slip of a board row as "date time status assignment".
    QString at(int r) const
    {
        const Record &s = board.slip(r);
        return QStringList{s.text(SlipField::SchedDate), s.text(SlipField::SchedTime), s.text(SlipField::Status),
                           s.text(SlipField::AssignedTo)}
            .join(' ');
    }
    // "slipNo@column:first-last" for every block, clashing ones marked with "!".
    QString blocks() const
    {
        QStringList out;
        for (const Model::Block &b : model.blocks())
            out << QString::asprintf("%d@%d:%d-%d%s", int(b.slipNo), b.column, b.rows.first, b.rows.last,
                                     b.clash ? "!" : "");
        return out.join(' ');
    }
};

} // namespace

class TestCalendar : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void slotsOnTheRows()
    {
        QCOMPARE(Calendar::slotRows("01:00-03:00")->first, 4);
        QCOMPARE(Calendar::slotRows("10:00-12:00")->last, 3);
        QCOMPARE(Calendar::slotRows("05:00")->first, 8);
        QVERIFY(!Calendar::slotRows("None"));
        // A two-hour slip keeps its length: dropped on any of its hours it takes that two-hour slot.
        QCOMPARE(*Calendar::slotAt("08:00-10:00", 5), "01:00-03:00");
        QCOMPARE(*Calendar::slotAt("08:00-10:00", 3), "10:00-12:00");
        QVERIFY(!Calendar::slotAt("03:00-05:00", 8));
        QCOMPARE(*Calendar::slotAt("None", 8), "05:00");
        QCOMPARE(*Calendar::neighbourSlot("10:00-12:00", 1), "01:00-03:00");
        QCOMPARE(*Calendar::neighbourSlot("11:00", 1), "01:00");
        QVERIFY(!Calendar::neighbourSlot("08:00", -1));
    }

    // The working days of the week holding a day: a week that holds Sunday starts on it, else on Monday.
    void workWeeks_data()
    {
        dataColumns<int, QDate, QDate, QDate, int>("week", "day", "first", "last", "days");
        const int sunFri = int(WorkWeek::SundayToFriday), monFri = int(WorkWeek::MondayToFriday);
        dataRow("Saturday, Sunday to Friday", sunFri, QDate(2026, 12, 12), QDate(2026, 12, 6), QDate(2026, 12, 11), 6);
        dataRow("Sunday, Sunday to Friday", sunFri, QDate(2026, 12, 13), QDate(2026, 12, 13), QDate(2026, 12, 18), 6);
        dataRow("Sunday, every day", int(WorkWeek::SundayToSaturday), QDate(2026, 12, 13), QDate(2026, 12, 13),
                QDate(2026, 12, 19), 7);
        dataRow("Sunday, Monday to Friday", monFri, QDate(2026, 12, 13), QDate(2026, 12, 7), QDate(2026, 12, 11), 5);
        dataRow("over the year's end", int(WorkWeek::MondayToSaturday), QDate(2027, 1, 1), QDate(2026, 12, 28),
                QDate(2027, 1, 2), 6);
        dataRow("over a leap day", monFri, QDate(2028, 2, 29), QDate(2028, 2, 28), QDate(2028, 3, 3), 5);
    }
    void workWeeks()
    {
        auto [week, day] = fetched<int, QDate>("week", "day");
        const auto days = Calendar::workWeekDays(WorkWeek(week), day);
        QTEST(days.front(), "first");
        QTEST(days.back(), "last");
        QTEST(int(days.size()), "days");
        // The calendar's week view shows the same days.
        Cal c({});
        c.settings.workWeek = WorkWeek(week);
        c.model.showWeek("Al", day);
        QTEST(c.model.columnDate(0), "first");
        QTEST(c.model.columnCount(), "days");
    }

    void blocksClashesAndFreeHours()
    {
        Cal c({"1|Assigned|Al|12/8/2026|08:00-10:00", "2|Assigned|Al|12/8/2026|09:00", "3|Assigned|Al|12/08/2026|10:00",
               "4|Assigned|Al|12/9/2026|03:00", "5|Assigned|Al|12/9/2026|03:00", "6|Assigned|Al|0|None",
               "7|Assigned|Bo|12/8/2026|08:00", "8|Assigned|Al|12/12/2026|08:00", "9|Open||12/8/2026|11:00",
               "10|Assigned|Al|12/15/2026|08:00", "11|Assigned|Al|12/8/2026|None"});
        QCOMPARE(c.model.columnCount(), 5);
        QCOMPARE(c.model.columnTitle(1), "Tuesday 12/8/2026");
        // An hour inside a two-hour slot and a double booking clash; the hour after the slot does not.
        QCOMPARE(c.blocks(), "1@1:0-1! 2@1:1-1! 3@1:2-2 4@2:6-6! 5@2:6-6!");
        QCOMPARE(c.model.clashCount(), 4);
        QCOMPARE(c.model.blocks()[1].lane, 1);
        QCOMPARE(c.model.blocks()[1].lanes, 2);
        QCOMPARE(c.model.blocks()[2].lanes, 1);
        // Without a date, on a day off, or without a time: listed beside the grid.
        QCOMPARE(c.model.unplaced(), (std::vector<int>{6, 8, 11}));
        QVERIFY(c.model.isFree(1, 3));
        QVERIFY(!c.model.isFree(1, 2));
        QVERIFY(c.model.isFree(0, 3)); // today is open from the hour that has not begun: it is 09:00
        QVERIFY(!c.model.isFree(0, 1));
        c.fakes.clock.setDate(QDate(2026, 12, 8));
        QVERIFY(!c.model.isFree(0, 3)); // a day gone by
        c.model.showDay(QDate(2026, 12, 8), {"Bo", "Al", "Cy"});
        QCOMPARE(c.blocks(), "1@1:0-1! 2@1:1-1! 3@1:2-2 7@0:0-0");
        QCOMPARE(c.model.unplaced(), (std::vector<int>{9, 11}));
        QVERIFY(c.model.isFree(2, 2)); // Cy at 10:00 today
    }

    void nextFreeSlot()
    {
        Cal c({"1|Assigned|Al|12/8/2026|08:00-10:00", "2|Assigned|Al|12/8/2026|10:00-12:00",
               "3|Assigned|Al|12/8/2026|02:00", "4|Assigned|Al|12/8/2026|03:00-05:00",
               "5|Assigned|Bo|12/9/2026|08:00-10:00", "6|Assigned|Al|12/14/2026|08:00"});
        const auto next = [&c](const QDate &from, bool twoHours, const QString &who = "Al") {
            const auto slot =
                Calendar::nextFreeSlot(c.folder, who, from, c.settings.workWeek, twoHours, c.fakes.clock.now());
            return slot ? Formats::shortDate(slot->date) + ' ' + slot->time : QString();
        };
        QCOMPARE(next(QDate(2026, 12, 8), true), "12/9/2026 08:00-10:00"); // 02:00 sits in 01:00-03:00
        QCOMPARE(next(QDate(2026, 12, 8), false), "12/8/2026 01:00");
        QCOMPARE(next(QDate(2026, 12, 12), false), "12/14/2026 09:00"); // the weekend passed over
        QCOMPARE(next(QDate(2026, 12, 9), true, "Bo"), "12/9/2026 10:00-12:00");
        QCOMPARE(next(QDate(2026, 12, 9), true, ""), QString());
        // Today at 09:00 the hours that have begun are past.
        QCOMPARE(next(QDate(2026, 12, 7), false, "Bo"), "12/7/2026 10:00");
        QCOMPARE(next(QDate(2026, 12, 7), true, "Bo"), "12/7/2026 10:00-12:00");
    }

    void moveRules()
    {
        Cal c({"1|Assigned|Al|12/8/2026|08:00", "2|Assigned|Al|12/8/2026|10:00-12:00",
               "3|In Progress|Al|12/7/2026|01:00", "4|In Progress|Bo|12/7/2026|01:00", "5|Open||0|None",
               "6|Assigned|Al|12/10/2026|11:00", "7|Complete|Cy|12/7/2026|03:00"});
        // A free hour: the board's working copy changes, nothing is written.
        QCOMPARE(c.model.move(1, 2, 1).kind, Kind::Done);
        QCOMPARE(c.at(1), "12/9/2026 09:00 Assigned Al");
        QCOMPARE(c.blocks(), "1@2:1-1 2@1:2-3 3@0:4-4 6@3:3-3");
        QVERIFY(!c.root.read("/ServiceSlips.txt").contains("12/9/2026"));
        // An hour inside another's two-hour slot is asked about; a Yes moves it.
        const auto overlap = c.model.move(1, 1, 2);
        QCOMPARE(overlap.kind, Kind::Ask);
        QCOMPARE(said(overlap),
                 "Al already has slip 2 (Site 2) at 10:00-12:00 on 12/8/2026. Book slip 1 at 10:00 anyway?");
        QCOMPARE(c.model.move(1, 1, 2, {true}).kind, Kind::Done);
        QCOMPARE(c.at(1), "12/8/2026 10:00 Assigned Al");
        c.model.showDay(QDate(2026, 12, 9), {"Al", "Bo"});
        // A slip in progress is asked about first; then the board's rule that a technician works one job at a time.
        const auto inProgress = c.model.move(3, 0, 0);
        QCOMPARE(inProgress.title, "Move Slip");
        QVERIFY(said(inProgress).startsWith("Slip 3 is In Progress,"));
        QCOMPARE(said(c.model.move(3, 1, 0)), "Bo is already signed out");
        // A slip without a technician gets one and is assigned; today is open.
        c.model.showDay(QDate(2026, 12, 7), {"Al", "Bo"});
        QCOMPARE(c.model.move(5, 1, 5).kind, Kind::Done);
        QCOMPARE(c.at(5), "12/7/2026 02:00 Assigned Bo");
        // Undo takes the moves back one by one; closing asks Save, then Discard.
        QCOMPARE(c.model.movesNotSaved(), 3);
        QVERIFY(c.model.undo());
        QCOMPARE(c.at(5), "0 None Open ");
        QCOMPARE(said(c.model.confirmClose({})), "The slips moved on the calendar have not been saved:\r\n"
                                                 "Slip 1 to Al 12/8/2026 10:00\r\n"
                                                 "Click YES to save them, NO to close without saving them");
        QVERIFY(said(c.model.confirmClose({false})).startsWith("Close the calendar WITHOUT SAVING"));
        QCOMPARE(c.model.confirmClose({false, false}).kind, Kind::Refused); // Cancel
        QCOMPARE(c.at(1), "12/8/2026 10:00 Assigned Al");
        QCOMPARE(c.model.confirmClose({true}).kind, Kind::Done); // Save
        QCOMPARE(
            slipSummary(c.folder, SlipFiles::kActive),
            "1:Assigned 12/8/2026 10:00; 2:Assigned 12/8/2026 10:00-12:00; 3:In Progress 12/7/2026 01:00; "
            "4:In Progress 12/7/2026 01:00; 5:Open 0 None; 6:Assigned 12/10/2026 11:00; 7:Complete 12/7/2026 03:00");
        QCOMPARE(slipSummary(c.folder, SlipFiles::kCompleted), "-"); // moves saved, not the board's completions
        QVERIFY(!c.model.canUndo());
        QCOMPARE(c.model.move(1, 1, 2).kind, Kind::Done); // to 10:00 today: 09:00 has begun
        QCOMPARE(c.model.confirmClose({false, true}).kind, Kind::Done); // Discard
        QCOMPARE(c.at(1), "12/8/2026 10:00 Assigned Al");
        QVERIFY(!c.board.hasUnsavedChanges()); // every move taken back is no change at all
    }

    // Moves refused, under the hour that has begun, to another week, and with every slip in the way named. It is
    // 09:00 on Monday 12/7.
    void movesNameWhatIsInTheWay_data()
    {
        dataColumns<int, QString, QDate, QString, QString>("row", "technician", "day", "hour", "outcome");
        const QDate mon(2026, 12, 7);
        const QDate thu(2026, 12, 10);
        dataRow("hour begun today", 2, "Al", mon, "09:00",
                "09:00 today has begun: slip 2 can be moved to a later hour.");
        dataRow("later hour today", 2, "Al", mon, "10:00", "12/7/2026 10:00 Assigned Al");
        dataRow("overlapping two", 6, "Al", thu, "02:00",
                "Al already has slip 4 (Site 4) at 01:00 and slip 5 (Site 5) at 02:00 on 12/10/2026. Book slip 6 at "
                "01:00-03:00 anyway?");
        dataRow("booked", 2, "Al", thu, "01:00",
                "This Assignment, Date and Time have already been scheduled\r\nSelect a different Assignment, Date or "
                "Time\r\nAl has slip 4 (Site 4) at 01:00 on 12/10/2026.");
        // "Move to" another day keeps the slip's time where it is free, else takes the first free one.
        dataRow("past due into this week", 1, "", QDate(2026, 12, 8), "", "12/8/2026 09:00 Assigned Al");
        dataRow("today, its hour begun", 1, "", mon, "", "12/7/2026 10:00 Assigned Al");
        dataRow("its time taken", 1, "", QDate(2026, 12, 9), "", "12/9/2026 08:00 Assigned Al");
        dataRow("no technician", 3, "", thu, "", "Slip 3 has no technician: drag it onto a technician's column first.");
        dataRow("to next week", 6, "", QDate(2026, 12, 15), "", "12/15/2026 10:00-12:00 Assigned Al");
        dataRow("two-hour at 05:00", 6, "Al", thu, "05:00",
                "No two-hour slot starts at or holds 05:00; a two-hour slip keeps its length.");
        dataRow("gone by", 2, "", QDate(2026, 12, 4), "",
                "12/4/2026 has gone by: a slip can be scheduled for today or a later day.");
        dataRow("a day off", 2, "", QDate(2026, 12, 12), "",
                "The business does not work on Saturdays.\r\nSlip 2 cannot be scheduled on 12/12/2026.");
    }
    void movesNameWhatIsInTheWay()
    {
        auto [row, technician, day, hour] = fetched<int, QString, QDate, QString>("row", "technician", "day", "hour");
        Cal c({"1|Assigned|Al|12/1/2026|09:00", "2|Assigned|Al|12/9/2026|09:00", "3|Open||0|None",
               "4|Assigned|Al|12/10/2026|01:00", "5|Assigned|Al|12/10/2026|02:00",
               "6|Assigned|Al|12/9/2026|10:00-12:00"});
        c.model.showDay(day, {"Al", "Bo"});
        const Verdict v = hour.isEmpty()
                              ? c.model.moveToDay(row, day)
                              : c.model.move(row, technician == "Al" ? 0 : 1, int(Calendar::hourRows().indexOf(hour)));
        QTEST(v.kind == Kind::Done ? c.at(row) : said(v), "outcome");
    }
};

QTEST_GUILESS_MAIN(TestCalendar)
#include "tst_calendar.moc"
