#include "crashsupport.h"

#include "accounts/customerwrite.h"
#include "billing/postingrun.h"
#include "core/diskerror.h"
#include "dispatch/assignedslips.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipstore.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <cerrno>

#include <unistd.h>

namespace {

int g_event = 0;
int g_faultAt = -1;
Fault g_fault = Fault::Kill;
bool g_struck = false;

void strike()
{
    g_struck = true;
    if (g_fault == Fault::Kill)
        throw Crash{};
}

qint64 faultyWrite(int fd, const char *data, qint64 size)
{
    if (g_struck && g_fault == Fault::FullDisk) {
        errno = ENOSPC;
        return -1;
    }
    if (g_event++ != g_faultAt)
        return ::write(fd, data, size_t(size));
    const qint64 half = size > 1 ? ::write(fd, data, size_t(size / 2)) : 0;
    strike();
    return half > 0 ? half : (errno = ENOSPC, -1);
}

} // namespace

void repairAsAtStart(const DataFolder &folder)
{
    folder.finishInterruptedAppends();
    finishInterruptedBoardSave(folder);
    folder.removeLeftoverTemporaries(QDateTime());
    CustomerWrite::recoverCustomerWrite(folder);
    PostingRun::finishPending(folder);
    AssignedSlips::recoverRename(folder);
    removeCompletedLeftOnBoard(folder);
}

bool runWithFaultAt(DataFolder &folder, int k, Fault failure, const std::function<void()> &operation, QString *message)
{
    g_event = 0;
    g_faultAt = k;
    g_fault = failure;
    g_struck = false;
    folder.setFaultHook([](const char *, const QString &) {
        if (g_event++ == g_faultAt)
            strike();
    });
    DataFolder::setWriteFunction(faultyWrite);
    try {
        operation();
    } catch (const Crash &) {
    } catch (const DiskError &e) {
        if (message)
            *message = e.message();
    }
    DataFolder::setWriteFunction(nullptr);
    folder.setFaultHook({});
    return g_struck;
}
