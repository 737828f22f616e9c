#include "gui/widgets/widgets.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QShortcut>

namespace {

class ClickOnEnter final : public QObject
{
public:
    explicit ClickOnEnter(QAbstractItemView *view)
        : QObject(view)
        , m_view(view)
    {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_view || event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        const bool press = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Space;
        const QModelIndex current = m_view->currentIndex();
        if (!plain || !press || !current.isValid())
            return false;
        emit m_view->clicked(current);
        return true;
    }

private:
    QAbstractItemView *m_view;
};

// Enter on a focused button clicks it. Buttons of dialogs do it themselves (their auto-default); the program's
// windows are plain windows, where Qt leaves Enter to the window.
class EnterPressesButtons final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            return false;
        if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        auto *button = qobject_cast<QAbstractButton *>(watched);
        if (!button || !button->isEnabled() || button->isCheckable())
            return false;
        if (auto *push = qobject_cast<QPushButton *>(button); push && (push->autoDefault() || push->isDefault()))
            return false;
        if (qobject_cast<QDialog *>(button->window())) // a dialog has its own way with Enter
            return false;
        button->animateClick();
        return true;
    }
};

// Gives a button its style icon the first time it shows, then leaves.
class IconWhenShown final : public QObject
{
public:
    IconWhenShown(QAbstractButton *button, QStyle::StandardPixmap icon)
        : QObject(button)
        , m_icon(icon)
    {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show) {
            auto *button = static_cast<QAbstractButton *>(watched);
            button->setIcon(button->style()->standardIcon(m_icon, nullptr, button));
            button->removeEventFilter(this);
            deleteLater();
        }
        return false;
    }

private:
    QStyle::StandardPixmap m_icon;
};

// Keeps a group of option buttons to the keyboard's rules (Widgets::optionGroup).
class OptionGroupKeys final : public QObject
{
public:
    OptionGroupKeys(const QList<QAbstractButton *> &options, QObject *parent)
        : QObject(parent)
        , m_options(options)
    {
        for (QAbstractButton *option : m_options) {
            option->installEventFilter(this);
            connect(option, &QAbstractButton::toggled, this, [this](bool on) {
                if (on)
                    keepTabOnChosen();
            });
        }
        keepTabOnChosen();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::FocusOut) {
            // Qt makes the option last focused the Tab stop: once the focus has left the group it is the chosen one.
            keepTabOnChosen();
        } else if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Up || key == Qt::Key_Left)
                return choose(static_cast<QAbstractButton *>(watched), -1);
            if (key == Qt::Key_Down || key == Qt::Key_Right)
                return choose(static_cast<QAbstractButton *>(watched), 1);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool usable(const QAbstractButton *option) const
    {
        return option->isEnabled() && option->isVisibleTo(option->window());
    }

    // The next usable option from `from` in the direction (round the end), chosen and given the focus.
    bool choose(QAbstractButton *from, int step)
    {
        const qsizetype count = m_options.size();
        const qsizetype start = m_options.indexOf(from);
        if (start < 0)
            return false;
        for (qsizetype i = 1; i < count; ++i) {
            QAbstractButton *next = m_options.at((start + step * i % count + count) % count);
            if (!usable(next))
                continue;
            next->click(); // chosen as a click chooses it (what the window does on a click follows)
            next->setFocus(step < 0 ? Qt::BacktabFocusReason : Qt::TabFocusReason);
            break;
        }
        return true;
    }

    void keepTabOnChosen()
    {
        QAbstractButton *chosen = nullptr;
        for (QAbstractButton *option : m_options)
            if (option->isChecked())
                chosen = option;
        if (!chosen && !m_options.isEmpty())
            chosen = m_options.front();
        for (QAbstractButton *option : m_options)
            option->setFocusPolicy(option == chosen ? Qt::StrongFocus : Qt::ClickFocus);
    }

    QList<QAbstractButton *> m_options;
};

} // namespace

namespace Widgets {

void optionGroup(const QList<QAbstractButton *> &options)
{
    if (!options.isEmpty())
        new OptionGroupKeys(options, options.front());
}

QPixmap warningSign(int size)
{
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QPainterPath triangle;
    triangle.moveTo(s / 2, s * 0.06);
    triangle.lineTo(s * 0.97, s * 0.92);
    triangle.lineTo(s * 0.03, s * 0.92);
    triangle.closeSubpath();
    painter.setPen(QPen(QColor(120, 90, 0), s / 14));
    painter.setBrush(QColor(250, 200, 30));
    painter.drawPath(triangle);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawRect(QRectF(s * 0.45, s * 0.32, s * 0.1, s * 0.34));
    painter.drawEllipse(QRectF(s * 0.44, s * 0.71, s * 0.12, s * 0.12));
    return picture;
}

QIcon dropDownArrow(const QPalette &palette)
{
    QIcon icon;
    for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled}) {
        QPixmap picture(16, 16);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(
            palette.color(mode == QIcon::Normal ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
        painter.drawPolygon(QPolygonF({QPointF(3.5, 6), QPointF(12.5, 6), QPointF(8, 11)}));
        painter.end();
        icon.addPixmap(picture, mode);
    }
    return icon;
}

void addClearButton(QLineEdit *edit)
{
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(edit->palette().color(QPalette::Active, QPalette::PlaceholderText));
    painter.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    painter.setPen(QPen(edit->palette().color(QPalette::Active, QPalette::Base), 1.6, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(5.5, 5.5), QPointF(10.5, 10.5));
    painter.drawLine(QPointF(10.5, 5.5), QPointF(5.5, 10.5));
    painter.end();
    QAction *clear = edit->addAction(QIcon(picture), QLineEdit::TrailingPosition);
    clear->setObjectName(edit->objectName() + QStringLiteral("_clear"));
    clear->setToolTip(QStringLiteral("Clear"));
    clear->setVisible(!edit->text().isEmpty());
    QObject::connect(clear, &QAction::triggered, edit, [edit] {
        edit->clear();
        emit edit->textEdited(QString());
    });
    QObject::connect(edit, &QLineEdit::textChanged, clear,
                     [clear](const QString &text) { clear->setVisible(!text.isEmpty()); });
}

void styleIconWhenShown(QAbstractButton *button, QStyle::StandardPixmap icon)
{
    button->installEventFilter(new IconWhenShown(button, icon));
}

WrappedLabel::WrappedLabel(const QString &text, const QString &name, QWidget *parent)
    : QLabel(text, parent)
{
    setObjectName(name);
    setWordWrap(true);
}

int WrappedLabel::heightForWidth(int width) const
{
    const auto known = m_heights.constFind(width);
    if (known != m_heights.cend())
        return *known;
    const int height = QLabel::heightForWidth(width);
    m_heights.insert(width, height);
    return height;
}

void WrappedLabel::changeEvent(QEvent *event)
{
    // A new font or style lays the text out differently.
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange ||
        event->type() == QEvent::ContentsRectChange)
        m_heights.clear();
    QLabel::changeEvent(event);
}

QPushButton *button(const QString &caption, const QString &name, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}

QLabel *label(const QString &caption, const QString &name, QWidget *parent, QWidget *buddy)
{
    auto *l = new QLabel(caption, parent);
    l->setObjectName(name);
    if (buddy)
        l->setBuddy(buddy);
    return l;
}

QCheckBox *checkBox(const QString &caption, const QString &name, QWidget *parent)
{
    auto *c = new QCheckBox(caption, parent);
    c->setObjectName(name);
    return c;
}

BusyCursor::BusyCursor(bool on)
    : m_on(on && qobject_cast<QApplication *>(QCoreApplication::instance()))
{
    if (m_on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyCursor::~BusyCursor()
{
    if (m_on)
        QApplication::restoreOverrideCursor();
}

void clickOnEnter(QAbstractItemView *view)
{
    view->installEventFilter(new ClickOnEnter(view));
}

void clickOnEscape(QWidget *window, QAbstractButton *button)
{
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    QObject::connect(escape, &QShortcut::activated, button, [button] {
        if (button->isVisible() && button->isEnabled())
            button->click();
    });
}

void pressFocusedButtonsOnEnter()
{
    static EnterPressesButtons *filter = nullptr;
    if (filter || !qApp)
        return;
    filter = new EnterPressesButtons(qApp);
    qApp->installEventFilter(filter);
}

} // namespace Widgets
