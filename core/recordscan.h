#pragma once

#include "core/cp1252.h"
#include "core/datafolder.h"
#include "core/recordlayout.h"

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

// A record file read whole in one pass, for the scans (searches, duplicate and booking tests) that look at a
// few fields of every record: they compare the stored bytes where they lie instead of building a Record and
// a QString for every field of every record.
class RecordScan
{
public:
    // The records of the file (restored from /Backup when missing); none when there is no file.
    RecordScan(const DataFolder &folder, const QString &relative, const RecordLayout &layout)
        : m_layout(&layout)
    {
        if (folder.fileExists(relative))
            m_bytes = folder.readAll(relative);
        m_count = DataFolder::recordCountForSize(m_bytes.size(), layout.length());
        const qsizetype whole = m_bytes.size() / layout.length();
        if (m_count > whole) // a short last record reads as completed with blanks and zeros, as Record does
            m_tail = Record(layout, m_bytes.mid(whole * layout.length())).bytes();
    }

    int count() const { return m_count; }

    // The bytes of record index (from 0).
    const char *at(int index) const
    {
        const qsizetype start = qsizetype(index) * m_layout->length();
        return start + m_layout->length() <= m_bytes.size() ? m_bytes.constData() + start : m_tail.constData();
    }

    // A text field without its leading and trailing blanks, as every reader compares it.
    QByteArrayView trimmed(int index, int field) const { return trimmedField(at(index), *m_layout, field); }
    // The same of a record's bytes wherever they lie (RecordBlocks hands them over a block at a time).
    static QByteArrayView trimmedField(const char *record, const RecordLayout &layout, int field)
    {
        const char *p = record + layout.offset(field);
        qsizetype begin = 0;
        qsizetype end = layout.size(field);
        while (begin < end && p[begin] == ' ')
            ++begin;
        while (end > begin && p[end - 1] == ' ')
            --end;
        return QByteArrayView(p + begin, end - begin);
    }

    // Whether the trimmed field is exactly `wanted`. Most records differ at their first letter, so the first
    // byte is looked at before the blanks are trimmed.
    bool fieldIs(int index, int field, QByteArrayView wanted) const
    {
        const char first = at(index)[m_layout->offset(field)];
        if (!wanted.isEmpty() && first != ' ' && first != wanted.front())
            return false;
        return trimmed(index, field) == wanted;
    }

private:
    const RecordLayout *m_layout;
    QByteArray m_bytes;
    QByteArray m_tail;
    int m_count = 0;
};

// The bytes a text is stored as, or nothing when the code page lacks one of its characters (stored as '?',
// such a text can never equal what a field holds).
inline std::optional<QByteArray> storedBytes(const QString &text)
{
    QByteArray bytes = Cp1252::encode(text);
    if (Cp1252::decode(bytes) != text)
        return std::nullopt;
    return bytes;
}
