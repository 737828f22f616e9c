#include "tools/samplegenerator.h"

#include "accounts/assignmentrecord.h"
#include "accounts/customerrecord.h"
#include "accounts/servicerecord.h"
#include "billing/postingrecords.h"
#include "billing/accounthistoryrecord.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "core/oledate.h"
#include "core/startup.h"
#include "core/textfile.h"
#include "core/validation.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipstore.h"
#include "dispatch/slipvalues.h"
#include "tools/samplewords.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <random>
#include <set>
#include <stdexcept>

namespace {

// Draws from std::mt19937, whose output the C++ standard fixes, and never through the standard
// distributions, whose output differs between library versions: the same seed gives the same folder
// everywhere.
class Random
{
public:
    explicit Random(quint32 seed)
        : m_engine(seed)
    {}
    int below(int n) { return n <= 0 ? 0 : int((quint64(m_engine()) * quint64(n)) >> 32); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool chance(int percent) { return below(100) < percent; }
    template <typename T> const T &pick(std::span<const T> items)
    {
        return items[std::size_t(below(int(items.size())))];
    }
    QString word(std::span<const char *const> items) { return QString::fromLatin1(pick(items)); }
    // Low indexes come up more often: a few customers call again and again.
    int skewed(int n)
    {
        const quint64 u = m_engine();
        return int((((u * u) >> 32) * quint64(std::max(n, 0))) >> 32);
    }

private:
    std::mt19937 m_engine;
};

QDate addWorkdays(QDate date, int days)
{
    const int step = days < 0 ? -1 : 1;
    for (int left = std::abs(days); left > 0;) {
        date = date.addDays(step);
        if (date.dayOfWeek() < 6)
            --left;
    }
    return date;
}

QDate onWorkday(QDate date)
{
    while (date.dayOfWeek() >= 6)
        date = date.addDays(-1);
    return date;
}

QDate workdayFrom(QDate date)
{
    while (date.dayOfWeek() >= 6)
        date = date.addDays(1);
    return date;
}

// The plain decimal form of the tax records: no sign for positives, no grouping, no trailing zeros.
QString plainDecimal(Money amount)
{
    const qint64 raw = amount.raw();
    QString text = QString::number(std::abs(raw) / Money::kScale);
    const qint64 fraction = std::abs(raw) % Money::kScale;
    if (fraction != 0) {
        QString digits = QStringLiteral("%1").arg(fraction, 4, 10, QLatin1Char('0'));
        while (digits.endsWith(QLatin1Char('0')))
            digits.chop(1);
        text += QLatin1Char('.') + digits;
    }
    return raw < 0 ? QLatin1Char('-') + text : text;
}

const QStringList kBlocks = {QStringLiteral("08:00-10:00"), QStringLiteral("10:00-12:00"),
                             QStringLiteral("01:00-03:00"), QStringLiteral("03:00-05:00")};
const QStringList kHours = {QStringLiteral("08:00"), QStringLiteral("09:00"), QStringLiteral("10:00"),
                            QStringLiteral("11:00"), QStringLiteral("01:00"), QStringLiteral("02:00"),
                            QStringLiteral("03:00"), QStringLiteral("04:00"), QStringLiteral("05:00")};
const QString kNotCollected = QStringLiteral("Not Collected");
const QString kTaxHeading = QStringLiteral("Sales Tax");
constexpr qint64 kTaxPercent = 6;

struct Place
{
    QString name;
    QString address1;
    QString address2;
    QString city;
    QString state;
    QString postalCode;
    QString telephone;
    QString cell;
    const SampleWords::City *cityInfo = nullptr;
};

struct Customer
{
    QString account;
    Place place; // name = the display name
};

struct Assignment
{
    QString name;
    const QStringList *times;
};

struct Service
{
    QString description;
    Money charge;
};

// One piece of work: a slip, a posting in the history files, or both.
struct Job
{
    int customer = 0;
    Place site;
    int assignment = -1; // -1: not assigned
    QDate scheduled;     // invalid: no date
    QString time = SlipValues::kNoTime;
    QString contents;
    QString status;
    QString priority;
    QDate received;
    int slipNo = 0;
    // Finalized work
    QDate posted;
    Money preTax;
    Money tax;
    QString invoice;
    QString payForm;
    Money total() const { return preTax + tax; }
};

class Generator
{
public:
    Generator(const DataFolder &folder, const GenerateOptions &options)
        : m_folder(folder)
        , m_options(options)
        , m_random(options.seed)
        , m_today(options.today)
    {}

    GenerateSummary run()
    {
        Startup::createFolderTree(m_folder, m_today); // before the customers exist: no /AuxFiles folders yet
        chooseRegion();
        makeServices();
        makeAssignments();
        makeCustomers();
        makeJobs();
        writeSlips();
        writePostings();
        writeSettings();
        return m_summary;
    }

private:
    // -- Names, places, numbers

    QString telephone(const QString &areaCode)
    {
        for (;;) {
            int exchange = m_random.between(201, 989);
            if (exchange == 555)
                ++exchange;
            const QString number = QStringLiteral("%1-%2-%3")
                                       .arg(areaCode)
                                       .arg(exchange)
                                       .arg(m_random.below(10000), 4, 10, QLatin1Char('0'));
            if (!m_telephones.contains(number)) {
                m_telephones.insert(number);
                return number;
            }
        }
    }

    // The business works around its home town: most places lie in a few cities near it.
    void chooseRegion()
    {
        // The city list runs from region to region, so the neighbours in it lie near one another.
        const auto cities = SampleWords::cities();
        const int home = m_random.below(int(cities.size()));
        m_region.push_back(&cities[std::size_t(home)]);
        for (int k = std::max(0, home - 2); k <= std::min(int(cities.size()) - 1, home + 2); ++k) {
            if (k != home)
                m_region.push_back(&cities[std::size_t(k)]);
        }
    }

    const SampleWords::City &someCity()
    {
        if (m_random.chance(90))
            return *m_region[std::size_t(m_random.below(int(m_region.size())))];
        return m_random.pick(SampleWords::cities());
    }

    Place address(const QString &name, const SampleWords::City *near = nullptr)
    {
        const SampleWords::City &city = near ? *near : someCity();
        Place p;
        p.cityInfo = &city;
        p.name = name;
        p.address1 = QStringLiteral("%1 %2 %3")
                         .arg(m_random.between(1, 9) * (m_random.chance(50) ? 1 : 100) + m_random.below(100))
                         .arg(m_random.word(SampleWords::streetNames()), m_random.word(SampleWords::streetSuffixes()));
        if (m_random.chance(12))
            p.address2 = QStringLiteral("Apt %1").arg(m_random.between(1, 40));
        else if (m_random.chance(5))
            p.address2 = QStringLiteral("PO Box %1").arg(m_random.between(100, 9999));
        p.city = QString::fromLatin1(city.name);
        p.state = QString::fromLatin1(city.state);
        p.postalCode = QString::fromLatin1(city.zipPrefix) +
                       QStringLiteral("%1").arg(m_random.below(100), 2, 10, QLatin1Char('0'));
        if (m_random.chance(10))
            p.postalCode += QStringLiteral("-%1").arg(m_random.below(10000), 4, 10, QLatin1Char('0'));
        p.telephone = telephone(QString::fromLatin1(city.areaCode));
        if (m_random.chance(55))
            p.cell = telephone(QString::fromLatin1(city.areaCode));
        return p;
    }

    QString email(const QString &first, const QString &last)
    {
        QString user = (first + QLatin1Char('.') + last).toLower();
        user.remove(QLatin1Char('\''));
        if (m_random.chance(40))
            user += QString::number(m_random.between(1, 99));
        return user + QLatin1Char('@') + m_random.word(SampleWords::emailDomains());
    }

    // -- The catalogue, the assignments, the customers

    void makeServices()
    {
        const auto bases = SampleWords::services();
        const auto variants = SampleWords::serviceVariants();
        std::vector<Record> records;
        for (int i = 0; i < m_options.services; ++i) {
            const int round = i / int(bases.size());
            QString description = QString::fromLatin1(bases[std::size_t(i) % bases.size()]);
            if (round > 0)
                description += QString::fromLatin1(variants[std::size_t(round - 1) % variants.size()]);
            // Quarter hours: an installation takes a good part of the day, a check-up less than an hour.
            int timeIndex = m_random.between(3, 10);
            if (description.contains(QLatin1String("Install")) || description.contains(QLatin1String("Upgrade")))
                timeIndex = m_random.between(8, 28);
            else if (description.contains(QLatin1String("Tune-Up")) || description.contains(QLatin1String("Check")) ||
                     description.contains(QLatin1String("Change")) || description.contains(QLatin1String("Fee")))
                timeIndex = m_random.between(2, 5);
            // About $95 an hour with a call-out minimum, equipment on top for an installation; whole dollars
            // in fives.
            qint64 dollars = std::max<qint64>(49, timeIndex * 95 / 4 + m_random.between(-10, 40));
            if (timeIndex >= 8 && description.contains(QLatin1String("Install")))
                dollars += m_random.between(150, 1200);
            dollars = dollars / 5 * 5;
            if (round == 1 || round == 2)
                dollars = dollars * 3 / 2;
            const Money charge = Money::fromCents(dollars * 100);
            m_services.push_back({description, charge});
            Record r(serviceLayout());
            r.setText(ServiceField::Description, description);
            r.setText(ServiceField::Charge, Formats::currency(charge));
            r.setInt16(ServiceField::TimeIndex, qint16(timeIndex));
            records.push_back(std::move(r));
        }
        writeRecords(QStringLiteral("/Services.txt"), records);
        m_summary.services = int(records.size());
    }

    void makeAssignments()
    {
        int count = m_options.assignments;
        if (count == 0)
            count = std::clamp(4 + m_options.slips / 250, 4, 150);
        QSet<QString> names;
        std::vector<Record> records;
        int crews = 0;
        while (int(records.size()) < count) {
            const QString first = m_random.word(SampleWords::firstNames());
            const QString last = m_random.word(SampleWords::lastNames());
            QString name;
            QString reference = QStringLiteral("Employee");
            const QStringList *times = &kHours;
            const int kind = m_random.below(10);
            if (kind < 6) {
                name = first + QLatin1Char(' ') + last;
                times = m_random.chance(50) ? &kHours : &kBlocks;
            } else if (kind < 8) {
                name = QStringLiteral("Crew %1 - %2").arg(++crews).arg(last);
                times = &kBlocks;
            } else {
                name = last + QLatin1Char(' ') + m_random.word(SampleWords::trades());
                reference = QStringLiteral("Sub-Contractor");
                times = &kBlocks;
            }
            if (names.contains(name))
                continue;
            names.insert(name);
            const Place p = address(name);
            Record r(assignmentLayout());
            r.setText(AssignmentField::Reference, reference);
            r.setText(AssignmentField::Name, name);
            r.setText(AssignmentField::Address1, p.address1);
            r.setText(AssignmentField::Address2, p.address2);
            r.setText(AssignmentField::City, p.city);
            r.setText(AssignmentField::State, p.state);
            r.setText(AssignmentField::PostalCode, p.postalCode);
            r.setText(AssignmentField::Telephone, p.telephone);
            const QString cell = p.cell.isEmpty() ? telephone(p.telephone.left(3)) : p.cell;
            r.setText(AssignmentField::Cell, cell);
            r.setText(AssignmentField::TextMsgNo, QString(cell).remove(QLatin1Char('-')));
            r.setText(AssignmentField::Email, email(first, last));
            records.push_back(std::move(r));
            m_assignments.push_back({name, times});
            m_slotsPerDay += int(times->size());
        }
        writeRecords(QStringLiteral("/AssignmentData.txt"), records);
        m_summary.assignments = count;
    }

    void makeCustomers()
    {
        static const QStringList hisTitles = {QStringLiteral("Mr."), QStringLiteral("Mr."), QStringLiteral("Mr/Mrs")};
        static const QStringList herTitles = {QStringLiteral("Mrs"), QStringLiteral("Ms"), QStringLiteral("Miss"),
                                              QStringLiteral("Mr/Mrs")};
        std::vector<Record> records;
        records.reserve(std::size_t(m_options.customers));
        int nextNumber = 1001;
        for (int i = 0; i < m_options.customers; ++i) {
            const bool business = m_random.chance(30);
            const int firstIndex = m_random.below(int(SampleWords::firstNames().size()));
            const QString first = QString::fromLatin1(SampleWords::firstNames()[std::size_t(firstIndex)]);
            const QString last = m_random.word(SampleWords::lastNames());
            const QStringList &titles = firstIndex % 2 == 0 ? hisTitles : herTitles;
            const QString title =
                !business && m_random.chance(60) ? titles[m_random.below(int(titles.size()))] : QString();
            QString name;
            if (business) {
                name = (m_random.chance(70) ? last : m_random.word(SampleWords::streetNames())) + QLatin1Char(' ') +
                       m_random.word(SampleWords::businessKinds());
            } else {
                name = Validation::joinNameParts(title, first, QString(), last);
            }
            Place p = address(name);
            // Most accounts are numbered; some were saved without a number and took the telephone number.
            QString account;
            if (m_random.chance(8)) {
                account = p.telephone;
            } else {
                account = QString::number(nextNumber);
                nextNumber += m_random.between(1, 3);
            }
            m_customers.push_back({account, p});

            Record r(customerLayout());
            r.setText(CustomerField::AcctNo, account);
            r.setText(CustomerField::Name, name);
            r.setText(CustomerField::Address1, p.address1);
            r.setText(CustomerField::Address2, p.address2);
            r.setText(CustomerField::City, p.city);
            r.setText(CustomerField::ServiceCity, p.city);
            r.setText(CustomerField::State, p.state);
            r.setText(CustomerField::PostalCode, p.postalCode);
            r.setText(CustomerField::Address4, p.postalCode);
            r.setText(CustomerField::Telephone, p.telephone);
            r.setText(CustomerField::Cell, p.cell);
            if (m_random.chance(60))
                r.setText(CustomerField::Email, email(first, last));
            r.setText(CustomerField::Title, title);
            r.setText(CustomerField::FirstName, first);
            r.setText(CustomerField::LastName, last);
            r.setText(CustomerField::AcctType, business ? QStringLiteral("Business") : QStringLiteral("Individual"));
            records.push_back(std::move(r));
        }
        writeRecords(QStringLiteral("/CustomerData.txt"), records);
        m_summary.customers = int(records.size());
    }

    // -- Jobs

    // A job for a customer: where, what, how much.
    Job job()
    {
        Job j;
        j.customer = m_random.skewed(int(m_customers.size()));
        const Customer &c = m_customers[std::size_t(j.customer)];
        j.site = c.place;
        if (m_random.chance(15)) {
            // A rental property or a second location of the account.
            j.site = address(c.place.name, c.place.cityInfo);
        }
        QStringList parts;
        Money amount;
        const int count = m_services.empty() ? 0 : m_random.between(1, 3);
        for (int k = 0; k < count; ++k) {
            const Service &s = m_services[std::size_t(m_random.below(int(m_services.size())))];
            if (parts.contains(s.description))
                continue;
            parts << s.description;
            amount += s.charge;
        }
        j.contents = parts.join(QLatin1String("; "));
        if (parts.isEmpty() || m_random.chance(50)) {
            const QString problem = m_random.word(SampleWords::problems());
            j.contents = j.contents.isEmpty() ? problem : j.contents + QLatin1String("\r\n") + problem;
        }
        if (amount.isZero() || m_random.chance(35))
            amount += Money::fromCents(qint64(m_random.between(5, 400)) * 100 + (m_random.chance(50) ? 95 : 0));
        j.preTax = amount;
        static const QStringList priorities = SlipValues::priorities();
        const int p = m_random.below(100);
        j.priority = priorities[p < 70 ? 0 : p < 85 ? 1 : p < 95 ? 2 : 3];
        return j;
    }

    // The money side of a finalized job, posted on the given day.
    void finalize(Job &j, const QDate &posted)
    {
        j.posted = posted;
        // A few jobs are tax exempt (a church, a resale certificate).
        j.tax = m_random.chance(10) ? Money() : Money::fromRaw(j.preTax.raw() * kTaxPercent / 100);
        const int pay = m_random.below(100);
        if (pay < 40)
            j.payForm = QStringLiteral("Ck # %1").arg(m_random.between(1001, 9999));
        else if (pay < 60)
            j.payForm = QStringLiteral("Cash");
        else if (pay < 90)
            j.payForm = QStringLiteral("Credit Card");
        else
            j.payForm = kNotCollected;
    }

    // A free (assignment, date, time) within the workdays from..to, marked as taken; false when the
    // assignments are fully booked there.
    bool book(Job &j, const QDate &from, const QDate &to)
    {
        std::vector<QDate> days;
        for (QDate d = from; d <= to; d = d.addDays(1)) {
            if (d.dayOfWeek() < 6)
                days.push_back(d);
        }
        if (days.empty() || m_assignments.empty())
            return false;
        auto tryTake = [&](int a, const QDate &day, int slot) {
            const quint64 key = (quint64(a) << 40) | (quint64(day.toJulianDay()) << 8) | quint64(slot);
            if (m_booked.contains(key))
                return false;
            m_booked.insert(key);
            ++m_bookedOnDay[day.toJulianDay()];
            j.assignment = a;
            j.scheduled = day;
            j.time = (*m_assignments[std::size_t(a)].times)[slot];
            return true;
        };
        for (int attempt = 0; attempt < 24; ++attempt) {
            const int a = m_random.below(int(m_assignments.size()));
            const QDate &day = days[std::size_t(m_random.below(int(days.size())))];
            if (tryTake(a, day, m_random.below(int(m_assignments[std::size_t(a)].times->size()))))
                return true;
        }
        // Crowded: the first free slot, day by day, passing over the days that are full.
        const int first = m_random.below(int(m_assignments.size()));
        for (const QDate &day : days) {
            if (m_bookedOnDay.value(day.toJulianDay()) >= m_slotsPerDay)
                continue;
            for (int k = 0; k < int(m_assignments.size()); ++k) {
                const int a = (first + k) % int(m_assignments.size());
                for (int slot = 0; slot < int(m_assignments[std::size_t(a)].times->size()); ++slot) {
                    if (tryTake(a, day, slot))
                        return true;
                }
            }
        }
        return false;
    }

    // The office takes calls on workdays only: a slip is received on a workday, no later than its date or today.
    void receive(Job &j, int mostWorkdaysBefore)
    {
        const QDate latest = onWorkday(j.scheduled.isValid() ? std::min(j.scheduled, m_today) : m_today);
        j.received = addWorkdays(latest, -m_random.between(0, mostWorkdaysBefore));
    }

    void makeJobs()
    {
        const int history = m_options.history;
        const int finalized = std::min(m_options.slips * 45 / 100, history);
        const int rest = m_options.slips - finalized;
        const int completed = rest * 20 / 100;
        const int active = rest - completed;

        // The posting days, going back from the last workday before today.
        std::vector<QDate> postingDays;
        const int rate = std::clamp(history / 500, 1, 30);
        QDate day = addWorkdays(m_today, -1);
        while (int(postingDays.size()) < history) {
            const int count = std::clamp(rate + m_random.between(-rate / 3, rate / 3), 1, 36);
            for (int k = 0; k < count && int(postingDays.size()) < history; ++k)
                postingDays.push_back(day);
            day = addWorkdays(day, -1);
        }
        std::reverse(postingDays.begin(), postingDays.end());

        // Invoice numbers: the year's four digits and a four-digit sequence that starts again each year.
        m_postings.reserve(std::size_t(history));
        int year = 0;
        int sequence = 0;
        for (int i = 0; i < history; ++i) {
            Job j = job();
            finalize(j, postingDays[std::size_t(i)]);
            if (j.posted.year() != year) {
                year = j.posted.year();
                sequence = 0;
            }
            j.invoice = QString::number(qint64(year) * 10000 + ++sequence);
            const bool withSlip = i >= history - finalized;
            if (withSlip) {
                j.status = SlipValues::kFinalized;
                if (!book(j, addWorkdays(j.posted, -3), j.posted) && !book(j, addWorkdays(j.posted, -60), j.posted))
                    j.scheduled = j.posted; // no free slot anywhere near: done without an assignment
                receive(j, 10);
            } else if (!m_assignments.empty()) {
                j.assignment = m_random.below(int(m_assignments.size()));
            }
            m_postings.push_back(std::move(j));
        }
        m_nextInvoice =
            year == m_today.year() ? qint64(year) * 10000 + sequence + 1 : qint64(m_today.year()) * 10000 + 1;

        for (int i = 0; i < completed; ++i) {
            Job j = job();
            j.status = SlipValues::kComplete;
            if (!book(j, addWorkdays(m_today, -10), addWorkdays(m_today, -1)) &&
                !book(j, addWorkdays(m_today, -60), addWorkdays(m_today, -1)))
                j.time = SlipValues::kNoTime;
            receive(j, 10);
            m_completed.push_back(std::move(j));
        }

        std::set<int> atWork; // the technicians with a slip "In Progress"
        for (int i = 0; i < active; ++i) {
            Job j = job();
            const int s = m_random.below(100);
            if (s < 20) {
                j.status = SlipValues::kOpen;
                if (m_random.chance(30)) {
                    j.scheduled = workdayFrom(addWorkdays(m_today, m_random.between(0, 15)));
                    j.time = SlipValues::timeSlots()[m_random.below(4)];
                }
            } else {
                j.status = s < 65 ? SlipValues::kAssigned : s < 85 ? SlipValues::kInProgress : SlipValues::kSuspended;
                QDate from = addWorkdays(m_today, -3);
                QDate to = addWorkdays(m_today, 25);
                if (j.status == SlipValues::kInProgress) {
                    from = addWorkdays(m_today, -2);
                    to = onWorkday(m_today);
                }
                if (!book(j, from, to) && !book(j, m_today, addWorkdays(m_today, 120)))
                    j.status = SlipValues::kOpen; // every technician is booked: waiting for one
                else if (j.status == SlipValues::kInProgress && !atWork.insert(j.assignment).second)
                    j.status = SlipValues::kAssigned; // a technician works on one job at a time
            }
            receive(j, 7);
            m_active.push_back(std::move(j));
        }

        // Slip numbers in the order the slips were taken, below the counter, which stays within 16 bits.
        std::vector<Job *> all;
        for (Job &j : m_postings) {
            if (!j.status.isEmpty())
                all.push_back(&j);
        }
        for (Job &j : m_completed)
            all.push_back(&j);
        for (Job &j : m_active)
            all.push_back(&j);
        std::vector<std::pair<qint64, int>> order;
        for (int i = 0; i < int(all.size()); ++i)
            order.emplace_back(all[std::size_t(i)]->received.toJulianDay(), i);
        std::sort(order.begin(), order.end());
        // Where the count allows, the counter ends a thousand numbers short of its limit, so that the office can
        // write new slips on a generated folder at once.
        const int room = std::clamp(GenerateLimits::kSlips - m_options.slips - 1000, 0, 1000);
        const int firstNumber = std::min(1000 + (history - finalized), GenerateLimits::kSlips - m_options.slips - room);
        for (int n = 0; n < int(order.size()); ++n)
            all[std::size_t(order[std::size_t(n)].second)]->slipNo = firstNumber + n;
        m_nextSlip = firstNumber + int(order.size());
        std::sort(m_active.begin(), m_active.end(), [](const Job &a, const Job &b) { return a.slipNo < b.slipNo; });
        std::sort(m_completed.begin(), m_completed.end(), [](const Job &a, const Job &b) {
            return std::pair(a.scheduled.toJulianDay(), a.slipNo) < std::pair(b.scheduled.toJulianDay(), b.slipNo);
        });
    }

    // -- Writing

    QString assignmentName(const Job &j) const
    {
        return j.assignment < 0 ? QString() : m_assignments[std::size_t(j.assignment)].name;
    }

    Record slipRecord(const Job &j) const
    {
        const Customer &c = m_customers[std::size_t(j.customer)];
        Record r(serviceSlipLayout());
        r.setInt16(SlipField::SlipNo, qint16(j.slipNo));
        r.setReal(SlipField::DateReceived, OleDate::fromDate(j.received));
        r.setText(SlipField::Status, j.status);
        r.setText(SlipField::AcctNo, c.account);
        r.setText(SlipField::Name, c.place.name);
        r.setText(SlipField::Address1, c.place.address1);
        r.setText(SlipField::Address2, c.place.address2);
        r.setText(SlipField::City, c.place.city);
        r.setText(SlipField::State, c.place.state);
        r.setText(SlipField::PostalCode, c.place.postalCode);
        r.setText(SlipField::Telephone, c.place.telephone);
        r.setText(SlipField::Cell, c.place.cell);
        r.setText(SlipField::SiteName, j.site.name);
        r.setText(SlipField::SiteAddress1, j.site.address1);
        r.setText(SlipField::SiteAddress2, j.site.address2);
        r.setText(SlipField::SiteCity, j.site.city);
        r.setText(SlipField::SiteState, j.site.state);
        r.setText(SlipField::SitePostalCode, j.site.postalCode);
        r.setText(SlipField::SiteTelephone, j.site.telephone);
        r.setText(SlipField::SiteCell, j.site.cell);
        r.setText(SlipField::AssignedTo, assignmentName(j));
        r.setText(SlipField::SchedDate, j.scheduled.isValid() ? Formats::shortDate(j.scheduled) : SlipValues::kNoDate);
        r.setText(SlipField::SchedTime, j.time);
        r.setText(SlipField::ServiceRequired, j.contents);
        r.setText(SlipField::Priority, j.priority);
        if (j.status == SlipValues::kFinalized) {
            r.setText(SlipField::InvoiceNo, j.invoice);
            r.setText(SlipField::PayForm, j.payForm);
            r.setText(SlipField::Amount, Formats::currency(j.total()));
        } else {
            r.setText(SlipField::Amount, Formats::currency(Money()));
        }
        return r;
    }

    void writeSlips()
    {
        std::vector<Record> active, completed, finalized;
        for (const Job &j : m_active)
            active.push_back(slipRecord(j));
        for (const Job &j : m_completed)
            completed.push_back(slipRecord(j));
        for (const Job &j : m_postings) {
            if (j.status == SlipValues::kFinalized)
                finalized.push_back(slipRecord(j));
        }
        const SlipStore store(m_folder);
        for (const auto &[file, records] : {std::pair{SlipFiles::kActive, &active},
                                            std::pair{SlipFiles::kCompleted, &completed},
                                            std::pair{SlipFiles::kFinalized, &finalized}}) {
            if (records->empty())
                store.replaceFile(file, {});
            else
                store.writeAsGiven(file, recordBytes(*records), DataFolder::Flush::Skip);
        }
        m_summary.activeSlips = int(active.size());
        m_summary.completedSlips = int(completed.size());
        m_summary.finalizedSlips = int(finalized.size());
        m_summary.nextSlipNumber = m_nextSlip;
    }

    static Record accountLine(const QString &name, const QString &account, const QDate &date,
                              const QString &description, const QString &amount)
    {
        Record r(accountHistoryLayout());
        r.setText(AccountHistoryField::Name, name);
        r.setText(AccountHistoryField::AcctNo, account);
        r.setText(AccountHistoryField::Date, Formats::shortDate(date));
        r.setText(AccountHistoryField::Description, description);
        r.setText(AccountHistoryField::Amount, amount);
        return r;
    }

    // What finalizing leaves for each posting: the history lines, the account and payment records, the tax
    // record and the journal line.
    void writePostings()
    {
        const qsizetype n = qsizetype(m_postings.size());
        QByteArray history, service, tax, journal, payments;
        history.reserve(n * accountHistoryLayout().length());
        service.reserve(n * serviceHistoryLayout().length());
        tax.reserve(n * taxLayout().length());
        journal.reserve(n * journalLayout().length());
        std::vector<QByteArray> accounts(m_customers.size());
        int taxRecords = 0;
        for (const Job &j : m_postings) {
            const Customer &c = m_customers[std::size_t(j.customer)];
            const QString date = Formats::shortDate(j.posted);
            const QString amount = Formats::currency(j.total());
            const QString name = j.site.name.left(serviceSlipLayout().size(SlipField::SiteName)).trimmed();
            history +=
                accountLine(name, c.account, j.posted, QStringLiteral("Invoice No. ") + j.invoice, amount).bytes();

            Record s(serviceHistoryLayout());
            s.setText(ServiceHistoryField::Name, name);
            s.setText(ServiceHistoryField::AcctNo, c.account);
            s.setText(ServiceHistoryField::Date, date);
            s.setText(ServiceHistoryField::Contents, j.contents.trimmed());
            s.setText(ServiceHistoryField::Assignment, assignmentName(j));
            service += s.bytes();

            QByteArray &account = accounts[std::size_t(j.customer)];
            if (account.isEmpty()) {
                account += accountLine(name, c.account, j.posted, QStringLiteral("Previous Balance"),
                                       Formats::currency(Money()))
                               .bytes();
            }
            account += accountLine(name, c.account, j.posted, j.invoice, amount).bytes();
            if (j.payForm != kNotCollected) {
                account += accountLine(name, c.account, j.posted, QStringLiteral("Payment Received"), amount).bytes();
                payments += accountLine(name, c.account, j.posted, j.payForm, amount).bytes();
            }

            if (!j.tax.isZero()) {
                Record t(taxLayout());
                t.setText(TaxField::Heading, kTaxHeading);
                t.setText(TaxField::Date, date);
                t.setText(TaxField::InvoiceNo, j.invoice);
                t.setText(TaxField::TaxAmount, plainDecimal(j.tax));
                tax += t.bytes();
                ++taxRecords;
            }

            Record r(journalLayout());
            r.setText(JournalField::Name, name);
            r.setText(JournalField::AcctNo, c.account);
            r.setText(JournalField::InvoiceNo, j.invoice);
            r.setReal(JournalField::Date, OleDate::fromDate(j.posted));
            r.setMoney(JournalField::PreTax, j.preTax);
            r.setMoney(JournalField::Taxes, j.tax);
            r.setMoney(JournalField::Other, Money());
            r.setMoney(JournalField::Total, j.total());
            journal += r.bytes();
        }
        writeBytes(QStringLiteral("/CAHistory.txt"), history);
        writeBytes(QStringLiteral("/ServiceHistory.txt"), service);
        writeBytes(QStringLiteral("/TaxRecords.txt"), tax);
        writeBytes(QStringLiteral("/InvoiceSalesJournal.txt"), journal);
        writeBytes(QStringLiteral("/CAPaymentRecords.txt"), payments);

        // Many thousands of small files: written straight into the folder made above, by their plain names.
        const QString folder = m_folder.path(QStringLiteral("/VIActiveAccounts")) + QLatin1Char('/');
        for (std::size_t i = 0; i < accounts.size(); ++i) {
            if (accounts[i].isEmpty())
                continue;
            writeFullPath(folder + m_customers[i].account + QStringLiteral(".txt"), accounts[i]);
            ++m_summary.accountFiles;
        }
        m_summary.history = int(m_postings.size());
        m_summary.taxRecords = taxRecords;
    }

    void writeSettings()
    {
        const QString owner = m_random.word(SampleWords::lastNames());
        const Place p =
            address(owner + QLatin1Char(' ') + m_random.word(SampleWords::trades()) + QStringLiteral(" Services"),
                    m_region.front());
        const QString fax = telephone(p.telephone.left(3));
        TextWriter business;
        business.writeValues({p.name, p.address1, p.address2, p.city, p.state, p.postalCode, p.telephone,
                              QStringLiteral("Fax: ") + fax,
                              QStringLiteral("License # %1").arg(m_random.between(100000, 999999))});
        writeBytes(QStringLiteral("/MyBusinessData.txt"), business.bytes());
        writeBytes(QStringLiteral("/Backup/MyBusinessData.txt"), business.bytes());
        writeBytes(QStringLiteral("/SlipNo.txt"), TextWriter().writeValues({m_nextSlip}).bytes());
        writeBytes(QStringLiteral("/VIInvoiceNo.txt"),
                   TextWriter().writeValues({TextWriter::Value(m_nextInvoice)}).bytes());
        writeBytes(QStringLiteral("/TaxSettings.txt"),
                   TextWriter()
                       .writeValues({kTaxHeading, QStringLiteral("County Tax"), QStringLiteral("%1.0").arg(kTaxPercent),
                                     QStringLiteral("1.0"), 1, 0})
                       .bytes());
        m_summary.nextInvoiceNumber = m_nextInvoice;
    }

    static void writeFullPath(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered) ||
            file.write(bytes) != bytes.size()) {
            const int error = errno;
            throw DiskError(QStringLiteral("The file %1 could not be written: %2.")
                                .arg(QDir::toNativeSeparators(path), diskErrorText(error)));
        }
    }

    // Written in place, not flushed one by one (a new folder holds nothing to keep); a full disk is said as such.
    void writeFile(const QString &relative, const QByteArray &bytes) const
    {
        m_folder.writeInPlace(relative, 0, bytes, DataFolder::Flush::Skip, true);
    }

    void writeBytes(const QString &relative, const QByteArray &bytes) const
    {
        if (bytes.isEmpty()) {
            // A record file with no records does not exist.
            m_folder.deleteWithBackup(relative);
            return;
        }
        writeFile(relative, bytes);
    }

    static QByteArray recordBytes(const std::vector<Record> &records)
    {
        QByteArray bytes;
        if (!records.empty())
            bytes.reserve(qsizetype(records.size()) * records.front().layout().length());
        for (const Record &r : records)
            bytes += r.bytes();
        return bytes;
    }

    void writeRecords(const QString &relative, const std::vector<Record> &records) const
    {
        writeBytes(relative, recordBytes(records));
    }

    const DataFolder &m_folder;
    const GenerateOptions &m_options;
    Random m_random;
    QDate m_today;
    GenerateSummary m_summary;

    std::vector<const SampleWords::City *> m_region;
    QSet<QString> m_telephones;
    QSet<quint64> m_booked;           // assignment, day and time slot
    QHash<qint64, int> m_bookedOnDay; // Julian day -> slots taken
    int m_slotsPerDay = 0;            // of all assignments together
    std::vector<Service> m_services;
    std::vector<Assignment> m_assignments;
    std::vector<Customer> m_customers;
    std::vector<Job> m_postings; // in posting order; the last ones are the finalized slips
    std::vector<Job> m_completed;
    std::vector<Job> m_active;
    int m_nextSlip = 1000;
    qint64 m_nextInvoice = 0;
};

void checkRange(const char *what, int value, int low, int high)
{
    if (value < low || value > high)
        throw std::invalid_argument(QStringLiteral("%1 must be from %2 to %3, not %4.")
                                        .arg(QLatin1String(what))
                                        .arg(low)
                                        .arg(high)
                                        .arg(value)
                                        .toStdString());
}

} // namespace

GenerateSummary generateSampleData(const DataFolder &folder, const GenerateOptions &options)
{
    checkRange("The number of customers", options.customers, 0, GenerateLimits::kCustomers);
    checkRange("The number of slips", options.slips, 0, GenerateLimits::kSlips);
    checkRange("The number of history records", options.history, 0, GenerateLimits::kHistory);
    checkRange("The number of services", options.services, 0, GenerateLimits::kServices);
    checkRange("The number of assignments", options.assignments, 0, GenerateLimits::kAssignments);
    if (!options.today.isValid())
        throw std::invalid_argument("The date the sample data is made for (today) is not set.");
    if (options.customers == 0 && (options.slips > 0 || options.history > 0))
        throw std::invalid_argument("Slips and history need at least one customer.");
    return Generator(folder, options).run();
}
