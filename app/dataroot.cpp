#include "app/dataroot.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {

bool folderIsWritable(const QString &folder)
{
    QTemporaryFile probe(folder + QStringLiteral("/.write-test-XXXXXX"));
    return probe.open();
}

} // namespace

DataRootChoice chooseDataRoot(const QString &programFolder, const QString &userDataFolder, const QString &namedRoot)
{
    if (!namedRoot.isEmpty()) {
        const QString root = QDir(namedRoot).absolutePath();
        QDir().mkpath(root);
        return {root, {}};
    }
    const bool installed = QFileInfo::exists(programFolder + QLatin1Char('/') + kInstalledCopyMarker);
    if (!installed && folderIsWritable(programFolder))
        return {programFolder, {}};
    QDir().mkpath(userDataFolder);
    const QString user = QDir::toNativeSeparators(userDataFolder);
    if (installed)
        return {userDataFolder, QStringLiteral("This installed copy keeps your data in %1.").arg(user)};
    return {userDataFolder, QStringLiteral("The program's folder %1 cannot be written to, so your data is kept in %2.")
                                .arg(QDir::toNativeSeparators(programFolder), user)};
}
