// The modem search and the system's list of serial ports: listing them is slow, so a search that tries all
// sixteen port numbers lists them once.
#include "dialing/modem.h"
#include "platform/qtserialport.h"
#include "testsupport.h"

#include <QSignalSpy>
#include <QTest>

class TestPortSearch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void oneListingPerSearch()
    {
        TestRoot root;
        int listings = 0;
        // Devices that do not exist: every port fails to open, and no real port is touched.
        const QtSerialPorts ports(root.folder(), [&] {
            ++listings;
            return QStringList{root.file(QStringLiteral("/no/ttyUSB0")), root.file(QStringLiteral("/no/ttyS0"))};
        });
        Modem modem(ports.factory());
        QSignalSpy finished(&modem, &Modem::searchFinished);
        modem.SearchModem();
        QCOMPARE(listings, 1);
        QVERIFY(finished.wait(2000));
        QCOMPARE(finished.front().front().toBool(), false);

        // A port opened later finds the devices as they are then.
        auto port = ports.create();
        port->setPortNumber(1);
        QVERIFY(!port->open());
        QCOMPARE(listings, 2);
        QCOMPARE(ports.device(1), root.file(QStringLiteral("/no/ttyUSB0")));
        QCOMPARE(listings, 2);
    }
};

QTEST_MAIN(TestPortSearch)
#include "tst_portsearch.moc"
