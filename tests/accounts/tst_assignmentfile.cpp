#include "accounts/assignmentfile.h"
#include "accounts/assignmentrecord.h"
#include "testsupport.h"

#include <QTest>

namespace {

// "reference|name|city|telephone"; the cell and text-message numbers follow from the telephone.
Record assignment(const QString &fields)
{
    const QStringList f = fields.split('|');
    Record r(assignmentLayout());
    const int targets[] = {AssignmentField::Reference, AssignmentField::Name, AssignmentField::City,
                           AssignmentField::Telephone, AssignmentField::Cell, AssignmentField::TextMsgNo};
    const QStringList values = f + QStringList{f[3] + 'c', f[3] + 't'};
    for (int i = 0; i < 6; ++i)
        r.setText(targets[i], values[i]);
    return r;
}

DataFolder withAssignments(const TestRoot &root)
{
    root.write(AssignmentFile::kPath, assignment("Employee|Bob|Springfield|555-1").bytes() +
                                          assignment("Sub-Contractor|Crew B|Shelbyville|555-2").bytes() +
                                          assignment("sub-contractor|Cy| Springfield|777-3").bytes());
    return root.folder();
}

QString found(const DataFolder &folder, AssignmentCriterion criterion, const QString &text = {})
{
    QStringList out;
    for (const QStringList &row : SearchAssignments(folder, criterion, text))
        out.append(row.value(0) + '#' + row.value(6));
    return out.join(' ');
}

} // namespace

class TestAssignmentFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void searchCitiesAndPickLists()
    {
        TestRoot root;
        AssignmentLists lists = LoadAssignmentLists(root.folder());
        QCOMPARE(lists.board + lists.creation, (QStringList{"Not Assigned", "None"}));
        const DataFolder folder = withAssignments(root);
        QCOMPARE(found(folder, AssignmentCriterion::Reference, "SUB"), "Crew B#2 Cy#3");
        QCOMPARE(found(folder, AssignmentCriterion::Telephone, "999"), "");
        QCOMPARE(SearchAssignments(folder, AssignmentCriterion::All, {}).at(1),
                 (QStringList{"Crew B", "555-2", "", "Shelbyville", "", "", "2"}));
        QStringList cities{" Shelbyville "};
        addAssignmentCities(folder, cities);
        QCOMPARE(cities, (QStringList{" Shelbyville ", "Springfield"}));
        lists = LoadAssignmentLists(folder);
        QCOMPARE(lists.board + lists.creation,
                 (QStringList{"Not Assigned", "Bob", "Crew B", "Cy", "None", "Bob", "Crew B", "Cy"}));
        QCOMPARE(lists.creationGrid.at(1) + lists.scheduleGrid.at(2),
                 (QStringList{"Crew B", "555-2", "555-2c", "555-2t", "Cy", "777-3c"}));
    }

    void deletion()
    {
        for (const auto &[current, after] : {std::pair{1, "Crew B#1 Cy#2 shown 1"}, {3, "Bob#1 Crew B#2 shown 2"}}) {
            TestRoot root;
            root.write("/Backup/AssignmentData.txt", "old");
            root.write(AssignmentFile::kTemporary, "stale");
            const AssignmentDeletion result = DeleteAssignment(withAssignments(root), current);
            QCOMPARE(found(root.folder(), AssignmentCriterion::All) + " shown " + QString::number(result.current),
                     after);
            QCOMPARE(root.read("/Backup/AssignmentData.txt"), QByteArray("old")); // left alone
            QVERIFY(!root.exists(AssignmentFile::kTemporary));
        }
        TestRoot root; // the only record: an empty file, read as a blank record
        root.write(AssignmentFile::kPath, assignment("Employee|Bob||").bytes());
        QCOMPARE(DeleteAssignment(root.folder(), 1).count, 1);
        Record current = assignment("|stale||");
        ReadAssignment(root.folder(), 1, current);
        QVERIFY(root.exists(AssignmentFile::kPath) && current == Record(assignmentLayout()));
    }
};

QTEST_GUILESS_MAIN(TestAssignmentFile)
#include "tst_assignmentfile.moc"
