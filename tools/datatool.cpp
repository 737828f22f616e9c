#include "tools/datatool.h"

#include "billing/postingrun.h"
#include "core/clock.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "dispatch/agreementlist.h"
#include "dispatch/slipstore.h"
#include "platform/instancelock.h"
#include "tools/datacheck.h"
#include "tools/datatransfer.h"
#include "tools/exportincome.h"
#include "tools/foldertaking.h"
#include "tools/recordjson.h"
#include "tools/recordkinds.h"
#include "tools/render.h"
#include "tools/samplegenerator.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <memory>
#include <stdexcept>

namespace {

constexpr int kDone = 0;
constexpr int kFound = 1;
constexpr int kFailed = 2;

const QString kTool = QStringLiteral("dispatch-data");

QString generalHelp()
{
    return QStringLiteral(
               "Usage: dispatch-data COMMAND [OPTIONS]\n"
               "\n"
               "Reads, writes and checks the record files of a VarnelDispatchDuzudu data folder.\n"
               "\n"
               "Commands:\n"
               "  dump [--kind KIND] FILE          every record as one JSON object per line\n"
               "  write [--kind KIND] FILE         writes the record file from JSON Lines read on standard input\n"
               "  export-csv [--kind KIND] [--bom] FILE\n"
               "                                   the records as CSV with a header row\n"
               "  export-csv [--root DIR] [--bom] agreements\n"
               "                                   the maintenance agreements as the list import reads\n"
               "  check [DATA_ROOT]                reports what is wrong in a data folder\n"
               "  generate --root DIR [...]        makes a sample data folder\n"
               "  render --root DIR --document KIND --out FILE.pdf [...]\n"
               "                                   prints invoices, orders, the slip report or blank forms to PDF\n"
               "  export-income --root DIR --from DATE --to DATE [--account A] [--bom] --out FILE.csv\n"
               "                                   the income of a date range as CSV\n"
               "  import [--root DIR] customers|services|technicians|agreements FILE.csv\n"
               "                                   adds the rows of a spreadsheet's CSV file\n"
               "  backup [--root DIR] FOLDER       the whole data folder into one dated zip archive in FOLDER\n"
               "  restore ARCHIVE EMPTY_FOLDER     unpacks a backup into an empty folder and checks it\n"
               "  unlock [DATA_ROOT] [--yes]       names the copy that holds the folder; frees it from a stale lock\n"
               "  set-aside-journal [DATA_ROOT] [--yes]\n"
               "                                   sets a damaged posting journal aside, so that Write Records works\n"
               "                                   again; the postings it held must then be checked by hand\n"
               "\n"
               "KIND is one of: %1.\n"
               "Without --kind it is taken from the file's usual name.\n"
               "\"dispatch-data COMMAND --help\" describes a command.\n"
               "\n"
               "Exit status: 0 done, 1 check found problems, 2 the command failed (nothing was changed).\n")
        .arg(RecordKinds::nameList());
}

QString kindHelp()
{
    QString text = QStringLiteral("Kinds and the files they are usually found in:\n");
    for (const RecordKind &kind : RecordKinds::all())
        text += QStringLiteral("  %1 %2\n").arg(kind.name.leftJustified(15), kind.files);
    return text + QStringLiteral("A file marked (shared) is read by the companion invoicing program too: close that "
                                 "program before writing it.\n");
}

QString commandHelp(const QString &command)
{
    if (command == QLatin1String("dump")) {
        return QStringLiteral(
                   "Usage: dispatch-data dump [--kind KIND] FILE\n"
                   "\n"
                   "Prints every record of FILE as one JSON object per line. The keys are the record's field names\n"
                   "in field order. Text is trimmed; numbers and dates (the stored day count) are JSON numbers;\n"
                   "amounts are strings with four decimals, such as \"-1234.5600\"; flags are true or false.\n"
                   "A file whose length is not a whole number of records is read as the program reads it (the\n"
                   "length divided and rounded, a short last record completed with blanks), with a warning.\n"
                   "\n") +
               kindHelp();
    }
    if (command == QLatin1String("write")) {
        return QStringLiteral(
                   "Usage: dispatch-data write [--kind KIND] [--force] FILE < records.jsonl\n"
                   "\n"
                   "Reads JSON Lines of the form that dump prints from standard input and replaces FILE with\n"
                   "those records, in that order. Missing keys (and null) take blank text, 0, false or a zero\n"
                   "amount; longer text is cut at its field's width; characters outside Windows-1252 become \"?\".\n"
                   "Blank lines are skipped; no records at all gives an empty file.\n"
                   "When a line is not valid, the error names the line and the key and FILE is left untouched.\n"
                   "The file is replaced safely: a crash leaves the old file or the new one, never neither.\n"
                   "--force writes records of one kind into a file whose name belongs to another.\n"
                   "\n") +
               kindHelp();
    }
    if (command == QLatin1String("export-csv")) {
        return QStringLiteral("Usage: dispatch-data export-csv [--kind KIND] [--bom] FILE\n"
                              "       dispatch-data export-csv [--root DIR] [--bom] agreements\n"
                              "\n"
                              "Prints the records of FILE as CSV (UTF-8, RFC 4180): a header row of field names,\n"
                              "then one row per record with the values dump prints. A text that a spreadsheet would\n"
                              "turn into a number or a date (an account number \"00123\") is written as =\"00123\".\n"
                              "--bom starts the file with a UTF-8 byte-order mark, for spreadsheets that need it.\n"
                              "\"agreements\" prints the maintenance agreements of the data folder DIR (by default\n"
                              "the folder dispatch-data lies in) as the list that import agreements reads back:\n"
                              "AcctNo, Services (separated by ;), Interval, Every, Months, Technician, Weekday,\n"
                              "Slot, Start, End, Price, Note.\n"
                              "\n") +
               kindHelp();
    }
    if (command == QLatin1String("check")) {
        return QStringLiteral(
            "Usage: dispatch-data check [DATA_ROOT]\n"
            "\n"
            "Reports what is wrong in the data folder DATA_ROOT (by default the folder dispatch-data lies in,\n"
            "which is the program's data folder), one line per finding with the file and the record number:\n"
            "  - record files whose length is not a whole number of records (and whether an interrupted\n"
            "    append explains it), and records holding nothing but zero bytes or blanks;\n"
            "  - dates and amounts kept as text that do not parse (M/d/yyyy, $1,234.56);\n"
            "  - unknown slip statuses, priorities and time slots;\n"
            "  - slip numbers at or above the slip counter in SlipNo.txt (1000 when missing), or used twice;\n"
            "  - blank or duplicate account numbers, and account files in VIActiveAccounts without a customer;\n"
            "  - double bookings: two active slips with the same assignment, date and time;\n"
            "  - a missing MyBusinessData.txt or SlipNo.txt;\n"
            "  - what interrupted writes left behind: temporary files (*.vdtmp), the posting journal\n"
            "    PostingJournal.txt of a Write Records, the customer journal CustomerData.jnl (what each holds,\n"
            "    and whether the program finishes it), or a journal too damaged to be used;\n"
            "  - AuxHeadings.txt not holding six heading lines, and in AuxFiles a file where the program keeps a\n"
            "    folder (or the reverse), data boxes with text of an account that no longer exists, and folders\n"
            "    whose names differ only in letter case;\n"
            "  - a VarnelDispatchDuzudu/AuxFolders.checked stamp that would mislead the start;\n"
            "  - maintenance agreements (Agreements.dat) with values the program cannot use, accounts that are\n"
            "    no customer's, unknown technicians and services (warnings), slip texts too long for a slip;\n"
            "    visits (AgreementVisits.dat) of no agreement or whose slip is in no slip file, and any visit\n"
            "    made twice.\n"
            "The folder is only read. Exit status 1 when anything is found, 0 otherwise.\n");
    }
    if (command == QLatin1String("unlock")) {
        return QStringLiteral(
            "Usage: dispatch-data unlock [DATA_ROOT] [--yes]\n"
            "\n"
            "Names the copy of the program that holds the data folder DATA_ROOT (by default the folder\n"
            "dispatch-data lies in): the computer, the user, since when and when it last confirmed.\n"
            "A copy of this computer holds the folder while it runs; a lock its crash left behind is let go\n"
            "by itself. A copy of another computer changes its lock every 20 seconds and writes nothing once\n"
            "90 seconds passed without doing so. unlock watches the lock for two minutes by this computer's\n"
            "own clock (the times the lock names are not compared: the two clocks may differ); when it did\n"
            "not change (the computer was switched off or stopped), unlock asks whether to take the folder\n"
            "from it, removes its lock and the temporary files its last saves left, so that the program can\n"
            "start here. --yes answers the question. A copy that was only stopped writes nothing more to the\n"
            "folder.\n"
            "Exit status 0 when the folder is free, 2 when it is still held.\n");
    }
    if (command == QLatin1String("set-aside-journal")) {
        return QStringLiteral(
            "Usage: dispatch-data set-aside-journal [DATA_ROOT] [--yes]\n"
            "\n"
            "An interrupted Write Records leaves its journal PostingJournal.txt in the data folder DATA_ROOT (by\n"
            "default the folder dispatch-data lies in), and the program finishes it at its next start. A journal\n"
            "that is damaged cannot be finished, and the program refuses Write Records while it is there.\n"
            "set-aside-journal asks, then renames such a journal beside it to PostingJournal.set-aside-DATE.txt\n"
            "(it is never deleted), so that Write Records works again.\n"
            "Setting it aside means: the postings of that run are left as far as they got. Some of its slips\n"
            "may be posted in part (in some history, tax, journal or account files and not in others) and stay\n"
            "in Completed Service Slips. Check them by hand: compare the slips left in Completed Service Slips\n"
            "with the service history and the invoice journal, or restore the folder from a backup made before\n"
            "that Write Records instead.\n"
            "A journal that can still be finished is not set aside. The program must be closed (the command\n"
            "takes the folder's lock, as every writing command does). --yes answers the question.\n"
            "Exit status 0 when the journal was set aside or none was there, 2 otherwise.\n");
    }
    if (command == QLatin1String("export-income"))
        return exportIncomeHelp();
    if (command == QLatin1String("import"))
        return importHelp();
    if (command == QLatin1String("backup"))
        return backupHelp();
    if (command == QLatin1String("restore"))
        return restoreHelp();
    if (command == QLatin1String("render")) {
        return QStringLiteral(
            "Usage: dispatch-data render --root DIR --document invoice|order|slip-report|blank --out FILE.pdf\n"
            "                            [--slips N,N,...] [--count N] [--dry-run] [--today M/d/yyyy]\n"
            "\n"
            "Prints documents of the data folder DIR into one PDF file, with the folder's business data and\n"
            "print settings:\n"
            "  invoice      an invoice for each chosen active slip that is \"Assigned\"; the stored invoice\n"
            "               number advances by the invoices printed, as printing from the board does\n"
            "               (--dry-run leaves it as it is)\n"
            "  order        a service order for each chosen active slip that is \"Assigned\"\n"
            "  slip-report  the report of the chosen active slips\n"
            "  blank        --count blank invoice forms (default 1, at most 1000)\n"
            "--slips names the slips by number; without it every active slip is chosen.\n");
    }
    if (command == QLatin1String("generate")) {
        return QStringLiteral(
                   "Usage: dispatch-data generate --root DIR [--customers N] [--slips N] [--history N]\n"
                   "                              [--services N] [--assignments N] [--seed S] [--today M/d/yyyy]\n"
                   "\n"
                   "Makes a sample data folder in DIR, which must be new or empty: customers, services,\n"
                   "technicians and crews, active, completed and finalized slips that never double-book, the\n"
                   "history, tax, journal, payment and account files of the finalized work, and the settings\n"
                   "files that make the folder set up. The same options give the same bytes.\n"
                   "\n"
                   "  --customers N     0 to %1 (default 200)\n"
                   "  --slips N         0 to %2, across the three slip files (default 300)\n"
                   "  --history N       postings in the history files, 0 to %3 (default 1000)\n"
                   "  --services N      0 to %4 (default 30)\n"
                   "  --assignments N   1 to %5 (default: enough for the slips)\n"
                   "  --seed S          any whole number from 0 to 4294967295 (default 1)\n"
                   "  --today DATE      the day the data is made for, M/d/yyyy (default: today)\n")
            .arg(GenerateLimits::kCustomers)
            .arg(GenerateLimits::kSlips)
            .arg(GenerateLimits::kHistory)
            .arg(GenerateLimits::kServices)
            .arg(GenerateLimits::kAssignments);
    }
    return {};
}

// The arguments of one command: options with a value (--kind KIND or --kind=KIND), flags, and the rest.
struct Arguments
{
    QHash<QString, QString> values;
    QStringList flags;
    QStringList positional;
    bool help = false;
    QString error;
};

Arguments parseArguments(const QStringList &args, const QStringList &valueOptions, const QStringList &flagOptions)
{
    Arguments parsed;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            parsed.help = true;
            continue;
        }
        if (!arg.startsWith(QLatin1String("--")) || arg == QLatin1String("--")) {
            parsed.positional << arg;
            continue;
        }
        QString name = arg.mid(2);
        QString value;
        const qsizetype equals = name.indexOf(QLatin1Char('='));
        const bool inline_ = equals >= 0;
        if (inline_) {
            value = name.mid(equals + 1);
            name.truncate(equals);
        }
        if (flagOptions.contains(name) && !inline_) {
            parsed.flags << name;
        } else if (valueOptions.contains(name)) {
            if (!inline_) {
                if (i + 1 >= args.size()) {
                    parsed.error = QStringLiteral("--%1 needs a value").arg(name);
                    return parsed;
                }
                value = args[++i];
            }
            parsed.values.insert(name, value);
        } else {
            parsed.error = QStringLiteral("unknown option --%1").arg(name);
            return parsed;
        }
    }
    return parsed;
}

class Tool
{
public:
    Tool(QTextStream &out, QTextStream &err, QIODevice &in, const Clock &clock)
        : m_out(out)
        , m_err(err)
        , m_in(in)
        , m_clock(clock)
    {}

    int run(const QStringList &args)
    {
        if (args.isEmpty()) {
            m_err << generalHelp();
            return kFailed;
        }
        const QString command = args.front();
        const QStringList rest = args.mid(1);
        if (command == QLatin1String("--help") || command == QLatin1String("-h") || command == QLatin1String("help")) {
            const QString topic = rest.value(0);
            m_out << (commandHelp(topic).isEmpty() ? generalHelp() : commandHelp(topic));
            return kDone;
        }
        if (command == QLatin1String("--version")) {
            m_out << kTool << ' ' << QStringLiteral(VD_VERSION) << '\n';
            return kDone;
        }
        if (command == QLatin1String("dump"))
            return records(rest, command, false);
        if (command == QLatin1String("export-csv"))
            return records(rest, command, true);
        if (command == QLatin1String("write"))
            return write(rest);
        if (command == QLatin1String("check"))
            return check(rest);
        if (command == QLatin1String("generate"))
            return generate(rest);
        if (command == QLatin1String("render"))
            return render(rest);
        if (command == QLatin1String("export-income"))
            return exportIncome(rest, m_out, m_err);
        if (command == QLatin1String("import"))
            return importCommand(rest, m_out, m_err);
        if (command == QLatin1String("backup"))
            return backupCommand(rest, m_out, m_err, m_clock);
        if (command == QLatin1String("restore"))
            return restoreCommand(rest, m_out, m_err, m_clock);
        if (command == QLatin1String("unlock"))
            return unlock(rest);
        if (command == QLatin1String("set-aside-journal"))
            return setAsideJournal(rest);
        return fail(QString(), QStringLiteral("unknown command \"%1\"; see dispatch-data --help").arg(command));
    }

private:
    // The writing commands take the data folder's lock, as the program does while it runs, and refuse while
    // the program (or another writing command) holds it. Null after the refusal was said.
    std::unique_ptr<InstanceLock> lockDataFolder(const QString &command, const QString &root)
    {
        QString refusal;
        auto lock = takeDataFolder(root, m_clock, &refusal);
        if (!lock)
            fail(command, refusal);
        return lock;
    }

    // The data folder that holds a file, found from the file's real path whatever path named it.
    static QString dataFolderOf(const QFileInfo &file) { return InstanceLock::dataRootOf(file.absoluteFilePath()); }

    // A generate that failed takes back what it made: the folder was empty (or not there) before.
    static void removeGenerated(const QString &root, std::unique_ptr<InstanceLock> &lock, bool created)
    {
        QDir dir(root);
        for (const QFileInfo &entry :
             dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
            if (entry.fileName() == InstanceLock::lockFileName())
                continue;
            if (entry.isDir() && !entry.isSymLink())
                QDir(entry.filePath()).removeRecursively();
            else
                QFile::remove(entry.filePath());
        }
        if (created) {
            lock.reset();
            QDir().rmdir(root);
        }
    }

    int fail(const QString &command, const QString &message)
    {
        m_err << kTool;
        if (!command.isEmpty())
            m_err << ' ' << command;
        m_err << ": " << message << '\n';
        return kFailed;
    }

    // The arguments of a command that takes them; nothing (and the help or the error shown) otherwise.
    std::optional<Arguments> arguments(const QString &command, const QStringList &args, const QStringList &values,
                                       const QStringList &flags, int *status)
    {
        Arguments parsed = parseArguments(args, values, flags);
        if (parsed.help) {
            m_out << commandHelp(command);
            *status = kDone;
            return std::nullopt;
        }
        if (!parsed.error.isEmpty()) {
            *status = fail(command,
                           parsed.error + QStringLiteral("; see dispatch-data ") + command + QStringLiteral(" --help"));
            return std::nullopt;
        }
        return parsed;
    }

    const RecordKind *kindOf(const QString &command, const Arguments &parsed, const QString &file)
    {
        if (parsed.values.contains(QStringLiteral("kind"))) {
            const QString name = parsed.values.value(QStringLiteral("kind"));
            const RecordKind *kind = RecordKinds::byName(name);
            if (!kind)
                fail(command,
                     QStringLiteral("unknown kind \"%1\"; the kinds are %2").arg(name, RecordKinds::nameList()));
            return kind;
        }
        const RecordKind *kind = RecordKinds::forFile(file);
        if (!kind) {
            fail(command, QStringLiteral("the kind of %1 cannot be told from its name; give --kind, one of %2")
                              .arg(QDir::toNativeSeparators(file), RecordKinds::nameList()));
        }
        return kind;
    }

    std::optional<QString> oneFile(const QString &command, const Arguments &parsed)
    {
        if (parsed.positional.size() != 1) {
            fail(command, QStringLiteral("give exactly one FILE; see dispatch-data %1 --help").arg(command));
            return std::nullopt;
        }
        return parsed.positional.front();
    }

    // dump and export-csv
    int records(const QStringList &args, const QString &command, bool csv)
    {
        int status = kFailed;
        const auto parsed = arguments(command, args,
                                      csv ? QStringList{QStringLiteral("kind"), QStringLiteral("root")}
                                          : QStringList{QStringLiteral("kind")},
                                      csv ? QStringList{QStringLiteral("bom")} : QStringList{}, &status);
        if (!parsed)
            return status;
        const auto file = oneFile(command, *parsed);
        if (!file)
            return kFailed;
        if (csv && file->compare(QLatin1String("agreements"), Qt::CaseInsensitive) == 0) {
            // The agreements as a list, under the headings that import reads back.
            const QString root = parsed->values.value(
                QStringLiteral("root"),
                QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath());
            if (!QFileInfo(root).isDir())
                return fail(command, QStringLiteral("%1 is not a folder").arg(QDir::toNativeSeparators(root)));
            QByteArray list = AgreementList::listCsv(DataFolder(root));
            if (!parsed->flags.contains(QStringLiteral("bom")))
                list.remove(0, 3); // the byte-order mark the lists begin with
            m_out << QString::fromUtf8(list);
            return kDone;
        }
        const RecordKind *kind = kindOf(command, *parsed, *file);
        if (!kind)
            return kFailed;
        QFile f(*file);
        if (!QFileInfo(f).isFile() || !f.open(QIODevice::ReadOnly))
            return fail(command,
                        QStringLiteral("%1 cannot be read: %2")
                            .arg(QDir::toNativeSeparators(*file),
                                 QFileInfo(f).isFile() ? f.errorString() : QStringLiteral("there is no such file")));
        const QByteArray bytes = f.readAll();
        const RecordLayout &layout = *kind->layout;
        const int length = layout.length();
        const int count = DataFolder::recordCountForSize(bytes.size(), length);
        if (bytes.size() % length != 0) {
            const qsizetype rest = bytes.size() % length;
            const bool completed = qsizetype(count) * length > bytes.size();
            m_err << QStringLiteral("%1: warning: %2: %3 bytes is not a whole number of %4-byte %5 records; read as "
                                    "%6 record(s), %7\n")
                         .arg(kTool, QDir::toNativeSeparators(*file))
                         .arg(bytes.size())
                         .arg(length)
                         .arg(kind->name)
                         .arg(count)
                         .arg(completed ? QStringLiteral("the short last one completed with blanks and zeros")
                                        : QStringLiteral("the last %1 byte(s) left out").arg(rest));
        }
        if (csv && parsed->flags.contains(QStringLiteral("bom")))
            m_out << QChar(0xFEFF); // UTF-8 with a byte-order mark
        if (csv)
            m_out << RecordCsv::header(layout);
        for (int i = 0; i < count; ++i) {
            const Record record(layout, bytes.mid(qsizetype(i) * length, length));
            if (csv)
                m_out << RecordCsv::row(record);
            else
                m_out << RecordJson::toLine(record) << '\n';
        }
        return kDone;
    }

    int write(const QStringList &args)
    {
        const QString command = QStringLiteral("write");
        int status = kFailed;
        const auto parsed = arguments(command, args, {QStringLiteral("kind")}, {QStringLiteral("force")}, &status);
        if (!parsed)
            return status;
        const auto file = oneFile(command, *parsed);
        if (!file)
            return kFailed;
        const RecordKind *kind = kindOf(command, *parsed, *file);
        if (!kind)
            return kFailed;
        const QString shown = QDir::toNativeSeparators(*file);
        const RecordKind *usual = RecordKinds::forFile(*file);
        if (usual && usual != kind && !parsed->flags.contains(QStringLiteral("force"))) {
            return fail(command, QStringLiteral("%1 usually holds %2 records, not %3 records; nothing was written "
                                                "(--force writes it all the same)")
                                     .arg(shown, usual->name, kind->name));
        }
        const QFileInfo info(*file);
        if (info.isDir() || !info.absoluteDir().exists())
            return fail(command,
                        QStringLiteral("%1 cannot be written: its folder does not exist or it is a folder").arg(shown));

        const auto lock = lockDataFolder(command, dataFolderOf(info));
        if (!lock)
            return kFailed;
        const auto result = RecordJson::fromLines(*kind->layout, m_in.readAll());
        if (const auto *error = std::get_if<RecordJson::LineError>(&result))
            return fail(command, QStringLiteral("%1\nNothing was written; %2 is unchanged.").arg(error->text(), shown));
        const auto &records = std::get<std::vector<Record>>(result);
        QByteArray bytes;
        bytes.reserve(qsizetype(records.size()) * kind->layout->length());
        for (const Record &r : records)
            bytes += r.bytes();
        try {
            const DataFolder folder(info.absolutePath());
            lock->guardWrites(folder);
            if (const QString slips = SlipStore::slipFileNamed(info.fileName()); !slips.isEmpty())
                SlipStore(folder).writeAsGiven(slips, bytes, DataFolder::Flush::ToDisk);
            else
                folder.writeFile(QLatin1Char('/') + info.fileName(), bytes);
        } catch (const DiskError &e) {
            return fail(command, e.message());
        }
        m_out << QStringLiteral("%1 %2 record(s) written to %3\n").arg(records.size()).arg(kind->name, shown);
        return kDone;
    }

    // The DATA_ROOT a command names, or the tool's own folder; nothing (said) when it is no folder.
    std::optional<QString> dataRootArgument(const QString &command, const QStringList &positional)
    {
        if (positional.size() > 1) {
            fail(command, QStringLiteral("give at most one DATA_ROOT"));
            return std::nullopt;
        }
        QString root = positional.value(0);
        if (root.isEmpty())
            root = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
        if (!QFileInfo(root).isDir()) {
            fail(command, QStringLiteral("%1 is not a folder").arg(QDir::toNativeSeparators(root)));
            return std::nullopt;
        }
        return root;
    }

    // The arguments and the data root of a command that takes a DATA_ROOT; nothing otherwise (the help or the
    // error shown, and the status to end with set).
    std::optional<std::pair<Arguments, QString>> rootArguments(const QString &command, const QStringList &args,
                                                               const QStringList &flags, int *status)
    {
        const auto parsed = arguments(command, args, {}, flags, status);
        if (!parsed)
            return std::nullopt;
        const auto root = dataRootArgument(command, parsed->positional);
        if (!root) {
            *status = kFailed;
            return std::nullopt;
        }
        return std::pair{*parsed, *root};
    }

    int check(const QStringList &args)
    {
        const QString command = QStringLiteral("check");
        int status = kFailed;
        const auto given = rootArguments(command, args, {}, &status);
        if (!given)
            return status;
        const QString &root = given->second;
        const auto findings = checkDataFolder(DataFolder(root), m_clock);
        for (const CheckFinding &f : findings)
            m_out << f.text() << '\n';
        const QString where = QDir::toNativeSeparators(QDir(root).absolutePath());
        if (findings.empty()) {
            m_err << QStringLiteral("No problems found in %1\n").arg(where);
            return kDone;
        }
        m_err << QStringLiteral("%1 problem(s) found in %2\n").arg(findings.size()).arg(where);
        return kFound;
    }

    std::optional<int> number(const QString &command, const Arguments &parsed, const QString &name, int fallback,
                              qint64 low, qint64 high)
    {
        if (!parsed.values.contains(name))
            return fallback;
        bool ok = false;
        const qint64 value = parsed.values.value(name).trimmed().toLongLong(&ok);
        if (!ok || value < low || value > high) {
            fail(command, QStringLiteral("--%1 must be a whole number from %2 to %3, not \"%4\"")
                              .arg(name)
                              .arg(low)
                              .arg(high)
                              .arg(parsed.values.value(name)));
            return std::nullopt;
        }
        return int(value);
    }

    int render(const QStringList &args)
    {
        const QString command = QStringLiteral("render");
        int status = kFailed;
        const QStringList valueOptions = {QStringLiteral("root"),  QStringLiteral("document"), QStringLiteral("out"),
                                          QStringLiteral("slips"), QStringLiteral("count"),    QStringLiteral("today")};
        const auto parsed = arguments(command, args, valueOptions, {QStringLiteral("dry-run")}, &status);
        if (!parsed)
            return status;
        if (!parsed->positional.isEmpty())
            return fail(command, QStringLiteral("unexpected argument \"%1\"").arg(parsed->positional.front()));
        RenderRequest request;
        request.root = parsed->values.value(QStringLiteral("root"));
        request.document = parsed->values.value(QStringLiteral("document"));
        request.out = parsed->values.value(QStringLiteral("out"));
        if (request.root.isEmpty() || request.document.isEmpty() || request.out.isEmpty())
            return fail(command, QStringLiteral("--root DIR, --document KIND and --out FILE.pdf are required"));
        request.dryRun = parsed->flags.contains(QStringLiteral("dry-run"));
        if (parsed->values.contains(QStringLiteral("slips"))) {
            QList<int> numbers;
            for (const QString &part : parsed->values.value(QStringLiteral("slips")).split(QLatin1Char(','))) {
                bool ok = false;
                const int n = part.trimmed().toInt(&ok);
                if (!ok || n < 0 || n > 32767)
                    return fail(command,
                                QStringLiteral("--slips takes slip numbers separated by commas, not \"%1\"").arg(part));
                numbers.append(n);
            }
            request.slips = numbers;
        }
        const auto count = number(command, *parsed, QStringLiteral("count"), 1, 1, 1000);
        if (!count)
            return kFailed;
        request.count = *count;
        request.today = m_clock.today();
        if (parsed->values.contains(QStringLiteral("today"))) {
            const QString text = parsed->values.value(QStringLiteral("today"));
            const auto date = Formats::parseShortDate(text);
            if (!date)
                return fail(command, QStringLiteral("--today must be a date as M/d/yyyy, not \"%1\"").arg(text));
            request.today = *date;
        }
        // Only invoices without --dry-run write into the folder (the invoice number and the narrative).
        std::unique_ptr<InstanceLock> lock;
        if (request.document == QLatin1String("invoice") && !request.dryRun && QFileInfo(request.root).isDir()) {
            lock = lockDataFolder(command, request.root);
            if (!lock)
                return kFailed;
        }
        const RenderResult result = renderDocuments(request);
        if (!result.note.isEmpty())
            m_err << kTool << ' ' << command << ": "
                  << QString(result.note).replace(QStringLiteral("\r\n"), QStringLiteral(" ")) << '\n';
        if (!result.ok)
            return fail(command, result.message);
        m_out << result.message << '\n';
        return kDone;
    }

    int generate(const QStringList &args)
    {
        const QString command = QStringLiteral("generate");
        int status = kFailed;
        const QStringList valueOptions = {QStringLiteral("root"),     QStringLiteral("customers"),
                                          QStringLiteral("slips"),    QStringLiteral("history"),
                                          QStringLiteral("services"), QStringLiteral("assignments"),
                                          QStringLiteral("seed"),     QStringLiteral("today")};
        const auto parsed = arguments(command, args, valueOptions, {}, &status);
        if (!parsed)
            return status;
        if (!parsed->positional.isEmpty())
            return fail(command, QStringLiteral("unexpected argument \"%1\"").arg(parsed->positional.front()));
        const QString root = parsed->values.value(QStringLiteral("root"));
        if (root.isEmpty())
            return fail(command, QStringLiteral("--root DIR is required"));

        GenerateOptions options;
        const auto customers =
            number(command, *parsed, QStringLiteral("customers"), options.customers, 0, GenerateLimits::kCustomers);
        const auto slips = number(command, *parsed, QStringLiteral("slips"), options.slips, 0, GenerateLimits::kSlips);
        const auto history =
            number(command, *parsed, QStringLiteral("history"), options.history, 0, GenerateLimits::kHistory);
        const auto services =
            number(command, *parsed, QStringLiteral("services"), options.services, 0, GenerateLimits::kServices);
        const auto assignments = number(command, *parsed, QStringLiteral("assignments"), options.assignments, 1,
                                        GenerateLimits::kAssignments);
        if (!customers || !slips || !history || !services || !assignments)
            return kFailed;
        options.customers = *customers;
        options.slips = *slips;
        options.history = *history;
        options.services = *services;
        options.assignments = *assignments;
        if (parsed->values.contains(QStringLiteral("seed"))) {
            bool ok = false;
            const QString text = parsed->values.value(QStringLiteral("seed"));
            options.seed = text.trimmed().toUInt(&ok);
            if (!ok)
                return fail(command,
                            QStringLiteral("--seed must be a whole number from 0 to 4294967295, not \"%1\"").arg(text));
        }
        options.today = m_clock.today();
        if (parsed->values.contains(QStringLiteral("today"))) {
            const QString text = parsed->values.value(QStringLiteral("today"));
            const auto date = Formats::parseShortDate(text);
            if (!date)
                return fail(command, QStringLiteral("--today must be a date as M/d/yyyy, not \"%1\"").arg(text));
            options.today = *date;
        }

        const QString shown = QDir::toNativeSeparators(root);
        const QFileInfo info(root);
        if (info.exists() && !info.isDir())
            return fail(command, QStringLiteral("%1 is a file, not a folder").arg(shown));
        std::unique_ptr<InstanceLock> lock;
        if (info.isDir()) {
            lock = lockDataFolder(command, root);
            if (!lock)
                return kFailed;
        }
        QStringList present =
            info.isDir() ? QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
                         : QStringList();
        present.removeAll(InstanceLock::lockFileName());
        if (!present.isEmpty())
            return fail(command, QStringLiteral("%1 is not empty; the sample data goes into a new or empty folder, so "
                                                "that it mixes with nothing")
                                     .arg(shown));
        const bool created = !info.isDir();
        if (!QDir().mkpath(root))
            return fail(command, QStringLiteral("the folder %1 cannot be created").arg(shown));
        if (!lock) {
            lock = lockDataFolder(command, root);
            if (!lock)
                return kFailed;
        }
        try {
            const DataFolder folder(root);
            lock->guardWrites(folder);
            const GenerateSummary s = generateSampleData(folder, options);
            m_out << QStringLiteral("Sample data written to %1:\n"
                                    "  %2 customers, %3 assignments, %4 services\n"
                                    "  %5 active, %6 completed and %7 finalized slips; next slip number %8\n"
                                    "  %9 history postings, ")
                         .arg(shown)
                         .arg(s.customers)
                         .arg(s.assignments)
                         .arg(s.services)
                         .arg(s.activeSlips)
                         .arg(s.completedSlips)
                         .arg(s.finalizedSlips)
                         .arg(s.nextSlipNumber)
                         .arg(s.history)
                  << QStringLiteral("%1 tax records, %2 account files; next invoice number %3\n")
                         .arg(s.taxRecords)
                         .arg(s.accountFiles)
                         .arg(s.nextInvoiceNumber);
        } catch (const std::invalid_argument &e) {
            removeGenerated(root, lock, created);
            return fail(command, QString::fromStdString(e.what()));
        } catch (const DiskError &e) {
            removeGenerated(root, lock, created);
            return fail(command,
                        e.message() +
                            QStringLiteral("\nWhat was written has been removed; %1 is as before.").arg(shown));
        }
        return kDone;
    }

    // Asks the question; a command given --yes takes the yes without reading an answer.
    bool confirmed(const Arguments &parsed, const QString &question)
    {
        m_out << question << " [y/N] ";
        m_out.flush();
        return parsed.flags.contains(QStringLiteral("yes")) || m_in.readLine().trimmed().toLower().startsWith('y');
    }

    int unlock(const QStringList &args)
    {
        const QString command = QStringLiteral("unlock");
        int status = kFailed;
        const auto given = rootArguments(command, args, {QStringLiteral("yes")}, &status);
        if (!given)
            return status;
        const auto &[parsed, root] = *given;
        const QString folder = InstanceLock::dataRootOf(root);
        const QString shown = QDir::toNativeSeparators(folder);
        InstanceLock lock(folder);
        lock.setSteadyClock([this] { return m_clock.steadyMs(); });
        lock.setPause([this](int milliseconds) { m_clock.wait(milliseconds); });
        if (lock.tryLock(m_clock.now().toUTC())) {
            m_out << QStringLiteral("No copy of the program holds %1; the folder is free.\n").arg(shown);
            return kDone;
        }
        const auto holder = lock.holder();
        if (!lock.lockBeingWritten() && (!holder || holder->thisComputer))
            return fail(command, lock.refusal() + QStringLiteral(" The program runs there: close it first."));
        // Another computer's lock is judged by watching it on this computer's own clock, never by the times it
        // names: a copy that runs there changes it at every confirmation.
        const int watch = int(lock.timing().watchMs / 1000);
        m_out << QStringLiteral("Watching the lock of %1 for %2 seconds; a copy of the program that runs there "
                                "confirms it every %3 seconds.\n")
                     .arg(holder ? holder->computer : QStringLiteral("a copy being started"))
                     .arg(watch)
                     .arg(InstanceLock::kRefreshSeconds);
        m_out.flush();
        for (;;) {
            const InstanceLock::Watch seen = lock.watchHolder();
            if (seen == InstanceLock::Watch::Gone && lock.tryLock(m_clock.now().toUTC())) {
                InstanceLock::fenceOffOldHolder(DataFolder(folder));
                m_out << QStringLiteral("The lock was let go meanwhile; the folder %1 is free.\n").arg(shown);
                return kDone;
            }
            if (seen == InstanceLock::Watch::Confirmed)
                return fail(command, lock.refusal() + QStringLiteral(" It confirmed its lock while this computer "
                                                                     "watched: the program runs there; close it "
                                                                     "there first. Nothing was changed."));
            if (seen == InstanceLock::Watch::Silent)
                break;
            m_clock.wait(1000);
        }
        if (!lock.holder() || lock.holder()->thisComputer) {
            // A lock file that stayed cut short for the whole watch was left by a write that died.
            if (!lock.tryLock(m_clock.now().toUTC()))
                return fail(command, lock.refusal());
            InstanceLock::fenceOffOldHolder(DataFolder(folder));
            m_out << QStringLiteral("A lock file cut short was removed; the program can start on %1.\n").arg(shown);
            return kDone;
        }
        const QString computer = lock.holder()->computer;
        if (!confirmed(parsed, QString(lock.takeOverQuestion()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")))) {
            m_out << QStringLiteral("\nNothing was changed; %1 is still held.\n").arg(computer);
            return kFailed;
        }
        if (!lock.takeOver(m_clock.now().toUTC()))
            return fail(command,
                        lock.refusal() + QStringLiteral(" It confirmed again meanwhile; nothing was changed."));
        // The fence: a save the stopped copy had begun finds no temporary file to put in place.
        InstanceLock::fenceOffOldHolder(DataFolder(folder));
        m_out << QStringLiteral("\nThe lock of the computer %1 was removed; the program can start on %2.\n")
                     .arg(computer, shown);
        return kDone;
    }

    int setAsideJournal(const QStringList &args)
    {
        const QString command = QStringLiteral("set-aside-journal");
        int status = kFailed;
        const auto given = rootArguments(command, args, {QStringLiteral("yes")}, &status);
        if (!given)
            return status;
        const auto &[parsed, root] = *given;
        const auto lock = lockDataFolder(command, root);
        if (!lock)
            return kFailed;
        const DataFolder folder(root);
        lock->guardWrites(folder);
        const QString shown = QDir::toNativeSeparators(folder.path(PostingRun::kJournal));
        if (!PostingRun::pending(folder)) {
            m_out << QStringLiteral("There is no posting journal %1; nothing was changed.\n").arg(shown);
            return kDone;
        }
        try {
            PostingRun::pendingRun(folder);
            return fail(command, QStringLiteral("%1 is whole: the program finishes the Write Records it holds at its "
                                                "next start. Nothing was changed.")
                                     .arg(shown));
        } catch (const DiskError &) {
        }
        if (!confirmed(parsed,
                       QStringLiteral("%1 is damaged: the Write Records it holds cannot be finished. Setting it aside "
                                      "renames it beside it to a dated name (it is not deleted); Write Records works "
                                      "again, and the postings of that run must be checked by hand.\nSet it aside?")
                           .arg(shown))) {
            m_out << QStringLiteral("\nNothing was changed.\n");
            return kFailed;
        }
        try {
            const QString aside = PostingRun::setAsideJournal(folder, m_clock.today());
            m_out << QStringLiteral("\nThe posting journal was set aside as %1. Write Records works again. Check the "
                                    "slips in Completed Service Slips against the service history and the invoice "
                                    "journal by hand.\n")
                         .arg(QDir::toNativeSeparators(folder.path(aside)));
        } catch (const DiskError &e) {
            return fail(command, e.message());
        }
        return kDone;
    }

    QTextStream &m_out;
    QTextStream &m_err;
    QIODevice &m_in;
    const Clock &m_clock;
};

} // namespace

int runDataTool(const QStringList &args, QTextStream &out, QTextStream &err, QIODevice &in, const Clock &clock)
{
    const int status = Tool(out, err, in, clock).run(args);
    out.flush();
    err.flush();
    return status;
}
