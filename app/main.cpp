#include "app/application.h"
#include "app/dataroot.h"
#include "app/programstart.h"
#include "core/clock.h"
#include "gui/app/logo.h"
#include "platform/qtseams.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QStandardPaths>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VarnelDispatchDuzudu"));
    QApplication::setOrganizationName(QStringLiteral("Varnel"));
    QApplication::setApplicationVersion(QStringLiteral(VD_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(QIcon(programIcon(256)));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Dispatch, scheduling and invoicing for service businesses."));
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption dataRootOption(QStringLiteral("data-root"),
                                      QStringLiteral("Keep the data in DIR instead of the program's folder."),
                                      QStringLiteral("DIR"));
    parser.addOption(dataRootOption);
    parser.process(app);

    // The data folder is the program's own folder; an installed copy, or one that may not write there, keeps
    // its data in the user's application data folder instead.
    const DataRootChoice choice = chooseDataRoot(
        QCoreApplication::applicationDirPath(), QStandardPaths::writableLocation(QStandardPaths::AppDataLocation),
        parser.isSet(dataRootOption) ? parser.value(dataRootOption) : QString());

    QtMessages messages;
    SystemClock clock;
    QtClipboard clipboard;
    QtWebOpener web;
    QtChoosers choosers;
    QtLayoutStore layouts;
    Platform platform{messages, clock, clipboard, web, choosers, layouts};

    const QString exeName = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    const auto running = startProgram(choice.root, platform, exeName, choice.note);
    if (!running)
        return 0;
    return app.exec();
}
