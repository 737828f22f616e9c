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

#include "tools/ledgercheck.h"

// What the ledger check finds in a folder, one line each: a flow that posts money ends with none.
inline QStringList ledgerFindings(const DataFolder &folder)
{
    std::vector<CheckFinding> findings;
    checkLedger(folder, findings);
    QStringList lines;
    for (const CheckFinding &f : findings)
        lines << f.text();
    return lines;
}

#define VERIFY_LEDGER_CLEAN(folder)                                                                                    \
    do {                                                                                                               \
        const QStringList ledger_ = ledgerFindings(folder);                                                            \
        QVERIFY2(ledger_.isEmpty(), qPrintable(ledger_.join('\n')));                                                   \
    } while (false)
