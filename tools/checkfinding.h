#pragma once

#include <QString>

// One thing wrong in a data folder: the file (relative to the data root, without the leading separator),
// the record number from 1 (0 for the file as a whole) and what is wrong.
struct CheckFinding
{
    QString file;
    int record = 0;
    QString message;

    QString text() const; // "ServiceSlips.txt record 3: unknown status "Opne""
};
