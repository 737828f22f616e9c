#include "accounts/customerfile.h"
#include "accounts/customerrecord.h"
#include "accounts/servicecatalogue.h"
#include "app/appstate.h"
#include "billing/mailoutbox.h"
#include "core/mailsettings.h"
#include "dispatch/agreements.h"
#include "gui/app/mailoffice.h"
#include "gui/app/mailsetuppage.h"
#include "gui/app/outboxwindow.h"
#include "gui/app/setupscreen.h"
#include "gui/billing/historywindow.h"
#include "gui/widgets/flexgrid.h"
#include "platform/fakes/fakeplatform.h"
#include "platform/fakes/recordingmailsender.h"
#include "printing/documentsource.h"
#include "testsupport.h"
#include "tooltesting.h"
#include "widgettesting.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

namespace {

// The test's mail server: every run's sender hands the messages to the one recorder.
struct ToRecorder final : MailSender
{
    RecordingMailSender *recorder;
    MailOutcome send(const MailMessage &message) override { return recorder->send(message); }
};

// A generated folder set up to e-mail, the office's e-mail on the recorder.
struct MailDesk
{
    TestRoot root;
    FakePlatform fake;
    AppState state{root.folder()};
    RecordingMailSender server;
    std::unique_ptr<MailOffice> office;

    MailDesk()
    {
        generateSmall(root);
        fake.clock.set(toolClock().now());
        state.settings.loadAll(state.folder, fake.clock);
        MailSettings mail;
        mail.host = "127.0.0.1";
        mail.senderAddress = "office@acme.example";
        mail.save(state.folder);
        office = std::make_unique<MailOffice>(state.folder, state.settings, fake.clock, fake.messages,
                                              [this](const MailSettings &, const QString &) {
                                                  auto sender = std::make_unique<ToRecorder>();
                                                  sender->recorder = &server;
                                                  return sender;
                                              });
    }
    // Queues one message per account given, "Invoice n" each.
    void queue(const QStringList &accounts)
    {
        std::vector<MailMessage> messages;
        for (const QString &acct : accounts)
            messages.push_back({.toName = "Cust " + acct,
                                .toAddress = acct.toLower() + "@example.com",
                                .subject = "Subject",
                                .account = acct,
                                .kind = "Invoice " + acct});
        QVERIFY(MailOutbox(state.folder, fake.clock).queue(messages, "office@acme.example").verdict.isDone());
    }
};

} // namespace

class TestMailWindows : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { useTestSettingsStore(); }
    void setupTabTestsAndSaves_data();
    void setupTabTestsAndSaves();
    void outboxListsCancelsAndSendsAgain();
    void invoicesEmailedOnceEach();
    void remindsEachVisitOnce();
};

void TestMailWindows::setupTabTestsAndSaves_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("said");
    QTest::newRow("accepted") << 250 << "The server took the test message for me@acme.example. It answered: 250 OK";
    QTest::newRow("refused") << 535 << "The test message was not sent. The server answered: 535 Authentication failed";
}

void TestMailWindows::setupTabTestsAndSaves()
{
    QFETCH(int, code);
    QFETCH(QString, said);
    MailDesk desk;
    if (code != 250)
        desk.server.failNext(MailOutcome::Kind::Refused, code, "535 Authentication failed");
    Platform platform = desk.fake.platform();
    SetupScreen setup(desk.state, platform, {});
    setup.mailPage()->setTestSender([&](const MailSettings &s, const QString &password, auto answered) {
        desk.office->sendTest(s, password, std::move(answered));
    });
    setup.show();
    child<QTabWidget>(&setup, "tabSetup")->setCurrentIndex(1);
    child<QTabWidget>(&setup, "SSTab1")->setCurrentWidget(setup.mailPage());
    QCOMPARE(child<QLineEdit>(&setup, "txtMailHost")->text(), "127.0.0.1"); // as stored
    child<QLineEdit>(&setup, "txtMailSenderAddress")->setText("me@acme.example");
    child<QLineEdit>(&setup, "txtMailPassword")->setText("s3cret");
    child<QComboBox>(&setup, "cboMailSecurity")->setCurrentIndex(1); // SMTPS: its usual port follows
    QCOMPARE(child<QLineEdit>(&setup, "txtMailPort")->text(), "465");
    auto *answer = child<QLabel>(&setup, "lblMailTestAnswer");
    click(setup, "cmdMailTest");
    QTRY_COMPARE(answer->text(), said);
    QCOMPARE(desk.server.tried.size(), 1u);
    QCOMPARE(desk.server.tried[0].toAddress, "me@acme.example");
    QVERIFY(MailOutbox(desk.state.folder, desk.fake.clock).entries().empty()); // a test is not in the outbox

    click(setup, "cmdSave");
    MailSettings stored;
    stored.load(desk.state.folder);
    QCOMPARE(stored.senderAddress, "me@acme.example");
    QCOMPARE(stored.security, MailSettings::Security::Smtps);
    QCOMPARE(MailSettings::loadPassword(), "s3cret");
    QVERIFY(!desk.root.read(MailSettings::kFile).contains("s3cret"));
    QVERIFY(runTool({"check", desk.root.path()}).out.trimmed().isEmpty());
}

void TestMailWindows::outboxListsCancelsAndSendsAgain()
{
    MailDesk desk;
    desk.queue({"B2", "A1", "C3", "A1"});
    desk.server.failNext(MailOutcome::Kind::Refused, 550, "550 5.1.1 Mailbox unavailable");
    desk.server.failNext(MailOutcome::Kind::RetryLater, 451, "451 Try again later");
    std::atomic_bool stop = false;
    MailSending::sendDue(desk.state.folder, desk.fake.clock, desk.server, stop);

    OutboxWindow w(desk.state.folder, desk.fake.clock, desk.fake.messages);
    w.show();
    FlexGrid *grid = w.grid();
    const auto column = [&](int col) {
        QStringList texts;
        for (int row = 1; row < grid->rows(); ++row)
            texts << grid->text(row, col);
        return texts;
    };
    // Per customer, each one's in the order queued; the server's answer beside each failure.
    QCOMPARE(column(0), QStringList({"A1", "A1", "B2", "C3"}));
    QCOMPARE(column(4), QStringList({"waiting", "sent", "failed", "sent"}));
    QCOMPARE(column(8).mid(0, 3), QStringList({"451 Try again later", "250 OK", "550 5.1.1 Mailbox unavailable"}));
    auto *customer = child<QComboBox>(&w, "cboOutboxCustomer");
    customer->setCurrentIndex(customer->findData("A1"));
    QCOMPARE(column(0), QStringList({"A1", "A1"}));
    customer->setCurrentIndex(0);

    QSignalSpy sendAsked(&w, &OutboxWindow::sendRequested);
    MailOutbox outbox(desk.state.folder, desk.fake.clock);
    QVERIFY(outbox.due(desk.fake.clock.now()).isEmpty()); // the 451 waits for its next try...
    click(w, "cmdOutboxSendNow");
    QCOMPARE(outbox.due(desk.fake.clock.now()).size(), 1); // ...which Send Now makes now
    grid->setCurrentRow(3);
    click(w, "cmdOutboxSendAgain");
    QCOMPARE(column(4)[2], "waiting");
    QCOMPARE(sendAsked.size(), 2);
    grid->setCurrentRow(1);
    click(w, "cmdOutboxCancel");
    QCOMPARE(column(4)[0], "cancelled");
    grid->setCurrentRow(2);
    click(w, "cmdOutboxCancel"); // sent already: the outbox says why, nothing changes
    QCOMPARE(desk.fake.messages.texts(), QStringList{"This e-mail has been sent already."});
    QCOMPARE(column(4), QStringList({"cancelled", "sent", "waiting", "sent"}));
    QVERIFY(runTool({"check", desk.root.path()}).out.trimmed().isEmpty());
}

void TestMailWindows::invoicesEmailedOnceEach()
{
    MailDesk desk;
    HistoryWindow w({&desk.fake.layouts, {}}, desk.state, desk.fake.messages, desk.fake.clock, {});
    w.setPrinting(nullptr, [&] {
        return DocumentSource::inputs(desk.state.folder, desk.state.settings, true, desk.fake.clock.today());
    });
    w.setMailing([&](QWidget *parent, const std::vector<PricedInvoice> &invoices, const DocumentInputs &inputs) {
        desk.office->emailInvoices(parent, invoices, inputs);
    });
    w.show();
    click(w, "cmdIncome_3"); // all time
    // The first days' invoices, as the grid lists them.
    constexpr int kChosen = 20;
    QItemSelectionModel *selection = w.financialGrid()->view()->selectionModel();
    for (int row = 0; row < kChosen; ++row)
        selection->select(w.financialGrid()->view()->model()->index(row, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QSignalSpy finished(&desk.office->sendRun(), &MailSendRun::finished);
    click(w, "cmdEmailInvoices");
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 30000); // emitted on the run's thread, maybe before a wait
    const QString said = desk.fake.messages.texts().join('\n');
    QVERIFY2(said.contains(" put in the outbox to be e-mailed."), qPrintable(said));
    const int without = said.count("(account ");
    QCOMPARE(int(desk.server.sent.size()) + without, kChosen);
    QVERIFY(desk.server.sent.size() > 2);
    QSet<QString> seen;
    for (const MailMessage &m : desk.server.sent) {
        QVERIFY2(!seen.contains(m.account + m.kind), qPrintable(m.kind)); // each invoice once
        seen.insert(m.account + m.kind);
        QCOMPARE(m.attachments.size(), 1u);
        QCOMPARE(m.attachments[0].fileName, m.kind + ".pdf");
    }
    for (const MailMessage &m : desk.server.sent) { // each attachment is its own invoice
        if (!havePdfToText())
            break;
        desk.root.write("/mailed.pdf", m.attachments[0].bytes);
        QVERIFY(pdfText(desk.root.file("/mailed.pdf")).contains("Invoice No: " + m.kind.mid(8)));
        QFile::remove(desk.root.file("/mailed.pdf"));
    }

    // Chosen again: asked about, and No leaves them be.
    desk.fake.messages.answer(false);
    click(w, "cmdEmailInvoices");
    const QStringList again = desk.fake.messages.texts().mid(desk.fake.messages.texts().size() - 2);
    QVERIFY2(again[0].startsWith("These invoices are in the outbox already"), qPrintable(again[0]));
    QVERIFY(again[1].startsWith("0 invoices were put in the outbox"));
    for (const OutboxEntry &e : MailOutbox(desk.state.folder, desk.fake.clock).entries())
        QCOMPARE(e.state, OutboxEntry::State::Sent);
    const ToolRun check = runTool({"check", desk.root.path()});
    QVERIFY2(check.out.trimmed().isEmpty(), qPrintable(check.out));
}

void TestMailWindows::remindsEachVisitOnce()
{
    MailDesk desk;
    MailSettings mail;
    mail.load(desk.state.folder);
    mail.reminderDays = 7;
    mail.save(desk.state.folder);
    Record customer(customerLayout());
    for (const Record &r : desk.state.folder.readRecords(CustomerFile::kPath, customerLayout()))
        if (customer.text(CustomerField::Email).isEmpty())
            customer = r;
    Agreement a;
    a.acctNo = customer.text(CustomerField::AcctNo);
    a.services = {servicesPickList(LoadCatalogue(desk.state.folder)).value(0)};
    a.interval = Agreement::Interval::Weeks;
    a.start = desk.fake.clock.today().addDays(3);
    a.slot = "10:00-12:00";
    QVERIFY(Agreements::save(desk.state.folder, a).isDone());
    QCOMPARE(desk.office->queueReminders(), 1);
    QCOMPARE(desk.office->queueReminders(), 0); // once per visit
    const auto entries = MailOutbox(desk.state.folder, desk.fake.clock).entries();
    QCOMPARE(entries[0].kind, QString("Visit reminder %1/0").arg(a.id));
    QCOMPARE(entries[0].toAddress, customer.text(CustomerField::Email));
    const auto message = MailOutbox(desk.state.folder, desk.fake.clock).message(entries[0].id);
    QVERIFY2(message->body.contains(" between 10:00-12:00. Your technician will be named before the visit."),
             qPrintable(message->body));
}

QTEST_MAIN(TestMailWindows)
#include "tst_mailwindows.moc"
