#include "phone/phoneserver.h"

#include <QAbstractHttpServer>
#include <QElapsedTimer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QNetworkInterface>
#include <QPointer>
#include <QRegularExpression>
#include <QSettings>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThreadPool>
#include <QTimer>

#include <optional>

#include <algorithm>
#include <vector>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

const QString kStoreKey = QStringLiteral("VarnelDuzudu");
const QString kGroup = QStringLiteral("PhonePage/");

using Status = QHttpServerResponder::StatusCode;

// The address a request came from, an IPv4 address as such even when it arrived on an IPv6 socket.
QString addressText(const QHostAddress &address)
{
    bool ok = false;
    const quint32 v4 = address.toIPv4Address(&ok);
    return ok ? QHostAddress(v4).toString() : address.toString();
}

QByteArray methodName(QHttpServerRequest::Method method)
{
    switch (method) {
    case QHttpServerRequest::Method::Get:
        return "GET";
    case QHttpServerRequest::Method::Post:
        return "POST";
    case QHttpServerRequest::Method::Put:
        return "PUT";
    case QHttpServerRequest::Method::Delete:
        return "DELETE";
    case QHttpServerRequest::Method::Head:
        return "HEAD";
    case QHttpServerRequest::Method::Options:
        return "OPTIONS";
    case QHttpServerRequest::Method::Patch:
        return "PATCH";
    case QHttpServerRequest::Method::Connect:
        return "CONNECT";
    case QHttpServerRequest::Method::Trace:
        return "TRACE";
    default:
        return "?";
    }
}

} // namespace

// -- Options -------------------------------------------------------------------------------------------------

PhonePageOptions PhonePageOptions::load()
{
    QSettings store(QSettings::UserScope, QStringLiteral("Varnel"), kStoreKey);
    PhonePageOptions options;
    options.on = store.value(kGroup + QStringLiteral("on"), false).toBool();
    options.address = store.value(kGroup + QStringLiteral("address")).toString();
    options.port = parsePort(store.value(kGroup + QStringLiteral("port")).toString()).value_or(kDefaultPort);
    options.plainHttp = store.value(kGroup + QStringLiteral("plainHttp"), false).toBool();
    return options;
}

void PhonePageOptions::save() const
{
    QSettings store(QSettings::UserScope, QStringLiteral("Varnel"), kStoreKey);
    store.setValue(kGroup + QStringLiteral("on"), on);
    store.setValue(kGroup + QStringLiteral("address"), address);
    store.setValue(kGroup + QStringLiteral("port"), QString::number(port));
    store.setValue(kGroup + QStringLiteral("plainHttp"), plainHttp);
}

std::optional<quint16> PhonePageOptions::parsePort(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{4,5}$"));
    const QString trimmed = text.trimmed();
    if (!digits.match(trimmed).hasMatch())
        return std::nullopt;
    const int port = trimmed.toInt();
    if (port < 1024 || port > 65535)
        return std::nullopt;
    return quint16(port);
}

QStringList PhonePageOptions::officeAddresses()
{
    QStringList addresses;
    for (const QNetworkInterface &interface : QNetworkInterface::allInterfaces()) {
        const auto flags = interface.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning) ||
            (flags & QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry &entry : interface.addressEntries()) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
                addresses << entry.ip().toString();
        }
    }
    return addresses;
}

// -- The connections -------------------------------------------------------------------------------------------

// Takes every new connection before the HTTP machinery sees it: holds it to the limits, makes the TLS handshake
// itself (so that a connection that never finishes one takes no place among the pending ones and is closed at its
// deadline), and hands it on once it is ready for a request.
class PhoneListener final : public QTcpServer
{
public:
    PhoneListener(const ConnectionLimits &limits, std::optional<QSslConfiguration> tls,
                  std::function<void(QTcpSocket *)> guard)
        : m_limits(limits)
        , m_tls(std::move(tls))
        , m_guard(std::move(guard))
    {
        m_clock.start();
        setMaxPendingConnections(1 << 20); // the caps are the listener's own; the machinery takes each at once
        // Out of file handles the accepting stops; it is taken up again a moment later.
        connect(this, &QTcpServer::acceptError, this,
                [this] { QTimer::singleShot(1000, this, [this] { resumeAccepting(); }); });
    }

    ~PhoneListener() override
    {
        for (const Open &open : m_open)
            disconnect(open.socket, nullptr, this, nullptr);
    }

    int count() const { return int(m_open.size()); }

    // A request was answered: the connection waits for the next one.
    void answered(QTcpSocket *socket) { enter(socket, Phase::Waiting); }

protected:
    void incomingConnection(qintptr handle) override
    {
        const QString from = addressOf(handle);
        if (nearFileLimit(handle) || !makeRoom(from)) {
#ifdef Q_OS_UNIX
            ::close(int(handle));
#endif
            return;
        }
        QTcpSocket *socket = m_tls ? new QSslSocket(this) : new QTcpSocket(this);
        if (!socket->setSocketDescriptor(handle)) {
            delete socket;
#ifdef Q_OS_UNIX
            ::close(int(handle));
#endif
            return;
        }
        m_open.push_back({socket, from, Phase::Waiting, 0, new QTimer(socket)});
        Open &open = m_open.back();
        open.deadline->setSingleShot(true);
        connect(open.deadline, &QTimer::timeout, this, [this, socket] { drop(socket); });
        connect(socket, &QObject::destroyed, this, [this, socket] { forget(socket); });
        connect(socket, &QAbstractSocket::disconnected, this, [this, socket] {
            forget(socket);
            socket->deleteLater();
        });
        // Connected before the HTTP machinery connects its own reader, so these run first on every arrival.
        connect(socket, &QIODevice::readyRead, this, [this, socket] {
            if (const Open *open = find(socket); open && open->phase == Phase::Waiting)
                enter(socket, Phase::Reading);
        });
        if (m_guard)
            m_guard(socket);
        if (!m_tls) {
            enter(socket, Phase::Waiting);
            addPendingConnection(socket);
            return;
        }
        auto *tls = static_cast<QSslSocket *>(socket);
        enter(socket, Phase::Handshake);
        connect(tls, &QSslSocket::encrypted, this, [this, tls] {
            enter(tls, Phase::Waiting);
            addPendingConnection(tls);
        });
        connect(tls, &QAbstractSocket::errorOccurred, this, [this, tls] {
            if (const Open *open = find(tls); open && open->phase == Phase::Handshake)
                drop(tls);
        });
        tls->setSslConfiguration(*m_tls);
        tls->startServerEncryption();
    }

private:
    enum class Phase { Handshake, Waiting, Reading };
    struct Open
    {
        QTcpSocket *socket;
        QString from;
        Phase phase;
        qint64 since; // when it entered its phase
        QTimer *deadline;
    };

    Open *find(QTcpSocket *socket)
    {
        const auto it =
            std::find_if(m_open.begin(), m_open.end(), [socket](const Open &o) { return o.socket == socket; });
        return it == m_open.end() ? nullptr : &*it;
    }

    void enter(QTcpSocket *socket, Phase phase)
    {
        Open *open = find(socket);
        if (!open)
            return;
        open->phase = phase;
        open->since = m_clock.elapsed();
        open->deadline->start(phase == Phase::Handshake ? m_limits.handshakeMsecs
                              : phase == Phase::Reading ? m_limits.requestMsecs
                                                        : m_limits.idleMsecs);
    }

    void forget(QTcpSocket *socket)
    {
        std::erase_if(m_open, [socket](const Open &o) { return o.socket == socket; });
    }

    // Closed at once, its file handle given back; the HTTP machinery lets go of it as of any closed connection.
    void drop(QTcpSocket *socket)
    {
        forget(socket);
        socket->abort();
        socket->deleteLater();
    }

    // Room for one more connection from `from`: the one that has waited longest without a request under way is
    // closed, first among `from`'s own when it holds its share, then among all when they are at the total.
    bool makeRoom(const QString &from)
    {
        auto evict = [this](bool sameAddress, const QString &address) {
            Open *oldest = nullptr;
            for (Open &o : m_open) {
                if (o.phase != Phase::Reading && (!sameAddress || o.from == address) &&
                    (!oldest || o.since < oldest->since))
                    oldest = &o;
            }
            if (!oldest)
                return false;
            drop(oldest->socket);
            return true;
        };
        const auto own = std::count_if(m_open.begin(), m_open.end(), [&](const Open &o) { return o.from == from; });
        if (own >= m_limits.perAddress && !evict(true, from))
            return false;
        if (int(m_open.size()) >= m_limits.total && !evict(false, {}))
            return false;
        return true;
    }

    // Accepted handles are the lowest free ones: one this high leaves fewer than the reserve free below the limit.
    bool nearFileLimit(qintptr handle) const
    {
#ifdef Q_OS_UNIX
        rlimit limit{};
        if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
            return false;
        return rlim_t(handle) + rlim_t(m_limits.fileReserve) >= limit.rlim_cur;
#else
        Q_UNUSED(handle);
        return false;
#endif
    }

    static QString addressOf(qintptr handle)
    {
#ifdef Q_OS_UNIX
        sockaddr_storage peer{};
        socklen_t size = sizeof peer;
        if (::getpeername(int(handle), reinterpret_cast<sockaddr *>(&peer), &size) == 0) {
            QHostAddress address(reinterpret_cast<sockaddr *>(&peer));
            return addressText(address);
        }
#else
        Q_UNUSED(handle);
#endif
        return {};
    }

    const ConnectionLimits &m_limits;
    std::optional<QSslConfiguration> m_tls;
    std::function<void(QTcpSocket *)> m_guard;
    std::vector<Open> m_open;
    QElapsedTimer m_clock;
};

// -- The HTTP machinery ----------------------------------------------------------------------------------------

class PhoneHttp final : public QAbstractHttpServer
{
public:
    explicit PhoneHttp(PhoneServer &owner)
        : m_owner(owner)
    {}

    static void write(QHttpServerResponder &responder, const PhoneServer::Reply &reply)
    {
        responder.writeStatusLine(Status(reply.status));
        for (const auto &[key, value] : PhoneServer::safeHeaders())
            responder.writeHeader(key, value);
        for (const auto &[key, value] : reply.headers)
            responder.writeHeader(key, value);
        if (!reply.contentType.isEmpty())
            responder.writeHeader("Content-Type", reply.contentType);
        responder.writeHeader("Content-Length", QByteArray::number(reply.body.size()));
        responder.writeBody(reply.body);
    }

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override
    {
        socket->setProperty("vdReceived", 0);
        socket->setProperty("vdLineEnded", false);
        socket->setProperty("vdBodyLimit", QVariant());
        QHttpServerResponder responder = makeResponder(request, socket);
        const PhoneApi::Request asked = m_owner.apiRequest(request);
        PhoneApi::Pending pending = m_owner.m_api.begin(asked);
        if (pending.now) {
            write(responder, m_owner.m_api.finish(asked, std::move(*pending.now)));
            if (m_owner.m_listener)
                m_owner.m_listener->answered(socket);
            return true;
        }
        // A picture is checked and stored on a worker thread, so that the other phones' requests are answered
        // meanwhile; the answer is written here once it is known, if the phone is still connected.
        auto kept = std::make_shared<QHttpServerResponder>(std::move(responder));
        PhoneServer *owner = &m_owner;
        m_owner.m_workers->start([owner, kept, asked, alive = QPointer<QTcpSocket>(socket),
                                  later = std::move(pending.later)] {
            PhoneApi::Reply reply = later();
            QMetaObject::invokeMethod(
                owner,
                [owner, kept, asked, alive, reply = std::move(reply)]() mutable {
                    reply = owner->m_api.finish(asked, std::move(reply));
                    if (!alive)
                        return;
                    write(*kept, reply);
                    if (owner->m_listener)
                        owner->m_listener->answered(alive);
                },
                Qt::QueuedConnection);
        });
        return true;
    }
    void missingHandler(const QHttpServerRequest &, QTcpSocket *) override {}

private:
    PhoneServer &m_owner;
};

// -- The server -------------------------------------------------------------------------------------------------

PhoneServer::PhoneServer(const DataFolder &folder, const Settings &settings, const Clock &clock, PhoneTokens &tokens,
                         QObject *parent)
    : QObject(parent)
    , m_api(folder, settings, clock, tokens)
    , m_workers(std::make_unique<QThreadPool>())
{
    m_workers->setMaxThreadCount(1); // one store at a time anyway; the other core stays with the office
    m_api.setOnStored(
        [this](const PhoneWork::Outcome &outcome, const QString &phone) { emit phoneChanged(outcome, phone); });
}

PhoneServer::~PhoneServer() = default;

bool PhoneServer::isListening() const
{
    return m_http && !m_http->servers().isEmpty() && m_http->servers().first()->isListening();
}

int PhoneServer::openConnections() const
{
    return m_listener ? m_listener->count() : 0;
}

void PhoneServer::raiseFileLimit()
{
#ifdef Q_OS_UNIX
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit); // when refused, the reserve still keeps the office's files their handles
    }
#endif
}

void PhoneServer::stop()
{
    m_listener = nullptr;
    m_http.reset(); // its listener and every open connection go with it
    m_pageAddress.clear();
    m_fingerprint.clear();
    m_port = 0;
    m_api.forgetDays();
}

bool PhoneServer::start(const PhonePageOptions &options, const QString &certificateFolder)
{
    stop();
    m_error.clear();
    const QHostAddress host =
        options.address.isEmpty() ? QHostAddress(QHostAddress::Any) : QHostAddress(options.address);
    if (host.isNull()) {
        m_error = QStringLiteral("%1 is not an address of this computer.").arg(options.address);
        return false;
    }
    QStringList names = options.address.isEmpty() ? PhonePageOptions::officeAddresses() : QStringList{options.address};
    const QString shownHost = names.isEmpty() ? QStringLiteral("127.0.0.1") : names.first();
    if (options.address.isEmpty())
        names << QStringLiteral("127.0.0.1");

    std::optional<QSslConfiguration> tls;
    if (!options.plainHttp) {
        m_certificate = PhoneCertificate::loadOrMake(certificateFolder, names);
        if (!m_certificate.isValid()) {
            m_error = m_certificate.error;
            return false;
        }
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setLocalCertificate(m_certificate.certificate);
        config.setPrivateKey(m_certificate.key);
        config.setPeerVerifyMode(QSslSocket::VerifyNone);
        config.setProtocol(QSsl::TlsV1_2OrLater);
        tls = config;
    }
    raiseFileLimit();
    auto *listener = new PhoneListener(m_limits, std::move(tls), [this](QTcpSocket *socket) { guard(socket); });
    if (!listener->listen(host, options.port)) {
        if (listener->serverError() == QAbstractSocket::AddressInUseError)
            m_error = QStringLiteral("Port %1 is already in use by another program. Choose another port for the "
                                     "phone page on the setup screen.")
                          .arg(options.port);
        else
            m_error = QStringLiteral("The phone page cannot be served on %1, port %2: %3")
                          .arg(host.toString())
                          .arg(options.port)
                          .arg(listener->errorString());
        delete listener;
        return false;
    }
    m_http = std::make_unique<PhoneHttp>(*this);
    listener->setParent(m_http.get());
    m_http->bind(listener);
    m_listener = listener;
    m_port = listener->serverPort();
    m_pageAddress = QStringLiteral("%1://%2:%3")
                        .arg(options.plainHttp ? QStringLiteral("http") : QStringLiteral("https"), shownHost)
                        .arg(m_port);
    m_fingerprint = options.plainHttp ? QString() : m_certificate.fingerprint();
    return true;
}

// Refuses a request that grows past the limits before the HTTP machinery has read it whole: a body announced
// larger than the limit, a body sent in chunks (no length given), or more bytes without a complete request than
// a request line, headers and body may hold. The connection is answered and then closed.
void PhoneServer::guard(QTcpSocket *socket)
{
    socket->setProperty("vdReceived", 0);
    // Connected before the HTTP machinery connects its own reader (the listener calls it first), so this runs
    // first on every arrival.
    connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
        if (socket->property("vdRefused").toBool()) {
            socket->readAll();
            return;
        }
        const qint64 available = socket->bytesAvailable();
        const qint64 received = socket->property("vdReceived").toLongLong() + available;
        socket->setProperty("vdReceived", received);
        // The body limit is the route's, known from the request line at the start of a request.
        if (!socket->property("vdBodyLimit").isValid()) {
            const QByteArray line = socket->peek(qMin<qint64>(available, 300));
            const qsizetype pathStart = line.indexOf(' ') + 1;
            const qsizetype pathEnd = line.indexOf(' ', pathStart);
            socket->setProperty("vdBodyLimit", pathStart > 0 && pathEnd > pathStart && line.startsWith("POST ")
                                                   ? PhoneApi::bodyLimitOf(line.mid(pathStart, pathEnd - pathStart))
                                                   : kBodyLimit);
        }
        const qint64 bodyLimit = socket->property("vdBodyLimit").toLongLong();
        const QByteArray arrived = socket->peek(qMin<qint64>(available, kHeadLimit + kBodyLimit));
        int status = 0;
        static const QRegularExpression length(QStringLiteral("\r\ncontent-length:[ \t]*([0-9]+)"),
                                               QRegularExpression::CaseInsensitiveOption);
        const QString text = QString::fromLatin1(arrived);
        const auto match = length.match(text);
        if (match.hasMatch() && (match.capturedLength(1) > 9 || match.captured(1).toLongLong() > bodyLimit))
            status = 413;
        else if (text.contains(QStringLiteral("\r\ntransfer-encoding:"), Qt::CaseInsensitive))
            status = 411;
        else if (received > kHeadLimit + bodyLimit)
            status = socket->property("vdLineEnded").toBool() || arrived.contains("\r\n") ? 413 : 414;
        if (arrived.contains("\r\n"))
            socket->setProperty("vdLineEnded", true);
        if (!status)
            return;
        const qsizetype lineEnd = arrived.indexOf(' ', arrived.indexOf(' ') + 1);
        const QByteArray line = arrived.left(lineEnd < 0 ? 300 : qMin<qsizetype>(lineEnd, 300));
        const qsizetype space = line.indexOf(' ');
        m_api.log(addressText(socket->peerAddress()), space < 0 ? QByteArray("?") : line.left(space),
                  PhoneApi::loggable(space < 0 ? line : line.mid(space + 1)), status,
                  QStringLiteral("request too large"));
        socket->readAll();
        socket->setProperty("vdRefused", true);
        QByteArray reply = "HTTP/1.1 " + QByteArray::number(status) + ' ' + PhoneApi::statusText(status) + "\r\n";
        for (const auto &[key, value] : safeHeaders())
            reply += key + ": " + value + "\r\n";
        reply += "Content-Length: 0\r\nConnection: close\r\n\r\n";
        socket->write(reply);
        // Closed a moment later, reading what still arrives meanwhile, so that the answer is not lost to a reset.
        QTimer::singleShot(300, socket, [socket] { socket->disconnectFromHost(); });
    });
}

PhoneApi::Request PhoneServer::apiRequest(const QHttpServerRequest &request)
{
    QByteArray target = request.url().toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority);
    return {methodName(request.method()), request.url().path(QUrl::FullyEncoded).toLatin1(),
            std::move(target), request.headers(), request.body(), addressText(request.remoteAddress())};
}
