#include "core/startup.h"

#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/recordlayout.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <optional>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Whether name (relative to the open folder, or a full path without one) is a folder. Looked up from /AuxFiles
// itself, a check walks two names rather than the whole path: a start checks six per customer.
class FolderCheck
{
public:
    explicit FolderCheck(const QString &base)
        : m_base(base)
    {
#ifdef Q_OS_UNIX
        m_fd = ::open(QFile::encodeName(base).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
#endif
    }
    ~FolderCheck()
    {
#ifdef Q_OS_UNIX
        if (m_fd >= 0)
            ::close(m_fd);
#endif
    }
    FolderCheck(const FolderCheck &) = delete;
    FolderCheck &operator=(const FolderCheck &) = delete;

    bool isFolder(const QString &relative) const
    {
#ifdef Q_OS_UNIX
        struct stat st;
        if (m_fd >= 0)
            return ::fstatat(m_fd, QFile::encodeName(relative).constData(), &st, 0) == 0 && S_ISDIR(st.st_mode);
#endif
        return QFileInfo(m_base + QLatin1Char('/') + relative).isDir();
    }

private:
    QString m_base;
    int m_fd = -1;
};

// One folder under /AuxFiles for each account, with its six AuxFile folders. /AuxFiles is listed once and each
// existing account's folder once, so that a start with every folder in place only reads, and a first start
// makes each new account's seven folders without looking a name up in the growing folder.
void createAuxFolders(const DataFolder &folder, const QStringList &accountNumbers, const Startup::Progress &progress)
{
    auto listing = [](const QString &full) {
        QHash<QString, QString> names; // case-folded -> as on disk
        QDirIterator it(full, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        while (it.hasNext()) {
            it.next();
            names.insert(it.fileName().toCaseFolded(), it.fileName());
        }
        return names;
    };
    const QString auxFull = folder.path(QStringLiteral("/AuxFiles"));
    QHash<QString, QString> accounts = listing(auxFull);
    const FolderCheck check(auxFull);
    const int total = int(accountNumbers.size());
    int done = 0;
    for (const QString &number : accountNumbers) {
        if (progress && done % 128 == 0)
            progress(done, total);
        ++done;
        const auto name = accountFileName(number);
        if (!name)
            continue; // such an account has no folder of its own; the customer screen says why
        const QString folded = name->toCaseFolded();
        const auto existing = accounts.constFind(folded);
        const bool present = existing != accounts.constEnd();
        if (!present) {
            // A new account: its folder and the six inside it are all new, made without looking anything up.
            const QString full = auxFull + QLatin1Char('/') + *name;
            for (int n = -1; n <= 5; ++n) {
                const QString made = n < 0 ? full : full + QStringLiteral("/AuxFile") + QString::number(n);
                if (!QDir().mkdir(made))
                    throw DiskError(
                        QStringLiteral("The folder %1 could not be created.").arg(QDir::toNativeSeparators(made)));
            }
            accounts.insert(folded, *name);
            continue;
        }
        // The usual case, every folder in place under its own name, costs one look at each; a folder named
        // in other letters or missing is looked for in a listing of the account's folder.
        const QString base = QStringLiteral("/AuxFiles/") + *existing;
        const QString baseFull = auxFull + QLatin1Char('/') + *existing;
        std::optional<QHash<QString, QString>> inside;
        for (int n = 0; n <= 5; ++n) {
            const QString sub = QStringLiteral("AuxFile") + QString::number(n);
            if (check.isFolder(*existing + QLatin1Char('/') + sub))
                continue;
            if (!inside)
                inside = listing(baseFull);
            if (!inside->contains(sub.toCaseFolded()))
                folder.makeFolder(base + QLatin1Char('/') + sub);
        }
    }
    if (progress)
        progress(total, total);
}

} // namespace

namespace Startup {

void createFolderTree(const DataFolder &folder, const QDate &today, const QStringList &accountNumbers,
                      const Progress &progress)
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
    createAuxFolders(folder, accountNumbers, progress);
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
