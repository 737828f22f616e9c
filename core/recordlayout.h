#pragma once

#include "core/money.h"

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <array>
#include <span>
#include <string_view>
#include <vector>

// A fixed-length record is a list of fields written one after another with no padding. Each record type is
// declared once as a table of FieldSpec; reading, writing, trimming and the record length follow from it.
enum class FieldKind { Text, Int16, Int32, Single, Double, Date, Currency, Boolean, Byte };

struct FieldSpec
{
    std::string_view name;
    FieldKind kind;
    int width = 0; // bytes; only text fields choose it, the other kinds have their fixed size
};

constexpr int fieldSize(const FieldSpec &f)
{
    switch (f.kind) {
    case FieldKind::Text:
        return f.width;
    case FieldKind::Int16:
    case FieldKind::Boolean:
        return 2;
    case FieldKind::Int32:
    case FieldKind::Single:
        return 4;
    case FieldKind::Double:
    case FieldKind::Date:
    case FieldKind::Currency:
        return 8;
    case FieldKind::Byte:
        return 1;
    }
    return 0;
}

template <std::size_t N> constexpr int recordLength(const std::array<FieldSpec, N> &fields)
{
    int total = 0;
    for (const auto &f : fields)
        total += fieldSize(f);
    return total;
}

constexpr FieldSpec text(std::string_view name, int width)
{
    return {name, FieldKind::Text, width};
}
constexpr FieldSpec field(std::string_view name, FieldKind kind)
{
    return {name, kind, 0};
}

class RecordLayout
{
public:
    RecordLayout(QString name, std::span<const FieldSpec> fields);

    const QString &name() const { return m_name; }
    int length() const { return m_length; }
    int fieldCount() const { return int(m_fields.size()); }
    const FieldSpec &fieldSpec(int index) const { return m_fields[std::size_t(index)]; }
    int offset(int index) const { return m_offsets[std::size_t(index)]; }
    int size(int index) const { return fieldSize(fieldSpec(index)); }
    QString fieldName(int index) const
    {
        return QString::fromLatin1(fieldSpec(index).name.data(), qsizetype(fieldSpec(index).name.size()));
    }
    int indexOf(QStringView fieldName) const; // -1 when the layout has no such field

private:
    QString m_name;
    std::vector<FieldSpec> m_fields;
    std::vector<int> m_offsets;
    int m_length = 0;
};

// One record's bytes with typed access through its layout. The bytes are kept as stored, so a record read
// and written back unchanged is the same to the byte, whatever it holds.
class Record
{
public:
    // A blank record: text fields all blanks, every number zero.
    explicit Record(const RecordLayout &layout);
    // Bytes as read from a file; a short record is completed with blanks and zeros.
    Record(const RecordLayout &layout, QByteArray bytes);

    const RecordLayout &layout() const { return *m_layout; }
    const QByteArray &bytes() const { return m_bytes; }

    QString text(int field) const;                 // trimmed, as every reader uses it
    QString rawText(int field) const;              // with its padding blanks
    void setText(int field, const QString &value); // cut to the width, padded with blanks

    qint16 int16(int field) const;
    void setInt16(int field, qint16 value);
    qint32 int32(int field) const;
    void setInt32(int field, qint32 value);
    float single(int field) const;
    void setSingle(int field, float value);
    double real(int field) const; // a double or a date field, as stored
    void setReal(int field, double value);
    Money money(int field) const;
    void setMoney(int field, Money value);
    bool boolean(int field) const; // any nonzero value is true
    void setBoolean(int field, bool value);
    quint8 byte(int field) const;
    void setByte(int field, quint8 value);

    // Generic access for tools: text as QString, integers as qint64, single/double/date as double,
    // currency as Money raw value (qint64), boolean as bool.
    QVariant value(int field) const;

    bool operator==(const Record &other) const { return m_bytes == other.m_bytes; }

private:
    const char *at(int field) const { return m_bytes.constData() + m_layout->offset(field); }
    char *at(int field) { return m_bytes.data() + m_layout->offset(field); }
    template <typename T> T load(int field) const;
    template <typename T> void store(int field, T value);

    const RecordLayout *m_layout;
    QByteArray m_bytes;
};

QByteArray blankRecordBytes(const RecordLayout &layout);
