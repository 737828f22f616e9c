#include "gui/widgets/readonlyseat.h"

#include <QAction>
#include <QEvent>
#include <QPointer>
#include <QWidget>

namespace {
// Turns a write control off again whenever its window turns it on.
class KeptDisabled final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::EnabledChange) {
            auto *widget = static_cast<QWidget *>(watched);
            if (!widget->testAttribute(Qt::WA_ForceDisabled))
                widget->setEnabled(false);
        }
        return false;
    }
};
} // namespace

namespace ReadOnlySeat {

QString titleNote(const QString &why)
{
    return QStringLiteral("(read-only: %1)").arg(why);
}

void disableWriteControls(const QList<QObject *> &controls, const QString &why)
{
    const QString tip = QStringLiteral("Read-only: the data folder is %1, so nothing can be saved from this "
                                       "computer.")
                            .arg(why);
    for (QObject *control : controls) {
        if (!control || control->property("readOnlySeat").toBool())
            continue;
        control->setProperty("readOnlySeat", true);
        if (auto *action = qobject_cast<QAction *>(control)) {
            action->setToolTip(tip);
            action->setEnabled(false);
            QObject::connect(action, &QAction::enabledChanged, action, [action](bool on) {
                if (on)
                    action->setEnabled(false);
            });
        } else if (auto *widget = qobject_cast<QWidget *>(control)) {
            widget->setToolTip(tip);
            widget->setEnabled(false);
            widget->installEventFilter(new KeptDisabled(widget));
        }
    }
}

void noteInTitle(QWidget *window, const QString &why)
{
    const QString note = titleNote(why);
    const auto keep = [window = QPointer<QWidget>(window), note] {
        if (window && !window->windowTitle().endsWith(note))
            window->setWindowTitle(window->windowTitle() + QLatin1Char(' ') + note);
    };
    keep();
    QObject::connect(window, &QWidget::windowTitleChanged, window, keep);
}

} // namespace ReadOnlySeat
