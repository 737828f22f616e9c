#include "gui/app/aboutbox.h"

#include "core/seams.h"
#include "core/weblinks.h"
#include "gui/app/logo.h"
#include "gui/widgets/messagehelpers.h"
#include "gui/widgets/widgets.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

AboutBox::AboutBox(const DataFolder &folder, Platform &platform, Environment environment, QWidget *parent)
    : ProgramWindow(QStringLiteral("frmAbout"), std::move(environment), kMainKey, parent)
{
    setWindowTitle(QStringLiteral("About VarnelDispatchDuzudu"));
    auto *layout = new QVBoxLayout(this);
    auto *logo = new QLabel(this);
    logo->setPixmap(programLogo(64));
    logo->setAlignment(Qt::AlignCenter);
    layout->addWidget(logo);
    auto *title = new QLabel(QStringLiteral("VarnelDispatchDuzudu"), this);
    title->setObjectName(QStringLiteral("lblTitle"));
    QFont f = title->font();
    f.setPointSizeF(f.pointSizeF() * 1.6);
    f.setBold(true);
    title->setFont(f);
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
    auto *running = new QLabel(QStringLiteral("Current Program Running"), this);
    running->setObjectName(QStringLiteral("lblRunning"));
    running->setAlignment(Qt::AlignCenter);
    layout->addWidget(running);
    auto *version = new QLabel(
        QStringLiteral("Version %1 (Qt %2)").arg(QStringLiteral(VD_VERSION), QString::fromLatin1(qVersion())), this);
    version->setObjectName(QStringLiteral("lblVersion"));
    version->setAlignment(Qt::AlignCenter);
    layout->addWidget(version);

    auto *buttons = new QHBoxLayout;
    auto *menu = new QPushButton(QStringLiteral("&Menu"), this);
    menu->setObjectName(QStringLiteral("cmdMenu"));
    menu->setToolTip(QStringLiteral("Return to Main Menu"));
    connect(menu, &QPushButton::clicked, this, [this] {
        closeByProgram();
        emit returnToMenu();
    });
    auto *visit = new QPushButton(QStringLiteral("&Visit Now"), this);
    visit->setObjectName(QStringLiteral("cmdVisit"));
    connect(visit, &QPushButton::clicked, this,
            [&folder, &platform] { openWebPageOrSay(folder, platform.web, platform.messages, WebLinks::kHomePage); });
    Widgets::clickOnEscape(this, menu);
    buttons->addWidget(menu);
    buttons->addWidget(visit);
    layout->addLayout(buttons);
    resize(360, 260);
}
