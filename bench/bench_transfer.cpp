// Bringing data in and taking it along at the largest sizes: importing 32,767 customers from a spreadsheet's
// CSV file (read, checked, written), and the dated backup archive of a data folder at the largest sizes.
#include "accounts/recordimport.h"
#include "core/backuparchive.h"
#include "core/datafolder.h"
#include "tools/samplegenerator.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

GenerateOptions largest(int customers, int slips, int history)
{
    GenerateOptions options;
    options.customers = customers;
    options.slips = slips;
    options.history = history;
    options.seed = 11;
    options.today = QDate(2026, 12, 6);
    return options;
}

// The CSV of the largest customer file, as an export writes it, in a file.
struct CustomerCsv
{
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("customers.csv"));
    CustomerCsv()
    {
        QTemporaryDir source;
        generateSampleData(DataFolder(source.path()), largest(GenerateLimits::kCustomers, 0, 0));
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly))
            return;
        out.write(RecordImport::listCsv(DataFolder(source.path()), ImportKind::Customers));
    }
};

void BM_ImportLargestCustomerFile(benchmark::State &state)
{
    static CustomerCsv csv;
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        const DataFolder folder(dir.path());
        state.ResumeTiming();
        QString error;
        const auto table = CsvReader::readFile(csv.path, &error);
        const auto plan = RecordImport::plan(folder, ImportKind::Customers, *table,
                                             RecordImport::matchHeadings(ImportKind::Customers, table->headings));
        RecordImport::write(folder, plan);
        if (plan.records.size() != std::size_t(GenerateLimits::kCustomers))
            state.SkipWithError("not every customer was imported");
    }
}
BENCHMARK(BM_ImportLargestCustomerFile)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_BackupLargestFolder(benchmark::State &state)
{
    static QTemporaryDir data;
    static const bool made = [] {
        generateSampleData(DataFolder(data.path()),
                           largest(GenerateLimits::kCustomers, GenerateLimits::kSlips, GenerateLimits::kHistory));
        return true;
    }();
    (void)made;
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir out;
        state.ResumeTiming();
        const QString archive = BackupArchive::create(data.path(), out.path(), QDateTime::currentDateTime()).path;
        state.counters["archive_MB"] = double(QFileInfo(archive).size()) / 1e6;
    }
}
BENCHMARK(BM_BackupLargestFolder)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
