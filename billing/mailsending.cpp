#include "billing/mailsending.h"

#include "core/clock.h"
#include "core/datafolder.h"
#include "core/diskerror.h"

#include <QLockFile>
#include <QThread>
#include <QTimer>

namespace MailSending {

namespace {

// An answer that says the server itself cannot be reached or is closing: the other messages would fare the
// same, so they wait with this one instead of each being tried in turn.
bool serverUnavailable(const MailOutcome &outcome)
{
    return outcome.kind == MailOutcome::Kind::RetryLater && (outcome.affectsAll || outcome.code == 421);
}

QString answerText(const MailOutcome &outcome)
{
    const QString answer = outcome.answer.simplified();
    if (outcome.code > 0 && !answer.startsWith(QString::number(outcome.code)))
        return QStringLiteral("%1 %2").arg(outcome.code).arg(answer);
    return answer;
}

} // namespace

Result sendDue(const DataFolder &folder, const Clock &clock, MailSender &sender, const std::atomic_bool &stop,
               const std::function<void(const Progress &)> &progress)
{
    Result result;
    if (!folder.folderExists(MailOutbox::kFolder))
        return result; // nothing was ever queued
    try {
        folder.io().mayWrite(); // a read-only seat sends nothing
    } catch (const DiskError &error) {
        result.error = error.message();
        return result;
    }
    QLockFile sending(MailOutbox::sendingLockPath(folder));
    sending.setStaleLockTime(0);
    if (!sending.tryLock(0)) {
        result.error = QStringLiteral("E-mail is being sent by another copy of the program.");
        return result;
    }
    MailOutbox outbox(folder, clock);
    try {
        // Whoever sent before and holds no lock now stopped during a send.
        outbox.settleInterruptedSends();
        const QStringList ids = outbox.due(clock.now());
        Progress p;
        p.total = int(ids.size());
        for (qsizetype i = 0; i < ids.size(); ++i) {
            if (stop) {
                result.stopped = true;
                break;
            }
            const auto message = outbox.beginSend(ids[i]);
            if (!message) { // sent or cancelled meanwhile
                ++p.done;
                continue;
            }
            const MailOutcome outcome = sender.send(*message);
            outbox.finishSend(ids[i], outcome);
            ++p.done;
            switch (outcome.kind) {
            case MailOutcome::Kind::Accepted:
                ++result.sent;
                ++p.sent;
                break;
            case MailOutcome::Kind::RetryLater:
                ++result.putOff;
                break;
            case MailOutcome::Kind::Refused:
            case MailOutcome::Kind::Unknown:
                ++result.failed;
                break;
            }
            p.last = Mail::describe(*message) + QStringLiteral(": ") + answerText(outcome);
            if (progress)
                progress(p);
            if (serverUnavailable(outcome) && !stop) {
                const auto tried = outbox.entry(ids[i]);
                const QDateTime until = tried ? tried->nextTry : clock.now().addSecs(60);
                result.putOff += outbox.putOff(ids.mid(i + 1), until, answerText(outcome));
                break;
            }
        }
    } catch (const DiskError &error) {
        result.error = error.message();
    }
    return result;
}

QString settleInterrupted(const DataFolder &folder, const Clock &clock)
{
    if (!folder.folderExists(MailOutbox::kFolder))
        return {};
    folder.io().mayWrite();
    QLockFile sending(MailOutbox::sendingLockPath(folder));
    sending.setStaleLockTime(0);
    if (!sending.tryLock(0))
        return {};
    const int count = MailOutbox(folder, clock).settleInterruptedSends();
    if (count == 0)
        return {};
    if (count == 1)
        return QStringLiteral("The program was ended while it was sending an e-mail. The mail server may have it "
                              "already; it is marked \"sent? unknown\" in the outbox and is not sent again unless "
                              "you choose Send Again.");
    return QStringLiteral("The program was ended while it was sending e-mail. The mail server may have %1 of them "
                          "already; they are marked \"sent? unknown\" in the outbox and are not sent again unless "
                          "you choose Send Again.")
        .arg(count);
}

} // namespace MailSending

MailSendRun::MailSendRun(QString dataRoot, SenderFactory makeSender, const Clock &clock, QObject *parent)
    : QObject(parent)
    , m_root(std::move(dataRoot))
    , m_makeSender(std::move(makeSender))
    , m_clock(clock)
    , m_next(new QTimer(this))
{
    m_next->setSingleShot(true);
    connect(m_next, &QTimer::timeout, this, [this] { start(); });
}

MailSendRun::MailSendRun(const DataFolder &folder, SenderFactory makeSender, const Clock &clock, QObject *parent)
    : MailSendRun(folder.root(), std::move(makeSender), clock, parent)
{
    m_gate = folder.io().gate;
    m_gateCheck = new QTimer(this);
    m_gateCheck->setInterval(1000);
    connect(m_gateCheck, &QTimer::timeout, this, [this] {
        const std::optional<QString> refusal = *m_gate ? (*m_gate)() : std::nullopt;
        const std::lock_guard<std::mutex> lock(m_refusalMutex);
        m_refusal = refusal;
    });
}

MailSendRun::~MailSendRun()
{
    stop();
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
    }
}

bool MailSendRun::isRunning() const
{
    return m_working;
}

void MailSendRun::stop()
{
    m_stop = true;
    m_next->stop();
}

void MailSendRun::scheduleNext()
{
    if (m_stop)
        return;
    const DataFolder folder(m_root);
    const QDateTime next = MailOutbox(folder, m_clock).nextDue();
    if (!next.isValid())
        return;
    // A run that failed as a whole (the disk, another program sending) is tried again after a minute.
    const qint64 least = m_lastFailed ? 60000 : 1000;
    m_next->start(int(std::clamp<qint64>(m_clock.now().msecsTo(next), least, 3600 * 1000)));
    emit waitingUntil(next);
}

bool MailSendRun::run(std::function<std::function<void()>()> work)
{
    if (isRunning())
        return false;
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
        m_thread = nullptr;
    }
    m_stop = false;
    m_next->stop();
    if (m_gateCheck) {
        const std::optional<QString> refusal = *m_gate ? (*m_gate)() : std::nullopt;
        if (refusal) {
            emit finished(0, 0, 0, *refusal);
            return false;
        }
        const std::lock_guard<std::mutex> lock(m_refusalMutex);
        m_refusal.reset();
    }
    m_working = true;
    m_thread = QThread::create([this, work = std::move(work)] {
        const std::function<void()> report = work();
        m_working = false;
        report();
    });
    // The thread ends a moment after its report: by then a later run may have started, whose own end follows.
    const quint64 number = ++m_runs;
    connect(m_thread, &QThread::finished, this, [this, number] {
        if (number != m_runs)
            return;
        if (m_gateCheck)
            m_gateCheck->stop();
        scheduleNext();
    });
    if (m_gateCheck)
        m_gateCheck->start();
    m_thread->start();
    return true;
}

bool MailSendRun::sendOne(const MailMessage &message)
{
    return run([this, message]() -> std::function<void()> {
        const std::unique_ptr<MailSender> sender = m_makeSender();
        const QString problem = Mail::headerProblem(message);
        if (!sender || !problem.isEmpty()) {
            const QString why = sender ? problem : QStringLiteral("The mail server is not set up.");
            return [this, why] { emit tested(false, why); };
        }
        const MailOutcome outcome = sender->send(message);
        const QString answer = outcome.code > 0 && !outcome.answer.startsWith(QString::number(outcome.code))
                                   ? QStringLiteral("%1 %2").arg(outcome.code).arg(outcome.answer)
                                   : outcome.answer;
        return [this, accepted = outcome.accepted(), answer] { emit tested(accepted, answer); };
    });
}

bool MailSendRun::start()
{
    return run([this]() -> std::function<void()> {
        // The run's own folder and sender: nothing of the windows' thread is touched from here.
        DataFolder folder(m_root);
        if (m_gateCheck)
            folder.setWriteGate([this]() -> std::optional<QString> {
                const std::lock_guard<std::mutex> lock(m_refusalMutex);
                return m_refusal;
            });
        const std::unique_ptr<MailSender> sender = m_makeSender();
        MailSending::Result result;
        if (sender) {
            sender->setStopFlag(&m_stop);
            result = MailSending::sendDue(folder, m_clock, *sender, m_stop, [this](const MailSending::Progress &p) {
                emit progress(p.done, p.total, p.last);
            });
        } else {
            result.error = QStringLiteral("The mail server is not set up.");
        }
        m_lastFailed = !result.error.isEmpty();
        return [this, result] { emit finished(result.sent, result.putOff, result.failed, result.error); };
    });
}
