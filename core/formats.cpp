#include "core/formats.h"

#include <QLocale>
#include <limits>

namespace {

constexpr qint64 kCent = 100; // in ten-thousandths

// Whole digits and up to four decimals of a plain non-negative number; nothing when it is not one.
std::optional<qint64> parsePlain(QStringView text, QChar decimalPoint)
{
    if (text.isEmpty())
        return std::nullopt;
    qint64 whole = 0;
    qint64 fraction = 0;
    int fractionDigits = 0;
    bool seenPoint = false;
    bool seenDigit = false;
    int roundDigit = -1;
    for (const QChar c : text) {
        if (c == decimalPoint && !seenPoint) {
            seenPoint = true;
            continue;
        }
        if (!c.isDigit() || c.unicode() > '9')
            return std::nullopt;
        seenDigit = true;
        const int d = c.digitValue();
        if (!seenPoint) {
            if (whole > (std::numeric_limits<qint64>::max() / Money::kScale - 9) / 10)
                return std::nullopt;
            whole = whole * 10 + d;
        } else if (fractionDigits < 4) {
            fraction = fraction * 10 + d;
            ++fractionDigits;
        } else if (roundDigit < 0) {
            roundDigit = d;
        }
    }
    if (!seenDigit)
        return std::nullopt;
    while (fractionDigits < 4) {
        fraction *= 10;
        ++fractionDigits;
    }
    qint64 raw = whole * Money::kScale + fraction;
    if (roundDigit >= 5)
        ++raw;
    return raw;
}

} // namespace

namespace Formats {

QString shortDate(const QDate &date)
{
    if (!date.isValid())
        return {};
    // Built by hand: boards and reports format thousands of dates at a time.
    int y = 0, m = 0, d = 0;
    date.getDate(&y, &m, &d);
    QString out;
    out.reserve(10);
    out += QString::number(m);
    out += QLatin1Char('/');
    out += QString::number(d);
    out += QLatin1Char('/');
    out += QString::number(y);
    return out;
}

std::optional<QDate> parseShortDate(const QString &text)
{
    // Read in place, without splitting into new strings: boards read thousands of dates as they open.
    const QStringView trimmed = QStringView(text).trimmed();
    int values[3] = {0, 0, 0};
    qsizetype digits[3] = {0, 0, 0};
    int part = 0;
    for (const QChar c : trimmed) {
        if (c == QLatin1Char('/')) {
            if (++part > 2)
                return std::nullopt;
            continue;
        }
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        if (++digits[part] > (part == 2 ? 4 : 2))
            return std::nullopt;
        values[part] = values[part] * 10 + (c.unicode() - '0');
    }
    if (part != 2 || digits[0] == 0 || digits[1] == 0 || digits[2] == 0 || digits[2] == 3)
        return std::nullopt;
    int year = values[2];
    if (digits[2] <= 2)
        year += year < 30 ? 2000 : 1900;
    const QDate date(year, values[0], values[1]);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

QString currency(Money amount)
{
    const qint64 raw = roundToCents(amount).raw();
    const bool negative = raw < 0;
    // Work with the magnitude as unsigned so that the smallest value does not overflow.
    const quint64 magnitude = negative ? quint64(0) - quint64(raw) : quint64(raw);
    const quint64 cents = magnitude / quint64(kCent);
    // Built right to left in one buffer: grids format a hundred thousand amounts at a time.
    char buffer[40];
    char *p = buffer + sizeof buffer;
    if (negative)
        *--p = ')';
    *--p = char('0' + cents % 10);
    *--p = char('0' + cents / 10 % 10);
    *--p = '.';
    quint64 whole = cents / 100;
    for (int digits = 0;; ++digits) {
        if (digits && digits % 3 == 0)
            *--p = ',';
        *--p = char('0' + whole % 10);
        whole /= 10;
        if (whole == 0)
            break;
    }
    *--p = '$';
    if (negative)
        *--p = '(';
    return QString::fromLatin1(p, buffer + sizeof buffer - p);
}

namespace {

// The amounts the program writes ("$1,234.56", "($0.50)") read without a copy of the text; anything else is
// left to the general reader, which gives the same value for these.
std::optional<Money> parseWrittenCurrency(QStringView text)
{
    text = text.trimmed();
    const bool negative = text.size() > 2 && text.front() == u'(' && text.back() == u')';
    if (negative)
        text = text.sliced(1, text.size() - 2);
    if (text.size() < 5 || text.front() != u'$' || text[text.size() - 3] != u'.')
        return std::nullopt;
    qint64 units = 0;
    int digits = 0;
    for (qsizetype i = 1; i < text.size() - 3; ++i) {
        const char16_t c = text[i].unicode();
        if (c >= u'0' && c <= u'9') {
            if (++digits > 14) // larger amounts go the general way, which guards the range
                return std::nullopt;
            units = units * 10 + (c - u'0');
        } else if (c != u',') {
            return std::nullopt;
        }
    }
    const char16_t tens = text[text.size() - 2].unicode(), ones = text[text.size() - 1].unicode();
    if (digits == 0 || tens < u'0' || tens > u'9' || ones < u'0' || ones > u'9')
        return std::nullopt;
    const qint64 raw = units * Money::kScale + ((tens - u'0') * 10 + (ones - u'0')) * kCent;
    return Money::fromRaw(negative ? -raw : raw);
}

} // namespace

std::optional<Money> parseCurrency(const QString &input)
{
    if (const auto written = parseWrittenCurrency(input))
        return written;
    QString text = input.trimmed();
    bool negative = false;
    if (text.startsWith(QLatin1Char('(')) && text.endsWith(QLatin1Char(')'))) {
        negative = true;
        text = text.mid(1, text.size() - 2).trimmed();
    }
    // One negative mark at most: "(-5)" or "--5" is not an amount, rather than a positive one.
    const auto takeMinus = [&] {
        if (!text.startsWith(QLatin1Char('-')))
            return true;
        if (negative)
            return false;
        negative = true;
        text = text.mid(1).trimmed();
        return true;
    };
    if (!takeMinus())
        return std::nullopt;
    if (text.startsWith(QLatin1Char('$')))
        text = text.mid(1).trimmed();
    if (!takeMinus())
        return std::nullopt;
    text.remove(QLatin1Char(','));
    text.remove(QLatin1Char(' '));
    const auto raw = parsePlain(text, QLatin1Char('.'));
    if (!raw)
        return std::nullopt;
    return Money::fromRaw(negative ? -*raw : *raw);
}

Money currencyOrZero(const QString &text)
{
    return parseCurrency(text).value_or(Money());
}

std::optional<Money> parseDecimal(const QString &input)
{
    QString text = input.trimmed();
    text.remove(QLatin1Char('%'));
    text = text.trimmed();
    bool negative = false;
    if (text.startsWith(QLatin1Char('-'))) {
        negative = true;
        text = text.mid(1);
    }
    const QChar point =
        text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('.')) ? QLatin1Char(',') : QLatin1Char('.');
    const auto raw = parsePlain(text, point);
    if (!raw)
        return std::nullopt;
    return Money::fromRaw(negative ? -*raw : *raw);
}

Money roundToCents(Money amount)
{
    const qint64 raw = amount.raw();
    const qint64 rest = raw % kCent;
    qint64 down = raw - rest;
    if (rest >= kCent / 2)
        down += kCent;
    else if (rest <= -kCent / 2)
        down -= kCent;
    return Money::fromRaw(down);
}

Money percentOf(Money amount, Money ratePercent)
{
    // raw * rateRaw / (100 * 10000) in 128 bits: the tax to four decimals, halves to the even last digit.
    // Worked on the magnitude, so that a negative amount rounds as its positive counterpart.
    const __int128 product = __int128(amount.raw()) * __int128(ratePercent.raw());
    const bool negative = product < 0;
    const unsigned __int128 magnitude = negative ? (unsigned __int128)(-product) : (unsigned __int128)product;
    const unsigned __int128 divisor = 100u * unsigned(Money::kScale);
    unsigned __int128 quotient = magnitude / divisor;
    const unsigned __int128 twice = 2 * (magnitude % divisor);
    if (twice > divisor || (twice == divisor && (quotient & 1u) != 0))
        ++quotient;
    const qint64 result = qint64(quotient);
    return Money::fromRaw(negative ? -result : result);
}

Money taxInCents(Money amount, Money ratePercent)
{
    // Rounded once, from the exact product, so that no four-decimal step moves a half cent.
    const __int128 product = __int128(amount.raw()) * __int128(ratePercent.raw());
    const bool negative = product < 0;
    const unsigned __int128 magnitude = negative ? (unsigned __int128)(-product) : (unsigned __int128)product;
    const unsigned __int128 divisor = 100u * unsigned(Money::kScale) * unsigned(kCent);
    unsigned __int128 cents = magnitude / divisor;
    if (2 * (magnitude % divisor) >= divisor)
        ++cents;
    const qint64 result = qint64(cents) * kCent;
    return Money::fromRaw(negative ? -result : result);
}

QString weekdayName(const QDate &date)
{
    return QLocale(QLocale::English, QLocale::UnitedStates).dayName(date.dayOfWeek(), QLocale::LongFormat);
}

} // namespace Formats
