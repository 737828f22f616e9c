#pragma once

#include <QList>
#include <QString>

class QObject;
class QWidget;

// A seat that only looks at the data folder (another computer holds it, or it cannot be written): every control
// that would write stays disabled, whatever the window does with it later, with a tooltip that says why, and the
// window's title says so before the user types anything.
namespace ReadOnlySeat {
// "(read-only: held by Front Desk)"
QString titleNote(const QString &why);
// Disables the controls for good (a window that enables one again finds it disabled at once) with the reason.
// Widgets and menu actions alike.
void disableWriteControls(const QList<QObject *> &controls, const QString &why);
// Keeps the note at the end of the window's title, whatever title the window sets later.
void noteInTitle(QWidget *window, const QString &why);
} // namespace ReadOnlySeat
