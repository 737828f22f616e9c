#pragma once

#include <QByteArray>
#include <QEventLoop>
#include <QMap>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>

// A client of the phone page that writes each request exactly as given, over a connection of its own (HTTPS
// trusting the given certificate, or plain HTTP when there is none), and waits for the answer in the event loop.
namespace PhoneClient {

struct Answer
{
    int status = 0; // 0: no answer
    QByteArray body;
    QMap<QByteArray, QByteArray> headers; // names in lower case
};

inline Answer exchange(quint16 port, const QSslCertificate &certificate, const QByteArray &request)
{
    QSslSocket socket;
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setCaCertificates({certificate});
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
    if (certificate.isNull()) {
        QObject::connect(&socket, &QSslSocket::connected, &loop, [&] { socket.write(request); });
        socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    } else {
        QObject::connect(&socket, &QSslSocket::encrypted, &loop, [&] { socket.write(request); });
        socket.connectToHostEncrypted(QStringLiteral("127.0.0.1"), port);
    }
    loop.exec();
    if (!complete())
        answer.status = 0;
    return answer;
}

inline QByteArray request(const QByteArray &method, const QByteArray &path, const QByteArray &body = {},
                          const QByteArray &bearer = {}, const QByteArray &extra = {})
{
    QByteArray text = method + ' ' + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    if (!bearer.isEmpty())
        text += "Authorization: Bearer " + bearer + "\r\n";
    if (method == "POST")
        text += "Content-Type: application/json\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n";
    return text + extra + "\r\n" + body;
}

} // namespace PhoneClient
