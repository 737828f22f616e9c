#include "dispatch/booking.h"

#include "core/formats.h"
#include "dispatch/slipvalues.h"

bool sameDay(const QString &a, const QString &b)
{
    const QString x = a.trimmed();
    const QString y = b.trimmed();
    if (x == y)
        return true;
    const auto dx = Formats::parseShortDate(x);
    return dx && dx == Formats::parseShortDate(y);
}

bool isUnscheduled(const QString &date, const QString &time)
{
    const QString d = date.trimmed();
    const QString t = time.trimmed();
    return d.isEmpty() || d == SlipValues::kNoDate || t.isEmpty() || t == SlipValues::kNoTime;
}

std::optional<QString> slotKey(const BookedSlot &slip)
{
    const QString assignment = slip.assignment.trimmed();
    if (assignment.isEmpty() || isUnscheduled(slip.date, slip.time))
        return std::nullopt;
    const QString date = slip.date.trimmed();
    const auto day = Formats::parseShortDate(date);
    return assignment + QChar(0) + (day ? Formats::shortDate(*day) : date) + QChar(0) + slip.time.trimmed();
}

bool takeSameSlot(const BookedSlot &a, const BookedSlot &b)
{
    const auto x = slotKey(a);
    return x && x == slotKey(b);
}

std::optional<SlotHours> slotHours(const QString &slot)
{
    // The slots run from 08:00 in the morning to 05:00 in the afternoon: 01:00 to 07:00 are afternoon hours.
    const auto hour = [](QStringView text) -> std::optional<int> {
        if (text.size() != 5 || text[2] != QLatin1Char(':') || text.mid(3) != QLatin1String("00"))
            return std::nullopt;
        bool ok = false;
        const int h = text.left(2).toInt(&ok);
        if (!ok || h < 1 || h > 12)
            return std::nullopt;
        return h < 8 ? h + 12 : h;
    };
    const QString text = slot.trimmed();
    const qsizetype dash = text.indexOf(QLatin1Char('-'));
    if (dash < 0) {
        const auto h = hour(text);
        if (!h)
            return std::nullopt;
        return SlotHours{*h, *h};
    }
    const auto from = hour(QStringView(text).left(dash));
    const auto to = hour(QStringView(text).mid(dash + 1));
    if (!from || !to || *to <= *from)
        return std::nullopt;
    return SlotHours{*from, *to};
}

bool slotsOverlap(const QString &a, const QString &b)
{
    const auto x = slotHours(a);
    const auto y = slotHours(b);
    if (!x || !y || a.trimmed() == b.trimmed())
        return false;
    const bool xPoint = x->start == x->end;
    const bool yPoint = y->start == y->end;
    if (xPoint && yPoint)
        return false; // two different hours
    if (xPoint)
        return x->start >= y->start && x->start < y->end;
    if (yPoint)
        return y->start >= x->start && y->start < x->end;
    return x->start < y->end && y->start < x->end;
}

bool slotsClash(const QString &booked, const QString &time)
{
    const QString t = time.trimmed();
    const bool sameSlot = booked.trimmed() == t && !t.isEmpty() && t != SlipValues::kNoTime;
    return sameSlot || slotsOverlap(booked, time);
}
