#include "core/slipcounter.h"

#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/textfile.h"

#include <limits>
#include <stdexcept>

#include <cmath>

std::optional<QString> SlipCounter::refusal() const
{
    if (m_next < 1)
        return QStringLiteral("The Slip Number %1 is not a number a Service Slip can have (1 to %2).\r\n"
                              "Enter the next Slip Number in the Setup Screen.")
            .arg(m_next)
            .arg(kLast);
    if (m_next < kLast)
        return std::nullopt;
    return QStringLiteral("The Slip Numbers have run out: the last number a Service Slip can have, %1, has been "
                          "given.\r\nNo new Service Slip can be created.")
        .arg(kLast - 1);
}

std::optional<qint16> SlipCounter::parse(const QByteArray &bytes)
{
    TextReader reader(bytes);
    if (reader.atEnd())
        return std::nullopt;
    bool ok = false;
    const double value = reader.readText().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    const double whole = std::nearbyint(value); // as a number read into the 16-bit counter rounds
    if (whole < 1 || whole > kLast)
        return std::nullopt;
    return qint16(whole);
}

std::optional<QString> SlipCounter::load(const DataFolder &folder, const std::function<int()> &highestUsed,
                                         int lastStored)
{
    m_next = kDefault;
    const bool present = folder.fileExists(kFile);
    const auto value = present ? parse(folder.readAll(kFile)) : std::nullopt;
    if (!present || value) {
        m_next = value.value_or(kDefault);
        // The likely cause first: the program ended between storing a slip and saving the counter.
        std::optional<QString> note = followStoredSlip(folder, lastStored);
        if (const auto inUse = highestUsed ? followSlipsInUse(folder, highestUsed()) : std::nullopt)
            note = note ? *note + QStringLiteral("\r\n") + *inUse : *inUse;
        return note;
    }
    // A damaged counter must not hand out 0, a negative number or a number already used by the series.
    const QString backup = DataFolder::backupPathOf(kFile);
    const auto fromBackup = folder.fileSize(backup) >= 0 ? parse(folder.readAll(backup)) : std::nullopt;
    m_next = fromBackup.value_or(kDefault);
    const int used = highestUsed ? highestUsed() : 0;
    const bool followsUsed = used >= m_next;
    if (followsUsed)
        m_next = qint16(std::min<int>(used + 1, kLast));
    try {
        save(folder); // its Backup copy goes too: a copy left behind would bring an older number back
    } catch (...) {
        // The number is still used for this run; the note below stands either way.
    }
    return QStringLiteral("The file SlipNo.txt does not hold a Slip Number from 1 to %1%2.\r\n"
                          "The next Service Slip gets the number %3.")
        .arg(kLast)
        .arg(followsUsed  ? QStringLiteral("; the number after the highest Slip Number in use is taken")
             : fromBackup ? QStringLiteral("; the number of its Backup copy is used")
                          : QString())
        .arg(m_next);
}

std::optional<QString> SlipCounter::followSlipsInUse(const DataFolder &folder, int highestUsed)
{
    if (highestUsed < m_next || m_next >= kLast)
        return std::nullopt;
    const qint16 was = m_next;
    m_next = qint16(std::min<int>(highestUsed + 1, kLast));
    try {
        save(folder);
    } catch (const DiskError &) {
        // The number is still used for this run; the note stands either way.
    }
    return QStringLiteral("The next Slip Number was %1, but Service Slip %2 is already in use (the active, "
                          "completed or finalized slips hold it).\r\n%3")
        .arg(was)
        .arg(highestUsed)
        .arg(refusal().value_or(
            QStringLiteral("The next Service Slip gets the number %1, so that no number is given twice.").arg(m_next)));
}

std::optional<QString> SlipCounter::followStoredSlip(const DataFolder &folder, int lastStored)
{
    if (lastStored != m_next || m_next >= kLast)
        return std::nullopt;
    m_next = qint16(std::min<int>(lastStored + 1, kLast));
    try {
        save(folder);
    } catch (const DiskError &) {
        // The number is still used for this run.
    }
    return QStringLiteral("Service Slip %1 was stored, but the program ended before the Slip Number moved on.\r\n"
                          "The next Service Slip gets the number %2.")
        .arg(lastStored)
        .arg(m_next);
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
