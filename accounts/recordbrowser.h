#pragma once

// Which record a screen of numbered records shows: how many there are (a new record not written yet counts),
// the record number on screen, and whether the last number belongs to a new record waiting for its first
// save. The customer and the assignment screens both page through their files with it; neither reads or
// writes a file here.
class RecordBrowser
{
public:
    enum class Move { First, Previous, Next, Last, Quarter, Half, ThreeQuarters };

    int count() const { return m_count; }
    int current() const { return m_current; }
    bool pendingNew() const { return m_pending; }
    // The record on screen is the new one, not in the file yet.
    bool onNew() const { return m_pending && m_current == m_count; }
    // Nothing on screen: the last record was cancelled or deleted.
    bool empty() const { return m_current < 1; }

    // The screen is shown over a file of `records` records. A new record still waiting keeps its place
    // after them when `keepNew`, and is dropped otherwise; the record on screen stays inside the count.
    void open(int records, bool keepNew)
    {
        m_pending = keepNew && m_pending;
        m_count = records + (m_pending ? 1 : 0);
        if (m_count > 0)
            m_current = m_current < 1 ? 1 : (m_current > m_count ? m_count : m_current);
    }

    // The record a move goes to from the current one; the current one when the move does not act. After
    // the last comes the first; the quarter moves act from four records up.
    int target(Move move) const
    {
        const int c = m_count;
        const int n = m_current;
        switch (move) {
        case Move::First:
            return 1;
        case Move::Previous:
            return n >= 2 ? n - 1 : n;
        case Move::Next:
            return n >= c ? 1 : n + 1;
        case Move::Last:
            return c;
        case Move::Quarter:
            return c >= 4 ? c / 4 : n;
        case Move::Half:
            return c >= 4 ? 2 * (c / 4) : n;
        case Move::ThreeQuarters:
            return c >= 4 ? 3 * (c / 4) : n;
        }
        return n;
    }
    // Moves; with no records there is nowhere to go.
    void go(Move move)
    {
        if (m_count > 0)
            m_current = target(move);
    }
    // Goes to a record of the file; a number outside it is ignored.
    void select(int number)
    {
        if (number >= 1 && number <= m_count)
            m_current = number;
    }
    // Puts `number` on screen as it is (a number beyond the file shows a blank record).
    void setCurrent(int number) { m_current = number; }

    // A new record after the last one becomes current.
    void startNew()
    {
        m_count = (m_count > 0 ? m_count : 0) + 1;
        m_current = m_count;
        m_pending = true;
    }
    // Drops the new record; the last stored one becomes current (none when there is none). False when no new
    // record was waiting.
    bool cancelNew()
    {
        if (!m_pending)
            return false;
        m_pending = false;
        m_count = m_count > 1 ? m_count - 1 : 0;
        m_current = m_count;
        return true;
    }
    // The new record was written: it is a stored one now.
    void newStored() { m_pending = false; }
    // A record was removed: the file now holds `records`, and `current` is shown.
    void removed(int records, int current)
    {
        m_count = records;
        m_current = current;
        m_pending = false;
    }

private:
    int m_count = 0;
    int m_current = 1;
    bool m_pending = false;
};
