// Every document printed with the fonts of this machine: no two texts print over each other, no rule or
// picture crosses a text. The layouts place their lines at fixed positions, so the real font metrics decide.
#include "platform/fakes/recordingprinttarget.h"
#include "printing/blankformlayout.h"
#include "printing/finalizedreport.h"
#include "printing/invoicelayout.h"
#include "printing/moneyreports.h"
#include "printing/pricedinvoicelayout.h"
#include "printing/reportlayout.h"
#include "printing/serviceorderlayout.h"
#include "printsamples.h"
#include "testsupport.h"

#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QRegularExpression>
#include <QtTest>

namespace {

using Op = RecordingSurface::Op;
using Kind = RecordingSurface::Kind;

QFont realFont(const PrintFont &font)
{
    QFont f(font.name);
    // One pixel per twip: a point is 20 twips.
    f.setPixelSize(qMax(1, qRound(font.size * 20)));
    f.setBold(font.bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

// The recording surface, measuring text with the real font as the printer does.
class MeasuredSurface final : public RecordingSurface
{
protected:
    double measureWidth(const PrintFont &font, const QString &text) const override
    {
        return QFontMetricsF(realFont(font)).horizontalAdvance(text);
    }
    double measureHeight(const PrintFont &font) const override { return QFontMetricsF(realFont(font)).height(); }
};

// Where a text's ink lies: from the left of its first visible character to the right of its last, from the
// top of its capitals to the bottom of its descenders.
struct Ink
{
    double left = 0, right = 0, top = 0, bottom = 0, baseline = 0;
};

Ink inkOf(const Op &op)
{
    const QFontMetricsF m(realFont(op.font));
    const QString text = op.text;
    const qsizetype first = text.size() - QString(text).remove(QRegularExpression("^\\s+")).size();
    const QString visible = text.trimmed();
    Ink ink;
    ink.left = op.x + m.horizontalAdvance(text.left(first));
    ink.right = ink.left + m.horizontalAdvance(visible);
    ink.baseline = op.y + m.ascent();
    ink.top = ink.baseline - m.capHeight();
    ink.bottom = ink.baseline + m.descent();
    // Fill lines of underscores are all below the baseline.
    if (visible.count(QLatin1Char('_')) == visible.size())
        ink.top = ink.baseline;
    return ink;
}

QString describe(const Op &op)
{
    return QString("\"%1\" at (%2, %3) size %4").arg(op.text).arg(op.x).arg(op.y).arg(op.font.size);
}

// Every fault of one page, described; with a gap, texts of one line standing closer than that are faults too.
QStringList faultsOf(const MeasuredSurface &surface, double gap = 0)
{
    QStringList faults;
    const auto &ops = surface.ops();
    constexpr double slack = 4; // twips: texts that merely touch do not overlap
    for (std::size_t i = 0; i < ops.size(); ++i) {
        const Op &a = ops[i];
        if (a.kind != Kind::Text || a.text.trimmed().isEmpty())
            continue;
        const Ink ia = inkOf(a);
        for (std::size_t j = i + 1; j < ops.size(); ++j) {
            const Op &b = ops[j];
            if (b.document != a.document || b.page != a.page)
                continue;
            if (b.kind != Kind::Text || b.text.trimmed().isEmpty())
                continue;
            const Ink ib = inkOf(b);
            if (ia.left < ib.right - slack && ib.left < ia.right - slack && ia.top < ib.bottom - slack &&
                ib.top < ia.bottom - slack)
                faults << QString("page %1: %2 overlaps %3").arg(a.page).arg(describe(a), describe(b));
            else if (ia.top < ib.bottom - slack && ib.top < ia.bottom - slack &&
                     std::max(ib.left - ia.right, ia.left - ib.right) < gap)
                faults << QString("page %1: %2 touches %3").arg(a.page).arg(describe(a), describe(b));
        }
        for (const Op &b : ops) {
            if (b.document != a.document || b.page != a.page)
                continue;
            if (b.kind == Kind::Line || b.kind == Kind::Rect) {
                // A box is its four sides.
                std::vector<std::array<double, 4>> lines;
                if (b.kind == Kind::Line)
                    lines.push_back({b.x, b.y, b.x2, b.y2});
                else
                    lines = {
                        {b.x, b.y, b.x2, b.y}, {b.x, b.y2, b.x2, b.y2}, {b.x, b.y, b.x, b.y2}, {b.x2, b.y, b.x2, b.y2}};
                for (const auto &[x1, y1, x2, y2] : lines) {
                    const bool crosses =
                        y1 == y2 ? (y1 > ia.top + slack && y1 < ia.baseline - slack &&
                                    std::min(x1, x2) < ia.right - slack && std::max(x1, x2) > ia.left + slack)
                                 : (x1 > ia.left + slack && x1 < ia.right - slack &&
                                    std::min(y1, y2) < ia.baseline - slack && std::max(y1, y2) > ia.top + slack);
                    if (crosses)
                        faults << QString("page %1: a rule at (%2, %3) strikes through %4")
                                      .arg(a.page)
                                      .arg(x1)
                                      .arg(y1)
                                      .arg(describe(a));
                }
            } else if (b.kind == Kind::Picture) {
                if (ia.left < b.x2 && b.x < ia.right && ia.top < b.y2 && b.y < ia.bottom)
                    faults << QString("page %1: the logo covers %2").arg(a.page).arg(describe(a));
            }
        }
        if (ia.left < 0 || ia.right > surface.pageWidth() + slack || ia.top < 0)
            faults << QString("page %1: %2 leaves the paper").arg(a.page).arg(describe(a));
    }
    return faults;
}

// The values of a document printed cut: a date or an amount (`whole`) anywhere but whole, another text neither
// whole nor ending in "..." where it is cut (lines that wrap count whole when every line of them prints).
QStringList cutsOf(const MeasuredSurface &surface, const QStringList &whole, const QStringList &texts)
{
    QStringList faults, printed;
    for (const Op &op : surface.ops()) {
        if (op.kind == Kind::Text)
            printed << op.text.simplified();
    }
    const QString all = printed.join(' ');
    for (const QString &v : whole) {
        if (!all.contains(v))
            faults << QString("%1 is not printed whole").arg(v);
        for (const QString &t : printed) {
            for (qsizetype k = 3; k < v.size(); ++k) {
                if (t.endsWith(v.left(k)) || t.contains(v.left(k) + "..."))
                    faults << QString("%1 is cut in \"%2\"").arg(v, t);
            }
        }
    }
    for (const QString &v : texts) {
        bool shown = all.contains(v);
        for (qsizetype k = v.size() - 1; k > 0 && !shown; --k)
            shown = all.contains(v.left(k).trimmed() + "...");
        if (!shown)
            faults << QString("%1 is cut without a mark").arg(v);
    }
    return faults;
}

} // namespace

class TestPrintOverlap : public QObject
{
    Q_OBJECT

    TestRoot m_root;
    QString m_logo;

    DocumentInputs inputs(bool usaStyle, bool plainPaper, bool populate) const
    {
        DocumentInputs in = samplePrintInputs();
        in.business = {"Northern Plumbing Heating and Air Conditioning Services",
                       "12345 Industrial Parkway Building 7",
                       "Suite 1200 Attention Accounts Dept",
                       usaStyle ? "West Springfield Township" : "Kensington and Chelsea District",
                       usaStyle ? "MA" : "Greater London, England",
                       usaStyle ? "01089-4455" : "",
                       "(413) 555-0100 ext 2233",
                       "Licensed, Bonded and Insured #HVAC-99812",
                       "www.northern-plumbing-heating.example.com"};
        in.settings.usaAddressStyle = usaStyle;
        in.settings.plainPaper = plainPaper;
        in.settings.populate = populate;
        in.settings.logoPath = m_logo;
        in.settings.logoWidth = 1800;
        in.settings.logoHeight = 1800;
        in.settings.invoiceCopies = 2;
        in.currentItems.clear();
        for (int i = 1; i <= 8; ++i)
            in.currentItems << QString("Replacement Part Number %1 Heavy Duty Assembly Kit W%1").arg(i);
        return in;
    }

    static SlipPrintValues longSlip(bool usaStyle)
    {
        SlipPrintValues s = sampleSlip("32767", "Assigned", {});
        s.acctNo = "WWWWWWWWWWWWWWWWWWWW";
        s.name = "Bartholomew Maximilian Worthington-Fairweather III";
        s.address1 = "98765 Wildflower Meadow Boulevard West";
        s.address2 = "Apartment 4417 Building Q Rear Entrance";
        s.city = usaStyle ? "Rancho Santa Margarita Heights" : "Hammersmith Borough";
        s.state = usaStyle ? "CA" : QString();
        s.postalCode = usaStyle ? "92688-1234" : "Greater London W6 9XY England";
        // Signed on the phone by a long name, the signature's picture stored beside the logo.
        s.media.signaturePath = QDir::temp().filePath("vd-overlap-signature.png");
        s.media.signedText = "Signed by Bartholomew Worthington-Fairweather 12/31/2026 23:59";
        s.schedDate = "12/31/2026";
        s.schedTime = "01:00 PM - 02:00 PM";
        s.serviceRequired = QStringLiteral("The furnace makes a loud banging noise whenever the blower starts and "
                                           "the thermostat display flickers; customer reports the pilot light "
                                           "going out twice a day since the last storm, and a smell of gas near "
                                           "the water heater in the basement utility room. ")
                                .repeated(6);
        return s;
    }

    void check(const PrintAction &action)
    {
        MeasuredSurface surface;
        const PrintOutcome outcome = printJobs(surface, action);
        QVERIFY(outcome.printed() && !surface.ops().empty());
        const QStringList faults = faultsOf(surface);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    }

private slots:
    void initTestCase()
    {
        useTestSettingsStore();
        const QFontInfo arial(QFont("Arial"));
        if (!arial.family().contains("Arial") && !arial.family().contains("Liberation Sans"))
            QSKIP("neither Arial nor its metric-compatible Liberation Sans is installed (scripts/deps.sh)");
        QImage picture(64, 64, QImage::Format_RGB32);
        picture.fill(Qt::darkBlue);
        m_logo = m_root.file("/logo.png");
        QVERIFY(picture.save(m_logo));
        QVERIFY(picture.scaled(600, 200).save(longSlip(true).media.signaturePath));
    }

    void documentsPrintClear_data()
    {
        dataColumns<QString, bool, bool>("document", "usaStyle", "plainPaper");
        for (const bool usa : {true, false}) {
            for (const bool plain : {true, false}) {
                const QString style =
                    QString("%1, %2").arg(usa ? "USA" : "international", plain ? "plain paper" : "remittance slip");
                for (const char *document : {"invoice", "blank invoice", "blank form"})
                    QTest::newRow(qPrintable(QString("%1, %2").arg(document, style)))
                        << QString::fromLatin1(document) << usa << plain;
            }
            const QString style = usa ? "USA" : "international";
            for (const char *document : {"service order", "slip report", "logo sample"})
                QTest::newRow(qPrintable(QString("%1, %2").arg(document, style)))
                    << QString::fromLatin1(document) << usa << true;
        }
    }

    void documentsPrintClear()
    {
        auto [document, usaStyle, plainPaper] = fetched<QString, bool, bool>("document", "usaStyle", "plainPaper");
        TestRoot root;
        const SlipPrintValues slip = longSlip(usaStyle);
        const DocumentInputs in = inputs(usaStyle, plainPaper, document != "blank invoice");
        const std::vector<SlipReportRow> rows(40,
                                              {"32767", "Emergency", "Christopher Montgomery-Alexander", "In Progress",
                                               slip.name, "12/31/2026", "12/31/2026 01:00 PM - 02:00 PM"});
        check(document.endsWith("invoice")  ? invoiceAction(in, {slip}, 2147483000)
              : document == "blank form"    ? blankFormsAction(in, 1)
              : document == "service order" ? serviceOrderAction(in, root.folder(), {slip})
              : document == "slip report"   ? slipReportAction(in, rows)
                                            : logoSampleAction(in));
    }

    // The money documents with the widest values they hold, in Arial and in two wider fonts: dates and amounts
    // whole, other texts whole or marked where cut, and the texts of a line at least 1/20 inch (72 twips) apart.
    void moneyDocumentsPrintClear_data()
    {
        dataColumns<QString, QString>("document", "font");
        for (const char *font : {"Arial", "DejaVu Sans", "Courier New"}) {
            for (const char *document : {"invoice", "priced invoice", "reprint", "income report",
                                         "account income report", "finalized report", "who still owes"})
                QTest::newRow(qPrintable(QString("%1, %2").arg(document, font))) << document << font;
        }
    }

    void moneyDocumentsPrintClear()
    {
        auto [document, font] = fetched<QString, QString>("document", "font");
        DocumentInputs in = inputs(true, false, true);
        in.settings.fontName = font;
        in.settings.applyTax1 = in.settings.applyTax2 = true;
        in.settings.taxHeading1 = "Metropolitan Transit";
        in.settings.taxHeading2 = "County Sales Tax XYZ";
        in.today = QDate(2026, 12, 31);
        const QString date = "12/31/2026", million = "$1,234,567.89", most = "$922,337,203,685,477.58";
        const Money m = Money::fromCents(123456789), x = Money::fromRaw(std::numeric_limits<qint64>::max());
        const SlipPrintValues slip = longSlip(true);
        const QString invoiceNo = "WWWWWWWWWW2147483647", payForm = "Ck # 9999999999999999";
        QStringList whole = {date}, texts = {slip.name, slip.acctNo, in.business.name, in.business.address1};
        PrintAction action;
        if (document == "invoice") {
            texts << in.currentItems.first() << in.settings.taxHeading1 << in.settings.taxHeading2;
            action = invoiceAction(in, {slip}, 2147483000);
        } else if (document.endsWith("invoice") || document == "reprint") {
            const bool reprint = document == "reprint";
            const SoldTo to = soldToOf(slip);
            const Money big = reprint ? x : m;
            const std::vector<PricedInvoice::Tax> taxes = {{in.settings.taxHeading1, "7.125", big},
                                                           {in.settings.taxHeading2, "", m}};
            PricedInvoice p{invoiceNo, date,  "32767", slip.acctNo, to,      to,   slip.serviceRequired,
                            big,       taxes, big,     payForm,     reprint, true, reprint ? date : QString(),
                            big};
            std::tie(p.signaturePath, p.signedText) = std::tie(slip.media.signaturePath, slip.media.signedText);
            whole << million << (reprint ? most : million);
            texts << invoiceNo << payForm << in.settings.taxHeading1 << in.settings.taxHeading2;
            action = pricedInvoiceAction(in, {p});
        } else if (document.endsWith("income report")) {
            IncomeReportValues r;
            for (int i = 0; i < 30; ++i)
                r.rows.push_back(
                    {date, invoiceNo, slip.acctNo, slip.name, payForm, i % 2 ? m : x, x, i % 2 ? most : million});
            r.count = 32767;
            r.total = r.preTax = r.taxes = r.received = r.receivedLater = r.owed = x;
            r.byTax = {{in.settings.taxHeading1, m}, {in.settings.taxHeading2, x}};
            for (const char *name : {"Cash", "Check", "Credit Card", "Not Collected", "Other"})
                r.byPayForm.push_back({name, 32767, x}), r.receivedByPayForm.push_back({name, 32767, m});
            r.showsOwed = document.startsWith("account");
            whole << million << most;
            texts << invoiceNo << payForm << in.settings.taxHeading1 << in.settings.taxHeading2;
            action = incomeReportAction(in, {in.today, in.today, r.showsOwed ? slip.acctNo : QString()}, r);
        } else if (document == "finalized report") {
            std::vector<FinalizedReportRow> rows;
            for (int i = 0; i < 30; ++i)
                rows.push_back(
                    {"32767", date, slip.acctNo, slip.name, invoiceNo, payForm, i % 2 ? million : most, "Finalized"});
            whole << million << most;
            texts << invoiceNo << payForm << "Finalized";
            action = finalizedReportAction(in, rows);
        } else {
            ReceivablesReportValues r;
            for (int i = 0; i < 30; ++i)
                r.accounts.push_back({slip.acctNo, slip.name, i % 2 ? m : x, in.today, 36500, {m, x, m, x}});
            r.totals = {x, x, x, x};
            r.total = x;
            whole << million << most;
            action = receivablesAction(in, r);
        }
        MeasuredSurface surface;
        QVERIFY(printJobs(surface, action).printed() && !surface.ops().empty());
        const QStringList faults = faultsOf(surface, 72) + cutsOf(surface, whole, texts);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.mid(0, 20).join(QLatin1Char('\n'))));
    }

    // The check itself finds what it is meant to find.
    void overlapsAreFound()
    {
        MeasuredSurface surface, ruled, clear;
        for (MeasuredSurface *s : {&surface, &ruled, &clear}) {
            s->SetupPrinter("Portrait", true);
            s->SetPrintPosition(1, 1);
        }
        surface.printOnLine("AMOUNT ENCLOSED");
        surface.SetPrintPosition(1.5, 1);
        surface.print("01089");
        QCOMPARE(faultsOf(surface).size(), 1);
        ruled.print("PRE-TAX TOTAL");
        ruled.drawLine(inches(0.5), inches(1) + 120, inches(4), inches(1) + 120, 0);
        QCOMPARE(faultsOf(ruled).size(), 1);
        // A text on its rule, and the next line below it, are clear.
        clear.print("Charge");
        clear.print("Charge");
        clear.drawLine(inches(0.5), clear.currentY(), inches(4), clear.currentY(), 0);
        QVERIFY2(faultsOf(clear).isEmpty(), qPrintable(faultsOf(clear).join('\n')));
    }
};

QTEST_MAIN(TestPrintOverlap)
#include "tst_printoverlap.moc"
