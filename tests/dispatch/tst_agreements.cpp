#include "accounts/assignmentfile.h"
#include "accounts/assignmentrecord.h"
#include "accounts/servicecatalogue.h"
#include "core/clock.h"
#include "core/formats.h"
#include "core/oledate.h"
#include "core/slipcounter.h"
#include "crashsupport.h"
#include "dispatch/agreementrecord.h"
#include "dispatch/agreements.h"
#include "dispatch/agreementview.h"
#include "dispatch/booking.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipstore.h"
#include "platform/instancelock.h"
#include "slipsamples.h"
#include "testsupport.h"
#include "tools/agreementcheck.h"
#include "tools/datacheck.h"
#include "tooltesting.h"

#include <QSet>
#include <QTest>

Q_DECLARE_METATYPE(Agreement)

namespace {

QDate day(const char *text)
{
    return *Formats::parseShortDate(QString::fromLatin1(text));
}

// "interval every start [end] [weekday] [months]": "m 1 1/31/2027", "w 2 3/1/2027 - 3", "c 1 1/15/2027 - 0 0x924".
Agreement agreement(const QString &line)
{
    const QStringList f = line.split(' ');
    Agreement a;
    a.id = 1;
    a.acctNo = QStringLiteral("A100");
    a.services = {QStringLiteral("Furnace tune-up")};
    a.interval = f[0] == "w"   ? Agreement::Interval::Weeks
                 : f[0] == "m" ? Agreement::Interval::Months
                               : Agreement::Interval::ChosenMonths;
    a.every = f[1].toInt();
    a.start = day(f[2].toLatin1());
    if (f.value(3, "-") != "-")
        a.end = day(f[3].toLatin1());
    a.weekday = f.value(4, "0").toInt();
    a.months = quint16(f.value(5, "0").toUInt(nullptr, 0));
    a.slot = QStringLiteral("08:00-10:00");
    a.price = Money::fromCents(8900);
    return a;
}

Agreement with(Agreement a, const QString &technician, const QString &note = {})
{
    a.technician = technician;
    a.note = note;
    return a;
}

// A data folder with customers A100 to A(100 + customers - 1), technicians Bob and Ann and the counter at 1000.
struct Office
{
    explicit Office(int customers = 1)
        : customers(customers)
    {
        SaveCatalogue(folder, {{"Furnace tune-up", "$89.00", "1:00"}, {"Filter change", "$20.00", "0:30"}});
        QByteArray bytes;
        for (int i = 0; i < customers; ++i)
            bytes += SlipSamples::customer(QStringLiteral("A%1").arg(100 + i)).bytes();
        root.write(CustomerFile::kPath, bytes);
        for (const char *name : {"Bob", "Ann"}) {
            Record r(assignmentLayout());
            r.setText(AssignmentField::Name, QString::fromLatin1(name));
            folder.appendRecord(AssignmentFile::kPath, r);
        }
        counter.save(folder);
        root.write("/MyBusinessData.txt", "\"Varnel Heating\"\r\n");
    }
    // Stores the agreements, the i-th for customer A(100 + i % customers).
    void add(std::vector<Agreement> list)
    {
        for (std::size_t i = 0; i < list.size(); ++i) {
            list[i].id = 0;
            list[i].acctNo = QStringLiteral("A%1").arg(100 + int(i) % customers);
            const Verdict v = Agreements::save(folder, list[i]);
            QVERIFY2(v.isDone(), qPrintable(v.notices.empty() ? QString() : v.notices.front().text));
        }
    }
    Agreements::RunSummary run(int weeks = 4)
    {
        return Agreements::makeVisits(folder, counter, clock, settings, weeks);
    }
    std::vector<Record> slips() const { return folder.readRecords(SlipFiles::kActive, serviceSlipLayout()); }

    TestRoot root;
    DataFolder folder = root.folder();
    SlipCounter counter;
    FixedClock clock{QDateTime(QDate(2027, 3, 1), QTime(7, 30))}; // a Monday
    Settings settings;
    int customers;
};

// What the data check says of the folder, or only of its agreements.
QString findings(const DataFolder &folder, bool agreementsOnly = false)
{
    std::vector<CheckFinding> all;
    if (agreementsOnly)
        checkAgreements(folder, all);
    else
        all = checkDataFolder(folder, toolClock());
    QStringList out;
    for (const CheckFinding &f : all)
        out << f.text();
    return out.join('\n');
}

} // namespace

class TestAgreements : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { useTestSettingsStore(); }

    void visitDates_data()
    {
        dataColumns<QString, int, QString, QString, QString>("agreement", "week", "from", "to", "days");
        // Every day a working day: the dates as the interval gives them.
        dataRow("leap day yearly", QString("m 12 2/29/2028"), 7, QString("1/1/2028"), QString("3/31/2032"),
                QString("2/29/2028 2/28/2029 2/28/2030 2/28/2031 2/29/2032"));
        dataRow("monthly 31st", QString("m 1 1/31/2027"), 7, QString("1/1/2027"), QString("5/31/2027"),
                QString("1/31/2027 2/28/2027 3/31/2027 4/30/2027 5/31/2027"));
        dataRow("every 2 months 31st", QString("m 2 8/31/2026"), 7, QString("8/1/2026"), QString("4/30/2027"),
                QString("8/31/2026 10/31/2026 12/31/2026 2/28/2027 4/30/2027"));
        dataRow("chosen months", QString("c 1 1/15/2027 - 0 0x924"), 7, QString("1/1/2027"), QString("12/31/2027"),
                QString("3/15/2027 6/15/2027 9/15/2027 12/15/2027"));
        dataRow("every 2 weeks, end", QString("w 2 3/3/2027 3/30/2027"), 7, QString("1/1/2027"), QString("12/31/2027"),
                QString("3/3/2027 3/17/2027"));
        // Monday to Friday: the preferred weekday of the due day's week, then the next working day; never before
        // the start, nor after the end.
        dataRow("friday", QString("w 1 3/3/2027 - 5"), 5, QString("3/1/2027"), QString("3/14/2027"),
                QString("3/5/2027 3/12/2027"));
        dataRow("sunday to monday", QString("w 1 3/3/2027 - 7"), 5, QString("3/1/2027"), QString("3/16/2027"),
                QString("3/8/2027 3/15/2027"));
        dataRow("monday before start", QString("w 1 3/3/2027 - 1"), 5, QString("3/1/2027"), QString("3/9/2027"),
                QString("3/3/2027 3/8/2027"));
        dataRow("end on a saturday", QString("m 1 1/30/2027 10/30/2027"), 5, QString("10/1/2027"),
                QString("12/31/2027"), QString("10/29/2027"));
    }
    void visitDates()
    {
        auto [agreement, week, from, to, days] =
            fetched<QString, int, QString, QString, QString>("agreement", "week", "from", "to", "days");
        QStringList got;
        for (const QDate &d : Agreements::visitDates(::agreement(agreement), day(from.toLatin1()), day(to.toLatin1()),
                                                     workWeekFromCode(week)))
            got << Formats::shortDate(d);
        QCOMPARE(got.join(' '), days);
    }

    // Three agreements over four weeks from Monday 3/1/2027: the slips as slip creation stores them, each visit
    // once however often the run comes.
    // What a run is to make, before it reads the slips or writes anything: a visit is known by its agreement and
    // period; one made or skipped is not made again, one marked to make again is (at its period's day, within
    // the run's weeks). The visit recorded for the weekly agreement from 2/1/2027 ("due" under `recorded`, the
    // agreement as it was), the agreement as it is now, and what the run makes as "due" or "due>day", by day.
    void visitsToMake_data()
    {
        dataColumns<QString, int, QString, QString, QString>("due", "state", "recorded", "now", "made");
        const int made = int(Agreements::VisitState::Made), skipped = int(Agreements::VisitState::Skipped),
                  again = int(Agreements::VisitState::MakeAgain);
        const QString weekly = "w 1 2/1/2027";
        dataRow("nothing recorded", QString(), made, weekly, weekly, QString("3/1/2027 3/8/2027 3/15/2027"));
        dataRow("made", QString("3/8/2027"), made, weekly, weekly, QString("3/1/2027 3/15/2027"));
        dataRow("skipped", QString("3/8/2027"), skipped, weekly, weekly, QString("3/1/2027 3/15/2027"));
        dataRow("again while due", QString("3/8/2027"), again, weekly, weekly, QString("3/1/2027 3/8/2027 3/15/2027"));
        dataRow("again from the past", QString("2/15/2027"), again, weekly, weekly,
                QString("2/15/2027 3/1/2027 3/8/2027 3/15/2027"));
        dataRow("again beyond the weeks", QString("3/29/2027"), again, weekly, weekly,
                QString("3/1/2027 3/8/2027 3/15/2027"));
        // An edit gives the recorded period its new day, never a second visit.
        dataRow("start a day later", QString("3/8/2027"), made, weekly, QString("w 1 2/2/2027"), QString("3/2/2027"));
        dataRow("weekday Friday", QString("3/8/2027"), made, weekly, QString("w 1 2/1/2027 - 5"),
                QString("3/1/2027>3/5/2027"));
        dataRow("every two weeks", QString("2/15/2027"), made, weekly, QString("w 2 2/1/2027"), QString("3/15/2027"));
        dataRow("skipped, then monthly", QString("2/8/2027"), skipped, weekly, QString("m 1 2/1/2027"), QString());
        dataRow("again, then ended", QString("3/8/2027"), again, weekly, QString("w 1 2/1/2027 3/5/2027"),
                QString("3/1/2027"));
        dataRow("chosen months", QString("1/1/2027"), made, QString("c 1 1/1/2027 - 0 0x5"),
                QString("c 1 1/2/2027 - 0 0x6"), QString("3/2/2027"));
    }
    void visitsToMake()
    {
        auto [due, state, recorded, now, made] =
            fetched<QString, int, QString, QString, QString>("due", "state", "recorded", "now", "made");
        const std::vector<Agreement> agreements = {agreement(now)};
        std::vector<Agreements::Visit> visits;
        if (!due.isEmpty())
            visits.push_back({1, Agreements::periodOf(agreement(recorded), day(due.toLatin1())), day(due.toLatin1()),
                              1000, Agreements::VisitState(state), 1});
        QStringList out;
        for (const Agreements::VisitToMake &v : Agreements::visitsToMake(agreements, visits, QDate(2027, 3, 1),
                                                                         QDate(2027, 3, 15), WorkWeek::MondayToFriday))
            out << Formats::shortDate(v.due) + (v.day == v.due ? QString() : ">" + Formats::shortDate(v.day));
        QCOMPARE(out.join(' '), made);
    }

    void runMakesEachVisitOnce()
    {
        Office office(3);
        office.add({with(agreement("m 1 3/3/2027"), "Bob", "Yearly check"), with(agreement("w 1 3/1/2027"), "Ann"),
                    agreement("c 1 3/10/2027 - 0 0x924")});
        QCOMPARE(office.run().made, 7);
        const std::vector<Record> slips = office.slips();
        QCOMPARE(slips.size(), std::size_t(7));
        QStringList got;
        for (const Record &r : slips) {
            using namespace SlipField;
            got << QStringList{QString::number(r.int16(SlipNo)),
                               r.text(Status),
                               r.text(AssignedTo),
                               r.text(SchedDate),
                               r.text(SchedTime),
                               r.text(ServiceRequired),
                               r.text(Amount),
                               r.text(SiteName),
                               r.text(SiteAddress1),
                               Formats::shortDate(OleDate::toDate(r.real(DateReceived)))}
                       .join('|');
        }
        QCOMPARE(
            got.mid(0, 3),
            (QStringList{
                "1000|Assigned|Ann|3/1/2027|08:00-10:00|Furnace tune-up|$89.00|Mr. John Smith|12 Oak St|3/1/2027",
                "1001|Assigned|Bob|3/3/2027|08:00-10:00|Furnace tune-up\r\nYearly check|$89.00|Mr. John Smith|12 Oak "
                "St|3/1/2027",
                "1002|Assigned|Ann|3/8/2027|08:00-10:00|Furnace tune-up|$89.00|Mr. John Smith|12 Oak St|3/1/2027"}));
        QCOMPARE(got[3].section('|', 0, 4), QString("1003|Open||3/10/2027|08:00-10:00"));
        QCOMPARE(office.counter.next(), qint16(1007));
        QCOMPARE(Agreements::agreementOfSlip(office.folder, 1001), std::optional<qint32>(1));
        QCOMPARE(Agreements::agreementOfSlip(office.folder, 1003), std::optional<qint32>(3));

        office.clock.setDate(QDate(2027, 3, 8));
        QCOMPARE(office.run().made, 2); // 4/5: the weekly visit and the monthly one of Saturday 4/3
        office.clock.setDate(QDate(2027, 3, 1));
        QCOMPARE(office.run().text(), QString("No visit was due to be made."));
        QCOMPARE(office.slips().size(), std::size_t(9));
        // An edit that gives visits made already another day names them; their slips stay as they are.
        Agreement ann = Agreements::load(office.folder)[1];
        ann.weekday = 3;
        const Verdict edited = Agreements::save(office.folder, ann);
        QVERIFY(edited.notices.at(0).text.contains("Slip 1000 (3/1/2027): now due 3/3/2027\r\nSlip 1002 (3/8/2027): "
                                                   "now due 3/10/2027\r\n"));
    }

    // Bob's slots of the week of Wednesday 3/3/2027 taken by stored slips ("date time" each), the time of the run
    // on Monday 3/1, and where the visit (preferred Wednesday 08:00-10:00) goes; a second agreement of the same slot
    // is booked after the first.
    void booking_data()
    {
        dataColumns<QStringList, int, int, QString, QString, QString>("taken", "hour", "agreements", "slip", "summary",
                                                                      "end");
        const QStringList none;
        dataRow("free", none, 7, 1, QString("3/3/2027 08:00-10:00"), QString(), QString());
        dataRow("taken", QStringList{"3/3/2027 08:00-10:00"}, 7, 1, QString("3/3/2027 10:00-12:00"),
                QString("Slip 1000 (Mr. John Smith, 3/3/2027) moved to 10:00-12:00"), QString());
        dataRow("an hour inside it", QStringList{"3/03/2027 09:00", "3/3/2027 10:00"}, 7, 1,
                QString("3/3/2027 01:00-03:00"), QString("Slip 1000 (Mr. John Smith, 3/3/2027) moved to 01:00-03:00"),
                QString());
        const QStringList wednesday{"3/3/2027 08:00-10:00", "3/3/2027 10:00-12:00", "3/3/2027 01:00-03:00",
                                    "3/3/2027 03:00-05:00"};
        dataRow("day full", wednesday, 7, 1, QString("3/4/2027 08:00-10:00"),
                QString("Slip 1000 (Mr. John Smith, 3/3/2027) moved to 3/4/2027 08:00-10:00"), QString());
        QStringList rest; // Wednesday to Friday full: the earlier days of the week, not the past
        for (const QString &d : {"3/3/2027", "3/4/2027", "3/5/2027"})
            for (const QString &t : {"08:00-10:00", "10:00-12:00", "01:00-03:00", "03:00-05:00"})
                rest << d + " " + t;
        dataRow("earlier in the week", rest, 7, 1, QString("3/1/2027 08:00-10:00"),
                QString("Slip 1000 (Mr. John Smith, 3/3/2027) moved to 3/1/2027 08:00-10:00"), QString());
        dataRow("begun hours of today", rest, 10, 1, QString("3/1/2027 01:00-03:00"),
                QString("Slip 1000 (Mr. John Smith, 3/3/2027) moved to 3/1/2027 01:00-03:00"), QString());
        dataRow("week full",
                rest + QStringList{"3/2/2027 08:00-10:00", "3/2/2027 10:00-12:00", "3/2/2027 01:00-03:00",
                                   "3/2/2027 03:00-05:00"},
                16, 1, QString("0 None"),
                QString("Slip 1000 (Mr. John Smith, 3/3/2027): Bob has no free time that week."), QString());
        dataRow("day full, its last day", wednesday, 7, 1, QString("3/1/2027 08:00-10:00"),
                QString("Slip 1000 (Mr. John Smith, 3/3/2027) moved to 3/1/2027 08:00-10:00"), QString("3/3/2027"));
        dataRow("two of one slot", none, 7, 2, QString("3/3/2027 10:00-12:00"),
                QString("Slip 1001 (Mr. John Smith, 3/3/2027) moved to 10:00-12:00"), QString());
    }
    void booking()
    {
        auto [taken, hour, agreements, slip, summary, end] = fetched<QStringList, int, int, QString, QString, QString>(
            "taken", "hour", "agreements", "slip", "summary", "end");
        Office office;
        QByteArray bytes;
        for (int i = 0; i < taken.size(); ++i)
            bytes +=
                SlipSamples::slip(QString("%1|Assigned|Bob|%2").arg(500 + i).arg(taken[i].replace(' ', '|'))).bytes();
        office.root.write(SlipFiles::kActive, bytes);
        office.clock.set(QDateTime(QDate(2027, 3, 1), QTime(hour, 0)));
        office.add(std::vector<Agreement>(
            std::size_t(agreements), with(agreement("m 1 2/3/2027 " + (end.isEmpty() ? "-" : end) + " 3"), "Bob")));
        const auto run = office.run(1);
        QCOMPARE(run.made, agreements);
        const Record made = office.slips().back();
        QCOMPARE(made.text(SlipField::SchedDate) + ' ' + made.text(SlipField::SchedTime), slip);
        QCOMPARE((run.moved + run.unscheduled).join('\n'), summary);
    }

    // A slip deleted with "skip" is not made again; with "make again" the next run makes it, from today when its day
    // has passed.
    void deletedSlip()
    {
        Office office(2);
        office.add({with(agreement("m 1 3/3/2027"), "Bob"), with(agreement("m 1 3/3/2027"), "Ann"),
                    agreement("m 1 3/3/2027 3/3/2027")});
        QCOMPARE(office.run().made, 3);
        SlipStore(office.folder).replaceFile(SlipFiles::kActive, {});
        Agreements::slipsDeleted(office.folder, {1000}, false);
        Agreements::slipsDeleted(office.folder, {1001, 1002}, true);
        // Skipped whatever the counter says: set back to the skipped slip's number, and a start between.
        office.counter.set(1000);
        office.counter.save(office.folder);
        repairAsAtStart(office.folder, office.counter);
        office.clock.setDate(QDate(2027, 3, 4));
        const Agreements::RunSummary again = office.run();
        QCOMPARE(again.made, 1);
        QCOMPARE(again.refused, QStringList("Agreement 3 (Account A100): the visit of 3/3/2027 would come after the "
                                            "agreement's end (3/3/2027); it was not made."));
        QCOMPARE(office.run().made, 0);
        const Record remade = office.slips().front();
        QCOMPARE(remade.text(SlipField::SchedDate) + ' ' + remade.text(SlipField::SchedTime),
                 QString("3/4/2027 08:00-10:00"));
        QCOMPARE(Agreements::agreementOfSlip(office.folder, 1000), std::optional<qint32>(2));
        QCOMPARE(Agreements::agreementOfSlip(office.folder, 1001), std::nullopt);
        QCOMPARE(findings(office.folder), QString());
    }

    // An agreement removed half-way (gone from its file, its visits left): a new one never takes its id, so the
    // visits left are not taken for its own and its visits are made.
    void removedHalfWay()
    {
        Office office;
        office.add({agreement("m 1 3/3/2027"), agreement("w 1 3/1/2027")});
        QCOMPARE(office.run().made, 6);
        office.folder.replaceRecords(Agreements::kFile, {Agreements::toRecord(Agreements::load(office.folder)[0])});
        office.add({agreement("w 1 3/1/2027")});
        QCOMPARE(Agreements::load(office.folder).back().id, 3);
        QCOMPARE(office.run().made, 5);
        for (const QString &line : findings(office.folder).split('\n')) // the check names the visits left, only
            QVERIFY2(line.endsWith(": agreement 2 is not in Agreements.dat"), qPrintable(line));
    }

    // The coming weeks list a day's visits by their time: the afternoon visit after the morning one.
    void comingWeeksByTime()
    {
        Office office;
        Agreement afternoon = agreement("w 1 3/1/2027"), morning = afternoon;
        afternoon.slot = "01:00-03:00";
        office.add({afternoon, morning});
        const auto lines =
            AgreementView::lines(Agreements::load(office.folder), {}, QDate(2027, 3, 1), WorkWeek::MondayToFriday);
        const auto weeks =
            AgreementView::comingWeeks(office.folder, lines, QDate(2027, 3, 1), 1, WorkWeek::MondayToFriday);
        QCOMPARE(weeks.at(0).visits.at(0).slot + ' ' + weeks.at(0).visits.at(1).slot,
                 QString("08:00-10:00 01:00-03:00"));
    }

    // An account gone and the slip numbers running out: said in the summary, and nothing half-made.
    void refusals()
    {
        Office office(2);
        office.add({agreement("m 1 3/3/2027"), agreement("m 1 3/3/2027"), agreement("m 1 3/4/2027")});
        office.root.write(CustomerFile::kPath, SlipSamples::customer("A100").bytes());
        office.counter.set(32766);
        const QStringList refused{
            "Agreement 2 (Account A101): the account is no longer in the Customer file; no visit was made.",
            "No Slip Numbers are left: 1 visit(s) were not made. The last number a Service Slip can have is 32766."};
        QCOMPARE(office.run().refused, refused);
        QCOMPARE(office.run().refused.size(), 2);
        QCOMPARE(office.slips().size(), std::size_t(1));
        QCOMPARE(office.slips().front().int16(SlipField::SlipNo), qint16(32766));
        QCOMPARE(Agreements::loadVisits(office.folder).size(), std::size_t(1));
    }

    // 200 agreements into a week whose 2,000 slips take two hours of every technician's mornings: each visit takes
    // a free afternoon, none clashes, and the data check finds nothing.
    void busyWeek()
    {
        Office office(200);
        std::vector<Record> technicians, slips;
        for (int t = 0; t < 100; ++t) {
            technicians.push_back(Record(assignmentLayout()));
            technicians.back().setText(AssignmentField::Name, QString("T%1").arg(t));
            for (int d = 1; d <= 5; ++d)
                for (const char *time : {"08:00", "09:00", "10:00", "11:00"}) {
                    Record r = SlipSamples::slip(
                        QString("%1|Assigned|T%2|3/%3/2027|%4").arg(slips.size() + 1).arg(t).arg(d).arg(time));
                    r.setText(SlipField::Priority, "Normal");
                    r.setText(SlipField::Amount, "$0.00");
                    slips.push_back(r);
                }
        }
        office.folder.appendRecords(AssignmentFile::kPath, technicians);
        office.folder.appendRecords(SlipFiles::kActive, slips);
        office.counter.set(3000);
        std::vector<Agreement> list;
        for (int i = 0; i < 200; ++i)
            list.push_back(with(agreement("m 1 2/3/2027 - 3"), QString("T%1").arg(i / 2)));
        office.add(list);
        const auto run = office.run(1);
        QCOMPARE(run.made, 200);
        QCOMPARE(run.moved.size(), 200);
        QHash<QString, QStringList> days; // technician and day -> times
        for (const Record &r : office.slips())
            days[r.text(SlipField::AssignedTo) + ' ' + r.text(SlipField::SchedDate)] << r.text(SlipField::SchedTime);
        for (const QStringList &times : days)
            for (int a = 0; a < times.size(); ++a)
                for (int b = a + 1; b < times.size(); ++b)
                    QVERIFY2(!slotsClash(times[a], times[b]), qPrintable(times[a] + " " + times[b]));
        QCOMPARE(days.value("T7 3/3/2027"),
                 (QStringList{"08:00", "09:00", "10:00", "11:00", "01:00-03:00", "03:00-05:00"}));
        QCOMPARE(findings(office.folder), QString());
    }

    void interruptedWrites_data()
    {
        dataColumns<int>("fault");
        dataRow("killed", int(Fault::Kill));
        dataRow("disk full", int(Fault::FullDisk));
    }
    // A week of the office, cut at every step of its writes: an edit (the start a day later), a slip skipped and one
    // to make again (deleted as the board deletes them), and the run, with slips made by hand before and after the
    // cut. After the next start (a kill) or in the same session (a full disk), done again, it ends as when nothing
    // failed: each visit once, linked only to the slip it made, and the check finds nothing.
    void interruptedWrites()
    {
        QFETCH(int, fault);
        const auto week = [fault](Office &office, int k) {
            const auto handSlip = [&] {
                Record r = SlipSamples::slip(QString::number(office.counter.next()));
                r.setText(SlipField::AcctNo, "A100");
                r.setReal(SlipField::DateReceived, OleDate::fromDateTime(office.clock.now().addSecs(60 * k + 60)));
                SlipStore(office.folder).append(r);
                office.counter.set(qint16(office.counter.next() + 1));
                office.counter.save(office.folder);
                return r.int16(SlipField::SlipNo);
            };
            office.add({with(agreement("w 1 3/1/2027"), "Bob"), agreement("m 1 3/3/2027")});
            office.run();
            std::vector<qint16> hand{handSlip()};
            const auto steps = [&] {
                Agreement edited = Agreements::load(office.folder).front();
                edited.start = QDate(2027, 3, 2);
                QVERIFY(Agreements::save(office.folder, edited).isDone());
                for (const auto &[slipNo, again] : {std::pair<qint16, bool>{1001, false}, {1003, true}}) {
                    Agreements::beginSlipDeletion(office.folder, {slipNo}, again);
                    std::vector<Record> kept = office.slips();
                    std::erase_if(kept, [&](const Record &r) { return r.int16(SlipField::SlipNo) == slipNo; });
                    SlipStore(office.folder).replaceFile(SlipFiles::kActive, kept);
                    Agreements::finishSlipDeletion(office.folder);
                }
                office.clock.setDate(QDate(2027, 3, 8));
                office.run();
            };
            const bool struck = runWithFaultAt(office.folder, k, Fault(fault), steps);
            if (Fault(fault) == Fault::Kill)
                repairAsAtStart(office.folder, office.counter);
            // Every slip of an agreement still on the board is its visit's.
            const bool linkedAfterCut =
                office.slips().size() - 1 == std::size_t(Agreements::slipsOfAgreements(office.folder).size());
            hand.push_back(handSlip());
            steps();
            QStringList states; // agreement:period:state, and whether its slip is the one linked
            const QHash<qint16, qint32> linked = Agreements::slipsOfAgreements(office.folder);
            const std::vector<Agreements::Visit> visits = Agreements::loadVisits(office.folder);
            QHash<QPair<qint32, qint32>, const Agreements::Visit *> latest;
            for (const Agreements::Visit &v : visits)
                latest.insert({v.agreementId, v.period}, &v);
            for (const Agreements::Visit *v : latest)
                states << QString("%1:%2:%3").arg(v->agreementId).arg(v->period).arg(int(v->state));
            states.sort();
            for (const qint16 n : hand)
                states << (linked.contains(n) ? "hand slip linked" : "");
            states << QString::number(linked.size()) << findings(office.folder, true)
                   << (linkedAfterCut ? "" : "a slip on the board unlinked after the cut");
            return std::pair(struck, states.join(' '));
        };
        Office reference(2);
        const QString expected = week(reference, -1).second;
        QCOMPARE(expected, QString("1:0:0 1:1:0 1:2:0 1:3:0 1:4:0 2:0:1 2:1:0   6  "));
        for (int k = 0;; ++k) {
            Office office(2);
            const auto [struck, got] = week(office, k);
            QCOMPARE(got, expected);
            if (!struck)
                break;
        }
    }

    void lostVisits_data()
    {
        dataColumns<int, QString>("overwritten", "told");
        dataRow("missing", -1,
                QString("AgreementVisits.dat is missing. These Service Slips were made by agreements "
                        "and are noted again as their visits, so that no run makes those visits a "
                        "second time: 1000, 1001, 1002, 1003, 1004."));
        dataRow("two records overwritten", 2,
                QString("AgreementVisits.dat has 2 damaged record(s). These Service Slips were made by agreements and "
                        "are noted again as their visits, so that no run makes those visits a second time: 1001, "
                        "1003."));
    }
    // A visits file lost or damaged is said at start, and by the check; the visits of the slips stored are noted
    // again from the slips, and the run makes none of them twice.
    void lostVisits()
    {
        auto [overwritten, told] = fetched<int, QString>("overwritten", "told");
        Office office;
        office.add({with(agreement("w 1 3/1/2027"), "Bob")});
        QCOMPARE(office.run().made, 5);
        if (overwritten < 0) {
            office.folder.deleteFile(Agreements::kVisitsFile);
            QVERIFY(findings(office.folder, true).startsWith("AgreementVisits.dat: missing, while slip(s) 1000, "));
        } else {
            QByteArray bytes = office.root.read(Agreements::kVisitsFile);
            bytes.replace(32, 32, QByteArray(32, 'x')).replace(96, 32, QByteArray(32, '\0'));
            office.root.write(Agreements::kVisitsFile, bytes);
        }
        const Recovery::Report start = repairAsAtStart(office.folder, office.counter);
        QCOMPARE(start.notices.empty() ? QString() : start.notices.front().text.section("\r\n", 0, 0), told);
        QCOMPARE(office.run().made, 0);
        QCOMPARE(Agreements::slipsOfAgreements(office.folder).size(), 5);
    }

    // Visits appended after the run's own (agreement 1 due 3/3/2027, slip 1000) beside a stored slip 1001 that
    // no visit holds, as "agreement|due|slip|state[|received]", and what the data check says of them.
    void checkedVisits_data()
    {
        dataColumns<QStringList, QString>("visits", "finding");
        const QString record2 = "AgreementVisits.dat record 2: ";
        dataRow("made again", QStringList{"1|3/3/2027|1000|2", "1|3/3/2027|1001|0"}, QString());
        dataRow("made twice", QStringList{"1|3/3/2027|1001|0"},
                record2 + "the visit of agreement 1 due 3/3/2027 was made twice: slip 1000 (record 1) and slip 1001");
        dataRow("one slip, two visits", QStringList{"1|4/3/2027|1000|0"},
                record2 + "slip 1000 is also the slip of another visit (record 1)");
        dataRow("slip deleted", QStringList{"1|4/3/2027|999|0"},
                record2 + "slip 999 of the visit of agreement 1 due 4/3/2027 is in no slip file (deleted); the visit "
                          "counts as made");
        dataRow("a hand slip took its number", QStringList{"1|4/3/2027|1001|0|7"},
                record2 + "slip 1001 is not the slip the visit of agreement 1 due 4/3/2027 made (another slip took "
                          "its number); the visit counts as made and the slip is not its visit");
        dataRow("no agreement", QStringList{"7|4/3/2027|1001|0"}, record2 + "agreement 7 is not in Agreements.dat");
        dataRow("damaged state", QStringList{"1|3/3/2027|1000|9"},
                record2 + "State 9 is not 0, 1 or 2; it is read as made (0)");
    }
    void checkedVisits()
    {
        auto [visits, finding] = fetched<QStringList, QString>("visits", "finding");
        Office office;
        office.add({with(agreement("m 1 3/3/2027"), "Bob")});
        office.run();
        Record other = office.slips().front();
        other.setInt16(SlipField::SlipNo, 1001);
        SlipStore(office.folder).append(other);
        office.counter.set(1002);
        office.counter.save(office.folder);
        for (const QString &v : visits) {
            const QStringList f = v.split('|');
            Record r(agreementVisitLayout());
            r.setInt32(VisitField::AgreementId, f[0].toInt());
            r.setInt32(VisitField::Period, Agreements::periodOf(agreement("m 1 3/3/2027"), day(f[1].toLatin1())));
            r.setInt16(VisitField::SlipNo, qint16(f[2].toInt()));
            r.setInt16(VisitField::State, qint16(f[3].toInt()));
            r.setReal(VisitField::Received, f.value(4).toDouble());
            r.setInt32(VisitField::Mark, VisitField::kMark);
            office.folder.appendRecord(Agreements::kVisitsFile, r);
        }
        QCOMPARE(findings(office.folder, true), finding);
    }

    // A damaged agreement reads with defaults the run can use (or makes no visit), and the check names each value.
    void damagedAgreement()
    {
        Office office;
        office.add({with(agreement("m 1 3/3/2027"), "Bob")});
        Record r = office.folder.readRecords(Agreements::kFile, agreementLayout()).front();
        using namespace AgreementField;
        r.setInt16(Interval, 5);
        r.setInt16(Every, 0);
        r.setInt16(Weekday, 9);
        r.setText(Slot, "7pm");
        r.setText(Technician, "Zed");
        r.setText(Services, "Roof");
        r.setReal(Start, 1e300);
        office.folder.replaceRecords(Agreements::kFile, {r, r});
        const Agreement a = Agreements::load(office.folder).front();
        QCOMPARE(QStringList({Agreements::intervalText(a), QString::number(a.weekday), a.slot, a.start.toString()}),
                 QStringList({"Every month", "0", "None", ""}));
        QCOMPARE(office.run().made, 0);
        const QString first = findings(office.folder, true).section("Agreements.dat record 2", 0, 0);
        QCOMPARE(first,
                 QString("Agreements.dat record 1: Interval 5 is outside 0 to 2; it is read as months\n"
                         "Agreements.dat record 1: Every 0 is outside 1 to 99; it is read as 1\n"
                         "Agreements.dat record 1: Weekday 9 is outside 0 to 7; it is read as none\n"
                         "Agreements.dat record 1: unknown time slot \"7pm\"; it is read as \"None\"\n"
                         "Agreements.dat record 1: Start 1.0000000000000001e+300 is not a date; it is read as "
                         "none, and no visit is made\n"
                         "Agreements.dat record 1: warning: no assignment is named \"Zed\"; its visits are still "
                         "given to that name\n"
                         "Agreements.dat record 1: warning: the service \"Roof\" is not in the catalogue\n"));
        QVERIFY(findings(office.folder, true).contains("Agreements.dat record 2: Id 1 is also record 1"));
    }

    // import agreements refuses each bad row with its line and adds the others; export-csv agreements writes the
    // list import reads back; neither writes while the program holds the folder.
    void importAndExport()
    {
        Office office(2);
        office.root.write("/in.csv",
                          "acct no,SERVICES,Interval,Every,Months,Technician,Weekday,Slot,Start,End,Price,"
                          "Note\r\n"
                          "A100,Furnace tune-up; Filter change,weeks,2,,Bob,tue,08:00,3/2/2027,,$45,Gate code 12\r\n"
                          "A101,Filter change,Chosen months,,Mar Sep,,,,3/15/2027,3/14/2028,\"1,200.00\",\r\n"
                          "A999,Filter change,,,,,,,3/1/2027,,,\r\n"
                          "A100,Roof,,,,,,,3/1/2027,,,\r\n"
                          "A100,Filter change,monthly,1,,,Funday,,3/1/2027,,,\r\n"
                          "A100,Filter change,monthly,1,,,,,3/1/2027,,,Say \"\"hi\"\"\r\n"
                          "A100,Filter change,monthly,1,,,,,3/1/2027,,10.005,\r\n");
        const QString root = office.root.path();
        const ToolRun imported = runTool({"import", "--root", root, "agreements", office.root.file("/in.csv")});
        QCOMPARE(imported.status, 1);
        QCOMPARE(imported.out.section('\n', 1),
                 QString("line 4: The Account A999 is not in the Customer file.\n"
                         "line 5: The service \"Roof\" is not in the Services catalogue.\n"
                         "line 6: the Weekday \"Funday\" is no day of the week\n"
                         "line 7: The note cannot hold a double quote (\").\n"
                         "line 8: the Price \"10.005\" has more than two decimals; write it in dollars and cents\n"
                         "7 row(s) read: 2 agreements imported, 5 row(s) refused\n"));
        const QString list = "AcctNo,Services,Interval,Every,Months,Technician,Weekday,Slot,Start,End,Price,Note\r\n"
                             "A100,Furnace tune-up; Filter change,Weeks,\"=\"\"2\"\"\",,Bob,Tuesday,"
                             "\"=\"\"08:00\"\"\",\"=\"\"3/2/2027\"\"\",,\"=\"\"$45.00\"\"\",Gate code 12\r\n"
                             "A101,Filter change,Chosen months,\"=\"\"1\"\"\",Mar Sep,,,None,"
                             "\"=\"\"3/15/2027\"\"\",\"=\"\"3/14/2028\"\"\",\"=\"\"$1,200.00\"\"\",\r\n";
        QCOMPARE(runTool({"export-csv", "--root", root, "agreements"}).out, list);

        Office other(2);
        other.root.write("/list.csv", list.toUtf8());
        QCOMPARE(runTool({"import", "--root", other.root.path(), "agreements", other.root.file("/list.csv")}).status,
                 0);
        QCOMPARE(other.root.read(Agreements::kFile), office.root.read(Agreements::kFile));
        // Decimal commas, as the other imports read them.
        other.root.write("/comma.csv", "AcctNo;Services;Start;Price\r\nA100;Filter change;3/1/2027;89,50\r\n"
                                       "A100;Filter change;3/1/2027;1.234,56\r\nA100;Filter change;3/1/2027;12,5\r\n");
        QCOMPARE(runTool({"import", "--root", other.root.path(), "agreements", other.root.file("/comma.csv")}).status,
                 0);
        QStringList prices;
        for (const Agreement &a : Agreements::load(other.folder))
            prices << Formats::currency(a.price);
        QCOMPARE(prices.join(' '), QString("$45.00 $1,200.00 $89.50 $1,234.56 $12.50"));

        InstanceLock lock(root);
        QVERIFY(lock.tryLock());
        const auto before = snapshot(root);
        QCOMPARE(runTool({"import", "--root", root, "agreements", office.root.file("/in.csv")}).status, 2);
        QCOMPARE(snapshot(root), before);
    }
};

QTEST_GUILESS_MAIN(TestAgreements)
#include "tst_agreements.moc"
