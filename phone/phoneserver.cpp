#include "phone/phoneserver.h"

#include <QAbstractHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QNetworkInterface>
#include <QRegularExpression>
#include <QSettings>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <optional>

namespace {

const QString kStoreKey = QStringLiteral("VarnelDuzudu");
const QString kGroup = QStringLiteral("PhonePage/");

using Status = QHttpServerResponder::StatusCode;

// A listener that hands every new connection to the server's guard before the HTTP machinery reads from it.
template <typename Base> class GuardedListener : public Base
{
public:
    std::function<void(QTcpSocket *)> guard;
    QTcpSocket *nextPendingConnection() override
    {
        QTcpSocket *socket = Base::nextPendingConnection();
        if (socket && guard)
            guard(socket);
        return socket;
    }
};

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
        QHttpServerResponder responder = makeResponder(request, socket);
        write(responder, m_owner.answer(request));
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
{
    m_api.setOnStored(
        [this](const PhoneWork::Outcome &outcome, const QString &phone) { emit phoneChanged(outcome, phone); });
}

PhoneServer::~PhoneServer() = default;

bool PhoneServer::isListening() const
{
    return m_http && !m_http->servers().isEmpty() && m_http->servers().first()->isListening();
}

void PhoneServer::stop()
{
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

    QTcpServer *listener = nullptr;
    if (options.plainHttp) {
        auto *plain = new GuardedListener<QTcpServer>;
        plain->guard = [this](QTcpSocket *socket) { guard(socket); };
        listener = plain;
    } else {
        m_certificate = PhoneCertificate::loadOrMake(certificateFolder, names);
        if (!m_certificate.isValid()) {
            m_error = m_certificate.error;
            return false;
        }
        auto *secure = new GuardedListener<QSslServer>;
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setLocalCertificate(m_certificate.certificate);
        config.setPrivateKey(m_certificate.key);
        config.setPeerVerifyMode(QSslSocket::VerifyNone);
        config.setProtocol(QSsl::TlsV1_2OrLater);
        secure->setSslConfiguration(config);
        secure->guard = [this](QTcpSocket *socket) { guard(socket); };
        listener = secure;
    }
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
    // Connected before the HTTP machinery connects its own reader, so this runs first on every arrival.
    connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
        if (socket->property("vdRefused").toBool()) {
            socket->readAll();
            return;
        }
        const qint64 available = socket->bytesAvailable();
        const qint64 received = socket->property("vdReceived").toLongLong() + available;
        socket->setProperty("vdReceived", received);
        const QByteArray arrived = socket->peek(qMin<qint64>(available, kHeadLimit + kBodyLimit));
        int status = 0;
        static const QRegularExpression length(QStringLiteral("\r\ncontent-length:[ \t]*([0-9]+)"),
                                               QRegularExpression::CaseInsensitiveOption);
        const QString text = QString::fromLatin1(arrived);
        const auto match = length.match(text);
        if (match.hasMatch() && (match.capturedLength(1) > 9 || match.captured(1).toLongLong() > kBodyLimit))
            status = 413;
        else if (text.contains(QStringLiteral("\r\ntransfer-encoding:"), Qt::CaseInsensitive))
            status = 411;
        else if (received > kHeadLimit + kBodyLimit)
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

PhoneServer::Reply PhoneServer::answer(const QHttpServerRequest &request)
{
    QByteArray target = request.url().toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority);
    return m_api.answer({methodName(request.method()), request.url().path(QUrl::FullyEncoded).toLatin1(),
                         std::move(target), request.headers(), request.body(), addressText(request.remoteAddress())});
}
