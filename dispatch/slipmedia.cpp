#include "dispatch/slipmedia.h"

#include "accounts/auxdata.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "dispatch/servicesliprecord.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

using namespace SlipField;

namespace {

// One line of the index, tab-separated, ending in CR LF:
//   photo      <file> <received> <technician> <request> <length> <sha-256>
//   signature  <file> <signed>   <technician> <request> <length> <sha-256> <signer>
// Times as yyyy-MM-ddTHH:mm:ss. A line that does not read so is passed over.
struct Entry
{
    QString kind; // "photo", "signature"
    QString file;
    QDateTime at;
    QString technician;
    QString request;
    qint64 length = 0;
    QByteArray digest; // hex
    QString signer;
};

const QString kPhoto = QStringLiteral("photo");
const QString kSignature = QStringLiteral("signature");
const QString kTimeForm = QStringLiteral("yyyy-MM-ddTHH:mm:ss");

QByteArray digestOf(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

// A name or a request id as one field of a line: no tab, no line break.
QString field(QString text)
{
    for (QChar &c : text) {
        if (c.unicode() < 0x20)
            c = QLatin1Char(' ');
    }
    return text.trimmed();
}

QByteArray lineOf(const Entry &e)
{
    QStringList fields{e.kind,      e.file,
                       e.at.toString(kTimeForm), field(e.technician),
                       field(e.request), QString::number(e.length),
                       QString::fromLatin1(e.digest)};
    if (e.kind == kSignature)
        fields << field(e.signer);
    return fields.join(QLatin1Char('\t')).toUtf8() + "\r\n";
}

std::optional<Entry> entryOf(const QByteArray &line)
{
    static const QRegularExpression photoName(QStringLiteral("^Photo [0-9]{2}\\.jpg$"));
    const QStringList f = QString::fromUtf8(line).split(QLatin1Char('\t'));
    if (f.size() < 7)
        return std::nullopt;
    Entry e{f[0], f[1], QDateTime::fromString(f[2], kTimeForm), f[3], f[4], f[5].toLongLong(), f[6].toLatin1(), {}};
    const bool photo = e.kind == kPhoto && f.size() == 7 && photoName.match(e.file).hasMatch();
    const bool signature = e.kind == kSignature && f.size() == 8 && e.file == SlipMedia::kSignatureFile;
    if ((!photo && !signature) || !e.at.isValid() || e.length <= 0 || e.digest.size() != 64)
        return std::nullopt;
    if (signature)
        e.signer = f[7];
    return e;
}

struct Index
{
    std::vector<Entry> entries;
    qint64 wholeLength = 0;  // where the last whole line ends: an append goes there
    QStringList unreadable; // lines that do not read as an entry
};

Index readIndex(const DataFolder &folder, const QString &slipFolder)
{
    Index index;
    const QByteArray bytes = folder.readAll(slipFolder + QLatin1Char('/') + SlipMedia::kIndex);
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype end = bytes.indexOf("\r\n", start);
        if (end < 0) {
            index.unreadable << QStringLiteral("an unfinished last line");
            break;
        }
        const QByteArray line = bytes.mid(start, end - start);
        if (const auto entry = entryOf(line))
            index.entries.push_back(*entry);
        else
            index.unreadable << QString::fromUtf8(line.left(60));
        start = end + 2;
        index.wholeLength = start;
    }
    return index;
}

// Whether the file reads back as the index line says: its length (a file is replaced whole, so a length that
// agrees is the file as written) or, for the read-back and the data check, its digest as well.
bool intact(const QString &path, const Entry &e, bool digest = false)
{
    QFile file(path);
    if (file.size() != e.length)
        return false;
    return !digest || (file.open(QIODevice::ReadOnly) && digestOf(file.readAll()) == e.digest);
}

std::vector<Entry> listed(const DataFolder &folder, const QString &slipFolder, const QString &kind)
{
    std::vector<Entry> out;
    for (const Entry &e : readIndex(folder, slipFolder).entries) {
        if (e.kind == kind && intact(folder.path(slipFolder + QLatin1Char('/') + e.file), e))
            out.push_back(e);
    }
    return out;
}

QString account(const Record &slip)
{
    return slip.text(AcctNo).trimmed();
}

SlipMedia::Signature signatureOf(const DataFolder &folder, const QString &slipFolder, const Entry &e)
{
    return {folder.path(slipFolder + QLatin1Char('/') + e.file), e.signer, e.at, e.technician};
}

// Writes the file whole, reads it back, then appends its index line and reads the index back.
void store(const DataFolder &folder, const QString &slipFolder, const Entry &entry, const QByteArray &bytes)
{
    const QString relative = slipFolder + QLatin1Char('/') + entry.file;
    folder.writeFile(relative, bytes);
    if (!intact(folder.path(relative), entry, true))
        throw DiskError(QStringLiteral("The file %1 was written but does not read back as written.").arg(relative));
    const Index index = readIndex(folder, slipFolder);
    const QString indexPath = folder.path(slipFolder + QLatin1Char('/') + SlipMedia::kIndex);
    auto listed = [&] {
        const Index after = readIndex(folder, slipFolder);
        return !after.entries.empty() && lineOf(after.entries.back()) == lineOf(entry);
    };
    try {
        folder.appendGuard().append(indexPath, index.wholeLength, lineOf(entry), QStringLiteral("The line of ") + entry.file);
    } catch (const DiskError &) {
        if (!listed()) // an append that reached the file whole is stored; only its guard's note is left
            throw;
    }
    if (!listed())
        throw DiskError(QStringLiteral("The file %1 was written but does not read back as written.")
                            .arg(slipFolder + QLatin1Char('/') + SlipMedia::kIndex));
}

} // namespace

namespace SlipMedia {

QString folderName(qint16 slipNo)
{
    return kFolderPrefix + QString::number(slipNo);
}

std::optional<QString> folderOf(const QString &account, qint16 slipNo)
{
    const auto name = AuxData::accountFolder(account);
    if (!name || name->isEmpty() || slipNo <= 0)
        return std::nullopt;
    return AuxData::kFolder + QLatin1Char('/') + *name + QLatin1Char('/') + folderName(slipNo);
}

std::optional<QString> folderOf(const Record &slip)
{
    return folderOf(account(slip), slip.int16(SlipNo));
}

QString Signature::signedText() const
{
    return QStringLiteral("Signed by %1 %2 %3").arg(signer, Formats::shortDate(at.date()), at.toString(QStringLiteral("HH:mm")));
}

std::vector<Photo> photos(const DataFolder &folder, const QString &account, qint16 slipNo)
{
    std::vector<Photo> out;
    const auto slipFolder = folderOf(account, slipNo);
    if (!slipFolder)
        return out;
    for (const Entry &e : listed(folder, *slipFolder, kPhoto))
        out.push_back({folder.path(*slipFolder + QLatin1Char('/') + e.file), e.file, e.at, e.technician});
    return out;
}

std::vector<Photo> photos(const DataFolder &folder, const Record &slip)
{
    return photos(folder, account(slip), slip.int16(SlipNo));
}

int photoCount(const DataFolder &folder, const QString &account, qint16 slipNo)
{
    return int(photos(folder, account, slipNo).size());
}

std::optional<Signature> signature(const DataFolder &folder, const QString &account, qint16 slipNo)
{
    const auto slipFolder = folderOf(account, slipNo);
    if (!slipFolder)
        return std::nullopt;
    const auto list = listed(folder, *slipFolder, kSignature);
    if (list.empty())
        return std::nullopt;
    return signatureOf(folder, *slipFolder, list.front());
}

std::optional<Signature> signature(const DataFolder &folder, const Record &slip)
{
    return signature(folder, account(slip), slip.int16(SlipNo));
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString tooManyPhotos()
{
    return QStringLiteral("This slip has %1 photos already.").arg(kMaxPhotos);
}

QString signedAlready()
{
    return QStringLiteral("The customer has signed this slip already.");
}

Added addPhoto(const DataFolder &folder, const QString &account, qint16 slipNo, const QByteArray &jpeg,
               const QString &technician, const QDateTime &when, const QString &requestId, const Check &check)
{
    Added added;
    const auto slipFolder = folderOf(account, slipNo);
    if (!slipFolder) {
        added.refusal = QStringLiteral("The slip's customer has no account number the office can file photos under.");
        return added;
    }
    const std::vector<Entry> have = listed(folder, *slipFolder, kPhoto);
    added.photos = int(have.size());
    if (!requestId.isEmpty()) {
        for (const Entry &e : have) {
            if (e.request == requestId) {
                added.stored = added.repeated = true;
                return added;
            }
        }
    }
    if (const auto refused = check ? check() : std::nullopt) {
        added.refusal = *refused;
        return added;
    }
    if (added.photos >= kMaxPhotos) {
        added.refusal = tooManyPhotos();
        return added;
    }
    // The first number no line of the index names (a name is never given twice); a file left by a write that
    // stopped before its line was added is written over.
    const Index index = readIndex(folder, *slipFolder);
    QString name;
    for (int n = 1; n <= 99 && name.isEmpty(); ++n) {
        const QString candidate = QStringLiteral("Photo %1.jpg").arg(n, 2, 10, QLatin1Char('0'));
        if (std::none_of(index.entries.begin(), index.entries.end(), [&](const Entry &e) { return e.file == candidate; }))
            name = candidate;
    }
    if (name.isEmpty()) {
        added.refusal = tooManyPhotos();
        return added;
    }
    store(folder, *slipFolder,
          {kPhoto, name, when, technician, requestId, jpeg.size(), digestOf(jpeg), {}}, jpeg);
    added.stored = true;
    added.photos = photoCount(folder, account, slipNo);
    return added;
}

Added addSignature(const DataFolder &folder, const QString &account, qint16 slipNo, const QByteArray &png,
                   const QString &signer, const QString &technician, const QDateTime &when,
                   const QString &requestId, const Check &check)
{
    Added added;
    const auto slipFolder = folderOf(account, slipNo);
    if (!slipFolder) {
        added.refusal = QStringLiteral("The slip's customer has no account number the office can file a signature under.");
        return added;
    }
    added.photos = photoCount(folder, account, slipNo);
    const std::vector<Entry> have = listed(folder, *slipFolder, kSignature);
    if (!have.empty()) {
        added.signature = signatureOf(folder, *slipFolder, have.front());
        if (!requestId.isEmpty() && have.front().request == requestId)
            added.stored = added.repeated = true;
        else
            added.refusal = signedAlready();
        return added;
    }
    if (const auto refused = check ? check() : std::nullopt) {
        added.refusal = *refused;
        return added;
    }
    const Entry entry{kSignature, kSignatureFile, when, technician, requestId, png.size(), digestOf(png), signer};
    store(folder, *slipFolder, entry, png);
    added.stored = true;
    added.signature = signature(folder, account, slipNo);
    return added;
}

int slipsWithMedia(const DataFolder &folder, const QString &account)
{
    const auto name = AuxData::accountFolder(account);
    if (!name || name->isEmpty())
        return 0;
    const QString accountFolder = AuxData::kFolder + QLatin1Char('/') + *name;
    const QDir dir(folder.path(accountFolder));
    int count = 0;
    for (const QString &slip : dir.entryList({kFolderPrefix + QLatin1Char('*')}, QDir::Dirs))
        count += !readIndex(folder, accountFolder + QLatin1Char('/') + slip).entries.empty();
    return count;
}

std::vector<Problem> problems(const DataFolder &folder, const QString &slipFolder)
{
    std::vector<Problem> out;
    const QString shown = slipFolder.mid(1);
    const Index index = readIndex(folder, slipFolder);
    for (const QString &line : index.unreadable)
        out.push_back({shown + QLatin1Char('/') + kIndex,
                       QStringLiteral("a line cannot be read (%1): the photo or signature it named is not shown.")
                           .arg(line)});
    QStringList names{kIndex};
    int photoLines = 0;
    for (const Entry &e : index.entries) {
        names << e.file;
        photoLines += e.kind == kPhoto;
        if (!intact(folder.path(slipFolder + QLatin1Char('/') + e.file), e, true))
            out.push_back({shown + QLatin1Char('/') + e.file,
                           QStringLiteral("is missing or not as it was stored (%1 bytes listed): it is not shown.")
                               .arg(e.length)});
    }
    if (photoLines > kMaxPhotos)
        out.push_back({shown + QLatin1Char('/') + kIndex,
                       QStringLiteral("lists %1 photos; a slip keeps %2.").arg(photoLines).arg(kMaxPhotos)});
    const QDir dir(folder.path(slipFolder));
    for (const QFileInfo &info : dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
        const QString name = info.fileName();
        if (DataFolder::isAppendGuardName(name) || names.contains(name))
            continue; // a guard: an append the next start finishes
        out.push_back({shown + QLatin1Char('/') + name,
                       DataFolder::isTemporaryName(name)
                           ? QStringLiteral("a temporary file left by an interrupted store of a photo or signature "
                                            "(%1 bytes); nothing lists it. Delete it.")
                                 .arg(info.size())
                           : QStringLiteral("is not one of the slip's photos or its signature; the program does not "
                                            "show it. Move it out of the data folder.")});
    }
    return out;
}

QStringList allFolders(const DataFolder &folder)
{
    QStringList out;
    const QDir aux(folder.path(AuxData::kFolder));
    for (const QString &account : aux.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QDir accountDir(aux.filePath(account));
        for (const QString &slip : accountDir.entryList({kFolderPrefix + QLatin1Char('*')}, QDir::Dirs))
            out << AuxData::kFolder + QLatin1Char('/') + account + QLatin1Char('/') + slip;
    }
    return out;
}

} // namespace SlipMedia
