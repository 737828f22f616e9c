#include "core/appendguard.h"

#include "core/diskerror.h"

#include <QCryptographicHash>
#include <QFile>
#include <cerrno>
#include <optional>

namespace {

const QString kGuardSuffix = QStringLiteral(".vdappend");
const QByteArray kGuardMagic("VDAPPEND1");

// What the note beside a file being appended to says.
struct GuardNote
{
    qint64 oldSize = 0;
    qint64 end = 0;    // the file's length once the append is whole
    QByteArray digest; // of the bytes from end - added to end
    qint64 added = 0;
    QByteArray identity;

    QByteArray bytes() const
    {
        QByteArray body = kGuardMagic + '\n' + QByteArray::number(oldSize) + '\n' + QByteArray::number(end) + '\n' +
                          QByteArray::number(added) + '\n' + digest.toHex() + '\n' + identity + '\n';
        return body + QCryptographicHash::hash(body, QCryptographicHash::Sha1).toHex() + '\n';
    }

    static std::optional<GuardNote> parse(const QByteArray &bytes)
    {
        const QList<QByteArray> lines = bytes.split('\n');
        if (lines.size() != 8 || lines[0] != kGuardMagic || !lines[7].isEmpty())
            return std::nullopt;
        const QByteArray body = bytes.left(bytes.size() - lines[6].size() - 1);
        if (QCryptographicHash::hash(body, QCryptographicHash::Sha1).toHex() != lines[6])
            return std::nullopt;
        GuardNote g;
        bool ok1 = false, ok2 = false, ok3 = false;
        g.oldSize = lines[1].toLongLong(&ok1);
        g.end = lines[2].toLongLong(&ok2);
        g.added = lines[3].toLongLong(&ok3);
        g.digest = QByteArray::fromHex(lines[4]);
        g.identity = lines[5];
        if (!ok1 || !ok2 || !ok3 || g.oldSize < 0 || g.added < 0 || g.end < g.added)
            return std::nullopt;
        return g;
    }
};

QByteArray sha1(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
}

} // namespace

int openForWriting(const DataPaths &paths, const FileIo &io, const QString &full, bool *existed)
{
    paths.makeFolderOf(full);
    const bool there = QFileInfo(full).isFile();
    const int fd = io.ops->open(full, FileOps::Open::OrCreate);
    if (fd < 0)
        throw DiskError(
            QStringLiteral("The file %1 could not be opened: %2.").arg(shownPath(full), diskErrorText(errno)));
    if (!there)
        paths.noteAdded(full);
    if (existed)
        *existed = there;
    return fd;
}

void AppendGuard::append(const QString &full, qint64 offset, const QByteArray &bytes, const QString &what) const
{
    m_io.mayWrite();
    FileOps &ops = *m_io.ops;
    bool existed = false;
    const int fd = openForWriting(m_paths, m_io, full, &existed);
    const qint64 oldSize = descriptorSize(fd);
    const QString guardPath = full + kGuardSuffix;
    bool guarded = false;
    // Back to the old length; only a cut that was made and reached the disk lets the message say "unchanged".
    auto restore = [&] {
        const bool ok = oldSize >= 0 && ops.truncate(fd, oldSize) && ops.flush(fd);
        if (ok && guarded && ops.remove(guardPath))
            m_paths.noteRemoved(guardPath);
        return ok;
    };
    try {
        m_io.step("append", full);
    } catch (...) {
        restore();
        ops.close(fd);
        throw;
    }
    // The note reaches the disk before the first byte of the append does.
    const GuardNote note{oldSize, offset + bytes.size(), sha1(bytes), bytes.size(), descriptorIdentity(fd)};
    const int guardFd = oldSize >= 0 ? ops.open(guardPath, FileOps::Open::Emptied) : -1;
    if (guardFd >= 0) {
        m_paths.noteAdded(guardPath);
        guarded = true;
    }
    const bool noted = guardFd >= 0 && m_io.writeAll(guardFd, note.bytes()) && ops.flush(guardFd);
    int error = errno;
    if (guardFd >= 0)
        ops.close(guardFd);
    if (noted) {
        ops.flushFolderOf(guardPath);
        // Written at the record position: a partial record left at the end by an earlier fault is overwritten.
        if (seekDescriptor(fd, offset) && m_io.writeAll(fd, bytes) && ops.flush(fd)) {
            ops.close(fd);
            m_io.step("unguard", full);
            // The append is whole on the disk; a note that will not go is recognised as whole at the next start.
            if (ops.remove(guardPath))
                m_paths.noteRemoved(guardPath);
            return;
        }
        error = errno;
    }
    const bool restored = restore();
    ops.close(fd);
    if (restored && !existed && ops.remove(full))
        m_paths.noteRemoved(full); // the file this append made goes with it
    if (restored) {
        throw DiskError(QStringLiteral("%1 could not be added to %2: %3.\nThe file is unchanged.")
                            .arg(what, shownPath(full), diskErrorText(error)));
    }
    throw DiskError(QStringLiteral("%1 could not be added to %2: %3.\nThe file could not be returned to its "
                                   "length of %4 bytes either: it may end in part of a record. Do not add to it "
                                   "before it is mended (dispatch-data check shows what it holds).")
                        .arg(what, shownPath(full), diskErrorText(error))
                        .arg(oldSize));
}

bool AppendGuard::isGuardName(const QString &fileName)
{
    return fileName.endsWith(kGuardSuffix) && fileName.size() > kGuardSuffix.size();
}

QStringList AppendGuard::pending() const
{
    QStringList found;
    for (const QFileInfo &info : m_paths.filesInDataTree(kGuardSuffix))
        found.append(m_paths.relativeOf(info.filePath()));
    found.sort();
    return found;
}

std::vector<AppendGuard::CutBack> AppendGuard::cutBackTornAppends() const
{
    FileOps &ops = *m_io.ops;
    std::vector<CutBack> cut;
    for (const QString &relative : pending()) {
        const QString guardPath = m_paths.root() + relative;
        const QString full = guardPath.chopped(kGuardSuffix.size());
        QFile guardFile(guardPath);
        const auto note = guardFile.open(QIODevice::ReadOnly) ? GuardNote::parse(guardFile.readAll()) : std::nullopt;
        guardFile.close();
        // A note that cannot be read was itself cut short: its append had not begun.
        const int fd = note ? ops.open(full, FileOps::Open::Existing) : -1;
        if (fd >= 0) {
            const qint64 size = descriptorSize(fd);
            const bool sameFile = descriptorIdentity(fd) == note->identity;
            bool whole = size == note->end && sameFile;
            if (whole) {
                QByteArray tail(note->added, Qt::Uninitialized);
                whole = seekDescriptor(fd, note->end - note->added) && readDescriptor(fd, tail.data(), tail.size()) &&
                        sha1(tail) == note->digest;
            }
            // Only the file the note was written for, and only when it is longer than it was.
            if (!whole && sameFile && size > note->oldSize) {
                if (!ops.truncate(fd, note->oldSize) || !ops.flush(fd)) {
                    const int error = errno;
                    ops.close(fd);
                    throw DiskError(QStringLiteral("The file %1 ends in part of a record that an interrupted "
                                                   "write left, and it could not be cut back: %2.")
                                        .arg(shownPath(full), diskErrorText(error)));
                }
                cut.push_back({m_paths.relativeOf(full), size, note->oldSize});
            }
            ops.close(fd);
        }
        if (!ops.remove(guardPath) && QFileInfo::exists(guardPath))
            throw DiskError(QStringLiteral("The file %1 could not be deleted.").arg(shownPath(guardPath)));
        m_paths.noteRemoved(guardPath);
    }
    return cut;
}
