#include "app/application.h"
#include "apptesting.h"
#include "core/itemrecord.h"
#include "dialing/modem.h"
#include "app/screens/setupscreen.h"
#include "core/setuplogic.h"
#include "platform/fakes/fakemodem.h"
#include "platform/fakes/fakeplatform.h"
#include "printing/documentsource.h"
#include "printing/printblocks.h"
#include "printing/recordingsurface.h"
#include "testsupport.h"
#include "widgettesting.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
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

// A test folder, its state and the fakes, for a setup screen of its own.
struct Folder
{
    TestRoot root;
    FakePlatform fake;
    Platform platform = fake.platform();
    AppState state{root.folder()};
};

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
        auto *subTabs = child<QTabWidget>(app.setupScreen(), QStringLiteral("SSTab1"));
        QTRY_VERIFY_WITH_TIMEOUT(!app.modem()->isSearching(), 5000);
        QVERIFY(!subTabs->isTabEnabled(1)); // no modem: nothing to set up
        QVERIFY(subTabs->isTabEnabled(0));

        bench.addModem(7);
        QSignalSpy found(app.modem(), &Modem::modemFound);
        app.modem()->SearchModem();
        QVERIFY(found.wait(5000));
        QVERIFY(subTabs->isTabEnabled(1));
        QCOMPARE(child<QLineEdit>(app.setupScreen(), QStringLiteral("txtModemPort"))->text(), QStringLiteral("7"));
    }

    void refusedSaves()
    {
        TestRoot root;
        FakePlatform fake;
        StartedApp app(root.path(), fake);
        app.showSetup();
        auto *setup = static_cast<SetupScreen *>(app.setupScreen());
        auto *telephone = child<QLineEdit>(setup, QStringLiteral("txtBusiness_6"));
        telephone->setText(QStringLiteral("555-12AB"));
        child<QPushButton>(setup, QStringLiteral("cmdSave"))->click();
        QCOMPARE(fake.messages.lastText(), QStringLiteral("Your Telephone Number (structure) is invalid"));
        QVERIFY(telephone->text().isEmpty());
        for (const QString &file : settingsFiles()) {
            if (file != QLatin1String("/LogoSettings.txt")) // written at load when missing
                QVERIFY2(!root.exists(file), qPrintable(file));
        }

        telephone->setText(QStringLiteral("555-1234"));
        child<QLineEdit>(setup, QStringLiteral("txtNextSlip"))->setText(QStringLiteral("ABC"));
        child<QPushButton>(setup, QStringLiteral("cmdSave"))->click();
        QCOMPARE(fake.messages.lastText(), QStringLiteral("The Slip Number MUST be Numeric"));
        QVERIFY(setup->isVisible());
        QCOMPARE(child<QTabWidget>(setup, QStringLiteral("tabSetup"))->currentIndex(), 4);
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
        QFETCH(bool, international);
        std::array<QString, 9> fields;
        for (int i = 0; i < 9; ++i)
            fields[std::size_t(i)] = business.value(i);
        QCOMPARE(SetupLogic::internationalStyleAtLoad(fields), international);
    }

    // Saved in either style, the business prints the same lines after a restart as before it, and the screen
    // shows the style's whole layout again.
    void addressStyleSurvivesARestart_data()
    {
        dataColumns<bool, QStringList>("usa", "lines");
        dataRow("USA", true, QStringList{"12 Main St", "Springfield, IL. 62701"});
        dataRow("international", false, QStringList{"1 High St", "Kensington", "Greater London W8"});
    }
    void addressStyleSurvivesARestart()
    {
        QFETCH(bool, usa);
        QFETCH(QStringList, lines);
        TestRoot root;
        FakePlatform fake;
        Platform platform = fake.platform();
        auto businessLines = [&](const AppState &state) {
            const DocumentInputs in =
                DocumentSource::inputs(state.folder, state.settings, state.usaAddressStyle, QDate(2026, 1, 15));
            RecordingSurface surface;
            surface.SetupPrinter(QStringLiteral("Portrait"), true);
            PrintBusinessBlock(surface, in.business, in.settings.usaAddressStyle, 0.75, 0.4, 12, 0);
            return surface.texts().mid(1, lines.size());
        };
        {
            AppState state(root.folder());
            SetupScreen setup(state, platform, {});
            setup.show();
            auto *style = child<QPushButton>(&setup, QStringLiteral("cmdAddress"));
            QCOMPARE(style->text(), QStringLiteral("USA Style Address")); // the first run
            if (!usa)
                style->click();
            const QStringList fields = usa ? QStringList{"Acme", "12 Main St", "", "Springfield", "IL", "62701"}
                                           : QStringList{"Acme", "1 High St", "", "Kensington", "Greater London W8"};
            for (int i = 0; i < fields.size(); ++i)
                child<QLineEdit>(&setup, QStringLiteral("txtBusiness_%1").arg(i))->setText(fields[i]);
            child<QLineEdit>(&setup, QStringLiteral("txtBusiness_6"))->setText(QStringLiteral("555-123-4567"));
            setup.saveAndReturn();
            QVERIFY2(fake.messages.shown.empty(), qPrintable(fake.messages.texts().join('|')));
            QCOMPARE(businessLines(state), lines);
        }
        AppState again(root.folder());
        again.settings.loadAll(again.folder, fake.clock);
        SetupScreen setup(again, platform, {});
        setup.show();
        QCOMPARE(again.usaAddressStyle, usa);
        QCOMPARE(child<QPushButton>(&setup, QStringLiteral("cmdAddress"))->text(),
                 usa ? QStringLiteral("USA Style Address") : QStringLiteral("International Style Address"));
        QCOMPARE(child<QLabel>(&setup, QStringLiteral("lblBusiness_4"))->text(),
                 usa ? QStringLiteral("State") : QStringLiteral("Address 4"));
        QCOMPARE(child<QLineEdit>(&setup, QStringLiteral("txtBusiness_5"))->isVisible(), usa);
        QCOMPARE(businessLines(again), lines);
    }

    // The boxes whose text the files cannot take as it reads, in the order of the tabs; each refusal names its box.
    void checkFields_data()
    {
        dataColumns<QString, QString, int, QString>("box", "text", "field", "message");
        using F = SetupLogic::FieldProblem::Field;
        const QString invoice = QStringLiteral("The Invoice Number must be a whole number from 1 to 2147483647");
        const QString port = QStringLiteral("The Modem Port must be a number from 1 to 16, or empty");
        const QString rate = QStringLiteral("The Tax Rate must be a number from 0 to 100");
        dataRow("USA address without postal code", "address", "12 Main St", int(F::PostalCode),
                QStringLiteral("Postal Code is Mandatory"));
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
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(int, field);
        QFETCH(QString, message);
        SetupLogic::EditedFields fields;
        fields.storedInvoiceNumber = 3000000000;
        fields.invoiceNumber = QStringLiteral("20260001");
        fields.taxRate1 = fields.taxRate2 = QStringLiteral("0");
        (box == "address" ? fields.business[1] : box == "invoice" ? fields.invoiceNumber
                                               : box == "port"    ? fields.modemPort
                                               : box == "rate1"   ? fields.taxRate1
                                                                  : fields.taxRate2) = text;
        const auto problem = SetupLogic::checkFields(fields);
        QCOMPARE(problem ? int(problem->field) : -1, field);
        QCOMPARE(problem ? problem->text : QString(), message);
    }

    // A refused box gets the focus and nothing is written; once every box is good the save goes through.
    void refusedBoxTakesTheFocus()
    {
        Folder folder;
        auto &[root, fake, platform, state] = folder;
        SetupScreen setup(state, platform, {});
        setup.show();
        child<QLineEdit>(&setup, QStringLiteral("txtBusiness_6"))->setText(QStringLiteral("555-123-4567"));
        const QList<std::pair<const char *, const char *>> boxes = {{"txtBusiness_1", "12 Main St"},
                                                                    {"txtInvoiceNo", "abc"},
                                                                    {"txtModemPort", "abc"},
                                                                    {"cboRate1", "seven"},
                                                                    {"cboRate2", "100.5"}};
        for (const auto &[name, text] : boxes) {
            QWidget *box = child(&setup, name);
            if (auto *combo = qobject_cast<QComboBox *>(box))
                combo->setCurrentText(text);
            else
                static_cast<QLineEdit *>(box)->setText(text);
        }
        for (const auto &[name, good] : QList<std::pair<const char *, const char *>>{
                 {"txtBusiness_5", "62701"}, {"txtInvoiceNo", "1001"}, {"txtModemPort", "16"}, {"cboRate1", "7"},
                 {"cboRate2", "7,0"}}) {
            setup.saveAndReturn();
            QVERIFY(!root.exists(QStringLiteral("/MyBusinessData.txt")));
            QVERIFY(setup.isVisible());
            QWidget *box = child(&setup, name);
            QVERIFY2(box->isVisible() && (setup.focusWidget() == box || box->isAncestorOf(setup.focusWidget())), name);
            if (auto *combo = qobject_cast<QComboBox *>(box))
                combo->setCurrentText(good);
            else
                static_cast<QLineEdit *>(box)->setText(good);
        }
        fake.messages.shown.clear();
        setup.saveAndReturn();
        QVERIFY2(fake.messages.shown.empty(), qPrintable(fake.messages.texts().join('|')));
        QVERIFY(root.exists(QStringLiteral("/MyBusinessData.txt")));
    }

    // Alt and a letter reaches one control: no two buttons that show together share their mnemonic.
    void noTwoButtonsOfATabShareAMnemonic()
    {
        Folder folder;
        auto &[root, fake, platform, state] = folder;
        SetupScreen setup(state, platform, {});
        auto *tabs = child<QTabWidget>(&setup, QStringLiteral("tabSetup"));
        auto mnemonic = [](const QString &text) {
            const qsizetype amp = text.indexOf(QLatin1Char('&'));
            return amp >= 0 && amp + 1 < text.size() ? text[amp + 1].toLower() : QChar();
        };
        for (int t = 0; t < tabs->count(); ++t) {
            QMap<QChar, QString> seen;
            QList<QAbstractButton *> buttons = tabs->widget(t)->findChildren<QAbstractButton *>();
            for (QAbstractButton *b : setup.findChildren<QAbstractButton *>()) {
                if (!tabs->isAncestorOf(b))
                    buttons.append(b); // the buttons beside the tabs show with every tab
            }
            for (QAbstractButton *b : buttons) {
                const QChar key = mnemonic(b->text());
                if (key.isNull())
                    continue;
                QVERIFY2(
                    !seen.contains(key),
                    qPrintable(
                        QStringLiteral("tab %1: \"%2\" and \"%3\"").arg(tabs->tabText(t), seen.value(key), b->text())));
                seen.insert(key, b->text());
            }
        }
    }

    void addressStyleSwitches()
    {
        Folder folder;
        auto &[root, fake, platform, state] = folder;
        state.settings.business[0] = QStringLiteral("Acme");
        SetupScreen setup(state, platform, {});
        setup.show();
        auto *style = child<QPushButton>(&setup, QStringLiteral("cmdAddress"));
        QCOMPARE(style->text(), QStringLiteral("USA Style Address"));
        auto *postal = child<QLineEdit>(&setup, QStringLiteral("txtBusiness_5"));
        postal->setText(QStringLiteral("12345"));
        style->click();
        QCOMPARE(style->text(), QStringLiteral("International Style Address"));
        QCOMPARE(child<QLabel>(&setup, QStringLiteral("lblBusiness_3"))->text(), QStringLiteral("Address 3"));
        QCOMPARE(child<QLabel>(&setup, QStringLiteral("lblBusiness_4"))->text(), QStringLiteral("Address 4"));
        QVERIFY(!postal->isVisible());
        QVERIFY(postal->text().isEmpty());
        QCOMPARE(child<QLineEdit>(&setup, QStringLiteral("txtBusiness_4"))->maxLength(), 55);
        style->click();
        QCOMPARE(child<QLabel>(&setup, QStringLiteral("lblBusiness_3"))->text(), QStringLiteral("City"));
        QVERIFY(postal->isVisible());
        QCOMPARE(child<QLineEdit>(&setup, QStringLiteral("txtBusiness_4"))->maxLength(), 2);
    }

    void storedFourthAddressLineSurvivesLoadAndSave()
    {
        Folder folder;
        auto &[root, fake, platform, state] = folder;
        state.settings.business[BusinessField::State] = QStringLiteral("Greater London, England");
        state.settings.business[BusinessField::Telephone] = QStringLiteral("020-7946-0018");
        SetupScreen setup(state, platform, {});
        QCOMPARE(child<QLineEdit>(&setup, QStringLiteral("txtBusiness_4"))->text(),
                 QStringLiteral("Greater London, England"));
        setup.saveAndReturn();
        Settings stored;
        stored.loadBusiness(root.folder());
        QCOMPARE(stored.business[BusinessField::State], QStringLiteral("Greater London, England"));
    }

    // A quote cannot be typed or pasted into a text box or into an editable list's box.
    void quotesCannotBeTypedOrPasted_data()
    {
        QTest::addColumn<QString>("box");
        dataRow("business name", QStringLiteral("txtBusiness_0"));
        dataRow("tax heading", QStringLiteral("cboTaxHeading2"));
    }
    void quotesCannotBeTypedOrPasted()
    {
        QFETCH(QString, box);
        Folder folder;
        auto &[root, fake, platform, state] = folder;
        SetupScreen setup(state, platform, {});
        setup.show();
        auto *combo = setup.findChild<QComboBox *>(box);
        QLineEdit *edit = combo ? combo->lineEdit() : child<QLineEdit>(&setup, box);
        edit->clear();
        edit->setFocus();
        QTest::keyClicks(edit, QStringLiteral("Bob\"s"));
        QCOMPARE(edit->text(), QStringLiteral("Bobs"));
        edit->selectAll();
        edit->insert(QStringLiteral("A \"quoted\" name"));
        QCOMPARE(edit->text(), QStringLiteral("Bobs"));
        QTRY_VERIFY(!fake.messages.shown.empty());
    }

    void eightItemsAndCreate()
    {
        TestRoot root;
        QByteArray inventory;
        for (int i = 1; i <= 10; ++i)
            inventory += itemRecord(QStringLiteral("Item %1").arg(i));
        root.write(QStringLiteral("/VIInventoriedItems.txt"), inventory);
        FakePlatform fake;
        Platform platform = fake.platform();
        AppState state(root.folder());
        SetupScreen setup(state, platform, {});
        auto *items = child<QListWidget>(&setup, QStringLiteral("lstItems"));
        QCOMPARE(items->count(), 10);
        child<QPushButton>(&setup, QStringLiteral("cmdServiceOrder_0"))->click();
        QCOMPARE(fake.messages.lastText(), QStringLiteral("You have not Selected any Items"));
        for (int i : {9, 0, 2, 3, 4, 5, 6})
            items->item(i)->setSelected(true);
        QCOMPARE(fake.messages.shown.size(), std::size_t(1));
        items->item(7)->setSelected(true);
        QCOMPARE(fake.messages.lastText(), QStringLiteral("You have made the maximum allowable Selections"));
        QCOMPARE(child<QLabel>(&setup, QStringLiteral("lblItemsSelected"))->text(),
                 QStringLiteral("Items Selected = 8"));
        fake.messages.answer(true);
        child<QPushButton>(&setup, QStringLiteral("cmdServiceOrder_0"))->click();
        const QByteArray written = root.read(QStringLiteral("/CurrentItems.txt"));
        QCOMPARE(written.size(), 8 * 104);
        QByteArray expected;
        for (int i : {0, 2, 3, 4, 5, 6, 7, 9}) // list order
            expected += itemRecord(QStringLiteral("Item %1").arg(i + 1));
        QCOMPARE(written, expected);
        QCOMPARE(child<QListWidget>(&setup, QStringLiteral("lstCurrentItems"))->count(), 8);
        QVERIFY(items->selectedItems().isEmpty());

        fake.messages.answer(true);
        child<QPushButton>(&setup, QStringLiteral("cmdServiceOrder_1"))->click();
        QVERIFY(!root.exists(QStringLiteral("/CurrentItems.txt")));
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
        QFETCH(int, up);
        QFETCH(int, down);
        QCOMPARE(SetupLogic::logoSizeUp(from), up);
        QCOMPARE(SetupLogic::logoSizeDown(from), down);
    }

    void movedDataFolderStillFindsItsLogo()
    {
        TestRoot root;
        root.write(QStringLiteral("/logo.png"), "not really a picture");
        QCOMPARE(SetupLogic::resolveLogoPath(root.folder(), QStringLiteral("C:\\Old Place\\logo.png")),
                 root.path() + QStringLiteral("/logo.png"));
        QVERIFY(SetupLogic::resolveLogoPath(root.folder(), QStringLiteral("/gone/other.png")).isEmpty());
    }
};

QTEST_MAIN(TestSetup)
#include "tst_setup.moc"
