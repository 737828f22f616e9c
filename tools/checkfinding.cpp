#include "tools/checkfinding.h"

// Stored text may hold anything: control characters are shown escaped, so that one finding stays one line.
static QString escaped(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0) || u == 0x2028 || u == 0x2029)
            out += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QString CheckFinding::text() const
{
    if (record <= 0)
        return escaped(file + QLatin1String(": ") + message);
    return escaped(QStringLiteral("%1 record %2: %3").arg(file).arg(record).arg(message));
}
