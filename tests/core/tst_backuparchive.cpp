#include "core/backuparchive.h"
#include "core/diskerror.h"
#include "testsupport.h"
#include "tooltesting.h"

#include <QDirIterator>
#include <QRegularExpression>
#include <QTest>
#include <archive.h>
#include <archive_entry.h>
#include <unistd.h>

namespace {

// Every file (path and bytes) and every folder under a root, sorted.
QStringList contents(const QString &root)
{
    QStringList out;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        const QString relative = path.mid(root.size());
        out << (it.fileInfo().isDir()
                    ? relative + "/"
                    : relative + " " +
                          QString::fromLatin1((f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray()).toHex()));
    }
    out.sort();
    return out;
}

// A tar archive as an attacker makes it: "name" a file holding "evil", "name>target" a symbolic link, "name=target"
// a hard link.
void writeHostileTar(const QString &path, const QStringList &entries)
{
    archive *a = archive_write_new();
    archive_write_set_format_pax_restricted(a);
    archive_write_open_filename(a, QFile::encodeName(path).constData());
    for (const QString &entry : entries) {
        const QStringList parts = entry.split(QRegularExpression("[>=]"));
        const bool data = parts.size() == 1;
        archive_entry *e = archive_entry_new();
        archive_entry_set_pathname(e, parts[0].toUtf8().constData());
        archive_entry_set_perm(e, 0644);
        archive_entry_set_filetype(e, entry.contains('>') ? AE_IFLNK : AE_IFREG);
        archive_entry_set_size(e, data ? 4 : 0);
        if (!data)
            (entry.contains('>') ? archive_entry_set_symlink
                                 : archive_entry_set_hardlink)(e, parts[1].toUtf8().constData());
        archive_write_header(a, e);
        archive_write_data(a, "evil", data ? 4 : 0);
        archive_entry_free(e);
    }
    archive_write_free(a); // closes it
}

// The files under a root as "path=text", sorted.
QStringList files(const QString &root)
{
    QStringList out;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        out << it.filePath().mid(root.size() + 1) + '=' + (f.open(QIODevice::ReadOnly) ? f.readAll() : "?");
    }
    out.sort();
    return out;
}

} // namespace

class TestBackupArchive : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    // A backup restored into an empty folder gives the data folder back byte for byte, empty folders and
    // names with accents included; the lock and the temporaries of interrupted writes stay out.
    void backupRestoresByteForByte()
    {
        TestRoot data;
        data.write("/CustomerData.txt", QByteArray("\x00\xFF\r\n binary", 11).repeated(5000));
        data.write("/AuxFiles/A\xC3\xA9-1/AuxFile0/Note.txt", "caf\xE9");
        QDir(data.path()).mkpath("AuxFiles/A\xC3\xA9-1/AuxFile5");
        data.write("/Backup/SlipNo.txt", "1000\r\n");
        data.write("/VarnelDispatchDuzudu.lock", "123");
        data.write("/CustomerData.txt.ab12.vdtmp", "half");
        const QStringList source = contents(data.path());

        TestRoot out;
        qint64 last = -1;
        qint64 whole = 0;
        const QString archive =
            BackupArchive::create(data.path(), out.path() + "/nested", QDateTime({2026, 12, 7}, {8, 15, 0}),
                                  {"VarnelDispatchDuzudu.lock"},
                                  [&](qint64 done, qint64 total) {
                                      QVERIFY(done >= last && done <= total);
                                      last = done;
                                      whole = total;
                                  })
                .path;
        QCOMPARE(QFileInfo(archive).fileName(), QString("DispatchBackup-2026-12-07-081500.zip"));
        QCOMPARE(last, whole);
        QVERIFY(QFile(archive).open(QIODevice::ReadOnly) && QFile(archive).size() > 0);

        const QString target = out.path() + "/restored";
        out.write("/.restored-restoring-k1lled/CustomerData.txt", "left by a killed restore");
        BackupArchive::restore(archive, target);
        QVERIFY(!out.exists("/.restored-restoring-k1lled"));
        QStringList expected = source;
        expected.removeIf([](const QString &l) { return l.contains(".lock ") || l.contains(".vdtmp "); });
        QCOMPARE(contents(target), expected);

        // Only into an empty folder; a second backup the same second gets a name of its own.
        QVERIFY_THROWS_EXCEPTION(DiskError, BackupArchive::restore(archive, target));
        QCOMPARE(contents(target), expected);
        const QString second =
            BackupArchive::create(data.path(), out.path() + "/nested", QDateTime({2026, 12, 7}, {8, 15, 0})).path;
        QVERIFY(second.endsWith("DispatchBackup-2026-12-07-081500-2.zip"));
        QVERIFY_THROWS_EXCEPTION(DiskError, BackupArchive::restore(data.file("/CustomerData.txt"), out.path() + "/x"));
    }

    // Wherever the archive goes (the folder above the data folder, as Back Up Now suggests for a data folder
    // under home, or the data folder itself) it holds every data file, and says how many; only the archive
    // being written stays out. A half-written archive of a killed backup is removed by the next one.
    void backupHoldsEveryFileWhereverItGoes_data()
    {
        QTest::addColumn<QString>("where");
        QTest::newRow("the folder above the data folder") << QString("");
        QTest::newRow("the data folder itself") << QString("/data");
        QTest::newRow("a folder inside the data folder") << QString("/data/Archives");
    }
    void backupHoldsEveryFileWhereverItGoes()
    {
        QFETCH(QString, where);
        TestRoot home;
        const QString data = home.path() + "/data";
        home.write("/data/CustomerData.txt", QByteArray(328 * 3, 'c'));
        home.write("/data/AuxFiles/7/AuxFile0/Note.txt", "note");
        home.write("/data/SlipNo.txt", "1000\r\n");
        home.write(where + "/DispatchBackup-2026-12-06-081500.zip.partial", "killed");
        QStringList source = contents(data);
        source.removeIf([](const QString &line) { return line.contains(".partial "); });

        const BackupArchive::Made made =
            BackupArchive::create(data, home.path() + where, QDateTime({2026, 12, 7}, {8, 15, 0}));
        QCOMPARE(made.files, 3);
        QCOMPARE(made.bytes, qint64(328 * 3 + 4 + 6));
        QVERIFY(!home.exists(where + "/DispatchBackup-2026-12-06-081500.zip.partial"));
        TestRoot out;
        const QStringList files = BackupArchive::restore(made.path, out.path() + "/r");
        QCOMPARE(files.size(), 3);
        QCOMPARE(contents(out.path() + "/r"), source);
    }

    // A damaged archive (cut short, or with a file's bytes spoiled) restores nothing: the folder it was to go
    // into stays as it was (empty, or not there), the message says what was wrong, and a retry with a sound
    // archive then succeeds into the same folder.
    void damagedArchiveLeavesTheTargetAsItWas_data()
    {
        QTest::addColumn<int>("damage");
        QTest::addColumn<bool>("targetExists");
        QTest::newRow("cut short, target an empty folder") << 0 << true;
        QTest::newRow("cut short, no target yet") << 0 << false;
        QTest::newRow("a byte of a file spoiled") << 1 << true;
    }
    void damagedArchiveLeavesTheTargetAsItWas()
    {
        auto [damage, targetExists] = fetched<int, bool>("damage", "targetExists");
        TestRoot data;
        quint32 seed = 7; // bytes that do not pack smaller, so that a spoiled byte lies in a file's data
        for (int i = 0; i < 9; ++i) {
            QByteArray noise(20000, Qt::Uninitialized);
            for (char &c : noise)
                c = char((seed = seed * 1103515245u + 12345u) >> 24);
            data.write(QString("/File%1.txt").arg(i), noise);
        }
        TestRoot out;
        const QString archive =
            BackupArchive::create(data.path(), out.path(), QDateTime({2026, 12, 7}, {8, 15, 0})).path;
        QFile file(archive);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        const QByteArray sound = bytes;
        if (damage == 0) {
            bytes.truncate(bytes.size() * 2 / 3);
        } else {
            const qsizetype at = bytes.indexOf("File4.txt");
            QVERIFY(at > 0);
            bytes[at + 5000] = char(bytes[at + 5000] ^ 0x55);
        }
        QVERIFY(file.resize(0) && file.seek(0) && file.write(bytes) == bytes.size());
        file.close();

        const QString target = out.path() + "/restored";
        if (targetExists)
            QVERIFY(QDir().mkdir(target));
        try {
            BackupArchive::restore(archive, target);
            QFAIL("a damaged archive was restored");
        } catch (const DiskError &e) {
            QVERIFY2(e.message().contains("Nothing was restored"), qPrintable(e.message()));
        }
        QCOMPARE(QFileInfo(target).isDir(), targetExists);
        if (targetExists)
            QCOMPARE(contents(target), QStringList());
        QCOMPARE(QDir(out.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(),
                 targetExists ? 2 : 1);

        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(sound) == sound.size());
        file.close();
        QCOMPARE(BackupArchive::restore(archive, target).size(), 9);
        QCOMPARE(contents(target), contents(data.path()));
    }

    // The archive holds what the program reads, restored byte for byte: no earlier archive wherever it lies, a
    // link inside the folder as what it leads to; a link out of it and a name a restore cannot make are left
    // out and named. Entries: "path=text" a file, "path>target" a link (OUT: a folder outside).
    void backupHoldsWhatTheProgramReads_data()
    {
        dataColumns<QStringList, QStringList, QStringList>("entries", "restored", "leftOut");
        dataRow("earlier archives anywhere",
                QStringList{"SlipNo.txt=1", "Archives/DispatchBackup-2026-12-06-081500.zip=old",
                            "DispatchBackup-2026-12-05-081500-2.zip=old",
                            "A/DispatchBackup-2026-12-04-0815.zip.partial=x"},
                QStringList{"SlipNo.txt=1"}, QStringList{});
        dataRow("links inside",
                QStringList{"Real/Services.txt=s", "Services.txt>Real/Services.txt", "AuxFiles/r7/N.txt=n",
                            "AuxFiles/7>AuxFiles/r7"},
                QStringList{"AuxFiles/7/N.txt=n", "AuxFiles/r7/N.txt=n", "Real/Services.txt=s", "Services.txt=s"},
                QStringList{});
        dataRow("a link out, a loop, names a restore cannot make",
                QStringList{"SlipNo.txt=1", "Services.txt>OUT/Services.txt", "A/up>A", "Meeting 10:30.txt=m",
                            "a\\b.txt=x", "caf\u00e9.txt=y"},
                QStringList{"SlipNo.txt=1"},
                QStringList{"A/up: a symbolic link to a folder", "Meeting 10:30.txt: the name holds \":\"",
                            "Services.txt: a symbolic link to OUT/Services.txt, outside", "a\\b.txt: the name holds",
                            "caf\uFFFD.txt: the name is not UTF-8"});
    }
    void backupHoldsWhatTheProgramReads()
    {
        auto [entries, restored, leftOut] =
            fetched<QStringList, QStringList, QStringList>("entries", "restored", "leftOut");
        TestRoot data, out;
        const QString outside = data.path() + "-OUT"; // beside the folder, its name beginning with the folder's
        const auto latin1 = [](const QString &path) { return QFile::encodeName(path).replace("\xC3\xA9", "\xE9"); };
        data.write("/../" + QFileInfo(outside).fileName() + "/Services.txt", "outside");
        for (const QString &entry : entries) {
            const QString name = data.file('/' + entry.section(QRegularExpression("[=>]"), 0, 0));
            const QString target = entry.section('>', 1).replace("OUT", outside);
            if (entry.contains('>'))
                QVERIFY(QDir().mkpath(QFileInfo(name).path()) &&
                        QFile::link(target.startsWith('/') ? target : data.file('/' + target), name));
            else
                data.write('/' + entry.section('=', 0, 0), entry.section('=', 1).toUtf8());
            QVERIFY(::rename(QFile::encodeName(name), latin1(name)) == 0); // a name in Latin-1 where it has é
        }
        const BackupArchive::Made made =
            BackupArchive::create(data.path(), data.path() + "/Archives", QDateTime({2026, 12, 7}, {8, 15, 0}));
        ::unlink(latin1(data.file("/caf\u00e9.txt")));
        BackupArchive::restore(made.path, out.path() + "/r");
        QCOMPARE(files(out.path() + "/r"), restored);
        QVERIFY(QDir(outside).removeRecursively());
        QCOMPARE(made.leftOut.size(), leftOut.size());
        for (int i = 0; i < leftOut.size(); ++i)
            QVERIFY2(made.leftOut[i].startsWith(leftOut[i].replace("OUT", outside)), qPrintable(made.leftOut[i]));
    }

    // An archive made to write outside the folder it is restored into (a "../" name, an absolute name, a link
    // it holds and then writes through) leaves everything outside that folder as it was: the name is refused
    // before anything is written, or the link is left out.
    void hostileArchiveWritesOnlyInside_data()
    {
        dataColumns<QStringList, bool>("entries", "refused"); // OUT: a folder beside the target
        dataRow("parent", QStringList{"ok.txt", "../evil.txt"}, true);
        dataRow("parent further in", QStringList{"AuxFiles/../../evil.txt"}, true);
        dataRow("absolute", QStringList{"OUT/evil.txt"}, true);
        dataRow("through a link to the parent", QStringList{"up>..", "up/evil.txt"}, false);
        dataRow("through a link to an absolute folder", QStringList{"out>OUT", "out/evil.txt"}, false);
        dataRow("a link to a file outside, written", QStringList{"victim>OUT/victim.txt", "victim"}, false);
        dataRow("a hard link to a file outside", QStringList{"h=OUT/victim.txt", "h=../outside/victim.txt"}, false);
    }
    void hostileArchiveWritesOnlyInside()
    {
        auto [entries, refused] = fetched<QStringList, bool>("entries", "refused");
        TestRoot out;
        out.write("/outside/victim.txt", "keep");
        entries.replaceInStrings("OUT", out.path() + "/outside");
        writeHostileTar(out.path() + "/hostile.tar", entries);
        const QStringList before = contents(out.path() + "/outside");
        try {
            BackupArchive::restore(out.path() + "/hostile.tar", out.path() + "/target");
            QVERIFY(!refused);
        } catch (const DiskError &e) {
            QVERIFY2(refused && e.message().contains("nothing was restored"), qPrintable(e.message()));
        }
        QCOMPARE(contents(out.path() + "/outside"), before);
        QCOMPARE(QDir(out.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList({"hostile.tar", "outside"}) + (refused ? QStringList() : QStringList{"target"}));
        QDirIterator inside(out.path() + "/target", QDir::AllEntries | QDir::Hidden | QDir::System,
                            QDirIterator::Subdirectories);
        while (inside.hasNext())
            QVERIFY2(!QFileInfo(inside.next()).isSymLink(), qPrintable(inside.filePath()));
    }

    // The commands: backup into a folder inside the data folder holds all but the archive; restore checks.
    void backupAndRestoreCommands()
    {
        TestRoot data;
        data.write("/SlipNo.txt", "1000\r\n");
        const ToolRun backup = runTool({"backup", "--root", data.path(), data.path() + "/Archives"});
        QCOMPARE(backup.status, 0);
        QVERIFY2(backup.out.contains(": 1 file(s), 6 bytes, read back and checked"), qPrintable(backup.out));
        const QStringList made = QDir(data.path() + "/Archives").entryList(QDir::Files);
        QCOMPARE(made.size(), 1);
        TestRoot out;
        const ToolRun restore = runTool({"restore", data.path() + "/Archives/" + made.front(), out.path() + "/r"});
        QCOMPARE(restore.status, 1);
        QVERIFY2(restore.out.contains("MyBusinessData.txt"), qPrintable(restore.out)); // the restored folder checked
        QVERIFY(QDir(out.path() + "/r/Archives").isEmpty());
        QCOMPARE(runTool({"restore", data.path() + "/Archives/" + made.front(), data.path()}).status, 2);
        // An empty folder makes no archive and says so; a file left out is named, status 1.
        const ToolRun empty = runTool({"backup", "--root", out.path() + "/r/Archives", out.path()});
        QVERIFY2(empty.status == 2 && empty.err.contains("holds no files to back up; no archive was made"),
                 qPrintable(empty.err));
        data.write("/Notes 10:30.txt", "x");
        const ToolRun leftOut = runTool({"backup", "--root", data.path(), out.path()});
        QVERIFY2(leftOut.status == 1 && leftOut.err.contains("1 left out of the archive:\n  Notes 10:30.txt: "),
                 qPrintable(leftOut.err));
    }
};

QTEST_GUILESS_MAIN(TestBackupArchive)
#include "tst_backuparchive.moc"
