#include "tools/recordjson.h"

#include "core/csv.h"

#include <QStringDecoder>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace {

// -- Writing

void appendJsonString(QString &out, const QString &text)
{
    out += QLatin1Char('"');
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        switch (u) {
        case '"':
            out += QLatin1String("\\\"");
            break;
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        default:
            // Control characters, and the C1 range that stands for the code page's unused bytes, are escaped
            // so that every line stays plain printable text.
            if (u < 0x20 || (u >= 0x7F && u < 0xA0))
                out += QStringLiteral("\\u%1").arg(uint(u), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += QLatin1Char('"');
}

template <typename T> QString shortestText(T value)
{
    if (!std::isfinite(value))
        return QStringLiteral("null");
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

// The value of a field as JSON or CSV wants it; quoted tells whether JSON puts it in quotes.
QString plainValue(const Record &record, int field, bool *quoted)
{
    *quoted = false;
    switch (record.layout().fieldSpec(field).kind) {
    case FieldKind::Text:
        *quoted = true;
        return record.text(field);
    case FieldKind::Int16:
        return QString::number(record.int16(field));
    case FieldKind::Int32:
        return QString::number(record.int32(field));
    case FieldKind::Byte:
        return QString::number(record.byte(field));
    case FieldKind::Single:
        return shortestText(record.single(field));
    case FieldKind::Double:
    case FieldKind::Date:
        return shortestText(record.real(field));
    case FieldKind::Currency:
        *quoted = true;
        return RecordJson::amountText(record.money(field));
    case FieldKind::Boolean:
        return record.boolean(field) ? QStringLiteral("true") : QStringLiteral("false");
    }
    return {};
}

// -- Reading: a JSON object whose values are plain values (the only form the records take)

struct JsonValue
{
    enum Type { String, Number, True, False, Null, Object, Array } type = Null;
    QString text; // the string's content, or the number as written
};

class ObjectParser
{
public:
    explicit ObjectParser(QStringView input)
        : m_s(input)
    {}

    // The members in order; on failure *key holds the key being read (if any) and *message the fault.
    bool parse(std::vector<std::pair<QString, JsonValue>> &members, QString *key, QString *message)
    {
        m_key = key;
        m_message = message;
        skipSpace();
        if (!take(u'{'))
            return fail(QStringLiteral("a line must hold one JSON object, beginning with {"));
        skipSpace();
        if (take(u'}'))
            return finish();
        for (;;) {
            skipSpace();
            QString name;
            if (peek() != u'"')
                return fail(QStringLiteral("a key in double quotes was expected"));
            if (!readString(name))
                return false;
            *m_key = name;
            skipSpace();
            if (!take(u':'))
                return fail(QStringLiteral("':' was expected after the key"));
            skipSpace();
            JsonValue value;
            if (!readValue(value))
                return false;
            const bool nested = value.type == JsonValue::Object || value.type == JsonValue::Array;
            members.emplace_back(name, std::move(value));
            if (nested)
                return true; // refused by the caller, which names the key and the type it wants
            skipSpace();
            if (take(u','))
                continue;
            if (take(u'}'))
                return finish();
            return fail(QStringLiteral("',' or '}' was expected after the value"));
        }
    }

private:
    QChar peek() const { return m_pos < m_s.size() ? m_s[m_pos] : QChar(); }
    bool take(char16_t c)
    {
        if (m_pos < m_s.size() && m_s[m_pos] == QChar(c)) {
            ++m_pos;
            return true;
        }
        return false;
    }
    void skipSpace()
    {
        while (m_pos < m_s.size() && (m_s[m_pos] == u' ' || m_s[m_pos] == u'\t' || m_s[m_pos] == u'\r'))
            ++m_pos;
    }
    bool fail(const QString &why)
    {
        *m_message = QStringLiteral("%1 (column %2)").arg(why).arg(m_pos + 1);
        return false;
    }
    bool finish()
    {
        skipSpace();
        if (m_pos < m_s.size()) {
            m_key->clear();
            return fail(QStringLiteral("nothing may follow the object on its line"));
        }
        return true;
    }

    bool readHex4(char16_t &unit)
    {
        if (m_pos + 4 > m_s.size())
            return fail(QStringLiteral("\\u must be followed by four hexadecimal digits"));
        bool ok = false;
        unit = char16_t(m_s.mid(m_pos, 4).toUShort(&ok, 16));
        if (!ok)
            return fail(QStringLiteral("\\u must be followed by four hexadecimal digits"));
        m_pos += 4;
        return true;
    }

    bool readString(QString &out)
    {
        ++m_pos; // the opening quote
        while (m_pos < m_s.size()) {
            const QChar c = m_s[m_pos++];
            if (c == u'"')
                return true;
            if (c.unicode() < 0x20)
                return fail(QStringLiteral("a control character inside a text must be written as an escape"));
            if (c != u'\\') {
                out += c;
                continue;
            }
            if (m_pos >= m_s.size())
                break;
            const QChar e = m_s[m_pos++];
            switch (e.unicode()) {
            case '"':
            case '\\':
            case '/':
                out += e;
                break;
            case 'b':
                out += QChar(u'\b');
                break;
            case 'f':
                out += QChar(u'\f');
                break;
            case 'n':
                out += QChar(u'\n');
                break;
            case 'r':
                out += QChar(u'\r');
                break;
            case 't':
                out += QChar(u'\t');
                break;
            case 'u': {
                char16_t unit = 0;
                if (!readHex4(unit))
                    return false;
                out += QChar(unit);
                break;
            }
            default:
                --m_pos;
                return fail(QStringLiteral("unknown escape \\%1").arg(e));
            }
        }
        return fail(QStringLiteral("the text is not closed with a double quote"));
    }

    bool readNumber(QString &out)
    {
        const qsizetype start = m_pos;
        auto digits = [&] {
            const qsizetype from = m_pos;
            while (m_pos < m_s.size() && m_s[m_pos] >= u'0' && m_s[m_pos] <= u'9')
                ++m_pos;
            return m_pos > from;
        };
        take(u'-');
        if (take(u'0')) {
            if (peek() >= u'0' && peek() <= u'9')
                return fail(QStringLiteral("a number may not begin with 0"));
        } else if (!digits()) {
            return fail(QStringLiteral("a value was expected"));
        }
        if (take(u'.') && !digits())
            return fail(QStringLiteral("digits must follow the decimal point"));
        if (take(u'e') || take(u'E')) {
            if (!take(u'+'))
                take(u'-');
            if (!digits())
                return fail(QStringLiteral("digits must follow the exponent"));
        }
        out = m_s.mid(start, m_pos - start).toString();
        return true;
    }

    bool readWord(QStringView word)
    {
        if (m_s.mid(m_pos).startsWith(word)) {
            m_pos += word.size();
            return true;
        }
        return false;
    }

    bool readValue(JsonValue &value)
    {
        const QChar c = peek();
        if (c == u'"') {
            value.type = JsonValue::String;
            return readString(value.text);
        }
        if (c == u'{' || c == u'[') {
            value.type = c == u'{' ? JsonValue::Object : JsonValue::Array;
            return true;
        }
        if (readWord(u"true")) {
            value.type = JsonValue::True;
            return true;
        }
        if (readWord(u"false")) {
            value.type = JsonValue::False;
            return true;
        }
        if (readWord(u"null")) {
            value.type = JsonValue::Null;
            return true;
        }
        value.type = JsonValue::Number;
        return readNumber(value.text);
    }

    QStringView m_s;
    qsizetype m_pos = 0;
    QString *m_key = nullptr;
    QString *m_message = nullptr;
};

QString typeName(const JsonValue &v)
{
    switch (v.type) {
    case JsonValue::String:
        return QStringLiteral("the text \"%1\"").arg(v.text.left(40));
    case JsonValue::Number:
        return QStringLiteral("the number %1").arg(v.text);
    case JsonValue::True:
        return QStringLiteral("true");
    case JsonValue::False:
        return QStringLiteral("false");
    case JsonValue::Null:
        return QStringLiteral("null");
    case JsonValue::Object:
        return QStringLiteral("an object");
    case JsonValue::Array:
        return QStringLiteral("an array");
    }
    return {};
}

std::optional<qint64> wholeNumber(const QString &token)
{
    const std::string s = token.toStdString();
    qint64 n = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
    if (ec == std::errc() && end == s.data() + s.size())
        return n;
    double d = 0;
    auto [dend, dec] = std::from_chars(s.data(), s.data() + s.size(), d);
    if (dec != std::errc() || dend != s.data() + s.size() || !std::isfinite(d) || std::trunc(d) != d ||
        std::fabs(d) > 9.0e15)
        return std::nullopt;
    return qint64(d);
}

template <typename T> std::optional<T> realNumber(const QString &token)
{
    const std::string s = token.toStdString();
    T value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return value;
}

// Stores one value in its field; the reason on failure.
std::optional<QString> storeValue(Record &record, int field, const JsonValue &v)
{
    const FieldKind kind = record.layout().fieldSpec(field).kind;
    auto expected = [&](const QString &what) { return QStringLiteral("expected %1, found %2").arg(what, typeName(v)); };
    auto whole = [&](qint64 low, qint64 high) -> std::optional<qint64> {
        if (v.type != JsonValue::Number)
            return std::nullopt;
        const auto n = wholeNumber(v.text);
        if (!n || *n < low || *n > high)
            return std::nullopt;
        return n;
    };
    auto range = [](qint64 low, qint64 high) {
        return QStringLiteral("a whole number from %1 to %2").arg(low).arg(high);
    };

    switch (kind) {
    case FieldKind::Text:
        if (v.type != JsonValue::String)
            return expected(QStringLiteral("a text in double quotes"));
        record.setText(field, v.text);
        return std::nullopt;
    case FieldKind::Int16: {
        constexpr qint64 low = std::numeric_limits<qint16>::min(), high = std::numeric_limits<qint16>::max();
        const auto n = whole(low, high);
        if (!n)
            return expected(range(low, high));
        record.setInt16(field, qint16(*n));
        return std::nullopt;
    }
    case FieldKind::Int32: {
        constexpr qint64 low = std::numeric_limits<qint32>::min(), high = std::numeric_limits<qint32>::max();
        const auto n = whole(low, high);
        if (!n)
            return expected(range(low, high));
        record.setInt32(field, qint32(*n));
        return std::nullopt;
    }
    case FieldKind::Byte: {
        const auto n = whole(0, 255);
        if (!n)
            return expected(range(0, 255));
        record.setByte(field, quint8(*n));
        return std::nullopt;
    }
    case FieldKind::Single: {
        const auto x = v.type == JsonValue::Number ? realNumber<float>(v.text) : std::nullopt;
        if (!x)
            return expected(QStringLiteral("a number within the range of a single-precision number"));
        record.setSingle(field, *x);
        return std::nullopt;
    }
    case FieldKind::Double:
    case FieldKind::Date: {
        const auto x = v.type == JsonValue::Number ? realNumber<double>(v.text) : std::nullopt;
        if (!x)
            return expected(kind == FieldKind::Date ? QStringLiteral("a number of days since 12/30/1899")
                                                    : QStringLiteral("a number"));
        record.setReal(field, *x);
        return std::nullopt;
    }
    case FieldKind::Currency: {
        const auto amount = v.type == JsonValue::String ? RecordJson::parseAmountText(v.text) : std::nullopt;
        if (!amount)
            return expected(
                QStringLiteral("an amount in double quotes with up to four decimals, such as \"-1234.5600\""));
        record.setMoney(field, *amount);
        return std::nullopt;
    }
    case FieldKind::Boolean:
        if (v.type != JsonValue::True && v.type != JsonValue::False)
            return expected(QStringLiteral("true or false"));
        record.setBoolean(field, v.type == JsonValue::True);
        return std::nullopt;
    }
    return std::nullopt;
}


} // namespace

namespace RecordJson {

QString amountText(Money amount)
{
    const qint64 raw = amount.raw();
    const quint64 magnitude = raw < 0 ? quint64(0) - quint64(raw) : quint64(raw);
    return QStringLiteral("%1%2.%3")
        .arg(raw < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / quint64(Money::kScale))
        .arg(magnitude % quint64(Money::kScale), 4, 10, QLatin1Char('0'));
}

std::optional<Money> parseAmountText(QStringView text)
{
    qsizetype i = 0;
    const bool negative = text.startsWith(u'-');
    if (negative)
        ++i;
    quint64 magnitude = 0;
    int wholeDigits = 0;
    int decimals = 0;
    bool point = false;
    constexpr quint64 limit = quint64(std::numeric_limits<qint64>::max()) + 1;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'.' && !point) {
            point = true;
            continue;
        }
        if (c < u'0' || c > u'9')
            return std::nullopt;
        if (point && ++decimals > 4)
            return std::nullopt;
        if (!point)
            ++wholeDigits;
        const quint64 digit = quint64(c.unicode() - u'0');
        if (magnitude > (limit - digit) / 10)
            return std::nullopt;
        magnitude = magnitude * 10 + digit;
    }
    if (wholeDigits == 0 || (point && decimals == 0))
        return std::nullopt;
    for (int d = decimals; d < 4; ++d) {
        if (magnitude > limit / 10)
            return std::nullopt;
        magnitude *= 10;
    }
    if (magnitude > limit || (!negative && magnitude == limit))
        return std::nullopt;
    return Money::fromRaw(negative ? qint64(quint64(0) - magnitude) : qint64(magnitude));
}

QString numberText(double value)
{
    return shortestText(value);
}
QString numberText(float value)
{
    return shortestText(value);
}

QString toLine(const Record &record)
{
    const RecordLayout &layout = record.layout();
    QString out;
    out.reserve(layout.length() + 16 * layout.fieldCount());
    out += QLatin1Char('{');
    for (int i = 0; i < layout.fieldCount(); ++i) {
        if (i > 0)
            out += QLatin1Char(',');
        appendJsonString(out, layout.fieldName(i));
        out += QLatin1Char(':');
        bool quoted = false;
        const QString value = plainValue(record, i, &quoted);
        if (quoted)
            appendJsonString(out, value);
        else
            out += value;
    }
    out += QLatin1Char('}');
    return out;
}

std::optional<Record> fromLine(const RecordLayout &layout, QStringView line, QString *key, QString *message)
{
    key->clear();
    std::vector<std::pair<QString, JsonValue>> members;
    if (!ObjectParser(line).parse(members, key, message))
        return std::nullopt;
    Record record(layout);
    std::vector<bool> seen(std::size_t(layout.fieldCount()), false);
    for (const auto &[name, value] : members) {
        *key = name;
        int field = -1;
        for (int i = 0; i < layout.fieldCount(); ++i) {
            if (layout.fieldName(i) == name)
                field = i;
        }
        if (field < 0) {
            const int similar = layout.indexOf(name);
            *message = similar >= 0 ? QStringLiteral("unknown key; did you mean \"%1\"?").arg(layout.fieldName(similar))
                                    : QStringLiteral("unknown key for a %1").arg(layout.name());
            return std::nullopt;
        }
        if (seen[std::size_t(field)]) {
            *message = QStringLiteral("the key is given twice");
            return std::nullopt;
        }
        seen[std::size_t(field)] = true;
        if (value.type == JsonValue::Null)
            continue;
        if (const auto why = storeValue(record, field, value)) {
            *message = *why;
            return std::nullopt;
        }
    }
    key->clear();
    return record;
}

QString LineError::text() const
{
    if (key.isEmpty())
        return QStringLiteral("line %1: %2").arg(line).arg(message);
    return QStringLiteral("line %1, key \"%2\": %3").arg(line).arg(key, message);
}

std::variant<std::vector<Record>, LineError> fromLines(const RecordLayout &layout, const QByteArray &input)
{
    std::vector<Record> records;
    int number = 0;
    qsizetype start = input.startsWith("\xEF\xBB\xBF") ? 3 : 0; // a byte-order mark some editors put first
    while (start < input.size()) {
        qsizetype end = input.indexOf('\n', start);
        if (end < 0)
            end = input.size();
        const QByteArrayView bytes(input.constData() + start, end - start);
        start = end + 1;
        ++number;
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString line = decoder.decode(bytes);
        if (decoder.hasError())
            return LineError{number, {}, QStringLiteral("the line is not valid UTF-8 text")};
        if (line.trimmed().isEmpty())
            continue;
        QString key;
        QString message;
        auto record = fromLine(layout, line, &key, &message);
        if (!record)
            return LineError{number, key, message};
        records.push_back(std::move(*record));
    }
    return records;
}

} // namespace RecordJson

namespace RecordCsv {

QString header(const RecordLayout &layout)
{
    QStringList names;
    for (int i = 0; i < layout.fieldCount(); ++i)
        names << Csv::plain(layout.fieldName(i));
    return names.join(QLatin1Char(',')) + QLatin1String("\r\n");
}

QString row(const Record &record)
{
    QStringList values;
    for (int i = 0; i < record.layout().fieldCount(); ++i) {
        bool quoted = false;
        QString value = plainValue(record, i, &quoted);
        if (!quoted && value == QLatin1String("null"))
            value.clear();
        values << (quoted ? Csv::text(value) : Csv::plain(value));
    }
    return values.join(QLatin1Char(',')) + QLatin1String("\r\n");
}

} // namespace RecordCsv
