#include "accounts/servicerecord.h"
#include "core/diskerror.h"
#include "gui/accounts/servicesscreen.h"
#include "gui/widgets/flexgrid.h"
#include "platform/fakes/fakeplatform.h"
#include "statebench.h"
#include "testsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

namespace {

struct Fixture : StateBench
{
    explicit Fixture(const QByteArray &file = {})
    {
        if (!file.isEmpty())
            root.write(ServiceCatalogue::kPath, file);
        state.folder.setFaultHook([this](const char *, const QString &) {
            if (diskFails)
                throw DiskError("No room left on the disk");
        });
        screen = std::make_unique<ServicesScreen>(state, platform, ProgramWindow::Environment{});
        screen->show();
    }
    QLineEdit *edit(const QString &name) { return screen->findChild<QLineEdit *>(name); }
    FlexGrid *grid() { return screen->findChild<FlexGrid *>("fgServices"); }
    void press(ServicesScreen::Button b) { screen->button(b)->click(); }

    std::unique_ptr<ServicesScreen> screen;
    bool diskFails = false;
};

QByteArray service(const QString &description)
{
    Record r(serviceLayout());
    r.setText(ServiceField::Description, description);
    r.setText(ServiceField::Charge, "$5.00");
    r.setInt16(ServiceField::TimeIndex, 0);
    return r.bytes();
}

} // namespace

class TestServicesScreen : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    // The grid is one Tab stop: Tab from a cell leaves the grid instead of walking every cell.
    void gridIsOneTabStop()
    {
        Fixture f(service("Tune-up") + service("Repair") + service("Install"));
        f.screen->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.screen.get()));
        QTableView *view = f.grid()->view();
        view->setFocus();
        view->setCurrentIndex(view->model()->index(1, 0));
        QTest::keyClick(view, Qt::Key_Tab);
        QVERIFY(!view->isAncestorOf(QApplication::focusWidget()) && QApplication::focusWidget() != view);
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Down); // the arrow keys choose a service as a click does
        f.press(ServicesScreen::ModifyItem);
        QCOMPARE(f.edit("txtDescription")->text(), QString("Install"));
    }

    // A service added through the boxes; a save the disk refuses is said and the screen does not leave as if it
    // were saved: once the disk works again, leaving writes the catalogue as the grid shows it.
    void addThroughTheBoxes()
    {
        Fixture f;
        QVERIFY(!f.edit("txtDescription")->isEnabled());
        f.press(ServicesScreen::AddNew);
        QCOMPARE(f.screen->findChild<QComboBox *>("cboTime")->currentText(), QString("0:15"));
        QTest::keyClicks(f.edit("txtDescription"), "Furnace Tune-up");
        QTest::keyClicks(f.edit("txtCharge"), "45");
        f.screen->findChild<QComboBox *>("cboTime")->setCurrentIndex(6);
        f.diskFails = true;
        f.press(ServicesScreen::SaveService);
        QCOMPARE(f.fake.messages.lastText(), QString("No room left on the disk"));
        QCOMPARE(f.grid()->rowTexts(1), (QStringList{"Furnace Tune-up", "$45.00", "1:30"}));
        f.press(ServicesScreen::Menu);
        QVERIFY(f.screen->isVisible() && !f.root.exists(ServiceCatalogue::kPath));
        f.diskFails = false;
        f.press(ServicesScreen::Menu);
        QVERIFY(!f.screen->isVisible());
        const Record r(serviceLayout(), f.root.read(ServiceCatalogue::kPath));
        QCOMPARE(f.root.read(ServiceCatalogue::kPath).size(), 72);
        QCOMPARE(r.text(ServiceField::Charge), QString("$45.00"));
        QCOMPARE(r.int16(ServiceField::TimeIndex), qint16(6));
    }

    void refusedCharge_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("letters") << "abc";
        QTest::newRow("negative") << "-12";
    }
    void refusedCharge()
    {
        QFETCH(QString, typed);
        Fixture f;
        f.press(ServicesScreen::AddNew);
        f.edit("txtDescription")->setText("Repair");
        f.edit("txtCharge")->setText(typed);
        f.press(ServicesScreen::SaveService);
        QCOMPARE(f.fake.messages.lastText(), ServicesEditor::kBadCharge);
        QCOMPARE(f.edit("txtCharge")->text(), QString("$0.00"));
        QCOMPARE(f.grid()->rows(), 1);
        QVERIFY(!f.root.exists(ServiceCatalogue::kPath));
        // Typing over the zero amount replaces it.
        f.edit("txtCharge")->setFocus();
        QTest::keyClicks(f.edit("txtCharge"), "7");
        QCOMPARE(f.edit("txtCharge")->text(), QString("7"));
    }

    void modifyMoveDelete()
    {
        Fixture f(service("Alpha") + service("Beta"));
        QCOMPARE(f.grid()->rowTexts(1), (QStringList{"Alpha", "$5.00", "0:15"}));
        QVERIFY(!f.screen->button(ServicesScreen::DeleteItem)->isEnabled());
        f.screen->selectRow(2);
        f.press(ServicesScreen::ModifyItem);
        QCOMPARE(f.edit("txtDescription")->text(), QString("Beta"));
        f.edit("txtCharge")->setText("6");
        f.press(ServicesScreen::SaveService);
        f.screen->selectRow(2);
        f.screen->move(-1);
        QCOMPARE(f.grid()->text(1, 0) + f.grid()->text(1, 1), QString("Beta$6.00"));
        QCOMPARE(Record(serviceLayout(), f.root.read(ServiceCatalogue::kPath).left(72)).text(ServiceField::Description),
                 QString("Beta"));
        f.screen->selectRow(1);
        f.fake.messages.answer(true);
        f.press(ServicesScreen::DeleteItem);
        QCOMPARE(f.fake.messages.lastText(), QString("This will DELETE the Selected Service"));
        QCOMPARE(f.root.read(ServiceCatalogue::kPath).size(), 72);
        QVERIFY(!f.screen->button(ServicesScreen::DeleteItem)->isEnabled());
        QSignalSpy back(f.screen.get(), &ServicesScreen::returnToMenu);
        f.press(ServicesScreen::Menu);
        QCOMPARE(back.size(), 1);
    }

    void fullCatalogueRefusesAddNew()
    {
        QByteArray file;
        for (int i = 0; i < 255; ++i)
            file += service(QString("S%1").arg(i));
        Fixture f(file);
        f.press(ServicesScreen::AddNew);
        QCOMPARE(f.fake.messages.lastText(), QString("The catalogue holds at most 255 services."));
        QVERIFY(!f.edit("txtDescription")->isEnabled());
        QCOMPARE(f.root.read(ServiceCatalogue::kPath), file);
    }
};

QTEST_MAIN(TestServicesScreen)
#include "tst_servicesscreen.moc"
