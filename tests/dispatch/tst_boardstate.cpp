#include "boardsamples.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "core/settings.h"
#include "dispatch/boardstate.h"
#include "dispatch/boardview.h"
#include "dispatch/routesheet.h"
#include "dispatch/slipstore.h"
#include "dispatch/slipvalues.h"
#include "dispatch/statusrules.h"
#include "platform/fakes/fakeplatform.h"
#include "statustable.h"
#include "testsupport.h"

#include <QTest>
#include <memory>

// The fixed clock's today is Thursday 1/15/2026.
namespace {

struct Board
{
    TestRoot root;
    FakePlatform fakes;
    Settings settings;
    DataFolder folder = root.folder();
    std::unique_ptr<BoardState> board;

    explicit Board(const QStringList &slips)
    {
        if (!slips.isEmpty())
            writeActiveSlips(folder, slips);
        board = std::make_unique<BoardState>(folder, fakes.clock, settings);
        board->load();
    }
    BoardState *operator->() { return board.get(); }
    // Ticks row r as the only row and opens it.
    void open(int r)
    {
        board->selectAll(false);
        board->tickCell(r, 0);
        QVERIFY(board->openSlip());
    }
    QString active() const { return slipSummary(folder, SlipFiles::kActive); }
    QString completed() const { return slipSummary(folder, SlipFiles::kCompleted); }
};

const QString kCrLf = QStringLiteral("\r\n");
using Kind = Verdict::Kind;

// The slips of the sort and filter tests; the slip numbers in grid order are what the tests compare.
const QStringList kViewSlips = {"9|Assigned|Al|1/2/2026|01:00-03:00|Low", "10|Open||0|None|Emergency",
                                "100|In Progress|Bo|12/30/2025|08:00|High", "20|Assigned|Al|1/10/2026|08:00-10:00",
                                "3|Suspended|Bo|1/2/2026|09:00"};

QString shownNumbers(const BoardState &board)
{
    QStringList out;
    for (int r : board.shownRows())
        out << board.cell(r, 1);
    return out.join(' ');
}

} // namespace

class TestBoardState : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    // Where each status may go, and what is said otherwise; a completed or unknown status may take any.
    void statusRules_data()
    {
        dataColumns<QString, QStringList, QString>("from", "mayGoTo", "refusal");
        dataRow("open", "Open", QStringList{"Assigned", "In Progress"},
                "The Service Slip can only be Assigned or Set to In Progress");
        dataRow("assigned", "Assigned", QStringList{"In Progress", "Suspended"},
                "The Service Slip has been Assigned\r\nIt can only be marked as In Progress or Suspended");
        dataRow("in progress", "In Progress", QStringList{"Suspended"},
                "The Service Slip is In Progress\r\nIt can only be Suspended");
        dataRow("suspended", "Suspended", QStringList{"In Progress"},
                "The Service Slip has been Suspended\r\nIt can only be marked as In Progress");
        const QStringList any{"Open", "Assigned", "In Progress", "Suspended"};
        dataRow("complete", "Complete", any, QString());
        dataRow("unknown", "Odd", any, QString());
    }
    void statusRules()
    {
        auto [from, mayGoTo, refusal] = fetched<QString, QStringList, QString>("from", "mayGoTo", "refusal");
        for (const QString to : {"Open", "Assigned", "In Progress", "Suspended"}) {
            const bool allowed = to == from || mayGoTo.contains(to);
            QCOMPARE(StatusRules::refusal(from, to).value_or(QString()), allowed ? QString() : refusal);
            // Through the board: a refusal is said and keeps the slip's status; an allowed choice is taken.
            Board b({"1000|" + from + "|Al|1/20/2026|08:00"});
            b.open(1);
            const Verdict chosen = b->chooseStatus(to);
            QCOMPARE(chosen.isDone(), allowed);
            QCOMPARE(b->change().status, allowed ? to : from);
            QCOMPARE(said(chosen), allowed ? QString() : refusal);
        }
    }

    // A change stored from a phone while the board holds changes not saved: what is asked or said, then what the
    // board's save or deletion of slip 1001 leaves in the files. Each slip is in one file, once.
    void phoneChangeMeetsTheBoard_data()
    {
        dataColumns<QString, QString, QList<bool>, QString, bool, QString, QString, QString>(
            "boardEdit", "phone", "answers", "said", "unsaved", "then", "active", "completed");
        const QString s1001 = "1001:Assigned 1/15/2026 10:00-12:00", s1002 = "1002:Assigned 1/16/2026 09:00";
        const QString done1000 = "1000:Complete 1/15/2026 08:00";
        dataRow("untouched row takes it", "", "In Progress", QList<bool>{}, "", false, "save",
                "1000:In Progress 1/15/2026 08:00; " + s1001 + "; " + s1002, "-");
        dataRow("edit of another slip kept", "2|Bo|0|None|Suspended", "Complete", QList<bool>{}, "", true, "save",
                "1001:Suspended 0 None; " + s1002, done1000);
        dataRow("deleting after a completion keeps changes", "3|Al|1/19/2026|09:00|Assigned", "Complete", QList<bool>{},
                "", true, "delete", "1002:Assigned 1/19/2026 09:00", done1000);
        dataRow("completed on the board too", "1|Al|1/15/2026|08:00|Complete", "Complete", QList<bool>{}, "", false,
                "save", s1001 + "; " + s1002, done1000);
        const QString asked = "Slip 1000: Al's phone changed it at 09:00: In Progress.\r\nYour change not yet saved: "
                              "Suspended, no date.\r\nKeep the phone's change?";
        dataRow("yes takes the phone's", "1|Al|0|None|Suspended", "In Progress", QList<bool>{true}, asked, false,
                "save", "1000:In Progress 1/15/2026 08:00; " + s1001 + "; " + s1002, "-");
        dataRow("no keeps the board's", "1|Al|0|None|Suspended", "In Progress", QList<bool>{false}, asked, true, "save",
                "1000:Suspended 0 None; " + s1001 + "; " + s1002, "-");
        dataRow("completion drops the board's", "1|Al|0|None|Suspended", "Complete", QList<bool>{},
                "Slip 1000: Al's phone completed it at 09:00.\r\nIt has moved to the completed slips and cannot be "
                "changed here.\r\nYour change not yet saved is dropped: Suspended, no date.",
                false, "save", s1001 + "; " + s1002, done1000);
        dataRow("two in progress told", "3|Al|1/16/2026|09:00|In Progress", "In Progress", QList<bool>{},
                "Al now has two slips In Progress: 1000 from the phone, and 1002 set on the board and not yet saved.",
                true, "save", "1000:In Progress 1/15/2026 08:00; " + s1001 + "; 1002:In Progress 1/16/2026 09:00", "-");
    }
    void phoneChangeMeetsTheBoard()
    {
        auto [boardEdit, phone, answers, said, unsaved, then, active, completed] =
            fetched<QString, QString, QList<bool>, QString, bool, QString, QString, QString>(
                "boardEdit", "phone", "answers", "said", "unsaved", "then", "active", "completed");
        Board b({"1000|Assigned|Al|1/15/2026|08:00", "1001|Assigned|Bo|1/15/2026|10:00-12:00",
                 "1002|Assigned|Al|1/16/2026|09:00"});
        if (const QStringList e = boardEdit.split('|'); e.size() == 5)
            b->reschedule(e[0].toInt(), e[1], e[2], e[3], e[4]);
        const PhoneWork::Outcome stored = storeFromPhone(b.folder, 1000, phone);
        Answers given;
        BoardState::PhoneTaken taken = b->takePhoneChange(stored.before, stored.after, QString());
        QCOMPARE(::said(taken), said);
        for (bool answer : answers) {
            given.push_back(answer);
            taken = b->takePhoneChange(stored.before, stored.after, QString(), given);
        }
        QCOMPARE(taken.kind, Kind::Done);
        QVERIFY(taken.statusLine.startsWith("Slip 1000: " + phone + " from Al's phone 09:00"));
        // Told twice, the change asks and changes nothing more.
        QCOMPARE(::said(b->takePhoneChange(stored.before, stored.after, QString())), QString());
        QCOMPARE(b->hasUnsavedChanges(), unsaved);
        if (then == "save") {
            QVERIFY(b->saveAll().isDone());
        } else {
            b->tickCell(1, 0); // the completed slip takes no tick
            b->tickCell(2, 0);
            QCOMPARE(b->countTicked(), 1);
            QVERIFY(b->deleteSelected({true, true, true}).isDone());
        }
        QCOMPARE(b.active(), active);
        QCOMPARE(b.completed(), completed);
    }

    // Every save of the board over what was stored since it read the slips: a phone completed 1000 and started 1001
    // (which the board had moved), another window made 1003; the board moved 1002. What was stored stands, each slip
    // in one file, and the board's changes not kept are told.
    void savesKeepWhatWasStoredSince_data()
    {
        dataColumns<QString, QString, QString, QString>("action", "active", "completed", "told");
        const QString started = "1001:In Progress 1/15/2026 10:00-12:00; ";
        const QString phoneDone = "1000:Complete 1/15/2026 08:00";
        dataRow("save", "save", started + "1002:Assigned 1/19/2026 09:00; 1003:Open 0 None", phoneDone, "1001");
        dataRow("calendar's save", "calendar", started + "1002:Assigned 1/19/2026 09:00; 1003:Open 0 None",
                phoneDone, "1001");
        dataRow("delete selected", "delete selected", "1002:Assigned 1/19/2026 09:00; 1003:Open 0 None", phoneDone,
                "");
        dataRow("delete all", "delete all", "1003:Open 0 None", phoneDone, "");
        dataRow("complete all, save", "complete all", started + "1003:Open 0 None",
                phoneDone + "; 1002:Complete 1/15/2026 " + SlipValues::kMoveToTodayTime, "1001 1000");
    }
    void savesKeepWhatWasStoredSince()
    {
        QFETCH(QString, action);
        Board b({"1000|Assigned|Al|1/15/2026|08:00", "1001|Assigned|Bo|1/15/2026|10:00-12:00",
                 "1002|Assigned|Al|1/16/2026|09:00"});
        b->reschedule(3, "Al", "1/19/2026", "09:00", "Assigned");
        b->reschedule(2, "Bo", "1/20/2026", "10:00-12:00", "Assigned");
        storeFromPhone(b.folder, 1000, "Complete");
        storeFromPhone(b.folder, 1001, "In Progress");
        SlipStore(b.folder).append(boardSlip("1003|Open||0|None"));
        const Answers yes{true, true, true};
        Verdict v;
        if (action == "save")
            v = b->saveAll();
        else if (action == "calendar")
            v = b->saveInPlace();
        else if (action == "delete selected") {
            b->tickCell(2, 0);
            v = b->deleteSelected(yes);
        } else if (action == "delete all")
            v = b->deleteAll(yes);
        else
            v = b->completeAll({true}).isDone() ? b->saveAll() : Verdict::refused();
        QVERIFY(v.isDone());
        QTEST(b.active(), "active");
        QTEST(b.completed(), "completed");
        QStringList told;
        for (const QString &line : said(v).split(kCrLf)) {
            if (line.startsWith("Slip "))
                told << line.mid(5, 4);
        }
        QTEST(told.join(' '), "told");
    }

    void inProgressTakesThePickersDate()
    {
        Board b({"1000|Open||0|None"});
        b.open(1);
        QCOMPARE(b->change().picker, QDate(2026, 1, 15)); // no date: today
        b->pickDate(QDate(2026, 1, 21));
        b->chooseStatus("Assigned");
        QCOMPARE(b->change().date, "1/21/2026");
        b->setPicker(QDate(2026, 1, 22));
        b->chooseStatus("In Progress");
        QCOMPARE(b->change().date, "1/22/2026");
    }

    void dateRules_data()
    {
        dataColumns<int, QDate, QString, QStringList>("week", "picked", "newDate", "messages");
        const QStringList none;
        const int monFri = int(WorkWeek::MondayToFriday), monSat = int(WorkWeek::MondayToSaturday);
        const auto moved = [](const QString &day) {
            return QStringList{"Your Calendar Selection is Invalid", "The date has been set to " + day};
        };
        dataRow("a weekday", monFri, QDate(2026, 1, 20), "1/20/2026", none);
        dataRow("today", monFri, QDate(2026, 1, 15), "1/15/2026", none);
        dataRow("yesterday becomes today", monFri, QDate(2026, 1, 14), "1/15/2026", none);
        dataRow("Saturday, Monday to Friday", monFri, QDate(2026, 1, 17), "1/19/2026", moved("Monday, 1/19/2026"));
        dataRow("Sunday, Monday to Saturday", monSat, QDate(2026, 1, 18), "1/19/2026", moved("Monday, 1/19/2026"));
        dataRow("Saturday, Monday to Saturday", monSat, QDate(2026, 1, 17), "1/17/2026", none);
        dataRow("Saturday, Sunday to Friday", int(WorkWeek::SundayToFriday), QDate(2026, 1, 17), "1/18/2026",
                moved("Sunday, 1/18/2026"));
        dataRow("Sunday, every day", int(WorkWeek::SundayToSaturday), QDate(2026, 1, 18), "1/18/2026", none);
        // A past Saturday becomes today first (a Thursday), which is a working day.
        dataRow("past weekend", monFri, QDate(2026, 1, 10), "1/15/2026", none);
    }
    void dateRules()
    {
        auto [week, picked, newDate, messages] =
            fetched<int, QDate, QString, QStringList>("week", "picked", "newDate", "messages");
        Board b({"1000|Assigned|Al|1/20/2026|08:00"});
        b.settings.workWeek = WorkWeek(week);
        b.open(1);
        const Verdict moved = b->pickDate(picked);
        QCOMPARE(b->change().date, newDate);
        QCOMPARE(Formats::shortDate(b->change().picker), newDate);
        QCOMPARE(said(moved), messages.join('\n'));
        QCOMPARE(moved.beep, !messages.isEmpty());
    }

    void verifyRefusals_data()
    {
        dataColumns<QStringList, QString, QString, QString, int, QString>("slips", "status", "assignment", "time",
                                                                          "verdict", "message");
        using V = Verdict::Kind;
        dataRow("in progress without time", QStringList{"1|Assigned|Al|1/20/2026|None"}, "In Progress", "Al", "None",
                int(V::Redo), "Select a Date and Time\r\nor Change Status to Suspended");
        dataRow("in progress unassigned", QStringList{"1|Open||1/20/2026|08:00"}, "In Progress", "Not Assigned",
                "08:00", int(V::Refused), "You need to select an Assignment");
        dataRow("signed out", QStringList{"1|Assigned|Al|1/20/2026|08:00", "2|In Progress|Al|1/20/2026|09:00"},
                "In Progress", "Al", "08:00", int(V::Refused), "Al is already signed out");
        dataRow("assigned to nobody", QStringList{"1|Open||1/20/2026|08:00"}, "Assigned", "Not Assigned", "08:00",
                int(V::Refused), "You need to select an Assignment");
        dataRow("complete without time", QStringList{"1|Complete|Al|1/20/2026|None"}, "Complete", "Al", "None",
                int(V::Redo), "Select Date and/or Time or Change Status");
        dataRow("slot booked", QStringList{"1|Assigned|Al|1/20/2026|08:00", "2|Assigned|Bo|1/20/2026|09:00"},
                "Assigned", "Bo", "09:00", int(V::Refused),
                "This Assignment, Date and Time have already been scheduled\r\n"
                "Select a different Assignment, Date or Time");
        dataRow("own slot is no booking", QStringList{"1|Assigned|Al|1/20/2026|08:00"}, "In Progress", "Al", "08:00",
                int(V::Done),
                "Any Changes will be loaded to the Grid,\r\nThe data is NOT RECORDED at this time\r\n"
                "Click Save Changes/Exit Button on the grid screen\r\nTo SAVE all changes made to Service Slips");
    }
    void verifyRefusals()
    {
        auto [slips, status, assignment, time, verdict] =
            fetched<QStringList, QString, QString, QString, int>("slips", "status", "assignment", "time", "verdict");
        Board b(slips);
        b.open(1);
        b->chooseAssignment(assignment);
        b->chooseTime(time);
        b->chooseStatus(status);
        const Record before = b->slip(1);
        const Verdict accepted = b->verifyAndAccept("Leaking tap");
        QCOMPARE(int(accepted.kind), verdict);
        QTEST(said(accepted), "message");
        if (verdict != int(Kind::Done))
            QCOMPARE(b->slip(1), before);
        if (said(accepted).startsWith("This Assignment")) { // booked
            QCOMPARE(b->change().time, "None");
            QCOMPARE(Formats::shortDate(b->change().picker), b->change().date); // what the New Date label shows
        }
        if (verdict != int(Kind::Done) && !said(accepted).startsWith("This Assignment")) // the slip's own again
            QCOMPARE(b->change().status, b->slip(1).text(SlipField::Status));
    }

    // The status rule as the board applies it: the same rows and words as a phone's (tests/dispatch/tst_phonework).
    void statusTable_data() { StatusTable::rows(); }
    void statusTable()
    {
        auto [slip, action, redo] = fetched<QString, int, bool>("slip", "action", "redo");
        Board b({slip, StatusTable::kOther});
        b.open(1);
        const Record before = b->slip(1);
        Verdict verdict = b->chooseStatus(StatusTable::status(action));
        if (verdict.isDone())
            verdict = b->verifyAndAccept("Leaking tap", {true});
        QFETCH(QString, words);
        QCOMPARE(verdict.isDone() ? QString() : said(verdict), words);
        QCOMPARE(verdict.kind == Kind::Redo, redo);
        if (!verdict.isDone())
            QCOMPARE(b->slip(1), before);
        else
            QCOMPARE(b->slip(1).text(SlipField::Status), StatusTable::status(action));
    }

    // A text longer than the slip's field is refused, never cut; one line break counts two.
    void contentsOverTheFieldRefused()
    {
        Board b({"1|Assigned|Al|1/20/2026|08:00"});
        b.open(1);
        const QString tooLong = QString(198, 'x') + "\ny";
        const Verdict refused = b->saveContents(tooLong);
        QCOMPARE(refused.kind, Kind::Refused);
        QVERIFY(said(refused).endsWith("there are 201 now.\r\nShorten the text."));
        QCOMPARE(said(b->verifyAndAccept(tooLong)), said(refused));
        QCOMPARE(b->slip(1).text(SlipField::ServiceRequired), "Leaking tap");
        QCOMPARE(BoardState::contentsLength(tooLong), "201 of 200 characters");
        QVERIFY(b->saveContents(tooLong.mid(1)).isDone());
        QCOMPARE(b->slip(1).text(SlipField::ServiceRequired).size(), 200);
    }

    void suspendResetsTheSchedule()
    {
        Board b({"1|Assigned|Al|1/20/2026|08:00", "2|Assigned|Al|0|None"});
        b.open(1);
        QVERIFY(b->chooseStatus("Suspended").isDone());
        QCOMPARE(b->verifyAndAccept("Leaking tap").question, "Click Yes to Reset Date and Time");
        QCOMPARE(b->cell(1, 7), "1/20/2026 08:00"); // nothing before the answer
        QCOMPARE(b->verifyAndAccept("Leaking tap", {true}).kind, Kind::Done);
        QCOMPARE((QStringList{b->cell(1, 7), b->cell(1, 4)}), (QStringList{"Date/Time not Selected", "Suspended"}));
        QCOMPARE(b->tone(1, 1), CellTone::Default);
        QCOMPARE(b->countTicked(), 0);
        QVERIFY(b->saveAll().isDone());
        QCOMPARE(b.active(), "1:Suspended 0 None; 2:Assigned 0 None");

        // A slip already suspended whose priority alone changes is not asked about its date and time again;
        // a new date for it is.
        b.open(1);
        b->choosePriority("High");
        QCOMPARE(b->verifyAndAccept("Leaking tap").kind, Kind::Done);
        b.open(1);
        b->pickDate(QDate(2026, 1, 22));
        QCOMPARE(b->verifyAndAccept("Leaking tap").question, "Click Yes to Reset Date and Time");
    }

    // Booking counts unsaved changes and compares dates as dates; an overlapping range is asked about.
    void bookingCountsTheWorkingCopy()
    {
        Board b({"1|Assigned|Al|1/20/2026|08:00", "2|Assigned|Bo|01/21/2026|09:00", "3|Assigned|Bo|1/21/2026|11:00"});
        b.open(3);
        b->chooseTime("09:00");
        QVERIFY(said(b->verifyAndAccept("x")).startsWith("This Assignment, Date and Time have already"));
        // Slip 2 moves to Al's 1/22 10:00 on the board only.
        b.open(2);
        b->chooseAssignment("Al");
        b->pickDate(QDate(2026, 1, 22));
        b->chooseTime("10:00");
        QCOMPARE(b->verifyAndAccept("x").kind, Kind::Done);
        b.open(1);
        b->pickDate(QDate(2026, 1, 22));
        b->chooseTime("10:00");
        QVERIFY(said(b->verifyAndAccept("Leaking tap")).startsWith("This Assignment, Date and Time have already"));
        QCOMPARE(b->change().date, "1/22/2026");
        QCOMPARE(b->change().picker, QDate(2026, 1, 22));
        b->chooseTime("10:00-12:00");
        QCOMPARE(said(b->verifyAndAccept("Leaking tap")),
                 "Al already has slip 2 at 10:00 on 1/22/2026. Book this slip anyway?");
        QCOMPARE(b->verifyAndAccept("Leaking tap", {false}).kind, Kind::Refused);
        QCOMPARE(b->cell(1, 7), "1/20/2026 08:00");
        QCOMPARE(b->verifyAndAccept("Leaking tap", {true}).kind, Kind::Done);
        QVERIFY(b->saveAll().isDone());
        QCOMPARE(b.active(),
                 "1:Assigned 1/22/2026 10:00-12:00; 2:Assigned 1/22/2026 10:00; 3:Assigned 1/21/2026 11:00");
    }

    // One question names every slip that is not completed as it stands, and why; No changes nothing.
    void completeSelected_data()
    {
        dataColumns<QString, bool, QString, QString, QString>("slip", "yes", "active", "completed", "note");
        dataRow("in progress", "1|In Progress|Al|1/14/2026|08:00", true, "-", "1:Complete 1/14/2026 08:00", "");
        dataRow("no date", "1|In Progress|Al|0|None", true, "1:In Progress 0 None", "-",
                "\r\n\r\nSlip 1: no scheduled date, it will not be completed\r\n\r\nClick YES");
        dataRow("not assigned", "1|Open||1/14/2026|08:00", true, "1:Open 1/14/2026 08:00", "-",
                "Slip 1: not assigned to a Service Technician, it will not be completed");
        dataRow("future", "1|Suspended|Al|1/20/2026|10:00", true, "-", "1:Complete 1/15/2026 08:00",
                "Slip 1: scheduled for 1/20/2026, after today; the date will be set to today");
        dataRow("assigned", "1|Assigned|Al|1/14/2026|08:00", true, "-", "1:Complete 1/14/2026 08:00",
                "Slip 1: Assigned, not In Progress");
        dataRow("answered no", "1|Assigned|Al|1/20/2026|10:00", false, "1:Assigned 1/20/2026 10:00", "-",
                "Slip 1: scheduled for 1/20/2026");
    }
    void completeSelected()
    {
        auto [slip, yes, note] = fetched<QString, bool, QString>("slip", "yes", "note");
        Board b({slip});
        b->tickCell(1, 0);
        const Verdict asked = b->completeSelected();
        QCOMPARE(asked.beep, !note.isEmpty());
        const QString question = asked.question;
        QCOMPARE(question.section("\r\n", 0, 0), "This Action will COMPLETE all SELECTED Slips");
        QVERIFY2(note.isEmpty() ? !question.contains("\r\n") : question.contains(note), qPrintable(question));
        const Verdict answered = b->completeSelected({yes});
        QCOMPARE(answered.isDone(), yes);
        QCOMPARE(said(answered).startsWith("All valid slips"), yes);
        // What the grid shows is what is saved.
        const QString shownBefore = b->cell(1, 4) + " " + b->cell(1, 7);
        QVERIFY(b->saveAll().isDone());
        QTEST(b.active(), "active");
        QTEST(b.completed(), "completed");
        if (slip.contains("/"))
            QCOMPARE((b.active() != "-" ? b.active() : b.completed()).mid(2), shownBefore);
    }

    void completeAll()
    {
        QStringList slips{"1|Assigned|Al|1/20/2026|10:00", "2|Open||1/10/2026|08:00",
                          "4|In Progress|Bo|1/15/2026|09:00"};
        for (int n = 10; n < 30; ++n) // a folder of many slips without a date asks once
            slips << QString::number(n) + "|Suspended|Bo|0|None";
        Board b(slips);
        b.root.write(SlipFiles::kCompleted, boardSlip("900|Complete|Cy|1/1/2026|08:00").bytes());
        const QStringList lines = b->completeAll().question.split("\r\n");
        QVERIFY(b->completeAll({true}).notices.empty());
        QCOMPARE(lines.mid(0, 4), (QStringList{"This Action will COMPLETE ALL Slips", "",
                                               "Slip 1: scheduled for 1/20/2026, after today; the date will be set "
                                               "to today",
                                               "Slip 10: no scheduled date, it will not be completed"}));
        QCOMPARE(lines.at(lines.size() - 3), "... and 6 more slips");
        QVERIFY(b->saveAll().isDone());
        QCOMPARE(b.active().count("Suspended 0 None"), 20);
        QCOMPARE(b.completed(), "900:Complete 1/1/2026 08:00; 1:Complete 1/15/2026 08:00; 2:Complete 1/10/2026 08:00; "
                                "4:Complete 1/15/2026 09:00");
    }

    // Restore: whatever was changed, a save after restoring writes the slip as it was loaded.
    void restoreThenSave_data()
    {
        QTest::addColumn<QString>("change");
        dataRow("status, priority, assignment, date and time", "fields");
        dataRow("suspend with reset", "suspend");
        dataRow("completed", "complete");
    }
    void restoreThenSave()
    {
        QFETCH(QString, change);
        Board b({"1|Assigned|Al|1/20/2026|08:00|High", "2|Assigned|Bo|1/21/2026|09:00"});
        const QByteArray before = b.root.read(SlipFiles::kActive);
        b.open(1);
        if (change == "complete") {
            b->completeSelected({true});
        } else {
            if (change == "fields") {
                b->chooseStatus("In Progress");
                b->choosePriority("Emergency");
                b->chooseAssignment("Cy");
                b->pickDate(QDate(2026, 1, 23));
                b->chooseTime("11:00");
            }
            if (change == "suspend")
                b->chooseStatus("Suspended");
            QCOMPARE(b->verifyAndAccept("Leaking tap", {true}).kind, Kind::Done);
        }
        QVERIFY(b->slip(1).bytes() != before.left(697));
        b.open(1);
        b->restoreSlip();
        QCOMPARE(b->rowCells(1).mid(1),
                 (QStringList{"1", "High", "Al", "Assigned", "Site 1", "1/2/2026", "1/20/2026 08:00"}));
        QCOMPARE(b->tone(1, 3), CellTone::Default);
        QCOMPARE(b->change().status, "Assigned");
        QVERIFY(b->saveAll().isDone());
        QCOMPARE(b.root.read(SlipFiles::kActive), before);
    }

    void textMessageOnTheClipboard()
    {
        Board b({"1000|Assigned|Al|1/20/2026|08:00-10:00", "1001|Open||0|None"});
        b.open(1);
        b.fakes.clipboard.text = "old";
        const Verdict copied = b->copyTextMessage(b.fakes.clipboard, "  Leaking tap\nunder sink  \n");
        QCOMPARE(b.fakes.clipboard.text,
                 "Service Attention - 1000\r\nSite 1000\r\n1 Elm St\r\n\r\nSpringfield\r\nIL\r\n"
                 "62701\r\n555-0101\r\n\r\nScheduled for 1/20/2026\r\nat 08:00-10:00\r\n"
                 "Leaking tap\r\nunder sink");
        QCOMPARE(said(copied), "The Service Attention Data is now on the System Clipboard\r\n"
                               "Paste it into the Message Area of your Text Messaging Screen");
        b.open(2);
        QVERIFY(b->textMessage("x").contains("Scheduled for No date Selected\r\nat None\r\n"));
    }

    void deleteSelected()
    {
        // (Deleting keeps the changes of the slips left: see phoneChangeMeetsTheBoard.)
        Board b({"1|Assigned|Al|1/20/2026|08:00", "3|Open||0|None"});
        // The last slips deleted: no empty file is left behind, nor a Backup copy that would bring them back.
        b.folder.makeFolder("/Backup");
        b.folder.backupFile(SlipFiles::kActive);
        b->selectAll(true);
        QVERIFY(b->deleteSelected({true, true, true}).isDone());
        QCOMPARE(b->count() + b->countTicked() + b->currentSlipRow(), 0);
        QVERIFY(!b.root.exists(SlipFiles::kActive));
        QVERIFY(!b.root.exists("/Backup/ServiceSlips.txt"));
        QVERIFY(!b->openSlip());
    }

    void deleteNeedsThreeYes_data()
    {
        QTest::addColumn<int>("yes"); // answers Yes before the first No
        for (int yes = 0; yes <= 3; ++yes)
            QTest::addRow("%d yes", yes) << yes;
    }
    void deleteNeedsThreeYes()
    {
        QFETCH(int, yes);
        Board b({"1|Open||0|None"});
        const Answers yesses(std::size_t(yes), true);
        if (yes < 3) {
            QCOMPARE(b->deleteAll(yesses).title,
                     (QStringList{"DELETE ALL SLIPS", "DELETE VERIFICATION", "DELETE VERIFICATION-FINAL"}[yes]));
            Answers no = yesses;
            no.push_back(false);
            QCOMPARE(b->deleteAll(no).kind, Kind::Refused);
        } else {
            QCOMPARE(b->deleteAll(yesses).kind, Kind::Done);
        }
        QCOMPARE(b.root.exists(SlipFiles::kActive), yes < 3);
    }

    void ticking()
    {
        QStringList slips;
        for (int i = 1; i <= 300; ++i)
            slips.append(QString::number(i) + "|Open||0|None");
        Board b(slips);
        for (int r = 1; r <= 300; ++r)
            QVERIFY(b->tickCell(r, 0));
        QCOMPARE(b->countTicked(), 300);
        QVERIFY(!b->canManage());
        QVERIFY(b->tickCell(300, 0));
        QCOMPARE(b->countTicked(), 299);
        QCOMPARE(b->currentSlipRow(), 300); // unticking leaves the current slip as it was
        b->selectAll(false);
        QVERIFY(!b->hasSelection());
        b->selectAll(true);
        QCOMPARE(b->countTicked(), 300);
        // Only the Sel column ticks; a click elsewhere makes the row current.
        b->selectAll(false);
        QVERIFY(!b->tickCell(2, 3) && !b->tickCell(0, 0) && !b->tickCell(1, 1));
        QCOMPARE(b->gridCurrentRow(), 1);
        QCOMPARE(b->countTicked(), 0);
        QVERIFY(b->tickCell(2, 0));
        QVERIFY(b->canManage());
        QCOMPARE(b->cell(2, 0), QString(" ") + QChar(0xAB));
    }

    void tones_data()
    {
        dataColumns<QString, int, int, QString>("slip", "number", "priority", "scheduled");
        using T = CellTone;
        dataRow("today", "1|Assigned|Al|1/15/2026|08:00", int(T::Plain), int(T::Plain), "1/15/2026 08:00");
        dataRow("yesterday", "1|Assigned|Al|1/14/2026|08:00", int(T::PastDue), int(T::Plain), "1/14/2026 08:00");
        dataRow("yesterday in progress", "1|In Progress|Al|1/14/2026|08:00", int(T::Plain), int(T::Plain),
                "1/14/2026 08:00");
        dataRow("old and complete", "1|Complete|Al|1/1/2026|08:00", int(T::PastDue), int(T::Plain), "1/1/2026 08:00");
        dataRow("emergency", "1|Assigned|Al|1/20/2026|08:00|Emergency", int(T::Plain), int(T::Emergency),
                "1/20/2026 08:00");
        dataRow("no date, emergency", "1|Open||0|None|Emergency", int(T::Default), int(T::Default),
                "Date/Time not Selected");
    }
    void tones()
    {
        auto [slip, number] = fetched<QString, int>("slip", "number");
        Board b({slip});
        QCOMPARE(int(b->tone(1, 1)), number);
        QTEST(int(b->tone(1, 2)), "priority");
        QTEST(b->cell(1, 7), "scheduled");
        QCOMPARE(b->anyPastDue(), number == int(CellTone::PastDue));
    }

    void damagedRecordRoundTrip()
    {
        Board b({});
        Record odd = boardSlip("7|Waiting|Al|13/45/20x|7pm|Urgent");
        QByteArray bytes = odd.bytes();
        bytes[430] = char(0x81); // a byte no code page character maps to, inside the contents
        bytes.replace(375, 30, QByteArray("  Al").leftJustified(30, ' ')); // the assignment stored off its place
        QByteArray file = boardSlip("1|Assigned|Bo|1/20/2026|08:00").bytes() + bytes;
        b.root.write(SlipFiles::kActive, file);
        b->load();
        QCOMPARE(b->count(), 2);
        QCOMPARE(b->damage(2), (QStringList{"unknown status \"Waiting\"", "unknown priority \"Urgent\"",
                                            "unknown time \"7pm\"", "unreadable date \"13/45/20x\""}));
        QCOMPARE(b->damagedRows(), std::vector<int>{2});
        QCOMPARE((QStringList{b->cell(2, 4), b->cell(2, 7)}), (QStringList{"Waiting", "13/45/20x 7pm"}));
        QCOMPARE(b->tone(2, 1), CellTone::Default);
        // Every action meets it without harm.
        b.open(2);
        QVERIFY(b->chooseStatus("Open").isDone());
        b->chooseStatus("Waiting");
        b->restoreSlip();
        // Accepting the slip unchanged (contents as the box shows them) changes none of its bytes.
        QVERIFY(b->openSlip());
        QCOMPARE(b->verifyAndAccept(b->contentsForBox()).kind, Kind::Done);
        QCOMPARE(b->slip(2).bytes(), bytes);
        b.open(2);
        b->completeSelected({true});
        b->completeAll({true});
        QCOMPARE((QStringList{b->cell(2, 4), b->cell(1, 4)}), (QStringList{"Waiting", "Complete"}));
        // Saved: the changed slip leaves, the damaged one is written back byte for byte.
        QVERIFY(b->saveAll().isDone());
        QCOMPARE(b.root.read(SlipFiles::kActive), bytes);
    }

    // A save that fails keeps the board as it was and the files too; leaving without saving writes nothing.
    void filesKeptUnlessSaved()
    {
        Board b({"1|In Progress|Al|1/14/2026|08:00", "2|Open||0|None"});
        b->tickCell(1, 0);
        QVERIFY(b->completeSelected({true}).isDone());
        const QByteArray before = b.root.read(SlipFiles::kActive);
        b.folder.setFaultHook([](const char *, const QString &) { throw DiskError("The disk is full"); });
        const Verdict saved = b->saveAll();
        QCOMPARE(saved.kind, Kind::Refused);
        QCOMPARE(said(saved), "The disk is full");
        QCOMPARE(b->cell(1, 4), "Complete"); // nothing on the board is lost
        QCOMPARE(b->confirmLeaveWithoutSaving().title, "Return to Menu");
        QVERIFY(b->confirmLeaveWithoutSaving({true}).isDone());
        QCOMPARE(b.root.read(SlipFiles::kActive), before);
        QVERIFY(!b.root.exists(SlipFiles::kCompleted));
    }

    void invoicePaper_data()
    {
        dataColumns<bool, int, QString>("plain", "copies", "text");
        dataRow("plain", true, 3, "Insert 6 sheets of Blank Paper");
        dataRow("perfed, one copy", false, 1, "Insert 2 sheets of Perfed Paper");
        dataRow("perfed, sets", false, 3,
                "Create Document Sets by Inserting 2 sheets\rof Perfed Paper,(Perfed end 1st)\r"
                "each followed by 2 sheets of Blank Paper");
    }
    void invoicePaper()
    {
        auto [plain, copies] = fetched<bool, int>("plain", "copies");
        Board b({"1|Assigned|Al|0|None", "2|Open||0|None", "3|Assigned|Al|0|None", "4|Assigned|Al|0|None"});
        b.settings.plainPaper = plain;
        b.settings.invoiceCopies = qint16(copies);
        for (int r : {1, 2, 3})
            b->tickCell(r, 0); // the open slip gets no invoice
        QTEST(b->invoicePaperInstruction(), "text");
    }

    void viewSortsAndFilters_data()
    {
        dataColumns<int, bool, QString, QString, QDate, QDate, QString>("column", "descending", "technician", "status",
                                                                        "from", "to", "shown");
        dataRow("file order", -1, false, "", "", QDate(), QDate(), "9 10 100 20 3");
        dataRow("numbers as numbers", 1, false, "", "", QDate(), QDate(), "3 9 10 20 100");
        dataRow("numbers reversed", 1, true, "", "", QDate(), QDate(), "100 20 10 9 3");
        // 12/30/2025 before 1/2/2026 (09:00 before the afternoon's 01:00-03:00), the slip without a date last.
        dataRow("dates as dates", 7, false, "", "", QDate(), QDate(), "100 3 9 20 10");
        dataRow("dates reversed, undated still last", 7, true, "", "", QDate(), QDate(), "20 9 3 100 10");
        dataRow("priority by urgency", 2, false, "", "", QDate(), QDate(), "10 100 20 3 9");
        dataRow("status in workflow order", 4, false, "", "", QDate(), QDate(), "10 9 20 100 3");
        dataRow("one technician", -1, false, "Al", "", QDate(), QDate(), "9 20");
        dataRow("not assigned", -1, false, "Not Assigned", "", QDate(), QDate(), "10");
        dataRow("status, sorted", 1, true, "", "Assigned", QDate(), QDate(), "20 9");
        // Both ends of a date range are in it: a first day, a last day, one day, over the year's end.
        dataRow("date range", -1, false, "", "", QDate(2026, 1, 2), QDate(2026, 1, 9), "9 3");
        dataRow("up to a date", -1, false, "", "", QDate(), QDate(2026, 1, 10), "9 100 20 3");
        dataRow("one day", -1, false, "", "", QDate(2026, 1, 10), QDate(2026, 1, 10), "20");
        dataRow("over the year's end", -1, false, "", "", QDate(2025, 12, 30), QDate(2026, 1, 2), "9 100 3");
        dataRow("from a date on", 1, false, "", "", QDate(2026, 1, 2), QDate(), "3 9 20");
    }
    void viewSortsAndFilters()
    {
        auto [column, descending, technician, status, from, to] = fetched<int, bool, QString, QString, QDate, QDate>(
            "column", "descending", "technician", "status", "from", "to");
        Board b(kViewSlips);
        const BoardView view{column, descending, technician, status, from.isValid() || to.isValid(), from, to};
        b->setShownRows(view.arrange(*b.board));
        QTEST(shownNumbers(*b.board), "shown");
        // What the store keeps gives the same view back.
        QVERIFY(BoardView::fromBytes(view.toBytes()) == view);
    }

    void ticksStayWithTheirSlips()
    {
        Board b(kViewSlips);
        b->tickCell(1, 0); // 9
        b->tickCell(5, 0); // 3
        BoardView view;
        view.clickHeading(1);
        view.clickHeading(1); // numbers, descending
        view.technician = "Al";
        b->setShownRows(view.arrange(*b.board));
        QCOMPARE(shownNumbers(*b.board), "20 9");
        QCOMPARE(b->cell(b->boardRow(2), 0), QStringLiteral(" ") + QChar(0x00AB));
        QCOMPARE(b->cell(b->boardRow(1), 0), "");
        QCOMPARE(b->hiddenTicked(), 1);
        QCOMPARE(b->currentSlipRow(), 5); // the last ticked, though hidden
        // The group actions say how many ticked slips the filter hides.
        QVERIFY(b->deleteSelected().question.endsWith("(1 of the 2 ticked slips is hidden by the filter)"));
        QVERIFY(b->completeSelected().question.contains("(1 of the 2 ticked slips is hidden by the filter)"));
        // Select All ticks what is shown and keeps the ticks the filter hides; De-Select All unticks everything.
        b->selectAll(true);
        QCOMPARE(b->countTicked(), 3);
        QCOMPARE(b->hiddenTicked(), 1);
        b->selectAll(false);
        QCOMPARE(b->countTicked(), 0);
        // Unfiltered again, nothing is hidden and the old ticks are where they were.
        b->tickCell(5, 0);
        b->setShownRows(BoardView().arrange(*b.board));
        QCOMPARE(b->hiddenTicked(), 0);
        QVERIFY(b->tickedRows() == std::vector<int>{5});
    }

    void findBySlipNumberOrCustomer()
    {
        Board b(kViewSlips);
        QCOMPARE(BoardView::findNext(*b.board, "20", 0), 4);
        QCOMPARE(BoardView::findNext(*b.board, "site 10", 0), 2);
        QCOMPARE(BoardView::findNext(*b.board, "SITE 10", 2), 3); // the next match
        QCOMPARE(BoardView::findNext(*b.board, "site 10", 3), 2); // round again from the top
        QCOMPARE(BoardView::findNext(*b.board, "jane", 5), 1);    // the account's name
        QCOMPARE(BoardView::findNext(*b.board, "nobody", 0), 0);
        BoardView view;
        view.technician = "Al";
        b->setShownRows(view.arrange(*b.board));
        QCOMPARE(BoardView::findNext(*b.board, "100", 0), 0);
        QVERIFY(BoardView::hiddenMatch(*b.board, "100"));
        QVERIFY(!BoardView::hiddenMatch(*b.board, "20"));
        // Damaged view bytes give the plain view.
        QVERIFY(BoardView::fromBytes("{\"sortColumn\": 99, \"descending") == BoardView());
    }

    // A technician's day in time order, the slips without a time last; complete slips and other days left out.
    void routeSheetDays()
    {
        const std::vector<Record> slips = boardSlips(
            {"1|Assigned|Al|1/15/2026|None", "2|Assigned|Al|1/15/2026|01:00-03:00", "3|In Progress|Al|1/15/2026|08:00",
             "4|Complete|Al|1/15/2026|09:00", "5|Assigned|Al|1/16/2026|08:00", "6|Assigned|Bo|1/15/2026|10:00-12:00",
             "7|Assigned|Zed|1/15/2026|08:00", "8|Assigned|Cy|1/14/2026|08:00", "9|Assigned|Al|1/15/2026|10:00"});
        const QStringList technicians = {"Bo", "Cy", "Al"};
        const auto summary = [](const std::vector<RouteSheetDay> &days) {
            QStringList out;
            for (const RouteSheetDay &day : days) {
                QStringList stops;
                for (const RouteStop &stop : day.stops)
                    stops << stop.slipNo;
                out << day.technician + ": " + stops.join(' ');
            }
            return out.join("; ");
        };
        const QDate day(2026, 1, 15);
        QCOMPARE(summary(RouteSheet::days(slips, technicians, "Al", day)), "Al: 3 9 2 1");
        QCOMPARE(summary(RouteSheet::days(slips, technicians, RouteSheet::kAllTechnicians, day)),
                 "Bo: 6; Al: 3 9 2 1; Zed: 7");
        QVERIFY(RouteSheet::days(slips, technicians, "Cy", day).empty());
        const RouteStop stop = RouteSheet::days(slips, technicians, "Bo", day).front().stops.front();
        QCOMPARE(stop.location, (QStringList{"Site 6", "1 Elm St", "Springfield IL 62701"}));
        QCOMPARE(stop.locationTelephone + " " + stop.customer + " " + stop.time, "555-0101 Jane Doe 10:00-12:00");
    }
};

QTEST_GUILESS_MAIN(TestBoardState)
#include "tst_boardstate.moc"
