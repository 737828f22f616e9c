#pragma once

#include "core/datafolder.h"
#include "recovery/recovery.h"
#include "testsupport.h" // Crash, the simulated kill

#include <QMap>
#include <QString>
#include <functional>

class SlipCounter;

// What the next start does with what a kill left, before any file is read: the program's own repair
// (Recovery::run) with the counter given, or a counter of its own, and the settings read afresh. Files that
// end in part of a record are left as they are (the answer No), so that a test sees them.
Recovery::Report repairAsAtStart(const DataFolder &folder, SlipCounter &counter);
Recovery::Report repairAsAtStart(const DataFolder &folder);

// Runs the operation with the disk failing at event k (a step of a write or one call of the write function:
// at a call the disk takes half of what it is given first). `failure` makes the fault: a kill (Crash) or a
// full disk (ENOSPC from then on). Returns false when the operation ran through without reaching event k.
enum class Fault { Kill, FullDisk };
bool runWithFaultAt(DataFolder &folder, int k, Fault failure, const std::function<void()> &operation,
                    QString *message = nullptr);
