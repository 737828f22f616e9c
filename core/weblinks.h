#pragma once

#include <QString>

class DataFolder;
class WebOpener;

// The web addresses the program opens, in one place.
namespace WebLinks {
inline const QString kManual = QStringLiteral("https://www.varnel-software.com/dispatch/manual");
inline const QString kHomePage = QStringLiteral("https://www.varnel-software.com/");
inline const QString kSuppliers = QStringLiteral("https://www.varnel-software.com/supplies");

// Writes the internet shortcut \Temp.url (two lines: "[InternetShortcut]" and "URL = " + the address) and
// hands the address to the system's opener. Returns false when the opener could not open it; a shortcut
// that cannot be written does not keep the page from opening.
bool openWebPage(const DataFolder &folder, WebOpener &opener, const QString &url);
// What the user is told when no browser could be opened, with the address to open by hand.
QString cannotOpenText(const QString &url);
} // namespace WebLinks
