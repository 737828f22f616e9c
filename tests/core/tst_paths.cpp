#include "core/datafolder.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>

namespace {
// Sets a folder's modification time, as a change made by another program at that moment would.
void setFolderTime(const QString &folder, long seconds)
{
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(folder).constData(), times, 0) == 0);
}
} // namespace

class TestPaths : public QObject
{
    Q_OBJECT

private slots:
    void bothSeparatorsAndAnyLetterCase()
    {
        TestRoot root;
        const DataFolder folder = root.folder();
        root.write(QStringLiteral("/AuxFiles/ACME 01/AuxFile0/Notes.txt"), "x");
        QCOMPARE(folder.path(QStringLiteral("\\auxfiles\\acme 01/AUXFILE0\\notes.TXT")),
                 root.path() + QStringLiteral("/AuxFiles/ACME 01/AuxFile0/Notes.txt"));
        // A new name keeps the letters the program gives it, under the existing folder's real name.
        QCOMPARE(folder.path(QStringLiteral("/AUXFILES/New.txt")), root.path() + QStringLiteral("/AuxFiles/New.txt"));
        QCOMPARE(folder.readAll(QStringLiteral("/auxfiles/acme 01/auxfile0/notes.txt")), QByteArray("x"));
    }

    // Names are looked up in a listing kept per folder: a name another program adds is found once the folder
    // has changed, and a folder that has not changed is not listed again for every new name.
    void listingFollowsTheFolder()
    {
        TestRoot root;
        const DataFolder folder = root.folder();
        setFolderTime(root.path(), 1000000000);
        QCOMPARE(folder.path(QStringLiteral("/notes.txt")), root.path() + QStringLiteral("/notes.txt"));

        root.write(QStringLiteral("/NOTES.TXT"), "x");
        setFolderTime(root.path(), 1000000000); // as if the folder had not changed: the kept listing stands
        QCOMPARE(folder.path(QStringLiteral("/notes.txt")), root.path() + QStringLiteral("/notes.txt"));

        setFolderTime(root.path(), 1000000001); // it changed: listed again
        QCOMPARE(folder.path(QStringLiteral("/notes.txt")), root.path() + QStringLiteral("/NOTES.TXT"));

        // What the program adds itself is known at once, whatever the folder's time.
        folder.makeFolder(QStringLiteral("/Archive"));
        folder.writeFile(QStringLiteral("/Archive/Old.txt"), "o");
        QCOMPARE(folder.readAll(QStringLiteral("/ARCHIVE/old.TXT")), QByteArray("o"));
        folder.renameFile(QStringLiteral("/archive/OLD.txt"), QStringLiteral("/Archive/Older.txt"));
        QCOMPARE(folder.path(QStringLiteral("/archive/OLDER.TXT")), root.path() + QStringLiteral("/Archive/Older.txt"));
        QCOMPARE(folder.fileSize(QStringLiteral("/archive/old.txt")), qint64(-1));
    }

    void makeFolderLeavesWhatExists()
    {
        TestRoot root;
        const DataFolder folder = root.folder();
        root.write(QStringLiteral("/Templates"), "a file of that name");
        folder.makeFolder(QStringLiteral("/Templates"));
        QCOMPARE(root.read(QStringLiteral("/Templates")), QByteArray("a file of that name"));
        folder.makeFolder(QStringLiteral("/Backup"));
        folder.makeFolder(QStringLiteral("/backup"));
        QCOMPARE(QDir(root.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{QStringLiteral("Backup")});
    }

    void accountNumbersThatStayPlainNames_data()
    {
        dataColumns<QString, QString>("number", "name");
        QTest::newRow("telephone") << QStringLiteral("555-1234") << QStringLiteral("555-1234");
        QTest::newRow("blank inside") << QStringLiteral("ACME 01") << QStringLiteral("ACME 01");
        QTest::newRow("trimmed") << QStringLiteral("  1001  ") << QStringLiteral("1001");
        QTest::newRow("dot inside") << QStringLiteral("A.B") << QStringLiteral("A.B");
        QTest::newRow("device-like but longer") << QStringLiteral("CONNOR") << QStringLiteral("CONNOR");
        QTest::newRow("ampersand") << QStringLiteral("Smith & Son") << QStringLiteral("Smith & Son");
    }
    void accountNumbersThatStayPlainNames()
    {
        auto [number, name] = fetched<QString, QString>("number", "name");
        QCOMPARE(accountFileName(number), std::optional<QString>(name));
    }

    void hostileAccountNumbersAreRefused_data()
    {
        QTest::addColumn<QString>("number");
        QTest::newRow("parent") << QStringLiteral("..");
        QTest::newRow("climb with slash") << QStringLiteral("../../etc/passwd");
        QTest::newRow("climb with backslash") << QStringLiteral("..\\Windows");
        QTest::newRow("slash") << QStringLiteral("a/b");
        QTest::newRow("absolute") << QStringLiteral("/tmp/x");
        QTest::newRow("drive") << QStringLiteral("C:x");
        QTest::newRow("control") << QStringLiteral("a\nb");
        QTest::newRow("nul") << QString(QChar(0)) + QStringLiteral("x");
        QTest::newRow("leading dot") << QStringLiteral(".hidden");
        QTest::newRow("trailing dot") << QStringLiteral("abc.");
        QTest::newRow("device") << QStringLiteral("con");
        QTest::newRow("device with extension") << QStringLiteral("LPT1.txt");
        QTest::newRow("com port") << QStringLiteral("COM3");
        QTest::newRow("empty") << QStringLiteral("   ");
        QTest::newRow("wildcard") << QStringLiteral("a*");
    }
    void hostileAccountNumbersAreRefused()
    {
        QFETCH(QString, number);
        QString why;
        QVERIFY(!accountFileName(number, &why).has_value());
        QVERIFY(why.startsWith(QStringLiteral("The account number")));
    }
};

QTEST_GUILESS_MAIN(TestPaths)
#include "tst_paths.moc"
