// The phone page at the largest folder: 32,767 customers and 5,000 active slips, 40 of them one technician's
// today and on the next working day. Every request goes over HTTPS on the loopback address, a new connection
// each time (the most a phone can cost), and the figures include the client's share of the work.
#include "../tests/support/phoneclient.h"
#include "core/clock.h"
#include "core/datafolder.h"
#include "core/formats.h"
#include "core/settings.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipvalues.h"
#include "phone/phoneapi.h"
#include "phone/phoneserver.h"
#include "phone/phonetokens.h"
#include "tools/samplegenerator.h"

#include <QBuffer>
#include <QEventLoop>
#include <QImage>
#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <ctime>
#include <unistd.h>

namespace {

const QDate kToday(2026, 12, 7); // a Monday
const QString kTechnician = QStringLiteral("Bench Technician");

double processCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// The resident memory of this process in MB.
double residentMb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return double(statm.readAll().split(' ').value(1).toLongLong()) * double(sysconf(_SC_PAGESIZE)) / 1048576.0;
}

void runEvents(int msecs)
{
    QEventLoop loop;
    QTimer::singleShot(msecs, &loop, &QEventLoop::quit);
    loop.exec();
}

struct PhoneFolder
{
    QTemporaryDir dir;
    QTemporaryDir certificates;
    DataFolder folder{dir.path()};

    PhoneFolder()
    {
        GenerateOptions options;
        options.customers = GenerateLimits::kCustomers;
        options.slips = 5000;
        options.history = 0;
        options.seed = 41;
        options.today = kToday;
        generateSampleData(folder, options);
        // Every slip active; 40 of them the technician's, half today and half on Tuesday.
        std::vector<Record> all;
        for (const QString &file : {SlipFiles::kActive, SlipFiles::kCompleted, SlipFiles::kFinalized}) {
            for (Record r : folder.readRecords(file, serviceSlipLayout())) {
                if (file != SlipFiles::kActive)
                    r.setText(SlipField::Status, SlipValues::kAssigned);
                all.push_back(r);
            }
        }
        const QStringList &times = SlipValues::timeSlots();
        for (std::size_t i = 0; i < all.size(); ++i) {
            Record &r = all[i];
            if (i % 120 == 0 && i / 120 < 40) {
                r.setText(SlipField::AssignedTo, kTechnician);
                r.setText(SlipField::Status, SlipValues::kAssigned);
                r.setText(SlipField::SchedDate, Formats::shortDate(kToday.addDays(int(i / 120) % 2)));
                r.setText(SlipField::SchedTime, times.value(int(i / 240) % times.size()));
            }
        }
        folder.replaceRecords(SlipFiles::kActive, all);
        folder.replaceRecords(SlipFiles::kCompleted, {});
    }
};

PhoneFolder &phoneFolder()
{
    static PhoneFolder made;
    return made;
}

struct Serving
{
    FixedClock clock{QDateTime(kToday, QTime(9, 0))};
    Settings settings;
    PhoneTokens tokens{phoneFolder().folder, clock};
    PhoneServer server{phoneFolder().folder, settings, clock, tokens};
    QByteArray token;

    Serving()
    {
        token = tokens.pair(kTechnician, QStringLiteral("bench phone")).token.toLatin1();
        PhonePageOptions options;
        options.on = true;
        options.address = QStringLiteral("127.0.0.1");
        options.port = 0;
        if (!server.start(options, phoneFolder().certificates.path()))
            qFatal("%s", qPrintable(server.error()));
    }
    PhoneClient::Answer day(const QByteArray &etag = {})
    {
        return PhoneClient::exchange(
            server.port(), server.certificate(),
            PhoneClient::request("GET", "/api/day", {}, token,
                                 etag.isEmpty() ? QByteArray() : "If-None-Match: " + etag + "\r\n"));
    }
};

// The technician's day from a server just started: nothing read before.
void BM_PhoneDayFreshServer(benchmark::State &state)
{
    phoneFolder();
    for (auto _ : state) {
        state.PauseTiming();
        auto serving = std::make_unique<Serving>();
        state.ResumeTiming();
        const auto answer = serving->day();
        if (answer.status != 200 || answer.body.count("\"slip\":") != 40)
            state.SkipWithError("not the technician's 40 slips");
        state.PauseTiming();
        serving.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PhoneDayFreshServer)->Unit(benchmark::kMillisecond)->Iterations(10);

// The same day asked again after the slips changed on disk (the board saved): read anew.
void BM_PhoneDayAfterAChange(benchmark::State &state)
{
    Serving serving;
    std::vector<Record> slips = phoneFolder().folder.readRecords(SlipFiles::kActive, serviceSlipLayout());
    for (auto _ : state) {
        state.PauseTiming();
        phoneFolder().folder.replaceRecords(SlipFiles::kActive, slips);
        state.ResumeTiming();
        if (serving.day().status != 200)
            state.SkipWithError("no day");
    }
}
BENCHMARK(BM_PhoneDayAfterAChange)->Unit(benchmark::kMillisecond)->Iterations(10);

// Fifty phones each asking once, as they do every ten seconds: the share of one core those ten seconds cost.
void BM_FiftyPhonesTenSeconds(benchmark::State &state)
{
    Serving serving;
    const QByteArray etag = serving.day().headers.value("etag");
    double cpu = 0;
    for (auto _ : state) {
        const double before = processCpuSeconds();
        for (int phone = 0; phone < 50; ++phone) {
            if (serving.day(etag).status != 304)
                state.SkipWithError("the unchanged day was sent again");
        }
        cpu += processCpuSeconds() - before;
    }
    state.counters["core_percent_of_10s"] = 100.0 * cpu / double(state.iterations()) / 10.0;
}
BENCHMARK(BM_FiftyPhonesTenSeconds)->Unit(benchmark::kMillisecond)->Iterations(10);

// A thousand hostile requests: bad tokens, oversized bodies, malformed JSON, path tricks, wrong methods.
void BM_ThousandHostileRequests(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        Serving serving;
        const QList<QByteArray> kinds = {
            PhoneClient::request("GET", "/api/day", {}, "wrongwrongwrongwrong"),
            PhoneClient::request("POST", "/api/slip/1001/complete", QByteArray(6000, '{'), serving.token),
            PhoneClient::request("POST", "/api/slip/1001/complete", "{\"note\":[1", serving.token),
            PhoneClient::request("GET", "/../ServiceSlips.txt"),
            PhoneClient::request("GET", "/%2e%2e/CustomerData.txt"),
            PhoneClient::request("DELETE", "/api/day", {}, serving.token),
        };
        state.ResumeTiming();
        for (int i = 0; i < 1000; ++i) {
            if (PhoneClient::exchange(serving.server.port(), serving.server.certificate(), kinds[i % kinds.size()])
                    .status < 400)
                state.SkipWithError("a hostile request was served");
        }
    }
}
BENCHMARK(BM_ThousandHostileRequests)->Unit(benchmark::kMillisecond)->Iterations(1);

// A phone's day while 1,000 connections are held open against the page: /0 never starting TLS, /1 idle after the
// TLS handshake. The memory is the process's beyond what it held before they came (the clients' share, in this
// same process, included); the host closes all but its caps at once and the rest at their deadlines.
void BM_PhoneDayThousandIdleConnections(benchmark::State &state)
{
    Serving serving;
    serving.day(); // the day read once, as a running office has
    const double before = residentMb();
    std::vector<std::unique_ptr<QSslSocket>> idle;
    for (int i = 0; i < 1000; ++i) {
        auto &socket = idle.emplace_back(std::make_unique<QSslSocket>());
        socket->setPeerVerifyMode(QSslSocket::VerifyNone);
        if (state.range(0))
            socket->connectToHostEncrypted(QStringLiteral("127.0.0.1"), serving.server.port());
        else
            socket->connectToHost(QStringLiteral("127.0.0.1"), serving.server.port());
        if (i % 50 == 49)
            runEvents(20);
    }
    runEvents(500);
    for (auto _ : state) {
        if (serving.day().status != 200)
            state.SkipWithError("the phone was not answered");
    }
    state.counters["extra_memory_mb"] = residentMb() - before;
    state.counters["connections_kept"] = serving.server.openConnections();
}
BENCHMARK(BM_PhoneDayThousandIdleConnections)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(10);

// -- Photos ------------------------------------------------------------------------------------------------------

// A 1600 x 1200 photo as the page sends it (a JPEG of a few hundred KB), in the body of its request.
QByteArray photoRequestBody(const QString &id)
{
    static const QByteArray base64 = [] {
        QImage image(1600, 1200, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, qRgb((x * 7 + y) % 256, (x ^ y) % 256, (x * y / 97) % 256));
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "jpeg", 80);
        return jpeg.toBase64();
    }();
    return "{\"request\":\"" + id.toLatin1() + "\",\"jpeg\":\"" + base64 + "\"}";
}

// The technician's slips, in file order.
std::vector<qint16> technicianSlips()
{
    std::vector<qint16> out;
    for (const Record &r : phoneFolder().folder.readRecords(SlipFiles::kActive, serviceSlipLayout()))
        if (r.text(SlipField::AssignedTo) == kTechnician)
            out.push_back(r.int16(SlipField::SlipNo));
    return out;
}

// A photo from its arrival to its answer: the picture decoded under its bounds, written, flushed and read back.
void BM_PhotoStored(benchmark::State &state)
{
    FixedClock clock{QDateTime(kToday, QTime(9, 0))};
    Settings settings;
    PhoneTokens tokens{phoneFolder().folder, clock};
    PhoneApi api{phoneFolder().folder, settings, clock, tokens};
    const QByteArray token = tokens.pair(kTechnician, QStringLiteral("bench phone")).token.toLatin1();
    const std::vector<qint16> slips = technicianSlips();
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QByteArray path = "/api/slip/" + QByteArray::number(slips[std::size_t(n) % slips.size()]) + "/photo";
        const QByteArray body = photoRequestBody(QStringLiteral("bench-stored-%1").arg(n++));
        state.ResumeTiming();
        const auto reply = api.answer({"POST", path, path, {{"Authorization", "Bearer " + token}}, body, "127.0.0.1"});
        if (reply.status != 200)
            state.SkipWithError(reply.body.constData());
    }
}
BENCHMARK(BM_PhotoStored)->Unit(benchmark::kMillisecond)->Iterations(20);

// A phone's status change answered while fifty phones' photos are on their way and being stored.
void BM_StatusChangeWhileFiftyUpload(benchmark::State &state)
{
    Serving serving;
    ConnectionLimits limits;
    limits.perAddress = 100; // here every phone comes from the one loopback address
    serving.server.setConnectionLimits(limits);
    const std::vector<Record> before = phoneFolder().folder.readRecords(SlipFiles::kActive, serviceSlipLayout());
    const std::vector<qint16> slips = technicianSlips();
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        phoneFolder().folder.replaceRecords(SlipFiles::kActive, before);
        std::vector<std::unique_ptr<QSslSocket>> uploads;
        int answered = 0;
        for (int i = 0; i < 50; ++i) {
            const QByteArray path = "/api/slip/" + QByteArray::number(slips[std::size_t(i) % slips.size()]) + "/photo";
            const QByteArray request = PhoneClient::request(
                "POST", path, photoRequestBody(QStringLiteral("bench-%1-%2").arg(round).arg(i)), serving.token);
            auto &socket = uploads.emplace_back(std::make_unique<QSslSocket>());
            socket->setPeerVerifyMode(QSslSocket::VerifyNone);
            QSslSocket *raw = socket.get();
            QObject::connect(raw, &QSslSocket::encrypted, raw, [raw, request] { raw->write(request); });
            QObject::connect(raw, &QSslSocket::readyRead, raw, [raw, &answered] {
                if (raw->readAll().startsWith("HTTP/1.1 "))
                    ++answered;
            });
            socket->connectToHostEncrypted(QStringLiteral("127.0.0.1"), serving.server.port());
        }
        runEvents(30); // the uploads under way
        ++round;
        const QByteArray start = "/api/slip/" + QByteArray::number(slips.front()) + "/start";
        state.ResumeTiming();
        const auto answer = PhoneClient::exchange(serving.server.port(), serving.server.certificate(),
                                                  PhoneClient::request("POST", start, "{}", serving.token));
        state.PauseTiming();
        if (answer.status != 200)
            state.SkipWithError("the status change was not stored");
        state.counters["photos_answered_before"] = answered;
        for (int i = 0; i < 600 && answered < 50; ++i)
            runEvents(50);
        if (answered < 50)
            state.SkipWithError("not every photo was answered");
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StatusChangeWhileFiftyUpload)->Unit(benchmark::kMillisecond)->Iterations(4);

} // namespace
