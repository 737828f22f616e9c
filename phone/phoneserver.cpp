#include "phone/phoneserver.h"

#include "accounts/customerfile.h"
#include "phone/phonetokens.h"
#include "core/clock.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "core/settings.h"
#include "core/validation.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"

#include <QAbstractHttpServer>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkInterface>
#include <QRegularExpression>
#include <QSettings>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <optional>

using namespace Validation;
using Formats::shortDate;
using Formats::weekdayName;

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

QByteArray statusText(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 304:
        return "Not Modified";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 409:
        return "Conflict";
    case 411:
        return "Length Required";
    case 413:
        return "Payload Too Large";
    case 414:
        return "URI Too Long";
    case 429:
        return "Too Many Requests";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Error";
    }
}

QByteArray jsonError(const QString &text)
{
    return QJsonDocument(QJsonObject{{QStringLiteral("error"), text}}).toJson(QJsonDocument::Compact);
}

// The address a request came from, an IPv4 address as such even when it arrived on an IPv6 socket.
QString addressText(const QHostAddress &address)
{
    bool ok = false;
    const quint32 v4 = address.toIPv4Address(&ok);
    return ok ? QHostAddress(v4).toString() : address.toString();
}

// A path as the log shows it: printable ASCII only, cut short.
QString loggable(const QByteArray &raw)
{
    QString text;
    for (const char c : raw.left(200))
        text += (c >= 0x20 && c < 0x7F) ? QChar::fromLatin1(c) : QLatin1Char('?');
    if (raw.size() > 200)
        text += QStringLiteral("...(%1 bytes)").arg(raw.size());
    return text;
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

QByteArray header(const QHttpServerRequest &request, const QByteArray &name)
{
    for (const auto &[key, value] : request.headers()) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

// A note or reason as the windows would let it be typed: line breaks and tabs become blanks; other control
// characters, the double quote and characters the data files cannot hold are refused.
std::optional<QString> refusedText(QString &text)
{
    int position = 0;
    flattenLines(text, position);
    text = text.trimmed();
    if (text.size() > PhoneServer::kTextLimit)
        return QStringLiteral("The text is longer than %1 characters.").arg(PhoneServer::kTextLimit);
    for (const QChar ch : text) {
        const KeyVerdict verdict = quoteKeyFilter(text, ch, false);
        if (!verdict.accepted)
            return verdict.notice.text.isEmpty() ? QStringLiteral("The double quote cannot be stored.")
                                                 : verdict.notice.text;
    }
    if (const auto notice = unstorableText(text))
        return notice->text;
    return std::nullopt;
}

bool tokenShaped(const QByteArray &token)
{
    static const QRegularExpression shape(QStringLiteral("^[A-Za-z0-9._~+/=-]{16,256}$"));
    return shape.match(QString::fromLatin1(token)).hasMatch();
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
    , m_folder(folder)
    , m_settings(settings)
    , m_clock(clock)
    , m_tokens(tokens)
{
    Q_INIT_RESOURCE(phonepage);
    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    m_msecs = [timer] { return timer->elapsed() + kBlockMsecs; };
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
    m_days.clear();
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

QList<QPair<QByteArray, QByteArray>> PhoneServer::safeHeaders()
{
    return {
        {"Cache-Control", "no-store"},
        {"X-Content-Type-Options", "nosniff"},
        {"Content-Security-Policy",
         "default-src 'self'; img-src 'self' data:; object-src 'none'; base-uri 'none'; form-action 'none'; "
         "frame-ancestors 'none'"},
        {"X-Frame-Options", "DENY"},
        {"Referrer-Policy", "no-referrer"},
    };
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
        log(addressText(socket->peerAddress()), space < 0 ? QByteArray("?") : line.left(space),
            loggable(space < 0 ? line : line.mid(space + 1)), status, QStringLiteral("request too large"));
        socket->readAll();
        socket->setProperty("vdRefused", true);
        QByteArray reply = "HTTP/1.1 " + QByteArray::number(status) + ' ' + statusText(status) + "\r\n";
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
    const QString from = addressText(request.remoteAddress());
    Reply reply;
    try {
        reply = route(request, from);
    } catch (const std::exception &error) { // never out into the event loop: the office's program goes on
        reply = {500,
                 jsonError(QStringLiteral("The office could not answer.")),
                 "application/json",
                 {},
                 QString::fromStdString(error.what())};
    }
    if (reply.status >= 400)
        log(from, methodName(request.method()),
            loggable(request.url().toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority)), reply.status, reply.note);
    return reply;
}

PhoneServer::Reply PhoneServer::route(const QHttpServerRequest &request, const QString &from)
{
    const QByteArray path = request.url().path(QUrl::FullyEncoded).toLatin1();
    const bool get = request.method() == QHttpServerRequest::Method::Get;
    const bool post = request.method() == QHttpServerRequest::Method::Post;
    auto wrongMethod = [](const QByteArray &allowed) {
        Reply reply{405, {}, {}, {{"Allow", allowed}}, QStringLiteral("wrong method")};
        return reply;
    };

    static const QHash<QByteArray, std::pair<QString, QByteArray>> files = {
        {"/", {QStringLiteral(":/phonepage/index.html"), "text/html; charset=utf-8"}},
        {"/app.js", {QStringLiteral(":/phonepage/app.js"), "text/javascript; charset=utf-8"}},
        {"/app.css", {QStringLiteral(":/phonepage/app.css"), "text/css; charset=utf-8"}},
        {"/icon.svg", {QStringLiteral(":/phonepage/icon.svg"), "image/svg+xml"}},
    };
    if (const auto file = files.constFind(path); file != files.constEnd()) {
        if (!get)
            return wrongMethod("GET");
        QFile resource(file->first);
        resource.open(QIODevice::ReadOnly);
        return {200, resource.readAll(), file->second, {}, {}};
    }

    static const QRegularExpression slipPath(
        QStringLiteral("^/api/slip/([1-9][0-9]{0,4})/(start|complete|cantfinish)$"));
    const auto slipMatch = slipPath.match(QString::fromLatin1(path));
    const bool known = path == "/api/pair" || path == "/api/day" || slipMatch.hasMatch();
    if (!known)
        return {404, {}, {}, {}, QStringLiteral("no such page")};
    if (path == "/api/day" ? !get : !post)
        return wrongMethod(path == "/api/day" ? "GET" : "POST");
    if (blocked(from))
        return {429,
                jsonError(QStringLiteral("Too many wrong codes from this phone. Try again in a minute.")),
                "application/json",
                {{"Retry-After", "60"}},
                QStringLiteral("address refused for a while")};
    if (request.body().size() > kBodyLimit)
        return {413, {}, {}, {}, QStringLiteral("request too large")};
    if (path == "/api/pair")
        return pair(request, from);

    const QByteArray authorization = header(request, "Authorization");
    const QByteArray token = authorization.startsWith("Bearer ") ? authorization.mid(7).trimmed() : QByteArray();
    std::optional<PhoneTokens::Phone> phone;
    if (tokenShaped(token))
        phone = m_tokens.check(QString::fromLatin1(token));
    if (!phone) {
        countFailure(from);
        return {401,
                jsonError(QStringLiteral("This phone is not paired with the office.")),
                "application/json",
                {},
                token.isEmpty() ? QStringLiteral("no token") : QStringLiteral("wrong token")};
    }
    const QString label = phone->label.isEmpty() ? phone->id : phone->label;
    if (path == "/api/day")
        return day(request, phone->technician);

    const qint16 slipNo = qint16(slipMatch.captured(1).toInt());
    const QString verb = slipMatch.captured(2);
    if (slipMatch.captured(1).toInt() > 32767)
        return {404, {}, {}, {}, QStringLiteral("no such slip")};
    const PhoneWork::Action action = verb == QLatin1String("start")      ? PhoneWork::Action::Start
                                     : verb == QLatin1String("complete") ? PhoneWork::Action::Complete
                                                                         : PhoneWork::Action::CantFinish;
    return change(request, label, phone->technician, slipNo, action);
}

PhoneServer::Reply PhoneServer::pair(const QHttpServerRequest &request, const QString &from)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(request.body(), &error);
    const QJsonValue code = document.object().value(QStringLiteral("code"));
    if (error.error != QJsonParseError::NoError || !document.isObject() || document.object().size() != 1 ||
        !code.isString() || code.toString().size() > 32)
        return {400,
                jsonError(QStringLiteral("The request is not understood.")),
                "application/json",
                {},
                QStringLiteral("malformed pairing")};
    const auto token = m_tokens.redeem(code.toString().trimmed());
    if (!token) {
        countFailure(from);
        return {401,
                jsonError(QStringLiteral("This code is not valid. Ask the office for a new one.")),
                "application/json",
                {},
                QStringLiteral("wrong code")};
    }
    log(from, "POST", QStringLiteral("/api/pair"), 200, QStringLiteral("phone paired"));
    return {200,
            QJsonDocument(QJsonObject{{QStringLiteral("token"), *token}}).toJson(QJsonDocument::Compact),
            "application/json",
            {},
            {}};
}

QByteArray PhoneServer::filesStamp() const
{
    QByteArray stamp =
        QByteArray::number(int(m_settings.workWeek)) + ' ' + m_clock.today().toString(Qt::ISODate).toLatin1();
    for (const QString &file : {SlipFiles::kActive, CustomerFile::kPath}) {
        const QFileInfo info(m_folder.path(file));
        stamp += ' ' + QByteArray::number(info.size()) + ':' +
                 QByteArray::number(info.lastModified().toMSecsSinceEpoch()) + ':' +
                 QByteArray::number(info.birthTime().toMSecsSinceEpoch());
    }
    return stamp;
}

QByteArray PhoneServer::dayJson(const QString &technician)
{
    const QByteArray stamp = filesStamp();
    const qint64 now = m_msecs();
    DayCache &cached = m_days[technician];
    // Kept while the files are unchanged, and never longer than half a minute in case a change went unseen.
    if (cached.stamp == stamp && now - cached.made < 30 * 1000)
        return cached.json;

    const QDate today = m_clock.today();
    const QDate next = nextWorkday(m_settings.workWeek, today.addDays(1));
    QJsonArray todays;
    QJsonArray nexts;
    for (const PhoneWork::PhoneSlip &slip : PhoneWork::technicianDay(m_folder, m_settings, today, technician)) {
        const QJsonObject item{
            {QStringLiteral("slip"), int(slip.slipNo)},
            {QStringLiteral("time"), slip.time},
            {QStringLiteral("status"), slip.status},
            {QStringLiteral("customer"), slip.customer},
            {QStringLiteral("address"), slip.address},
            {QStringLiteral("telephone"), slip.telephone},
            {QStringLiteral("cell"), slip.cell},
            {QStringLiteral("services"), slip.services},
            {QStringLiteral("date"), shortDate(slip.date)},
        };
        (slip.date == today ? todays : nexts).append(item);
    }
    const QJsonArray days{
        QJsonObject{{QStringLiteral("title"), QStringLiteral("Today, %1 %2").arg(weekdayName(today), shortDate(today))},
                    {QStringLiteral("slips"), todays}},
        QJsonObject{{QStringLiteral("title"), QStringLiteral("%1 %2").arg(weekdayName(next), shortDate(next))},
                    {QStringLiteral("slips"), nexts}},
    };
    cached.json = QJsonDocument(QJsonObject{{QStringLiteral("technician"), technician}, {QStringLiteral("days"), days}})
                      .toJson(QJsonDocument::Compact);
    cached.stamp = stamp;
    cached.made = now;
    return cached.json;
}

PhoneServer::Reply PhoneServer::day(const QHttpServerRequest &request, const QString &technician)
{
    const QByteArray json = dayJson(technician);
    const QByteArray tag = '"' + QCryptographicHash::hash(json, QCryptographicHash::Sha1).toHex().left(20) + '"';
    if (header(request, "If-None-Match") == tag)
        return {304, {}, {}, {{"ETag", tag}}, {}};
    return {200, json, "application/json", {{"ETag", tag}}, {}};
}

PhoneServer::Reply PhoneServer::change(const QHttpServerRequest &request, const QString &phoneLabel,
                                       const QString &technician, qint16 slipNo, PhoneWork::Action action)
{
    const QString field = action == PhoneWork::Action::Complete     ? QStringLiteral("note")
                          : action == PhoneWork::Action::CantFinish ? QStringLiteral("reason")
                                                                    : QString();
    QJsonObject object;
    if (!request.body().trimmed().isEmpty()) {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(request.body(), &error);
        if (error.error != QJsonParseError::NoError || !document.isObject())
            return {400,
                    jsonError(QStringLiteral("The request is not understood.")),
                    "application/json",
                    {},
                    QStringLiteral("malformed JSON")};
        object = document.object();
    }
    const bool extraFields = object.size() > (object.contains(field) ? 1 : 0);
    if (extraFields || (object.contains(field) && !object.value(field).isString()))
        return {400,
                jsonError(QStringLiteral("The request is not understood.")),
                "application/json",
                {},
                QStringLiteral("wrong fields")};
    QString text = object.value(field).toString();
    if (const auto refusal = refusedText(text))
        return {400, jsonError(*refusal), "application/json", {}, QStringLiteral("text refused")};

    PhoneWork::Outcome outcome;
    try {
        outcome = PhoneWork::store(m_folder, m_clock, {technician, slipNo, action, text, phoneLabel});
    } catch (const DiskError &error) {
        return {503,
                jsonError(QStringLiteral("The office could not store the change: ") + error.message()),
                "application/json",
                {},
                QStringLiteral("not stored: ") + error.message()};
    }
    if (!outcome.stored)
        return {409, jsonError(outcome.refusal), "application/json", {}, QStringLiteral("refused: ") + outcome.refusal};
    m_days.clear();
    emit phoneChanged(outcome, phoneLabel);
    return {200,
            QJsonDocument(QJsonObject{{QStringLiteral("stored"), true}}).toJson(QJsonDocument::Compact),
            "application/json",
            {},
            {}};
}

bool PhoneServer::blocked(const QString &from)
{
    const auto found = m_failures.constFind(from);
    return found != m_failures.constEnd() && found->blockedUntil > m_msecs();
}

void PhoneServer::countFailure(const QString &from)
{
    const qint64 now = m_msecs();
    if (m_failures.size() > 10000) { // forget addresses whose failures are past
        for (auto it = m_failures.begin(); it != m_failures.end();)
            it = (it->blockedUntil <= now && (it->times.isEmpty() || now - it->times.last() > 60000))
                     ? m_failures.erase(it)
                     : std::next(it);
    }
    Failures &failures = m_failures[from];
    while (!failures.times.isEmpty() && now - failures.times.first() >= 60 * 1000)
        failures.times.removeFirst();
    failures.times.append(now);
    if (failures.times.size() >= kFailuresAllowed) {
        failures.blockedUntil = now + kBlockMsecs;
        failures.times.clear();
    }
}

void PhoneServer::log(const QString &from, const QByteArray &method, const QString &path, int status,
                      const QString &note)
{
    const QString file = m_folder.path(kLog);
    if (QFileInfo(file).size() > kLogLimit) {
        QFile::remove(file + QStringLiteral(".old"));
        QFile::rename(file, file + QStringLiteral(".old"));
    }
    QFile out(file);
    if (!out.open(QIODevice::Append | QIODevice::WriteOnly))
        return; // the log is a help, never a reason to refuse a phone
    const QString line = QStringLiteral("%1 %2 %3 %4 %5 %6\r\n")
                             .arg(m_clock.now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), from,
                                  QString::fromLatin1(method), path, QString::number(status), note);
    out.write(line.toUtf8());
}
