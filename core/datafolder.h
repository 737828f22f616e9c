#pragma once

#include "core/appendguard.h"
#include "core/datapaths.h"
#include "core/fileops.h"
#include "core/recordio.h"
#include "core/recordlayout.h"
#include "core/safereplace.h"
#include "core/wholefiles.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

// The data folder: every data path of the program is relative to it and begins with "/" or "\".
// An existing file or folder is found whatever the letter case of its name; new ones get the name as given.
//
// Readers never fail: a missing or damaged file reads as what it holds or as nothing. Writers throw DiskError
// with a message that names the file, and leave whatever was stored before intact: a file is replaced
// crash-safe (SafeReplace), an append is guarded (AppendGuard), whole files are read, copied and deleted with
// their Backup copies (WholeFiles), and record files are read and written whole records at a time (RecordIO).
// This class puts them together over one root; the path lookup is DataPaths, and every change on disk goes
// through the folder's FileOps. Copies of a DataFolder share the name listings.
class DataFolder
{
public:
    explicit DataFolder(QString root, QString executableName = QStringLiteral("VarnelDispatchDuzudu"));

    const QString &root() const { return m_paths.root(); }
    const QString &executableName() const { return m_executableName; }

    // The parts, over this folder's paths and file operations.
    const DataPaths &paths() const { return m_paths; }
    const FileIo &io() const { return m_io; }
    SafeReplace safeReplace() const { return SafeReplace(m_paths, m_io); }
    AppendGuard appendGuard() const { return AppendGuard(m_paths, m_io); }
    WholeFiles files() const { return WholeFiles(m_paths, m_io); }
    RecordIO records() const { return RecordIO(m_paths, m_io); }

    // root + relative path, with both separators accepted and existing names matched without regard to case.
    QString path(const QString &relative) const { return m_paths.path(relative); }
    static QString backupPathOf(const QString &relative) { return DataPaths::backupPathOf(relative); }

    // -- Existence and counting
    bool fileExists(const QString &relative) const; // restores a missing file from /Backup
    bool folderExists(const QString &relative) const;
    qint64 fileSize(const QString &relative) const;               // -1 when missing
    static int recordCountForSize(qint64 bytes, int recordLength) // the length divided, half to even
    {
        return RecordIO::recordCountForSize(bytes, recordLength);
    }
    int recordCount(const QString &relative, int recordLength) const
    {
        return records().recordCount(relative, recordLength);
    }

    // -- Temporaries of an interrupted write ("<name>.<unique>.vdtmp"), found in every folder the program
    // writes files to except the /AuxFiles tree of the customers' data boxes (too many folders to search at
    // every start). Relative paths.
    static bool isTemporaryName(const QString &fileName) { return SafeReplace::isTemporaryName(fileName); }
    // Waits until what was written to these files (full paths) is on the disk; returns the first file that
    // failed, empty when all reached the disk.
    static QString syncToDisk(const QStringList &fullPaths) { return SafeReplace::syncToDisk(fullPaths); }
    QStringList leftoverTemporaries(const QDateTime &olderThan = {}) const
    {
        return safeReplace().leftoverTemporaries(olderThan);
    }
    // Removes those last changed before the given time (a write of another program running now is left
    // alone); returns the relative paths removed.
    QStringList removeLeftoverTemporaries(const QDateTime &olderThan) const
    {
        return safeReplace().removeLeftoverTemporaries(olderThan);
    }

    // -- Appends interrupted by a kill or a power cut (see AppendGuard): finishInterruptedAppends() runs at
    // start before any file is read, keeps an append that is whole and cuts any other back. Returns the
    // files cut back and by how much.
    static bool isAppendGuardName(const QString &fileName) { return AppendGuard::isGuardName(fileName); }
    QStringList interruptedAppends() const { return appendGuard().pending(); } // relative paths
    std::vector<AppendGuard::CutBack> finishInterruptedAppends() const { return appendGuard().cutBackTornAppends(); }

    // -- Whole files
    QByteArray readAll(const QString &relative) const; // empty when missing or unreadable
    // Crash-safe replace. A working file that only passes text to a document or another program may skip the
    // flush to disk: it is still replaced whole, but a power cut may take the last version.
    using Flush = FileIo::Flush;
    void writeFile(const QString &relative, const QByteArray &content, Flush flush = Flush::ToDisk) const
    {
        safeReplace().replace(path(relative), content, flush);
    }
    void deleteFile(const QString &relative) const { safeReplace().remove(path(relative)); } // nothing when missing
    void deleteWithBackup(const QString &relative) const;          // the Backup copy first, then the file
    void renameFile(const QString &from, const QString &to) const; // replaces the destination
    void copyFile(const QString &from, const QString &to) const;   // replaces the destination, crash-safe
    void backupFile(const QString &relative) const;                // copies the file to /Backup (its folder must exist)
    void makeFolder(const QString &relative) const;                // only when nothing of that name exists

    // -- Record files (see RecordIO)
    std::vector<Record> readRecords(const QString &relative, const RecordLayout &layout) const
    {
        return records().readRecords(relative, layout);
    }
    std::optional<Record> readRecord(const QString &relative, const RecordLayout &layout, int number) const
    {
        return records().readRecord(relative, layout, number);
    }
    // Record n from 1; n inside the file replaces that record (the whole file is rewritten crash-safe), n at
    // the end or beyond appends. An append that fails leaves the file as it was.
    void writeRecord(const QString &relative, int number, const Record &record) const
    {
        records().writeRecord(relative, number, record);
    }
    void appendRecord(const QString &relative, const Record &record) const { writeRecord(relative, 0, record); }
    void appendRecords(const QString &relative, const std::vector<Record> &list) const
    {
        records().appendRecords(relative, list);
    }
    // Writes the bytes at a byte offset of the file itself (created when missing), without a temporary file and
    // without an append guard: for writers that keep their own journal. When endsFile, the file ends after
    // them. A write that fails returns the file to its old length and throws DiskError naming the file (and
    // saying "the disk is full" when it is).
    void writeInPlace(const QString &relative, qint64 offset, const QByteArray &bytes, Flush flush = Flush::ToDisk,
                      bool endsFile = false) const
    {
        records().writeInPlace(relative, offset, bytes, flush, endsFile);
    }
    // Replaces the file with exactly these records; no records deletes the file and its Backup copy
    // (a record file with no records does not exist). The Backup copy of a rewritten file is deleted too.
    void replaceRecords(const QString &relative, const std::vector<Record> &list) const
    {
        records().replaceRecords(relative, list);
    }
    // Rewrites the file without the records for which drop(record, number) is true; the others keep their
    // order. The file's Backup copy goes unless it is to be kept. Returns how many were kept.
    enum class BackupCopy { Delete, Keep };
    int rewriteWithout(const QString &relative, const RecordLayout &layout,
                       const std::function<bool(const Record &, int)> &drop,
                       BackupCopy backup = BackupCopy::Delete) const
    {
        return records().rewriteWithout(relative, layout, drop, backup == BackupCopy::Keep);
    }

    // Tests simulate a crash by throwing from this hook; it is called before each step of a write with the
    // step's name ("write", "sync", "rename", "delete", "append", "unguard") and the full path it concerns.
    using FaultHook = FileIo::FaultHook;
    void setFaultHook(FaultHook hook) { m_io.faultHook = std::move(hook); }
    // The file operations every change on disk goes through (the disk's own unless given others).
    using WriteGate = FileIo::WriteGate;
    void setWriteGate(WriteGate gate) const { *m_io.gate = std::move(gate); }
    void setFileOps(std::shared_ptr<FileOps> ops) { m_io.ops = ops ? std::move(ops) : FileOps::disk(); }

    // Every byte of file content is written through this function (temporary files and appends): it writes
    // up to size bytes to the open descriptor and returns how many, or -1 with errno set. Tests replace it
    // to make a write stop part way (a full disk); nullptr puts the plain write back.
    using WriteFunction = FileOps::WriteFunction;
    static void setWriteFunction(WriteFunction write) { FileOps::setWriteFunction(write); }

private:
    DataPaths m_paths;
    QString m_executableName;
    FileIo m_io;
};
