#include "platform/qtseams.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QSettings>
#include <QSpacerItem>
#include <QUrl>

void QtMessages::widenForTitle(QMessageBox &box)
{
    // Room for the title, the window's icon and its frame buttons.
    const int width = box.fontMetrics().horizontalAdvance(box.windowTitle()) + 160;
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout()))
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), grid->rowCount(), 0, 1,
                      grid->columnCount());
}

void QtMessages::keepShort(QMessageBox &box)
{
    // A list of many slips or records would make a box taller than the screen: the box shows the first lines
    // and the last one (where the question or the outcome stands), and the whole text is in the details part,
    // which scrolls.
    constexpr int kShownLines = 12;
    const QStringList lines = box.text().split(QLatin1Char('\n'));
    if (lines.size() <= kShownLines + 2)
        return;
    box.setDetailedText(box.text());
    box.setText(lines.mid(0, kShownLines - 1).join(QLatin1Char('\n')) + QLatin1Char('\n') +
                QStringLiteral("... %1 more lines under Show Details ...").arg(lines.size() - kShownLines) +
                QLatin1Char('\n') + lines.last());
}

QWidget *QtMessages::owner() const
{
    // Over the window the user works in (Qt centres a box over its parent), not at the screen's corner.
    if (m_parent)
        return m_parent;
    // Right after a box closes its window may not be active again yet: a second box goes where the first went.
    QWidget *active = QApplication::activeWindow();
    if (active && active->windowType() != Qt::Popup && !qobject_cast<QMessageBox *>(active))
        m_lastOwner = active;
    return m_lastOwner && m_lastOwner->isVisible() ? m_lastOwner.data() : nullptr;
}

QString QtMessages::titled(const QString &title)
{
    // A box without a title carries the program's name.
    return title.trimmed().isEmpty() ? QGuiApplication::applicationDisplayName() : title;
}

void QtMessages::centre(QMessageBox &box)
{
    // Placed by the program: a window manager left to place a box itself may put it in the screen's corner.
    QWidget *over = box.parentWidget();
    if (!over)
        return;
    box.adjustSize();
    const QRect area = over->window()->frameGeometry();
    box.move(area.center() - QPoint(box.width() / 2, box.height() / 2));
}

void QtMessages::inform(const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::Information, titled(title), text, QMessageBox::Ok, owner());
    widenForTitle(box);
    keepShort(box);
    centre(box);
    box.exec();
}

bool QtMessages::ask(const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::Question, titled(title), text, QMessageBox::Yes | QMessageBox::No, owner());
    box.setDefaultButton(QMessageBox::No);
    widenForTitle(box);
    keepShort(box);
    centre(box);
    return box.exec() == QMessageBox::Yes;
}

Messages::SaveAnswer QtMessages::askToSave(const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::Question, titled(title), text,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, owner());
    box.button(QMessageBox::Discard)->setText(QStringLiteral("Do&n't Save"));
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel); // Escape goes back to the window, nothing lost and nothing saved
    widenForTitle(box);
    keepShort(box);
    centre(box);
    const int answer = box.exec();
    return answer == QMessageBox::Save      ? SaveAnswer::Save
           : answer == QMessageBox::Discard ? SaveAnswer::DontSave
                                            : SaveAnswer::Cancel;
}

void QtMessages::beep()
{
    QApplication::beep();
}

void QtClipboard::setText(const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
}

void QtClipboard::clear()
{
    QGuiApplication::clipboard()->clear();
}

bool QtWebOpener::open(const QString &address)
{
    const QUrl url = QFileInfo::exists(address) ? QUrl::fromLocalFile(address) : QUrl::fromUserInput(address);
    return QDesktopServices::openUrl(url);
}

std::optional<QString> QtChoosers::openFile(const QString &title, const QString &folder, const QString &filter)
{
    const QString chosen = QFileDialog::getOpenFileName(QApplication::activeWindow(), title, folder, filter);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

std::optional<QString> QtChoosers::saveFile(const QString &title, const QString &suggested, const QString &filter)
{
    const QString chosen = QFileDialog::getSaveFileName(QApplication::activeWindow(), title, suggested, filter);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

std::optional<QString> QtChoosers::folder(const QString &title, const QString &start)
{
    const QString chosen = QFileDialog::getExistingDirectory(QApplication::activeWindow(), title, start);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

std::optional<quint32> QtChoosers::colour(quint32 initial, const QString &title)
{
    const QColor start(int(initial & 0xFF), int((initial >> 8) & 0xFF), int((initial >> 16) & 0xFF));
    const QColor chosen = QColorDialog::getColor(start, QApplication::activeWindow(), title);
    if (!chosen.isValid())
        return std::nullopt;
    return quint32(chosen.red()) + 256u * quint32(chosen.green()) + 65536u * quint32(chosen.blue());
}

std::optional<QString> QtChoosers::font(const QString &initialFamily, const QString &title)
{
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, QFont(initialFamily), QApplication::activeWindow(), title);
    if (!ok)
        return std::nullopt;
    return chosen.family();
}

namespace {
// The store is written (and flushed to disk) only when a value changes: a window closed where it was opened costs
// its user no wait for the disk.
void writeIfChanged(const QString &appKey, const QString &key, const QByteArray &value)
{
    QSettings store(QSettings::UserScope, QStringLiteral("Varnel"), appKey);
    if (!store.contains(key) || store.value(key).toByteArray() != value)
        store.setValue(key, value);
}
} // namespace

QByteArray QtLayoutStore::load(const QString &appKey, const QString &window) const
{
    QSettings store(QSettings::UserScope, QStringLiteral("Varnel"), appKey);
    return store.value(window + QStringLiteral("/geometry")).toByteArray();
}

void QtLayoutStore::save(const QString &appKey, const QString &window, const QByteArray &geometry)
{
    writeIfChanged(appKey, window + QStringLiteral("/geometry"), geometry);
}

QByteArray QtLayoutStore::loadChoice(const QString &appKey, const QString &window, const QString &name) const
{
    QSettings store(QSettings::UserScope, QStringLiteral("Varnel"), appKey);
    return store.value(window + QLatin1Char('/') + name).toByteArray();
}

void QtLayoutStore::saveChoice(const QString &appKey, const QString &window, const QString &name,
                               const QByteArray &value)
{
    writeIfChanged(appKey, window + QLatin1Char('/') + name, value);
}
