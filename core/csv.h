#pragma once

#include "core/money.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

// CSV files as a spreadsheet opens them as meant (RFC 4180: comma separated, CRLF line ends, a field with a
// comma, quote or line break in quotes), in UTF-8, optionally with a byte-order mark so that a spreadsheet
// reads the accents right.
//
// - Text: a text that a spreadsheet would take for a formula (a tab, =, +, -, @ at its start) gets a leading
//   apostrophe; a text it would take for a number or a date ("00123", "3-12", "1E5") is written as ="00123",
//   so that leading zeros and the text itself survive.
// - Amounts: plain numbers with two decimals, "-" for negatives ("1234.50", "-3.50").
// - Dates: yyyy-MM-dd, which every spreadsheet reads as a date.
namespace Csv {

struct Options
{
    bool byteOrderMark = false; // UTF-8 with a byte-order mark
};

QString text(const QString &value);
QString amount(Money value);
QString date(const QDate &value);
// A field as it is (a header name, a number): only quoted when it must be (a comma, a quote, a line break,
// or a blank at either end).
QString plain(const QString &value);

// Collects the lines of one file; each line's fields already made by the functions above.
class Writer
{
public:
    explicit Writer(Options options = {});
    void addLine(const QStringList &fields);
    QByteArray bytes() const;

private:
    Options m_options;
    QString m_text;
};

inline constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

} // namespace Csv
