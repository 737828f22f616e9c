#pragma once

#include <QFileInfo>
#include <QList>
#include <QString>
#include <memory>
#include <optional>

// Where the data folder's files are: every data path of the program is relative to the root and begins with
// "/" or "\". An existing file or folder is found whatever the letter case of its name; new ones get the name
// as given.
//
// Names are matched without regard to case through a listing of each folder that is kept while the folder
// does not change (its modification time) and updated by the routines that add or remove names (noteAdded,
// noteRemoved), so that looking up many new names in one large folder does not list it again each time.
// Copies share the listings.
class DataPaths
{
public:
    explicit DataPaths(const QString &root);

    const QString &root() const { return m_root; }

    // root + relative path, with both separators accepted and existing names matched without regard to case.
    QString path(const QString &relative) const;
    // The full path without the root, as the program names its files ("/F.txt").
    QString relativeOf(const QString &fullPath) const { return fullPath.mid(m_root.size()); }
    static QString backupPathOf(const QString &relative);

    void noteAdded(const QString &fullPath) const;
    void noteRemoved(const QString &fullPath) const;
    // Makes the folder a file is to be written in when it is missing.
    void makeFolderOf(const QString &fullPath) const;

    // The files whose names end in the suffix, in every folder the program writes files to except the
    // /AuxFiles tree of the customers' data boxes (too many folders to search at every start: a box's
    // Data.txt left half replaced there is reported by dispatch-data check instead).
    QList<QFileInfo> filesInDataTree(const QString &suffix) const;

    class NameCache;

private:
    QString m_root;
    std::shared_ptr<NameCache> m_names;
};

// An account number becomes a folder name under /AuxFiles and a file name under /VIActiveAccounts. Only a
// number that stays one plain name inside its folder is accepted: no separators, no "..", no control
// characters or characters that file systems refuse, no leading or trailing dot, no reserved device name.
// Returns the trimmed number, or nothing with the reason in *why.
std::optional<QString> accountFileName(const QString &accountNumber, QString *why = nullptr);
