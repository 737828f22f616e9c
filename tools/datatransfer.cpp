#include "tools/datatransfer.h"

#include "accounts/recordimport.h"
#include "core/backuparchive.h"
#include "core/clock.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/settings.h"
#include "core/setuplogic.h"
#include "dispatch/agreementlist.h"
#include "platform/instancelock.h"
#include "tools/datacheck.h"
#include "tools/foldertaking.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace {

struct Parsed
{
    QStringList positional;
    QHash<QString, QString> values;
    QStringList flags;
    bool help = false;
    QString error;
};

Parsed parse(const QStringList &args, const QStringList &valueOptions, const QStringList &flagOptions)
{
    Parsed p;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            p.help = true;
        } else if (!arg.startsWith(QLatin1String("--"))) {
            p.positional << arg;
        } else if (flagOptions.contains(arg.mid(2))) {
            p.flags << arg.mid(2);
        } else if (valueOptions.contains(arg.section(QLatin1Char('='), 0, 0).mid(2))) {
            const QString name = arg.section(QLatin1Char('='), 0, 0).mid(2);
            if (arg.contains(QLatin1Char('=')))
                p.values.insert(name, arg.section(QLatin1Char('='), 1));
            else if (i + 1 < args.size())
                p.values.insert(name, args[++i]);
            else
                p.error = QStringLiteral("--%1 needs a value").arg(name);
        } else {
            p.error = QStringLiteral("unknown option %1").arg(arg);
        }
    }
    return p;
}

int fail(QTextStream &err, const QString &command, const QString &message)
{
    err << "dispatch-data " << command << ": " << message << '\n';
    return 2;
}

QString defaultRoot()
{
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// The agreements of a CSV file, checked as the agreement editor checks them, added in one step.
int importAgreements(const DataFolder &folder, const CsvReader::Table &table, const std::vector<int> &mapping,
                     bool dryRun, QTextStream &out, QTextStream &err)
{
    try {
        const AgreementList::Plan plan = AgreementList::plan(folder, table, mapping);
        for (const AgreementList::Problem &problem : plan.problems)
            out << QStringLiteral("line %1: %2\n").arg(problem.line).arg(problem.reason);
        if (!dryRun)
            AgreementList::write(folder, plan);
        out << QStringLiteral("%1 row(s) read: %2 agreements %3, %4 row(s) refused\n")
                   .arg(plan.read)
                   .arg(plan.agreements.size())
                   .arg(dryRun ? QStringLiteral("can be imported (nothing written)") : QStringLiteral("imported"))
                   .arg(plan.problems.size());
        return plan.problems.empty() ? 0 : 1;
    } catch (const DiskError &e) {
        return fail(err, QStringLiteral("import"), e.message());
    }
}

} // namespace

QString importHelp()
{
    return QStringLiteral(
        "Usage: dispatch-data import [--root DIR] [--dry-run] customers|services|technicians|agreements FILE.csv\n"
        "\n"
        "Adds the rows of a CSV file (as spreadsheets save it) to the customers, the services catalogue, the\n"
        "technicians and crews (assignments) or the maintenance agreements of the data folder DIR (by default\n"
        "the folder dispatch-data lies in). The file may be UTF-8 (with or without a byte-order mark), UTF-16,\n"
        "Mac Roman (a Mac spreadsheet's CSV, lines ending in CR) or Windows-1252, and its values separated by\n"
        "commas, semicolons or tabs; quoted values may hold separators and line breaks (which become blanks).\n"
        "Its first row names the columns; headings are matched without regard to case, blanks and punctuation,\n"
        "to the field names that export and export-csv write and to common other names (Phone, Zip, Company,\n"
        "Surname ...). A column whose heading is not known is left out and named; a second column for a field\n"
        "(Home Phone beside Business Phone) is read where the first is blank.\n"
        "\n"
        "Every row that cannot be stored is listed with its line and the reason: more values than headings, a\n"
        "byte that is not UTF-8 in a UTF-8 file, a missing name, text too long\n"
        "for its field, a character the data files cannot hold, an account number already in use, more records\n"
        "than the file holds (32,767 customers or technicians, 255 services); for agreements, whatever the\n"
        "agreement editor refuses (an account that is not a customer's, a service not in the catalogue, a slip\n"
        "text over 200 characters ...); agreements take the headings that export-csv agreements writes.\n"
        "The other rows are added after the records already there, in one step: an interruption leaves the\n"
        "file as it was or with every row.\n"
        "--dry-run lists the findings and writes nothing.\n"
        "Exit status: 0 every row imported, 1 some rows refused (the others imported), 2 nothing written.\n");
}

QString backupHelp()
{
    return QStringLiteral(
        "Usage: dispatch-data backup [--root DIR] FOLDER\n"
        "\n"
        "Writes the whole data folder DIR (by default the folder dispatch-data lies in) into one zip archive in\n"
        "FOLDER, named by the date and time, such as DispatchBackup-2026-12-07-081500.zip. Any archive program\n"
        "opens it. FOLDER may lie anywhere, also inside DIR; only the running program's lock, the temporaries of\n"
        "interrupted writes and every backup archive (wherever it lies in DIR) are left out. A symbolic link\n"
        "inside DIR is stored as the file or folder it leads to; a link leading out of DIR and a name a restore\n"
        "could not make again (holding \":\" or \"\\\", or not UTF-8) are left out and named. The archive is\n"
        "read back, compared with what was packed and its names checked as restore checks them before it is\n"
        "named; the count of files and their size are printed. A half-written archive of a killed backup\n"
        "(*.zip.partial) is removed by the next. Suited to a schedule (cron); it may run while the program runs,\n"
        "since every file is replaced whole.\n"
        "Exit status: 0 backed up whole, 1 backed up with files left out (named), 2 no archive made.\n");
}

QString restoreHelp()
{
    return QStringLiteral("Usage: dispatch-data restore ARCHIVE EMPTY_FOLDER\n"
                          "\n"
                          "Unpacks a backup archive into a new or empty folder (never over a data folder), then\n"
                          "checks the restored folder as dispatch-data check does. The archive is unpacked\n"
                          "beside the folder first and moved into place only when every file came out whole:\n"
                          "a damaged archive leaves the folder as it was and says what was wrong. What a killed\n"
                          "restore left beside the folder (.NAME-restoring-...) is removed by the next.\n"
                          "Exit status: 0 restored and nothing found, 1 restored with problems found, 2 failed.\n");
}

int importCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    const QString command = QStringLiteral("import");
    const Parsed p = parse(args, {QStringLiteral("root")}, {QStringLiteral("dry-run")});
    if (p.help) {
        out << importHelp();
        return 0;
    }
    if (!p.error.isEmpty())
        return fail(err, command, p.error + QStringLiteral("; see dispatch-data import --help"));
    if (p.positional.size() != 2)
        return fail(err, command, QStringLiteral("give the KIND and one FILE; see dispatch-data import --help"));
    const QString kindText = p.positional[0].trimmed().toLower();
    const bool agreements = kindText == QLatin1String("agreements") || kindText == QLatin1String("agreement");
    const auto kind = RecordImport::kindNamed(p.positional[0]);
    if (!kind && !agreements)
        return fail(err, command,
                    QStringLiteral("unknown kind \"%1\"; it is customers, services, technicians or agreements")
                        .arg(p.positional[0]));
    const QString root = p.values.value(QStringLiteral("root"), defaultRoot());
    if (!QFileInfo(root).isDir())
        return fail(err, command, QStringLiteral("%1 is not a folder").arg(shown(root)));
    QFile file(p.positional[1]);
    if (!file.open(QIODevice::ReadOnly))
        return fail(err, command,
                    QStringLiteral("%1 cannot be read: %2").arg(shown(file.fileName()), file.errorString()));
    const CsvReader::Table table = CsvReader::read(file.readAll());

    const bool dryRun = p.flags.contains(QStringLiteral("dry-run"));
    QString refusal;
    const auto lock = dryRun ? nullptr : takeDataFolder(root, SystemClock(), &refusal);
    if (!dryRun && !lock)
        return fail(err, command, refusal);

    const DataFolder folder(root);
    if (lock)
        lock->guardWrites(folder);
    Settings settings;
    settings.loadBusiness(folder);
    const bool usa = !SetupLogic::internationalStyleAtLoad(settings.business);
    const std::vector<int> mapping =
        agreements ? AgreementList::matchHeadings(table.headings) : RecordImport::matchHeadings(*kind, table.headings);
    out << QStringLiteral("%1: %2, values separated by %3\n")
               .arg(shown(file.fileName()), table.encoding,
                    table.separator == QLatin1Char(',')   ? QStringLiteral("commas")
                    : table.separator == QLatin1Char(';') ? QStringLiteral("semicolons")
                                                          : QStringLiteral("tabs"));
    for (int c = 0; c < int(table.headings.size()); ++c) {
        if (mapping[std::size_t(c)] >= 0)
            continue;
        if (!agreements) {
            out << RecordImport::headingNote(*kind, table.headings, mapping, c) << '\n';
            continue;
        }
        const auto same = [&](int earlier) {
            return table.headings[earlier].simplified().compare(table.headings[c].simplified(), Qt::CaseInsensitive) ==
                   0;
        };
        int first = 0;
        while (first < c && !same(first))
            ++first;
        out << (first < c ? QStringLiteral("column %1 \"%2\" repeats the heading of column %3 and is left out\n")
                                .arg(c + 1)
                                .arg(table.headings[c])
                                .arg(first + 1)
                          : QStringLiteral("column %1 \"%2\" is not a known heading and is left out\n")
                                .arg(c + 1)
                                .arg(table.headings[c]));
    }
    if (const auto problem =
            agreements ? AgreementList::mappingProblem(mapping) : RecordImport::mappingProblem(*kind, mapping))
        return fail(err, command, *problem + QStringLiteral(" Nothing was imported."));
    if (agreements)
        return importAgreements(folder, table, mapping, dryRun, out, err);
    try {
        const RecordImport::Plan plan = RecordImport::plan(folder, *kind, table, mapping, usa);
        for (const RecordImport::Problem &problem : plan.problems)
            out << QStringLiteral("line %1: %2\n").arg(problem.line).arg(problem.reason);
        if (!dryRun)
            RecordImport::write(folder, plan);
        out << QStringLiteral("%1 row(s) read: %2 %3 %4, %5 row(s) refused\n")
                   .arg(plan.read)
                   .arg(plan.records.size())
                   .arg(RecordImport::kindName(*kind),
                        dryRun ? QStringLiteral("can be imported (nothing written)") : QStringLiteral("imported"))
                   .arg(plan.problems.size());
        return plan.problems.empty() ? 0 : 1;
    } catch (const DiskError &e) {
        return fail(err, command, e.message());
    }
}

int backupCommand(const QStringList &args, QTextStream &out, QTextStream &err, const Clock &clock)
{
    const QString command = QStringLiteral("backup");
    const Parsed p = parse(args, {QStringLiteral("root")}, {});
    if (p.help) {
        out << backupHelp();
        return 0;
    }
    if (!p.error.isEmpty())
        return fail(err, command, p.error + QStringLiteral("; see dispatch-data backup --help"));
    if (p.positional.size() != 1)
        return fail(err, command, QStringLiteral("give one FOLDER for the archive; see dispatch-data backup --help"));
    const QString root = p.values.value(QStringLiteral("root"), defaultRoot());
    try {
        const BackupArchive::Made made =
            BackupArchive::create(root, p.positional[0], clock.now(), {InstanceLock::lockFileName()});
        out << QStringLiteral("%1 backed up to %2: %3 file(s), %4 bytes, read back and checked (archive %5 bytes)\n")
                   .arg(shown(root), shown(made.path))
                   .arg(made.files)
                   .arg(made.bytes)
                   .arg(QFileInfo(made.path).size());
        if (made.leftOut.isEmpty())
            return 0;
        err << QStringLiteral("dispatch-data backup: %1 left out of the archive:\n  %2\n")
                   .arg(made.leftOut.size())
                   .arg(made.leftOut.join(QStringLiteral("\n  ")));
        return 1;
    } catch (const DiskError &e) {
        return fail(err, command, e.message());
    }
}

int restoreCommand(const QStringList &args, QTextStream &out, QTextStream &err, const Clock &clock)
{
    const QString command = QStringLiteral("restore");
    const Parsed p = parse(args, {}, {});
    if (p.help) {
        out << restoreHelp();
        return 0;
    }
    if (!p.error.isEmpty() || p.positional.size() != 2)
        return fail(err, command,
                    QStringLiteral("give the ARCHIVE and an EMPTY_FOLDER; see dispatch-data restore --help"));
    try {
        const QStringList files = BackupArchive::restore(p.positional[0], p.positional[1]);
        out << QStringLiteral("%1 file(s) restored into %2\n").arg(files.size()).arg(shown(p.positional[1]));
    } catch (const DiskError &e) {
        return fail(err, command, e.message());
    }
    const auto findings = checkDataFolder(DataFolder(p.positional[1]), clock);
    for (const CheckFinding &f : findings)
        out << f.text() << '\n';
    err << (findings.empty() ? QStringLiteral("No problems found in the restored folder\n")
                             : QStringLiteral("%1 problem(s) found in the restored folder\n").arg(findings.size()));
    return findings.empty() ? 0 : 1;
}
