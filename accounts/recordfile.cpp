#include "accounts/recordfile.h"

#include <algorithm>
#include <stdexcept>

RecordFile::RecordFile(QString path, QString temporary, const RecordLayout &layout)
    : m_path(std::move(path))
    , m_temporary(std::move(temporary))
    , m_layout(layout)
{}

int RecordFile::count(const DataFolder &folder) const
{
    return folder.recordCount(m_path, m_layout.length());
}

void RecordFile::read(const DataFolder &folder, int number, Record &current) const
{
    current = folder.readRecord(m_path, m_layout, number).value_or(Record(m_layout));
}

const Record &RecordFile::checked(const Record &record) const
{
    if (record.layout().length() != m_layout.length())
        throw std::invalid_argument(qPrintable(m_path + QStringLiteral(" holds only records of its own layout")));
    return record;
}

RecordFile::Deletion RecordFile::remove(const DataFolder &folder, int number, DataFolder::BackupCopy backup) const
{
    folder.deleteFile(m_temporary);
    const int kept = folder.rewriteWithout(
        m_path, m_layout, [number](const Record &, int n) { return n == number; }, backup);
    Deletion result;
    result.count = std::max(1, kept);
    result.current = std::clamp(number, 1, result.count);
    return result;
}
