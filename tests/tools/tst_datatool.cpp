#include "accounts/customerrecord.h"
#include "accounts/servicerecord.h"
#include "billing/accounthistoryrecord.h"
#include "billing/postingrecords.h"
#include "core/datafolder.h"
#include "core/formats.h"
#include "core/oledate.h"
#include "dispatch/agreementrecord.h"
#include "dispatch/servicesliprecord.h"
#include "platform/instancelock.h"
#include "samplelayouts.h"
#include "testsupport.h"
#include "tools/datatool.h"
#include "tools/recordjson.h"
#include "tools/recordkinds.h"
#include "tools/samplegenerator.h"
#include "tooltesting.h"

#include <QBuffer>
#include <QProcess>
#include <QSysInfo>
#include <QTest>
#include <limits>
#include <optional>

#include <sys/mount.h>

namespace {

// Input that, when the tool reads it, tries to start the program on the folder: the tool must hold the lock.
class StartsTheProgram : public QBuffer
{
public:
    explicit StartsTheProgram(const QString &root)
        : m_root(root)
    {
        setData("");
        open(QIODevice::ReadOnly);
    }
    bool programStarted = false;
    bool asked = false;

protected:
    qint64 readData(char *data, qint64 size) override
    {
        if (!asked) {
            asked = true;
            InstanceLock program(m_root);
            programStarted = program.tryLock();
        }
        return QBuffer::readData(data, size);
    }

private:
    QString m_root;
};

// A bind mount of one folder at another path, unmounted at the end; read-only when asked.
class BindMount
{
public:
    BindMount(const QString &from, const QString &at, bool readOnly)
        : m_at(at)
    {
        QDir().mkpath(at);
        const QByteArray to = QFile::encodeName(at);
        m_mounted = ::mount(QFile::encodeName(from).constData(), to.constData(), nullptr, MS_BIND, nullptr) == 0;
        if (m_mounted && readOnly)
            m_mounted = ::mount(nullptr, to.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0 ||
                        (::umount(to.constData()), false);
    }
    ~BindMount()
    {
        if (m_mounted)
            ::umount(QFile::encodeName(m_at).constData());
    }
    bool mounted() const { return m_mounted; }

private:
    QString m_at;
    bool m_mounted = false;
};

enum Fault {
    TruncatedFile,
    BadAmount,
    BadDate,
    UnknownStatus,
    UnknownTimeSlot,
    DoubleBooking,
    DoubleBookingOtherDateText,
    SecondInProgress,
    AssignedWithoutTechnician,
    SlipAtCounter,
    DuplicateSlipNumber,
    DuplicateAccount,
    OrphanAccountFile,
    MissingSlipCounter,
    DamagedSlipCounter,
    AccountsDifferingInCase,
    ControlCharacterInAccount,
    CompletedLeftOnBoard,
    LeftoverTemporary,
    TornAppend,
    ZeroedRecord,
    TornAgreements,
};

void plant(const TestRoot &root, Fault fault)
{
    const QString active = "/ServiceSlips.txt";
    auto slips = recordsOf(root, active, serviceSlipLayout());
    switch (fault) {
    case TruncatedFile:
    case TornAppend:
        root.write("/CustomerData.txt", root.read("/CustomerData.txt").chopped(100));
        if (fault == TornAppend)
            root.write("/CustomerData.txt.vdappend", "a note");
        return;
    case TornAgreements: { // one agreement and part of another
        Record agreement(agreementLayout());
        agreement.setInt32(AgreementField::Id, 1);
        agreement.setText(AgreementField::AcctNo, "1001");
        root.write("/Agreements.dat", agreement.bytes() + agreement.bytes().left(100));
        return;
    }
    case ZeroedRecord: // the length kept, the bytes of record 2 lost
        root.write("/CAHistory.txt", root.read("/CAHistory.txt").replace(155, 155, QByteArray(155, '\0')));
        return;
    case BadAmount: {
        auto lines = recordsOf(root, "/CAHistory.txt", accountHistoryLayout());
        lines[1].setText(AccountHistoryField::Amount, "$12.3x");
        root.folder().replaceRecords("/CAHistory.txt", lines);
        return;
    }
    case BadDate:
        slips[0].setText(SlipField::SchedDate, "2/30/2026");
        break;
    case UnknownStatus:
        slips[0].setText(SlipField::Status, "Opne");
        break;
    case UnknownTimeSlot:
        slips[0].setText(SlipField::SchedTime, "07:00");
        break;
    case DoubleBooking:
    case DoubleBookingOtherDateText:
    case SecondInProgress: {
        std::vector<Record *> booked;
        for (Record &r : slips) {
            if (!r.text(SlipField::AssignedTo).isEmpty() && r.text(SlipField::SchedDate) != QLatin1String("0") &&
                r.text(SlipField::SchedTime) != QLatin1String("None"))
                booked.push_back(&r);
        }
        QVERIFY(booked.size() >= 2);
        if (fault == SecondInProgress) {
            booked[1]->setText(SlipField::AssignedTo, booked[0]->text(SlipField::AssignedTo));
            booked[1]->setText(SlipField::SchedDate, "1/1/2030");
            for (Record *r : {booked[0], booked[1]})
                r->setText(SlipField::Status, "In Progress");
            break;
        }
        for (const int f : {SlipField::AssignedTo, SlipField::SchedDate, SlipField::SchedTime})
            booked[1]->setText(f, booked[0]->text(f));
        if (fault == DoubleBookingOtherDateText) // "01/05/2026" for "1/5/2026": the same day
            booked[1]->setText(SlipField::SchedDate,
                               Formats::parseShortDate(booked[0]->text(SlipField::SchedDate))->toString("MM/dd/yyyy"));
        break;
    }
    case AssignedWithoutTechnician:
        slips[0].setText(SlipField::Status, "Assigned");
        slips[0].setText(SlipField::AssignedTo, QString());
        break;
    case SlipAtCounter:
        slips[0].setInt16(SlipField::SlipNo, qint16(root.read("/SlipNo.txt").trimmed().toInt()));
        break;
    case DuplicateSlipNumber: {
        auto finalized = recordsOf(root, "/FinalizedServiceSlips.txt", serviceSlipLayout());
        finalized[0].setInt16(SlipField::SlipNo, slips[0].int16(SlipField::SlipNo));
        root.folder().replaceRecords("/FinalizedServiceSlips.txt", finalized);
        return;
    }
    case DuplicateAccount: {
        auto customers = recordsOf(root, "/CustomerData.txt", customerLayout());
        customers.push_back(customers[0]);
        root.folder().replaceRecords("/CustomerData.txt", customers);
        return;
    }
    case OrphanAccountFile: {
        Record r(accountHistoryLayout());
        r.setText(AccountHistoryField::Date, "3/1/2026");
        r.setText(AccountHistoryField::Amount, "$0.00");
        root.write("/VIActiveAccounts/99999.txt", r.bytes());
        return;
    }
    case MissingSlipCounter:
        QFile::remove(root.file("/SlipNo.txt"));
        return;
    case DamagedSlipCounter:
        root.write("/SlipNo.txt", "abc\r\n");
        return;
    case AccountsDifferingInCase:
    case ControlCharacterInAccount: {
        auto customers = recordsOf(root, "/CustomerData.txt", customerLayout());
        Record added = customers[0];
        if (fault == AccountsDifferingInCase) {
            added.setText(CustomerField::AcctNo, "OK-1001");
            customers.push_back(added);
            added.setText(CustomerField::AcctNo, "ok-1001");
        } else {
            added.setText(CustomerField::AcctNo, "A\nB\rC\x1b");
        }
        customers.push_back(added);
        root.folder().replaceRecords("/CustomerData.txt", customers);
        return;
    }
    case CompletedLeftOnBoard: {
        auto completed = recordsOf(root, "/CompletedServiceSlips.txt", serviceSlipLayout());
        slips.push_back(completed.front());
        break;
    }
    case LeftoverTemporary:
        root.write("/CustomerData.txt.1f2e3d.vdtmp", "half");
        return;
    }
    root.folder().replaceRecords(active, slips);
}

} // namespace

class TestDataTool : public QObject
{
    Q_OBJECT

private slots:
    // A lock of another computer is judged by watching it on this computer's clock, whatever times it names: one
    // that changes meanwhile is refused; one unchanged for the whole watch is taken after the question (or --yes),
    // with the old holder's temporary files (the fence).
    void unlockNamesTheHolderAndTakesOnlyAStaleLock_data()
    {
        dataColumns<int, bool, QStringList, QByteArray, int, QString>("minutesAgo", "live", "flags", "answer",
                                                                      "status", "said");
        dataRow("no lock", -1, false, QStringList(), QByteArray(), 0, QString("No copy of the program holds"));
        dataRow("confirms, its time 12 minutes behind", 12, true, QStringList(), QByteArray("y\n"), 2,
                QString("It confirmed its lock while this computer watched"));
        dataRow("unchanged, declined", 0, false, QStringList(), QByteArray("n\n"), 2, QString("has not changed"));
        dataRow("unchanged, taken", 0, false, QStringList(), QByteArray("y\n"), 0, QString("was removed"));
        dataRow("unchanged, --yes", 2, false, QStringList{"--yes"}, QByteArray(), 0, QString("was removed"));
        dataRow("this computer", 0, true, QStringList(), QByteArray("y\n"), 2, QString("The program runs there"));
    }
    void unlockNamesTheHolderAndTakesOnlyAStaleLock()
    {
        auto [minutesAgo, live, flags, answer, status, said] =
            fetched<int, bool, QStringList, QByteArray, int, QString>("minutesAgo", "live", "flags", "answer", "status",
                                                                      "said");
        TestRoot root;
        const QString lockName = "/" + InstanceLock::lockFileName();
        const QByteArray other = "4242\nVarnelDispatchDuzudu\nfront-desk-pc\nmaria\n2026-03-02T08:00:00Z\n" +
                                 toolClock().now().toUTC().addSecs(-60 * minutesAgo).toString(Qt::ISODate).toUtf8() +
                                 "\n";
        // The tool's waits: a live holder confirms meanwhile (a new count on its lock).
        struct WatchedClock final : Clock
        {
            std::function<void()> beat;
            mutable qint64 steady = 0;
            QDateTime now() const override { return toolClock().now(); }
            qint64 steadyMs() const override { return steady; }
            void wait(int milliseconds) const override { steady += milliseconds, beat(); }
        } clock;
        clock.beat = [&, beats = 0]() mutable { live ? root.write(lockName, other + QByteArray::number(++beats) + "\n") : void(); };
        std::optional<InstanceLock> running;
        if (minutesAgo == 0 && live)
            QVERIFY(running.emplace(root.path()).tryLock());
        else if (minutesAgo >= 0)
            root.write(lockName, other);
        root.write("/SlipNo.txt.a1b2.vdtmp", "1001");
        const QByteArray before = root.read(lockName);
        const ToolRun run = runTool(QStringList{"unlock", root.path()} + flags, answer, clock);
        QCOMPARE(run.status, status);
        QVERIFY2((run.out + run.err).contains(said), qPrintable(run.out + run.err));
        if (minutesAgo > 0)
            QVERIFY2((run.out + run.err).contains("front-desk-pc"), qPrintable(run.out + run.err));
        if (!live)
            QCOMPARE(root.read(lockName), status == 0 ? QByteArray() : before);
        QCOMPARE(root.exists("/SlipNo.txt.a1b2.vdtmp"), status != 0 || minutesAgo < 0); // a taker fences
        if (status != 0 && !live) { // the lock left: an import names the way out
            root.write("/in.csv", "AcctNo,Name\nA1,Baker\n");
            const ToolRun import = runTool({"import", "customers", root.file("/in.csv"), "--root", root.path()});
            QVERIFY2(import.status == 2 && import.err.contains("\"dispatch-data unlock "), qPrintable(import.err));
        }
    }

    // A damaged posting journal is set aside after the question (or --yes), renamed beside it with its bytes;
    // never while the program holds the folder.
    void setAsideJournalAsksAndRenames_data()
    {
        dataColumns<QByteArray, QStringList, QByteArray, int, QString>("journal", "flags", "answer", "status", "said");
        const QByteArray damaged("{\"format\":2,\"slips\":[\"Slip 1");
        dataRow("no journal", QByteArray(), QStringList(), QByteArray(), 0, QString("There is no posting journal"));
        dataRow("declined", damaged, QStringList(), QByteArray("n\n"), 2, QString("Nothing was changed."));
        dataRow("answered yes", damaged, QStringList(), QByteArray("y\n"), 0, QString("was set aside as"));
        dataRow("--yes", damaged, QStringList{"--yes"}, QByteArray(), 0, QString("was set aside as"));
        dataRow("program running", damaged, QStringList{"--yes"}, QByteArray(), 2, QString("close it first"));
    }
    void setAsideJournalAsksAndRenames()
    {
        auto [journal, flags, answer, status, said] =
            fetched<QByteArray, QStringList, QByteArray, int, QString>("journal", "flags", "answer", "status", "said");
        TestRoot root;
        if (!journal.isEmpty())
            root.write("/PostingJournal.txt", journal);
        std::optional<InstanceLock> running;
        if (said == "close it first")
            QVERIFY(running.emplace(root.path()).tryLock());
        const ToolRun run = runTool(QStringList{"set-aside-journal", root.path()} + flags, answer);
        QCOMPARE(run.status, status);
        QVERIFY2((run.out + run.err).contains(said), qPrintable(run.out + run.err));
        const QStringList aside = QDir(root.path()).entryList({"PostingJournal.set-aside-*.txt"});
        QCOMPARE(aside.size(), status == 0 && !journal.isEmpty() ? 1 : 0);
        QCOMPARE(root.read("/" + aside.value(0, "PostingJournal.txt")), journal);
    }

    // One lock per data folder, whatever path leads into it (subfolder, link, bind mount, read-only mount).
    void lockBypassesAreRefused()
    {
        TestRoot root;
        TestRoot elsewhere;
        generateSmall(root);
        const QString file = root.file("/VIActiveAccounts/A1.txt");
        const QByteArray before = root.read("/VIActiveAccounts/A1.txt");
        const QString refusal = "The program is running on this data folder; close it first.";
        // (a) a lock a killed write left in the subfolder does not stand for the folder's
        root.write("/VIActiveAccounts/" + InstanceLock::lockFileName(),
                   "999999\nVarnelDispatchDuzudu\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        {
            InstanceLock program(root.path());
            QVERIFY(program.tryLock());
            const auto write = [](const QString &path) {
                return runTool({"write", "--kind", "accounthistory", path}, "");
            };
            const ToolRun run = write(file);
            QCOMPARE(run.status, 2);
            QVERIFY2(run.err.contains(refusal), qPrintable(run.err));
            // (c) through a symbolic link to the subfolder, and through a bind mount of it where this test may mount
            QVERIFY(QFile::link(root.file("/VIActiveAccounts"), elsewhere.file("/link")));
            QCOMPARE(write(elsewhere.file("/link/A1.txt")).status, 2);
            const BindMount bound(root.file("/VIActiveAccounts"), elsewhere.file("/bound"), false);
            if (bound.mounted())
                QCOMPARE(write(elsewhere.file("/bound/A1.txt")).status, 2);
            QCOMPARE(root.read("/VIActiveAccounts/A1.txt"), before);
        }
        // (b) the program started while the tool waits for its input finds the folder taken
        {
            StartsTheProgram input(root.path());
            QString out, err;
            QTextStream o(&out), e(&err);
            QCOMPARE(runDataTool({"write", "--kind", "accounthistory", file}, o, e, input, toolClock()), 0);
            QVERIFY(input.asked);
            QVERIFY(!input.programStarted);
        }
        // (d) a copy on a read-only bind mount of the folder and a copy on the folder itself, in either order
        const BindMount readOnly(root.path(), elsewhere.file("/ro"), true);
        if (!readOnly.mounted())
            QSKIP("bind mounts need rights this test does not have; (a) to (c) ran");
        TestRoot locks;
        for (const bool readOnlyFirst : {true, false}) {
            InstanceLock ro(elsewhere.file("/ro"), locks.path());
            InstanceLock rw(root.path(), locks.path());
            QVERIFY(readOnlyFirst ? ro.tryLock() : rw.tryLock());
            QVERIFY(readOnlyFirst ? !rw.tryLock() : !ro.tryLock());
        }
    }
    void initTestCase() { useTestSettingsStore(); }

    void dumpAndWriteRoundTripEveryFile_data()
    {
        QTest::addColumn<QString>("file");
        for (const char *name :
             {"ServiceSlips.txt", "CompletedServiceSlips.txt", "FinalizedServiceSlips.txt", "CustomerData.txt",
              "AssignmentData.txt", "Services.txt", "CAHistory.txt", "CAPaymentRecords.txt", "ServiceHistory.txt",
              "TaxRecords.txt", "InvoiceSalesJournal.txt", "VIActiveAccounts"})
            dataRow(name, QString::fromLatin1(name));
    }
    void dumpAndWriteRoundTripEveryFile()
    {
        QFETCH(QString, file);
        TestRoot root;
        generateSmall(root);
        if (file == QLatin1String("VIActiveAccounts")) // the first account file, found by its folder's name
            file += QLatin1Char('/') + QDir(root.file("/VIActiveAccounts")).entryList(QDir::Files).value(0);
        const QByteArray original = root.read(QLatin1Char('/') + file);
        QVERIFY(!original.isEmpty());
        const ToolRun dump = runTool({"dump", root.file(QLatin1Char('/') + file)});
        QCOMPARE(dump.status, 0);
        QVERIFY2(dump.err.isEmpty(), qPrintable(dump.err));
        const RecordKind *kind = RecordKinds::forFile(file);
        QVERIFY(kind);
        QCOMPARE(dump.out.count(QLatin1Char('\n')), original.size() / kind->layout->length());
        TestRoot copy;
        QDir().mkpath(QFileInfo(copy.file(QLatin1Char('/') + file)).absolutePath());
        const ToolRun write = runTool({"write", copy.file(QLatin1Char('/') + file)}, dump.out.toUtf8());
        QVERIFY2(write.status == 0, qPrintable(write.err));
        QCOMPARE(copy.read(QLatin1Char('/') + file), original);
    }

    void jsonValuesRoundTrip_data()
    {
        dataColumns<QByteArray, QString, bool>("bytes", "line", "sameBytes");
        Record typical(allKinds());
        typical.setText(0, "Ab\"c\\");
        typical.setInt16(1, -2);
        typical.setInt32(2, 70000);
        typical.setSingle(3, 0.1f);
        typical.setReal(4, -2.5);
        typical.setReal(5, 46085.75);
        typical.setMoney(6, Money::fromRaw(-12345600));
        typical.setBoolean(7, true);
        typical.setByte(8, 200);
        dataRow("typical", typical.bytes(),
                QStringLiteral("{\"Text\":\"Ab\\\"c\\\\\",\"Small\":-2,\"Long\":70000,\"Single\":0.1,"
                               "\"Double\":-2.5,\"When\":46085.75,\"Amount\":\"-1234.5600\","
                               "\"Flag\":true,\"Byte\":200}"),
                true);
        Record extremes(allKinds(), QByteArray("\r\n\x80\x81  ", 6));
        extremes.setInt16(1, std::numeric_limits<qint16>::min());
        extremes.setInt32(2, std::numeric_limits<qint32>::max());
        extremes.setSingle(3, std::numeric_limits<float>::max());
        extremes.setReal(4, 1e-300);
        extremes.setMoney(6, Money::fromRaw(std::numeric_limits<qint64>::min()));
        extremes.setByte(8, 255);
        dataRow("extremes", extremes.bytes(),
                QStringLiteral("{\"Text\":\"\\r\\n\u20AC\\u0081\",\"Small\":-32768,\"Long\":2147483647,"
                               "\"Single\":3.4028235e+38,\"Double\":1e-300,\"When\":0,"
                               "\"Amount\":\"-922337203685477.5808\",\"Flag\":false,\"Byte\":255}"),
                true);
        QByteArray nonzeroFlag = Record(allKinds()).bytes();
        nonzeroFlag[allKinds().offset(7)] = 1; // any nonzero flag reads true; it is written back as -1
        dataRow("nonzero flag", nonzeroFlag,
                QStringLiteral("{\"Text\":\"\",\"Small\":0,\"Long\":0,\"Single\":0,\"Double\":0,"
                               "\"When\":0,\"Amount\":\"0.0000\",\"Flag\":true,\"Byte\":0}"),
                false);
    }
    void jsonValuesRoundTrip()
    {
        auto [bytes, line, sameBytes] = fetched<QByteArray, QString, bool>("bytes", "line", "sameBytes");
        const Record record(allKinds(), bytes);
        QCOMPARE(RecordJson::toLine(record), line);
        QString key, message;
        const auto back = RecordJson::fromLine(allKinds(), line, &key, &message);
        QVERIFY2(back, qPrintable(message));
        if (sameBytes)
            QCOMPARE(back->bytes(), bytes);
        QCOMPARE(back->boolean(7), record.boolean(7));
    }

    void writeRefusesBadLines_data()
    {
        dataColumns<QString, QByteArray, int, QString>("kind", "input", "line", "key");
        const QString customer = "customer";
        dataRow("object not closed", customer, QByteArray("{\"AcctNo\":\"1\"}\n\n{\"AcctNo\":\"2\""), 3, "AcctNo");
        dataRow("not an object", customer, QByteArray("{\"AcctNo\":\"1\"}\n[1]"), 2, QString());
        dataRow("number for text", customer, QByteArray("{\"Name\":5}"), 1, "Name");
        dataRow("text for integer", customer, QByteArray("{\"Reserved1\":\"7\"}"), 1, "Reserved1");
        dataRow("integer too large", customer, QByteArray("{\"Reserved1\":32768}"), 1, "Reserved1");
        dataRow("fraction for integer", customer, QByteArray("{\"Reserved2\":1.5}"), 1, "Reserved2");
        dataRow("unknown key", customer, QByteArray("{\"acctno\":\"1\"}"), 1, "acctno");
        dataRow("key twice", customer, QByteArray("{\"Name\":\"a\",\"Name\":\"b\"}"), 1, "Name");
        dataRow("not UTF-8", customer, QByteArray("{\"Name\":\"\xff\"}"), 1, QString());
        dataRow("amount as number", "journal", QByteArray("{\"PreTax\":12.5}"), 1, "PreTax");
        dataRow("five decimals", "journal", QByteArray("{\"Total\":\"1.23456\"}"), 1, "Total");
    }
    void writeRefusesBadLines()
    {
        auto [kind, input, line, key] = fetched<QString, QByteArray, int, QString>("kind", "input", "line", "key");
        TestRoot root;
        const QByteArray before("records stored before");
        root.write("/records.dat", before);
        const ToolRun run = runTool({"write", "--kind", kind, root.file("/records.dat")}, input);
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.contains(QString("line %1").arg(line)), qPrintable(run.err));
        if (!key.isEmpty())
            QVERIFY2(run.err.contains(QString("key \"%1\"").arg(key)), qPrintable(run.err));
        QVERIFY(run.err.contains(QLatin1String("unchanged")));
        QCOMPARE(root.read("/records.dat"), before);
    }

    void writeFillsDefaultsAndCutsText()
    {
        TestRoot root;
        const QString file = root.file("/CustomerData.txt");
        const QByteArray input = "{\"AcctNo\":\"A1\",\"Name\":\"" + QByteArray(50, 'N') +
                                 "\",\"City\":\"Z\xc3\xbcrich \xe2\x82\xac \xc5\x8d\",\"Reserved1\":null}\n   \n{}\n";
        const ToolRun run = runTool({"write", file}, input);
        QVERIFY2(run.status == 0, qPrintable(run.err));
        const auto records = recordsOf(root, "/CustomerData.txt", customerLayout());
        QCOMPARE(records.size(), std::size_t(2));
        QCOMPARE(records[0].text(CustomerField::Name), QString(45, QLatin1Char('N')));
        QCOMPARE(records[0].bytes().mid(customerLayout().offset(CustomerField::City), 10),
                 QByteArray("Z\xfcrich \x80 ?"));
        QCOMPARE(records[0].int16(CustomerField::Reserved1), qint16(0));
        QCOMPARE(records[1], Record(customerLayout()));
    }

    void dumpReadsShortLastRecordWithWarning_data()
    {
        dataColumns<int, int, int, QString>("whole", "extra", "expected", "warning");
        dataRow("most of a record", 2, 40, 3, "completed with blanks");
        dataRow("a few bytes", 2, 10, 2, "left out");
    }
    void dumpReadsShortLastRecordWithWarning()
    {
        auto [whole, extra, expected, warning] =
            fetched<int, int, int, QString>("whole", "extra", "expected", "warning");
        TestRoot root;
        QByteArray bytes;
        for (int i = 0; i <= whole; ++i) {
            Record r(serviceLayout());
            r.setText(ServiceField::Description, QString("Service %1").arg(i + 1));
            r.setInt16(ServiceField::TimeIndex, 4);
            bytes += r.bytes();
        }
        root.write("/Services.txt", bytes.left(whole * serviceLayout().length() + extra));
        const ToolRun run = runTool({"dump", root.file("/Services.txt")});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.err.contains(QLatin1String("warning")) && run.err.contains(warning), qPrintable(run.err));
        const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), expected);
        if (expected > whole) // the short record keeps what it has; the rest reads blank and zero
            QVERIFY2(lines.last().endsWith(QLatin1String("\"Charge\":\"\",\"TimeIndex\":0}")),
                     qPrintable(lines.last()));
    }

    void commandsRefuseFilesTheyCannotHandle()
    {
        TestRoot root;
        root.write("/Notes.txt", "abc");
        const ToolRun unknown = runTool({"dump", root.file("/Notes.txt")});
        QCOMPARE(unknown.status, 2);
        QVERIFY2(unknown.err.contains(QLatin1String("--kind")), qPrintable(unknown.err));
        // The kind follows the file's name in any letter case, the account files by their folder's name.
        for (const auto &[name, kind] : {std::pair{"completedserviceslips.TXT", "slip"},
                                         std::pair{"d/viactiveaccounts\\1001.txt", "accounthistory"}})
            QVERIFY2(RecordKinds::forFile(name) && RecordKinds::forFile(name)->name == kind, name);
        QVERIFY(unknown.out.isEmpty());
        QCOMPARE(runTool({"frobnicate"}).status, 2);
        const ToolRun help = runTool({"write", "--help"});
        QVERIFY2(help.status == 0 && help.out.startsWith("Usage: dispatch-data write"), qPrintable(help.out));
        // The kinds' files as the record-file table gives them, those the companion program reads marked.
        for (const char *line :
             {"  slip            ServiceSlips.txt, CompletedServiceSlips.txt, FinalizedServiceSlips.txt\n",
              "  accounthistory  CAHistory.txt (shared), CAPaymentRecords.txt (shared), "
              "VIActiveAccounts/*.txt (shared)\n",
              "  agreement       Agreements.dat\n"})
            QVERIFY2(help.out.contains(line), line);
        const ToolRun missing = runTool({"dump", root.file("/Services.txt")});
        QCOMPARE(missing.status, 2);
        QVERIFY2(missing.err.contains(QLatin1String("no such file")), qPrintable(missing.err));
        // Customers written over the active slips would lose them: only on request.
        const QByteArray slips = Record(serviceSlipLayout()).bytes();
        root.write("/ServiceSlips.txt", slips);
        const QStringList args = {"write", "--kind", "customer", root.file("/ServiceSlips.txt")};
        QCOMPARE(runTool(args, "{\"AcctNo\":\"1\"}").status, 2);
        QCOMPARE(root.read("/ServiceSlips.txt"), slips);
        QCOMPARE(runTool(args + QStringList{"--force"}, "{\"AcctNo\":\"1\"}").status, 0);
        QCOMPARE(root.read("/ServiceSlips.txt").size(), customerLayout().length());
    }

    void exportCsvQuotesFields()
    {
        TestRoot root;
        const QString file = root.file("/ServiceSlips.txt");
        const QByteArray json = "{\"SlipNo\":7,\"DateReceived\":46085,\"Status\":\"Open\",\"Name\":\"Smith\","
                                "\"ServiceRequired\":\"Leak, \\\"bad\\\"\\r\\nCall first\"}";
        QCOMPARE(runTool({"write", file}, json).status, 0);
        const ToolRun run = runTool({"export-csv", file});
        QCOMPARE(run.status, 0);
        QStringList row(serviceSlipLayout().fieldCount());
        row[SlipField::SlipNo] = "7";
        row[SlipField::DateReceived] = "46085";
        row[SlipField::Status] = "Open";
        row[SlipField::Name] = "Smith";
        row[SlipField::ServiceRequired] = "\"Leak, \"\"bad\"\"\r\nCall first\"";
        QVERIFY(run.out.startsWith(QLatin1String("SlipNo,DateReceived,Status,AcctNo,")));
        QCOMPARE(run.out.section(QLatin1String("\r\n"), 1), row.join(QLatin1Char(',')) + QLatin1String("\r\n"));
    }

    void checkReportsPlantedFault_data()
    {
        dataColumns<int, QString, int>("fault", "expected",
                                       "count"); // count: findings in all, -1 when one brings others
        dataRow("truncated file", int(TruncatedFile),
                "whole record(s). A power cut or a copy cut short left them; the program adds nothing", 1);
        dataRow("torn append", int(TornAppend), "whole record(s). An interrupted append left them; the program cuts",
                -1);
        dataRow("record of zero bytes", int(ZeroedRecord), "CAHistory.txt record 2: holds nothing but zero bytes", -1);
        dataRow("torn agreements file", int(TornAgreements),
                "Agreements.dat: its length, 598 bytes, is not a whole number of 498-byte records (the program reads 1 "
                "record(s)): it is 100 bytes over its 1 whole record(s). A power cut",
                -1);
        dataRow("bad amount", int(BadAmount), "CAHistory.txt record 2: Amount \"$12.3x\" is not an amount", 1);
        dataRow("bad date", int(BadDate), "ServiceSlips.txt record 1: SchedDate \"2/30/2026\"", 1);
        dataRow("unknown status", int(UnknownStatus), "ServiceSlips.txt record 1: unknown status \"Opne\"", 1);
        dataRow("unknown time slot", int(UnknownTimeSlot), "ServiceSlips.txt record 1: unknown time slot", 1);
        dataRow("double booking", int(DoubleBooking), "double-books", 1);
        dataRow("double booking, the date written another way", int(DoubleBookingOtherDateText), "double-books", 1);
        dataRow("two slips in progress for one technician", int(SecondInProgress),
                "is a second \"In Progress\" slip of", 1);
        dataRow("assigned without a technician", int(AssignedWithoutTechnician), "\" without a technician", 1);
        dataRow("slip number at the counter", int(SlipAtCounter), "SlipNo.txt: holds ",
                1); // one finding, not one a slip
        dataRow("slip number used twice", int(DuplicateSlipNumber), "FinalizedServiceSlips.txt record 1: slip number",
                1);
        dataRow("duplicate account", int(DuplicateAccount), "CustomerData.txt record 41: account number", 1);
        dataRow("orphan account file", int(OrphanAccountFile), "VIActiveAccounts/99999.txt: no customer has", 1);
        dataRow("missing slip counter", int(MissingSlipCounter), "SlipNo.txt: is missing", -1);
        dataRow("slip counter that is no number, reported once", int(DamagedSlipCounter),
                "SlipNo.txt: holds \"abc\", not a slip number", 1);
        dataRow("account numbers differing in letter case", int(AccountsDifferingInCase),
                QStringLiteral("CustomerData.txt record 42: account number \"ok-1001\" differs from \"OK-1001\" of "
                               "record 41 only in letter case"),
                1);
        dataRow("control characters escaped, one line", int(ControlCharacterInAccount),
                "CustomerData.txt record 41: The account number \"A\\x0aB\\x0dC\\x1b\" cannot be used", 1);
        dataRow("completed slip still on the board", int(CompletedLeftOnBoard), "is also in CompletedServiceSlips.txt",
                -1);
        dataRow("temporary file of an interrupted write", int(LeftoverTemporary),
                "CustomerData.txt.1f2e3d.vdtmp: a temporary file left by an interrupted write (4 bytes)", 1);
    }
    void checkReportsPlantedFault()
    {
        auto [fault, expected, count] = fetched<int, QString, int>("fault", "expected", "count");
        TestRoot root;
        generateSmall(root);
        plant(root, Fault(fault));
        const ToolRun run = runTool({"check", root.path()});
        QCOMPARE(run.status, 1);
        const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY2(!lines.filter(expected).isEmpty(), qPrintable(run.out));
        if (count >= 0)
            QVERIFY2(lines.size() == count, qPrintable(run.out));
    }

    void executableRunsCommands()
    {
        const QString program = QCoreApplication::applicationDirPath() + "/dispatch-data";
        if (!QFileInfo(program).isExecutable())
            QSKIP("dispatch-data is not built beside the tests");
        TestRoot root;
        generateSmall(root);
        QProcess check;
        check.start(program, {"check", root.path()});
        QVERIFY(check.waitForFinished(60000));
        QCOMPARE(check.exitCode(), 0);
        QProcess write;
        write.start(program, {"write", root.file("/Services.txt")});
        write.write("{\"Description\":\"Tune-Up\",\"TimeIndex\":\"four\"}\n");
        write.closeWriteChannel();
        QVERIFY(write.waitForFinished(60000));
        QCOMPARE(write.exitCode(), 2);
        QVERIFY(write.readAllStandardError().contains("line 1, key \"TimeIndex\""));
    }
};

QTEST_GUILESS_MAIN(TestDataTool)
#include "tst_datatool.moc"
