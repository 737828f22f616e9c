#include "dispatch/schedules.h"
#include "dispatch/slipfiles.h"
#include "slipsamples.h"
#include "testsupport.h"

#include <QTest>

using namespace Schedules;

namespace {
// Each assignment's job as "slip customer date time site-tel site-cell", or "-" for none.
QStringList shown(const DataFolder &folder, const QStringList &names)
{
    QStringList out;
    for (const auto &job : LoadSchedule(folder, names))
        out.append(
            job ? QStringList({job->slipNo, job->customer, job->date, job->time, job->siteTelephone, job->siteCell})
                      .join(' ')
                : QStringLiteral("-"));
    return out;
}
} // namespace

class TestSchedules : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { useTestSettingsStore(); }

    void jobsInProgress()
    {
        TestRoot root;
        const QStringList names = {"Bob", "Ann", "Cy", "Dee"};
        // No slip file at all: nobody is signed out, and nothing fails.
        QCOMPARE(shown(root.folder(), names), QStringList({"-", "-", "-", "-"}));
        root.write(SlipFiles::kActive,
                   SlipSamples::slips({"900|In Progress|Bob|1/19/2026|08:00|Lee|555-0100|555-0111",
                                       "901|Assigned|Ann|1/19/2026|09:00|Ray", "902|Open|||||", "903|Suspended|Ann",
                                       "904|Complete|Ann", "905|In Progress|cy|1/19/2026|09:00",
                                       "906|In Progress|Bob|1/19/2026|01:00|Kay|555-0200"}));
        // Bob's later slip wins; Ann has none in progress; a name in another letter case is not Cy's.
        QCOMPARE(shown(root.folder(), names), QStringList({"906 Kay 1/19/2026 01:00 555-0200 ", "-", "-", "-"}));
    }

    void calls_data()
    {
        dataColumns<int, QString>("column", "call"); // call: "name|number", or "" for none
        QTest::newRow("assignment") << int(Assignment) << "";
        QTest::newRow("cell number") << int(CellNo) << "Bob|555-0001";
        QTest::newRow("site telephone") << int(SiteTel) << "Calling Job Site|555-0100";
        QTest::newRow("empty site cell") << int(SiteCell) << "";
        QTest::newRow("slip number") << int(SlipNo) << "";
    }
    void calls()
    {
        QFETCH(int, column);
        const auto call = callFor({"Bob", "555-0001", "555-0100", " ", "900", "Lee", "1/19/2026", "08:00"}, column);
        QTEST(call ? call->name + "|" + call->number : QString(), "call");
    }
};

QTEST_GUILESS_MAIN(TestSchedules)
#include "tst_schedules.moc"
