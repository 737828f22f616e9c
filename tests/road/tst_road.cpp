// The road of one job through the program's real windows: a first run and its setup, a service, a technician,
// a customer, a slip, the dispatch board, finalizing with Write Records, the history and the printed invoice,
// then every file the road wrote, byte for byte, and the data check. The same road is then broken off at the
// points where a kill hurts most; a restart has to keep or finish what was done, and the road goes on to the
// same bytes.

#include "app/application.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "gui/app/startmenu.h"
#include "gui/billing/finalizewindow.h"
#include "gui/dispatch/createslipwindow.h"
#include "gui/widgets/flexgrid.h"
#include "platform/fakes/fakemodem.h"
#include "platform/fakes/fakeplatform.h"
#include "testsupport.h"
#include "tools/datacheck.h"
#include "tooltesting.h"
#include "widgettesting.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <cstring>
#include <functional>
#include <memory>

namespace {

// What the user types along the road.
const QDate kToday(2026, 1, 15); // a Thursday; the fake clock's day at 9:00
const QString kBusiness = "Harbor Lane Heating";
const QString kBusinessPostal = "97365";
const QString kService = "Furnace Tune-up";
const QString kTechnician = "Dana Whitfield";
const QString kAccount = "HL-204";
const QString kCustomer = "Marlow Bakery";
const QString kCustomerPostal = "97123";
const QString kExtraWork = " and check the oven flue";
const QString kInvoiceNo = "5001";
const QString kCheckNo = "4471";

// -- Finding and working the controls ---------------------------------------------------------------------------

QWidget *visibleWindow(const QString &name)
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->objectName() == name)
            return w;
    }
    return nullptr;
}

// Clears a box and types into it key by key, so that its key filters see every character; then leaves it.
void type(QLineEdit *box, const QString &text)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
    emit box->editingFinished();
}

void type(QWidget *window, const QString &name, const QString &text)
{
    if (auto *combo = window->findChild<QComboBox *>(name); combo && combo->isEditable())
        type(combo->lineEdit(), text);
    else
        type(child<QLineEdit>(window, name), text);
}

void chooseItem(QListWidget *list, const QString &text)
{
    const QList<QListWidgetItem *> items = list->findItems(text, Qt::MatchExactly);
    if (items.isEmpty())
        qFatal("no item %s in %s", qPrintable(text), qPrintable(list->objectName()));
    list->setCurrentItem(items.first());
    emit list->itemClicked(items.first());
}

// Opens a routine of the start menu the way the user does: a click on its line.
void openRoutine(int routine)
{
    QWidget *menu = visibleWindow("frmStartup");
    QLabel *line = child<QLabel>(menu, QString("lblSub_%1").arg(routine));
    if (!line->isEnabled())
        qFatal("routine %d is not enabled", routine);
    QTest::mouseClick(line, Qt::LeftButton);
}

// Answers the next modal dialog of type D when it comes up (the print preview, its file chooser).
template <typename D> void whenModal(std::function<void(D *)> answer)
{
    auto *timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        auto *dialog = qobject_cast<D *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        answer(dialog);
    });
    timer->start();
}

// -- The bytes the files must hold, spelled out at their offsets --------------------------------------------------

// A record of blanks with fields put at their byte offsets, as the companion program reads them.
class Bytes
{
public:
    explicit Bytes(int length)
        : m_bytes(length, ' ')
    {}
    Bytes &text(int offset, int width, const QString &value)
    {
        const QByteArray latin = value.toLatin1();
        if (latin.size() > width)
            qFatal("%s is wider than %d", latin.constData(), width);
        std::memcpy(m_bytes.data() + offset, latin.constData(), std::size_t(latin.size()));
        return *this;
    }
    Bytes &int16(int offset, qint16 value)
    {
        qToLittleEndian(value, m_bytes.data() + offset);
        return *this;
    }
    Bytes &real(int offset, double value)
    {
        qToLittleEndian(value, m_bytes.data() + offset);
        return *this;
    }
    Bytes &cents(int offset, qint64 cents) // currency: ten-thousandths in 8 bytes
    {
        qToLittleEndian(cents * 100, m_bytes.data() + offset);
        return *this;
    }
    operator QByteArray() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

double oleDays(const QDate &date)
{
    return double(QDate(1899, 12, 30).daysTo(date));
}

const QString kDate = "1/15/2026";

// The slip as slip creation stores it ("Assigned") and as the archive keeps it after Write Records ("Finalized").
QByteArray slipBytes(const QString &status)
{
    const bool finalized = status == QLatin1String("Finalized");
    Bytes b(697);
    b.int16(0, 1000).real(2, oleDays(kToday));
    b.text(10, 15, status);
    b.text(25, 20, kAccount).text(45, 30, kCustomer).text(75, 35, "7 Quay Street").text(135, 20, "Port Alder");
    b.text(155, 2, "OR").text(157, 10, kCustomerPostal).text(167, 13, "541-555-0177");
    b.text(210, 30, kCustomer).text(240, 35, "7 Quay Street").text(300, 20, "Port Alder").text(320, 2, "OR");
    b.text(322, 10, kCustomerPostal).text(332, 13, "541-555-0177");
    b.text(375, 30, kTechnician).text(405, 10, kDate).text(415, 12, "10:00");
    b.text(427, 200, kService + kExtraWork);
    b.text(647, 20, "High");
    if (finalized)
        b.text(627, 20, kInvoiceNo).text(667, 20, "Ck # " + kCheckNo).text(687, 10, "$258.00");
    else
        b.text(687, 10, "$0.00");
    return b;
}

QByteArray accountLine(const QString &description, const QString &amount)
{
    return Bytes(155)
        .text(0, 45, kCustomer)
        .text(45, 25, kAccount)
        .text(70, 15, kDate)
        .text(85, 60, description)
        .text(145, 10, amount);
}

// Every file the road writes, with the bytes it must hold at the end of the road; empty: the file must not exist.
QMap<QString, QByteArray> expectedFiles()
{
    QMap<QString, QByteArray> files;
    files["/ServiceSlips.txt"] = {};
    files["/CompletedServiceSlips.txt"] = {};
    files["/FinalizedServiceSlips.txt"] = slipBytes("Finalized");
    files["/CAHistory.txt"] = accountLine("Invoice No. " + kInvoiceNo, "$258.00");
    files["/ServiceHistory.txt"] = Bytes(145)
                                       .text(0, 30, kCustomer)
                                       .text(30, 25, kAccount)
                                       .text(55, 15, kDate)
                                       .text(70, 35, (kService + kExtraWork).left(35))
                                       .text(105, 40, kTechnician);
    files["/TaxRecords.txt"] =
        Bytes(75).text(0, 20, "Sales Tax").text(20, 15, kDate).text(35, 30, kInvoiceNo).text(65, 10, "18");
    files["/InvoiceSalesJournal.txt"] = Bytes(125)
                                            .text(0, 45, kCustomer)
                                            .text(45, 20, kAccount)
                                            .text(65, 20, kInvoiceNo)
                                            .real(85, oleDays(kToday))
                                            .cents(93, 24000)
                                            .cents(101, 1800)
                                            .cents(109, 0)
                                            .cents(117, 25800);
    files["/VIActiveAccounts/" + kAccount + ".txt"] = accountLine("Previous Balance", "$0.00") +
                                                      accountLine(kInvoiceNo, "$258.00") +
                                                      accountLine("Payment Received", "$258.00");
    files["/CAPaymentRecords.txt"] = accountLine("Ck # " + kCheckNo, "$258.00");
    files["/SlipNo.txt"] = "1001\r\n";
    files["/VIInvoiceNo.txt"] = "5002\r\n";
    files["/PrintedInvoices.txt"] = Bytes(38).text(0, 20, kInvoiceNo).text(20, 10, "1000").real(30, oleDays(kToday));
    files["/PostingJournal.txt"] = {};
    return files;
}

// -- The road -----------------------------------------------------------------------------------------------------

// Where the road is broken off, and where it goes on after the restart.
enum class Stage { Setup, Service, Technician, Customer, Slip, Board, Finalize, History, End };

// The kill: at the chosen write the data folder is copied as it is at that instant (what a killed program leaves
// on the disk), the write fails, and that program is thrown away with its windows. The restart runs on the copy.
struct Kill
{
    Stage stage = Stage::End;
    // For the data folder's writes: the name of the file whose first write step is cut off.
    QString file;
    // For Write Records: the file of the run's step ("before" it), instead of the data folder's writes.
    QString postingFile;
};

class Road
{
public:
    explicit Road(Kill kill = {})
        : m_kill(std::move(kill))
        , m_root(m_firstRoot.path())
    {}
    ~Road() { m_app.reset(); }

    const QString &root() const { return m_root; }
    FakeMessages &messages() { return m_fake.messages; }
    bool killed() const { return m_killed; }

    void startProgram()
    {
        m_app = std::make_unique<Application>(m_root, m_fake.platform());
        m_app->setSerialPortFactory(m_noModem.factory());
        m_app->setQuitHandler([] {});
        m_app->start();
        if (m_kill.stage != Stage::End && !m_killed && m_kill.postingFile.isEmpty())
            armDataFolderKill();
    }

    // The messages since the last look.
    QStringList newMessages()
    {
        QStringList out;
        for (std::size_t i = m_seen; i < m_fake.messages.shown.size(); ++i)
            out << m_fake.messages.shown[i].text;
        m_seen = m_fake.messages.shown.size();
        return out;
    }

    // The messages since the last look, one line, for comparing.
    QString said() { return joined(newMessages()); }
    static QString joined(const QStringList &texts) { return texts.join(" | "); }

    // Runs the road's stages from `from` on; returns false when the kill came (the program is gone then).
    bool run(Stage from)
    {
        static constexpr void (Road::*stages[])() = {&Road::firstRun,    &Road::addService,   &Road::addTechnician,
                                                     &Road::addCustomer, &Road::writeSlip,    &Road::workTheBoard,
                                                     &Road::finalize,    &Road::lookAtHistory};
        for (int s = int(from); s < int(Stage::End); ++s) {
            m_stage = Stage(s);
            (this->*stages[s])();
            if (QTest::currentTestFailed())
                return false;
            if (m_dying) {
                afterKill();
                return false;
            }
        }
        return true;
    }

    // The restart after a kill: the copy of the folder as the kill left it, a new program on it.
    void restart()
    {
        m_root = m_afterKill.path();
        m_seen = m_fake.messages.shown.size();
        startProgram();
    }

    // Ends the program through its exit (the Backup copies).
    void exitProgram()
    {
        m_app->exitProgram();
        m_app.reset();
    }

    // Where the user saves the invoice: a folder of documents beside the data folder.
    QString invoicePdf() const { return m_documents.path() + "/invoice.pdf"; }
    // What the history window showed: each data row with its cells joined by "|".
    QStringList historyRows, serviceRows;
    QString incomeTotal;

private:
    void firstRun()
    {
        click(m_app->welcomePanel(), "imgLogo");
        QWidget *setup = visibleWindow("frmSetup");
        auto *tabs = child<QTabWidget>(setup, "tabSetup");
        tabs->setCurrentIndex(0);
        const QStringList business = {kBusiness,       "12 Bayfront Road", "", "Newport", "OR",
                                      kBusinessPostal, "541-555-0100"};
        for (int i = 0; i < business.size(); ++i) {
            if (!business[i].isEmpty())
                type(setup, QString("txtBusiness_%1").arg(i), business[i]);
        }
        tabs->setCurrentIndex(1);
        auto *subTabs = child<QTabWidget>(setup, "SSTab1");
        subTabs->setCurrentIndex(3);
        type(setup, "txtInvoiceNo", kInvoiceNo);
        subTabs->setCurrentIndex(4);
        type(setup, "cboTaxHeading1", "Sales Tax");
        type(setup, "cboRate1", "7.5");
        child<QCheckBox>(setup, "ckApply1stTax")->setChecked(true);
        click(setup, "cmdSave");
        if (m_dying)
            return;
        QVERIFY2(visibleWindow("frmStartup"), qPrintable(newMessages().join('|')));
        QCOMPARE(said(), joined(QStringList()));
    }

    void addService()
    {
        click(visibleWindow("frmStartup"), "Command1");
        QWidget *services = visibleWindow("frmServices");
        click(services, "cmdService_1"); // Add New
        type(services, "txtDescription", kService);
        type(services, "txtCharge", "89");
        child<QComboBox>(services, "cboTime")->setCurrentText("1:30");
        click(services, "cmdService_4"); // Save
        click(services, "cmdService_0"); // Menu
        QCOMPARE(said(), joined(QStringList()));
    }

    void addTechnician()
    {
        click(visibleWindow("frmStartup"), "Command1");
        QWidget *assignments = visibleWindow("frmAssignment");
        QTRY_VERIFY(m_fake.messages.shown.size() > m_seen); // said once the window shows
        QCOMPARE(said(), joined(QStringList{"Your Assignment File is Empty\r\nCreate your First Assignment Now"}));
        type(assignments, "txtName", kTechnician);
        type(assignments, "txtTelephone", "541-555-0142");
        click(assignments, "cmdMenu");
        QCOMPARE(said(), joined(QStringList()));
    }

    void addCustomer()
    {
        openRoutine(StartMenu::CreateSlip);
        QWidget *customers = visibleWindow("frmNewCustomer");
        const QStringList greeting = newMessages();
        QCOMPARE(greeting.size(), 1);
        QVERIFY(greeting[0].startsWith("Your Customer File is Empty\r\nCreate your First"));
        type(customers, "txtAcctNo", kAccount);
        type(customers, "txtName", kCustomer);
        type(customers, "txtAddress1", "7 Quay Street");
        type(customers, "cboCity", "Port Alder");
        type(customers, "cboState", "OR");
        type(customers, "txtPostal", kCustomerPostal);
        type(customers, "txtTelephone", "541-555-0177");
        click(customers, "cmdSelect");
        QCOMPARE(said(), joined(QStringList()));
    }

    void writeSlip()
    {
        QWidget *slip = visibleWindow("frmCreateSlip");
        QVERIFY2(slip, qPrintable(visibleWindows()));
        click(slip, "cmdSetJobSite"); // the job is at the account's address
        click(slip, "cmdCreation_2");
        chooseItem(child<QListWidget>(slip, "lstServices"), kService);
        auto *work = child<QPlainTextEdit>(slip, "txtService");
        work->moveCursor(QTextCursor::End);
        QTest::keyClicks(work, kExtraWork);
        click(slip, "cmdCreation_4");
        chooseItem(child<QListWidget>(slip, "lstAssignments"), kTechnician);
        chooseItem(child<QListWidget>(slip, "lstPriority"), "High");
        static_cast<CreateSlipWindow *>(slip)->pickDate(kToday);
        child<QComboBox>(slip, "cboTime")->setCurrentText("10:00");
        messages().answer(true); // reviewed
        click(slip, "cmdCreation_6");
        if (m_dying)
            return;
        QCOMPARE(said(), joined(QStringList{"Have you reviewed all Data and is it Correct?",
                                            "Service Slip 1000 has been stored."}));
        QVERIFY(visibleWindow("frmStartup"));
    }

    void workTheBoard()
    {
        openRoutine(StartMenu::ManageSlips);
        QWidget *board = visibleWindow("frmMain");
        auto *grid = child<FlexGrid>(board, "fgSlips");
        QCOMPARE(grid->rows(), 2);
        QCOMPARE(grid->text(1, 1), "1000");
        QCOMPARE(grid->text(1, 4), "Assigned");
        // The invoice, through the preview's Save as PDF.
        emit grid->cellClicked(1, 0);
        messages().answer(true);
        whenModal<QDialog>([this](QDialog *preview) {
            QCOMPARE(preview->objectName(), "frmPrintPreview");
            whenModal<QFileDialog>([this](QFileDialog *chooser) {
                chooser->selectFile(invoicePdf());
                static_cast<QDialog *>(chooser)->accept();
            });
            click(preview, "cmdPreviewPdf");
        });
        click(board, "cmdMain_15");
        const QStringList printing = newMessages();
        QCOMPARE(printing.value(0),
                 "An Invoice will be Printed for all\r\nSELECTED (Sel Ticked) Slips with a STATUS of Assigned");
        QCOMPARE(printing.size(), 2); // and where to put the paper
        // In Progress through the change frame (the print took the tick away).
        QCOMPARE(grid->text(1, 0), QString());
        emit grid->cellClicked(1, 0);
        click(board, "cmdMain_7");
        click(board, "cmdMain_11");
        auto *status = child<QListWidget>(board, "lstStatus");
        chooseItem(status, "In Progress");
        click(board, "cmdMain_12");
        QCOMPARE(grid->text(1, 4), "In Progress");
        // Complete, then save.
        emit grid->cellClicked(1, 0);
        messages().answer(true);
        click(board, "cmdMain_4");
        QCOMPARE(grid->text(1, 4), "Complete");
        click(board, "cmdMain_8");
        if (m_dying)
            return;
        QCOMPARE(said(), joined((QStringList{"Any Changes will be loaded to the Grid,\r\nThe data is NOT RECORDED at "
                                             "this time\r\nClick Save Changes/Exit Button on the grid screen\r\nTo "
                                             "SAVE all changes made to Service Slips",
                                             "This Action will COMPLETE all SELECTED Slips",
                                             "All valid slips have been marked as COMPLETED\r\nYou must click the "
                                             "SaveAll Changes Button to save the slips"})));
        QVERIFY(visibleWindow("frmStartup"));
    }

    void finalize()
    {
        openRoutine(StartMenu::CompleteSlips);
        auto *window = static_cast<FinalizeWindow *>(visibleWindow("frmFinalize"));
        QVERIFY2(window, qPrintable(visibleWindows()));
        if (!m_kill.postingFile.isEmpty() && !m_killed)
            armPostingKill(*window);
        FlexGrid *grid = window->grid();
        QCOMPARE(grid->rows(), 2);
        emit grid->cellClicked(1, 0);
        type(window, "txtAmount", "240");
        auto *payForm = child<QComboBox>(window, "cboPayForm");
        payForm->setCurrentIndex(0);
        emit payForm->activated(0);
        payForm->lineEdit()->end(false);
        QTest::keyClicks(payForm->lineEdit(), kCheckNo);
        type(window, "txtInvoice", kInvoiceNo);
        newMessages();
        // The number the board printed for this very slip, typed by hand: taken without a question.
        click(window, "cmdPost_0"); // Enter to Grid: the tax is calculated, 7.5% of $240.00
        QCOMPARE(said(), joined(QStringList()));
        QCOMPARE(grid->rowTexts(1).mid(5), (QStringList{kInvoiceNo, "Ck # " + kCheckNo, "$258.00", "Finalized"}));
        messages().answer(true);
        click(window, "cmdSelected"); // Write Records
        if (m_dying)
            return;
        QCOMPARE(said(), joined(QStringList{"Only Slips that have been Finalized will be recorded\r\nin the History "
                                            "File, then removed from the Slips File"}));
        QVERIFY(visibleWindow("frmStartup"));
    }

    void lookAtHistory()
    {
        openRoutine(StartMenu::History);
        QWidget *history = visibleWindow("frmHistory");
        QVERIFY2(history, qPrintable(visibleWindows()));
        click(history, "cmdIncome_1"); // month to date
        auto *financial = child<FlexGrid>(history, "fgHistory");
        historyRows = dataRows(*financial);
        incomeTotal = child<QLineEdit>(history, "txtTotal")->text();
        click(history, "cmdHistory_4"); // the service history
        auto *service = child<FlexGrid>(history, "fgSHistory");
        serviceRows = dataRows(*service);
        QCOMPARE(said(), joined(QStringList()));
    }

    static QStringList dataRows(const FlexGrid &grid)
    {
        QStringList rows;
        for (int r = 1; r < grid.rows(); ++r) {
            const QStringList cells = grid.rowTexts(r);
            if (!cells.join(QString()).trimmed().isEmpty()) // the grid keeps an empty row at its end
                rows << cells.join(QLatin1Char('|'));
        }
        return rows;
    }

    // -- The kill

    void armDataFolderKill()
    {
        m_app->state().folder.setFaultHook([this](const char *, const QString &path) {
            if (m_killed || m_stage != m_kill.stage || QFileInfo(path).fileName() != m_kill.file)
                return;
            killNow();
        });
    }

    void armPostingKill(FinalizeWindow &window)
    {
        window.setPostingStepHook([this](const char *step, const QString &file) {
            if (!m_killed && QByteArray(step) == "before" && file == m_kill.postingFile)
                killNow();
        });
    }

    void killNow()
    {
        m_killed = true;
        m_dying = true;
        copyFolder(m_root, m_afterKill.path());
        throw DiskError("killed");
    }

    // What the dead program still said or did is not the user's any more; its windows go without closing.
    void afterKill()
    {
        m_dying = false;
        m_app.reset();
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->isVisible())
                w->hide();
        }
    }

    static void copyFolder(const QString &from, const QString &to)
    {
        // A restart comes later than the kill: what the dead program left is older than the new run.
        for (auto [name, bytes] : snapshot(from, true).asKeyValueRange()) {
            QDir().mkpath(QFileInfo(to + '/' + name).absolutePath());
            QFile file(to + '/' + name);
            if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size())
                file.setFileTime(QDateTime::currentDateTime().addSecs(-600), QFileDevice::FileModificationTime);
        }
    }

    Kill m_kill;
    TestRoot m_firstRoot;
    TestRoot m_afterKill;
    QTemporaryDir m_documents;
    QString m_root;
    FakePlatform m_fake;
    FakeModemBench m_noModem;
    std::unique_ptr<Application> m_app;
    std::size_t m_seen = 0;
    Stage m_stage = Stage::Setup;
    bool m_killed = false; // the kill came on this road
    bool m_dying = false;  // and the program it came to is still to be thrown away
};

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The sizes and the first differing byte with the bytes around it, for a readable failure.
QString firstDifference(const QByteArray &actual, const QByteArray &expected)
{
    qsizetype i = 0;
    while (i < actual.size() && i < expected.size() && actual[i] == expected[i])
        ++i;
    const auto near = [i](const QByteArray &b) {
        return QString::fromLatin1(b.mid(std::max<qsizetype>(0, i - 10), 40).toPercentEncoding(" $/#.-"));
    };
    return QString("sizes %1/%2, byte %3: \"%4\" instead of \"%5\"")
        .arg(QString::number(actual.size()), QString::number(expected.size()), QString::number(i), near(actual),
             near(expected));
}

} // namespace

class TestRoad : public QObject
{
    Q_OBJECT

    // The end of every road: the history showed the job, the invoice went to a PDF, every file holds what the
    // user entered, and the data check finds nothing wrong.
    void checkTheEnd(Road &road)
    {
        QCOMPARE(road.historyRows.join('\n'),
                 QStringList({kAccount, kCustomer, kDate, "Invoice No. " + kInvoiceNo, "$258.00"}).join('|'));
        QCOMPARE(road.incomeTotal, "$258.00");
        QCOMPARE(road.serviceRows.join('\n'),
                 QStringList({kAccount, kCustomer, kDate, (kService + kExtraWork).left(35).trimmed(), kTechnician})
                     .join('|'));
        const auto files = snapshot(road.root());
        for (auto [name, bytes] : expectedFiles().asKeyValueRange()) { // no bytes: the file must not exist
            const QByteArray actual = files.value(name.mid(1));
            QVERIFY2(actual == bytes && files.contains(name.mid(1)) == !bytes.isEmpty(),
                     qPrintable(name + ": " + firstDifference(actual, bytes)));
        }
        // The program stamps its look into the customers' folders with the machine's time; the check reads the
        // sample day's clock.
        if (QFile marker(road.root() + Startup::kAuxFoldersChecked); marker.open(QIODevice::ReadWrite))
            marker.setFileTime(toolClock().now(), QFileDevice::FileModificationTime);
        QStringList found;
        for (const CheckFinding &f : checkDataFolder(DataFolder(road.root()), toolClock()))
            found << f.text();
        QVERIFY2(found.isEmpty(), qPrintable(found.join('\n')));
    }

    void checkTheInvoice(const QString &pdf)
    {
        QVERIFY2(readFile(pdf).startsWith("%PDF-"), qPrintable(pdf));
        if (!havePdfToText())
            return; // the header is all that can be read here
        const QString text = pdfText(pdf);
        // The form the technician fills in at the job: the amounts are written on it by hand.
        for (const QString &wanted : QStringList{kCustomer, kCustomerPostal, "INVOICE NO: " + kInvoiceNo,
                                                 "Service Slip No 1000", kExtraWork.trimmed()})
            QVERIFY2(text.contains(wanted), qPrintable(wanted + " not in the invoice:\n" + text));
    }

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void theRoadOfOneJob()
    {
        Road road;
        road.startProgram();
        QVERIFY(road.run(Stage::Setup));
        road.exitProgram();
        checkTheInvoice(road.invoicePdf());
        checkTheEnd(road);
    }

    void aKillOnTheRoad_data()
    {
        QTest::addColumn<int>("stage");
        QTest::addColumn<QString>("file");        // a data folder write of that file...
        QTest::addColumn<QString>("postingFile"); // ...or a step of Write Records before that file
        QTest::addColumn<int>("resumeAt");        // where the user goes on after the restart
        QTest::addColumn<QString>("toldAtRestart");
        const QString posted = "Write Records of 1/15/2026 was interrupted before it ended. It has now been "
                               "completed; each slip is posted once:\r\nSlip 1000, Invoice No. 5001";
        dataRow("first setup saved but for the slip counter", int(Stage::Setup), "SlipNo.txt", "", int(Stage::Setup),
                "");
        dataRow("slip stored, counter not yet saved", int(Stage::Slip), "SlipNo.txt", "", int(Stage::Board),
                "Service Slip 1000 was stored, but the program ended before the Slip Number moved on.\r\nThe next "
                "Service Slip gets the number 1001.");
        dataRow("Write Records between the history and the service history", int(Stage::Finalize), "",
                "/ServiceHistory.txt", int(Stage::History), posted);
    }
    void aKillOnTheRoad()
    {
        auto [stage, file, postingFile, resumeAt] =
            fetched<int, QString, QString, int>("stage", "file", "postingFile", "resumeAt");
        Road road({Stage(stage), file, postingFile});
        road.startProgram();
        QVERIFY(!road.run(Stage::Setup));
        QVERIFY(road.killed());
        road.restart();
        QTEST(road.said(), "toldAtRestart");
        if (Stage(resumeAt) == Stage::Board) // the slip is kept, once, as it was stored
            QVERIFY(readFile(road.root() + "/ServiceSlips.txt") == slipBytes("Assigned") &&
                    readFile(road.root() + "/CompletedServiceSlips.txt").isEmpty());
        QVERIFY(road.run(Stage(resumeAt)));
        road.exitProgram();
        checkTheEnd(road);
    }
};

QTEST_MAIN(TestRoad)
#include "tst_road.moc"
