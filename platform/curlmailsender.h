#pragma once

#include "core/mailsender.h"
#include "core/mailsettings.h"

// MailSender over libcurl: SMTP with STARTTLS (required, never falls back to plain text) or SMTPS, logging in
// with the user and password when a user is set, the message built by libcurl's MIME API (a plain-text body
// and each attachment in base64). Every connection has time limits. The server's last reply is captured for
// the outbox. One object per thread.
class CurlMailSender final : public MailSender
{
public:
    struct Options
    {
        int connectSeconds = 20; // to reach the server and finish the TLS handshake
        int stallSeconds = 60;   // a connection with no progress for this long is given up
        int totalSeconds = 300;  // one message at most
        QString caFile;          // certificates to trust besides the system's (tests: a throwaway one)
    };

    CurlMailSender(MailSettings settings, QString password);
    CurlMailSender(MailSettings settings, QString password, Options options);
    ~CurlMailSender() override;

    MailOutcome send(const MailMessage &message) override;
    void setStopFlag(const std::atomic_bool *stop) override { m_stop = stop; }

private:
    MailSettings m_settings;
    QString m_password;
    Options m_options;
    const std::atomic_bool *m_stop = nullptr;
};
