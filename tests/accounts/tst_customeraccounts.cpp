#include "accounts/auxdata.h"
#include "accounts/customeraccounts.h"
#include "accounts/customerfile.h"
#include "accounts/customerrecord.h"
#include "accounts/customerwrite.h"
#include "core/diskerror.h"
#include "customersamples.h"
#include "testsupport.h"

#include <QTest>

using namespace CustomerField;

namespace {

CustomerForm businessForm(const QString &acct, const QString &name, const QString &phone = "555-000-1111")
{
    CustomerForm f;
    f.acctNo = acct;
    f.name = name;
    f.address1 = "12 Main St";
    f.city = "Springfield";
    f.state = "IL";
    f.postal = "62701 ";
    f.telephone = phone;
    return f;
}

// The accounts of a test folder holding the given customer file (none when empty), made active.
struct Opened
{
    explicit Opened(const QByteArray &file = {})
    {
        if (!file.isEmpty())
            root.write(CustomerFile::kPath, file);
        activated = accounts.activate();
    }
    TestRoot root;
    Record current{customerLayout()};
    CustomerAccounts accounts{root.folder(), current};
    bool activated = false;
};

} // namespace

class TestCustomerAccounts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void firstSaveOfAnEmptyFileWritesRecordOne()
    {
        auto &&[root, current, accounts, activated] = Opened();
        QVERIFY(!activated);
        QCOMPARE(accounts.count(), 1);
        const CustomerSaveResult r = accounts.save(businessForm(" 1001 ", "Acme  "), true);
        QVERIFY(r.isDone());
        QCOMPARE(root.read(CustomerFile::kPath).size(), 328);
        const Record stored = storedCustomer(root, 1);
        QCOMPARE(stored.rawText(AcctNo), QString("1001").leftJustified(20));
        QCOMPARE(QStringList({stored.text(Name), stored.text(City), stored.text(ServiceCity),
                              stored.rawText(PostalCode), stored.text(Address4), stored.text(State),
                              stored.text(AcctType), stored.rawText(MiddleInitial)}),
                 QStringList({"Acme", "Springfield", "Springfield", "62701     ", "62701", "IL", "Business", " "}));
        QVERIFY(current == stored); // the saved account is the shared current customer
        QCOMPARE(accounts.names().size(), std::size_t(1));
        // International style: address lines three and four in the city and fourth fields, no state.
        CustomerForm f = businessForm("1001", "Abroad Ltd");
        f.address3 = "Camden";
        f.address4 = "NW1 8AB";
        QVERIFY(accounts.save(f, false).isDone());
        const Record abroad = storedCustomer(root, 1);
        QCOMPARE(QStringList({abroad.text(City), abroad.text(Address4), abroad.text(State), abroad.text(ServiceCity)}),
                 QStringList({"Camden", "NW1 8AB", "", "Springfield"}));
    }

    void refusedSavesWriteNothing_data()
    {
        dataColumns<QString, QString, QString, QString, int>("acct", "phone", "name", "message", "focus");
        dataRow("no number, no telephone", "", "", "Acme", "The Telephone Number cannot be blank",
                int(CustomerBox::Telephone));
        dataRow("no name", "9", "1", "", "The Account Name Cannot be Blank", int(CustomerBox::Name));
        const int box = int(CustomerBox::AcctNo);
        const QString used = "is already used by customer record 2 (Account No B2).\r\nEnter a different Number.";
        dataRow("separator in number", "10/20", "1", "Acme",
                "The account number \"10/20\" cannot be used as a file name: it holds the character /.", box);
        dataRow("device name", "CON", "1", "Acme",
                "The account number \"CON\" cannot be used as a file name: it is the name of a device.", box);
        dataRow("letter case of another account", "b2", "1", "Acme", "Account No b2 " + used, box);
        dataRow("exact number of another account", "B2", "1", "Acme", "Account No B2 " + used, box);
        dataRow("outside the code page", "Z9", "1", QString::fromUtf8("Łódź Pipes"),
                Validation::unstorableCharacter(QString::fromUtf8("Ł")).text, box);
    }
    void refusedSavesWriteNothing()
    {
        auto [acct, phone, name] = fetched<QString, QString, QString>("acct", "phone", "name");
        auto &&[root, current, accounts, activated] = Opened(threeCustomers());
        QVERIFY(activated);
        accounts.show(1);
        const CustomerSaveResult r = accounts.save(businessForm(acct, name, phone), true);
        QVERIFY(!r.isDone());
        QVERIFY(!accounts.saved());
        QTEST(r.notices.back().text, "message");
        QTEST(int(r.focus), "focus");
        QCOMPARE(root.read(CustomerFile::kPath), threeCustomers());
    }

    // Record numbers are 16-bit: the 32,768th account is refused before anything is started.
    void addNewIsRefusedWhenTheFileIsFull()
    {
        auto &&[root, current, accounts, activated] =
            Opened(threeCustomers() + QByteArray(qsizetype(CustomerAccounts::kMostCustomers - 3) * 328, ' '));
        accounts.show(1);
        const auto added = accounts.addNew(accounts.formOf(accounts.shown()), true);
        QVERIFY(added.full);
        QVERIFY(!added.started);
        QVERIFY(!accounts.pendingNew());
        QCOMPARE(root.read(CustomerFile::kPath).size(), qsizetype(CustomerAccounts::kMostCustomers) * 328);
    }

    void telephoneBecomesTheAccountNumber()
    {
        auto &&[root, current, accounts, activated] = Opened();
        const CustomerSaveResult r = accounts.save(businessForm("", "Acme", " 555-123-4567 "), true);
        QVERIFY(r.isDone());
        QCOMPARE(r.acctNo, QString("555-123-4567"));
        QCOMPARE(r.notices.front().text, QString("Telephone Number will be used as Acct No."));
        QCOMPARE(storedCustomer(root, 1).text(AcctNo), QString("555-123-4567"));
    }

    void individualIsSavedUnderThePersonsName()
    {
        auto &&[root, current, accounts, activated] = Opened(threeCustomers());
        accounts.show(3);
        QCOMPARE(accounts.acctType(), QString("Individual"));
        CustomerForm f = accounts.formOf(accounts.shown());
        QCOMPARE(f.name, QString("Ann Lee")); // an empty stored name shows the person name
        f.firstName = "";
        QCOMPARE(accounts.save(f, true).notices.back().text, QString("Enter Account 1st and Last Name"));
        f.title = "Ms";
        f.firstName = "Anne";
        QVERIFY(accounts.save(f, true).isDone());
        QCOMPARE(storedCustomer(root, 3).text(Name), QString("Ms Anne Lee"));
        QCOMPARE(storedCustomer(root, 3).text(AcctType), QString("Individual"));
        // The list follows the new name at once.
        QCOMPARE(accounts.names()[std::size_t(accounts.findName("lee, anne"))].recordNumber, 3);
        QCOMPARE(storedCustomer(root, 1).bytes(),
                 customer("A1|Business|Acme Heating||||Springfield|555-123-4567").bytes());
    }

    void addSaveAndCancel()
    {
        auto &&[root, current, accounts, activated] = Opened(threeCustomers());
        accounts.show(1);
        CustomerForm onScreen = accounts.formOf(accounts.shown());
        QVERIFY(accounts.addNew(CustomerForm{}, true).noNumber);
        CustomerForm bad = onScreen;
        bad.name.clear();
        bad.acctNo = "A/1";
        QVERIFY(!accounts.addNew(bad, true).started);
        QVERIFY(!accounts.pendingNew());
        QCOMPARE(accounts.count(), 3);
        const auto added = accounts.addNew(onScreen, true);
        QVERIFY(added.started);
        QCOMPARE(accounts.count(), 4);
        QCOMPARE(accounts.currentNumber(), 4);
        QVERIFY(accounts.pendingNew());
        QCOMPARE(root.read(CustomerFile::kPath), threeCustomers()); // nothing written yet, record 1 unchanged
        accounts.cancelNew();
        QCOMPARE(accounts.count(), 3);
        QCOMPARE(accounts.currentNumber(), 1);
        QCOMPARE(root.read(CustomerFile::kPath), threeCustomers());
        QVERIFY(accounts.addNew(onScreen, true).started);
        QVERIFY(accounts.save(businessForm("D4", "Delta Plumbing"), true).isDone());
        QVERIFY(!accounts.pendingNew());
        QCOMPARE(root.read(CustomerFile::kPath).size(), 4 * 328);
        QCOMPARE(root.read(CustomerFile::kPath).left(3 * 328), threeCustomers());
        QCOMPARE(storedCustomer(root, 4).text(Name), QString("Delta Plumbing"));
        QCOMPARE(storedCustomer(root, 4).int16(Reserved1), qint16(0));
    }

    void moves_data()
    {
        dataColumns<int, int, int, int>("count", "from", "move", "to");
        dataRow("next wraps", 10, 10, int(CustomerMove::Next), 1);
        dataRow("previous stops at 1", 10, 1, int(CustomerMove::Previous), 1);
        dataRow("previous", 10, 5, int(CustomerMove::Previous), 4);
        dataRow("last", 10, 2, int(CustomerMove::Last), 10);
        dataRow("quarter", 10, 9, int(CustomerMove::Quarter), 2);
        dataRow("half", 10, 9, int(CustomerMove::Half), 4);
        dataRow("three quarters", 10, 9, int(CustomerMove::ThreeQuarters), 6);
        dataRow("quarter of 3 stays", 3, 3, int(CustomerMove::Quarter), 3);
    }
    void moves()
    {
        auto [count, from, move] = fetched<int, int, int>("count", "from", "move");
        QByteArray bytes;
        for (int i = 1; i <= count; ++i)
            bytes += customer(QString("N%1|Business|Name %1").arg(i)).bytes();
        auto &&[root, current, accounts, activated] = Opened(bytes);
        accounts.show(from);
        QTEST(accounts.target(CustomerMove(move)), "to");
    }

    void deleteKeepsABalanceFileAnotherAccountShares()
    {
        auto &&[root, current, accounts, activated] =
            Opened(threeCustomers() + customer("b2|Business|Other B").bytes());
        root.write("/VIActiveAccounts/B2.txt", "balance");
        accounts.show(2);
        accounts.deleteCurrent();
        QCOMPARE(accounts.count(), 3);
        QCOMPARE(accounts.currentNumber(), 2);
        QVERIFY(root.exists("/VIActiveAccounts/B2.txt"));
        accounts.show(3);
        accounts.deleteCurrent(); // the last holder of the number: its balance file goes with it
        QVERIFY(!root.exists("/VIActiveAccounts/B2.txt"));
        QCOMPARE(root.read(CustomerFile::kPath),
                 customer("A1|Business|Acme Heating||||Springfield|555-123-4567").bytes() +
                     customer("C3|Individual|||Ann|Lee|Springfield").bytes());
        QCOMPARE(accounts.currentNumber(), 2);
    }

    void deletingTheLastAccountLeavesABlankRecordOne()
    {
        auto &&[root, current, accounts, activated] = Opened(customer("A1|Business|Acme").bytes());
        accounts.show(1);
        accounts.deleteCurrent();
        QVERIFY(!accounts.fileHasRecords());
        QCOMPARE(accounts.count(), 1);
        accounts.show(1);
        QCOMPARE(accounts.shown().text(AcctNo), QString());
        QVERIFY(accounts.names().empty());
        QVERIFY(accounts.save(businessForm("A2", "Again"), true).isDone());
        QCOMPARE(root.read(CustomerFile::kPath).size(), 328);
    }

    void completionAndNameLookup()
    {
        auto &&[root, current, accounts, activated] =
            Opened(threeCustomers() + customer("E5|Business|smithy tools").bytes());
        const auto &names = accounts.names();
        QCOMPARE(names[std::size_t(accounts.completion("smi"))].key, QString("Smith, John"));
        QCOMPARE(names[std::size_t(accounts.completion("SMITHY"))].key, QString("smithy tools"));
        QCOMPARE(accounts.completion("zz"), -1);
        QCOMPARE(names[std::size_t(accounts.findName("  acme heating "))].recordNumber, 1);
        QCOMPARE(accounts.findName("acme"), -1);
        accounts.show(2); // an exact duplicate number is asked about, not refused
        QVERIFY(accounts.isDuplicate("A1") && !accounts.isDuplicate("a1") && !accounts.isDuplicate("B2"));
    }

    // The accounts' search trims and upper-cases what was typed; which field each criterion searches is the
    // customer file's own test.
    void searchTrimsAndPassesTheCriterion_data()
    {
        dataColumns<int, QString, QStringList>("criterion", "text", "found");
        dataRow("city", 3, "spring", QStringList{"1", "3"});
        dataRow("telephone", 6, "555", QStringList{"1", "2"});
        dataRow("last name", 7, " smi ", QStringList{"2"});
        dataRow("account", 8, "c", QStringList{"3"});
        dataRow("everyone", 10, "All", QStringList{"1", "2", "3"});
    }
    void searchTrimsAndPassesTheCriterion()
    {
        auto [criterion, text] = fetched<int, QString>("criterion", "text");
        auto &&[root, current, accounts, activated] = Opened(threeCustomers());
        QStringList numbers;
        for (const CustomerMatch &m : accounts.search(CustomerCriterion(criterion), text))
            numbers << m.recordNumber;
        QTEST(numbers, "found");
    }

    void searchFindsTextAtEveryPlaceOfTheField()
    {
        // The search looks at eight bytes at a time: a match may begin at any byte and cross any word.
        QByteArray bytes;
        for (int at = 0; at + 3 <= 45; ++at)
            bytes += customer(QString("N%1|Business|%2xYz").arg(at).arg(QString(at, QChar('.')))).bytes();
        bytes += customer("M|Business|xY z").bytes();
        auto &&[root, current, accounts, activated] = Opened(bytes);
        QCOMPARE(int(accounts.search(CustomerCriterion::Name, "xyz").size()), 43);
        QCOMPARE(int(accounts.search(CustomerCriterion::Name, "YZ").size()), 43);
        QCOMPARE(int(accounts.search(CustomerCriterion::Name, "x").size()), 44);
        QCOMPARE(int(accounts.search(CustomerCriterion::Name, "y z").size()), 1);
    }

    void damagedRecordShowsWithoutCrash()
    {
        QByteArray bytes = threeCustomers();
        bytes[328 + 314] = '\xff'; // type field no longer "Individual"
        bytes.chop(100);           // a short last record
        auto &&[root, current, accounts, activated] = Opened(bytes);
        QVERIFY(activated);
        QCOMPARE(accounts.count(), 3);
        accounts.show(2);
        QCOMPARE(accounts.acctType(), QString("Business"));
        accounts.show(3);
        QCOMPARE(accounts.shown().text(AcctNo), QString("C3"));
        accounts.show(9); // beyond the file
        QCOMPARE(accounts.shown().text(AcctNo), QString());
    }

    void interruptedSaveIsCompletedFromItsJournal()
    {
        auto &&[root, current, accounts, activated] = Opened(threeCustomers());
        accounts.show(2);
        CustomerForm f = accounts.formOf(accounts.shown());
        f.lastName = "Smythe";
        QVERIFY(accounts.save(f, true).isDone());
        QVERIFY(!root.exists(CustomerWrite::kJournal));
        QCOMPARE(root.read(CustomerFile::kPath).replace(328, 328, customer("x").bytes()),
                 QByteArray(threeCustomers()).replace(328, 328, customer("x").bytes()));
        QCOMPARE(storedCustomer(root, 2).text(LastName), QString("Smythe"));
        // A crash after the journal was written, with the record torn in the file: the next use completes it.
        root.write(CustomerFile::kPath, threeCustomers());
        DataFolder faulty = root.folder();
        faulty.setFaultHook([](const char *step, const QString &path) {
            if (QString(step) == "delete" && path.endsWith("CustomerData.jnl"))
                throw std::runtime_error("crash");
        });
        Record changed = storedCustomer(root, 2);
        changed.setText(LastName, "Jones");
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, WriteCustomer(faulty, 2, changed));
        const QByteArray journal = root.read(CustomerWrite::kJournal);
        QVERIFY(!journal.isEmpty());
        QByteArray torn = threeCustomers();
        torn.replace(328, 100, QByteArray(100, 'x'));
        root.write(CustomerFile::kPath, torn);
        QVERIFY(accounts.activate()); // the screen's activation completes it
        QVERIFY(!root.exists(CustomerWrite::kJournal));
        QCOMPARE(root.read(CustomerFile::kPath), QByteArray(threeCustomers()).replace(328, 328, changed.bytes()));
        // A journal written for a file of another length (since restored from /Backup) is not applied.
        root.write(CustomerWrite::kJournal, journal);
        root.write(CustomerFile::kPath, threeCustomers().left(2 * 328));
        QVERIFY(!CustomerWrite::recoverCustomerWrite(root.folder()));
        QCOMPARE(root.read(CustomerFile::kPath), threeCustomers().left(2 * 328));
        // A damaged journal is dropped and the file left alone.
        root.write(CustomerWrite::kJournal, journal.left(50));
        root.write(CustomerFile::kPath, threeCustomers());
        QVERIFY(!CustomerWrite::recoverCustomerWrite(root.folder()));
        QCOMPARE(root.read(CustomerFile::kPath), threeCustomers());
        QVERIFY(!root.exists(CustomerWrite::kJournal));
    }

    void auxiliaryDataRoundTrip()
    {
        TestRoot root;
        const DataFolder folder = root.folder();
        const AuxData::Texts boxes{"Gate 12, dog", "line one\n  \"quoted\"\n", {}, {}, {}, QString::fromUtf8("Köln")};
        AuxData::saveBoxes(folder, "1001", boxes);
        QCOMPARE(root.read("/AuxFiles/1001/AuxFile0/Data.txt"), QByteArray("Gate 12, dog\r\n"));
        QCOMPARE(root.read("/AuxFiles/1001/AuxFile2/Data.txt"), QByteArray("\r\n"));
        QCOMPARE(AuxData::loadBoxes(folder, "1001"), boxes);
        QCOMPARE(AuxData::loadBoxes(folder, "2002"), AuxData::Texts{});
        QVERIFY_THROWS_EXCEPTION(DiskError, AuxData::saveBoxes(folder, "../x", boxes));
        AuxData::Texts headings{"Gate", "Pets", "", "Keys", "Notes", "Last"};
        root.write("/Backup/AuxHeadings.txt", "old");
        AuxData::saveHeadings(folder, headings);
        QCOMPARE(root.read(AuxData::kHeadings), QByteArray("Gate\r\nPets\r\n\r\nKeys\r\nNotes\r\nLast\r\n"));
        QVERIFY(!root.exists("/Backup/AuxHeadings.txt"));
        QCOMPARE(AuxData::loadHeadings(folder), headings);
    }
};

QTEST_GUILESS_MAIN(TestCustomerAccounts)
#include "tst_customeraccounts.moc"
