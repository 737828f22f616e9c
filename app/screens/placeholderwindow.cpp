#include "app/screens/placeholderwindow.h"

#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

PlaceholderWindow::PlaceholderWindow(const QString &objectName, const QString &title, Environment environment,
                                     QWidget *parent)
    : ProgramWindow(objectName, std::move(environment), kMainKey, parent)
{
    setWindowTitle(title);
    auto *layout = new QVBoxLayout(this);
    auto *text = new QLabel(QStringLiteral("%1 is not available in this version yet.").arg(title), this);
    text->setObjectName(QStringLiteral("lblNotAvailable"));
    text->setWordWrap(true);
    layout->addWidget(text);
    auto *back = new QPushButton(QStringLiteral("Return to Menu"), this);
    back->setObjectName(QStringLiteral("cmdReturn"));
    layout->addWidget(back);
    connect(back, &QPushButton::clicked, this, [this] {
        hide();
        emit returnToMenu();
    });
    // A notice: Escape or Enter goes back to the menu.
    for (const QKeySequence &key :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)})
        connect(new QShortcut(key, this), &QShortcut::activated, back, &QPushButton::click);
    resize(420, 160);
}
