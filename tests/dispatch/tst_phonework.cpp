#include "boardsamples.h"
#include "core/clock.h"
#include "core/diskerror.h"
#include "core/settings.h"
#include "crashsupport.h"
#include "dispatch/phonework.h"
#include "testsupport.h"
#include "tooltesting.h"

#include <QTest>

using PhoneWork::Action;

namespace {

// Friday 12/4/2026 at 10:42; the next working day of a Monday to Friday week is Monday 12/7.
const QDateTime kNow(QDate(2026, 12, 4), QTime(10, 42));

const QStringList kBoard = {
    "1|Assigned|Al|12/4/2026|10:00-12:00", "2|Assigned|Al|12/8/2026|08:00", "3|In Progress|Bob|12/4/2026|08:00",
    "4|Open|Al|12/4/2026|08:00",           "5|Suspended|Al|0|None",         "6|Complete|Al|12/4/2026|09:00"};

PhoneWork::Request request(const QString &technician, int slip, Action action, const QString &text = {})
{
    return {technician, qint16(slip), action, text, QStringLiteral("p1")};
}

QString serviceOf(const Record &slip)
{
    return slip.text(SlipField::ServiceRequired);
}

} // namespace

class TestPhoneWork : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void dayOfTheTechnician_data()
    {
        dataColumns<int, QString>("week", "slips");
        dataRow("Friday, then Monday", int(WorkWeek::MondayToFriday), "2 1 9 4 | 6");
        dataRow("Friday, then Saturday", int(WorkWeek::MondayToSaturday), "2 1 9 4 | 5");
    }
    // Today's slips and the next working day's, by day, time slot and number; others' and completed ones left out.
    void dayOfTheTechnician()
    {
        QFETCH(int, week);
        TestRoot root;
        writeActiveSlips(root.folder(), {"1|Assigned|Al|12/4/2026|10:00-12:00", "2|Assigned|Al|12/4/2026|08:00-10:00",
                                         "3|Assigned|Bob|12/4/2026|08:00", "4|Assigned|Al|12/4/2026|05:00",
                                         "5|Assigned|Al|12/5/2026|08:00", "6|In Progress|Al|12/7/2026|08:00",
                                         "7|Assigned|Al|12/8/2026|08:00", "8|Suspended|Al|0|None",
                                         "9|Assigned|Al|12/4/2026|01:00-03:00", "10|Complete|Al|12/4/2026|09:00",
                                         "11|Assigned|Al|12/3/2026|09:00", "12|Assigned|al|12/4/2026|09:00"});
        Settings settings;
        settings.workWeek = WorkWeek(week);
        const auto day = PhoneWork::technicianDay(root.folder(), settings, kNow.date(), "Al");
        QStringList numbers;
        for (std::size_t i = 0; i < day.size(); ++i)
            numbers << (i > 0 && day[i].date != day[i - 1].date ? "| " : "") + QString::number(day[i].slipNo);
        QFETCH(QString, slips);
        QCOMPARE(numbers.join(' '), slips);
        const PhoneWork::PhoneSlip &first = day.front();
        QCOMPARE(
            QStringList({first.customer, first.address, first.telephone, first.time, first.status, first.services}),
            QStringList(
                {"Site 2", "1 Elm St, Springfield, IL 62701", "555-0101", "08:00-10:00", "Assigned", "Leaking tap"}));
    }

    void refusals_data()
    {
        dataColumns<QString, int, int, QString, QString>("technician", "slip", "action", "text", "refusal");
        const int start = int(Action::Start), complete = int(Action::Complete), cant = int(Action::CantFinish);
        dataRow("no such slip", "Al", 99, start, "", "Slip 99 is not among your active slips");
        dataRow("another's slip", "Al", 3, complete, "", "Slip 3 is not among your active slips");
        dataRow("completed, not saved yet", "Al", 6, start, "", "Slip 6 is not among your active slips");
        dataRow("no technician", "", 1, start, "", "Slip 1 is not among your active slips");
        dataRow("signed out", "Bob", 8, start, "", "Bob is already signed out");
        dataRow("open slip suspended", "Al", 4, cant, "no part",
                "The Service Slip can only be Assigned or Set to In Progress");
        dataRow("no reason", "Al", 1, cant, "  ", "Say why the job cannot be finished");
        dataRow("started without a time", "Al", 5, start, "",
                "Select a Date and Time\r\nor Change Status to Suspended");
        dataRow("completed without a date", "Al", 5, complete, "done",
                "A Scheduled Date for Slip # 5\r\nhas not been selected\r\nThe Slip will not be completed");
        dataRow("note too long", "Al", 1, complete, QString(180, 'x'),
                "The note is too long for the slip: 167 of its 180 characters fit (each line break counts as 2). "
                "Shorten it and send it again.");
        dataRow("unstorable note", "Al", 1, complete, QString::fromUtf8("fixed \xE2\x9C\x93"),
                QString::fromUtf8("The character \"\xE2\x9C\x93\" cannot be stored in the data files. Please type "
                                  "another character."));
    }
    // Nothing is written on a refusal, the refusal is logged, and another technician's slip reads as missing.
    void refusals()
    {
        QFETCH(QString, technician);
        QFETCH(int, slip);
        QFETCH(int, action);
        QFETCH(QString, text);
        QFETCH(QString, refusal);
        TestRoot root;
        writeActiveSlips(root.folder(), kBoard + QStringList{"8|Assigned|Bob|12/4/2026|09:00"});
        const auto before = snapshot(root.path());
        const FixedClock clock(kNow);
        const auto outcome = PhoneWork::store(root.folder(), clock, request(technician, slip, Action(action), text));
        QVERIFY(!outcome.stored);
        QCOMPARE(outcome.refusal, refusal);
        auto after = snapshot(root.path());
        QVERIFY(after.take("PhoneChanges.log").contains(" | refused: "));
        QCOMPARE(after, before);
    }

    void storedBytes_data()
    {
        dataColumns<int, int, QString, QString, QString, QString>("slip", "action", "text", "active", "completed",
                                                                  "service");
        const QString rest = "; 3:In Progress 12/4/2026 08:00; 4:Open 12/4/2026 08:00; 5:Suspended 0 None; "
                             "6:Complete 12/4/2026 09:00";
        dataRow("start", 1, int(Action::Start), "",
                "1:In Progress 12/4/2026 10:00-12:00; 2:Assigned 12/8/2026 08:00" + rest, "7:Complete 1/1/2026 08:00",
                "Leaking tap");
        dataRow("can't finish", 1, int(Action::CantFinish), "no part\nin the van",
                "1:Suspended 0 None; 2:Assigned 12/8/2026 08:00" + rest, "7:Complete 1/1/2026 08:00",
                "Leaking tap\r\nAl 12/4/2026 10:42: no part\r\nin the van");
        dataRow("complete a future slip", 2, int(Action::Complete), " replaced filter ",
                "1:Assigned 12/4/2026 10:00-12:00" + rest, "7:Complete 1/1/2026 08:00; 2:Complete 12/4/2026 08:00",
                "Leaking tap\r\nAl 12/4/2026 10:42: replaced filter");
        dataRow("complete without a note", 1, int(Action::Complete), "", "2:Assigned 12/8/2026 08:00" + rest,
                "7:Complete 1/1/2026 08:00; 1:Complete 12/4/2026 10:00-12:00", "Leaking tap");
    }
    // What Start, Can't finish and Complete leave in the slip files; the same request sent again adds nothing.
    void storedBytes()
    {
        QFETCH(int, slip);
        QFETCH(int, action);
        QFETCH(QString, text);
        QFETCH(QString, active);
        QFETCH(QString, completed);
        QFETCH(QString, service);
        TestRoot root;
        writeActiveSlips(root.folder(), kBoard);
        root.write(SlipFiles::kCompleted, boardSlip("7|Complete|Bob|1/1/2026|08:00").bytes());
        const FixedClock clock(kNow);
        const auto asked = request("Al", slip, Action(action), text);
        const PhoneWork::Outcome outcome = PhoneWork::store(root.folder(), clock, asked);
        QVERIFY(outcome.stored);
        QCOMPARE(serviceOf(outcome.after), service);
        // Only the status, the schedule and the service text change.
        Record expected = boardSlip(kBoard[slip - 1]);
        for (int f : {SlipField::Status, SlipField::SchedDate, SlipField::SchedTime, SlipField::ServiceRequired})
            expected.setText(f, outcome.after.text(f));
        QCOMPARE(outcome.after.bytes(), expected.bytes());
        const auto files = snapshot(root.path());
        if (asked.action != Action::Complete) // a completion sent again finds the slip gone and is refused
            QVERIFY(PhoneWork::store(root.folder(), clock, asked).stored);
        QCOMPARE(snapshot(root.path()).value("ServiceSlips.txt"), files.value("ServiceSlips.txt"));
        QCOMPARE(slipSummary(root.folder(), SlipFiles::kActive), active);
        QCOMPARE(slipSummary(root.folder(), SlipFiles::kCompleted), completed);
        const QList<QByteArray> log = root.read(PhoneWork::kLog).split('\n');
        QVERIFY2(log[0].startsWith("2026-12-04T10:42:00 | slip " + QByteArray::number(slip) + " | Al | phone p1 | "),
                 log[0].constData());
        QVERIFY2(log[0].contains(" | stored: "), log[0].constData());
    }

    // Phones completing and suspending slips of a sample folder leave it sound in the data tool's eyes.
    void sampleFolderStaysSound()
    {
        TestRoot root;
        generateSmall(root);
        const FixedClock clock(QDateTime(kSampleDay, QTime(16, 5)));
        int done = 0;
        for (const Record &s : LoadActiveSlips(root.folder())) {
            if (s.text(SlipField::Status) != "Assigned" || s.text(SlipField::SchedDate) == "0" || done == 2)
                continue;
            const Action action = done++ == 0 ? Action::Complete : Action::CantFinish;
            QVERIFY(PhoneWork::store(root.folder(), clock,
                                     request(s.text(SlipField::AssignedTo), s.int16(SlipField::SlipNo), action, "ok"))
                        .stored);
        }
        QCOMPARE(done, 2);
        const ToolRun check = runTool({"check", root.path()});
        QVERIFY2(check.status == 0, qPrintable(check.out));
    }

    // A log past its limit becomes the older log and a new one begins.
    void logRotates()
    {
        TestRoot root;
        root.write(PhoneWork::kLog, QByteArray(PhoneWork::kLogLimit - 10, 'x'));
        const FixedClock clock(kNow);
        PhoneWork::store(root.folder(), clock, request("Al", 99, Action::Start));
        QCOMPARE(root.read(PhoneWork::kOldLog).size(), PhoneWork::kLogLimit - 10);
        QCOMPARE(root.read(PhoneWork::kLog),
                 QByteArray("2026-12-04T10:42:00 | slip 99 | Al | phone p1 | Start | refused: Slip 99 is not among "
                            "your active slips\n"));
    }

    void stoppedAtEveryStep_data()
    {
        dataColumns<int>("fault");
        dataRow("killed", int(Fault::Kill));
        dataRow("disk full", int(Fault::FullDisk));
    }
    // A completion stopped at any step of its writes leaves, after the next start, the slip files as before or as
    // after (never torn, never the slip in both files); a failure said to the phone leaves them as before.
    void stoppedAtEveryStep()
    {
        QFETCH(int, fault);
        const QString before =
            "1:Assigned 12/4/2026 10:00-12:00; 2:Assigned 12/8/2026 08:00 | 7:Complete 1/1/2026 08:00";
        const QString after =
            "2:Assigned 12/8/2026 08:00 | 7:Complete 1/1/2026 08:00; 1:Complete 12/4/2026 10:00-12:00";
        int stops = 0;
        for (int k = 0;; ++k) {
            QVERIFY2(k < 200, "the change never ends");
            TestRoot root;
            DataFolder folder = root.folder();
            writeActiveSlips(folder, kBoard.mid(0, 2));
            root.write(SlipFiles::kCompleted, boardSlip("7|Complete|Bob|1/1/2026|08:00").bytes());
            const FixedClock clock(kNow);
            QString message;
            bool stored = false;
            if (!runWithFaultAt(
                    folder, k, Fault(fault),
                    [&] {
                        stored = PhoneWork::store(folder, clock, request("Al", 1, Action::Complete, "done")).stored;
                    },
                    &message))
                break;
            ++stops;
            repairAsAtStart(root.folder());
            const QString files =
                slipSummary(folder, SlipFiles::kActive) + " | " + slipSummary(folder, SlipFiles::kCompleted);
            const QString at = QString("stopped at step %1: %2").arg(k).arg(files);
            QVERIFY2(files == before || files == after, qPrintable(at));
            QVERIFY2(message.isEmpty() || files == before, qPrintable(at + " after " + message));
            QVERIFY2(!stored || files == after, qPrintable(at));
            QVERIFY(!root.read(PhoneWork::kLog).contains('\0'));
            QVERIFY(root.read(PhoneWork::kLog).isEmpty() || root.read(PhoneWork::kLog).endsWith('\n'));
        }
        QVERIFY(stops >= 10);
    }
};

QTEST_GUILESS_MAIN(TestPhoneWork)
#include "tst_phonework.moc"
