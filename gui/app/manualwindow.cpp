#include "gui/app/manualwindow.h"

#include <QFile>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>

// The manual lives in a static library: its resources must be registered by name.
static void registerManualResource()
{
    Q_INIT_RESOURCE(gui);
}

QString ManualWindow::manualText()
{
    registerManualResource();
    QFile file(QStringLiteral(":/docs/manual.md"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("The user manual is missing from this copy of the program.");
    return QString::fromUtf8(file.readAll());
}

ManualWindow::ManualWindow(Environment environment, QWidget *parent)
    : ProgramWindow(QStringLiteral("frmManual"), std::move(environment), kMainKey, parent)
{
    setWindowTitle(QStringLiteral("VarnelDispatchDuzudu User Manual"));
    auto *layout = new QVBoxLayout(this);
    auto *text = new QTextBrowser(this);
    text->setObjectName(QStringLiteral("txtManual"));
    text->setMarkdown(manualText());
    layout->addWidget(text);
    auto *close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("cmdClose"));
    connect(close, &QPushButton::clicked, this, &ManualWindow::closeByProgram);
    // Escape or Enter closes the manual, as any notice.
    for (const QKeySequence &key :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)})
        connect(new QShortcut(key, this), &QShortcut::activated, this, &ManualWindow::closeByProgram);
    layout->addWidget(close);
    resize(700, 640);
}
