#pragma once

#include <QHash>
#include <QString>

class DataFolder;

// The office's mail server and what its e-mails say. Everything but the password is kept in the data folder's
// /MailSettings.txt (every seat of the office sends the same way); the password is kept apart, in the user's
// own configuration folder, in a file only the user may read (passwordPath()), never in the data folder.
struct MailSettings
{
    enum class Security : int {
        StartTls = 0, // plain connection turned into TLS before logging in (port 587)
        Smtps = 1     // TLS from the first byte (port 465)
    };

    QString host;
    int port = 587;
    Security security = Security::StartTls;
    QString user; // empty: the server takes mail without logging in
    QString senderName;
    QString senderAddress;
    QString bccAddress; // a copy of every message to the office; empty: none

    // The invoice e-mail; the fields in braces are filled in by fill().
    QString invoiceSubject = QStringLiteral("Invoice {InvoiceNo} from {Business}");
    QString invoiceText = QStringLiteral("Dear {Name},\n\nPlease find attached invoice {InvoiceNo} for "
                                         "{AmountDue}.\n\nThank you for your business.\n{Business}\n");
    // Visit reminders: the days ahead they are sent (0: none are sent), their subject and text.
    int reminderDays = 0;
    QString reminderSubject = QStringLiteral("Your service visit on {Date}");
    QString reminderText = QStringLiteral("Dear {Name},\n\nThis is a reminder of your service visit on {Date} "
                                          "between {Time}. Your technician will be {Technician}.\n\n{Business}\n");

    static inline const QString kFile = QStringLiteral("/MailSettings.txt");

    // Reads /MailSettings.txt; a missing or damaged file gives the defaults above.
    void load(const DataFolder &folder);
    // Writes the file crash-safe and reads it back; throws DiskError naming it (the old file stays).
    void save(const DataFolder &folder) const;

    // The values needed before anything can be sent are there (host, port, sender's address).
    bool isComplete() const;
    // The sender's name and address, or the first that is missing or not valid, as a message; empty when fine.
    QString problem() const;

    // The password's file: <the user's configuration folder>/mail/password.
    static QString passwordPath();
    // The stored password; empty when none is stored.
    static QString loadPassword();
    // Stores the password (an empty one removes the file), readable and writable by the user only. Returns
    // an error message, empty when it was stored and read back.
    static QString savePassword(const QString &password);

    // The text with each "{Field}" replaced by its value; fields not given stay as they are.
    static QString fill(const QString &text, const QHash<QString, QString> &fields);

    bool operator==(const MailSettings &) const = default;
};
