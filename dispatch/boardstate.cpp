#include "dispatch/boardstate.h"

#include "core/clock.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "core/oledate.h"
#include "core/seams.h"
#include "core/settings.h"
#include "dispatch/agreementview.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipcreation.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipstore.h"
#include "dispatch/slipvalues.h"
#include "dispatch/statusrules.h"

#include <QHash>
#include <algorithm>

using namespace SlipField;
using namespace SlipValues;

const QString BoardState::kGridFormat =
    QStringLiteral("^SEL|^Slip No |^           Priority|<   Assigned To                     |^  Status             "
                   "|<Customer                      |^Date Received|^Scheduled Date/Time      ");
const QString BoardState::kNoSchedule = QStringLiteral("Date/Time not Selected");
const QString BoardState::kNoDateShown = QStringLiteral("No date Selected");

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kTick = QStringLiteral(" ") + QChar(0x00AB);

// A scheduled date as the board reads it; nothing for "0" or text that is not a date.
std::optional<QDate> schedDate(const Record &slip)
{
    const QString text = slip.text(SchedDate);
    if (text == kNoDate)
        return std::nullopt;
    return Formats::parseShortDate(text);
}

QString shownAssignment(const QString &stored)
{
    return stored.isEmpty() ? kNotAssigned : stored;
}

bool noAssignment(const QString &name)
{
    return name.isEmpty() || name == kNotAssigned;
}

// Line breaks as the slip file keeps them (CR LF) and as a text box shows them (LF).
QString toStored(QString text)
{
    text.replace(kCrLf, QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text.replace(QLatin1Char('\n'), kCrLf);
}

} // namespace

BoardState::BoardState(const DataFolder &folder, const Clock &clock, const Settings &settings)
    : m_folder(folder)
    , m_clock(clock)
    , m_settings(settings)
    , m_title(folder.executableName())
{}

void BoardState::load()
{
    m_rows.clear();
    m_ticked = 0;
    m_currentSlip = 0;
    m_gridCurrent = 0;
    m_change = {};
    m_changed = false;
    m_shown.clear();
    m_gridRowOf.clear();
    if (!m_folder.fileExists(SlipFiles::kActive))
        return;
    std::vector<Record> slips = LoadActiveSlips(m_folder);
    m_rows.reserve(slips.size());
    for (Record &slip : slips) {
        Row row{
            std::move(slip), {}, {}, {}, {}, {}, false, false, {}, {}, false, Record(serviceSlipLayout()), {}, false};
        derive(row);
        row.loadedStatus = row.cells[4];
        row.loadedAssignedTo = row.slip.text(AssignedTo);
        row.loadedSchedDate = row.slip.text(SchedDate);
        row.loadedSchedTime = row.slip.text(SchedTime);
        row.loadedPriority = row.cells[2];
        row.stored = row.slip;
        m_rows.push_back(std::move(row));
    }
    std::vector<int> all(m_rows.size());
    for (std::size_t i = 0; i < all.size(); ++i)
        all[i] = int(i) + 1;
    setShownRows(std::move(all));
}

std::vector<Record> BoardState::records() const
{
    std::vector<Record> out;
    out.reserve(m_rows.size());
    for (const Row &row : m_rows)
        out.push_back(row.slip);
    return out;
}

void BoardState::derive(Row &row) const
{
    const Record &s = row.slip;
    const QString date = s.text(SchedDate);
    const QString time = s.text(SchedTime);
    row.cells = QStringList{QString(),
                            QString::number(s.int16(SlipNo)),
                            s.text(Priority),
                            shownAssignment(s.text(AssignedTo)),
                            s.text(Status),
                            s.text(SiteName),
                            Formats::shortDate(OleDate::toDate(s.real(DateReceived))),
                            date == kNoDate ? kNoSchedule : date + QLatin1Char(' ') + time};
    row.scheduled = date == kNoDate ? QDate() : Formats::parseShortDate(date).value_or(QDate());
    row.damaged = !allStatuses().contains(row.cells[4]) || !priorities().contains(row.cells[2]) ||
                  !timeSlots().contains(time) || (date != kNoDate && !row.scheduled.isValid());
}

QString BoardState::cell(int r, int col) const
{
    if (r < 1 || r > count() || col < 0 || col >= kColumns)
        return {};
    const Row &rw = row(r);
    return col == 0 ? (rw.ticked ? kTick : QString()) : rw.cells[col];
}

QStringList BoardState::rowCells(int r) const
{
    QStringList cells = row(r).cells;
    cells[0] = cell(r, 0);
    return cells;
}

bool BoardState::isPastDue(int r) const
{
    return isPastDue(r, m_clock.today());
}

bool BoardState::isPastDue(int r, const QDate &today) const
{
    const Row &rw = row(r);
    return rw.scheduled.isValid() && rw.scheduled < today && rw.cells[4] != kInProgress;
}

bool BoardState::anyPastDue() const
{
    const QDate today = m_clock.today();
    for (int r = 1; r <= count(); ++r) {
        if (isPastDue(r, today))
            return true;
    }
    return false;
}

CellTone BoardState::tone(int r, int col) const
{
    return tone(r, col, m_clock.today());
}

CellTone BoardState::tone(int r, int col, const QDate &today) const
{
    if (r < 1 || r > count())
        return CellTone::Default;
    // A slip without a readable date gets no colour in its number and priority.
    const bool scheduled = row(r).scheduled.isValid();
    switch (col) {
    case 1:
        return !scheduled ? CellTone::Default : isPastDue(r, today) ? CellTone::PastDue : CellTone::Plain;
    case 2:
        return !scheduled                                 ? CellTone::Default
               : row(r).cells[2] == priorities().value(3) ? CellTone::Emergency
                                                          : CellTone::Plain;
    case 3:
        return row(r).assignmentChanged ? CellTone::ChangedAssignment : CellTone::Default;
    default:
        return CellTone::Default;
    }
}

QStringList BoardState::damage(int r) const
{
    QStringList problems;
    const Record &s = slip(r);
    const QString status = s.text(Status);
    if (!allStatuses().contains(status))
        problems.append(QStringLiteral("unknown status \"%1\"").arg(status));
    const QString priority = s.text(Priority);
    if (!priorities().contains(priority))
        problems.append(QStringLiteral("unknown priority \"%1\"").arg(priority));
    const QString time = s.text(SchedTime);
    if (!timeSlots().contains(time))
        problems.append(QStringLiteral("unknown time \"%1\"").arg(time));
    const QString date = s.text(SchedDate);
    if (date != kNoDate && !Formats::parseShortDate(date))
        problems.append(QStringLiteral("unreadable date \"%1\"").arg(date));
    return problems;
}

std::vector<int> BoardState::damagedRows() const
{
    std::vector<int> out;
    for (int r = 1; r <= count(); ++r) {
        if (row(r).damaged)
            out.push_back(r);
    }
    return out;
}

// --- A change from a phone ---------------------------------------------------------------------------------

namespace {

// The values of `slip` the board changes where they differ from `other`'s, as a message names them:
// "Suspended, no date", "assigned to Bo, 1/20/2026 08:00, priority High, the slip contents".
QString differences(const Record &slip, const Record &other)
{
    if (slip.bytes() == other.bytes())
        return {};
    QStringList parts;
    const auto differs = [&](int field) { return slip.text(field) != other.text(field); };
    if (differs(Status))
        parts << slip.text(Status);
    if (differs(AssignedTo))
        parts << (noAssignment(slip.text(AssignedTo)) ? kNotAssigned
                                                      : QStringLiteral("assigned to ") + slip.text(AssignedTo));
    if (differs(SchedDate) || differs(SchedTime))
        parts << (slip.text(SchedDate) == kNoDate ? QStringLiteral("no date")
                                                  : slip.text(SchedDate) + QLatin1Char(' ') + slip.text(SchedTime));
    if (differs(Priority))
        parts << QStringLiteral("priority ") + slip.text(Priority);
    if (differs(ServiceRequired))
        parts << QStringLiteral("the slip contents");
    return parts.join(QStringLiteral(", "));
}

} // namespace

std::vector<SlipStore::Held> BoardState::heldRows(bool dropTicked, bool dropAll) const
{
    std::vector<SlipStore::Held> rows;
    rows.reserve(m_rows.size());
    for (const Row &rw : m_rows) {
        if (!rw.leftBoard)
            rows.push_back({rw.stored, rw.slip, dropAll || (dropTicked && rw.ticked)});
    }
    return rows;
}

Verdict BoardState::store(const std::vector<SlipStore::Held> &rows, SlipStore::Completed completed)
{
    std::vector<SlipStore::NotKept> notKept;
    // The rows whose phone change the office refused: their own change is written over it.
    std::vector<Record> overruled;
    for (const Row &rw : m_rows) {
        if (rw.phoneOverruled && !rw.leftBoard && rw.slip != rw.stored &&
            std::any_of(rows.begin(), rows.end(),
                        [&](const SlipStore::Held &h) { return !h.drop && h.mine == rw.slip; }))
            overruled.push_back(rw.slip);
    }
    try {
        notKept = SlipStore(m_folder).save(rows, completed);
    } catch (const DiskError &e) {
        return refused(e.message());
    }
    load();
    std::erase_if(overruled, [&](const Record &slip) {
        return std::any_of(notKept.begin(), notKept.end(),
                           [&](const SlipStore::NotKept &n) { return isSameSlip(n.mine, slip); });
    });
    if (m_phoneOverruled && !overruled.empty())
        m_phoneOverruled(overruled);
    Verdict done = Verdict::done();
    if (notKept.empty())
        return done;
    QStringList lines;
    for (const SlipStore::NotKept &n : notKept) {
        const QString mine = differences(n.mine, n.loaded);
        lines << QStringLiteral("Slip %1: ").arg(n.loaded.int16(SlipNo)) +
                     (n.stored ? QStringLiteral("changed since from elsewhere (%1); your change was not saved: %2")
                                     .arg(differences(*n.stored, n.loaded), mine)
                               : QStringLiteral("it has left the board since (completed from a phone, or deleted); "
                                                "your change was not saved: %1")
                                     .arg(mine));
    }
    return done.tell(QStringLiteral("Changes stored by a phone or another window since these slips were read "
                                    "were kept:") +
                         kCrLf + lines.join(kCrLf),
                     m_title);
}

int BoardState::findSlip(const Record &s) const
{
    // The same slip as a save cut short matches it: number, moment received and account.
    for (int r = 1; r <= count(); ++r) {
        if (isSameSlip(slip(r), s))
            return r;
    }
    return 0;
}

QString BoardState::unsavedChange(int r) const
{
    return r >= 1 && r <= count() && !row(r).leftBoard ? differences(slip(r), row(r).stored) : QString();
}

void BoardState::takeStored(int r, const Record &stored, bool working)
{
    Row &rw = mutableRow(r);
    rw.stored = stored;
    rw.loadedStatus = stored.text(Status);
    rw.loadedAssignedTo = stored.text(AssignedTo);
    rw.loadedSchedDate = stored.text(SchedDate);
    rw.loadedSchedTime = stored.text(SchedTime);
    rw.loadedPriority = stored.text(Priority);
    if (working) {
        rw.slip = stored;
        rw.assignmentChanged = false;
        derive(rw);
    }
}

BoardState::PhoneTaken BoardState::takePhoneChange(const Record &before, const Record &after, const QString &phone,
                                                   const Answers &answers)
{
    PhoneTaken taken;
    if (before == after)
        return taken; // a request told again: nothing changed
    const QString slipNo = QStringLiteral("Slip %1").arg(after.int16(SlipNo));
    const QString status = after.text(Status);
    const QString technician = after.text(AssignedTo);
    const QString who = phone.isEmpty() ? technician + QStringLiteral("'s phone") : phone;
    const QString at = m_clock.now().time().toString(QStringLiteral("HH:mm"));
    const QString mark = status + QStringLiteral(" from ") + who + QLatin1Char(' ') + at;
    taken.statusLine = slipNo + QStringLiteral(": ") + mark;
    const int r = taken.row = findSlip(before);
    if (r == 0) {
        taken.statusLine += QStringLiteral(" (not on the board)");
        return taken;
    }
    if (row(r).leftBoard || row(r).stored == after)
        return taken; // taken before: the same change told twice
    const bool completed = status == kComplete;
    const QString title = QStringLiteral("Change from a Phone");
    const QString did =
        slipNo + QStringLiteral(": ") + who +
        (completed ? QStringLiteral(" completed it at ") + at
                   : QStringLiteral(" changed it at ") + at + QStringLiteral(": ") + differences(after, before)) +
        QLatin1Char('.');
    const QString mine = unsavedChange(r);
    // A change of the board's that is the phone's own is no conflict.
    const bool conflict = !mine.isEmpty() && !differences(slip(r), after).isEmpty();
    bool phoneWins = true;
    if (conflict && completed) {
        taken.tell(did + kCrLf + QStringLiteral("It has moved to the completed slips and cannot be changed here.") +
                       kCrLf + QStringLiteral("Your change not yet saved is dropped: ") + mine + QLatin1Char('.'),
                   title);
    } else if (conflict) {
        if (answers.empty()) {
            static_cast<Verdict &>(taken) =
                Verdict::ask(did + kCrLf + QStringLiteral("Your change not yet saved: ") + mine + QLatin1Char('.') +
                                 kCrLf + QStringLiteral("Keep the phone's change?"),
                             title);
            return taken;
        }
        phoneWins = answers[0];
    }
    takeStored(r, after, phoneWins);
    Row &rw = mutableRow(r);
    rw.phoneOverruled = !phoneWins;
    rw.fromPhone = mark + (phoneWins ? QString() : QStringLiteral(", your change kept"));
    if (!phoneWins)
        taken.statusLine += QStringLiteral(" - your change kept, not saved");
    if (completed) {
        rw.leftBoard = true;
        m_ticked -= rw.ticked ? 1 : 0;
        rw.ticked = false;
        if (m_currentSlip == r)
            m_currentSlip = 0;
    }
    // The technician's other slip set In Progress on the board and not saved: two after the phone's.
    for (int o = 1; phoneWins && status == kInProgress && o <= count(); ++o) {
        if (o != r && slip(o).text(Status) == kInProgress && slip(o).text(AssignedTo) == technician &&
            row(o).stored.text(Status) != kInProgress)
            taken.tell(QStringLiteral("%1 now has two slips In Progress: %2 from the phone, and %3 set on the board "
                                      "and not yet saved.")
                           .arg(technician, cell(r, 1), cell(o, 1)),
                       title);
    }
    m_changed = false;
    for (int o = 1; o <= count() && !m_changed; ++o)
        m_changed = !unsavedChange(o).isEmpty();
    return taken;
}

// --- Ticks --------------------------------------------------------------------------------------------------

bool BoardState::tickCell(int r, int col)
{
    setGridCurrentRow(r);
    if (col != 0 || r < 1 || r > count() || row(r).leftBoard)
        return false;
    Row &rw = mutableRow(r);
    rw.ticked = !rw.ticked;
    m_ticked += rw.ticked ? 1 : -1;
    if (rw.ticked)
        m_currentSlip = r;
    return true;
}

void BoardState::selectAll(bool on)
{
    if (on) {
        for (int r : m_shown)
            mutableRow(r).ticked = !row(r).leftBoard;
    } else {
        for (Row &rw : m_rows)
            rw.ticked = false;
    }
    m_ticked = int(std::count_if(m_rows.begin(), m_rows.end(), [](const Row &rw) { return rw.ticked; }));
}

std::vector<int> BoardState::tickedRows() const
{
    std::vector<int> out;
    out.reserve(std::size_t(m_ticked));
    for (int r = 1; r <= count(); ++r) {
        if (row(r).ticked)
            out.push_back(r);
    }
    return out;
}

// --- The rows shown -----------------------------------------------------------------------------------------

void BoardState::setShownRows(std::vector<int> rows)
{
    m_shown = std::move(rows);
    m_gridRowOf.assign(m_rows.size(), 0);
    for (std::size_t i = 0; i < m_shown.size(); ++i)
        m_gridRowOf[std::size_t(m_shown[i] - 1)] = int(i) + 1;
}

int BoardState::boardRow(int gridRow) const
{
    return gridRow >= 1 && gridRow <= shownCount() ? m_shown[std::size_t(gridRow - 1)] : 0;
}

int BoardState::gridRow(int boardRow) const
{
    return boardRow >= 1 && boardRow <= count() ? m_gridRowOf[std::size_t(boardRow - 1)] : 0;
}

int BoardState::hiddenTicked() const
{
    int hidden = 0;
    for (int r = 1; r <= count(); ++r)
        hidden += row(r).ticked && m_gridRowOf[std::size_t(r - 1)] == 0 ? 1 : 0;
    return hidden;
}

namespace {

QString hiddenNote(int hidden, int of, const QString &which)
{
    if (hidden == 0)
        return {};
    if (of == 1)
        return kCrLf + QStringLiteral("(the %1slip is hidden by the filter)").arg(which);
    return kCrLf + QStringLiteral("(%1 of the %2 %3slips %4 hidden by the filter)")
                       .arg(hidden)
                       .arg(of)
                       .arg(which)
                       .arg(hidden == 1 ? QStringLiteral("is") : QStringLiteral("are"));
}

} // namespace

QString BoardState::hiddenTickedNote() const
{
    return hiddenNote(hiddenTicked(), countTicked(), QStringLiteral("ticked "));
}

// --- Helpers ------------------------------------------------------------------------------------------------

void BoardState::setField(int r, int field, const QString &value)
{
    Row &rw = mutableRow(r);
    // Unchanged fields keep their stored bytes.
    if (rw.slip.text(field) != value) {
        rw.slip.setText(field, value);
        derive(rw);
        m_changed = true;
    }
}

bool BoardState::alarm() const
{
    return m_settings.soundAlarm;
}

QString BoardState::today() const
{
    return Formats::shortDate(m_clock.today());
}

std::optional<Verdict> BoardState::deleteQuestions(const QString &first, const QString &title, const Answers &answers)
{
    if (auto v = Verdict::pending(answers, 0, first, title))
        return v;
    if (auto v = Verdict::pending(answers, 1, QStringLiteral("ARE YOU SURE?"), QStringLiteral("DELETE VERIFICATION")))
        return v;
    return Verdict::pending(answers, 2, QStringLiteral("ARE YOU REALLY SURE?"),
                            QStringLiteral("DELETE VERIFICATION-FINAL"));
}

// --- Bulk actions -------------------------------------------------------------------------------------------

Verdict BoardState::confirmLeaveWithoutSaving(const Answers &answers) const
{
    return Verdict::pending(answers, 0,
                            QStringLiteral("This Action will EXIT this screen") + kCrLf +
                                QStringLiteral("WITHOUT SAVING Data Changes") + kCrLf +
                                QStringLiteral("(Deleted Items are NOT Restored)"),
                            QStringLiteral("Return to Menu"))
        .value_or(Verdict::done());
}

Verdict BoardState::saveAll()
{
    return store(heldRows(false, false), SlipStore::Completed::Move);
}

Verdict BoardState::saveInPlace()
{
    // The calendar's moves: a slip marked Complete stays in the active file until the board's own save.
    return store(heldRows(false, false), SlipStore::Completed::Stay);
}

Verdict BoardState::deleteAll(const Answers &answers)
{
    if (auto asked = deleteQuestions(QStringLiteral("This Action will DELETE ALL Slip Records") +
                                         hiddenNote(count() - shownCount(), count(), QString()),
                                     QStringLiteral("DELETE ALL SLIPS"), answers))
        return *asked;
    const auto visits = agreementVisits(false);
    if (auto asked = visitsQuestion(visits, answers))
        return *asked;
    if (const QString failed = AgreementView::beginDeletedVisits(m_folder, visits, !visits.empty() && !answers[3]);
        !failed.isEmpty())
        return Verdict::refused(failed, m_title);
    if (Verdict deleted = store(heldRows(false, true), SlipStore::Completed::Move); !deleted.isDone()) {
        AgreementView::noteDeletedVisits(m_folder, visits); // the slips stayed: their visits too
        return deleted;
    }
    return visitsDeleted(visits, answers);
}

std::vector<std::pair<qint16, qint32>> BoardState::agreementVisits(bool tickedOnly) const
{
    std::vector<std::pair<qint16, qint32>> visits;
    const QHash<qint16, qint32> slips = AgreementView::agreementSlips(m_folder);
    if (slips.isEmpty())
        return visits;
    for (const Row &row : m_rows) {
        const qint16 slipNo = row.slip.int16(SlipField::SlipNo);
        // A slip completed from a phone has left the active file: deleting the board's slips does not touch it.
        if (!row.leftBoard && (row.ticked || !tickedOnly) && slips.contains(slipNo))
            visits.emplace_back(slipNo, slips.value(slipNo));
    }
    return visits;
}

// The question after the three of a deletion, when slips made by agreements are among the deleted ones.
std::optional<Verdict> BoardState::visitsQuestion(const std::vector<std::pair<qint16, qint32>> &visits,
                                                  const Answers &answers)
{
    if (visits.empty() || answers.size() > 3)
        return std::nullopt;
    return Verdict::ask(AgreementView::deletedVisitsQuestion(visits), AgreementView::kDeletedVisitsTitle);
}

Verdict BoardState::visitsDeleted(const std::vector<std::pair<qint16, qint32>> &visits, const Answers &answers)
{
    if (visits.empty())
        return Verdict::done();
    const QString failed = AgreementView::noteDeletedVisits(m_folder, visits);
    Verdict done = Verdict::done();
    if (!failed.isEmpty())
        done.tell(failed, m_title);
    return done;
}

Verdict BoardState::deleteSelected(const Answers &answers)
{
    if (countTicked() == 0)
        return Verdict::refused();
    if (auto asked = deleteQuestions(QStringLiteral("This Action will DELETE ALL SELECTED Slips") + hiddenTickedNote(),
                                     QStringLiteral("DELETE SELECTED SLIPS"), answers))
        return *asked;
    const auto visits = agreementVisits(true);
    if (auto asked = visitsQuestion(visits, answers))
        return *asked;
    if (const QString failed = AgreementView::beginDeletedVisits(m_folder, visits, !visits.empty() && !answers[3]);
        !failed.isEmpty())
        return Verdict::refused(failed, m_title);
    Verdict deleted = store(heldRows(true, false), SlipStore::Completed::Stay);
    if (!deleted.isDone()) {
        AgreementView::noteDeletedVisits(m_folder, visits); // the slips stayed: their visits too
        return deleted;
    }
    Verdict visitsDone = visitsDeleted(visits, answers);
    for (const Notice &n : deleted.notices)
        visitsDone.tell(n.text, n.title);
    return visitsDone;
}

namespace {

// The question of Complete All and Complete Selected: the action, then each slip that is not completed as it
// stands and why, at most a screenful of them.
QString completionQuestion(const QString &action, const QStringList &notes)
{
    constexpr int kShown = 15;
    QString text = action;
    if (notes.isEmpty())
        return text;
    text += QStringLiteral("\r\n");
    for (int i = 0; i < notes.size() && i < kShown; ++i)
        text += QStringLiteral("\r\n") + notes[i];
    if (notes.size() > kShown)
        text += QStringLiteral("\r\n... and %1 more slips").arg(notes.size() - kShown);
    return text + QStringLiteral("\r\n\r\nClick YES to complete the slips that can be completed");
}

} // namespace

Verdict BoardState::completeRows(const std::vector<int> &rows, bool selected, const Answers &answers)
{
    const QDate now = m_clock.today();
    QStringList notes;
    std::vector<int> complete;
    for (int r : rows) {
        if (row(r).leftBoard)
            continue;
        const QString slipNo = QStringLiteral("Slip ") + cell(r, 1);
        const QString status = slip(r).text(Status);
        const auto date = schedDate(slip(r));
        if (!date) {
            notes << slipNo + QStringLiteral(": no scheduled date, it will not be completed");
            continue;
        }
        if (selected && noAssignment(slip(r).text(AssignedTo))) {
            notes << slipNo + QStringLiteral(": not assigned to a Service Technician, it will not be completed");
            continue;
        }
        if (selected && status == kComplete)
            continue;
        if (*date > now)
            notes << slipNo + QStringLiteral(": scheduled for %1, after today; the date will be set to today")
                                  .arg(slip(r).text(SchedDate));
        else if (selected && status != kInProgress && status != kSuspended)
            notes << slipNo + QStringLiteral(": %1, not In Progress").arg(status);
        complete.push_back(r);
    }
    const QString action = selected
                               ? QStringLiteral("This Action will COMPLETE all SELECTED Slips") + hiddenTickedNote()
                               : QStringLiteral("This Action will COMPLETE ALL Slips") +
                                     hiddenNote(count() - shownCount(), count(), QString());
    if (auto asked = Verdict::pending(answers, 0, completionQuestion(action, notes),
                                      selected ? QStringLiteral("COMPLETE SELECTED SLIPS")
                                               : QStringLiteral("COMPLETE ALL SLIPS"))) {
        asked->beep = !notes.isEmpty() && alarm();
        return *asked;
    }
    for (int r : complete) {
        if (*schedDate(slip(r)) > now) {
            setField(r, SchedDate, today());
            setField(r, SchedTime, kMoveToTodayTime);
        }
        setField(r, Status, kComplete);
    }
    return Verdict::done();
}

Verdict BoardState::completeAll(const Answers &answers)
{
    std::vector<int> rows;
    for (int r = 1; r <= count(); ++r)
        rows.push_back(r);
    return completeRows(rows, false, answers);
}

Verdict BoardState::completeSelected(const Answers &answers)
{
    Verdict verdict = completeRows(tickedRows(), true, answers);
    if (!verdict.isDone())
        return verdict;
    selectAll(false);
    return verdict.tell(QStringLiteral("All valid slips have been marked as COMPLETED") + kCrLf +
                            QStringLiteral("You must click the SaveAll Changes Button to save the slips"),
                        m_title);
}

// --- The current slip ---------------------------------------------------------------------------------------

bool BoardState::openSlip()
{
    if (countTicked() == 0 || m_currentSlip < 1 || m_currentSlip > count())
        return false;
    const Record &s = slip(m_currentSlip);
    m_change.assignment = s.text(AssignedTo);
    m_change.date = s.text(SchedDate);
    m_change.time = s.text(SchedTime);
    m_change.status = s.text(Status);
    m_change.priority = s.text(Priority);
    const auto date = schedDate(s);
    m_change.picker = date ? *date : m_clock.today();
    return true;
}

QString BoardState::scheduledForText() const
{
    if (m_currentSlip < 1 || m_currentSlip > count())
        return {};
    const QString date = slip(m_currentSlip).text(SchedDate);
    return date == kNoDate ? kNoDateShown : date;
}

Verdict BoardState::chooseStatus(const QString &status)
{
    if (status == m_change.status)
        return Verdict::done();
    if (const auto why = StatusRules::refusal(m_change.status, status))
        return refused(*why);
    m_change.status = status;
    if (status == kInProgress)
        m_change.date = Formats::shortDate(m_change.picker);
    return Verdict::done();
}

Verdict BoardState::pickDate(const QDate &picked)
{
    Verdict verdict;
    QDate date = picked;
    if (!date.isValid() || date < m_clock.today())
        date = m_clock.today();
    const QDate workday = nextWorkday(m_settings.workWeek, date);
    if (workday > date) {
        verdict.beep = alarm();
        date = workday;
        verdict.tell(QStringLiteral("Your Calendar Selection is Invalid"), m_title)
            .tell(QStringLiteral("The date has been set to ") + Formats::weekdayName(date) + QStringLiteral(", ") +
                      Formats::shortDate(date),
                  m_title);
    }
    m_change.picker = date;
    m_change.date = Formats::shortDate(date);
    return verdict;
}

BoardState::ListChoice BoardState::assignmentListIndex(const QStringList &list) const
{
    ListChoice choice;
    if (m_currentSlip < 1) {
        choice.kind = Verdict::Kind::Refused;
        return choice;
    }
    const QString shown = cell(m_currentSlip, 3).trimmed();
    choice.index = shown == kNotAssigned ? 0 : int(list.indexOf(shown));
    if (choice.index < 0) {
        choice.kind = Verdict::Kind::Refused;
        choice.tell(QStringLiteral("No Assignment matches the Service Slip") + kCrLf +
                        QStringLiteral("You'll need to select an assignment from the list"),
                    m_title);
    }
    return choice;
}

bool BoardState::isSignedOut(int skip, const QString &assignment) const
{
    for (int r = 1; r <= count(); ++r) {
        if (r == skip)
            continue;
        if (slip(r).text(Status) == kInProgress && cell(r, 3).trimmed() == assignment)
            return true;
    }
    return false;
}

BoardState::Ruling BoardState::ruleOnChange(int r, const SlipChange &change, bool testSlot) const
{
    Ruling ruling;
    StatusRules::Change asked;
    asked.status = change.status;
    asked.assignment = change.assignment;
    asked.date = change.date;
    asked.time = change.time;
    asked.othersInProgress = change.status.trimmed() == kInProgress && isSignedOut(r, change.assignment);
    static_cast<Verdict &>(ruling) = StatusRules::preconditions(asked);
    if (!ruling.isDone())
        return ruling;
    if (testSlot && !isUnscheduled(change.date, change.time)) {
        if (slotHolder(r, change, false) > 0) {
            static_cast<Verdict &>(ruling) =
                Verdict::refused(QStringLiteral("This Assignment, Date and Time have already been scheduled") + kCrLf +
                                     QStringLiteral("Select a different Assignment, Date or Time"),
                                 {});
            ruling.booked = true;
        } else if (const int other = slotHolder(r, change, true)) {
            static_cast<Verdict &>(ruling) =
                Verdict::ask(SlipCreation::overlapQuestionText(change.assignment, slip(other).int16(SlipNo),
                                                               slip(other).text(SchedTime),
                                                               Formats::parseShortDate(change.date).value_or(QDate())),
                             SlipCreation::kOverlapTitle);
        }
    }
    return ruling;
}

Verdict BoardState::verifyAndAccept(const QString &contents, const Answers &answers)
{
    if (m_currentSlip < 1 || m_currentSlip > count())
        return Verdict::refused();
    if (const auto tooLong = SlipCreation::serviceTooLong(toStored(contents)))
        return refused(*tooLong);
    SlipChange change = m_change;
    bool testSlot = true;
    std::size_t answered = 0;
    const Record &held = slip(m_currentSlip);
    // The question is about the date and time: a slip already suspended is asked again only when they change.
    const bool alreadySuspended = held.text(Status) == kSuspended && change.date.trimmed() == held.text(SchedDate) &&
                                  change.time.trimmed() == held.text(SchedTime);
    if (change.status.trimmed() == kSuspended && alreadySuspended) {
        testSlot = false;
    } else if (change.status.trimmed() == kSuspended) {
        if (answers.empty())
            return Verdict::ask(QStringLiteral("Click Yes to Reset Date and Time"),
                                QStringLiteral("Suspend Slip/Reset Date and Time"));
        if (answers[0]) {
            change.date = kNoDate;
            change.time = kNoTime;
        }
        testSlot = false;
        answered = 1;
    }
    const Ruling ruling = ruleOnChange(m_currentSlip, change, testSlot);
    if (ruling.kind == Verdict::Kind::Ask) {
        if (auto asked = Verdict::pending(answers, answered, ruling.question, ruling.title))
            return *asked;
    }
    // Every question is answered: what follows is the outcome.
    m_change = change;
    const QString text = ruling.notices.empty() ? QString() : ruling.notices.front().text;
    switch (ruling.kind) {
    case Verdict::Kind::Done:
    case Verdict::Kind::Ask:
        break;
    case Verdict::Kind::Refused:
        if (ruling.booked) {
            // The date stays as the New Date label shows it, the picker with it; only the time is to be chosen.
            m_change.picker = Formats::parseShortDate(m_change.date).value_or(m_clock.today());
            m_change.time = kNoTime;
        } else {
            // A change the rules refuse: the lists show again what the grid and the file keep for the slip.
            m_change.assignment = held.text(AssignedTo);
            m_change.status = held.text(Status);
            m_change.priority = held.text(Priority);
        }
        return refused(text);
    case Verdict::Kind::Redo: {
        openSlip();
        Verdict redo = refused(text);
        redo.kind = Verdict::Kind::Redo;
        return redo;
    }
    }
    return applyChanges(contents);
}

int BoardState::slotHolder(int skip, const SlipChange &change, bool overlapping) const
{
    const QString assignment = change.assignment.trimmed();
    for (int r = 1; r <= count(); ++r) {
        const Record &s = slip(r);
        if (r == skip || row(r).leftBoard || s.text(AssignedTo) != assignment ||
            !sameDay(s.text(SchedDate), change.date))
            continue;
        const bool hit = overlapping ? slotsOverlap(s.text(SchedTime), change.time)
                                     : takeSameSlot({change.assignment, change.date, change.time},
                                                    {s.text(AssignedTo), s.text(SchedDate), s.text(SchedTime)});
        if (hit)
            return r;
    }
    return 0;
}

void BoardState::reschedule(int r, const QString &assignment, const QString &date, const QString &time,
                            const QString &status)
{
    if (r < 1 || r > count())
        return;
    Row &rw = mutableRow(r);
    // Shown changed while it differs from the slip as loaded, so that taking a move back shows it as it was.
    rw.assignmentChanged = shownAssignment(assignment) != shownAssignment(rw.loadedAssignedTo);
    setField(r, AssignedTo, assignment);
    setField(r, SchedDate, date);
    setField(r, SchedTime, time);
    setField(r, Status, status);
}

void BoardState::reschedule(int r, const QString &assignment, const QDate &date, const QString &time,
                            const QString &status)
{
    if (r < 1 || r > count() || !date.isValid())
        return;
    reschedule(r, assignment, Formats::shortDate(date), time, status);
    mutableRow(r).scheduled = date;
}

Verdict BoardState::applyChanges(const QString &contents)
{
    Verdict verdict = Verdict::done().tell(QStringLiteral("Any Changes will be loaded to the Grid,") + kCrLf +
                                               QStringLiteral("The data is NOT RECORDED at this time") + kCrLf +
                                               QStringLiteral("Click Save Changes/Exit Button on the grid screen") +
                                               kCrLf + QStringLiteral("To SAVE all changes made to Service Slips"),
                                           m_title);
    const int r = m_currentSlip;
    Row &rw = mutableRow(r);
    rw.assignmentChanged = cell(r, 3) != shownAssignment(m_change.assignment);
    setField(r, AssignedTo, m_change.assignment);
    setField(r, SchedDate, m_change.date);
    setField(r, SchedTime, m_change.time);
    setField(r, Status, m_change.status);
    setField(r, Priority, m_change.priority);
    // The length was tested before: the contents go in as they are.
    const Verdict saved = saveContents(contents);
    verdict.notices.insert(verdict.notices.end(), saved.notices.begin(), saved.notices.end());
    selectAll(false);
    return verdict;
}

void BoardState::restoreSlip()
{
    const int r = m_currentSlip;
    if (r < 1 || r > count())
        return;
    Row &rw = mutableRow(r);
    const Row loaded = rw;
    setField(r, Status, loaded.loadedStatus);
    setField(r, AssignedTo, loaded.loadedAssignedTo);
    setField(r, SchedDate, loaded.loadedSchedDate);
    setField(r, SchedTime, loaded.loadedSchedTime);
    setField(r, Priority, loaded.loadedPriority);
    rw.assignmentChanged = false;
    m_change = {loaded.loadedAssignedTo, loaded.loadedSchedDate, loaded.loadedSchedTime,
                loaded.loadedStatus,     loaded.loadedPriority,  schedDate(rw.slip).value_or(m_clock.today())};
}

Verdict BoardState::saveContents(const QString &contents)
{
    const int r = m_currentSlip;
    if (r < 1 || r > count())
        return Verdict::done();
    if (const auto tooLong = SlipCreation::serviceTooLong(toStored(contents)))
        return refused(*tooLong);
    // A box that shows the stored text unchanged leaves the stored bytes alone.
    if (toStored(contents) != toStored(slip(r).text(ServiceRequired)))
        setField(r, ServiceRequired, toStored(contents));
    return Verdict::done();
}

QString BoardState::contentsLength(const QString &contents, bool *tooLong)
{
    const QString stored = toStored(contents);
    if (tooLong)
        *tooLong = SlipCreation::serviceTooLong(stored).has_value();
    return SlipCreation::serviceLengthText(stored);
}

QString BoardState::contentsForBox() const
{
    if (m_currentSlip < 1 || m_currentSlip > count())
        return {};
    return toStored(slip(m_currentSlip).text(ServiceRequired)).replace(kCrLf, QStringLiteral("\n"));
}

QString BoardState::textMessage(const QString &contents) const
{
    if (m_currentSlip < 1 || m_currentSlip > count())
        return {};
    const Record &s = slip(m_currentSlip);
    QStringList lines;
    lines << QStringLiteral("Service Attention - ") + cell(m_currentSlip, 1);
    for (int f : {SiteName, SiteAddress1, SiteAddress2, SiteCity, SiteState, SitePostalCode, SiteTelephone, SiteCell})
        lines << s.text(f);
    lines << QStringLiteral("Scheduled for ") + scheduledForText();
    lines << QStringLiteral("at ") + s.text(SchedTime);
    lines << toStored(contents).trimmed();
    return lines.join(kCrLf);
}

Verdict BoardState::copyTextMessage(Clipboard &clipboard, const QString &contents)
{
    if (m_currentSlip < 1 || m_currentSlip > count())
        return Verdict::refused();
    const QString text = textMessage(contents);
    clipboard.clear();
    clipboard.setText(text);
    return Verdict::done().tell(QStringLiteral("The Service Attention Data is now on the System Clipboard") + kCrLf +
                                    QStringLiteral("Paste it into the Message Area of your Text Messaging Screen"),
                                m_title);
}

QString BoardState::invoicePaperInstruction() const
{
    // An invoice prints for each ticked slip that is "Assigned", and for no other.
    qint64 sheets = 0;
    for (int r : tickedRows())
        sheets += slip(r).text(Status) == kAssigned ? 1 : 0;
    const qint64 copies = m_settings.invoiceCopies;
    const QString cr = QStringLiteral("\r");
    if (!m_settings.plainPaper) {
        if (copies >= 2)
            return QStringLiteral("Create Document Sets by Inserting ") + QString::number(sheets) +
                   QStringLiteral(" sheets") + cr + QStringLiteral("of Perfed Paper,(Perfed end 1st)") + cr +
                   QStringLiteral("each followed by ") + QString::number(copies - 1) +
                   QStringLiteral(" sheets of Blank Paper");
        return QStringLiteral("Insert ") + QString::number(sheets) + QStringLiteral(" sheets of Perfed Paper");
    }
    return QStringLiteral("Insert ") + QString::number(sheets * std::max<qint64>(copies, 1)) +
           QStringLiteral(" sheets of Blank Paper");
}
