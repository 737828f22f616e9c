#include "accounts/assignmentrecord.h"
#include "accounts/customerrecord.h"
#include "accounts/recordimport.h"
#include "accounts/servicerecord.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "platform/instancelock.h"
#include "testsupport.h"
#include "tooltesting.h"

#include <QTest>

namespace {

// The stored records of a kind, each as its field texts joined by "|" (trimmed, as every reader sees them).
QStringList stored(const DataFolder &folder, ImportKind kind, const RecordLayout &layout)
{
    QStringList out;
    for (const Record &r : folder.readRecords(RecordImport::pathOf(kind), layout)) {
        QStringList fields;
        for (int f = 0; f < layout.fieldCount(); ++f)
            fields << r.value(f).toString().trimmed();
        out << fields.join('|');
    }
    return out;
}

const RecordLayout &layoutOf(ImportKind kind)
{
    return kind == ImportKind::Customers  ? customerLayout()
           : kind == ImportKind::Services ? serviceLayout()
                                          : assignmentLayout();
}

RecordImport::Plan planFile(const DataFolder &folder, ImportKind kind, const QByteArray &bytes, bool usaStyle = true)
{
    const CsvReader::Table table = CsvReader::read(bytes);
    return RecordImport::plan(folder, kind, table, RecordImport::matchHeadings(kind, table.headings), usaStyle);
}

} // namespace

class TestRecordImport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    // Files as spreadsheets save them; every field of every stored record is checked.
    void spreadsheetFiles_data()
    {
        dataColumns<int, QByteArray, QString, QStringList>("kind", "file", "encoding", "records");
        dataRow("UTF-8 with BOM, quoted commas, line break in quotes", int(ImportKind::Customers),
                QByteArray("\xEF\xBB\xBF"
                           "Account Number,Company,First Name,Last Name,Street,City,State,Zip,Phone,E-mail\r\n"
                           "A-1,\"Smith, Jones & Co\",,,\"12 Main St\r\nSuite 4\",Springfield,IL,62701,217-555-0101,"
                           "a@b.com\r\n"
                           ",,Zoë,O'Neil,5 Oak,Dayton,OH,45402,937-555-0102,\r\n"),
                QString("UTF-8 with byte-order mark"),
                QStringList{"A-1|Smith, Jones & Co|12 Main St Suite 4||Springfield|Springfield|IL|62701|62701|"
                            "217-555-0101||a@b.com|||||Business|0|0",
                            "937-555-0102|Zoë O'Neil|5 Oak||Dayton|Dayton|OH|45402|45402|937-555-0102|||"
                            "|Zoë||O'Neil|Individual|0|0"});
        dataRow("Windows-1252 accents, semicolons, type column", int(ImportKind::Customers),
                QByteArray("AcctNo;Name;Title;FirstName;LastName;City;AcctType\n"
                           "7;;Mme;Ren\xE9;L\xE9vesque;Montr\xE9"
                           "al;Individual\n"
                           "8;Caf\xE9 M\xFCller;;;;K\xF6ln;b\n"),
                QString("Windows-1252"),
                QStringList{"7|Mme René Lévesque|||Montréal|Montréal|||||||Mme|René||Lévesque|Individual|0|0",
                            "8|Café Müller|||Köln|Köln|||||||||||Business|0|0"});
        dataRow("services: charge and allotted time", int(ImportKind::Services),
                QByteArray("Service;Price;Time\r\nTune-up;45;1:30\r\nVisit;$1,200.5;\r\n"), QString("UTF-8"),
                QStringList{"Tune-up|$45.00|6", "Visit|$1,200.50|1"});
        dataRow("technicians: a blank reference takes the telephone", int(ImportKind::Technicians),
                QByteArray("Name,Phone,Mobile,Reference\r\nAl Crew,555-123-4567,555-000-1111,\r\n"
                           "Bea,,,E7\r\n"),
                QString("UTF-8"),
                QStringList{"555-123-4567|Al Crew||||||555-123-4567|555-000-1111||", "E7|Bea|||||||||"});
        dataRow("address book: a blank Business Phone, the number in Home Phone", int(ImportKind::Customers),
                QByteArray("First Name,Last Name,Business Phone,Home Phone,City,Service City\r\n"
                           "Ann,Lee,,937-555-0101,D,K\r\nBo,Ray,1,2,,\r\n"),
                QString("UTF-8"),
                QStringList{"937-555-0101|Ann Lee|||D|K||||937-555-0101||||Ann||Lee|Individual|0|0",
                            "1|Bo Ray||||||||1||||Bo||Ray|Individual|0|0"});
        dataRow(
            "accounting list: \"Smith, John\" is a person", int(ImportKind::Customers),
            QByteArray("Customer,First Name,Last Name,Phone\n\"Smith, John\",John,Smith,1\nSmith Co,John,Smith,2\n"),
            QString("UTF-8"),
            QStringList{"1|John Smith||||||||1||||John||Smith|Individual|0|0",
                        "2|Smith Co||||||||2||||John||Smith|Business|0|0"});
    }
    void spreadsheetFiles()
    {
        auto [kind, file] = fetched<int, QByteArray>("kind", "file");
        const auto k = ImportKind(kind);
        TestRoot root;
        const RecordImport::Plan plan = planFile(root.folder(), k, file);
        QTEST(CsvReader::read(file).encoding, "encoding");
        QVERIFY2(plan.problems.empty(), qPrintable(plan.problems.empty() ? "" : plan.problems.front().reason));
        QVERIFY(!root.exists(RecordImport::pathOf(k))); // nothing written before the write
        RecordImport::write(root.folder(), plan);
        QTEST(stored(root.folder(), k, layoutOf(k)), "records");
    }

    // Rows as "line:values" and the refused lines; a quote never closed swallows no row after its own, and no
    // form a file may take moves a value into another column or drops a row.
    void readerRows_data()
    {
        dataColumns<QByteArray, QString, QStringList, QList<int>>("file", "encoding", "rows", "refused");
        dataRow("a quote never closed", QByteArray("Name,Phone\nA,1\n\"B,2\nC,3\nD,4\nE,5\n"), QString("UTF-8"),
                QStringList{"2:A|1", "4:C|3", "5:D|4", "6:E|5"}, QList<int>{3});
        dataRow("a quote closed only inside a later row", QByteArray("Name,Phone\nA,1\n\"B,2\nC,\"3\"\nD,4\n"),
                QString("UTF-8"), QStringList{"2:A|1", "4:C|3", "5:D|4"}, QList<int>{3});
        dataRow("a line break inside a closed quote", QByteArray("Name,Note\r\n\"A\",\"x\r\ny\"\r\nB,z\r\n"),
                QString("UTF-8"), QStringList{"2:A|x\ny", "4:B|z"}, QList<int>{});
        dataRow("UTF-16 little-endian without byte-order mark",
                QByteArray("N\0a\0m\0e\0,\0P\0\r\0\n\0B\0o\0b\0 \0S\0m\0i\0t\0h\0,\0\x31\0\r\0\n\0", 42),
                QString("UTF-16"), QStringList{"2:Bob Smith|1"}, QList<int>{});
        dataRow("UTF-16 big-endian without byte-order mark",
                QByteArray("\0N\0a\0m\0e\0;\0P\0\n\0\xE9\0;\0\x31\0\n", 22), QString("UTF-16"),
                QStringList{"2:\u00e9|1"}, QList<int>{});
        dataRow("semicolons, a heading with quoted commas",
                QByteArray("\"Name\";\"City, State, Zip, Country\"\nA;\"Xenia, OH, 45385, US\"\n"), QString("UTF-8"),
                QStringList{"2:A|Xenia, OH, 45385, US"}, QList<int>{});
        dataRow("Excel's sep= line names the separator", QByteArray("sep=;\r\nName;Phone\r\nA, B;1\r\n"),
                QString("UTF-8"), QStringList{"3:A, B|1"}, QList<int>{});
        // The hostile forms of the format.
        dataRow("doubled quotes inside a value", QByteArray("Name,Note,Phone\n\"Joe \"\"Big\"\" Smith\",\"\"\"\",1\n"),
                QString("UTF-8"), QStringList{"2:Joe \"Big\" Smith|\"|1"}, QList<int>{});
        dataRow("one column, no final line break", QByteArray("Name\nAnn\nBob"), QString("UTF-8"),
                QStringList{"2:Ann", "3:Bob"}, QList<int>{});
        dataRow("byte-order mark, CR LF", QByteArray("\xEF\xBB\xBFName,Phone\r\nA,1\r\n"),
                QString("UTF-8 with byte-order mark"), QStringList{"2:A|1"}, QList<int>{});
        dataRow("CR line ends", QByteArray("Name,Phone\rA,1\rB,2"), QString("UTF-8"), QStringList{"2:A|1", "3:B|2"},
                QList<int>{});
        dataRow("quotes in the middle of a value", QByteArray("Name,Phone\nA \"Ace\" B,1\n"), QString("UTF-8"),
                QStringList{"2:A \"Ace\" B|1"}, QList<int>{});
        dataRow("empty lines", QByteArray("\n\nName,Phone\n\nA,1\n\n"), QString("UTF-8"), QStringList{"5:A|1"},
                QList<int>{});
        dataRow("a lone quote", QByteArray("Name,Phone\n\"\nA,1\n"), QString("UTF-8"), QStringList{"3:A|1"},
                QList<int>{2});
        dataRow("UTF-8 with a stray byte: only its row refused",
                QByteArray("Name,Email\nJos\xC3\xA9,a\nM\xC3\xBCller,x\xE9y\nMart\xC3\xADnez,b\n"), QString("UTF-8"),
                QStringList{"2:Jos\u00e9|a", "4:Mart\u00ednez|b"}, QList<int>{3});
        dataRow("Mac Roman, CR line ends", QByteArray("Name,City\rJos\x8E's Caf\x8E,M\x9Fller B\x8A\x63kerei\r"),
                QString("Mac Roman"), QStringList{"2:Jos\u00e9's Caf\u00e9|M\u00fcller B\u00e4ckerei"}, QList<int>{});
        dataRow("more values than headings refused, blank ones after the last kept",
                QByteArray("AcctNo,Name,City\nSH01,Baker, Tom,Dayton\nSH02,Ann,Xenia,,\n"), QString("UTF-8"),
                QStringList{"3:SH02|Ann|Xenia||"}, QList<int>{2});
        dataRow("a very long value", "Name,Phone\n" + QByteArray(100000, 'x') + ",1\n", QString("UTF-8"),
                QStringList{"2:" + QString(100000, 'x') + "|1"}, QList<int>{});
    }
    void readerRows()
    {
        QFETCH(QByteArray, file);
        const CsvReader::Table table = CsvReader::read(file);
        QTEST(table.encoding, "encoding");
        QStringList got;
        for (const CsvReader::Row &row : table.rows)
            got << QString::number(row.line) + ':' + row.values.join('|');
        QTEST(got, "rows");
        QList<int> lines;
        for (const CsvReader::Refusal &r : table.refused)
            lines << r.line;
        QTEST(lines, "refused");
        for (const CsvReader::Row &row : table.rows) // no value shifted into another column
            QVERIFY(row.values.size() == table.headings.size() || row.values.last().isEmpty());
    }

    // Charges are read as the file writes its decimals; a charge whose meaning is not sure is refused by line.
    void chargesByTheFilesDecimalMark_data()
    {
        dataColumns<QByteArray, QStringList>("file", "outcome");
        dataRow("semicolons and decimal commas", QByteArray("Service;Price\nA;89,50\nB;12,5\nC;1.250,00\nD;7\n"),
                QStringList{"A $89.50", "B $12.50", "C $1,250.00", "D $7.00"});
        dataRow("commas and decimal points", QByteArray("Service,Price\nA,45.00\nB,\"1,250\"\nC,\"$1,200.5\"\n"),
                QStringList{"A $45.00", "B $1,250.00", "C $1,200.50"});
        dataRow("nothing tells the mark: 1.250 refused", QByteArray("Service;Price\nA;45\nB;1.250\n"),
                QStringList{"A $45.00", "3: the Charge 1.250 can mean $1,250.00 or $1.25; write it with its cents"});
        dataRow("a point among commas refused", QByteArray("Service;Price\nA;89,50\nB;12,5\nC;45.00\n"),
                QStringList{"A $89.50", "B $12.50",
                            "4: the Charge 45.00 is written with a decimal point, the file's other amounts with a "
                            "decimal comma"});
        dataRow("a time's place past the list refused", QByteArray("Service,Price,TimeIndex\nA,1,32\nB,1,33\n"),
                QStringList{"A $1.00", "3: the TimeIndex 33 is not a number from 0 to 32"});
    }
    void chargesByTheFilesDecimalMark()
    {
        auto [file, outcome] = fetched<QByteArray, QStringList>("file", "outcome");
        TestRoot root;
        const RecordImport::Plan plan = planFile(root.folder(), ImportKind::Services, file);
        QStringList got;
        for (const Record &r : plan.records)
            got << r.text(ServiceField::Description).trimmed() + ' ' + r.text(ServiceField::Charge).trimmed();
        for (const RecordImport::Problem &p : plan.problems)
            got << QString::number(p.line) + ": " + p.reason.left(outcome.last().size() - 3);
        QCOMPARE(got, outcome);
    }

    // Each outcome: the stored AcctNo|City|State|PostalCode|Address4|Telephone|Cell, or "line: reason".
    void addressBooks_data()
    {
        dataColumns<bool, QByteArray, QStringList>("usaStyle", "file", "outcome");
        const QByteArray head = "Name,Phone,Mobile,City,State,Zip,Country\n";
        dataRow("USA: US address book", true,
                head + "Al Co,(937) 555-0701,+1 937 555 0703,Dayton,OH,45402,United States\n"
                       "Bo Co,555-0102 x12,,Xenia,OH,45385,\n",
                QStringList{"937-555-0701|Dayton|OH|45402|45402|937-555-0701|937-555-0703",
                            "555-0102 x12|Xenia|OH|45385|45385|555-0102 x12|"});
        dataRow("USA: another country and a long foreign number refused", true,
                head + "Al Co,1,,Toronto,ON,M5V 2T6,Canada\nBo Co,+44 20 7946 0958,,,,,\n",
                QStringList{"2: Country is Canada; the USA address style has no place for another country",
                            "3: Telephone +44 20 7946 0958 has 12 digits, which do not fit the form nnn-nnn-nnnn, "
                            "and is 16 characters long as written; it holds at most 13"});
        dataRow("international: state, postal code and country make line 4", false,
                head + "Al Co,555 0101,,Toronto,ONT,M5V 2T6,Canada\nBo Co,1,,Leeds,,LS1 4AP,\n",
                QStringList{"555-0101|Toronto||M5V 2T6|ONT M5V 2T6 Canada|555-0101|", "1|Leeds||LS1 4AP|LS1 4AP|1|"});
    }
    void addressBooks()
    {
        auto [usaStyle, file] = fetched<bool, QByteArray>("usaStyle", "file");
        TestRoot root;
        const RecordImport::Plan plan = planFile(root.folder(), ImportKind::Customers, file, usaStyle);
        QStringList got;
        using namespace CustomerField;
        for (const Record &r : plan.records) {
            QStringList fields;
            for (int f : {AcctNo, City, State, PostalCode, Address4, Telephone, Cell})
                fields << r.text(f).trimmed();
            got << fields.join('|');
        }
        for (const RecordImport::Problem &p : plan.problems)
            got << QString::number(p.line) + ": " + p.reason;
        QTEST(got, "outcome");
    }

    void rowsThatCannotBeStoredAreListed()
    {
        TestRoot root;
        Record first(customerLayout());
        first.setText(CustomerField::AcctNo, "OLD");
        root.write("/CustomerData.txt", first.bytes());
        const QByteArray file = "AcctNo,Name,LastName,City,Notes,FirstName\n"
                                "ok1,Good,,,x\n"
                                ",,,,\n"
                                "old,Same account other case,,,\n"
                                "n2,,,Nowhere,\n"
                                "n3,A City Too Long,,abcdefghijklmnopqrstuvwxyz,\n"
                                "n4,\"Two\nLines\",\xC5\x81"
                                "ukasz,,\n"
                                "a/b,Slash,,,\n"
                                "ok1,Twice,,,\n"
                                "n5,Has \"\"quote\"\",,,\n"
                                "n6,,Lee,,,\n"
                                "n7,,,,,Ann\n";
        const RecordImport::Plan plan = planFile(root.folder(), ImportKind::Customers, file);
        QStringList problems;
        for (const auto &p : plan.problems)
            problems << QString::number(p.line) + ' ' + p.reason;
        QCOMPARE(problems,
                 (QStringList{"4 account number old is already in use",
                              "5 no name: an Individual account needs a FirstName and a LastName",
                              "6 City is 26 characters long; it holds at most 25",
                              "7 LastName holds the character \"Ł\", which the data files cannot hold",
                              "9 The account number \"a/b\" cannot be used as a file name: it holds the character /.",
                              "10 account number ok1 is already in use",
                              "11 Name holds a double quote (\"), which the data files cannot hold",
                              "12 no name: an Individual account needs a FirstName and a LastName",
                              "13 no name: an Individual account needs a FirstName and a LastName"}));
        QCOMPARE(plan.records.size(), 1u);
        RecordImport::write(root.folder(), plan);
        QCOMPARE(stored(root.folder(), ImportKind::Customers, customerLayout()).size(), 2);
    }

    void fileLimitRefusesTheRowsBeyondIt()
    {
        TestRoot root;
        root.write("/Services.txt", Record(serviceLayout()).bytes().repeated(254));
        const RecordImport::Plan plan = planFile(root.folder(), ImportKind::Services, "Description\nOne\nTwo\nThree\n");
        QCOMPARE(plan.records.size(), 1u);
        QCOMPARE(plan.problems.size(), 2u);
        QCOMPARE(plan.problems.back().reason, QString("the file would hold more than 255 services (it holds 254 now)"));

        TestRoot big;
        big.write("/AssignmentData.txt", Record(assignmentLayout()).bytes().repeated(32766));
        const auto crews = planFile(big.folder(), ImportKind::Technicians, "Name\nA\nB\n");
        QCOMPARE(crews.records.size(), 1u);
        QVERIFY(crews.problems.front().reason.contains("32,767"));
    }

    // A write stopped at any step leaves the old file or every row; a file changed after the check is kept.
    void interruptedImportLeavesOldOrAll()
    {
        const QByteArray file = "Name,Phone\nA,1\nB,2\nC,3\n";
        QStringList steps;
        {
            TestRoot root;
            DataFolder folder = root.folder();
            folder.setFaultHook([&](const char *step, const QString &) { steps << step; });
            RecordImport::write(folder, planFile(folder, ImportKind::Technicians, file));
        }
        QVERIFY(steps.size() >= 3);
        for (int k = 0; k < steps.size(); ++k) {
            TestRoot root;
            const QByteArray old = Record(assignmentLayout()).bytes();
            root.write("/AssignmentData.txt", old);
            DataFolder folder = root.folder();
            const RecordImport::Plan plan = planFile(folder, ImportKind::Technicians, file);
            int at = 0;
            folder.setFaultHook([&](const char *, const QString &) {
                if (at++ == k)
                    throw Crash{};
            });
            try {
                RecordImport::write(folder, plan);
            } catch (const Crash &) {
            }
            const QByteArray after = root.read("/AssignmentData.txt");
            QVERIFY2(after == old || after.size() == 4 * 235, qPrintable(steps[k]));
        }
        TestRoot root;
        const RecordImport::Plan plan = planFile(root.folder(), ImportKind::Technicians, file);
        root.write("/AssignmentData.txt", Record(assignmentLayout()).bytes());
        QVERIFY_THROWS_EXCEPTION(DiskError, RecordImport::write(root.folder(), plan));
        QCOMPARE(root.read("/AssignmentData.txt").size(), 235);
    }

    // The command: the findings listed by line, the good rows stored, status 1 for rows left out; nothing written
    // while the program holds the folder.
    void importCommand()
    {
        TestRoot root;
        root.write("/in.csv", "Description;Charge\nTune-up;45\n;9\n");
        {
            InstanceLock program(root.path());
            QVERIFY(program.tryLock());
            const ToolRun refused = runTool({"import", "--root", root.path(), "services", root.file("/in.csv")});
            QCOMPARE(refused.status, 2);
            QVERIFY2(refused.err.contains("The program is running on this data folder; close it first."),
                     qPrintable(refused.err));
            QVERIFY(!root.exists("/Services.txt"));
        }
        const ToolRun run = runTool({"import", "--root", root.path(), "services", root.file("/in.csv")});
        QCOMPARE(run.status, 1);
        QVERIFY2((run.out + run.err).contains("line 3: no name: the Description is blank"), qPrintable(run.err));
        QVERIFY2(run.out.contains("2 row(s) read: 1 services imported, 1 row(s) refused"), qPrintable(run.out));
        QCOMPARE(root.read("/Services.txt").left(7), QByteArray("Tune-up"));
        // A row the reader refuses is counted and named like the others: read = stored + refused.
        root.write("/people.csv", "Name,Phone\nA,1\n\"B,2\nC,3\nD,4\n,5\n");
        const ToolRun people = runTool({"import", "--root", root.path(), "customers", root.file("/people.csv")});
        QCOMPARE(people.status, 1);
        QVERIFY2(people.out.contains("line 3: a quoted value begins on this line and is not closed"),
                 qPrintable(people.out));
        QVERIFY2(people.out.contains("5 row(s) read: 3 customers imported, 2 row(s) refused"), qPrintable(people.out));
        // Each column left out said for what it is.
        root.write("/book.csv", "Name,name,Business Phone,Home Phone,Reserved1,Colour\nA,,,7,,\n");
        const ToolRun book = runTool({"import", "--root", root.path(), "customers", root.file("/book.csv")});
        for (const char *note : {"column 2 \"name\" repeats the heading of column 1",
                                 "column 4 \"Home Phone\" names Telephone too, which column 3 \"Business Phone\" fills",
                                 "column 5 \"Reserved1\" holds a field the program sets itself",
                                 "column 6 \"Colour\" is not a known heading"})
            QVERIFY2(book.out.contains(note), qPrintable(book.out));
    }

    // An export (list or export-csv) imports back to the same bytes, zeros kept, nothing computed, unknown
    // headings left out.
    void exportReadsBackAndHeadingsMatch()
    {
        TestRoot from;
        const QByteArray file = "Acct,Company,Title,Given Name,Surname,Phone,Mobile,Zip,Type,Favourite\n"
                                "=1,\"-x, y\",Dr,Al,Bo,555,556,01234,Individual,blue\n"
                                "00123,@Co,,,,,,,,\n";
        const CsvReader::Table table = CsvReader::read(file);
        const std::vector<int> mapping = RecordImport::matchHeadings(ImportKind::Customers, table.headings);
        QCOMPARE(mapping, (std::vector<int>{0, 1, 2, 3, 4, 11, 12, 9, 14, -1}));
        RecordImport::write(from.folder(), RecordImport::plan(from.folder(), ImportKind::Customers, table, mapping));
        const QByteArray csv = RecordImport::listCsv(from.folder(), ImportKind::Customers);
        QVERIFY(csv.startsWith("\xEF\xBB\xBF"
                               "AcctNo,Name,Title,FirstName,LastName,Address1,"));
        QVERIFY2(csv.contains("\r\n'=1,Dr Al Bo,Dr,Al,Bo,,,,,\"=\"\"01234\"\"\",\"=\"\"01234\"\"\",\"=\"\"555\"\"\","
                              "\"=\"\"556\"\"\",,Individual,,\r\n"
                              "\"=\"\"00123\"\"\",'@Co,"),
                 csv.constData());
        const ToolRun exported = runTool({"export-csv", from.file("/CustomerData.txt")});
        QVERIFY(exported.out.contains("\"=\"\"00123\"\"\""));
        // A service and a customer whose service city and middle initial are their own, through both exports.
        for (auto [kind, file] : {std::pair{ImportKind::Services, "Description,Charge,Time\nTune-up,45,1:30\n"},
                                  {ImportKind::Customers, "AcctNo,Name,City,ServiceCity,MiddleInitial\nX9,B,D,K,Q\n"}})
            RecordImport::write(from.folder(), planFile(from.folder(), kind, file));
        for (auto [kind, path] : {std::pair{ImportKind::Customers, "/CustomerData.txt"},
                                  std::pair{ImportKind::Services, "/Services.txt"}}) {
            for (const QByteArray &back :
                 {RecordImport::listCsv(from.folder(), kind), runTool({"export-csv", from.file(path)}).out.toUtf8()}) {
                TestRoot to;
                RecordImport::write(to.folder(), planFile(to.folder(), kind, back));
                QCOMPARE(to.read(path), from.read(path));
            }
        }
        QVERIFY(RecordImport::mappingProblem(ImportKind::Customers, {1, 1}));
        QVERIFY(RecordImport::mappingProblem(ImportKind::Services, {1}));
    }
};

QTEST_GUILESS_MAIN(TestRecordImport)
#include "tst_recordimport.moc"
