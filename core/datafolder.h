#pragma once

#include "core/recordlayout.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The data folder: every data path of the program is relative to it and begins with "/" or "\".
// An existing file or folder is found whatever the letter case of its name; new ones get the name as given.
//
// Readers never fail: a missing or damaged file reads as what it holds or as nothing. Writers throw DiskError
// with a message that names the file, and leave whatever was stored before intact: a file is replaced by
// writing a temporary file of its own beside it (a unique name ending in ".vdtmp"), flushing it to disk and
// renaming it over the old one; an append that fails is cut back to the file's old length.
//
// Names are matched without regard to case through a listing of each folder that is kept while the folder
// does not change (its modification time) and updated by the routines here that add names, so that looking
// up many new names in one large folder does not list it again each time. Copies of a DataFolder share it.
class DataFolder
{
public:
    explicit DataFolder(QString root, QString executableName = QStringLiteral("VarnelDispatchDuzudu"));

    const QString &root() const { return m_root; }
    const QString &executableName() const { return m_executableName; }

    // root + relative path, with both separators accepted and existing names matched without regard to case.
    QString path(const QString &relative) const;
    static QString backupPathOf(const QString &relative);

    // -- Existence and counting
    bool fileExists(const QString &relative) const; // restores a missing file from /Backup
    bool folderExists(const QString &relative) const;
    qint64 fileSize(const QString &relative) const;                // -1 when missing
    static int recordCountForSize(qint64 bytes, int recordLength); // the length divided, half to even
    int recordCount(const QString &relative, int recordLength) const;

    // -- Temporaries of an interrupted write ("<name>.<unique>.vdtmp"), found in every folder the program
    // writes files to except the /AuxFiles tree of the customers' data boxes (too many folders to search at
    // every start). Relative paths.
    static bool isTemporaryName(const QString &fileName);
    // Waits until what was written to these files (full paths) is on the disk: on Linux one flush of each
    // file system they lie on, elsewhere one flush per file. Returns the first file that failed; empty when
    // all reached the disk.
    static QString syncToDisk(const QStringList &fullPaths);
    QStringList leftoverTemporaries(const QDateTime &olderThan = {}) const;
    // Removes those last changed before the given time (a write of another program running now is left
    // alone); returns the relative paths removed.
    QStringList removeLeftoverTemporaries(const QDateTime &olderThan) const;

    // -- The append guard. Before an append writes a byte, the file's length, the length and a digest of
    // what is added, and the file's identity are noted in a small file beside it ("<name>.vdappend"),
    // flushed to disk; the guard goes once the append has reached the disk. A guard found later belongs to an
    // append that a kill or a power cut interrupted: finishInterruptedAppends() (run at start before any file
    // is read) keeps an append that is whole and cuts any other back to the noted length, so that a file
    // never ends in part of a record. Returns the relative paths of the files cut back.
    static bool isAppendGuardName(const QString &fileName);
    QStringList interruptedAppends() const; // the guards waiting, relative paths
    QStringList finishInterruptedAppends() const;

    // -- Whole files
    QByteArray readAll(const QString &relative) const; // empty when missing or unreadable
    // Crash-safe replace. A working file that only passes text to a document or another program may skip the
    // flush to disk: it is still replaced whole, but a power cut may take the last version.
    enum class Flush { ToDisk, Skip };
    void writeFile(const QString &relative, const QByteArray &content, Flush flush = Flush::ToDisk) const;
    void deleteFile(const QString &relative) const;                // nothing when missing
    void deleteWithBackup(const QString &relative) const;          // the Backup copy first, then the file
    void renameFile(const QString &from, const QString &to) const; // replaces the destination
    void copyFile(const QString &from, const QString &to) const;   // replaces the destination, crash-safe
    void backupFile(const QString &relative) const;                // copies the file to /Backup (its folder must exist)
    void makeFolder(const QString &relative) const;                // only when nothing of that name exists

    // -- Record files
    std::vector<Record> readRecords(const QString &relative, const RecordLayout &layout) const;
    std::optional<Record> readRecord(const QString &relative, const RecordLayout &layout, int number) const;
    // Record n from 1; n inside the file replaces that record (the whole file is rewritten crash-safe), n at
    // the end or beyond appends. An append that fails leaves the file as it was.
    void writeRecord(const QString &relative, int number, const Record &record) const;
    void appendRecord(const QString &relative, const Record &record) const;
    void appendRecords(const QString &relative, const std::vector<Record> &records) const;
    // Writes the bytes at a byte offset of the file itself (created when missing), without a temporary file and
    // without an append guard: for writers that keep their own journal. When endsFile, the file ends after
    // them. A write that fails returns the file to its old length and throws DiskError naming the file (and
    // saying "the disk is full" when it is).
    void writeInPlace(const QString &relative, qint64 offset, const QByteArray &bytes, Flush flush = Flush::ToDisk,
                      bool endsFile = false) const;
    // Replaces the file with exactly these records; no records deletes the file and its Backup copy
    // (a record file with no records does not exist). The Backup copy of a rewritten file is deleted too.
    void replaceRecords(const QString &relative, const std::vector<Record> &records) const;
    // Rewrites the file without the records for which drop(record, number) is true; the others keep their
    // order. The file's Backup copy goes unless it is to be kept. Returns how many were kept.
    enum class BackupCopy { Delete, Keep };
    int rewriteWithout(const QString &relative, const RecordLayout &layout,
                       const std::function<bool(const Record &, int)> &drop,
                       BackupCopy backup = BackupCopy::Delete) const;

    // Tests simulate a crash by throwing from this hook; it is called before each step of a write with the
    // step's name ("write", "sync", "rename", "delete", "append") and the full path it concerns.
    using FaultHook = std::function<void(const char *step, const QString &path)>;
    void setFaultHook(FaultHook hook) { m_faultHook = std::move(hook); }

    // Every byte of file content is written through this function (temporary files and appends): it writes
    // up to size bytes to the open descriptor and returns how many, or -1 with errno set. Tests replace it
    // to make a write stop part way (a full disk); nullptr puts the plain write back.
    using WriteFunction = qint64 (*)(int fd, const char *data, qint64 size);
    static void setWriteFunction(WriteFunction write);

    // Asked before every write to the folder (a file replaced, added to, written in place, deleted or renamed,
    // a folder made): a copy of the program writes only while the folder is its own. It returns why not, and
    // the write throws DiskError with that text before it touches anything. Without a gate every write goes.
    // Copies of a DataFolder share it.
    using WriteGate = std::function<std::optional<QString>()>;
    void setWriteGate(WriteGate gate) const { *m_gate = std::move(gate); }

    class NameCache;

private:
    void step(const char *name, const QString &fullPath) const;
    void mayWrite() const; // throws DiskError when the write gate refuses
    void replaceContent(const QString &fullPath, const QByteArray &content, Flush flush = Flush::ToDisk) const;
    void removeFullPath(const QString &fullPath) const;
    void appendAt(const QString &fullPath, qint64 offset, const QByteArray &bytes, const QString &what) const;
    // Opens the file for reading and writing, making it and its folder when missing; tells whether it was
    // there before. Throws DiskError.
    int openForWriting(const QString &fullPath, bool *existed = nullptr) const;

    QString m_root;
    QString m_executableName;
    FaultHook m_faultHook;
    std::shared_ptr<NameCache> m_names;
    std::shared_ptr<WriteGate> m_gate;
};

// The words for the user for a failed file operation's errno: a full disk says so.
QString diskErrorText(int error);

// An account number becomes a folder name under /AuxFiles and a file name under /VIActiveAccounts. Only a
// number that stays one plain name inside its folder is accepted: no separators, no "..", no control
// characters or characters that file systems refuse, no leading or trailing dot, no reserved device name.
// Returns the trimmed number, or nothing with the reason in *why.
std::optional<QString> accountFileName(const QString &accountNumber, QString *why = nullptr);
