// A change stored from a technician's phone reaching the open board: from PhoneWork::store returning to the
// grid showing the slip's new status, at the 2,200 active slips of the largest sample folder (a copy of
// VD_BENCH_FOLDER, /tmp/big by default, else a generated folder of 2,200 slips).
#include "app/appstate.h"
#include "core/clock.h"
#include "core/formats.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "gui/dispatch/boardwindow.h"
#include "gui/widgets/flexgrid.h"
#include "phone/phonework.h"
#include "platform/fakes/fakeplatform.h"
#include "platform/fakes/recordingprinttarget.h"
#include "tools/samplegenerator.h"

#include <QAbstractItemModel>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

QDate fakesToday()
{
    return FixedClock().today();
}

void BM_PhoneChangeToBoard(benchmark::State &state)
{
    QTemporaryDir dir;
    DataFolder folder(dir.path());
    const QString source = qEnvironmentVariable("VD_BENCH_FOLDER", QStringLiteral("/tmp/big"));
    if (QFile::exists(source + SlipFiles::kActive)) {
        for (const QString &file : {SlipFiles::kActive, SlipFiles::kCompleted})
            QFile::copy(source + file, dir.path() + file);
    } else {
        generateSampleData(folder, {.customers = 500, .slips = 2200, .history = 0, .seed = 3, .today = fakesToday()});
    }
    const QByteArray active = folder.readAll(SlipFiles::kActive);
    const QByteArray completed = folder.readAll(SlipFiles::kCompleted);
    // The slips a phone may complete: a technician's and with a date.
    std::vector<PhoneWork::Request> requests;
    for (const Record &slip : LoadActiveSlips(folder)) {
        if (!slip.text(SlipField::AssignedTo).isEmpty() && Formats::parseShortDate(slip.text(SlipField::SchedDate)))
            requests.push_back({slip.text(SlipField::AssignedTo),
                                slip.int16(SlipField::SlipNo),
                                PhoneWork::Action::Complete,
                                {},
                                QStringLiteral("bench phone")});
    }
    FakePlatform fakes;
    Platform platform = fakes.platform();
    AppState app(folder);
    RecordingPrintTarget target;
    BoardWindow window({&fakes.layouts, {}}, app, platform, target, {});
    window.show();
    int changed = 0;
    QObject::connect(&window, &BoardWindow::phoneChangeTaken, [&changed](int row) { changed = row; });
    std::size_t i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        folder.writeFile(SlipFiles::kActive, active);
        folder.writeFile(SlipFiles::kCompleted, completed);
        window.reload();
        const PhoneWork::Outcome outcome = PhoneWork::store(folder, fakes.clock, requests[i++ % requests.size()]);
        state.ResumeTiming();
        window.takePhoneChange(outcome, QStringLiteral("bench phone"));
        if (window.grid()->text(window.board().gridRow(changed), 4) != QStringLiteral("Complete"))
            state.SkipWithError("the grid does not show the phone's change");
    }
    state.counters["board rows"] = window.board().count();
}
BENCHMARK(BM_PhoneChangeToBoard)->Unit(benchmark::kMillisecond)->Iterations(30);

} // namespace
