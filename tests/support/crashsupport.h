#pragma once

#include "core/datafolder.h"
#include "testsupport.h" // Crash, the simulated kill

#include <QMap>
#include <QString>
#include <functional>

// What the next start does with what a kill left, before any file is read (as the program's start runs it):
// torn appends, the board journal, temporaries, the customer journal, an interrupted Write Records, a
// technician's rename, a completed slip left on the board.
void repairAsAtStart(const DataFolder &folder);

// Runs the operation with the disk failing at event k (a step of a write or one call of the write function:
// at a call the disk takes half of what it is given first). `failure` makes the fault: a kill (Crash) or a
// full disk (ENOSPC from then on). Returns false when the operation ran through without reaching event k.
enum class Fault { Kill, FullDisk };
bool runWithFaultAt(DataFolder &folder, int k, Fault failure, const std::function<void()> &operation,
                    QString *message = nullptr);
