#pragma once

#include <QDate>
#include <QLineEdit>
#include <functional>

class Clock;
class Messages;
class QCalendarWidget;
class QFrame;

// The program's date box. The date is typed whole as month/day/year (or pasted, or picked from the calendar)
// and checked only when it is complete: when the box is left, when Enter is pressed, or when a day is picked on
// the calendar. Until then the text is the user's own, so "12/24/2025" typed digit by digit passes through no
// other date, and no rule of the window runs half-way. A text that is not a date gets a message and stays in the
// box for correcting.
//
// F4 and Alt+Down open the calendar. Up and Down step a day, or to the next allowed day where the window allows
// only some days (working days); stepping asks nothing, the date is checked once when it is accepted.
class DateBox final : public QLineEdit
{
    Q_OBJECT
public:
    // With nothing typed and no date, the arrow keys and the calendar start from the clock's today.
    DateBox(const QString &objectName, Messages &messages, const Clock &clock, QWidget *parent = nullptr);

    // The date last accepted (or set by the window); the text may hold a date still being typed.
    QDate date() const { return m_date; }
    // Shows the date as accepted; no signal.
    void setDate(const QDate &date);
    QDate minimumDate() const { return m_minimum; }
    void setMinimumDate(const QDate &date);
    // Which days the arrow keys land on; every day when not set.
    void setAllowedDays(std::function<bool(const QDate &)> allowed) { m_allowed = std::move(allowed); }

    // The text read as a date (M/d/yyyy, also M/d/yy and with - or . between); invalid when it is none.
    static QDate parse(const QString &text);

    // Checks the text now, as leaving the box does; true when it holds an acceptable date.
    bool accept();
    void openCalendar();
    QCalendarWidget *calendarWidget();
    bool calendarShown() const;

signals:
    // A date was typed and accepted, or picked on the calendar (also the day already shown).
    void dateChosen(const QDate &date);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void step(int days);
    void pick(const QDate &date);
    void refuse(const QString &why);

    Messages &m_messages;
    const Clock &m_clock;
    QDate m_date;
    QDate m_minimum;
    std::function<bool(const QDate &)> m_allowed;
    QFrame *m_popup = nullptr;
    QCalendarWidget *m_calendar = nullptr;
    bool m_checking = false;
};
