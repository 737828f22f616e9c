#pragma once

#include "accounts/assignmentfile.h"
#include "accounts/assignmentrecord.h"
#include "core/clock.h"
#include "core/slipcounter.h"
#include "core/startup.h"
#include "testsupport.h"
#include "tools/datatool.h"
#include "tools/ledgercheck.h"
#include "tools/samplegenerator.h"

#include <QBuffer>
#include <QDate>
#include <QFile>
#include <QTextStream>
#include <vector>

// What a run of the data tool returned and printed.
struct ToolRun
{
    int status = 0;
    QString out;
    QString err;
};

// The day the generated sample folders of the tool tests are made on.
inline const QDate kSampleDay(2026, 3, 4);

// The clock of the data tool and the data check in the tests: the morning of the sample day.
inline const Clock &toolClock()
{
    static const FixedClock clock(QDateTime(kSampleDay, QTime(9, 0)));
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

// A start made the folder on the sample day: the stamp of its last look into the customers' folders is of that
// time (as the tool's clock reads it), not the machine's.
inline void stampedOnSampleDay(const TestRoot &root)
{
    QFile marker(root.file(Startup::kAuxFoldersChecked));
    if (marker.open(QIODevice::ReadWrite))
        marker.setFileTime(toolClock().now(), QFileDevice::FileModificationTime);
}

// A small sample folder: a few dozen customers and slips.
inline GenerateSummary generateSmall(const TestRoot &root, quint32 seed = 1, QDate today = kSampleDay)
{
    const GenerateSummary made = generateSampleData(
        root.folder(), {.customers = 40, .slips = 80, .history = 150, .services = 20, .seed = seed, .today = today});
    stampedOnSampleDay(root);
    return made;
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

// A test's folder of slips as the program leaves it (business, slip counter, technicians): the data check is silent.
inline void makeCheckable(const TestRoot &root, const QStringList &technicians, int nextSlip)
{
    root.write(QStringLiteral("/MyBusinessData.txt"), "\"Acme\"\r\n");
    root.write(SlipCounter::kFile, QByteArray::number(nextSlip) + "\r\n");
    for (int i = 0; i < technicians.size(); ++i) {
        Record technician(assignmentLayout());
        technician.setText(AssignmentField::Name, technicians[i]);
        WriteAssignment(root.folder(), i + 1, technician);
    }
}
