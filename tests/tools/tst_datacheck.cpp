#include "accounts/assignmentfile.h"
#include "accounts/assignmentrecord.h"
#include "accounts/auxdata.h"
#include "accounts/customerfile.h"
#include "accounts/customerrecord.h"
#include "accounts/customerwrite.h"
#include "billing/accounthistoryrecord.h"
#include "billing/postingrun.h"
#include "billing/printedinvoices.h"
#include "boardsamples.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "core/settings.h"
#include "core/startup.h"
#include "dispatch/assignedslips.h"
#include "dispatch/boardstate.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipstore.h"
#include "platform/fakes/fakeplatform.h"
#include "slipsamples.h"
#include "testsupport.h"
#include "tools/datacheck.h"
#include "tools/samplegenerator.h"
#include "tooltesting.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <QtEndian>

#include <fcntl.h>
#include <sys/stat.h>

// The data check: a folder written in normal use checks clean; each leftover or damage gives exactly its finding.

namespace {

const QDate kToday(2026, 3, 4);
const PostingRun::TaxHeadings kHeadings{"Sales Tax", "City Tax"};

QStringList findingsOf(const DataFolder &folder)
{
    QStringList lines;
    for (const CheckFinding &f : checkDataFolder(folder, toolClock()))
        lines << f.text();
    return lines;
}

// A small generated folder after a start, with headings and one account's data boxes saved.
void prepare(const TestRoot &root)
{
    generateSampleData(root.folder(), {.customers = 30, .slips = 60, .history = 100, .services = 10, .today = kToday});
    const DataFolder folder = root.folder();
    Startup::createFolderTree(folder, kToday, CustomerFile::accountNumbers(folder));
    stampedOnSampleDay(root);
    AuxData::saveHeadings(folder, {"Gate code", "Dog", "", "Boiler", "Notes, misc", "\"Key\""});
    AuxData::saveBoxes(folder, CustomerFile::accountNumbers(folder).front(), {"1234", "Rex\nbites", "", "", "", ""});
}

// Write Records of the first completed slip, as finalizing posts it.
std::vector<PostingRun::Slip> firstCompleted(const DataFolder &folder)
{
    const Record slip = folder.readRecords(SlipFiles::kCompleted, serviceSlipLayout()).front();
    const Money preTax = *Formats::parseCurrency("$120.00");
    const Money tax = *Formats::parseCurrency("$9.00");
    return {{slip, slip.text(SlipField::AcctNo), slip.text(SlipField::Name), "77001", "Cash",
             Formats::currency(preTax + tax), preTax, tax, Money()}};
}

// Write Records of the first completed slip stopped once its journal is written; false when it ran to its end.
bool interruptPosting(const DataFolder &folder)
{
    try {
        PostingRun::writeRecords(folder, firstCompleted(folder), kHeadings, kToday,
                                 [](const char *step, const QString &file) {
                                     if (QByteArray(step) == "before" && file != PostingRun::kJournal)
                                         throw Crash{};
                                 });
    } catch (const Crash &) {
        return true;
    }
    return false;
}

// Saves customer 2 under a new name; `hook` may stop the save part way.
void saveSecondCustomer(const DataFolder &folder, const DataFolder::FaultHook &hook = {})
{
    DataFolder saving = folder;
    saving.setFaultHook(hook);
    Record customer = *folder.readRecord(CustomerFile::kPath, customerLayout(), 2);
    customer.setText(CustomerField::Name, "Renamed Plumbing");
    customer.setText(CustomerField::AcctType, CustomerFile::kBusiness);
    try {
        WriteCustomer(saving, 2, customer);
    } catch (const Crash &) {
    }
}

void makeFolder(const TestRoot &root, const QString &relative)
{
    QVERIFY(QDir().mkpath(root.file(relative)));
}

QString boxFolder(const TestRoot &root, int box)
{
    return "/AuxFiles/" + CustomerFile::accountNumbers(root.folder()).front() + "/AuxFile" + QString::number(box);
}

enum Leftover {
    SlipCounterSetBack,
    InterruptedPosting,
    DamagedPostingJournal,
    PostingJournalOutsideFolder,
    InterruptedCustomerSave,
    DamagedCustomerJournal,
    OutdatedCustomerJournal,
    HeadingsTooMany,
    HeadingsCut,
    HeadingsGarbage,
    AuxFilesIsAFile,
    AccountFolderIsAFile,
    BoxFolderIsAFile,
    BoxFileIsAFolder,
    BoxTemporary,
    OrphanWithText,
    FoldersDifferingInCase,
    MarkerInTheFuture,
    MarkerIsAFolder,
    EmptiedInvoiceCounter,
    AppendGuardLeft,
    BoardJournalLeft,
    SlipOfAnUnknownTechnician,
    LineBreakInACustomerField,
    InterruptedRename,
};

// Renames the first active slip's technician to "Renamed Tech", stopped before the assignment file is replaced.
void interruptRename(const DataFolder &folder)
{
    const QString old = LoadActiveSlips(folder).front().text(SlipField::AssignedTo);
    const std::vector<Record> assignments = folder.readRecords(AssignmentFile::kPath, assignmentLayout());
    const auto at = std::find_if(assignments.cbegin(), assignments.cend(),
                                 [&](const Record &r) { return r.text(AssignmentField::Name) == old; });
    QVERIFY(at != assignments.cend());
    Record renamed = *at;
    renamed.setText(AssignmentField::Name, "Renamed Tech");
    DataFolder saving = folder;
    saving.setFaultHook([](const char *step, const QString &path) {
        if (QByteArray(step) == "write" && path.endsWith(QLatin1String("AssignmentData.txt")))
            throw Crash{};
    });
    try {
        AssignedSlips::renameAssignment(saving, int(at - assignments.cbegin()) + 1, renamed, old);
    } catch (const Crash &) {
    }
}

void plant(const TestRoot &root, Leftover leftover)
{
    const DataFolder folder = root.folder();
    DataFolder stopped = root.folder();
    // A kill at the last step of an append: the append is whole, its guard is left.
    stopped.setFaultHook([](const char *step, const QString &path) {
        if (QByteArray(step) == "unguard")
            throw DiskError(path);
    });
    // Damage that is one file's content.
    static const QHash<int, std::pair<QString, QByteArray>> written = {
        {EmptiedInvoiceCounter, {"/VIInvoiceNo.txt", ""}},
        {SlipCounterSetBack, {"/SlipNo.txt", "5\r\n"}},
        {DamagedPostingJournal, {PostingRun::kJournal, "{\"format\":1,\"slips\":[\"Slip 1"}},
        {DamagedCustomerJournal, {CustomerWrite::kJournal, QByteArray(300, 'x')}},
        {HeadingsTooMany, {AuxData::kHeadings, "a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng\r\n"}},
        {HeadingsCut, {AuxData::kHeadings, "Gate code\r\nDog\r\n"}},
        {HeadingsGarbage, {AuxData::kHeadings, QByteArray("a\r\nb\r\n\0\0\0\r\nd\r\ne\r\nf\r\n", 20)}},
    };
    if (written.contains(leftover))
        return root.write(written[leftover].first, written[leftover].second);
    switch (leftover) {
    case AppendGuardLeft:
        QVERIFY_THROWS_EXCEPTION(
            DiskError, stopped.appendRecord("/CAHistory.txt",
                                            folder.readRecords("/CAHistory.txt", accountHistoryLayout()).front()));
        return;
    case BoardJournalLeft: {
        std::vector<Record> board = LoadActiveSlips(folder);
        board.front().setText(SlipField::Status, "Complete");
        stopped.setFaultHook([](const char *step, const QString &path) {
            if (QByteArray(step) == "delete" && path.endsWith(".jnl"))
                throw Crash{};
        });
        QVERIFY_THROWS_EXCEPTION(Crash, SlipStore(stopped).saveWhole(board));
        return;
    }
    case InterruptedPosting:
        QVERIFY2(interruptPosting(folder), "the run was not stopped");
        return;
    case PostingJournalOutsideFolder: {
        interruptPosting(folder);
        QByteArray journal = root.read(PostingRun::kJournal);
        QVERIFY(journal.contains("\"file\":\"/CAHistory.txt\""));
        root.write(PostingRun::kJournal,
                   journal.replace("\"file\":\"/CAHistory.txt\"", "\"file\":\"/../CAHistory.txt\""));
        return;
    }
    case InterruptedCustomerSave:
    case OutdatedCustomerJournal:
        saveSecondCustomer(folder, [](const char *step, const QString &path) {
            if (QByteArray(step) == "delete" && path.endsWith(QLatin1String("CustomerData.jnl")))
                throw Crash{};
        });
        QVERIFY(root.exists(CustomerWrite::kJournal));
        if (leftover == OutdatedCustomerJournal) {
            // A customer added since, by another copy of the file taking its place.
            Record added = *folder.readRecord(CustomerFile::kPath, customerLayout(), 1);
            added.setText(CustomerField::AcctNo, "NEW-1");
            folder.appendRecord(CustomerFile::kPath, added);
        }
        return;
    case AuxFilesIsAFile:
        QVERIFY(QDir(root.file("/AuxFiles")).removeRecursively());
        root.write("/AuxFiles", "not a folder");
        return;
    case AccountFolderIsAFile: {
        const QString account = CustomerFile::accountNumbers(folder).at(3);
        QVERIFY(QDir(root.file("/AuxFiles/" + account)).removeRecursively());
        root.write("/AuxFiles/" + account, "not a folder");
        return;
    }
    case BoxFolderIsAFile:
        QVERIFY(QDir(root.file(boxFolder(root, 3))).removeRecursively());
        root.write(boxFolder(root, 3), "not a folder");
        return;
    case BoxFileIsAFolder:
        QVERIFY(QFile::remove(root.file(boxFolder(root, 4) + "/Data.txt")));
        makeFolder(root, boxFolder(root, 4) + "/Data.txt");
        return;
    case BoxTemporary: {
        root.write(boxFolder(root, 2) + "/Data.txt.3fa9c1.vdtmp", "half a box");
        // Written a while after the folder was made, as a save is, not within one tick of the file system's clock.
        const QByteArray path = QFile::encodeName(root.file(boxFolder(root, 2)));
        const timespec later[2] = {{0, UTIME_OMIT}, {QDateTime::currentSecsSinceEpoch() + 60, 0}};
        QCOMPARE(::utimensat(AT_FDCWD, path.constData(), later, 0), 0);
        return;
    }
    case OrphanWithText:
        AuxData::saveBoxes(folder, "GONE-7", {"", "", "Call before noon", "", "", ""});
        return;
    case FoldersDifferingInCase:
        makeFolder(root, "/AuxFiles/Xy-1");
        makeFolder(root, "/AuxFiles/xY-1");
        return;
    case MarkerInTheFuture: {
        QFile marker(root.file(Startup::kAuxFoldersChecked));
        QVERIFY(marker.open(QIODevice::ReadWrite));
        QVERIFY(marker.setFileTime(toolClock().now().addDays(1), QFileDevice::FileModificationTime));
        return;
    }
    case MarkerIsAFolder:
        QVERIFY(QFile::remove(root.file(Startup::kAuxFoldersChecked)));
        makeFolder(root, Startup::kAuxFoldersChecked);
        return;
    case SlipOfAnUnknownTechnician: {
        std::vector<Record> slips = LoadActiveSlips(folder);
        slips[1].setText(SlipField::AssignedTo, "Nobody Here");
        folder.replaceRecords(SlipFiles::kActive, slips);
        return;
    }
    case LineBreakInACustomerField: {
        Record customer = *folder.readRecord(CustomerFile::kPath, customerLayout(), 2);
        customer.setText(CustomerField::Address1, "12 Main\r\nSt");
        folder.writeRecord(CustomerFile::kPath, 2, customer);
        return;
    }
    case InterruptedRename:
        interruptRename(folder);
        QVERIFY(root.exists(AssignedSlips::kRenameJournal));
        return;
    default: // one file's content, written above
        return;
    }
}

} // namespace

class TestDataCheck : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    // Finished Write Records and customer save, and empty data boxes of a deleted account, leave nothing to report.
    void folderInNormalUseChecksClean()
    {
        TestRoot root;
        prepare(root);
        const DataFolder folder = root.folder();
        PostingRun::writeRecords(folder, firstCompleted(folder), kHeadings, kToday);
        saveSecondCustomer(folder);
        AuxData::saveBoxes(folder, "GONE-8", {});
        QVERIFY(root.exists(AuxData::kHeadings));
        QVERIFY(!root.exists(PostingRun::kJournal));
        QVERIFY(!root.exists(CustomerWrite::kJournal));
        const QStringList findings = findingsOf(folder);
        QVERIFY2(findings.isEmpty(), qPrintable(findings.join('\n')));
    }

    void eachLeftoverHasItsFinding_data()
    {
        dataColumns<int, QString>("leftover", "expected");
        dataRow("interrupted Write Records", int(InterruptedPosting),
                "PostingJournal.txt: a Write Records of 3/4/2026 was interrupted before it ended; it holds 1 slip(s): "
                "Slip ");
        dataRow("damaged posting journal", int(DamagedPostingJournal),
                "PostingJournal.txt: the journal of an interrupted Write Records is damaged");
        dataRow("posting journal naming a file outside the folder", int(PostingJournalOutsideFolder),
                "PostingJournal.txt: the journal of an interrupted Write Records is damaged");
        dataRow("interrupted customer save", int(InterruptedCustomerSave),
                "CustomerData.jnl: a save of customer record 2 (account \"%1\", Renamed Plumbing) was interrupted; the "
                "saved record waits in this file and the program puts it into place at its next start");
        dataRow("damaged customer journal", int(DamagedCustomerJournal),
                "CustomerData.jnl: the journal of an interrupted customer save is damaged");
        dataRow("customer journal of a file changed since", int(OutdatedCustomerJournal),
                "CustomerData.jnl: a save of customer record 2 (account \"%1\", Renamed Plumbing) was interrupted, but "
                "CustomerData.txt has changed since (9840 bytes then, 10168 bytes now)");
        dataRow("seven headings", int(HeadingsTooMany), "AuxHeadings.txt: holds 7 lines, not 6");
        dataRow("headings cut short", int(HeadingsCut), "AuxHeadings.txt: holds 2 of the 6 heading lines");
        dataRow("heading of garbage", int(HeadingsGarbage), "AuxHeadings.txt: heading 3 holds control characters");
        dataRow("AuxFiles a file", int(AuxFilesIsAFile), "AuxFiles: is a file where the program keeps the folders");
        dataRow("account folder a file", int(AccountFolderIsAFile),
                "is a file where the program keeps the folder of the data boxes of account");
        dataRow("box folder a file", int(BoxFolderIsAFile),
                "/AuxFile3: is a file where the program keeps the folder of data box 4 of account");
        dataRow("box file a folder", int(BoxFileIsAFolder), "/AuxFile4/Data.txt: is not a file: data box 5");
        dataRow(
            "temporary of an interrupted box save", int(BoxTemporary),
            "/AuxFile2/Data.txt.3fa9c1.vdtmp: a temporary file left by an interrupted save of data box 3 of account");
        dataRow("boxes of a deleted account", int(OrphanWithText),
                "AuxFiles/GONE-7: no customer has the account number \"GONE-7\", yet its data boxes hold text (1 of 6");
        dataRow("folders differing in letter case", int(FoldersDifferingInCase),
                "AuxFiles/xY-1: differs from \"AuxFiles/Xy-1\" only in letter case");
        dataRow("stamp in the future", int(MarkerInTheFuture), "VarnelDispatchDuzudu/AuxFolders.checked: is dated ");
        dataRow("stamp a folder", int(MarkerIsAFolder), "VarnelDispatchDuzudu/AuxFolders.checked: is a folder");
        dataRow("invoice counter emptied", int(EmptiedInvoiceCounter),
                "VIInvoiceNo.txt: holds \"\", which gives the next invoice number ");
        dataRow("slip counter set back below the slips", int(SlipCounterSetBack),
                "SlipNo.txt: holds 5, at or below slip ");
        dataRow("append guard left", int(AppendGuardLeft),
                "CAHistory.txt.vdappend: an append to CAHistory.txt was interrupted");
        dataRow("board journal left", int(BoardJournalLeft),
                "ServiceSlips.jnl: a save of the Dispatch Board was interrupted");
        dataRow("slip of a technician no assignment has", int(SlipOfAnUnknownTechnician),
                "ServiceSlips.txt record 2: the slip is assigned to \"Nobody Here\", and no assignment has that name");
        dataRow("line break in a customer field", int(LineBreakInACustomerField),
                "CustomerData.txt record 2: Address1 holds a line break, tab or other control character");
        dataRow("interrupted technician rename", int(InterruptedRename), "AssignmentRename.jnl: the rename of ");
    }
    void eachLeftoverHasItsFinding()
    {
        auto [leftover, expected] = fetched<int, QString>("leftover", "expected");
        TestRoot root;
        prepare(root);
        plant(root, Leftover(leftover));
        if (expected.contains(QLatin1String("%1")))
            expected = expected.arg(CustomerFile::accountNumbers(root.folder()).at(1));
        const QStringList findings = findingsOf(root.folder());
        QVERIFY2(findings.size() == 1, qPrintable(findings.join('\n')));
        QVERIFY2(findings.front().contains(expected), qPrintable(findings.front()));
    }

    // An invoice whose parts do not add, a number used twice, a slip posted twice and a negative tax.
    void ledgerFaultsAreEachReported()
    {
        TestRoot root;
        prepare(root);
        const DataFolder folder = root.folder();
        PostingRun::writeRecords(folder, firstCompleted(folder), kHeadings, kToday); // invoice 77001, $120 + $9
        QVERIFY2(findingsOf(folder).isEmpty(), qPrintable(findingsOf(folder).join('\n')));
        QByteArray journal = root.read("/InvoiceSalesJournal.txt");
        const int invoices = int(journal.size() / 125);
        const QByteArray first = journal.left(125);
        const QString firstNumber = QString::fromLatin1(first.mid(65, 20).trimmed());
        journal[journal.size() - 8] = char(journal[journal.size() - 8] + 1); // 77001's total one 10000th higher
        root.write("/InvoiceSalesJournal.txt", journal + first);
        const QByteArray archive = root.read("/FinalizedServiceSlips.txt");
        root.write("/FinalizedServiceSlips.txt", archive + archive.right(697));
        QByteArray taxes = root.read("/TaxRecords.txt");
        taxes.replace(taxes.size() - 10, 10, QByteArray("-9").leftJustified(10));
        root.write("/TaxRecords.txt", taxes);
        const QString slip = QString::number(qFromLittleEndian<qint16>(archive.right(697).constData()));
        PrintedInvoices::record(folder, {{"88001", "12", kToday}, {"88001", "12", kToday}, {"88001", "13", kToday}});
        const QStringList findings = findingsOf(folder);
        for (const QString &wanted :
             {QString("InvoiceSalesJournal.txt record %1: invoice 77001: pre-tax $120.00 + taxes $9.00 + other $0.00 "
                      "do not add to its total $129.0001")
                  .arg(invoices),
              QString("InvoiceSalesJournal.txt record %1: invoice number %2 is used twice: also record 1")
                  .arg(invoices + 1)
                  .arg(firstNumber),
              QString("FinalizedServiceSlips.txt record %1: slip number %2 is also record %3 of "
                      "FinalizedServiceSlips.txt")
                  .arg(archive.size() / 697 + 1)
                  .arg(slip)
                  .arg(archive.size() / 697),
              QString("TaxRecords.txt record %1: the tax ($9.00) is below zero").arg(taxes.size() / 75),
              QString("PrintedInvoices.txt record 3: invoice number 88001 was printed for slip 13 and for slip 12 "
                      "(record 1)")}) {
            QVERIFY2(findings.contains(wanted), qPrintable(wanted + "\nnot in:\n" + findings.join('\n')));
        }
    }

    // What the program does with the journals agrees with what the check says it will do.
    void journalsAreFinishedAsReported()
    {
        TestRoot root;
        prepare(root);
        plant(root, InterruptedPosting);
        plant(root, InterruptedCustomerSave);
        plant(root, InterruptedRename);
        QCOMPARE(findingsOf(root.folder()).size(), 3);
        QVERIFY(!PostingRun::finishPending(root.folder()).isEmpty());
        QVERIFY(CustomerWrite::recoverCustomerWrite(root.folder()));
        // The board and the assignment file end both new.
        QVERIFY(AssignedSlips::recoverRename(root.folder()));
        QCOMPARE(LoadActiveSlips(root.folder()).front().text(SlipField::AssignedTo), "Renamed Tech");
        const QStringList findings = findingsOf(root.folder());
        QVERIFY2(findings.isEmpty(), qPrintable(findings.join('\n')));
    }

    // Slip creation, the board and the data check agree on whether a pair of stored slips double-books.
    void oneBookingRule_data() { SlipSamples::bookingPairs(); }
    void oneBookingRule()
    {
        auto [first, second, sameSlot] = fetched<QString, QString, bool>("first", "second", "sameSlot");
        TestRoot root;
        const DataFolder folder = root.folder();
        const QStringList a = first.split('|'), b = second.split('|');
        const auto slip = [](int number, const QStringList &s) {
            return QStringList{QString::number(number), s[0].isEmpty() ? "Open" : "Assigned", s[0], s[1], s[2]}.join(
                '|');
        };
        writeActiveSlips(folder, {slip(1, a), slip(2, b)});
        QCOMPARE(IsSlotBooked(folder, b[0], b[1], b[2], 2), sameSlot);
        QCOMPARE(findingsOf(folder).filter("double-books").size(), sameSlot ? 1 : 0);
        FixedClock clock;
        Settings settings;
        BoardState board(folder, clock, settings);
        board.load();
        const SlipChange change{b[0], b[1], b[2], board.slip(2).text(SlipField::Status), "Normal", {}};
        QCOMPARE(board.ruleOnChange(2, change, true).booked, sameSlot);
    }
};

QTEST_GUILESS_MAIN(TestDataCheck)
#include "tst_datacheck.moc"
