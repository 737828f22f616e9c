#pragma once

#include "core/appendguard.h"

#include <QString>
#include <vector>

class DataFolder;
class RecordLayout;

// Record files that end in part of a record. A torn append is cut back at start by the append guard; a file
// torn where no guard note explains it (a power cut, a copy cut short) keeps its bytes: nothing is added to it
// until its last record is completed, since a record added after the part would not line up with the others.
namespace TornRecords {

struct RecordFile
{
    QString relative;
    const RecordLayout *layout = nullptr;
};

struct Torn
{
    QString relative;
    qint64 size = 0;
    int recordLength = 0;
    qint64 over() const { return size % recordLength; }
    qint64 wholeRecords() const { return size / recordLength; }
};

// The files of the list that exist and end in part of a record, in the list's order.
std::vector<Torn> find(const DataFolder &folder, const std::vector<RecordFile> &files);

// "ServiceSlips.txt is 300 bytes longer than its 4 whole records (697 bytes each)"
QString describe(const Torn &torn);
// Why an append to a torn file is refused; `what` names what was to be added ("The record").
QString refusal(const QString &what, const QString &fullPath, qint64 size, int recordLength);
// What a cut back removed, in records where the record length is known (0: in bytes only).
QString cutBackText(const AppendGuard::CutBack &cut, int recordLength);

// Completes the last record with what every reader already reads there (blanks in text, zero in numbers),
// through the append guard, and reads the file back. Returns the number of bytes added (0 when the file was
// whole). Throws DiskError naming the file.
qint64 completeLastRecord(const DataFolder &folder, const QString &relative, const RecordLayout &layout);

} // namespace TornRecords
