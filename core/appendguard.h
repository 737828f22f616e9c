#pragma once

#include "core/datapaths.h"
#include "core/fileops.h"

#include <QByteArray>
#include <QStringList>
#include <vector>

// Appends that a kill or a power cut cannot leave half done. Before an append writes a byte, the file's
// length, the length and a digest of what is added, and the file's identity are noted in a small file beside
// it ("<name>.vdappend") and flushed to disk; the note goes once the append has reached the disk. A note
// found later belongs to an append that was interrupted: cutBackTornAppends() (run at start before any file
// is read) keeps an append that is whole and cuts any other back to the noted length, so that a file never
// ends in part of a record. Works on full paths; the data folder resolves them.
class AppendGuard
{
public:
    AppendGuard(const DataPaths &paths, const FileIo &io)
        : m_paths(paths)
        , m_io(io)
    {}

    // Writes the bytes at the offset (where the file's whole records end) so that the file ends after them;
    // `what` names them in a message ("The record"). An append that fails is cut back to the file's old
    // length (a file it made goes) and throws DiskError saying whether the file is unchanged.
    void append(const QString &fullPath, qint64 offset, const QByteArray &bytes, const QString &what) const;

    static bool isGuardName(const QString &fileName);
    QStringList pending() const; // the notes waiting, relative paths

    // A file cut back: its relative path, its length found and the length it was cut to.
    struct CutBack
    {
        QString relative;
        qint64 from = 0;
        qint64 to = 0;
        bool operator==(const CutBack &) const = default;
    };
    // Returns the files cut back; throws DiskError when a torn file cannot be cut.
    std::vector<CutBack> cutBackTornAppends() const;

private:
    const DataPaths &m_paths;
    const FileIo &m_io;
};

// Opens the file for reading and writing, making it and its folder when missing; tells whether it was there
// before. Throws DiskError.
int openForWriting(const DataPaths &paths, const FileIo &io, const QString &fullPath, bool *existed = nullptr);
