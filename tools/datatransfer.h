#pragma once

#include <QStringList>
#include <QTextStream>

class Clock;

// dispatch-data import, backup and restore: bringing customers, services and technicians in from CSV, and
// the dated backup archive of a data folder with its restore. Each returns 0 done, 1 done with findings
// (rows refused, or problems the check found after a restore), 2 failed with nothing changed.
int importCommand(const QStringList &args, QTextStream &out, QTextStream &err);
int backupCommand(const QStringList &args, QTextStream &out, QTextStream &err, const Clock &clock);
int restoreCommand(const QStringList &args, QTextStream &out, QTextStream &err, const Clock &clock);
QString importHelp();
QString backupHelp();
QString restoreHelp();
