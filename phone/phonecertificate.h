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
    // How long one is good for: no longer than phones accept for a server's certificate (iOS: 825 days). It is
    // made anew a month before it ends (to be installed again on the phones that trust it).
    static constexpr int kValidDays = 825;

    QSslCertificate certificate;
    QSslKey key;
    QString error; // why there is none

    bool isValid() const { return !certificate.isNull() && !key.isNull(); }
    // "AB:CD:..." of the SHA-256 of the certificate.
    QString fingerprint() const;

    // The certificate and key stored in `folder` (cert.pem, key.pem); when there are none, or they do not
    // name every one of `addresses`, or were made before it could be trusted on a phone (not its own authority,
    // or good for longer than kValidDays), a new pair (EC P-256) is made and stored, the key readable by the user
    // alone.
    static PhoneCertificate loadOrMake(const QString &folder, const QStringList &addresses);
    // Where the program keeps it: the user's configuration folder of the program.
    static QString defaultFolder();
};
