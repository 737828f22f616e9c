#include "app/application.h"
#include "apptesting.h"
#include "core/itemrecord.h"
#include "core/setuplogic.h"
#include "dialing/modem.h"
#include "gui/app/setupscreen.h"
#include "platform/fakes/fakemodem.h"
#include "platform/fakes/fakeplatform.h"
#include "platform/fakes/recordingsurface.h"
#include "printing/documentsource.h"
#include "printing/printblocks.h"
#include "statebench.h"
#include "testsupport.h"
#include "widgettesting.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

namespace {

QByteArray itemRecord(const QString &name)
{
    Record r(itemLayout());
    r.setText(ItemField::ItemName, name);
    return r.bytes();
}

// The program's own settings file carries the executable's name: the test's here.
QStringList settingsFiles()
{
    return {"/MyBusinessData.txt", "/TaxSettings.txt", "/" + QCoreApplication::applicationName() + "Settings.txt",
            "/Prompts.txt",        "/PrintColors.txt", "/LogoSettings.txt",
            "/SlipNo.txt",         "/Phone.txt",       "/CallID.txt"};
}

} // namespace

class TestSetup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void phoneAndModemTabFollowsTheModem()
    {
        TestRoot root;
        FakePlatform fake;
        FakeModemBench bench;
        StartedApp app(root.path(), fake, nullptr, bench.factory());
        auto *subTabs = child<QTabWidget>(app.setupScreen(), "SSTab1");
        QTRY_VERIFY_WITH_TIMEOUT(!app.modem()->isSearching(), 5000);
        QVERIFY(!subTabs->isTabEnabled(1)); // no modem: nothing to set up
        QVERIFY(subTabs->isTabEnabled(0));
        bench.addModem(7);
        QSignalSpy found(app.modem(), &Modem::modemFound);
        app.modem()->SearchModem();
        QVERIFY(found.wait(5000));
        QVERIFY(subTabs->isTabEnabled(1));
        QCOMPARE(child<QLineEdit>(app.setupScreen(), "txtModemPort")->text(), "7");
    }

    void refusedSaves()
    {
        TestRoot root;
        FakePlatform fake;
        StartedApp app(root.path(), fake);
        app.showSetup();
        auto *setup = static_cast<SetupScreen *>(app.setupScreen());
        auto *telephone = child<QLineEdit>(setup, "txtBusiness_6");
        telephone->setText("555-12AB");
        child<QPushButton>(setup, "cmdSave")->click();
        QCOMPARE(fake.messages.lastText(), "Your Telephone Number (structure) is invalid");
        QVERIFY(telephone->text().isEmpty());
        for (const QString &file : settingsFiles()) {
            if (file != QLatin1String("/LogoSettings.txt")) // written at load when missing
                QVERIFY2(!root.exists(file), qPrintable(file));
        }
        telephone->setText("555-1234");
        child<QLineEdit>(setup, "txtNextSlip")->setText("ABC");
        child<QPushButton>(setup, "cmdSave")->click();
        QCOMPARE(fake.messages.lastText(), "The Slip Number MUST be Numeric");
        QVERIFY(setup->isVisible());
        QCOMPARE(child<QTabWidget>(setup, "tabSetup")->currentIndex(), 4);
        for (const QString &file : settingsFiles())
            QCOMPARE(root.exists(file), file != QLatin1String("/SlipNo.txt"));
    }

    void addressStyleAtLoad_data()
    {
        dataColumns<QStringList, bool>("business", "international");
        dataRow("first run: nothing stored", QStringList(9), false);
        dataRow("US business with ZIP",
                QStringList{"Acme", "12 Main St", "", "Springfield", "IL", "62701", "555-1234", "", ""}, false);
        dataRow("postal code of letters",
                QStringList{"Acme", "1 High St", "", "London", "", "SW1A 1AA", "555-1234", "", ""}, false);
        dataRow("address without postal code",
                QStringList{"Acme", "1 High St", "", "Kensington", "Greater London", "", "555-1234", "", ""}, true);
        dataRow("only a fourth line", QStringList{"", "", "", "", "Greater London", "", "", "", ""}, true);
    }
    void addressStyleAtLoad()
    {
        QFETCH(QStringList, business);
        std::array<QString, 9> fields;
        for (int i = 0; i < 9; ++i)
            fields[std::size_t(i)] = business.value(i);
        QTEST(SetupLogic::internationalStyleAtLoad(fields), "international");
    }

    // Either style prints the same business lines and shows its whole layout again after a restart.
    void addressStyleSurvivesARestart_data()
    {
        dataColumns<bool, QStringList>("usa", "lines");
        dataRow("USA", true, QStringList{"12 Main St", "Springfield, IL. 62701"});
        dataRow("international", false, QStringList{"1 High St", "Kensington", "Greater London, England"});
    }
    void addressStyleSurvivesARestart()
    {
        auto [usa, lines] = fetched<bool, QStringList>("usa", "lines");
        TestRoot root;
        FakePlatform fake;
        Platform platform = fake.platform();
        auto businessLines = [&](const AppState &state) {
            const DocumentInputs in =
                DocumentSource::inputs(state.folder, state.settings, state.usaAddressStyle, QDate(2026, 1, 15));
            RecordingSurface surface;
            surface.SetupPrinter("Portrait", true);
            PrintBusinessBlock(surface, in.business, in.settings.usaAddressStyle, 0.75, 0.4, 12, 0);
            return surface.texts().mid(1, lines.size());
        };
        {
            AppState state(root.folder());
            SetupScreen setup(state, platform, {});
            setup.show();
            auto *style = child<QPushButton>(&setup, "cmdAddress");
            auto *postal = child<QLineEdit>(&setup, "txtBusiness_5");
            QCOMPARE(style->text(), "USA Style Address"); // the first run
            postal->setText("12345");
            style->click(); // international: the postal box goes, emptied; the fourth line takes a long text
            QVERIFY(!postal->isVisible() && postal->text().isEmpty());
            QCOMPARE(child<QLabel>(&setup, "lblBusiness_3")->text(), "Address 3");
            QCOMPARE(child<QLineEdit>(&setup, "txtBusiness_4")->maxLength(), 55);
            if (usa) {
                style->click();
                QCOMPARE(child<QLabel>(&setup, "lblBusiness_3")->text(), "City");
                QCOMPARE(child<QLineEdit>(&setup, "txtBusiness_4")->maxLength(), 2);
            }
            const QStringList fields =
                usa ? QStringList{"Acme", "12 Main St", "", "Springfield", "IL", "62701"}
                    : QStringList{"Acme", "1 High St", "", "Kensington", "Greater London, England"};
            for (int i = 0; i < fields.size(); ++i)
                child<QLineEdit>(&setup, QString("txtBusiness_%1").arg(i))->setText(fields[i]);
            child<QLineEdit>(&setup, "txtBusiness_6")->setText("555-123-4567");
            setup.saveAndReturn();
            QVERIFY2(fake.messages.shown.empty(), qPrintable(fake.messages.texts().join('|')));
            QCOMPARE(businessLines(state), lines);
        }
        AppState again(root.folder());
        again.settings.loadAll(again.folder, fake.clock);
        SetupScreen setup(again, platform, {});
        setup.show();
        QCOMPARE(again.usaAddressStyle, usa);
        QCOMPARE(child<QPushButton>(&setup, "cmdAddress")->text(),
                 usa ? "USA Style Address" : "International Style Address");
        QCOMPARE(child<QLabel>(&setup, "lblBusiness_4")->text(), usa ? "State" : "Address 4");
        QCOMPARE(child<QLineEdit>(&setup, "txtBusiness_5")->isVisible(), usa);
        QCOMPARE(businessLines(again), lines);
        setup.saveAndReturn(); // the fourth line shown whole and saved whole
        QCOMPARE(businessLines(again), lines);
    }

    // The boxes whose text the files cannot take as it reads, in the order of the tabs; each refusal names its box.
    void checkFields_data()
    {
        dataColumns<QString, QString, int, QString>("box", "text", "field", "message");
        using F = SetupLogic::FieldProblem::Field;
        const QString invoice = "The Invoice Number must be a whole number from 1 to 2147483647";
        const QString port = "The Modem Port must be a number from 1 to 16, or empty";
        const QString rate = "The Tax Rate must be a number from 0 to 100";
        dataRow("USA address without postal code", "address", "12 Main St", int(F::PostalCode),
                "Postal Code is Mandatory");
        dataRow("invoice number of letters", "invoice", "abc", int(F::InvoiceNumber), invoice);
        dataRow("invoice number 0", "invoice", "0", int(F::InvoiceNumber), invoice);
        dataRow("invoice number too large", "invoice", "2147483648", int(F::InvoiceNumber), invoice);
        dataRow("invoice number as loaded", "invoice", "3000000000", -1, QString());
        dataRow("invoice number 1", "invoice", "1", -1, QString());
        dataRow("modem port of letters", "port", "abc", int(F::ModemPort), port);
        dataRow("modem port 17", "port", "17", int(F::ModemPort), port);
        dataRow("modem port 16", "port", "16", -1, QString());
        dataRow("tax rate in words", "rate1", "seven", int(F::TaxRate1), rate);
        dataRow("tax rate above 100", "rate2", "100.5", int(F::TaxRate2), rate);
        dataRow("negative tax rate", "rate1", "-1", int(F::TaxRate1), rate);
        dataRow("tax rate with a decimal comma", "rate2", "7,0", -1, QString());
    }
    void checkFields()
    {
        auto [box, text] = fetched<QString, QString>("box", "text");
        SetupLogic::EditedFields fields;
        fields.storedInvoiceNumber = 3000000000;
        fields.invoiceNumber = "20260001";
        fields.taxRate1 = fields.taxRate2 = "0";
        (box == "address"   ? fields.business[1]
         : box == "invoice" ? fields.invoiceNumber
         : box == "port"    ? fields.modemPort
         : box == "rate1"   ? fields.taxRate1
                            : fields.taxRate2) = text;
        const auto problem = SetupLogic::checkFields(fields);
        QTEST(problem ? int(problem->field) : -1, "field");
        QTEST(problem ? problem->text : QString(), "message");
    }

    // A refused box gets the focus and nothing is written; once every box is good the save goes through.
    void refusedBoxTakesTheFocus()
    {
        auto &&[root, fake, platform, state] = StateBench();
        SetupScreen setup(state, platform, {});
        setup.show();
        child<QLineEdit>(&setup, "txtBusiness_6")->setText("555-123-4567");
        auto set = [&](const QString &name, const QString &text) {
            if (auto *combo = qobject_cast<QComboBox *>(child(&setup, name)))
                combo->setCurrentText(text);
            else
                child<QLineEdit>(&setup, name)->setText(text);
        };
        // Box and text pairs: the bad texts, then the good ones in the order the boxes are refused.
        const QStringList bad{"txtBusiness_1", "12 Main St", "txtInvoiceNo", "abc",      "txtModemPort",
                              "abc",           "cboRate1",   "seven",        "cboRate2", "100.5"};
        const QStringList good{"txtBusiness_5", "62701", "txtInvoiceNo", "1001", "txtModemPort", "16",
                               "cboRate1",      "7",     "cboRate2",     "7,0"};
        for (qsizetype i = 0; i < bad.size(); i += 2)
            set(bad[i], bad[i + 1]);
        for (qsizetype i = 0; i < good.size(); i += 2) {
            setup.saveAndReturn();
            QVERIFY(!root.exists("/MyBusinessData.txt") && setup.isVisible());
            QWidget *box = child(&setup, good[i]);
            QVERIFY2(box->isVisible() && (setup.focusWidget() == box || box->isAncestorOf(setup.focusWidget())),
                     qPrintable(good[i]));
            set(good[i], good[i + 1]);
        }
        fake.messages.shown.clear();
        setup.saveAndReturn();
        QVERIFY2(fake.messages.shown.empty(), qPrintable(fake.messages.texts().join('|')));
        QVERIFY(root.exists("/MyBusinessData.txt"));
    }

    // A quote cannot be typed or pasted into a text box or into an editable list's box.
    void quotesCannotBeTypedOrPasted_data()
    {
        QTest::addColumn<QString>("box");
        dataRow("business name", "txtBusiness_0");
        dataRow("tax heading", "cboTaxHeading2");
    }
    void quotesCannotBeTypedOrPasted()
    {
        QFETCH(QString, box);
        auto &&[root, fake, platform, state] = StateBench();
        SetupScreen setup(state, platform, {});
        setup.show();
        auto *combo = setup.findChild<QComboBox *>(box);
        QLineEdit *edit = combo ? combo->lineEdit() : child<QLineEdit>(&setup, box);
        edit->clear();
        edit->setFocus();
        QTest::keyClicks(edit, "Bob\"s");
        QCOMPARE(edit->text(), "Bobs");
        edit->selectAll();
        edit->insert("A \"quoted\" name");
        QCOMPARE(edit->text(), "Bobs");
        QTRY_VERIFY(!fake.messages.shown.empty());
    }

    void eightItemsAndCreate()
    {
        auto &&[root, fake, platform, state] = StateBench();
        QByteArray inventory;
        for (int i = 1; i <= 10; ++i)
            inventory += itemRecord(QString("Item %1").arg(i));
        root.write("/VIInventoriedItems.txt", inventory);
        SetupScreen setup(state, platform, {});
        auto *items = child<QListWidget>(&setup, "lstItems");
        QCOMPARE(items->count(), 10);
        child<QPushButton>(&setup, "cmdServiceOrder_0")->click();
        QCOMPARE(fake.messages.lastText(), "You have not Selected any Items");
        for (int i : {9, 0, 2, 3, 4, 5, 6})
            items->item(i)->setSelected(true);
        QCOMPARE(fake.messages.shown.size(), std::size_t(1));
        items->item(7)->setSelected(true);
        QCOMPARE(fake.messages.lastText(), "You have made the maximum allowable Selections");
        QCOMPARE(child<QLabel>(&setup, "lblItemsSelected")->text(), "Items Selected = 8");
        fake.messages.answer(true);
        child<QPushButton>(&setup, "cmdServiceOrder_0")->click();
        QByteArray expected;
        for (int i : {0, 2, 3, 4, 5, 6, 7, 9}) // list order
            expected += itemRecord(QString("Item %1").arg(i + 1));
        QCOMPARE(root.read("/CurrentItems.txt"), expected);
        QCOMPARE(child<QListWidget>(&setup, "lstCurrentItems")->count(), 8);
        QVERIFY(items->selectedItems().isEmpty());
        fake.messages.answer(true);
        child<QPushButton>(&setup, "cmdServiceOrder_1")->click();
        QVERIFY(!root.exists("/CurrentItems.txt"));
    }

    void logoArrowsWrap_data()
    {
        dataColumns<int, int, int>("from", "up", "down");
        dataRow("middle", 1440, 1490, 1390);
        dataRow("top", 1800, 360, 1750);
        dataRow("bottom", 360, 410, 1800);
        dataRow("beyond the top", 2000, 360, 1950);
    }
    void logoArrowsWrap()
    {
        QFETCH(int, from);
        QTEST(SetupLogic::logoSizeUp(from), "up");
        QTEST(SetupLogic::logoSizeDown(from), "down");
    }

    void movedDataFolderStillFindsItsLogo()
    {
        TestRoot root;
        root.write("/logo.png", "not really a picture");
        QCOMPARE(SetupLogic::resolveLogoPath(root.folder(), "C:\\Old Place\\logo.png"), root.path() + "/logo.png");
        QVERIFY(SetupLogic::resolveLogoPath(root.folder(), "/gone/other.png").isEmpty());
    }
};

QTEST_MAIN(TestSetup)
#include "tst_setup.moc"
