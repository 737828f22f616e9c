#include "accounts/assignmentrecord.h"
#include "accounts/customerrecord.h"
#include "accounts/servicerecord.h"
#include "billing/accounthistoryrecord.h"
#include "billing/postingrecords.h"
#include "dispatch/servicesliprecord.h"
#include "testsupport.h"

#include <QTest>

// Every record type of the data files: each field at its offset, and the record length. How each kind of field
// is stored is the record files' test (tst_recordfiles).
class TestRecords : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void offsets_data()
    {
        QTest::addColumn<const RecordLayout *>("layout");
        QTest::addColumn<QString>("offsets"); // of every field, then the record length
        QTest::newRow("slip") << &serviceSlipLayout()
                              << "0 2 10 25 45 75 110 135 155 157 167 180 210 240 275 300 320 322 332 345 375 405 "
                                 "415 427 627 647 667 687 697";
        QTest::newRow("customer") << &customerLayout()
                                  << "0 20 65 100 125 150 170 172 182 207 220 233 263 273 288 289 314 324 326 328";
        QTest::newRow("assignment") << &assignmentLayout() << "0 20 50 85 110 130 150 160 175 190 205 235";
        QTest::newRow("service") << &serviceLayout() << "0 60 70 72";
        QTest::newRow("account history") << &accountHistoryLayout() << "0 45 70 85 145 155";
        QTest::newRow("service history") << &serviceHistoryLayout() << "0 30 55 70 105 145";
        QTest::newRow("tax") << &taxLayout() << "0 20 35 65 75";
        QTest::newRow("journal") << &journalLayout() << "0 45 65 85 93 101 109 117 125";
    }
    void offsets()
    {
        QFETCH(const RecordLayout *, layout);
        QStringList actual;
        for (int f = 0; f < layout->fieldCount(); ++f)
            actual.append(QString::number(layout->offset(f)));
        QTEST(actual.join(' ') + ' ' + QString::number(layout->length()), "offsets");
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
