// The order in which a crash-safe replace and a guarded append reach the disk, and what the next start makes
// of a run cut off at any point of it: the file as it was or as it was meant to be, never in between; the same
// for completing a torn last record and for setting a damaged posting journal aside.
#include "billing/postingrun.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/tornrecords.h"
#include "crashsupport.h"
#include "platform/fakes/recordingfileops.h"
#include "testsupport.h"

#include <QDir>
#include <QTest>
#include <functional>

namespace {

constexpr std::array<FieldSpec, 2> kSmall = {text("Key", 5), field("N", FieldKind::Int16)};
const RecordLayout &small()
{
    static const RecordLayout layout(QStringLiteral("Small"), kSmall);
    return layout;
}

Record smallRecord(const QString &key, qint16 n)
{
    Record r(small());
    r.setText(0, key);
    r.setInt16(1, n);
    return r;
}

const QByteArray kTwo("rec1 \x01\x00rec2 \x02\x00", 14);
const QByteArray kThird("three\x03\x00", 7);

// The writes under test, each from the folder it starts from.
struct Operation
{
    std::function<void(const TestRoot &)> prepare;
    std::function<void(const DataFolder &)> run;

    // The folder before the write and after an undisturbed run of it.
    std::pair<QMap<QString, QByteArray>, QMap<QString, QByteArray>> endStates() const
    {
        TestRoot reference;
        prepare(reference);
        auto before = snapshot(reference.path(), true);
        run(reference.folder());
        return {before, snapshot(reference.path(), true)};
    }
    // The same, each as the next start leaves it.
    std::pair<QMap<QString, QByteArray>, QMap<QString, QByteArray>> startedStates() const
    {
        TestRoot reference, referenceAfter;
        prepare(reference);
        repairAsAtStart(reference.folder());
        prepare(referenceAfter);
        run(referenceAfter.folder());
        repairAsAtStart(referenceAfter.folder());
        return {snapshot(reference.path(), true), snapshot(referenceAfter.path(), true)};
    }
};

Operation operation(const QString &name)
{
    const auto twoRecords = [](const TestRoot &root) { root.write("/F.txt", kTwo); };
    const auto appendThird = [](const DataFolder &f) { f.appendRecord("/F.txt", smallRecord("three", 3)); };
    if (name == "replace")
        return {twoRecords, [](const DataFolder &f) { f.writeFile("/F.txt", "a new and longer content"); }};
    if (name == "append")
        return {twoRecords, appendThird};
    if (name == "append to a new file")
        return {[](const TestRoot &) {}, appendThird};
    if (name == "complete a torn record") {
        return {[](const TestRoot &root) { root.write("/F.txt", kTwo + "rec"); },
                [](const DataFolder &f) { TornRecords::completeLastRecord(f, "/F.txt", small()); }};
    }
    if (name == "set aside a damaged journal") {
        return {[](const TestRoot &root) { root.write(PostingRun::kJournal, "{\"format\":2,\"slips\":[\"Sl"); },
                [](const DataFolder &f) { PostingRun::setAsideJournal(f, QDate(2026, 3, 4)); }};
    }
    return {twoRecords, [](const DataFolder &f) { f.replaceRecords("/F.txt", {smallRecord("one", 9)}); }};
}

void addOperations(bool renames = true)
{
    QTest::addColumn<QString>("name");
    for (const char *name : {"replace", "append", "append to a new file", "records replaced", "complete a torn record",
                             "set aside a damaged journal"}) {
        if (renames || QByteArray(name) != "set aside a damaged journal") // a rename takes no room on the disk
            QTest::newRow(name) << QString::fromLatin1(name);
    }
}

// Runs the operation through recording file operations; a Crash (the stop) ends it quietly.
void runRecorded(const Operation &op, const TestRoot &root, RecordingFileOps &ops, QString *message = nullptr)
{
    DataFolder folder = root.folder();
    folder.setFileOps(std::shared_ptr<FileOps>(&ops, [](FileOps *) {}));
    try {
        op.run(folder);
    } catch (const Crash &) {
    } catch (const DiskError &e) {
        if (message)
            *message = e.message();
    }
}

// The folder as the next start's repair leaves it.
QMap<QString, QByteArray> afterRestart(const TestRoot &root)
{
    repairAsAtStart(root.folder());
    return snapshot(root.path(), true);
}

} // namespace

class TestAppendGuard : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    // Each "a < b": every a happens before the first b (and both happen).
    void orderOnDisk_data()
    {
        dataColumns<QString, QStringList>("name", "order");
        dataRow("replace", QString("replace"),
                QStringList{"write F.txt.*.vdtmp < flush F.txt.*.vdtmp", "flush F.txt.*.vdtmp < close F.txt.*.vdtmp",
                            "close F.txt.*.vdtmp < rename F.txt.*.vdtmp F.txt",
                            "rename F.txt.*.vdtmp F.txt < flush-folder F.txt"});
        dataRow("append", QString("append"),
                QStringList{"write F.txt.vdappend < flush F.txt.vdappend", "flush F.txt.vdappend < write F.txt",
                            "write F.txt < flush F.txt", "flush F.txt < remove F.txt.vdappend"});
        dataRow("complete a torn record", QString("complete a torn record"),
                QStringList{"flush F.txt.vdappend < write F.txt", "flush F.txt < remove F.txt.vdappend"});
        // Renamed beside the journal, never deleted.
        dataRow("set aside a damaged journal", QString("set aside a damaged journal"),
                QStringList{"rename PostingJournal.txt PostingJournal.set-aside-2026-03-04.txt < flush-folder "
                            "PostingJournal.set-aside-2026-03-04.txt"});
    }
    void orderOnDisk()
    {
        auto [name, order] = fetched<QString, QStringList>("name", "order");
        TestRoot root;
        RecordingFileOps ops;
        const Operation op = operation(name);
        op.prepare(root);
        runRecorded(op, root, ops);
        for (const QString &rule : order) {
            const QString first = rule.section(" < ", 0, 0), then = rule.section(" < ", 1, 1);
            const qsizetype a = ops.trace.lastIndexOf(first), b = ops.trace.indexOf(then);
            QVERIFY2(a >= 0 && b >= 0 && a < b, qPrintable(rule + "\n" + ops.trace.join('\n')));
        }
    }

    // A kill or a power cut before each operation in turn (a write cut there half done; a power cut also takes
    // from each file all or the end of what was not yet flushed): after the next start the folder is as before
    // the write or as after it, with no note and no temporary file left.
    void everyCutEndsBeforeOrAfter_data() { addOperations(); }
    void everyCutEndsBeforeOrAfter()
    {
        QFETCH(QString, name);
        const Operation op = operation(name);
        const auto [before, after] = op.startedStates();
        // The run cut at k, with the unflushed bytes of the files picked by `loss` (a bit per file) taken away.
        auto cutAt = [&](const TestRoot &root, int k, int loss, QStringList *unflushed, QString *cut) {
            op.prepare(root);
            RecordingFileOps ops;
            ops.stopAt(k);
            runRecorded(op, root, ops);
            *unflushed = ops.unflushed();
            *cut = ops.trace.value(k);
            QStringList lost, torn; // a digit in base 3 per file: kept, lost, torn
            for (int i = 0, rest = loss; i < unflushed->size(); ++i, rest /= 3) {
                if (rest % 3 == 1)
                    lost.append(unflushed->at(i));
                else if (rest % 3 == 2)
                    torn.append(unflushed->at(i));
            }
            ops.loseUnflushed(lost);
            ops.loseUnflushed(torn, true);
            return ops.struck();
        };
        int cuts = 0;
        for (int k = 0; k < 100; ++k) {
            QStringList unflushed;
            QString cut;
            TestRoot probe;
            if (!cutAt(probe, k, 0, &unflushed, &cut))
                break;
            int losses = 1;
            for (qsizetype i = 0; i < unflushed.size(); ++i)
                losses *= 3;
            for (int loss = 0; loss < losses; ++loss) {
                TestRoot root;
                QStringList files;
                cutAt(root, k, loss, &files, &cut);
                auto got = afterRestart(root);
                // An append to a new file cut before its first byte leaves the file empty: no records, as before.
                if (got.value("F.txt", "x").isEmpty() && !before.contains("F.txt"))
                    got.remove("F.txt");
                QVERIFY2(got == before || got == after,
                         qPrintable(QStringLiteral("cut at \"%1\", losses %2 of %3: %4")
                                        .arg(cut)
                                        .arg(loss)
                                        .arg(files.join(", "), QStringList(got.keys()).join(", "))));
                ++cuts;
            }
        }
        QVERIFY(cuts >= 2);
    }

    // The disk full from each operation on: the write fails saying so, the folder is at once as before (no
    // start needed), and the same write tried again once there is room neither doubles nor loses.
    void fullDiskFailsCleanlyAndARetryLandsOnce_data() { addOperations(false); }
    void fullDiskFailsCleanlyAndARetryLandsOnce()
    {
        QFETCH(QString, name);
        const Operation op = operation(name);
        const auto [before, after] = op.endStates();
        int failures = 0;
        for (int k = 0; k < 100; ++k) {
            TestRoot root;
            op.prepare(root);
            RecordingFileOps ops;
            ops.fullDiskFrom(k);
            QString message;
            runRecorded(op, root, ops, &message);
            if (!ops.struck())
                break;
            const QString where = QStringLiteral("full from \"%1\": %2").arg(ops.trace.value(k), message);
            if (!message.isEmpty()) {
                ++failures;
                QVERIFY2(message.contains("the disk is full") && message.contains("F.txt"), qPrintable(where));
                QVERIFY2(snapshot(root.path(), true) == before, qPrintable(where));
                RecordingFileOps roomy;
                runRecorded(op, root, roomy);
            }
            QVERIFY2(snapshot(root.path(), true) == after, qPrintable(where));
        }
        QVERIFY(failures >= 2);
    }

    // A file that ends in part of a record takes no record, by any append, until its last record is completed
    // with what readers show there (blanks, zero numbers); then the next record lines up after it.
    void tornFileTakesNoRecordUntilItsLastIsWhole_data()
    {
        dataColumns<int>("write");
        dataRow("one record", 0);
        dataRow("records", 1);
        dataRow("a record beyond the end", 2);
    }
    void tornFileTakesNoRecordUntilItsLastIsWhole()
    {
        QFETCH(int, write);
        TestRoot root;
        const DataFolder folder = root.folder();
        const QByteArray torn = kTwo + "rec";
        root.write("/F.txt", torn);
        const auto add = [&] {
            const Record four = smallRecord("four", 4);
            if (write == 0)
                folder.appendRecord("/F.txt", four);
            else if (write == 1)
                folder.appendRecords("/F.txt", {four});
            else
                folder.writeRecord("/F.txt", 4, four);
        };
        try {
            add();
            QFAIL("an append to a torn file went through");
        } catch (const DiskError &e) {
            QVERIFY2(e.message().contains(QDir::toNativeSeparators(root.file("/F.txt")) +
                                          ": the file ends in 3 bytes that are not a whole record (7 bytes each)") &&
                         e.message().contains("Nothing was written."),
                     qPrintable(e.message()));
        }
        QCOMPARE(root.read("/F.txt"), torn);
        QCOMPARE(TornRecords::completeLastRecord(folder, "/F.txt", small()), 4);
        const QByteArray whole = torn + QByteArray("  \0\0", 4);
        QCOMPARE(root.read("/F.txt"), whole);
        QCOMPARE(TornRecords::completeLastRecord(folder, "/F.txt", small()), 0);
        add();
        QCOMPARE(root.read("/F.txt"), whole + QByteArray("four \4\0", 7));
    }

    // A note of a file that was replaced since (another file under the name) leaves that file alone.
    void noteOfAReplacedFileIsDropped()
    {
        const Operation op = operation("append");
        for (int k = 0; k < 20; ++k) {
            TestRoot root;
            op.prepare(root);
            RecordingFileOps ops;
            ops.stopAt(k);
            runRecorded(op, root, ops);
            if (ops.trace.last() != "write F.txt")
                continue;
            // Cut with the note on disk and half the record written; then the file is replaced.
            root.folder().writeFile("/F.txt", QByteArray(30, 'x'));
            QVERIFY(root.folder().appendGuard().cutBackTornAppends().empty());
            QCOMPARE(root.read("/F.txt"), QByteArray(30, 'x'));
            QVERIFY(!root.exists("/F.txt.vdappend"));
            return;
        }
        QFAIL("the append never wrote the file");
    }

    // The records reached the disk but their note will not go: the append stands (it is not reported as
    // failed, so it is not tried again), and the next start keeps it.
    void noteThatWillNotGoLeavesTheAppendStanding()
    {
        TestRoot root;
        const Operation op = operation("append");
        op.prepare(root);
        RecordingFileOps ops;
        ops.refuseRemoving = "F.txt.vdappend";
        QString message;
        runRecorded(op, root, ops, &message);
        QCOMPARE(message, QString());
        QVERIFY(root.exists("/F.txt.vdappend"));
        const auto started = afterRestart(root);
        QCOMPARE(started.value("F.txt"), kTwo + kThird);
        QVERIFY(!started.contains("F.txt.vdappend"));
    }
};

QTEST_GUILESS_MAIN(TestAppendGuard)
#include "tst_appendguard.moc"
