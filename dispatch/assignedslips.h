#pragma once

#include <QString>

class DataFolder;

// How many slips of /ServiceSlips.txt name this assignment (trimmed, exact letter case), so that deleting
// the assignment can warn about the work still given to it.
int activeSlipsAssignedTo(const DataFolder &folder, const QString &name);
