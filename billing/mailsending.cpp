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
            if (serverUnavailable(outcome)) {
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
    QLockFile sending(MailOutbox::sendingLockPath(folder));
    sending.setStaleLockTime(0);
    if (!sending.tryLock(0))
        return {};
    const int count = MailOutbox(folder, clock).settleInterruptedSends();
    if (count == 0)
        return {};
    return QStringLiteral("The program was ended while it was sending e-mail. The mail server may have %1 of them "
                          "already; they are marked \"sent? unknown\" in the outbox and are not sent again unless "
                          "you choose Send Again.")
        .arg(count == 1 ? QStringLiteral("one") : QString::number(count));
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
    return m_thread && m_thread->isRunning();
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

bool MailSendRun::start()
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
    m_thread = QThread::create([this] {
        // The run's own folder and sender: nothing of the windows' thread is touched from here.
        const DataFolder folder(m_root);
        const std::unique_ptr<MailSender> sender = m_makeSender();
        MailSending::Result result;
        if (sender) {
            result = MailSending::sendDue(folder, m_clock, *sender, m_stop, [this](const MailSending::Progress &p) {
                emit progress(p.done, p.total, p.last);
            });
        } else {
            result.error = QStringLiteral("The mail server is not set up.");
        }
        m_lastFailed = !result.error.isEmpty();
        emit finished(result.sent, result.putOff, result.failed, result.error);
    });
    connect(m_thread, &QThread::finished, this, &MailSendRun::scheduleNext);
    m_thread->start();
    return true;
}
