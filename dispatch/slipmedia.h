#pragma once

#include "core/recordlayout.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

class DataFolder;

// The photos and the customer's signature a technician's phone added to a slip. They live beside the slip's
// customer, in a folder of the slip inside the customer's folder: /AuxFiles/<account>/Slip <number>/ holds
// "Photo 01.jpg" to "Photo 10.jpg", "Signature.png" and the index "Media.txt", which says for each file who added
// it, when, under which request of the phone, and its length and digest. The names are the program's, never the
// phone's. A file is written whole (crash-safe replace) and read back before its line is appended to the index
// (append guard); only what the index lists counts, so a file left by a write that stopped half way is never
// shown (the data check reports it). The customer's folder is made when first needed.
//
// Who may add to a slip (its own technician, a slip not yet complete) is the caller's rule; this part keeps the
// files, the count of photos and the requests already stored.
namespace SlipMedia {

inline const QString kFolderPrefix = QStringLiteral("Slip "); // "Slip 1234"
inline const QString kIndex = QStringLiteral("Media.txt");
inline const QString kSignatureFile = QStringLiteral("Signature.png");
inline constexpr int kMaxPhotos = 10;
inline constexpr qint64 kPhotoBytesLimit = 3 * 1024 * 1024;
inline constexpr qint64 kSignatureBytesLimit = 512 * 1024;

// "Slip 1234"
QString folderName(qint16 slipNo);
// The slip's folder relative to the data root ("/AuxFiles/1001/Slip 1234"); nothing when the account number
// cannot be a folder name (or is blank).
std::optional<QString> folderOf(const QString &account, qint16 slipNo);
std::optional<QString> folderOf(const Record &slip); // by the slip's account and number

struct Photo
{
    QString path; // full path of the file
    QString name; // "Photo 01.jpg"
    QDateTime received;
    QString technician;
};

struct Signature
{
    QString path; // full path of the PNG
    QString signer;
    QDateTime at;
    QString technician;
    // "Signed by M. Chavez 12/8/2026 10:42"
    QString signedText() const;
};

// What the index lists, in the order added; files missing or changed since are left out.
std::vector<Photo> photos(const DataFolder &folder, const QString &account, qint16 slipNo);
std::vector<Photo> photos(const DataFolder &folder, const Record &slip);
int photoCount(const DataFolder &folder, const QString &account, qint16 slipNo);
std::optional<Signature> signature(const DataFolder &folder, const QString &account, qint16 slipNo);
std::optional<Signature> signature(const DataFolder &folder, const Record &slip);
// A file's bytes (a photo's or the signature's path); empty when it cannot be read.
QByteArray readFile(const QString &path);

// What an addition did: refused (nothing written) with the reason, or stored; a request id seen before stores
// nothing more and answers as the first time (`repeated`).
struct Added
{
    bool stored = false;
    QString refusal;
    bool repeated = false;
    int photos = 0;                     // the slip's photos now
    std::optional<Signature> signature; // the slip's signature now
};

// The texts of the refusals.
QString tooManyPhotos();   // "This slip has 10 photos already."
QString signedAlready();   // "The customer has signed this slip already."

// The caller's last word before anything is written (a request seen before is answered without it): a refusal,
// or nothing to go on.
using Check = std::function<std::optional<QString>()>;

// Adds a photo (the JPEG's bytes, checked as a picture by the caller) as the next "Photo NN.jpg". Refused at
// kMaxPhotos. Throws DiskError when it cannot be stored; what was stored before stays as it was.
Added addPhoto(const DataFolder &folder, const QString &account, qint16 slipNo, const QByteArray &jpeg,
               const QString &technician, const QDateTime &when, const QString &requestId, const Check &check = {});
// Keeps the customer's signature (a PNG's bytes) with the signer's name. A slip keeps one signature: another is
// refused. Throws DiskError as addPhoto.
Added addSignature(const DataFolder &folder, const QString &account, qint16 slipNo, const QByteArray &png,
                   const QString &signer, const QString &technician, const QDateTime &when,
                   const QString &requestId, const Check &check = {});

// The slips of an account that have photos or a signature kept (account use: they stay under its number).
int slipsWithMedia(const DataFolder &folder, const QString &account);

// -- For the data check: what is wrong in one slip's folder (relative path): a file the index does not list, a
// listed file missing or not as indexed, an index line that cannot be read. Empty when all is well.
struct Problem
{
    QString file; // relative to the data root, without the leading separator
    QString message;
};
std::vector<Problem> problems(const DataFolder &folder, const QString &slipFolder);
// Every slip folder under /AuxFiles (relative paths).
QStringList allFolders(const DataFolder &folder);

} // namespace SlipMedia
