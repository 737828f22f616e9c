#include "boardsamples.h"
#include "core/clock.h"
#include "core/settings.h"
#include "phone/phonework.h"
#include "statustable.h"
#include "testsupport.h"
#include "tooltesting.h"

#include <QTest>

using PhoneWork::Action;

namespace {

// Friday 12/4/2026 at 10:42; the next working day of a Monday to Friday week is Monday 12/7.
const QDateTime kNow(QDate(2026, 12, 4), QTime(10, 42));

const QStringList kBoard = {
    "1|Assigned|Al|12/4/2026|10:00-12:00", "2|Assigned|Al|12/8/2026|08:00", "3|In Progress|Bob|12/4/2026|08:00",
    "4|Open|Al|12/4/2026|08:00",           "5|Suspended|Al|0|None",         "6|Complete|Al|12/4/2026|09:00",
    "8|Assigned|Bob|12/4/2026|09:00"};

PhoneWork::Request request(const QString &technician, int slip, Action action, const QString &text = {})
{
    return {technician, qint16(slip), action, text, QStringLiteral("p1"), QStringLiteral("tap-0001")};
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
        dataRow("Friday, then Monday", int(WorkWeek::MondayToFriday), "2 1@10:40 9 4 | 6");
        dataRow("Friday, then Saturday", int(WorkWeek::MondayToSaturday), "2 1@10:40 9 4 | 5");
    }
    // Today's slips and the next working day's, by day, time slot and number; others' and completed ones left out.
    // A slip the office saved over a phone's change says when (@), unless a phone stored another change since.
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
        root.write(PhoneWork::kRequests,
                   "day\t2026-12-04\nO\t1\t10:40\nO\t2\t10:41\nR\tAl\tt\t2\tStart\t10:42\tstored\n");
        Settings settings;
        settings.workWeek = WorkWeek(week);
        const auto day = PhoneWork::technicianDay(root.folder(), settings, kNow.date(), "Al");
        QStringList numbers;
        for (std::size_t i = 0; i < day.size(); ++i)
            numbers << (i > 0 && day[i].date != day[i - 1].date ? "| " : "") + QString::number(day[i].slipNo) +
                           day[i].officeChanged.toString("@HH:mm");
        QFETCH(QString, slips);
        QCOMPARE(numbers.join(' '), slips);
        const PhoneWork::PhoneSlip &f = day.front();
        QCOMPARE(QStringList({f.customer, f.address, f.telephone, f.time, f.status, f.services}).join('|'),
                 "Site 2|1 Elm St, Springfield, IL 62701|555-0101|08:00-10:00|Assigned|Leaking tap");
    }

    void requests_data()
    {
        // Refused: the refusal. Stored: the slip files ("active | completed") and the slip's service text after.
        dataColumns<QString, int, int, QString, QString>("technician", "slip", "action", "text", "result");
        const int start = int(Action::Start), complete = int(Action::Complete), cant = int(Action::CantFinish);
        const QString rest = "3:In Progress 12/4/2026 08:00; 4:Open 12/4/2026 08:00; 5:Suspended 0 None; "
                             "6:Complete 12/4/2026 09:00; 8:Assigned 12/4/2026 09:00 | 7:Complete 1/1/2026 08:00";
        dataRow("start", "Al", 1, start, "",
                "1:In Progress 12/4/2026 10:00-12:00; 2:Assigned 12/8/2026 08:00; " + rest + " | Leaking tap");
        dataRow("can't finish", "Al", 1, cant, "no part\nin the van",
                "1:Suspended 0 None; 2:Assigned 12/8/2026 08:00; " + rest +
                    " | Leaking tap\r\nAl 12/4/2026 10:42: no part\r\nin the van");
        dataRow("complete a future slip", "Al", 2, complete, " replaced filter ",
                "1:Assigned 12/4/2026 10:00-12:00; " + rest +
                    "; 2:Complete 12/4/2026 08:00 | Leaking tap\r\nAl 12/4/2026 10:42: replaced filter");
        dataRow("complete, no note", "Al", 1, complete, "",
                "2:Assigned 12/8/2026 08:00; " + rest + "; 1:Complete 12/4/2026 10:00-12:00 | Leaking tap");
        dataRow("no such slip", "Al", 99, start, "", "Slip 99 is not among your active slips");
        dataRow("another's slip", "Al", 3, complete, "", "Slip 3 is not among your active slips");
        dataRow("completed, not saved yet", "Al", 6, start, "", "Slip 6 is not among your active slips");
        dataRow("no technician", "", 1, start, "", "Slip 1 is not among your active slips");
        dataRow("signed out", "Bob", 8, start, "", "Bob is already signed out");
        dataRow("open slip suspended", "Al", 4, cant, "x",
                "The Service Slip can only be Assigned or Set to In Progress");
        dataRow("no reason", "Al", 1, cant, "  ", "Say why the job cannot be finished");
        dataRow("note too long", "Al", 1, complete, QString(180, 'x'),
                "The note is too long for the slip: 167 of its 180 characters fit (each line break counts as 2). "
                "Shorten it and send it again.");
        dataRow("unstorable note", "Al", 1, complete, QString::fromUtf8("fixed \xE2\x9C\x93"),
                QString::fromUtf8("The character \"\xE2\x9C\x93\" cannot be stored in the data files. Please type "
                                  "another character."));
    }
    // What Start, Can't finish and Complete store (nothing but the slip's status, schedule and service text
    // changes); a refusal writes nothing, and another technician's slip reads as a missing one. Each is logged. Sent
    // again later (even once the office put the slip back), it gets the first answer, also after an unfinished try.
    void requests()
    {
        auto [technician, slip, action, text, result] =
            fetched<QString, int, int, QString, QString>("technician", "slip", "action", "text", "result");
        TestRoot root;
        writeActiveSlips(root.folder(), kBoard);
        root.write(SlipFiles::kCompleted, boardSlip("7|Complete|Bob|1/1/2026|08:00").bytes());
        const auto before = snapshot(root.path());
        const FixedClock clock(kNow);
        const auto asked = request(technician, slip, Action(action), text);
        const PhoneWork::Outcome outcome = PhoneWork::store(root.folder(), clock, asked);
        auto files = snapshot(root.path());
        const QByteArray log = files.take("PhoneChanges.log");
        QVERIFY2(log.contains(outcome.stored ? " | stored: " : " | refused: "), log.constData());
        if (!outcome.stored) {
            QCOMPARE(outcome.refusal, result);
            QCOMPARE(files, before);
            return;
        }
        Record expected = boardSlip(kBoard[slip - 1]);
        for (int f : {SlipField::Status, SlipField::SchedDate, SlipField::SchedTime, SlipField::ServiceRequired})
            expected.setText(f, outcome.after.text(f));
        QCOMPARE(outcome.after.bytes(), expected.bytes());
        const auto slips = [&] { return root.read(SlipFiles::kActive) + root.read(SlipFiles::kCompleted); };
        const QByteArray once = slips();
        root.write(PhoneWork::kRequests, root.read(PhoneWork::kRequests).replace("\tstored", "\tpending"));
        QVERIFY(PhoneWork::store(root.folder(), FixedClock(kNow.addSecs(90)), asked).stored);
        QCOMPARE(slips(), once);
        QCOMPARE(slipSummary(root.folder(), SlipFiles::kActive) + " | " +
                     slipSummary(root.folder(), SlipFiles::kCompleted) + " | " +
                     outcome.after.text(SlipField::ServiceRequired),
                 result);
        root.write(SlipFiles::kActive, before.value("ServiceSlips.txt"));
        QCOMPARE(PhoneWork::store(root.folder(), FixedClock(kNow.addSecs(90)), asked).at, QTime(10, 42));
        QCOMPARE(root.read(SlipFiles::kActive), before.value("ServiceSlips.txt"));
    }

    // The status rule as a phone meets it: the same rows and words as the board's (tests/dispatch/tst_boardstate).
    void statusTable_data() { StatusTable::rows(); }
    void statusTable()
    {
        auto [slip, action, words] = fetched<QString, int, QString>("slip", "action", "words");
        TestRoot root;
        writeActiveSlips(root.folder(), {slip, StatusTable::kOther});
        const QByteArray before = root.read(SlipFiles::kActive);
        const QString technician = boardSlip(slip).text(SlipField::AssignedTo);
        const auto outcome =
            PhoneWork::store(root.folder(), FixedClock(kNow), request(technician, 1, Action(action), "no part"));
        QCOMPARE(outcome.stored ? QString() : outcome.refusal, words);
        if (outcome.stored)
            QCOMPARE(outcome.after.text(SlipField::Status), StatusTable::status(action));
        else
            QCOMPARE(root.read(SlipFiles::kActive), before);
    }

    // Phones completing and suspending slips of a sample folder leave it sound in the data tool's eyes; a log past
    // its limit becomes the older log and a new one begins.
    void sampleFolderStaysSound()
    {
        TestRoot root;
        generateSmall(root);
        root.write(PhoneWork::kLog, QByteArray(PhoneWork::kLogLimit - 10, 'x'));
        const FixedClock clock(QDateTime(kSampleDay, QTime(16, 5)));
        QStringList done;
        for (const Record &s : LoadActiveSlips(root.folder())) {
            const QString who = s.text(SlipField::AssignedTo), no = QString::number(s.int16(SlipField::SlipNo));
            if (s.text(SlipField::Status) == "Assigned" && s.text(SlipField::SchedDate) != "0" && done.size() < 2 &&
                PhoneWork::store(root.folder(), clock, request(who, no.toInt(), Action(done.size() + 1), "ok")).stored)
                done << QString("2026-03-04T16:05:00 | slip %1 | %2 | phone p1 | %3 | ok").arg(no, who);
        }
        QCOMPARE(done.size(), 2);
        QCOMPARE(root.read(PhoneWork::kOldLog).size(), PhoneWork::kLogLimit - 10);
        QCOMPARE(QString(root.read(PhoneWork::kLog)), done[0].arg("Complete | stored: Assigned -> Complete") + '\n' +
                                                          done[1].arg("Can't finish | stored: Assigned -> Suspended") +
                                                          '\n');
        const ToolRun check = runTool({"check", root.path()});
        QVERIFY2(check.status == 0, qPrintable(check.out));
    }
};

QTEST_GUILESS_MAIN(TestPhoneWork)
#include "tst_phonework.moc"
