#pragma once

#include <QStringList>
#include <QTextStream>

// dispatch-data export-income --root DIR --from DATE --to DATE [--account A] --out FILE.csv
// The financial history of the range (all accounts or one) as CSV, as the history window exports it.
// Returns 0 done, 2 failed (bad arguments, a file that cannot be written).
int exportIncome(const QStringList &args, QTextStream &out, QTextStream &err);
QString exportIncomeHelp();
