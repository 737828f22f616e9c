#include "accounts/assignmentfile.h"
#include "accounts/customerfile.h"
#include "accounts/servicecatalogue.h"
#include "billing/accountfiles.h"
#include "billing/posting.h"
#include "billing/recordfilelayouts.h"
#include "core/recordfiletable.h"
#include "core/startup.h"
#include "dispatch/agreementrecord.h"
#include "dispatch/agreements.h"
#include "dispatch/slipfiles.h"
#include "testsupport.h"

#include <QTest>

using namespace RecordFiles;

namespace {

QByteArray agreementOf(qint32 id, const QString &acctNo)
{
    Record r(agreementLayout());
    r.setInt32(AgreementField::Id, id);
    r.setText(AgreementField::AcctNo, acctNo);
    return r.bytes();
}

QByteArray visitOf(qint32 agreementId)
{
    Record r(agreementVisitLayout());
    r.setInt32(VisitField::AgreementId, agreementId);
    return r.bytes();
}

} // namespace

class TestRecordFileTable : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    // Each file the program writes is found under the name its owner writes it by (either separator, any case),
    // with the layout its records have; a name no record file has finds nothing.
    void ownersNamesFindTheirRows_data()
    {
        dataColumns<QString, QString>("path", "kind");
        dataRow("active slips", SlipFiles::kActive, "slip");
        dataRow("completed slips", SlipFiles::kCompleted, "slip");
        dataRow("finalized slips, written with a backslash", SlipFiles::kFinalized, "slip");
        dataRow("customers", CustomerFile::kPath, "customer");
        dataRow("assignments", AssignmentFile::kPath, "assignment");
        dataRow("services", ServiceCatalogue::kPath, "service");
        dataRow("account history", Posting::kHistory, "accounthistory");
        dataRow("payments", AccountFiles::kPaymentFile, "accounthistory");
        dataRow("a balance file", AccountFiles::kFolder + "/A1.txt", "accounthistory");
        dataRow("a balance file's Backup copy", "D:\\data\\Backup\\viactiveaccounts\\A1.TXT", "accounthistory");
        dataRow("service history", Posting::kServiceHistory, "servicehistory");
        dataRow("tax records", Posting::kTaxRecords, "tax");
        dataRow("invoice journal", Posting::kJournal, "journal");
        dataRow("agreements", Agreements::kFile, "agreement");
        dataRow("agreement visits, any case", Agreements::kVisitsFile.toUpper(), "agreementvisit");
        dataRow("a settings file", "/MyBusinessData.txt", "");
        dataRow("a text file in the balance folder", AccountFiles::kFolder + "/notes.doc", "");
    }
    void ownersNamesFindTheirRows()
    {
        QFETCH(QString, path);
        const Row *row = rowOf(path);
        QTEST(row ? kindName(row->kind) : QString(), "kind");
        if (row && !row->isFamily())
            QCOMPARE(row->path.toLower(), QString(path).replace('\\', '/').toLower());
    }

    // A row that says what an account number is there names a field of its layout; the layouts' lengths are
    // those of their records.
    void accountFieldsAreFieldsOfTheirLayouts()
    {
        for (const Row &row : table()) {
            const bool carries = row.account != AccountRole::None && row.account != AccountRole::Balance;
            QVERIFY2((accountFieldOf(row) >= 0) == carries, qPrintable(row.path));
            if (carries)
                QCOMPARE(layoutOf(row.kind).fieldName(accountFieldOf(row)), QString("AcctNo"));
            QCOMPARE(kindNamed(kindName(row.kind)), std::optional(row.kind));
        }
        QCOMPARE(layoutOf(Kind::Agreement).length(), 498);
        QCOMPARE(layoutOf(Kind::Slip).length(), 697);
    }

    // The files of a folder: every single file, and the balance files present (nothing else in their folder);
    // the start offers to complete all but the companion program's own list of items.
    void filesOfAFolder()
    {
        TestRoot root;
        root.write("/VIActiveAccounts/B2.txt", "x");
        root.write("/VIActiveAccounts/A1.txt", "x");
        root.write("/VIActiveAccounts/readme.doc", "x");
        QStringList relative;
        for (const File &f : files(root.folder()))
            relative << f.relative;
        QCOMPARE(relative.size(), int(table().size()) - 1 + 2);
        QVERIFY(relative.contains("/VIActiveAccounts/A1.txt") && relative.contains("/VIActiveAccounts/B2.txt"));
        QVERIFY(relative.contains("/Agreements.dat") && relative.contains("/AgreementVisits.dat"));
        QVERIFY(!relative.contains("/VIActiveAccounts/readme.doc"));
        QStringList completable;
        for (const TornRecords::RecordFile &f : completableFiles(root.folder()))
            completable << f.relative;
        QCOMPARE(completable.size(), relative.size() - 1);
        QVERIFY(!completable.contains("/VIInventoriedItems.txt") && completable.contains("/CurrentItems.txt"));
    }

    // The agreements get Backup copies at exit like the customers; a lost file comes back from its copy, and one
    // whose last agreement was removed does not.
    void agreementsAreCopiedAtExitAndRestored()
    {
        TestRoot root;
        const DataFolder folder = root.folder();
        folder.makeFolder("/Backup");
        root.write(Agreements::kFile, agreementOf(1, "A1") + agreementOf(2, "B2"));
        root.write(Agreements::kVisitsFile, visitOf(1) + visitOf(2));
        root.write(CustomerFile::kPath, "c");
        root.write(SlipFiles::kActive, "s");
        Startup::backupDataFiles(folder);
        QCOMPARE(root.read("/Backup/Agreements.dat"), root.read(Agreements::kFile));
        QCOMPARE(root.read("/Backup/AgreementVisits.dat"), root.read(Agreements::kVisitsFile));
        QCOMPARE(root.read("/Backup/CustomerData.txt"), QByteArray("c"));
        QVERIFY(!root.exists("/Backup/ServiceSlips.txt"));

        QFile::remove(root.file(Agreements::kFile));
        QCOMPARE(Agreements::load(folder).size(), std::size_t(2));
        QVERIFY(root.exists(Agreements::kFile));

        // Removing an account's agreements takes their visits and leaves no copy that would bring them back.
        QCOMPARE(Agreements::removeAccount(folder, " A1 "), 1);
        QCOMPARE(root.read(Agreements::kFile), agreementOf(2, "B2"));
        QCOMPARE(root.read(Agreements::kVisitsFile), visitOf(2));
        QCOMPARE(Agreements::removeAccount(folder, "B2"), 1);
        QCOMPARE(Agreements::removeAccount(folder, "B2"), 0);
        QVERIFY(!root.exists(Agreements::kFile) && !root.exists("/Backup/Agreements.dat"));
        QVERIFY(Agreements::load(folder).empty());
        QVERIFY(!root.exists(Agreements::kVisitsFile) && !root.exists("/Backup/AgreementVisits.dat"));
    }
};

QTEST_GUILESS_MAIN(TestRecordFileTable)
#include "tst_recordfiletable.moc"
