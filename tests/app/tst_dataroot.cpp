#include "app/dataroot.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <unistd.h>

class TestDataRoot : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    // Where the data goes for a program folder as it is found, and what the first-run panel is told.
    void chooses_data()
    {
        dataColumns<bool, bool, bool, QString>("installedMarker", "named", "expectUserFolder", "noteStart");

        QTest::newRow("a copy in a folder of its own") << false << false << false << QString();
        QTest::newRow("an installed copy, even where its folder is writable")
            << true << false << true << QStringLiteral("This installed copy keeps your data in ");
        QTest::newRow("a named folder wins over an installed copy") << true << true << false << QString();
    }
    void chooses()
    {
        auto [installedMarker, named, expectUserFolder, noteStart] =
            fetched<bool, bool, bool, QString>("installedMarker", "named", "expectUserFolder", "noteStart");

        TestRoot root;
        const QString program = root.path() + QStringLiteral("/program");
        const QString user = root.path() + QStringLiteral("/home/.local/share/Varnel/VarnelDispatchDuzudu");
        const QString namedRoot = root.path() + QStringLiteral("/named/data");
        QDir().mkpath(program);
        if (installedMarker)
            root.write(QStringLiteral("/program/") + kInstalledCopyMarker, "installed\n");

        const DataRootChoice choice = chooseDataRoot(program, user, named ? namedRoot : QString());

        const QString expected = named ? namedRoot : expectUserFolder ? user : program;
        QCOMPARE(choice.root, expected);
        QVERIFY2(QDir(choice.root).exists(), "the chosen folder exists before the program starts in it");
        if (noteStart.isEmpty()) {
            QCOMPARE(choice.note, QString());
        } else {
            QVERIFY2(choice.note.startsWith(noteStart), qPrintable(choice.note));
            QVERIFY(choice.note.contains(QDir::toNativeSeparators(user)));
        }
        // The program's folder is never filled by the choice itself.
        QCOMPARE(QDir(program).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size(),
                 installedMarker ? 1 : 0);
    }

    void aReadOnlyProgramFolderSendsTheDataToTheUserFolder()
    {
        if (geteuid() == 0)
            QSKIP("root may write everywhere: a read-only folder cannot be made");
        TestRoot root;
        const QString program = root.path() + QStringLiteral("/program");
        const QString user = root.path() + QStringLiteral("/user");
        QDir().mkpath(program);
        QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner);
        const DataRootChoice choice = chooseDataRoot(program, user);
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(choice.root, user);
        QVERIFY2(choice.note.contains(QStringLiteral("cannot be written to")), qPrintable(choice.note));
    }
};

QTEST_MAIN(TestDataRoot)
#include "tst_dataroot.moc"
