#include "core/diskguard.h"

#include "core/diskerror.h"
#include "core/seams.h"

bool guardDiskErrors(Messages &messages, const QString &title, const std::function<void()> &step)
{
    try {
        step();
        return true;
    } catch (const DiskError &e) {
        messages.inform(e.message(), title);
        return false;
    }
}
