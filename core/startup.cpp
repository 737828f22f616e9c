#include "core/startup.h"

#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/recordlayout.h"

#include <QDir>
#include <QHash>

namespace {

// One folder under /AuxFiles for each account, with its six AuxFile folders. The folder is listed once: looking
// each new name up in a folder that grows with every account would make a large customer file slow to start.
void createAuxFolders(const DataFolder &folder, const QStringList &accountNumbers)
{
    const QString auxRoot = folder.path(QStringLiteral("/AuxFiles"));
    QHash<QString, QString> existing; // lower case -> the name on disk
    for (const QString &name : QDir(auxRoot).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
        existing.insert(name.toLower(), name);
    for (const QString &number : accountNumbers) {
        const auto name = accountFileName(number);
        if (!name)
            continue; // such an account has no folder of its own; the customer screen says why
        const QString onDisk = existing.value(name->toLower(), *name);
        existing.insert(name->toLower(), onDisk);
        const QString base = QStringLiteral("/AuxFiles/") + onDisk;
        folder.makeFolder(base);
        for (int n = 0; n <= 5; ++n)
            folder.makeFolder(base + QStringLiteral("/AuxFile") + QString::number(n));
    }
}

} // namespace

namespace Startup {

void createFolderTree(const DataFolder &folder, const QDate &today, const QStringList &accountNumbers)
{
    const QString exe = folder.executableName();
    const QStringList before = {
        QStringLiteral("/") + QString::number(today.year()).rightJustified(4, QLatin1Char('0')),
        QStringLiteral("/CompletedInvoices"),
        QStringLiteral("/") + exe,
        QStringLiteral("/VIActiveAccounts"),
        QStringLiteral("/Backup"),
        QStringLiteral("/Backup/") + exe,
        QStringLiteral("/Backup/VIActiveAccounts"),
        QStringLiteral("/Backup/VIActiveAccountsBACK"),
        QStringLiteral("/Backup/CompletedInvoices"),
        QStringLiteral("/Templates"),
        QStringLiteral("/AuxFiles"),
    };
    for (const QString &f : before)
        folder.makeFolder(f);
    createAuxFolders(folder, accountNumbers);
    const QStringList after = {
        QStringLiteral("/VarnelDispatchDuzudu"),      QStringLiteral("/Documents"),
        QStringLiteral("/Documents/Invoices"),        QStringLiteral("/Documents/Proposals"),
        QStringLiteral("/Documents/Purchase Orders"), QStringLiteral("/Documents/Projects"),
        QStringLiteral("/Documents/Contracts"),       QStringLiteral("/Documents/Statements"),
        QStringLiteral("/Documents/Work Orders"),
    };
    for (const QString &f : after)
        folder.makeFolder(f);
}

bool requiredFilesPresent(const DataFolder &folder)
{
    return folder.fileExists(QStringLiteral("/MyBusinessData.txt")) && folder.fileExists(QStringLiteral("/SlipNo.txt"));
}

const QStringList &backupBaseNames()
{
    static const QStringList names = {
        QStringLiteral("CompanyLogo"),  QStringLiteral("CustomerData"), QStringLiteral("AuxHeadings"),
        QStringLiteral("LogoSettings"), QStringLiteral("Phone"),        QStringLiteral("MyBusinessData"),
        QStringLiteral("PrintColors"),  QStringLiteral("SoldItems"),    QStringLiteral("MyWebSite"),
        QStringLiteral("TaxRecords"),   QStringLiteral("SpeedNumbers"),
    };
    return names;
}

void backupDataFiles(const DataFolder &folder) noexcept
{
    for (const QString &base : backupBaseNames()) {
        const QString relative = QStringLiteral("/") + base + QStringLiteral(".txt");
        try {
            if (folder.fileSize(relative) >= 0)
                folder.backupFile(relative);
        } catch (...) {
            // A copy that fails must not stop the program from ending; the next one is tried.
        }
    }
}

} // namespace Startup
