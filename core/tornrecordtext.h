#pragma once

#include "core/appendguard.h"

#include <QString>

// What is said of a record file that ends in part of a record (see TornRecords): the record writers refuse an
// append to it with these words, the start and the data check describe it.
namespace TornRecords {

struct Torn
{
    QString relative;
    qint64 size = 0;
    int recordLength = 0;
    qint64 over() const { return size % recordLength; }
    qint64 wholeRecords() const { return size / recordLength; }
};

// "ServiceSlips.txt is 300 bytes longer than its 4 whole records (697 bytes each)"
QString describe(const Torn &torn);
// Why an append to a torn file is refused; `what` names what was to be added ("The record").
QString refusal(const QString &what, const QString &fullPath, qint64 size, int recordLength);
// What a cut back removed, in records where the record length is known (0: in bytes only).
QString cutBackText(const AppendGuard::CutBack &cut, int recordLength);

} // namespace TornRecords
