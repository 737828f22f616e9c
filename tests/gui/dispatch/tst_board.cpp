#include "accounts/assignmentfile.h"
#include "accounts/assignmentrecord.h"
#include "app/appstate.h"
#include "boardsamples.h"
#include "core/slipcounter.h"
#include "gui/dispatch/boardwindow.h"
#include "gui/dispatch/routesheetdialog.h"
#include "gui/widgets/flexgrid.h"
#include "gui/widgets/slipmediapanel.h"
#include "mediasamples.h"
#include "platform/fakes/fakeplatform.h"
#include "platform/fakes/recordingprinttarget.h"
#include "testsupport.h"
#include "tooltesting.h"
#include "widgettesting.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <tuple>

namespace {

struct Screen
{
    TestRoot root;
    FakePlatform fakes;
    Platform platform = fakes.platform();
    AppState state{root.folder()};
    RecordingPrintTarget target;
    QStringList dialled;
    std::unique_ptr<BoardWindow> window;

    explicit Screen(const QStringList &slips)
    {
        writeActiveSlips(state.folder, slips);
        state.assignmentLists.board = {"Not Assigned", "Al", "Bo"};
        window = std::make_unique<BoardWindow>(ProgramWindow::Environment{&fakes.layouts, {}}, state, platform, target,
                                               [] { return DocumentInputs{}; });
        QObject::connect(window.get(), &ProgramWindow::dialRequested,
                         [this](const QString &name, const QString &number) { dialled << name + " " + number; });
        window->show();
    }
    template <typename T = QWidget> T *find(const QString &name) const
    {
        T *w = window->findChild<T *>(name);
        if (!w)
            qWarning("no control %s", qPrintable(name));
        return w;
    }
    QPushButton *cmd(int index) const { return find<QPushButton>(QStringLiteral("cmdMain_%1").arg(index)); }
    FlexGrid *grid() const { return find<FlexGrid>("fgSlips"); }
    QString cell(int r, int c) const
    {
        QAbstractItemModel *m = grid()->model();
        return m->data(m->index(r - 1, c)).toString();
    }
    void tick(int r) { emit grid()->cellClicked(r, 0); }
    QString label(const QString &name) const { return find<QLabel>(name)->text(); }
};

} // namespace

class TestBoardWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void gridShowsTheSlipsAndTicks()
    {
        Screen s({"1000|Assigned|Al|1/14/2026|08:00|Emergency", "1001|Open||0|None"});
        QCOMPARE(s.grid()->rows(), 3);
        QCOMPARE(QStringList({s.cell(1, 1), s.cell(1, 3), s.cell(2, 3), s.cell(2, 7)}),
                 QStringList({"1000", "Al", "Not Assigned", "Date/Time not Selected"}));
        QCOMPARE(s.grid()->cellBackground(1, 1), QColor(0, 0, 255));
        QCOMPARE(s.grid()->cellTextColour(1, 1), QColor(255, 0, 0));
        QCOMPARE(s.grid()->cellBackground(1, 2), QColor(255, 0, 0));
        QVERIFY(s.find("fraLegend")->isVisibleTo(s.window.get()));
        QVERIFY(!s.cmd(7)->isEnabled());
        QVERIFY(!s.cmd(3)->isEnabled());

        s.tick(1);
        QCOMPARE(s.cell(1, 0), QString(" ") + QChar(0xAB));
        QVERIFY(s.cmd(7)->isEnabled());
        QVERIFY(s.cmd(3)->isEnabled());
        s.tick(2);
        QVERIFY(!s.cmd(7)->isEnabled());
        QVERIFY(s.cmd(4)->isEnabled());
        s.tick(1);
        s.tick(2);
        QVERIFY(!s.cmd(3)->isEnabled());
        QVERIFY(!s.cmd(5)->isEnabled());
    }

    // A phone's change while the board holds a change of its own not saved: marked on the grid, never lost by
    // leaving either way, each slip once in the slip files and the folder sound for the data tool.
    void phoneChangeOnTheOpenBoard_data()
    {
        dataColumns<int, QString, QList<bool>, int, QString, QString>("slip", "status", "answers", "leave", "active",
                                                                      "completed");
        const QString done1000 = "1000:Complete 1/15/2026 08:00";
        dataRow("completed, exit without saving", 1000, "Complete", QList<bool>{}, 0,
                "1001:Assigned 1/20/2026 10:00-12:00", done1000);
        dataRow("completed, save", 1000, "Complete", QList<bool>{}, 8, "1001:Suspended 0 None", done1000);
        dataRow("same slip, the phone's kept", 1001, "In Progress", QList<bool>{true}, 8,
                "1000:Assigned 1/15/2026 08:00; 1001:In Progress 1/20/2026 10:00-12:00", "-");
        dataRow("same slip, mine kept", 1001, "In Progress", QList<bool>{false}, 8,
                "1000:Assigned 1/15/2026 08:00; 1001:Suspended 0 None", "-");
    }
    void phoneChangeOnTheOpenBoard()
    {
        auto [slip, status, answers, leave, active, completed] =
            fetched<int, QString, QList<bool>, int, QString, QString>("slip", "status", "answers", "leave", "active",
                                                                      "completed");
        Screen s({"1000|Assigned|Al|1/15/2026|08:00", "1001|Assigned|Bo|1/20/2026|10:00-12:00"});
        s.tick(2);
        s.cmd(7)->click();
        s.cmd(11)->click();
        s.find<QListWidget>("lstStatus")->setCurrentRow(3); // Suspended, without date and time
        s.fakes.messages.answer(true);
        s.cmd(12)->click();
        for (bool answer : answers)
            s.fakes.messages.answer(answer);
        s.window->takePhoneChange(storeFromPhone(s.state.folder, slip, status), "Al's phone");
        QCOMPARE(s.cell(slip - 999, 4), status == "Complete" || answers != QList<bool>{false} ? status : "Suspended");
        QCOMPARE(s.grid()->cellBackground(slip - 999, 4), QColor(255, 236, 150));
        QVERIFY(
            s.label("lblStatusLine").startsWith(QString("Slip %1: %2 from Al's phone 09:00").arg(slip).arg(status)));

        s.fakes.messages.answer(true);
        s.cmd(leave)->click();
        QCOMPARE(slipSummary(s.state.folder, SlipFiles::kActive), active);
        QCOMPARE(slipSummary(s.state.folder, SlipFiles::kCompleted), completed);
        const ToolRun check = runTool({"check", s.root.path()});
        QVERIFY2(!check.out.contains(" also "), qPrintable(check.out)); // no slip number in two places
        QCOMPARE(s.root.read(PhoneWork::kRequests).contains("O\t1001\t09:00"), answers == QList<bool>{false});
    }

    // The close box asks nothing with nothing changed. With slip 1140 changed, a phone stores Start, a completion and
    // Can't finish on three others while the question shows: they stand whatever the answer, each slip in one file;
    // Save writes the board's change too, Don't Save drops it, Cancel keeps the board open with it.
    void closeBoxAsks_data()
    {
        dataColumns<Messages::SaveAnswer, QString>("answer", "slip1140");
        dataRow("save", Messages::SaveAnswer::Save, "1140:Suspended 0 None");
        dataRow("don't save", Messages::SaveAnswer::DontSave, "1140:Assigned 1/20/2026 10:00-12:00");
        dataRow("cancel", Messages::SaveAnswer::Cancel, "1140:Assigned 1/20/2026 10:00-12:00");
    }
    void closeBoxAsks()
    {
        auto [answer, slip1140] = fetched<Messages::SaveAnswer, QString>("answer", "slip1140");
        Screen s({"1123|Assigned|Al|1/15/2026|08:00", "1129|Assigned|Al|1/15/2026|10:00-12:00",
                  "1135|Assigned|Al|1/16/2026|08:00", "1140|Assigned|Bo|1/20/2026|10:00-12:00"});
        QVERIFY(clickCloseBox(s.window.get()));
        s.window->show();
        s.tick(4);
        s.cmd(7)->click();
        s.cmd(11)->click();
        s.find<QListWidget>("lstStatus")->setCurrentRow(3); // Suspended, without date and time
        s.fakes.messages.answer(true);
        s.cmd(12)->click();
        QVERIFY(s.window->isWindowModified());

        int stored = 0;
        s.fakes.messages.whileAsking = [&](const QString &question) {
            if (!question.startsWith("The changes made on the board have not been saved"))
                return;
            using enum PhoneWork::Action;
            const std::tuple<int, PhoneWork::Action, QString> requests[] = {
                {1123, Start, ""}, {1129, Complete, "Valve replaced"}, {1135, CantFinish, "Needs a part"}};
            for (const auto &[slip, action, text] : requests)
                stored +=
                    PhoneWork::store(s.state.folder, FixedClock(), {"Al", qint16(slip), action, text, "p1"}).stored;
        };
        s.fakes.messages.answerSave(answer);
        QCOMPARE(clickCloseBox(s.window.get()), answer != Messages::SaveAnswer::Cancel);
        QVERIFY2(stored == 3, qPrintable(s.fakes.messages.texts().join("||")));
        QCOMPARE(s.cell(4, 4), answer == Messages::SaveAnswer::Cancel ? "Suspended" : s.cell(4, 4));

        QCOMPARE(slipSummary(s.state.folder, SlipFiles::kActive),
                 "1123:In Progress 1/15/2026 08:00; 1135:Suspended 0 None; " + slip1140);
        QCOMPARE(slipSummary(s.state.folder, SlipFiles::kCompleted), "1129:Complete 1/15/2026 10:00-12:00");
        const auto service = [&](const QString &file, int at) {
            return s.state.folder.readRecords(file, serviceSlipLayout()).at(at).text(SlipField::ServiceRequired);
        };
        QVERIFY(service(SlipFiles::kCompleted, 0).contains("Valve replaced"));
        QVERIFY(service(SlipFiles::kActive, 1).contains("Needs a part"));
        makeCheckable(s.root, {"Al", "Bo"}, 1141);
        const ToolRun check = runTool({"check", s.root.path()});
        QVERIFY2(check.out.trimmed().isEmpty(), qPrintable(check.out));
    }

    // A change the status rule refuses: every list shows again what the grid and the file keep.
    void refusedChangeSetsTheListsBack()
    {
        Screen s({"1000|Assigned|Al|1/15/2026|08:00|Normal", "1001|In Progress|Bo|1/15/2026|10:00-12:00"});
        s.tick(1);
        s.cmd(7)->click();
        s.cmd(11)->click();
        s.find<QListWidget>("lstTechs")->setCurrentRow(2);    // Bo, who is signed out on 1001
        s.find<QListWidget>("lstPriority")->setCurrentRow(1); // High
        s.find<QListWidget>("lstStatus")->setCurrentRow(2);   // In Progress
        s.cmd(12)->click();
        QCOMPARE(s.fakes.messages.lastText(), "Bo is already signed out");
        const auto shown = [&](const QString &list) { return s.find<QListWidget>(list)->currentItem()->text(); };
        QCOMPARE(QStringList({shown("lstStatus"), shown("lstPriority"), shown("lstTechs"), s.label("lblNewStatus")}),
                 QStringList({"Assigned", "Normal", "Al", "Assigned"}));
        QCOMPARE(QStringList({s.cell(1, 4), slipSummary(s.state.folder, SlipFiles::kActive)}),
                 QStringList({"Assigned", "1000:Assigned 1/15/2026 08:00; 1001:In Progress 1/15/2026 10:00-12:00"}));
    }

    void changeAStatusAndSave()
    {
        Screen s({"1000|Assigned|Al|1/20/2026|08:00", "1001|Open||0|None"});
        QSignalSpy back(s.window.get(), &BoardWindow::returnToMenu);
        QVERIFY(!s.find("lblUnsaved")->isVisible());
        s.tick(1);
        s.cmd(7)->click();
        QVERIFY(s.find("fraSlipData")->isVisible());
        QCOMPARE(s.label("lblSlipNo_0"), "Slip No 1000");
        QCOMPARE(s.label("lblSchedDate"), "1/20/2026");
        QCOMPARE(s.label("lblSite_0"), "Site 1000");
        QCOMPARE(s.label("lblAccount_6"), "555-0100");
        QVERIFY(s.window->findChild<QAction *>("mnuAccount")->isEnabled());
        s.cmd(11)->click();
        QVERIFY(s.find("fraNewSlipData")->isVisible());
        QCOMPARE(s.find<QListWidget>("lstTechs")->currentRow(), 1);

        // Ticking another slip closes the frames of this one, and opening goes back to the first.
        s.tick(2);
        QVERIFY(!s.find("fraNewSlipData")->isVisible());
        s.tick(2);
        s.tick(1);
        s.tick(1);
        s.cmd(7)->click();
        QCOMPARE(s.label("lblSlipNo_0"), "Slip No 1000");
        s.cmd(11)->click();

        // By keyboard: what each list shows chosen is what is taken; a refused status puts the highlight back.
        auto *status = s.find<QListWidget>("lstStatus");
        const auto chosen = [](QListWidget *list) { return list->selectedItems().value(0)->text(); };
        QTest::keyClick(status, Qt::Key_Up); // Assigned to Open is refused
        QCOMPARE(s.fakes.messages.lastText(),
                 "The Service Slip has been Assigned\r\nIt can only be marked as In Progress or Suspended");
        QCOMPARE(chosen(status), "Assigned");
        QTest::keyClick(status, Qt::Key_Down);
        QCOMPARE(s.label("lblNewStatus"), "In Progress");
        QTest::keyClick(status, Qt::Key_Up); // In Progress back to Assigned is refused
        QCOMPARE(chosen(status), "In Progress");
        QTest::keyClick(s.find<QListWidget>("lstPriority"), Qt::Key_Down);
        QCOMPARE(s.label("lblNewPriority"), "High");
        QTest::keyClick(s.find<QListWidget>("lstTechs"), Qt::Key_Down);
        // The frame's new values show without scrolling, above the slip's details.
        QVERIFY(s.find("lblNewPriority")->y() + s.find("fraNewSlipData")->y() < s.find("fraSlipData")->y());
        s.cmd(12)->click();
        QVERIFY(!s.find("fraNewSlipData")->isVisible());
        QCOMPARE(s.cell(1, 4), "In Progress");
        QCOMPARE(s.cell(1, 2), "High");
        QCOMPARE(s.cell(1, 3), "Bo");
        QCOMPARE(s.cell(1, 0), "");
        // The change is marked until it is saved.
        QVERIFY(s.find("lblUnsaved")->isVisible());
        QVERIFY(s.window->isWindowModified());

        s.cmd(8)->click();
        QCOMPARE(back.count(), 1);
        QVERIFY(!s.window->isVisible());
        QCOMPARE(slipSummary(s.state.folder, SlipFiles::kActive), "1000:In Progress 1/20/2026 08:00; 1001:Open 0 None");
    }

    void printsThroughTheTarget()
    {
        Screen s({"1000|Assigned|Al|1/20/2026|08:00", "1001|Open||0|None", "1002|Assigned|Bo|1/21/2026|08:00"});
        s.cmd(9)->click();
        QCOMPARE(s.fakes.messages.lastText(), "You have not selected any Slips in the Grid");
        QCOMPARE(s.target.dialogs, 0);
        s.cmd(22)->click();
        s.fakes.messages.answer(true);
        s.cmd(9)->click();
        QCOMPARE(s.target.dialogs, 1);
        QCOMPARE(int(s.target.jobNames.size()), 2); // the two assigned slips

        s.cmd(20)->click();
        QCOMPARE(s.target.dialogs, 2);
        // The report's rows: the board's slips in its order.
        const QStringList report = s.target.surface.texts(3);
        for (const char *text : {"1000", "Al", "1/20/2026 08:00", "1001", "Not Assigned", "Date/Time not Selected",
                                 "1002", "Bo", "1/21/2026 08:00"})
            QVERIFY2(report.contains(text), text);
        QVERIFY(report.indexOf("1001") < report.indexOf("1002"));
        s.fakes.messages.answer(false); // No: the ticks go
        s.cmd(15)->click();
        QCOMPARE(s.target.dialogs, 2);
        QCOMPARE(s.cell(1, 0), "");
        // Yes: an invoice for each assigned slip, the paper counted for those alone; then the ticks go.
        s.cmd(22)->click();
        s.fakes.messages.answer(true);
        s.cmd(15)->click();
        QVERIFY(s.fakes.messages.texts().contains("Insert 2 sheets of Blank Paper"));
        QCOMPARE(s.cell(1, 0), "");
        // The route sheet of a technician's day, from the board's slips.
        s.window->printRouteSheet("Al", QDate(2026, 1, 20));
        QCOMPARE(s.target.jobNames.back(), "Route Sheet Al 1/20/2026");
        s.window->printRouteSheet("Bo", QDate(2026, 1, 20));
        QCOMPARE(s.fakes.messages.lastText(), "No slip is scheduled for Bo on Tuesday, 1/20/2026");
        // "Route Sheet..." starts at today and the technician of the board's current slip.
        s.tick(3);
        QString asked;
        QTimer::singleShot(0, [&asked] {
            auto *dialog = qobject_cast<RouteSheetDialog *>(QApplication::activeModalWidget());
            asked = dialog->technician() + " " + dialog->date().toString("M/d/yyyy");
            dialog->findChild<QPushButton *>("cmdRouteSheet_0")->click();
        });
        s.window->findChild<QAction *>("mnuRouteSheet")->trigger();
        QCOMPARE(asked, "Bo 1/15/2026");
        QCOMPARE(s.fakes.messages.lastText(), "No slip is scheduled for Bo on Thursday, 1/15/2026");
    }

    // The slip frame shows the slip's photos and signature, each picture read once at the size shown; a photo
    // opens larger from the keyboard. A slip signed on the phone prints its order whatever its status, its photos
    // after it when asked for.
    void slipFrameAndOrderShowPhoneMedia()
    {
        Screen s({"1000|In Progress|Al|1/20/2026|08:00", "1001|Open||0|None"});
        addSampleMedia(s.state.folder, "A1000", 1000, 2, true);
        const auto open = [&s](int r) {
            s.cmd(BoardWindow::DeselectAll)->click();
            s.tick(r);
            s.cmd(BoardWindow::ManageSlip)->click();
        };
        open(1);
        auto *media = s.find<SlipMediaPanel>("fraMedia");
        QVERIFY(media->isVisible() && s.find<QPushButton>("cmdPhoto_1")->isVisible());
        QCOMPARE(s.label("lblSigned"), "Signed by M. Chavez 12/8/2026 10:42");
        QCOMPARE(media->decodes(), 3);
        QCOMPARE(s.find<QPushButton>("cmdPhoto_0")->icon().availableSizes(), QList<QSize>{QSize(96, 72)});
        QTest::keyClick(s.find<QPushButton>("cmdPhoto_1"), Qt::Key_Space);
        auto *viewer = s.window->findChild<QDialog *>("frmPhoto");
        QCOMPARE(viewer->findChild<QLabel *>("lblPhoto")->text(), "Photo 2 of 2, 12/8/2026 10:42, Al");
        QVERIFY(viewer->findChild<QLabel *>("imgPhoto")->pixmap().width() > 4 * SlipMediaPanel::kThumbnail);
        viewer->findChild<QPushButton *>("cmdPhotoNext")->click();
        QVERIFY(viewer->findChild<QLabel *>("lblPhoto")->text().startsWith("Photo 1 of 2"));
        open(2);
        QVERIFY(media->isHidden());
        open(1);
        QCOMPARE(media->decodes(), 5); // the two larger pictures alone

        s.find<QCheckBox>("ckPhotos")->setChecked(true);
        s.cmd(BoardWindow::SelectAll)->click();
        s.fakes.messages.answer(true);
        s.cmd(BoardWindow::PrintServiceSlips)->click();
        QVERIFY(s.fakes.messages.texts().join("|").contains("and for those with photos or a signature"));
        QCOMPARE(s.target.jobNames, std::vector<QString>{"Service Order 1000"});
        QCOMPARE(s.target.surface.pagesIn(1), 2);
    }

    // The route sheet never cuts a telephone number: a long name gives way, marked as shortened. A suspended slip
    // says so.
    void routeSheetKeepsNumbersWhole()
    {
        Screen s({"1000|Assigned|Al|1/20/2026|08:00|Normal|Bartholomew Featherstonehaugh I",
                  "1001|Suspended|Al|1/20/2026|10:00"});
        s.window->printRouteSheet("Al", QDate(2026, 1, 20));
        const QStringList texts = s.target.surface.texts();
        QVERIFY2(texts.contains("Customer: Bartholomew Fea..., Tel. 555-0100"), qPrintable(texts.join('|')));
        QCOMPARE(texts.filter("SUSPENDED"), QStringList{"SUSPENDED"});
        QVERIFY(texts.indexOf("SUSPENDED") > texts.indexOf("Slip # 1001"));
    }

    // Invoice numbers are on the disk before an invoice prints; those the print did not use are given back.
    void invoiceNumbersAreTakenBeforePrinting()
    {
        Screen s({"1000|Assigned|Al|1/20/2026|08:00", "1001|Open||0|None", "1002|Assigned|Bo|1/21/2026|08:00"});
        s.state.settings.invoiceNumber = 5001;
        QStringList counterWhilePrinting;
        s.target.onPage = [&] { counterWhilePrinting << s.root.read("/VIInvoiceNo.txt").trimmed(); };
        s.target.cancelAfterPages = 1; // the user stops the print after the first invoice
        s.cmd(22)->click();
        s.fakes.messages.answer(true);
        s.cmd(15)->click();
        QCOMPARE(counterWhilePrinting, QStringList{"5004"});
        QCOMPARE(s.root.read("/VIInvoiceNo.txt"), "5002\r\n");
        QCOMPARE(s.state.settings.invoiceNumber, 5002);
    }

    // The opened slip: the account's number is dialled from its frame, the contents edited are kept.
    void openedSlipDialsAndKeepsItsContents()
    {
        Screen s({"1000|Assigned|Al|1/20/2026|08:00"});
        s.state.settings.phoneDaisyChained = true;
        s.window->hide();
        s.window->show();
        s.tick(1);
        s.cmd(7)->click();
        s.window->findChild<QAction *>("mnuAccount")->trigger();
        QVERIFY(s.find("fraAccount")->isVisible());
        auto *call = s.find<QPushButton>("imgCallCustomer");
        QVERIFY(call->isVisible());
        call->click();
        QCOMPARE(s.dialled, QStringList{"Jane Doe 555-0100"});
        s.window->findChild<QAction *>("mnuContents")->trigger();
        auto *box = s.find<QPlainTextEdit>("txtContents");
        QCOMPARE(box->toPlainText(), "Leaking tap");
        box->setPlainText("Leaking tap\nand a dripping valve");
        s.cmd(19)->click();
        s.cmd(14)->click();
        QVERIFY(s.fakes.clipboard.text.endsWith("at 08:00\r\nLeaking tap\r\nand a dripping valve"));
        s.cmd(8)->click();
        const auto saved = s.state.folder.readRecords(SlipFiles::kActive, serviceSlipLayout());
        QCOMPARE(saved.at(0).text(SlipField::ServiceRequired), "Leaking tap\r\nand a dripping valve");
    }

    // A heading click sorts and the tick goes with its slip; a group action names the ticked slips the filter hides;
    // find moves to the slip; the next window shows the same sort and filter.
    void sortFilterAndFind()
    {
        Screen s({"100|Assigned|Cy|1/20/2026|08:00", "9|Open||0|None", "10|Assigned|Bo|1/21/2026|08:00"});
        // The technician filter: the assignment list once each, then a name only the board holds.
        QStringList technicians;
        for (int i = 0; i < s.find<QComboBox>("cboFilterTech")->count(); ++i)
            technicians << s.find<QComboBox>("cboFilterTech")->itemText(i);
        QCOMPARE(technicians, QStringList({"All Technicians", "Not Assigned", "Al", "Bo", "Cy"}));
        const auto numbers = [](const Screen &s) {
            QStringList out;
            for (int r = 1; r < s.grid()->rows(); ++r)
                out << s.cell(r, 1);
            return out.join(' ');
        };
        emit s.grid()->cellClicked(0, 1);
        QCOMPARE(numbers(s), "9 10 100");
        s.tick(3); // 100
        emit s.grid()->cellClicked(0, 1);
        QCOMPARE(numbers(s), "100 10 9");
        QCOMPARE(s.cell(1, 0), FlexGrid::kTickMark);
        s.find<QComboBox>("cboFilterStatus")->setCurrentText("Assigned");
        s.find<QComboBox>("cboFilterTech")->setCurrentText("Bo");
        QCOMPARE(numbers(s), "10");
        QCOMPARE(s.label("lblShown"), "1 of 3 slips shown");
        auto *find = s.find<QLineEdit>("txtFind");
        find->setText("100");
        QTest::keyClick(find, Qt::Key_Return);
        QVERIFY(s.fakes.messages.lastText().contains("A slip hidden by the filter has it"));

        BoardWindow second({&s.fakes.layouts, {}}, s.state, s.platform, s.target, {});
        second.show();
        QCOMPARE(second.findChild<QComboBox *>("cboFilterTech")->currentText(), "Bo");
        QCOMPARE(second.grid()->rows(), 2);
        QVERIFY(second.view().sortColumn == 1 && second.view().descending);

        s.fakes.messages.answer(false);
        s.cmd(9)->click();
        QVERIFY(s.fakes.messages.shown.back().text.endsWith("(the ticked slip is hidden by the filter)"));
        s.find<QPushButton>("cmdShowAll")->click();
        QCOMPARE(numbers(s), "100 10 9");
        find->setText("9");
        QTest::keyClick(find, Qt::Key_Return);
        QCOMPARE(s.grid()->currentRow(), 3);
    }
};

QTEST_MAIN(TestBoardWindow)
#include "tst_board.moc"
