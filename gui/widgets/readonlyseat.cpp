#include "gui/widgets/readonlyseat.h"

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

void disableWriteControls(const QList<QWidget *> &controls, const QString &why)
{
    const QString tip = QStringLiteral("Read-only: the data folder is %1, so nothing can be saved from this "
                                       "computer.")
                            .arg(why);
    for (QWidget *control : controls) {
        if (!control || control->property("readOnlySeat").toBool())
            continue;
        control->setProperty("readOnlySeat", true);
        control->setToolTip(tip);
        control->setEnabled(false);
        control->installEventFilter(new KeptDisabled(control));
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
