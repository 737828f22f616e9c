// E-mail: queueing a day's invoices into the outbox (each message written, read back and named in one guarded
// append), and queueing and sending them all to the tests' own SMTP server on 127.0.0.1 (STARTTLS, AUTH),
// each send marked on disk before and after. Goals: 1,000 queued <= 2 s; 1,000 queued and sent <= 60 s.
#include "billing/mailoutbox.h"
#include "billing/mailsending.h"
#include "core/clock.h"
#include "core/datafolder.h"
#include "tests/support/mailserving.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

std::vector<MailMessage> invoices(int count)
{
    QByteArray pdf("%PDF-1.4\n");
    pdf.resize(30000, 'x'); // an invoice's PDF is some 30 KB
    std::vector<MailMessage> out;
    for (int i = 0; i < count; ++i) {
        const QString n = QString::number(10000 + i);
        out.push_back({QStringLiteral("Customer %1").arg(n),
                       QStringLiteral("c%1@example.com").arg(n),
                       QStringLiteral("Invoice %1 from Varnel Heating").arg(n),
                       QStringLiteral("Dear Customer,\nplease find attached invoice %1.\n").arg(n),
                       {{QStringLiteral("Invoice %1.pdf").arg(n), QStringLiteral("application/pdf"), pdf}},
                       n,
                       QStringLiteral("Invoice %1").arg(n),
                       {},
                       {}});
    }
    return out;
}

void BM_QueueInvoices(benchmark::State &state)
{
    const SystemClock clock;
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        const DataFolder folder(dir.path());
        std::vector<MailMessage> batch = invoices(int(state.range(0)));
        state.ResumeTiming();
        const auto queued = MailOutbox(folder, clock).queue(std::move(batch), QStringLiteral("office@varnel.test"));
        if (queued.ids.size() != state.range(0))
            state.SkipWithError("not every message was queued");
    }
}
BENCHMARK(BM_QueueInvoices)->Arg(1000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_QueueAndSendInvoices(benchmark::State &state)
{
    const SystemClock clock;
    MailServer server;
    if (!server.ready()) {
        state.SkipWithError("the mail server (python3-aiosmtpd) did not start");
        return;
    }
    CurlMailSender sender = server.sender();
    const std::atomic_bool noStop{false};
    for (auto _ : state) {
        QTemporaryDir dir;
        const DataFolder folder(dir.path());
        MailOutbox(folder, clock).queue(invoices(int(state.range(0))), QStringLiteral("office@varnel.test"));
        QString lastRefusal;
        const auto result = MailSending::sendDue(folder, clock, sender, noStop, [&](const MailSending::Progress &p) {
            if (!p.last.contains(QStringLiteral(": 250 ")))
                lastRefusal = p.last;
        });
        if (result.sent != state.range(0))
            state.SkipWithError(
                qPrintable(QStringLiteral("sent %1: %2 %3").arg(result.sent).arg(result.error, lastRefusal)));
    }
    state.SetLabel("STARTTLS and AUTH to 127.0.0.1");
}
BENCHMARK(BM_QueueAndSendInvoices)->Arg(1000)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
