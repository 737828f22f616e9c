#pragma once

#include "billing/mailoutbox.h"
#include "core/mailsender.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class QThread;
class QTimer;
class DataFolder;

// The sending loop: every message due is sent, one at a time, through a MailSender.
namespace MailSending {

struct Progress
{
    int done = 0;  // messages settled in this run (sent, refused or put off)
    int total = 0; // messages due when the run began
    int sent = 0;
    QString last; // "Invoice 1234 to Ann Lee <ann@example.com>: 250 OK" or the failure's text
};

struct Result
{
    int sent = 0;
    int putOff = 0; // refused for now: waiting for their next try
    int failed = 0; // refused for good, or gone out without an answer (sent? unknown)
    bool stopped = false;
    QString error; // a disk error or a lock held by another program; empty when none
};

// Sends the messages due now, in the order queued, until none is left or `stop` is set (checked between
// messages). Holds the sending lock while it runs; returns at once when another program holds it. Each send
// is begun and finished on disk around the server's answer (see MailOutbox). `progress` is called after each.
Result sendDue(const DataFolder &folder, const Clock &clock, MailSender &sender, const std::atomic_bool &stop,
               const std::function<void(const Progress &)> &progress = {});

// E-mails whose send began and never ended because the program stopped (a kill, a power cut) become "sent?
// unknown": the server may have them, so they are not sent again unless the office says so. Nothing is changed
// while another program is sending. Returns the message to show; empty when there were none. Throws DiskError.
QString settleInterrupted(const DataFolder &folder, const Clock &clock);

} // namespace MailSending

// The sending loop for the windows: runs sendDue() on a thread of its own, so that the office's windows stay
// usable, and reports back on the thread that made it.
class MailSendRun : public QObject
{
    Q_OBJECT
public:
    // A sender made on the run's thread for each run (the libcurl adapter with the stored settings).
    using SenderFactory = std::function<std::unique_ptr<MailSender>()>;

    MailSendRun(QString dataRoot, SenderFactory makeSender, const Clock &clock, QObject *parent = nullptr);
    // The same on the program's folder: its write gate (the folder's lock) is asked on this thread before each
    // run and every second while one runs, and the run writes nothing once it refuses.
    MailSendRun(const DataFolder &folder, SenderFactory makeSender, const Clock &clock, QObject *parent = nullptr);
    ~MailSendRun() override; // stops and waits for the send under way

    // Starts a run unless one is running; false when one is. After each run, while messages wait for a later
    // try, the next run starts by itself at the earliest of their times (waitingUntil tells when).
    bool start();
    // Sends one message straight to the server, outside the outbox (Setup's test message), on the run's thread;
    // `tested` says what the server answered. False while a run is under way.
    bool sendOne(const MailMessage &message);
    // Asks the run to stop after the message being sent.
    void stop();
    bool isRunning() const;

signals:
    void progress(int done, int total, const QString &last);
    void finished(int sent, int putOff, int failed, const QString &error);
    void waitingUntil(const QDateTime &nextTry);
    void tested(bool accepted, const QString &answer);

private:
    void scheduleNext();
    // The work runs on the run's thread and hands back its report (the signals that end it), sent once the run
    // counts as ended: whoever the report reaches may start the next run at once.
    bool run(std::function<std::function<void()>()> work);

    QString m_root;
    SenderFactory m_makeSender;
    const Clock &m_clock;
    QThread *m_thread = nullptr;
    std::atomic_bool m_working{false}; // from the start of a run to its report
    quint64 m_runs = 0;                // runs started, for the end of each to know it is the last
    std::atomic_bool m_stop{false};
    QTimer *m_next = nullptr;
    QTimer *m_gateCheck = nullptr;
    std::shared_ptr<std::function<std::optional<QString>()>> m_gate; // the program folder's, asked here only
    mutable std::mutex m_refusalMutex;
    std::optional<QString> m_refusal; // what the gate said last, for the run's thread
    bool m_lastFailed = false;        // the last run met a disk error or another program's lock
};
