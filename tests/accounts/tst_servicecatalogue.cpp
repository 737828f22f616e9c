#include "accounts/servicecatalogue.h"
#include "accounts/servicerecord.h"
#include "testsupport.h"

#include <QTest>

class TestServiceCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void saveAndLoad_data()
    {
        QTest::addColumn<QString>("row"); // charge|time|index stored|charge and time as loaded
        QTest::newRow("listed time") << "$45.00|1:30|6|$45.00 1:30";
        QTest::newRow("entry 0 reads as 0:15") << "$1.00|0.15|0|$1.00 0:15";
        QTest::newRow("unknown time stored as 0") << "$1.00|9:00|0|$1.00 0:15";
        QTest::newRow("last entry, long charge cut") << "$123,456.00|8:00|32|$123,456.0 8:00";
    }
    void saveAndLoad()
    {
        QFETCH(QString, row);
        const QStringList r = row.split('|');
        TestRoot root;
        root.write("/Backup/Services.txt", "old");
        QVERIFY(!SaveCatalogue(root.folder(), {{"Tune-up", "$9.00", "0:15"}, {"Repair", r[0], r[1]}}));
        QVERIFY(!root.exists("/Backup/Services.txt"));
        const QByteArray bytes = root.read(ServiceCatalogue::kPath);
        QCOMPARE(bytes.size(), 144);
        QCOMPARE(Record(serviceLayout(), bytes.mid(72)).int16(ServiceField::TimeIndex), r[2].toInt());
        const std::vector<CatalogueRow> rows = LoadCatalogue(root.folder());
        QCOMPARE(rows.at(1).charge + ' ' + rows.at(1).time, r[3]);
        QCOMPARE(servicesPickList(rows), (QStringList{"Tune-up", "Repair"}));
    }

    void emptyCatalogueHasNoFile()
    {
        for (const auto &rows : {std::vector<CatalogueRow>{}, {{" ", "$1.00", "0:15"}, {"Repair", "$2.00", "0:30"}}}) {
            TestRoot root;
            root.write(ServiceCatalogue::kPath, QByteArray(72, ' '));
            root.write(QStringLiteral("/Backup/Services.txt"), QByteArray(72, ' '));
            QVERIFY(!SaveCatalogue(root.folder(), rows));
            QVERIFY(!root.exists(ServiceCatalogue::kPath) && !root.exists(QStringLiteral("/Backup/Services.txt")));
        }
    }

    void limitOf255AndCharges()
    {
        QVERIFY(!addServiceRefusal(254) && addServiceRefusal(255));
        TestRoot root;
        std::vector<CatalogueRow> rows(255, CatalogueRow{"Service", "$1.00", "0:15"});
        QVERIFY(!SaveCatalogue(root.folder(), rows));
        rows.push_back(rows.front());
        QVERIFY(SaveCatalogue(root.folder(), rows)); // refused, never wrapped
        QCOMPARE(LoadCatalogue(root.folder()).size(), 255u);
        QCOMPARE(chargeText("45").value_or("-") + chargeText("abc").value_or("-") + chargeText(" ").value_or("-"),
                 "$45.00--");
    }
};

QTEST_GUILESS_MAIN(TestServiceCatalogue)
#include "tst_servicecatalogue.moc"
