#pragma once

#include "phone/phoneapi.h"
#include "phone/phonecertificate.h"
#include "phone/phonework.h"

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
class PhoneListener;

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

// What the host allows a connection, beneath the HTTP machinery. A connection that takes longer than these times is
// closed; a new one past the caps first closes the one of that address (or of any address, past the total) that
// has waited longest without a request under way, and is itself refused when every one is in the middle of a
// request. New connections are refused while fewer than `fileReserve` file handles are left, so that the office's
// own saves always find theirs.
struct ConnectionLimits
{
    int handshakeMsecs = 5000; // from the connection to the end of the TLS handshake
    int requestMsecs = 5000;   // from a request's first byte to its last
    int idleMsecs = 15000;     // a connection kept open without a request
    int perAddress = 16;
    int total = 128; // well under the usual 1,024 file handles, and a few MB of memory at most
    int fileReserve = 64;
};

// The phone page's host: HTTPS (or plain HTTP when the office chose it) on the office network. It holds the
// connections to their limits (above), refuses a request that grows past the size limits before it is read whole,
// and hands every other request to the API (phone/phoneapi.h), which answers it and keeps the log.
class QThreadPool;

class PhoneServer : public QObject
{
    Q_OBJECT
public:
    static inline const QString kLog = PhoneApi::kLog;
    static constexpr qint64 kLogLimit = PhoneApi::kLogLimit;
    static constexpr int kBodyLimit = PhoneApi::kBodyLimit;
    static constexpr int kHeadLimit = 8192; // bytes of its request line and headers
    static constexpr int kFailuresAllowed = PhoneApi::kFailuresAllowed;
    static constexpr qint64 kBlockMsecs = PhoneApi::kBlockMsecs;
    static constexpr int kTextLimit = PhoneApi::kTextLimit;

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

    // Applies to connections made from now on (and to the deadlines of open ones as they move on).
    void setConnectionLimits(const ConnectionLimits &limits) { m_limits = limits; }
    const ConnectionLimits &connectionLimits() const { return m_limits; }
    // The connections open now, the TLS handshakes under way included.
    int openConnections() const;
    // Raises this process's soft limit of open files to its hard limit (done at every start).
    static void raiseFileLimit();

    // The time the failures are counted by, in milliseconds; a steady clock unless a test sets another.
    void setMsecsSource(std::function<qint64()> source) { m_api.setMsecsSource(std::move(source)); }

    using Reply = PhoneApi::Reply;
    // The headers every answer carries.
    static PhoneApi::Headers safeHeaders() { return PhoneApi::safeHeaders(); }

signals:
    // A phone's change was stored: the board (when open) takes it into its working copy.
    void phoneChanged(const PhoneWork::Outcome &outcome, const QString &phone);

private:
    friend class PhoneHttp;
    static PhoneApi::Request apiRequest(const QHttpServerRequest &request);
    void guard(QTcpSocket *socket);

    PhoneApi m_api;
    std::unique_ptr<PhoneHttp> m_http;
    PhoneListener *m_listener = nullptr; // owned by m_http
    ConnectionLimits m_limits;
    PhoneCertificate m_certificate;
    QString m_error;
    QString m_pageAddress;
    QString m_fingerprint;
    quint16 m_port = 0;
    // Where photos and signatures are checked and stored; last, so that it is gone (its work finished) before the
    // rest of the server.
    std::unique_ptr<QThreadPool> m_workers;
};
