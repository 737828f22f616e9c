#pragma once

#include <QByteArray>
#include <QString>
#include <variant>

// The comma-separated line encoding of the settings and counter files.
//
// Written: text values in double quotes (a quote inside is written as it is), numbers bare with "." as the
// decimal point, booleans as #TRUE# or #FALSE#, values separated by a comma, every line ended by CR LF.
// Read: each value in turn, from one line or from several; a missing or unreadable value reads as the
// target's default (empty text, 0, false), so a damaged file never stops the program.
class TextWriter
{
public:
    struct Value : std::variant<QString, qint64, double, bool>
    {
        using variant::variant;
        Value(const char *text)
            : variant(QString::fromUtf8(text))
        {}
        Value(int number)
            : variant(qint64(number))
        {}
        Value(float number)
            : variant(double(number))
        {}
    };

    // One line holding the values in order.
    TextWriter &writeValues(std::initializer_list<Value> values);
    // One line holding the text as it is, without quotes.
    TextWriter &printLine(const QString &text);

    const QByteArray &bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

class TextReader
{
public:
    explicit TextReader(QByteArray bytes)
        : m_bytes(std::move(bytes))
    {}

    bool atEnd() const { return m_pos >= m_bytes.size(); }

    QString readText();
    double readNumber();  // empty or unreadable: 0
    qint64 readInteger(); // the number rounded half to even, as the program's integer targets take it
    bool readBoolean();   // #TRUE# or #FALSE#; anything else reads as false
    QString readLine();   // the rest of the current line without its line end

private:
    QByteArray nextRaw(bool *quoted);

    QByteArray m_bytes;
    qsizetype m_pos = 0;
};
