#include "gui/widgets/datebox.h"

#include "core/clock.h"
#include "core/seams.h"
#include "gui/widgets/widgets.h"

#include <QAction>
#include <QCalendarWidget>
#include <QFocusEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString kFormat = QStringLiteral("M/d/yyyy");

QString shown(const QDate &date)
{
    return date.isValid() ? date.toString(kFormat) : QString();
}

// The calendar's frame: Esc closes it, as it closes a drop-down list, from whichever part of the calendar has the
// focus (its day table, month and year) and before any shortcut of the window (a dialog's Esc, a window's own Esc
// button) can take the key.
class CalendarPopup final : public QFrame
{
public:
    explicit CalendarPopup(QWidget *owner)
        : QFrame(owner, Qt::Popup)
    {
        setFrameShape(QFrame::Box);
    }
    void watchParts()
    {
        for (QWidget *part : findChildren<QWidget *>())
            part->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override { return escape(event); }
    bool event(QEvent *event) override { return escape(event) || QFrame::event(event); }

private:
    bool escape(QEvent *event)
    {
        const bool press = event->type() == QEvent::KeyPress;
        if ((!press && event->type() != QEvent::ShortcutOverride) ||
            static_cast<QKeyEvent *>(event)->key() != Qt::Key_Escape)
            return false;
        event->accept();
        if (press) {
            hide();
            parentWidget()->setFocus(Qt::PopupFocusReason);
        }
        return true;
    }
};

} // namespace

DateBox::DateBox(const QString &objectName, Messages &messages, const Clock &clock, QWidget *parent)
    : QLineEdit(parent)
    , m_messages(messages)
    , m_clock(clock)
{
    setObjectName(objectName);
    setPlaceholderText(QStringLiteral("month/day/year"));
    QAction *drop = addAction(Widgets::dropDownArrow(palette()), QLineEdit::TrailingPosition);
    drop->setObjectName(objectName + QStringLiteral("_calendar"));
    drop->setToolTip(QStringLiteral("Calendar (F4)"));
    connect(drop, &QAction::triggered, this, &DateBox::openCalendar);
}

QDate DateBox::parse(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*(\\d{1,2})[/.-](\\d{1,2})[/.-](\\d{4}|\\d{2})\\s*$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return {};
    int year = match.captured(3).toInt();
    if (match.captured(3).size() == 2)
        year += 2000;
    return QDate(year, match.captured(1).toInt(), match.captured(2).toInt());
}

void DateBox::setDate(const QDate &date)
{
    m_date = date;
    setText(shown(date));
    setModified(false);
}

void DateBox::setMinimumDate(const QDate &date)
{
    m_minimum = date;
    if (m_calendar)
        m_calendar->setMinimumDate(date.isValid() ? date : QDate(100, 1, 1));
}

bool DateBox::accept()
{
    if (m_checking)
        return false;
    if (!isModified() && text() == shown(m_date))
        return m_date.isValid();
    const QDate date = parse(text());
    if (!date.isValid()) {
        refuse(QStringLiteral("\"%1\" is not a date.\r\nType the date as month/day/year, for example 12/24/2026.")
                   .arg(text().trimmed()));
        return false;
    }
    if (m_minimum.isValid() && date < m_minimum) {
        refuse(QStringLiteral("The date cannot be earlier than %1.").arg(shown(m_minimum)));
        return false;
    }
    m_date = date;
    setText(shown(date));
    setModified(false);
    emit dateChosen(date);
    return true;
}

void DateBox::refuse(const QString &why)
{
    m_checking = true;
    m_messages.inform(why, window()->windowTitle());
    m_checking = false;
    // The text stays for correcting, selected, with the caret back in the box.
    QTimer::singleShot(0, this, [this] {
        if (isVisible() && isEnabled()) {
            setFocus(Qt::OtherFocusReason);
            selectAll();
        }
    });
}

void DateBox::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    const bool alt = event->modifiers() & Qt::AltModifier;
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        accept();
        return;
    }
    if (key == Qt::Key_F4 || (alt && (key == Qt::Key_Down || key == Qt::Key_Up))) {
        openCalendar();
        return;
    }
    if ((key == Qt::Key_Up || key == Qt::Key_Down) && !(event->modifiers() & Qt::ControlModifier)) {
        step(key == Qt::Key_Up ? 1 : -1);
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void DateBox::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    // Only a move to another control of the window checks the date: not a message box or the calendar opening.
    if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason || calendarShown() ||
        !isVisible())
        return;
    accept();
}

void DateBox::step(int days)
{
    QDate date = parse(text());
    if (!date.isValid())
        date = m_date.isValid() ? m_date : m_clock.today();
    date = date.addDays(days);
    // A week without an allowed day is not looked through for ever.
    for (int tries = 0; m_allowed && !m_allowed(date) && tries < 366; ++tries)
        date = date.addDays(days);
    if (m_allowed && !m_allowed(date))
        return;
    if (m_minimum.isValid() && date < m_minimum)
        return;
    setText(shown(date));
    setModified(true);
}

QCalendarWidget *DateBox::calendarWidget()
{
    if (!m_calendar) {
        m_popup = new CalendarPopup(this);
        m_popup->setObjectName(objectName() + QStringLiteral("_popup"));
        m_calendar = new QCalendarWidget(m_popup);
        m_calendar->setObjectName(objectName() + QStringLiteral("_month"));
        m_calendar->setGridVisible(true);
        auto *layout = new QVBoxLayout(m_popup);
        layout->setContentsMargins(1, 1, 1, 1);
        layout->addWidget(m_calendar);
        static_cast<CalendarPopup *>(m_popup)->watchParts();
        setMinimumDate(m_minimum);
        connect(m_calendar, &QCalendarWidget::clicked, this, &DateBox::pick);
        // Enter on a day; the second click of a double-click finds the calendar closed by the first.
        connect(m_calendar, &QCalendarWidget::activated, this, [this](QDate date) {
            if (calendarShown())
                pick(date);
        });
    }
    return m_calendar;
}

bool DateBox::calendarShown() const
{
    return m_popup && m_popup->isVisible();
}

void DateBox::openCalendar()
{
    if (!isEnabled())
        return;
    QCalendarWidget *calendar = calendarWidget();
    const QDate typed = parse(text());
    calendar->setSelectedDate(typed.isValid() ? typed : (m_date.isValid() ? m_date : m_clock.today()));
    m_popup->adjustSize();
    m_popup->move(mapToGlobal(QPoint(0, height())));
    m_popup->show();
    calendar->setFocus(Qt::PopupFocusReason);
}

void DateBox::pick(const QDate &date)
{
    if (!date.isValid())
        return;
    m_popup->hide();
    setFocus(Qt::PopupFocusReason);
    m_date = date;
    setText(shown(date));
    setModified(false);
    emit dateChosen(date);
}
