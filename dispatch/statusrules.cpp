#include "dispatch/statusrules.h"

#include "dispatch/slipvalues.h"

namespace StatusRules {

std::optional<QString> refusal(const QString &from, const QString &to)
{
    using namespace SlipValues;
    if (from == to)
        return std::nullopt;
    const QString crlf = QStringLiteral("\r\n");
    if (from == kOpen) {
        if (to == kSuspended)
            return QStringLiteral("The Service Slip can only be Assigned or Set to In Progress");
    } else if (from == kAssigned) {
        if (to == kOpen)
            return QStringLiteral("The Service Slip has been Assigned") + crlf +
                   QStringLiteral("It can only be marked as In Progress or Suspended");
    } else if (from == kInProgress) {
        if (to == kOpen || to == kAssigned)
            return QStringLiteral("The Service Slip is In Progress") + crlf +
                   QStringLiteral("It can only be Suspended");
    } else if (from == kSuspended) {
        if (to == kOpen || to == kAssigned)
            return QStringLiteral("The Service Slip has been Suspended") + crlf +
                   QStringLiteral("It can only be marked as In Progress");
    }
    return std::nullopt;
}

} // namespace StatusRules
