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

} // namespace

QString decode(const QByteArray &bytes, QString *encoding)
{
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
    const QString text = decode(bytes, &table.encoding);
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
    auto endRow = [&] {
        endValue();
        const bool blank =
            std::all_of(row.values.cbegin(), row.values.cend(), [](const QString &v) { return v.trimmed().isEmpty(); });
        if (!blank) {
            if (!headed) {
                table.headings = row.values;
                headed = true;
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
