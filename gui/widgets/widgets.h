#pragma once

#include <QString>

class QAbstractButton;
class QAbstractItemView;
class QCheckBox;
class QLabel;
class QPushButton;
class QWidget;

// The small makers every window builds its controls with: the control with its caption, carrying its object
// name, in its parent.
namespace Widgets {

QPushButton *button(const QString &caption, const QString &name, QWidget *parent);
// The label's buddy, when given, takes the focus of its mnemonic.
QLabel *label(const QString &caption, const QString &name, QWidget *parent, QWidget *buddy = nullptr);
QCheckBox *checkBox(const QString &caption, const QString &name, QWidget *parent);
// Enter and Space on the list's current entry do what a click on it does (the view's clicked signal).
void clickOnEnter(QAbstractItemView *view);
// Esc in the window clicks the button (its Cancel, Close or Menu), as Esc leaves a dialog.
void clickOnEscape(QWidget *window, QAbstractButton *button);
// For the whole program: Enter (and keypad Enter) presses the button that has the focus, in every window and not
// only in dialogs. Installed once; later calls do nothing.
void pressFocusedButtonsOnEnter();

// The busy pointer for as long as it lives: a long load, an export or a print, ended however it ends.
class BusyCursor
{
public:
    explicit BusyCursor(bool on = true);
    ~BusyCursor();
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;

private:
    bool m_on;
};

} // namespace Widgets
