#include "core/csv.h"

#include "core/formats.h"

#include <QRegularExpression>

namespace Csv {

namespace {

bool looksLikeNumber(const QString &value)
{
    // Digits with signs, separators, a decimal point, a date's or a time's marks, a percent or currency sign,
    // or a number in scientific notation: a spreadsheet turns each of these into a number or a date.
    static const QRegularExpression numeric(QStringLiteral("^[\\s$%()+\\-.,/:0-9]*[0-9][\\s$%()+\\-.,/:0-9]*$"));
    static const QRegularExpression scientific(QStringLiteral("^\\s*[+-]?[0-9.]+[eE][+-]?[0-9]+\\s*$"));
    return numeric.match(value).hasMatch() || scientific.match(value).hasMatch();
}

} // namespace

QString plain(const QString &value)
{
    // Blanks at either end are quoted too, so that no reader trims them away.
    if (!value.contains(QLatin1Char(',')) && !value.contains(QLatin1Char('"')) && !value.contains(QLatin1Char('\n')) &&
        !value.contains(QLatin1Char('\r')) && !value.startsWith(QLatin1Char(' ')) && !value.endsWith(QLatin1Char(' ')))
        return value;
    QString quoted = value;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString text(const QString &value)
{
    if (looksLikeNumber(value)) {
        QString inner = value;
        inner.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        return plain(QStringLiteral("=\"") + inner + QLatin1Char('"'));
    }
    if (!value.isEmpty() && QStringLiteral("=+-@\t\r").contains(value.at(0)))
        return plain(QLatin1Char('\'') + value);
    return plain(value);
}

QString amount(Money value)
{
    const qint64 cents = Formats::roundToCents(value).raw() / 100;
    const quint64 magnitude = cents < 0 ? quint64(0) - quint64(cents) : quint64(cents);
    const QString digits = QStringLiteral("%1.%2").arg(magnitude / 100).arg(magnitude % 100, 2, 10, QLatin1Char('0'));
    return cents < 0 ? QLatin1Char('-') + digits : digits;
}

QString date(const QDate &value)
{
    return value.toString(Qt::ISODate);
}

Writer::Writer(Options options)
    : m_options(options)
{}

void Writer::addLine(const QStringList &fields)
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i)
            m_text += QLatin1Char(',');
        m_text += fields[i];
    }
    m_text += QStringLiteral("\r\n");
}

QByteArray Writer::bytes() const
{
    QByteArray out = m_text.toUtf8();
    if (m_options.byteOrderMark)
        out.prepend(kByteOrderMark);
    return out;
}

} // namespace Csv
