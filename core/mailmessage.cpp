#include "core/mailmessage.h"

#include <QDataStream>
#include <QIODevice>

namespace Mail {

namespace {

bool hasLineBreak(const QString &text)
{
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

// The characters an address may hold outside letters and digits (local part), as mail servers take them.
bool isLocalCharacter(QChar c)
{
    static const QString kAllowed = QStringLiteral("!#$%&'*+-/=?^_`{|}~.");
    return (c.unicode() < 128 && c.isLetterOrNumber()) || kAllowed.contains(c);
}

bool isDomainLabel(QStringView label)
{
    if (label.isEmpty() || label.size() > 63 || label.startsWith(QLatin1Char('-')) || label.endsWith(QLatin1Char('-')))
        return false;
    for (QChar c : label) {
        if (!(c.unicode() < 128 && (c.isLetterOrNumber() || c == QLatin1Char('-'))))
            return false;
    }
    return true;
}

constexpr quint32 kStoredMark = 0x56444d31; // "VDM1"

} // namespace

bool isValidAddress(const QString &address)
{
    if (address.isEmpty() || address.size() > 254)
        return false;
    const qsizetype at = address.lastIndexOf(QLatin1Char('@'));
    if (at <= 0 || at == address.size() - 1 || at > 64)
        return false;
    const QStringView local = QStringView(address).left(at);
    if (local.startsWith(QLatin1Char('.')) || local.endsWith(QLatin1Char('.')) || local.contains(u".."))
        return false;
    for (QChar c : local) {
        if (!isLocalCharacter(c))
            return false;
    }
    const QStringView domain = QStringView(address).mid(at + 1);
    const auto labels = domain.split(QLatin1Char('.'));
    if (labels.size() < 2)
        return false;
    for (QStringView label : labels) {
        if (!isDomainLabel(label))
            return false;
    }
    return true;
}

QString headerProblem(const MailMessage &message)
{
    const QString which =
        QStringLiteral("The e-mail \"%1\" to %2: ")
            .arg(message.kind.simplified(),
                 message.toName.simplified().isEmpty() ? message.toAddress.simplified() : message.toName.simplified());
    if (hasLineBreak(message.toName))
        return which + QStringLiteral("the name holds a line break.");
    if (hasLineBreak(message.toAddress))
        return which + QStringLiteral("the address holds a line break.");
    if (hasLineBreak(message.subject))
        return which + QStringLiteral("the subject holds a line break.");
    if (message.toAddress.trimmed().isEmpty())
        return which + QStringLiteral("there is no e-mail address.");
    if (!isValidAddress(message.toAddress.trimmed()))
        return which + QStringLiteral("the address \"%1\" is not a valid e-mail address.").arg(message.toAddress);
    for (const MailAttachment &a : message.attachments) {
        if (hasLineBreak(a.fileName) || hasLineBreak(a.mimeType) || a.fileName.contains(QLatin1Char('"')))
            return which + QStringLiteral("the attachment's name \"%1\" cannot be sent.").arg(a.fileName.simplified());
    }
    return {};
}

QString describe(const MailMessage &message)
{
    QString to = message.toName.simplified();
    to = to.isEmpty() ? message.toAddress : QStringLiteral("%1 <%2>").arg(to, message.toAddress);
    return message.kind.isEmpty() ? to : QStringLiteral("%1 to %2").arg(message.kind, to);
}

QByteArray toStored(const MailMessage &message)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << kStoredMark << message.toName << message.toAddress << message.subject << message.body << message.account
        << message.kind << message.messageId << message.date.toUTC() << quint32(message.attachments.size());
    for (const MailAttachment &a : message.attachments)
        out << a.fileName << a.mimeType << a.bytes;
    out << kStoredMark; // the end: a file cut short is told from a whole one
    return bytes;
}

std::optional<MailMessage> fromStored(const QByteArray &bytes)
{
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 mark = 0;
    in >> mark;
    if (mark != kStoredMark)
        return std::nullopt;
    MailMessage m;
    quint32 count = 0;
    in >> m.toName >> m.toAddress >> m.subject >> m.body >> m.account >> m.kind >> m.messageId >> m.date >> count;
    if (in.status() != QDataStream::Ok || count > 10000)
        return std::nullopt;
    for (quint32 i = 0; i < count; ++i) {
        MailAttachment a;
        in >> a.fileName >> a.mimeType >> a.bytes;
        m.attachments.push_back(std::move(a));
    }
    mark = 0;
    in >> mark;
    if (in.status() != QDataStream::Ok || mark != kStoredMark || !in.atEnd())
        return std::nullopt;
    return m;
}

} // namespace Mail
