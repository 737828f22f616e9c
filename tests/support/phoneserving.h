#pragma once

#include "accounts/phonetokens.h"
#include "boardsamples.h"
#include "core/clock.h"
#include "core/settings.h"
#include "platform/phoneserver.h"
#include "testsupport.h"

#include <QEventLoop>
#include <QMap>
#include <QSslSocket>
#include <QTimer>

// The phone page served from a test folder on the loopback address, with Al's phone paired: Al has two slips
// today (Monday 3/9/2026), one on Tuesday and one later; Bob has one today.
struct PhoneServing
{
    TestRoot root;
    DataFolder folder = root.folder();
    FixedClock clock{QDateTime(QDate(2026, 3, 9), QTime(9, 0))};
    Settings settings;
    PhoneTokens tokens{folder, clock};
    PhoneServer server{folder, settings, clock, tokens};
    QTemporaryDir certificates;
    QString token;

    explicit PhoneServing(bool plainHttp = false)
    {
        writeActiveSlips(folder, {"1001|Assigned|Al|3/9/2026|10:00", "1002|Assigned|Al|3/9/2026|08:00",
                                  "1003|Assigned|Bob|3/9/2026|08:00", "1004|Assigned|Al|3/10/2026|08:00",
                                  "1005|Assigned|Al|3/12/2026|08:00"});
        token = tokens.pair(QStringLiteral("Al"), QStringLiteral("Al's phone")).token;
        PhonePageOptions options;
        options.on = true;
        options.address = QStringLiteral("127.0.0.1");
        options.port = 0;
        options.plainHttp = plainHttp;
        if (!server.start(options, certificates.path()))
            qFatal("phone server: %s", qPrintable(server.error()));
    }

    struct Answer
    {
        int status = 0; // 0: no answer
        QByteArray body;
        QMap<QByteArray, QByteArray> headers; // names in lower case
    };

    // One request as written, over a connection of its own that trusts the server's certificate.
    Answer exchange(const QByteArray &request)
    {
        QSslSocket socket;
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setCaCertificates({server.certificate()});
        socket.setSslConfiguration(config);
        QByteArray in;
        QEventLoop loop;
        Answer answer;
        auto complete = [&] {
            const qsizetype end = in.indexOf("\r\n\r\n");
            if (end < 0)
                return false;
            const QList<QByteArray> lines = in.left(end).split('\n');
            answer.status = lines.first().split(' ').value(1).toInt();
            for (const QByteArray &line : lines.mid(1)) {
                const qsizetype colon = line.indexOf(':');
                answer.headers[line.left(colon).trimmed().toLower()] = line.mid(colon + 1).trimmed();
            }
            answer.body = in.mid(end + 4);
            return answer.body.size() >= answer.headers.value("content-length").toInt();
        };
        QObject::connect(&socket, &QSslSocket::readyRead, &loop, [&] {
            in += socket.readAll();
            if (complete())
                loop.quit();
        });
        QObject::connect(&socket, &QSslSocket::disconnected, &loop, &QEventLoop::quit);
        QObject::connect(&socket, &QSslSocket::errorOccurred, &loop, &QEventLoop::quit);
        QTimer::singleShot(15000, &loop, &QEventLoop::quit);
        if (server.fingerprint().isEmpty()) {
            QObject::connect(&socket, &QSslSocket::connected, &loop, [&] { socket.write(request); });
            socket.connectToHost(QStringLiteral("127.0.0.1"), server.port());
        } else {
            QObject::connect(&socket, &QSslSocket::encrypted, &loop, [&] { socket.write(request); });
            socket.connectToHostEncrypted(QStringLiteral("127.0.0.1"), server.port());
        }
        loop.exec();
        if (!complete())
            answer.status = 0;
        return answer;
    }

    static QByteArray request(const QByteArray &method, const QByteArray &path, const QByteArray &body = {},
                              const QByteArray &bearer = {}, const QByteArray &extra = {})
    {
        QByteArray text = method + ' ' + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
        if (!bearer.isEmpty())
            text += "Authorization: Bearer " + bearer + "\r\n";
        if (method == "POST")
            text += "Content-Type: application/json\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n";
        return text + extra + "\r\n" + body;
    }

    Answer call(const QByteArray &method, const QByteArray &path, const QByteArray &body = {},
                const QByteArray &extra = {})
    {
        return exchange(request(method, path, body, token.toLatin1(), extra));
    }
};
