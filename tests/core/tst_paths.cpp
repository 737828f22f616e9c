#include "core/datafolder.h"
#include "testsupport.h"

#include <QDir>
#include <QTest>

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
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("name");
        QTest::newRow("telephone") << QStringLiteral("555-1234") << QStringLiteral("555-1234");
        QTest::newRow("blank inside") << QStringLiteral("ACME 01") << QStringLiteral("ACME 01");
        QTest::newRow("trimmed") << QStringLiteral("  1001  ") << QStringLiteral("1001");
        QTest::newRow("dot inside") << QStringLiteral("A.B") << QStringLiteral("A.B");
        QTest::newRow("device-like but longer") << QStringLiteral("CONNOR") << QStringLiteral("CONNOR");
        QTest::newRow("ampersand") << QStringLiteral("Smith & Son") << QStringLiteral("Smith & Son");
    }
    void accountNumbersThatStayPlainNames()
    {
        QFETCH(QString, number);
        QFETCH(QString, name);
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
