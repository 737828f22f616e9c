#pragma once

#include "core/mailsettings.h"
#include "platform/curlmailsender.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The mail tests' own SMTP server (tests/support/mailserver.py, aiosmtpd) on 127.0.0.1 with a throwaway
// certificate, STARTTLS or SMTPS and AUTH; stopped with the object. setMode() changes how it answers the next
// message; received() is what it kept, one summary per message (attachments as name, type, SHA-256).
class MailServer
{
public:
    explicit MailServer(MailSettings::Security security = MailSettings::Security::StartTls)
        : m_security(security)
    {
        m_process.setProgram(QStringLiteral("/usr/bin/python3"));
        m_process.setArguments(
            {QStringLiteral(VD_TESTS_DIR "/support/mailserver.py"), QStringLiteral("--dir"), m_dir.path(),
             QStringLiteral("--security"),
             security == MailSettings::Security::Smtps ? QStringLiteral("smtps") : QStringLiteral("starttls")});
        m_process.setStandardErrorFile(QProcess::nullDevice()); // a full pipe would stop the server
        m_process.start();
        while (m_process.waitForReadyRead(20000) || m_process.canReadLine()) {
            const QByteArray line = m_process.readLine().trimmed();
            if (line.startsWith("READY ")) {
                m_port = line.mid(6).toInt();
                break;
            }
        }
    }
    ~MailServer() { stop(); }
    void stop()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(2000);
    }

    bool ready() const { return m_port > 0; }
    void setMode(const QByteArray &mode)
    {
        QFile file(m_dir.filePath(QStringLiteral("mode")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(mode) == mode.size());
    }
    QList<QJsonObject> received() const
    {
        QList<QJsonObject> out;
        for (const QString &name : QDir(m_dir.path()).entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name)) {
            QFile file(m_dir.filePath(name));
            if (file.open(QIODevice::ReadOnly))
                out << QJsonDocument::fromJson(file.readAll()).object();
        }
        return out;
    }

    // The office's settings for this server (the password apart: kPassword).
    MailSettings settings() const
    {
        MailSettings s;
        s.host = QStringLiteral("127.0.0.1");
        s.port = m_port;
        s.security = m_security;
        s.user = QStringLiteral("office");
        s.senderName = QStringLiteral("Varnel Heating");
        s.senderAddress = QStringLiteral("office@varnel.test");
        return s;
    }
    static inline const QString kPassword = QStringLiteral("s3cret pass");
    CurlMailSender::Options options() const
    {
        CurlMailSender::Options o;
        o.connectSeconds = 5;
        o.stallSeconds = 5;
        o.totalSeconds = 20;
        o.caFile = m_dir.filePath(QStringLiteral("cert.pem"));
        return o;
    }
    CurlMailSender sender(const QString &password = kPassword) const { return {settings(), password, options()}; }

private:
    MailSettings::Security m_security;
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
};
