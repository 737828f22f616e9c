#pragma once

#include "core/money.h"

#include <QDate>
#include <QString>
#include <optional>

// The fixed regional forms of the program, kept in one place so that another locale is one change here:
// short date M/d/yyyy, currency $1,234.56 with negatives in parentheses ($1,234.56), weekday names in English.
namespace Formats {

QString shortDate(const QDate &date); // "3/7/2026"; an invalid date gives ""
// Accepts M/d/yyyy (one or two digits for month and day) and M/d/yy (yy below 30 is 20yy); nothing otherwise.
std::optional<QDate> parseShortDate(const QString &text);

// "$1,234.56", "($1,234.56)"; rounded half away from zero to cents.
QString currency(Money amount);
// Tolerant: "$1,234.56", "1234.5", " 12 ", "-$3.00", "($3.00)", "$-3.00". Nothing when it is not an amount.
std::optional<Money> parseCurrency(const QString &text);
// The same, with 0 for text that is not an amount (a damaged record counts as zero).
Money currencyOrZero(const QString &text);

// A plain decimal number with "." or "," as the decimal point ("5,0" is five), as typed in rate fields.
std::optional<Money> parseDecimal(const QString &text);

// amount * rate / 100 to four decimals, halves to the even last digit ($10.01 at 7.5 gives 0.7508).
Money percentOf(Money amount, Money ratePercent);
// Rounded half away from zero to the cent (the last two of the four decimals become 0).
Money roundToCents(Money amount);
// A tax as it is charged: amount * rate / 100 in whole cents, halves away from zero ($10.01 at 7.5 gives $0.75).
Money taxInCents(Money amount, Money ratePercent);

QString weekdayName(const QDate &date); // "Monday"

} // namespace Formats
