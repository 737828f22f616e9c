#include "dispatch/assignedslips.h"

#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"

#include <algorithm>

int activeSlipsAssignedTo(const DataFolder &folder, const QString &name)
{
    const QString wanted = name.trimmed();
    if (wanted.isEmpty())
        return 0;
    const std::vector<Record> slips = LoadActiveSlips(folder);
    return int(std::count_if(slips.cbegin(), slips.cend(),
                             [&](const Record &slip) { return slip.text(SlipField::AssignedTo) == wanted; }));
}
