#pragma once

#include <QString>
#include <memory>

class Clock;
class InstanceLock;

// How a writing command of the tool takes the data folder, as the program's start does: the folder's lock
// first, then the fence (the temporaries an earlier holder left are removed, so that a rename it began before
// it was stopped puts nothing in place). Null with the words for the user when the folder is held; a lock of
// another computer names the way out (unlock).
std::unique_ptr<InstanceLock> takeDataFolder(const QString &root, const Clock &clock, QString *refusal);
