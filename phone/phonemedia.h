#pragma once

#include "dispatch/slipmedia.h"

#include <QByteArray>
#include <QString>

class Clock;
class DataFolder;

// What a technician's phone adds to a slip besides its status: photos and the customer's signature. Only the
// slip's own technician may add, and only while the slip is not complete; the files are kept by SlipMedia.
namespace PhoneMedia {

struct Upload
{
    QString technician; // whose phone sends it
    qint16 slipNo = 0;
    QByteArray bytes; // the JPEG or the PNG
    QString signer;   // the customer's name typed beside the signature
    QString id;       // the page's id of the request: the same id again stores nothing more
};

QString completeNoPhotos();    // "This slip is complete; it takes no more pictures."
QString completeNoSignature(); // "This slip is complete; it takes no signature now."

// Stores the photo or the signature after `check` (the picture's test) passes; a request seen before is answered
// as the first time without the test. A slip that is missing or another technician's is refused with the words
// the status changes use. One store at a time, from any thread. Throws DiskError when the files cannot be written.
SlipMedia::Added addPhoto(const DataFolder &folder, const Clock &clock, const Upload &upload,
                          const SlipMedia::Check &check);
SlipMedia::Added addSignature(const DataFolder &folder, const Clock &clock, const Upload &upload,
                              const SlipMedia::Check &check);

} // namespace PhoneMedia
