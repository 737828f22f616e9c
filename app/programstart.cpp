#include "app/programstart.h"

#include "core/clock.h"

#include <QDir>
#include <QFileInfo>

namespace {

// What the read-only seat compares between two looks: the name, size and time of every file of the folder's
// top level (where the slip files, the customers and the history lie), the lock left out (it changes at every
// confirmation).
QByteArray folderSignature(const QString &root)
{
    QByteArray signature;
    const auto files = QDir(root).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &file : files) {
        if (file.fileName().startsWith(InstanceLock::lockFileName()))
            continue;
        signature += file.fileName().toUtf8() + '\t' + QByteArray::number(file.size()) + '\t' +
                     QByteArray::number(file.lastModified().toMSecsSinceEpoch()) + '\n';
    }
    return signature;
}

struct StartArguments
{
    QString dataRoot;
    Platform platform;
    QString executableName;
    QString note;
    std::function<void(Application &)> prepare;
};

// The writer: the lock is held; it is confirmed while the program runs and the folder is written only while it
// is held.
void startWriter(RunningProgram &running, const StartArguments &a)
{
    InstanceLock &lock = *running.lock;
    // The running copy confirms its lock, so that other computers can tell it from one left by a crash, and
    // learns there (or at its next write) that the folder was taken over while it was stopped.
    running.refresh = std::make_unique<QTimer>();
    Messages &messages = a.platform.messages;
    QTimer &timer = *running.refresh;
    running.confirmLock = [&lock, &messages, &timer, name = a.executableName] {
        if (lock.refresh())
            return true;
        if (timer.isActive()) {
            timer.stop();
            messages.inform(lock.lostText(), name);
        }
        return false;
    };
    QObject::connect(running.refresh.get(), &QTimer::timeout, [confirm = running.confirmLock] { confirm(); });
    running.refresh->start(int(lock.timing().refreshMs));
    running.application = std::make_unique<Application>(a.dataRoot, a.platform, a.note);
    lock.guardWrites(running.application->state().folder);
    if (a.prepare)
        a.prepare(*running.application);
    running.application->start();
}

// The read-only seat: no byte is written to the folder (the write gate refuses every write as well).
void startReadOnly(RunningProgram &running, const StartArguments &a, const QString &why)
{
    running.application = std::make_unique<Application>(a.dataRoot, a.platform, a.note);
    Application &app = *running.application;
    app.setReadOnly(why);
    const QString refusal = QStringLiteral("This copy of the program opened the data folder %1 read-only (%2): "
                                           "nothing is written to it from here.")
                                .arg(QDir::toNativeSeparators(a.dataRoot), why);
    app.state().folder.setWriteGate([refusal]() -> std::optional<QString> { return refusal; });
    if (a.prepare)
        a.prepare(app);
    app.start();

    InstanceLock &lock = *running.lock;
    auto signature = std::make_shared<QByteArray>(folderSignature(a.dataRoot));
    auto asked = std::make_shared<bool>(false);
    RunningProgram *seat = &running;
    running.pollFolder = [seat, a, signature, asked, &lock] {
        const QByteArray now = folderSignature(a.dataRoot);
        if (now != *signature) {
            *signature = now;
            seat->application->reloadFromFolder();
        }
        if (!lock.holder())
            return; // the folder cannot be written: there is no writer to wait for
        const InstanceLock::Watch seen = lock.watchHolder();
        if (seen == InstanceLock::Watch::Confirmed)
            *asked = false;
        const bool gone = seen == InstanceLock::Watch::Gone;
        if (*asked || (!gone && seen != InstanceLock::Watch::Silent))
            return;
        *asked = true;
        const QString question =
            gone ? QStringLiteral("The computer %1 let go of the data folder %2.\r\nOpen it for writing on this "
                                  "computer? The windows close and open again.")
                       .arg(lock.holder()->computer, QDir::toNativeSeparators(a.dataRoot))
                 : lock.takeOverQuestion();
        if (!a.platform.messages.ask(question, a.executableName))
            return;
        if (!(gone ? lock.tryLock(a.platform.clock.now().toUTC()) : lock.takeOver(a.platform.clock.now().toUTC()))) {
            a.platform.messages.inform(lock.refusal(), a.executableName);
            *asked = false;
            return;
        }
        // The writer starts afresh on the folder: its start removes what the old holder left (the fence).
        seat->poll->stop();
        seat->application->closeWindows();
        seat->application.reset();
        startWriter(*seat, a);
    };
    running.poll = std::make_unique<QTimer>();
    QObject::connect(running.poll.get(), &QTimer::timeout, [seat] { seat->pollFolder(); });
    running.poll->start(RunningProgram::kPollSeconds * 1000);
}

} // namespace

std::unique_ptr<RunningProgram> startProgram(const QString &dataRoot, Platform platform, const QString &executableName,
                                             const QString &dataFolderNote,
                                             const std::function<void(Application &)> &prepare,
                                             const QString &lockFallbackFolder)
{
    auto running = std::make_unique<RunningProgram>();
    running->lock = std::make_unique<InstanceLock>(dataRoot, lockFallbackFolder);
    InstanceLock &lock = *running->lock;
    const Clock &clock = platform.clock;
    lock.setSteadyClock([&clock] { return clock.steadyMs(); });
    const StartArguments args{dataRoot, platform, executableName, dataFolderNote, prepare};
    const bool taken = lock.tryLock(clock.now().toUTC());
    if (!taken && lock.lockBeingWritten()) {
        platform.messages.inform(lock.refusal(), executableName);
        return nullptr;
    }
    const auto offerReadOnly = [&](const QString &situation, const QString &why) {
        if (!platform.messages.ask(situation + QStringLiteral("\r\nOpen it read-only? Customers, the board, the "
                                                              "calendar, history, reports and agreements can be "
                                                              "looked at and printed; nothing is saved from this "
                                                              "computer."),
                                   executableName))
            return false;
        startReadOnly(*running, args, why);
        return true;
    };
    if (!taken && lock.holder() && !lock.holder()->thisComputer)
        return offerReadOnly(lock.refusal(), QStringLiteral("held by %1").arg(lock.holder()->computer))
                   ? std::move(running)
                   : nullptr;
    if (refuseSecondInstance(taken, platform.messages, executableName))
        return nullptr;
    if (!lock.holdsFolderLock() && QFileInfo(dataRoot).isDir() && !QFileInfo(dataRoot).isWritable())
        return offerReadOnly(QStringLiteral("The data folder %1 cannot be written from this computer.")
                                 .arg(QDir::toNativeSeparators(dataRoot)),
                             QStringLiteral("not writable here"))
                   ? std::move(running)
                   : nullptr;
    startWriter(*running, args);
    return running;
}
