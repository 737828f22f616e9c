#include "platform/widgets.h"

#include <QApplication>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

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

} // namespace Widgets
