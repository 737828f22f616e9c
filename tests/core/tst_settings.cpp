#include "core/clock.h"
#include "core/diskerror.h"
#include "core/settings.h"
#include "testsupport.h"

#include <QDirIterator>
#include <QtTest>

using Tweak = std::function<void(Settings &)>;
Q_DECLARE_METATYPE(Tweak)

namespace {

const FixedClock kClock(QDateTime(QDate(2026, 3, 7), QTime(10, 0)));

// Every loaded value as one text, so that two settings objects compare in one step.
QString dump(const Settings &s)
{
    QStringList v = QStringList(s.business.begin(), s.business.end());
    v << s.taxHeading1 << s.taxHeading2 << s.taxRate1 << s.taxRate2 << s.fontName << s.logoPath;
    for (const double n :
         {double(s.applyTax1), double(s.applyTax2), double(s.borderColour), double(s.textColour),
          double(s.printInColour), double(s.copies), double(s.workWeek), double(s.invoiceCopies),
          double(s.invoicePerRequest), double(s.populateInvoices), double(s.plainPaper), double(s.showPrompts),
          double(s.soundAlarm), double(s.logoWidth), double(s.logoHeight), double(s.phoneDaisyChained),
          double(s.modemPort), double(s.callerId), double(s.agreementWeeks)})
        v << QString::number(n);
    return v.join('|');
}

QStringList filesUnder(const QString &root)
{
    QStringList files;
    for (QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        files << it.next().mid(root.size());
    files.sort();
    return files;
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { useTestSettingsStore(); }

    void emptyFolderGivesDefaultsAndWritesOnlyTwoFiles()
    {
        TestRoot root;
        Settings s;
        s.modemPort = 4; // found by the modem search
        QVERIFY(s.loadAll(root.folder(), kClock).isEmpty());
        Settings defaults;
        defaults.modemPort = 4;
        QCOMPARE(dump(s), dump(defaults));
        QCOMPARE(s.invoiceNumber, 20260001);
        QCOMPARE(filesUnder(root.path()), QStringList({"/LogoSettings.txt", "/VIInvoiceNo.txt"}));
        QCOMPARE(root.read("/LogoSettings.txt"), QByteArray("1440,1440\r\n"));

        // Those two writes failing do not stop the load; their messages come back for the caller to show.
        TestRoot readOnly;
        DataFolder folder = readOnly.folder();
        folder.setFaultHook([](const char *, const QString &path) { throw DiskError("cannot write " + path); });
        QCOMPARE(Settings().loadAll(folder, kClock).size(), 2);
    }

    // Cut-short files and unreadable values keep their defaults; odd values are taken as the program takes them.
    void damagedAndOddValues_data()
    {
        dataColumns<QString, QByteArray>("file", "bytes");
        QTest::addColumn<Tweak>("expected"); // the defaults changed by what the file holds
        const Tweak none = [](Settings &) {};
        dataRow("tax cut short", "/TaxSettings.txt", QByteArray("\"VAT Tax\"\r\n"),
                Tweak([](Settings &s) { s.taxHeading1 = "VAT Tax"; }));
        dataRow("colours garbage", "/PrintColors.txt", QByteArray("abc\r\n-5\r\n\"\"\r\nmaybe\r\n0\r\n"), none);
        dataRow("work week 3 is 5", "/VarnelDispatchDuzuduSettings.txt", QByteArray("3\r\n\"\"\r\n\"\"\r\n2"),
                Tweak([](Settings &s) { s.invoiceCopies = 2; }));
        dataRow("agreement weeks beyond a year", "/VarnelDispatchDuzuduSettings.txt",
                QByteArray("5\r\n\"\"\r\n\"\"\r\n1\r\n1\r\n1\r\n#TRUE#\r\n53\r\n"), none);
        dataRow("logo 3000 by 2000", "/LogoSettings.txt", QByteArray("3000,2000\r\n"),
                Tweak([](Settings &s) { s.logoHeight = 2000; }));
        dataRow("logo at the largest size", "/LogoSettings.txt", QByteArray("2880,2880.5\r\n"),
                Tweak([](Settings &s) { s.logoWidth = 2880; }));
        dataRow("logo size as text", "/LogoSettings.txt", QByteArray("\"900.5\",\"800\""),
                Tweak([](Settings &s) { s.logoWidth = 900.5, s.logoHeight = 800; }));
        dataRow("port unreadable", "/Phone.txt", QByteArray("#TRUE#\r\nCOM\r\n"),
                Tweak([](Settings &s) { s.phoneDaisyChained = true; }));
        dataRow("binary", "/Prompts.txt", QByteArray("\x00\xff\"\r,,\n\"#TRUE", 12), none);
    }

    void damagedAndOddValues()
    {
        auto [file, bytes, expected] = fetched<QString, QByteArray, Tweak>("file", "bytes", "expected");
        TestRoot root;
        root.write(file, bytes);
        Settings s, wanted;
        s.modemPort = wanted.modemPort = 4; // found by the modem search
        QVERIFY(s.loadAll(root.folder(), kClock).isEmpty());
        expected(wanted);
        QCOMPARE(dump(s), dump(wanted));
    }

    void everyWriterRoundTrips()
    {
        TestRoot root;
        Settings s;
        s.taxHeading1 = "VAT Tax", s.taxRate2 = "7,0", s.applyTax2 = true;
        s.borderColour = 0x123456, s.fontName = "Times New Roman", s.printInColour = false, s.copies = 1;
        s.workWeek = WorkWeek::SundayToFriday, s.invoiceCopies = 3, s.plainPaper = false, s.showPrompts = false;
        s.agreementWeeks = 9;
        s.logoWidth = 1234.3f, s.logoHeight = 400, s.phoneDaisyChained = true, s.modemPort = 2, s.callerId = true;
        s.saveBusiness(root.folder(), {"Acme", "1 Main", "", "Springfield", "IL", "62701", "555-1234", "Fax:", "x"});
        s.saveTaxSettings(root.folder());
        s.savePrintColors(root.folder());
        s.saveProgramSettings(root.folder());
        s.savePrompts(root.folder());
        QVERIFY(s.saveCompanyLogo(root.folder(), "/pics/logo.bmp"));
        s.saveLogoSettings(root.folder());
        s.savePhone(root.folder());
        Settings loaded;
        QVERIFY(loaded.loadAll(root.folder(), kClock).isEmpty());
        QCOMPARE(dump(loaded), dump(s));
        QCOMPARE(root.read("/LogoSettings.txt"), QByteArray("1234.3,400\r\n"));
    }

    void bytesOnDisk()
    {
        TestRoot root;
        Settings s;
        // Typed values are kept as they are, blanks included; a quote would end the value early when read.
        s.saveBusiness(root.folder(), {" Joe's \"Best\" ", "a,b", "", "", "", "", "555-1234", "", ""});
        const QByteArray business = "\" Joe's 'Best' \",\"a,b\",\"\",\"\",\"\",\"\",\"555-1234\",\"\",\"\"\r\n";
        QCOMPARE(root.read("/MyBusinessData.txt"), business);
        QCOMPARE(root.read("/Backup/MyBusinessData.txt"), business);
        s.saveProgramSettings(root.folder());
        QCOMPARE(root.read("/VarnelDispatchDuzuduSettings.txt"),
                 QByteArray("5\r\n\"\"\r\n\"\"\r\n1\r\n1\r\n1\r\n#TRUE#\r\n"));
        s.saveTaxSettings(root.folder());
        QCOMPARE(root.read("/TaxSettings.txt"), QByteArray("\"Sales Tax\",\"Tax\",\"4.0\",\"4.0\",0,0\r\n"));
        s.savePrintColors(root.folder());
        QCOMPARE(root.read("/PrintColors.txt"), QByteArray("0\r\n0\r\n\"Arial\"\r\n#TRUE#\r\n3\r\n"));
        s.phoneDaisyChained = true, s.modemPort = 3, s.callerId = false;
        s.savePhone(root.folder());
        QCOMPARE(root.read("/Phone.txt"), QByteArray("#TRUE#\r\n3\r\n"));
        QCOMPARE(root.read("/CallID.txt"), QByteArray("#FALSE#\r\n"));
        Settings().saveProgramSettings(DataFolder(root.path(), "Renamed"));
        QVERIFY(root.exists("/RenamedSettings.txt"));
    }

    void writersHandleTheBackupCopy()
    {
        TestRoot root;
        const DataFolder folder = root.folder();
        const QStringList files = {"/TaxSettings.txt", "/PrintColors.txt",  "/VarnelDispatchDuzuduSettings.txt",
                                   "/Prompts.txt",     "/LogoSettings.txt", "/Phone.txt",
                                   "/CallID.txt",      "/VIInvoiceNo.txt",  "/CompanyLogo.txt"};
        for (const QString &file : files)
            root.write("/Backup" + file, "old copy");
        Settings s;
        s.saveTaxSettings(folder), s.savePrintColors(folder), s.saveProgramSettings(folder), s.savePrompts(folder);
        s.saveLogoSettings(folder), s.savePhone(folder), s.saveInvoiceCounter(folder, 20260001);
        QVERIFY(!s.saveCompanyLogo(folder, "  ")); // no logo chosen: nothing written
        QVERIFY(!root.exists("/CompanyLogo.txt"));
        s.saveCompanyLogo(folder, "/logo.bmp");
        for (const QString &file : files) {
            QVERIFY2(root.exists(file), qPrintable(file));
            // /Prompts.txt is the one file whose writer deletes only the file itself.
            QVERIFY2(root.exists("/Backup" + file) == (file == "/Prompts.txt"), qPrintable(file));
        }
        root.write("/Backup/CompanyLogo.txt", "copy");
        s.clearCompanyLogo(folder);
        QVERIFY(s.logoPath.isEmpty() && !root.exists("/CompanyLogo.txt") && !root.exists("/Backup/CompanyLogo.txt"));
    }

    // The counter file is shared with the companion program: a start writes it only when its value changes (a
    // rewrite of the same number could put back one the companion advanced meanwhile).
    void invoiceNumberRules_data()
    {
        QTest::addColumn<QByteArray>("stored"); // "missing": no file
        QTest::addColumn<qint32>("expected");
        QTest::addColumn<bool>("written");
        dataRow("no file", QByteArray("missing"), 20260001, true);
        dataRow("last year", QByteArray("20250117\r\n"), 20260001, true);
        dataRow("this year", QByteArray("20260117\r\n"), 20260117, false);
        dataRow("this year, no line end", QByteArray("20260117"), 20260117, false);
        dataRow("zero", QByteArray("0\r\n"), 20260000, true);
        dataRow("garbage", QByteArray("abc\r\n"), 20260000, true);
        dataRow("empty file", QByteArray(), 20260000, true);
        dataRow("beyond 32 bits", QByteArray("4294967296\r\n"), 20260000, true);
        dataRow("negative", QByteArray("-20260005\r\n"), 20260000, true);
        dataRow("compared as text", QByteArray("117\r\n"), 20260001, true);
    }

    void invoiceNumberRules()
    {
        auto [stored, expected, written] = fetched<QByteArray, qint32, bool>("stored", "expected", "written");
        TestRoot root;
        const QDateTime longAgo(QDate(2020, 1, 1), QTime(0, 0));
        if (stored != "missing") {
            root.write("/VIInvoiceNo.txt", stored);
            QFile file(root.folder().path("/VIInvoiceNo.txt"));
            QVERIFY(file.open(QIODevice::ReadWrite) && file.setFileTime(longAgo, QFileDevice::FileModificationTime));
        }
        Settings s;
        s.loadInvoiceCounter(root.folder(), kClock);
        QCOMPARE(s.invoiceNumber, expected);
        QCOMPARE(root.read("/VIInvoiceNo.txt"), written ? QByteArray::number(expected) + "\r\n" : stored);
        if (!written)
            QCOMPARE(QFileInfo(root.folder().path("/VIInvoiceNo.txt")).lastModified(), longAgo);
    }

    void advanceInvoiceNumber()
    {
        TestRoot root;
        Settings s;
        s.invoiceNumber = 20260005; // as typed in the next-invoice field
        QCOMPARE(s.advanceInvoiceNumber(root.folder(), 3), 20260008);
        QCOMPARE(root.read("/VIInvoiceNo.txt"), QByteArray("20260008\r\n"));
        s.invoiceNumber = std::numeric_limits<qint32>::max() - 1;
        QVERIFY_THROWS_EXCEPTION(DiskError, s.advanceInvoiceNumber(root.folder(), 5));
        QCOMPARE(s.invoiceNumber, std::numeric_limits<qint32>::max() - 1);
        QCOMPARE(root.read("/VIInvoiceNo.txt"), QByteArray("20260008\r\n"));
    }

    void nextWorkday()
    {
        // Days to move from Sunday .. Saturday for each work week; 3 is not a code and counts as 5.
        const QList<QPair<int, QList<int>>> moves = {{5, {1, 0, 0, 0, 0, 0, 2}},
                                                     {61, {1, 0, 0, 0, 0, 0, 0}},
                                                     {62, {0, 0, 0, 0, 0, 0, 1}},
                                                     {7, {0, 0, 0, 0, 0, 0, 0}},
                                                     {3, {1, 0, 0, 0, 0, 0, 2}}};
        const QDate sunday(2026, 1, 4);
        for (const auto &[code, days] : moves)
            for (int i = 0; i < 7; ++i)
                QCOMPARE(::nextWorkday(code, sunday.addDays(i)), sunday.addDays(i + days[i]));
    }

    void statesList()
    {
        TestRoot root;
        QCOMPARE(Settings::loadStatesList(root.folder()).size(), 50); // the shipped list when the file is missing
        Settings::installStatesList(root.folder());
        QVERIFY(root.read("/StatesList.txt").startsWith("\"AL\"\r\n\"AK\"\r\n"));
        root.write("/StatesList.txt", "\"ON\"\r\n\"QC\"\r\n");
        Settings::installStatesList(root.folder()); // never replaces the user's list
        QCOMPARE(Settings::loadStatesList(root.folder()), QStringList({"ON", "QC"}));
        QByteArray many;
        for (int i = 0; i < 60; ++i)
            many += "\"S" + QByteArray::number(i) + "\"\r\n";
        root.write("/StatesList.txt", many);
        QCOMPARE(Settings::loadStatesList(root.folder()).last(), QString("S49"));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
