#include "app/appstate.h"
#include "billing/accountfiles.h"
#include "billing/finalize.h"
#include "billing/history.h"
#include "billing/posting.h"
#include "billing/postingrun.h"
#include "billingsamples.h"
#include "gui/billing/finalizewindow.h"
#include "gui/billing/historywindow.h"
#include "gui/billing/incomechart.h"
#include "gui/billing/incomepanel.h"
#include "gui/billing/receivableswindow.h"
#include "gui/widgets/datebox.h"
#include "gui/widgets/flexgrid.h"
#include "mediasamples.h"
#include "platform/fakes/fakeplatform.h"
#include "platform/fakes/recordingprinttarget.h"
#include "testsupport.h"
#include "tooltesting.h"
#include "widgettesting.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

namespace {

const QDate kToday(2026, 3, 7);

// Types into a box and leaves it, as the user does.
void enter(QWidget &w, const QString &name, const QString &text)
{
    QLineEdit *box = child<QLineEdit>(w, name);
    box->setText(text);
    emit box->editingFinished();
}

struct Finalizing
{
    TestRoot root;
    FakePlatform fake;
    AppState state{root.folder()};
    RecordingPrintTarget target;
    QStringList dialed;
    std::unique_ptr<FinalizeWindow> window;

    Finalizing()
    {
        fake.clock.setDate(kToday);
        state.settings.applyTax1 = true;
        state.settings.taxRate1 = "7.5";
        state.folder.replaceRecords(SlipFiles::kCompleted,
                                    {completedSlip(12, "B-2", "Oak Ave"), completedSlip(11, "A-1", "Main St"),
                                     completedSlip(13, "C-3", "Elm Rd")});
        window = std::make_unique<FinalizeWindow>(ProgramWindow::Environment{&fake.layouts, {}}, state, fake.messages,
                                                  fake.clock, target, [] { return DocumentInputs(); });
        QObject::connect(window.get(), &ProgramWindow::dialRequested,
                         [this](const QString &n, const QString &num) { dialed << n + num; });
        window->show();
    }
    FlexGrid &grid() { return *window->grid(); }
    // Enters the ticked slip's amount, invoice and payment form and clicks Enter to Grid.
    void post(const QString &amount, const QString &invoice, const QString &payForm)
    {
        enter(*window, "txtAmount", amount);
        child<QLineEdit>(*window, "txtInvoice")->setText(invoice);
        child<QComboBox>(*window, "cboPayForm")->setEditText(payForm);
        click(*window, "cmdPost_0");
    }
};

} // namespace

class TestBillingWindows : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void finalizeSlipAfterSlip()
    {
        Finalizing f;
        FinalizeWindow &w = *f.window;
        QCOMPARE(f.grid().rows(), 4);
        QCOMPARE(f.grid().text(1, 1), "11"); // sorted by slip number
        emit f.grid().cellClicked(1, 0);
        QVERIFY(f.grid().isTicked(1, 0));
        // Refusals, in order; a text that is no amount gives way to the zero amount.
        child<QLineEdit>(w, "txtAmount")->setText("ten");
        click(w, "cmdPost_0");
        QCOMPARE(f.fake.messages.lastText(), "No Amount or the Amount is invalid");
        QCOMPARE(child<QLineEdit>(w, "txtAmount")->text(), Finalize::zeroText());
        enter(w, "txtAmount", "10.01");
        QCOMPARE(child<QLineEdit>(w, "txtAmount")->text(), "$10.01");
        click(w, "cmdPost_0");
        QCOMPARE(f.fake.messages.lastText(), "Enter the Invoice Number");
        QCOMPARE(child<QLineEdit>(w, "txtTax_0")->text(), "$0.75");
        child<QLineEdit>(w, "txtInvoice")->setText("5001");
        click(w, "cmdPost_0");
        QCOMPARE(f.fake.messages.lastText(), "Enter a Check Number");
        child<QComboBox>(w, "cboPayForm")->setEditText("Ck # 4471");
        click(w, "cmdPost_0");
        QCOMPARE(f.grid().rowTexts(1).mid(5), QStringList({"5001", "Ck # 4471", "$10.76", "Finalized"}));
        QCOMPARE(w.rows()[0].tax1.raw(), 7500); // charged in whole cents, as shown
        // Entry goes on with the next slip.
        QVERIFY(!f.grid().isTicked(1, 0));
        QVERIFY(f.grid().isTicked(2, 0));
        QVERIFY(child<QPushButton>(w, "cmdSelected")->isEnabled());
        QTest::keyClicks(child<QLineEdit>(w, "txtAmount"), "50"); // the total follows each key, tax and all
        QCOMPARE(child<QLineEdit>(w, "txtTotal")->text(), "$53.75");
        enter(w, "txtAmount", "100");
        child<QLineEdit>(w, "txtInvoice")->setText("5001");
        f.fake.messages.answer(false);
        click(w, "cmdPost_0");
        QCOMPARE(f.fake.messages.lastText(),
                 "Invoice No. 5001 was given to slip 11 in this list.\r\nUse it again?");
        child<QLineEdit>(w, "txtInvoice")->setText("5002");
        // The arrow keys pass through the forms without settling one; a form chosen from the list is settled.
        QComboBox *payForm = child<QComboBox>(w, "cboPayForm");
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(payForm, Qt::Key_Down);
        QVERIFY(payForm->isEnabled());
        QCOMPARE(payForm->currentText(), "Not Collected");
        emit payForm->activated(3);
        QVERIFY(!payForm->isEnabled());
        click(w, "cmdPost_0");
        QCOMPARE(f.grid().rowTexts(2).mid(5), QStringList({"5002", "Not Collected", "$107.50", "Finalized"}));
        // Leaving with rows entered and not written asks first.
        f.fake.messages.answer(false);
        click(w, "cmdCompletions_0");
        QVERIFY(w.isVisible());
        // E-mail Invoices hands over every finalized row's invoice, whichever row is current.
        std::vector<PricedInvoice> mailed;
        w.setMailing([&](QWidget *, const std::vector<PricedInvoice> &i, const DocumentInputs &) { mailed = i; });
        f.grid().setCurrentRow(1);
        click(w, "cmdEmailInvoices");
        QCOMPARE(mailed.size(), 2u);
        // The report prints every row.
        click(w, "cmdCompletions_4");
        QCOMPARE(f.target.titles, std::vector<QString>{"Finalized Service Slips Report"});
        addSampleMedia(f.state.folder, "A-1", 11, 0, true); // signed on the phone: its priced invoice shows it
        click(w, "cmdCompletions_6");
        QVERIFY(f.target.surface.findText("Signed by M. Chavez 12/8/2026 10:42"));
        // Write Records posts the two and leaves the third in the completed-slips file.
        QSignalSpy back(&w, &FinalizeWindow::returnToMenu);
        f.fake.messages.answer(true);
        click(w, "cmdSelected");
        QCOMPARE(back.count(), 1);
        QCOMPARE(f.root.read(Posting::kHistory).size(), 2 * 155);
        QCOMPARE(f.root.read(SlipFiles::kCompleted).size(), 697);
        QCOMPARE(f.root.read("/FinalizedServiceSlips.txt").size(), 2 * 697);
        QCOMPARE(f.root.read(Posting::kTaxRecords).size(), 2 * 75);
        VERIFY_LEDGER_CLEAN(f.state.folder);
    }

    // A pasted amount is taken as the typed one would be, on the first slip and on the next, over the zero text;
    // what is not an amount (a minus sign, a third decimal) is refused and said, and never posted.
    void pastedMoney_data()
    {
        dataColumns<QString, QString, int, QString, QString>("box", "pasted", "slip", "kept", "left");
        QTest::addColumn<QString>("told");
        const QString notAmount = "is not an amount";
        dataRow("cell with its line end, first slip", "txtAmount", "345.00\n", 1, "345.00", "$345.00", QString());
        dataRow("cell with its line end, next slip", "txtAmount", "345.00\r\n", 2, "345.00", "$345.00", QString());
        dataRow("dollar sign and thousands", "txtAmount", " $1,234.50", 2, "1234.50", "$1,234.50", QString());
        dataRow("leading zero", "txtTax_0", "0.50", 1, ".50", "$0.50", QString());
        dataRow("minus sign", "txtAmount", "-50", 1, "$0.00", "$0.00", "\"-50\" " + notAmount);
        dataRow("minus sign, next slip", "txtTax_0", "-5", 2, "$0.00", "$0.00", "\"-5\" " + notAmount);
        dataRow("third decimal", "txtAmount", "$345.005", 2, "$0.00", "$0.00", "\"$345.005\" " + notAmount);
        dataRow("over a selection, by the box's own slot", "txtAmount", "-50", 0, "$0.00", "$0.00", QString());
    }
    void pastedMoney()
    {
        auto [box, pasted, slip] = fetched<QString, QString, int>("box", "pasted", "slip");
        Finalizing f;
        FinalizeWindow &w = *f.window;
        emit f.grid().cellClicked(1, 0);
        if (slip == 2)
            f.post("10", "5001", "Cash"); // entry goes on with the second slip
        QLineEdit *edit = child<QLineEdit>(w, box);
        edit->setFocus();
        QCOMPARE(edit->text(), "$0.00");
        f.fake.messages.shown.clear();
        QApplication::clipboard()->setText(pasted);
        if (slip == 0) {
            edit->selectAll();
            edit->paste();
        } else {
            QKeyEvent ctrlV(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier, QString(QChar(0x16)));
            QApplication::sendEvent(edit, &ctrlV);
        }
        QTEST(edit->text(), "kept");
        QCoreApplication::processEvents();
        QTEST(f.fake.messages.lastText().section(':', 0, 0), "told");
        emit edit->editingFinished();
        QTEST(edit->text(), "left");
    }

    void writeRecordsRefusesNegativeMoney()
    {
        Finalizing f;
        FinalizeWindow &w = *f.window;
        emit f.grid().cellClicked(1, 0);
        child<QLineEdit>(w, "txtAmount")->setValidator(nullptr); // whatever a box lets through
        f.post("-50", "5001", "Cash");
        QCOMPARE(f.fake.messages.lastText(), "No Amount or the Amount is invalid");
        QCOMPARE(f.grid().text(1, 8), "Completed");
    }

    void clearingAndDeleting()
    {
        Finalizing f;
        FinalizeWindow &w = *f.window;
        f.fake.messages.shown.clear();
        click(w, "cmdCompletions_1"); // DELETE with nothing ticked deletes nothing and says why
        QCOMPARE(f.fake.messages.lastText(), "No Service Slips have been selected");
        QCOMPARE(f.grid().rows(), 4);
        QCOMPARE(f.grid().text(1, 8), "Completed"); // loaded from a "Complete" record, read as a cleared row
        emit f.grid().cellClicked(2, 0);
        f.post("20", "9", "Cash");
        QCOMPARE(f.grid().text(2, 8), "Finalized");
        // Clicking a ticked SEL removes the entry.
        QVERIFY(f.grid().isTicked(3, 0));
        emit f.grid().cellClicked(3, 0);
        QVERIFY(!f.grid().isTicked(3, 0));
        f.fake.messages.answer(true);
        click(w, "cmdPost_2"); // CLEAR ALL
        QCOMPARE(f.grid().text(2, 8), "Completed");
        QCOMPARE(f.grid().text(2, 5), "");
        // Ticking by slip number for deletion; a No keeps everything.
        emit f.grid().cellClicked(1, 1);
        emit f.grid().cellClicked(3, 1);
        f.fake.messages.answer(true);
        f.fake.messages.answer(false);
        click(w, "cmdCompletions_1");
        QCOMPARE(f.grid().rows(), 4);
        f.fake.messages.answer(true);
        f.fake.messages.answer(true);
        click(w, "cmdCompletions_1");
        QCOMPARE(f.grid().rows(), 2);
        QCOMPARE(f.grid().text(1, 1), "12");
        QCOMPARE(Finalize::LoadCompletedSlips(f.state.folder).size(), std::size_t(1));
    }

    // Leaving the grid for the entry panel with no slip ticked is said once; other ways out say nothing.
    void noSlipSelectedWhenTheGridIsLeft_data()
    {
        dataColumns<QString, bool, bool>("next", "ticked", "said");
        dataRow("to the invoice box", QString("txtInvoice"), false, true);
        dataRow("to a slip button", QString("cmdPost_1"), false, true);
        dataRow("with a slip ticked", QString("txtInvoice"), true, false);
        dataRow("to Menu", QString("cmdCompletions_0"), false, false);
        dataRow("to another window", QString(), false, false);
    }
    void noSlipSelectedWhenTheGridIsLeft()
    {
        auto [next, ticked] = fetched<QString, bool>("next", "ticked");
        Finalizing f;
        FinalizeWindow &w = *f.window;
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        // The entry panel is up, with the slip ticked or, ticked and unticked again, with none.
        emit f.grid().cellClicked(1, 0);
        if (!ticked)
            emit f.grid().cellClicked(1, 0);
        f.grid().view()->setFocus(Qt::MouseFocusReason);
        QVERIFY(f.grid().view()->hasFocus());
        f.fake.messages.shown.clear();
        QWidget other;
        if (next.isEmpty()) {
            other.show();
            other.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&other));
        } else {
            QWidget *target = child<QWidget>(w, next);
            target->setFocus(next.startsWith("cmd") ? Qt::MouseFocusReason : Qt::TabFocusReason);
            QVERIFY(target->hasFocus());
        }
        QCoreApplication::processEvents();
        QFETCH(bool, said);
        QCOMPARE(f.fake.messages.shown.size(), std::size_t(said ? 1 : 0));
        if (said)
            QCOMPARE(f.fake.messages.lastText(), "No Service Slips have been selected");
    }

    void dialFromTheName()
    {
        Finalizing f;
        f.state.settings.phoneDaisyChained = true;
        f.window->hide();
        f.window->show();
        emit f.grid().cellClicked(1, 4);
        QCOMPARE(f.dialed, QStringList({"Main St555-0100"}));
    }

    // A journal that could not be finished blocks Write Records, and the message says nothing was written.
    void writeRecordsBlockedByDamagedJournal()
    {
        Finalizing f;
        FinalizeWindow &w = *f.window;
        f.root.write(PostingRun::kJournal, "{\"format\":1");
        emit f.grid().cellClicked(1, 0);
        f.post("10", "5001", "Ck # 4471");
        QCOMPARE(f.grid().rowTexts(1).last(), "Finalized");
        f.fake.messages.answer(true);
        click(w, "cmdSelected");
        QVERIFY2(f.fake.messages.lastText().contains("Nothing was written"), qPrintable(f.fake.messages.lastText()));
        QVERIFY2(!f.fake.messages.lastText().contains("recorded as being posted"),
                 qPrintable(f.fake.messages.lastText()));
        QVERIFY(!f.root.exists(Posting::kHistory));
        QCOMPARE(f.root.read(SlipFiles::kCompleted).size(), 3 * 697);
    }

    void historyWindow()
    {
        TestRoot root;
        FakePlatform fake;
        fake.clock.setDate(kToday);
        AppState state{root.folder()};
        WriteHistory(state.folder, "1001", "Main St", "$10.00", QDate(2026, 2, 27), "Invoice No. 1");
        WriteHistory(state.folder, "2002", "Oak Ave", "$5.50", QDate(2026, 3, 2), "Invoice No. 2");
        WriteServiceHistory(state.folder, "2002", "Oak Ave", "Crew B", QDate(2026, 3, 2), "Furnace");
        std::optional<QString> saveTo = root.file("/income.csv");
        HistoryWindow w({&fake.layouts, {}}, state, fake.messages, fake.clock, [&](const QString &) { return saveTo; });
        w.show();
        QCOMPARE(w.financialGrid()->rows(), 2); // today only: the heading and one empty row
        click(w, "cmdIncome_1");                // month to date
        QCOMPARE(w.financialGrid()->text(1, 1), "Oak Ave");
        QCOMPARE(child<QLineEdit>(w, "txtTotal")->text(), "$5.50");
        click(w, "cmdIncome_2"); // year to date
        QCOMPARE(child<QLineEdit>(w, "txtTotal")->text(), "$15.50");
        // Under the grid: nothing was paid (no payment records), and the chart starts with the first income.
        QCOMPARE(child<QLabel>(w, "lblAmount_NotCollected")->text(), "$15.50");
        const Income::Chart &chart = w.incomePanel()->chart()->chart();
        QCOMPARE(chart.bars.size(), std::size_t(2));
        QCOMPARE(chart.bars[0].preTax, Money::fromCents(1000));
        const QByteArray heading = "\xEF\xBB\xBF"
                                   "Date,Invoice No.,Account,Name,Pre-Tax,Total,Payment Form,Received\r\n";
        const QByteArray main = "2026-02-27,\"=\"\"1\"\"\",\"=\"\"1001\"\"\",Main St,10.00,10.00,Not Collected,\r\n";
        const QByteArray oak = "2026-03-02,\"=\"\"2\"\"\",\"=\"\"2002\"\"\",Oak Ave,5.50,5.50,Not Collected,\r\n";
        click(w, "cmdExport");
        QCOMPARE(root.read("/income.csv"), heading + main + oak);
        // A date is checked only on Enter or leaving: after today refused, an end before the start snaps to it,
        // a text that is no date is said and stays.
        auto *end = child<DateBox>(w, "DTPicker1_1");
        auto *start = child<DateBox>(w, "DTPicker1_0");
        const auto retype = [](DateBox *box, const QString &text, bool pressEnter = true) {
            box->setFocus();
            QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(box, text);
            if (pressEnter)
                QTest::keyClick(box, Qt::Key_Return);
        };
        const std::size_t said = fake.messages.shown.size();
        retype(end, "3/8/2026", false);
        QCOMPARE(fake.messages.shown.size(), said);
        QTest::keyClick(end, Qt::Key_Return);
        QCOMPARE(fake.messages.lastText(), "Your Calendar Selection is Invalid");
        QCOMPARE(end->date(), kToday);
        QCOMPARE(end->text(), "3/7/2026");
        // A date taken reloads what is shown below it: nothing from 3/5 to 3/7.
        QLineEdit *total = child<QLineEdit>(w, "txtTotal");
        retype(start, "3/5/2026");
        QCOMPARE(start->date(), QDate(2026, 3, 5));
        QCOMPARE(total->text(), "$0.00");
        QCOMPARE(w.financialGrid()->rows(), 2);
        retype(end, "3/1/2026");
        QCOMPARE(end->date(), QDate(2026, 3, 5));
        retype(start, "2/30/2026");
        QCOMPARE(fake.messages.lastText(), "\"2/30/2026\" is not a date.\r\nType the date as month/day/year, for "
                                           "example 12/24/2026.");
        QCOMPARE(start->text(), "2/30/2026");
        QCOMPARE(start->date(), QDate(2026, 3, 5));
        QApplication::clipboard()->setText("2/1/2026");
        QTest::keyClick(start, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(start, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(start, Qt::Key_Return);
        QCOMPARE(start->date(), QDate(2026, 2, 1));
        // F4 opens the calendar, as Alt+Down does; a day picked there is taken at once.
        QTest::keyClick(end, Qt::Key_F4);
        QTRY_VERIFY(end->calendarShown());
        QTest::keyClick(end->calendarWidget(), Qt::Key_Escape);
        QTRY_VERIFY(!end->calendarShown());
        QTest::keyClick(end, Qt::Key_Down, Qt::AltModifier);
        QTRY_VERIFY(end->calendarShown());
        emit end->calendarWidget()->clicked(QDate(2026, 3, 6));
        QVERIFY(!end->calendarShown());
        QCOMPARE(end->date(), QDate(2026, 3, 6));
        QCOMPARE(total->text(), "$15.50");
        // A date still being typed is taken before the export writes: 3/1 to 3/6 holds Oak Ave alone.
        retype(start, "3/1/2026", false);
        child<QPushButton>(w, "cmdExport")->click();
        QCOMPARE(root.read("/income.csv"), heading + oak);
        QCOMPARE(total->text(), "$5.50");
        // Who owes: the account's unpaid invoice, and a double-click shows its whole history.
        AccountFiles::appendAccountRecord(
            state.folder, {"2002", "Oak Ave", Money::fromCents(550), "2", QDate(2026, 3, 2)}, QDate(2026, 3, 2));
        ReceivablesWindow *owes = w.receivables();
        owes->reload();
        QCOMPARE(owes->grid()->rowTexts(1).mid(0, 6),
                 QStringList({"2002", "Oak Ave", "3/2/2026", QString::number(QDate(2026, 3, 2).daysTo(kToday)), "$5.50",
                              "$5.50"}));
        // A payment recorded since (by the invoicing program, say) shows at the next look.
        AccountFiles::appendAccountRecord(
            state.folder, {"2002", "Oak Ave", Money::fromCents(200), "Payment Received", QDate(2026, 3, 5)},
            QDate(2026, 3, 5));
        owes->show();
        click(*owes, "cmdReceivables_2");
        QCOMPARE(owes->grid()->text(1, 4), "$3.50");
        emit owes->grid()->cellDoubleClicked(1, 0);
        QVERIFY(child<QCheckBox>(w, "ckAccount")->isChecked());
        QCOMPARE(w.financialGrid()->text(1, 0), "2002");
        QCOMPARE(w.financialGrid()->rows(), 3);
        child<QCheckBox>(w, "ckAccount")->setChecked(false);
        click(w, "cmdHistory_4");
        QVERIFY(w.serviceGrid()->isVisible());
        QVERIFY(!child<QLineEdit>(w, "txtTotal")->isVisible());
        click(w, "cmdHistory_4");
        // One account alone: the grid, and so the export, follow the box and the account at once.
        click(w, "cmdIncome_2");
        QComboBox *accounts = child<QComboBox>(w, "cboAccounts");
        if (accounts->findText("1001") < 0)
            accounts->addItems({"1001", "2002"}); // the customer file's accounts
        accounts->setCurrentIndex(accounts->findText("1001"));
        child<QCheckBox>(w, "ckAccount")->setChecked(true);
        QVERIFY(!child<QPushButton>(w, "cmdHistory_2")->isEnabled());
        click(w, "cmdExport");
        QCOMPARE(root.read("/income.csv"), heading + main);
        accounts->setCurrentIndex(accounts->findText("2002"));
        click(w, "cmdExport");
        QCOMPARE(root.read("/income.csv"), heading + oak);
        fake.messages.answer(false);
        click(w, "cmdHistory_3");
        QCOMPARE(fake.messages.lastText(), "Click Yes to Delete This Acctounts History\r\n"
                                           "Account 2002: 1 financial and 1 service history records");

        // Many rows: the grid shows at once, the figures under it follow, and the export waits for them.
        child<QCheckBox>(w, "ckAccount")->setChecked(false);
        w.setIncomeApartFrom(1);
        click(w, "cmdIncome_2");
        QCOMPARE(w.financialGrid()->text(2, 1), "Oak Ave");
        if (w.incomePending()) {
            QCOMPARE(child<QLabel>(w, "lblIncomePending")->text(), "Adding up 2 invoices...");
            QCOMPARE(child<IncomeChart>(w, "chtIncome")->emptyText(), "Adding up 2 invoices...");
        }
        QTRY_VERIFY(!w.incomePending());
        QCOMPARE(child<QLabel>(w, "lblAmount_NotCollected")->text(), "$15.50");
        click(w, "cmdIncome_1");
        click(w, "cmdExport");
        QVERIFY(!w.incomePending());
        QCOMPARE(root.read("/income.csv"), heading + oak);
    }

    // Invoices chosen for reprinting come out by invoice number, whatever their dates and the order they were
    // clicked in; two of one number in the order the grid lists them.
    void reprintsInInvoiceNumberOrder()
    {
        TestRoot root;
        FakePlatform fake;
        fake.clock.setDate(kToday);
        AppState state{root.folder()};
        const QStringList numbers = {"10", "9", "100", "9", "A-10", "a-2"}; // accounts 1001, 2002 ... 6006
        for (int i = 0; i < 6; ++i)
            WriteHistory(state.folder, QString::number(1001 * (i + 1)), "Site", "$1.00", QDate(2026, 3, 1 + i),
                         "Invoice No. " + numbers[i]);
        HistoryWindow w({&fake.layouts, {}}, state, fake.messages, fake.clock, {});
        RecordingPrintTarget target;
        w.setPrinting(&target, [] { return DocumentInputs(); });
        w.show();
        click(w, "cmdIncome_1"); // month to date: all six, by date
        QItemSelectionModel *selection = w.financialGrid()->view()->selectionModel();
        for (const int row : {5, 3, 0, 1, 4, 2})
            selection->select(w.financialGrid()->view()->model()->index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
        click(w, "cmdPrintInvoice");
        QCOMPARE(target.jobNames, std::vector<QString>({"Invoice 9", "Invoice 9", "Invoice 10", "Invoice 100",
                                                        "Invoice a-2", "Invoice A-10"}));
        QCOMPARE(target.surface.texts().filter("Account: ").mid(0, 2), QStringList({"Account: 2002", "Account: 4004"}));
        w.financialGrid()->view()->setCurrentIndex(w.financialGrid()->view()->model()->index(1, 0));
        click(w, "cmdSlipMedia"); // no finalized slip is kept for these invoices
        QCOMPARE(fake.messages.lastText(), "The slip of this invoice is no longer kept.");
    }
};

QTEST_MAIN(TestBillingWindows)
#include "tst_billingwindows.moc"
