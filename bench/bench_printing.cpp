#include "core/datafolder.h"
#include "core/seams.h"
#include "dispatch/invoicenarrative.h"
#include "dispatch/routesheet.h"
#include "dispatch/servicesliprecord.h"
#include "platform/qtprinttarget.h"
#include "printing/invoicelayout.h"
#include "printing/routesheetlayout.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

class SilentMessages final : public Messages
{
public:
    void inform(const QString &, const QString &) override {}
    bool ask(const QString &, const QString &) override { return false; }
    void beep() override {}
};

std::vector<SlipPrintValues> benchSlips(int count)
{
    std::vector<SlipPrintValues> rows;
    rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        SlipPrintValues s;
        s.slipNo = QString::number(1000 + i);
        s.status = QStringLiteral("Assigned");
        s.acctNo = QStringLiteral("ACC%1").arg(i);
        s.name = QStringLiteral("Customer Number %1").arg(i);
        s.address1 = QStringLiteral("%1 Long Meadow Road").arg(i);
        s.city = QStringLiteral("Springfield");
        s.state = QStringLiteral("IL");
        s.postalCode = QStringLiteral("62701");
        s.serviceRequired = QStringLiteral("The furnace makes a rattling noise when it starts and the pilot light "
                                           "goes out after a few minutes.\r\nCustomer asks for a call first.");
        rows.push_back(s);
    }
    return rows;
}

} // namespace

// 1,000 populated invoices, one page each, with the remittance slip, into one PDF file.
static void BM_RenderInvoicesPdf(benchmark::State &state)
{
    QTemporaryDir dir;
    const DataFolder folder(dir.path());
    DocumentInputs inputs;
    inputs.business = {QStringLiteral("Acme Heating and Cooling"),
                       QStringLiteral("12 Main St"),
                       QString(),
                       QStringLiteral("Springfield"),
                       QStringLiteral("IL"),
                       QStringLiteral("62701"),
                       QStringLiteral("555-123-4567"),
                       QString(),
                       QString()};
    inputs.settings.plainPaper = false;
    inputs.currentItems = QStringList{QStringLiteral("Air filter"), QStringLiteral("Blower belt")};
    inputs.today = QDate(2026, 1, 15);
    const auto slips = benchSlips(int(state.range(0)));
    SilentMessages messages;
    QtPrintTarget target(messages);
    target.setMode(QtPrintTarget::Mode::PdfFile);
    target.setPdfFile(dir.filePath(QStringLiteral("invoices.pdf")));
    for (auto _ : state) {
        // As the board prints them: each invoice leaves its narrative for the invoicing program.
        const PrintOutcome outcome = target.run(invoiceAction(
            inputs, slips, 20260001, [&folder](const InvoiceValues &v) { writeInvoiceNarrative(folder, v.contents); }));
        if (!outcome.printed())
            state.SkipWithError(qPrintable(outcome.error));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RenderInvoicesPdf)->Arg(1000)->Unit(benchmark::kMillisecond);

// A technician's route sheet of 40 slips, picked from 5,000 active slips of 255 technicians, into a PDF file.
static void BM_RouteSheetPdf(benchmark::State &state)
{
    using namespace SlipField;
    QTemporaryDir dir;
    std::vector<Record> slips;
    QStringList technicians;
    for (int t = 0; t < 255; ++t)
        technicians << QStringLiteral("Technician %1").arg(t);
    const QStringList times = {QStringLiteral("08:00"), QStringLiteral("10:00-12:00"), QStringLiteral("01:00"),
                               QStringLiteral("None")};
    for (int i = 0; i < 5000; ++i) {
        Record r(serviceSlipLayout());
        r.setInt16(SlipNo, qint16(1000 + i));
        r.setText(Status, QStringLiteral("Assigned"));
        // The first 40 belong to technician 0 on the day; the rest are spread over the others and the month.
        r.setText(AssignedTo, technicians[i < 40 ? 0 : 1 + i % 254]);
        r.setText(SchedDate, QStringLiteral("12/%1/2026").arg(i < 40 ? 7 : 1 + i % 28));
        r.setText(SchedTime, times[i % times.size()]);
        r.setText(Priority, i % 9 == 0 ? QStringLiteral("Emergency") : QStringLiteral("Normal"));
        r.setText(Name, QStringLiteral("Customer Number %1").arg(i));
        r.setText(Telephone, QStringLiteral("555-0100"));
        r.setText(SiteName, QStringLiteral("Customer Number %1").arg(i));
        r.setText(SiteAddress1, QStringLiteral("%1 Long Meadow Road").arg(i));
        r.setText(SiteCity, QStringLiteral("Springfield"));
        r.setText(SiteState, QStringLiteral("IL"));
        r.setText(SitePostalCode, QStringLiteral("62701"));
        r.setText(SiteTelephone, QStringLiteral("555-0101"));
        r.setText(ServiceRequired, QStringLiteral("The furnace makes a rattling noise when it starts and the pilot "
                                                  "light goes out after a few minutes.\r\nCustomer asks for a call "
                                                  "first."));
        slips.push_back(r);
    }
    DocumentInputs inputs;
    inputs.business.name = QStringLiteral("Acme Heating and Cooling");
    inputs.today = QDate(2026, 12, 7);
    SilentMessages messages;
    QtPrintTarget target(messages);
    target.setMode(QtPrintTarget::Mode::PdfFile);
    target.setPdfFile(dir.filePath(QStringLiteral("route.pdf")));
    int stops = 0;
    for (auto _ : state) {
        const auto days = RouteSheet::days(slips, technicians, technicians[0], inputs.today);
        stops = int(days.at(0).stops.size());
        const PrintOutcome outcome = target.run(routeSheetAction(inputs, days));
        if (!outcome.printed())
            state.SkipWithError(qPrintable(outcome.error));
    }
    state.counters["slips"] = stops;
}
// Once in a fresh process (run it alone: --benchmark_filter=RouteSheetPdf/first), fonts and the PDF writer cold.
BENCHMARK(BM_RouteSheetPdf)->Name("BM_RouteSheetPdf/first")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RouteSheetPdf)->Unit(benchmark::kMillisecond);
