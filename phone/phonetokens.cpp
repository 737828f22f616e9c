#include "phone/phonetokens.h"

#include "core/clock.h"
#include "core/datafolder.h"
#include "core/diskerror.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QStringList>
#include <algorithm>

// The file, UTF-8, one phone a line after a heading line:
//   id TAB SHA-256 of the token in hex TAB paired TAB last use (empty: never) TAB technician TAB label
// with the times as ISO 8601 local times. Lines starting with "#" are notes.

namespace {

constexpr int kTokenBytes = 32;
constexpr int kTokenLength = 43; // 32 bytes in base64url without padding
constexpr int kLabelLength = 60;
const QByteArray kHeading("# Paired phones: id, SHA-256 of the token, paired, last use, technician, label\n");

QByteArray sha256(const QString &text)
{
    return QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256);
}

// Compares every byte whatever the first difference, so that the time taken tells nothing of the stored hash.
bool sameHash(const QByteArray &a, const QByteArray &b)
{
    if (a.size() != b.size())
        return false;
    unsigned char difference = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

bool looksLikeToken(const QString &token)
{
    if (token.size() != kTokenLength)
        return false;
    return std::all_of(token.begin(), token.end(), [](QChar c) {
        return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-' ||
               c == u'_';
    });
}

// A name or label as one field of a line: tabs, line breaks and other control characters become blanks.
QString field(QString text, int limit = -1)
{
    for (QChar &c : text) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    }
    text = text.trimmed();
    return limit > 0 ? text.left(limit) : text;
}

QString timeText(const QDateTime &time)
{
    return time.isValid() ? time.toString(Qt::ISODate) : QString();
}

} // namespace

PhoneTokens::PhoneTokens(const DataFolder &folder, const Clock &clock)
    : m_folder(folder)
    , m_clock(clock)
{}

PhoneTokens::~PhoneTokens()
{
    try {
        flush();
    } catch (const DiskError &) {
        // Only the last uses since the last write are lost.
    }
}

void PhoneTokens::load() const
{
    if (m_loaded)
        return;
    m_loaded = true;
    const QString text = QString::fromUtf8(m_folder.readAll(kFile));
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList f = line.split(QLatin1Char('\t'));
        Stored s;
        bool ok = f.size() == 6 && !f[0].isEmpty() && f[0].size() <= 32 && f[1].size() == 64 && !f[4].isEmpty();
        if (ok) {
            s.phone.id = f[0];
            s.hash = QByteArray::fromHex(f[1].toLatin1());
            s.phone.paired = QDateTime::fromString(f[2], Qt::ISODate);
            s.phone.lastUse = QDateTime::fromString(f[3], Qt::ISODate);
            s.phone.technician = f[4];
            s.phone.label = f[5];
            ok = s.hash.toHex() == f[1].toLatin1().toLower() && s.phone.paired.isValid() &&
                 (f[3].isEmpty() || s.phone.lastUse.isValid()) &&
                 std::none_of(m_phones.begin(), m_phones.end(), [&](const Stored &o) { return o.phone.id == f[0]; });
        }
        if (ok)
            m_phones.push_back(std::move(s));
        else
            ++m_damaged;
    }
}

void PhoneTokens::save(const std::vector<Stored> &phones) const
{
    QByteArray bytes = kHeading;
    for (const Stored &s : phones) {
        const QStringList f = {s.phone.id,
                               QString::fromLatin1(s.hash.toHex()),
                               timeText(s.phone.paired),
                               timeText(s.phone.lastUse),
                               field(s.phone.technician),
                               field(s.phone.label, kLabelLength)};
        bytes += f.join(QLatin1Char('\t')).toUtf8() + '\n';
    }
    m_folder.writeFile(kFile, bytes);
}

QString PhoneTokens::newId() const
{
    for (;;) {
        const QString id = QString::number(QRandomGenerator::system()->generate(), 16).rightJustified(8, u'0');
        if (std::none_of(m_phones.begin(), m_phones.end(), [&](const Stored &s) { return s.phone.id == id; }))
            return id;
    }
}

void PhoneTokens::dropExpiredCodes()
{
    const QDateTime now = m_clock.now();
    std::erase_if(m_codes, [&](const auto &entry) { return entry.second.expires <= now; });
}

PhoneTokens::Pairing PhoneTokens::pair(const QString &technician, const QString &label)
{
    std::lock_guard lock(m_mutex);
    load();
    const QDateTime now = m_clock.now();
    quint32 random[kTokenBytes / 4];
    QRandomGenerator::system()->fillRange(random);
    Pairing pairing;
    pairing.id = newId();
    pairing.token = QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(random), kTokenBytes)
                                            .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
    for (int i = 0; i < kCodeLength; ++i)
        pairing.code += kCodeLetters[int(QRandomGenerator::system()->bounded(quint32(kCodeLetters.size())))];
    pairing.codeExpires = now.addSecs(kCodeMinutes * 60);

    Stored stored{{pairing.id, field(technician), field(label, kLabelLength), now, {}}, sha256(pairing.token)};
    std::vector<Stored> phones = m_phones;
    phones.push_back(stored);
    save(phones);
    m_phones = std::move(phones);
    m_lastUseDirty = false;
    m_lastUseWritten = now;
    dropExpiredCodes();
    m_codes[sha256(pairing.code)] = {pairing.id, pairing.token, pairing.codeExpires};
    return pairing;
}

std::optional<QString> PhoneTokens::redeem(const QString &code)
{
    std::lock_guard lock(m_mutex);
    load();
    dropExpiredCodes();
    QString typed = code.toUpper();
    typed.remove(QLatin1Char(' ')).remove(QLatin1Char('-'));
    if (typed.size() != kCodeLength)
        return std::nullopt;
    const QByteArray hash = sha256(typed);
    auto found = m_codes.end();
    for (auto it = m_codes.begin(); it != m_codes.end(); ++it) {
        if (sameHash(it->first, hash))
            found = it;
    }
    if (found == m_codes.end())
        return std::nullopt;
    const QString token = found->second.token;
    const QString id = found->second.phoneId;
    m_codes.erase(found);
    // The phone has taken its token up: it counts as used, so that closing the pairing window keeps it.
    for (Stored &s : m_phones) {
        if (s.phone.id == id) {
            s.phone.lastUse = m_clock.now();
            m_lastUseDirty = true;
        }
    }
    return token;
}

std::optional<PhoneTokens::Phone> PhoneTokens::check(const QString &token)
{
    if (!looksLikeToken(token))
        return std::nullopt;
    const QByteArray hash = sha256(token);
    std::lock_guard lock(m_mutex);
    load();
    Stored *found = nullptr;
    for (Stored &s : m_phones) {
        if (sameHash(s.hash, hash))
            found = &s;
    }
    if (!found)
        return std::nullopt;
    const QDateTime now = m_clock.now();
    found->phone.lastUse = now;
    m_lastUseDirty = true;
    // The phone holds its token: its one-time code is no longer needed.
    const QString id = found->phone.id;
    std::erase_if(m_codes, [&](const auto &entry) { return entry.second.phoneId == id; });
    const Phone phone = found->phone;
    if (!m_lastUseWritten.isValid() || m_lastUseWritten.secsTo(now) >= kLastUseSeconds) {
        try {
            flush();
        } catch (const DiskError &) {
            // Tried again at the next use.
        }
    }
    return phone;
}

std::vector<PhoneTokens::Phone> PhoneTokens::phones(const QString &technician) const
{
    std::lock_guard lock(m_mutex);
    load();
    std::vector<Phone> out;
    const QString name = field(technician);
    for (const Stored &s : m_phones) {
        if (s.phone.technician == name)
            out.push_back(s.phone);
    }
    return out;
}

void PhoneTokens::revokeWhere(const std::function<bool(const Phone &)> &which)
{
    std::lock_guard lock(m_mutex);
    load();
    std::vector<Stored> phones = m_phones;
    std::erase_if(phones, [&](const Stored &s) { return which(s.phone); });
    if (phones.size() == m_phones.size())
        return;
    save(phones);
    m_phones = std::move(phones);
    m_lastUseDirty = false;
    // The codes of the phones revoked go with them.
    std::erase_if(m_codes, [&](const auto &entry) {
        return std::none_of(m_phones.begin(), m_phones.end(),
                            [&](const Stored &s) { return s.phone.id == entry.second.phoneId; });
    });
}

void PhoneTokens::revoke(const QString &id)
{
    revokeWhere([&](const Phone &p) { return p.id == id; });
}

void PhoneTokens::renameTechnician(const QString &from, const QString &to)
{
    std::lock_guard lock(m_mutex);
    load();
    const QString oldName = field(from);
    std::vector<Stored> phones = m_phones;
    bool changed = false;
    for (Stored &s : phones) {
        if (s.phone.technician == oldName) {
            s.phone.technician = field(to);
            changed = true;
        }
    }
    if (!changed || field(to).isEmpty())
        return;
    save(phones);
    m_phones = std::move(phones);
    m_lastUseDirty = false;
}

void PhoneTokens::removeTechnician(const QString &name)
{
    const QString technician = field(name);
    revokeWhere([&](const Phone &p) { return p.technician == technician; });
}

void PhoneTokens::flush()
{
    std::lock_guard lock(m_mutex);
    if (!m_lastUseDirty)
        return;
    save(m_phones);
    m_lastUseDirty = false;
    m_lastUseWritten = m_clock.now();
}

int PhoneTokens::damagedLines() const
{
    std::lock_guard lock(m_mutex);
    load();
    return m_damaged;
}
