#include "gui/billing/blankswindow.h"
#include "platform/fakes/fakeplatform.h"
#include "platform/fakes/recordingprinttarget.h"
#include "testsupport.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

class TestBlanksWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void printsOneJobPerForm()
    {
        FakePlatform fake;
        RecordingPrintTarget target;
        bool exited = false;
        BlanksWindow window({&fake.layouts, [&] { exited = true; }}, target, [] { return DocumentInputs(); });
        window.show();
        auto *box = window.findChild<QLineEdit *>("txtInvoices");
        auto *print = window.findChild<QPushButton *>("Command1_0");
        QVERIFY(box && print);
        QVERIFY(!print->isEnabled());

        QTest::keyClicks(box, "a-.");
        QCOMPARE(box->text(), QString());
        QVERIFY(!print->isEnabled());

        QTest::keyClicks(box, "3");
        QVERIFY(print->isEnabled());
        print->click();
        QCOMPARE(target.surface.documentsEnded(), 3);
        for (int d = 1; d <= 3; ++d)
            QCOMPARE(target.surface.pagesIn(d), 1);
        QCOMPARE(box->text(), QString());
        QVERIFY(!print->isEnabled());

        QTest::keyClicks(box, "0");
        print->click();
        QCOMPARE(target.dialogs, 1);
        QCOMPARE(box->text(), QString());

        // A cancelled dialog keeps the number for another try.
        target.cancelDialog = true;
        QTest::keyClicks(box, "2");
        print->click();
        QCOMPARE(box->text(), QString("2"));
        QVERIFY(!exited);

        QSignalSpy back(&window, &BlanksWindow::returnToMenu);
        window.findChild<QPushButton *>("Command1_1")->click();
        QCOMPARE(back.count(), 1);
        QVERIFY(!window.isVisible());
    }
};

QTEST_MAIN(TestBlanksWindow)
#include "tst_blankswindow.moc"
