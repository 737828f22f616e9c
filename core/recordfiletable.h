#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class DataFolder;

// The record files of the data folder, one row each (or one row for a family of files, such as the balance
// files under /VIActiveAccounts, one per account). Every part of the program that must know "all the record
// files" reads this table: the start's torn-record check, the data tool's check and dump, account use
// (renumbering and deleting a customer), the copies made in /Backup at exit. A new record file is a new row.
//
// The rows name their layout by kind; the layouts themselves are declared with their records in the logic
// above this folder, and RecordFileLayouts (billing/) gives the layout of each kind.
namespace RecordFiles {

enum class Kind {
    Slip,
    Customer,
    Assignment,
    Service,
    AccountHistory,
    ServiceHistory,
    Tax,
    Journal,
    Item,
    Agreement,
    AgreementVisit,
    PrintedInvoice,
    MailOutbox,
};

// What an account number in a file is to the account it names, as account use reports it.
enum class AccountRole {
    None,       // the file carries no account number
    Key,        // the customer file: the number is the account's own
    Balance,    // the account's balance file, named by its number
    History,    // postings: they stay under the number they were written with
    Archive,    // finalized slips: their postings are its history already, so they are not counted again
    OpenSlips,  // slips on the board or completed, not yet finalized
    Agreements, // maintenance agreements: the run makes slips for the account
};

// Where a file's copy in /Backup comes from.
enum class BackupCopy {
    None,     // it has none
    AtExit,   // copied at every end of the program
    ByWriter, // its writer copies it after each write
};

struct Row
{
    QString path;         // relative to the data root; a family: "/Folder/*.txt"
    Kind kind;            // its layout
    QString accountField; // the field that carries an account number; empty when none (or the file name does)
    AccountRole account;
    bool companionReads;  // the companion invoicing program reads it too
    bool mayCompleteTorn; // the start may complete a torn last record (never in a file this program only reads)
    BackupCopy backup;

    bool isFamily() const { return path.contains(QLatin1Char('*')); }
    // A family's folder ("/VIActiveAccounts"); empty for a single file.
    QString familyFolder() const;
    // "ServiceSlips.txt", "VIActiveAccounts/*.txt": the name messages and help texts show.
    QString shownName() const { return path.mid(1); }
};

const std::vector<Row> &table();

// The kind's name as the data tool takes it ("slip", "customer", ...), and back (any letter case).
QString kindName(Kind kind);
std::optional<Kind> kindNamed(const QString &name);
// Every kind, in the table's order of first use.
std::vector<Kind> kinds();

// The row of a file named by its path (a file name alone, a path relative to the data root or a full path,
// either separator, any letter case); a family's row for a file in its folder, also under /Backup. nullptr
// when the name is no record file's.
const Row *rowOf(const QString &filePath);

// The files of the table as they stand in a folder: every single file (present or not) and each present
// member of a family, in the table's order.
struct File
{
    QString relative;
    const Row *row;
};
std::vector<File> files(const DataFolder &folder);

// The single files copied into /Backup when the program ends, in the table's order.
QStringList copiedAtExit();

} // namespace RecordFiles
