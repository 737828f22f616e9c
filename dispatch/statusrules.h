#pragma once

#include <QString>
#include <optional>

// Which status a slip on the dispatch board may move to from the status list. An "Open" slip may be assigned or
// started, an assigned one started or suspended, one in progress only suspended, a suspended one only started
// again. A slip in any other state ("Complete", or a value the board does not know) may take any entry.
namespace StatusRules {

// Nothing when the change is allowed (or no change at all); otherwise the refusal for the user.
std::optional<QString> refusal(const QString &from, const QString &to);

} // namespace StatusRules
