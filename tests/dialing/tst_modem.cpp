#include "dialing/modem.h"
#include "dialing/portmap.h"
#include "dialing/speednumbers.h"
#include "platform/fakes/fakemodem.h"
#include "testsupport.h"

#include <QSignalSpy>
#include <QTest>

namespace {
struct Search
{
    explicit Search(FakeModemBench &bench)
        : modem(bench.factory())
        , finished(&modem, &Modem::searchFinished)
        , found(&modem, &Modem::modemFound)
        , disabled(&modem, &Modem::dialingDisabled)
    {
        modem.setProbeTimeout(250); // far longer than the fake modems take to answer
    }
    bool run()
    {
        modem.SearchModem();
        const bool done = finished.wait(3000);
        // The modem's answer to the caller-ID command arrives before anything else is sent.
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        return done;
    }
    Modem modem;
    QSignalSpy finished;
    QSignalSpy found;
    QSignalSpy disabled;
};
} // namespace

class TestModem : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { useTestSettingsStore(); }

    void portMap_data()
    {
        dataColumns<bool, QStringList, QByteArray>("windows", "devices", "mapping");
        QTest::addColumn<QStringList>("expected"); // devices of ports 1, 2, 3 ...
        const QStringList system = {"/dev/ttyS1", "/dev/ttyUSB1", "/dev/ttyS10", "/dev/ttyACM0",
                                    "/dev/ttyS2", "/dev/ttyUSB0", "/dev/rfcomm0"};
        dataRow("default order", false, system, QByteArray(),
                QStringList{"/dev/ttyACM0", "/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyS1", "/dev/ttyS2", "/dev/ttyS10",
                            "/dev/rfcomm0", ""});
        dataRow("pinned device leaves its default number", false, system, QByteArray("3,/dev/ttyACM0\r\n"),
                QStringList{"/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyACM0", "/dev/ttyS1", "/dev/ttyS2"});
        dataRow("pseudo-terminal, bare name, quotes, LF and CR line ends", false, QStringList{"/dev/ttyS0"},
                QByteArray("2, /dev/pts/7 \n4,\"ttyUSB3\"\r1,/dev/ttyX"),
                QStringList{"/dev/ttyX", "/dev/pts/7", "/dev/ttyS0", "/dev/ttyUSB3", ""});
        dataRow("garbage lines ignored one by one, the later line for a number wins", false, QStringList{"/dev/ttyS0"},
                QByteArray("# modem ports\r\n0,/dev/a\r\n17,/dev/b\r\nx,/dev/c\r\n2,\r\n2\r\n,/dev/d\r\n\x01\xff\r\n"
                           "2,/dev/f\r\n2,/dev/e\r\n"),
                QStringList{"/dev/ttyS0", "/dev/e", ""});
        dataRow("windows numbers, pinned COM moves", true, QStringList{"ignored"}, QByteArray("2,com7\r\n"),
                QStringList{"COM1", "com7", "COM3", "COM4", "COM5", "COM6", "", "COM8"});
    }

    void portMap()
    {
        auto [windows, devices, mapping, expected] =
            fetched<bool, QStringList, QByteArray, QStringList>("windows", "devices", "mapping", "expected");
        const PortMap map = PortMap::build(windows, devices, mapping);
        for (int port = 1; port <= expected.size(); ++port)
            QCOMPARE(map.device(port), expected[port - 1]);
        QCOMPARE(map.device(0), QString());
        QCOMPARE(map.device(17), QString());
    }

    void replyResult()
    {
        using R = ModemReply::Result;
        const std::tuple<QByteArray, R, QString> cases[] = {
            {"\r\nOK\r\n", R::Ok, "OK"},           {"AT\r\r\nOK\r\n", R::Ok, "OK"},
            {"\r\nO", R::Pending, ""},             {"ATDTBOOK;\r", R::Pending, ""}, // the echo holds the letters
            {"ATDT5551212;\r\r\nBUSY\r\n", R::Refused, "BUSY"}, {"\r\nNO DIALTONE\r\n", R::Refused, "NO DIALTONE"},
            {"\x13\x11xx\r\n", R::Pending, ""}};
        for (const auto &[reply, result, code] : cases) {
            QString got;
            QCOMPARE(int(ModemReply::result(reply, &got)), int(result));
            QCOMPARE(got, code);
        }
    }

    void searchFindsModemOnPort3()
    {
        FakeModemBench bench;
        bench.addSilent(1);
        bench.addSilent(2);
        bench.addModem(3);
        bench.line(3).echo = true;
        bench.addModem(4); // a device that talks, but never says OK
        bench.answer(4, "", QByteArray("\r\n$GPGGA,12\r\n"));
        bench.addBusy(5);
        bench.addModem(6);
        Search search(bench);
        QVERIFY(search.run());
        for (int port : {1, 2, 4})
            QCOMPARE(bench.line(port).written + QByteArray::number(bench.line(port).closes), QByteArray("AT\r1"));
        QVERIFY(bench.line(5).written.isEmpty());
        QCOMPARE(bench.line(3).commands, (QList<QByteArray>{"AT", "AT#CID=1"}));
        QVERIFY(bench.isOpen(3));
        QVERIFY(!bench.isOpen(6));
        QCOMPARE(search.modem.statusText(), QString("Your Modem Comm Port Is 3."));
        QCOMPARE(search.modem.portLabel(), QString("COM Port # 3"));
        QCOMPARE(search.found.at(0).at(0).toInt(), 3);
        QVERIFY(search.modem.dialingEnabled());
    }

    void searchWithoutModem()
    {
        FakeModemBench bench;
        Search search(bench);
        QVERIFY(search.run());
        QCOMPARE(search.modem.statusText(), QString("Modem Not Detected Or In Use."));
        QCOMPARE(search.disabled.size(), 1);
        QVERIFY(!search.modem.dialingEnabled());
        for (int port = 1; port <= 16; ++port)
            QVERIFY(bench.line(port).written.isEmpty());
        QVERIFY(!search.modem.port().isOpen());
    }

    void lowerPortWinsEvenWhenItAnswersLater()
    {
        FakeModemBench bench;
        bench.addModem(3);
        bench.answer(3, "AT", std::nullopt); // port 3 answers when the test says so
        bench.addModem(7);
        Search search(bench);
        search.modem.setProbeTimeout(5000);
        search.modem.SearchModem();
        // The search returns at once and reports later; a second start meanwhile changes nothing.
        QVERIFY(search.modem.isSearching());
        search.modem.SearchModem();
        QCOMPARE(bench.line(3).opens, 1);
        // Port 7's answer arrives with the first pass of the event loop; the search still waits for port 3.
        for (int pass = 0; pass < 3; ++pass)
            QCoreApplication::processEvents();
        QCOMPARE(search.finished.size(), 0);
        bench.send(3, "\r\nOK\r\n");
        QVERIFY(search.finished.wait(3000));
        QCOMPARE(search.modem.portFound(), 3);
        QCOMPARE(bench.line(7).closes, 1);
    }

    void modemOnTheLastPort()
    {
        FakeModemBench bench;
        for (int port = 1; port < 16; ++port)
            bench.addSilent(port);
        bench.addModem(16);
        Search search(bench);
        QVERIFY(search.run());
        QCOMPARE(search.modem.portFound(), 16);
        QVERIFY(bench.isOpen(16));
    }

    void searchLeavesTheHeldPortAlone()
    {
        FakeModemBench bench;
        bench.addModem(2);
        bench.addModem(5);
        Search search(bench);
        QVERIFY(search.run());
        QCOMPARE(search.modem.portFound(), 2);
        const int opens = bench.line(2).opens;
        const QList<QByteArray> commands = bench.line(2).commands;
        // Searched again while the dialer holds port 2: it is left alone and stays the modem's port.
        search.finished.clear();
        QVERIFY(search.run());
        QCOMPARE(bench.line(2).opens, opens);
        QCOMPARE(bench.line(2).commands, commands);
        QVERIFY(bench.isOpen(2));
        QCOMPARE(search.modem.portFound(), 2);
        QVERIFY(search.modem.dialingEnabled());
    }

    void speedNumbersLoad_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("names"); // name|number per slot, up to the last filled one
        dataRow("CR LF", QByteArray("Ann\r\n555-0001\r\nBob\r\n555 0002\r\n"),
                QStringList{"Ann|555-0001", "Bob|555 0002"});
        dataRow("CR only", QByteArray("Ann\r555-0001\rBob\r555-0002\r"), QStringList{"Ann|555-0001", "Bob|555-0002"});
        dataRow("LF only, no last line end", QByteArray("Ann\n555-0001\nBob\n555-0002"),
                QStringList{"Ann|555-0001", "Bob|555-0002"});
        dataRow("missing number line", QByteArray("Ann\r\n555-0001\r\nBob"), QStringList{"Ann|555-0001", "Bob|"});
        dataRow("empty file", QByteArray(), QStringList{});
        dataRow("Windows-1252 name", QByteArray("Ren\xe9\r\n1\r\n"), QStringList{QString::fromUtf8("René|1")});
        QByteArray twelve;
        QStringList ten;
        for (int i = 0; i < 12; ++i) {
            twelve += "Name" + QByteArray::number(i) + "\r\n" + QByteArray::number(1000 + i) + "\r\n";
            if (i < 10)
                ten << QStringLiteral("Name%1|%2").arg(i).arg(1000 + i);
        }
        dataRow("twelve entries: the first ten", twelve, ten);
    }

    void speedNumbersLoad()
    {
        auto [file, names] = fetched<QByteArray, QStringList>("file", "names");
        TestRoot root;
        root.write(kSpeedNumbersFile, file);
        const SpeedNumbers numbers = LoadSpeedNumbers(root.folder());
        for (int i = 0; i < kSpeedNumberSlots; ++i) {
            const QString expected = i < names.size() ? names[i] : QStringLiteral("|");
            QCOMPARE(numbers[std::size_t(i)].name + '|' + numbers[std::size_t(i)].number, expected);
        }
    }

    void speedNumbersSave()
    {
        TestRoot root;
        root.write(kSpeedNumbersFile, "Old\r\n1\r\n");
        SpeedNumbers numbers;
        numbers[5].number = "555-9999"; // a number without a name is no entry
        for (int i : {7, 0, 3})
            numbers[std::size_t(i)] = {QStringLiteral("N%1").arg(i), QStringLiteral("#%1").arg(i)};
        SaveSpeedNumbers(root.folder(), numbers);
        QCOMPARE(root.read(kSpeedNumbersFile), QByteArray("N0\r\n#0\r\nN3\r\n#3\r\nN7\r\n#7\r\n"));
        SaveSpeedNumbers(root.folder(), SpeedNumbers{}); // no slot filled: an empty file
        QVERIFY(root.exists(kSpeedNumbersFile));
        QCOMPARE(root.read(kSpeedNumbersFile), QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestModem)
#include "tst_modem.moc"
