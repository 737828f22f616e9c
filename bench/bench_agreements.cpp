// The run of the maintenance agreements' visits at the largest sizes: 5,000 agreements, each with a visit or two
// due in the coming four weeks, on a folder of 32,767 customers, 1,000 assignments and 5,000 slips.
#include "accounts/assignmentfile.h"
#include "accounts/customerfile.h"
#include "accounts/customerrecord.h"
#include "core/clock.h"
#include "core/settings.h"
#include "core/slipcounter.h"
#include "dispatch/agreements.h"
#include "dispatch/agreementview.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipstore.h"
#include "dispatch/slipvalues.h"
#include "tools/samplegenerator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

const QDate kToday(2026, 12, 7); // a Monday

struct AgreementFolder
{
    QTemporaryDir dir;
    DataFolder folder{dir.path()};
    qint64 activeSize = 0;

    AgreementFolder()
    {
        // VD_BENCH_FOLDER names a data folder whose files (those in the folder itself: the run reads no other)
        // are copied instead, such as a customer's largest one.
        if (const QString from = qEnvironmentVariable("VD_BENCH_FOLDER"); !from.isEmpty()) {
            for (const QFileInfo &file : QDir(from).entryInfoList(QDir::Files | QDir::Hidden))
                QFile::copy(file.filePath(), dir.filePath(file.fileName()));
        } else {
            GenerateOptions options;
            options.customers = GenerateLimits::kCustomers;
            options.slips = 5000;
            options.history = 0;
            options.assignments = GenerateLimits::kAssignments;
            options.seed = 11;
            options.today = kToday.addDays(-1);
            generateSampleData(folder, options);
        }
        const QStringList technicians = LoadAssignmentLists(folder).creation.mid(1);
        const std::vector<Record> customers = folder.readRecords(CustomerFile::kPath, customerLayout());
        std::vector<Record> agreements;
        for (int i = 0; i < 5000; ++i) {
            Agreement a;
            a.id = i + 1;
            a.acctNo = customers[std::size_t(i * 6 % int(customers.size()))].text(CustomerField::AcctNo);
            a.services = {QStringLiteral("Furnace tune-up"), QStringLiteral("Filter change")};
            a.interval = i % 3 == 0 ? Agreement::Interval::Months : Agreement::Interval::ChosenMonths;
            a.every = 1;
            a.months = 0x0FFF;
            a.technician = i % 10 == 0 ? QString() : technicians[i % technicians.size()];
            a.weekday = i % 6;
            a.slot = SlipValues::timeSlots()[i % 4];
            a.start = kToday.addDays(-(i % 28) - 30);
            a.price = Money::fromCents(8900);
            a.note = QStringLiteral("Agreement visit");
            agreements.push_back(Agreements::toRecord(a));
        }
        folder.replaceRecords(Agreements::kFile, agreements);
        activeSize = folder.fileSize(SlipFiles::kActive);
    }
};

AgreementFolder &agreementFolder()
{
    static AgreementFolder f;
    return f;
}

// One run as the program makes it at start: reads the agreements, the visits, the slip files and the customers
// once, books every visit and stores the slips in one append. Each round starts from the folder without them.
void runVisits(benchmark::State &state)
{
    AgreementFolder &f = agreementFolder();
    const FixedClock clock(QDateTime(kToday, QTime(7, 0)));
    Settings settings;
    SlipCounter counter;
    int made = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QFile::resize(f.folder.path(SlipFiles::kActive), f.activeSize);
        f.folder.deleteFile(Agreements::kVisitsFile);
        counter.set(20000);
        state.ResumeTiming();
        made = Agreements::makeVisits(f.folder, counter, clock, settings, 4).made;
    }
    state.counters["visits"] = made;
}

void BM_AgreementRun(benchmark::State &state)
{
    runVisits(state);
}
BENCHMARK(BM_AgreementRun)->Unit(benchmark::kMillisecond);

// The first run of a fresh process (start it with --benchmark_filter=BM_AgreementRunFirst alone).
void BM_AgreementRunFirst(benchmark::State &state)
{
    runVisits(state);
}
BENCHMARK(BM_AgreementRunFirst)->Unit(benchmark::kMillisecond)->Iterations(1);

// A start with 5,000 agreements to its summary: the start's look at the visits file, then the run (start it with
// --benchmark_filter=BM_AgreementStartFirst alone).
void BM_AgreementStartFirst(benchmark::State &state)
{
    AgreementFolder &f = agreementFolder();
    const FixedClock clock(QDateTime(kToday, QTime(7, 0)));
    Settings settings;
    SlipCounter counter;
    counter.set(20000);
    for (auto _ : state) {
        Agreements::finishInterrupted(f.folder);
        benchmark::DoNotOptimize(Agreements::makeVisits(f.folder, counter, clock, settings, 4).text());
    }
}
BENCHMARK(BM_AgreementStartFirst)->Unit(benchmark::kMillisecond)->Iterations(1);

// What the agreements window reads and works out when it opens with 5,000 agreements: the customers' names,
// each agreement's line, and the coming weeks with the visits made.
void BM_AgreementWindowFirst(benchmark::State &state)
{
    AgreementFolder &f = agreementFolder();
    const FixedClock clock(QDateTime(kToday, QTime(7, 0)));
    Settings settings;
    SlipCounter counter;
    counter.set(20000);
    Agreements::makeVisits(f.folder, counter, clock, settings, 4);
    for (auto _ : state) {
        const auto lines = AgreementView::lines(Agreements::load(f.folder), AgreementView::customerNames(f.folder),
                                                kToday, settings.workWeek);
        benchmark::DoNotOptimize(AgreementView::comingWeeks(f.folder, lines, kToday, 8, settings.workWeek));
    }
}
BENCHMARK(BM_AgreementWindowFirst)->Unit(benchmark::kMillisecond)->Iterations(1);

// Delete All over the agreements' slips (the run's, 2,000 or more): the slips of agreements looked up, their
// visits noted in the journal, the active file emptied, the visits' new state appended in one write.
void BM_AgreementDeleteAll(benchmark::State &state)
{
    AgreementFolder &f = agreementFolder();
    const FixedClock clock(QDateTime(kToday, QTime(7, 0)));
    Settings settings;
    SlipCounter counter;
    qsizetype slips = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QFile::resize(f.folder.path(SlipFiles::kActive), f.activeSize);
        f.folder.deleteFile(Agreements::kVisitsFile);
        counter.set(20000);
        Agreements::makeVisits(f.folder, counter, clock, settings, 4);
        state.ResumeTiming();
        const QHash<qint16, qint32> made = AgreementView::agreementSlips(f.folder);
        std::vector<std::pair<qint16, qint32>> visits(made.keyValueBegin(), made.keyValueEnd());
        slips = qsizetype(visits.size());
        AgreementView::beginDeletedVisits(f.folder, visits, false);
        SlipStore(f.folder).replaceFile(SlipFiles::kActive, {});
        AgreementView::noteDeletedVisits(f.folder, visits);
    }
    state.counters["slips"] = double(slips);
}
BENCHMARK(BM_AgreementDeleteAll)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
