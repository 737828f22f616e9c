#include "accounts/assignmentfile.h"
#include "accounts/assignmentrecord.h"
#include "accounts/servicecatalogue.h"
#include "core/clock.h"
#include "core/formats.h"
#include "core/oledate.h"
#include "core/slipcounter.h"
#include "crashsupport.h"
#include "dispatch/agreements.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "slipsamples.h"
#include "testsupport.h"
#include "tools/datacheck.h"

#include <QSet>
#include <QTest>

Q_DECLARE_METATYPE(Agreement)

namespace {

QDate day(const char *text)
{
    return *Formats::parseShortDate(QString::fromLatin1(text));
}

// "interval every start [end] [weekday] [months]": "m 1 1/31/2027", "w 2 3/1/2027 - 3", "c 1 1/15/2027 - 0 0x924".
Agreement agreement(const QString &spec)
{
    const QStringList f = spec.split(' ');
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
        QFETCH(QString, agreement);
        QFETCH(int, week);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, days);
        QStringList got;
        for (const QDate &d : Agreements::visitDates(::agreement(agreement), day(from.toLatin1()), day(to.toLatin1()),
                                                     workWeekFromCode(week)))
            got << Formats::shortDate(d);
        QCOMPARE(got.join(' '), days);
    }

    // Three agreements over four weeks from Monday 3/1/2027: the slips as slip creation stores them, each visit
    // once however often the run comes.
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
    }

    // Bob's slots of the week of Wednesday 3/3/2027 taken by stored slips ("date time" each), the time of the run
    // on Monday 3/1, and where the visit (preferred Wednesday 08:00-10:00) goes; a second agreement of the same slot
    // is booked after the first.
    void booking_data()
    {
        dataColumns<QStringList, int, int, QString, QString>("taken", "hour", "agreements", "slip", "summary");
        const QStringList none;
        dataRow("free", none, 7, 1, QString("3/3/2027 08:00-10:00"), QString());
        dataRow("taken", QStringList{"3/3/2027 08:00-10:00"}, 7, 1, QString("3/3/2027 10:00-12:00"),
                QString("Slip 1000 (Mr. John Smith, 3/3/2027) moved to 10:00-12:00"));
        dataRow("an hour inside it", QStringList{"3/03/2027 09:00", "3/3/2027 10:00"}, 7, 1,
                QString("3/3/2027 01:00-03:00"), QString("Slip 1000 (Mr. John Smith, 3/3/2027) moved to 01:00-03:00"));
        dataRow(
            "day full",
            QStringList{"3/3/2027 08:00-10:00", "3/3/2027 10:00-12:00", "3/3/2027 01:00-03:00", "3/3/2027 03:00-05:00"},
            7, 1, QString("3/4/2027 08:00-10:00"),
            QString("Slip 1000 (Mr. John Smith, 3/3/2027) moved to 3/4/2027 08:00-10:00"));
        QStringList rest; // Wednesday to Friday full: the earlier days of the week, not the past
        for (const QString &d : {"3/3/2027", "3/4/2027", "3/5/2027"})
            for (const QString &t : {"08:00-10:00", "10:00-12:00", "01:00-03:00", "03:00-05:00"})
                rest << d + " " + t;
        dataRow("earlier in the week", rest, 7, 1, QString("3/1/2027 08:00-10:00"),
                QString("Slip 1000 (Mr. John Smith, 3/3/2027) moved to 3/1/2027 08:00-10:00"));
        dataRow("begun hours of today", rest, 10, 1, QString("3/1/2027 01:00-03:00"),
                QString("Slip 1000 (Mr. John Smith, 3/3/2027) moved to 3/1/2027 01:00-03:00"));
        dataRow("week full",
                rest + QStringList{"3/2/2027 08:00-10:00", "3/2/2027 10:00-12:00", "3/2/2027 01:00-03:00",
                                   "3/2/2027 03:00-05:00"},
                16, 1, QString("0 None"),
                QString("Slip 1000 (Mr. John Smith, 3/3/2027): Bob has no free time that week."));
        dataRow("two of one slot", none, 7, 2, QString("3/3/2027 10:00-12:00"),
                QString("Slip 1001 (Mr. John Smith, 3/3/2027) moved to 10:00-12:00"));
    }
    void booking()
    {
        QFETCH(QStringList, taken);
        QFETCH(int, hour);
        QFETCH(int, agreements);
        QFETCH(QString, slip);
        QFETCH(QString, summary);
        Office office;
        QByteArray bytes;
        for (int i = 0; i < taken.size(); ++i)
            bytes +=
                SlipSamples::slip(QString("%1|Assigned|Bob|%2").arg(500 + i).arg(taken[i].replace(' ', '|'))).bytes();
        office.root.write(SlipFiles::kActive, bytes);
        office.clock.set(QDateTime(QDate(2027, 3, 1), QTime(hour, 0)));
        office.add(std::vector<Agreement>(std::size_t(agreements), with(agreement("m 1 2/3/2027 - 3"), "Bob")));
        const auto run = office.run(1);
        QCOMPARE(run.made, agreements);
        const Record made = office.slips().back();
        QCOMPARE(made.text(SlipField::SchedDate) + ' ' + made.text(SlipField::SchedTime), slip);
        QCOMPARE((run.moved + run.unscheduled).join('\n'), summary);
    }
};

QTEST_GUILESS_MAIN(TestAgreements)
#include "tst_agreements.moc"
