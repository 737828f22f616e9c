#include "tools/datatool.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

// dispatch-data: the command-line companion of VarnelDispatchDuzudu for reading, writing, checking and
// generating the record files of a data folder.
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dispatch-data"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VD_VERSION));

    QTextStream out(stdout);
    QTextStream err(stderr);
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly))
        return 2;
    return runDataTool(app.arguments().mid(1), out, err, in);
}
