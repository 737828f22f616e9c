#pragma once

#include <QApplication>
#include <QStringList>
#include <QTest>
#include <QWidget>
#include <QWindow>

// The object names of the windows showing, for a failure message.
inline QString visibleWindows()
{
    QStringList names;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->isVisible())
            names << w->objectName();
    }
    return names.join(QStringLiteral(", "));
}

// The shown window of that object name; null when none shows.
inline QWidget *shownWindow(const QString &name)
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->objectName() == name)
            return w;
    return nullptr;
}

// The control of that object name in a window. A window or control that is not there ends the run with its name
// (and, for a missing window, the names of the windows showing), rather than a crash further on.
template <typename T = QWidget> T *child(const QWidget *window, const QString &name)
{
    if (!window)
        qFatal("no window for control %s (showing: %s)", qPrintable(name), qPrintable(visibleWindows()));
    T *found = window->findChild<T *>(name);
    if (!found)
        qFatal("no control %s in %s", qPrintable(name), qPrintable(window->objectName()));
    return found;
}

template <typename T = QWidget> T *child(const QWidget &window, const QString &name)
{
    return child<T>(&window, name);
}

// Clicks a control of a window with the mouse, as the user does; a disabled or hidden one ends the run.
inline void click(const QWidget *window, const QString &name)
{
    QWidget *control = child(window, name);
    if (!control->isEnabled() || !control->isVisible())
        qFatal("%s in %s is disabled or hidden", qPrintable(name), qPrintable(window->objectName()));
    QTest::mouseClick(control, Qt::LeftButton, {}, control->rect().center());
}

inline void click(const QWidget &window, const QString &name)
{
    click(&window, name);
}

// QtGui's entry for events from the window system (exported, its header not installed with Qt's public ones): a
// close event delivered through it is spontaneous, as the close box's is.
class QWindowSystemInterface
{
public:
    struct SynchronousDelivery;
    template <typename Delivery> static bool handleCloseEvent(QWindow *window);
};

// The window's close box clicked, as the window manager sends it; true when the window closed.
inline bool clickCloseBox(QWidget *window)
{
    QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::SynchronousDelivery>(window->windowHandle());
    return !window->isVisible();
}
