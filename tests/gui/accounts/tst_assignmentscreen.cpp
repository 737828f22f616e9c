#include "accounts/assignmentrecord.h"
#include "core/diskerror.h"
#include "dispatch/assignedslips.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipstore.h"
#include "gui/accounts/assignmentscreen.h"
#include "gui/accounts/pairphonedialog.h"
#include "gui/widgets/flexgrid.h"
#include "phone/phonetokens.h"
#include "platform/fakes/fakeplatform.h"
#include "platform/fakes/recordingprinttarget.h"
#include "statebench.h"
#include "testsupport.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

QByteArray assignment(const QString &name, const QString &city = "Springfield")
{
    using namespace AssignmentField;
    Record r(assignmentLayout());
    r.setText(Reference, "Employee");
    r.setText(Name, name);
    r.setText(Address1, name + " Street");
    r.setText(City, city);
    r.setText(State, "IL");
    r.setText(PostalCode, "62701");
    r.setText(Telephone, "555-123-4567");
    r.setText(Cell, "555-999-0000");
    return r.bytes();
}

// One screen on a test folder with the fakes around it.
struct Fixture : StateBench
{
    explicit Fixture(const QByteArray &file = {}, bool usa = true)
    {
        if (!file.isEmpty())
            root.write(AssignmentFile::kPath, file);
        state.usaAddressStyle = usa;
        state.settings.business[BusinessField::Name] = "Acme Heating";
        state.settings.business[BusinessField::Telephone] = "217-555-0100";
        state.folder.setFaultHook([this](const char *, const QString &) {
            if (diskFails)
                throw DiskError("No room left on the disk");
        });
    }
    AssignmentScreen &screen()
    {
        if (!m_screen) {
            m_screen =
                std::make_unique<AssignmentScreen>(state, platform, ProgramWindow::Environment{}, target, [this] {
                    DocumentInputs inputs;
                    inputs.business.name = "Acme Heating";
                    inputs.settings.usaAddressStyle = state.usaAddressStyle;
                    inputs.today = QDate(2026, 3, 7);
                    return inputs;
                });
            recordDials(m_screen.get(), dialed);
        }
        return *m_screen;
    }
    template <typename T> T *find(const QString &name) { return screen().findChild<T *>(name); }
    QLineEdit *edit(const QString &name) { return find<QLineEdit>(name); }

    RecordingPrintTarget target;
    QStringList dialed;
    bool diskFails = false;

private:
    std::unique_ptr<AssignmentScreen> m_screen;
};

} // namespace

class TestAssignmentScreen : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    // An empty folder asks for a first assignment; cancelling it leaves nothing and Add New brings the boxes back.
    void firstAssignmentCancelledDownToNothing()
    {
        Fixture f;
        f.screen().show();
        QTRY_COMPARE(f.fake.messages.shown.size(), 1u);
        QCOMPARE(f.fake.messages.shown[0].title, QString("Create Assignments"));
        QCOMPARE(f.edit("txtTelephone")->text(), QString("217-555-"));
        f.find<QPushButton>("cmdCancelAdd")->click();
        QCOMPARE(f.screen().editor().count(), 0);
        QVERIFY(f.edit("txtName")->text().isEmpty() && !f.edit("txtName")->isEnabled());
        QVERIFY(!f.find<QAction>("mnuDelete")->isEnabled());
        QVERIFY(!f.find<QPushButton>("imgDialer")->isEnabled());
        QVERIFY(!f.find<QPushButton>("cmdNav_2")->isEnabled());
        f.find<QPushButton>("cmdMenu")->click();
        QVERIFY(!f.root.exists(AssignmentFile::kPath));
        f.screen().show();
        f.find<QAction>("mnuAddNew")->trigger();
        QVERIFY(f.edit("txtName")->isEnabled());
        QCOMPARE(f.screen().editor().count(), 1);
    }

    void openingShowsTheListAndSelects()
    {
        Fixture f(assignment("Alice Able") + assignment("Bob Baker") + assignment("Carol Cole"));
        f.screen().show();
        QVERIFY(f.fake.messages.shown.empty());
        QVERIFY(f.find<QWidget>("fraResults")->isVisible());
        QCOMPARE(f.find<QLabel>("lblResults")->text(), QString("Contact List"));
        auto *grid = f.find<FlexGrid>("fgResults");
        QCOMPARE(grid->rows(), 4);
        QCOMPARE(grid->text(0, 3), QString("City         "));
        f.screen().selectResult(2);
        QVERIFY(f.find<QWidget>("fraContact")->isVisible());
        QCOMPARE(f.edit("txtName")->text(), QString("Bob Baker"));
        QCOMPARE(f.find<QLabel>("lblDisplaying")->text(), QString("Displaying Assignment # 2"));
        f.find<QPushButton>("cmdNav_3")->click();
        QCOMPARE(f.edit("txtName")->text(), QString("Carol Cole"));
        f.find<QPushButton>("cmdNav_2")->click();
        QCOMPARE(f.edit("txtName")->text(), QString("Alice Able"));
    }

    void searchPanel()
    {
        Fixture f(assignment("Alice Able") + assignment("Bob Baker", "Shelbyville"));
        f.screen().show();
        f.screen().closeResults();
        f.find<QPushButton>("cmdSearch")->click();
        QVERIFY(f.find<QWidget>("fraSearch")->isVisible());
        QCOMPARE(f.find<QComboBox>("cboSearch")->currentText(), QString("Employee"));
        f.find<QPushButton>("cmdStartSearch")->click(); // both are employees
        QCOMPARE(f.find<QLabel>("lblResults")->text(), QString("Assignments Search Results"));
        QVERIFY(!f.find<QPushButton>("cmdPrint")->isVisible());
        f.screen().closeResults();
        QVERIFY(f.find<QWidget>("fraSearch")->isVisible());

        // A short telephone number is not searched, and the user is told why.
        f.find<QRadioButton>("optCriterion_6")->click();
        QCOMPARE(f.find<QComboBox>("cboSearch")->currentText(), QString());
        f.find<QComboBox>("cboSearch")->setEditText("555-12");
        f.find<QPushButton>("cmdStartSearch")->click();
        QCOMPARE(f.fake.messages.beeps, 1);
        QCOMPARE(f.fake.messages.lastText(), AssignmentEditor::kPhoneSearchTooShort);
        f.fake.messages.shown.clear();

        // No hit: Yes starts a new assignment with the searched number.
        f.find<QComboBox>("cboSearch")->setEditText("555-000-0000");
        f.fake.messages.answer(true);
        f.find<QPushButton>("cmdStartSearch")->click();
        QCOMPARE(f.fake.messages.lastText(), QString("Would you like to Create a New Assignment?"));
        QCOMPARE(f.edit("txtTelephone")->text(), QString("555-000-0000"));
        QCOMPARE(f.screen().editor().count(), 3);

        // One hit is shown at once.
        f.screen().cancelAdd();
        f.find<QPushButton>("cmdSearch")->click();
        f.find<QRadioButton>("optCriterion_3")->click();
        f.find<QComboBox>("cboSearch")->setEditText("shelby");
        f.find<QPushButton>("cmdStartSearch")->click();
        QCOMPARE(f.edit("txtName")->text(), QString("Bob Baker"));
    }

    void deleteAsksAboutActiveSlips()
    {
        Fixture f(assignment("Alice Able") + assignment("Bob Baker"));
        Record slip(serviceSlipLayout());
        slip.setText(SlipField::AssignedTo, "Bob Baker");
        SlipStore(f.root.folder()).append(slip);
        SlipStore(f.root.folder()).append(slip);
        f.screen().show();
        f.screen().selectResult(2);
        f.fake.messages.answer(true);
        f.fake.messages.answer(false);
        f.screen().deleteAssignment();
        QCOMPARE(f.fake.messages.lastText(), QString("2 active slips are assigned to Bob Baker. Delete anyway?"));
        QCOMPARE(f.root.read(AssignmentFile::kPath).size(), 2 * 235);
        f.fake.messages.answer(true);
        f.fake.messages.answer(true);
        f.screen().deleteAssignment();
        QCOMPARE(f.root.read(AssignmentFile::kPath).size(), 235);
        QCOMPARE(f.edit("txtName")->text(), QString("Alice Able"));
        QCOMPARE(f.state.assignmentLists.board, (QStringList{"Not Assigned", "Alice Able"}));
    }

    // Renaming a technician asks about his slips: No saves nothing, Yes renames the slips in the same save (once
    // the disk takes it).
    void renameCarriesTheActiveSlips()
    {
        Fixture f(assignment("Alice Able") + assignment("Bob Baker"));
        Record slip(serviceSlipLayout());
        slip.setText(SlipField::AssignedTo, "Bob Baker");
        SlipStore(f.root.folder()).append(slip);
        slip.setText(SlipField::AssignedTo, "Alice Able");
        SlipStore(f.root.folder()).append(slip);
        const QByteArray before = f.root.read(AssignmentFile::kPath) + f.root.read(SlipFiles::kActive);
        f.screen().show();
        f.screen().selectResult(2);
        f.edit("txtName")->setText("Robert Baker");
        f.fake.messages.answer(false);
        f.find<QPushButton>("cmdNav_0")->click();
        QCOMPARE(f.fake.messages.lastText(), QString("1 active slips are assigned to Bob Baker. Rename them too?"));
        QCOMPARE(f.root.read(AssignmentFile::kPath) + f.root.read(SlipFiles::kActive), before);
        QCOMPARE(f.edit("txtName")->text(), QString("Robert Baker")); // still on screen, still his
        // A save the disk refuses is said, and the screen does not move on as if it were saved.
        f.diskFails = true;
        f.fake.messages.answer(true);
        f.find<QPushButton>("cmdNav_0")->click();
        QCOMPARE(f.fake.messages.lastText(), QString("No room left on the disk"));
        QCOMPARE(f.root.read(AssignmentFile::kPath) + f.root.read(SlipFiles::kActive), before);
        QCOMPARE(f.find<QLabel>("lblDisplaying")->text(), QString("Displaying Assignment # 2"));
        f.diskFails = false;
        f.fake.messages.answer(true);
        f.find<QPushButton>("cmdNav_0")->click();
        QCOMPARE(f.edit("txtName")->text(), QString("Alice Able"));
        const std::vector<Record> slips = LoadActiveSlips(f.root.folder());
        QCOMPARE(slips[0].text(SlipField::AssignedTo), QString("Robert Baker"));
        QCOMPARE(slips[1].text(SlipField::AssignedTo), QString("Alice Able"));
        QCOMPARE(f.root.read(AssignmentFile::kPath).mid(235 + 20, 30), QByteArray("Robert Baker").leftJustified(30));
        QVERIFY(!f.root.exists(AssignedSlips::kRenameJournal));
    }

    // A phone paired and taken up stays; one the window made and no phone took up goes with the window; a revoked one
    // goes after the question. The phones follow a renamed technician and go with a deleted one. With the phone
    // page off nothing is paired.
    void pairedPhonesFollowTheTechnician()
    {
        Fixture f(assignment("Alice Able") + assignment("Bob Baker"));
        f.state.phoneTokens = std::make_unique<PhoneTokens>(f.state.folder, f.fake.clock);
        PhoneTokens &tokens = *f.state.phoneTokens;
        f.screen().show();
        f.screen().selectResult(2);
        auto pair = [&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // the window closed before
            f.find<QPushButton>("cmdPairPhone")->click();
            return f.screen().findChild<PairPhoneDialog *>("frmPairPhone");
        };
        PairPhoneDialog *dialog = pair();
        QVERIFY(dialog->findChild<QLabel *>("lblPairStatus")->text().startsWith("The phone page is off."));
        dialog->reject();
        QVERIFY(tokens.phones("Bob Baker").empty());
        f.state.phonePageAddress = "https://192.168.1.5:8443";
        dialog = pair();
        QVERIFY(!dialog->findChild<QLabel *>("imgQrCode")->pixmap().isNull());
        // Whole modules of 6 pixels, four of them white all round, then the dark corner of a finder pattern.
        const QImage qr = qrCodeImage(f.state.phonePageAddress + "/#t=" + QString(43, 'A'));
        QVERIFY(qr.width() == qr.height() && qr.width() % 6 == 0 && (qr.width() / 6 - 8 - 21) % 4 == 0);
        for (int i = 0; i < qr.width(); ++i)
            QVERIFY(qr.pixel(i, 23) == qRgb(255, 255, 255) && qr.pixel(23, i) == qRgb(255, 255, 255));
        QCOMPARE(qr.pixel(24, 24), qRgb(0, 0, 0));
        // The phone took its token up with the code; the window closes before the phone's first request.
        QVERIFY(tokens.redeem(dialog->findChild<QLabel *>("lblPairCode")->text()));
        dialog->accept();
        dialog = pair();
        auto *grid = dialog->findChild<FlexGrid *>("fgPhones");
        QCOMPARE(grid->rows(), 3);
        QCOMPARE(grid->text(2, 2), QString("never"));
        grid->setCurrentRow(2);
        f.fake.messages.answer(true);
        dialog->findChild<QPushButton *>("cmdRevokePhone")->click();
        QCOMPARE(f.fake.messages.lastText(),
                 "Revoke Bob Baker's phone 2?\r\nThe phone will no longer see Bob Baker's slips.");
        QCOMPARE(grid->rows(), 2);
        dialog = (dialog->reject(), pair());
        dialog->reject();
        QCOMPARE(tokens.phones("Bob Baker").size(), 1u);
        f.edit("txtName")->setText("Robert Baker");
        f.find<QPushButton>("cmdNav_3")->click();
        QCOMPARE(tokens.phones("Robert Baker").size(), 1u);
        f.fake.messages.answer(true);
        f.screen().deleteAssignment();
        QCOMPARE(f.fake.messages.lastText(),
                 "Delete this Assignment\r\nThe 1 phone(s) paired with Robert Baker will be revoked.");
        QVERIFY(tokens.phones("Robert Baker").empty());
    }

    void dialing()
    {
        Fixture f(assignment("Alice Able"));
        f.state.settings.phoneDaisyChained = true;
        f.screen().show();
        f.screen().selectResult(1);
        f.edit("txtTelephone")->setText("555-1234");
        f.screen().dial();
        QVERIFY(f.fake.messages.lastText().endsWith("nnn-nnn-nnnn") && f.dialed.isEmpty());
        f.edit("txtTelephone")->setText("555-123-9999");
        f.find<QRadioButton>("optPhone_1")->setChecked(true);
        f.screen().dial();
        QCOMPARE(f.dialed, QStringList{"Alice Able|555-999-0000"});
        // Dialing saved the box first.
        QCOMPARE(Record(assignmentLayout(), f.root.read(AssignmentFile::kPath)).text(AssignmentField::Telephone),
                 QString("555-123-9999"));
    }

    void report_data()
    {
        dataColumns<bool, QString>("usa", "cityLine");
        QTest::newRow("USA") << true << "Springfield, IL 62701";
        QTest::newRow("international") << false << "Springfield";
    }
    void report()
    {
        auto [usa, cityLine] = fetched<bool, QString>("usa", "cityLine");
        QByteArray file;
        for (int i = 1; i <= 7; ++i)
            file += assignment(QString("Tech %1").arg(i));
        Fixture f(file, usa);
        f.screen().show();
        f.fake.messages.answer(false);
        f.find<QPushButton>("cmdPrint")->click();
        QCOMPARE(f.target.dialogs, 0);
        f.fake.messages.answer(true);
        f.find<QPushButton>("cmdPrint")->click();
        QCOMPARE(f.fake.messages.lastText(), QString("Click Yes to print an Assignment Report"));
        QCOMPARE(f.target.dialogs, 1);
        const RecordingSurface &s = f.target.surface;
        QCOMPARE(s.findText("Assignment Information")->y, 720.0);
        QVERIFY(s.findText("Acme Heating") && s.findText("3/7/2026") && s.findText(cityLine));
        // Three blocks to a row at 1, 4 and 7 inches; rows of three, three and one.
        const double rowStep = (usa ? 5 : 6) * 240;
        for (int i = 1; i <= 7; ++i) {
            const RecordingSurface::Op *name = s.findText(QString("Tech %1").arg(i));
            QVERIFY(name);
            QCOMPARE(name->x, 1440.0 + 4320 * ((i - 1) % 3));
            QCOMPARE(name->y, 3240 + rowStep * ((i - 1) / 3));
        }
        QCOMPARE(s.findText("555-123-4567")->y, 3240.0 + (usa ? 3 : 4) * 240);
        QCOMPARE(s.documentsEnded(), 1);
    }
};

QTEST_MAIN(TestAssignmentScreen)
#include "tst_assignmentscreen.moc"
