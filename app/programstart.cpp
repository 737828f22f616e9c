#include "app/programstart.h"

std::unique_ptr<RunningProgram> startProgram(const QString &dataRoot, Platform platform, const QString &executableName,
                                             const QString &dataFolderNote,
                                             const std::function<void(Application &)> &prepare,
                                             const QString &lockFallbackFolder)
{
    auto running = std::make_unique<RunningProgram>();
    running->lock = std::make_unique<InstanceLock>(dataRoot, lockFallbackFolder);
    InstanceLock &lock = *running->lock;
    bool taken = lock.tryLock();
    if (!taken && lock.lockBeingWritten()) {
        platform.messages.inform(lock.refusal(), executableName);
        return nullptr;
    }
    if (!taken && lock.holder() && !lock.holder()->thisComputer) {
        // The folder lies on a share and another computer holds it: a lock that computer stopped confirming
        // may be taken over after a question; a fresh one is refused with who holds it.
        if (!lock.holderIsStale()) {
            platform.messages.inform(lock.refusal(), executableName);
            return nullptr;
        }
        if (!platform.messages.ask(lock.takeOverQuestion(), executableName))
            return nullptr;
        taken = lock.takeOver();
        if (!taken) {
            platform.messages.inform(lock.refusal(), executableName);
            return nullptr;
        }
    }
    if (refuseSecondInstance(taken, platform.messages, executableName))
        return nullptr;
    // The running copy confirms its lock, so that other computers can tell it from one left by a crash, and
    // learns there (or at its next write) that the folder was taken over while it was stopped.
    running->refresh = std::make_unique<QTimer>();
    Messages &messages = platform.messages;
    QTimer &timer = *running->refresh;
    running->confirmLock = [&lock, &messages, &timer, executableName] {
        if (lock.refresh())
            return true;
        if (timer.isActive()) {
            timer.stop();
            messages.inform(lock.lostText(), executableName);
        }
        return false;
    };
    QObject::connect(running->refresh.get(), &QTimer::timeout, [confirm = running->confirmLock] { confirm(); });
    running->refresh->start(InstanceLock::kRefreshSeconds * 1000);
    running->application = std::make_unique<Application>(dataRoot, platform, dataFolderNote);
    lock.guardWrites(running->application->state().folder);
    if (prepare)
        prepare(*running->application);
    running->application->start();
    return running;
}
