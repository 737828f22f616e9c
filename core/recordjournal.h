#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <optional>

// The journal of a write that replaces one record in place: a mark naming the kind of journal, the record's
// number, the file's length before the write, what the write puts there, and a checksum over all of it, so
// that a torn or edited journal is refused instead of carried out.
namespace RecordJournal {

struct Entry
{
    qint32 number = 0;
    qint64 fileSize = 0;
    QByteArray payload;
};

QByteArray bytes(const QByteArray &mark, const Entry &entry);
// Nothing when the bytes are not a whole journal of this mark with a payload of this length.
std::optional<Entry> parse(const QByteArray &mark, const QByteArray &bytes, qsizetype payloadLength);

} // namespace RecordJournal
