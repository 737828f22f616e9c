#include "app/application.h"
#include "app/programstart.h"
#include "core/clock.h"
#include "platform/qtseams.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {

bool folderIsWritable(const QString &folder)
{
    QTemporaryFile probe(folder + QStringLiteral("/.write-test-XXXXXX"));
    return probe.open();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VarnelDispatchDuzudu"));
    QApplication::setOrganizationName(QStringLiteral("Varnel"));
    QApplication::setApplicationVersion(QStringLiteral(VD_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Dispatch, scheduling and invoicing for service businesses."));
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption dataRootOption(QStringLiteral("data-root"),
                                      QStringLiteral("Keep the data in DIR instead of the program's folder."),
                                      QStringLiteral("DIR"));
    parser.addOption(dataRootOption);
    parser.process(app);

    // The data folder is the program's own folder; an installed copy that may not write there keeps its
    // data in the user's application data folder instead.
    QString dataRoot = QCoreApplication::applicationDirPath();
    QString note;
    if (parser.isSet(dataRootOption)) {
        dataRoot = QDir(parser.value(dataRootOption)).absolutePath();
        QDir().mkpath(dataRoot);
    } else if (!folderIsWritable(dataRoot)) {
        const QString fallback = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QDir().mkpath(fallback);
        note = QStringLiteral("The program's folder %1 cannot be written to, so your data is kept in %2.")
                   .arg(QDir::toNativeSeparators(dataRoot), QDir::toNativeSeparators(fallback));
        dataRoot = fallback;
    }

    QtMessages messages;
    SystemClock clock;
    QtClipboard clipboard;
    QtWebOpener web;
    QtChoosers choosers;
    QtLayoutStore layouts;
    Platform platform{messages, clock, clipboard, web, choosers, layouts};

    const QString exeName = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    const auto running = startProgram(dataRoot, platform, exeName, note);
    if (!running)
        return 0;
    return app.exec();
}
