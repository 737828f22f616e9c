#include "core/mailsettings.h"

#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/mailmessage.h"
#include "core/textfile.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// Texts go to the file percent-encoded in UTF-8: a quote, a line break or a character beyond Windows-1252
// in a template comes back as typed.
QString encoded(const QString &text)
{
    return QString::fromLatin1(text.toUtf8().toPercentEncoding(" .@-_:/()!?'{}"));
}

QString decoded(const QString &text)
{
    return QString::fromUtf8(QByteArray::fromPercentEncoding(text.toLatin1()));
}

constexpr int kFormat = 1;

} // namespace

void MailSettings::load(const DataFolder &folder)
{
    *this = MailSettings();
    if (!folder.fileExists(kFile))
        return;
    TextReader reader(folder.readAll(kFile));
    if (reader.readInteger() != kFormat)
        return;
    MailSettings s;
    s.host = decoded(reader.readText()).trimmed();
    const qint64 port = reader.readInteger();
    s.port = port > 0 && port < 65536 ? int(port) : 587;
    s.security = reader.readInteger() == int(Security::Smtps) ? Security::Smtps : Security::StartTls;
    s.user = decoded(reader.readText());
    s.senderName = decoded(reader.readText());
    s.senderAddress = decoded(reader.readText()).trimmed();
    s.bccAddress = decoded(reader.readText()).trimmed();
    s.invoiceSubject = decoded(reader.readText());
    s.invoiceText = decoded(reader.readText());
    const qint64 days = reader.readInteger();
    s.reminderDays = days > 0 && days <= 365 ? int(days) : 0;
    s.reminderSubject = decoded(reader.readText());
    s.reminderText = decoded(reader.readText());
    if (reader.readInteger() != kFormat) // cut short: the defaults rather than half a setting
        return;
    *this = s;
}

void MailSettings::save(const DataFolder &folder) const
{
    TextWriter writer;
    writer.writeValues({kFormat})
        .writeValues({encoded(host)})
        .writeValues({port})
        .writeValues({int(security)})
        .writeValues({encoded(user)})
        .writeValues({encoded(senderName)})
        .writeValues({encoded(senderAddress)})
        .writeValues({encoded(bccAddress)})
        .writeValues({encoded(invoiceSubject)})
        .writeValues({encoded(invoiceText)})
        .writeValues({reminderDays})
        .writeValues({encoded(reminderSubject)})
        .writeValues({encoded(reminderText)})
        .writeValues({kFormat});
    folder.writeFile(kFile, writer.bytes());
    if (folder.readAll(kFile) != writer.bytes())
        throw DiskError(QStringLiteral("The mail settings could not be read back from %1.")
                            .arg(QDir::toNativeSeparators(folder.path(kFile))));
}

bool MailSettings::isComplete() const
{
    return !host.trimmed().isEmpty() && port > 0 && Mail::isValidAddress(senderAddress);
}

QString MailSettings::problem() const
{
    if (host.trimmed().isEmpty())
        return QStringLiteral("Enter the mail server's name.");
    if (port <= 0 || port > 65535)
        return QStringLiteral("Enter the mail server's port (587 for STARTTLS, 465 for SMTPS).");
    if (!Mail::isValidAddress(senderAddress))
        return QStringLiteral("Enter the sender's e-mail address.");
    if (senderName.contains(QLatin1Char('\r')) || senderName.contains(QLatin1Char('\n')))
        return QStringLiteral("The sender's name holds a line break.");
    if (!bccAddress.isEmpty() && !Mail::isValidAddress(bccAddress))
        return QStringLiteral("The office's copy (Bcc) address \"%1\" is not a valid e-mail address.").arg(bccAddress);
    return {};
}

QString MailSettings::passwordPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/mail/password");
}

QString MailSettings::loadPassword()
{
    QFile file(passwordPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

QString MailSettings::savePassword(const QString &password)
{
    const QString path = passwordPath();
    const QString folder = QFileInfo(path).absolutePath();
    if (password.isEmpty()) {
        if (QFile::exists(path) && !QFile::remove(path))
            return QStringLiteral("The stored mail password in %1 cannot be removed.")
                .arg(QDir::toNativeSeparators(path));
        return {};
    }
    if (!QDir().mkpath(folder))
        return QStringLiteral("The folder %1 cannot be made.").arg(QDir::toNativeSeparators(folder));
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QSaveFile file(path);
    // The temporary file is made readable by the user alone before a byte of the password is in it.
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(password.toUtf8()) != password.toUtf8().size() || !file.commit())
        return QStringLiteral("The mail password cannot be stored in %1.").arg(QDir::toNativeSeparators(path));
    if (loadPassword() != password)
        return QStringLiteral("The mail password stored in %1 could not be read back.")
            .arg(QDir::toNativeSeparators(path));
    return {};
}

QString MailSettings::fill(const QString &text, const QHash<QString, QString> &fields)
{
    static const QRegularExpression kField(QStringLiteral("\\{(\\w+)\\}"));
    QString out;
    qsizetype from = 0;
    for (auto it = kField.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        out += QStringView(text).mid(from, match.capturedStart() - from);
        const auto value = fields.constFind(match.captured(1));
        out += value == fields.constEnd() ? match.captured(0) : *value;
        from = match.capturedEnd();
    }
    out += QStringView(text).mid(from);
    return out;
}
