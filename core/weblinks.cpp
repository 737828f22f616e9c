#include "core/weblinks.h"

#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/seams.h"
#include "core/textfile.h"

namespace WebLinks {

bool openWebPage(const DataFolder &folder, WebOpener &opener, const QString &url)
{
    try {
        folder.writeFile(QStringLiteral("\\Temp.url"), TextWriter()
                                                           .printLine(QStringLiteral("[InternetShortcut]"))
                                                           .printLine(QStringLiteral("URL = ") + url)
                                                           .bytes());
    } catch (const DiskError &) {
        // The shortcut is only a courtesy to other programs; the page still opens.
    }
    return opener.open(url);
}

QString cannotOpenText(const QString &url)
{
    return QStringLiteral("No web browser could be opened for this address:\r\n%1\r\nOpen it in your browser "
                          "yourself.")
        .arg(url);
}

} // namespace WebLinks
