#include "billing/invoicemail.h"
#include "core/formats.h"
#include "core/mailsettings.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/visitreminders.h"

#include <QTest>

// The e-mail's texts and whom they go to: the fields of the setup's texts, the invoices that can go and those
// listed as left out, and the visits reminded once each.
class TestMailTexts : public QObject
{
    Q_OBJECT
private slots:
    void fillsFields_data();
    void fillsFields();
    void choosesInvoices();
    void remindsEachVisitOnce_data();
    void remindsEachVisitOnce();
};

void TestMailTexts::fillsFields_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("all fields") << "Dear {Name}, invoice {InvoiceNo} for slip {SlipNo}: {AmountDue} of {Total}. "
                                   "{Business}"
                                << "Dear Ann Smith, invoice A-17 for slip 1204: $1,234.56 of $1,300.00. Varnel Heat";
    QTest::newRow("unknown field stays") << "{Name} {Balance} {}" << "Ann Smith {Balance} {}";
}

void TestMailTexts::fillsFields()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    PricedInvoice invoice;
    invoice.invoiceNo = QStringLiteral(" A-17 ");
    invoice.slipNo = QStringLiteral("1204");
    invoice.total = Money::fromCents(130000);
    invoice.amountDue = Money::fromCents(123456);
    invoice.billTo.name = QStringLiteral("On the slip");
    const auto fields = InvoiceMail::fields(invoice, {QStringLiteral("Ann Smith"), QStringLiteral("a@b.example")},
                                            QStringLiteral("Varnel Heat"));
    QCOMPARE(MailSettings::fill(text, fields), expected);
    QCOMPARE(InvoiceMail::attachmentName(invoice), QStringLiteral("Invoice A-17.pdf"));
    invoice.invoiceNo = QStringLiteral("7/12");
    QCOMPARE(InvoiceMail::attachmentName(invoice), QStringLiteral("Invoice 7-12.pdf"));
}

void TestMailTexts::choosesInvoices()
{
    std::vector<PricedInvoice> invoices(4);
    const char *accounts[] = {"1001", "1002", "1003", "1004"};
    for (std::size_t i = 0; i < invoices.size(); ++i) {
        invoices[i].acctNo = QString::fromLatin1(accounts[i]) + QLatin1Char(' ');
        invoices[i].invoiceNo = QString::number(500 + i);
        invoices[i].billTo.name = QStringLiteral("Slip name");
    }
    const QHash<QString, InvoiceMail::Customer> customers = {
        {"1001", {"Ann Smith", "ann@example.com"}},
        {"1002", {"Bob Jones", ""}},
        {"1003", {"Cy Young", "cy@@example.com"}}}; // 1004 is no longer a customer
    const auto choice = InvoiceMail::choose(invoices, customers, [](const QString &address) -> std::optional<QString> {
        if (address.count(QLatin1Char('@')) == 1)
            return std::nullopt;
        return QStringLiteral("not an address");
    });
    QCOMPARE(choice.toSend, std::vector<std::size_t>{0});
    QCOMPARE(choice.withoutAddress,
             QStringList({"Invoice 501 - Bob Jones (account 1002)", "Invoice 503 - Slip name (account 1004)"}));
    QCOMPARE(choice.refused, QStringList{"Invoice 502 - Cy Young: cy@@example.com (not an address)"});
    QVERIFY(choice.report().contains("no e-mail address.\nInvoice 501"));
    QVERIFY(choice.report().contains("cannot be used.\nInvoice 502"));
}

void TestMailTexts::remindsEachVisitOnce_data()
{
    QTest::addColumn<int>("days");
    QTest::addColumn<int>("state"); // -1 not made, else the visit's state
    QTest::addColumn<QString>("slipDate");
    QTest::addColumn<QString>("queued");
    QTest::addColumn<QString>("expected"); // "date time technician link", one a line

    // Monthly from 12/15/2026 (a Tuesday): 12/15, 1/15, 2/15...; today is 12/8/2026.
    // clang-format off
    QTest::newRow("off") << 0 << -1 << "" << "" << "";
    QTest::newRow("not yet in range") << 6 << -1 << "" << "" << "";
    QTest::newRow("last day of range") << 7 << -1 << "" << "" << "12/15/2026 08:00-10:00 Ray Visit reminder 4/0";
    QTest::newRow("queued before") << 7 << -1 << "" << "Visit reminder 4/0" << "";
    QTest::newRow("skipped") << 7 << 1 << "" << "" << "";
    QTest::newRow("made: the slip's day, time and technician")
        << 7 << 0 << "12/14/2026" << "" << "12/14/2026 10:00-12:00 Sue Visit reminder 4/0";
    QTest::newRow("made, moved into range from later") << 40 << 0 << "12/9/2026" << ""
        << "12/9/2026 10:00-12:00 Sue Visit reminder 4/0\n1/15/2027 08:00-10:00 Ray Visit reminder 4/1";
    QTest::newRow("made, moved to today: too late") << 7 << 0 << "12/8/2026" << "" << "";
    QTest::newRow("made, slip left the board") << 7 << 0 << "gone" << "" << "";
    QTest::newRow("made, unscheduled") << 7 << 0 << "0" << "" << "";
    // clang-format on
}

void TestMailTexts::remindsEachVisitOnce()
{
    QFETCH(int, days);
    QFETCH(int, state);
    QFETCH(QString, slipDate);
    QFETCH(QString, queued);
    QFETCH(QString, expected);
    Agreement a;
    a.id = 4;
    a.acctNo = QStringLiteral("A100");
    a.interval = Agreement::Interval::Months;
    a.start = QDate(2026, 12, 15);
    a.slot = QStringLiteral("08:00-10:00");
    a.technician = QStringLiteral("Ray");
    std::vector<Agreements::Visit> visits;
    std::vector<Record> slips;
    if (state >= 0) {
        visits.push_back({4, 0, QDate(2026, 12, 15), 77, Agreements::VisitState::Made, 0});
        if (state != 0)
            visits.push_back({4, 0, QDate(2026, 12, 15), 77, Agreements::VisitState(state), 0});
    }
    if (!slipDate.isEmpty() && slipDate != "gone") {
        Record slip(serviceSlipLayout());
        slip.setInt16(SlipField::SlipNo, 77);
        slip.setText(SlipField::AcctNo, QStringLiteral("A100"));
        slip.setText(SlipField::SchedDate, slipDate);
        slip.setText(SlipField::SchedTime, QStringLiteral("10:00-12:00"));
        slip.setText(SlipField::AssignedTo, QStringLiteral("Sue"));
        slips.push_back(slip);
    }
    const QSet<QString> queuedLinks = queued.isEmpty() ? QSet<QString>() : QSet<QString>{queued};
    QStringList got;
    for (const auto &r : VisitReminders::choose({a}, visits, slips, QDate(2026, 12, 8), days, queuedLinks))
        got << QStringLiteral("%1 %2 %3 %4").arg(Formats::shortDate(r.day), r.time, r.technician, r.link());
    QCOMPARE(got.join('\n'), expected);
}

QTEST_GUILESS_MAIN(TestMailTexts)
#include "tst_mailtexts.moc"
