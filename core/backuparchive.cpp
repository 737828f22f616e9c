#include "core/backuparchive.h"

#include "core/datafolder.h"
#include "core/diskerror.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <archive.h>
#include <archive_entry.h>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <memory>
#include <unistd.h>
#include <vector>

namespace BackupArchive {

namespace {

constexpr qint64 kChunk = 1 << 20;

struct Entry
{
    QString relative; // with "/" separators, no leading one
    QString full;
    bool folder = false;
    qint64 size = 0;
    QDateTime modified;
};

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

struct ArchiveDeleter
{
    void operator()(archive *a) const { archive_read_free(a); }
};
struct WriterDeleter
{
    void operator()(archive *a) const { archive_write_free(a); }
};

QString archiveError(archive *a)
{
    const char *text = archive_error_string(a);
    return text ? QString::fromLocal8Bit(text) : QStringLiteral("the archive cannot be read");
}

// A backup's archive, finished or still being written (one left behind by a killed backup is removed by the
// next): never part of a backup, wherever it lies in the data folder.
bool backupArchiveName(const QString &fileName)
{
    static const QRegularExpression name(
        QStringLiteral("^DispatchBackup-\\d{4}-\\d{2}-\\d{2}-\\d{4,6}(-\\d+)?\\.zip(\\.partial)?$"));
    return name.match(fileName).hasMatch();
}

bool partialArchive(const QString &fileName)
{
    return backupArchiveName(fileName) && fileName.endsWith(QLatin1String(".partial"));
}

// Why an archive's name cannot be restored into a folder (it would leave it, or no folder can hold it);
// empty when it can.
QString unrestorable(const QString &name)
{
    if (name.contains(QChar::ReplacementCharacter))
        return QStringLiteral("the name is not UTF-8 text");
    for (const char *c : {"\\", ":"}) {
        if (name.contains(QLatin1String(c)))
            return QStringLiteral("the name holds \"%1\", which a restore cannot make on every system").arg(c);
    }
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')))
        return QStringLiteral("the name would leave the folder it is restored into");
    for (const QString &part : name.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("..") || part == QLatin1String("."))
            return QStringLiteral("the name would leave the folder it is restored into");
    }
    return {};
}

// The files and folders of a data folder as the program reads them: a symbolic link inside the folder is
// followed and packed as what it leads to, under its own name; a link leading out of the folder, a name a
// restore could not make again and a link to a folder that holds it are left out and named with the reason.
class Gatherer
{
public:
    Gatherer(const QString &root, const QStringList &skip)
        : m_root(QFileInfo(root).canonicalFilePath())
        , m_skip(skip)
    {
        walk(m_root, QString(), {m_root});
        leftOut.sort();
        std::sort(entries.begin(), entries.end(),
                  [](const Entry &a, const Entry &b) { return a.relative < b.relative; });
    }

    std::vector<Entry> entries;
    QStringList leftOut;

private:
    bool inside(const QString &canonical) const
    {
        return canonical == m_root || canonical.startsWith(m_root + QLatin1Char('/'));
    }

    void walk(const QString &folder, const QString &relativeFolder, const QStringList &chain)
    {
        // Names that are not UTF-8 text the folder listing does not show at all; they are named here.
        if (DIR *dir = ::opendir(QFile::encodeName(folder).constData())) {
            while (const dirent *entry = ::readdir(dir)) {
                QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
                const QString name = utf8(QByteArrayView(entry->d_name));
                if (utf8.hasError())
                    leftOut << QStringLiteral("%1: the name is not UTF-8 text")
                                   .arg(QDir::toNativeSeparators(
                                       relativeFolder.isEmpty() ? name : relativeFolder + QLatin1Char('/') + name));
            }
            ::closedir(dir);
        }
        const QFileInfoList infos = QDir(folder).entryInfoList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        for (const QFileInfo &info : infos) {
            const QString relative =
                relativeFolder.isEmpty() ? info.fileName() : relativeFolder + QLatin1Char('/') + info.fileName();
            const auto refuse = [&](const QString &why) {
                leftOut << QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(relative), why);
            };
            if (const QString why = unrestorable(relative); !why.isEmpty()) {
                refuse(why);
                continue;
            }
            const QString real = info.isSymLink() ? info.canonicalFilePath() : info.absoluteFilePath();
            if (info.isSymLink()) {
                if (real.isEmpty()) {
                    refuse(QStringLiteral("a symbolic link to %1, which does not exist")
                               .arg(QDir::toNativeSeparators(info.symLinkTarget())));
                    continue;
                }
                if (!inside(real)) {
                    refuse(QStringLiteral("a symbolic link to %1, outside the data folder; copy the file in instead "
                                          "of linking to it")
                               .arg(QDir::toNativeSeparators(real)));
                    continue;
                }
            }
            const QFileInfo target(real);
            if (target.isDir()) {
                if (chain.contains(target.canonicalFilePath())) {
                    refuse(QStringLiteral("a symbolic link to a folder that holds it"));
                    continue;
                }
                entries.push_back({relative, real, true, 0, target.lastModified()});
                walk(real, relative, chain + QStringList{target.canonicalFilePath()});
                continue;
            }
            if (!target.isFile() || DataFolder::isTemporaryName(info.fileName()) ||
                backupArchiveName(info.fileName()) || (relativeFolder.isEmpty() && m_skip.contains(relative)))
                continue;
            entries.push_back({relative, real, false, target.size(), target.lastModified()});
        }
    }

    QString m_root;
    QStringList m_skip;
};

// The system's words for the last failure of a file, never "Unknown error".
QString systemWords(const QFileDevice &file, int error)
{
    return file.error() != QFileDevice::NoError && file.errorString() != QLatin1String("Unknown error")
               ? file.errorString()
               : qt_error_string(error);
}

std::unique_ptr<archive, ArchiveDeleter> openForReading(const QString &path)
{
    std::unique_ptr<archive, ArchiveDeleter> a(archive_read_new());
    archive_read_support_format_zip(a.get());
    archive_read_support_format_tar(a.get());
    archive_read_support_filter_all(a.get());
    if (archive_read_open_filename(a.get(), QFile::encodeName(path).constData(), 1 << 16) != ARCHIVE_OK)
        throw DiskError(
            QStringLiteral("%1 cannot be opened as an archive: %2").arg(shown(path), archiveError(a.get())));
    return a;
}

QString entryName(archive_entry *entry)
{
    if (const char *utf8 = archive_entry_pathname_utf8(entry))
        return QString::fromUtf8(utf8);
    return QString::fromLocal8Bit(archive_entry_pathname(entry));
}

} // namespace

QString archiveName(const QDateTime &when)
{
    return QStringLiteral("DispatchBackup-%1.zip").arg(when.toString(QStringLiteral("yyyy-MM-dd-HHmmss")));
}

namespace {

// The restore's first pass over an archive: every name must be one the restore can make inside its folder.
// The bytes of its files in all; throws DiskError naming the first name that cannot be restored.
qint64 restorableNames(const QString &archivePath)
{
    qint64 total = 0;
    auto a = openForReading(archivePath);
    archive_entry *entry = nullptr;
    int status;
    while ((status = archive_read_next_header(a.get(), &entry)) == ARCHIVE_OK) {
        const QString name = entryName(entry);
        if (const QString why = unrestorable(name); !why.isEmpty())
            throw DiskError(QStringLiteral("%1 holds the name %2, which cannot be restored (%3); nothing was "
                                           "restored.")
                                .arg(shown(archivePath), name, why));
        total += std::max<la_int64_t>(0, archive_entry_size(entry));
    }
    if (status != ARCHIVE_EOF)
        throw DiskError(QStringLiteral("the archive is damaged: %1").arg(archiveError(a.get())));
    return total;
}

// Every name in an archive with the checksum of its bytes ("/" for a folder), as the archive gives them back.
QMap<QString, QByteArray> packedContents(const QString &path)
{
    QMap<QString, QByteArray> out;
    auto a = openForReading(path);
    archive_entry *entry = nullptr;
    int status;
    QByteArray buffer(int(kChunk), Qt::Uninitialized);
    while ((status = archive_read_next_header(a.get(), &entry)) == ARCHIVE_OK) {
        QString name = entryName(entry);
        if (archive_entry_filetype(entry) == AE_IFDIR) {
            while (name.endsWith(QLatin1Char('/')))
                name.chop(1);
            out.insert(name, QByteArrayLiteral("/"));
            continue;
        }
        QCryptographicHash hash(QCryptographicHash::Sha256);
        la_ssize_t n;
        while ((n = archive_read_data(a.get(), buffer.data(), size_t(buffer.size()))) > 0)
            hash.addData(QByteArrayView(buffer.constData(), n));
        if (n < 0)
            throw DiskError(QStringLiteral("%1 cannot be read back: %2").arg(name, archiveError(a.get())));
        out.insert(name, hash.result());
    }
    if (status != ARCHIVE_EOF)
        throw DiskError(QStringLiteral("it cannot be read back: %1").arg(archiveError(a.get())));
    return out;
}

} // namespace

Made create(const QString &dataRoot, const QString &folder, const QDateTime &when, const QStringList &skip,
            const Progress &progress)
{
    if (!QFileInfo(dataRoot).isDir())
        throw DiskError(QStringLiteral("The data folder %1 does not exist.").arg(shown(dataRoot)));
    if (!QDir().mkpath(folder))
        throw DiskError(QStringLiteral("The folder %1 cannot be made.").arg(shown(folder)));
    for (const QString &left : QDir(folder).entryList({QStringLiteral("DispatchBackup-*.zip.partial")}, QDir::Files)) {
        if (partialArchive(left))
            QFile::remove(QDir(folder).filePath(left));
    }
    Gatherer gathered(dataRoot, skip);
    const std::vector<Entry> &entries = gathered.entries;
    Made made;
    made.leftOut = gathered.leftOut;
    for (const Entry &e : entries) {
        made.bytes += e.size;
        made.files += e.folder ? 0 : 1;
    }
    if (made.files == 0)
        throw DiskError(QStringLiteral("The data folder %1 holds no files to back up; no archive was made.%2")
                            .arg(shown(dataRoot), made.leftOut.isEmpty()
                                                      ? QString()
                                                      : QStringLiteral(" Left out:\n") + made.leftOut.join('\n')));
    const qint64 total = made.bytes;

    QString final = QDir(folder).filePath(archiveName(when));
    for (int n = 2; QFileInfo::exists(final); ++n)
        final =
            QDir(folder).filePath(archiveName(when).replace(QLatin1String(".zip"), QStringLiteral("-%1.zip").arg(n)));
    const QString partial = final + QStringLiteral(".partial");

    auto fail = [&](const QString &why) {
        QFile::remove(partial);
        throw DiskError(QStringLiteral("The backup %1 could not be written: %2").arg(shown(final), why));
    };
    QMap<QString, QByteArray> packed; // what went into the archive, as packedContents() gives it back
    {
        std::unique_ptr<archive, WriterDeleter> a(archive_write_new());
        archive_write_set_format_zip(a.get());
        archive_write_set_options(a.get(), "zip:hdrcharset=UTF-8");
        if (archive_write_open_filename(a.get(), QFile::encodeName(partial).constData()) != ARCHIVE_OK)
            fail(archiveError(a.get()));
        qint64 done = 0;
        if (progress)
            progress(0, total);
        QByteArray buffer;
        for (const Entry &e : entries) {
            std::unique_ptr<archive_entry, void (*)(archive_entry *)> entry(archive_entry_new(), archive_entry_free);
            const QByteArray name = (e.relative + (e.folder ? QStringLiteral("/") : QString())).toUtf8();
            archive_entry_set_pathname_utf8(entry.get(), name.constData());
            archive_entry_set_filetype(entry.get(), e.folder ? AE_IFDIR : AE_IFREG);
            archive_entry_set_perm(entry.get(), e.folder ? 0755 : 0644);
            archive_entry_set_size(entry.get(), e.size);
            archive_entry_set_mtime(entry.get(), e.modified.toSecsSinceEpoch(), 0);
            if (archive_write_header(a.get(), entry.get()) != ARCHIVE_OK)
                fail(archiveError(a.get()));
            if (e.folder) {
                packed.insert(e.relative, QByteArrayLiteral("/"));
                continue;
            }
            QFile file(e.full);
            if (!file.open(QIODevice::ReadOnly))
                fail(QStringLiteral("%1 cannot be read: %2").arg(shown(e.full), systemWords(file, errno)));
            QCryptographicHash hash(QCryptographicHash::Sha256);
            qint64 written = 0;
            while (written < e.size) {
                buffer = file.read(std::min(kChunk, e.size - written));
                if (buffer.isEmpty())
                    fail(QStringLiteral("%1 got shorter while it was read; back up again").arg(shown(e.full)));
                if (archive_write_data(a.get(), buffer.constData(), size_t(buffer.size())) < 0)
                    fail(archiveError(a.get()));
                hash.addData(buffer);
                written += buffer.size();
                done += buffer.size();
                if (progress)
                    progress(done, total);
            }
            packed.insert(e.relative, hash.result());
        }
        if (archive_write_close(a.get()) != ARCHIVE_OK)
            fail(archiveError(a.get()));
    }
    const QString unsynced = DataFolder::syncToDisk({partial});
    if (!unsynced.isEmpty())
        fail(QStringLiteral("it did not reach the disk"));
    QString readBackProblem;
    try {
        const QMap<QString, QByteArray> readBack = packedContents(partial);
        for (auto it = packed.cbegin(); it != packed.cend() && readBackProblem.isEmpty(); ++it) {
            if (readBack.value(it.key()) != it.value())
                readBackProblem = QStringLiteral("read back, it does not hold %1 as it was packed").arg(it.key());
        }
        if (readBackProblem.isEmpty() && readBack.size() != packed.size())
            readBackProblem =
                QStringLiteral("read back, it holds %1 names instead of %2").arg(readBack.size()).arg(packed.size());
        if (readBackProblem.isEmpty())
            restorableNames(partial); // the restore would take every name it holds
    } catch (const DiskError &e) {
        readBackProblem = e.message();
    }
    if (!readBackProblem.isEmpty())
        fail(readBackProblem);
    if (::rename(QFile::encodeName(partial).constData(), QFile::encodeName(final).constData()) != 0)
        fail(QStringLiteral("it cannot be given its name: %1").arg(qt_error_string(errno)));
    if (progress)
        progress(total, total);
    made.path = final;
    return made;
}

namespace {

// Unpacks every entry of the archive into `root` (an empty folder); the files written, relative to it.
QStringList unpack(const QString &archivePath, const QDir &root, qint64 total, const Progress &progress)
{
    QStringList written;
    QStringList fullPaths;
    qint64 done = 0;
    auto a = openForReading(archivePath);
    archive_entry *entry = nullptr;
    int status;
    QByteArray buffer(int(kChunk), Qt::Uninitialized);
    while ((status = archive_read_next_header(a.get(), &entry)) == ARCHIVE_OK) {
        QString name = entryName(entry);
        while (name.endsWith(QLatin1Char('/')))
            name.chop(1);
        const QString full = root.filePath(name);
        const auto type = archive_entry_filetype(entry);
        if (type == AE_IFDIR) {
            if (!root.mkpath(name))
                throw DiskError(QStringLiteral("the folder %1 cannot be made").arg(name));
            continue;
        }
        if (type != AE_IFREG)
            continue;
        root.mkpath(QFileInfo(name).path());
        QFile file(full);
        if (!file.open(QIODevice::WriteOnly))
            throw DiskError(QStringLiteral("%1 cannot be written: %2").arg(name, systemWords(file, errno)));
        qint64 size = 0;
        for (;;) {
            const la_ssize_t n = archive_read_data(a.get(), buffer.data(), size_t(buffer.size()));
            if (n < 0)
                throw DiskError(QStringLiteral("the archive is damaged at %1: %2").arg(name, archiveError(a.get())));
            if (n == 0)
                break;
            if (file.write(buffer.constData(), n) != n)
                throw DiskError(QStringLiteral("%1 cannot be written: %2").arg(name, systemWords(file, errno)));
            size += n;
            done += n;
            if (progress)
                progress(done, total);
        }
        if (archive_entry_size_is_set(entry) && archive_entry_size(entry) != size)
            throw DiskError(QStringLiteral("the archive is damaged at %1: it holds %2 of its %3 bytes")
                                .arg(name)
                                .arg(size)
                                .arg(archive_entry_size(entry)));
        if (!file.flush())
            throw DiskError(QStringLiteral("%1 cannot be written: %2").arg(name, systemWords(file, errno)));
        file.close();
        if (file.error() != QFileDevice::NoError)
            throw DiskError(QStringLiteral("%1 cannot be written: %2").arg(name, systemWords(file, errno)));
        written << name;
        fullPaths << full;
    }
    if (status != ARCHIVE_EOF)
        throw DiskError(QStringLiteral("the archive is damaged: %1").arg(archiveError(a.get())));
    const QString unsynced = DataFolder::syncToDisk(fullPaths);
    if (!unsynced.isEmpty())
        throw DiskError(QStringLiteral("%1 did not reach the disk").arg(shown(unsynced)));
    return written;
}

} // namespace

QStringList restore(const QString &archivePath, const QString &emptyFolder, const Progress &progress)
{
    const QFileInfo target(emptyFolder);
    if (target.exists() &&
        (!target.isDir() ||
         !QDir(emptyFolder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)))
        throw DiskError(QStringLiteral("%1 is not an empty folder; a backup is restored only into an empty one, "
                                       "so that it mixes with nothing.")
                            .arg(shown(emptyFolder)));
    if (!QFileInfo(archivePath).isFile())
        throw DiskError(QStringLiteral("%1 is not a file.").arg(shown(archivePath)));

    const auto failed = [&](const QString &why) {
        return DiskError(QStringLiteral("%1 could not be restored: %2. Nothing was restored; %3 is as it was.")
                             .arg(shown(archivePath), why, shown(emptyFolder)));
    };

    // First pass: every name must be one the restore can make inside the folder; the sizes give the progress.
    qint64 total = 0;
    try {
        total = restorableNames(archivePath);
    } catch (const DiskError &e) {
        if (e.message().endsWith(QLatin1String("nothing was restored.")))
            throw;
        throw failed(e.message());
    }

    // The archive is unpacked into a folder of its own beside the target, which takes the target's place only
    // when every file came out whole: a damaged archive leaves the target as it was.
    const QString absolute = target.absoluteFilePath();
    const QString parent = QFileInfo(absolute).path();
    if (!QDir().mkpath(parent))
        throw DiskError(QStringLiteral("The folder %1 cannot be made.").arg(shown(parent)));
    removeLeftoverStaging(absolute);
    QTemporaryDir staging(QDir(parent).filePath(QStringLiteral(".%1-restoring-XXXXXX").arg(target.fileName())));
    if (!staging.isValid())
        throw DiskError(QStringLiteral("No folder can be made beside %1 to restore into: %2")
                            .arg(shown(emptyFolder), staging.errorString()));
    QStringList written;
    try {
        written = unpack(archivePath, QDir(staging.path()), total, progress);
    } catch (const DiskError &e) {
        throw failed(e.message());
    }
    const bool existed = target.exists();
    if (existed && ::rmdir(QFile::encodeName(absolute).constData()) != 0)
        throw failed(QStringLiteral("the empty folder cannot be replaced: %1").arg(qt_error_string(errno)));
    if (::rename(QFile::encodeName(staging.path()).constData(), QFile::encodeName(absolute).constData()) != 0) {
        const QString why = qt_error_string(errno);
        if (!existed || QDir().mkdir(absolute))
            throw failed(QStringLiteral("the restored files cannot be moved into place: %1").arg(why));
        throw DiskError(QStringLiteral("%1 could not be restored: the restored files cannot be moved into place: %2. "
                                       "Nothing was restored; the empty folder %3 was removed to make room and "
                                       "cannot be made again.")
                            .arg(shown(archivePath), why, shown(emptyFolder)));
    }
    return written;
}

void removeLeftoverStaging(const QString &target)
{
    const QFileInfo info(target);
    const QDir parent = info.absoluteDir();
    const QString prefix = QStringLiteral(".%1-restoring-").arg(info.fileName());
    for (const QString &name : parent.entryList({prefix + QLatin1Char('*')}, QDir::Dirs | QDir::Hidden)) {
        if (name.size() == prefix.size() + 6)
            QDir(parent.filePath(name)).removeRecursively();
    }
}

std::optional<QString> rememberedFolder(const DataFolder &folder)
{
    const QString text = QString::fromUtf8(folder.readAll(kFolderFile)).trimmed();
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

void rememberFolder(const DataFolder &folder, const QString &backupFolder)
{
    folder.makeFolder(QStringLiteral("/VarnelDispatchDuzudu"));
    folder.writeFile(kFolderFile, backupFolder.toUtf8() + "\r\n");
}

} // namespace BackupArchive
