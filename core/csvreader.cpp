#include "core/csvreader.h"

#include "core/cp1252.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <algorithm>

namespace CsvReader {

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

Table read(const QByteArray &bytes)
{
    Table table;
    const QString text = decode(bytes, &table.encoding);
    table.separator = separatorOf(text);
    const QChar sep = table.separator;

    int line = 1;
    Row row{1, {}};
    QString value;
    bool quoted = false;    // inside a quoted value
    bool wasQuoted = false; // the value began with a quote
    bool headed = false;
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
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < n && text.at(i + 1) == QLatin1Char('"')) {
                    value += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
                if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
                    ++i;
                value += QLatin1Char('\n');
                ++line;
            } else {
                value += c;
            }
            continue;
        }
        if (c == QLatin1Char('"') && value.trimmed().isEmpty() && !wasQuoted) {
            value.clear();
            quoted = true;
            wasQuoted = true;
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

} // namespace CsvReader
