#include "core/datafolder.h"
#include "core/diskerror.h"
#include "platform/fakes/recordingfileops.h"
#include "platform/instancelock.h"
#include "slipsamples.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>
#include <QTest>
#include <QThread>
#include <csignal>
#include <map>
#include <grp.h>
#include <iostream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

const char *kChild = "VD_FOLDER_LOCK_CHILD";
const QString kLock = "/" + InstanceLock::lockFileName();

QByteArray otherComputersLock(const QDateTime &confirmed)
{
    return "4242\nVarnelDispatchDuzudu\nfront-desk-pc\nmaria\n2026-03-02T08:00:00Z\n" +
           confirmed.toString(Qt::ISODate).toUtf8() + "\n";
}

// A field of /proc/<pid>/stat after the program's name: 0 its state ("T" stopped), 19 when it started.
QByteArray statOf(qint64 pid, int field)
{
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2).split(' ').value(field);
}

QByteArray bootId()
{
    QFile file("/proc/sys/kernel/random/boot_id");
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray();
}

// A rename stops the process first when armed: a seat stopped inside its save, after its last look at the lock.
struct StoppingOps final : RecordingFileOps
{
    bool stopBeforeRename = false;
    bool rename(const QString &from, const QString &to) override
    {
        if (std::exchange(stopBeforeRename, false))
            ::raise(SIGSTOP);
        return RecordingFileOps::rename(from, to);
    }
};

const InstanceLock::Timing kLeasesOfUnderASecond{200, 600, 900};

// A copy as a simulated computer (mode, root, computer, local lock folder, seconds its clock is ahead): it takes
// the folder and answers "held" or "refused"; then "w" adds to /Writes.txt ("written" or "refused"), "s" does
// the same but stops itself just before the rename, "r" confirms the lock ("confirmed" or "lost"), and "t"
// watches the holder's lock: "alive" when it changed, "gone", or "asked" when it stayed unchanged for the whole
// watch, after which "y" takes the folder over with its fence ("held" or "refused").
// Mode "try" only takes it: exits 0 taken, 1 refused.
int runChild(const QStringList &args)
{
    const QString mode = args.value(0);
    const QString root = args.value(1);
    InstanceLock lock(root, args.value(3), args.value(2));
    lock.setTiming(kLeasesOfUnderASecond);
    const auto now = [ahead = args.value(4).toInt()] { return QDateTime::currentDateTimeUtc().addSecs(ahead); };
    const bool held = lock.tryLock(now());
    if (mode == "try")
        return held ? 0 : 1;
    std::cout << (held ? "held" : "refused") << std::endl;
    DataFolder folder(root);
    auto ops = std::make_shared<StoppingOps>();
    folder.setFileOps(ops);
    lock.guardWrites(folder);
    int written = 0;
    for (std::string line; std::getline(std::cin, line);) {
        if (line == "w" || line == "s") {
            ops->stopBeforeRename = line == "s";
            try {
                const QByteArray add = args.value(2).toUtf8() + ' ' + QByteArray::number(written + 1) + '\n';
                folder.writeFile("/Writes.txt", folder.readAll("/Writes.txt") + add);
                ++written;
                std::cout << "written" << std::endl;
            } catch (const DiskError &) {
                std::cout << "refused" << std::endl;
            }
        } else if (line == "r") {
            std::cout << (lock.refresh(now()) ? "confirmed" : "lost") << std::endl;
        } else if (line == "t") {
            InstanceLock::Watch seen = InstanceLock::Watch::Unchanged;
            while ((seen = lock.watchHolder()) == InstanceLock::Watch::Unchanged)
                QThread::msleep(20);
            std::cout << (seen == InstanceLock::Watch::Silent ? "asked" : seen == InstanceLock::Watch::Gone ? "gone" : "alive")
                      << std::endl;
        } else if (line == "y") {
            const bool taken = lock.takeOver(now()) && (InstanceLock::fenceOffOldHolder(folder), true);
            std::cout << (taken ? "held" : "refused") << std::endl;
        }
    }
    return 0;
}

struct Copy
{
    QProcess process;
    QByteArray ask(const QByteArray &command)
    {
        process.write(command + "\n");
        return answer();
    }
    QByteArray answer()
    {
        while (!process.canReadLine() && process.waitForReadyRead(30000)) {
        }
        return process.readLine().trimmed();
    }
};

void startCopy(Copy &copy, const QStringList &args, uid_t uid = 0, const QByteArray &runtimeDir = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kChild, "1");
    env.remove("XDG_RUNTIME_DIR");
    if (!runtimeDir.isEmpty())
        env.insert("XDG_RUNTIME_DIR", runtimeDir);
    copy.process.setProcessEnvironment(env);
    if (uid != 0) {
        copy.process.setChildProcessModifier([uid] {
            const gid_t gid = 65534;
            if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
                ::_exit(3);
        });
    }
    copy.process.start(QCoreApplication::applicationFilePath(), args);
    QVERIFY(copy.process.waitForStarted());
}

} // namespace

class TestFolderLock : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    // A lock file cut at any byte is being written: read again, never taken for absent, and removed only when it
    // stayed so for the whole watch; whole (also of the older kind, three lines), it names its holder, taken over
    // only after a whole watch and only while it is still as watched.
    void lockCutAtEveryByte()
    {
        const QByteArray whole = otherComputersLock(QDateTime::currentDateTimeUtc());
        const qsizetype olderKind = whole.indexOf("front-desk-pc\n") + 14;
        for (qsizetype cut = 0; cut <= whole.size(); ++cut) {
            for (const bool completes : {false, true}) {
                TestRoot root, locks;
                root.write(kLock, whole.left(cut));
                InstanceLock lock(root.path(), locks.path());
                qint64 steady = 0;
                lock.setSteadyClock([&] { return steady; });
                lock.setPause([&](int milliseconds) {
                    steady += milliseconds;
                    if (completes)
                        root.write(kLock, whole);
                });
                const bool partial = cut != whole.size() && cut != olderKind;
                QVERIFY(!lock.tryLock());
                QCOMPARE(lock.lockBeingWritten(), partial && !completes);
                QCOMPARE(root.read(kLock), completes && partial ? whole : whole.left(cut));
                QVERIFY(!lock.takeOver()); // not watched yet
                steady += lock.timing().watchMs + 1;
                QCOMPARE(lock.tryLock(), partial && !completes);
                QCOMPARE(lock.holderIsStale(), !partial || completes); // another computer's: the user decides
                if (lock.holderIsStale()) { // confirmed between the question and the answer: nothing is taken
                    root.write(kLock, root.read(kLock) + "7\n");
                    QVERIFY(!lock.takeOver() && root.read(kLock).endsWith("7\n"));
                }
            }
        }
    }

    // Once its lease has ended by its own steady clock (the copy was stopped longer), a holder starts no write of
    // any kind, though its lock file is still its own; a long task within the lease renews it on the way.
    void noWriteAfterTheLease_data()
    {
        QTest::addColumn<int>("unused");
        for (const char *kind : {"replace", "append", "write in place", "delete", "rename", "new folder", "copy"})
            QTest::newRow(kind) << 0;
    }
    void noWriteAfterTheLease()
    {
        const QByteArray kind = QTest::currentDataTag();
        TestRoot root, locks;
        root.write("/A.txt", "a");
        qint64 steady = 0;
        InstanceLock lock(root.path(), locks.path());
        lock.setSteadyClock([&] { return steady; });
        QVERIFY(lock.tryLock());
        const DataFolder folder(root.path());
        lock.guardWrites(folder);
        const qint64 lease = lock.timing().leaseMs;
        for (int step = 0; step < 3; ++step) { // three quarters of a lease each: renewed at each write
            steady += lease * 3 / 4;
            folder.writeFile("/B.txt", QByteArray::number(step));
        }
        steady += lease + 1;
        const QStringList before = folderStamps(root.path());
        const std::map<QByteArray, std::function<void()>> writes = {
            {"replace", [&] { folder.writeFile("/A.txt", "b"); }},
            {"append", [&] { folder.appendRecord("/ServiceSlips.txt", SlipSamples::slip("1000|Open")); }},
            {"write in place", [&] { folder.writeInPlace("/A.txt", 0, "b"); }},
            {"delete", [&] { folder.deleteFile("/A.txt"); }},
            {"rename", [&] { folder.renameFile("/A.txt", "/C.txt"); }},
            {"new folder", [&] { folder.makeFolder("/D"); }},
            {"copy", [&] { folder.copyFile("/A.txt", "/C.txt"); }},
        };
        QVERIFY_THROWS_EXCEPTION(DiskError, writes.at(kind)());
        QCOMPARE(folderStamps(root.path()), before);
        QVERIFY2(lock.lostText().contains("stopped for longer than 90 seconds"), qPrintable(lock.lostText()));
        QVERIFY(!lock.refresh());
    }

    // A lock of this computer is judged by its boot and process start, not the number alone (here process 1's).
    void crashedCopyOfThisComputer_data()
    {
        dataColumns<QByteArray, QByteArray, bool>("boot", "started", "runs");
        const QByteArray started = statOf(1, 19);
        dataRow("the process that holds it", bootId(), started, true);
        dataRow("a lock of an older kind, its number running", QByteArray(), QByteArray(), true);
        dataRow("its number taken by another process", bootId(), started + "7", false);
        dataRow("written before the last boot", QByteArray("another-boot"), started, false);
    }
    void crashedCopyOfThisComputer()
    {
        auto [boot, started, runs] = fetched<QByteArray, QByteArray, bool>("boot", "started", "runs");
        if (statOf(1, 19).isEmpty())
            QSKIP("no process table to read");
        TestRoot root, locks;
        QByteArray lockText = "1\nVarnelDispatchDuzudu\n" + QSysInfo::machineHostName().toUtf8() + "\n";
        if (!boot.isEmpty() || !started.isEmpty())
            lockText += "ann\n2026-03-02T08:00:00Z\n2026-03-02T08:00:00Z\n" + boot + "\n" + started + "\n";
        root.write(kLock, lockText);
        InstanceLock lock(root.path(), locks.path());
        QCOMPARE(lock.tryLock(), !runs);
        QCOMPARE(root.read(kLock) == lockText, runs);
    }

    // A second copy under another user or without XDG_RUNTIME_DIR (as from cron), on a folder where no lock file
    // can be written, finds the copy that runs: the lock of this computer lies where every session looks.
    void everyUserFindsTheCopy_data()
    {
        dataColumns<uint, uint, QByteArray>("firstUser", "secondUser", "firstRuntime");
        dataRow("another user", 65534u, 65533u, QByteArray("/run-first"));
        dataRow("no runtime folder", 65534u, 65534u, QByteArray("/run-first"));
    }
    void everyUserFindsTheCopy()
    {
        auto [firstUser, secondUser, firstRuntime] =
            fetched<uint, uint, QByteArray>("firstUser", "secondUser", "firstRuntime");
        if (::geteuid() != 0)
            QSKIP("switching users needs the rights of root");
        TestRoot base, runtime;
        // Readable by every user, writable by none of the two copies: they hold the lock of this computer alone.
        const QString root = base.path() + "/shared";
        QVERIFY(QDir().mkpath(root));
        QVERIFY(::chmod(QFile::encodeName(base.path()).constData(), 0755) == 0);
        QVERIFY(::chmod(QFile::encodeName(runtime.path()).constData(), 0777) == 0);
        QVERIFY(::access(QFile::encodeName(QCoreApplication::applicationFilePath()).constData(), X_OK) == 0);
        Copy first, second;
        startCopy(first, {"hold", root, "pc", "", "0"}, firstUser, QFile::encodeName(runtime.path()) + firstRuntime);
        QCOMPARE(first.answer(), QByteArray("held"));
        startCopy(second, {"try", root, "pc", "", "0"}, secondUser);
        QVERIFY(second.process.waitForFinished());
        QCOMPARE(second.process.exitCode(), 1);
        first.process.closeWriteChannel();
        QVERIFY(first.process.waitForFinished());
        QVERIFY(!QFileInfo::exists(InstanceLock::fallbackPath(root))); // the first copy took its lock with it
        // With the first copy gone the folder starts again.
        Copy third;
        startCopy(third, {"try", root, "pc", "", "0"}, secondUser);
        QVERIFY(third.process.waitForFinished());
        QCOMPARE(third.process.exitCode(), 0);
    }

    // A second computer, its clock ten minutes ahead, watches the holder's lock: alive while it confirms, never
    // offered; the holder is stopped, the lock stays unchanged, and the second is asked; the holder, continued between the question and the answer (or after), can no longer confirm or
    // write: its lease ended by its own clock. The closing copy leaves the new holder's lock.
    void twoComputersNeverBothWrite_data()
    {
        dataColumns<QByteArray, bool, QByteArray>("firstNotice", "beforeAnswer", "answer");
        dataRow("a write between question and answer", QByteArray("w"), true, QByteArray("refused"));
        dataRow("a confirmation between question and answer", QByteArray("r"), true, QByteArray("lost"));
        dataRow("a write after the take-over", QByteArray("w"), false, QByteArray("refused"));
        dataRow("a confirmation after the take-over", QByteArray("r"), false, QByteArray("lost"));
    }
    void twoComputersNeverBothWrite()
    {
        auto [firstNotice, beforeAnswer] = fetched<QByteArray, bool>("firstNotice", "beforeAnswer");
        TestRoot root, localA, localB;
        Copy a, b;
        startCopy(a, {"hold", root.path(), "pc-a", localA.path(), "0"});
        QCOMPARE(a.answer(), QByteArray("held"));
        QCOMPARE(a.ask("w"), QByteArray("written"));
        startCopy(b, {"hold", root.path(), "pc-b", localB.path(), "600"});
        QCOMPARE(b.answer(), QByteArray("refused"));
        b.process.write("t\n");
        b.process.waitForBytesWritten();
        for (int beat = 0; beat < 4 && !b.process.canReadLine(); ++beat) {
            QThread::msleep(150);
            QCOMPARE(a.ask("r"), QByteArray("confirmed"));
        }
        QCOMPARE(b.answer(), QByteArray("alive"));
        QCOMPARE(a.ask("w"), QByteArray("written"));
        QCOMPARE(::kill(pid_t(a.process.processId()), SIGSTOP), 0);
        const QByteArray seen = b.ask("t"); // "alive" once more when the holder confirmed after the last look
        QCOMPARE(seen == "asked" ? seen : b.ask("t"), QByteArray("asked"));
        QCOMPARE(::kill(pid_t(a.process.processId()), SIGCONT), 0);
        if (beforeAnswer)
            QTEST(a.ask(firstNotice), "answer");
        QCOMPARE(b.ask("y"), QByteArray("held"));
        QCOMPARE(b.ask("w"), QByteArray("written"));
        if (!beforeAnswer)
            QTEST(a.ask(firstNotice), "answer");
        QCOMPARE(a.ask("w"), QByteArray("refused"));
        QCOMPARE(a.ask("r"), QByteArray("lost"));
        QCOMPARE(b.ask("w"), QByteArray("written"));
        QCOMPARE(b.ask("r"), QByteArray("confirmed"));
        QCOMPARE(root.read("/Writes.txt"), QByteArray("pc-a 1\npc-a 2\npc-b 1\npc-b 2\n"));
        a.process.closeWriteChannel();
        QVERIFY(a.process.waitForFinished());
        QVERIFY(root.read(kLock).contains("\npc-b\n")); // the first copy's end leaves the new holder's lock
        b.process.closeWriteChannel();
        QVERIFY(b.process.waitForFinished());
        QVERIFY(!root.exists(kLock));
    }

    // A seat stopped inside its save, after its last look at the lock and before the rename, continued after
    // another computer took the folder and wrote: its rename finds no temporary file (the taker's fence).
    void stoppedSaveDoesNotLandAfterTakeOver()
    {
        TestRoot root, localA, localB;
        Copy a, b;
        startCopy(a, {"hold", root.path(), "pc-a", localA.path(), "0"});
        QCOMPARE(a.answer(), QByteArray("held"));
        QCOMPARE(a.ask("w"), QByteArray("written"));
        a.process.write("s\n");
        a.process.waitForBytesWritten();
        for (int i = 0; i < 200 && statOf(a.process.processId(), 0) != "T"; ++i)
            QThread::msleep(10);
        QCOMPARE(statOf(a.process.processId(), 0), QByteArray("T"));
        startCopy(b, {"hold", root.path(), "pc-b", localB.path(), "0"});
        QCOMPARE(b.answer(), QByteArray("refused"));
        QCOMPARE(b.ask("t"), QByteArray("asked"));
        QCOMPARE(b.ask("y"), QByteArray("held"));
        QCOMPARE(b.ask("w"), QByteArray("written"));
        QCOMPARE(::kill(pid_t(a.process.processId()), SIGCONT), 0);
        QCOMPARE(a.answer(), QByteArray("refused"));
        QCOMPARE(root.read("/Writes.txt"), QByteArray("pc-a 1\npc-b 1\n"));
        a.process.closeWriteChannel();
        b.process.closeWriteChannel();
        QVERIFY(a.process.waitForFinished() && b.process.waitForFinished());
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(kChild))
        return runChild(app.arguments().mid(1));
    TestFolderLock test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_folderlock.moc"
