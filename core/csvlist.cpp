#include "core/csvlist.h"

#include "core/diskerror.h"

#include <QDir>
#include <QSaveFile>

namespace CsvList {

namespace {

QString cell(const QString &value)
{
    QString v = value;
    if (!v.isEmpty() && QStringLiteral("=+-@").contains(v.front())) {
        bool number = false;
        v.toDouble(&number);
        if (!number)
            v.prepend(QLatin1Char('\''));
    }
    if (v.contains(QLatin1Char(',')) || v.contains(QLatin1Char('"')) || v.contains(QLatin1Char('\n')) ||
        v.contains(QLatin1Char('\r')) || v.startsWith(QLatin1Char(' ')) || v.endsWith(QLatin1Char(' '))) {
        v.replace(QLatin1String("\""), QLatin1String("\"\""));
        v = QLatin1Char('"') + v + QLatin1Char('"');
    }
    return v;
}

void line(QByteArray &out, const QStringList &values)
{
    QString text;
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0)
            text += QLatin1Char(',');
        text += cell(values[i]);
    }
    out += text.toUtf8();
    out += "\r\n";
}

} // namespace

QByteArray document(const QStringList &headings, const std::vector<QStringList> &rows)
{
    QByteArray out("\xEF\xBB\xBF");
    line(out, headings);
    for (const QStringList &row : rows)
        line(out, row);
    return out;
}

void save(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw DiskError(
            QStringLiteral("%1 could not be written: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
}

} // namespace CsvList
