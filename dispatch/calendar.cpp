#include "dispatch/calendar.h"

#include "core/clock.h"
#include "core/cp1252.h"
#include "core/datafolder.h"
#include "core/formats.h"
#include "core/recordscan.h"
#include "core/seams.h"
#include "dispatch/agreementview.h"
#include "dispatch/boardstate.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipcreation.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipvalues.h"
#include "dispatch/statusrules.h"

#include <QHash>
#include <algorithm>
#include <tuple>

namespace Calendar {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// The two-hour slots and the hours, in the order of the time list.
const QStringList &twoHourSlots()
{
    static const QStringList list = SlipValues::timeSlots().mid(0, 4);
    return list;
}

// The first day of the week that holds `date`: Sunday when the business works Sundays, else Monday.
QDate weekStart(WorkWeek week, const QDate &date)
{
    const bool fromSunday = week == WorkWeek::SundayToFriday || week == WorkWeek::SundayToSaturday;
    const int dow = date.dayOfWeek(); // Monday 1 .. Sunday 7
    return fromSunday ? date.addDays(-(dow % 7)) : date.addDays(1 - dow);
}

// The hour of each row on a 24-hour clock.
int rowHour(int row)
{
    return slotHours(hourRows()[row])->start;
}

} // namespace

const QStringList &hourRows()
{
    static const QStringList list = SlipValues::timeSlots().mid(5);
    return list;
}

std::optional<RowSpan> slotRows(const QString &slot)
{
    const auto hours = slotHours(slot);
    if (!hours)
        return std::nullopt;
    RowSpan span{-1, -1};
    for (int row = 0; row < hourCount(); ++row) {
        const int hour = rowHour(row);
        const bool inside =
            hours->end == hours->start ? hour == hours->start : hour >= hours->start && hour < hours->end;
        if (!inside)
            continue;
        if (span.first < 0)
            span.first = row;
        span.last = row;
    }
    if (span.first < 0)
        return std::nullopt;
    return span;
}

bool isTwoHours(const QString &slot)
{
    const auto span = slotRows(slot);
    return span && span->last > span->first;
}

std::optional<QString> slotAt(const QString &slot, int row)
{
    if (row < 0 || row >= hourCount())
        return std::nullopt;
    if (!isTwoHours(slot))
        return hourRows()[row];
    for (const QString &block : twoHourSlots()) {
        const auto span = slotRows(block);
        if (row >= span->first && row <= span->last)
            return block;
    }
    return std::nullopt;
}

std::optional<QString> neighbourSlot(const QString &slot, int step)
{
    const QStringList &list = isTwoHours(slot) ? twoHourSlots() : hourRows();
    const qsizetype index = list.indexOf(slot.trimmed());
    if (index < 0 || index + step < 0 || index + step >= list.size())
        return std::nullopt;
    return list[index + step];
}

bool isWorkday(WorkWeek week, const QDate &date)
{
    return date.isValid() && nextWorkday(week, date) == date;
}

std::vector<QDate> workWeekDays(WorkWeek week, const QDate &date)
{
    const QDate start = weekStart(week, date);
    std::vector<QDate> days;
    for (int i = 0; i < 7; ++i) {
        if (isWorkday(week, start.addDays(i)))
            days.push_back(start.addDays(i));
    }
    return days;
}

bool slotBegun(const QString &slot, const QDate &day, const QDateTime &now)
{
    if (!now.isValid() || day != now.date())
        return now.isValid() && day < now.date();
    const auto hours = slotHours(slot);
    return hours && hours->start <= now.time().hour();
}

bool slotFree(const QStringList &booked, const QString &slot)
{
    return std::none_of(booked.begin(), booked.end(), [&slot](const QString &b) { return slotsClash(b, slot); });
}

std::optional<FreeSlot> nextFreeSlot(const RecordScan &slips, const QString &technician, const QDate &from,
                                     WorkWeek week, bool twoHours, const QDateTime &now, int days)
{
    const auto wanted = storedBytes(technician.trimmed());
    if (!wanted || wanted->isEmpty() || !from.isValid())
        return std::nullopt;
    // The technician's booked slots by day, in one pass over the slips.
    QHash<qint64, QStringList> booked;
    const QDate last = from.addDays(days);
    for (int i = 0; i < slips.count(); ++i) {
        if (!slips.fieldIs(i, SlipField::AssignedTo, *wanted))
            continue;
        const QByteArrayView date = slips.trimmed(i, SlipField::SchedDate);
        const auto day = Formats::parseShortDate(Cp1252::decode(date.data(), date.size()));
        if (!day || *day < from || *day > last)
            continue;
        const QByteArrayView time = slips.trimmed(i, SlipField::SchedTime);
        booked[day->toJulianDay()].append(Cp1252::decode(time.data(), time.size()));
    }
    const QStringList &candidates = twoHours ? twoHourSlots() : hourRows();
    for (QDate day = from; day <= last; day = day.addDays(1)) {
        if (!isWorkday(week, day))
            continue;
        const QStringList taken = booked.value(day.toJulianDay());
        for (const QString &slot : candidates) {
            if (!slotBegun(slot, day, now) && slotFree(taken, slot))
                return FreeSlot{day, slot};
        }
    }
    return std::nullopt;
}

std::optional<FreeSlot> nextFreeSlot(const DataFolder &folder, const QString &technician, const QDate &from,
                                     WorkWeek week, bool twoHours, const QDateTime &now, int days)
{
    return nextFreeSlot(RecordScan(folder, SlipFiles::kActive, serviceSlipLayout()), technician, from, week, twoHours,
                        now, days);
}

// --- The model ----------------------------------------------------------------------------------------------

Model::Model(BoardState &board, const Settings &settings, const Clock &clock, Saving saving)
    : m_board(board)
    , m_saving(saving)
    , m_settings(settings)
    , m_clock(clock)
{
    const QHash<qint16, qint32> slips = AgreementView::agreementSlips(board.folder());
    if (slips.isEmpty())
        return;
    QHash<qint32, QStringList> services;
    for (const Agreement &a : Agreements::load(board.folder()))
        services.insert(a.id, a.services);
    for (auto it = slips.cbegin(); it != slips.cend(); ++it)
        m_origins.insert(it.key(), AgreementView::slipOrigin(it.value(), services.value(it.value())));
}

void Model::showWeek(const QString &technician, const QDate &date)
{
    m_view = View::Week;
    m_technician = technician.trimmed();
    m_date = date;
    m_days = workWeekDays(m_settings.workWeek, date);
    place();
}

void Model::showDay(const QDate &date, const QStringList &technicians)
{
    m_view = View::Day;
    m_date = date;
    m_technicians = technicians;
    place();
}

void Model::refresh()
{
    place();
}

int Model::columnCount() const
{
    return m_view == View::Week ? int(m_days.size()) : int(m_technicians.size());
}

QDate Model::columnDate(int column) const
{
    if (m_view == View::Day)
        return m_date;
    return column >= 0 && column < int(m_days.size()) ? m_days[std::size_t(column)] : QDate();
}

QString Model::columnTechnician(int column) const
{
    if (m_view == View::Week)
        return m_technician;
    return m_technicians.value(column);
}

QString Model::columnTitle(int column) const
{
    if (m_view == View::Day)
        return m_technicians.value(column);
    const QDate day = columnDate(column);
    return Formats::weekdayName(day) + QLatin1Char(' ') + Formats::shortDate(day);
}

bool Model::columnOpen(int column) const
{
    const QDate day = columnDate(column);
    return column >= 0 && column < columnCount() && isWorkday(m_settings.workWeek, day) && day >= m_clock.today();
}

const std::vector<int> &Model::columnBlocks(int column) const
{
    static const std::vector<int> none;
    return column >= 0 && column < int(m_byColumn.size()) ? m_byColumn[std::size_t(column)] : none;
}

const Model::Block *Model::blockOfRow(int row) const
{
    for (const Block &b : m_blocks) {
        if (b.row == row)
            return &b;
    }
    return nullptr;
}

int Model::blockAt(int column, int hourRow) const
{
    for (int index : columnBlocks(column)) {
        const Block &b = m_blocks[std::size_t(index)];
        if (hourRow >= b.rows.first && hourRow <= b.rows.last)
            return index;
    }
    return -1;
}

bool Model::hourOpen(int column, int hourRow) const
{
    return columnOpen(column) && hourRow >= 0 && hourRow < hourCount() &&
           !slotBegun(hourRows()[hourRow], columnDate(column), m_clock.now());
}

bool Model::isFree(int column, int hourRow) const
{
    return hourOpen(column, hourRow) && blockAt(column, hourRow) < 0;
}

int Model::technicianColumn(const QString &technician) const
{
    return m_view == View::Day ? int(m_technicians.indexOf(technician.trimmed())) : -1;
}

QString Model::describe(int row) const
{
    if (row < 1 || row > m_board.count())
        return {};
    const Record &s = m_board.slip(row);
    const QString date = s.text(SlipField::SchedDate);
    QString when = date == SlipValues::kNoDate ? QStringLiteral("no date") : date;
    if (date != SlipValues::kNoDate)
        when += QLatin1Char(' ') + s.text(SlipField::SchedTime);
    const QString city = s.text(SlipField::SiteCity);
    return QStringLiteral("%1 %2%3 - %4")
        .arg(m_board.cell(row, 1), m_board.cell(row, 5), city.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(city),
             when);
}

void Model::place()
{
    m_blocks.clear();
    m_unplaced.clear();
    m_byColumn.assign(std::size_t(std::max(columnCount(), 0)), {});
    m_clashes = 0;
    QHash<QString, int> technicianColumn;
    if (m_view == View::Day) {
        for (int c = 0; c < m_technicians.size(); ++c)
            technicianColumn.insert(m_technicians[c].trimmed(), c);
    }
    const QDate firstDay = weekStart(m_settings.workWeek, m_date);
    const QDate lastDay = firstDay.addDays(6);
    for (int r = 1; r <= m_board.count(); ++r) {
        const BoardState::Row &row = m_board.row(r);
        int column = -1;
        if (m_view == View::Week) {
            if (m_technician.isEmpty() || row.slip.text(SlipField::AssignedTo) != m_technician)
                continue;
            if (!row.scheduled.isValid()) {
                m_unplaced.push_back(r); // no date
                continue;
            }
            if (row.scheduled < firstDay || row.scheduled > lastDay)
                continue;
            for (int c = 0; c < int(m_days.size()); ++c) {
                if (m_days[std::size_t(c)] == row.scheduled)
                    column = c;
            }
        } else {
            if (row.scheduled != m_date)
                continue;
            column = technicianColumn.value(row.slip.text(SlipField::AssignedTo), -1);
        }
        const QString time = row.slip.text(SlipField::SchedTime);
        const auto span = slotRows(time);
        // A day the business does not work, no technician of the day, or no time: listed beside.
        if (column < 0 || !span) {
            m_unplaced.push_back(r);
            continue;
        }
        Block b;
        b.row = r;
        b.column = column;
        b.rows = *span;
        b.slipNo = row.slip.int16(SlipField::SlipNo);
        b.time = time;
        b.customer = row.cells[5];
        b.city = row.slip.text(SlipField::SiteCity);
        b.service = row.slip.text(SlipField::ServiceRequired).section(QLatin1Char('\n'), 0, 0).trimmed();
        b.status = row.cells[4];
        b.fromPhone = row.fromPhone;
        b.priority = row.cells[2];
        b.origin = m_origins.value(b.slipNo);
        m_byColumn[std::size_t(column)].push_back(int(m_blocks.size()));
        m_blocks.push_back(std::move(b));
    }
    for (int c = 0; c < columnCount(); ++c)
        laneColumn(c);
}

void Model::laneColumn(int column)
{
    std::vector<int> &indexes = m_byColumn[std::size_t(column)];
    std::sort(indexes.begin(), indexes.end(), [this](int a, int b) {
        const Block &x = m_blocks[std::size_t(a)];
        const Block &y = m_blocks[std::size_t(b)];
        return std::tuple(x.rows.first, x.rows.last, x.slipNo) < std::tuple(y.rows.first, y.rows.last, y.slipNo);
    });
    // Groups of slips whose rows overlap share the column's width in lanes; within a group the slips that clash
    // (the same slot, or slots sharing time) are marked.
    std::size_t start = 0;
    while (start < indexes.size()) {
        std::size_t end = start + 1;
        int groupLast = m_blocks[std::size_t(indexes[start])].rows.last;
        while (end < indexes.size() && m_blocks[std::size_t(indexes[end])].rows.first <= groupLast) {
            groupLast = std::max(groupLast, m_blocks[std::size_t(indexes[end])].rows.last);
            ++end;
        }
        std::vector<int> laneLast;
        for (std::size_t i = start; i < end; ++i) {
            Block &b = m_blocks[std::size_t(indexes[i])];
            std::size_t lane = 0;
            while (lane < laneLast.size() && laneLast[lane] >= b.rows.first)
                ++lane;
            if (lane == laneLast.size())
                laneLast.push_back(b.rows.last);
            else
                laneLast[lane] = b.rows.last;
            b.lane = int(lane);
            for (std::size_t j = start; j < i; ++j) {
                Block &other = m_blocks[std::size_t(indexes[j])];
                if (slotsClash(other.time, b.time)) {
                    m_clashes += (other.clash ? 0 : 1) + (b.clash ? 0 : 1);
                    other.clash = b.clash = true;
                }
            }
        }
        for (std::size_t i = start; i < end; ++i)
            m_blocks[std::size_t(indexes[i])].lanes = int(laneLast.size());
        start = end;
    }
}

Model::Cell Model::cellOf(int row) const
{
    if (const Block *b = blockOfRow(row))
        return {b->column, b->rows.first};
    return {};
}

std::optional<Model::Cell> Model::stepped(const Cell &from, const QString &slot, int columns, int steps) const
{
    Cell to = from;
    to.column += columns;
    if (to.column < 0 || to.column >= columnCount() || from.hourRow < 0)
        return std::nullopt;
    if (steps != 0) {
        const auto here = slotAt(slot, from.hourRow);
        const auto next = here ? neighbourSlot(*here, steps) : std::nullopt;
        if (!next)
            return std::nullopt;
        to.hourRow = slotRows(*next)->first;
    }
    return to;
}

Verdict Model::move(int row, int column, int hourRow, const Answers &answers)
{
    if (row < 1 || row > m_board.count() || column < 0 || column >= columnCount() || hourRow < 0 ||
        hourRow >= hourCount())
        return Verdict::refused();
    const auto time = slotAt(m_board.slip(row).text(SlipField::SchedTime), hourRow);
    if (!time)
        return Verdict::refused(
            QStringLiteral("No two-hour slot starts at or holds %1; a two-hour slip keeps its length.")
                .arg(hourRows()[hourRow]),
            m_board.title());
    return moveTo(row, columnTechnician(column), columnDate(column), *time, answers);
}

Verdict Model::moveToDay(int row, const QDate &day, const Answers &answers)
{
    if (row < 1 || row > m_board.count() || !day.isValid())
        return Verdict::refused();
    const Record &s = m_board.slip(row);
    QString technician = s.text(SlipField::AssignedTo);
    if (technician.isEmpty() && m_view == View::Week)
        technician = m_technician;
    if (technician.isEmpty())
        return Verdict::refused(QStringLiteral("Slip %1 has no technician: drag it onto a technician's column first.")
                                    .arg(m_board.cell(row, 1)),
                                m_board.title());
    // Its own slot where that is free that day, else the first free one of its kind.
    const QString own = s.text(SlipField::SchedTime);
    QStringList candidates = isTwoHours(own) ? twoHourSlots() : hourRows();
    if (slotRows(own))
        candidates.prepend(own);
    for (const QString &slot : std::as_const(candidates)) {
        const bool ownPlace = technician == s.text(SlipField::AssignedTo) && slot == own &&
                              sameDay(s.text(SlipField::SchedDate), Formats::shortDate(day));
        if (ownPlace || (!slotBegun(slot, day, m_clock.now()) && clashing(row, technician, day, slot).isEmpty()))
            return moveTo(row, technician, day, slot, answers);
    }
    if (!isWorkday(m_settings.workWeek, day) || day < m_clock.today())
        return moveTo(row, technician, day, own, answers); // refused with the day's reason
    return Verdict::refused(QStringLiteral("%1 has no free slot left on %2.").arg(technician, Formats::shortDate(day)),
                            m_board.title());
}

QStringList Model::clashing(int row, const QString &technician, const QDate &day, const QString &time) const
{
    QStringList out;
    const QString date = Formats::shortDate(day);
    for (int r = 1; r <= m_board.count(); ++r) {
        const Record &s = m_board.slip(r);
        if (r == row || s.text(SlipField::AssignedTo) != technician.trimmed() ||
            !sameDay(s.text(SlipField::SchedDate), date) || !slotsClash(s.text(SlipField::SchedTime), time))
            continue;
        out << QStringLiteral("slip %1 (%2) at %3")
                   .arg(m_board.cell(r, 1), m_board.cell(r, 5), s.text(SlipField::SchedTime));
    }
    return out;
}

namespace {

// "a", "a and b", "a, b and c".
QString joinedNames(const QStringList &names)
{
    if (names.size() < 2)
        return names.value(0);
    return names.mid(0, names.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + names.back();
}

} // namespace

Verdict Model::moveTo(int row, const QString &technician, const QDate &day, const QString &time, const Answers &answers)
{
    const QString title = m_board.title();
    const QString slipNo = m_board.cell(row, 1);
    if (m_board.row(row).leftBoard)
        return Verdict::refused(QStringLiteral("Slip %1 was completed from a phone (%2) and has moved to the completed "
                                               "slips: it cannot be moved here.")
                                    .arg(slipNo, m_board.row(row).fromPhone),
                                title);
    if (!isWorkday(m_settings.workWeek, day))
        return Verdict::refused(
            QStringLiteral("The business does not work on %1s.\r\n%2 cannot be scheduled on %3.")
                .arg(Formats::weekdayName(day), QStringLiteral("Slip ") + slipNo, Formats::shortDate(day)),
            title);
    if (day < m_clock.today())
        return Verdict::refused(QStringLiteral("%1 has gone by: a slip can be scheduled for today or a later day.")
                                    .arg(Formats::shortDate(day)),
                                title);
    const Record &s = m_board.slip(row);
    const QString oldTime = s.text(SlipField::SchedTime);
    const QString status = s.text(SlipField::Status);
    SlipChange change;
    change.assignment = technician;
    change.date = Formats::shortDate(day);
    change.time = time;
    // A slip waiting for a technician is assigned by being given one, as slip creation does.
    change.status = StatusRules::assigned(status, technician);
    change.priority = s.text(SlipField::Priority);
    change.picker = day;
    if (s.text(SlipField::AssignedTo) == change.assignment && change.time == oldTime &&
        sameDay(s.text(SlipField::SchedDate), change.date) && change.status == status)
        return Verdict::done(); // put back where it was
    if (slotBegun(time, day, m_clock.now()))
        return Verdict::refused(
            QStringLiteral("%1 today has begun: slip %2 can be moved to a later hour.").arg(time, slipNo), title);
    const BoardState::Ruling ruling = m_board.ruleOnChange(row, change, true);
    // Every slip in the way is named, not only the first.
    const auto inTheWay = [&] { return joinedNames(clashing(row, technician, day, time)); };
    const QString ruled = ruling.notices.empty() ? QString() : ruling.notices.front().text;
    if (ruling.booked)
        return Verdict::refused(
            ruled + kCrLf + QStringLiteral("%1 has %2 on %3.").arg(technician.trimmed(), inTheWay(), change.date),
            title);
    if (ruling.kind == Verdict::Kind::Refused || ruling.kind == Verdict::Kind::Redo)
        return Verdict::refused(ruled, title);
    std::size_t asked = 0;
    if (status == SlipValues::kInProgress || status == SlipValues::kComplete) {
        if (auto v = Verdict::pending(answers, asked++,
                                      QStringLiteral("Slip %1 is %2,").arg(slipNo, status) + kCrLf +
                                          QStringLiteral("Click YES if you want to move it anyway"),
                                      QStringLiteral("Move Slip")))
            return *v;
    }
    if (ruling.kind == Verdict::Kind::Ask) {
        const QString question = QStringLiteral("%1 already has %2 on %3. Book slip %4 at %5 anyway?")
                                     .arg(technician.trimmed(), inTheWay(), change.date, slipNo, time);
        if (auto v = Verdict::pending(answers, asked++, question, ruling.title))
            return *v;
    }
    m_undo.push_back({row, s.text(SlipField::AssignedTo), s.text(SlipField::SchedDate), oldTime, status,
                      m_board.hasUnsavedChanges()});
    m_board.reschedule(row, change.assignment, day, change.time, change.status);
    place();
    return Verdict::done();
}

bool Model::undo()
{
    if (m_undo.empty())
        return false;
    const Undo u = m_undo.back();
    m_undo.pop_back();
    m_board.reschedule(u.row, u.assignment, u.date, u.time, u.status);
    m_board.restoreChangedMark(u.boardChanged);
    place();
    return true;
}

void Model::phoneChanged(int row)
{
    const auto first = std::find_if(m_undo.begin(), m_undo.end(), [row](const Undo &u) { return u.row == row; });
    const bool kept = !m_board.unsavedChange(row).isEmpty();
    if (first != m_undo.end() && kept) {
        const BoardState::Row &r = m_board.row(row);
        *first = {row, r.loadedAssignedTo, r.loadedSchedDate, r.loadedSchedTime, r.loadedStatus, true};
        m_undo.erase(std::remove_if(first + 1, m_undo.end(), [row](const Undo &u) { return u.row == row; }),
                     m_undo.end());
    } else {
        std::erase_if(m_undo, [row](const Undo &u) { return u.row == row; });
    }
    // Taking back the other moves does not clear the mark of changes while the kept change differs.
    for (Undo &u : m_undo)
        u.boardChanged = u.boardChanged || kept;
    place();
}

void Model::undoAll()
{
    while (undo()) {
    }
}

QStringList Model::movedSlips() const
{
    QStringList out;
    std::vector<int> rows;
    for (const Undo &u : m_undo) {
        if (std::find(rows.begin(), rows.end(), u.row) != rows.end())
            continue;
        rows.push_back(u.row);
        const BoardState::Row &r = m_board.row(u.row);
        const Record &s = r.slip;
        // A slip moved back to where it was loaded has not moved.
        if (s.text(SlipField::AssignedTo) == r.loadedAssignedTo && s.text(SlipField::SchedDate) == r.loadedSchedDate &&
            s.text(SlipField::SchedTime) == r.loadedSchedTime && s.text(SlipField::Status) == r.loadedStatus)
            continue;
        out << QStringLiteral("Slip %1 to %2 %3 %4")
                   .arg(m_board.cell(u.row, 1), s.text(SlipField::AssignedTo), s.text(SlipField::SchedDate),
                        s.text(SlipField::SchedTime));
    }
    return out;
}

Verdict Model::save()
{
    if (m_saving == Saving::ByTheBoard)
        return Verdict::refused();
    Verdict saved = m_board.saveInPlace();
    if (!saved.isDone())
        return saved;
    m_undo.clear();
    place();
    return saved;
}

Verdict Model::confirmClose(const Answers &answers)
{
    if (m_saving == Saving::ByTheBoard)
        return Verdict::done();
    const QStringList moved = movedSlips();
    if (moved.isEmpty()) {
        undoAll();
        return Verdict::done();
    }
    const QString title = QStringLiteral("Close the Calendar");
    if (answers.empty())
        return Verdict::ask(QStringLiteral("The slips moved on the calendar have not been saved:") + kCrLf +
                                moved.join(kCrLf) + kCrLf +
                                QStringLiteral("Click YES to save them, NO to close without saving them"),
                            title);
    if (answers[0])
        return save();
    if (auto v = Verdict::pending(answers, 1,
                                  QStringLiteral("Close the calendar WITHOUT SAVING the moves?") + kCrLf +
                                      QStringLiteral("Click NO to go back to the calendar"),
                                  title))
        return *v;
    undoAll();
    return Verdict::done();
}

} // namespace Calendar
