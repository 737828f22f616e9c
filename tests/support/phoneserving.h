#pragma once

#include "boardsamples.h"
#include "core/clock.h"
#include "core/settings.h"
#include "phone/phoneapi.h"
#include "phone/phoneserver.h"
#include "phone/phonetokens.h"
#include "phoneclient.h"
#include "testsupport.h"

#include <optional>

// A test folder of the phone page with Al's phone paired: Al has two slips today (Monday 3/9/2026), one on Tuesday
// and one later; Bob has one today.
struct PhoneOffice
{
    TestRoot root;
    DataFolder folder = root.folder();
    FixedClock clock{QDateTime(QDate(2026, 3, 9), QTime(9, 0))};
    Settings settings;
    PhoneTokens tokens{folder, clock};
    QString token;

    PhoneOffice()
    {
        writeActiveSlips(folder, {"1001|Assigned|Al|3/9/2026|10:00", "1002|Assigned|Al|3/9/2026|08:00",
                                  "1003|Assigned|Bob|3/9/2026|08:00", "1004|Assigned|Al|3/10/2026|08:00",
                                  "1005|Assigned|Al|3/12/2026|08:00"});
        token = tokens.pair(QStringLiteral("Al"), QStringLiteral("Al's phone")).token;
    }
    // The slips of the active and the completed file.
    QString slips()
    {
        return slipSummary(folder, SlipFiles::kActive) + QStringLiteral(" / ") +
               slipSummary(folder, SlipFiles::kCompleted);
    }
    int logLines() { return int(root.read(PhoneApi::kLog).count('\n')); }
};

// The phone page's API asked directly, without a network.
struct PhoneDesk : PhoneOffice
{
    PhoneApi api{folder, settings, clock, tokens};

    // A request from 192.168.1.20 with Al's token (or `bearer` when given, none when empty).
    PhoneApi::Reply ask(const QByteArray &method, const QByteArray &path, const QByteArray &body = {},
                        std::optional<QByteArray> bearer = std::nullopt, PhoneApi::Headers headers = {})
    {
        const QByteArray used = bearer.value_or(token.toLatin1());
        if (!used.isEmpty())
            headers.append({"Authorization", "Bearer " + used});
        return api.answer({method, path, path, headers, body, QStringLiteral("192.168.1.20")});
    }
};

// The phone page served on the loopback address.
struct PhoneServing : PhoneOffice
{
    PhoneServer server{folder, settings, clock, tokens};
    QTemporaryDir certificates;

    explicit PhoneServing(bool plainHttp = false)
    {
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
