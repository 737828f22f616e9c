#include "accounts/assignmenteditor.h"
#include "accounts/assignmentrecord.h"
#include "statebench.h"
#include "testsupport.h"

#include <QTest>

namespace {

AssignmentBoxes person(const QString &name, const QString &reference = QStringLiteral("Employee"))
{
    AssignmentBoxes b;
    b.reference = reference;
    b.name = name;
    b.address1 = name + QStringLiteral(" Street");
    b.city = QStringLiteral("Springfield");
    b.state = QStringLiteral("IL");
    b.postalCode = QStringLiteral("62701");
    b.telephone = QStringLiteral("555-123-4567");
    b.cell = QStringLiteral("555-999-0000");
    return b;
}

Record stored(const TestRoot &root, int number)
{
    return Record(assignmentLayout(), root.read(AssignmentFile::kPath).mid((number - 1) * 235, 235));
}

// Three assignments written through the editor: Alice (Employee), Bob and Carol (Sub-Contractor).
void writeThree(AppState &state)
{
    AssignmentEditor editor(state);
    editor.activate();
    editor.save(person("Alice Able"));
    editor.startNew(person("Alice Able"), {});
    editor.save(person("Bob Baker", "Sub-Contractor"));
    editor.startNew(person("Bob Baker", "Sub-Contractor"), {});
    AssignmentBoxes carol = person("Carol Cole", "Sub-Contractor");
    carol.city = "Shelbyville";
    carol.telephone = "555-777-1234";
    editor.save(carol);
}

} // namespace

class TestAssignmentEditor : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void firstAssignmentOnAnEmptyFolder()
    {
        TestRoot root;
        AppState state(root.folder());
        state.settings.business[BusinessField::City] = "Springfield";
        state.settings.business[BusinessField::PostalCode] = "62701";
        state.settings.business[BusinessField::Telephone] = "217-555-0100";
        AssignmentEditor editor(state);
        QVERIFY(editor.activate());
        QCOMPARE(editor.count(), 1);
        QVERIFY(editor.pendingNew());
        const AssignmentBoxes start = editor.startBoxes();
        QCOMPARE(start.telephone, QString("217-555-"));
        QCOMPARE(start.city + start.postalCode, QString("Springfield62701"));

        // The reference left empty takes the telephone; the name is cut at its width.
        AssignmentBoxes typed = start;
        typed.name = QString(40, 'N');
        typed.telephone = "217-555-0142";
        editor.save(typed);
        QVERIFY(!editor.pendingNew());
        QCOMPARE(root.read(AssignmentFile::kPath).size(), 235);
        const Record r = stored(root, 1);
        QCOMPARE(r.text(AssignmentField::Reference), QString("217-555-0142"));
        QCOMPARE(r.text(AssignmentField::Name), QString(30, 'N'));
        QCOMPARE(r.text(AssignmentField::City), QString("Springfield"));
        // The pick lists of the dispatch screens know the new name at once.
        QCOMPARE(state.assignmentLists.board, (QStringList{"Not Assigned", QString(30, 'N')}));
        QCOMPARE(state.assignmentLists.creationGrid.size(), 1u);
    }

    void cancellingTheFirstLeavesNothing()
    {
        TestRoot root;
        AppState state(root.folder());
        AssignmentEditor editor(state);
        QVERIFY(editor.activate());
        editor.cancelNew();
        QCOMPARE(editor.count(), 0);
        QVERIFY(editor.empty());
        QCOMPARE(editor.show(), AssignmentBoxes{});
        editor.save(person("Typed Into Nothing"));
        QVERIFY(!root.exists(AssignmentFile::kPath));
        // A new one left without a name is dropped rather than stored blank.
        editor.startNew({}, {});
        QVERIFY(!editor.save(AssignmentBoxes{}));
        QVERIFY(!root.exists(AssignmentFile::kPath));
        QVERIFY(editor.empty());
        // Deleting the only one removes the file and its Backup copy (or the file would come back the next time
        // it is looked for), and a first one is asked for again.
        editor.startNew({}, {});
        editor.save(person("Alice Able"));
        root.write("/Backup/AssignmentData.txt", root.read(AssignmentFile::kPath));
        editor.deleteCurrent();
        QVERIFY(editor.empty());
        QVERIFY(!root.exists(AssignmentFile::kPath) && !root.exists("/Backup/AssignmentData.txt"));
        QCOMPARE(state.assignmentLists.board, QStringList{"Not Assigned"});
        QVERIFY(editor.activate());
    }

    void addEditNavigateAndCancel()
    {
        TestRoot root;
        AppState state(root.folder());
        writeThree(state);
        AssignmentEditor editor(state);
        QVERIFY(!editor.activate());
        QCOMPARE(editor.count(), 3);
        QCOMPARE(editor.cities(), (QStringList{"Springfield", "Shelbyville"}));
        editor.last();
        editor.next(); // after the last comes the first
        QCOMPARE(editor.show().name, QString("Alice Able"));
        editor.previous(); // never below 1
        QCOMPARE(editor.current(), 1);

        AssignmentBoxes changed = editor.show();
        changed.cell = "555-000-1111";
        const QByteArray before = root.read(AssignmentFile::kPath);
        editor.save(changed);
        const QByteArray after = root.read(AssignmentFile::kPath);
        QCOMPARE(after.mid(235), before.mid(235));
        QCOMPARE(stored(root, 1).text(AssignmentField::Cell), QString("555-000-1111"));

        // A new one with the screen's record saved first; cancelling it comes back to the last stored one.
        AssignmentBoxes fresh = editor.startNew(changed, "555-222-3333");
        QCOMPARE(fresh.telephone, QString("555-222-3333"));
        QCOMPARE(editor.count(), 4);
        editor.cancelNew();
        QCOMPARE(editor.count(), 3);
        QCOMPARE(editor.current(), 3);
        QCOMPARE(root.read(AssignmentFile::kPath).size(), 3 * 235);
    }

    void internationalStyle()
    {
        TestRoot root;
        AppState state(root.folder());
        state.usaAddressStyle = false;
        AssignmentEditor editor(state);
        editor.activate();
        AssignmentBoxes b = person("Dieter Dorn");
        b.address3 = "Berlin";
        b.address4 = "10115-LONG-POSTCODE";
        editor.save(b);
        const Record r = stored(root, 1);
        QCOMPARE(r.text(AssignmentField::City), QString("Berlin"));
        QCOMPARE(r.text(AssignmentField::State), QString());
        QCOMPARE(r.text(AssignmentField::PostalCode), QString("10115-LONG"));
        QCOMPARE(editor.show().address3, QString("Berlin"));
    }

    void deleting_data()
    {
        dataColumns<int, int, QString>("which", "current", "shown");
        QTest::newRow("first of three") << 1 << 1 << "Bob Baker";
        QTest::newRow("last of three") << 3 << 2 << "Bob Baker";
        QTest::newRow("middle") << 2 << 2 << "Carol Cole";
    }
    void deleting()
    {
        QFETCH(int, which);
        TestRoot root;
        AppState state(root.folder());
        writeThree(state);
        AssignmentEditor editor(state);
        editor.activate();
        editor.select(which);
        editor.deleteCurrent();
        QCOMPARE(editor.count(), 2);
        QTEST(editor.current(), "current");
        QTEST(editor.show().name, "shown");
        QCOMPARE(root.read(AssignmentFile::kPath).size(), 2 * 235);
        QCOMPARE(state.assignmentLists.creation.size(), 3);
        QVERIFY(!state.assignmentLists.creation.contains(
            QStringList{"Alice Able", "Bob Baker", "Carol Cole"}.at(which - 1)));
    }

    void searching_data()
    {
        dataColumns<int, QString, int, int>("criterion", "text", "kind", "hits");
        using K = AssignmentSearchOutcome::Kind;
        QTest::newRow("name, one") << 0 << " bob " << int(K::One) << 1;
        QTest::newRow("street, all") << 1 << "street" << int(K::Many) << 3;
        QTest::newRow("city") << 3 << "shelby" << int(K::One) << 1;
        QTest::newRow("state") << 4 << "il" << int(K::Many) << 3;
        QTest::newRow("zip, none") << 5 << "99999" << int(K::NotFound) << 0;
        QTest::newRow("telephone too short") << 6 << "555-12" << int(K::TooShort) << 0;
        QTest::newRow("telephone whole") << 6 << "555-777-1234" << int(K::One) << 1;
        QTest::newRow("reference, any case") << 7 << "sub" << int(K::Many) << 2;
    }
    void searching()
    {
        auto [criterion, text, kind] = fetched<int, QString, int>("criterion", "text", "kind");
        TestRoot root;
        AppState state(root.folder());
        writeThree(state);
        AssignmentEditor editor(state);
        editor.activate();
        const AssignmentSearchOutcome outcome = editor.search(AssignmentCriterion(criterion), text);
        QCOMPARE(int(outcome.kind), kind);
        QTEST(int(outcome.rows.size()), "hits");
        QCOMPARE(outcome.searched, text.trimmed().toUpper());
        if (outcome.kind == AssignmentSearchOutcome::Kind::One)
            QCOMPARE(editor.current(), outcome.rows.front().at(6).toInt());
    }
};

QTEST_GUILESS_MAIN(TestAssignmentEditor)
#include "tst_assignmenteditor.moc"
