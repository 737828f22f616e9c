#pragma once

#include "phone/phonework.h"
#include "phone/phonecertificate.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class Clock;
class DataFolder;
class PhoneTokens;
class QHttpServerRequest;
class QTcpSocket;
class Settings;
class PhoneHttp;

// How the office serves the phone page: kept in the user's settings store of this computer (the addresses
// and the certificate belong to this computer, not to the data folder).
struct PhonePageOptions
{
    static constexpr quint16 kDefaultPort = 8443;

    bool on = false;
    QString address; // one of the office network's addresses; empty: all of them
    quint16 port = kDefaultPort;
    bool plainHttp = false;

    static PhonePageOptions load();
    void save() const;
    // The port as typed: a whole number from 1024 to 65535, else nothing.
    static std::optional<quint16> parsePort(const QString &text);
    // This computer's addresses on the office network (IPv4, up, not the loopback), for the address choice.
    static QStringList officeAddresses();
};

// The phone page's server: HTTPS (or plain HTTP when the office chose it) on the office network, answering
// only its own paths: the page, its script and style, and the technician's day and changes under /api. Every
// /api request but the pairing carries a paired phone's token; a phone sees and changes only its technician's
// slips. Wrong tokens and codes are counted per address and, past a limit, the address is refused for a
// while. Every refused request is written to the server's log in the data folder.
class PhoneServer : public QObject
{
    Q_OBJECT
public:
    static inline const QString kLog = QStringLiteral("/PhoneServer.log");
    static constexpr qint64 kLogLimit = 512 * 1024; // then the log moves to PhoneServer.log.old
    static constexpr int kBodyLimit = 4096;         // bytes of a request's body
    static constexpr int kHeadLimit = 8192;         // bytes of its request line and headers
    static constexpr int kFailuresAllowed = 10;     // wrong tokens or codes a minute from one address
    static constexpr qint64 kBlockMsecs = 60 * 1000;
    static constexpr int kTextLimit = 200; // characters of a note or a reason

    PhoneServer(const DataFolder &folder, const Settings &settings, const Clock &clock, PhoneTokens &tokens,
                QObject *parent = nullptr);
    ~PhoneServer() override;

    // Starts listening as the options say (stopping first when it runs); false with error() when it cannot:
    // the port in use, no certificate. The certificate is kept in `certificateFolder`.
    bool start(const PhonePageOptions &options, const QString &certificateFolder = PhoneCertificate::defaultFolder());
    void stop();
    bool isListening() const;
    QString error() const { return m_error; }
    quint16 port() const { return m_port; }
    // "https://192.168.1.10:8443" while listening (the page is its "/"), else empty.
    QString pageAddress() const { return m_pageAddress; }
    // The certificate's SHA-256 fingerprint while serving HTTPS, else empty.
    QString fingerprint() const { return m_fingerprint; }
    QSslCertificate certificate() const { return m_certificate.certificate; }

    // The time the failures are counted by, in milliseconds; a steady clock unless a test sets another.
    void setMsecsSource(std::function<qint64()> source) { m_msecs = std::move(source); }

    // One answer, as the server writes it (the page's and the tests' view of a request).
    struct Reply
    {
        int status = 200;
        QByteArray body;
        QByteArray contentType;
        QList<QPair<QByteArray, QByteArray>> headers; // beyond the ones every answer carries
        QString note;                                 // why it was refused, for the log
    };
    // The headers every answer carries.
    static QList<QPair<QByteArray, QByteArray>> safeHeaders();

signals:
    // A phone's change was stored: the board (when open) takes it into its working copy.
    void phoneChanged(const PhoneWork::Outcome &outcome, const QString &phone);

private:
    friend class PhoneHttp;
    Reply answer(const QHttpServerRequest &request);
    Reply route(const QHttpServerRequest &request, const QString &from);
    Reply pair(const QHttpServerRequest &request, const QString &from);
    Reply day(const QHttpServerRequest &request, const QString &technician);
    Reply change(const QHttpServerRequest &request, const QString &phoneLabel, const QString &technician, qint16 slipNo,
                 PhoneWork::Action action);
    Reply failed(const QString &from, int status, const QString &note);
    QByteArray dayJson(const QString &technician);
    bool blocked(const QString &from);
    void countFailure(const QString &from);
    void log(const QString &from, const QByteArray &method, const QString &path, int status, const QString &note);
    void guard(QTcpSocket *socket);

    const DataFolder &m_folder;
    const Settings &m_settings;
    const Clock &m_clock;
    PhoneTokens &m_tokens;
    std::unique_ptr<PhoneHttp> m_http;
    PhoneCertificate m_certificate;
    QString m_error;
    QString m_pageAddress;
    QString m_fingerprint;
    quint16 m_port = 0;
    std::function<qint64()> m_msecs;

    struct Failures
    {
        QList<qint64> times;
        qint64 blockedUntil = 0;
    };
    QHash<QString, Failures> m_failures;

    // The day of a technician as last served, kept while the files it came from are unchanged.
    struct DayCache
    {
        QByteArray stamp;
        QByteArray json;
        qint64 made = 0;
    };
    QHash<QString, DayCache> m_days;
    QByteArray filesStamp() const;
};
