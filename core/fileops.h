#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

// The file operations through which the data folder changes what is on disk: every write, flush, rename,
// remove and cut of a data file goes through one FileOps, so that the order of those operations can be
// watched and a fault put at any of them. Reading a descriptor (its length, its identity, its bytes) does
// not change anything and is done directly.
//
// The operations report like the system calls they stand for: false (or -1) with errno set.
class FileOps
{
public:
    virtual ~FileOps() = default;

    enum class Open {
        Existing,  // read and write an existing file
        OrCreate,  // read and write, creating the file when missing
        CreateNew, // create the file; fails when the name is taken
        Emptied,   // write only, created or emptied
    };
    virtual int open(const QString &fullPath, Open mode) = 0;
    virtual qint64 write(int fd, const char *data, qint64 size) = 0; // up to size bytes; how many or -1
    virtual bool flush(int fd) = 0;                                  // what was written reaches the disk
    virtual bool truncate(int fd, qint64 size) = 0;
    virtual void close(int fd) = 0;
    virtual bool rename(const QString &from, const QString &to) = 0; // replaces the destination
    virtual bool remove(const QString &fullPath) = 0;
    // The folder's entries (a name made, renamed or removed) reach the disk; a failure changes nothing stored.
    virtual void flushFolderOf(const QString &fullPath) = 0;

    // The operations on the disk itself, shared by every data folder that is given no others.
    static std::shared_ptr<FileOps> disk();

    // Every byte the disk operations write goes through this function: it writes up to size bytes to the
    // open descriptor and returns how many, or -1 with errno set. nullptr puts the plain write back.
    using WriteFunction = qint64 (*)(int fd, const char *data, qint64 size);
    static void setWriteFunction(WriteFunction write);
};

// The operations a data folder's parts write through, and the hook that lets a run stop before any step of a
// write (the hook is called with the step's name and the full path it concerns, and may throw).
struct FileIo
{
    using FaultHook = std::function<void(const char *step, const QString &path)>;
    // A working file that only passes text to a document or another program may skip the flush to disk.
    enum class Flush { ToDisk, Skip };

    std::shared_ptr<FileOps> ops = FileOps::disk();
    FaultHook faultHook;
    // Asked before every write to the folder (a file replaced, added to, written in place, deleted or renamed,
    // a folder made): a copy of the program writes only while the folder is its own. It returns why not, and
    // the write throws DiskError with that text before it touches anything. Without a gate every write goes.
    // Copies share it.
    using WriteGate = std::function<std::optional<QString>()>;
    std::shared_ptr<WriteGate> gate = std::make_shared<WriteGate>();

    void mayWrite() const; // throws DiskError when the write gate refuses

    void step(const char *name, const QString &fullPath) const
    {
        if (faultHook)
            faultHook(name, fullPath);
    }
    // Writes all the bytes; false with errno set when the disk stops short (a write that takes nothing and
    // names no error means the device has no room).
    bool writeAll(int fd, const QByteArray &bytes) const;
};

// What a descriptor holds, read without changing it.
qint64 descriptorSize(int fd); // -1 when unknown
// The file's device and inode: a file replaced since is another file (empty where the system has no such).
QByteArray descriptorIdentity(int fd);
bool seekDescriptor(int fd, qint64 offset);
// Reads exactly size bytes from the current position; false when fewer are there.
bool readDescriptor(int fd, char *data, qint64 size);

// The words for the user for a failed file operation's errno: a full disk says so.
QString diskErrorText(int error);
// A full path as the user's system writes it.
QString shownPath(const QString &fullPath);
