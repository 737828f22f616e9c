#pragma once

#include "core/clock.h"
#include "testsupport.h"
#include "tools/datatool.h"
#include "tools/ledgercheck.h"
#include "tools/samplegenerator.h"

#include <QBuffer>
#include <QDate>
#include <QTextStream>
#include <vector>

// What a run of the data tool returned and printed.
struct ToolRun
{
    int status = 0;
    QString out;
    QString err;
};

// The clock of the data tool and the data check in the tests: a fixed moment later than any file a test writes,
// so that a stamp the program's start leaves on a folder made now never reads as later than now.
inline const Clock &toolClock()
{
    static const FixedClock clock(QDateTime(QDate(2099, 1, 5), QTime(9, 0)));
    return clock;
}

// Runs the data tool in this process, with `input` as its standard input.
inline ToolRun runTool(const QStringList &args, const QByteArray &input = {}, const Clock &clock = toolClock())
{
    ToolRun run;
    QTextStream out(&run.out), err(&run.err);
    QBuffer in;
    in.setData(input);
    in.open(QIODevice::ReadOnly);
    run.status = runDataTool(args, out, err, in, clock);
    out.flush();
    err.flush();
    return run;
}

// The day the generated sample folders of the tool tests are made on.
inline const QDate kSampleDay(2026, 3, 4);

// A small sample folder: a few dozen customers and slips.
inline GenerateSummary generateSmall(const TestRoot &root, quint32 seed = 1, QDate today = kSampleDay)
{
    return generateSampleData(
        root.folder(), {.customers = 40, .slips = 80, .history = 150, .services = 20, .seed = seed, .today = today});
}

inline std::vector<Record> recordsOf(const TestRoot &root, const QString &relative, const RecordLayout &layout)
{
    return root.folder().readRecords(relative, layout);
}

// What the ledger check finds in a folder, one line each: a flow that posts money ends with none.
inline QStringList ledgerFindings(const DataFolder &folder)
{
    std::vector<CheckFinding> findings;
    checkLedger(folder, toolClock(), findings);
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
