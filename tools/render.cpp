#include "tools/render.h"

#include "billing/invoicenumbers.h"
#include "billing/printedinvoices.h"
#include "core/clock.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/seams.h"
#include "core/settings.h"
#include "core/setuplogic.h"
#include "dispatch/invoicenarrative.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipprintvalues.h"
#include "platform/qtprinttarget.h"
#include "printing/blankformlayout.h"
#include "printing/documentsource.h"
#include "printing/invoicelayout.h"
#include "printing/reportlayout.h"
#include "printing/serviceorderlayout.h"

#include <QFileInfo>

namespace {

// Messages of the Qt print target, kept for the tool's own report instead of shown in a box.
class CollectedMessages final : public Messages
{
public:
    void inform(const QString &text, const QString &) override { texts.append(text); }
    bool ask(const QString &, const QString &) override { return false; }
    void beep() override {}
    QStringList texts;
};

} // namespace

RenderResult renderDocuments(const RenderRequest &request)
{
    RenderResult result;
    const QStringList kinds = {QStringLiteral("invoice"), QStringLiteral("order"), QStringLiteral("slip-report"),
                               QStringLiteral("blank")};
    if (!kinds.contains(request.document)) {
        result.message =
            QStringLiteral("unknown document \"%1\" (invoice, order, slip-report or blank)").arg(request.document);
        return result;
    }
    if (!QFileInfo(request.root).isDir()) {
        result.message = QStringLiteral("no data folder at %1").arg(request.root);
        return result;
    }
    const DataFolder folder(request.root);
    const FixedClock clock(QDateTime(request.today, QTime(12, 0)));
    Settings settings;
    settings.readAll(folder, clock);
    DocumentInputs inputs = DocumentSource::inputs(
        folder, settings, !SetupLogic::internationalStyleAtLoad(settings.business), request.today);

    std::vector<Record> slips = LoadActiveSlips(folder);
    if (request.slips) {
        std::vector<Record> chosen;
        for (int number : *request.slips) {
            const auto found = std::find_if(slips.begin(), slips.end(),
                                            [number](const Record &r) { return r.int16(SlipField::SlipNo) == number; });
            if (found == slips.end()) {
                result.message = QStringLiteral("slip %1 is not among the active slips").arg(number);
                return result;
            }
            chosen.push_back(*found);
        }
        slips = std::move(chosen);
    }
    std::vector<SlipPrintValues> values;
    std::vector<SlipReportRow> rows;
    for (const Record &slip : slips) {
        values.push_back(DocumentSource::slipValues(slip));
        rows.push_back(DocumentSource::reportRow(slip));
    }

    CollectedMessages messages;
    QtPrintTarget target(messages);
    target.setMode(QtPrintTarget::Mode::PdfFile);
    target.setPdfFile(request.out);
    PrintOutcome outcome;
    try {
        if (request.document == QLatin1String("invoice")) {
            // The stored number as the program reads it at start, taken and given back as the board does.
            InvoiceNumbers numbers(folder, settings);
            qint32 first = settings.invoiceNumber;
            if (!request.dryRun) {
                if (const auto note = numbers.load(clock))
                    result.note = *note;
                first = numbers.reserve(qint64(values.size()));
            }
            // A trial print leaves the narrative shared with the invoicing program alone.
            InvoiceStarting narrative;
            if (!request.dryRun)
                narrative = [&folder](const InvoiceValues &v) { writeInvoiceNarrative(folder, v.contents); };
            const InvoicePrintResult printed = PrintInvoice(target, inputs, values, first, narrative);
            outcome = printed.outcome;
            result.invoiceNumbersUsed = printed.numbersUsed;
            if (!request.dryRun) {
                numbers.giveBack(first, qint64(values.size()), printed.numbersUsed);
                std::vector<PrintedInvoices::Printed> record;
                for (const InvoicePrintResult::Numbered &n : printed.numbered)
                    record.push_back({n.invoiceNo, n.slipNo, clock.today()});
                PrintedInvoices::record(folder, record);
            }
        } else if (request.document == QLatin1String("order")) {
            for (SlipPrintValues &v : values)
                DocumentSource::addMedia(folder, v);
            outcome = PrintRemitStyle(target, inputs, folder, values);
        } else if (request.document == QLatin1String("slip-report")) {
            outcome = PrintSlipReport(target, inputs, rows);
        } else {
            outcome = printBlankForms(target, inputs, request.count);
        }
    } catch (const DiskError &e) {
        result.message = e.message();
        return result;
    }
    result.documents = outcome.sent;
    if (outcome.failed()) {
        result.message = messages.texts.join(QLatin1Char('\n'));
        return result;
    }
    if (outcome.sent == 0) {
        result.message = request.document == QLatin1String("invoice") || request.document == QLatin1String("order")
                             ? QStringLiteral("nothing to print: no chosen slip is \"Assigned\"")
                             : QStringLiteral("nothing to print");
        return result;
    }
    result.ok = true;
    result.message = QStringLiteral("%1 document(s) written to %2").arg(outcome.sent).arg(request.out);
    if (request.document == QLatin1String("invoice")) {
        result.message += request.dryRun
                              ? QStringLiteral("; the invoice number was left at %1").arg(settings.invoiceNumber)
                              : QStringLiteral("; the next invoice number is %1").arg(settings.invoiceNumber);
    }
    return result;
}
