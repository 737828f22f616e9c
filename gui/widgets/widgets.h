#pragma once

#include <QHash>
#include <QLabel>
#include <QPixmap>
#include <QString>
#include <QStyle>

class QAbstractButton;
class QAbstractItemView;
class QCheckBox;
class QLineEdit;
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
// A group of option buttons as the keyboard uses it: the arrow keys choose the next or the previous option (and
// take the focus with it), and Tab enters the group on the chosen option, the group's one Tab stop.
void optionGroup(const QList<QAbstractButton *> &options);
// For the whole program: Enter (and keypad Enter) presses the button that has the focus, in every window and not
// only in dialogs. Installed once; later calls do nothing.
void pressFocusedButtonsOnEnter();

// Pictures drawn by the program rather than looked up in the desktop's icon theme: a theme lookup reads the
// theme's folders and costs a window milliseconds as it opens. A warning triangle with "!", and the arrow of a
// drop-down in the palette's text colour.
QPixmap warningSign(int size);
QIcon dropDownArrow(const QPalette &palette);
// A button at the end of a text box that empties it, shown while the box holds text (as Qt's clear button, with
// a drawn picture).
void addClearButton(QLineEdit *edit);
// The style's icon for a button that is hidden when its window opens: looked up when the button is first shown.
void styleIconWhenShown(QAbstractButton *button, QStyle::StandardPixmap icon);

// A label whose fixed text wraps at its width. It keeps the height it found for each width: a layout asks a
// wrapping label again and again while a window opens, and a plain label lays its text out anew at each
// question. Its text and font are set once, before it is shown.
class WrappedLabel final : public QLabel
{
public:
    WrappedLabel(const QString &text, const QString &name, QWidget *parent);
    int heightForWidth(int width) const override;

protected:
    void changeEvent(QEvent *event) override;

private:
    mutable QHash<int, int> m_heights; // by width
};

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
