#include "accounts/servicerecord.h"
#include "accounts/serviceseditor.h"
#include "testsupport.h"

#include <QTest>

namespace {

// Description, charge and time index of every record of the file, one text per record.
QStringList storedRecords(const TestRoot &root)
{
    QStringList out;
    const QByteArray bytes = root.read(ServiceCatalogue::kPath);
    for (int at = 0; at < bytes.size(); at += 72) {
        const Record r(serviceLayout(), bytes.mid(at, 72));
        out.append(QString("%1|%2|%3")
                       .arg(r.text(ServiceField::Description), r.text(ServiceField::Charge))
                       .arg(r.int16(ServiceField::TimeIndex)));
    }
    return out;
}

ServicesEditor withServices(const TestRoot &root, const QStringList &names)
{
    ServicesEditor editor(root.folder());
    editor.load();
    for (const QString &name : names) {
        editor.startAdd();
        editor.saveService(name, "10", 4);
    }
    return editor;
}

} // namespace

class TestServicesEditor : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void addChangeMoveDelete()
    {
        TestRoot root;
        ServicesEditor editor = withServices(root, {"Tune-up", "Repair"});
        QCOMPARE(root.read(ServiceCatalogue::kPath).size(), 144);
        QCOMPARE(storedRecords(root), (QStringList{"Tune-up|$10.00|4", "Repair|$10.00|4"}));

        editor.select(1);
        const auto boxes = editor.startModify();
        QVERIFY(boxes);
        QCOMPARE(boxes->charge + boxes->description, QString("$10.00Repair"));
        QCOMPARE(editor.saveService("Furnace repair", "$1,234.5", 0), ServicesEditor::Refusal::None);
        QCOMPARE(storedRecords(root).at(1), QString("Furnace repair|$1,234.50|1")); // 0.15 is a quarter hour

        editor.select(1);
        QVERIFY(editor.moveSelected(-1));
        QVERIFY(!editor.moveSelected(-1)); // already first
        QCOMPARE(editor.selected(), 0);
        QCOMPARE(storedRecords(root), (QStringList{"Furnace repair|$1,234.50|1", "Tune-up|$10.00|4"}));

        ServicesEditor reread(root.folder());
        reread.load();
        QCOMPARE(reread.rows(), editor.rows());

        QVERIFY(editor.deleteSelected());
        QCOMPARE(storedRecords(root), QStringList{"Tune-up|$10.00|4"});
        root.write("/Backup/Services.txt", root.read(ServiceCatalogue::kPath));
        editor.select(0);
        QVERIFY(editor.deleteSelected());
        // The last service gone: no file, and no Backup copy to bring it back.
        QVERIFY(!root.exists(ServiceCatalogue::kPath) && !root.exists("/Backup/Services.txt"));
    }

    void refusals_data()
    {
        dataColumns<QString, QString, int>("description", "charge", "refusal");
        using R = ServicesEditor::Refusal;
        dataRow("blank description", "  ", "45", int(R::BlankDescription));
        dataRow("blank charge", "Repair", " ", int(R::BlankCharge));
        dataRow("not a number", "Repair", "abc", int(R::BadCharge));
        dataRow("negative", "Repair", "-5", int(R::BadCharge));
        dataRow("negative in brackets", "Repair", "($5.00)", int(R::BadCharge));
        dataRow("zero is fine", "Repair", "$0.00", int(R::None));
        dataRow("largest that fits", "Repair", "99999.99", int(R::None));
        dataRow("too long to store whole", "Repair", "100000", int(R::BadCharge));
    }
    void refusals()
    {
        auto [description, charge, refusal] = fetched<QString, QString, int>("description", "charge", "refusal");
        TestRoot root;
        ServicesEditor editor(root.folder());
        editor.load();
        editor.startAdd();
        QCOMPARE(int(editor.saveService(description, charge, 1)), refusal);
        QCOMPARE(root.exists(ServiceCatalogue::kPath), refusal == int(ServicesEditor::Refusal::None));
        // A refused service leaves the boxes open for another try.
        QCOMPARE(editor.mode() == ServicesEditor::Mode::Adding, refusal != int(ServicesEditor::Refusal::None));
    }
};

QTEST_GUILESS_MAIN(TestServicesEditor)
#include "tst_serviceseditor.moc"
