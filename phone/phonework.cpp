#include "phone/phonework.h"

#include "core/clock.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "core/recordscan.h"
#include "core/settings.h"
#include "core/validation.h"
#include "dispatch/slipcreation.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipstore.h"
#include "dispatch/slipvalues.h"
#include "dispatch/statusrules.h"

#include <QtEndian>
#include <algorithm>
#include <tuple>

using namespace SlipField;
using namespace SlipValues;

namespace PhoneWork {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString joined(const QStringList &parts, const QString &separator)
{
    QStringList kept;
    for (const QString &p : parts) {
        if (!p.trimmed().isEmpty())
            kept << p.trimmed();
    }
    return kept.join(separator);
}

PhoneSlip phoneSlip(const Record &r, const QDate &date)
{
    PhoneSlip s;
    s.slipNo = r.int16(SlipNo);
    s.account = r.text(AcctNo).trimmed();
    s.date = date;
    s.time = r.text(SchedTime);
    s.status = r.text(Status);
    s.customer = r.text(SiteName);
    const QString stateZip = joined({r.text(SiteState), r.text(SitePostalCode)}, QStringLiteral(" "));
    s.address = joined({r.text(SiteAddress1), r.text(SiteAddress2), r.text(SiteCity), stateZip}, QStringLiteral(", "));
    s.telephone = r.text(SiteTelephone).isEmpty() ? r.text(Telephone) : r.text(SiteTelephone);
    s.cell = r.text(SiteCell).isEmpty() ? r.text(Cell) : r.text(SiteCell);
    s.services = r.text(ServiceRequired).replace(kCrLf, QStringLiteral("\n"));
    return s;
}

// Where a time slot stands in the list of the 14; a time the list does not know comes after them all.
int slotOrder(const QString &time)
{
    const qsizetype at = timeSlots().indexOf(time);
    return at < 0 ? int(timeSlots().size()) : int(at);
}

// One line of a text the log keeps: control characters (a line break sent to forge a log line) become blanks.
QString logField(QString text, int limit = 200)
{
    for (QChar &c : text) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    }
    return text.left(limit);
}

const char *actionName(Action action)
{
    switch (action) {
    case Action::Start:
        return "Start";
    case Action::Complete:
        return "Complete";
    case Action::CantFinish:
        return "Can't finish";
    }
    return "?";
}

// The slip's identity for the read-back: number, moment received and account, as the board save's repair uses.
QString writtenButNotRead(int slipNo)
{
    return QStringLiteral("The change to Service Slip %1 was written but does not read back as written. Look at the "
                          "slip on the Dispatch Board before anything else is changed.")
        .arg(slipNo);
}

QString notYourSlip(int slipNo)
{
    return QStringLiteral("Slip %1 is not among your active slips").arg(slipNo);
}

// --- The day's requests ------------------------------------------------------------------------------------
// One line each, tab-separated, after a first line naming the day:
//   R <technician> <id> <slip> <action> <HH:mm> pending|stored   a phone's request, by the id its page gave it
//   O <slip> <HH:mm>                                              the office saved over the slip's phone change
struct Ledger
{
    QDate day;
    QStringList lines;

    static Ledger read(const DataFolder &folder, const QDate &today)
    {
        Ledger ledger{today, {}};
        QStringList lines = QString::fromUtf8(folder.readAll(kRequests)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        if (!lines.isEmpty() && lines.takeFirst() == QStringLiteral("day\t") + today.toString(Qt::ISODate))
            ledger.lines = lines;
        return ledger;
    }
    void write(const DataFolder &folder)
    {
        if (lines.size() > kRequestsKept)
            lines.remove(0, lines.size() - kRequestsKept);
        folder.writeFile(kRequests, (QStringLiteral("day\t") + day.toString(Qt::ISODate) + QLatin1Char('\n') +
                                     lines.join(QLatin1Char('\n')) + QLatin1Char('\n'))
                                        .toUtf8());
    }
    static QString requestKey(const Request &r)
    {
        return QStringLiteral("R\t") +
               logField(r.technician.trimmed(), 60).replace(QLatin1Char('\t'), QLatin1Char(' ')) + QLatin1Char('\t') +
               r.id + QLatin1Char('\t') + QString::number(r.slipNo) + QLatin1Char('\t') +
               QString::fromLatin1(actionName(r.action)) + QLatin1Char('\t');
    }
    // The line of the request; -1 when it was not seen today.
    qsizetype find(const Request &r) const
    {
        const QString key = requestKey(r);
        for (qsizetype i = lines.size() - 1; i >= 0; --i) {
            if (lines[i].startsWith(key))
                return i;
        }
        return -1;
    }
    static QTime timeOf(const QString &line)
    {
        return QTime::fromString(line.section(QLatin1Char('\t'), -2, -2), QStringLiteral("HH:mm"));
    }
    static bool isStored(const QString &line) { return line.endsWith(QStringLiteral("\tstored")); }
    static QString requestLine(const Request &r, const QTime &at, bool stored)
    {
        return requestKey(r) + at.toString(QStringLiteral("HH:mm")) +
               (stored ? QStringLiteral("\tstored") : QStringLiteral("\tpending"));
    }
    // When the office last saved over the phone's change of the slip, if no phone stored another since.
    QTime officeChanged(qint16 slipNo) const
    {
        const QString slip = QString::number(slipNo);
        for (qsizetype i = lines.size() - 1; i >= 0; --i) {
            const QStringList f = lines[i].split(QLatin1Char('\t'));
            if (f.size() == 3 && f[0] == QLatin1String("O") && f[1] == slip)
                return QTime::fromString(f[2], QStringLiteral("HH:mm"));
            if (f.size() == 7 && f[0] == QLatin1String("R") && f[3] == slip && f[6] == QLatin1String("stored"))
                return {};
        }
        return {};
    }
};

// Whether the completed file holds the technician's slip: a completion whose answer was lost.
bool completedAlready(const DataFolder &folder, const Request &request)
{
    const auto name = storedBytes(request.technician.trimmed());
    const RecordScan done(folder, SlipFiles::kCompleted, serviceSlipLayout());
    const int at = serviceSlipLayout().offset(SlipNo);
    for (int i = done.count() - 1; name && i >= 0; --i) {
        if (qFromLittleEndian<qint16>(done.at(i) + at) == request.slipNo)
            return done.fieldIs(i, AssignedTo, *name);
    }
    return false;
}

} // namespace

void noteOfficeChanges(const DataFolder &folder, const Clock &clock, const std::vector<Record> &slips)
{
    if (slips.empty())
        return;
    const QDateTime now = clock.now();
    Ledger ledger = Ledger::read(folder, now.date());
    for (const Record &slip : slips)
        ledger.lines
            << QStringLiteral("O\t%1\t%2").arg(slip.int16(SlipNo)).arg(now.time().toString(QStringLiteral("HH:mm")));
    try {
        ledger.write(folder);
    } catch (const DiskError &) {
    }
}

std::vector<PhoneSlip> technicianDay(const DataFolder &folder, const Settings &settings, const QDate &today,
                                     const QString &technician)
{
    std::vector<PhoneSlip> day;
    const auto name = storedBytes(technician.trimmed());
    if (!name || name->isEmpty() || !today.isValid())
        return day;
    const QDate next = nextWorkday(settings.workWeek, today.addDays(1));
    // One read of the file; only the technician's own records are looked at closer.
    const RecordScan slips(folder, SlipFiles::kActive, serviceSlipLayout());
    const Ledger ledger = Ledger::read(folder, today);
    const QByteArray complete = kComplete.toLatin1();
    for (int i = 0; i < slips.count(); ++i) {
        if (!slips.fieldIs(i, AssignedTo, *name) || slips.fieldIs(i, Status, complete))
            continue;
        const QByteArrayView stored = slips.trimmed(i, SchedDate);
        const auto date = Formats::parseShortDate(QString::fromLatin1(stored.data(), stored.size()));
        if (!date || (*date != today && *date != next))
            continue;
        const Record record(serviceSlipLayout(), QByteArray(slips.at(i), serviceSlipLayout().length()));
        day.push_back(phoneSlip(record, *date));
        day.back().officeChanged = ledger.officeChanged(day.back().slipNo);
    }
    std::stable_sort(day.begin(), day.end(), [](const PhoneSlip &a, const PhoneSlip &b) {
        return std::tuple(a.date, slotOrder(a.time), a.slipNo) < std::tuple(b.date, slotOrder(b.time), b.slipNo);
    });
    return day;
}

namespace {

// The line a note or reason adds to the service text: who, when, what.
QString serviceLine(const QString &technician, const QDateTime &when, const QString &text)
{
    return technician.trimmed() + QLatin1Char(' ') + Formats::shortDate(when.date()) + QLatin1Char(' ') +
           when.time().toString(QStringLiteral("HH:mm")) + QStringLiteral(": ") + SlipCreation::storedServiceText(text);
}

// The service text with the line added; the refusal when it would not fit the field.
std::optional<QString> addToService(QString &service, const QString &line)
{
    const QString added = service.isEmpty() ? line : service + kCrLf + line;
    if (added.size() <= SlipCreation::kServiceWidth) {
        service = added;
        return std::nullopt;
    }
    // What fits is said in the phone's terms: the characters of the note itself.
    const qsizetype heading = line.indexOf(QStringLiteral(": ")) + 2;
    const qsizetype note = line.size() - heading;
    const qsizetype room = note - (added.size() - SlipCreation::kServiceWidth);
    if (room <= 0)
        return QStringLiteral("The slip's text is full (%1 characters): no note can be added to it. Call the office.")
            .arg(SlipCreation::kServiceWidth);
    return QStringLiteral("The note is too long for the slip: %1 of its %2 characters fit (each line break counts "
                          "as 2). Shorten it and send it again.")
        .arg(room)
        .arg(note);
}

// One line of the log: when, slip, technician, phone, action, what came of it and the text sent.
void appendLog(const DataFolder &folder, const QDateTime &when, const Request &request, const QString &result)
{
    const QString line = when.toString(Qt::ISODate) + QStringLiteral(" | slip ") + QString::number(request.slipNo) +
                         QStringLiteral(" | ") + logField(request.technician, 60) + QStringLiteral(" | phone ") +
                         logField(request.phone, 40) + QStringLiteral(" | ") +
                         QString::fromLatin1(actionName(request.action)) + QStringLiteral(" | ") + logField(result) +
                         (request.text.isEmpty() ? QString() : QStringLiteral(" | ") + logField(request.text)) +
                         QLatin1Char('\n');
    const QByteArray bytes = line.toUtf8();
    qint64 size = std::max<qint64>(0, folder.fileSize(kLog));
    if (size > 0 && size + bytes.size() > kLogLimit) {
        // The older half goes to one older file, replaced each time: the log never holds more than twice the limit.
        folder.renameFile(kLog, kOldLog);
        size = 0;
    }
    folder.appendGuard().append(folder.path(kLog), size, bytes, QStringLiteral("The line of the phone log"));
}

// The log is kept as well as it can be: a line it cannot take stops nothing (the change is stored or refused).
void logQuietly(const DataFolder &folder, const QDateTime &when, const Request &request, const QString &result)
{
    try {
        appendLog(folder, when, request, result);
    } catch (const DiskError &) {
    }
}

// The status a request asks for.
QString statusAsked(Action action)
{
    switch (action) {
    case Action::Start:
        return kInProgress;
    case Action::Complete:
        return kComplete;
    case Action::CantFinish:
        return kSuspended;
    }
    return {};
}

// The refusal of a request on this slip under the status rule, in the board's words; nothing when it may be
// carried out. `active` are the stored slips, `at` the slip's index among them.
std::optional<QString> ruling(const Request &request, const std::vector<Record> &active, std::size_t at)
{
    const Record &slip = active[at];
    const QString technician = request.technician.trimmed();
    StatusRules::Change change;
    change.status = statusAsked(request.action);
    change.assignment = slip.text(AssignedTo);
    change.date = slip.text(SchedDate);
    change.time = slip.text(SchedTime);
    if (request.action == Action::CantFinish)
        change.reason = request.text;
    for (std::size_t i = 0; i < active.size() && request.action == Action::Start; ++i) {
        if (i != at && active[i].text(Status) == kInProgress && active[i].text(AssignedTo) == technician)
            change.othersInProgress = true;
    }
    const Verdict verdict = StatusRules::judge(slip.text(Status), change);
    if (verdict.isDone())
        return std::nullopt;
    return verdict.notices.empty() ? QString() : verdict.notices.front().text;
}

} // namespace

Outcome store(const DataFolder &folder, const Clock &clock, const Request &request)
{
    QDateTime now = clock.now();
    Outcome outcome;
    auto refuse = [&](const QString &why) {
        outcome.stored = false;
        outcome.refusal = why;
        logQuietly(folder, now, request, QStringLiteral("refused: ") + why);
        return outcome;
    };
    // The request as the day's requests know it: stored before, tried before, or new (then written down first).
    const bool kept = !request.id.isEmpty();
    Ledger ledger = Ledger::read(folder, now.date());
    const qsizetype seen = kept ? ledger.find(request) : -1;
    if (seen >= 0 && Ledger::isStored(ledger.lines[seen])) {
        outcome.stored = outcome.repeated = true;
        outcome.at = Ledger::timeOf(ledger.lines[seen]);
        logQuietly(folder, now, request, QStringLiteral("sent again: stored before"));
        return outcome;
    }
    if (seen >= 0 && Ledger::timeOf(ledger.lines[seen]).isValid())
        now.setTime(Ledger::timeOf(ledger.lines[seen])); // the first try's time: its note line is the same
    auto stored = [&]() {
        outcome.stored = true;
        outcome.at = QTime(now.time().hour(), now.time().minute());
        if (!kept)
            return outcome;
        const qsizetype at = ledger.find(request);
        (at < 0 ? ledger.lines.emplace_back() : ledger.lines[at]) = Ledger::requestLine(request, now.time(), true);
        try {
            ledger.write(folder);
        } catch (const DiskError &) { // the change is stored: a request sent again finds it and is told so
        }
        return outcome;
    };
    std::vector<Record> active = LoadActiveSlips(folder);
    const QString technician = request.technician.trimmed();
    auto mine = std::find_if(active.begin(), active.end(), [&](const Record &r) {
        return r.int16(SlipNo) == request.slipNo && !technician.isEmpty() && r.text(AssignedTo) == technician;
    });
    if (mine == active.end() && seen >= 0 && request.action == Action::Complete && completedAlready(folder, request)) {
        outcome.repeated = true;
        logQuietly(folder, now, request, QStringLiteral("sent again: completed before"));
        return stored();
    }
    if (mine == active.end() || mine->text(Status) == kComplete || mine->text(Status) == kFinalized)
        return refuse(notYourSlip(request.slipNo));
    const std::size_t at = std::size_t(mine - active.begin());
    outcome.before = *mine;
    if (const auto why = ruling(request, active, at))
        return refuse(*why);

    Record after = *mine;
    const QString text = request.text.trimmed();
    if (request.action != Action::Start && !text.isEmpty()) {
        if (const auto notice = Validation::unstorableText(text))
            return refuse(notice->text);
        QString service = SlipCreation::storedServiceText(after.text(ServiceRequired));
        const QString line = serviceLine(technician, now, text);
        // A request sent again (its answer was lost on the way) adds its line once.
        if (!service.endsWith(line)) {
            if (const auto tooLong = addToService(service, line))
                return refuse(*tooLong);
            after.setText(ServiceRequired, service);
        }
    }
    switch (request.action) {
    case Action::Start:
        after.setText(Status, kInProgress);
        break;
    case Action::CantFinish:
        after.setText(Status, kSuspended);
        after.setText(SchedDate, kNoDate);
        after.setText(SchedTime, kNoTime);
        break;
    case Action::Complete:
        // The technician on the site says the job is done: a slip not started is completed all the same (the
        // board asks its user about that; the phone's user has answered by pressing Complete), and a date after
        // today moves to today as the board moves it.
        if (Formats::parseShortDate(after.text(SchedDate)).value_or(now.date()) > now.date()) {
            after.setText(SchedDate, Formats::shortDate(now.date()));
            after.setText(SchedTime, kMoveToTodayTime);
        }
        after.setText(Status, kComplete);
        break;
    }
    outcome.after = after;
    if (after == outcome.before) {
        logQuietly(folder, now, request, QStringLiteral("unchanged: ") + after.text(Status));
        return stored();
    }
    // Stored as the board's save stores, this slip alone changed (a completed one moves to the completed slips):
    // other slips marked Complete on the board and not saved since stay where they are until the board's own save
    // moves them.
    // Written down before the slip is touched: a request whose answer is lost from here on is recognised.
    if (kept && seen < 0) {
        ledger.lines << Ledger::requestLine(request, now.time(), false);
        ledger.write(folder);
    }
    try {
        const SlipStore::Held change[] = {{outcome.before, after, false}};
        SlipStore(folder).save(change);
    } catch (const DiskError &e) {
        logQuietly(folder, now, request, QStringLiteral("failed: ") + e.message());
        throw;
    }
    // Said stored only once the files hold it: a completed slip at the end of the completed file and no longer
    // among the active ones, any other in the active file as written.
    bool readBack = false;
    const std::vector<Record> written = LoadActiveSlips(folder);
    if (request.action == Action::Complete) {
        const int count = folder.recordCount(SlipFiles::kCompleted, serviceSlipLayout().length());
        const auto last = folder.readRecord(SlipFiles::kCompleted, serviceSlipLayout(), count);
        readBack = last && *last == after &&
                   std::none_of(written.begin(), written.end(), [&](const Record &r) { return isSameSlip(r, after); });
    } else {
        readBack = at < written.size() && written[at] == after;
    }
    if (!readBack) {
        logQuietly(folder, now, request, QStringLiteral("failed: not read back as written"));
        throw DiskError(writtenButNotRead(request.slipNo));
    }
    logQuietly(folder, now, request,
               QStringLiteral("stored: ") + outcome.before.text(Status) + QStringLiteral(" -> ") + after.text(Status));
    return stored();
}

} // namespace PhoneWork
