#pragma once

#include "core/fileops.h"
#include "core/recordlayout.h"
#include "core/wholefiles.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

// Files of fixed-length records in a data folder, by relative path. A record file is read whatever is left
// of it (a short last record reads padded with blanks); it is replaced whole and crash-safe, and added to
// through the append guard.
class RecordIO
{
public:
    RecordIO(const DataPaths &paths, const FileIo &io)
        : m_folder(paths, io)
    {}

    static int recordCountForSize(qint64 bytes, int recordLength); // the length divided, half to even
    int recordCount(const QString &relative, int recordLength) const;

    std::vector<Record> readRecords(const QString &relative, const RecordLayout &layout) const;
    std::optional<Record> readRecord(const QString &relative, const RecordLayout &layout, int number) const;
    // Record n from 1; n inside the file replaces that record (the whole file is rewritten crash-safe), n at
    // the end or beyond appends (the records in between zeroed). An append that fails leaves the file as it was;
    // an append to a file that ends in part of a record is refused (DiskError), see TornRecords.
    void writeRecord(const QString &relative, int number, const Record &record) const;
    void appendRecords(const QString &relative, const std::vector<Record> &records) const;
    // Writes the bytes at a byte offset of the file itself (created when missing), without a temporary file
    // and without an append guard: for writers that keep their own journal. When endsFile, the file ends
    // after them. A write that fails returns the file to its old length and throws DiskError naming the file.
    void writeInPlace(const QString &relative, qint64 offset, const QByteArray &bytes, FileIo::Flush flush,
                      bool endsFile) const;
    // Exactly these records; no records deletes the file and its Backup copy (a record file with no records
    // does not exist). The Backup copy of a rewritten file is deleted too.
    void replaceRecords(const QString &relative, const std::vector<Record> &records) const;
    // Without the records for which drop(record, number) is true; the others keep their order. The Backup
    // copy goes unless keepBackup. Returns how many were kept.
    int rewriteWithout(const QString &relative, const RecordLayout &layout,
                       const std::function<bool(const Record &, int)> &drop, bool keepBackup) const;

private:
    WholeFiles m_folder;
};
