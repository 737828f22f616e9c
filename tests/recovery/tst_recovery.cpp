#include "billing/postingrun.h"
#include "core/clock.h"
#include "core/datafolder.h"
#include "core/oledate.h"
#include "core/settings.h"
#include "core/slipcounter.h"
#include "dispatch/agreementrecord.h"
#include "dispatch/agreements.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipstore.h"
#include "recovery/recovery.h"
#include "testsupport.h"

#include <QTest>

namespace {

Record slip(int number)
{
    Record r(serviceSlipLayout());
    r.setInt16(SlipField::SlipNo, qint16(number));
    r.setText(SlipField::Status, QStringLiteral("Open"));
    return r;
}

// A visit of agreement 1 noted with the slip it was made under.
Record visit(int slipNo, const QDate &due)
{
    Record r(agreementVisitLayout());
    r.setInt32(VisitField::AgreementId, 1);
    r.setReal(VisitField::Due, OleDate::fromDate(due));
    r.setReal(VisitField::Day, OleDate::fromDate(due));
    r.setInt16(VisitField::SlipNo, qint16(slipNo));
    r.setReal(VisitField::Made, OleDate::fromDate(QDate(2026, 1, 2)));
    return r;
}

struct Started
{
    SlipCounter counter;
    Settings settings;
    FixedClock clock;
    Recovery::Report report;
    explicit Started(const DataFolder &folder)
        : report(Recovery::run(folder, counter, settings, clock))
    {}
    QStringList told() const
    {
        QStringList texts;
        for (const Notice &n : report.notices)
            texts << n.text;
        return texts;
    }
};

} // namespace

class TestRecovery : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { useTestSettingsStore(); }

    // The agreements' visits are judged against the slip counter as stored, so the counter loads first: a visit
    // whose slip the user deleted (below the counter) and one whose slip is stored stay; a visit noted by a run
    // cut off before it stored its slip (at the counter, in no slip file) goes, to be made once more.
    void slipCounterLoadsBeforeUnwrittenVisitsGo()
    {
        TestRoot root;
        const DataFolder folder = root.folder();
        root.write(SlipCounter::kFile, "1005\r\n");
        SlipStore(folder).append(slip(1003));
        folder.appendRecords(Agreements::kVisitsFile,
                             {visit(1002, QDate(2026, 1, 5)), visit(1003, QDate(2026, 1, 12)),
                              visit(1005, QDate(2026, 1, 19))});
        const Started start(folder);
        QCOMPARE(start.counter.next(), qint16(1005));
        QStringList kept;
        for (const Agreements::Visit &v : Agreements::loadVisits(folder))
            kept << QString::number(v.slipNo);
        QCOMPARE(kept, (QStringList{"1002", "1003"}));
        QCOMPARE(start.told(), QStringList());
        QVERIFY(!start.report.question);
    }

    // A repair that cannot be done is said, and the repairs after it still run: a damaged posting journal stays
    // for the user to set aside, and the counter still moves past the slip in use.
    void aRepairThatFailsIsSaidAndTheOthersRun()
    {
        TestRoot root;
        const DataFolder folder = root.folder();
        root.write(PostingRun::kJournal, QByteArray("\x89PNG\r\n\x1a\n\0\0garbage", 16));
        root.write(SlipCounter::kFile, "-5\r\n");
        SlipStore(folder).append(slip(1002));
        const Started start(folder);
        QCOMPARE(start.told().size(), 2);
        QVERIFY2(start.told().at(0).contains("PostingJournal.txt"), qPrintable(start.told().join('|')));
        QVERIFY2(start.told().at(1).contains("The next Service Slip gets the number 1003."),
                 qPrintable(start.told().join('|')));
        QCOMPARE(start.counter.next(), qint16(1003));
        QVERIFY(root.exists(PostingRun::kJournal));
    }

    // The repairs say what they did first; a file torn with nothing to explain it is left as it is and asked
    // about last, and only the completion the user lets adds to it.
    void tornFilesAreAskedAboutLast_data()
    {
        dataColumns<QByteArray, QString>("serviceHistory", "question");
        dataRow("whole", QByteArray(290, 's'), QString());
        dataRow("torn", QByteArray(185, 's'),
                QString("\r\nServiceHistory.txt is 40 bytes longer than its 1 whole record (145 bytes each).\r\n"));
    }
    void tornFilesAreAskedAboutLast()
    {
        auto [serviceHistory, question] = fetched<QByteArray, QString>("serviceHistory", "question");
        TestRoot root;
        const DataFolder folder = root.folder();
        root.write("/ServiceHistory.txt", serviceHistory);
        root.write(SlipCounter::kFile, "-5\r\n"); // damaged: it moves past the slip in use
        SlipStore(folder).append(slip(1002));
        const Started start(folder);
        QCOMPARE(start.told().size(), 1);
        QVERIFY2(start.told().front().contains("The next Service Slip gets the number 1003."),
                 qPrintable(start.told().front()));
        QCOMPARE(root.read("/ServiceHistory.txt"), serviceHistory);
        QCOMPARE(bool(start.report.question), !question.isEmpty());
        if (question.isEmpty())
            return;
        QVERIFY2(start.report.question->text.contains(question), qPrintable(start.report.question->text));
        QCOMPARE(start.report.question->title, folder.executableName());
        const Notice done = Recovery::completeTorn(folder, start.report.torn);
        QCOMPARE(done.text, "ServiceHistory.txt: its last record was completed with 105 bytes of blanks and zeros; "
                            "it holds 2 whole records now.");
        QCOMPARE(root.read("/ServiceHistory.txt"), serviceHistory + QByteArray(105, ' '));
        QVERIFY(!Started(folder).report.question);
    }
};

QTEST_GUILESS_MAIN(TestRecovery)
#include "tst_recovery.moc"
