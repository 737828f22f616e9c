#include "gui/widgets/messagehelpers.h"

#include "core/diskerror.h"
#include "core/seams.h"
#include "core/weblinks.h"

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

void openWebPageOrSay(const DataFolder &folder, WebOpener &opener, Messages &messages, const QString &url)
{
    if (!WebLinks::openWebPage(folder, opener, url))
        messages.inform(WebLinks::cannotOpenText(url), QStringLiteral("Web Page"));
}
