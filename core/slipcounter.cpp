#include "core/slipcounter.h"

#include "core/datafolder.h"
#include "core/textfile.h"

#include <limits>
#include <stdexcept>

namespace {
const QString kFile = QStringLiteral("/SlipNo.txt");
}

std::optional<QString> SlipCounter::refusal() const
{
    if (m_next < kLast)
        return std::nullopt;
    return QStringLiteral("The Slip Number has reached %1, the highest number a Service Slip can have.\r\n"
                          "No new Service Slip can be created.")
        .arg(m_next);
}

void SlipCounter::load(const DataFolder &folder)
{
    m_next = kDefault;
    if (!folder.fileExists(kFile))
        return;
    TextReader reader(folder.readAll(kFile));
    if (reader.atEnd())
        return;
    const qint64 value = reader.readInteger();
    if (value >= std::numeric_limits<qint16>::min() && value <= std::numeric_limits<qint16>::max())
        m_next = qint16(value);
}

void SlipCounter::save(const DataFolder &folder) const
{
    folder.writeFile(kFile, TextWriter().writeValues({int(m_next)}).bytes());
    folder.deleteFile(DataFolder::backupPathOf(kFile));
}

void SlipCounter::advance(const DataFolder &folder)
{
    if (const auto why = refusal())
        throw std::logic_error(why->toStdString());
    const qint16 previous = m_next;
    ++m_next;
    try {
        save(folder);
    } catch (...) {
        m_next = previous;
        throw;
    }
}
