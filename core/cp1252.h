#pragma once

#include <QByteArray>
#include <QString>

// Text on disk is Windows-1252, one byte per character. A character that the code page lacks is stored as '?'.
namespace Cp1252 {
QByteArray encode(const QString &text);
QString decode(const char *data, qsizetype size);
inline QString decode(const QByteArray &bytes)
{
    return decode(bytes.constData(), bytes.size());
}
char encodeChar(QChar c);
} // namespace Cp1252
