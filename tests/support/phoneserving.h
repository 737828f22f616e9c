#pragma once

#include "phone/phonetokens.h"
#include "boardsamples.h"
#include "core/clock.h"
#include "core/settings.h"
#include "phoneclient.h"
#include "phone/phoneserver.h"
#include "testsupport.h"

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

    using Answer = PhoneClient::Answer;
    Answer exchange(const QByteArray &request)
    {
        return PhoneClient::exchange(
            server.port(), server.fingerprint().isEmpty() ? QSslCertificate() : server.certificate(), request);
    }

    Answer call(const QByteArray &method, const QByteArray &path, const QByteArray &body = {},
                const QByteArray &extra = {})
    {
        return exchange(PhoneClient::request(method, path, body, token.toLatin1(), extra));
    }
};
