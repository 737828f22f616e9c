#pragma once

#include <QString>
#include <functional>
#include <optional>

class DataFolder;

// The slip counter: the number the next new slip receives, kept in /SlipNo.txt. Slip numbers are stored in
// 16 bits: the counter ends at 32767, so the last number given is 32766, and it never wraps to a negative number.
class SlipCounter
{
public:
    static constexpr qint16 kDefault = 1000;
    static constexpr qint16 kLast = 32767;

    qint16 next() const { return m_next; }
    void set(qint16 value) { m_next = value; }
    static inline const QString kFile = QStringLiteral("/SlipNo.txt");

    // Why no slip can be created now, or nothing when one can.
    std::optional<QString> refusal() const;

    // The number a counter file holds when the series can use it (1 to 32767), else nothing.
    static std::optional<qint16> parse(const QByteArray &bytes);

    // Reads /SlipNo.txt (restored from /Backup when missing); 1000 when there is none. A file that holds no
    // usable number (text, 0 or less, beyond 32767, empty) gives way to the number of its Backup copy, or 1000;
    // the number is then written back and the returned note tells the user which number the next slip gets.
    // Then the counter follows the slip stored last (lastStored, see followStoredSlip()) and, as
    // followSlipsInUse() does, never stays at or below highestUsed() (the highest slip number stored).
    std::optional<QString> load(const DataFolder &folder, const std::function<int()> &highestUsed = {},
                                int lastStored = 0);
    // A counter at or below the highest slip number in use (a missing, damaged or hand-edited counter file, a
    // number typed back in the setup screen) would give a new slip the number of one already stored: it moves
    // to the number after it and is saved (kept for this run when the file cannot be written). The returned note
    // tells the user; nothing when the counter was already past it.
    std::optional<QString> followSlipsInUse(const DataFolder &folder, int highestUsed);
    // A run that ended between storing a new slip and saving the counter left the counter at that slip's
    // number. Given the number of the slip stored last, a counter at that number moves past it and is saved (kept
    // for this run when the file cannot be written); the returned note tells the user. Nothing otherwise.
    std::optional<QString> followStoredSlip(const DataFolder &folder, int lastStored);
    // Writes /SlipNo.txt (its Backup copy goes, as with every settings file).
    void save(const DataFolder &folder) const;
    // After a slip was stored under next(): one up, saved at once. Refused (DiskError untouched) at the end.
    void advance(const DataFolder &folder);

private:
    qint16 m_next = kDefault;
};
