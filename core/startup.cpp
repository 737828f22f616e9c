#include "core/startup.h"

#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/folderhandle.h"
#include "core/recordfiletable.h"
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

// The last complete check of the customers' folders. A check starts by stamping a new marker and, once every
// account had its six AuxFile folders as real folders, puts it in place of the old one; an account's folder
// whose entries have not changed since the stamp of the last complete check still holds its six and is not
// looked into. A check cut short leaves the old marker, which still holds for what it covered.
class CheckMarker
{
public:
    explicit CheckMarker(const DataFolder &folder)
        : m_done(QFile::encodeName(folder.path(Startup::kAuxFoldersChecked)))
        , m_pending(QFile::encodeName(folder.path(QStringLiteral("/VarnelDispatchDuzudu/AuxFolders.pending"))))
    {
#ifdef Q_OS_UNIX
        struct stat st;
        if (::stat(m_done.constData(), &st) == 0 && S_ISREG(st.st_mode))
            m_last = st.st_mtim;
        const int fd = ::open(m_pending.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd >= 0) {
            m_stamped = ::futimens(fd, nullptr) == 0;
            ::close(fd);
        }
#endif
    }

#ifdef Q_OS_UNIX
    const std::optional<timespec> &lastComplete() const
    {
        return m_last;
    }
#endif

    // A check that found every folder as the last one left it keeps the old marker (it holds as it did), so that
    // a start in a folder where nothing changed writes nothing.
    void complete(bool lookedInto)
    {
#ifdef Q_OS_UNIX
        if (m_stamped && (lookedInto || !m_last))
            ::rename(m_pending.constData(), m_done.constData());
        else if (m_stamped)
            ::unlink(m_pending.constData());
#endif
    }

private:
    QByteArray m_done;
    QByteArray m_pending;
#ifdef Q_OS_UNIX
    std::optional<timespec> m_last;
#endif
    bool m_stamped = false;
};

QHash<QString, QString> listing(const QString &full) // case-folded -> as on disk
{
    QHash<QString, QString> names;
    QDirIterator it(full, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        names.insert(it.fileName().toCaseFolded(), it.fileName());
    }
    return names;
}

// A folder made here, or found made meanwhile by whatever writes into a customer's folder.
void makeOrFind(const QString &full)
{
    if (!QDir().mkdir(full) && !QFileInfo(full).isDir())
        throw DiskError(QStringLiteral("The folder %1 could not be created.").arg(QDir::toNativeSeparators(full)));
}

} // namespace

namespace Startup {

// One folder under /AuxFiles for each account, with its six AuxFile folders. /AuxFiles is listed once and each
// existing account's folder once, so that a start with every folder in place only reads, and a first start
// makes each new account's seven folders without looking a name up in the growing folder.
struct CustomerFolders::State
{
    State(const DataFolder &f, QStringList numbers)
        : folder(f)
        , accountNumbers(std::move(numbers))
        , auxFull(folder.path(QStringLiteral("/AuxFiles")))
        , accounts(listing(auxFull))
        , check(auxFull)
        , onlyRealFolders(check.isOpen())
        , marker(folder)
    {
    }

    void lookInto(const QString &number);

    DataFolder folder;
    QStringList accountNumbers;
    QString auxFull;
    QHash<QString, QString> accounts;
    // Looked up from /AuxFiles itself, a check walks two names rather than the whole path: a start checks six
    // per customer. Only a check that met real folders alone, looked at directly, may stand as complete: a link
    // stands for a folder today, but its target may go without the account's folder changing.
    FolderHandle check;
    bool onlyRealFolders;
    CheckMarker marker;
    bool lookedInto = false; // a folder made or changed since the last complete check
    bool finished = false;
    int done = 0;
};

void CustomerFolders::State::lookInto(const QString &number)
{
    const auto name = accountFileName(number);
    if (!name)
        return; // such an account has no folder of its own; the customer screen says why
    const QString folded = name->toCaseFolded();
    const auto existing = accounts.constFind(folded);
    if (existing == accounts.constEnd()) {
        // A new account: its folder and the six inside it are all new, made without looking anything up.
        const QString full = auxFull + QLatin1Char('/') + *name;
        for (int n = -1; n <= 5; ++n)
            makeOrFind(n < 0 ? full : full + QStringLiteral("/AuxFile") + QString::number(n));
        accounts.insert(folded, *name);
        lookedInto = true;
        return;
    }
#ifdef Q_OS_UNIX
    if (marker.lastComplete() && !check.changedSince(*existing, *marker.lastComplete()))
        return;
#endif
    // An account's folder that changed costs one look at each of its six; a folder named in other letters or
    // missing is looked for in a listing of the account's folder.
    lookedInto = true;
    const QString base = QStringLiteral("/AuxFiles/") + *existing;
    const QString baseFull = auxFull + QLatin1Char('/') + *existing;
    std::optional<QHash<QString, QString>> inside;
    for (int n = 0; n <= 5; ++n) {
        const QString sub = QStringLiteral("AuxFile") + QString::number(n);
        bool link = false;
        const bool isFolder = check.isFolder(*existing + QLatin1Char('/') + sub, &link);
        if (link)
            onlyRealFolders = false;
        if (isFolder)
            continue;
        if (!inside)
            inside = listing(baseFull);
        if (!inside->contains(sub.toCaseFolded()))
            folder.makeFolder(base + QLatin1Char('/') + sub);
    }
}

CustomerFolders::CustomerFolders(const DataFolder &folder, QStringList accountNumbers)
    : d(std::make_unique<State>(folder, std::move(accountNumbers)))
{
}

CustomerFolders::~CustomerFolders() = default;

bool CustomerFolders::step(int accounts)
{
    const int total = this->total();
    if (d->finished)
        return true;
    const int end = std::min<qsizetype>(total, qsizetype(d->done) + std::max(accounts, 1));
    while (d->done < end)
        d->lookInto(d->accountNumbers.at(d->done++));
    if (d->done < total)
        return false;
    d->finished = true;
    if (d->onlyRealFolders)
        d->marker.complete(d->lookedInto);
    return true;
}

int CustomerFolders::done() const
{
    return d->done;
}

bool CustomerFolders::madeAny() const
{
    return d->lookedInto;
}

int CustomerFolders::total() const
{
    return int(d->accountNumbers.size());
}


void createFixedFolders(const DataFolder &folder, const QDate &today)
{
    const QString exe = folder.executableName();
    const QStringList folders = {
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
        QStringLiteral("/VarnelDispatchDuzudu"),
        QStringLiteral("/Documents"),
        QStringLiteral("/Documents/Invoices"),
        QStringLiteral("/Documents/Proposals"),
        QStringLiteral("/Documents/Purchase Orders"),
        QStringLiteral("/Documents/Projects"),
        QStringLiteral("/Documents/Contracts"),
        QStringLiteral("/Documents/Statements"),
        QStringLiteral("/Documents/Work Orders"),
    };
    for (const QString &f : folders)
        folder.makeFolder(f);
}

void createFolderTree(const DataFolder &folder, const QDate &today, const QStringList &accountNumbers,
                      const Progress &progress)
{
    createFixedFolders(folder, today);
    CustomerFolders customers(folder, accountNumbers);
    constexpr int kAccountsBetweenReports = 128;
    bool finished = false;
    while (!finished) {
        if (progress)
            progress(customers.done(), customers.total());
        finished = customers.step(kAccountsBetweenReports);
    }
    if (progress)
        progress(customers.total(), customers.total());
}

bool requiredFilesPresent(const DataFolder &folder)
{
    return folder.fileExists(QStringLiteral("/MyBusinessData.txt")) && folder.fileExists(QStringLiteral("/SlipNo.txt"));
}

const QStringList &backupFiles()
{
    // The settings files, then the record files that the table says are copied at exit.
    static const QStringList files = [] {
        QStringList out;
        for (const char *base : {"CompanyLogo", "AuxHeadings", "LogoSettings", "Phone", "MyBusinessData", "PrintColors",
                                 "SoldItems", "MyWebSite", "SpeedNumbers"})
            out << QLatin1Char('/') + QLatin1String(base) + QStringLiteral(".txt");
        return out + RecordFiles::copiedAtExit();
    }();
    return files;
}

void backupDataFiles(const DataFolder &folder) noexcept
{
    for (const QString &relative : backupFiles()) {
        try {
            if (folder.fileSize(relative) >= 0)
                folder.backupFile(relative);
        } catch (...) {
            // A copy that fails must not stop the program from ending; the next one is tried.
        }
    }
}

} // namespace Startup
