#include "core/backuparchive.h"
#include "core/diskerror.h"
#include "testsupport.h"
#include "tools/datatool.h"

#include <QBuffer>
#include <QDirIterator>
#include <QTest>

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

int tool(const QStringList &args, QString *output = nullptr)
{
    QString text;
    QTextStream out(&text);
    QTextStream err(&text);
    QBuffer in;
    in.open(QIODevice::ReadOnly);
    const int status = runDataTool(args, out, err, in);
    if (output)
        *output = text;
    return status;
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
                                  {"VarnelDispatchDuzudu.lock"}, [&](qint64 done, qint64 total) {
                                      QVERIFY(done >= last && done <= total);
                                      last = done;
                                      whole = total;
                                  });
        QCOMPARE(QFileInfo(archive).fileName(), QString("DispatchBackup-2026-12-07-081500.zip"));
        QCOMPARE(last, whole);
        QVERIFY(QFile(archive).open(QIODevice::ReadOnly) && QFile(archive).size() > 0);

        const QString target = out.path() + "/restored";
        BackupArchive::restore(archive, target);
        QStringList expected = source;
        expected.removeIf([](const QString &l) { return l.contains(".lock ") || l.contains(".vdtmp "); });
        QCOMPARE(contents(target), expected);

        // Only into an empty folder; a second backup the same second gets a name of its own.
        QVERIFY_THROWS_EXCEPTION(DiskError, BackupArchive::restore(archive, target));
        QCOMPARE(contents(target), expected);
        const QString second =
            BackupArchive::create(data.path(), out.path() + "/nested", QDateTime({2026, 12, 7}, {8, 15, 0}));
        QVERIFY(second.endsWith("DispatchBackup-2026-12-07-081500-2.zip"));
        QVERIFY_THROWS_EXCEPTION(DiskError, BackupArchive::restore(data.file("/CustomerData.txt"), out.path() + "/x"));
    }

    // The commands: backup into a folder inside the data folder leaves that folder out; restore checks.
    void backupAndRestoreCommands()
    {
        TestRoot data;
        data.write("/SlipNo.txt", "1000\r\n");
        QString said;
        QCOMPARE(tool({"backup", "--root", data.path(), data.path() + "/Archives"}, &said), 0);
        const QStringList made = QDir(data.path() + "/Archives").entryList(QDir::Files);
        QCOMPARE(made.size(), 1);
        TestRoot out;
        QCOMPARE(tool({"restore", data.path() + "/Archives/" + made.front(), out.path() + "/r"}, &said), 1);
        QVERIFY2(said.contains("MyBusinessData.txt"), qPrintable(said)); // the check ran on the restored folder
        QVERIFY(!QFileInfo::exists(out.path() + "/r/Archives"));
        QCOMPARE(tool({"restore", data.path() + "/Archives/" + made.front(), data.path()}, &said), 2);
    }
};

QTEST_GUILESS_MAIN(TestBackupArchive)
#include "tst_backuparchive.moc"
