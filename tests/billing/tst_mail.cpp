#include "billing/mailoutbox.h"
#include "billing/mailsending.h"
#include "core/clock.h"
#include "crashsupport.h"
#include "mailserving.h"
#include "platform/fakes/recordingmailsender.h"
#include "tooltesting.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QSignalSpy>
#include <QThread>
#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

using Kind = MailOutcome::Kind;
using State = OutboxEntry::State;
Q_DECLARE_METATYPE(MailSettings::Security)

namespace {

MailMessage invoice(const QString &account, const QString &address, int pdfBytes = 3000)
{
    QByteArray pdf("%PDF-1.4\n");
    for (int i = 0; pdf.size() < pdfBytes; ++i)
        pdf += char(i * 7919 % 256);
    return {QStringLiteral("Zoë O'Hara"),
            address,
            QStringLiteral("Rechnung für %1").arg(account),
            QStringLiteral("Dear Zoë,\nyour invoice.\n.\nThanks"),
            {{QStringLiteral("Invoice %1.pdf").arg(account), QStringLiteral("application/pdf"), pdf}},
            account,
            QStringLiteral("Invoice %1").arg(account),
            {},
            {}};
}

QString sha256(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

// How many copies of each message the server kept, by Message-ID.
QHash<QString, int> copies(const MailServer &server)
{
    QHash<QString, int> out;
    for (const QJsonObject &m : server.received())
        ++out[m["messageId"].toString()];
    return out;
}

// A sender that stops the program (a kill) right after the server accepted.
struct KilledAfterAccept final : MailSender
{
    MailSender &inner;
    explicit KilledAfterAccept(MailSender &s)
        : inner(s)
    {}
    MailOutcome send(const MailMessage &m) override
    {
        if (inner.send(m).accepted())
            throw Crash();
        return {};
    }
};

// A sender whose connection takes a while to close (a server slow to answer QUIT).
struct SlowToClose final : MailSender
{
    RecordingMailSender inner;
    ~SlowToClose() override { QThread::msleep(300); }
    MailOutcome send(const MailMessage &m) override { return inner.send(m); }
};

} // namespace

class TestMail : public QObject
{
    Q_OBJECT

    TestRoot root;
    FixedClock clock{QDateTime(QDate(2026, 12, 8), QTime(9, 0))};
    std::atomic_bool noStop{false};

    QStringList queueTwo(const DataFolder &folder)
    {
        const auto queued =
            MailOutbox(folder, clock)
                .queue({invoice("1001", "ann@example.com"), invoice("1002", "bob@example.org")}, "office@varnel.test");
        return queued.ids;
    }

private slots:
    void initTestCase() { useTestSettingsStore(); }

    // What each answer of a real server becomes; what it kept is the message as given, sent with STARTTLS or
    // SMTPS after logging in, the office's copy among the recipients.
    void serverAnswers_data()
    {
        dataColumns<MailSettings::Security, QByteArray, QString, int, Kind, int, int>(
            "security", "mode", "password", "pdfBytes", "kind", "code", "kept");
        const auto tls = MailSettings::Security::StartTls;
        dataRow("STARTTLS, accepted", tls, QByteArray("accept"), MailServer::kPassword, 3000, Kind::Accepted, 250, 1);
        dataRow("SMTPS, accepted", MailSettings::Security::Smtps, QByteArray("accept"), MailServer::kPassword, 70000,
                Kind::Accepted, 250, 1);
        dataRow("no STARTTLS offered: nothing sent", tls, QByteArray("notls"), MailServer::kPassword, 3000,
                Kind::RetryLater, 0, 0);
        dataRow("4xx: later", tls, QByteArray("4xx"), MailServer::kPassword, 3000, Kind::RetryLater, 451, 0);
        dataRow("5xx: for good", tls, QByteArray("5xx"), MailServer::kPassword, 3000, Kind::Refused, 554, 0);
        dataRow("recipient refused", tls, QByteArray("rcpt5xx"), MailServer::kPassword, 3000, Kind::Refused, 550, 0);
        dataRow("wrong password: later", tls, QByteArray("accept"), QStringLiteral("guess"), 3000, Kind::RetryLater,
                535, 0);
        dataRow("dropped in the data", tls, QByteArray("drop"), MailServer::kPassword, 4000000, Kind::RetryLater, 0, 0);
        dataRow("no answer after the data", tls, QByteArray("hangup"), MailServer::kPassword, 3000, Kind::Unknown, 0,
                1);
        dataRow("no server", tls, QByteArray("absent"), MailServer::kPassword, 3000, Kind::RetryLater, 0, 0);
    }
    void serverAnswers()
    {
        auto [security, mode, password, pdfBytes, kind, code, kept] =
            fetched<MailSettings::Security, QByteArray, QString, int, Kind, int, int>(
                "security", "mode", "password", "pdfBytes", "kind", "code", "kept");
        MailServer server(security);
        QVERIFY(server.ready());
        server.setMode(mode);
        if (mode == "absent")
            server.stop();
        MailSettings settings = server.settings();
        settings.bccAddress = QStringLiteral("copies@varnel.test");
        CurlMailSender sender(settings, password, server.options());
        MailMessage m = invoice("1001", "ann@example.com", pdfBytes);
        m.messageId = QStringLiteral("<t1@varnel.test>");
        const MailOutcome outcome = sender.send(m);
        QCOMPARE(outcome.kind, kind);
        QCOMPARE(outcome.code, code);
        QCOMPARE(outcome.affectsAll, (kind == Kind::RetryLater && code == 0) || password != MailServer::kPassword);
        const auto received = server.received();
        QCOMPARE(received.size(), kept);
        if (kept == 0)
            return;
        const QJsonObject got = received.front();
        QCOMPARE(got["messageId"].toString(), m.messageId);
        QCOMPARE(got["subject"].toString(), m.subject);
        QCOMPARE(got["body"].toString(), QStringLiteral("Dear Zoë,\r\nyour invoice.\r\n.\r\nThanks"));
        QCOMPARE(got["to"].toString(), QStringLiteral("Zoë O'Hara <ann@example.com>"));
        QVERIFY(got["tls"].toBool() && got["login"].toString() == "office");
        QCOMPARE(got["rcptTos"].toArray().toVariantList(), QVariantList({"ann@example.com", "copies@varnel.test"}));
        QCOMPARE(got["attachments"][0]["sha256"].toString(), sha256(m.attachments[0].bytes));
        QCOMPARE(got["attachments"][0]["fileName"].toString(), QStringLiteral("Invoice 1001.pdf"));
    }

    // A stop gives up a send still waiting for a server that does not answer; nothing of it went out.
    void stopGivesUpAWaitingSend()
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof at;
        QVERIFY(::bind(fd, reinterpret_cast<sockaddr *>(&at), size) == 0 && ::listen(fd, 4) == 0 &&
                ::getsockname(fd, reinterpret_cast<sockaddr *>(&at), &size) == 0);
        MailSettings settings;
        settings.host = QStringLiteral("127.0.0.1");
        settings.port = ntohs(at.sin_port);
        settings.senderAddress = QStringLiteral("office@varnel.test");
        CurlMailSender sender(settings, {}, {.stallSeconds = 60, .totalSeconds = 60});
        const std::atomic_bool stop{true};
        sender.setStopFlag(&stop);
        QCOMPARE(sender.send(invoice("1", "a@x.test")).answer, QStringLiteral("Not sent: the sending was stopped."));
        ::close(fd);
    }

    // A line break in a name, an address or the subject would write headers of its own: refused, with the
    // message named, before anything is written.
    void headersChecked_data()
    {
        dataColumns<QString, QString, QString, QString>("name", "address", "subject", "problem");
        dataRow("sound", "Ann Lee", "ann.lee+bills@mail.example.com", "Invoice", "");
        dataRow("CR in the name", "Ann\rBcc: x@evil.test", "ann@example.com", "Invoice", "the name holds a line break");
        dataRow("LF in the address", "Ann", "ann@example.com\nBcc: x@evil.test", "Invoice", "the address holds");
        dataRow("LF in the subject", "Ann", "ann@example.com", "Hi\nBcc: x@evil.test", "the subject holds");
        dataRow("no address", "Ann", " ", "Invoice", "there is no e-mail address");
        dataRow("no domain dot", "Ann", "ann@example", "Invoice", "\"ann@example\" is not a valid");
        dataRow("two @", "Ann", "ann@b@example.com", "Invoice", "is not a valid");
        dataRow("blank inside", "Ann", "ann lee@example.com", "Invoice", "is not a valid");
        dataRow("double dot", "Ann", "ann..lee@example.com", "Invoice", "is not a valid");
    }
    void headersChecked()
    {
        auto [name, address, subject, problem] =
            fetched<QString, QString, QString, QString>("name", "address", "subject", "problem");
        MailMessage m = invoice("1001", address);
        m.toName = name;
        m.subject = subject;
        QVERIFY2(Mail::headerProblem(m).contains(problem) && problem.isEmpty() == Mail::headerProblem(m).isEmpty(),
                 qPrintable(Mail::headerProblem(m)));
        TestRoot r;
        const DataFolder folder = r.folder();
        const auto queued = MailOutbox(folder, clock).queue({invoice("1002", "bob@example.org"), m}, "o@v.test");
        QCOMPARE(queued.ids.size(), problem.isEmpty() ? 2 : 0);
        if (!problem.isEmpty()) {
            QVERIFY(queued.verdict.notices.at(0).text.startsWith("The e-mail \"Invoice 1001\" to "));
            QVERIFY(!r.exists(MailOutbox::kPath));
        }
    }

    // A kill or a full disk at every step of a run that sends two messages to a real server, then a start and a
    // second run: each message reaches the server once; only a send cut off after it began may be "sent?
    // unknown" (never sent again by itself), and then the server has it at most once.
    void stopAtEveryStep_data()
    {
        dataColumns<Fault>("fault");
        dataRow("kill", Fault::Kill);
        dataRow("full disk", Fault::FullDisk);
    }
    void stopAtEveryStep()
    {
        QFETCH(Fault, fault);
        MailServer server;
        QVERIFY(server.ready());
        CurlMailSender curl = server.sender();
        bool ranThrough = false;
        for (int k = 0; !ranThrough; ++k) {
            TestRoot r;
            DataFolder folder = r.folder();
            const QStringList ids = queueTwo(folder);
            QCOMPARE(ids.size(), 2);
            ranThrough = !runWithFaultAt(folder, k, fault, [&] { MailSending::sendDue(folder, clock, curl, noStop); });
            repairAsAtStart(folder);
            MailSending::sendDue(folder, clock, curl, noStop);
            const auto kept = copies(server);
            int unknown = 0;
            for (const QString &id : ids) {
                const auto e = MailOutbox(folder, clock).entry(id);
                const int n = kept.value(MailOutbox(folder, clock).message(id)->messageId);
                unknown += e->state == State::Unknown;
                QVERIFY2(e->state == State::Unknown ? n <= 1 : (e->state == State::Sent && n == 1),
                         qPrintable(QStringLiteral("step %1: %2, %3 copies").arg(k).arg(int(e->state)).arg(n)));
            }
            QVERIFY(unknown <= 1);
            QVERIFY(runTool({"check", r.path()}).out.contains("MailOutbox") == false);
        }
    }

    // Killed between the server's acceptance and the mark: the start says so, the message is not sent again
    // until the office chooses Send Again, which asks nothing for a message never marked sent.
    void killAfterAccept()
    {
        const DataFolder folder = root.folder();
        const QStringList ids = queueTwo(folder);
        RecordingMailSender recording;
        KilledAfterAccept killed(recording);
        QVERIFY_THROWS_EXCEPTION(Crash, MailSending::sendDue(folder, clock, killed, noStop));
        const Recovery::Report report = repairAsAtStart(folder);
        QVERIFY(!report.notices.empty() && report.notices.back().text.contains("The mail server may have it already"));
        MailSending::sendDue(folder, clock, recording, noStop);
        MailOutbox outbox(folder, clock);
        QCOMPARE(outbox.entry(ids[0])->state, State::Unknown);
        QCOMPARE(outbox.entry(ids[1])->state, State::Sent);
        QVERIFY(outbox.sendAgain(ids[0]).isDone());
        MailSending::sendDue(folder, clock, recording, noStop);
        QCOMPARE(recording.sent.size(), 3u);
        QCOMPARE(recording.sent[2], recording.sent[0]); // the same message, Message-ID and all
        QCOMPARE(outbox.sendAgain(ids[0]).kind, Verdict::Kind::Ask);
    }

    // Put off with growing pauses on the clock; a server that cannot be reached puts off the rest untried; a
    // refusal for good; a message cancelled while the run is under way is not sent (the outbox is read again
    // before each send); an answer that never came; Send Again.
    void retriesAndHands()
    {
        TestRoot r;
        const DataFolder folder = r.folder();
        MailOutbox outbox(folder, clock);
        const QStringList ids = outbox
                                    .queue({invoice("1", "a@x.test"), invoice("2", "b@x.test"),
                                            invoice("3", "c@x.test"), invoice("4", "d@x.test")},
                                           "o@x.test")
                                    .ids;
        RecordingMailSender sender;
        MailOutcome down{Kind::RetryLater, 0, QStringLiteral("No answer from mail.x.test"), true};
        sender.script = {down};
        auto result = MailSending::sendDue(folder, clock, sender, noStop);
        QCOMPARE(sender.tried.size(), 1u);
        QCOMPARE(result.putOff, 4);
        QCOMPARE(outbox.entry(ids[2])->lastAnswer, QStringLiteral("Not tried: No answer from mail.x.test"));
        QVERIFY(outbox.due(clock.now().addSecs(59)).isEmpty());
        clock.set(clock.now().addSecs(60));
        sender.script = {{Kind::RetryLater, 451, QStringLiteral("451 busy")}, {Kind::Refused, 550, "550 no"}};
        sender.afterAccept = [&](const MailMessage &) { // ids[2] accepted, not yet marked sent
            QVERIFY(!MailOutbox(folder, clock).sendAgain(ids[2]).isDone());
            QVERIFY(MailOutbox(folder, clock).cancel(ids[3]).isDone());
        };
        MailSending::sendDue(folder, clock, sender, noStop);
        sender.afterAccept = {};
        QCOMPARE(outbox.entry(ids[0])->nextTry, clock.now().addSecs(120)); // the second pause: 2 minutes
        QCOMPARE(outbox.entry(ids[1])->state, State::Failed);
        QCOMPARE(outbox.entry(ids[2])->state, State::Sent);
        QCOMPARE(outbox.entry(ids[3])->state, State::Cancelled);
        QCOMPARE(sender.tried.size(), 4u);
        QVERIFY(outbox.cancel(ids[0]).isDone());
        QVERIFY(!outbox.cancel(ids[2]).isDone());
        clock.set(clock.now().addSecs(3600));
        QVERIFY(outbox.sendAgain(ids[1]).isDone());
        sender.script = {{Kind::Unknown, 0, QStringLiteral("no answer came")}};
        MailSending::sendDue(folder, clock, sender, noStop);
        QCOMPARE(outbox.entry(ids[0])->state, State::Cancelled);
        QCOMPARE(outbox.entry(ids[1])->state, State::Unknown);
        QVERIFY(outbox.due(clock.now().addDays(1)).isEmpty());
        QCOMPARE(MailOutbox::retryPauseMinutes(7), 60);
    }

    // The windows' run sends on a thread of its own and reports each message back; a test message goes past the
    // outbox. A run that said it ended has ended: the next one starts at once, however slowly the last connection
    // closed.
    void runOffTheWindowsThread()
    {
        TestRoot r;
        queueTwo(r.folder());
        std::atomic<QThread *> sendThread = nullptr;
        MailSendRun run(
            r.path(),
            [&] {
                auto sender = std::make_unique<SlowToClose>();
                sender->inner.afterAccept = [&](const MailMessage &) { sendThread = QThread::currentThread(); };
                return sender;
            },
            clock);
        QSignalSpy done(&run, &MailSendRun::finished), progress(&run, &MailSendRun::progress);
        QVERIFY(run.start());
        QVERIFY(done.wait(10000));
        QCOMPARE(done.at(0).at(0).toInt(), 2);
        QCOMPARE(progress.size(), 2);
        QVERIFY(sendThread && sendThread != QThread::currentThread());
        QSignalSpy tested(&run, &MailSendRun::tested); // Setup's test message: straight to the server
        QVERIFY(run.sendOne(invoice("9", "t@x.test")) && tested.wait(10000));
        QCOMPARE(tested.at(0), QVariantList({true, "250 OK"}));
        QCOMPARE(MailOutbox(r.folder(), clock).entries().size(), 2u);
        const DataFolder held = r.folder(); // the folder's lock lost: no run starts
        held.setWriteGate([] { return std::optional<QString>(QStringLiteral("Held by B.")); });
        MailSendRun refused(
            held, [] { return std::make_unique<RecordingMailSender>(); }, clock);
        QSignalSpy said(&refused, &MailSendRun::finished);
        QVERIFY(!refused.start());
        QCOMPARE(said.at(0).at(3).toString(), QStringLiteral("Held by B."));
    }

    // A full disk at any step of queueing: nothing half written and said; queueing again queues each once.
    void fullDiskWhileQueueing()
    {
        for (int k = 0;; ++k) {
            TestRoot r;
            DataFolder folder = r.folder();
            QStringList ids;
            const bool struck = runWithFaultAt(folder, k, Fault::FullDisk, [&] { ids = queueTwo(folder); });
            if (!struck)
                break;
            if (ids.isEmpty()) { // refused: nothing was left; else the fault struck a step past the append
                QCOMPARE(QDir(r.file(MailOutbox::kFolder)).entryList({"*.msg"}).size(), 0);
                QVERIFY(MailOutbox(folder, clock).entries().empty());
                QCOMPARE(queueTwo(folder).size(), 2);
            }
            QCOMPARE(MailOutbox(folder, clock).entries().size(), 2u);
        }
    }

    // The settings come back as typed; the password only in the user's own folder, readable by the user alone.
    void settingsAndPassword()
    {
        MailSettings s;
        s.host = QStringLiteral("mail.varnel.test");
        s.security = MailSettings::Security::Smtps;
        s.port = 465;
        s.senderName = QStringLiteral("Varnel \"Heating\", Inc.");
        s.invoiceText = QStringLiteral("Dear {Name},\r\n100% \"due\" — {AmountDue}\n");
        s.reminderDays = 3;
        const DataFolder folder = root.folder();
        s.save(folder);
        MailSettings loaded;
        loaded.load(folder);
        QCOMPARE(loaded, s);
        QCOMPARE(MailSettings::fill(s.invoiceText, {{"Name", "Ann"}}), "Dear Ann,\r\n100% \"due\" — {AmountDue}\n");
        QCOMPARE(MailSettings::savePassword(QStringLiteral("pä55 \"word\"")), QString());
        QCOMPARE(MailSettings::loadPassword(), QStringLiteral("pä55 \"word\""));
        QCOMPARE(QFile::permissions(MailSettings::passwordPath()) & 0x0077, QFileDevice::Permissions());
        QVERIFY(!MailSettings::passwordPath().startsWith(root.path()));
        for (const QByteArray &bytes : snapshot(root.path()))
            QVERIFY(!bytes.contains("55 \"word"));
    }
};

QTEST_MAIN(TestMail)
#include "tst_mail.moc"
