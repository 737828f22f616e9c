#include "accounts/customerfile.h"
#include "app/screens/welcomepanel.h"
#include "app/screens/setupscreen.h"
#include "apptesting.h"
#include "dialing/screens/dialerwindow.h"
#include "billing/screens/historywindow.h"
#include "billing/screens/receivableswindow.h"
#include "dispatch/screens/boardwindow.h"
#include "dispatch/screens/createslipwindow.h"
#include "platform/flexgrid.h"
#include "platform/qtseams.h"
#include "printing/printtarget.h"
#include "testsupport.h"
#include "tools/samplegenerator.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QMessageBox>
#include <QScreen>
#include <QTableView>
#include <QTimer>

// Every window of the program opens inside the screen of an office laptop (1024x768) and uses the room of a
// large one (the screen size comes from VD_TEST_SCREEN, "1024x768" unless set): no control lies beyond the
// screen's edge, and a grid's headings and its slip numbers read whole.
class TestScreenFit : public QObject
{
    Q_OBJECT

    QRect m_screen;

    // The part of each shown control that is not scrolled away lies on the screen.
    void verifyInside(QWidget *window)
    {
        QVERIFY2(window->isVisible(), qPrintable(window->objectName()));
        const QRect frame = window->frameGeometry();
        QVERIFY2(m_screen.contains(frame), qPrintable(QStringLiteral("%1 at %2,%3 %4x%5")
                                                          .arg(window->objectName())
                                                          .arg(frame.x())
                                                          .arg(frame.y())
                                                          .arg(frame.width())
                                                          .arg(frame.height())));
        const auto controls = window->findChildren<QWidget *>();
        for (QWidget *control : controls) {
            if (!control->isVisible() || control->isWindow() || control->window() != window)
                continue;
            const QRect shown = control->visibleRegion().boundingRect();
            if (shown.isEmpty())
                continue;
            const QRect onScreen(control->mapToGlobal(shown.topLeft()), shown.size());
            QVERIFY2(m_screen.contains(onScreen), qPrintable(QStringLiteral("%1 / %2 (%3) reaches %4,%5")
                                                                 .arg(window->objectName(), control->objectName(),
                                                                      control->metaObject()->className())
                                                                 .arg(onScreen.right())
                                                                 .arg(onScreen.bottom())));
        }
        // The headings of every grid read whole, and the first columns (tick marks, numbers) hold their texts.
        for (FlexGrid *grid : window->findChildren<FlexGrid *>()) {
            if (!grid->isVisible())
                continue;
            const QFontMetrics metrics = grid->view()->fontMetrics();
            for (int c = 0; c < grid->cols(); ++c) {
                if (grid->columnWeight(c) == 0)
                    continue;
                const QString heading = grid->text(0, c).trimmed();
                QVERIFY2(grid->columnWidth(c) >= metrics.horizontalAdvance(heading),
                         qPrintable(grid->objectName() + QStringLiteral(": ") + heading));
                for (int r = 1; c < 2 && r < std::min(grid->rows(), 200); ++r)
                    QVERIFY2(grid->columnWidth(c) >= metrics.horizontalAdvance(grid->text(r, c)),
                             qPrintable(grid->objectName() + QStringLiteral(": ") + grid->text(r, c)));
            }
        }
    }

    static QWidget *topLevel(const QString &name)
    {
        for (QWidget *window : QApplication::topLevelWidgets())
            if (window->objectName() == name)
                return window;
        return nullptr;
    }

    static void settle()
    {
        for (int i = 0; i < 4; ++i)
            QTest::qWait(10);
    }

    void openAndVerify(QWidget *window)
    {
        QVERIFY(window);
        window->show();
        settle();
        verifyInside(window);
        // A window that fits has room left for more on a large screen: it is not stuck at a small size.
        if (m_screen.width() >= 1920 && window->sizePolicy().horizontalPolicy() != QSizePolicy::Fixed)
            QVERIFY2(window->width() <= m_screen.width() && window->height() <= m_screen.height(),
                     qPrintable(window->objectName()));
    }

private slots:
    void initTestCase()
    {
        useTestSettingsStore();
        m_screen = QGuiApplication::primaryScreen()->availableGeometry();
        const QByteArray wanted = qgetenv("VD_TEST_SCREEN");
        QCOMPARE(QStringLiteral("%1x%2").arg(m_screen.width()).arg(m_screen.height()),
                 QString::fromLatin1(wanted.isEmpty() ? "1024x768" : wanted));
    }

    void everyWindowFits()
    {
        TestRoot root;
        GenerateOptions options;
        options.customers = 300;
        options.slips = 400;
        options.history = 800;
        options.services = 120;
        options.assignments = 40;
        options.today = QDate(2026, 12, 7);
        generateSampleData(root.folder(), options);
        FakePlatform fake;
        RecordingPrintTarget printer;
        StartedApp app(root.path(), fake, &printer);

        openAndVerify(app.startMenu());
        for (int r = StartMenu::CreateSlip; r <= StartMenu::History; ++r) {
            app.openRoutine(StartMenu::Routine(r));
            openAndVerify(app.routineWindow(StartMenu::Routine(r)));
        }
        // Their panels and frames open: still inside.
        QWidget *customers = app.routineWindow(StartMenu::Customers);
        customers->findChild<QAction *>(QStringLiteral("mnuToggleData"))->trigger();
        customers->findChild<QAbstractButton *>(QStringLiteral("cmdFinder_0"))->click();
        openAndVerify(customers);
        auto *board = qobject_cast<BoardWindow *>(app.routineWindow(StartMenu::ManageSlips));
        emit board->grid()->cellClicked(1, 2);
        board->runAction(BoardWindow::ManageSlip);
        openAndVerify(board);
        // A size and place kept from a larger screen come back inside this one.
        board->hide();
        board->setGeometry(m_screen.width() - 100, m_screen.height() - 50, 2500, 1400);
        openAndVerify(board);
        // A dialog larger than the screen, as the import window can be.
        QDialog dialog(board);
        dialog.setObjectName(QStringLiteral("dlgLarge"));
        dialog.resize(2500, 1400);
        openAndVerify(&dialog);
        auto *history = qobject_cast<HistoryWindow *>(app.routineWindow(StartMenu::History));
        openAndVerify(history->receivables());

        ReadCustomer(app.state().folder, 1, app.state().currentCustomer);
        app.showSlipCreation();
        openAndVerify(app.slipCreation());
        app.showSetup();
        openAndVerify(app.setup());
        app.showManual();
        openAndVerify(topLevel(QStringLiteral("frmManual")));
        QMetaObject::invokeMethod(app.startMenu(), "aboutRequested");
        openAndVerify(topLevel(QStringLiteral("frmAbout")));
        app.openDialer(QStringLiteral("Jane Doe"), QStringLiteral("555-0100"));
        openAndVerify(app.dialer());
        WelcomePanel welcome({}, QStringLiteral("The data folder is /home/office/Varnel"));
        openAndVerify(&welcome);
    }

    // A message that lists many slips stays inside the screen: the list goes to a part that scrolls.
    void longMessagesFit()
    {
        QStringList lines;
        for (int slip = 1000; slip < 1250; ++slip)
            lines << QStringLiteral("Slip %1 was left in both slip files and is kept as completed.").arg(slip);
        QtMessages messages;
        bool checked = false;
        QTimer::singleShot(50, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box) {
                verifyInside(box);
                checked = true;
                box->accept();
            }
        });
        messages.inform(lines.join(QLatin1Char('\n')), QStringLiteral("Slips Recovered"));
        QVERIFY(checked);
    }
};

int main(int argc, char **argv)
{
    // The offscreen platform takes its screen from a small configuration file.
    QTemporaryDir dir;
    const QByteArray size = qEnvironmentVariable("VD_TEST_SCREEN", QStringLiteral("1024x768")).toLatin1();
    const QList<QByteArray> wh = size.split('x');
    QFile config(dir.filePath(QStringLiteral("screen.json")));
    if (wh.size() != 2 || !config.open(QIODevice::WriteOnly))
        return 2;
    config.write("{ \"screens\": [ { \"name\": \"office\", \"x\": 0, \"y\": 0, \"width\": " + wh[0] +
                 ", \"height\": " + wh[1] + ", \"logicalDpi\": 96, \"logicalBaseDpi\": 96, \"dpr\": 1 } ] }");
    config.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
    QApplication application(argc, argv);
    TestScreenFit test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_screenfit.moc"
