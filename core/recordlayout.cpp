#include "core/recordlayout.h"

#include "core/cp1252.h"

#include <QtEndian>
#include <bit>
#include <cstring>

RecordLayout::RecordLayout(QString name, std::span<const FieldSpec> fields)
    : m_name(std::move(name))
    , m_fields(fields.begin(), fields.end())
{
    m_offsets.reserve(m_fields.size());
    for (const auto &f : m_fields) {
        m_offsets.push_back(m_length);
        m_length += fieldSize(f);
    }
}

int RecordLayout::indexOf(QStringView wanted) const
{
    for (int i = 0; i < fieldCount(); ++i) {
        if (wanted.compare(fieldName(i), Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QByteArray blankRecordBytes(const RecordLayout &layout)
{
    QByteArray bytes(layout.length(), '\0');
    for (int i = 0; i < layout.fieldCount(); ++i) {
        if (layout.fieldSpec(i).kind == FieldKind::Text)
            std::memset(bytes.data() + layout.offset(i), ' ', std::size_t(layout.size(i)));
    }
    return bytes;
}

Record::Record(const RecordLayout &layout)
    : m_layout(&layout)
    , m_bytes(blankRecordBytes(layout))
{}

Record::Record(const RecordLayout &layout, QByteArray bytes)
    : m_layout(&layout)
    , m_bytes(std::move(bytes))
{
    if (m_bytes.size() < layout.length()) {
        const QByteArray blank = blankRecordBytes(layout);
        const qsizetype have = m_bytes.size();
        m_bytes.append(blank.constData() + have, layout.length() - have);
    } else if (m_bytes.size() > layout.length()) {
        m_bytes.truncate(layout.length());
    }
}

template <typename T> T Record::load(int field) const
{
    return qFromLittleEndian<T>(at(field));
}

template <typename T> void Record::store(int field, T value)
{
    qToLittleEndian<T>(value, at(field));
}

QString Record::rawText(int field) const
{
    return Cp1252::decode(at(field), m_layout->size(field));
}

QString Record::text(int field) const
{
    const char *p = at(field);
    int begin = 0;
    int end = m_layout->size(field);
    while (begin < end && p[begin] == ' ')
        ++begin;
    while (end > begin && p[end - 1] == ' ')
        --end;
    return Cp1252::decode(p + begin, end - begin);
}

void Record::setText(int field, const QString &value)
{
    const int width = m_layout->size(field);
    QByteArray encoded = Cp1252::encode(value);
    encoded.truncate(width);
    char *p = at(field);
    std::memcpy(p, encoded.constData(), std::size_t(encoded.size()));
    std::memset(p + encoded.size(), ' ', std::size_t(width - encoded.size()));
}

qint16 Record::int16(int field) const
{
    return load<qint16>(field);
}
void Record::setInt16(int field, qint16 value)
{
    store<qint16>(field, value);
}
qint32 Record::int32(int field) const
{
    return load<qint32>(field);
}
void Record::setInt32(int field, qint32 value)
{
    store<qint32>(field, value);
}
float Record::single(int field) const
{
    return std::bit_cast<float>(load<quint32>(field));
}
void Record::setSingle(int field, float value)
{
    store<quint32>(field, std::bit_cast<quint32>(value));
}
double Record::real(int field) const
{
    return std::bit_cast<double>(load<quint64>(field));
}
void Record::setReal(int field, double value)
{
    store<quint64>(field, std::bit_cast<quint64>(value));
}
Money Record::money(int field) const
{
    return Money::fromRaw(load<qint64>(field));
}
void Record::setMoney(int field, Money value)
{
    store<qint64>(field, value.raw());
}
bool Record::boolean(int field) const
{
    return load<qint16>(field) != 0;
}
void Record::setBoolean(int field, bool value)
{
    store<qint16>(field, value ? qint16(-1) : qint16(0));
}
quint8 Record::byte(int field) const
{
    return static_cast<quint8>(*at(field));
}
void Record::setByte(int field, quint8 value)
{
    *at(field) = static_cast<char>(value);
}

QVariant Record::value(int field) const
{
    switch (m_layout->fieldSpec(field).kind) {
    case FieldKind::Text:
        return text(field);
    case FieldKind::Int16:
        return qint64(int16(field));
    case FieldKind::Int32:
        return qint64(int32(field));
    case FieldKind::Single:
        return double(single(field));
    case FieldKind::Double:
    case FieldKind::Date:
        return real(field);
    case FieldKind::Currency:
        return money(field).raw();
    case FieldKind::Boolean:
        return boolean(field);
    case FieldKind::Byte:
        return qint64(byte(field));
    }
    return {};
}
