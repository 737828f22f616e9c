#pragma once

#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

class Clock;
class DataFolder;

// The phones paired with technicians. Pairing gives a phone a long random token, shown once (in the QR code of
// the page's address) together with a short one-time code the technician may type instead; the phone keeps the
// token. Only a hash of each token is stored, in the program's own file /PhonePairs.txt (the companion program
// never reads it), replaced crash-safe on every change. Tokens are listed per technician with their last use,
// revoked one by one, and follow the technician when the assignment is renamed or deleted.
class PhoneTokens
{
public:
    static inline const QString kFile = QStringLiteral("/PhonePairs.txt");

    PhoneTokens(const DataFolder &folder, const Clock &clock);

    struct Pairing
    {
        QString id;    // names the paired phone in lists and logs
        QString token; // given to the phone once, never stored as it is
        QString code;  // the one-time code, good until `codeExpires`, exchanged for the token once
        QDateTime codeExpires;
    };
    // Pairs a new phone with `technician`; `label` is what the office calls the phone ("Al's phone").
    // Throws DiskError when the file cannot be written (nothing paired).
    Pairing pair(const QString &technician, const QString &label);

    // The token of an unexpired one-time code, once; nothing for a wrong, used or expired code.
    std::optional<QString> redeem(const QString &code);

    struct Phone
    {
        QString id;
        QString technician;
        QString label;
        QDateTime paired;
        QDateTime lastUse; // invalid while never used
    };
    // The phone a token belongs to (and the use is noted); nothing for any other text.
    std::optional<Phone> check(const QString &token);

    std::vector<Phone> phones(const QString &technician) const;
    // Throws DiskError when the file cannot be written (nothing revoked).
    void revoke(const QString &id);
    // An assignment renamed: its phones follow it. Deleted: its phones are revoked.
    void renameTechnician(const QString &from, const QString &to);
    void removeTechnician(const QString &name);

private:
    const DataFolder &m_folder;
    const Clock &m_clock;
};
