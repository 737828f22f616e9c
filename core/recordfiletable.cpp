#include "core/recordfiletable.h"

#include "core/datafolder.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace RecordFiles {

namespace {

struct KindName
{
    Kind kind;
    const char *name;
};

constexpr KindName kKindNames[] = {
    {Kind::Slip, "slip"},
    {Kind::Customer, "customer"},
    {Kind::Assignment, "assignment"},
    {Kind::Service, "service"},
    {Kind::AccountHistory, "accounthistory"},
    {Kind::ServiceHistory, "servicehistory"},
    {Kind::Tax, "tax"},
    {Kind::Journal, "journal"},
    {Kind::Item, "item"},
    {Kind::Agreement, "agreement"},
    {Kind::AgreementVisit, "agreementvisit"},
    {Kind::PrintedInvoice, "printedinvoice"},
    {Kind::MailOutbox, "mailoutbox"},
};

QString fileNameOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return path.mid(slash + 1);
}

} // namespace

QString Row::familyFolder() const
{
    if (!isFamily())
        return {};
    return path.left(path.lastIndexOf(QLatin1Char('/')));
}

const std::vector<Row> &table()
{
    using enum Kind;
    using enum AccountRole;
    const QString acctNo = QStringLiteral("AcctNo");
    // path, layout, account field, what the account number is there, companion reads, torn end may be completed,
    // Backup copy. The order is the order of the start's question and of the data tool's check.
    static const std::vector<Row> rows = {
        {QStringLiteral("/ServiceSlips.txt"), Slip, acctNo, OpenSlips, false, true, BackupCopy::None},
        {QStringLiteral("/CompletedServiceSlips.txt"), Slip, acctNo, OpenSlips, false, true, BackupCopy::None},
        {QStringLiteral("/FinalizedServiceSlips.txt"), Slip, acctNo, Archive, false, true, BackupCopy::None},
        {QStringLiteral("/CustomerData.txt"), Customer, acctNo, Key, false, true, BackupCopy::AtExit},
        {QStringLiteral("/AssignmentData.txt"), Assignment, {}, None, false, true, BackupCopy::None},
        {QStringLiteral("/Services.txt"), Service, {}, None, false, true, BackupCopy::None},
        {QStringLiteral("/CAHistory.txt"), AccountHistory, acctNo, History, true, true, BackupCopy::None},
        {QStringLiteral("/CAPaymentRecords.txt"), AccountHistory, acctNo, History, true, true, BackupCopy::None},
        {QStringLiteral("/VIActiveAccounts/*.txt"), AccountHistory, {}, Balance, true, true, BackupCopy::ByWriter},
        {QStringLiteral("/ServiceHistory.txt"), ServiceHistory, acctNo, History, false, true, BackupCopy::None},
        {QStringLiteral("/TaxRecords.txt"), Tax, {}, None, false, true, BackupCopy::AtExit},
        {QStringLiteral("/InvoiceSalesJournal.txt"), Journal, acctNo, History, false, true, BackupCopy::None},
        // The companion program's own list of items: this program only reads it.
        {QStringLiteral("/VIInventoriedItems.txt"), Item, {}, None, true, false, BackupCopy::None},
        {QStringLiteral("/CurrentItems.txt"), Item, {}, None, true, true, BackupCopy::None},
        {QStringLiteral("/Agreements.dat"), Agreement, acctNo, Agreements, false, true, BackupCopy::AtExit},
        {QStringLiteral("/AgreementVisits.dat"), AgreementVisit, {}, None, false, true, BackupCopy::AtExit},
        // Every invoice number printed, with its slip: finalizing offers and questions numbers by it.
        {QStringLiteral("/PrintedInvoices.txt"), PrintedInvoice, {}, None, false, true, BackupCopy::None},
        // Every e-mail queued and each step of its sending, appended. No copy in /Backup: an older outbox put
        // back in its place would send again what the server has. The account numbers it holds are not the
        // account's use (a customer with e-mails only has no history to keep).
        {QStringLiteral("/MailOutbox.txt"), MailOutbox, {}, None, false, true, BackupCopy::None},
    };
    return rows;
}

QString kindName(Kind kind)
{
    for (const KindName &k : kKindNames) {
        if (k.kind == kind)
            return QString::fromLatin1(k.name);
    }
    return {};
}

std::optional<Kind> kindNamed(const QString &name)
{
    for (const KindName &k : kKindNames) {
        if (name.trimmed().compare(QLatin1String(k.name), Qt::CaseInsensitive) == 0)
            return k.kind;
    }
    return std::nullopt;
}

std::vector<Kind> kinds()
{
    std::vector<Kind> out;
    for (const Row &row : table()) {
        if (std::find(out.begin(), out.end(), row.kind) == out.end())
            out.push_back(row.kind);
    }
    return out;
}

const Row *rowOf(const QString &filePath)
{
    const QString path = QString(filePath).replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString name = fileNameOf(path);
    for (const Row &row : table()) {
        if (!row.isFamily()) {
            if (name.compare(fileNameOf(row.path), Qt::CaseInsensitive) == 0)
                return &row;
            continue;
        }
        // A member of a family: its pattern's ending, in a folder of the family's name (the copies under
        // /Backup too).
        const QString ending = fileNameOf(row.path).mid(1);
        const QString folder = fileNameOf(row.familyFolder());
        const QString parent = fileNameOf(path.left(std::max<qsizetype>(0, path.lastIndexOf(QLatin1Char('/')))));
        if (name.size() > ending.size() && name.endsWith(ending, Qt::CaseInsensitive) &&
            parent.compare(folder, Qt::CaseInsensitive) == 0)
            return &row;
    }
    return nullptr;
}

std::vector<File> files(const DataFolder &folder)
{
    std::vector<File> out;
    for (const Row &row : table()) {
        if (!row.isFamily()) {
            out.push_back({row.path, &row});
            continue;
        }
        const QString pattern = fileNameOf(row.path);
        const QStringList names = QDir(folder.path(row.familyFolder())).entryList({pattern}, QDir::Files, QDir::Name);
        for (const QString &name : names)
            out.push_back({row.familyFolder() + QLatin1Char('/') + name, &row});
    }
    return out;
}

QStringList copiedAtExit()
{
    QStringList out;
    for (const Row &row : table()) {
        if (row.backup == BackupCopy::AtExit && !row.isFamily())
            out << row.path;
    }
    return out;
}

} // namespace RecordFiles
