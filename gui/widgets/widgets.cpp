#include "gui/widgets/widgets.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
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

} // namespace

namespace Widgets {

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
