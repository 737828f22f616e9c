#include "core/mailtext.h"

namespace MailText {

QString fill(const QString &text, const QHash<QString, QString> &fields)
{
    QHash<QString, QString> byName;
    for (auto it = fields.cbegin(); it != fields.cend(); ++it)
        byName.insert(it.key().toLower(), it.value());
    QString out;
    out.reserve(text.size());
    qsizetype at = 0;
    while (at < text.size()) {
        const qsizetype open = text.indexOf(QLatin1Char('{'), at);
        if (open < 0)
            break;
        const qsizetype close = text.indexOf(QLatin1Char('}'), open + 1);
        if (close < 0)
            break;
        // "{{Name}" keeps its first brace: the field is the innermost one.
        const qsizetype inner = text.lastIndexOf(QLatin1Char('{'), close);
        out += text.mid(at, inner - at);
        const auto found = byName.constFind(text.mid(inner + 1, close - inner - 1).trimmed().toLower());
        out += found != byName.cend() ? *found : text.mid(inner, close - inner + 1);
        at = close + 1;
    }
    out += text.mid(at);
    return out;
}

} // namespace MailText
