#pragma once

#include <QString>
#include <QtGlobal>
#include <vector>

#ifdef Q_OS_UNIX
#include <ctime>
#endif

// An open folder, looked into by the names inside it. Tens of thousands of small folders are walked at a start
// and by the data check, so on Unix each is opened once (relative to its parent where there is one) and every
// look inside names one entry rather than the whole path; the kinds of a listing's entries come from the
// listing itself. Elsewhere, or when the folder cannot be opened, the looks go through full paths.
class FolderHandle
{
public:
    struct Entry
    {
        QString name;
        enum Kind { File, Folder, Other } kind = Other; // links count as what they point to
    };

    explicit FolderHandle(const QString &full);
    FolderHandle(const FolderHandle &parent, const QString &name);
    ~FolderHandle();
    FolderHandle(const FolderHandle &) = delete;
    FolderHandle &operator=(const FolderHandle &) = delete;

    const QString &path() const { return m_path; }
    // False when the folder could not be opened (or the system has no such handles): looks use full paths.
    bool isOpen() const { return m_fd >= 0; }

    // Whether `relative` is a folder, a link to a folder counting as one; `link` tells whether it was a link.
    bool isFolder(const QString &relative, bool *link = nullptr) const;

#ifdef Q_OS_UNIX
    // Whether the entries of the folder `relative` may have changed since `since`: adding, removing or renaming
    // anything in a folder sets its change time, which no program can set back. Two seconds of slack cover file
    // systems that keep coarse times. A link, or anything not looked at, may have changed.
    bool changedSince(const QString &relative, const timespec &since) const;
#endif

    // Whether the folder `name` surely holds nothing: a folder that was made empty and whose entries never
    // changed keeps its modification time equal to its birth time (set together when it was made). Anything
    // added later, a temporary file among them, sets the modification time on. False when the file system does
    // not tell the birth time.
    bool untouchedSinceMade(const QString &name) const;

    // Sorted by name; nothing when the folder cannot be read.
    std::vector<Entry> entries() const;

private:
    void add(std::vector<Entry> &out, const char *name, unsigned char type) const;

    QString m_path;
    int m_fd = -1;
};
