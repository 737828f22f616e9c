#pragma once

#include <QIODevice>
#include <QStringList>
#include <QTextStream>

class Clock;

// The dispatch-data command line: dump, write, check, export-csv and generate, each with --help.
// args are the arguments after the program name. Record text goes to out, warnings and errors to err,
// and write reads its JSON Lines from in.
// Returns the exit status: 0 done, 1 check found problems, 2 the command failed (bad arguments or input,
// a file that cannot be read or written); a failed command has changed no file. Today and the time are the
// clock's.
int runDataTool(const QStringList &args, QTextStream &out, QTextStream &err, QIODevice &in, const Clock &clock);
