#include "accounts/customerfile.h"
#include "accounts/servicecatalogue.h"
#include "app/appstate.h"
#include "boardsamples.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "gui/dispatch/createslipwindow.h"
#include "gui/widgets/datebox.h"
#include "gui/widgets/flexgrid.h"
#include "platform/fakes/fakeplatform.h"
#include "slipsamples.h"
#include "testsupport.h"
#include "widgettesting.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace SlipCreation;

namespace {

// The window over a folder with customer A100, two technicians and two services, on Thursday 1/15/2026.
struct Screen
{
    Screen()
        : state(root.folder())
    {
        WriteCustomer(root.folder(), 1, SlipSamples::customer());
        state.currentCustomer = SlipSamples::customer();
        state.assignmentLists.creation = {"None", "Bob", "Ann"};
        state.assignmentLists.creationGrid = {{"Bob", "555-0001", "555-0002", ""}, {"Ann", "555-0003", "", ""}};
        state.settings.phoneDaisyChained = true;
        SaveCatalogue(root.folder(), {{"Furnace check", "$45.00", "1:00"}, {"Filter", "$9.00", "0:15"}});
        window = std::make_unique<CreateSlipWindow>(state, platform, ProgramWindow::Environment{&fake.layouts, {}});
        QObject::connect(window.get(), &ProgramWindow::dialRequested,
                         [this](const QString &name, const QString &number) { dialed.append(name + "|" + number); });
        window->show();
    }
    template <typename T = QPushButton> T *get(const QString &name) const { return child<T>(window.get(), name); }
    void click(int index) const { get(QStringLiteral("cmdCreation_%1").arg(index))->click(); }
    void chooseAssignment(const QString &name) const
    {
        auto *list = get<QListWidget>("lstAssignments");
        list->setCurrentItem(list->findItems(name, Qt::MatchExactly).value(0));
    }
    void clickService(int row) const
    {
        auto *list = get<QListWidget>("lstServices");
        emit list->itemClicked(list->item(row));
    }
    // Step 1 to step 3 with a service text.
    void toSchedule(const QString &service = "No heat") const
    {
        click(2);
        get<QPlainTextEdit>("txtService")->setPlainText(service);
        click(4);
    }
    QString dateLabel() const { return get<QLabel>("lblDate")->text(); }
    QString time() const { return get<QComboBox>("cboTime")->currentText(); }

    TestRoot root;
    FakePlatform fake;
    Platform platform = fake.platform();
    AppState state;
    QStringList dialed;
    std::unique_ptr<CreateSlipWindow> window;
};

const QString kBlank = QString(10, ' ');

} // namespace

class TestCreateSlip : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { useTestSettingsStore(); }

    void stepsOneAndTwo()
    {
        Screen s;
        QVERIFY(s.window->begin());
        QCOMPARE(s.window->step(), CreateSlipWindow::ServiceLocation);
        QCOMPARE(s.get<QLabel>("lblAccount")->text(), QString("A100"));
        QCOMPARE(s.get<QLabel>("lblCustomerInfo_1")->text(), QString("Mr. John Smith"));
        QCOMPARE(s.get<QLineEdit>("txtCustomerInfo_1")->text(), QString());

        // The job site toggle copies the account block, then hands the boxes to the user.
        auto *jobSite = s.get("cmdSetJobSite");
        jobSite->click();
        QCOMPARE(s.get<QLineEdit>("txtCustomerInfo_4")->text(), QString("Springfield"));
        QCOMPARE(s.get<QLineEdit>("txtCustomerInfo_8")->text(), QString("217-555-0199"));
        QCOMPARE(jobSite->text(), QString("Enter Manually"));
        for (int i = 1; i <= 8; ++i) // emptied by hand: the account's address is offered again
            s.get<QLineEdit>(QString("txtCustomerInfo_%1").arg(i))->clear();
        QCOMPARE(jobSite->text(), QString("Same as Account"));
        jobSite->click();
        QCOMPARE(jobSite->text(), QString("Enter Manually"));
        jobSite->click();
        QCOMPARE(jobSite->text(), QString("Same as Account"));

        s.click(2);
        QCOMPARE(s.window->step(), CreateSlipWindow::ServiceDetails);
        s.click(4); // an empty service text does not pass
        QCOMPARE(s.fake.messages.lastText(), kEnterDetails);
        QCOMPARE(s.window->step(), CreateSlipWindow::ServiceDetails);

        QCOMPARE(s.get<QListWidget>("lstServices")->count(), 2);
        s.clickService(0);
        s.clickService(1);
        QCOMPARE(s.get<QPlainTextEdit>("txtService")->toPlainText(), QString("Furnace check\nFilter"));
        s.click(1); // Clear / Redo
        QCOMPARE(s.get<QPlainTextEdit>("txtService")->toPlainText(), QString());

        // A service that would not fit is refused with the size of the field.
        s.get<QPlainTextEdit>("txtService")->setPlainText(QString(195, 'x'));
        s.clickService(0);
        QVERIFY(s.fake.messages.lastText().contains("at most 200 characters"));
        QCOMPARE(s.get<QPlainTextEdit>("txtService")->toPlainText().size(), 195);
        s.click(4);
        QCOMPARE(s.window->step(), CreateSlipWindow::Schedule);
        QCOMPARE(s.get<QListWidget>("lstAssignments")->currentItem()->text(), QString("None"));
        QVERIFY(!s.get<QGroupBox>("fraDate")->isVisible());
        s.click(5);
        QCOMPARE(s.window->step(), CreateSlipWindow::ServiceDetails);
        s.click(3);
        QCOMPARE(s.window->step(), CreateSlipWindow::ServiceLocation);
    }

    void dateRules()
    {
        Screen s;
        QVERIFY(s.window->begin());
        s.toSchedule();
        auto *noDate = s.get<QCheckBox>("ckdate");
        auto *picker = s.get<DateBox>("DTPicker1");
        s.chooseAssignment("Bob");
        QVERIFY(s.get<QGroupBox>("fraDate")->isVisible());
        QCOMPARE(s.dateLabel(), kBlank);
        QCOMPARE(picker->minimumDate(), QDate(2026, 1, 15));
        emit picker->calendarWidget()->clicked(picker->date()); // the day the calendar shows, clicked, is picked
        QTRY_COMPARE(s.dateLabel(), QString("1/15/2026"));

        noDate->click(); // set: no date, no time
        QCOMPARE(noDate->text(), QString("Leave Date Blank"));
        QVERIFY(!picker->isEnabled());
        QVERIFY(!s.get<QComboBox>("cboTime")->isEnabled());
        QCOMPARE(s.time(), QString("None"));
        QCOMPARE(s.dateLabel(), kBlank);
        noDate->click(); // cleared: the picker's date at 08:00
        QCOMPARE(noDate->text(), QString("Drop down Calendar, click Date"));
        QVERIFY(picker->isEnabled());
        QVERIFY(s.get<QComboBox>("cboTime")->isEnabled());
        QCOMPARE(s.dateLabel(), QString("1/15/2026"));
        QCOMPARE(s.time(), QString("08:00"));

        // A Saturday moves to Monday, with both messages.
        s.window->pickDate(QDate(2026, 1, 17));
        QCOMPARE(s.fake.messages.texts().mid(0, 2),
                 QStringList({"Your Calendar Selection is Invalid", "The date has been set to Monday, 1/19/2026"}));
        QCOMPARE(s.fake.messages.beeps, 1);
        QCOMPARE(s.dateLabel(), QString("1/19/2026"));
        QCOMPARE(s.window->draft().date, std::optional<QDate>(QDate(2026, 1, 19)));

        // A day more than a year ahead is asked about once; No keeps the date shown.
        s.fake.messages.answer(false);
        s.window->pickDate(QDate(2027, 2, 1));
        QCOMPARE(s.fake.messages.lastText(), "2/1/2027 is more than a year ahead. Is this date correct?");
        QCOMPARE(s.dateLabel(), QString("1/19/2026"));
        QCOMPARE(picker->date(), QDate(2026, 1, 19));
        // The arrow keys step over the weekend and ask nothing; the day is taken, once, when Enter is pressed.
        const std::size_t said = s.fake.messages.shown.size();
        QTest::keyClick(picker, Qt::Key_Down);
        QCOMPARE(picker->text(), QString("1/16/2026"));
        QTest::keyClick(picker, Qt::Key_Up);
        QTest::keyClick(picker, Qt::Key_Up);
        QCOMPARE(picker->text(), QString("1/20/2026"));
        QCOMPARE(s.dateLabel(), QString("1/19/2026"));
        QTest::keyClick(picker, Qt::Key_Return);
        QCOMPARE(s.dateLabel(), QString("1/20/2026"));
        QCOMPARE(s.fake.messages.shown.size(), said);

        // Choosing None resets the panel; clearing the box with None asks for an assignment.
        s.chooseAssignment("None");
        QVERIFY(!s.get<QGroupBox>("fraDate")->isVisible());
        QCOMPARE(s.dateLabel(), kBlank);
        QCOMPARE(s.time(), QString("None"));
        noDate->click();
        noDate->click();
        QCOMPARE(s.fake.messages.lastText(), kSelectAssignment);

        // Clear/Redo: None, no time, no date, the box set.
        s.chooseAssignment("Ann");
        s.window->pickDate(QDate(2026, 1, 16));
        s.click(10);
        QCOMPARE(s.get<QListWidget>("lstAssignments")->currentRow(), 0);
        QVERIFY(noDate->isChecked());
        QCOMPARE(s.dateLabel(), kBlank);
        QCOMPARE(s.time(), QString("None"));
    }

    void createsTheSlipAndReturns()
    {
        Screen s;
        s.root.write(SlipFiles::kActive, SlipSamples::slip("900|Assigned|Bob|1/16/2026|08:00-10:00|Lee").bytes());
        QVERIFY(s.window->begin());
        s.get("cmdSetJobSite")->click();
        s.toSchedule("Furnace check");
        s.chooseAssignment("Bob");
        s.window->pickDate(QDate(2026, 1, 16));
        // The technician's day is shown, the slip that the chosen time would overlap in red.
        auto *day = s.get<FlexGrid>("fgAssignmentDay");
        QCOMPARE(day->rowTexts(1), QStringList({"900", "08:00-10:00", "Lee", "Assigned"}));
        QCOMPARE(day->cellTextColour(1, 0), QColor(255, 0, 0));
        s.get<QComboBox>("cboTime")->setCurrentText("10:00");
        QCOMPARE(day->cellTextColour(1, 0), QColor());
        // The earliest free slot of the time list's kind; choosing it fills in the time.
        s.get<QComboBox>("cboTime")->setCurrentText("01:00-03:00");
        QCOMPARE(s.get("cmdNextFree")->text(), "Earliest free: Fri 1/16/2026 at 10:00-12:00");
        s.get("cmdNextFree")->click();
        QCOMPARE(s.time(), "10:00-12:00");
        s.get<QComboBox>("cboTime")->setCurrentText("10:00");
        s.get<QListWidget>("lstPriority")->setCurrentRow(3);

        QSignalSpy back(s.window.get(), &CreateSlipWindow::returnToMenu);
        s.fake.messages.answer(true);
        s.click(6);
        QCOMPARE(back.count(), 1);
        QVERIFY(!s.window->isVisible());
        QCOMPARE(s.fake.messages.lastText(), "Service Slip 1000 has been stored.");
        const Record slip = LoadActiveSlips(s.root.folder()).back();
        using namespace SlipField;
        QCOMPARE(QStringList({QString::number(slip.int16(SlipNo)), slip.text(Status), slip.text(AssignedTo),
                              slip.text(SchedDate), slip.text(SchedTime), slip.text(Priority), slip.text(SiteCity),
                              slip.text(ServiceRequired)}),
                 QStringList(
                     {"1000", "Assigned", "Bob", "1/16/2026", "10:00", "Emergency", "Springfield", "Furnace check"}));
        QCOMPARE(s.state.slipCounter.next(), qint16(1001));
        QCOMPARE(s.root.read("/SlipNo.txt").trimmed(), QByteArray("1001"));

        // The next creation starts over at step 1 with empty boxes.
        s.window->show();
        QVERIFY(s.window->begin());
        QCOMPARE(s.window->step(), CreateSlipWindow::ServiceLocation);
        QCOMPARE(s.get<QLineEdit>("txtCustomerInfo_1")->text(), QString());
        QCOMPARE(s.get<QPlainTextEdit>("txtService")->toPlainText(), QString());
    }

    void refusalsKeepTheWindow_data()
    {
        QTest::addColumn<QString>("answers"); // the answers, Y or N, in the order asked
        QTest::addColumn<QString>("last");
        QTest::newRow("no date declined") << "N" << kNoDateQuestion;
        QTest::newRow("booked slot") << "YY" << kBooked;
    }
    void refusalsKeepTheWindow()
    {
        QFETCH(QString, answers);
        Screen s;
        s.root.write(SlipFiles::kActive, SlipSamples::slip("900|Assigned|Bob|0|None").bytes());
        QVERIFY(s.window->begin());
        s.toSchedule();
        s.chooseAssignment("Bob");
        if (answers == "YY") {
            s.root.write(SlipFiles::kActive, SlipSamples::slip("900|Assigned|Bob|1/15/2026|08:00").bytes());
            s.get<QCheckBox>("ckdate")->click();
            s.get<QCheckBox>("ckdate")->click(); // 1/15/2026 at 08:00
            answers.chop(1);
        }
        for (QChar a : answers)
            s.fake.messages.answer(a == 'Y');
        const QByteArray before = s.root.read(SlipFiles::kActive);
        s.click(6);
        QTEST(s.fake.messages.lastText(), "last");
        QVERIFY(s.window->isVisible());
        QCOMPARE(s.window->step(), CreateSlipWindow::Schedule);
        QCOMPARE(s.root.read(SlipFiles::kActive), before);
        QVERIFY(!s.root.exists("/SlipNo.txt"));
    }

    // Without a date by the question, then by "Leave Date Blank"; the next slip has its time list again, and the
    // earliest free hour today is one that has not begun (it is 09:00, Bob has 10:00).
    void noDateStoresUnscheduled()
    {
        Screen s;
        s.root.write(SlipFiles::kActive, SlipSamples::slip("900|Assigned|Bob|1/15/2026|10:00").bytes());
        for (int slip = 0; slip < 3; ++slip) {
            s.window->show();
            QVERIFY(s.window->begin());
            s.toSchedule();
            s.chooseAssignment("Bob");
            if (slip == 2)
                break;
            slip == 0 ? s.fake.messages.answer(true) : s.get<QCheckBox>("ckdate")->click();
            s.fake.messages.answer(true); // reviewed
            s.click(6);
        }
        QCOMPARE(slipSummary(s.root.folder(), SlipFiles::kActive),
                 "900:Assigned 1/15/2026 10:00; 1000:Assigned 0 None; 1001:Assigned 0 None");
        QVERIFY(!s.get<QCheckBox>("ckdate")->isChecked() && s.get<QComboBox>("cboTime")->isEnabled());
        QCOMPARE(s.get("cmdNextFree")->text(), "Earliest free: Thu 1/15/2026 at 11:00");
    }

    void cannotBegin_data()
    {
        dataColumns<bool, QString>("counterAtEnd", "message");
        QTest::newRow("counter at its end") << true << "32766";
        QTest::newRow("account deleted") << false << "no longer in the Customer file";
    }
    void cannotBegin()
    {
        auto [counterAtEnd, message] = fetched<bool, QString>("counterAtEnd", "message");
        Screen s;
        if (counterAtEnd)
            s.state.slipCounter.set(SlipCounter::kLast);
        else
            s.state.currentCustomer.setText(CustomerField::AcctNo, "GONE");
        QVERIFY(!s.window->begin());
        QVERIFY2(s.fake.messages.lastText().contains(message), qPrintable(s.fake.messages.lastText()));
    }

    void listsFollowTheAssignmentsAndPhones()
    {
        Screen s;
        QVERIFY(s.window->begin());
        s.state.assignmentLists.creation.append("Cy");
        s.state.assignmentLists.creationGrid.push_back({"Cy", "555-0009", "", ""});
        s.window->hide();
        s.window->show();
        QVERIFY(!s.get<QListWidget>("lstAssignments")->findItems("Cy", Qt::MatchExactly).isEmpty());

        auto *phones = s.get<FlexGrid>("fgTechTel");
        QCOMPARE(phones->rows(), 4);
        s.click(7);
        QVERIFY(s.get<QGroupBox>("fraPhone")->isVisible());
        QVERIFY(s.get("cmdCreation_8")->isVisible() && !s.get("cmdCreation_7")->isVisible());
        emit phones->cellClicked(2, 3); // an empty cell
        QVERIFY(!s.get("imgDial")->isEnabled());
        QCOMPARE(s.fake.messages.beeps, 1);
        emit phones->cellClicked(1, 2);
        s.get("imgDial")->click();
        QCOMPARE(s.dialed, QStringList{"Bob|555-0002"});
        QVERIFY(!s.get("imgDial")->isEnabled());
        s.click(8);
        QVERIFY(!s.get<QGroupBox>("fraPhone")->isVisible());

        // Without a daisy-chained phone there is nothing to call with.
        s.state.settings.phoneDaisyChained = false;
        s.window->hide();
        s.window->show();
        QVERIFY(!s.get("cmdCreation_7")->isEnabled());
    }
};

QTEST_MAIN(TestCreateSlip)
#include "tst_createslip.moc"
