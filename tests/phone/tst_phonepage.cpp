#include "phoneserving.h"

#include <QEventLoop>
#include <QProcess>
#include <QTest>

// The phone page in a real browser: headless Chromium at 360x740, driven by Selenium from a Python script, on
// the server of this process. Skipped where Chromium, its driver or Selenium are missing.
class TestPhonePage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void startThenCompleteWithANote()
    {
        for (const char *program : {"chromium", "chromedriver"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty())
                QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(QString::fromLatin1(program))));
        }
        // The system's Python, which Debian's python3-selenium belongs to, whatever else is first on the path.
        const QString python = QStringLiteral("/usr/bin/python3");
        if (QProcess::execute(python, {QStringLiteral("-c"), QStringLiteral("import selenium")}) != 0)
            QSKIP("python3-selenium is not installed");
        const QString script = QStringLiteral(VD_TESTS_DIR "/phone/phonepage_browser.py");

        PhoneServing s;
        const QString screenshot = qEnvironmentVariable("VD_PHONE_SCREENSHOT", s.root.file("/phone-page.png"));
        QProcess browser;
        browser.setProcessChannelMode(QProcess::MergedChannels);
        QEventLoop loop; // the server answers from this thread while the browser runs
        connect(&browser, &QProcess::finished, &loop, &QEventLoop::quit);
        connect(&browser, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
        browser.start(python,
                      {script, QStringLiteral("--url"), s.server.pageAddress() + QStringLiteral("/#t=") + s.token,
                       QStringLiteral("--slip"), QStringLiteral("1002"), QStringLiteral("--note"),
                       QStringLiteral("Replaced the washer"), QStringLiteral("--screenshot"), screenshot});
        QTimer::singleShot(180000, &loop, &QEventLoop::quit);
        loop.exec();
        const QByteArray output = browser.readAll();
        QVERIFY2(browser.state() == QProcess::NotRunning && browser.exitCode() == 0 && output.contains("OK"),
                 output.constData());

        QVERIFY(!slipSummary(s.folder, SlipFiles::kActive).contains("1002:"));
        QVERIFY(slipSummary(s.folder, SlipFiles::kCompleted).contains("1002:Complete"));
        QVERIFY(s.root.read(SlipFiles::kCompleted).contains("Replaced the washer"));
        QVERIFY(QFileInfo(screenshot).size() > 0);
    }
};

QTEST_MAIN(TestPhonePage)
#include "tst_phonepage.moc"
