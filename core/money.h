#pragma once

#include <QtGlobal>
#include <compare>

// An amount of money as a 64-bit count of ten-thousandths, the way currency fields are stored on disk.
// Never a double, so that sums of amounts stay exact.
class Money
{
public:
    static constexpr qint64 kScale = 10000;

    constexpr Money() = default;
    static constexpr Money fromRaw(qint64 raw) { return Money(raw); }
    static constexpr Money fromCents(qint64 cents) { return Money(cents * 100); }
    constexpr qint64 raw() const { return m_raw; }

    constexpr Money operator+(Money o) const { return Money(m_raw + o.m_raw); }
    constexpr Money operator-(Money o) const { return Money(m_raw - o.m_raw); }
    constexpr Money operator-() const { return Money(-m_raw); }
    constexpr Money &operator+=(Money o)
    {
        m_raw += o.m_raw;
        return *this;
    }
    constexpr Money &operator-=(Money o)
    {
        m_raw -= o.m_raw;
        return *this;
    }
    constexpr auto operator<=>(const Money &) const = default;
    constexpr bool isZero() const { return m_raw == 0; }

private:
    constexpr explicit Money(qint64 raw)
        : m_raw(raw)
    {}
    qint64 m_raw = 0;
};
