// 200 real kills (SIGKILL) of a process that keeps creating slips, saving the board and writing records: after
// each kill the next start leaves no file ending in part of a record, no blank slip, and every board save whole
// or not at all.
#include "billing/postingrun.h"
#include "core/datafolder.h"
#include "core/formats.h"
#include "crashsupport.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipstore.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>

namespace {

const char *kChild = "VD_KILL_LOOP_ROOT";

constexpr int kBatch = 1000; // completions of one board save

Record newSlip(int number, const QString &account, const QString &site)
{
    Record r(serviceSlipLayout());
    r.setInt16(SlipField::SlipNo, qint16(number % 30000 + 1));
    r.setText(SlipField::Status, QStringLiteral("Open"));
    r.setText(SlipField::AcctNo, account);
    r.setText(SlipField::Name, QStringLiteral("Jane Doe"));
    r.setText(SlipField::SiteName, site);
    r.setText(SlipField::Amount, QStringLiteral("$1.05"));
    return r;
}

// The program's writes, over and over, until it is killed: a new slip, a board save that completes every
// second slip of the board and a thousand more (one batch, named in the site field), and now and then a
// Write Records of four single slips.
[[noreturn]] void writeForever(const DataFolder &folder)
{
    repairAsAtStart(folder);
    auto *random = QRandomGenerator::global();
    for (int round = 0;; ++round) {
        const quint32 id = random->generate();
        SlipStore(folder).append(newSlip(int(id % 30000), QStringLiteral("S%1").arg(id), QStringLiteral("Single")));
        std::vector<Record> board = LoadActiveSlips(folder);
        for (std::size_t i = 0; i < board.size(); i += 2)
            board[i].setText(SlipField::Status, QStringLiteral("Complete"));
        const QString batch = QStringLiteral("B%1").arg(random->generate());
        for (int i = 0; i < kBatch; ++i) {
            Record r = newSlip(i, batch + QLatin1Char('-') + QString::number(i), batch);
            r.setText(SlipField::Status, QStringLiteral("Complete"));
            board.push_back(r);
        }
        SlipStore(folder).saveWhole(board);
        if (round % 3 != 2)
            continue;
        std::vector<PostingRun::Slip> slips;
        for (const Record &r : folder.readRecords(SlipFiles::kCompleted, serviceSlipLayout())) {
            if (r.text(SlipField::SiteName) != QLatin1String("Single") || slips.size() == 4)
                continue;
            slips.push_back({r, r.text(SlipField::AcctNo), r.text(SlipField::Name),
                             QString::number(20260000 + r.int16(SlipField::SlipNo)), QStringLiteral("Cash"),
                             QStringLiteral("$1.05"), Money::fromRaw(10500), Money(), Money()});
        }
        PostingRun::writeRecords(folder, slips, {QStringLiteral("Sales Tax"), QStringLiteral("Tax")},
                                 QDate(2026, 3, 7));
    }
}

} // namespace

class TestKillLoop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void killedTwoHundredTimes()
    {
        TestRoot root;
        const DataFolder folder = root.folder();
        const int length = serviceSlipLayout().length();
        int kills = 0, repaired = 0, torn = 0;
        bool saved = false;
        for (; kills < 200; ++kills) {
            QProcess child;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(kChild, root.path());
            child.setProcessEnvironment(env);
            child.start(QCoreApplication::applicationFilePath(), {});
            QVERIFY(child.waitForStarted());
            QThread::msleep(20 + QRandomGenerator::global()->bounded(60));
            QVERIFY2(child.state() == QProcess::Running, child.readAllStandardError().constData());
            child.kill(); // SIGKILL
            QVERIFY(child.waitForFinished());
            QVERIFY2(child.exitStatus() == QProcess::CrashExit, child.readAllStandardError().constData());
            if (!folder.interruptedAppends().isEmpty() || folder.fileSize(SlipFiles::kBoardJournal) >= 0 ||
                PostingRun::pending(folder) || !folder.leftoverTemporaries().isEmpty())
                ++repaired;
            repairAsAtStart(folder);
            // Whole records only, none blank, and every board save's batch whole or absent.
            QMap<QString, int> batches;
            for (const QString &file : {SlipFiles::kActive, SlipFiles::kCompleted, SlipFiles::kFinalized}) {
                const qint64 size = std::max<qint64>(0, folder.fileSize(file));
                torn += size % length != 0;
                for (const Record &r : folder.readRecords(file, serviceSlipLayout())) {
                    QCOMPARE(r.text(SlipField::Name), QStringLiteral("Jane Doe"));
                    if (r.text(SlipField::SiteName).startsWith('B'))
                        ++batches[r.text(SlipField::SiteName)];
                }
            }
            for (const QString &file : {QStringLiteral("/CAHistory.txt"), QStringLiteral("/InvoiceSalesJournal.txt")})
                torn += std::max<qint64>(0, folder.fileSize(file)) % (file.contains("CA") ? 155 : 125) != 0;
            QCOMPARE(torn, 0);
            for (auto [batch, count] : batches.asKeyValueRange())
                QVERIFY2(count == kBatch,
                         qPrintable(QString("kill %1: %2 holds %3 slips").arg(kills).arg(batch).arg(count)));
            saved = saved || !batches.isEmpty();
            // The completed slips are let go now and then, as finalizing would, to keep the folder small.
            if (folder.fileSize(SlipFiles::kCompleted) > 6 * kBatch * length)
                folder.deleteFile(SlipFiles::kCompleted);
        }
        QVERIFY(saved);
        qInfo("%d kills, %d left an interrupted write that the start repaired, %d torn records", kills, repaired, torn);
    }
};

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsSet(kChild))
        writeForever(DataFolder(qEnvironmentVariable(kChild)));
    QCoreApplication app(argc, argv);
    TestKillLoop test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_killloop.moc"
