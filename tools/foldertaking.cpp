#include "tools/foldertaking.h"

#include "core/clock.h"
#include "core/datafolder.h"
#include "platform/instancelock.h"

#include <QDir>

std::unique_ptr<InstanceLock> takeDataFolder(const QString &root, const Clock &clock, QString *refusal)
{
    const QString folder = InstanceLock::dataRootOf(root);
    auto lock = std::make_unique<InstanceLock>(folder);
    if (lock->tryLock(clock.now().toUTC())) {
        InstanceLock::fenceOffOldHolder(DataFolder(folder));
        return lock;
    }
    const auto holder = lock->holder();
    if (holder && !holder->thisComputer)
        *refusal = lock->refusal() +
                   QStringLiteral(" If the program no longer runs there (the computer was switched off or stopped), "
                                  "\"dispatch-data unlock %1\" watches its lock and frees the folder.")
                       .arg(QDir::toNativeSeparators(folder));
    else if (lock->lockBeingWritten())
        *refusal = lock->refusal();
    else
        *refusal = QStringLiteral("The program is running on this data folder; close it first.");
    return nullptr;
}
