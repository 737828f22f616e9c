#pragma once

#include "core/mailmessage.h"
#include "core/mailsender.h"
#include "core/recordlayout.h"
#include "core/verdict.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

class Clock;
class DataFolder;

// /MailOutbox.txt, 420 bytes a record: the journal of every e-mail the program sends. A message is queued
// with one record holding what the outbox lists; each later step of its life (a send begun, the server's
// answer, a cancel, Send Again) appends a record naming its id. The message itself (text and attachments) is
// kept in /MailOutbox/<id>.msg from queueing on, so a try after a restart sends the same bytes.
namespace MailOutboxField {
enum Field : int { Id, Event, At, Attempts, NextTry, Code, AcctNo, ToName, ToAddress, Kind, Subject, Answer };
inline constexpr std::array<FieldSpec, 12> kFields = {
    text("Id", 24),
    field("Event", FieldKind::Int16),
    field("At", FieldKind::Double),
    field("Attempts", FieldKind::Int16),
    field("NextTry", FieldKind::Double),
    field("Code", FieldKind::Int16),
    text("AcctNo", 20),
    text("ToName", 40),
    text("ToAddress", 80),
    text("Kind", 30),
    text("Subject", 80),
    text("Answer", 124),
};
static_assert(recordLength(kFields) == 420);
} // namespace MailOutboxField

const RecordLayout &mailOutboxLayout();

// One message as the outbox lists it.
struct OutboxEntry
{
    enum class State {
        Waiting,   // to be sent (now or at nextTry)
        Sending,   // a send is under way
        Unknown,   // a send was interrupted after it began: the server may have the message; not sent again
                   // unless the office says so with Send Again
        Sent,      // the server accepted it
        Failed,    // the server refused it for good
        Cancelled, // the office cancelled it
    };
    QString id;
    QString account;
    QString toName;
    QString toAddress;
    QString kind;
    QString subject;
    State state = State::Waiting;
    int attempts = 0;
    QDateTime nextTry; // the earliest time of the next try (Waiting)
    QString lastAnswer;
    int lastCode = 0;
    QDateTime queuedAt;
    QDateTime sentAt; // when the server accepted it

    // "waiting", "sending", "sent? unknown — the server may have it", "sent", "failed", "cancelled"
    static QString stateText(State state);
};

class MailOutbox
{
public:
    static inline const QString kPath = QStringLiteral("/MailOutbox.txt");
    static inline const QString kFolder = QStringLiteral("/MailOutbox");

    MailOutbox(const DataFolder &folder, const Clock &clock);

    // Queues the messages: every message's headers are checked first, and one that fails refuses the whole
    // batch with a message naming it (nothing is queued). Each message gets its id and Message-ID, its file is
    // written and read back, then the outbox's records are appended in one guarded append and read back.
    // A disk that fails (full) leaves nothing half written, and says so: queueing again queues once.
    struct Queued
    {
        Verdict verdict;
        QStringList ids; // in the order of the messages; empty unless done
    };
    Queued queue(std::vector<MailMessage> messages, const QString &senderAddress);

    // Every message in the order queued, read afresh.
    std::vector<OutboxEntry> entries() const;
    std::optional<OutboxEntry> entry(const QString &id) const;
    // The message as stored; nothing when its file is missing or damaged.
    std::optional<MailMessage> message(const QString &id) const;

    // Cancels a message that has not been sent (Waiting, Unknown or Failed). Refuses with a message otherwise.
    Verdict cancel(const QString &id);
    // Puts a message back to be sent at once: one that failed, was cancelled, or whose send was interrupted
    // (Unknown). A message the server accepted asks first ("... was sent on ...; send it again?").
    Verdict sendAgain(const QString &id, const Answers &answers = {});

    // -- For the sending loop (MailSending)
    // The ids due at `now`, in the order queued.
    QStringList due(const QDateTime &now) const;
    // The earliest next try among the waiting messages; invalid when none waits.
    QDateTime nextDue() const;
    // Reads the outbox again and, when the message is still due, marks it Sending on disk (flushed) and
    // returns it; nothing when it is no longer due (sent or cancelled meanwhile, by this or another program).
    // Throws DiskError when the mark cannot be written (nothing is sent then).
    std::optional<MailMessage> beginSend(const QString &id);
    // Records the server's answer: Sent, Failed for good, or Waiting with the next try after a growing pause.
    void finishSend(const QString &id, const MailOutcome &outcome);
    // Puts off the messages still due until `until` without a try (the server could not be reached for
    // another message just now), noting why. Returns how many.
    int putOff(const QStringList &ids, const QDateTime &until, const QString &answer);
    // Messages left Sending by a program that stopped during a send become Unknown. Called only by the one
    // that holds the sending lock (nobody else can be sending). Returns how many.
    int settleInterruptedSends();

    // The pause before try n+1 after n tries that the server put off: 1, 2, 4 ... minutes, at most 60.
    static int retryPauseMinutes(int attempts);

    // The lock the sending loop holds while it runs (one sender per data folder, whichever program).
    static QString sendingLockPath(const DataFolder &folder);

    struct Journal;

private:
    // The journal as last read; each look reads only what was appended since (by any program), and reads the
    // whole file again when it was cut back or is another file.
    const Journal &current() const;

    const DataFolder &m_folder;
    const Clock &m_clock;
    std::shared_ptr<Journal> m_journal;
};
