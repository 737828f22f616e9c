#include "billing/mailoutbox.h"

#include "core/clock.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/oledate.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QLockFile>
#include <QRandomGenerator>
#include <algorithm>
#include <functional>

const RecordLayout &mailOutboxLayout()
{
    static const RecordLayout layout(QStringLiteral("MailOutboxRecord"), MailOutboxField::kFields);
    return layout;
}

QString OutboxEntry::stateText(State state)
{
    switch (state) {
    case State::Waiting:
        return QStringLiteral("waiting");
    case State::Sending:
        return QStringLiteral("sending");
    case State::Unknown:
        return QStringLiteral("sent? unknown \u2014 the server may have it");
    case State::Sent:
        return QStringLiteral("sent");
    case State::Failed:
        return QStringLiteral("failed");
    case State::Cancelled:
        return QStringLiteral("cancelled");
    }
    return {};
}

namespace {

using namespace MailOutboxField;

// What each record of the journal says happened.
enum class Step : qint16 {
    Queued = 1,
    Sending = 2,
    Sent = 3,
    PutOff = 4, // refused for now; waits for NextTry
    Failed = 5, // refused for good
    Cancelled = 6,
    Again = 7,       // Send Again
    Interrupted = 8, // a send that began and never ended: the server may have it
};

// A message put off for this long since it was queued is given up.
constexpr qint64 kGiveUpSeconds = 2 * 24 * 3600;
// How long a writer waits for another's write to the outbox.
constexpr int kLockWaitMs = 15000;

QString messageFile(const QString &id)
{
    return MailOutbox::kFolder + QLatin1Char('/') + id + QStringLiteral(".msg");
}

QString newId(const QDateTime &now)
{
    // Sorted by the time queued; the random part tells apart two programs queueing in the same millisecond.
    return now.toUTC().toString(QStringLiteral("yyyyMMddHHmmsszzz")) + QLatin1Char('-') +
           QString::number(QRandomGenerator::system()->bounded(0x1000000u) | 0x1000000u, 16).mid(1);
}

QString domainOf(const QString &address)
{
    const qsizetype at = address.lastIndexOf(QLatin1Char('@'));
    return at < 0 ? QStringLiteral("localhost") : address.mid(at + 1).trimmed();
}

QString oneLine(const QString &text)
{
    return text.simplified();
}

// The outbox's writes from any program on the folder, one at a time.
class WriteLock
{
public:
    explicit WriteLock(const DataFolder &folder)
        : m_lock(folder.path(MailOutbox::kFolder) + QStringLiteral("/write.lock"))
    {
        folder.io().mayWrite(); // a read-only seat makes no lock either
        QDir().mkpath(folder.path(MailOutbox::kFolder));
        m_lock.setStaleLockTime(60000);
        if (!m_lock.tryLock(kLockWaitMs))
            throw DiskError(QStringLiteral("The outbox %1 is being written by another program; try again.")
                                .arg(QDir::toNativeSeparators(folder.path(MailOutbox::kPath))));
    }

private:
    QLockFile m_lock;
};

} // namespace

struct MailOutbox::Journal
{
    std::vector<OutboxEntry> entries;
    QHash<QString, std::size_t> index;
    qint64 size = 0;  // the bytes read: whole records
    QByteArray first; // the first record, to know the file again
};

namespace {

using Journal = MailOutbox::Journal;

void apply(Journal &journal, const Record &r)
{
    const QString id = r.text(Id);
    if (id.isEmpty())
        return;
    const auto event = Step(r.int16(MailOutboxField::Event));
    const QDateTime at = OleDate::toDateTime(r.real(At));
    if (event == Step::Queued) {
        if (journal.index.contains(id))
            return;
        OutboxEntry e;
        e.id = id;
        e.account = r.text(AcctNo);
        e.toName = r.text(ToName);
        e.toAddress = r.text(ToAddress);
        e.kind = r.text(MailOutboxField::Kind);
        e.subject = r.text(Subject);
        e.queuedAt = at;
        e.nextTry = at;
        journal.index.insert(id, journal.entries.size());
        journal.entries.push_back(std::move(e));
        return;
    }
    const auto found = journal.index.constFind(id);
    if (found == journal.index.constEnd())
        return;
    OutboxEntry &e = journal.entries[*found];
    using State = OutboxEntry::State;
    switch (event) {
    case Step::Queued:
        break;
    case Step::Sending:
        e.state = State::Sending;
        e.attempts = r.int16(Attempts);
        break;
    case Step::Sent:
        e.state = State::Sent;
        e.sentAt = at;
        break;
    case Step::PutOff:
        e.state = State::Waiting;
        e.nextTry = OleDate::toDateTime(r.real(NextTry));
        break;
    case Step::Failed:
        e.state = State::Failed;
        break;
    case Step::Cancelled:
        e.state = State::Cancelled;
        break;
    case Step::Again:
        e.state = State::Waiting;
        e.nextTry = at;
        break;
    case Step::Interrupted:
        e.state = State::Unknown;
        break;
    }
    if (event == Step::Sent || event == Step::PutOff || event == Step::Failed || event == Step::Interrupted) {
        e.lastAnswer = r.text(Answer);
        e.lastCode = r.int16(Code);
    }
}

// Reads what was appended since the journal was last read. A torn last record (the start cuts it back) is
// not read.
void readOn(Journal &journal, const DataFolder &folder)
{
    const RecordLayout &layout = mailOutboxLayout();
    QFile file(folder.path(MailOutbox::kPath));
    if (!file.open(QIODevice::ReadOnly)) {
        journal = {};
        return;
    }
    const qint64 whole = file.size() / layout.length() * layout.length();
    if (whole < journal.size || (journal.size > 0 && file.read(layout.length()) != journal.first))
        journal = {};
    if (whole == journal.size || !file.seek(journal.size))
        return;
    const QByteArray added = file.read(whole - journal.size);
    for (qsizetype at = 0; at + layout.length() <= added.size(); at += layout.length())
        apply(journal, Record(layout, added.mid(at, layout.length())));
    if (journal.size == 0)
        journal.first = added.left(layout.length());
    journal.size += added.size() / layout.length() * layout.length();
}

Record eventRecord(const QString &id, Step event, const QDateTime &at)
{
    Record r(mailOutboxLayout());
    r.setText(Id, id);
    r.setInt16(MailOutboxField::Event, qint16(event));
    r.setReal(At, OleDate::fromDateTime(at));
    return r;
}

// Appends the records and reads them back from where they were written.
void appendRead(const DataFolder &folder, const std::vector<Record> &records)
{
    const int length = mailOutboxLayout().length();
    const qint64 offset = std::max<qint64>(folder.fileSize(MailOutbox::kPath), 0) / length * length;
    folder.appendRecords(MailOutbox::kPath, records);
    QByteArray expected;
    for (const Record &r : records)
        expected += r.bytes();
    QFile file(folder.path(MailOutbox::kPath));
    if (!file.open(QIODevice::ReadOnly) || !file.seek(offset) || file.read(expected.size()) != expected)
        throw DiskError(QStringLiteral("The outbox %1 could not be read back after writing.")
                            .arg(QDir::toNativeSeparators(folder.path(MailOutbox::kPath))));
}

void appendRead(const DataFolder &folder, const Record &record)
{
    appendRead(folder, std::vector<Record>{record});
}

// The office's step on one message (a cancel, Send Again), under the write lock: refused when the message is not in
// the outbox or is being sent now, then as `decide` says; when it says nothing, the step's record is appended and
// read back.
Verdict officeStep(const DataFolder &folder, const MailOutbox &outbox, const QString &id, const Record &step,
                   const std::function<std::optional<Verdict>(const OutboxEntry &)> &decide)
{
    const QString title = QStringLiteral("E-mail");
    try {
        WriteLock lock(folder);
        const auto e = outbox.entry(id);
        if (!e)
            return Verdict::refused(QStringLiteral("This e-mail is not in the outbox."), title);
        if (e->state == OutboxEntry::State::Sending)
            return Verdict::refused(QStringLiteral("This e-mail is being sent now."), title);
        if (auto decided = decide(*e))
            return *decided;
        appendRead(folder, step);
    } catch (const DiskError &error) {
        return Verdict::refused(error.message(), title);
    }
    return Verdict::done();
}

std::optional<OutboxEntry> find(const Journal &journal, const QString &id)
{
    const auto found = journal.index.constFind(id);
    if (found == journal.index.constEnd())
        return std::nullopt;
    return journal.entries[*found];
}

bool isDue(const OutboxEntry &e, const QDateTime &now)
{
    return e.state == OutboxEntry::State::Waiting && (!e.nextTry.isValid() || e.nextTry <= now);
}

} // namespace

MailOutbox::MailOutbox(const DataFolder &folder, const Clock &clock)
    : m_folder(folder)
    , m_clock(clock)
    , m_journal(std::make_shared<Journal>())
{}

const MailOutbox::Journal &MailOutbox::current() const
{
    readOn(*m_journal, m_folder);
    return *m_journal;
}

QString MailOutbox::sendingLockPath(const DataFolder &folder)
{
    return folder.path(kFolder) + QStringLiteral("/sending.lock");
}

int MailOutbox::retryPauseMinutes(int attempts)
{
    if (attempts <= 1)
        return 1;
    if (attempts >= 7)
        return 60;
    return std::min(60, 1 << (attempts - 1));
}

MailOutbox::Queued MailOutbox::queue(std::vector<MailMessage> messages, const QString &senderAddress)
{
    Queued result;
    QStringList problems;
    for (const MailMessage &m : messages) {
        const QString problem = Mail::headerProblem(m);
        if (!problem.isEmpty())
            problems << problem;
    }
    if (!problems.isEmpty()) {
        result.verdict =
            Verdict::refused(problems.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n\r\nNothing was queued."),
                             QStringLiteral("E-mail"));
        return result;
    }
    if (messages.empty())
        return result;

    const QDateTime now = m_clock.now();
    QStringList ids;
    QStringList written; // full paths
    std::vector<Record> records;
    try {
        WriteLock lock(m_folder);
        if (!m_folder.folderExists(kFolder))
            m_folder.makeFolder(kFolder);
        for (MailMessage &m : messages) {
            QString id;
            do
                id = newId(now);
            while (ids.contains(id));
            m.messageId = QStringLiteral("<%1@%2>").arg(id, domainOf(senderAddress));
            m.date = now;
            m.toAddress = m.toAddress.trimmed();
            const QByteArray bytes = Mail::toStored(m);
            m_folder.writeFile(messageFile(id), bytes, DataFolder::Flush::Skip);
            written << m_folder.path(messageFile(id));
            if (m_folder.readAll(messageFile(id)) != bytes)
                throw DiskError(QStringLiteral("The e-mail %1 could not be read back after writing.")
                                    .arg(QDir::toNativeSeparators(m_folder.path(messageFile(id)))));
            ids << id;
            Record r = eventRecord(id, Step::Queued, now);
            r.setText(AcctNo, m.account.trimmed());
            r.setText(ToName, oneLine(m.toName));
            r.setText(ToAddress, m.toAddress);
            r.setText(MailOutboxField::Kind, oneLine(m.kind));
            r.setText(Subject, oneLine(m.subject));
            records.push_back(std::move(r));
        }
        // Every message's file is on the disk before the outbox names it.
        const QString unsynced = DataFolder::syncToDisk(written);
        if (!unsynced.isEmpty())
            throw DiskError(QStringLiteral("The e-mail %1 could not be written to the disk.")
                                .arg(QDir::toNativeSeparators(unsynced)));
        appendRead(m_folder, records);
    } catch (const DiskError &error) {
        for (const QString &path : std::as_const(written))
            QFile::remove(path);
        result.verdict =
            Verdict::refused(error.message() + QStringLiteral("\r\n\r\nNothing was queued."), QStringLiteral("E-mail"));
        return result;
    }
    result.ids = ids;
    return result;
}

std::vector<OutboxEntry> MailOutbox::entries() const
{
    return current().entries;
}

std::optional<OutboxEntry> MailOutbox::entry(const QString &id) const
{
    return find(current(), id);
}

std::optional<MailMessage> MailOutbox::message(const QString &id) const
{
    return Mail::fromStored(m_folder.readAll(messageFile(id)));
}

Verdict MailOutbox::cancel(const QString &id)
{
    return officeStep(m_folder, *this, id, eventRecord(id, Step::Cancelled, m_clock.now()),
                      [](const OutboxEntry &e) -> std::optional<Verdict> {
                          if (e.state == OutboxEntry::State::Sent)
                              return Verdict::refused(QStringLiteral("This e-mail has been sent already."),
                                                      QStringLiteral("E-mail"));
                          if (e.state == OutboxEntry::State::Cancelled)
                              return Verdict::done();
                          return std::nullopt;
                      });
}

Verdict MailOutbox::sendAgain(const QString &id, const Answers &answers)
{
    const QString title = QStringLiteral("E-mail");
    return officeStep(m_folder, *this, id, eventRecord(id, Step::Again, m_clock.now()),
                      [&](const OutboxEntry &e) -> std::optional<Verdict> {
                          if (e.state == OutboxEntry::State::Waiting && isDue(e, m_clock.now()))
                              return Verdict::done();
                          if (!message(id))
                              return Verdict::refused(
                                  QStringLiteral("The e-mail's file %1 is missing or damaged; it cannot be sent again.")
                                      .arg(QDir::toNativeSeparators(m_folder.path(messageFile(id)))),
                                  title);
                          if (e.state == OutboxEntry::State::Sent) {
                              const QString question =
                                  QStringLiteral(
                                      "This e-mail was sent on %1 and the server accepted it.\r\nSend it again?")
                                      .arg(e.sentAt.toString(QStringLiteral("M/d/yyyy h:mm AP")));
                              return Verdict::pending(answers, 0, question, title);
                          }
                          return std::nullopt;
                      });
}

QStringList MailOutbox::due(const QDateTime &now) const
{
    QStringList ids;
    for (const OutboxEntry &e : current().entries) {
        if (isDue(e, now))
            ids << e.id;
    }
    return ids;
}

QDateTime MailOutbox::nextDue() const
{
    QDateTime next;
    for (const OutboxEntry &e : current().entries) {
        if (e.state == OutboxEntry::State::Waiting && (!next.isValid() || e.nextTry < next))
            next = e.nextTry;
    }
    return next;
}

std::optional<MailMessage> MailOutbox::beginSend(const QString &id)
{
    WriteLock lock(m_folder);
    const auto e = entry(id);
    const QDateTime now = m_clock.now();
    if (!e || !isDue(*e, now))
        return std::nullopt;
    auto m = message(id);
    if (!m) {
        Record r = eventRecord(id, Step::Failed, now);
        r.setText(Answer, QStringLiteral("The message's file is missing or damaged."));
        appendRead(m_folder, r);
        return std::nullopt;
    }
    Record r = eventRecord(id, Step::Sending, now);
    r.setInt16(Attempts, qint16(std::min(e->attempts + 1, 32767)));
    appendRead(m_folder, r);
    return m;
}

void MailOutbox::finishSend(const QString &id, const MailOutcome &outcome)
{
    WriteLock lock(m_folder);
    const auto e = entry(id);
    if (!e)
        return;
    const QDateTime now = m_clock.now();
    Step event = Step::Sent;
    if (outcome.kind == MailOutcome::Kind::Refused)
        event = Step::Failed;
    else if (outcome.kind == MailOutcome::Kind::Unknown)
        event = Step::Interrupted;
    else if (outcome.kind == MailOutcome::Kind::RetryLater)
        event = e->queuedAt.isValid() && e->queuedAt.secsTo(now) >= kGiveUpSeconds ? Step::Failed : Step::PutOff;
    Record r = eventRecord(id, event, now);
    r.setInt16(Attempts, qint16(e->attempts));
    r.setInt16(Code, qint16(std::clamp(outcome.code, 0, 999)));
    QString answer = oneLine(outcome.answer);
    if (event == Step::Failed && outcome.kind == MailOutcome::Kind::RetryLater)
        answer = QStringLiteral("Given up after two days: ") + answer;
    r.setText(Answer, answer);
    if (event == Step::PutOff)
        r.setReal(NextTry, OleDate::fromDateTime(now.addSecs(60 * retryPauseMinutes(e->attempts))));
    appendRead(m_folder, r);
}

int MailOutbox::settleInterruptedSends()
{
    WriteLock lock(m_folder);
    std::vector<Record> records;
    const QDateTime now = m_clock.now();
    for (const OutboxEntry &e : current().entries) {
        if (e.state != OutboxEntry::State::Sending)
            continue;
        Record r = eventRecord(e.id, Step::Interrupted, now);
        r.setInt16(Attempts, qint16(e.attempts));
        r.setText(Answer, QStringLiteral("The program stopped during the send; the server may have the message."));
        records.push_back(std::move(r));
    }
    if (!records.empty())
        appendRead(m_folder, records);
    return int(records.size());
}

int MailOutbox::putOff(const QStringList &ids, const QDateTime &until, const QString &answer)
{
    WriteLock lock(m_folder);
    const Journal &journal = current();
    const QDateTime now = m_clock.now();
    std::vector<Record> records;
    for (const QString &id : ids) {
        const auto e = find(journal, id);
        if (!e || !isDue(*e, now))
            continue;
        Record r = eventRecord(id, Step::PutOff, now);
        r.setInt16(Attempts, qint16(e->attempts));
        r.setText(Answer, QStringLiteral("Not tried: ") + oneLine(answer));
        r.setReal(NextTry, OleDate::fromDateTime(until));
        records.push_back(std::move(r));
    }
    if (!records.empty())
        appendRead(m_folder, records);
    return int(records.size());
}
