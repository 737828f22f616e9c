#pragma once

#include <QSslCertificate>
#include <QSslKey>
#include <QString>
#include <QStringList>

// The phone page's own certificate: self-signed, made once on the office computer and kept beside the
// program's settings (never in the data folder, which other computers may read). Phones are told its
// fingerprint when they are paired, so that the technician can compare it with the one the browser shows.
struct PhoneCertificate
{
    QSslCertificate certificate;
    QSslKey key;
    QString error; // why there is none

    bool isValid() const { return !certificate.isNull() && !key.isNull(); }
    // "AB:CD:..." of the SHA-256 of the certificate.
    QString fingerprint() const;

    // The certificate and key stored in `folder` (cert.pem, key.pem); when there are none, or they do not
    // name every one of `addresses`, a new pair (EC P-256, ten years) is made and stored, the key readable
    // by the user alone.
    static PhoneCertificate loadOrMake(const QString &folder, const QStringList &addresses);
    // Where the program keeps it: the user's configuration folder of the program.
    static QString defaultFolder();
};
