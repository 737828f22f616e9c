#include "gui/widgets/programwindow.h"

#include "core/seams.h"
#include "gui/widgets/fieldfilter.h"
#include "gui/widgets/readonlyseat.h"

#include <QApplication>
#include <QBackingStore>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>
#include <algorithm>

namespace {
// What a window manager's frame usually adds around the client area: the title bar above, a border elsewhere.
constexpr int kTitleBar = 32;
constexpr int kBorder = 4;
constexpr int kBottomBorder = 8; // some frames have a handle to resize by below

// The layout, at any depth under the given one, that holds the widget itself.
QLayout *layoutHolding(QLayout *layout, QWidget *widget)
{
    if (!layout)
        return nullptr;
    if (layout->indexOf(widget) >= 0)
        return layout;
    for (int i = 0; i < layout->count(); ++i) {
        if (QLayout *found = layoutHolding(layout->itemAt(i)->layout(), widget))
            return found;
    }
    return nullptr;
}

// Fits each dialog as it opens, and once more when it has laid itself out (a message box sizes itself to its
// text as it shows).
class DialogFitter final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto *dialog = qobject_cast<QDialog *>(watched);
            if (dialog && dialog->isWindow()) {
                // Qt has placed it over its parent already: it is only kept inside the screen.
                ProgramWindow::fitToScreen(dialog, false);
                QTimer::singleShot(0, dialog, [dialog] { ProgramWindow::fitToScreen(dialog, false); });
            }
        }
        return QObject::eventFilter(watched, event);
    }
};
} // namespace

ProgramWindow::ProgramWindow(const QString &objectName, Environment environment, const QString &appKey, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_environment(std::move(environment))
    , m_appKey(appKey)
{
    setObjectName(objectName);
}

void ProgramWindow::setReadOnly(const QString &why)
{
    if (why.isEmpty() || isReadOnly())
        return;
    m_readOnly = why;
    ReadOnlySeat::noteInTitle(this, why);
    writeControls({});
}

void ProgramWindow::writeControlsNamed(const QString &names)
{
    writeControls(findChildren<QObject *>(QRegularExpression(QStringLiteral("^(%1)$").arg(names))));
}

void ProgramWindow::writeControls(const QList<QObject *> &controls)
{
    for (QObject *control : controls)
        m_writeControls.append(control);
    if (!isReadOnly())
        return;
    QList<QObject *> all;
    for (const QPointer<QObject> &control : m_writeControls)
        all.append(control.data());
    ReadOnlySeat::disableWriteControls(all, m_readOnly);
}

void ProgramWindow::closeByProgram()
{
    m_closingByProgram = true;
    close();
    m_closingByProgram = false;
}

void ProgramWindow::showEvent(QShowEvent *event)
{
    FieldFilter::keepOneLine(this);
    if (!m_restored && m_environment.layouts) {
        m_restored = true;
        const QByteArray geometry = m_environment.layouts->load(m_appKey, objectName());
        if (!geometry.isEmpty())
            restoreGeometry(geometry);
    }
    placeNoModemNotes();
    // A size or place kept from a larger screen, or a window's own size, never reaches beyond this screen.
    fitToScreen(this);
    QWidget::showEvent(event);
}

void ProgramWindow::hideEvent(QHideEvent *event)
{
    storeLayout();
    QWidget::hideEvent(event);
    // A hidden window would keep its picture (a few megabytes each, every routine's window once opened): it
    // shrinks to a pixel and is painted anew at its size when shown again. Not when the window system hid it
    // (minimized), and never to nothing, which the X11 window system cannot hold.
    if (!event->spontaneous() && backingStore())
        backingStore()->resize(QSize(1, 1));
}

void ProgramWindow::storeLayout()
{
    if (m_environment.layouts && m_restored)
        m_environment.layouts->save(m_appKey, objectName(), saveGeometry());
}

bool ProgramWindow::settleUnsavedWork()
{
    const std::optional<UnsavedWork> work = unsavedWork();
    if (!work || !work->messages)
        return true;
    switch (work->messages->askToSave(work->question, work->title)) {
    case Messages::SaveAnswer::Save:
        return work->save();
    case Messages::SaveAnswer::DontSave:
        if (work->discard)
            work->discard();
        return true;
    case Messages::SaveAnswer::Cancel:
        break;
    }
    return false; // back to the window with everything typed
}

void ProgramWindow::closeEvent(QCloseEvent *event)
{
    // The user's close box (the program's own closing is not spontaneous) asks about work not saved.
    if (event->spontaneous() && !m_closingByProgram && isVisible() && !settleUnsavedWork()) {
        event->ignore();
        return;
    }
    storeLayout();
    QWidget::closeEvent(event);
    // What follows comes once the window is gone: a window shown while this one still closes would not be the active
    // one.
    if (!m_closingByProgram && m_environment.afterCloseBox)
        QTimer::singleShot(0, this, m_environment.afterCloseBox);
}

QRect ProgramWindow::fittedGeometry(const QRect &wanted, const QRect &available, const QMargins &frame)
{
    const int width = std::max(1, std::min(wanted.width(), available.width() - frame.left() - frame.right()));
    const int height = std::max(1, std::min(wanted.height(), available.height() - frame.top() - frame.bottom()));
    const int left =
        std::clamp(wanted.x(), available.left() + frame.left(), available.right() - frame.right() - width + 1);
    const int top =
        std::clamp(wanted.y(), available.top() + frame.top(), available.bottom() - frame.bottom() - height + 1);
    return {left, top, width, height};
}

void ProgramWindow::fitToScreen(QWidget *window, bool centreWhenNotPlaced)
{
    QScreen *screen = QGuiApplication::screenAt(window->geometry().center());
    if (!screen)
        screen = window->screen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    QRect wanted = window->geometry();
    if (centreWhenNotPlaced && !window->testAttribute(Qt::WA_Moved)) // not placed yet: the middle of the screen
        wanted.moveCenter(available.center());
    // The frame the window manager gave the window once it has one; before that, a frame as large as the usual
    // ones (a frame 1 px larger than allowed for puts the window's lower edge off the screen).
    const QRect framed = window->frameGeometry();
    const QRect client = window->geometry();
    const QMargins known(client.left() - framed.left(), client.top() - framed.top(), framed.right() - client.right(),
                         framed.bottom() - client.bottom());
    const QMargins frame = known.isNull() ? QMargins(kBorder, kTitleBar, kBorder, kBottomBorder) : known;
    const QRect fitted = fittedGeometry(wanted, available, frame);
    window->resize(fitted.size());
    window->move(fitted.topLeft() - (window->geometry().topLeft() - window->pos()));
}

void ProgramWindow::addNoModemNote(QWidget *dialControl)
{
    auto *note = new QLabel(QStringLiteral("No modem was found: dialing is off."), dialControl->parentWidget());
    note->setObjectName(dialControl->objectName() + QStringLiteral("_noModem"));
    note->hide();
    m_noModemNotes.append({dialControl, note});
}

void ProgramWindow::placeNoModemNotes()
{
    // Placed once the window's layouts are complete: right after its dial control, or in the control's cell.
    for (const auto &[control, note] : std::as_const(m_noModemNotes)) {
        if (layoutHolding(control->parentWidget()->layout(), note))
            continue;
        QLayout *layout = layoutHolding(control->parentWidget()->layout(), control);
        if (auto *box = qobject_cast<QBoxLayout *>(layout)) {
            box->insertWidget(box->indexOf(control) + 1, note);
        } else if (auto *grid = qobject_cast<QGridLayout *>(layout)) {
            int row = 0, column = 0, rows = 0, columns = 0;
            grid->getItemPosition(grid->indexOf(control), &row, &column, &rows, &columns);
            grid->addWidget(note, row, column, rows, columns); // the control is hidden or greyed while it shows
        }
    }
}

void ProgramWindow::showNoModem(bool noModem)
{
    for (const auto &entry : std::as_const(m_noModemNotes))
        entry.second->setVisible(noModem);
}

void ProgramWindow::fitDialogsToScreen()
{
    static QPointer<QObject> fitter;
    if (!fitter && qApp) {
        fitter = new DialogFitter(qApp);
        qApp->installEventFilter(fitter);
    }
}
