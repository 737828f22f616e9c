#pragma once

#include <QString>
#include <functional>

class Messages;

// Runs a step that writes the data files. A disk error it raises is shown to the user under the title, and
// the step counts as failed. True when the step went through.
bool guardDiskErrors(Messages &messages, const QString &title, const std::function<void()> &step);
