// The dispatch board at 5,000 active slips: opening it (file, board state, grid) and saving it; the slip frame
// with a phone's photos.
#include "accounts/assignmentfile.h"
#include "app/appstate.h"
#include "core/clock.h"
#include "core/seams.h"
#include "dispatch/boardstate.h"
#include "dispatch/boardview.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipmedia.h"
#include "dispatch/slipvalues.h"
#include "gui/dispatch/boardwindow.h"
#include "platform/fakes/recordingprinttarget.h"
#include "tools/samplegenerator.h"

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// Answers every question with Yes and shows nothing.
class SilentMessages final : public Messages
{
public:
    void inform(const QString &, const QString &) override {}
    bool ask(const QString &, const QString &) override { return true; }
    void beep() override {}
};

class NoClipboard final : public Clipboard
{
public:
    void setText(const QString &) override {}
    void clear() override {}
};

class NoWeb final : public WebOpener
{
public:
    bool open(const QString &) override { return false; }
};

class NoChoosers final : public Choosers
{
public:
    std::optional<QString> openFile(const QString &, const QString &, const QString &) override { return {}; }
    std::optional<QString> saveFile(const QString &, const QString &, const QString &) override { return {}; }
    std::optional<QString> folder(const QString &, const QString &) override { return {}; }
    std::optional<quint32> colour(quint32, const QString &) override { return {}; }
    std::optional<QString> font(const QString &, const QString &) override { return {}; }
};

class NoLayouts final : public LayoutStore
{
public:
    QByteArray load(const QString &, const QString &) const override { return {}; }
    void save(const QString &, const QString &, const QByteArray &) override {}
};

// 5,000 generated slips, all of them active; every tenth one "Complete" when asked for.
struct BoardFolder
{
    QTemporaryDir dir;
    DataFolder folder{dir.path()};
    QByteArray activeBytes;

    explicit BoardFolder(bool tenthComplete, int assignments = 0)
    {
        GenerateOptions options;
        options.assignments = assignments;
        options.customers = 2000;
        options.slips = 12000;
        options.history = 0;
        options.seed = 11;
        options.today = QDate(2026, 12, 6);
        generateSampleData(folder, options);
        std::vector<Record> all = folder.readRecords(SlipFiles::kActive, serviceSlipLayout());
        for (const QString &file : {SlipFiles::kCompleted, SlipFiles::kFinalized}) {
            for (Record r : folder.readRecords(file, serviceSlipLayout())) {
                r.setText(SlipField::Status, SlipValues::kAssigned);
                all.push_back(r);
            }
            folder.deleteWithBackup(file);
        }
        all.resize(5000, Record(serviceSlipLayout()));
        for (std::size_t i = 0; tenthComplete && i < all.size(); i += 10)
            all[i].setText(SlipField::Status, SlipValues::kComplete);
        folder.replaceRecords(SlipFiles::kActive, all);
        activeBytes = folder.readAll(SlipFiles::kActive);
    }
};

void BM_OpenBoard(benchmark::State &state)
{
    static BoardFolder sample(false);
    SilentMessages messages;
    FixedClock clock(QDateTime(QDate(2026, 12, 6), QTime(9, 0)));
    NoClipboard clipboard;
    NoWeb web;
    NoChoosers choosers;
    NoLayouts layouts;
    Platform platform{messages, clock, clipboard, web, choosers, layouts};
    AppState app(sample.folder);
    RecordingPrintTarget target;
    BoardWindow window({&layouts, {}}, app, platform, target, {});
    for (auto _ : state) {
        window.reload();
        benchmark::DoNotOptimize(window.board().count());
    }
    state.counters["slips"] = window.board().count();
}
BENCHMARK(BM_OpenBoard)->Unit(benchmark::kMillisecond);

// "Save &Changes/Exit" with 500 of the 5,000 slips completed: the completed file grows by 500, the active file is
// rewritten with 4,500, and the board reads it again.
void BM_SaveBoard(benchmark::State &state)
{
    static BoardFolder sample(true);
    FixedClock clock(QDateTime(QDate(2026, 12, 6), QTime(9, 0)));
    Settings settings;
    BoardState board(sample.folder, clock, settings);
    for (auto _ : state) {
        state.PauseTiming();
        sample.folder.writeFile(SlipFiles::kActive, sample.activeBytes);
        sample.folder.deleteWithBackup(SlipFiles::kCompleted);
        board.load();
        state.ResumeTiming();
        if (!board.saveAll().isDone())
            state.SkipWithError("the board could not be saved");
    }
    state.counters["active after"] = board.count();
}
BENCHMARK(BM_SaveBoard)->Unit(benchmark::kMillisecond);

// What the user waits for after a heading click or a filter choice at 5,000 slips and 255 technicians: the rows
// arranged, the grid refilled with its colours, the filter bar and the stored view brought up to date.
void viewChanges(benchmark::State &state, const std::vector<BoardView> &views)
{
    static BoardFolder sample(false, 255);
    SilentMessages messages;
    FixedClock clock(QDateTime(QDate(2026, 12, 6), QTime(9, 0)));
    NoClipboard clipboard;
    NoWeb web;
    NoChoosers choosers;
    NoLayouts layouts;
    Platform platform{messages, clock, clipboard, web, choosers, layouts};
    AppState app(sample.folder);
    app.assignmentLists = LoadAssignmentLists(app.folder);
    RecordingPrintTarget target;
    BoardWindow window({&layouts, {}}, app, platform, target, {});
    window.reload();
    std::size_t i = 0;
    for (auto _ : state) {
        window.setView(views[i++ % views.size()]);
        benchmark::DoNotOptimize(window.board().shownCount());
    }
    state.counters["slips"] = window.board().count();
    state.counters["technicians"] = app.assignmentLists.board.size();
}

void BM_SortBoard(benchmark::State &state)
{
    std::vector<BoardView> views;
    for (int column : {1, 7, 5, 3, 2, 6, 4}) {
        BoardView view;
        view.sortColumn = column;
        views.push_back(view);
        view.descending = true;
        views.push_back(view);
    }
    viewChanges(state, views);
}
BENCHMARK(BM_SortBoard)->Unit(benchmark::kMillisecond);

void BM_FilterBoard(benchmark::State &state)
{
    std::vector<BoardView> views(4);
    views[0].technician = QStringLiteral("Not Assigned");
    views[1].status = SlipValues::kAssigned;
    views[1].sortColumn = 7;
    views[2].datesOn = true;
    views[2].from = QDate(2026, 12, 1);
    views[2].to = QDate(2026, 12, 31);
    viewChanges(state, views); // the fourth shows every slip again
}
BENCHMARK(BM_FilterBoard)->Unit(benchmark::kMillisecond);

// The slip frame of a slip with 10 photos (1600 x 1200 JPEGs, as the phone sends them) and a signature, at the largest
// customer file: opened the first time (every thumbnail decoded), and opened again (the thumbnails kept).
struct MediaFolder
{
    QTemporaryDir dir;
    DataFolder folder{dir.path()};
    int row = 0; // the board row of the slip with the photos

    MediaFolder()
    {
        GenerateOptions options;
        options.customers = GenerateLimits::kCustomers;
        options.slips = 2200;
        options.history = 0;
        options.today = QDate(2026, 12, 8);
        generateSampleData(folder, options);
        const std::vector<Record> slips = folder.readRecords(SlipFiles::kActive, serviceSlipLayout());
        row = int(slips.size()) / 2 + 1;
        const Record &slip = slips[std::size_t(row - 1)];
        const QString account = slip.text(SlipField::AcctNo);
        const QDateTime at(options.today, QTime(10, 42));
        QImage photo(1600, 1200, QImage::Format_RGB32);
        for (int i = 0; i < SlipMedia::kMaxPhotos; ++i) {
            for (int y = 0; y < photo.height(); ++y) {
                auto *line = reinterpret_cast<QRgb *>(photo.scanLine(y));
                for (int x = 0; x < photo.width(); ++x)
                    line[x] = qRgb((x * 7 + i * 40) & 255, (y * 3 + x / 5) & 255, ((x ^ y) + i * 20) & 255);
            }
            QByteArray jpeg;
            QBuffer buffer(&jpeg);
            buffer.open(QIODevice::WriteOnly);
            photo.save(&buffer, "JPG", 85);
            SlipMedia::addPhoto(folder, account, slip.int16(SlipField::SlipNo), jpeg, QStringLiteral("Al"), at,
                                QString::number(i));
        }
        QImage signature(600, 200, QImage::Format_ARGB32);
        signature.fill(Qt::transparent);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        signature.save(&buffer, "PNG");
        SlipMedia::addSignature(folder, account, slip.int16(SlipField::SlipNo), png, QStringLiteral("M. Chavez"),
                                QStringLiteral("Al"), at, QStringLiteral("s"));
    }
};

void slipFrameWithPhotos(benchmark::State &state, bool firstTime)
{
    static MediaFolder sample;
    SilentMessages messages;
    FixedClock clock(QDateTime(QDate(2026, 12, 8), QTime(9, 0)));
    NoClipboard clipboard;
    NoWeb web;
    NoChoosers choosers;
    NoLayouts layouts;
    Platform platform{messages, clock, clipboard, web, choosers, layouts};
    AppState app(sample.folder);
    RecordingPrintTarget target;
    std::unique_ptr<BoardWindow> window;
    for (auto _ : state) {
        if (firstTime || !window) {
            state.PauseTiming();
            window = std::make_unique<BoardWindow>(BoardWindow::Environment{&layouts, {}}, app, platform, target,
                                                   BoardWindow::InputsSource{});
            window->reload();
            state.ResumeTiming();
        }
        window->board().selectAll(false);
        window->board().tickCell(sample.row, 0);
        window->runAction(BoardWindow::ManageSlip);
        benchmark::DoNotOptimize(window->findChild<QWidget *>(QStringLiteral("fraMedia"))->isVisible());
    }
    state.counters["photos"] = SlipMedia::kMaxPhotos;
}
void BM_SlipFrameWithPhotosFirstTime(benchmark::State &state)
{
    slipFrameWithPhotos(state, true);
}
BENCHMARK(BM_SlipFrameWithPhotosFirstTime)->Unit(benchmark::kMillisecond);
void BM_SlipFrameWithPhotosAgain(benchmark::State &state)
{
    slipFrameWithPhotos(state, false);
}
BENCHMARK(BM_SlipFrameWithPhotosAgain)->Unit(benchmark::kMillisecond);

} // namespace
