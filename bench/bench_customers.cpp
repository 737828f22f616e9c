// The customer screen at the largest customer file: opening it, searching with the results listed, saving one
// account and completing a typed name.
#include "accounts/customeraccounts.h"
#include "accounts/customerfile.h"
#include "accounts/customerrecord.h"
#include "app/appstate.h"
#include "billing/accountuse.h"
#include "gui/accounts/customerscreen.h"
#include "gui/widgets/flexgrid.h"
#include "platform/fakes/fakeplatform.h"
#include "rawread.h"
#include "tools/samplegenerator.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <benchmark/benchmark.h>

namespace {

struct CustomerFolder
{
    QTemporaryDir dir;
    DataFolder folder{dir.path()};

    CustomerFolder()
    {
        GenerateOptions options;
        options.customers = GenerateLimits::kCustomers;
        options.slips = 10;
        options.history = 10;
        options.seed = 7;
        options.today = QDate(2026, 12, 6);
        generateSampleData(folder, options);
    }
};

CustomerFolder &customers()
{
    static CustomerFolder c;
    return c;
}

// A name fragment about 1 % of the accounts have, and the screen on the folder.
struct ScreenFixture
{
    FakePlatform fake;
    AppState state{customers().folder};
    Platform platform = fake.platform();
    CustomerScreen screen{state, platform, ProgramWindow::Environment{&fake.layouts, [] {}}};
};

QString searchText()
{
    static const QString text = [] {
        const auto names = loadCustomerNames(customers().folder).names;
        QString best;
        int bestDistance = std::numeric_limits<int>::max();
        for (std::size_t i = 0; i < names.size() && i < 400; i += 7) {
            const QString key = names[i].key.toUpper();
            for (int length = 3; length <= 5 && length <= key.size(); ++length) {
                const int found =
                    int(SearchCustomers(customers().folder, CustomerCriterion::Name, key.left(length)).size());
                const int distance = std::abs(found - GenerateLimits::kCustomers / 100);
                if (distance < bestDistance) {
                    bestDistance = distance;
                    best = key.left(length);
                }
            }
        }
        return best;
    }();
    return text;
}

void BM_RawReadCustomerFile(benchmark::State &state)
{
    rawReadWholeFile(state, customers().folder.path(CustomerFile::kPath));
}
BENCHMARK(BM_RawReadCustomerFile)->Unit(benchmark::kMillisecond);

// Showing the screen: count, name and city lists filled, the current record shown.
void BM_OpenCustomers(benchmark::State &state)
{
    ScreenFixture f;
    for (auto _ : state) {
        f.screen.show();
        state.PauseTiming();
        f.screen.hide();
        state.ResumeTiming();
    }
    state.counters["names"] = double(f.screen.findChild<QComboBox *>(QStringLiteral("cboNameList"))->count());
}
BENCHMARK(BM_OpenCustomers)->Unit(benchmark::kMillisecond);

// Search by name with the results grid filled (about 1 % of the accounts), and the complete list.
void BM_CustomerSearch(benchmark::State &state)
{
    const QString fragment = searchText();
    ScreenFixture f;
    f.screen.show();
    const bool all = state.range(0) == 1;
    auto *text = f.screen.findChild<QLineEdit *>(QStringLiteral("txtSearch"));
    f.screen.findChild<QRadioButton *>(QStringLiteral("optCriteria_0"))->setChecked(true);
    auto *grid = f.screen.findChild<FlexGrid *>(QStringLiteral("fgResults"));
    for (auto _ : state) {
        if (all) {
            f.screen.completeList();
            state.PauseTiming();
            f.screen.completeList(); // closes it again
            state.ResumeTiming();
        } else {
            text->setText(fragment);
            f.screen.runSearch();
        }
    }
    state.counters["found"] = double(grid->rows() - 1);
}
BENCHMARK(BM_CustomerSearch)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Saving one changed account in the middle of the file, crash-safe.
void BM_SaveCustomer(benchmark::State &state)
{
    Record current(customerLayout());
    CustomerAccounts accounts(customers().folder, current);
    accounts.activate();
    const int middle = accounts.count() / 2;
    int turn = 0;
    for (auto _ : state) {
        state.PauseTiming();
        accounts.show(middle);
        CustomerForm form = accounts.formOf(accounts.shown());
        form.address2 = QStringLiteral("Suite %1").arg(++turn);
        state.ResumeTiming();
        if (!accounts.save(form, true).isDone())
            state.SkipWithError("the save was refused");
    }
}
BENCHMARK(BM_SaveCustomer)->Unit(benchmark::kMillisecond);

// One key typed into the name list: the lookup and the completed text with its selection.
void BM_NameCompletionKey(benchmark::State &state)
{
    ScreenFixture f;
    f.screen.show();
    f.screen.findChild<QPushButton *>(QStringLiteral("cmdFinder_1"))->click();
    QLineEdit *edit = f.screen.findChild<QComboBox *>(QStringLiteral("cboNameList"))->lineEdit();
    const QString typed = searchText().left(3).toLower();
    if (typed.size() < 3) {
        state.SkipWithError("no name to type");
        return;
    }
    int i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        edit->clear();
        QTest::keyClicks(edit, typed.left(2));
        state.ResumeTiming();
        QTest::keyClick(edit, typed.at(2).toLatin1());
        ++i;
    }
    state.counters["completed"] = double(edit->text().size());
}
BENCHMARK(BM_NameCompletionKey)->Unit(benchmark::kMicrosecond);

} // namespace

namespace {
// The file search alone, without the screen: what the result list adds is BM_CustomerSearch/0 minus this.
void BM_CustomerFileSearch(benchmark::State &state)
{
    const QString fragment = searchText();
    std::size_t found = 0;
    for (auto _ : state)
        found = SearchCustomers(customers().folder, CustomerCriterion::Name, fragment).size();
    state.counters["found"] = double(found);
}
BENCHMARK(BM_CustomerFileSearch)->Unit(benchmark::kMillisecond);
} // namespace

namespace {

// A folder at the largest history and slip files, for what one account number names.
struct FullHistoryFolder
{
    QTemporaryDir dir;
    DataFolder folder{dir.path()};
    QString acctNo;

    FullHistoryFolder()
    {
        GenerateOptions options;
        options.customers = 2000;
        options.slips = 5000;
        options.history = GenerateLimits::kHistory;
        options.seed = 7;
        options.today = QDate(2026, 12, 6);
        generateSampleData(folder, options);
        acctNo = folder.readRecords(CustomerFile::kPath, customerLayout()).at(500).text(CustomerField::AcctNo);
    }
};

// What the Delete question and the save of a changed account number wait for: the balance file, the four
// history files, the data boxes and the slip files searched for one account.
void BM_AccountUse(benchmark::State &state)
{
    static FullHistoryFolder full;
    for (auto _ : state)
        benchmark::DoNotOptimize(accountUse(full.folder, full.acctNo).any());
}
BENCHMARK(BM_AccountUse)->Unit(benchmark::kMillisecond);

} // namespace
