#include "core/clock.h"
#include "core/diskerror.h"
#include "core/slipcounter.h"
#include "crashsupport.h"
#include "dispatch/newslip.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipstore.h"
#include "phone/phonework.h"
#include "slipsamples.h"
#include "testsupport.h"

#include <QTest>

namespace {

// "number status assignment date time"; missing parts as a new unscheduled slip has them.
Record slip(const QString &fields)
{
    return SlipSamples::slip(QString(fields).replace(' ', '|'));
}

// A window's slips, unchanged since read: `drop` to be deleted, `keep` to stay.
std::vector<SlipStore::Held> dropped(const QStringList &drop, const QStringList &keep)
{
    std::vector<SlipStore::Held> held;
    for (const QString &s : drop)
        held.push_back({slip(s), slip(s), true});
    for (const QString &s : keep)
        held.push_back({slip(s), slip(s), false});
    return held;
}

// The slip numbers of the active and completed files; "-" for a file that does not exist.
QString files(const TestRoot &root)
{
    QStringList out;
    for (const QString &file : {SlipFiles::kActive, SlipFiles::kCompleted}) {
        QStringList numbers;
        for (const Record &r : root.folder().readRecords(file, serviceSlipLayout()))
            numbers.append(QString::number(r.int16(SlipField::SlipNo)));
        out.append(root.exists(file) ? numbers.join(' ') : "-");
    }
    return out.join(" | ") + (root.exists("/Backup/ServiceSlips.txt") ? " +backup" : "");
}

} // namespace

class TestSlipFiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    // Before: slip 77 active with a Backup copy; "+900": slip 900 waits in the completed file.
    void saveEndStates_data()
    {
        dataColumns<QStringList, QString>("board", "after");
        QTest::newRow("mixed") << QStringList{"1", "2 Complete", "3 Suspended", "4 Complete"} << "1 3 | 2 4";
        QTest::newRow("all complete") << QStringList{"+900", "1 Complete", "2 Complete"} << "- | 900 1 2";
        QTest::newRow("none complete") << QStringList{"1", "2 complete"} << "1 2 | -";
        QTest::newRow("none complete, waiting kept") << QStringList{"+900", "1"} << "1 | 900";
    }
    void saveEndStates()
    {
        QFETCH(QStringList, board);
        TestRoot root;
        root.write(SlipFiles::kActive, slip("77").bytes());
        root.write("/Backup/ServiceSlips.txt", slip("77").bytes());
        if (board.removeAll("+900"))
            root.write(SlipFiles::kCompleted, slip("900 Complete").bytes());
        std::vector<Record> rows;
        for (const QString &row : board)
            rows.push_back(slip(row));
        SlipStore(root.folder()).saveWhole(rows);
        QTEST(files(root), "after");
    }

    void savesStoppedAtEveryWrite_data()
    {
        dataColumns<bool, int>("phone", "fault");
        dataRow("board save of 2,500 completions killed", false, int(Fault::Kill));
        dataRow("a phone's completion killed", true, int(Fault::Kill));
        dataRow("a phone's completion on a full disk", true, int(Fault::FullDisk));
    }
    // Both writers of the slip files stopped at each write: after the restart the files are as before or after, never
    // torn, never a slip in both; a failure said (or a success) is what the files hold.
    void savesStoppedAtEveryWrite()
    {
        auto [phone, fault] = fetched<bool, int>("phone", "fault");
        std::vector<Record> board;
        QByteArray active, activeAfter, completedAfter;
        for (int n = 1; n <= (phone ? 3 : 2600); ++n) {
            Record row = slip(QString::number(n) + " Assigned Al 3/9/2026 08:00");
            active += row.bytes();
            const bool completes = phone ? n == 2 : n % 26 != 0;
            if (completes)
                row.setText(SlipField::Status, "Complete");
            (completes ? completedAfter : activeAfter) += row.bytes();
            board.push_back(row);
        }
        const QByteArray completedBefore = slip("9000 Complete").bytes();
        completedAfter.prepend(completedBefore);
        const FixedClock clock(QDateTime(QDate(2026, 3, 9), QTime(9, 0)));
        // What a start leaves beside the two slip files (the counter, the settings it writes): nothing else stays.
        QStringList started;
        {
            TestRoot root;
            root.write(SlipFiles::kActive, active);
            root.write(SlipFiles::kCompleted, completedBefore);
            repairAsAtStart(root.folder());
            started = snapshot(root.path(), true).keys();
        }
        int k = 0;
        for (QString said;; ++k, said.clear()) {
            TestRoot root;
            root.write(SlipFiles::kActive, active);
            root.write(SlipFiles::kCompleted, completedBefore);
            DataFolder folder = root.folder();
            bool stored = false;
            const auto save = [&] {
                if (phone)
                    stored = PhoneWork::store(folder, clock, {"Al", 2, PhoneWork::Action::Complete, {}, "p1"}).stored;
                else
                    SlipStore(folder).saveWhole(board);
            };
            if (!runWithFaultAt(folder, k, Fault(fault), save, &said))
                break;
            repairAsAtStart(root.folder());
            const QByteArray files = root.read(SlipFiles::kActive) + '|' + root.read(SlipFiles::kCompleted);
            const bool before = files == active + '|' + completedBefore;
            QVERIFY2((before || files == activeAfter + '|' + completedAfter) && (!stored || !before) &&
                         (said.isEmpty() || before),
                     qPrintable(QString("stopped at write %1: %2").arg(k).arg(said)));
            const QByteArray log = root.read(PhoneWork::kLog);
            QVERIFY(!log.contains('\0') && (log.isEmpty() || log.endsWith('\n')));
            QStringList left = snapshot(root.path(), true).keys();
            left.removeOne("PhoneChanges.log");
            QCOMPARE(left, started);
        }
        QVERIFY(k >= 10);
        qInfo("%d stops", k);
    }

    // A window's save against what is stored now: slip 1 as the window read it ("Assigned"), as the window has it
    // and as the file holds it ("gone": it left the active file); slip 9 was stored since and is not the window's.
    void saveKeepsWhatWasStoredSince_data()
    {
        dataColumns<QString, QString, bool, bool, QString, int>("mine", "stored", "drop", "move", "after",
                                                                "notKept");
        dataRow("unchanged here: the stored slip stays", "Assigned", "In Progress", false, true,
                "1 In Progress, 9 Open | -", 0);
        dataRow("changed here only: written", "Suspended", "Assigned", false, true, "1 Suspended, 9 Open | -", 0);
        dataRow("changed on both sides: the stored slip stands", "Suspended", "In Progress", false, true,
                "1 In Progress, 9 Open | -", 1);
        dataRow("the same change on both sides", "In Progress", "In Progress", false, true,
                "1 In Progress, 9 Open | -", 0);
        dataRow("left the active file: not written back", "Assigned", "gone", false, true, "9 Open | 1 Complete", 0);
        dataRow("left the active file, changed here: told", "Suspended", "gone", false, true, "9 Open | 1 Complete",
                1);
        dataRow("completed on both sides: once", "Complete", "gone", false, true, "9 Open | 1 Complete", 1);
        dataRow("completed here: moved", "Complete", "Assigned", false, true, "9 Open | 1 Complete", 0);
        dataRow("completed here, kept on the board", "Complete", "Assigned", false, false,
                "1 Complete, 9 Open | -", 0);
        dataRow("completed here, changed since: the stored slip stands", "Complete", "In Progress", false, true,
                "1 In Progress, 9 Open | -", 1);
        dataRow("deleted here", "Assigned", "In Progress", true, true, "9 Open | -", 0);
    }
    void saveKeepsWhatWasStoredSince()
    {
        auto [mine, stored, drop, move] = fetched<QString, QString, bool, bool>("mine", "stored", "drop", "move");
        TestRoot root;
        if (stored == "gone") {
            root.write(SlipFiles::kActive, slip("9").bytes());
            root.write(SlipFiles::kCompleted, slip("1 Complete").bytes());
        } else {
            root.write(SlipFiles::kActive, SlipSamples::slip("1|" + stored).bytes() + slip("9").bytes());
        }
        const std::vector<SlipStore::Held> held = {{slip("1 Assigned"), SlipSamples::slip("1|" + mine), drop}};
        const auto notKept = SlipStore(root.folder())
                                 .save(held, move ? SlipStore::Completed::Move : SlipStore::Completed::Stay);
        QStringList out;
        for (const QString &file : {SlipFiles::kActive, SlipFiles::kCompleted}) {
            QStringList shown;
            for (const Record &r : root.folder().readRecords(file, serviceSlipLayout()))
                shown << QString("%1 %2").arg(r.int16(SlipField::SlipNo)).arg(r.text(SlipField::Status));
            out << (root.exists(file) ? shown.join(", ") : "-");
        }
        QTEST(out.join(" | "), "after");
        QTEST(int(notKept.size()), "notKept");
        for (const SlipStore::NotKept &n : notKept)
            QCOMPARE(n.mine.text(SlipField::Status), mine);
    }

    // A save whose active file does not read back as written is not said to be done.
    void saveNotReadBackIsAFailure()
    {
        TestRoot root;
        root.write(SlipFiles::kActive, slip("1").bytes() + slip("2").bytes());
        DataFolder folder = root.folder();
        folder.setFaultHook([&root](const char *step, const QString &path) {
            if (QByteArray(step) == "delete" && path.endsWith(".jnl"))
                root.write(SlipFiles::kActive, slip("1").bytes() + slip("2").bytes()); // the write was lost
        });
        const std::vector<SlipStore::Held> held = {{slip("2"), slip("2 Complete"), false}};
        try {
            SlipStore(folder).save(held);
            QFAIL("said saved");
        } catch (const DiskError &e) {
            QVERIFY2(e.message().contains("do not read back as written"), qPrintable(e.message()));
        }
    }

    // A save stopped after adding its completed slips is taken back before the next write unless the board was written.
    void failedSaveSettledBeforeTheNextWrite_data()
    {
        dataColumns<QString, QString, QString>("stopAt", "write", "after");
        dataRow("new slip", "board file", "new slip", "1 2 5 | 7");
        dataRow("saved again", "board file", "save", "1 | 7 2");
        dataRow("slip deleted", "board file", "delete", "2 | 7");
        dataRow("program ends", "board file", "end", "1 2 | 7");
        dataRow("board written, new slip", "journal", "new slip", "1 5 | 7 2");
    }
    void failedSaveSettledBeforeTheNextWrite()
    {
        auto [stopAt, write] = fetched<QString, QString>("stopAt", "write");
        TestRoot root;
        SlipStore(root.folder()).append(slip("1"));
        SlipStore(root.folder()).append(slip("2"));
        root.write(SlipFiles::kCompleted, slip("7 Complete").bytes());
        DataFolder stopping = root.folder();
        const bool atJournal = stopAt == "journal";
        stopping.setFaultHook([atJournal](const char *step, const QString &path) {
            if (atJournal ? QByteArray(step) == "delete" && path.endsWith(".jnl")
                          : QByteArray(step) == "write" && path.endsWith("/ServiceSlips.txt"))
                throw Crash{};
        });
        const std::vector<Record> board = {slip("1"), slip("2 Complete")};
        QVERIFY_THROWS_EXCEPTION(Crash, SlipStore(stopping).saveWhole(board));
        QVERIFY(root.exists(SlipFiles::kBoardJournal));
        const DataFolder folder = root.folder();
        if (write == "new slip")
            SlipStore(folder).append(slip("5"));
        else if (write == "save")
            SlipStore(folder).saveWhole(board);
        else if (write == "delete")
            SlipStore(folder).save(dropped({"1"}, {"2"}), SlipStore::Completed::Stay);
        else
            SlipStore(folder).settle();
        repairAsAtStart(folder);
        QTEST(files(root), "after");
    }

    // A board journal that is damaged was never acted on: it goes, the files stay.
    void damagedBoardJournalIsDropped()
    {
        TestRoot root;
        root.write(SlipFiles::kActive, slip("1").bytes());
        root.write(SlipFiles::kBoardJournal, QByteArray("VDBOARD1") + QByteArray(40, '\0'));
        QVERIFY(!finishInterruptedBoardSave(root.folder()));
        QVERIFY(!root.exists(SlipFiles::kBoardJournal));
        QCOMPARE(root.read(SlipFiles::kActive), slip("1").bytes());
    }

    void rewriteAppendDelete()
    {
        TestRoot root;
        root.write(SlipFiles::kActive, slip("1").bytes() + slip("2 Complete").bytes());
        root.write("/Backup/ServiceSlips.txt", slip("77").bytes());
        SlipStore(root.folder()).save(dropped({"1"}, {"2 Complete"}), SlipStore::Completed::Stay);
        SlipStore(root.folder()).append(slip("3"));
        QCOMPARE(files(root), "2 3 | -"); // a "Complete" slip kept stays
        SlipStore(root.folder()).save(dropped({"2 Complete", "3"}, {}), SlipStore::Completed::Stay);
        QCOMPARE(files(root), "- | -");
        SlipStore(root.folder()).append(slip("4"));
        root.write("/Backup/ServiceSlips.txt", slip("4").bytes());
        SlipStore(root.folder()).replaceFile(SlipFiles::kActive, {});
        QCOMPARE(files(root), "- | -");
    }

    // A save cut short after storing the completed slips, with no journal: the next start takes them off the board.
    void completedSlipLeftOnTheBoard()
    {
        TestRoot root;
        SlipStore(root.folder()).append(slip("1"));
        SlipStore(root.folder()).append(slip("2"));
        root.write(SlipFiles::kCompleted, slip("7 Complete").bytes() + slip("2 Complete").bytes());
        QCOMPARE(files(root), "1 2 | 7 2");
        // Slip 7 again, received at another moment (the counter was set back): another job, which stays.
        Record again = slip("7 Complete");
        again.setReal(SlipField::DateReceived, 46000.5);
        SlipStore(root.folder()).append(again);
        QCOMPARE(completedLeftOnBoard(root.folder()), (std::vector<std::pair<int, int>>{{2, 2}}));
        QCOMPARE(removeCompletedLeftOnBoard(root.folder()), std::vector<int>{2});
        QCOMPARE(files(root), "1 7 | 7 2");
        QVERIFY(removeCompletedLeftOnBoard(root.folder()).empty());
        QCOMPARE(files(root), "1 7 | 7 2");
    }

    // A counter file that holds no slip number never hands out 0 or a negative number.
    void damagedCounterFile_data()
    {
        dataColumns<QByteArray, QByteArray, int, bool>("stored", "backup", "next", "noted"); // backup "": none
        QTest::newRow("a number") << QByteArray("1005\r\n") << QByteArray() << 1005 << false;
        QTest::newRow("text") << QByteArray("abc\r\n") << QByteArray() << 1000 << true;
        QTest::newRow("negative") << QByteArray("-5\r\n") << QByteArray() << 1000 << true;
        QTest::newRow("zero") << QByteArray("0\r\n") << QByteArray() << 1000 << true;
        QTest::newRow("empty line") << QByteArray("\r\n") << QByteArray() << 1000 << true;
        QTest::newRow("beyond the series") << QByteArray("40000\r\n") << QByteArray() << 1000 << true;
        QTest::newRow("the Backup copy holds one") << QByteArray("abc\r\n") << QByteArray("1234\r\n") << 1234 << true;
        QTest::newRow("the Backup copy too is damaged") << QByteArray("-5") << QByteArray("x") << 1000 << true;
    }
    void damagedCounterFile()
    {
        auto [stored, backup, next, noted] =
            fetched<QByteArray, QByteArray, int, bool>("stored", "backup", "next", "noted");
        TestRoot root;
        root.write("/SlipNo.txt", stored);
        if (!backup.isEmpty())
            root.write("/Backup/SlipNo.txt", backup);
        SlipCounter counter;
        const auto note = counter.load(root.folder());
        QCOMPARE(int(counter.next()), next);
        QCOMPARE(note.has_value(), noted);
        if (!noted)
            return;
        QVERIFY2(note->contains(QString("gets the number %1.").arg(next)), qPrintable(*note));
        // Said once: the number is written back, and the next start is quiet.
        QVERIFY(!SlipCounter().load(root.folder()).has_value());
        QCOMPARE(root.read("/SlipNo.txt"), QByteArray::number(next) + "\r\n");
        QVERIFY(!root.exists("/Backup/SlipNo.txt")); // a stale copy would bring the damaged number back
        counter.set(0);
        QVERIFY(counter.refusal().has_value());
    }

    // The counter skips every number a stored slip has; inUse: completed, active..., finalized.
    void counterNeverAtOrBelowTheSlipsInUse_data()
    {
        dataColumns<QByteArray, QString, int>("stored", "inUse", "next"); // stored "-": no file, no Backup copy
        dataRow("missing, no Backup copy", QByteArray("-"), QString("6100 6299 6300"), 6301);
        dataRow("a digit flipped, 6300 read as 4300", QByteArray("4300\r\n"), QString("6100 6299 6250"), 6300);
        dataRow("two numbers", QByteArray("5000,6000\r\n"), QString("5999 5100 5200"), 6000);
        dataRow("written as 1e3", QByteArray("1e3\r\n"), QString("1002 1207 1100"), 1208);
        dataRow("damaged, the default in use", QByteArray("abc\r\n"), QString("1000 999 998"), 1001);
        dataRow("damaged, slips below the default", QByteArray("abc\r\n"), QString("7 8 9"), 1000);
        dataRow("at the highest, a finalized slip", QByteArray("6300\r\n"), QString("6100 6299 6300"), 6301);
        dataRow("at the highest, a completed slip", QByteArray("6300\r\n"), QString("6300 6299 6100"), 6301);
        dataRow("past the slips", QByteArray("7000\r\n"), QString("6100 6299 6300"), 7000);
        dataRow("the last slip number in use", QByteArray("1000\r\n"), QString("1 2 32767"), 32767);
    }
    void counterNeverAtOrBelowTheSlipsInUse()
    {
        auto [stored, inUse, next] = fetched<QByteArray, QString, int>("stored", "inUse", "next");
        TestRoot root;
        if (stored != "-")
            root.write("/SlipNo.txt", stored);
        const QStringList numbers = inUse.split(' ');
        root.write(SlipFiles::kCompleted, slip(numbers.front() + " Complete").bytes());
        SlipStore(root.folder()).append(slip(numbers[1]));
        root.write("/FinalizedServiceSlips.txt", slip(numbers.back() + " Finalized").bytes());
        const auto highest = [&] { return highestSlipNumber(root.folder()); };
        SlipCounter counter;
        const auto note = counter.load(root.folder(), highest);
        QCOMPARE(int(counter.next()), next);
        const bool moved = next != stored.left(4).toInt();
        QCOMPARE(note.has_value(), moved);
        if (!moved)
            return;
        QVERIFY2(note->contains(next == SlipCounter::kLast ? QString("have run out")
                                                           : QString("gets the number %1").arg(next)),
                 qPrintable(*note));
        QCOMPARE(root.read("/SlipNo.txt"), QByteArray::number(next) + "\r\n");
        QVERIFY(!SlipCounter().load(root.folder(), highest).has_value()); // said once
    }

    // A counter left at the slip stored last moves past it at the next start; one already past it stays.
    void counterFollowsTheSlipStoredLast_data()
    {
        dataColumns<QString, int, int>("active", "counter", "next"); // active: slip numbers in file order
        QTest::newRow("counter not saved after the last slip") << "1004 1000 1005" << 1005 << 1006;
        QTest::newRow("counter saved") << "1004 1005" << 1006 << 1006;
        QTest::newRow("new series after the board's slips") << "1004 1005" << 2000 << 2000;
        QTest::newRow("series set back below the board's slips") << "1004 1005" << 1 << 1;
        QTest::newRow("no active slips") << "" << 1000 << 1000;
        QTest::newRow("last number of the series") << "32767" << 32767 << 32767;
    }
    void counterFollowsTheSlipStoredLast()
    {
        auto [active, counter, next] = fetched<QString, int, int>("active", "counter", "next");
        TestRoot root;
        for (const QString &number : active.split(' ', Qt::SkipEmptyParts))
            SlipStore(root.folder()).append(slip(number));
        root.write("/SlipNo.txt", QByteArray::number(counter) + "\r\n");
        SlipCounter c;
        QVERIFY(!c.load(root.folder()).has_value());
        const auto note = c.followStoredSlip(root.folder(), lastActiveSlipNumber(root.folder()));
        QCOMPARE(int(c.next()), next);
        QCOMPARE(note.has_value(), next != counter);
        QCOMPARE(root.read("/SlipNo.txt"), QByteArray::number(next) + "\r\n");
        if (note)
            QVERIFY(note->endsWith(QStringLiteral("gets the number %1.").arg(next)));
    }

    void slotBooking_data()
    {
        dataColumns<QString, bool>("slot", "booked"); // slot: assignment date time skip
        QTest::newRow("same slot") << "Bob 3/9/2026 08:00 0" << true;
        QTest::newRow("own record skipped") << "Bob 3/9/2026 08:00 2" << false;
        QTest::newRow("other day") << "Bob 3/10/2026 08:00 0" << false;
    }
    void slotBooking()
    {
        QFETCH(QString, slot);
        const QStringList s = slot.split(' ');
        TestRoot root;
        QVERIFY(!IsSlotBooked(root.folder(), s[0], s[1], s[2], s[3].toInt())); // no file: nothing booked
        root.write(SlipFiles::kActive, slip("1").bytes() + slip("2 Assigned Bob 3/9/2026 08:00").bytes() +
                                           slip("3 Assigned Ann").bytes() + slip("4 Assigned Ann").bytes() +
                                           slip("5 Assigned Cy 3/9/2026 None").bytes());
        QTEST(IsSlotBooked(root.folder(), s[0], s[1], s[2], s[3].toInt()), "booked");
        QVERIFY(!IsSlotBooked(root.folder(), " " + s[0], s[1], s[2], 0)); // the text is not trimmed
    }

    // The booking rule itself: the same slot is a double booking, time shared only an overlap.
    void bookingRule_data() { SlipSamples::bookingPairs(); }
    void bookingRule()
    {
        auto [first, second] = fetched<QString, QString>("first", "second");
        const QStringList a = first.split('|');
        const QStringList b = second.split('|');
        QTEST(takeSameSlot({a[0], a[1], a[2]}, {b[0], b[1], b[2]}), "sameSlot");
        QTEST(takeSameSlot({b[0], b[1], b[2]}, {a[0], a[1], a[2]}), "sameSlot");
        QTEST(slotsOverlap(a[2], b[2]), "overlap");
    }

    void slipNumbersAreNeverReused()
    {
        TestRoot root;
        SlipCounter counter;
        Record r = slip("0");
        QVERIFY(!createSlip(root.folder(), counter, r) && !createSlip(root.folder(), counter, r));
        SlipStore(root.folder()).replaceFile(SlipFiles::kActive, {});
        QVERIFY(!createSlip(root.folder(), counter, r));
        counter.load(root.folder());
        QCOMPARE(files(root) + " next " + QString::number(counter.next()), "1002 | - next 1003");
        counter.set(SlipCounter::kLast);
        QVERIFY(createSlip(root.folder(), counter, r).value_or("").contains("32766"));
        // Stored, but the counter file cannot be written: the number is still not given again.
        DataFolder failing = root.folder();
        failing.setFaultHook([](const char *, const QString &path) {
            if (path.endsWith("SlipNo.txt"))
                throw DiskError("full");
        });
        counter.set(2000);
        QVERIFY_THROWS_EXCEPTION(DiskError, createSlip(failing, counter, r));
        QCOMPARE(files(root) + " next " + QString::number(counter.next()), "1002 2000 | - next 2001");
    }
};

QTEST_GUILESS_MAIN(TestSlipFiles)
#include "tst_slipfiles.moc"
