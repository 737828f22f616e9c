#include "core/recordjournal.h"

#include <QtEndian>

namespace RecordJournal {

QByteArray bytes(const QByteArray &mark, const Entry &entry)
{
    QByteArray body = mark;
    char number[4];
    qToLittleEndian<qint32>(entry.number, number);
    char size[8];
    qToLittleEndian<qint64>(entry.fileSize, size);
    body.append(number, 4).append(size, 8).append(entry.payload);
    char sum[2];
    qToLittleEndian<quint16>(qChecksum(body), sum);
    return body.append(sum, 2);
}

std::optional<Entry> parse(const QByteArray &mark, const QByteArray &bytes, qsizetype payloadLength)
{
    const qsizetype head = mark.size() + 12;
    if (bytes.size() != head + payloadLength + 2 || !bytes.startsWith(mark))
        return std::nullopt;
    const QByteArray body = bytes.left(bytes.size() - 2);
    if (qFromLittleEndian<quint16>(bytes.constData() + body.size()) != qChecksum(body))
        return std::nullopt;
    Entry entry;
    entry.number = qFromLittleEndian<qint32>(bytes.constData() + mark.size());
    entry.fileSize = qFromLittleEndian<qint64>(bytes.constData() + mark.size() + 4);
    entry.payload = bytes.mid(head, payloadLength);
    return entry;
}

} // namespace RecordJournal
