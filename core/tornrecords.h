#pragma once

#include "core/tornrecordtext.h"

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

// The files of the list that exist and end in part of a record, in the list's order.
std::vector<Torn> find(const DataFolder &folder, const std::vector<RecordFile> &files);

// Completes the last record with what every reader already reads there (blanks in text, zero in numbers),
// through the append guard, and reads the file back. Returns the number of bytes added (0 when the file was
// whole). Throws DiskError naming the file.
qint64 completeLastRecord(const DataFolder &folder, const QString &relative, const RecordLayout &layout);

} // namespace TornRecords
