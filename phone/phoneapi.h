#pragma once

#include "phone/phonework.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class Clock;
class DataFolder;
class PhoneTokens;
class Settings;

// The phone page's answers without the network: a request as received (method, path, headers, body and the
// address it came from) goes in, the answer to write comes out. It serves only its own paths: the page, its
// script and style, and the technician's day and changes under /api. Every /api request but the pairing carries
// a paired phone's token; a phone sees and changes only its technician's slips, under the status rule. Wrong
// tokens and codes are counted per address and, past a limit, the address is refused for a while. Every refused
// request is written to the log in the data folder.
class PhoneApi
{
public:
    static inline const QString kLog = QStringLiteral("/PhoneServer.log");
    static constexpr qint64 kLogLimit = 512 * 1024; // then the log moves to PhoneServer.log.old
    static constexpr int kBodyLimit = 4096;         // bytes of a request's body
    // A photo's body: a JPEG of SlipMedia::kPhotoBytesLimit in base64, and its request id.
    static constexpr int kPhotoBodyLimit = 4 * 1024 * 1024 + 1024;
    // A signature's body: a PNG of SlipMedia::kSignatureBytesLimit in base64, the name and the request id.
    static constexpr int kSignatureBodyLimit = 700 * 1024;
    // The body limit of a request by its path ("/api/slip/12/photo"), as the host applies it before reading.
    static int bodyLimitOf(const QByteArray &path);
    static constexpr int kFailuresAllowed = 10;     // wrong tokens or codes a minute from one address
    static constexpr qint64 kBlockMsecs = 60 * 1000;
    static constexpr int kTextLimit = 200; // characters of a note or a reason
    static constexpr int kSignerLimit = 40; // characters of the name beside a signature

    using Headers = QList<QPair<QByteArray, QByteArray>>;

    struct Request
    {
        QByteArray method; // "GET", "POST", ...
        QByteArray path;   // the URL's path as it came, percent-encoded
        QByteArray target; // path and query, for the log
        Headers headers;
        QByteArray body;
        QString from; // the address it came from
    };

    // One answer, as the host writes it.
    struct Reply
    {
        int status = 200;
        QByteArray body;
        QByteArray contentType;
        Headers headers; // beyond the ones every answer carries
        QString note;    // why it was refused, for the log
    };

    PhoneApi(const DataFolder &folder, const Settings &settings, const Clock &clock, PhoneTokens &tokens);

    // The answer to a request; an answer of 400 or more is logged. Never throws.
    Reply answer(const Request &request);

    // The same answer in two steps, for a host that keeps its thread free: begin() answers at once (`now`), or
    // hands back the slow part of a photo or a signature (decoding the picture, storing it) as `later`, which may
    // run on another thread (it touches only the files, one store at a time) and never throws; finish() takes the
    // answer back on this object's thread (the log, the day's answers made afresh).
    struct Pending
    {
        std::optional<Reply> now;
        std::function<Reply()> later;
    };
    Pending begin(const Request &request);
    Reply finish(const Request &request, Reply reply);

    // The headers every answer carries.
    static Headers safeHeaders();
    // The reason phrase of a status ("Not Found").
    static QByteArray statusText(int status);

    // The time the failures are counted by, in milliseconds; a steady clock unless a test sets another.
    void setMsecsSource(std::function<qint64()> source) { m_msecs = std::move(source); }
    // Called when a phone's change was stored, with the phone's name: from the event loop, after the answer (a
    // request sent again and answered from the day's requests is not told twice).
    void setOnStored(std::function<void(const PhoneWork::Outcome &, const QString &)> onStored)
    {
        m_onStored = std::move(onStored);
    }

    // The days served are read afresh at the next request.
    void forgetDays() { m_days.clear(); }

    // One line of the log (kept short of its limit by moving it aside); a log that cannot be written stops nothing.
    // The method and path are redacted here, whoever passes them.
    void log(const QString &from, const QByteArray &method, const QString &path, int status, const QString &note);
    // A path or request line as the log shows it: printable ASCII only, cut short, and no token or code in it
    // (see redacted()).
    static QString loggable(const QByteArray &raw);
    // The text with every word that might be a token or a one-time code replaced by a few characters of its hash.
    static QString redacted(const QString &text);

private:
    Reply route(const Request &request);
    Reply pair(const Request &request);
    Reply day(const Request &request, const QString &technician);
    Reply change(const Request &request, const QString &phoneLabel, const QString &technician, qint16 slipNo,
                 PhoneWork::Action action);
    static Reply media(const DataFolder &folder, const Clock &clock, const Request &request, const QString &technician,
                       qint16 slipNo, bool photo);
    QByteArray dayJson(const QString &technician);
    bool blocked(const QString &from);
    void countFailure(const QString &from);
    QByteArray filesStamp() const;

    const DataFolder &m_folder;
    const Settings &m_settings;
    const Clock &m_clock;
    PhoneTokens &m_tokens;
    std::function<qint64()> m_msecs;
    std::function<void(const PhoneWork::Outcome &, const QString &)> m_onStored;
    std::unique_ptr<QObject> m_alive = std::make_unique<QObject>(); // what the telling after the answer hangs on
    std::function<Reply()> m_later; // the slow part of the request route() is answering

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
};
