#pragma once

#include <QHash>
#include <QString>

// The texts of the office's e-mail, typed in setup with fields in braces: "Dear {Name}, invoice {Invoice} ...".
namespace MailText {

// The text with each known field replaced by its value. A field's name is matched whatever its letter case;
// an unknown field, or a brace without its closing one, stays as typed.
QString fill(const QString &text, const QHash<QString, QString> &fields);

} // namespace MailText
