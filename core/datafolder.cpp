#include "core/datafolder.h"

#include "core/diskerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <io.h>
#endif

namespace {

QStringList components(const QString &relative)
{
    QString normal = relative;
    normal.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return normal.split(QLatin1Char('/'), Qt::SkipEmptyParts);
}

std::filesystem::path fsPath(const QString &p)
{
    return std::filesystem::path(p.toStdU16String());
}

QString shown(const QString &fullPath)
{
    return QDir::toNativeSeparators(fullPath);
}

void syncFolderOf([[maybe_unused]] const QString &fullPath)
{
#ifdef Q_OS_UNIX
    const QByteArray dir = QFile::encodeName(QFileInfo(fullPath).absolutePath());
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#endif
}

bool syncFile(QFile &file)
{
    if (!file.flush())
        return false;
#ifdef Q_OS_UNIX
    return ::fsync(file.handle()) == 0;
#elif defined(Q_OS_WIN)
    return ::_commit(file.handle()) == 0;
#else
    return true;
#endif
}

} // namespace

DataFolder::DataFolder(QString root, QString executableName)
    : m_root(QDir::cleanPath(QDir(root).absolutePath()))
    , m_executableName(std::move(executableName))
{}

QString DataFolder::path(const QString &relative) const
{
    QString current = m_root;
    bool resolving = true;
    for (const QString &part : components(relative)) {
        QString next = current + QLatin1Char('/') + part;
        if (resolving && !QFileInfo::exists(next)) {
            // Data folders come from systems whose file names ignore case: look the name up in its parent.
            const QStringList entries =
                QDir(current).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
            resolving = false;
            for (const QString &entry : entries) {
                if (entry.compare(part, Qt::CaseInsensitive) == 0) {
                    next = current + QLatin1Char('/') + entry;
                    resolving = true;
                    break;
                }
            }
        }
        current = next;
    }
    return current;
}

QString DataFolder::backupPathOf(const QString &relative)
{
    return QStringLiteral("/Backup/") + components(relative).join(QLatin1Char('/'));
}

void DataFolder::step(const char *name, const QString &fullPath) const
{
    if (m_faultHook)
        m_faultHook(name, fullPath);
}

bool DataFolder::fileExists(const QString &relative) const
{
    const QString full = path(relative);
    if (QFileInfo(full).isFile())
        return true;
    const QString backup = path(backupPathOf(relative));
    if (!QFileInfo(backup).isFile())
        return false;
    QFile source(backup);
    if (!source.open(QIODevice::ReadOnly))
        return false;
    try {
        replaceContent(full, source.readAll());
    } catch (const DiskError &) {
        return false;
    }
    return true;
}

bool DataFolder::folderExists(const QString &relative) const
{
    return QFileInfo(path(relative)).isDir();
}

qint64 DataFolder::fileSize(const QString &relative) const
{
    const QFileInfo info(path(relative));
    return info.isFile() ? info.size() : -1;
}

int DataFolder::recordCountForSize(qint64 bytes, int recordLength)
{
    if (bytes <= 0 || recordLength <= 0)
        return 0;
    const qint64 whole = bytes / recordLength;
    const qint64 rest = bytes % recordLength;
    qint64 count = whole;
    if (2 * rest > recordLength || (2 * rest == recordLength && (whole % 2) == 1))
        ++count;
    return int(std::min<qint64>(count, std::numeric_limits<int>::max()));
}

int DataFolder::recordCount(const QString &relative, int recordLength) const
{
    if (!fileExists(relative))
        return 0;
    return recordCountForSize(fileSize(relative), recordLength);
}

QByteArray DataFolder::readAll(const QString &relative) const
{
    QFile file(path(relative));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void DataFolder::replaceContent(const QString &fullPath, const QByteArray &content, Flush flush) const
{
    const QString temporary = fullPath + QStringLiteral(".vdtmp");
    QDir().mkpath(QFileInfo(fullPath).absolutePath());
    auto fail = [&](const QString &why) {
        QFile::remove(temporary);
        throw DiskError(QStringLiteral("The file %1 could not be written: %2\nWhat was stored before is unchanged.")
                            .arg(shown(fullPath), why));
    };
    QFile file(temporary);
    step("write", fullPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        fail(file.errorString());
    if (file.write(content) != content.size())
        fail(file.errorString());
    step("sync", fullPath);
    if (!(flush == Flush::ToDisk ? syncFile(file) : file.flush()))
        fail(file.errorString());
    file.close();
    step("rename", fullPath);
    std::error_code ec;
    std::filesystem::rename(fsPath(temporary), fsPath(fullPath), ec);
    if (ec)
        fail(QString::fromStdString(ec.message()));
    if (flush == Flush::ToDisk)
        syncFolderOf(fullPath);
}

void DataFolder::writeFile(const QString &relative, const QByteArray &content, Flush flush) const
{
    replaceContent(path(relative), content, flush);
}

void DataFolder::removeFullPath(const QString &fullPath) const
{
    if (!QFileInfo(fullPath).isFile())
        return;
    step("delete", fullPath);
    QFile file(fullPath);
    if (!file.remove())
        throw DiskError(
            QStringLiteral("The file %1 could not be deleted: %2").arg(shown(fullPath), file.errorString()));
}

void DataFolder::deleteFile(const QString &relative) const
{
    removeFullPath(path(relative));
}

void DataFolder::deleteWithBackup(const QString &relative) const
{
    // The copy goes first: a missing file is restored from its copy, so a copy left behind would bring a
    // deleted file back.
    deleteFile(backupPathOf(relative));
    deleteFile(relative);
}

void DataFolder::renameFile(const QString &from, const QString &to) const
{
    const QString source = path(from);
    const QString target = path(to);
    step("rename", target);
    std::error_code ec;
    std::filesystem::rename(fsPath(source), fsPath(target), ec);
    if (ec) {
        throw DiskError(QStringLiteral("The file %1 could not be renamed to %2: %3")
                            .arg(shown(source), shown(target), QString::fromStdString(ec.message())));
    }
    syncFolderOf(target);
}

void DataFolder::copyFile(const QString &from, const QString &to) const
{
    const QString source = path(from);
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly))
        throw DiskError(QStringLiteral("The file %1 could not be read: %2").arg(shown(source), file.errorString()));
    replaceContent(path(to), file.readAll());
}

void DataFolder::backupFile(const QString &relative) const
{
    copyFile(relative, backupPathOf(relative));
}

void DataFolder::makeFolder(const QString &relative) const
{
    const QString full = path(relative);
    if (QFileInfo::exists(full))
        return;
    if (!QDir().mkdir(full))
        throw DiskError(QStringLiteral("The folder %1 could not be created.").arg(shown(full)));
}

std::vector<Record> DataFolder::readRecords(const QString &relative, const RecordLayout &layout) const
{
    std::vector<Record> records;
    if (!fileExists(relative))
        return records;
    const QByteArray bytes = readAll(relative);
    const int count = recordCountForSize(bytes.size(), layout.length());
    records.reserve(std::size_t(count));
    const qsizetype length = layout.length();
    for (int i = 0; i < count; ++i) {
        const qsizetype start = qsizetype(i) * length;
        records.emplace_back(layout, start < bytes.size() ? bytes.mid(start, length) : QByteArray());
    }
    return records;
}

std::optional<Record> DataFolder::readRecord(const QString &relative, const RecordLayout &layout, int number) const
{
    if (number < 1 || number > recordCount(relative, layout.length()))
        return std::nullopt;
    QFile file(path(relative));
    if (!file.open(QIODevice::ReadOnly) || !file.seek(qint64(number - 1) * layout.length()))
        return Record(layout);
    return Record(layout, file.read(layout.length()));
}

void DataFolder::writeRecord(const QString &relative, int number, const Record &record) const
{
    const int length = record.layout().length();
    const int count = recordCount(relative, length);
    if (number < 1)
        number = count + 1;
    if (number <= count) {
        QByteArray bytes = readAll(relative);
        const qsizetype end = qsizetype(number) * length;
        if (bytes.size() < end)
            bytes.resize(end, ' ');
        bytes.replace(qsizetype(number - 1) * length, length, record.bytes());
        replaceContent(path(relative), bytes);
        return;
    }
    QByteArray bytes = record.bytes();
    const qsizetype gap = qsizetype(number - 1 - count) * length;
    if (gap > 0)
        bytes.prepend(QByteArray(gap, '\0'));
    // Written at the record position: a partial record left at the end by an earlier fault is overwritten.
    const QString full = path(relative);
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile file(full);
    if (!file.open(QIODevice::ReadWrite))
        throw DiskError(QStringLiteral("The file %1 could not be opened: %2").arg(shown(full), file.errorString()));
    const qint64 oldSize = file.size();
    auto fail = [&](const QString &why) {
        file.resize(oldSize);
        throw DiskError(
            QStringLiteral("The record could not be added to %1: %2\nThe file is unchanged.").arg(shown(full), why));
    };
    try {
        step("append", full);
    } catch (...) {
        file.resize(oldSize);
        throw;
    }
    if (!file.seek(qint64(count) * length) || file.write(bytes) != bytes.size() || !syncFile(file))
        fail(file.errorString());
}

void DataFolder::appendRecord(const QString &relative, const Record &record) const
{
    writeRecord(relative, 0, record);
}

void DataFolder::appendRecords(const QString &relative, const std::vector<Record> &records) const
{
    if (records.empty())
        return;
    const int length = records.front().layout().length();
    const int count = recordCount(relative, length);
    QByteArray bytes;
    bytes.reserve(qsizetype(records.size()) * length);
    for (const auto &r : records)
        bytes.append(r.bytes());
    const QString full = path(relative);
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile file(full);
    if (!file.open(QIODevice::ReadWrite))
        throw DiskError(QStringLiteral("The file %1 could not be opened: %2").arg(shown(full), file.errorString()));
    const qint64 oldSize = file.size();
    try {
        step("append", full);
    } catch (...) {
        file.resize(oldSize);
        throw;
    }
    if (!file.seek(qint64(count) * length) || file.write(bytes) != bytes.size() || !syncFile(file)) {
        const QString why = file.errorString();
        file.resize(oldSize);
        throw DiskError(
            QStringLiteral("The records could not be added to %1: %2\nThe file is unchanged.").arg(shown(full), why));
    }
}

void DataFolder::replaceRecords(const QString &relative, const std::vector<Record> &records) const
{
    if (records.empty()) {
        deleteWithBackup(relative);
        return;
    }
    QByteArray bytes;
    bytes.reserve(qsizetype(records.size()) * records.front().layout().length());
    for (const auto &r : records)
        bytes.append(r.bytes());
    replaceContent(path(relative), bytes);
    deleteFile(backupPathOf(relative));
}

int DataFolder::rewriteWithout(const QString &relative, const RecordLayout &layout,
                               const std::function<bool(const Record &, int)> &drop) const
{
    const std::vector<Record> records = readRecords(relative, layout);
    QByteArray bytes;
    bytes.reserve(qsizetype(records.size()) * layout.length());
    int kept = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (drop(records[i], int(i) + 1))
            continue;
        bytes.append(records[i].bytes());
        ++kept;
    }
    // The rewritten file takes the old one's place even when it holds no record; its Backup copy goes.
    replaceContent(path(relative), bytes);
    deleteFile(backupPathOf(relative));
    return kept;
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
