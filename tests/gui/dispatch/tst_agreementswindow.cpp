#include "accounts/assignmentfile.h"
#include "accounts/customerfile.h"
#include "accounts/customerrecord.h"
#include "accounts/servicecatalogue.h"
#include "apptesting.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "dispatch/agreements.h"
#include "dispatch/boardstate.h"
#include "dispatch/calendar.h"
#include "gui/dispatch/agreementswindow.h"
#include "gui/dispatch/boardwindow.h"
#include "gui/widgets/datebox.h"
#include "gui/widgets/fieldfilter.h"
#include "gui/widgets/flexgrid.h"
#include "platform/fakes/recordingprinttarget.h"
#include "testsupport.h"
#include "tools/samplegenerator.h"
#include "widgettesting.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>

// The maintenance agreements as the office works them: the editor stores what it shows, the totals add up,
// deleting a visit's slip asks once, the calendar marks the agreements' slips.
class TestAgreementsWindow : public QObject
{
    Q_OBJECT

    struct Folder
    {
        TestRoot root;
        QString acctNo;
        QStringList services;
        QString technician;
        Folder()
        {
            generateSampleData(
                root.folder(),
                {.customers = 12, .slips = 0, .services = 6, .assignments = 2, .today = QDate(2026, 1, 15)});
            Record customer(customerLayout());
            ReadCustomer(root.folder(), 1, customer);
            acctNo = customer.text(CustomerField::AcctNo).trimmed();
            for (const CatalogueRow &row : LoadCatalogue(root.folder()))
                services << row.description;
            technician = LoadAssignmentLists(root.folder()).board.value(1);
        }
        Agreement agreement(Agreement::Interval interval, int every, quint16 months, const QString &price) const
        {
            Agreement a;
            a.acctNo = acctNo;
            a.services = {services[0]};
            a.interval = interval;
            a.every = every;
            a.months = months;
            a.slot = QStringLiteral("None");
            a.start = QDate(2026, 1, 1);
            a.price = *Formats::parseCurrency(price);
            return a;
        }
    };

    // Opens the editor with `button`, fills it in and saves it; true when it closed (the agreement stored).
    static bool saved(AgreementsWindow *window, const QString &button,
                      const std::function<void(AgreementEditor &)> &fill)
    {
        click(window, button);
        AgreementEditor *editor = window->editor();
        fill(*editor);
        click(*editor, QStringLiteral("cmdSave"));
        const bool closed = !editor->isVisible();
        editor->close();
        return closed;
    }

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void editorStoresWhatItShows()
    {
        Folder f;
        FakePlatform fake;
        StartedApp app(f.root.path(), fake);
        AgreementsWindow *window = app.openAgreements(f.acctNo);
        QVERIFY(saved(window, QStringLiteral("cmdNew"), [&](AgreementEditor &e) {
            child<QListWidget>(e, "lstServices")->item(1)->setCheckState(Qt::Checked);
            child<QListWidget>(e, "lstServices")->item(3)->setCheckState(Qt::Checked);
            child<QRadioButton>(e, "optChosenMonths")->setChecked(true);
            child<QCheckBox>(e, "ckMonth_2")->setChecked(true);
            child<QCheckBox>(e, "ckMonth_9")->setChecked(true);
            child<QComboBox>(e, "cboTechnician")->setCurrentIndex(1);
            child<QComboBox>(e, "cboWeekday")->setCurrentIndex(2);
            child<QComboBox>(e, "cboSlot")->setCurrentText(QStringLiteral("10:00"));
            child<DateBox>(e, "dtpStart")->setText(QStringLiteral("3/10/2026"));
            child<QCheckBox>(e, "ckEnds")->setChecked(true);
            child<DateBox>(e, "dtpEnd")->setText(QStringLiteral("12/31/2027"));
            // Pasted with Ctrl+V: a decimal comma is refused and said, thousands commas are dropped.
            auto *price = child<QLineEdit>(e, "txtPrice");
            for (const char *pasted : {"12,5", "$1,234.50\r\n"}) {
                QApplication::clipboard()->setText(QString::fromLatin1(pasted));
                price->setFocus();
                QTest::keySequence(price, QKeySequence::Paste);
            }
            QTRY_VERIFY2(fake.messages.lastText().contains("\"12,5\" is not an amount"),
                         qPrintable(fake.messages.lastText()));
            FieldFilter::of(child<QLineEdit>(e, "txtNote"))->paste(QStringLiteral("Side gate, dog"));
            FieldFilter::of(child<QLineEdit>(e, "txtNote"))->paste(QStringLiteral(" \"bites\"")); // refused whole
        }));

        const std::vector<Agreement> stored = Agreements::load(f.root.folder());
        QCOMPARE(stored.size(), std::size_t(1));
        const Agreement &a = stored[0];
        QCOMPARE(a.acctNo, f.acctNo);
        QCOMPARE(a.services, QStringList({f.services[1], f.services[3]}));
        QCOMPARE(a.interval, Agreement::Interval::ChosenMonths);
        QCOMPARE(a.months, quint16(0x204)); // March and October
        QCOMPARE(a.technician, f.technician);
        QCOMPARE(a.weekday, 2);
        QCOMPARE(a.slot, QStringLiteral("10:00"));
        QCOMPARE(a.start, QDate(2026, 3, 10));
        QCOMPARE(a.end, QDate(2027, 12, 31));
        QCOMPARE(a.price, Money::fromCents(123450));
        QCOMPARE(a.note, QStringLiteral("Side gate, dog"));
        QCOMPARE(window->grid()->text(1, 4), QStringLiteral("Mar, Oct"));

        // A slip text longer than a slip holds is refused with its length, and nothing is stored.
        QString length;
        QVERIFY(!saved(window, QStringLiteral("cmdNew"), [&](AgreementEditor &e) {
            child<QListWidget>(e, "lstServices")->item(0)->setCheckState(Qt::Checked);
            child<QLineEdit>(e, "txtNote")->setText(QString(199, QLatin1Char('x')));
            length = child<QLabel>(e, "lblSlipLength")->text();
        }));
        QCOMPARE(length, QStringLiteral("%1 of 200 characters - too long").arg(f.services[0].size() + 2 + 199));
        QCOMPARE(Agreements::load(f.root.folder()).size(), std::size_t(1));
        QVERIFY2(fake.messages.lastText().contains(QStringLiteral("200")), qPrintable(fake.messages.lastText()));
    }

    // The yearly values shown add up to the total shown, each the sum of the prices shown (a stored price of
    // $10.005 shows as $10.01), and the coming weeks print with totals that add up.
    void totalsAddUp()
    {
        Folder f;
        for (Agreement a : {f.agreement(Agreement::Interval::Months, 1, 0, QStringLiteral("$10.005")),
                            f.agreement(Agreement::Interval::Weeks, 1, 0, QStringLiteral("$25.50")),
                            f.agreement(Agreement::Interval::ChosenMonths, 1, 0x924, QStringLiteral("$99.99"))})
            QVERIFY(Agreements::save(f.root.folder(), a).isDone());
        FakePlatform fake;
        RecordingPrintTarget printer;
        StartedApp app(f.root.path(), fake, &printer);
        AgreementsWindow *window = app.openAgreements({});
        QStringList yearly;
        for (int r = 1; r <= 3; ++r)
            yearly << window->grid()->text(r, 8);
        QCOMPARE(yearly, QStringList({"$120.12", "$1,351.50", "$399.96"}));
        QCOMPARE(child<QLabel>(window, "lblYearlyTotal")->text(),
                 QStringLiteral("Agreed yearly value: $1,871.58 from 3 agreement(s)"));

        click(window, QStringLiteral("cmdPrint"));
        const QStringList printed = printer.surface.texts();
        // Four weeks from Thursday 1/15/2026: weekly visits on Thursdays, the monthly one on 2/1 (a Sunday, so the
        // next working day).
        QVERIFY2(printed.contains(QStringLiteral("Total of all weeks, 5 visits")), qPrintable(printed.join('|')));
        QCOMPARE(printed[printed.indexOf(QStringLiteral("Total of all weeks, 5 visits")) + 1],
                 QStringLiteral("$112.01"));
        QCOMPARE(printed[printed.indexOf(QStringLiteral("Week total, 2 visits")) + 1], QStringLiteral("$35.51"));
        QCOMPARE(printed.count(QStringLiteral("Week total, 1 visit")), 3);
    }

    // A full disk during Make Visits Now is said, and the next click makes what is missing, once; the start of
    // the program says nothing when there is nothing to make.
    void makeVisitsNowAfterFullDisk()
    {
        Folder f;
        FakePlatform fake;
        StartedApp app(f.root.path(), fake);
        QVERIFY(fake.messages.shown.empty());
        Agreement a = f.agreement(Agreement::Interval::Weeks, 1, 0, QStringLiteral("$25.50"));
        a.technician = f.technician;
        a.slot = QStringLiteral("10:00");
        QVERIFY(Agreements::save(f.root.folder(), a).isDone());
        AgreementsWindow *window = app.openAgreements({});
        app.state().folder.setFaultHook([](const char *, const QString &path) {
            if (path.contains(QStringLiteral("ServiceSlips")))
                throw DiskError(QStringLiteral("The disk is full: ") + path);
        });
        click(window, QStringLiteral("cmdMakeVisits"));
        QVERIFY2(fake.messages.lastText().contains(QStringLiteral("Make Visits Now again makes the rest")),
                 qPrintable(fake.messages.lastText()));
        app.state().folder.setFaultHook({});
        click(window, QStringLiteral("cmdMakeVisits"));
        // Thursdays 1/15 to 2/12/2026: four weeks from today, both days included.
        QCOMPARE(fake.messages.lastText(), QStringLiteral("5 visits were made as Service Slips."));
        click(window, QStringLiteral("cmdMakeVisits"));
        QCOMPARE(fake.messages.lastText(), QStringLiteral("No visit was due to be made."));
        QCOMPARE(f.root.read(QStringLiteral("/ServiceSlips.txt")).size(), 5 * 697);
    }

    // Deleting a slip an agreement made asks once whether the visit is skipped or made again; the calendar marks
    // such a slip with its agreement.
    void deletedVisit_data()
    {
        dataColumns<bool, Agreements::VisitState>("skip", "state");
        dataRow("skipped", true, Agreements::VisitState::Skipped);
        dataRow("made again", false, Agreements::VisitState::MakeAgain);
    }
    void deletedVisit()
    {
        auto [skip, state] = fetched<bool, Agreements::VisitState>("skip", "state");
        Folder f;
        Agreement a = f.agreement(Agreement::Interval::Months, 1, 0, QStringLiteral("$10.00"));
        a.technician = f.technician;
        a.slot = QStringLiteral("10:00");
        QVERIFY(Agreements::save(f.root.folder(), a).isDone());
        FakePlatform fake;
        StartedApp app(f.root.path(), fake); // makes the visit at start
        const std::vector<Agreements::Visit> made = Agreements::loadVisits(f.root.folder());
        QCOMPARE(made.size(), std::size_t(1));

        app.openRoutine(StartMenu::ManageSlips);
        auto *board = qobject_cast<BoardWindow *>(app.routineWindow(StartMenu::ManageSlips));
        Calendar::Model calendar(board->board(), app.state().settings, fake.clock);
        calendar.showWeek(f.technician, made[0].day);
        QCOMPARE(calendar.blocks().size(), std::size_t(1));
        QCOMPARE(calendar.blocks()[0].origin, QStringLiteral("From agreement 1: ") + f.services[0]);

        board->board().tickCell(1, 0);
        for (bool answer : {true, true, true, skip})
            fake.messages.answer(answer);
        board->runAction(BoardWindow::DeleteSelected);
        QVERIFY(fake.messages.answers.empty());
        QVERIFY(fake.messages.texts().join('|').contains(QStringLiteral("Slip %1 (agreement 1)").arg(made[0].slipNo)));
        QCOMPARE(Agreements::loadVisits(f.root.folder()).back().state, state);
    }
};

QTEST_MAIN(TestAgreementsWindow)
#include "tst_agreementswindow.moc"
