// The run of the maintenance agreements' visits at the largest sizes: 5,000 agreements, each with a visit or two
// due in the coming four weeks, on a folder of 32,767 customers, 1,000 assignments and 5,000 slips.
#include "accounts/assignmentfile.h"
#include "accounts/customerfile.h"
#include "accounts/customerrecord.h"
#include "core/clock.h"
#include "core/settings.h"
#include "core/slipcounter.h"
#include "dispatch/agreements.h"
#include "dispatch/slipfiles.h"
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

} // namespace
