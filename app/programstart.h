#pragma once

#include "app/application.h"
#include "platform/instancelock.h"

#include <QTimer>
#include <functional>
#include <memory>

// A started program: the data folder's lock, held for as long as the program runs, and the application.
struct RunningProgram
{
    std::unique_ptr<InstanceLock> lock; // released after the application is gone
    std::unique_ptr<QTimer> refresh;    // confirms the lock while the program runs (confirmLock)
    std::unique_ptr<Application> application;
    // Confirms the lock. Once another computer has taken the folder over, says so once, stops confirming and returns
    // false; the folder's writes are refused from then on.
    std::function<bool()> confirmLock;
};

// The program's start: takes the data folder's lock, lets the folder be written only while the lock is held,
// and runs the start-up sequence. When another copy runs
// on the same folder, by whatever path it was named, says so and returns nothing, touching no file.
// `prepare` runs on the application before its start (tests give their serial ports and quit handler).
std::unique_ptr<RunningProgram> startProgram(const QString &dataRoot, Platform platform, const QString &executableName,
                                             const QString &dataFolderNote = {},
                                             const std::function<void(Application &)> &prepare = {},
                                             const QString &lockFallbackFolder = {});
