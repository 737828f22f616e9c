#include "core/csvreader.h"

#include "core/cp1252.h"
#include "core/formats.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QSysInfo>
#include <algorithm>

namespace CsvReader {

namespace {

// Text saved as UTF-16 without a byte-order mark: in the first bytes, most characters (Latin letters, digits,
// punctuation) have a zero byte on one side and almost none on the other.
std::optional<QSysInfo::Endian> utf16WithoutMark(const QByteArray &bytes)
{
    const qsizetype pairs = std::min<qsizetype>(bytes.size(), 4096) / 2;
    if (pairs < 2)
        return std::nullopt;
    qsizetype zeroFirst = 0;
    qsizetype zeroSecond = 0;
    for (qsizetype i = 0; i < pairs; ++i) {
        zeroFirst += bytes[2 * i] == 0 ? 1 : 0;
        zeroSecond += bytes[2 * i + 1] == 0 ? 1 : 0;
    }
    if (zeroSecond * 10 >= pairs * 6 && zeroFirst * 20 <= pairs)
        return QSysInfo::LittleEndian;
    if (zeroFirst * 10 >= pairs * 6 && zeroSecond * 20 <= pairs)
        return QSysInfo::BigEndian;
    return std::nullopt;
}

// After the closing quote of a value only blanks may come before the separator or the end of the line.
bool closesValue(const QString &text, qsizetype after, QChar sep)
{
    for (qsizetype i = after; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == sep || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            return true;
        if (c != QLatin1Char(' '))
            return false;
    }
    return true;
}

// Bytes 0x80 to 0xFF of Mac Roman.
constexpr char16_t kMacRoman[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5,
    0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3, 0x00F2, 0x00F4,
    0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6,
    0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8, 0x221E, 0x00B1, 0x2264, 0x2265,
    0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF,
    0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB, 0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5,
    0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044,
    0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02, 0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1,
    0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9,
    0x0131, 0x02C6, 0x02DC, 0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7};

QString macRoman(const QByteArray &bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[i] = b < 0x80 ? QChar(b) : QChar(kMacRoman[b - 0x80]);
    }
    return out;
}

// The UTF-8 sequences of more than one byte that are whole, and the bytes that belong to none.
struct Utf8Count
{
    qsizetype sequences = 0;
    qsizetype stray = 0;
};

Utf8Count countUtf8(const QByteArray &bytes)
{
    Utf8Count count;
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        const int length = b < 0x80                 ? 1
                           : b >= 0xC2 && b <= 0xDF ? 2
                           : b >= 0xE0 && b <= 0xEF ? 3
                           : b >= 0xF0 && b <= 0xF4 ? 4
                                                    : 0;
        int whole = length > 0 && i + length <= n ? length : 0;
        for (int k = 1; k < whole; ++k) {
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80)
                whole = 0;
        }
        if (whole == 0) {
            ++count.stray;
            ++i;
        } else {
            count.sequences += whole > 1 ? 1 : 0;
            i += whole;
        }
    }
    return count;
}

} // namespace

QString decode(const QByteArray &bytes, QString *encoding, bool *strayBytes)
{
    if (strayBytes)
        *strayBytes = false;
    auto named = [encoding](const char *name) {
        if (encoding)
            *encoding = QString::fromLatin1(name);
    };
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        named("UTF-8 with byte-order mark");
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    }
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        named("UTF-16");
        QStringDecoder utf16(QStringDecoder::Utf16, QStringDecoder::Flag::Stateless);
        return utf16(bytes);
    }
    if (const auto order = utf16WithoutMark(bytes)) {
        named("UTF-16");
        QStringDecoder utf16(*order == QSysInfo::LittleEndian ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                             QStringDecoder::Flag::Stateless);
        return utf16(bytes);
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    if (!utf8.hasError()) {
        named("UTF-8");
        return text;
    }
    // Mostly whole UTF-8 sequences with a stray byte or two: a UTF-8 file, not a code page's text whose
    // accents happen to pair up.
    const Utf8Count count = countUtf8(bytes);
    if (count.sequences >= count.stray) {
        named("UTF-8");
        if (strayBytes)
            *strayBytes = true;
        return text;
    }
    if (bytes.contains('\r') && !bytes.contains('\n')) {
        named("Mac Roman");
        return macRoman(bytes);
    }
    named("Windows-1252");
    return Cp1252::decode(bytes);
}

QChar separatorOf(const QString &text)
{
    int commas = 0;
    int semicolons = 0;
    int tabs = 0;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            break;
        else if (c == QLatin1Char(','))
            ++commas;
        else if (c == QLatin1Char(';'))
            ++semicolons;
        else if (c == QLatin1Char('\t'))
            ++tabs;
    }
    if (semicolons > commas && semicolons >= tabs)
        return QLatin1Char(';');
    if (tabs > commas && tabs > semicolons)
        return QLatin1Char('\t');
    return QLatin1Char(',');
}

std::optional<QChar> namedSeparator(const QString &text)
{
    const QString first = text.section(QLatin1Char('\n'), 0, 0).trimmed().remove(QLatin1Char('"'));
    if (first.size() == 5 && first.startsWith(QLatin1String("sep="), Qt::CaseInsensitive))
        return first.at(4);
    if (first.compare(QLatin1String("sep=\\t"), Qt::CaseInsensitive) == 0)
        return QLatin1Char('\t');
    return std::nullopt;
}

Table read(const QByteArray &bytes)
{
    Table table;
    bool strayBytes = false;
    const QString text = decode(bytes, &table.encoding, &strayBytes);
    int line = 1;
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (const auto named = namedSeparator(text)) {
        table.separator = *named;
        while (i < n && text.at(i) != QLatin1Char('\n'))
            ++i;
        ++i;
        ++line;
    } else {
        table.separator = separatorOf(text);
    }
    const QChar sep = table.separator;

    Row row{line, {}};
    QString value;
    bool quoted = false;    // inside a quoted value
    bool wasQuoted = false; // the value began with a quote
    bool headed = false;
    qsizetype quoteAt = 0; // where the open quote is, on which line, and whether it ran past its line
    int quoteLine = 0;
    bool quoteCrossed = false;
    auto endValue = [&] {
        row.values.append(value);
        value.clear();
        wasQuoted = false;
    };
    // A row whose values would land in other columns, or that holds a byte the file's encoding does not read.
    auto rowProblem = [&](const Row &r) -> QString {
        const auto filled =
            std::find_if(r.values.crbegin(), r.values.crend(), [](const QString &v) { return !v.trimmed().isEmpty(); });
        const qsizetype count = r.values.crend() - filled;
        if (count > table.headings.size())
            return QStringLiteral("the row has %1 values and the file %2 headings; the row is left out, so that no "
                                  "value lands in another column (a value with a comma must be in quotes)")
                .arg(count)
                .arg(table.headings.size());
        if (strayBytes && std::any_of(r.values.cbegin(), r.values.cend(),
                                      [](const QString &v) { return v.contains(QChar::ReplacementCharacter); }))
            return QStringLiteral("the row holds a byte that is not UTF-8 text, in which the file is written; the "
                                  "row is left out");
        return {};
    };
    auto endRow = [&] {
        endValue();
        const bool blank =
            std::all_of(row.values.cbegin(), row.values.cend(), [](const QString &v) { return v.trimmed().isEmpty(); });
        if (!blank) {
            if (!headed) {
                table.headings = row.values;
                headed = true;
            } else if (const QString why = rowProblem(row); !why.isEmpty()) {
                table.refused.push_back({row.line, why});
            } else {
                table.rows.push_back(std::move(row));
            }
        }
        row = Row{line, {}};
    };
    // A quote that never closes where a value ends: the row is refused at the quote's line, and reading
    // starts again on the line after it.
    auto refuseOpenQuote = [&] {
        table.refused.push_back(
            {quoteLine, QStringLiteral("a quoted value begins on this line and is not closed; the row is left out")});
        i = quoteAt;
        while (i < n && text.at(i) != QLatin1Char('\r') && text.at(i) != QLatin1Char('\n'))
            ++i;
        if (i + 1 < n && text.at(i) == QLatin1Char('\r') && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        line = quoteLine + 1;
        row = Row{line, {}};
        value.clear();
        quoted = false;
        wasQuoted = false;
    };
    for (; i < n || quoted; ++i) {
        if (i >= n) {
            refuseOpenQuote();
            continue;
        }
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < n && text.at(i + 1) == QLatin1Char('"')) {
                    value += c;
                    ++i;
                } else if (quoteCrossed && (!closesValue(text, i + 1, sep) || text.at(i - 1) == sep)) {
                    refuseOpenQuote();
                } else {
                    quoted = false;
                }
            } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
                if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
                    ++i;
                value += QLatin1Char('\n');
                ++line;
                quoteCrossed = true;
            } else {
                value += c;
            }
            continue;
        }
        if (c == QLatin1Char('"') && value.trimmed().isEmpty() && !wasQuoted) {
            value.clear();
            quoted = true;
            wasQuoted = true;
            quoteAt = i;
            quoteLine = line;
            quoteCrossed = false;
        } else if (c == sep) {
            endValue();
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            ++line;
            endRow();
        } else {
            value += c;
        }
    }
    if (!value.isEmpty() || !row.values.isEmpty() || wasQuoted)
        endRow();
    return table;
}

std::optional<Table> readFile(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("%1 cannot be read: %2").arg(QDir::toNativeSeparators(path), file.errorString());
        return std::nullopt;
    }
    return read(file.readAll());
}

QString oneLine(QString value)
{
    if (value.size() > 1 && value.front() == QLatin1Char('\'') && QStringLiteral("=+-@\t\r").contains(value.at(1)))
        value.remove(0, 1);
    else if (value.size() >= 3 && value.startsWith(QLatin1String("=\"")) && value.endsWith(QLatin1Char('"')))
        value = value.mid(2, value.size() - 3).replace(QStringLiteral("\"\""), QStringLiteral("\""));
    for (QChar &c : value) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char(' ');
    }
    return value.trimmed();
}

namespace {

// The amount as plain digits with a decimal point ("1250.00"), read with `mark` as the decimal mark and the
// other of comma and point as the thousands separator; nothing when it is not written that way.
std::optional<QString> readAmount(const QString &value, QChar mark)
{
    QString v;
    for (const QChar c : value) {
        if (!c.isSpace() && c != QLatin1Char('$') && c != QChar(0x20AC) && c != QChar(0xA3))
            v += c;
    }
    const QChar group = mark == QLatin1Char('.') ? QLatin1Char(',') : QLatin1Char('.');
    const QRegularExpression pattern(QStringLiteral("^(-?)((?:\\d{1,3}(?:%1\\d{3})+)|\\d+)(?:%2(\\d+))?$")
                                         .arg(QRegularExpression::escape(group), QRegularExpression::escape(mark)));
    const QRegularExpressionMatch m = pattern.match(v);
    if (!m.hasMatch())
        return std::nullopt;
    QString digits = m.captured(2);
    digits.remove(group);
    return m.captured(1) + digits + (m.captured(3).isEmpty() ? QString() : QLatin1Char('.') + m.captured(3));
}

} // namespace

DecimalMark decimalMarkOf(const Table &table, int column)
{
    int point = 0;
    int comma = 0;
    for (const Row &row : table.rows) {
        if (column < 0 || column >= row.values.size())
            continue;
        const QString v = oneLine(row.values[column]);
        const auto byPoint = readAmount(v, QLatin1Char('.'));
        const auto byComma = readAmount(v, QLatin1Char(','));
        point += byPoint && !byComma ? 1 : 0;
        comma += byComma && !byPoint ? 1 : 0;
    }
    if (point != comma)
        return {point > comma ? QLatin1Char('.') : QLatin1Char(','), true};
    return {table.separator == QLatin1Char(';') ? QLatin1Char(',') : QLatin1Char('.'), false};
}

std::optional<QString> amountText(const QString &value, const DecimalMark &decimals, const QString &heading,
                                  QString &why)
{
    const QChar other = decimals.mark == QLatin1Char('.') ? QLatin1Char(',') : QLatin1Char('.');
    const auto mine = readAmount(value, decimals.mark);
    const auto theirs = readAmount(value, other);
    const auto name = [](QChar mark) {
        return mark == QLatin1Char('.') ? QStringLiteral("point") : QStringLiteral("comma");
    };
    if (mine && theirs && *mine != *theirs && !decimals.fromValues) {
        const auto shown = [](const QString &plain) {
            const auto amount = Formats::parseCurrency(plain);
            return amount ? Formats::currency(*amount) : plain;
        };
        why = QStringLiteral("the %1 %2 can mean %3 or %4; write it with its cents")
                  .arg(heading, value, shown(*mine), shown(*theirs));
        return std::nullopt;
    }
    if (!mine && theirs) {
        why = QStringLiteral("the %1 %2 is written with a decimal %3, the file's other amounts with a decimal %4")
                  .arg(heading, value, name(other), name(decimals.mark));
        return std::nullopt;
    }
    return mine ? *mine : value;
}

} // namespace CsvReader
