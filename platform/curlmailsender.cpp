#include "platform/curlmailsender.h"

#include <QLocale>
#include <QRegularExpression>
#include <QTimeZone>
#include <curl/curl.h>
#include <memory>
#include <mutex>

namespace {

void initialiseCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// A header's text as RFC 2047 wants it: as it is when plain ASCII, else UTF-8 in base64 words.
QByteArray headerText(const QString &text)
{
    bool ascii = true;
    for (QChar c : text) {
        if (c.unicode() < 32 || c.unicode() > 126) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return text.toLatin1();
    // Words of at most 45 bytes of UTF-8 (60 in base64), cut between characters.
    QByteArray out;
    QString rest = text;
    while (!rest.isEmpty()) {
        qsizetype take = rest.size();
        while (rest.left(take).toUtf8().size() > 45)
            take = take > 1 && rest.at(take - 1).isLowSurrogate() ? take - 2 : take - 1;
        if (take <= 0)
            take = 1;
        if (!out.isEmpty())
            out += ' ';
        out += "=?UTF-8?B?" + rest.left(take).toUtf8().toBase64() + "?=";
        rest = rest.mid(take);
    }
    return out;
}

// "Ann Lee <ann@example.com>": the name quoted when it holds characters with a meaning in addresses.
QByteArray mailbox(const QString &name, const QString &address)
{
    const QString simple = name.simplified();
    if (simple.isEmpty())
        return address.toLatin1();
    QByteArray shown = headerText(simple);
    if (shown == simple.toLatin1() && simple.contains(QRegularExpression(QStringLiteral("[()<>\\[\\]:;@\\\\,.\"]")))) {
        QString quoted = simple;
        quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('"'), QStringLiteral("\\\""));
        shown = '"' + quoted.toLatin1() + '"';
    }
    return shown + " <" + address.toLatin1() + '>';
}

QByteArray dateHeader(const QDateTime &date)
{
    const QDateTime utc = (date.isValid() ? date : QDateTime::currentDateTime()).toUTC();
    return QLocale::c().toString(utc, QStringLiteral("ddd, dd MMM yyyy HH:mm:ss")).toLatin1() + " +0000";
}

// What the conversation with the server showed: its last reply line before the goodbye, what that reply
// answered, and whether the message's data had begun.
struct Conversation
{
    QByteArray lastReply;
    bool dataStarted = false; // the server said 354: go ahead with the message
    QByteArray lastCommand;   // "AUTH", "MAIL", "RCPT", "DATA", "QUIT": the last command sent
    QByteArray answered;      // the command the last reply answered
    const std::atomic_bool *stop = nullptr;
};

// Gives up while the message has not begun to go out: nothing the server could have taken is cut off.
int onProgress(void *user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    const auto *c = static_cast<const Conversation *>(user);
    return c->stop && *c->stop && !c->dataStarted ? 1 : 0;
}

int onDebug(CURL *, curl_infotype type, char *data, size_t size, void *user)
{
    auto *c = static_cast<Conversation *>(user);
    const QByteArray bytes(data, qsizetype(size));
    if (type == CURLINFO_HEADER_IN && c->lastCommand != "QUIT") {
        const QByteArray line = bytes.trimmed();
        if (!line.isEmpty()) {
            c->lastReply = line;
            c->answered = c->lastCommand;
        }
        if (line.startsWith("354"))
            c->dataStarted = true;
    } else if (type == CURLINFO_HEADER_OUT) {
        c->lastCommand = bytes.left(bytes.indexOf(' ') < 0 ? 4 : bytes.indexOf(' ')).trimmed().toUpper();
    }
    return 0;
}

struct CurlDeleter
{
    void operator()(CURL *curl) const { curl_easy_cleanup(curl); }
};
struct MimeDeleter
{
    void operator()(curl_mime *mime) const { curl_mime_free(mime); }
};
struct ListDeleter
{
    void operator()(curl_slist *list) const { curl_slist_free_all(list); }
};

void append(std::unique_ptr<curl_slist, ListDeleter> &list, const QByteArray &line)
{
    curl_slist *grown = curl_slist_append(list.get(), line.constData());
    if (grown) {
        (void)list.release();
        list.reset(grown);
    }
}

MailOutcome failure(MailOutcome::Kind kind, long code, const QString &answer)
{
    return {kind, int(code), answer.simplified()};
}

} // namespace

CurlMailSender::CurlMailSender(MailSettings settings, QString password)
    : CurlMailSender(std::move(settings), std::move(password), Options())
{}

CurlMailSender::CurlMailSender(MailSettings settings, QString password, Options options)
    : m_settings(std::move(settings))
    , m_password(std::move(password))
    , m_options(std::move(options))
{
    initialiseCurlOnce();
}

CurlMailSender::~CurlMailSender() = default;

MailOutcome CurlMailSender::send(const MailMessage &message)
{
    const QString problem = Mail::headerProblem(message);
    if (!problem.isEmpty())
        return failure(MailOutcome::Kind::Refused, 0, problem);
    const QString setupProblem = m_settings.problem();
    if (!setupProblem.isEmpty()) {
        MailOutcome outcome = failure(MailOutcome::Kind::RetryLater, 0, setupProblem);
        outcome.affectsAll = true;
        return outcome;
    }

    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl)
        return failure(MailOutcome::Kind::RetryLater, 0, QStringLiteral("The mail library could not start."));
    CURL *h = curl.get();
    const bool smtps = m_settings.security == MailSettings::Security::Smtps;
    const QByteArray url = QStringLiteral("%1://%2:%3")
                               .arg(smtps ? QStringLiteral("smtps") : QStringLiteral("smtp"), m_settings.host.trimmed())
                               .arg(m_settings.port)
                               .toUtf8();
    const QByteArray from = '<' + m_settings.senderAddress.trimmed().toLatin1() + '>';
    const QByteArray user = m_settings.user.toUtf8();
    const QByteArray password = m_password.toUtf8();
    const QByteArray caFile = m_options.caFile.toLocal8Bit();
    char error[CURL_ERROR_SIZE] = {};
    Conversation conversation;

    curl_easy_setopt(h, CURLOPT_URL, url.constData());
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, error);
    // STARTTLS is required: a server that does not offer it gets nothing, password least of all.
    curl_easy_setopt(h, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, long(m_options.connectSeconds));
    curl_easy_setopt(h, CURLOPT_TIMEOUT, long(m_options.totalSeconds));
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, long(m_options.stallSeconds));
    if (!caFile.isEmpty())
        curl_easy_setopt(h, CURLOPT_CAINFO, caFile.constData());
    if (!user.isEmpty()) {
        curl_easy_setopt(h, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(h, CURLOPT_PASSWORD, password.constData());
    }
    curl_easy_setopt(h, CURLOPT_MAIL_FROM, from.constData());
    std::unique_ptr<curl_slist, ListDeleter> recipients;
    append(recipients, '<' + message.toAddress.trimmed().toLatin1() + '>');
    if (Mail::isValidAddress(m_settings.bccAddress.trimmed()))
        append(recipients, '<' + m_settings.bccAddress.trimmed().toLatin1() + '>');
    curl_easy_setopt(h, CURLOPT_MAIL_RCPT, recipients.get());
    curl_easy_setopt(h, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(h, CURLOPT_DEBUGFUNCTION, onDebug);
    curl_easy_setopt(h, CURLOPT_DEBUGDATA, &conversation);
    conversation.stop = m_stop;
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &conversation);

    std::unique_ptr<curl_slist, ListDeleter> headers;
    append(headers, "Date: " + dateHeader(message.date));
    append(headers, "From: " + mailbox(m_settings.senderName, m_settings.senderAddress.trimmed()));
    append(headers, "To: " + mailbox(message.toName, message.toAddress.trimmed()));
    append(headers, "Subject: " + headerText(message.subject.simplified()));
    if (!message.messageId.isEmpty())
        append(headers, "Message-ID: " + message.messageId.toLatin1());
    append(headers, "MIME-Version: 1.0");
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());

    std::unique_ptr<curl_mime, MimeDeleter> mime(curl_mime_init(h));
    QByteArray body = message.body.toUtf8();
    body.replace("\r\n", "\n").replace('\r', '\n').replace("\n", "\r\n");
    curl_mimepart *text = curl_mime_addpart(mime.get());
    curl_mime_data(text, body.constData(), size_t(body.size()));
    curl_mime_type(text, "text/plain; charset=UTF-8");
    curl_mime_encoder(text, "quoted-printable");
    for (const MailAttachment &a : message.attachments) {
        curl_mimepart *part = curl_mime_addpart(mime.get());
        curl_mime_data(part, a.bytes.constData(), size_t(a.bytes.size()));
        curl_mime_type(part, a.mimeType.isEmpty() ? "application/octet-stream" : a.mimeType.toLatin1().constData());
        curl_mime_filename(part, a.fileName.toUtf8().constData());
        curl_mime_encoder(part, "base64");
    }
    curl_easy_setopt(h, CURLOPT_MIMEPOST, mime.get());

    const CURLcode result = curl_easy_perform(h);
    long code = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &code);
    const QString reply = QString::fromUtf8(conversation.lastReply);
    if (result == CURLE_OK)
        return {MailOutcome::Kind::Accepted, int(code), reply};
    if (result == CURLE_ABORTED_BY_CALLBACK)
        return failure(MailOutcome::Kind::RetryLater, 0, QStringLiteral("Not sent: the sending was stopped."));
    const QString why = QString::fromUtf8(*error ? error : curl_easy_strerror(result));
    // Refused for good only where the refusal is this message's: its recipient or its content. A refused login
    // or sender, or a server that will not talk, is the setup's or the server's and puts every message off.
    const bool messages = conversation.answered == "RCPT" || conversation.dataStarted;
    if (code >= 400 && code < 600) {
        MailOutcome outcome =
            failure(code >= 500 && messages ? MailOutcome::Kind::Refused : MailOutcome::Kind::RetryLater, code,
                    reply.isEmpty() ? why : reply);
        outcome.affectsAll = !messages;
        return outcome;
    }
    // The message went out (at least as many bytes as its parts take encoded) and the connection was lost or
    // timed out waiting for the server's word on it: the server may have it.
    curl_off_t uploaded = 0;
    curl_easy_getinfo(h, CURLINFO_SIZE_UPLOAD_T, &uploaded);
    qint64 least = body.size();
    for (const MailAttachment &a : message.attachments)
        least += (a.bytes.size() + 2) / 3 * 4;
    const bool waitingForAnswer =
        result == CURLE_RECV_ERROR || result == CURLE_OPERATION_TIMEDOUT || result == CURLE_GOT_NOTHING;
    if (conversation.dataStarted && waitingForAnswer && uploaded >= least)
        return failure(MailOutcome::Kind::Unknown, 0,
                       QStringLiteral("The message went out but the server's answer never came (%1).").arg(why));
    // No server, a refused connection, a handshake that failed, a connection lost before the message's end.
    MailOutcome outcome =
        failure(MailOutcome::Kind::RetryLater, 0, QStringLiteral("No answer from %1: %2").arg(m_settings.host, why));
    outcome.affectsAll = true;
    return outcome;
}
