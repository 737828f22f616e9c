#include "core/cp1252.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/oledate.h"
#include "core/recordblocks.h"
#include "core/recordlayout.h"
#include "samplelayouts.h"
#include "testsupport.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

static_assert(recordLength(kAllKinds) == 6 + 2 + 4 + 4 + 8 + 8 + 8 + 2 + 1);

constexpr std::array<FieldSpec, 2> kSmall = {text("Key", 3), field("N", FieldKind::Int16)};
const RecordLayout &small()
{
    static const RecordLayout layout("Small", kSmall);
    return layout;
}

Record smallRecord(const QString &key, qint16 n)
{
    Record r(small());
    r.setText(0, key);
    r.setInt16(1, n);
    return r;
}

QByteArray smallBytes(std::initializer_list<std::pair<const char *, qint16>> records)
{
    QByteArray out;
    for (const auto &[key, n] : records)
        out.append(smallRecord(QString::fromLatin1(key), n).bytes());
    return out;
}

} // namespace

class TestRecordFiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void fieldEncodingsAreByteExact()
    {
        Record r(allKinds());
        r.setText(0, "AB");
        r.setInt16(1, -2);
        r.setInt32(2, 0x01020304);
        r.setSingle(3, 1.5f);
        r.setReal(4, -2.0);
        r.setReal(5, OleDate::fromDateTime(QDateTime(QDate(2026, 3, 7), QTime(18, 0))));
        r.setMoney(6, Money::fromRaw(-12345678));
        r.setBoolean(7, true);
        r.setByte(8, 200);
        // The date is 46088.75 days: 7 March 2026, 18:00.
        QCOMPARE(r.bytes().toHex(), QByteArray("414220202020feff040302010000c03f00000000000000c0000000001881e640"
                                               "b29e43ffffffffffffffc8"));
        QCOMPARE(r.text(0), "AB");
        QCOMPARE(r.rawText(0), "AB    ");
        QCOMPARE(r.money(6).raw(), -12345678);
        QCOMPARE(OleDate::toDateTime(r.real(5)), QDateTime(QDate(2026, 3, 7), QTime(18, 0)));
        QVERIFY(r.boolean(7));
        QCOMPARE(r.byte(8), quint8(200));
    }

    // Text is cut and padded to the field, read back without leading blanks, one ? for what the code page lacks.
    void textIsCutPaddedAndEncoded()
    {
        const std::tuple<QString, QByteArray, QString> cases[] = {
            {"ab", "ab    ", "ab"},   {"abcdefgh", "abcdef", "abcdef"},
            {"  x", "  x   ", "x"},   {"é€™", "\xe9\x80\x99   ", "é€™"},
            {"日本", "??    ", "??"}, {"a\U0001F600b", "a?b   ", "a?b"}};
        for (const auto &[value, stored, readBack] : cases) {
            Record r(allKinds());
            r.setText(0, value);
            QCOMPARE(r.bytes().left(6), stored);
            QCOMPARE(r.text(0), readBack);
        }
    }

    // The 32 bytes where the code page differs from Latin-1 (the five undefined ones stay controls).
    void codePageHighBytesMatchTheTable()
    {
        static const char16_t table[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                           0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                           0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                           0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
        for (int i = 0; i < 32; ++i) {
            const QByteArray byte(1, char(0x80 + i));
            QCOMPARE(Cp1252::decode(byte), QString(QChar(table[i])));
            QCOMPARE(Cp1252::encode(QString(QChar(table[i]))), byte);
        }
        QByteArray all; // and every byte survives decoding and encoding
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        QCOMPARE(Cp1252::encode(Cp1252::decode(all)), all);
    }

    // Records of 10 bytes: a rest of half a record rounds to the even count.
    void recordCountRoundsHalfToEven()
    {
        const std::pair<qint64, int> cases[] = {{0, 0}, {30, 3}, {14, 1}, {15, 2}, {25, 2}, {26, 3}, {4, 0}, {5, 0}};
        for (const auto &[bytes, count] : cases)
            QCOMPARE(DataFolder::recordCountForSize(bytes, 10), count);
    }
    void shortLastRecordReadsAsBlanks()
    {
        TestRoot root;
        // Two whole records and most of a third: the third counts and reads blank where bytes are missing.
        root.write("/F.txt", smallBytes({{"abc", 1}, {"def", 2}}) + "gh");
        QCOMPARE(root.folder().readRecords("/F.txt", small()).size(), std::size_t(2));
        root.write("/F.txt", smallBytes({{"abc", 1}, {"def", 2}}) + "ghi\x05");
        const auto more = root.folder().readRecords("/F.txt", small());
        QCOMPARE(more.size(), std::size_t(3));
        QCOMPARE(more[2].text(0), "ghi");
        QCOMPARE(more[2].int16(1), qint16(5));
    }

    // Read a block at a time (on a thread of its own past a few blocks): every record once, in order, with its
    // index; a torn last record completed; a scan left early stops the reader.
    void blocksHandEveryRecordOnceInOrder()
    {
        const std::tuple<int, QByteArray, int> cases[] = {{0, "", 2}, {1, "", 2},        {4, "", 2},
                                                          {5, "", 2}, {7, "ghi\x05", 2}, {40, "xyz", 3}};
        for (const auto &[whole, tail, perBlock] : cases) {
            TestRoot root;
            QByteArray bytes;
            for (int i = 0; i < whole; ++i)
                bytes += smallRecord(QString::number(i), qint16(i)).bytes();
            root.write("/F.txt", bytes + tail);
            QStringList seen;
            forEachRecordOf(
                root.folder(), "/F.txt", small(),
                [&](const char *record, int index) {
                    const Record r(small(), QByteArray(record, small().length()));
                    seen << QStringLiteral("%1:%2:%3").arg(index).arg(r.text(0)).arg(r.int16(1));
                },
                perBlock);
            QStringList wanted;
            for (int i = 0; i < whole; ++i)
                wanted << QStringLiteral("%1:%1:%1").arg(i);
            if (tail == "ghi\x05")
                wanted << QStringLiteral("%1:ghi:5").arg(whole);
            if (tail == "xyz")
                wanted << QStringLiteral("%1:xyz:0").arg(whole);
            QCOMPARE(seen, wanted);
            RecordBlocks early(root.folder(), "/F.txt", small(), perBlock);
            QCOMPARE(early.next() > 0, whole > 0);
        }
        RecordBlocks none(TestRoot().folder(), "/Missing.txt", small());
        QCOMPARE(none.next(), 0);
        QCOMPARE(none.next(), 0);
        // Unless told, a block holds a fixed number of bytes, not of records: a scan of long records (a slip is
        // several kilobytes) holds as little as a scan of short ones.
        static constexpr std::array<FieldSpec, 1> kWide = {text("Text", 4000)};
        const RecordLayout wide("Wide", kWide);
        TestRoot root;
        root.write("/W.txt", QByteArray(4000 * 400, ' '));
        RecordBlocks blocks(root.folder(), "/W.txt", wide);
        QCOMPARE(blocks.next(), int(RecordBlocks::kBlockBytes / 4000));
    }

    void missingFileIsRestoredFromBackup()
    {
        TestRoot root;
        const DataFolder folder = root.folder();
        root.write("/Backup/F.txt", smallBytes({{"abc", 1}, {"def", 2}}));
        QCOMPARE(folder.recordCount("\\f.TXT", small().length()), 2);
        QVERIFY(root.exists("/F.txt") || root.exists("/f.TXT"));
        QVERIFY(!folder.fileExists("/Nothing.txt"));
        root.write("/Backup/Dir/x", "");
        QVERIFY(!folder.fileExists("/Dir")); // a folder is not a file
    }

    void appendWritesAtTheEnd()
    {
        TestRoot root;
        const DataFolder folder = root.folder();
        root.write("/F.txt", QByteArray());
        folder.appendRecord("/F.txt", smallRecord("abc", 1));
        folder.appendRecord("/F.txt", smallRecord("def", 2));
        QCOMPARE(root.read("/F.txt"), smallBytes({{"abc", 1}, {"def", 2}}));
        folder.writeRecord("/F.txt", 1, smallRecord("xyz", 9));
        QCOMPARE(root.read("/F.txt"), smallBytes({{"xyz", 9}, {"def", 2}}));
        const auto second = folder.readRecord("/F.txt", small(), 2);
        QVERIFY(second.has_value());
        QCOMPARE(second->text(0), "def");
        QVERIFY(!folder.readRecord("/F.txt", small(), 3).has_value());
        // A write beyond the end zero-fills.
        folder.writeRecord("/F.txt", 5, smallRecord("fiv", 5));
        QCOMPARE(root.read("/F.txt"), smallBytes({{"xyz", 9}, {"def", 2}}) + QByteArray(2 * small().length(), '\0') +
                                          smallBytes({{"fiv", 5}}));
    }

    void replaceAndDeleteEndStates()
    {
        TestRoot root;
        const DataFolder folder = root.folder();
        // Rewriting without the second of three.
        root.write("/F.txt", smallBytes({{"one", 1}, {"two", 2}, {"thr", 3}}));
        root.write("/Backup/F.txt", "old copy");
        const int kept =
            folder.rewriteWithout("/F.txt", small(), [](const Record &, int number) { return number == 2; });
        QCOMPARE(kept, 2);
        QCOMPARE(root.read("/F.txt"), smallBytes({{"one", 1}, {"thr", 3}}));
        QVERIFY(!root.exists("/Backup/F.txt"));
        QVERIFY(!root.exists("/F.txt.vdtmp"));
        root.write("/F.txt", "old");
        root.write("/Backup/F.txt", "older");
        folder.replaceRecords("/F.txt", {smallRecord("new", 7)});
        QCOMPARE(root.read("/F.txt"), smallBytes({{"new", 7}}));
        QVERIFY(!root.exists("/Backup/F.txt"));
        root.write("/Backup/F.txt", "copy");
        folder.replaceRecords("/F.txt", {});
        QVERIFY(!root.exists("/F.txt"));
        QVERIFY(!root.exists("/Backup/F.txt"));
        root.write("/G.txt", "g");
        root.write("/Backup/G.txt", "g");
        folder.deleteWithBackup("/g.txt");
        QVERIFY(!root.exists("/G.txt"));
        QVERIFY(!root.exists("/Backup/G.txt"));
        folder.deleteFile("/Missing.txt"); // nothing happens
        // The Backup copy goes first, so a failure in between leaves no copy that brings the file back.
        root.write("/G.txt", "g");
        root.write("/Backup/G.txt", "g");
        DataFolder failing = root.folder();
        int deletes = 0;
        failing.setFaultHook([&](const char *name, const QString &) {
            if (QByteArray(name) == "delete" && ++deletes == 2)
                throw DiskError("simulated crash");
        });
        QVERIFY_THROWS_EXCEPTION(DiskError, failing.deleteWithBackup("/G.txt"));
        QVERIFY(!root.exists("/Backup/G.txt"));
        QVERIFY(root.exists("/G.txt"));
        // A rewrite stopped before its Backup copy goes: the new content, and the copy (every other cut point of a
        // rewrite is in tst_appendguard).
        root.write("/Backup/G.txt", "g");
        deletes = 1; // its one delete is the second
        QVERIFY_THROWS_EXCEPTION(DiskError, failing.replaceRecords("/G.txt", {smallRecord("new", 3)}));
        QCOMPARE(root.read("/G.txt"), smallBytes({{"new", 3}}));
        QCOMPARE(root.read("/Backup/G.txt"), QByteArray("g"));
    }

    void failedWriteGivesAMessageNamingTheFile()
    {
        TestRoot root;
        const DataFolder folder = root.folder();
        // A folder in the file's place: the new content cannot take its name, whoever runs the test.
        root.write("/F.txt/inside", "old");
        try {
            folder.writeFile("/F.txt", "new");
            QFAIL("the write should fail");
        } catch (const DiskError &e) {
            QVERIFY(e.message().contains("F.txt"));
        }
        QCOMPARE(root.read("/F.txt/inside"), QByteArray("old"));
        QVERIFY(!root.exists("/F.txt.vdtmp"));
    }

    // Random and truncated bytes never crash a reader: every record reads, every field has a value.
    void randomBytesNeverCrashTheReader()
    {
        TestRoot root;
        const DataFolder folder = root.folder();
        QRandomGenerator random(20261206);
        for (int round = 0; round < 200; ++round) {
            QByteArray bytes(int(random.bounded(0, 200)), Qt::Uninitialized);
            for (auto &b : bytes)
                b = char(random.bounded(256));
            root.write("/F.txt", bytes);
            for (const Record &r : folder.readRecords("/F.txt", allKinds())) {
                for (int f = 0; f < allKinds().fieldCount(); ++f)
                    (void)r.value(f);
                (void)OleDate::toDateTime(r.real(5));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestRecordFiles)
#include "tst_recordfiles.moc"
