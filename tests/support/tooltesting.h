#pragma once

#include "tools/datatool.h"

#include <QBuffer>
#include <QTextStream>

// What a run of the data tool returned and printed.
struct ToolRun
{
    int status = 0;
    QString out;
    QString err;
};

// Runs the data tool in this process, with `input` as its standard input.
inline ToolRun runTool(const QStringList &args, const QByteArray &input = {})
{
    ToolRun run;
    QTextStream out(&run.out), err(&run.err);
    QBuffer in;
    in.setData(input);
    in.open(QIODevice::ReadOnly);
    run.status = runDataTool(args, out, err, in);
    out.flush();
    err.flush();
    return run;
}
