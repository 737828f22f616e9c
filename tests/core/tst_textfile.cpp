#include "core/textfile.h"
#include "testsupport.h"

#include <QRandomGenerator>
#include <QTest>

class TestTextFile : public QObject
{
    Q_OBJECT

private slots:
    void writeValuesLineIsByteExact()
    {
        // The text ABC, the number 5 and true: 16 bytes.
        const QByteArray line = TextWriter().writeValues({"ABC", 5, true}).bytes();
        QCOMPARE(line, QByteArray("\"ABC\",5,#TRUE#\r\n"));
        QCOMPARE(line.size(), 16);
    }

    void valuesOfEveryKind_data()
    {
        dataColumns<QByteArray, QByteArray>("written", "expected");
        dataRow("negative integer", TextWriter().writeValues({-12}).bytes(), QByteArray("-12\r\n"));
        dataRow("fraction", TextWriter().writeValues({1440.5}).bytes(), QByteArray("1440.5\r\n"));
        dataRow("seven significant digits", TextWriter().writeValues({1234567.25}).bytes(),
                QByteArray("1234567.25\r\n"));
        dataRow("large whole number", TextWriter().writeValues({98765432.0}).bytes(), QByteArray("98765432\r\n"));
        dataRow("whole single", TextWriter().writeValues({1440.0f}).bytes(), QByteArray("1440\r\n"));
        dataRow("false", TextWriter().writeValues({false}).bytes(), QByteArray("#FALSE#\r\n"));
        dataRow("quote kept as it is", TextWriter().writeValues({"a\"b"}).bytes(), QByteArray("\"a\"b\"\r\n"));
        dataRow("empty text", TextWriter().writeValues({""}).bytes(), QByteArray("\"\"\r\n"));
        dataRow("print line", TextWriter().printLine("Bob, Jr.").bytes(), QByteArray("Bob, Jr.\r\n"));
        dataRow("windows-1252", TextWriter().writeValues({"Café"}).bytes(), QByteArray("\"Caf\xe9\"\r\n"));
    }
    void valuesOfEveryKind()
    {
        QFETCH(QByteArray, written);
        QTEST(written, "expected");
    }

    void readsValuesAcrossLinesAndCommas()
    {
        TextReader reader("\"Smith, John\",  42 ,#TRUE#\r\n\"next\"\r\n3.25\r\nwhole line, with comma\r\n");
        QCOMPARE(reader.readText(), "Smith, John");
        QCOMPARE(reader.readInteger(), 42);
        QVERIFY(reader.readBoolean());
        QCOMPARE(reader.readText(), "next");
        QCOMPARE(reader.readNumber(), 3.25);
        QCOMPARE(reader.readLine(), "whole line, with comma");
        QVERIFY(reader.atEnd());
        QCOMPARE(reader.readText(), QString());
        QCOMPARE(reader.readInteger(), 0);
        QVERIFY(!reader.readBoolean());
    }

    void damagedInputReadsAsDefaults_data()
    {
        dataColumns<QByteArray, QString, qint64, bool>("bytes", "text", "number", "flag");
        dataRow("empty file", QByteArray(), QString(), qint64(0), false);
        dataRow("unclosed quote stays on its line", QByteArray("\"abc\r\n7\r\n#TRUE#"), "abc", qint64(7), true);
        dataRow("garbage number", QByteArray("\"x\",12abc,#TRUE#"), "x", qint64(0), true);
        dataRow("no final line end", QByteArray("\"x\",5,#FALSE#"), "x", qint64(5), false);
        dataRow("missing values", QByteArray("\"x\"\r\n"), "x", qint64(0), false);
        dataRow("LF line ends", QByteArray("\"x\"\n9\n#TRUE#\n"), "x", qint64(9), true);
        dataRow("huge number", QByteArray("\"x\",1e300,#TRUE#"), "x", qint64(0), true);
        dataRow("half rounds to even", QByteArray("\"x\",2.5,#TRUE#"), "x", qint64(2), true);
        dataRow("CR line ends", QByteArray("\"x\"\r9\r#TRUE#\r"), "x", qint64(9), true);
        dataRow("byte-order mark", QByteArray("\xEF\xBB\xBF\"x\",9,#TRUE#\r\n"), "x", qint64(9), true);
        dataRow("an empty line is an empty value", QByteArray("\"x\"\r\n\r\n9\r\n"), "x", qint64(0), false);
        dataRow("quote in the middle", QByteArray("\"a \"b\" c\",9,#TRUE#\r\n"), "a ", qint64(9), true);
        dataRow("a lone quote", QByteArray("\"\r\n9\r\n#TRUE#\r\n"), "", qint64(9), true);
        dataRow("a very long value", "\"" + QByteArray(100000, 'x') + "\",9,#TRUE#", QString(100000, 'x'), qint64(9),
                true);
    }
    void damagedInputReadsAsDefaults()
    {
        QFETCH(QByteArray, bytes);
        TextReader reader(bytes);
        QTEST(reader.readText(), "text");
        QTEST(reader.readInteger(), "number");
        QTEST(reader.readBoolean(), "flag");
    }

    void roundTripOfWrittenValues()
    {
        const QByteArray bytes =
            TextWriter().writeValues({"Acme, Inc.", "", "12 Main St", 1440.5, -3, true}).writeValues({false}).bytes();
        TextReader reader(bytes);
        QCOMPARE(reader.readText(), "Acme, Inc.");
        QCOMPARE(reader.readText(), QString());
        QCOMPARE(reader.readText(), "12 Main St");
        QCOMPARE(reader.readNumber(), 1440.5);
        QCOMPARE(reader.readInteger(), -3);
        QVERIFY(reader.readBoolean());
        QVERIFY(!reader.readBoolean());
        QVERIFY(reader.atEnd());
    }

    void randomBytesNeverCrash()
    {
        QRandomGenerator random(7);
        for (int round = 0; round < 500; ++round) {
            QByteArray bytes(int(random.bounded(0, 120)), Qt::Uninitialized);
            for (auto &b : bytes)
                b = "\",\r\n #TRUEFALS0123456789.-ab"[random.bounded(28)];
            TextReader reader(bytes);
            for (int i = 0; i < 40 && !reader.atEnd(); ++i) {
                switch (i % 4) {
                case 0:
                    reader.readText();
                    break;
                case 1:
                    reader.readInteger();
                    break;
                case 2:
                    reader.readBoolean();
                    break;
                default:
                    reader.readLine();
                }
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestTextFile)
#include "tst_textfile.moc"
