#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

// One e-mail the office sends: to one customer, with a plain-text body and attachments (an invoice's PDF).
struct MailAttachment
{
    QString fileName; // "Invoice 1234.pdf"
    QString mimeType; // "application/pdf"
    QByteArray bytes;

    bool operator==(const MailAttachment &) const = default;
};

struct MailMessage
{
    QString toName;
    QString toAddress;
    QString subject;
    QString body; // plain text, lines ended by "\n"
    std::vector<MailAttachment> attachments;
    QString account; // the customer's account number
    QString kind;    // what it is, shown in the outbox: "Invoice 1234", "Visit reminder"

    // Given once when the message is queued and kept for every try, so that a message sent again is the
    // same message to the server and the customer: "<id@sender's domain>", and the Date header's time.
    QString messageId;
    QDateTime date;

    bool operator==(const MailMessage &) const = default;
};

namespace Mail {

// An address as the office's mail server takes it: local@domain, printable ASCII only, no blanks, no CR or
// LF, a dot inside the domain, at most 254 characters.
bool isValidAddress(const QString &address);

// Why the message cannot go out as it is, naming the message and the field ("The e-mail "Invoice 1234" to
// Ann Lee: the address "ann@" is not a valid e-mail address."); empty when its headers are sound. A CR or LF
// in a name, an address or the subject (which would let data write headers of its own) is refused, as is an
// address that is not valid or a missing one.
QString headerProblem(const MailMessage &message);

// "Invoice 1234 to Ann Lee <ann@example.com>": how messages name a message.
QString describe(const MailMessage &message);

// The message as the outbox keeps it on disk, and back (nothing when the bytes are not a whole message).
QByteArray toStored(const MailMessage &message);
std::optional<MailMessage> fromStored(const QByteArray &bytes);

} // namespace Mail
