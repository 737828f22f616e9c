#pragma once

#include "core/datafolder.h"

#include <QString>
#include <array>

// The dialer's ten speed-dial slots, kept in "/SpeedNumbers.txt": two lines per filled slot, the name and then
// the number, as plain text.
struct SpeedNumber
{
    QString name; // an empty name marks an empty slot
    QString number;
    bool isEmpty() const { return name.isEmpty(); }
};

constexpr int kSpeedNumberSlots = 10;
using SpeedNumbers = std::array<SpeedNumber, kSpeedNumberSlots>;

inline const QString kSpeedNumbersFile = QStringLiteral("/SpeedNumbers.txt");

// Line pairs until the end of the file fill slots 0, 1, 2 ...; entries beyond the tenth are left out, a name
// without its number line gets an empty number. A missing file gives ten empty slots.
SpeedNumbers LoadSpeedNumbers(const DataFolder &folder);
// Replaces the file with the filled slots in order 0 to 9 (an empty file when none is filled). Throws
// DiskError, leaving the old file in place.
void SaveSpeedNumbers(const DataFolder &folder, const SpeedNumbers &numbers);
