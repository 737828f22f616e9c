#include "platform/printrunner.h"
#include "core/seams.h"
#include "printing/invoicelayout.h"

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
        const PrintOutcome outcome = target.run(invoiceAction(inputs, folder, slips, 20260001));
        if (!outcome.printed())
            state.SkipWithError(qPrintable(outcome.error));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RenderInvoicesPdf)->Arg(1000)->Unit(benchmark::kMillisecond);
