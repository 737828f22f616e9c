#pragma once

#include <QDate>
#include <QDateTime>
#include <QThread>
#include <chrono>

// Today's date and the time, asked of whoever owns the clock: the system's in the program, a fixed one in tests.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    QDate today() const { return now().date(); }
    // A clock that only goes forward (milliseconds from an arbitrary start), for how long something lasted
    // whatever the time of day is set to, and a wait measured on it.
    virtual qint64 steadyMs() const
    {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
    virtual void wait(int milliseconds) const { QThread::msleep(ulong(milliseconds)); }
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
    // Its steady time moves only by waits (which return at once) and by advance().
    qint64 steadyMs() const override { return m_steady; }
    void wait(int milliseconds) const override { m_steady += milliseconds; }
    void advance(qint64 milliseconds) { m_steady += milliseconds; }
    void set(const QDateTime &now) { m_now = now; }
    void setDate(const QDate &date) { m_now = QDateTime(date, m_now.time()); }

private:
    QDateTime m_now;
    mutable qint64 m_steady = 0;
};
