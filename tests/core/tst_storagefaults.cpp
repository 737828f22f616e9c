// The storage routines when the disk fails them: a full disk part way through a write, a file cut back that
// will not shrink, two writers of one file at once, and the temporaries an interrupted write leaves.
#include "accounts/assignmentfile.h"
#include "accounts/assignmentrecord.h"
#include "accounts/customerfile.h"
#include "billing/accountfiles.h"
#include "billing/invoicenumbers.h"
#include "billing/posting.h"
#include "billing/postingrun.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "core/recordlayout.h"
#include "core/settings.h"
#include "crashsupport.h"
#include "dispatch/assignedslips.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipstore.h"
#include "slipsamples.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <cerrno>
#include <functional>

#include <unistd.h>

namespace {

constexpr std::array<FieldSpec, 2> kSmall = {text("Key", 5), field("N", FieldKind::Int16)};
const RecordLayout &small()
{
    static const RecordLayout layout("Small", kSmall);
    return layout;
}

Record smallRecord(const QString &key, qint16 n)
{
    Record r(small());
    r.setText(0, key);
    r.setInt16(1, n);
    return r;
}

QByteArray smallBytes(int count)
{
    QByteArray out;
    for (int i = 1; i <= count; ++i)
        out.append(smallRecord(QStringLiteral("rec%1").arg(i), qint16(i)).bytes());
    return out;
}

int g_calls = 0;

// The append guard fits; then half the record, and the file cannot be cut back either (its descriptor is gone).
qint64 halfThenLost(int fd, const char *data, qint64 size)
{
    if (g_calls++ == 0)
        return ::write(fd, data, size_t(size));
    if (size > 1)
        (void)::write(fd, data, size_t(size / 2));
    ::close(fd);
    errno = ENOSPC;
    return -1;
}

struct WriteFunctionGuard
{
    explicit WriteFunctionGuard(DataFolder::WriteFunction f)
    {
        g_calls = 0;
        DataFolder::setWriteFunction(f);
    }
    ~WriteFunctionGuard() { DataFolder::setWriteFunction(nullptr); }
};

QStringList temporariesIn(const QString &folder)
{
    return QDir(folder).entryList({"*.vdtmp"}, QDir::Files | QDir::Hidden);
}

Record slip(qint16 number)
{
    return SlipSamples::slip(QString::number(number));
}

// Write Records of one waiting slip of account A100, paid in cash, under the given invoice number.
void writeRecords(const DataFolder &folder, const Record &waiting, const QString &invoice, const QDate &day,
                  const PostingRun::StepHook &hook = {})
{
    PostingRun::writeRecords(folder,
                             {{waiting, "A100", "Smith", invoice, "Cash", "$1.05", Money::fromRaw(10500), {}, {}}},
                             {"Sales Tax", "Tax"}, day, hook);
}

// A Write Records of slip 900 under invoice 20260007 stopped by a full disk at its first posting: its journal waits.
Record leaveWaitingJournal(const DataFolder &folder)
{
    const Record waiting = SlipSamples::slip("900|Complete");
    folder.replaceRecords(SlipFiles::kCompleted, {waiting});
    const auto fullAtFirstPosting = [](const char *step, const QString &file) {
        if (QByteArray(step) == "before" && file == Posting::kHistory)
            throw DiskError("the disk is full");
    };
    try {
        writeRecords(folder, waiting, "20260007", QDate(2026, 3, 7), fullAtFirstPosting);
    } catch (const DiskError &) {
    }
    return waiting;
}

// `run` on a fresh `prepare`d folder with a fault at each event in turn, then `check`; fails on none or too many.
void atEveryFault(
    Fault fault, const std::function<void(const TestRoot &)> &prepare,
    const std::function<void(const DataFolder &)> &run,
    const std::function<void(const TestRoot &, DataFolder &, const QString &where, const QString &)> &check)
{
    int cases = 0;
    for (int k = 0;; ++k) {
        QVERIFY2(k < 200, "the write never ends");
        TestRoot root;
        prepare(root);
        DataFolder folder = root.folder();
        QString message;
        if (!runWithFaultAt(
                folder, k, fault, [&] { run(folder); }, &message))
            break;
        ++cases;
        check(root, folder, QStringLiteral("fault at event %1: %2").arg(k).arg(message), message);
        if (QTest::currentTestFailed())
            return;
    }
    QVERIFY(cases >= 2);
    qInfo("%d fault cases", cases);
}

} // namespace

class TestStorageFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    // An append stopped part way whose cut back fails too says so; the part it left takes no further record.
    void appendStoppedPartWaySaysWhatIsLeft()
    {
        TestRoot root;
        const DataFolder folder = root.folder();
        root.write("/F.txt", smallBytes(2));
        {
            const WriteFunctionGuard guard(halfThenLost);
            try {
                folder.appendRecord("/F.txt", smallRecord("three", 3));
                QFAIL("the append should fail");
            } catch (const DiskError &e) {
                QVERIFY2(e.message().contains("the disk is full") && e.message().contains("could not be returned"),
                         qPrintable(e.message()));
            }
        }
        QCOMPARE(root.read("/F.txt"), smallBytes(2) + "thr");
        QVERIFY_THROWS_EXCEPTION(DiskError, folder.appendRecord("/F.txt", smallRecord("four", 4)));
        QCOMPARE(root.read("/F.txt").size(), 14 + 3);
    }

    // A second writer between the first's write and rename: both succeed, the last rename wins, nothing is left.
    void twoWritersOfOneFile()
    {
        TestRoot root;
        DataFolder first = root.folder();
        const DataFolder second = root.folder();
        root.write("/F.txt", "old");
        bool interleaved = false;
        first.setFaultHook([&](const char *step, const QString &) {
            if (!interleaved && QByteArray(step) == "rename") {
                interleaved = true;
                second.writeFile("/F.txt", "second");
            }
        });
        first.writeFile("/F.txt", "first");
        QVERIFY(interleaved);
        QCOMPARE(root.read("/F.txt"), QByteArray("first"));
        QCOMPARE(temporariesIn(root.path()), QStringList());
    }

    // Temporaries of killed writes go; a write running now and the customers' own folders are left alone.
    void leftoverTemporariesAreFoundAndRemoved()
    {
        TestRoot root;
        const DataFolder folder = root.folder();
        const QDateTime start = QDateTime::currentDateTime();
        const QStringList old = {"/ServiceSlips.txt.1a2b3c.vdtmp", "/F.txt.vdtmp",
                                 "/Backup/VIActiveAccounts/A1.txt.00ff.vdtmp"};
        const auto writeAt = [&](const QString &name, const QByteArray &bytes, int seconds) {
            root.write(name, bytes);
            QFile f(root.file(name));
            return f.open(QIODevice::ReadWrite) &&
                   f.setFileTime(start.addSecs(seconds), QFileDevice::FileModificationTime);
        };
        for (const QString &name : old)
            QVERIFY(writeAt(name, "partial", -3600));
        QVERIFY(writeAt("/CustomerData.txt.77.vdtmp", "being written now", 5));
        root.write("/AuxFiles/K1/AuxFile0/notes.vdtmp", "the user's own");
        root.write("/ServiceSlips.txt", "kept");
        QStringList expected = old;
        expected.sort();
        QCOMPARE(folder.leftoverTemporaries(start), expected);
        QCOMPARE(folder.removeLeftoverTemporaries(start), expected);
        for (const QString &name : old)
            QVERIFY(!root.exists(name));
        QVERIFY(root.exists("/CustomerData.txt.77.vdtmp"));
        QVERIFY(root.exists("/AuxFiles/K1/AuxFile0/notes.vdtmp"));
        QCOMPARE(root.read("/ServiceSlips.txt"), QByteArray("kept"));
    }

    // A disk that fills at each write in turn: no file ends in part of a record, no guard stays, the message names
    // the file and the full disk, and after the next start the folder is as before the write or as after it.
    void fullDiskAtEveryWrite_data()
    {
        QTest::addColumn<int>("operation");
        int i = 0;
        for (const char *name : {"new slip", "board save", "new customer", "customer replaced", "new assignment",
                                 "account file", "Write Records", "invoice journal", "finalized slips"})
            QTest::newRow(name) << i++;
    }
    void fullDiskAtEveryWrite()
    {
        QFETCH(int, operation);
        const QDate day(2026, 3, 7);
        auto prepare = [&](const TestRoot &root) {
            const DataFolder folder = root.folder();
            SlipStore(folder).append(slip(1001));
            SlipStore(folder).append(slip(1002));
            folder.replaceRecords(SlipFiles::kCompleted, {SlipSamples::slip("900|Complete")});
            WriteCustomer(folder, 1, SlipSamples::customer());
            WriteAssignment(folder, 1, Record(assignmentLayout()));
            AccountFiles::createAccountFile(folder, "A100", "Smith", day);
        };
        auto run = [&](const DataFolder &folder) {
            Record done = slip(1002);
            done.setText(SlipField::Status, "Complete");
            const Record waiting = SlipSamples::slip("900|Complete");
            switch (operation) {
            case 0:
                return SlipStore(folder).append(slip(1003));
            case 1:
                return SlipStore(folder).saveWhole(std::vector{slip(1001), done});
            case 2:
                return WriteCustomer(folder, 2, SlipSamples::customer("B2"));
            case 3:
                return WriteCustomer(folder, 1, SlipSamples::customer("C3"));
            case 4:
                return WriteAssignment(folder, 2, Record(assignmentLayout()));
            case 5:
                AccountFiles::appendAccountRecord(folder, {"A100", "Smith", Money::fromRaw(1050000), "9", day}, day);
                return;
            case 6:
                return writeRecords(folder, waiting, "20260001", day);
            case 7:
                return WriteInvoiceJournal(folder, "Smith", "A100", "20260001", Money::fromRaw(10500), {},
                                           Money::fromRaw(10500), day);
            default:
                return appendFinalizedSlips(folder, std::vector{waiting});
            }
        };
        // The folder as the next start leaves it, without the write and with it.
        TestRoot reference, referenceAfter;
        prepare(reference);
        repairAsAtStart(reference.folder());
        const auto before = snapshot(reference.path(), true);
        prepare(referenceAfter);
        run(referenceAfter.folder());
        repairAsAtStart(referenceAfter.folder());
        const auto after = snapshot(referenceAfter.path(), true);
        QVERIFY(before != after);
        atEveryFault(
            Fault::FullDisk, prepare, run,
            [&](const TestRoot &root, DataFolder &, const QString &where, const QString &message) {
                QVERIFY2(message.isEmpty() || (message.contains("the disk is full") && message.contains(root.path()) &&
                                               !message.contains("Unknown error")),
                         qPrintable(where));
                for (auto [name, bytes] : snapshot(root.path(), true).asKeyValueRange()) {
                    QVERIFY2(!name.endsWith(".vdappend") && !name.endsWith(".vdtmp"), qPrintable(where + " " + name));
                    static const QMap<QString, int> lengths = {
                        {"ServiceSlips.txt", 697},          {"CompletedServiceSlips.txt", 697},
                        {"FinalizedServiceSlips.txt", 697}, {"CustomerData.txt", 328},
                        {"AssignmentData.txt", 235},        {"VIActiveAccounts/A100.txt", 155},
                        {"InvoiceSalesJournal.txt", 125},   {"CAHistory.txt", 155}};
                    QVERIFY2(bytes.size() % lengths.value(name, 1) == 0, qPrintable(where + " " + name));
                }
                repairAsAtStart(root.folder());
                const auto got = snapshot(root.path(), true);
                QVERIFY2(got == before || got == after, qPrintable(where));
            });
    }

    // The invoice numbers a waiting Write Records will post are in use; invoices printed meanwhile get later ones.
    void waitingPostingKeepsItsInvoiceNumbers()
    {
        TestRoot root;
        const DataFolder folder = root.folder();
        leaveWaitingJournal(folder);
        QVERIFY(PostingRun::pending(folder));
        Settings settings;
        settings.invoiceNumber = 20260005;
        QString note;
        QCOMPARE(InvoiceNumbers(folder, settings).reserve(2, &note), 20260008);
        QVERIFY2(note.contains("20260007"), qPrintable(note));
    }

    // A posting journal that cannot be read changes nothing, blocks Write Records with what the user can do, and
    // is set aside under a dated name with its bytes; a whole one is finished, never set aside.
    void damagedPostingJournalBlocksUntilSetAside_data()
    {
        QTest::addColumn<QByteArray>("form");
        for (const char *name : {"whole", "empty", "garbage", "cut mid-line", "one byte changed", "enormous"})
            QTest::newRow(name) << QByteArray(name);
    }
    void damagedPostingJournalBlocksUntilSetAside()
    {
        QFETCH(QByteArray, form);
        TestRoot root;
        const DataFolder folder = root.folder();
        const Record waiting = leaveWaitingJournal(folder);
        QByteArray journal = root.read(PostingRun::kJournal);
        if (form == "empty" || form == "garbage")
            journal = form == "empty" ? QByteArray() : QByteArray("\x89PNG\r\n\x1a\n\0\0garbage", 16);
        else if (form == "cut mid-line")
            journal.truncate(journal.size() / 2);
        else if (form == "one byte changed")
            journal.replace("20260007", "20260008");
        root.write(PostingRun::kJournal, journal);
        if (form == "enormous")
            QVERIFY(QFile::resize(root.file(PostingRun::kJournal), qint64(300) << 20)); // sparse: no room taken
        const qint64 size = QFileInfo(root.file(PostingRun::kJournal)).size();
        const QDate day(2026, 3, 8);
        if (form == "whole") {
            QVERIFY_THROWS_EXCEPTION(DiskError, PostingRun::setAsideJournal(folder, day));
            QVERIFY(PostingRun::finishPending(folder).contains("Slip 900, Invoice No. 20260007"));
            QVERIFY(!PostingRun::pending(folder));
            return;
        }
        const auto before = snapshot(root.path(), true);
        for (const auto &attempt : std::vector<std::function<void()>>{
                 [&] { PostingRun::finishPending(folder); }, [&] { writeRecords(folder, waiting, "20260009", day); }}) {
            try {
                attempt();
                QFAIL("a damaged journal was carried out");
            } catch (const DiskError &e) {
                QVERIFY2(e.message().contains("is damaged or was changed by hand") &&
                             e.message().contains("run \"dispatch-data check\"") &&
                             e.message().contains("restore the data folder from a backup") &&
                             e.message().contains("\"dispatch-data set-aside-journal\""),
                         qPrintable(e.message()));
            }
            QVERIFY(snapshot(root.path(), true) == before);
        }
        QCOMPARE(PostingRun::setAsideJournal(folder, day), "/PostingJournal.set-aside-2026-03-08.txt");
        QCOMPARE(QFileInfo(root.file("/PostingJournal.set-aside-2026-03-08.txt")).size(), size);
        QVERIFY(!PostingRun::pending(folder));
        root.write(PostingRun::kJournal, "{");
        QCOMPARE(PostingRun::setAsideJournal(folder, day), "/PostingJournal.set-aside-2026-03-08-2.txt");
        writeRecords(folder, waiting, "20260009", day);
        QCOMPARE(folder.recordCount(Posting::kHistory, 155), 1);
    }

    // A write failing (full disk, or killed) at each event; "retry" does it again, then a slip is made and the
    // program restarts: every slip is there once, the folder is before or after, and "unchanged" was true.
    void failedWriteThenTheUserThenRestart_data()
    {
        dataColumns<int, int, bool>("operation", "fault", "retry");
        const char *names[] = {"board save", "Write Records", "new slip", "technician rename"};
        for (int op = 0; op < 4; ++op) {
            const QByteArray name(names[op]);
            QTest::newRow(name + ", full disk, retry") << op << int(Fault::FullDisk) << true;
            QTest::newRow(name + ", full disk, leave") << op << int(Fault::FullDisk) << false;
            QTest::newRow(name + ", kill") << op << int(Fault::Kill) << false;
        }
    }
    void failedWriteThenTheUserThenRestart()
    {
        auto [operation, fault, retry] = fetched<int, int, bool>("operation", "fault", "retry");
        const QDate day(2026, 3, 7);
        const Record waiting = SlipSamples::slip("900|Complete");
        Record bob(assignmentLayout());
        bob.setText(AssignmentField::Name, "Bob");
        Record robert = bob;
        robert.setText(AssignmentField::Name, "Robert");
        auto prepare = [&](const TestRoot &root) {
            const DataFolder folder = root.folder();
            SlipStore(folder).append(SlipSamples::slip("1001|Assigned|Bob"));
            SlipStore(folder).append(SlipSamples::slip("1002|Assigned|Bob"));
            folder.replaceRecords(SlipFiles::kCompleted, {waiting});
            WriteAssignment(folder, 1, bob);
        };
        auto run = [&](const DataFolder &folder) {
            switch (operation) {
            case 0:
                return SlipStore(folder).saveWhole(std::vector{SlipSamples::slip("1001|Assigned|Bob"),
                                                           SlipSamples::slip("1002|Complete|Bob")});
            case 1:
                if (PostingRun::pending(folder)) // Finalize finishes a waiting run before anything else
                    return (void)PostingRun::finishPending(folder);
                return writeRecords(folder, waiting, "20260001", day);
            case 2:
                return SlipStore(folder).append(slip(1003));
            default:
                return AssignedSlips::renameAssignment(folder, 1, robert, "Bob");
            }
        };
        const auto newSlip = [&](const TestRoot &root) { SlipStore(root.folder()).append(slip(1500)); };
        TestRoot reference;
        prepare(reference);
        const auto beforeWrite = snapshot(reference.path());
        newSlip(reference);
        repairAsAtStart(reference.folder()); // the next start
        const auto before = snapshot(reference.path());
        TestRoot referenceAfter;
        prepare(referenceAfter);
        run(referenceAfter.folder());
        newSlip(referenceAfter);
        repairAsAtStart(referenceAfter.folder());
        const auto after = snapshot(referenceAfter.path());
        atEveryFault(Fault(fault), prepare, run,
                     [&](const TestRoot &root, DataFolder &folder, const QString &where, const QString &message) {
                         if (message.contains("unchanged"))
                             QVERIFY2(snapshot(root.path()) == beforeWrite, qPrintable(where));
                         if (fault == int(Fault::Kill))
                             repairAsAtStart(folder); // a kill ends the session
                         else if (retry && !message.isEmpty())
                             run(folder);
                         newSlip(root);
                         if (fault == int(Fault::FullDisk))
                             SlipStore(folder).settle(); // the program ends
                         repairAsAtStart(folder);
                         const auto got = snapshot(root.path());
                         QVERIFY2(got == before || got == after, qPrintable(where));
                         if (retry)
                             QVERIFY2(got == after, qPrintable(where));
                         if (message.contains("unchanged") && !retry)
                             QVERIFY2(got == before, qPrintable(where));
                     });
    }
};

QTEST_GUILESS_MAIN(TestStorageFaults)
#include "tst_storagefaults.moc"
