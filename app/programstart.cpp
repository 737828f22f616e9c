#include "app/programstart.h"

std::unique_ptr<RunningProgram> startProgram(const QString &dataRoot, Platform platform, const QString &executableName,
                                             const QString &dataFolderNote,
                                             const std::function<void(Application &)> &prepare,
                                             const QString &lockFallbackFolder)
{
    auto running = std::make_unique<RunningProgram>();
    running->lock = std::make_unique<InstanceLock>(dataRoot, lockFallbackFolder);
    if (refuseSecondInstance(running->lock->tryLock(), platform.messages, executableName))
        return nullptr;
    running->application = std::make_unique<Application>(dataRoot, platform, dataFolderNote);
    if (prepare)
        prepare(*running->application);
    running->application->start();
    return running;
}
