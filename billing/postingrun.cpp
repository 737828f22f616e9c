#include "billing/postingrun.h"

#include "billing/accountfiles.h"
#include "billing/accounthistoryrecord.h"
#include "billing/invoiceparts.h"
#include "billing/posting.h"
#include "billing/postingrecords.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "core/tornrecords.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipstore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <limits>

namespace PostingRun {

namespace {

constexpr int kJournalFormat = 2; // 2: with its digest
constexpr qint64 kMostJournalBytes = qint64(256) << 20;

// Records to add to one file, starting at a byte offset (a whole number of records).
struct Append
{
    QString file; // relative to the data root
    qint64 offset = 0;
    int recordLength = 0;
    QByteArray bytes;
};

// Everything one run writes, computed before the first write.
struct Plan
{
    QDate date;
    QStringList slips;             // "Slip 1001, Invoice No. 5001", for the user
    std::vector<Append> postings;  // history, service history, accounts, payments, taxes, journal
    QStringList backups;           // account files copied to /Backup once written
    Append archive;                // \FinalizedServiceSlips.txt
    std::vector<QByteArray> moved; // the completed slips' records as read, leaving /CompletedServiceSlips.txt
};

QString shownPath(const DataFolder &folder, const QString &relative)
{
    return QDir::toNativeSeparators(folder.path(relative));
}

// The posting files in the order a slip is posted to them; account files are added as they come.
class PlanBuilder
{
public:
    explicit PlanBuilder(const DataFolder &folder)
        : m_folder(folder)
    {}

    Append &file(const QString &relative, int recordLength)
    {
        const QString key = m_folder.path(relative);
        if (const auto found = m_index.constFind(key); found != m_index.constEnd())
            return m_appends[*found];
        Append append;
        append.file = relative;
        append.recordLength = recordLength;
        // A missing file that has a Backup copy is restored first, as every writer does.
        if (!QFileInfo(key).isFile() && QFileInfo(m_folder.path(DataFolder::backupPathOf(relative))).isFile())
            m_folder.fileExists(relative);
        if (const qint64 size = QFileInfo(key).size(); QFileInfo(key).isFile() && size % recordLength != 0)
            throw DiskError(TornRecords::refusal(QStringLiteral("The postings"), key, size, recordLength));
        append.offset = qint64(DataFolder::recordCountForSize(QFileInfo(key).size(), recordLength)) * recordLength;
        m_index.insert(key, m_appends.size());
        m_appends.push_back(std::move(append));
        return m_appends.back();
    }

    // An account file gets its opening record first when it holds no whole record.
    Append &accountFile(const QString &relative, const AccountFiles::Entry &first, const QDate &today)
    {
        const bool known = m_index.contains(m_folder.path(relative));
        Append &append = file(relative, accountHistoryLayout().length());
        if (!known && append.offset == 0) {
            append.bytes += AccountFiles::historyRecord(
                                {first.accountNumber, first.name, Money(), AccountFiles::kOpeningDescription, today})
                                .bytes();
        }
        return append;
    }

    std::vector<Append> take() { return std::move(m_appends); }

private:
    const DataFolder &m_folder;
    QHash<QString, std::size_t> m_index;
    std::vector<Append> m_appends;
};

Plan makePlan(const DataFolder &folder, const std::vector<Slip> &slips, const TaxHeadings &headings, const QDate &today)
{
    Plan plan;
    plan.date = today;
    // Every file in slip order, then their records in slip order: the same bytes as posting slip by slip.
    const int historyLength = accountHistoryLayout().length();
    PlanBuilder files(folder);
    files.file(Posting::kHistory, historyLength);
    files.file(Posting::kServiceHistory, 145);
    QByteArray payments, taxes, journal, historyBytes, serviceBytes;
    QStringList accountOrder;
    for (const Slip &s : slips) {
        const auto amount = Formats::parseCurrency(s.amountText);
        if (!amount) {
            throw DiskError(QStringLiteral("Slip %1: \"%2\" is not an amount. Nothing was written.")
                                .arg(QString::number(s.slip.int16(SlipField::SlipNo)), s.amountText));
        }
        // No negative money is posted, whatever the window let through: a credit is not an invoice.
        for (const Money part : {*amount, s.preTax, s.tax1, s.tax2}) {
            if (part < Money()) {
                throw DiskError(QStringLiteral("Slip %1: the amount or a tax is below zero (%2). Nothing was written.")
                                    .arg(QString::number(s.slip.int16(SlipField::SlipNo)), Formats::currency(part)));
            }
        }
        plan.slips << QStringLiteral("Slip %1, Invoice No. %2")
                          .arg(QString::number(s.slip.int16(SlipField::SlipNo)), s.invoiceNo);
        historyBytes +=
            AccountFiles::historyRecord({s.acctNo, s.name, *amount, Posting::kInvoiceDescription + s.invoiceNo, today})
                .bytes();
        serviceBytes += serviceHistoryRecord(s.acctNo, s.name, s.slip.text(SlipField::AssignedTo), today,
                                             s.slip.text(SlipField::ServiceRequired))
                            .bytes();
        const QString accountFile = AccountFiles::accountFilePath(s.acctNo); // refuses a number unfit for a name
        const AccountFiles::Entry charge{s.acctNo, s.name, *amount, s.invoiceNo, today};
        Append &account = files.accountFile(accountFile, charge, today);
        account.bytes += AccountFiles::historyRecord(charge).bytes();
        if (s.payForm.trimmed() != QLatin1String("Not Collected")) {
            account.bytes +=
                AccountFiles::historyRecord({s.acctNo, s.name, *amount, QStringLiteral("Payment Received"), today})
                    .bytes();
            payments += AccountFiles::historyRecord({s.acctNo, s.name, *amount, s.payForm, today}).bytes();
        }
        if (!accountOrder.contains(accountFile, Qt::CaseSensitive))
            accountOrder << accountFile;
        // The parts as charged, in whole cents adding up to the amount: the tax file and the journal agree with
        // the history and the account whatever the four decimals handed in.
        const InvoiceParts::Parts parts = InvoiceParts::shown(s.preTax, {s.tax1, s.tax2}, *amount);
        const Money tax1 = parts.taxes[0], tax2 = parts.taxes[1];
        // Each tax that is not zero has its record; a second tax is recorded also when the first is zero.
        if (!tax1.isZero())
            taxes += taxRecord(headings.first, tax1, today, s.invoiceNo).bytes();
        if (!tax2.isZero())
            taxes += taxRecord(headings.second, tax2, today, s.invoiceNo).bytes();
        journal += journalRecord(s.name, s.acctNo, s.invoiceNo, parts.preTax, tax1 + tax2, parts.total, today).bytes();
        plan.moved.push_back(s.slip.bytes());
    }
    files.file(Posting::kHistory, historyLength).bytes = historyBytes;
    files.file(Posting::kServiceHistory, 145).bytes = serviceBytes;
    files.file(AccountFiles::kPaymentFile, historyLength).bytes = payments;
    files.file(Posting::kTaxRecords, 75).bytes = taxes;
    files.file(Posting::kJournal, 125).bytes = journal;
    plan.backups = accountOrder;
    for (Append &append : files.take()) {
        if (!append.bytes.isEmpty())
            plan.postings.push_back(std::move(append));
    }

    std::vector<Record> archived;
    for (const Slip &s : slips)
        archived.push_back(finalizedSlip(s.slip, s.invoiceNo, s.payForm, s.amountText));
    plan.archive.file = SlipFiles::kFinalized;
    plan.archive.recordLength = serviceSlipLayout().length();
    plan.archive.offset =
        qint64(folder.recordCount(SlipFiles::kFinalized, plan.archive.recordLength)) * plan.archive.recordLength;
    for (const Record &r : archived)
        plan.archive.bytes += r.bytes();
    return plan;
}

// -- The journal file

QJsonObject toJson(const Append &a)
{
    return {{QStringLiteral("file"), a.file},
            {QStringLiteral("offset"), QString::number(a.offset)},
            {QStringLiteral("recordLength"), a.recordLength},
            {QStringLiteral("bytes"), QString::fromLatin1(a.bytes.toBase64())}};
}

// A path the journal names stays inside the data folder: a damaged journal must not send records elsewhere.
bool isDataPath(const QString &relative)
{
    if (!relative.startsWith(QLatin1Char('/')) && !relative.startsWith(QLatin1Char('\\')))
        return false;
    static const QRegularExpression separators(QStringLiteral("[/\\\\]"));
    const QStringList parts = relative.split(separators, Qt::SkipEmptyParts);
    return !parts.isEmpty() && !parts.contains(QStringLiteral("..")) && !relative.contains(QChar(0));
}

std::optional<Append> appendFromJson(const QJsonValue &value)
{
    const QJsonObject o = value.toObject();
    Append a;
    a.file = o.value(QStringLiteral("file")).toString();
    bool ok = false;
    a.offset = o.value(QStringLiteral("offset")).toString().toLongLong(&ok);
    a.recordLength = o.value(QStringLiteral("recordLength")).toInt();
    a.bytes = QByteArray::fromBase64(o.value(QStringLiteral("bytes")).toString().toLatin1());
    if (!ok || !isDataPath(a.file) || a.offset < 0 || a.recordLength <= 0 || a.bytes.size() % a.recordLength != 0)
        return std::nullopt;
    return a;
}

// The journal carries a digest of its content, so that a journal damaged or edited by hand is refused rather
// than carried out.
QByteArray digestOf(const QJsonObject &root)
{
    return QCryptographicHash::hash(QJsonDocument(root).toJson(QJsonDocument::Compact), QCryptographicHash::Sha256)
        .toHex();
}

QByteArray withDigest(QJsonObject root)
{
    root.insert(QStringLiteral("digest"), QString::fromLatin1(digestOf(root)));
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

QByteArray journalBytes(const Plan &plan)
{
    QJsonArray slips, postings, backups, moved;
    for (const QString &s : plan.slips)
        slips.append(s);
    for (const Append &a : plan.postings)
        postings.append(toJson(a));
    for (const QString &b : plan.backups)
        backups.append(b);
    for (const QByteArray &m : plan.moved)
        moved.append(QString::fromLatin1(m.toBase64()));
    const QJsonObject root{{QStringLiteral("format"), kJournalFormat},
                           {QStringLiteral("date"), plan.date.toString(Qt::ISODate)},
                           {QStringLiteral("slips"), slips},
                           {QStringLiteral("postings"), postings},
                           {QStringLiteral("backups"), backups},
                           {QStringLiteral("archive"), toJson(plan.archive)},
                           {QStringLiteral("moved"), moved}};
    return withDigest(root);
}

Plan readJournal(const DataFolder &folder)
{
    auto damaged = [&] {
        return DiskError(
            QStringLiteral("The posting journal %1 is damaged or was changed by hand, so an interrupted Write Records "
                           "cannot be finished. Nothing was changed.\r\nWrite Records is refused while the journal "
                           "is there. What you can do:\r\n- run \"dispatch-data check\" to see what the data folder "
                           "holds;\r\n- restore the data folder from a backup made before that Write Records; or\r\n"
                           "- close the program and run \"dispatch-data set-aside-journal\", which renames the journal "
                           "to a dated name beside it. The postings it held must then be checked by hand: compare "
                           "the slips in Completed Service Slips with the service history.")
                .arg(shownPath(folder, kJournal)));
    };
    // A journal holds the records of one run: one far beyond any run's size is not read into memory.
    if (QFileInfo(folder.path(kJournal)).size() > kMostJournalBytes)
        throw damaged();
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(folder.readAll(kJournal), &error);
    QJsonObject root = doc.object();
    const QString digest = root.take(QStringLiteral("digest")).toString();
    if (error.error != QJsonParseError::NoError || root.value(QStringLiteral("format")).toInt() != kJournalFormat ||
        digest.toLatin1() != digestOf(root))
        throw damaged();
    Plan plan;
    plan.date = QDate::fromString(root.value(QStringLiteral("date")).toString(), Qt::ISODate);
    for (const QJsonValue &v : root.value(QStringLiteral("slips")).toArray())
        plan.slips << v.toString();
    for (const QJsonValue &v : root.value(QStringLiteral("postings")).toArray()) {
        const auto a = appendFromJson(v);
        if (!a)
            throw damaged();
        plan.postings.push_back(*a);
    }
    for (const QJsonValue &v : root.value(QStringLiteral("backups")).toArray()) {
        if (!isDataPath(v.toString()))
            throw damaged();
        plan.backups << v.toString();
    }
    const auto archive = appendFromJson(root.value(QStringLiteral("archive")));
    if (!archive)
        throw damaged();
    plan.archive = *archive;
    for (const QJsonValue &v : root.value(QStringLiteral("moved")).toArray())
        plan.moved.push_back(QByteArray::fromBase64(v.toString().toLatin1()));
    return plan;
}

// -- Writing

void callHook(const StepHook &hook, const char *step, const QString &file)
{
    if (hook)
        hook(step, file);
}

// Writes the records at their place. When finishing a run, records already there are left alone: the file
// from the planned offset on is compared with them; a file that ends inside the planned records (nothing,
// part of them, or a torn write) is completed from the offset; a file that holds other records behind the
// offset is searched for them and they are added at its end only when they are not found.
void writeAppend(const DataFolder &folder, const Append &a, bool finishing)
{
    qint64 at = a.offset;
    if (finishing) {
        const QByteArray content = folder.readAll(a.file);
        if (content.mid(a.offset, a.bytes.size()) == a.bytes)
            return;
        if (content.size() > a.offset + a.bytes.size() || content.size() < a.offset) {
            for (qint64 pos = 0; pos + a.bytes.size() <= content.size(); pos += a.recordLength) {
                if (QByteArrayView(content).sliced(pos, a.bytes.size()) == a.bytes)
                    return;
            }
            at = qint64(DataFolder::recordCountForSize(content.size(), a.recordLength)) * a.recordLength;
        }
    }
    // Flushed with the other files of the run; a failure returns the file to its length before this write.
    if (a.file == SlipFiles::kFinalized)
        SlipStore(folder).writeFinalizedAt(at, a.bytes);
    else
        folder.writeInPlace(a.file, at, a.bytes, DataFolder::Flush::Skip);
}

// The account file's copy under /Backup, written over the old copy. Neither flushed nor replaced through a
// temporary file: until the whole run has reached the disk the journal stays, and finishing it writes the
// copies again, so a copy torn by a crash is mended.
void backupAccount(const DataFolder &folder, const QString &relative)
{
    if (folder.fileSize(relative) < 0)
        return;
    folder.writeInPlace(DataFolder::backupPathOf(relative), 0, folder.readAll(relative), DataFolder::Flush::Skip, true);
}

// Everything the run wrote reaches the disk before the slips leave the completed-slips file: each file once.
void flushWritten(const DataFolder &folder, const Plan &plan)
{
    QStringList files;
    for (const Append &a : plan.postings)
        files << folder.path(a.file);
    for (const QString &account : plan.backups)
        files << folder.path(DataFolder::backupPathOf(account));
    files << folder.path(plan.archive.file);
    files.removeDuplicates();
    if (const QString failed = DataFolder::syncToDisk(files); !failed.isEmpty()) {
        throw DiskError(
            QStringLiteral("The file %1 could not be flushed to disk.").arg(QDir::toNativeSeparators(failed)));
    }
}

void carryOut(const DataFolder &folder, const Plan &plan, bool finishing, const StepHook &hook)
{
    for (const Append &a : plan.postings) {
        callHook(hook, "before", a.file);
        writeAppend(folder, a, finishing);
        callHook(hook, "after", a.file);
    }
    for (const QString &account : plan.backups) {
        callHook(hook, "before", DataFolder::backupPathOf(account));
        backupAccount(folder, account);
        callHook(hook, "after", DataFolder::backupPathOf(account));
    }
    callHook(hook, "before", plan.archive.file);
    writeAppend(folder, plan.archive, finishing);
    callHook(hook, "after", plan.archive.file);
    flushWritten(folder, plan);
    callHook(hook, "before", SlipFiles::kCompleted);
    SlipStore(folder).removeCompleted(plan.moved); // each record once; nothing when none is left there
    callHook(hook, "after", SlipFiles::kCompleted);
    callHook(hook, "before", kJournal);
    folder.deleteFile(kJournal);
    callHook(hook, "after", kJournal);
}

} // namespace

bool pending(const DataFolder &folder)
{
    return QFileInfo(folder.path(kJournal)).isFile();
}

void writeRecords(const DataFolder &folder, const std::vector<Slip> &slips, const TaxHeadings &headings,
                  const QDate &today, const StepHook &hook)
{
    if (slips.empty())
        return;
    if (pending(folder)) {
        try {
            readJournal(folder);
        } catch (const DiskError &damaged) { // it says what the user can do
            throw DiskError(damaged.message() + QStringLiteral("\r\nNothing was written."));
        }
        throw DiskError(QStringLiteral("An earlier Write Records was interrupted and is not finished yet (%1). "
                                       "Nothing was written.")
                            .arg(shownPath(folder, kJournal)));
    }
    // A failed save of the board taken back now takes its completed slips off the list being posted.
    if (SlipStore(folder).settle() == SlipStore::Settled::TakenBack) {
        throw DiskError(QStringLiteral("A save of the Dispatch Board that failed earlier was taken back: the "
                                       "Service Slips it had completed are on the board again. Open the "
                                       "completed slips again. Nothing was written."));
    }
    const Plan plan = makePlan(folder, slips, headings, today);
    callHook(hook, "before", kJournal);
    folder.writeFile(kJournal, journalBytes(plan));
    callHook(hook, "after", kJournal);
    carryOut(folder, plan, false, hook);
}

std::optional<PendingRun> pendingRun(const DataFolder &folder)
{
    if (!pending(folder))
        return std::nullopt;
    const Plan plan = readJournal(folder);
    PendingRun run{plan.date, plan.slips, {}};
    for (const Append &a : plan.postings) {
        if (a.file != Posting::kJournal)
            continue;
        const int length = journalLayout().length();
        for (qsizetype at = 0; at + length <= a.bytes.size(); at += length)
            run.invoices << Record(journalLayout(), a.bytes.mid(at, length)).text(JournalField::InvoiceNo);
    }
    return run;
}

QString finishPending(const DataFolder &folder, const StepHook &hook)
{
    if (!pending(folder))
        return {};
    const Plan plan = readJournal(folder);
    carryOut(folder, plan, true, hook);
    return QStringLiteral("Write Records of %1 was interrupted before it ended. It has now been completed; each "
                          "slip is posted once:\r\n%2")
        .arg(Formats::shortDate(plan.date), plan.slips.join(QStringLiteral("\r\n")));
}

QString setAsideJournal(const DataFolder &folder, const QDate &today)
{
    if (!pending(folder))
        throw DiskError(
            QStringLiteral("There is no posting journal %1 to set aside.").arg(shownPath(folder, kJournal)));
    try {
        readJournal(folder);
    } catch (const DiskError &) {
        const QString stem = QStringLiteral("/PostingJournal.set-aside-") + today.toString(Qt::ISODate);
        QString target = stem + QStringLiteral(".txt");
        for (int n = 2; QFileInfo::exists(folder.path(target)); ++n)
            target = stem + QLatin1Char('-') + QString::number(n) + QStringLiteral(".txt");
        const qint64 size = QFileInfo(folder.path(kJournal)).size();
        folder.renameFile(kJournal, target);
        if (pending(folder) || QFileInfo(folder.path(target)).size() != size) {
            throw DiskError(QStringLiteral("The posting journal %1 could not be confirmed as set aside as %2.")
                                .arg(shownPath(folder, kJournal), shownPath(folder, target)));
        }
        return target;
    }
    throw DiskError(QStringLiteral("The posting journal %1 is whole: the program finishes the Write Records it holds "
                                   "at its next start. It was not set aside.")
                        .arg(shownPath(folder, kJournal)));
}

} // namespace PostingRun
