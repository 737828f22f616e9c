#include "accounts/servicerecord.h"
#include "gui/accounts/listtransfer.h"
#include "platform/fakes/fakeplatform.h"
#include "testsupport.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

class TestImportWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    // An unknown heading waits for its field; the preview and the refusals follow the mapping; nothing is
    // written before Import.
    void mappingPreviewAndImport()
    {
        TestRoot root;
        FakePlatform fake;
        Platform platform = fake.platform();
        ImportWindow window(root.folder(), ImportKind::Services, true, "in.csv",
                            CsvReader::read("Leistung;Price\nTune-up;45\n;3\n"), platform);
        auto *import = window.findChild<QPushButton *>("cmdImport");
        QCOMPARE(window.findChild<QComboBox *>("cboField_0")->currentText(), QString("(skip)"));
        QVERIFY(!import->isEnabled());
        QCOMPARE(window.findChild<QLabel *>("lblSummary")->text(), QString("No column is set to Description."));

        window.setMapping(0, 0);
        auto *preview = window.findChild<QTableWidget *>("fgPreview");
        QCOMPARE(preview->rowCount(), 1);
        QCOMPARE(preview->item(0, 1)->text() + ' ' + preview->item(0, 2)->text(), QString("Tune-up $45.00"));
        QCOMPARE(window.findChild<QListWidget *>("lstProblems")->item(0)->text(),
                 QString("Line 3: no name: the Description is blank"));
        QVERIFY(!root.exists("/Services.txt"));

        import->click();
        QCOMPARE(root.read("/Services.txt").size(), 72);
        QCOMPARE(fake.messages.lastText(), QString("1 services imported."));
        QCOMPARE(window.result(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(TestImportWindow)
#include "tst_importwindow.moc"
