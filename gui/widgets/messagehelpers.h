#pragma once

#include <QString>
#include <functional>

class DataFolder;
class Messages;
class WebOpener;

// Steps a window carries out with the user's messages around them.

// Runs a step that writes the data files. A disk error it raises is shown to the user under the title, and
// the step counts as failed. True when the step went through.
bool guardDiskErrors(Messages &messages, const QString &title, const std::function<void()> &step);

// Opens a web page (WebLinks::openWebPage); when no browser could be opened the user is told so, with the
// address to open by hand.
void openWebPageOrSay(const DataFolder &folder, WebOpener &opener, Messages &messages, const QString &url);
