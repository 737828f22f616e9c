#include "accounts/customerfile.h"
#include "accounts/customerrecord.h"
#include "apptesting.h"
#include "billing/accounthistoryrecord.h"
#include "customersamples.h"
#include "dispatch/agreementrecord.h"
#include "dispatch/agreements.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "gui/accounts/customerscreen.h"
#include "gui/widgets/flexgrid.h"
#include "platform/fakes/fakeplatform.h"
#include "statebench.h"
#include "testsupport.h"
#include "core/clock.h"
#include "tools/datacheck.h"
#include "widgettesting.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFocusEvent>
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

// One screen on a test folder, as the application makes it.
struct Fixture : StateBench
{
    QStringList dialed;
    CustomerScreen screen{state, platform, ProgramWindow::Environment{&fake.layouts, [] {}}};

    explicit Fixture(const QByteArray &customers = threeCustomers(), bool show = true)
    {
        recordDials(&screen, dialed);
        if (!customers.isEmpty())
            root.write(CustomerFile::kPath, customers);
        state.settings.business[BusinessField::City] = "Hometown";
        if (show)
            screen.show();
    }
    template <typename T> T *child(const QString &name) { return ::child<T>(screen, name); }
    QLineEdit *edit(const QString &name) { return child<QLineEdit>(name); }
    void click(const QString &name) { child<QPushButton>(name)->click(); }
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
        QCOMPARE(f.fake.messages.shown.front().title, QString("Create Customers"));
        QVERIFY(f.fake.messages.shown.front().text.startsWith("Your Customer File is Empty\r\nCreate your First"));
        QVERIFY(!f.fake.messages.shown.front().text.contains("Delivery")); // no such window
        QVERIFY(!f.child<QPushButton>("cmdNavigate_2")->isEnabled());
        QCOMPARE(f.child<QComboBox>("cboCity")->currentText(), QString("Hometown"));
        // Leaving with nothing typed writes nothing.
        QSignalSpy back(&f.screen, &CustomerScreen::returnToMenu);
        f.click("cmdMenu");
        QCOMPARE(back.count(), 1);
        QVERIFY(!f.root.exists(CustomerFile::kPath));
    }

    // Add New starts from a business, whatever the account shown before; Cancel goes back to record 1; a new
    // account still pending is saved on leaving.
    void addNewCancelsOrIsSavedOnLeaving()
    {
        Fixture f;
        QCOMPARE(f.screen.windowTitle(), QString("Account Information for Customer No 1"));
        f.click("cmdNavigate_2");
        QCOMPARE(f.child<QLabel>("lblAcctType")->text(), QString("Individual"));
        f.click("cmdAddNew");
        QCOMPARE(f.child<QLabel>("lblAcctType")->text(), QString("Business"));
        QVERIFY(f.edit("txtName")->isVisibleTo(&f.screen) && !f.edit("txtFirstName")->isVisibleTo(&f.screen));
        QCOMPARE(f.screen.windowTitle(), QString("Account Information for Customer No 4"));
        QVERIFY(!f.child<QAction>("mnuDeleteCurrent")->isEnabled());
        f.click("cmdCancelNew");
        QVERIFY(!f.child<QPushButton>("cmdCancelNew")->isVisibleTo(&f.screen));
        QCOMPARE(f.edit("txtAcctNo")->text(), QString("A1"));
        const QByteArray before = f.root.read(CustomerFile::kPath);
        QCOMPARE(before.size(), 3 * 328);
        f.click("cmdAddNew");
        QVERIFY(f.child<QPushButton>("cmdCancelNew")->isVisibleTo(&f.screen));
        f.edit("txtAcctNo")->setText("D4");
        f.edit("txtTelephone")->setText("555-777-0000");
        // Cancel (Alt+N) does not drop what was typed unasked.
        f.fake.messages.answer(false);
        f.click("cmdCancelNew");
        QCOMPARE(f.fake.messages.lastText(), QString("Cancel the new account?\r\nWhat was typed for it is not kept."));
        QCOMPARE(f.edit("txtAcctNo")->text(), QString("D4"));
        // Refused: no name. The user stays, nothing is written.
        QSignalSpy back(&f.screen, &CustomerScreen::returnToMenu);
        f.click("cmdMenu");
        QCOMPARE(back.count(), 0);
        QVERIFY(f.screen.isVisible());
        QCOMPARE(f.fake.messages.lastText(), QString("The Account Name Cannot be Blank"));
        QCOMPARE(f.root.read(CustomerFile::kPath), before);
        f.edit("txtName")->setText("Delta Plumbing");
        QVERIFY(QTest::qWaitForWindowActive(&f.screen));
        QTest::keyClick(f.edit("txtName"), Qt::Key_S, Qt::ControlModifier); // saves where the user is
        QCOMPARE(f.root.read(CustomerFile::kPath).size(), 4 * 328);
        f.click("cmdMenu");
        QCOMPARE(back.count(), 1);
        QCOMPARE(storedCustomer(f.root, 4).text(AcctNo), QString("D4"));
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
        auto [box, typed] = fetched<QString, QString>("box", "typed");
        Fixture f;
        QLineEdit *e = f.edit(box);
        e->clear();
        f.fake.messages.shown.clear();
        for (const QChar c : typed)
            QTest::sendKeyEvent(QTest::Click, e, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QCoreApplication::processEvents(); // the refusal is told once the key has been handled
        QTEST(e->text(), "kept");
        QTEST(f.fake.messages.lastText(), "message");
    }

    // A row copied from a spreadsheet fills the boxes from the one pasted into, in order, when the user says so;
    // No pastes it into that box as one line. A cell a box cannot take, or cuts, is said, never lost quietly.
    void pastedRowFillsTheForm_data()
    {
        dataColumns<QString, bool, QString, QStringList, QString>("into", "fill", "offered", "boxes", "told");
        const QString refused = "Account No: not filled: This character, (&) is invalid for this field";
        dataRow("filled in order", "txtAcctNo", true, "Account No, Name, Address1",
                QStringList{"A1", "Acme Plumbing Supply Company o", "12 Main St"},
                refused + "\r\nName: only 30 characters fit; left out: \"f Springfield\"");
        dataRow("into one box", "txtName", false, "Name, Address1, Address2",
                QStringList{"A1", "A&1 Acme Plumbing Supply Compa", ""},
                "Only 30 characters fit in this box; the end of what was pasted was left out: "
                "\"ny of Springfield 12 Main St\"");
    }
    void pastedRowFillsTheForm()
    {
        auto [into, fill, boxes] = fetched<QString, bool, QStringList>("into", "fill", "boxes");
        Fixture f;
        f.fake.messages.shown.clear();
        f.fake.messages.answer(fill);
        QApplication::clipboard()->setText("A&1\tAcme Plumbing Supply Company of Springfield\t12 Main St\r\n");
        f.edit(into)->selectAll();
        QTest::keySequence(f.edit(into), QKeySequence::Paste);
        QCOMPARE(QStringList({f.edit("txtAcctNo")->text(), f.edit("txtName")->text(), f.edit("txtAddress1")->text()}),
                 boxes);
        QFETCH(QString, offered);
        QVERIFY(f.fake.messages.shown.front().text.startsWith("The pasted row has 3 cells. Fill " + offered + " with"));
        QTRY_COMPARE(f.fake.messages.shown.size(), std::size_t(2));
        QTEST(f.fake.messages.lastText(), "told");
    }

    void dialsTheNumberChosen()
    {
        Fixture f(threeCustomers(), false);
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
        Fixture f(threeCustomers(), false);
        f.root.write("/VIActiveAccounts/B2.txt", "balance");
        f.root.write("/AuxFiles/B2/AuxFile0/Data.txt", "Gate 1261\r\n");
        Record payment(accountHistoryLayout());
        payment.setText(AccountHistoryField::AcctNo, "B2");
        f.root.write("/CAPaymentRecords.txt", payment.bytes());
        f.screen.show();
        f.click("cmdNavigate_2");
        f.fake.messages.answer(false);
        f.child<QAction>("mnuDeleteCurrent")->trigger();
        QCOMPARE(f.root.read(CustomerFile::kPath), threeCustomers());
        f.fake.messages.answer(true);
        f.child<QAction>("mnuDeleteCurrent")->trigger();
        QCOMPARE(f.fake.messages.shown.back().text,
                 QString("Mr. John Smith, Account No B2\r\nThis account has an unpaid balance (its balance file is "
                         "deleted with it).\r\nIts account or service history (payments included) stays under "
                         "Account No B2.\r\nDelete this Customer"));
        QCOMPARE(f.root.read(CustomerFile::kPath).size(), 2 * 328);
        QVERIFY(!f.root.exists("/VIActiveAccounts/B2.txt"));
        QVERIFY(!f.root.exists("/AuxFiles/B2/AuxFile0/Data.txt")); // the notes go with the account
        QCOMPARE(f.edit("txtAcctNo")->text(), QString("C3"));
        QCOMPARE(f.child<QComboBox>("cboNameList")->count(), 2);
    }

    // An account whose only other record is an agreement: the question names it, and the agreement goes with
    // the account (with its visits), so that the data check finds nothing left under the number.
    void deletingAnAccountWithAnAgreement()
    {
        Fixture f(threeCustomers(), false);
        Record agreement(agreementLayout());
        agreement.setInt32(AgreementField::Id, 7);
        agreement.setText(AgreementField::AcctNo, "B2");
        f.root.write(Agreements::kFile, agreement.bytes());
        Record visit(agreementVisitLayout());
        visit.setInt32(VisitField::AgreementId, 7);
        f.root.write(Agreements::kVisitsFile, visit.bytes());
        f.screen.show();
        f.click("cmdNavigate_2");
        f.fake.messages.answer(true);
        f.child<QAction>("mnuDeleteCurrent")->trigger();
        QCOMPARE(f.fake.messages.shown.back().text,
                 QString("Mr. John Smith, Account No B2\r\nIts 1 maintenance agreement(s) are deleted with it; no "
                         "more visits are made for them.\r\nDelete this Customer"));
        QCOMPARE(f.root.read(CustomerFile::kPath).size(), 2 * 328);
        QVERIFY(!f.root.exists(Agreements::kFile) && !f.root.exists(Agreements::kVisitsFile));
        for (const CheckFinding &finding : checkDataFolder(f.root.folder(), FixedClock()))
            QVERIFY2(!finding.text().contains("Agreement"), qPrintable(finding.text()));
    }

    // Boxes found under the number of a new account (left by an account deleted long ago) are not shown unasked.
    void notesFoundUnderANewNumberAreAskedAbout()
    {
        Fixture f(threeCustomers(), false);
        f.root.write("/AuxFiles/Z9/AuxFile1/Data.txt", "Alarm 9911\r\n");
        f.screen.show();
        f.click("cmdAddNew");
        f.edit("txtAcctNo")->setText("Z9");
        f.edit("txtName")->setText("Zed Cooling");
        f.edit("txtTelephone")->setText("555-909-0000");
        f.fake.messages.answer(false);
        f.click("cmdNavigate_0");
        QCOMPARE(f.fake.messages.shown.back().title, QString("Data Boxes Found"));
        QVERIFY(!f.root.exists("/AuxFiles/Z9/AuxFile1/Data.txt"));
        QCOMPARE(storedCustomer(f.root, 4).text(AcctNo), QString("Z9"));
    }

    // Entering a box never empties it; leaving one is checked only when the user moves on in the window.
    void focusRules_data()
    {
        dataColumns<QString, QString, bool, int, QString>("box", "text", "entering", "reason", "title");
        const int tab = int(Qt::TabFocusReason);
        dataRow("entering the name keeps Mustang Fitness", "txtName", "Mustang Fitness", true,
                int(Qt::MouseFocusReason), "");
        dataRow("entering the account number keeps Must-7", "txtAcctNo", "Must-7", true, tab, "");
        dataRow("entering the telephone keeps its text", "txtTelephone", "Must 555", true, tab, "");
        dataRow("leaving a one-letter name warns", "txtName", "A", false, tab, "No Name Entered");
        dataRow("a message box taking the focus does not", "txtName", "A", false, int(Qt::ActiveWindowFocusReason), "");
        dataRow("leaving a number typed that another account has asks", "txtAcctNo", "B2", false, tab,
                "Duplicate Account Number");
        dataRow("leaving the number of the record shown does not ask", "txtAcctNo", "A1", false, tab, "");
    }
    void focusRules()
    {
        auto [box, text, entering, reason] = fetched<QString, QString, bool, int>("box", "text", "entering", "reason");
        // Record 4 shares the number of record 1, as files from older versions may.
        Fixture f(threeCustomers() + customer("A1|Business|Acme Twin||||Springfield|555-000-0001").bytes());
        QCOMPARE(f.screen.focusWidget(), f.child<QWidget>("cmdSelect")); // a record with a number: ready to select
        f.fake.messages.shown.clear();
        f.edit(box)->setText(text);
        f.fake.messages.answer(false); // No keeps a duplicate number typed
        QFocusEvent focus(entering ? QEvent::FocusIn : QEvent::FocusOut, Qt::FocusReason(reason));
        QApplication::sendEvent(f.edit(box), &focus);
        QCOMPARE(f.edit(box)->text(), text);
        QTEST(f.fake.messages.shown.empty() ? QString() : f.fake.messages.shown.back().title, "title");
    }

    // The data boxes typed for an account are kept whichever way the user leaves it.
    void notesKeptOnEveryWayOut_data()
    {
        QTest::addColumn<QString>("way"); // a button, an action, or the close box
        for (const char *way : {"cmdNavigate_2", "mnuToggleData", "cmdMenu", "close box", "cmdAddNew"})
            QTest::newRow(way) << QString(way);
    }
    void notesKeptOnEveryWayOut()
    {
        QFETCH(QString, way);
        Fixture f;
        f.child<QAction>("mnuToggleData")->trigger();
        f.child<QPlainTextEdit>("txtAux_0")->setPlainText("Gate 4411");
        if (way == "close box")
            f.screen.close();
        else if (auto *action = f.screen.findChild<QAction *>(way))
            action->trigger();
        else
            f.click(way);
        QCOMPARE(f.root.read("/AuxFiles/A1/AuxFile0/Data.txt"), QByteArray("Gate 4411\r\n"));
    }

    // An account whose number something else carries (each kind: tst_accountfiles) keeps it; one with nothing
    // changes it freely.
    void accountNumberChange_data()
    {
        dataColumns<QString, QByteArray, bool>("file", "content", "refused");
        dataRow("balance file", "/VIActiveAccounts/A1.txt", QByteArray("x"), true);
        dataRow("a slip", SlipFiles::kActive, carrying(serviceSlipLayout(), SlipField::AcctNo, "A1"), true);
        dataRow("an agreement", Agreements::kFile, carrying(agreementLayout(), AgreementField::AcctNo, "A1"), true);
        dataRow("none of these", "/Unrelated.txt", QByteArray("x"), false);
    }
    void accountNumberChange()
    {
        auto [file, content, refused] = fetched<QString, QByteArray, bool>("file", "content", "refused");
        Fixture f(threeCustomers(), false);
        f.root.write(file, content);
        f.screen.show();
        f.edit("txtAcctNo")->setText("A1X");
        f.click("cmdMenu");
        QCOMPARE(storedCustomer(f.root, 1).text(AcctNo), QString(refused ? "A1" : "A1X"));
        QCOMPARE(f.screen.isVisible(), refused);
        if (refused) {
            QCOMPARE(f.fake.messages.shown.back().title, QString("Account Number in Use"));
            QVERIFY(f.fake.messages.lastText().contains("click Add New"));
        }
    }

    void auxiliaryBoxesAreSavedWhenMovingOn()
    {
        Fixture f;
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
        // Retained boxes shown over the next accounts are not stored into them when nothing was typed there.
        f.child<QCheckBox>("ckRetain")->setChecked(true);
        f.click("cmdAuxNext");
        f.click("cmdAuxNext");
        QCOMPARE(f.screen.accounts().currentNumber(), 3);
        QCOMPARE(f.root.read("/AuxFiles/B2/AuxFile2/Data.txt"), QByteArray());
    }

    void individualAccountAddedFromTheScreen()
    {
        Fixture f;
        f.click("cmdAddNew");
        f.click("cmdToggleType");
        QCOMPARE(f.child<QLabel>("lblAcctType")->text(), QString("Individual"));
        f.edit("txtAcctNo")->setText("E5");
        f.child<QComboBox>("cboTitle")->setEditText("Ms");
        f.edit("txtFirstName")->setText("Eve");
        f.edit("txtLastName")->setText("Park");
        f.edit("txtTelephone")->setText("555-222-3333");
        f.click("cmdNavigate_0");
        QCOMPARE(storedCustomer(f.root, 4).text(Name), QString("Ms Eve Park"));
        QCOMPARE(storedCustomer(f.root, 4).text(AcctType), QString("Individual"));
        QCOMPARE(f.edit("txtAcctNo")->text(), QString("A1"));
    }
};

QTEST_MAIN(TestCustomerScreen)
#include "tst_customerscreen.moc"
