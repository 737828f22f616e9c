#pragma once

#include <QString>

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
