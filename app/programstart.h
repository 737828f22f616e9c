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
    // A read-only seat looks at the folder every kPollSeconds (pollFolder): what is shown is read again when the
    // files changed; when the holder let go of the folder, or its lock stayed unchanged for longer than its
    // lease, the seat offers to become the writer.
    static constexpr int kPollSeconds = 5;
    std::unique_ptr<QTimer> poll;
    std::function<void()> pollFolder;
};

// The program's start: takes the data folder's lock, lets the folder be written only while the lock is held,
// and runs the start-up sequence. When another copy of this computer runs on the same folder, by whatever path it
// was named, says so and returns nothing, touching no file. When another computer holds the folder, or the folder
// cannot be written, offers to open it read-only (nothing is written to it then, not even a lock).
// `prepare` runs on the application before its start (tests give their serial ports and quit handler).
std::unique_ptr<RunningProgram> startProgram(const QString &dataRoot, Platform platform, const QString &executableName,
                                             const QString &dataFolderNote = {},
                                             const std::function<void(Application &)> &prepare = {},
                                             const QString &lockFallbackFolder = {});
