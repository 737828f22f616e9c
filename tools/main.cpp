#include "tools/datatool.h"

#include "core/clock.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <cstdio>
#include <memory>

// dispatch-data: the command-line companion of VarnelDispatchDuzudu for reading, writing, checking and
// generating the record files of a data folder.
int main(int argc, char *argv[])
{
    // Rendering lays out text with the system's fonts, which takes a GUI application; it needs no screen.
    const bool render = argc > 1 && qstrcmp(argv[1], "render") == 0;
    if (render && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> application =
        render ? std::make_unique<QApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication &app = *application;
    QCoreApplication::setApplicationName(QStringLiteral("dispatch-data"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VD_VERSION));

    QTextStream out(stdout);
    QTextStream err(stderr);
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly))
        return 2;
    const SystemClock clock;
    return runDataTool(app.arguments().mid(1), out, err, in, clock);
}
