#pragma once

#include <QString>

// Where the program keeps its data and what the first-run panel says about it.
struct DataRootChoice
{
    QString root;
    QString note; // empty when the data stays in the program's folder or the folder the user named
};

// The file an installed copy (the Debian package) lies beside the program: its data always goes to the
// user's application data folder, even for a user who could write to the program's folder.
inline const QString kInstalledCopyMarker = QStringLiteral("data-in-user-folder");

// The data root: the folder the user named with --data-root, else the program's own folder, unless that
// folder belongs to an installed copy or cannot be written to; then the user's application data folder.
DataRootChoice chooseDataRoot(const QString &programFolder, const QString &userDataFolder,
                              const QString &namedRoot = {});
