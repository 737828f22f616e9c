#include "dispatch/slipcreation.h"

#include "accounts/customerfile.h"
#include "accounts/customerrecord.h"
#include "core/clock.h"
#include "core/cp1252.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "core/recordscan.h"
#include "core/seams.h"
#include "core/slipcounter.h"
#include "core/validation.h"
#include "dispatch/newslip.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipvalues.h"

#include <QFile>
#include <algorithm>
#include <cstring>

namespace SlipCreation {

AccountBlock accountBlock(const Record &customer)
{
    using namespace CustomerField;
    AccountBlock block;
    block.acctNo = customer.text(AcctNo);
    QString name = customer.text(Name);
    if (customer.text(AcctType) == CustomerFile::kIndividual) {
        const QString person = personName(customer).trimmed();
        if (!person.isEmpty())
            name = person;
    }
    block.lines = {name,
                   customer.text(Address1),
                   customer.text(Address2),
                   customer.text(City),
                   customer.text(State),
                   customer.text(Address4),
                   customer.text(Telephone),
                   customer.text(Cell)};
    return block;
}

namespace {

// True when a record of the customer file holds this account number. The file may hold tens of thousands of
// accounts: it is looked at through a mapping of the file (no copy of it is made) and the search stops at the
// first hit. The file is replaced by renaming a new one into place, so the mapped file does not change under
// the scan; where no mapping can be made the file is read in pieces.
bool accountOnFile(const DataFolder &folder, const QByteArray &acctNo)
{
    if (!folder.fileExists(CustomerFile::kPath))
        return false;
    QFile file(folder.path(CustomerFile::kPath));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const RecordLayout &layout = customerLayout();
    const int length = layout.length();
    const int width = layout.size(CustomerField::AcctNo);
    const int offset = layout.offset(CustomerField::AcctNo);
    // Whether the records in these bytes hold the number; a short last record reads as completed with blanks.
    const auto holds = [&](const char *bytes, qint64 size) {
        for (qint64 start = 0; start < size; start += length) {
            const char *p = bytes + start + offset;
            if (!acctNo.isEmpty() && start + offset < size && *p != ' ' && *p != acctNo.front())
                continue; // most accounts differ at the first letter
            qsizetype begin = 0;
            qsizetype end = qsizetype(std::clamp<qint64>(size - start - offset, 0, width));
            while (begin < end && p[begin] == ' ')
                ++begin;
            while (end > begin && p[end - 1] == ' ')
                --end;
            if (end - begin == acctNo.size() && std::memcmp(p + begin, acctNo.constData(), acctNo.size()) == 0)
                return true;
        }
        return false;
    };
    const qint64 size = file.size();
    if (size <= 0)
        return false;
    if (const uchar *mapped = file.map(0, size)) {
        const bool found = holds(reinterpret_cast<const char *>(mapped), size);
        file.unmap(const_cast<uchar *>(mapped));
        return found;
    }
    QByteArray chunk(qsizetype(length) * 1024, Qt::Uninitialized);
    for (;;) {
        const qint64 read = file.read(chunk.data(), chunk.size());
        if (read <= 0)
            return false;
        if (holds(chunk.constData(), read))
            return true;
    }
}

} // namespace

std::optional<QString> customerProblem(const DataFolder &folder, const Record &customer)
{
    const QString acctNo = customer.text(CustomerField::AcctNo);
    if (acctNo.isEmpty())
        return QStringLiteral("No Customer Account is selected, or its record is damaged.\r\n"
                              "Select the Account on the Customer screen first.");
    if (const auto wanted = storedBytes(acctNo); wanted && accountOnFile(folder, *wanted))
        return std::nullopt;
    return QStringLiteral("The Account %1 is no longer in the Customer file.\r\n"
                          "No Service Slip can be written for it; select the Account again.")
        .arg(acctNo);
}

QString appendService(const QString &text, const QString &description)
{
    if (text.isEmpty())
        return description;
    return text + QStringLiteral("\r\n") + description;
}

QString storedServiceText(const QString &text)
{
    QString stored = text.trimmed();
    stored.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    stored.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    stored.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    stored.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return stored;
}

std::optional<QString> serviceTooLong(const QString &stored)
{
    if (stored.size() <= kServiceWidth)
        return std::nullopt;
    return QStringLiteral("The Details of Service Required can hold at most %1 characters "
                          "(each line break counts as 2); there are %2 now.\r\nShorten the text.")
        .arg(kServiceWidth)
        .arg(stored.size());
}

QString serviceLengthText(const QString &stored)
{
    return QStringLiteral("%1 of %2 characters").arg(stored.size()).arg(kServiceWidth);
}

std::optional<QString> serviceProblem(const QString &text)
{
    const QString stored = storedServiceText(text);
    if (stored.isEmpty())
        return kEnterDetails;
    if (const auto tooLong = serviceTooLong(stored))
        return tooLong;
    if (const auto notice = Validation::unstorableText(stored))
        return notice->text;
    return std::nullopt;
}

PickedDate checkPickedDate(WorkWeek week, const QDate &picked)
{
    PickedDate result{picked, {}};
    const QDate workday = nextWorkday(week, picked);
    if (workday > picked) {
        result.date = workday;
        result.messages = {Validation::kCalendarInvalid, QStringLiteral("The date has been set to ") +
                                                             Formats::weekdayName(workday) + QStringLiteral(", ") +
                                                             Formats::shortDate(workday)};
    }
    return result;
}

Verdict farAheadQuestion(const QDate &picked, const std::optional<QDate> &current, const Clock &clock,
                         const Answers &answers)
{
    if (picked <= clock.today().addYears(1) || current == picked)
        return Verdict::done();
    return Verdict::pending(
               answers, 0,
               QStringLiteral("%1 is more than a year ahead. Is this date correct?").arg(Formats::shortDate(picked)),
               kFarAheadTitle)
        .value_or(Verdict::done());
}

Verdict noDateQuestion(const SlipDraft &draft, bool leaveDateBlank, const Answers &answers)
{
    if (leaveDateBlank || draft.date)
        return Verdict::done();
    return Verdict::pending(answers, 0, kNoDateQuestion, kNoDateTitle).value_or(Verdict::done());
}

Record buildSlipRecord(const SlipDraft &draft, const Clock &clock)
{
    using namespace SlipField;
    Record slip = newSlipRecord(clock);
    assignNewSlip(slip, draft.assignment.trimmed());
    slip.setText(AcctNo, draft.account.acctNo);
    for (int i = 0; i < 8; ++i) {
        slip.setText(Name + i, draft.account.lines[std::size_t(i)].trimmed());
        slip.setText(SiteName + i, draft.site[std::size_t(i)].trimmed());
    }
    const bool dated = draft.date && draft.date->isValid();
    slip.setText(SchedDate, dated ? Formats::shortDate(*draft.date) : SlipValues::kNoDate);
    const QString time = draft.time.trimmed();
    slip.setText(SchedTime, dated && !time.isEmpty() ? time : SlipValues::kNoTime);
    slip.setText(ServiceRequired, storedServiceText(draft.service));
    slip.setText(Priority, draft.priority.isEmpty() ? SlipValues::priorities().front() : draft.priority);
    return slip;
}

namespace {

// The stored slips of one assignment on one day, in file order. The stored date text is read as a date, so
// "3/07/2026" and "3/7/2026" are the same day.
template <typename Visit>
void forEachSlipOfDay(const RecordScan &slips, const QString &assignment, const QDate &date, Visit visit)
{
    const auto wanted = storedBytes(assignment.trimmed());
    if (!wanted || wanted->isEmpty() || !date.isValid())
        return;
    for (int i = 0; i < slips.count(); ++i) {
        if (!slips.fieldIs(i, SlipField::AssignedTo, *wanted))
            continue;
        const QByteArrayView stored = slips.trimmed(i, SlipField::SchedDate);
        if (Formats::parseShortDate(Cp1252::decode(stored.data(), stored.size())) != date)
            continue;
        visit(Record(serviceSlipLayout(), QByteArray(slips.at(i), serviceSlipLayout().length())));
    }
}

} // namespace

std::vector<DaySlip> assignmentDay(const DataFolder &folder, const QString &assignment, const QDate &date)
{
    std::vector<DaySlip> day;
    forEachSlipOfDay(
        RecordScan(folder, SlipFiles::kActive, serviceSlipLayout()), assignment, date, [&day](const Record &slip) {
            using namespace SlipField;
            day.push_back({slip.int16(SlipNo), slip.text(SchedTime), slip.text(SiteName), slip.text(Status)});
        });
    std::stable_sort(day.begin(), day.end(), [](const DaySlip &a, const DaySlip &b) {
        const auto x = slotHours(a.time);
        const auto y = slotHours(b.time);
        const int xs = x ? x->start * 2 + (x->end == x->start ? 0 : 1) : 1000;
        const int ys = y ? y->start * 2 + (y->end == y->start ? 0 : 1) : 1000;
        if (xs != ys)
            return xs < ys;
        return a.slipNo < b.slipNo;
    });
    return day;
}

std::optional<QString> overlapQuestion(const DataFolder &folder, const QString &assignment, const QDate &date,
                                       const QString &time)
{
    return overlapQuestion(RecordScan(folder, SlipFiles::kActive, serviceSlipLayout()), assignment, date, time);
}

std::optional<QString> overlapQuestion(const RecordScan &slips, const QString &assignment, const QDate &date,
                                       const QString &time)
{
    std::optional<QString> question;
    forEachSlipOfDay(slips, assignment, date, [&](const Record &slip) {
        using namespace SlipField;
        if (question || !slotsOverlap(slip.text(SchedTime), time))
            return;
        question = overlapQuestionText(assignment, slip.int16(SlipNo), slip.text(SchedTime), date);
    });
    return question;
}

QString overlapQuestionText(const QString &assignment, qint16 slipNo, const QString &time, const QDate &date)
{
    return QStringLiteral("%1 already has slip %2 at %3 on %4. Book this slip anyway?")
        .arg(assignment.trimmed())
        .arg(slipNo)
        .arg(time, Formats::shortDate(date));
}

Stored StoreSlip(const DataFolder &folder, SlipCounter &counter, const Clock &clock, const Record &customer,
                 const SlipDraft &draft, const Answers &answers)
{
    const QString title = folder.executableName();
    const auto refused = [](const QString &text, const QString &title) {
        return Stored{Verdict::refused(text, title), std::nullopt};
    };
    if (const auto why = counter.refusal())
        return refused(*why, title);
    if (const auto why = customerProblem(folder, customer))
        return refused(*why, kNoAccountTitle);
    if (const auto why = serviceProblem(draft.service))
        return refused(*why, title);
    if (answers.empty())
        return {Verdict::ask(kReviewQuestion, kReviewTitle), std::nullopt};
    if (!answers[0])
        return {Verdict::refused(), std::nullopt};

    Record slip = buildSlipRecord(draft, clock);
    const QString assignment = slip.text(SlipField::AssignedTo);
    if (!assignment.isEmpty() && draft.date) {
        const QString date = slip.text(SlipField::SchedDate);
        const QString time = slip.text(SlipField::SchedTime);
        // One read of the active slips serves both tests.
        const RecordScan slips(folder, SlipFiles::kActive, serviceSlipLayout());
        if (IsSlotBooked(slips, assignment, date, time))
            return refused(kBooked, title);
        if (const auto question = overlapQuestion(slips, assignment, *draft.date, time)) {
            if (answers.size() < 2)
                return {Verdict::ask(*question, kOverlapTitle), std::nullopt};
            if (!answers[1])
                return {Verdict::refused(), std::nullopt};
        }
    }
    const qint16 number = counter.next();
    try {
        if (const auto why = createSlip(folder, counter, slip))
            return refused(*why, title);
    } catch (const DiskError &e) {
        // When only the counter file failed, the slip is stored and its number is taken.
        if (counter.next() == number)
            return refused(e.message(), title);
        return {Verdict::done().tell(e.message(), title), number};
    }
    return {Verdict::done(), number};
}

} // namespace SlipCreation
