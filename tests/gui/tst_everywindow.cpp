#include "accounts/customerfile.h"
#include "accounts/customerrecord.h"
#include "accounts/servicecatalogue.h"
#include "apptesting.h"
#include "gui/app/setupscreen.h"
#include "gui/app/welcomepanel.h"
#include "gui/billing/historywindow.h"
#include "gui/billing/receivableswindow.h"
#include "gui/dialing/dialerwindow.h"
#include "gui/dispatch/agreementswindow.h"
#include "gui/dispatch/boardwindow.h"
#include "gui/dispatch/createslipwindow.h"
#include "gui/widgets/flexgrid.h"
#include "platform/fakes/recordingprinttarget.h"
#include "platform/qtseams.h"
#include "testsupport.h"
#include "tools/samplegenerator.h"
#include "widgettesting.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStackedWidget>
#include <QTableView>
#include <QTimer>

namespace {

QChar mnemonicOf(const QString &text)
{
    const qsizetype amp = QString(text).replace(QLatin1String("&&"), QLatin1String("__")).indexOf(QLatin1Char('&'));
    return amp >= 0 && amp + 1 < text.size() ? text[amp + 1].toLower() : QChar();
}

struct Key
{
    QChar letter;
    QString what;
    QMap<const QObject *, int> pages; // the page of each stack the control sits on
};

// The controls of one window with their letters; the windows inside it (dialogs) are left to themselves.
void collect(const QWidget *parent, QList<Key> &keys)
{
    for (QWidget *w : parent->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (w->isWindow())
            continue;
        QStringList texts;
        if (auto *b = qobject_cast<QAbstractButton *>(w))
            texts << b->text();
        else if (auto *l = qobject_cast<QLabel *>(w); l && l->buddy())
            texts << l->text();
        else if (auto *g = qobject_cast<QGroupBox *>(w))
            texts << g->title();
        else if (auto *bar = qobject_cast<QMenuBar *>(w))
            for (QAction *a : bar->actions())
                texts << a->text();
        for (const QString &text : texts) {
            Key key{mnemonicOf(text), w->objectName() + QStringLiteral(" \"") + text + QLatin1Char('"'), {}};
            for (const QWidget *p = w; !p->isWindow(); p = p->parentWidget())
                if (auto *stack = qobject_cast<QStackedWidget *>(p->parentWidget()))
                    key.pages.insert(stack, stack->indexOf(const_cast<QWidget *>(p)));
            if (!key.letter.isNull())
                keys << key;
        }
        collect(w, keys);
    }
}

QStringList clashesIn(const QWidget *window)
{
    QStringList clashes;
    QList<Key> keys;
    collect(window, keys);
    for (qsizetype i = 0; i < keys.size(); ++i)
        for (qsizetype j = i + 1; j < keys.size(); ++j) {
            bool together = keys[i].letter == keys[j].letter;
            for (auto p = keys[i].pages.cbegin(); p != keys[i].pages.cend(); ++p)
                together = together && keys[j].pages.value(p.key(), p.value()) == p.value();
            if (together)
                clashes << window->objectName() + QStringLiteral(": ") + keys[i].what + " and " + keys[j].what;
        }
    for (const QMenu *menu : window->findChildren<QMenu *>()) {
        QList<QChar> letters;
        for (const QAction *action : menu->actions())
            if (const QChar c = mnemonicOf(action->text()); !c.isNull()) {
                if (letters.contains(c))
                    clashes << window->objectName() + QStringLiteral(": menu entry \"") + action->text() + '"';
                letters << c;
            }
    }
    return clashes;
}

} // namespace

// Every window of the program, as the program makes it, on the screen of an office laptop (1024x768) and on a
// large one (the size comes from VD_TEST_SCREEN, "1024x768" unless set): no control lies beyond the screen's
// edge, a grid's headings and its slip numbers read whole, and no two controls of a window (controls on different
// pages of a stack, such as the steps of slip creation, never show together), nor two entries of a menu, answer
// the same Alt+letter.
class TestEveryWindow : public QObject
{
    Q_OBJECT

    QRect m_screen;
    QList<QWidget *> m_opened;

    // The part of each shown control that is not scrolled away lies on the screen; a grid's headings and its
    // first two columns (tick marks, slip numbers) read whole.
    void verifyInside(QWidget *window)
    {
        const QString name = window->objectName();
        QVERIFY2(window->isVisible() && m_screen.contains(window->frameGeometry()), qPrintable(name));
        for (QWidget *control : window->findChildren<QWidget *>()) {
            const QRect shown = control->visibleRegion().boundingRect();
            if (!control->isVisible() || control->window() != window || shown.isEmpty())
                continue;
            QVERIFY2(m_screen.contains(QRect(control->mapToGlobal(shown.topLeft()), shown.size())),
                     qPrintable(name + QLatin1Char('/') + control->objectName()));
        }
        for (FlexGrid *grid : window->findChildren<FlexGrid *>()) {
            const QFontMetrics metrics = grid->view()->fontMetrics();
            for (int c = 0; grid->isVisible() && c < grid->cols(); ++c) {
                for (int r = 0; grid->columnWeight(c) > 0 && r < (c < 2 ? std::min(grid->rows(), 200) : 1); ++r)
                    QVERIFY2(grid->columnWidth(c) >= metrics.horizontalAdvance(grid->text(r, c).trimmed()),
                             qPrintable(grid->objectName() + QStringLiteral(": ") + grid->text(r, c)));
            }
        }
    }

    // Controls that must show whole, not scrolled away in part.
    void verifyWhole(QWidget *window, const QStringList &names)
    {
        for (const QString &name : names) {
            auto *control = window->findChild<QWidget *>(name);
            QVERIFY2(control && control->isVisible() && control->visibleRegion().boundingRect() == control->rect(),
                     qPrintable(window->objectName() + QLatin1Char('/') + name));
        }
    }

    void openAndVerify(QWidget *window)
    {
        QVERIFY(window);
        window->show();
        for (int i = 0; i < 4; ++i)
            QTest::qWait(10);
        verifyInside(window);
        m_opened << window;
    }

private slots:
    void initTestCase()
    {
        useTestSettingsStore();
        m_screen = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(QStringLiteral("%1x%2").arg(m_screen.width()).arg(m_screen.height()),
                 qEnvironmentVariable("VD_TEST_SCREEN", QStringLiteral("1024x768")));
    }

    void everyWindow()
    {
        TestRoot root;
        generateSampleData(root.folder(), {.customers = 300,
                                           .slips = 400,
                                           .history = 800,
                                           .services = 120,
                                           .assignments = 40,
                                           .today = QDate(2026, 12, 7)});
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
        openAndVerify(customers);
        verifyWhole(customers, {"txtAux_0", "txtAux_5", "cmdSaveHeadings", "cmdAuxClose", "ckRetain"});
        customers->findChild<QAbstractButton *>(QStringLiteral("cmdFinder_0"))->click();
        openAndVerify(customers);
        auto *board = qobject_cast<BoardWindow *>(app.routineWindow(StartMenu::ManageSlips));
        emit board->grid()->cellClicked(1, 2);
        board->runAction(BoardWindow::ManageSlip);
        board->runAction(BoardWindow::MakeChanges);
        openAndVerify(board);
        verifyWhole(board, {"lblNewAssignment", "lblNewPriority", "cmdMain_12", "cmdMain_17"});
        // Beside the change frame the grid still shows a slip's number, status and customer whole.
        const QTableView *slips = board->grid()->view();
        QVERIFY(slips->columnViewportPosition(5) + slips->columnWidth(5) <= slips->viewport()->width());
        // A size and place kept from a larger screen come back inside this one.
        board->hide();
        board->setGeometry(m_screen.width() - 100, m_screen.height() - 50, 2500, 1400);
        openAndVerify(board);
        // A dialog larger than the screen, as the import window can be.
        QDialog dialog(board);
        dialog.resize(2500, 1400);
        openAndVerify(&dialog);
        openAndVerify(qobject_cast<HistoryWindow *>(app.routineWindow(StartMenu::History))->receivables());
        ReadCustomer(app.state().folder, 1, app.state().currentCustomer);
        app.showSlipCreation();
        openAndVerify(app.slipCreation());
        // Its last step, with the assignment's day.
        QWidget *creation = app.slipCreation();
        creation->findChild<QAbstractButton *>(QStringLiteral("cmdCreation_2"))->click();
        creation->findChild<QPlainTextEdit *>(QStringLiteral("txtService"))->setPlainText(QStringLiteral("Furnace"));
        creation->findChild<QAbstractButton *>(QStringLiteral("cmdCreation_4"))->click();
        QCOMPARE(qobject_cast<CreateSlipWindow *>(creation)->step(), CreateSlipWindow::Schedule);
        openAndVerify(creation);
        app.showSetup();
        openAndVerify(app.setup());
        app.showManual();
        openAndVerify(shownWindow(QStringLiteral("frmManual")));
        QMetaObject::invokeMethod(app.startMenu(), "aboutRequested");
        openAndVerify(shownWindow(QStringLiteral("frmAbout")));
        app.openDialer(QStringLiteral("Jane Doe"), QStringLiteral("555-0100"));
        openAndVerify(app.dialer());
        // The maintenance agreements and their editor, with an agreement in the list.
        Agreement agreement{.acctNo = app.state().currentCustomer.text(CustomerField::AcctNo).trimmed(),
                            .services = {LoadCatalogue(app.state().folder).at(0).description},
                            .technician = app.state().assignmentLists.board.value(1),
                            .slot = QStringLiteral("10:00"),
                            .start = QDate(2026, 12, 1)};
        QVERIFY(Agreements::save(app.state().folder, agreement).isDone());
        AgreementsWindow *agreements = app.openAgreements({});
        openAndVerify(agreements);
        agreements->grid()->setCurrentRow(1);
        agreements->editAgreement();
        openAndVerify(agreements->editor());
        WelcomePanel welcome({}, QStringLiteral("The data folder is /home/office/Varnel"));
        openAndVerify(&welcome);

        // The letters of each window, and of the dialogs it keeps, in their turn.
        QStringList clashes;
        QSet<QWidget *> seen{&dialog};
        while (!m_opened.isEmpty()) {
            QWidget *window = m_opened.takeFirst();
            if (seen.contains(window))
                continue;
            seen.insert(window);
            clashes << clashesIn(window);
            for (QWidget *inner : window->findChildren<QWidget *>())
                if (inner->isWindow() && !qobject_cast<QMenu *>(inner))
                    m_opened << inner;
        }
        QVERIFY(seen.size() >= 16);
        QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join(QLatin1Char('\n'))));
    }

    // A message that lists many slips stays inside the screen: the list goes to a part that scrolls.
    void longMessagesFit()
    {
        bool checked = false;
        QTimer::singleShot(50, this, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                verifyInside(box);
                checked = true;
                box->accept();
            }
        });
        QtMessages().inform(
            QStringLiteral("Slip 1000 was left in both slip files and is kept as completed.\n").repeated(250),
            QStringLiteral("Slips Recovered"));
        QVERIFY(checked);
    }
};

int main(int argc, char **argv)
{
    // The offscreen platform takes its screen from a small configuration file.
    QTemporaryDir dir;
    const QList<QByteArray> size = qgetenv("VD_TEST_SCREEN").split('x');
    QFile config(dir.filePath(QStringLiteral("screen.json")));
    if (!config.open(QIODevice::WriteOnly))
        return 2;
    config.write("{ \"screens\": [ { \"name\": \"office\", \"x\": 0, \"y\": 0, \"width\": " +
                 (size.size() == 2 ? size[0] : "1024") + ", \"height\": " + (size.size() == 2 ? size[1] : "768") +
                 ", \"logicalDpi\": 96, \"logicalBaseDpi\": 96, \"dpr\": 1 } ] }");
    config.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
    QApplication application(argc, argv);
    TestEveryWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_everywindow.moc"
