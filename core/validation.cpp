#include "core/validation.h"

#include "core/cp1252.h"

#include <algorithm>
#include <cmath>

namespace Validation {

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

KeyVerdict refuseCharacter(QChar ch, bool soundAlarm)
{
    return {
        false,
        {QStringLiteral("This character, (") + ch + QStringLiteral(") is invalid for this field"), kInvalidKeyTitle},
        soundAlarm};
}

} // namespace

bool isNumeric(const QString &input)
{
    const QString text = input.trimmed();
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ++i;
    int digits = 0;
    // Whole part: digits, with "," allowed once a digit was seen.
    while (i < n && (isDigit(text[i]) || (text[i] == QLatin1Char(',') && digits > 0))) {
        if (isDigit(text[i]))
            ++digits;
        ++i;
    }
    if (i < n && text[i] == QLatin1Char('.')) {
        ++i;
        while (i < n && isDigit(text[i])) {
            ++digits;
            ++i;
        }
    }
    if (digits == 0)
        return false;
    if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        ++i;
        if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
            ++i;
        int exponentDigits = 0;
        while (i < n && isDigit(text[i])) {
            ++exponentDigits;
            ++i;
        }
        if (exponentDigits == 0)
            return false;
    }
    return i == n;
}

KeyVerdict amountKeyFilter(const QString &text, QChar ch)
{
    if (ch == kBackspace)
        return KeyVerdict::accept();
    if (ch == QLatin1Char('0') && text.isEmpty())
        return KeyVerdict::swallow(); // an amount does not begin with 0
    const bool hasPoint = text.contains(QLatin1Char('.'));
    if (text.size() >= 3 && hasPoint && text.at(text.size() - 3) == QLatin1Char('.'))
        return KeyVerdict::swallow(); // two decimals already
    if (ch == QLatin1Char('.') && hasPoint)
        return KeyVerdict::swallow();
    if (isDigit(ch) || ch == QLatin1Char('.'))
        return KeyVerdict::accept();
    return KeyVerdict::swallow();
}

KeyVerdict invalidCharacterFilter(const QString &text, QChar ch, bool soundAlarm)
{
    if (ch == kBackspace || isNumeric(text))
        return KeyVerdict::accept();
    static const QString refused = QStringLiteral(",&.\\*/?");
    if (refused.contains(ch))
        return refuseCharacter(ch, soundAlarm);
    return KeyVerdict::accept();
}

KeyVerdict quoteKeyFilter(const QString &, QChar ch, bool soundAlarm)
{
    if (ch == QLatin1Char('"'))
        return refuseCharacter(ch, soundAlarm);
    return KeyVerdict::accept();
}

Notice unstorableCharacter(const QString &character)
{
    return {QStringLiteral("The character \"") + character +
                QStringLiteral("\" cannot be stored in the data files. Please type another character."),
            kInvalidKeyTitle};
}

std::optional<Notice> unstorableText(const QString &text)
{
    const QString bad = Cp1252::firstUnencodable(text);
    if (bad.isEmpty())
        return std::nullopt;
    return unstorableCharacter(bad);
}

PasteResult filterPaste(const KeyFilter &filter, const QString &text, int position, int selected, const QString &pasted)
{
    const int start = std::clamp(position, 0, int(text.size()));
    const int removed = std::clamp(selected, 0, int(text.size()) - start);
    QString current = text;
    current.remove(start, removed);
    int cursor = start;
    for (const QChar ch : pasted) {
        const KeyVerdict verdict = filter(current, ch);
        if (!verdict.accepted)
            return {false, text, verdict};
        current.insert(cursor++, ch);
    }
    return {true, current, {}};
}

QString joinNameParts(const QString &a, const QString &b, const QString &, const QString &d)
{
    QString joined;
    if (const QString part = a.trimmed(); !part.isEmpty())
        joined += part + QLatin1Char(' ');
    if (const QString part = b.trimmed(); !part.isEmpty())
        joined += part + QLatin1Char(' ');
    if (const QString part = d.trimmed(); !part.isEmpty())
        joined += part;
    return joined;
}

Notice calendarInvalid()
{
    return {kCalendarInvalid, {}};
}

std::optional<Notice> telephoneStructureError(const QString &telephone)
{
    if (isNumeric(telephone.right(4)))
        return std::nullopt;
    return Notice{kTelephoneInvalid, {}};
}

SlipNumberCheck checkSlipNumber(const QString &text)
{
    if (!isNumeric(text))
        return {0, Notice{kSlipNotNumeric, {}}};
    QString plain = text.trimmed();
    plain.remove(QLatin1Char(','));
    bool ok = false;
    const double value = plain.toDouble(&ok);
    const double rounded = ok && std::isfinite(value) ? std::nearbyint(value) : 0.0;
    if (rounded < 1.0 || rounded > 32767.0)
        return {0, Notice{kSlipOutOfRange, {}}};
    return {qint16(rounded), std::nullopt};
}

void flattenLines(QString &text, int &position)
{
    if (std::none_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; }))
        return;
    QString out;
    out.reserve(text.size());
    int newPosition = position;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) {
            if (i + 1 < position)
                --newPosition; // two characters became one
            continue;
        }
        out.append(c < 0x20 || c == 0x7f ? QChar(u' ') : QChar(c));
    }
    text = out;
    position = std::clamp(newPosition, 0, int(text.size()));
}

} // namespace Validation
