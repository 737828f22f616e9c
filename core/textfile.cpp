#include "core/textfile.h"

#include "core/cp1252.h"

#include <cmath>
#include <limits>

namespace {
const QByteArray kLineEnd("\r\n");

QByteArray numberText(double value)
{
    if (!std::isfinite(value))
        return "0";
    if (value == std::trunc(value) && std::fabs(value) < 1e15)
        return QByteArray::number(qint64(value));
    return QByteArray::number(value, 'g', 15);
}
} // namespace

TextWriter &TextWriter::writeValues(std::initializer_list<Value> values)
{
    bool first = true;
    for (const Value &value : values) {
        if (!first)
            m_bytes.append(',');
        first = false;
        if (const auto *text = std::get_if<QString>(&value)) {
            m_bytes.append('"').append(Cp1252::encode(*text)).append('"');
        } else if (const auto *integer = std::get_if<qint64>(&value)) {
            m_bytes.append(QByteArray::number(*integer));
        } else if (const auto *number = std::get_if<double>(&value)) {
            m_bytes.append(numberText(*number));
        } else {
            m_bytes.append(std::get<bool>(value) ? "#TRUE#" : "#FALSE#");
        }
    }
    m_bytes.append(kLineEnd);
    return *this;
}

TextWriter &TextWriter::printLine(const QString &text)
{
    m_bytes.append(Cp1252::encode(text)).append(kLineEnd);
    return *this;
}

// A file saved by an editor that puts a UTF-8 byte-order mark first reads as if it had none.
static void skipMark(const QByteArray &bytes, qsizetype &pos)
{
    if (pos == 0 && bytes.startsWith("\xEF\xBB\xBF"))
        pos = 3;
}

QByteArray TextReader::nextRaw(bool *quoted)
{
    *quoted = false;
    skipMark(m_bytes, m_pos);
    const qsizetype size = m_bytes.size();
    while (m_pos < size && (m_bytes[m_pos] == ' ' || m_bytes[m_pos] == '\t'))
        ++m_pos;
    if (m_pos >= size)
        return {};
    QByteArray value;
    if (m_bytes[m_pos] == '"') {
        *quoted = true;
        ++m_pos;
        qsizetype end = m_bytes.indexOf('"', m_pos);
        // An unclosed quote runs to the end of its line, never over the rest of the file.
        const qsizetype lineEnd = [&] {
            qsizetype e = m_pos;
            while (e < size && m_bytes[e] != '\r' && m_bytes[e] != '\n')
                ++e;
            return e;
        }();
        if (end < 0 || end > lineEnd)
            end = lineEnd;
        value = m_bytes.mid(m_pos, end - m_pos);
        m_pos = end < size && m_bytes[end] == '"' ? end + 1 : end;
        // Whatever stands between the closing quote and the separator is dropped.
        while (m_pos < size && m_bytes[m_pos] != ',' && m_bytes[m_pos] != '\r' && m_bytes[m_pos] != '\n')
            ++m_pos;
    } else {
        const qsizetype start = m_pos;
        while (m_pos < size && m_bytes[m_pos] != ',' && m_bytes[m_pos] != '\r' && m_bytes[m_pos] != '\n')
            ++m_pos;
        value = m_bytes.mid(start, m_pos - start).trimmed();
    }
    // Consume one separator: a comma, or a line end (CR LF, CR or LF).
    if (m_pos < size) {
        if (m_bytes[m_pos] == ',') {
            ++m_pos;
        } else if (m_bytes[m_pos] == '\r') {
            ++m_pos;
            if (m_pos < size && m_bytes[m_pos] == '\n')
                ++m_pos;
        } else if (m_bytes[m_pos] == '\n') {
            ++m_pos;
        }
    }
    return value;
}

QString TextReader::readText()
{
    bool quoted = false;
    return Cp1252::decode(nextRaw(&quoted));
}

double TextReader::readNumber()
{
    bool quoted = false;
    const QByteArray raw = nextRaw(&quoted);
    bool ok = false;
    const double value = raw.toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

qint64 TextReader::readInteger()
{
    const double value = readNumber();
    if (std::fabs(value) >= 9.2e18)
        return 0;
    return qint64(std::nearbyint(value));
}

bool TextReader::readBoolean()
{
    bool quoted = false;
    const QByteArray raw = nextRaw(&quoted).trimmed().toUpper();
    return raw == "#TRUE#";
}

QString TextReader::readLine()
{
    skipMark(m_bytes, m_pos);
    const qsizetype size = m_bytes.size();
    const qsizetype start = m_pos;
    while (m_pos < size && m_bytes[m_pos] != '\r' && m_bytes[m_pos] != '\n')
        ++m_pos;
    const QString line = Cp1252::decode(m_bytes.constData() + start, m_pos - start);
    if (m_pos < size && m_bytes[m_pos] == '\r')
        ++m_pos;
    if (m_pos < size && m_bytes[m_pos] == '\n')
        ++m_pos;
    return line;
}
