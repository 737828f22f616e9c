#include "phone/phonecertificate.h"

#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QSaveFile>
#include <QSslCertificateExtension>
#include <QStandardPaths>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>

namespace {

template <typename T, void (*Free)(T *)> struct Deleter
{
    void operator()(T *p) const { Free(p); }
};
using KeyPtr = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using CertPtr = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using BioPtr = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;

QByteArray bioBytes(BIO *bio)
{
    char *data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    return QByteArray(data, int(length));
}

// subjectAltName text: "IP:192.168.1.10,DNS:localhost".
QByteArray altNames(const QStringList &addresses)
{
    QByteArrayList names;
    for (const QString &address : addresses) {
        if (QHostAddress(address).isNull())
            names << "DNS:" + address.toLatin1();
        else
            names << "IP:" + address.toLatin1();
    }
    if (names.isEmpty())
        names << "DNS:localhost";
    return names.join(',');
}

bool makePair(const QStringList &addresses, QByteArray &certPem, QByteArray &keyPem)
{
    KeyPtr key(EVP_EC_gen("P-256"));
    if (!key)
        return false;
    CertPtr cert(X509_new());
    if (!cert)
        return false;
    X509_set_version(cert.get(), 2);
    unsigned char serial[16];
    QFile random(QStringLiteral("/dev/urandom"));
    QByteArray bytes;
    if (random.open(QIODevice::ReadOnly))
        bytes = random.read(sizeof serial);
    if (bytes.size() != int(sizeof serial))
        return false;
    memcpy(serial, bytes.constData(), sizeof serial);
    serial[0] &= 0x7F;
    BIGNUM *bn = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(cert.get()));
    BN_free(bn);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
    // From an hour ago (a phone's clock a little behind) to within kValidDays of that.
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), (long(PhoneCertificate::kValidDays) * 24 - 2) * 3600);
    X509_set_pubkey(cert.get(), key.get());
    X509_NAME *name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char *>("VarnelDispatchDuzudu phone page"), -1, -1, 0);
    X509_set_issuer_name(cert.get(), name);

    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, cert.get(), cert.get(), nullptr, nullptr, 0);
    const QByteArray san = altNames(addresses);
    const std::pair<int, QByteArray> extensions[] = {
        {NID_subject_alt_name, san},
        // Its own authority, so that a phone can be told to trust it: Android installs only an authority's
        // certificate, and iOS offers full trust only to one.
        {NID_basic_constraints, "critical,CA:TRUE,pathlen:0"},
        {NID_key_usage, "critical,digitalSignature,keyCertSign"},
        {NID_ext_key_usage, "serverAuth"},
    };
    for (const auto &[nid, value] : extensions) {
        X509_EXTENSION *ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.constData());
        if (!ext)
            return false;
        X509_add_ext(cert.get(), ext, -1);
        X509_EXTENSION_free(ext);
    }
    if (X509_sign(cert.get(), key.get(), EVP_sha256()) <= 0)
        return false;

    BioPtr certBio(BIO_new(BIO_s_mem()));
    BioPtr keyBio(BIO_new(BIO_s_mem()));
    if (!PEM_write_bio_X509(certBio.get(), cert.get()) ||
        !PEM_write_bio_PrivateKey(keyBio.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr))
        return false;
    certPem = bioBytes(certBio.get());
    keyPem = bioBytes(keyBio.get());
    return true;
}

bool writeFile(const QString &path, const QByteArray &bytes, QFileDevice::Permissions permissions)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.setPermissions(permissions);
    file.write(bytes);
    return file.commit() && QFile::setPermissions(path, permissions);
}

bool namesAll(const QSslCertificate &certificate, const QStringList &addresses)
{
    const auto alternates = certificate.subjectAlternativeNames();
    for (const QString &address : addresses) {
        const QString normal = QHostAddress(address).isNull() ? address : QHostAddress(address).toString();
        if (!alternates.values(QSsl::IpAddressEntry).contains(normal) &&
            !alternates.values(QSsl::DnsEntry).contains(address))
            return false;
    }
    return true;
}

bool isAuthority(const QSslCertificate &certificate)
{
    for (const QSslCertificateExtension &extension : certificate.extensions()) {
        if (extension.name() == QLatin1String("basicConstraints"))
            return extension.value().toMap().value(QStringLiteral("ca")).toBool();
    }
    return false;
}

} // namespace

QString PhoneCertificate::fingerprint() const
{
    if (certificate.isNull())
        return {};
    return QString::fromLatin1(certificate.digest(QCryptographicHash::Sha256).toHex(':').toUpper());
}

QString PhoneCertificate::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/phone-page");
}

PhoneCertificate PhoneCertificate::loadOrMake(const QString &folder, const QStringList &addresses)
{
    PhoneCertificate result;
    const QString certPath = folder + QStringLiteral("/cert.pem");
    const QString keyPath = folder + QStringLiteral("/key.pem");
    QFile certFile(certPath);
    QFile keyFile(keyPath);
    if (certFile.open(QIODevice::ReadOnly) && keyFile.open(QIODevice::ReadOnly)) {
        result.certificate = QSslCertificate(certFile.readAll(), QSsl::Pem);
        result.key = QSslKey(keyFile.readAll(), QSsl::Ec, QSsl::Pem);
        const bool current =
            result.certificate.expiryDate() > QDateTime::currentDateTimeUtc().addDays(30) &&
            result.certificate.effectiveDate().secsTo(result.certificate.expiryDate()) <= kValidDays * 24 * 3600;
        if (result.isValid() && current && isAuthority(result.certificate) && namesAll(result.certificate, addresses))
            return result;
    }
    result = {};
    QByteArray certPem;
    QByteArray keyPem;
    if (!QDir().mkpath(folder)) {
        result.error = QStringLiteral("The folder %1 cannot be made.").arg(QDir::toNativeSeparators(folder));
        return result;
    }
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (!makePair(addresses, certPem, keyPem)) {
        result.error = QStringLiteral("The phone page's certificate could not be made.");
        return result;
    }
    if (!writeFile(keyPath, keyPem, QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        !writeFile(certPath, certPem,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                       QFileDevice::ReadOther)) {
        result.error = QStringLiteral("The phone page's certificate cannot be stored in %1.")
                           .arg(QDir::toNativeSeparators(folder));
        return result;
    }
    result.certificate = QSslCertificate(certPem, QSsl::Pem);
    result.key = QSslKey(keyPem, QSsl::Ec, QSsl::Pem);
    return result;
}
