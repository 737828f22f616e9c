#pragma once

#include "core/money.h"
#include "core/recordlayout.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <variant>
#include <vector>

// Records as text: one JSON object per line (JSON Lines) and CSV. The keys are the field names of the
// record's layout, in field order. Values: text fields trimmed; integers, bytes, single and double numbers
// and dates (the stored day count) as JSON numbers; currency as a string with four decimals ("-1234.5600");
// booleans as true/false. A number that is not finite (which no JSON number can hold) is written as null.
namespace RecordJson {

// "-1234.5600": the amount with exactly four decimals, a leading "-" when negative, no grouping.
QString amountText(Money amount);
// Reads that form back: an optional "-", digits, and up to four decimals after a ".". Nothing otherwise.
std::optional<Money> parseAmountText(QStringView text);

// The shortest text that reads back as the same number; "null" when it is not finite.
QString numberText(double value);
QString numberText(float value);

QString toLine(const Record &record);

// One line read into a record of the layout. Keys that are missing, or null, keep the blank record's value
// (blank text, 0, false, zero amount); text longer than its field is cut and characters outside Windows-1252
// become "?". On failure *key names the key concerned (empty when none) and *message says what is wrong.
std::optional<Record> fromLine(const RecordLayout &layout, QStringView line, QString *key, QString *message);

struct LineError
{
    int line = 0; // from 1
    QString key;
    QString message;
    QString text() const; // "line 3, key "Amount": ..."
};

// Every non-blank line of the input, all or nothing: the first bad line stops the reading.
std::variant<std::vector<Record>, LineError> fromLines(const RecordLayout &layout, const QByteArray &input);

} // namespace RecordJson

// The same values as CSV (RFC 4180): a header row of field names, fields quoted when they hold a comma,
// a quote or a line break, rows ended by CR LF.
namespace RecordCsv {
QString header(const RecordLayout &layout);
QString row(const Record &record);
} // namespace RecordCsv
