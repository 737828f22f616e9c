// A change stored from a technician's phone reaching the open board: from PhoneWork::store returning to the
// grid showing the slip's new status, at the 2,200 active slips of the largest sample folder (a copy of
// VD_BENCH_FOLDER, /tmp/big by default, else a generated folder of 2,200 slips); and a phone's change answered while
// the board puts its question about that slip (goal: 100 ms).
#include "app/appstate.h"
#include "core/clock.h"
#include "core/formats.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "gui/dispatch/boardwindow.h"
#include "gui/widgets/flexgrid.h"
#include "phone/phoneapi.h"
#include "phone/phonetokens.h"
#include "phone/phonework.h"
#include "platform/fakes/fakeplatform.h"
#include "platform/fakes/recordingprinttarget.h"
#include "tools/samplegenerator.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QListWidget>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

QDate fakesToday()
{
    return FixedClock().today();
}

// The largest sample folder's slip files, copied or generated into `dir`.
void fillFolder(const QTemporaryDir &dir, const DataFolder &folder)
{
    const QString source = qEnvironmentVariable("VD_BENCH_FOLDER", QStringLiteral("/tmp/big"));
    if (QFile::exists(source + SlipFiles::kActive)) {
        for (const QString &file : {SlipFiles::kActive, SlipFiles::kCompleted})
            QFile::copy(source + file, dir.path() + file);
    } else {
        generateSampleData(folder, {.customers = 500, .slips = 2200, .history = 0, .seed = 3, .today = fakesToday()});
    }
}

void BM_PhoneChangeToBoard(benchmark::State &state)
{
    QTemporaryDir dir;
    DataFolder folder(dir.path());
    fillFolder(dir, folder);
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

// A phone's Start on a slip the office changed and has not saved, through the phone page's API to its answer, with
// the board told as the program tells it: the board's "Keep the phone's change?" is put after the answer, and kept
// on screen here for 50 ms, which the answer must not wait for.
void BM_PhoneAnsweredWhileBoardAsks(benchmark::State &state)
{
    QTemporaryDir dir;
    DataFolder folder(dir.path());
    fillFolder(dir, folder);
    FakePlatform fakes;
    Platform platform = fakes.platform();
    AppState app(folder);
    RecordingPrintTarget target;
    BoardWindow window({&fakes.layouts, {}}, app, platform, target, {});
    window.show();
    PhoneTokens tokens(folder, fakes.clock);
    PhoneApi api(folder, app.settings, fakes.clock, tokens);
    api.setOnStored(
        [&](const PhoneWork::Outcome &outcome, const QString &phone) { window.takePhoneChange(outcome, phone); });
    fakes.messages.whileAsking = [&](const QString &) {
        QElapsedTimer open;
        open.start();
        while (open.elapsed() < 50)
            QCoreApplication::processEvents();
        fakes.messages.answer(false);
    };
    const QByteArray active = folder.readAll(SlipFiles::kActive);
    std::vector<std::pair<int, Record>> assigned; // board rows of assigned slips with a date
    for (int r = 1; r <= window.board().count(); ++r) {
        const Record &slip = window.board().slip(r);
        if (slip.text(SlipField::Status) == QStringLiteral("Assigned") &&
            Formats::parseShortDate(slip.text(SlipField::SchedDate)))
            assigned.emplace_back(r, slip);
    }
    QHash<QString, QString> paired; // technician -> token
    std::size_t i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        folder.writeFile(SlipFiles::kActive, active);
        window.reload();
        const auto &[row, slip] = assigned[i++ % assigned.size()];
        const QString technician = slip.text(SlipField::AssignedTo);
        if (!paired.contains(technician))
            paired.insert(technician, tokens.pair(technician, QStringLiteral("bench phone")).token);
        const QString token = paired.value(technician);
        emit window.grid()->cellClicked(window.board().gridRow(row), 0);
        window.runAction(BoardWindow::ManageSlip);
        window.runAction(BoardWindow::MakeChanges);
        auto *priority = window.findChild<QListWidget *>(QStringLiteral("lstPriority"));
        priority->setCurrentRow(priority->currentRow() == 0 ? 1 : 0);
        window.runAction(BoardWindow::AcceptChanges);
        const QByteArray path = "/api/slip/" + QByteArray::number(slip.int16(SlipField::SlipNo)) + "/start";
        state.ResumeTiming();
        const PhoneApi::Reply reply = api.answer(
            {"POST", path, path, {{"Authorization", "Bearer " + token.toLatin1()}}, "{}", QStringLiteral("10.0.0.9")});
        state.PauseTiming();
        if (reply.status != 200)
            state.SkipWithError(reply.body.constData());
        QCoreApplication::processEvents(); // the board hears of it and asks
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PhoneAnsweredWhileBoardAsks)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace
