// The road of one job with the keyboard alone: no click, every key goes to the control that has the focus, and the
// focus has to land where a person expects it. From the customer on the customer screen to a slip, the board's
// In Progress and Complete, finalizing and Write Records; then the files hold the job.

#include "accounts/assignmentfile.h"
#include "accounts/assignmentrecord.h"
#include "accounts/customerfile.h"
#include "accounts/servicecatalogue.h"
#include "apptesting.h"
#include "core/textfile.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "gui/app/startmenu.h"
#include "gui/widgets/flexgrid.h"
#include "slipsamples.h"
#include "testsupport.h"
#include "tooltesting.h"
#include "widgettesting.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>

namespace {

// The focused control's name (a combo box's for its text box).
QString focusName()
{
    QWidget *w = QApplication::focusWidget();
    if (w && qobject_cast<QComboBox *>(w->parentWidget()))
        w = w->parentWidget();
    return w ? w->objectName() : QStringLiteral("(none)");
}

// A key, or text when given, to the control that has the focus.
void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString &text = {})
{
    QVERIFY2(QApplication::focusWidget(), "no control has the focus");
    if (text.isEmpty())
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
    else
        QTest::keyClicks(QApplication::focusWidget(), text);
}

void typeText(const QString &text)
{
    press(0, {}, text);
}

// A key, then the control that must have the focus (at once, or once the key's work is done).
bool pressTo(int key, const QString &focus, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    press(key, modifiers);
    if (QTest::qWaitFor([&] { return focusName() == focus; }, 2000))
        return true;
    qWarning("the focus is on %s, not on %s", qPrintable(focusName()), qPrintable(focus));
    return false;
}

// The window in front once it is the active one (keys go to the active window only).
QWidget *activeWindow(const QString &name)
{
    QWidget *w = shownWindow(name);
    if (w)
        w->activateWindow();
    return w && QTest::qWaitForWindowActive(w) ? w : nullptr;
}

// Tab through the start menu to a routine's line and Enter it.
void openRoutine(int routine)
{
    QVERIFY2(activeWindow(QStringLiteral("frmStartup")), qPrintable(visibleWindows()));
    const QString line = QStringLiteral("lblSub_%1").arg(routine);
    for (int tabs = 0; tabs < 30 && focusName() != line; ++tabs)
        press(Qt::Key_Tab);
    QCOMPARE(focusName(), line);
    press(Qt::Key_Return);
}

// The office of the roads: a business, a service, a technician and three customers (one by the name Kowalski).
void prepareOffice(const TestRoot &root)
{
    const DataFolder folder = root.folder();
    root.write(QStringLiteral("/MyBusinessData.txt"), TextWriter().writeValues({"Harbor Lane Heating"}).bytes());
    root.write(QStringLiteral("/SlipNo.txt"), "1000\r\n");
    SaveCatalogue(folder, {{"Furnace Tune-up", "$89.00", "1:30"}});
    Record tech(assignmentLayout());
    tech.setText(AssignmentField::Name, QStringLiteral("Dana Whitfield"));
    WriteAssignment(folder, 1, tech);
    WriteCustomer(folder, 1, SlipSamples::customer(QStringLiteral("A200")));
    WriteCustomer(folder, 2, SlipSamples::customer(QStringLiteral("A100")));
    Record kowalski = SlipSamples::customer(QStringLiteral("K300"));
    kowalski.setText(CustomerField::LastName, QStringLiteral("Kowalski"));
    WriteCustomer(folder, 3, kowalski);
}

} // namespace

class TestKeysRoad : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void oneJobWithTheKeyboard()
    {
        TestRoot root;
        prepareOffice(root);
        FakePlatform fake;
        StartedApp app(root.path(), fake);

        // The customer screen: an account found by the last name chosen with the arrow keys (Tab enters the options
        // on the chosen one), then the account found by its number, chosen for a new slip.
        openRoutine(StartMenu::CreateSlip);
        QWidget *customers = activeWindow(QStringLiteral("frmNewCustomer"));
        QVERIFY2(customers, qPrintable(visibleWindows()));
        QVERIFY(pressTo(Qt::Key_S, "txtSearch", Qt::AltModifier)); // &Search by Criteria
        press(Qt::Key_Backtab, Qt::ShiftModifier);                 // never onto a stop that shows nothing
        QVERIFY(focusName() != "fraPanels" && QApplication::focusWidget()->isVisible());
        QVERIFY(pressTo(Qt::Key_S, "txtSearch", Qt::AltModifier));
        QVERIFY(pressTo(Qt::Key_Tab, "optCriteria_8"));
        QVERIFY(pressTo(Qt::Key_Up, "optCriteria_7"));
        QVERIFY(pressTo(Qt::Key_Backtab, "txtSearch", Qt::ShiftModifier));
        typeText(QStringLiteral("Kowalski"));
        QVERIFY(pressTo(Qt::Key_Return, "cmdSelect"));
        QCOMPARE(child<QLineEdit>(customers, QStringLiteral("txtAcctNo"))->text(), QStringLiteral("K300"));
        QVERIFY(pressTo(Qt::Key_S, "txtSearch", Qt::AltModifier));
        QVERIFY(pressTo(Qt::Key_Tab, "optCriteria_7"));
        QVERIFY(pressTo(Qt::Key_Down, "optCriteria_8"));
        QVERIFY(pressTo(Qt::Key_Backtab, "txtSearch", Qt::ShiftModifier));
        typeText(QStringLiteral("A100"));
        QVERIFY(pressTo(Qt::Key_Return, "cmdSelect"));
        QCOMPARE(child<QLineEdit>(customers, QStringLiteral("txtAcctNo"))->text(), QStringLiteral("A100"));
        press(Qt::Key_Return);

        // Slip creation: the account's address, a service from the catalogue, a technician, a typed date.
        QWidget *slip = nullptr;
        QTRY_VERIFY((slip = activeWindow(QStringLiteral("frmCreateSlip"))));
        QCOMPARE(focusName(), QStringLiteral("cmdSetJobSite"));
        press(Qt::Key_Space);
        QCOMPARE(child<QLineEdit>(slip, QStringLiteral("txtCustomerInfo_1"))->text(), QStringLiteral("Mr. John Smith"));
        QVERIFY(pressTo(Qt::Key_N, "txtService", Qt::AltModifier));
        QVERIFY(pressTo(Qt::Key_Backtab, "lstServices", Qt::ShiftModifier));
        press(Qt::Key_Home);
        QVERIFY(pressTo(Qt::Key_Return, "txtService"));
        typeText(QStringLiteral(" and check the flue"));
        QCOMPARE(child<QPlainTextEdit>(slip, QStringLiteral("txtService"))->toPlainText(),
                 QStringLiteral("Furnace Tune-up and check the flue"));
        QVERIFY(pressTo(Qt::Key_N, "lstAssignments", Qt::AltModifier));
        press(Qt::Key_Down);
        QVERIFY(pressTo(Qt::Key_Tab, "lstPriority"));
        press(Qt::Key_Down); // High
        press(Qt::Key_Tab);
        QVERIFY(pressTo(Qt::Key_Tab, "DTPicker1"));
        press(Qt::Key_A, Qt::ControlModifier);
        typeText(QStringLiteral("1/16/2026"));
        QCOMPARE(child<QLabel>(slip, QStringLiteral("lblDate"))->text().trimmed(), QString()); // not before leaving
        QVERIFY(pressTo(Qt::Key_Tab, "cboTime"));
        QCOMPARE(child<QLabel>(slip, QStringLiteral("lblDate"))->text(), QStringLiteral("1/16/2026"));
        press(Qt::Key_Down); // 08:00, 09:00, 10:00
        press(Qt::Key_Down);
        QCOMPARE(child<QComboBox>(slip, QStringLiteral("cboTime"))->currentText(), QStringLiteral("10:00"));
        fake.messages.answer(true); // reviewed
        press(Qt::Key_S, Qt::AltModifier);
        QTRY_COMPARE(fake.messages.lastText(), QStringLiteral("Service Slip 1000 has been stored."));

        // The board: Space ticks the slip, Manage opens it, the status list takes In Progress, Verify accepts.
        openRoutine(StartMenu::ManageSlips);
        QWidget *board = nullptr;
        QTRY_VERIFY((board = activeWindow(QStringLiteral("frmMain"))));
        auto *slips = child<FlexGrid>(board, QStringLiteral("fgSlips"));
        QCOMPARE(focusName(), slips->view()->objectName());
        press(Qt::Key_Space);
        QVERIFY(slips->isTicked(1, 0));
        QVERIFY(pressTo(Qt::Key_M, "cmdMain_11", Qt::AltModifier));
        QVERIFY(pressTo(Qt::Key_Return, "lstTechs"));
        QVERIFY(pressTo(Qt::Key_Tab, "lstStatus"));
        press(Qt::Key_Down);
        press(Qt::Key_Return);
        QCOMPARE(child<QLabel>(board, QStringLiteral("lblNewStatus"))->text(), QStringLiteral("In Progress"));
        press(Qt::Key_Tab);
        QVERIFY(pressTo(Qt::Key_Tab, "DTPicker1")); // the date, then the time below it
        press(Qt::Key_V, Qt::AltModifier);
        QTRY_COMPARE(slips->text(1, 4), QStringLiteral("In Progress"));
        QTRY_COMPARE(focusName(), slips->view()->objectName());
        // Complete: tick, C&omplete Selected, then Save &Changes/Exit. The slip is dated tomorrow: asked once more.
        press(Qt::Key_Space);
        fake.messages.answer(true);
        fake.messages.answer(true);
        press(Qt::Key_O, Qt::AltModifier);
        QTRY_COMPARE(slips->text(1, 4), QStringLiteral("Complete"));
        press(Qt::Key_C, Qt::AltModifier);
        QTRY_VERIFY(!board->isVisible());

        // Finalize: Space on the slip opens its entry at the amount; the amount, the check number and the
        // invoice number typed; Enter to &Grid; &Write Records.
        openRoutine(StartMenu::CompleteSlips);
        QWidget *finalize = nullptr;
        QTRY_VERIFY((finalize = activeWindow(QStringLiteral("frmFinalize"))));
        auto *completions = child<FlexGrid>(finalize, QStringLiteral("fgCompletions"));
        QCOMPARE(focusName(), completions->view()->objectName());
        QVERIFY(pressTo(Qt::Key_Space, "txtAmount"));
        typeText(QStringLiteral("240"));
        QVERIFY(pressTo(Qt::Key_Tab, "cboPayForm"));
        QTest::qWait(0); // the caret goes after "Ck # "
        typeText(QStringLiteral("4471"));
        QVERIFY(pressTo(Qt::Key_Tab, "txtInvoice"));
        QTest::qWait(0); // the number offered is selected: typing replaces it
        typeText(QStringLiteral("5001"));
        press(Qt::Key_G, Qt::AltModifier);
        QTRY_COMPARE(completions->rowTexts(1).mid(5), (QStringList{"5001", "Ck # 4471", "$240.00", "Finalized"}));
        QCOMPARE(focusName(), completions->view()->objectName()); // the last slip done: back to the slips
        fake.messages.answer(true);
        press(Qt::Key_W, Qt::AltModifier);
        QTRY_VERIFY(!finalize->isVisible());

        // The files hold the job.
        QVERIFY(!root.exists(SlipFiles::kActive) && !root.exists(SlipFiles::kCompleted));
        const QByteArray archived = root.read(QStringLiteral("/FinalizedServiceSlips.txt"));
        QCOMPARE(archived.size(), 697);
        const Record job(serviceSlipLayout(), archived);
        using namespace SlipField;
        QCOMPARE((QStringList{QString::number(job.int16(SlipNo)), job.text(AcctNo), job.text(Status),
                              job.text(AssignedTo), job.text(SchedDate), job.text(SchedTime), job.text(ServiceRequired),
                              job.text(Priority), job.text(InvoiceNo), job.text(PayForm), job.text(Amount)}),
                 (QStringList{"1000", "A100", "Finalized", "Dana Whitfield", "1/15/2026", "08:00",
                              "Furnace Tune-up and check the flue", "High", "5001", "Ck # 4471", "$240.00"}));
        QVERIFY(root.read(QStringLiteral("/CAHistory.txt")).contains("Invoice No. 5001"));
        QCOMPARE(root.read(QStringLiteral("/SlipNo.txt")), QByteArray("1001\r\n"));
    }

    // The close box on a window with work typed: Save keeps it, Don't Save drops it, Cancel keeps the window with
    // everything typed. A closed window leads back to the start menu (its logo a Tab stop), the program goes on.
    void closeBoxAsksFirst_data()
    {
        dataColumns<QString, Messages::SaveAnswer, int>("window", "answer", "yesAnswers");
        using enum Messages::SaveAnswer;
        for (const auto &[answer, name] : {std::pair{Save, "save"}, {DontSave, "don't save"}, {Cancel, "cancel"}}) {
            const QByteArray tag(name);
            dataRow(("customer screen, " + tag).constData(), QString("frmNewCustomer"), answer, 0);
            dataRow(("slip creation, " + tag).constData(), QString("frmCreateSlip"), answer, answer == Save ? 2 : 0);
            dataRow(("setup, " + tag).constData(), QString("frmSetup"), answer, 0);
        }
    }
    void closeBoxAsksFirst()
    {
        auto [name, answer, yesAnswers] = fetched<QString, Messages::SaveAnswer, int>("window", "answer", "yesAnswers");
        TestRoot root;
        prepareOffice(root);
        FakePlatform fake;
        StartedApp app(root.path(), fake);
        QString box = "txtBusiness_0", typed = "Kowalski Heating", file = "/MyBusinessData.txt";
        if (name == "frmSetup")
            app.showSetup();
        else
            openRoutine(name == "frmNewCustomer" ? StartMenu::Customers : StartMenu::CreateSlip);
        QTRY_VERIFY(shownWindow(name == "frmSetup" ? name : "frmNewCustomer"));
        if (name == "frmSetup") {
            child<QLineEdit>(shownWindow(name), "txtBusiness_6")->setText("541-555-0100");
        } else if (name == "frmNewCustomer") {
            click(shownWindow(name), "cmdAddNew");
            std::tie(box, typed, file) = std::tuple("txtAcctNo", "CB-777", "/CustomerData.txt");
        } else {
            click(shownWindow("frmNewCustomer"), "cmdSelect");
            QTRY_VERIFY(shownWindow(name));
            click(shownWindow(name), "cmdCreation_2"); // NEXT: the service text
            std::tie(box, typed, file) = std::tuple("txtService", "Flue check", SlipFiles::kActive);
        }
        QWidget *window = shownWindow(name);
        QWidget *edit = child(window, box);
        QTest::keyClicks(edit, typed);
        if (name == "frmCreateSlip")
            click(window, "cmdCreation_4"); // typed at step 2, closed at step 3
        fake.messages.answerSave(answer);
        for (int i = 0; i < yesAnswers; ++i)
            fake.messages.answer(true);
        // The new account has no name: its save is refused, and the screen stays with what was typed.
        const bool saved = answer == Messages::SaveAnswer::Save && name != "frmNewCustomer";
        QCOMPARE(clickCloseBox(window), saved || answer == Messages::SaveAnswer::DontSave);
        QVERIFY(fake.messages.saveAnswers.empty() && fake.messages.answers.empty());
        QCOMPARE(root.read(file).contains(typed.toLatin1()), saved);
        if (window->isVisible()) { // everything typed is still there
            QVERIFY(edit->property(edit->inherits("QPlainTextEdit") ? "plainText" : "text").toString().endsWith(typed));
            return;
        }
        QWidget *menu = nullptr;
        QTRY_VERIFY((menu = activeWindow("frmStartup")) && QApplication::activeWindow() == menu);
        child(menu, "lblSub_4")->setFocus();
        for (int tabs = 0; tabs < 12 && focusName() != "imgLogo"; ++tabs)
            press(Qt::Key_Tab);
        QCOMPARE(focusName(), QString("imgLogo"));
        stampedOnSampleDay(root); // the program's start stamped its look with the machine's time
        const ToolRun check = runTool({"check", root.path()});
        QVERIFY2(check.status == 0, qPrintable(check.out));
    }
};

QTEST_MAIN(TestKeysRoad)
#include "tst_keysroad.moc"
