#pragma once

#include <QDate>
#include <QDateTime>

// Today's date and the time, asked of whoever owns the clock: the system's in the program, a fixed one in tests.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    QDate today() const { return now().date(); }
};

class SystemClock final : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

class FixedClock final : public Clock
{
public:
    explicit FixedClock(QDateTime now = QDateTime(QDate(2026, 1, 15), QTime(9, 0)))
        : m_now(std::move(now))
    {}
    QDateTime now() const override { return m_now; }
    void set(const QDateTime &now) { m_now = now; }
    void setDate(const QDate &date) { m_now = QDateTime(date, m_now.time()); }

private:
    QDateTime m_now;
};
