#include "core/datapaths.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <mutex>

#include <sys/stat.h>

namespace {

QStringList components(const QString &relative)
{
    QString normal = relative;
    normal.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return normal.split(QLatin1Char('/'), Qt::SkipEmptyParts);
}

// What stands for a folder's state: its modification time (to the nanosecond where the system keeps it) and
// its identity. Nothing when the folder does not exist.
struct FolderStamp
{
    qint64 modified = 0;
    qint64 identity = 0;
    bool operator==(const FolderStamp &) const = default;
};

std::optional<FolderStamp> folderStamp(const QString &folder)
{
#ifdef Q_OS_WIN
    const QFileInfo info(folder);
    if (!info.isDir())
        return std::nullopt;
    return FolderStamp{info.lastModified().toMSecsSinceEpoch(), 0};
#else
    struct stat st;
    if (::stat(QFile::encodeName(folder).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return std::nullopt;
    return FolderStamp{qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec, qint64(st.st_ino)};
#endif
}

} // namespace

// The listings of the folders that names were looked up in, each valid while its folder's stamp stays.
class DataPaths::NameCache
{
public:
    // The name on disk that matches part whatever its letter case, or nothing.
    std::optional<QString> find(const QString &folder, const QString &part)
    {
        const std::lock_guard lock(m_mutex);
        const auto stamp = folderStamp(folder);
        if (!stamp)
            return std::nullopt;
        Listing &listing = m_folders[folder];
        if (!listing.valid || !(listing.stamp == *stamp)) {
            listing.names.clear();
            QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
            while (it.hasNext()) {
                it.next();
                const QString name = it.fileName();
                listing.names.insert(name.toCaseFolded(), name);
            }
            listing.stamp = *stamp;
            listing.valid = true;
        }
        const auto found = listing.names.constFind(part.toCaseFolded());
        if (found == listing.names.constEnd())
            return std::nullopt;
        return *found;
    }

    // A routine here added or removed a name: the listing follows without being read again.
    void changed(const QString &fullPath, bool added)
    {
        const std::lock_guard lock(m_mutex);
        const qsizetype slash = fullPath.lastIndexOf(QLatin1Char('/'));
        if (slash < 0)
            return;
        const auto found = m_folders.find(fullPath.left(slash));
        if (found == m_folders.end() || !found->valid)
            return;
        const QString name = fullPath.mid(slash + 1);
        if (added)
            found->names.insert(name.toCaseFolded(), name);
        else if (found->names.value(name.toCaseFolded()) == name)
            found->names.remove(name.toCaseFolded());
        if (const auto stamp = folderStamp(found.key()))
            found->stamp = *stamp;
        else
            found->valid = false;
    }

private:
    struct Listing
    {
        FolderStamp stamp;
        bool valid = false;
        QHash<QString, QString> names; // case-folded -> as on disk
    };
    std::mutex m_mutex;
    QHash<QString, Listing> m_folders;
};

DataPaths::DataPaths(const QString &root)
    : m_root(QDir::cleanPath(QDir(root).absolutePath()))
    , m_names(std::make_shared<NameCache>())
{}

QString DataPaths::path(const QString &relative) const
{
    QString current = m_root;
    bool resolving = true;
    for (const QString &part : components(relative)) {
        QString next = current + QLatin1Char('/') + part;
        if (resolving && !QFileInfo::exists(next)) {
            // Data folders come from systems whose file names ignore case: look the name up in its parent.
            if (const auto onDisk = m_names->find(current, part))
                next = current + QLatin1Char('/') + *onDisk;
            else
                resolving = false;
        }
        current = next;
    }
    return current;
}

QString DataPaths::backupPathOf(const QString &relative)
{
    return QStringLiteral("/Backup/") + components(relative).join(QLatin1Char('/'));
}

void DataPaths::noteAdded(const QString &fullPath) const
{
    m_names->changed(fullPath, true);
}

void DataPaths::noteRemoved(const QString &fullPath) const
{
    m_names->changed(fullPath, false);
}

void DataPaths::makeFolderOf(const QString &fullPath) const
{
    const QString folder = QFileInfo(fullPath).absolutePath();
    if (!QFileInfo(folder).isDir()) {
        QDir().mkpath(folder);
        noteAdded(folder);
    }
}

QList<QFileInfo> DataPaths::filesInDataTree(const QString &suffix) const
{
    QList<QFileInfo> found;
    QStringList folders = {m_root};
    while (!folders.isEmpty()) {
        const QString folder = folders.takeFirst();
        QDirIterator it(folder, {QLatin1Char('*') + suffix},
                        QDir::Files | QDir::AllDirs | QDir::Hidden | QDir::NoDotAndDotDot);
        while (it.hasNext()) {
            it.next();
            const QFileInfo info = it.fileInfo();
            if (info.isDir() && !info.isSymLink()) {
                if (folder != m_root || info.fileName().compare(QLatin1String("AuxFiles"), Qt::CaseInsensitive) != 0)
                    folders.append(info.filePath());
                continue;
            }
            if (info.isFile() && info.fileName().size() > suffix.size())
                found.append(info);
        }
    }
    return found;
}

std::optional<QString> accountFileName(const QString &accountNumber, QString *why)
{
    const QString name = accountNumber.trimmed();
    auto refuse = [&](const QString &reason) -> std::optional<QString> {
        if (why)
            *why = QStringLiteral("The account number \"%1\" cannot be used as a file name: %2").arg(name, reason);
        return std::nullopt;
    };
    if (name.isEmpty())
        return refuse(QStringLiteral("it is empty."));
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return refuse(QStringLiteral("it holds a control character."));
        if (QStringLiteral("/\\:*?\"<>|").contains(c))
            return refuse(QStringLiteral("it holds the character %1.").arg(c));
    }
    if (name.startsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char('.')))
        return refuse(QStringLiteral("it begins or ends with a dot."));
    static const QStringList reserved = {QStringLiteral("CON"), QStringLiteral("PRN"), QStringLiteral("AUX"),
                                         QStringLiteral("NUL")};
    const QString stem = name.section(QLatin1Char('.'), 0, 0).trimmed().toUpper();
    const bool device =
        reserved.contains(stem) || ((stem.startsWith(QLatin1String("COM")) || stem.startsWith(QLatin1String("LPT"))) &&
                                    stem.size() == 4 && stem.at(3).isDigit() && stem.at(3) != QLatin1Char('0'));
    if (device)
        return refuse(QStringLiteral("it is the name of a device."));
    return name;
}
