#pragma once

#include "core/verdict.h"

#include <QChar>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>

// Keystroke filters and input checks shared by the screens. Each filter is a pure function of the field's
// text and the typed character: it says whether the character may go in and, when it is refused, what the
// screen shows. The screen does the showing (message box, beep, focus back to the field); nothing here touches
// a widget or a file.
namespace Validation {

inline constexpr QChar kBackspace{8};

inline const QString kInvalidKeyTitle = QStringLiteral("Invalid Key entry");
inline const QString kCalendarInvalid = QStringLiteral("Your Calendar Selection is Invalid");
inline const QString kTelephoneInvalid = QStringLiteral("Your Telephone Number (structure) is invalid");
inline const QString kSlipNotNumeric = QStringLiteral("The Slip Number MUST be Numeric");
inline const QString kSlipOutOfRange = QStringLiteral("The Slip Number must be a whole number from 1 to 32767");

struct KeyVerdict
{
    bool accepted = true;
    Notice notice;     // empty text: refused (or accepted) silently
    bool beep = false; // sound the alarm (only when the alarm setting is on)

    static KeyVerdict accept() { return {}; }
    static KeyVerdict swallow() { return {false, {}, false}; }
};

// A whole text that reads as one number: blanks around it, a sign, digits with "," grouping, a decimal point,
// an exponent ("1,200", " -3.5 ", "2E3"). The empty text is not numeric.
bool isNumeric(const QString &text);

// Amount fields: digits and one decimal point, no leading 0, at most two digits after the point; the
// backspace always goes in. Refuses silently.
KeyVerdict amountKeyFilter(const QString &text, QChar ch);

// Free-text fields of customer data: the comma, ampersand, full stop, backslash, asterisk, slash and question
// mark are refused with a message, unless the field so far holds a number. The backspace always goes in.
KeyVerdict invalidCharacterFilter(const QString &text, QChar ch, bool soundAlarm);

// Any text field whose value is stored in quotes: the double quote is refused with a message.
KeyVerdict quoteKeyFilter(const QString &text, QChar ch, bool soundAlarm);

// Every box whose text is saved to a file: a character that the data files cannot hold (outside the one-byte
// code page, such as "\u0141" or an emoji) is refused with a message that names it, never stored as '?'.
Notice unstorableCharacter(const QString &character);
// The refusal for the first character of `text` that cannot be stored; nothing when all of it can.
std::optional<Notice> unstorableText(const QString &text);

// One-line boxes: a line break (CR LF, CR or LF), a tab or any other control character becomes one blank, so
// that a pasted line never puts such bytes into a one-line field. `position` (a cursor in the text) follows.
void flattenLines(QString &text, int &position);

// A text pasted into a field, cursor at `position` with `selected` characters selected (replaced by the paste).
// Each character goes through the field's filter in turn as if typed; the first refused one refuses the whole
// paste with that character's verdict, and the field keeps its text.
struct PasteResult
{
    bool accepted = true;
    QString text; // the field's text after the paste (its old text when refused)
    KeyVerdict refusal;
};
using KeyFilter = std::function<KeyVerdict(const QString &text, QChar ch)>;
PasteResult filterPaste(const KeyFilter &filter, const QString &text, int position, int selected,
                        const QString &pasted);

// "John", "Q", unused, "" -> "John Q ": a and b each followed by one blank when not empty, then d; every part
// trimmed; c is not used.
QString joinNameParts(const QString &a, const QString &b, const QString &c, const QString &d);

// The date a chooser offered was refused by the screen's own rules.
Notice calendarInvalid();

// The business telephone must end in four characters that form a number. Nothing when it does.
std::optional<Notice> telephoneStructureError(const QString &telephone);

// The next-slip field: a number that fits the slip counter (1 to 32767; a fraction is rounded to even as the
// counter takes it), or the notice to show.
struct SlipNumberCheck
{
    qint16 value = 0;
    std::optional<Notice> error;
    bool ok() const { return !error; }
};
SlipNumberCheck checkSlipNumber(const QString &text);

} // namespace Validation
