#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

class Clock;
class DataFolder;

// The phones paired with technicians. Pairing gives a phone a long random token, shown once (in the QR code of
// the page's address) together with a short one-time code the technician may type instead; the phone keeps the
// token. Only a hash of each token is stored, in the program's own file /PhonePairs.txt (the companion program
// never reads it), replaced crash-safe on every change. Tokens are listed per technician with their last use,
// revoked one by one, and follow the technician when the assignment is renamed or deleted.
//
// One-time codes are kept only in memory, as a hash with the token they give: a code lives 15 minutes at most,
// and the window that shows it is open meanwhile, so a code never needs to outlive the program, and no copy of
// the data folder (a Backup, an archive) ever holds one. A code is void once used, once the phone has used its
// token, and when the phone is revoked. Every member may be called from another thread than the windows'.
class PhoneTokens
{
public:
    static inline const QString kFile = QStringLiteral("/PhonePairs.txt");
    static constexpr int kCodeLength = 8;
    static constexpr int kCodeMinutes = 15;
    // The last use of each phone reaches the file at most this often (and at flush()).
    static constexpr int kLastUseSeconds = 5 * 60;
    // The letters of a one-time code: none that reads as another (no 0/O, 1/I/L).
    static inline const QString kCodeLetters = QStringLiteral("ABCDEFGHJKMNPQRSTUVWXYZ23456789");

    // The file is read once, when first needed; a damaged line is left out (and goes at the next write).
    PhoneTokens(const DataFolder &folder, const Clock &clock);
    // Writes the last uses not yet written (a failure is let go: they are only the last uses).
    ~PhoneTokens();
    PhoneTokens(const PhoneTokens &) = delete;
    PhoneTokens &operator=(const PhoneTokens &) = delete;

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
    // Throw DiskError when the file cannot be written (nothing changed).
    void renameTechnician(const QString &from, const QString &to);
    void removeTechnician(const QString &name);

    // Writes the last uses noted since the last write. Throws DiskError.
    void flush();

    // The lines of the file that could not be read when it was loaded (left out).
    int damagedLines() const;

private:
    struct Stored
    {
        Phone phone;
        QByteArray hash; // SHA-256 of the token
    };
    struct Code
    {
        QString phoneId;
        QString token;
        QDateTime expires;
    };
    void load() const;
    void save(const std::vector<Stored> &phones) const; // the file as these phones; throws DiskError
    void dropExpiredCodes();
    void revokeWhere(const std::function<bool(const Phone &)> &which); // throws DiskError
    QString newId() const;

    const DataFolder &m_folder;
    const Clock &m_clock;
    mutable std::recursive_mutex m_mutex; // the phone server may ask from a thread of its own
    mutable bool m_loaded = false;
    mutable int m_damaged = 0;
    mutable std::vector<Stored> m_phones;
    std::map<QByteArray, Code> m_codes; // by the code's SHA-256: only in memory, gone with the program
    bool m_lastUseDirty = false;
    QDateTime m_lastUseWritten;
};
