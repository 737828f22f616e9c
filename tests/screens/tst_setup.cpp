#include "app/application.h"
#include "core/itemrecord.h"
#include "core/screens/setupscreen.h"
#include "core/setuplogic.h"
#include "platform/fakes/fakemodem.h"
#include "platform/fakes/fakeplatform.h"
#include "testsupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

namespace {

QByteArray itemRecord(const QString &name)
{
    Record r(itemLayout());
    r.setText(ItemField::ItemName, name);
    return r.bytes();
}

template <typename T> T *child(QWidget *w, const QString &name)
{
    T *found = w->findChild<T *>(name);
    if (!found)
        qFatal("no control %s", qPrintable(name));
    return found;
}

// The program's own settings file carries the executable's name: the test's here.
QStringList settingsFiles()
{
    return {"/MyBusinessData.txt", "/TaxSettings.txt", "/" + QCoreApplication::applicationName() + "Settings.txt",
            "/Prompts.txt",        "/PrintColors.txt", "/LogoSettings.txt",
            "/SlipNo.txt",         "/Phone.txt",       "/CallID.txt"};
}

} // namespace

namespace {
FakeModemBench noModem; // no port answers: the search finds nothing and touches no real device
}

class TestSetup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void firstRunFromAnEmptyFolderToTheStartMenu()
    {
        TestRoot root;
        FakePlatform fake;
        {
            Application app(root.path(), fake.platform());
            app.setSerialPortFactory(noModem.factory());
            app.setQuitHandler([] {});
            app.start();
            QTest::mouseClick(child<QLabel>(app.welcomePanel(), QStringLiteral("imgLogo")), Qt::LeftButton);
            ProgramWindow *setup = app.setupScreen();
            QVERIFY(setup->isVisible());
            child<QLineEdit>(setup, QStringLiteral("txtBusiness_0"))->setText(QStringLiteral("Acme Repair"));
            child<QLineEdit>(setup, QStringLiteral("txtBusiness_6"))->setText(QStringLiteral("555-123-4567"));
            child<QPushButton>(setup, QStringLiteral("cmdSave"))->click();
            QVERIFY(fake.messages.shown.empty());
            for (const QString &file : settingsFiles())
                QVERIFY2(root.exists(file), qPrintable(file));
            QVERIFY(!setup->isVisible());
            QVERIFY(app.startMenu() && app.startMenu()->isVisible());
            QVERIFY(child<QLabel>(app.startMenu(), QStringLiteral("lblRegistration_0"))->isVisible());
            app.exitProgram();
        }
        // The next start goes straight to the menu and reads back what was saved.
        Application again(root.path(), fake.platform());
        again.setSerialPortFactory(noModem.factory());
        again.setQuitHandler([] {});
        again.start();
        QVERIFY(!again.welcomePanel());
        QVERIFY(again.startMenu()->isVisible());
        QCOMPARE(again.state().settings.business[0], QStringLiteral("Acme Repair"));
        QCOMPARE(child<QLineEdit>(again.setupScreen(), QStringLiteral("txtBusiness_6"))->text(),
                 QStringLiteral("555-123-4567"));
        QCOMPARE(again.state().slipCounter.next(), qint16(1000));
    }

    void refusedSaves()
    {
        TestRoot root;
        FakePlatform fake;
        Application app(root.path(), fake.platform());
        app.setSerialPortFactory(noModem.factory());
        app.setQuitHandler([] {});
        app.start();
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
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("postal");
        QTest::addColumn<bool>("international");
        QTest::newRow("nothing stored") << QString() << QString() << true;
        QTest::newRow("numeric postal code, no name") << QString() << QStringLiteral("12345") << true;
        QTest::newRow("name, no postal code") << QStringLiteral("Acme") << QString() << false;
        QTest::newRow("name and postal code") << QStringLiteral("Acme") << QStringLiteral("12345") << true;
        QTest::newRow("text postal code, no name") << QString() << QStringLiteral("SW1A 1AA") << false;
    }
    void addressStyleAtLoad()
    {
        QFETCH(QString, name);
        QFETCH(QString, postal);
        QFETCH(bool, international);
        QCOMPARE(SetupLogic::internationalStyleAtLoad(name, postal), international);
    }

    void addressStyleSwitches()
    {
        TestRoot root;
        FakePlatform fake;
        Platform platform = fake.platform();
        AppState state(root.folder());
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
        TestRoot root;
        FakePlatform fake;
        Platform platform = fake.platform();
        AppState state(root.folder());
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

    void quotesCannotBeTypedOrPasted()
    {
        TestRoot root;
        FakePlatform fake;
        Platform platform = fake.platform();
        AppState state(root.folder());
        SetupScreen setup(state, platform, {});
        setup.show();
        auto *name = child<QLineEdit>(&setup, QStringLiteral("txtBusiness_0"));
        name->setFocus();
        QTest::keyClicks(name, QStringLiteral("Bob\"s"));
        QCOMPARE(name->text(), QStringLiteral("Bobs"));
        name->selectAll();
        name->insert(QStringLiteral("A \"quoted\" name"));
        QCOMPARE(name->text(), QStringLiteral("Bobs"));
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
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("up");
        QTest::addColumn<int>("down");
        QTest::newRow("middle") << 1440 << 1490 << 1390;
        QTest::newRow("top") << 1800 << 360 << 1750;
        QTest::newRow("bottom") << 360 << 410 << 1800;
        QTest::newRow("beyond the top") << 2000 << 360 << 1950;
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
