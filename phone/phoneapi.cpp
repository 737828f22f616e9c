#include "phone/phoneapi.h"

#include "accounts/customerfile.h"
#include "core/clock.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "core/settings.h"
#include "core/validation.h"
#include "dispatch/slipfiles.h"
#include "phone/phonemedia.h"
#include "phone/phonetokens.h"
#include "platform/picturecheck.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QTimer>

#include <memory>
#include <optional>

using namespace Validation;
using Formats::shortDate;
using Formats::weekdayName;

namespace {

QByteArray jsonError(const QString &text)
{
    return QJsonDocument(QJsonObject{{QStringLiteral("error"), text}}).toJson(QJsonDocument::Compact);
}

PhoneApi::Reply jsonRefusal(int status, const QString &text, const QString &note)
{
    return {status, jsonError(text), "application/json", {}, note};
}

QByteArray header(const PhoneApi::Request &request, const QByteArray &name)
{
    for (const auto &[key, value] : request.headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

// A note or reason as the windows would let it be typed: line breaks and tabs become blanks; other control
// characters, the double quote and characters the data files cannot hold are refused. Whether the change needs
// one is the status rule's to say.
std::optional<QString> refusedText(QString &text)
{
    int position = 0;
    flattenLines(text, position);
    text = text.trimmed();
    if (text.size() > PhoneApi::kTextLimit)
        return QStringLiteral("The text is longer than %1 characters.").arg(PhoneApi::kTextLimit);
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

const QRegularExpression &slipPath()
{
    static const QRegularExpression path(
        QStringLiteral("^/api/slip/([1-9][0-9]{0,4})/(start|complete|cantfinish|photo|signature)$"));
    return path;
}

bool tokenShaped(const QByteArray &token)
{
    static const QRegularExpression shape(QStringLiteral("^[A-Za-z0-9._~+/=-]{16,256}$"));
    return shape.match(QString::fromLatin1(token)).hasMatch();
}

QString signedText(const std::optional<SlipMedia::Signature> &signature)
{
    return signature ? signature->signedText() : QString();
}

} // namespace

PhoneApi::PhoneApi(const DataFolder &folder, const Settings &settings, const Clock &clock, PhoneTokens &tokens)
    : m_folder(folder)
    , m_settings(settings)
    , m_clock(clock)
    , m_tokens(tokens)
{
    Q_INIT_RESOURCE(phonepage);
    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    m_msecs = [timer] { return timer->elapsed() + kBlockMsecs; };
}

int PhoneApi::bodyLimitOf(const QByteArray &path)
{
    if (path.startsWith("/api/slip/") && path.endsWith("/photo"))
        return kPhotoBodyLimit;
    if (path.startsWith("/api/slip/") && path.endsWith("/signature"))
        return kSignatureBodyLimit;
    return kBodyLimit;
}

PhoneApi::Headers PhoneApi::safeHeaders()
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

QByteArray PhoneApi::statusText(int status)
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

QString PhoneApi::redacted(const QString &text)
{
    // The page's own names, which are no secret; every other word of four characters or more might be a token or
    // a one-time code (typed with a dash, or percent-encoded) and is shown as a mark made from it and a key of this
    // run of the program: a guess repeated shows the same mark, and no mark can be turned back into the guess.
    static const QSet<QString> names = {"slip",    "start",   "complete", "cantfinish", "pair",
                                        "app.js",  "app.css", "icon.svg", "index.html", "favicon.ico",
                                        "POST",    "HEAD",    "DELETE",   "OPTIONS",    "PATCH",
                                        "CONNECT", "TRACE",   "token",    "code"};
    static const QByteArray key = [] {
        QByteArray bytes(16, Qt::Uninitialized);
        QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(bytes.data()), 4);
        return bytes;
    }();
    static const QRegularExpression mark(QStringLiteral("^[0-9a-f]{6}$"));
    auto inWord = [](QChar c) {
        return c.isLetterOrNumber() || c == u'.' || c == u'_' || c == u'~' || c == u'%' || c == u'+' || c == u'-' ||
               c.unicode() >= 0x7F;
    };
    QString out;
    for (qsizetype i = 0; i < text.size();) {
        qsizetype end = i;
        while (end < text.size() && inWord(text[end]))
            ++end;
        if (end == i) {
            out += text[i++];
            continue;
        }
        const QString word = text.mid(i, end - i);
        static const QRegularExpression slipNumber(QStringLiteral("^[0-9]{1,5}$"));
        const bool marked = i > 0 && text[i - 1] == u'#' && mark.match(word).hasMatch();
        if (word.size() < 4 || names.contains(word) || slipNumber.match(word).hasMatch() || marked)
            out += word;
        else
            out += QLatin1Char('#') +
                   QString::fromLatin1(
                       QCryptographicHash::hash(key + word.toUtf8(), QCryptographicHash::Sha256).toHex().left(6));
        i = end;
    }
    return out;
}

QString PhoneApi::loggable(const QByteArray &raw)
{
    QString text;
    for (const char c : raw)
        text += (c >= 0x20 && c < 0x7F) ? QChar::fromLatin1(c) : QChar(0xFFFD);
    text = redacted(text).replace(QChar(0xFFFD), QLatin1Char('?'));
    if (text.size() > 200)
        text = text.left(200) + QStringLiteral("...(%1 bytes)").arg(raw.size());
    return text;
}

PhoneApi::Reply PhoneApi::answer(const Request &request)
{
    Pending pending = begin(request);
    return finish(request, pending.now ? std::move(*pending.now) : pending.later());
}

namespace {
PhoneApi::Reply failed(const std::exception &error)
{
    return jsonRefusal(500, QStringLiteral("The office could not answer."), QString::fromStdString(error.what()));
}
} // namespace

PhoneApi::Pending PhoneApi::begin(const Request &request)
{
    m_later = {};
    Reply reply;
    try {
        reply = route(request);
    } catch (const std::exception &error) { // never out into the event loop: the office's program goes on
        return {failed(error), {}};
    }
    if (!m_later)
        return {std::move(reply), {}};
    return {std::nullopt, [later = std::exchange(m_later, {})]() -> Reply {
                try {
                    return later();
                } catch (const std::exception &error) {
                    return failed(error);
                }
            }};
}

PhoneApi::Reply PhoneApi::finish(const Request &request, Reply reply)
{
    if (reply.status >= 400)
        log(request.from, request.method, loggable(request.target), reply.status, reply.note);
    else if (request.method == "POST")
        m_days.clear(); // a photo or signature stored: the day's counts change
    return reply;
}

PhoneApi::Reply PhoneApi::route(const Request &request)
{
    const QByteArray &path = request.path;
    const bool get = request.method == "GET";
    const bool post = request.method == "POST";
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

    const auto slipMatch = slipPath().match(QString::fromLatin1(path));
    const bool known = path == "/api/pair" || path == "/api/day" || slipMatch.hasMatch();
    if (!known)
        return {404, {}, {}, {}, QStringLiteral("no such page")};
    if (path == "/api/day" ? !get : !post)
        return wrongMethod(path == "/api/day" ? "GET" : "POST");
    if (request.body.size() > bodyLimitOf(path))
        return {413, {}, {}, {}, QStringLiteral("request too large")};
    // A guess (a code, or a token that is not a paired phone's) from an address past the limit is refused unheard
    // and uncounted; a paired phone's token is served, whatever others guessed from its address.
    auto refusedGuess = [] {
        Reply refused = jsonRefusal(429, QStringLiteral("Too many wrong codes from this phone. Try again in a minute."),
                                    QStringLiteral("address refused for a while"));
        refused.headers = {{"Retry-After", "60"}};
        return refused;
    };
    if (path == "/api/pair")
        return blocked(request.from) ? refusedGuess() : pair(request);

    const QByteArray authorization = header(request, "Authorization");
    const QByteArray token = authorization.startsWith("Bearer ") ? authorization.mid(7).trimmed() : QByteArray();
    std::optional<PhoneTokens::Phone> phone;
    if (tokenShaped(token))
        phone = m_tokens.check(QString::fromLatin1(token));
    if (!phone) {
        if (blocked(request.from))
            return refusedGuess();
        countFailure(request.from);
        return jsonRefusal(401, QStringLiteral("This phone is not paired with the office."),
                           token.isEmpty() ? QStringLiteral("no token") : QStringLiteral("wrong token"));
    }
    const QString label = phone->label.isEmpty() ? phone->id : phone->label;
    if (path == "/api/day")
        return day(request, phone->technician);

    if (slipMatch.captured(1).toInt() > 32767)
        return {404, {}, {}, {}, QStringLiteral("no such slip")};
    const qint16 slipNo = qint16(slipMatch.captured(1).toInt());
    const QString verb = slipMatch.captured(2);
    if (verb == QLatin1String("photo") || verb == QLatin1String("signature"))
    {
        m_later = [folder = m_folder, &clock = m_clock, request, technician = phone->technician, slipNo,
                   photo = verb == QLatin1String("photo")] {
            return media(folder, clock, request, technician, slipNo, photo);
        };
        return {};
    }
    const PhoneWork::Action action = verb == QLatin1String("start")      ? PhoneWork::Action::Start
                                     : verb == QLatin1String("complete") ? PhoneWork::Action::Complete
                                                                         : PhoneWork::Action::CantFinish;
    return change(request, label, phone->technician, slipNo, action);
}

PhoneApi::Reply PhoneApi::pair(const Request &request)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(request.body, &error);
    const QJsonValue code = document.object().value(QStringLiteral("code"));
    if (error.error != QJsonParseError::NoError || !document.isObject() || document.object().size() != 1 ||
        !code.isString() || code.toString().size() > 32) {
        countFailure(request.from); // a guess all the same
        return jsonRefusal(400, QStringLiteral("The request is not understood."), QStringLiteral("malformed pairing"));
    }
    const auto token = m_tokens.redeem(code.toString().trimmed());
    if (!token) {
        countFailure(request.from);
        return jsonRefusal(401, QStringLiteral("This code is not valid. Ask the office for a new one."),
                           QStringLiteral("wrong code"));
    }
    log(request.from, "POST", QStringLiteral("/api/pair"), 200, QStringLiteral("phone paired"));
    return {200,
            QJsonDocument(QJsonObject{{QStringLiteral("token"), *token}}).toJson(QJsonDocument::Compact),
            "application/json",
            {},
            {}};
}

// What the day's answer is made of: the work week, today, and the slip and customer files as they stand.
QByteArray PhoneApi::filesStamp() const
{
    QByteArray stamp =
        QByteArray::number(int(m_settings.workWeek)) + ' ' + m_clock.today().toString(Qt::ISODate).toLatin1();
    for (const QString &file : {SlipFiles::kActive, CustomerFile::kPath, PhoneWork::kRequests}) {
        const QFileInfo info(m_folder.path(file));
        stamp += ' ' + QByteArray::number(info.size()) + ':' +
                 QByteArray::number(info.lastModified().toMSecsSinceEpoch()) + ':' +
                 QByteArray::number(info.birthTime().toMSecsSinceEpoch());
    }
    return stamp;
}

QByteArray PhoneApi::dayJson(const QString &technician)
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
            {QStringLiteral("office"), slip.officeChanged.toString(QStringLiteral("HH:mm"))},
            {QStringLiteral("photos"), SlipMedia::photoCount(m_folder, slip.account, slip.slipNo)},
            {QStringLiteral("signed"), signedText(SlipMedia::signature(m_folder, slip.account, slip.slipNo))},
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

PhoneApi::Reply PhoneApi::day(const Request &request, const QString &technician)
{
    const QByteArray json = dayJson(technician);
    const QByteArray tag = '"' + QCryptographicHash::hash(json, QCryptographicHash::Sha1).toHex().left(20) + '"';
    if (header(request, "If-None-Match") == tag)
        return {304, {}, {}, {{"ETag", tag}}, {}};
    return {200, json, "application/json", {{"ETag", tag}}, {}};
}

PhoneApi::Reply PhoneApi::change(const Request &request, const QString &phoneLabel, const QString &technician,
                                 qint16 slipNo, PhoneWork::Action action)
{
    const QString field = action == PhoneWork::Action::Complete     ? QStringLiteral("note")
                          : action == PhoneWork::Action::CantFinish ? QStringLiteral("reason")
                                                                    : QString();
    const QString notUnderstood = QStringLiteral("The request is not understood.");
    QJsonObject object;
    if (!request.body.trimmed().isEmpty()) {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(request.body, &error);
        if (error.error != QJsonParseError::NoError || !document.isObject())
            return jsonRefusal(400, notUnderstood, QStringLiteral("malformed JSON"));
        object = document.object();
    }
    // The tap's id, kept by the page across its retries: the same id is the same request.
    const QString idField = QStringLiteral("request");
    static const QRegularExpression idShape(PhoneWork::kRequestIdShape);
    const QJsonValue id = object.value(idField);
    const bool extraFields = object.size() > (object.contains(field) ? 1 : 0) + (object.contains(idField) ? 1 : 0);
    if (extraFields || (object.contains(field) && !object.value(field).isString()) ||
        (object.contains(idField) && !idShape.match(id.toString()).hasMatch()))
        return jsonRefusal(400, notUnderstood, QStringLiteral("wrong fields"));
    QString text = object.value(field).toString();
    if (const auto refusal = refusedText(text))
        return jsonRefusal(400, *refusal, QStringLiteral("text refused"));

    PhoneWork::Outcome outcome;
    try {
        outcome = PhoneWork::store(m_folder, m_clock, {technician, slipNo, action, text, phoneLabel, id.toString()});
    } catch (const DiskError &error) {
        return jsonRefusal(503, QStringLiteral("The office could not store the change: ") + error.message(),
                           QStringLiteral("not stored: ") + error.message());
    }
    if (!outcome.stored)
        return jsonRefusal(409, outcome.refusal, QStringLiteral("refused: ") + outcome.refusal);
    m_days.clear();
    // The office hears of it once this answer is on its way: a question the board then puts waits for the office's
    // user, never the phone.
    if (m_onStored && !outcome.repeated) {
        QTimer::singleShot(0, m_alive.get(), [told = m_onStored, outcome, phoneLabel] { told(outcome, phoneLabel); });
    }
    const QJsonObject answer{{QStringLiteral("stored"), true},
                             {QStringLiteral("at"), outcome.at.toString(QStringLiteral("HH:mm"))}};
    return {200, QJsonDocument(answer).toJson(QJsonDocument::Compact), "application/json", {}, {}};
}

PhoneApi::Reply PhoneApi::media(const DataFolder &folder, const Clock &clock, const Request &request,
                                const QString &technician, qint16 slipNo, bool photo)
{
    const QString notUnderstood = QStringLiteral("The request is not understood.");
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(request.body, &error);
    const QJsonObject object = document.object();
    const QString dataField = photo ? QStringLiteral("jpeg") : QStringLiteral("png");
    const QStringList fields = photo ? QStringList{QStringLiteral("request"), dataField}
                                     : QStringList{QStringLiteral("request"), QStringLiteral("name"), dataField};
    static const QRegularExpression idShape(PhoneWork::kRequestIdShape);
    const QString id = object.value(QStringLiteral("request")).toString();
    if (error.error != QJsonParseError::NoError || !document.isObject() || object.size() != fields.size() ||
        !std::all_of(fields.begin(), fields.end(), [&](const QString &f) { return object.value(f).isString(); }) ||
        !idShape.match(id).hasMatch())
        return jsonRefusal(400, notUnderstood, QStringLiteral("wrong fields"));

    const auto decoded = QByteArray::fromBase64Encoding(object.value(dataField).toString().toLatin1(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    const QString notPicture = photo ? QStringLiteral("This file is not a JPEG picture.")
                                     : QStringLiteral("This file is not a PNG picture.");
    if (!decoded || decoded.decoded.isEmpty())
        return jsonRefusal(400, notPicture, QStringLiteral("not base64"));
    const qint64 bytesLimit = photo ? SlipMedia::kPhotoBytesLimit : SlipMedia::kSignatureBytesLimit;
    if (decoded.decoded.size() > bytesLimit)
        return jsonRefusal(413,
                           QStringLiteral("The picture is too large (%1 KB); the office takes at most %2 KB.")
                               .arg(decoded.decoded.size() / 1024)
                               .arg(bytesLimit / 1024),
                           QStringLiteral("picture too large"));
    QString signer = object.value(QStringLiteral("name")).toString();
    if (!photo) {
        if (const auto refusal = refusedText(signer))
            return jsonRefusal(400, *refusal, QStringLiteral("name refused"));
        if (signer.isEmpty())
            return jsonRefusal(400, QStringLiteral("Type the customer's name beside the signature."),
                               QStringLiteral("no name"));
        if (signer.size() > kSignerLimit)
            return jsonRefusal(400, QStringLiteral("The name is longer than %1 characters.").arg(kSignerLimit),
                               QStringLiteral("name refused"));
    }

    // The picture is decoded (under its bounds) only when it is to be stored: a request seen before is not.
    const PictureCheck::Bounds bounds = photo ? PictureCheck::Bounds{} : PictureCheck::Bounds{2000, 2000 * 1000};
    const QByteArray &bytes = decoded.decoded;
    int refusedStatus = 409; // the slip refuses it; a picture refused is the request's fault
    auto check = [&bytes, photo, bounds, &refusedStatus]() -> std::optional<QString> {
        bool tooLarge = false;
        const auto refusal =
            PictureCheck::refusal(bytes, photo ? PictureCheck::Kind::Jpeg : PictureCheck::Kind::Png, bounds, &tooLarge);
        if (refusal)
            refusedStatus = tooLarge ? 413 : 400;
        return refusal;
    };
    const PhoneMedia::Upload upload{technician, slipNo, bytes, signer, id};
    SlipMedia::Added added;
    try {
        added = photo ? PhoneMedia::addPhoto(folder, clock, upload, check)
                      : PhoneMedia::addSignature(folder, clock, upload, check);
    } catch (const DiskError &error) {
        return jsonRefusal(503, QStringLiteral("The office could not store the picture: ") + error.message(),
                           QStringLiteral("not stored: ") + error.message());
    }
    if (!added.stored)
        return jsonRefusal(refusedStatus, added.refusal, QStringLiteral("refused: ") + added.refusal);
    const QJsonObject answer =
        photo ? QJsonObject{{QStringLiteral("photos"), added.photos}}
              : QJsonObject{{QStringLiteral("signed"), added.signature ? added.signature->signedText() : QString()}};
    return {200, QJsonDocument(answer).toJson(QJsonDocument::Compact), "application/json", {}, {}};
}

bool PhoneApi::blocked(const QString &from)
{
    const auto found = m_failures.constFind(from);
    return found != m_failures.constEnd() && found->blockedUntil > m_msecs();
}

void PhoneApi::countFailure(const QString &from)
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

void PhoneApi::log(const QString &from, const QByteArray &method, const QString &path, int status, const QString &note)
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
                             .arg(m_clock.now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), from, loggable(method),
                                  redacted(path), QString::number(status), note);
    out.write(line.toUtf8());
}
