#include "core/datafolder.h"
#include "core/diskerror.h"
#include "platform/instancelock.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>
#include <QTest>
#include <csignal>
#include <grp.h>
#include <iostream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char *kChild = "VD_FOLDER_LOCK_CHILD";
const QString kLock = "/" + InstanceLock::lockFileName();

QByteArray otherComputersLock(const QDateTime &confirmed)
{
    return "4242\nVarnelDispatchDuzudu\nfront-desk-pc\nmaria\n2026-03-02T08:00:00Z\n" +
           confirmed.toString(Qt::ISODate).toUtf8() + "\n";
}

// Field 22 of /proc/<pid>/stat: when the process started.
QByteArray startOf(qint64 pid)
{
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2).split(' ').value(19);
}

QByteArray bootId()
{
    QFile file("/proc/sys/kernel/random/boot_id");
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray();
}

// A copy as a simulated computer (mode, root, computer, local lock folder, seconds its clock is ahead): it takes
// the folder (a stale lock too) and answers "held" or "refused"; then "w" adds to /Writes.txt ("written" or
// "refused") and "r" confirms the lock ("confirmed" or "lost"). Mode "try" only takes it: exits 0 taken, 1 refused.
int runChild(const QStringList &args)
{
    const QString mode = args.value(0);
    const QString root = args.value(1);
    InstanceLock lock(root, args.value(3), args.value(2));
    const auto now = [ahead = args.value(4).toInt()] { return QDateTime::currentDateTimeUtc().addSecs(ahead); };
    bool held = lock.tryLock(now());
    if (!held && lock.holderIsStale(now()))
        held = lock.takeOver(now());
    if (mode == "try")
        return held ? 0 : 1;
    std::cout << (held ? "held" : "refused") << std::endl;
    const DataFolder folder(root);
    lock.guardWrites(folder);
    int written = 0;
    for (std::string line; std::getline(std::cin, line);) {
        if (line == "w") {
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

    // A lock found empty or cut short is being written: it is read again, and replaced only after five minutes.
    void lockBeingWrittenIsWaitedFor_data()
    {
        dataColumns<QByteArray, bool, int, QString>("found", "completes", "minutesLater", "outcome");
        dataRow("empty, then whole", QByteArray(), true, 0, QString("front-desk-pc"));
        dataRow("cut short, then whole", QByteArray("4242\nVarnelDisp"), true, 0, QString("front-desk-pc"));
        dataRow("cut short and stays", QByteArray("4242\nVarnelDisp"), false, 0, QString("being taken"));
        dataRow("cut short by a write that died", QByteArray("4242\nVarnelDisp"), false, 10, QString("taken"));
    }
    void lockBeingWrittenIsWaitedFor()
    {
        auto [found, completes, minutesLater, outcome] =
            fetched<QByteArray, bool, int, QString>("found", "completes", "minutesLater", "outcome");
        TestRoot root, locks;
        root.write(kLock, found);
        const QByteArray whole = otherComputersLock(QDateTime::currentDateTimeUtc());
        InstanceLock lock(root.path(), locks.path());
        int waits = 0;
        lock.setPause([&](int) {
            if (completes && waits == 1)
                root.write(kLock, whole);
            ++waits;
        });
        const bool taken = lock.tryLock(QDateTime::currentDateTimeUtc().addSecs(60 * minutesLater));
        QCOMPARE(taken, outcome == "taken");
        QVERIFY(waits > 0);
        if (taken) {
            QVERIFY(root.read(kLock).contains(QSysInfo::machineHostName().toUtf8()));
            return;
        }
        QVERIFY(!lock.isLocked());
        QVERIFY2(lock.refusal().contains(outcome), qPrintable(lock.refusal()));
        QCOMPARE(root.read(kLock), completes ? whole : found);
    }

    // A lock of this computer is judged by its boot and process start, not the number alone (here process 1's).
    void crashedCopyOfThisComputer_data()
    {
        dataColumns<QByteArray, QByteArray, bool>("boot", "started", "runs");
        const QByteArray started = startOf(1);
        dataRow("the process that holds it", bootId(), started, true);
        dataRow("a lock of an older kind, its number running", QByteArray(), QByteArray(), true);
        dataRow("its number taken by another process", bootId(), started + "7", false);
        dataRow("written before the last boot", QByteArray("another-boot"), started, false);
    }
    void crashedCopyOfThisComputer()
    {
        auto [boot, started, runs] = fetched<QByteArray, QByteArray, bool>("boot", "started", "runs");
        if (startOf(1).isEmpty())
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

    // The holder is stopped, a second computer takes its unconfirmed lock over; woken, the first writes nothing more.
    void twoComputersNeverBothWrite_data()
    {
        dataColumns<QByteArray, QByteArray>("firstNotice", "answer");
        dataRow("at its next write", QByteArray("w"), QByteArray("refused"));
        dataRow("at its next confirmation", QByteArray("r"), QByteArray("lost"));
    }
    void twoComputersNeverBothWrite()
    {
        QFETCH(QByteArray, firstNotice);
        TestRoot root, localA, localB;
        Copy a, b;
        startCopy(a, {"hold", root.path(), "pc-a", localA.path(), "0"});
        QCOMPARE(a.answer(), QByteArray("held"));
        QCOMPARE(a.ask("w"), QByteArray("written"));
        QCOMPARE(a.ask("w"), QByteArray("written"));
        QCOMPARE(::kill(pid_t(a.process.processId()), SIGSTOP), 0);
        // Ten minutes later by the second computer's clock: the first has not confirmed since.
        startCopy(b, {"hold", root.path(), "pc-b", localB.path(), "600"});
        QCOMPARE(b.answer(), QByteArray("held"));
        QCOMPARE(b.ask("w"), QByteArray("written"));
        QCOMPARE(::kill(pid_t(a.process.processId()), SIGCONT), 0);
        QTEST(a.ask(firstNotice), "answer");
        QCOMPARE(a.ask("w"), QByteArray("refused"));
        QCOMPARE(a.ask("r"), QByteArray("lost"));
        QCOMPARE(b.ask("w"), QByteArray("written"));
        QCOMPARE(b.ask("r"), QByteArray("confirmed"));
        QCOMPARE(root.read("/Writes.txt"), QByteArray("pc-a 1\npc-a 2\npc-b 1\npc-b 2\n"));
        QVERIFY(root.read(kLock).contains("\npc-b\n"));
        a.process.closeWriteChannel();
        QVERIFY(a.process.waitForFinished());
        QVERIFY(root.read(kLock).contains("\npc-b\n")); // the first copy's end leaves the new holder's lock
        b.process.closeWriteChannel();
        QVERIFY(b.process.waitForFinished());
        QVERIFY(!root.exists(kLock));
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
