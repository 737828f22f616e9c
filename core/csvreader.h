#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// Reading the comma-separated files that spreadsheets and other programs save: UTF-8 with or without a
// byte-order mark, UTF-16 with one or without (told by its zero bytes), or else one byte a character: Mac Roman
// when the lines end in CR alone (a Mac spreadsheet's "CSV (Macintosh)"), Windows-1252 otherwise. A UTF-8 file
// with a stray byte that is not UTF-8 stays UTF-8: only the row holding the byte is refused. Values are
// separated by commas, semicolons (the spreadsheets of countries that write the decimal comma) or tabs, the
// separator told from the first line, or named by a spreadsheet's "sep=;" first line. Quoted values may hold
// separators, doubled quotes and line breaks; a line break in a quoted value is kept as "\n". A quoted value
// that runs past its line and is never closed where a value ends is not allowed to swallow the rows after
// it: the row is refused with the line the quote opened on, and reading goes on with the next line. A row with
// more values than the headings is refused too, so that no value lands in another column.
namespace CsvReader {

struct Row
{
    int line = 0; // the line of the file the row begins on, from 1
    QStringList values;
};

struct Refusal
{
    int line = 0;
    QString reason;
};

struct Table
{
    QString encoding; // "UTF-8", "UTF-8 with byte-order mark", "UTF-16", "Mac Roman", "Windows-1252"
    QChar separator;
    QStringList headings;         // the first row that is not blank
    std::vector<Row> rows;        // the rows after it; blank rows are left out
    std::vector<Refusal> refused; // the rows that could not be read, by line
};

// The text of the file's bytes and the name of the encoding found. A byte of a UTF-8 text that is not UTF-8
// becomes U+FFFD, and *strayBytes tells that there was one.
QString decode(const QByteArray &bytes, QString *encoding = nullptr, bool *strayBytes = nullptr);
// The separator a first line "sep=X" names; nothing when the text does not begin with one.
std::optional<QChar> namedSeparator(const QString &text);
// The separator of the first line outside quotes that occurs most: ',' (also when none occurs), ';' or tab.
QChar separatorOf(const QString &text);
Table read(const QByteArray &bytes);
// The table of a file; nothing, with the reason in *error, when it cannot be read.
std::optional<Table> readFile(const QString &path, QString *error);

// A cell's value as one line: line breaks and tabs inside it become blanks. What an export wraps a value in,
// so that a spreadsheet keeps it as text, is taken off again: the apostrophe before a text it would compute
// ('=1) and the formula around a text it would take for a number (="02134").
QString oneLine(QString value);

// How the amounts of one column write their decimals: told by the values that can be read one way only (89,50
// or 1.250,00 with a comma; 45.00 or 1,200.5 with a point); when none can, a file separated by semicolons is
// taken to write the decimal comma, any other the decimal point. Every import of amounts reads them this way.
struct DecimalMark
{
    QChar mark = QLatin1Char('.');
    bool fromValues = false; // told by the values themselves
};
DecimalMark decimalMarkOf(const Table &table, int column);
// The amount as the file means it, in plain digits with a decimal point ("1250.00"); the value as it is when
// it is no amount either way (its reader refuses it). Nothing, with the reason in `why` naming the column by
// `heading`, when it reads two ways and the values did not tell the mark, or only with the other mark.
std::optional<QString> amountText(const QString &value, const DecimalMark &decimals, const QString &heading,
                                  QString &why);

} // namespace CsvReader
