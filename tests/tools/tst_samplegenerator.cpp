#include "billing/accounthistoryrecord.h"
#include "billing/postingrecords.h"
#include "core/datafolder.h"
#include "core/formats.h"
#include "core/oledate.h"
#include "dispatch/servicesliprecord.h"
#include "testsupport.h"
#include "tools/samplegenerator.h"
#include "tooltesting.h"

#include <QTest>

#include <cerrno>
#include <unistd.h>

namespace L = GenerateLimits;

// The sample generator and its command: seeded, plausible, consistent, and leaving nothing when refused or failed.
class TestSampleGenerator : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    // A generate failing on a full disk takes back what it made: a new folder goes, an empty one stays empty.
    void failedGenerateRemovesWhatItMade()
    {
        TestRoot root;
        QVERIFY(QDir().mkpath(root.file("/empty")));
        static int writes = 0;
        writes = 0;
        DataFolder::setWriteFunction([](int fd, const char *data, qint64 size) -> qint64 {
            if (++writes < 5)
                return ::write(fd, data, size_t(size));
            errno = ENOSPC;
            return -1;
        });
        const ToolRun made = runTool({"generate", "--root", root.file("/new")});
        const ToolRun filled = runTool({"generate", "--root", root.file("/empty")});
        DataFolder::setWriteFunction(nullptr);
        for (const ToolRun &run : {made, filled}) {
            QCOMPARE(run.status, 2);
            QVERIFY2(run.err.contains("the disk is full") && run.err.contains("What was written has been removed"),
                     qPrintable(run.err));
        }
        QVERIFY(!QFileInfo::exists(root.file("/new")));
        QCOMPARE(QDir(root.file("/empty")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
    }

    void generatorIsDeterministic()
    {
        TestRoot first, second, other;
        generateSmall(first, 42);
        generateSmall(second, 42);
        generateSmall(other, 43);
        const auto files = snapshot(first.path());
        QVERIFY(files.contains("MyBusinessData.txt"));
        QCOMPARE(snapshot(second.path()), files);
        QVERIFY(snapshot(other.path()).value("CustomerData.txt") != files.value("CustomerData.txt"));
    }

    // Slips taken and booked on workdays, active ones around today, others before it; also made on a Saturday.
    void generatedDatesAroundToday()
    {
        for (const QDate today : {kSampleDay, QDate(2026, 3, 7)}) {
            TestRoot root;
            generateSmall(root, 1, today);
            QStringList odd;
            for (const QString file :
                 {"/ServiceSlips.txt", "/CompletedServiceSlips.txt", "/FinalizedServiceSlips.txt"}) {
                for (const Record &r : recordsOf(root, file, serviceSlipLayout())) {
                    const QDate received = OleDate::toDate(r.real(SlipField::DateReceived));
                    const QString text = r.text(SlipField::SchedDate);
                    const QDate date = text == "0" ? received : Formats::parseShortDate(text).value_or(QDate());
                    if (received.dayOfWeek() > 5 || received > today || date.dayOfWeek() > 5 || date < received ||
                        (file == "/ServiceSlips.txt" ? date > today.addDays(200) : date >= today && text != "0"))
                        odd << file + QString::number(r.int16(SlipField::SlipNo)) + ' ' + received.toString() + ' ' +
                                   text;
                }
            }
            QCOMPARE(odd, QStringList());
        }
    }

    void generatedPostingsMatch()
    {
        TestRoot root;
        const GenerateSummary summary = generateSmall(root);
        const auto history = recordsOf(root, "/CAHistory.txt", accountHistoryLayout());
        const auto service = recordsOf(root, "/ServiceHistory.txt", serviceHistoryLayout());
        const auto journal = recordsOf(root, "/InvoiceSalesJournal.txt", journalLayout());
        const auto finalized = recordsOf(root, "/FinalizedServiceSlips.txt", serviceSlipLayout());
        QCOMPARE(int(history.size()), summary.history);
        QCOMPARE(service.size(), history.size());
        QCOMPARE(journal.size(), history.size());
        QCOMPARE(int(finalized.size()), summary.finalizedSlips);
        QSet<QString> accounts;
        for (std::size_t i = 0; i < history.size(); ++i) {
            const QString account = history[i].text(AccountHistoryField::AcctNo);
            accounts.insert(account);
            QCOMPARE(service[i].text(ServiceHistoryField::AcctNo), account);
            QCOMPARE(journal[i].text(JournalField::AcctNo), account);
            QCOMPARE(history[i].text(AccountHistoryField::Description),
                     QLatin1String("Invoice No. ") + journal[i].text(JournalField::InvoiceNo));
            QCOMPARE(journal[i].money(JournalField::Total),
                     journal[i].money(JournalField::PreTax) + journal[i].money(JournalField::Taxes));
        }
        // The finalized slips are the latest postings, in posting order.
        const std::size_t first = history.size() - finalized.size();
        for (std::size_t i = 0; i < finalized.size(); ++i) {
            QCOMPARE(finalized[i].text(SlipField::InvoiceNo), journal[first + i].text(JournalField::InvoiceNo));
            QCOMPARE(finalized[i].text(SlipField::Amount), history[first + i].text(AccountHistoryField::Amount));
        }
        // One account file for each account with posted work, opening with its previous balance.
        const QStringList files = QDir(root.file("/VIActiveAccounts")).entryList(QDir::Files);
        QCOMPARE(files.size(), accounts.size());
        for (const QString &name : files) {
            QVERIFY(accounts.contains(name.chopped(4)));
            const auto lines = recordsOf(root, "/VIActiveAccounts/" + name, accountHistoryLayout());
            QCOMPARE(lines.front().text(AccountHistoryField::Description), "Previous Balance");
        }
    }

    // Options beyond the limits, and no date, are refused before anything is written.
    void generatorRefusesOptionsBeyondLimits()
    {
        const std::vector<GenerateOptions> refused = {{.customers = L::kCustomers + 1, .today = kSampleDay},
                                                      {.slips = L::kSlips + 1, .today = kSampleDay},
                                                      {.history = L::kHistory + 1, .today = kSampleDay},
                                                      {.services = L::kServices + 1, .today = kSampleDay},
                                                      {.assignments = L::kAssignments + 1, .today = kSampleDay},
                                                      {.slips = -1, .today = kSampleDay},
                                                      {.customers = 0, .today = kSampleDay}, // slips without customers
                                                      {}};
        for (std::size_t i = 0; i < refused.size(); ++i) {
            TestRoot root;
            try {
                generateSampleData(root.folder(), refused[i]);
                QFAIL(qPrintable(QString("options %1 were accepted").arg(i)));
            } catch (const std::invalid_argument &) {
            }
            QVERIFY(QDir(root.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot));
        }
    }

    void generatorFillsTheLargestFiles()
    {
        TestRoot root;
        const GenerateSummary summary = generateSampleData(root.folder(), {.customers = L::kCustomers,
                                                                           .slips = L::kSlips,
                                                                           .history = 0,
                                                                           .services = L::kServices,
                                                                           .today = kSampleDay});
        const DataFolder folder = root.folder();
        QCOMPARE(folder.recordCount("/CustomerData.txt", 328), L::kCustomers);
        QCOMPARE(folder.recordCount("/Services.txt", 72), L::kServices);
        QCOMPARE(summary.activeSlips + summary.completedSlips + summary.finalizedSlips, L::kSlips);
        QCOMPARE(folder.recordCount("/ServiceSlips.txt", 697) + folder.recordCount("/CompletedServiceSlips.txt", 697),
                 L::kSlips);
        QCOMPARE(summary.nextSlipNumber, 32767);
        // Every slip number below the counter, none used twice, no double booking.
        stampedOnSampleDay(root);
        const ToolRun run = runTool({"check", root.path()});
        QVERIFY2(run.status == 0, qPrintable(run.out.left(2000)));
    }

    // A long history must not push the counter to its limit, where no new slip could be written.
    void generatedCounterLeavesRoomForNewSlips()
    {
        TestRoot root;
        const GenerateSummary summary =
            generateSampleData(root.folder(), {.customers = 200, .slips = 5000, .history = 40000, .today = kSampleDay});
        QVERIFY2(summary.nextSlipNumber <= GenerateLimits::kSlips - 1000,
                 qPrintable(QString::number(summary.nextSlipNumber)));
    }

    void generateCommandRefusesFolderInUse()
    {
        TestRoot root;
        root.write("/CustomerData.txt", "mine");
        const ToolRun run = runTool({"generate", "--root", root.path(), "--today", "3/4/2026"});
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.contains(QLatin1String("not empty")), qPrintable(run.err));
        QCOMPARE(snapshot(root.path()).keys(), QStringList{"CustomerData.txt"});
        const ToolRun bad = runTool({"generate", "--root", root.file("/new"), "--customers", "lots"});
        QCOMPARE(bad.status, 2);
        QVERIFY2(bad.err.contains(QLatin1String("--customers")), qPrintable(bad.err));
    }
};

QTEST_GUILESS_MAIN(TestSampleGenerator)
#include "tst_samplegenerator.moc"
