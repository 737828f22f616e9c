#include "accounts/customerfile.h"
#include "accounts/customerrecord.h"
#include "customersamples.h"
#include "testsupport.h"

#include <QTest>

using namespace CustomerField;

namespace {

DataFolder withCustomers(const TestRoot &root)
{
    root.write(CustomerFile::kPath, customer("A1|Business|Acme Heating||||Springfield|555-123-4567").bytes() +
                                        customer("B2|Individual||Mr.|John|Smith|Shelbyville|800-555-0000").bytes() +
                                        customer("C3|Individual|||Ann|Lee|Springfield").bytes() +
                                        customer("D4|Business|Straße & Söhne||||Köln").bytes());
    return root.folder();
}

} // namespace

class TestCustomerFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void namesDuplicatesAndReads()
    {
        TestRoot root;
        const DataFolder folder = withCustomers(root);
        // Names alike in their first eight letters are ordered by the rest.
        root.write(CustomerFile::kPath,
                   root.read(CustomerFile::kPath) + customer("E5|Business|ACME HEAT AND AIR").bytes());
        QStringList names;
        for (const auto &e : loadCustomerNames(folder).names)
            names.append(e.key + '#' + QString::number(e.recordNumber));
        QCOMPARE(names, (QStringList{"ACME HEAT AND AIR#5", "Acme Heating#1", "Lee, Ann#3", "Smith, John#2",
                                     "Straße & Söhne#4"}));
        QCOMPARE(loadCustomerNames(folder).cities, (QStringList{"Köln", "Shelbyville", "Springfield"}));
        QVERIFY(FindDuplicateAcctNo(folder, "B2", 1));
        // Its own record; case counts; the text is not trimmed.
        QVERIFY(!FindDuplicateAcctNo(folder, "B2", 2) && !FindDuplicateAcctNo(folder, "b2", 1) &&
                !FindDuplicateAcctNo(folder, "B2 ", 1));
        QCOMPARE(CustomerFile::accountNumbers(folder), (QStringList{"A1", "B2", "C3", "D4", "E5"}));
        Record current = customer("9");
        ReadCustomer(folder, 6, current); // beyond the end: blank, the reserved numbers zero
        QCOMPARE(current, newCustomerRecord());
    }

    // Every account number, trimmed and in file order, from a file read a block at a time: none lost or doubled
    // where one block ends and the next begins.
    void accountNumbersOfALargeFile()
    {
        TestRoot root;
        QCOMPARE(CustomerFile::accountNumbers(root.folder()), QStringList());
        QByteArray file;
        QStringList written;
        for (int i = 1; i <= 5000; ++i) {
            written << "  N" + QString::number(i);
            file += customer(written.back() + "|Business|Shop " + QString::number(i)).bytes();
            written.back() = written.back().trimmed();
        }
        root.write(CustomerFile::kPath, file);
        QCOMPARE(CustomerFile::accountNumbers(root.folder()), written);
    }

    void search_data()
    {
        QTest::addColumn<QString>("search"); // criterion|text|record:display name ...
        QTest::newRow("telephone anywhere") << "6|555|1:Acme Heating 2:Mr. John Smith";
        QTest::newRow("last name, any case") << "7|smi|2:Mr. John Smith";
        QTest::newRow("across a word, to the end") << "0|e HEATING|1:Acme Heating";
        QTest::newRow("accented letter") << "3|KÖLN|4:Straße & Söhne";
        QTest::newRow("sharp s upper-cased") << "0|STRASSE|4:Straße & Söhne";
        QTest::newRow("all") << "10|All|1:Acme Heating 2:Mr. John Smith 3:Ann Lee 4:Straße & Söhne";
        QTest::newRow("undefined criterion") << "9|A|";
    }
    void search()
    {
        QFETCH(QString, search);
        const QStringList s = search.split('|');
        TestRoot root;
        QStringList got;
        for (const CustomerMatch &m : SearchCustomers(withCustomers(root), CustomerCriterion(s[0].toInt()), s[1]))
            got.append(m.recordNumber + ':' + m.displayName);
        QCOMPARE(got.join(' '), s[2]);
    }

    // Every criterion searches its own field: a word inside it, and a word that ends at the field's last byte.
    void searchEachField_data()
    {
        dataColumns<int, int>("criterion", "field");
        QTest::newRow("account number") << int(CustomerCriterion::AcctNo) << int(AcctNo);
        QTest::newRow("address 1") << int(CustomerCriterion::Address1) << int(Address1);
        QTest::newRow("address 2") << int(CustomerCriterion::Address2) << int(Address2);
        QTest::newRow("city") << int(CustomerCriterion::City) << int(City);
        QTest::newRow("state") << int(CustomerCriterion::State) << int(State);
        QTest::newRow("address 4") << int(CustomerCriterion::Address4) << int(Address4);
        QTest::newRow("telephone") << int(CustomerCriterion::Telephone) << int(Telephone);
        QTest::newRow("last name") << int(CustomerCriterion::LastName) << int(LastName);
        QTest::newRow("name") << int(CustomerCriterion::Name) << int(Name);
    }
    void searchEachField()
    {
        auto [criterion, field] = fetched<int, int>("criterion", "field");
        const int width = customerLayout().size(field);
        QVERIFY(width >= 2);
        // Record 1 holds "QW" inside the field; record 2 fills the field to its last byte, ending in "ZX";
        // record 3 holds both words in every other field.
        Record inside = newCustomerRecord(), atEnd = newCustomerRecord(), elsewhere = newCustomerRecord();
        inside.setText(AcctNo, "R1"), atEnd.setText(AcctNo, "R2"), elsewhere.setText(AcctNo, "R3");
        inside.setText(field, width > 3 ? "aQWa" : "QW");
        atEnd.setText(field, QString(width - 2, 'a') + "ZX");
        for (int f = 0; f < customerLayout().fieldCount(); ++f) {
            if (f != field && f != AcctNo && customerLayout().size(f) >= 4 &&
                customerLayout().fieldSpec(f).kind == FieldKind::Text)
                elsewhere.setText(f, "QWZX");
        }
        TestRoot root;
        root.write(CustomerFile::kPath, inside.bytes() + atEnd.bytes() + elsewhere.bytes());
        auto found = [&](const QString &text) {
            QStringList numbers;
            for (const CustomerMatch &m : SearchCustomers(root.folder(), CustomerCriterion(criterion), text))
                numbers.append(m.recordNumber);
            return numbers.join(' ');
        };
        QCOMPARE(found("qw"), QString("1"));
        QCOMPARE(found("zx"), QString("2"));
    }

    // Places where the needle's first letters stand but the rest differs come before the real place, which may
    // lie in the field's second half; a field of such places only is no match.
    void searchPastFalseStarts()
    {
        TestRoot root;
        root.write(CustomerFile::kPath, customer("E1|Business|Mississippi River Missions").bytes() +
                                            customer("E2|Business|Mississippi Mass Sessions").bytes() +
                                            customer("E3|Business|mississippi missions").bytes());
        QStringList found;
        for (const CustomerMatch &m : SearchCustomers(root.folder(), CustomerCriterion::Name, "SSIO"))
            found.append(m.recordNumber);
        QCOMPARE(found.join(' '), QString("1 2 3"));
        found.clear();
        for (const CustomerMatch &m : SearchCustomers(root.folder(), CustomerCriterion::Name, "ISSIS"))
            found.append(m.recordNumber);
        QCOMPARE(found.join(' '), QString("1 2 3"));
        QVERIFY(SearchCustomers(root.folder(), CustomerCriterion::Name, "PPI R").size() == 1);
        QVERIFY(SearchCustomers(root.folder(), CustomerCriterion::Name, "SSIONZ").empty());
    }

    void deletion()
    {
        // record, account number on screen, then the records left, the count and the record shown
        const std::tuple<int, QString, QString> cases[] = {
            {2, "B2", "A1C3D4 3 2"}, {4, "D4", "A1B2C3 3 3"}, {1, "../outside", "B2C3D4 3 1"}};
        for (const auto &[current, acct, after] : cases) {
            TestRoot root;
            const QStringList doomed = {"/Backup/CustomerData.txt", CustomerFile::kTemporary,
                                        "/VIActiveAccounts/" + acct + ".txt",
                                        "/Backup/VIActiveAccounts/" + acct + ".txt"};
            for (const QString &f : doomed + QStringList{"/outside.txt"})
                root.write(f, "x");
            const CustomerDeletion result = DeleteCustomer(withCustomers(root), current, acct);
            QString left;
            for (const Record &r : root.folder().readRecords(CustomerFile::kPath, customerLayout()))
                left += r.text(AcctNo);
            QCOMPARE(QStringLiteral("%1 %2 %3").arg(left).arg(result.count).arg(result.current), after);
            for (const QString &f : doomed.mid(0, acct.startsWith('.') ? 2 : 4))
                QVERIFY2(!root.exists(f), qPrintable(f));
            QVERIFY(root.exists("/outside.txt")); // the hostile number deleted nothing outside its folder
        }
        TestRoot root; // the only record: an empty file, the count stays 1
        root.write(CustomerFile::kPath, customer("A1").bytes());
        const CustomerDeletion result = DeleteCustomer(root.folder(), 1, "A1");
        QVERIFY(root.exists(CustomerFile::kPath) && customerCount(root.folder()) == 0 && result.count == 1);
    }
};

QTEST_GUILESS_MAIN(TestCustomerFile)
#include "tst_customerfile.moc"
