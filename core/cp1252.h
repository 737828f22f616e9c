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
// True when the character has a byte of its own in the code page (so it is not stored as '?').
bool canEncode(QChar c);
// The first character of the text that the code page cannot hold (a surrogate pair counts as one
// character); empty when the whole text can be stored as it is.
QString firstUnencodable(const QString &text);
} // namespace Cp1252
