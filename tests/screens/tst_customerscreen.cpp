#include "accounts/customerfile.h"
#include "accounts/customerrecord.h"
#include "accounts/screens/customerscreen.h"
#include "app/application.h"
#include "apptesting.h"
#include "app/appstate.h"
#include "app/screens/startmenu.h"
#include "customersamples.h"
#include "platform/fakes/fakemodem.h"
#include "platform/fakes/fakeplatform.h"
#include "platform/flexgrid.h"
#include "testsupport.h"
#include "widgettesting.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using namespace CustomerField;

namespace {

QByteArray threeCustomers()
{
    return customer("A1|Business|Acme Heating||||Springfield|555-123-4567").bytes() +
           customer("B2|Individual||Mr.|John|Smith|Shelbyville|800-555-0000|800-555-9999").bytes() +
           customer("C3|Individual|||Ann|Lee|Springfield").bytes();
}

// One screen on a test folder, as the application makes it.
struct Fixture
{
    TestRoot root;
    FakePlatform fake;
    AppState state{root.folder()};
    Platform platform = fake.platform();
    QStringList dialed;
    CustomerScreen screen{state, platform, ProgramWindow::Environment{&fake.layouts, [] {}},
                          [this](const QString &name, const QString &number) { dialed << name + "|" + number; }};

    explicit Fixture(const QByteArray &customers = threeCustomers())
    {
        if (!customers.isEmpty())
            root.write(CustomerFile::kPath, customers);
        state.settings.business[BusinessField::City] = "Hometown";
    }
    template <typename T> T *child(const QString &name) { return ::child<T>(screen, name); }
    QLineEdit *edit(const QString &name) { return child<QLineEdit>(name); }
    void click(const QString &name) { child<QPushButton>(name)->click(); }
    Record stored(int n) const
    {
        return Record(customerLayout(), root.read(CustomerFile::kPath).mid((n - 1) * 328, 328));
    }
};

} // namespace

class TestCustomerScreen : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void firstCustomerOfAnEmptyFile()
    {
        Fixture f(QByteArray{});
        f.screen.show();
        QCOMPARE(f.fake.messages.shown.front().title, QString("Create Customers"));
        QVERIFY(f.fake.messages.shown.front().text.startsWith("Your Customer File is Empty\r\nCreate your First"));
        QVERIFY(!f.child<QPushButton>("cmdNavigate_2")->isEnabled());
        QCOMPARE(f.child<QComboBox>("cboCity")->currentText(), QString("Hometown"));
        // Typing the first account and saving it is the road's (tests/road).
    }

    void leavingAnEmptyFileWithNothingTypedLosesNothing()
    {
        Fixture f(QByteArray{});
        f.screen.show();
        QSignalSpy back(&f.screen, &CustomerScreen::returnToMenu);
        f.click("cmdMenu");
        QCOMPARE(back.count(), 1);
        QVERIFY(!f.root.exists(CustomerFile::kPath));
    }

    void pendingAccountIsSavedOnLeaving()
    {
        Fixture f;
        f.screen.show();
        QCOMPARE(f.screen.windowTitle(), QString("Account Information for Customer No 1"));
        f.click("cmdAddNew");
        QVERIFY(f.child<QPushButton>("cmdCancelNew")->isVisibleTo(&f.screen));
        QCOMPARE(f.screen.windowTitle(), QString("Account Information for Customer No 4"));
        QVERIFY(!f.child<QAction>("mnuDeleteCurrent")->isEnabled());
        f.edit("txtAcctNo")->setText("D4");
        f.edit("txtTelephone")->setText("555-777-0000");
        // Refused: no name. The user stays, nothing is written.
        QSignalSpy back(&f.screen, &CustomerScreen::returnToMenu);
        f.click("cmdMenu");
        QCOMPARE(back.count(), 0);
        QVERIFY(f.screen.isVisible());
        QCOMPARE(f.fake.messages.lastText(), QString("The Account Name Cannot be Blank"));
        QCOMPARE(f.root.read(CustomerFile::kPath), threeCustomers());
        f.edit("txtName")->setText("Delta Plumbing");
        f.click("cmdMenu");
        QCOMPARE(back.count(), 1);
        QCOMPARE(f.root.read(CustomerFile::kPath).size(), 4 * 328);
        QCOMPARE(f.stored(4).text(AcctNo), QString("D4"));
    }

    void cancelAddShowsRecordOne()
    {
        Fixture f;
        f.screen.show();
        f.click("cmdNavigate_3");
        f.click("cmdAddNew");
        f.click("cmdCancelNew");
        QVERIFY(!f.child<QPushButton>("cmdCancelNew")->isVisibleTo(&f.screen));
        QCOMPARE(f.edit("txtAcctNo")->text(), QString("A1"));
        QCOMPARE(f.screen.accounts().count(), 3);
        QCOMPARE(f.root.read(CustomerFile::kPath).size(), 3 * 328);
    }

    void selectHandsTheAccountToSlipCreation()
    {
        Fixture f;
        f.screen.show();
        f.click("cmdNavigate_2");
        QCOMPARE(f.child<QLabel>("lblAcctType")->text(), QString("Individual"));
        QVERIFY(f.edit("txtFirstName")->isVisibleTo(&f.screen));
        QVERIFY(!f.edit("txtName")->isVisibleTo(&f.screen));
        QSignalSpy slip(&f.screen, &CustomerScreen::slipCreationRequested);
        f.click("cmdSelect");
        QCOMPARE(slip.count(), 1);
        QCOMPARE(f.state.currentCustomer.text(AcctNo), QString("B2"));
        QCOMPARE(f.state.currentCustomer.text(Name), QString("Mr. John Smith"));
    }

    void boxesRefuseCharactersAsTyped_data()
    {
        dataColumns<QString, QString, QString, QString>("box", "typed", "kept", "message");
        dataRow("slash in account number", "txtAcctNo", "A/", "A", "This character, (/) is invalid for this field");
        dataRow("slash after a number", "txtTelephone", "123/", "123/", "");
        dataRow("quote in address", "txtAddress1", "4\"", "4", "This character, (\") is invalid for this field");
        dataRow("outside the code page", "txtEmail", QString::fromUtf8("aŁ"), "a",
                Validation::unstorableCharacter(QString::fromUtf8("Ł")).text);
    }
    void boxesRefuseCharactersAsTyped()
    {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QFETCH(QString, message);
        Fixture f;
        f.screen.show();
        QLineEdit *e = f.edit(box);
        e->clear();
        f.fake.messages.shown.clear();
        for (const QChar c : typed)
            QTest::sendKeyEvent(QTest::Click, e, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QCoreApplication::processEvents(); // the refusal is told once the key has been handled
        QCOMPARE(e->text(), kept);
        QCOMPARE(f.fake.messages.lastText(), message);
    }

    void dialsTheNumberChosen()
    {
        Fixture f;
        f.screen.setDialingEnabled(true);
        f.screen.show();
        QVERIFY(f.child<QToolButton>("imgDial")->isVisible());
        f.child<QToolButton>("imgDial")->click();
        QCOMPARE(f.dialed, QStringList{"Acme Heating|555-123-4567"});
        f.click("cmdNavigate_2");
        f.fake.messages.answer(false);
        f.child<QToolButton>("imgDial")->click();
        QCOMPARE(f.fake.messages.shown.back().title, QString("Select Phone or Cell"));
        QCOMPARE(f.dialed.last(), QString("Mr. John Smith|800-555-9999"));
        f.click("cmdNavigate_2");
        f.child<QToolButton>("imgDial")->click(); // neither number: nothing
        QCOMPARE(f.dialed.size(), 2);
    }

    void nameListCompletesAndFinds()
    {
        Fixture f;
        f.screen.show();
        f.click("cmdFinder_1");
        auto *list = f.child<QComboBox>("cboNameList");
        QVERIFY(list->isVisibleTo(&f.screen));
        QCOMPARE(list->count(), 3);
        QTest::keyClicks(list->lineEdit(), "smi");
        QCOMPARE(list->lineEdit()->text(), QString("smith, John"));
        QCOMPARE(list->lineEdit()->selectedText(), QString("th, John"));
        QTest::keyClick(list->lineEdit(), Qt::Key_Backspace); // takes the completion away, no new one
        QCOMPARE(list->lineEdit()->text(), QString("smi"));
        QTest::keyClicks(list->lineEdit(), "th, john");
        QTest::keyClick(list->lineEdit(), Qt::Key_Return);
        QVERIFY(!list->isVisibleTo(&f.screen));
        QCOMPARE(f.screen.accounts().currentNumber(), 2);
        QCOMPARE(f.edit("txtLastName")->text(), QString("Smith"));
    }

    void searchShowsOneHitAtOnceAndListsMany()
    {
        Fixture f;
        f.screen.show();
        f.click("cmdFinder_0");
        QVERIFY(f.child<QGroupBox>("fraSearch")->isVisibleTo(&f.screen));
        f.click("cmdSearch");
        QCOMPARE(f.fake.messages.lastText(), QString("You must enter some criteria data for the Search"));
        f.child<QRadioButton>("optCriteria_7")->click();
        f.edit("txtSearch")->setText("lee");
        f.click("cmdSearch");
        QCOMPARE(f.screen.accounts().currentNumber(), 3);
        QVERIFY(!f.child<QGroupBox>("fraResults")->isVisibleTo(&f.screen));
        f.click("cmdFinder_0");
        f.child<QRadioButton>("optCriteria_3")->click();
        f.edit("txtSearch")->setText("spring");
        f.click("cmdSearch");
        QVERIFY(f.child<QGroupBox>("fraResults")->isVisibleTo(&f.screen));
        auto *grid = f.child<FlexGrid>("fgResults");
        QCOMPARE(grid->rows(), 3);
        QCOMPARE(grid->rowTexts(1), (QStringList{"Acme Heating", "555-123-4567", "1"}));
        f.screen.loadResultRow(1);
        QCOMPARE(f.screen.accounts().currentNumber(), 1);
        f.click("cmdFinder_0");
        f.edit("txtSearch")->setText("nowhere");
        f.click("cmdSearch");
        QCOMPARE(f.fake.messages.shown.back().title, QString("Customer not Found"));
    }

    void deleteAsksThenRemoves()
    {
        Fixture f;
        f.root.write("/VIActiveAccounts/B2.txt", "balance");
        f.screen.show();
        f.click("cmdNavigate_2");
        f.fake.messages.answer(false);
        f.child<QAction>("mnuDeleteCurrent")->trigger();
        QCOMPARE(f.root.read(CustomerFile::kPath), threeCustomers());
        f.fake.messages.answer(true);
        f.child<QAction>("mnuDeleteCurrent")->trigger();
        QCOMPARE(f.fake.messages.shown.back().text, QString("Delete this Customer"));
        QCOMPARE(f.root.read(CustomerFile::kPath).size(), 2 * 328);
        QVERIFY(!f.root.exists("/VIActiveAccounts/B2.txt"));
        QCOMPARE(f.edit("txtAcctNo")->text(), QString("C3"));
        QCOMPARE(f.child<QComboBox>("cboNameList")->count(), 2);
    }

    void auxiliaryBoxesAreSavedWhenMovingOn()
    {
        Fixture f;
        f.screen.show();
        f.child<QAction>("mnuToggleData")->trigger();
        QVERIFY(f.child<QGroupBox>("fraAux")->isVisibleTo(&f.screen));
        QCOMPARE(f.child<QLabel>("lblAuxAccount")->text(), QString("Acme Heating"));
        f.child<QPlainTextEdit>("txtAux_2")->setPlainText("Gate 12, dog\nside door");
        f.click("cmdAuxNext");
        QCOMPARE(f.root.read("/AuxFiles/A1/AuxFile2/Data.txt"), QByteArray("Gate 12, dog\r\nside door\r\n"));
        QCOMPARE(f.screen.accounts().currentNumber(), 2);
        QCOMPARE(f.child<QLabel>("lblAuxAccount")->text(), QString("Mr. John Smith"));
        QCOMPARE(f.child<QPlainTextEdit>("txtAux_2")->toPlainText(), QString());
        f.click("cmdAuxPrevious");
        QCOMPARE(f.child<QPlainTextEdit>("txtAux_2")->toPlainText(), QString("Gate 12, dog\nside door"));

        f.screen.openAuxEditor(2);
        QVERIFY(f.child<QLabel>("lblAuxEdit")->text().startsWith("Editing Data Box # 3 - "));
        f.child<QPlainTextEdit>("txtAuxEdit")->setPlainText("changed");
        f.click("cmdAuxEditReload");
        QCOMPARE(f.child<QPlainTextEdit>("txtAuxEdit")->toPlainText(), QString("Gate 12, dog\nside door"));
        f.child<QPlainTextEdit>("txtAuxEdit")->setPlainText("changed");
        f.click("cmdAuxEditHide");
        QCOMPARE(f.child<QPlainTextEdit>("txtAux_2")->toPlainText(), QString("changed"));
    }

    void individualAccountAddedFromTheScreen()
    {
        Fixture f;
        f.screen.show();
        f.click("cmdAddNew");
        f.click("cmdToggleType");
        QCOMPARE(f.child<QLabel>("lblAcctType")->text(), QString("Individual"));
        f.edit("txtAcctNo")->setText("E5");
        f.child<QComboBox>("cboTitle")->setEditText("Ms");
        f.edit("txtFirstName")->setText("Eve");
        f.edit("txtLastName")->setText("Park");
        f.edit("txtTelephone")->setText("555-222-3333");
        f.click("cmdNavigate_0");
        QCOMPARE(f.stored(4).text(Name), QString("Ms Eve Park"));
        QCOMPARE(f.stored(4).text(AcctType), QString("Individual"));
        QCOMPARE(f.edit("txtAcctNo")->text(), QString("A1"));
    }

    // Select on the screen opened from Create Slip goes on to the slip: the road does it.
    void bothRoutinesOpenOneScreen()
    {
        TestRoot root;
        root.write(CustomerFile::kPath, threeCustomers());
        FakePlatform fake;
        StartedApp app(root.path(), fake);
        app.openRoutine(StartMenu::Customers);
        ProgramWindow *screen = app.routineWindow(StartMenu::Customers);
        QCOMPARE(screen->objectName(), QString("frmNewCustomer"));
        QCOMPARE(app.routineWindow(StartMenu::CreateSlip), screen);
        QVERIFY(screen->isVisible());
        app.exitProgram();
    }
};

QTEST_MAIN(TestCustomerScreen)
#include "tst_customerscreen.moc"
