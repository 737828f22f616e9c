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

// A visit of agreement 1 as a run notes it in its journal, for its slip received at `received`.
Record visit(int slipNo, int period, double received, Agreements::VisitState state = {})
{
    Record r(visitJournalLayout());
    r.setInt32(VisitField::AgreementId, 1);
    r.setInt32(VisitField::Period, period);
    r.setInt16(VisitField::SlipNo, qint16(slipNo));
    r.setReal(VisitField::Received, received);
    r.setInt16(VisitField::State, qint16(state));
    r.setInt32(VisitField::Mark, VisitField::kMark);
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

    // A run cut off after its slips were stored: the start notes the visit whose slip is stored as the run
    // wrote it, not the one whose number a slip made by hand took since; a visit noted before stays whatever the
    // counter says (a skipped one above it).
    void aRunsJournalIsFinishedWithoutTheCounter()
    {
        TestRoot root;
        const DataFolder folder = root.folder();
        root.write(SlipCounter::kFile, "1005\r\n");
        Record run = slip(1003), hand = slip(1004);
        run.setReal(SlipField::DateReceived, 100);
        hand.setReal(SlipField::DateReceived, 200);
        SlipStore(folder).append(std::vector<Record>{run, hand});
        const Record skipped = visit(1006, 0, 50, Agreements::VisitState::Skipped);
        root.write(Agreements::kVisitsFile, skipped.bytes().left(agreementVisitLayout().length()));
        folder.replaceRecords(Agreements::kRunJournal, {visit(1003, 1, 100), visit(1004, 2, 150)});
        const Started start(folder);
        QStringList kept;
        for (const Agreements::Visit &v : Agreements::loadVisits(folder))
            kept << QStringLiteral("%1:%2:%3").arg(v.slipNo).arg(v.period).arg(int(v.state));
        QCOMPARE(kept, (QStringList{"1006:0:1", "1003:1:0"}));
        QVERIFY(!root.exists(Agreements::kRunJournal));
        QCOMPARE(start.told(), QStringList());
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
        root.write(SlipCounter::kFile, "1002\r\n"); // at a finalized slip: it moves past it
        root.write("/FinalizedServiceSlips.txt", slip(1002).bytes());
        const Started start(folder);
        QCOMPARE(start.told().size(), 1);
        QVERIFY2(start.told().front().contains("The next Service Slip gets the number 1003,"),
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
