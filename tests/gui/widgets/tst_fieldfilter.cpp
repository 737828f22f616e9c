// Boxes whose text goes into the data files take only what the files can hold, typed or pasted, and say
// which character they refused; one-line boxes stay one line. Message boxes show their titles whole.
#include "core/cp1252.h"
#include "core/validation.h"
#include "gui/widgets/datebox.h"
#include "gui/widgets/fieldfilter.h"
#include "gui/widgets/programwindow.h"
#include "gui/widgets/widgets.h"
#include "platform/fakes/fakeplatform.h"
#include "platform/qtseams.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

enum BoxKind { Storable, Plain, Amount, AmountShowingZero };

class TestFieldFilter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    // With nothing typed and no date, the arrow keys and the calendar start from the clock's today.
    void emptyDateBoxStartsFromTheClock()
    {
        FakePlatform fake;
        fake.clock.set(QDateTime(QDate(2031, 5, 9), QTime(9, 0)));
        DateBox box("dtpTest", fake.messages, fake.clock);
        QTest::keyClick(&box, Qt::Key_Up);
        QCOMPARE(box.text(), "5/10/2031");
        box.clear();
        box.openCalendar();
        QCOMPARE(box.calendarWidget()->selectedDate(), QDate(2031, 5, 9));
    }

    void firstUnencodable_data()
    {
        dataColumns<QString, QString>("text", "first");
        dataRow("plain", "Main St 12", QString());
        dataRow("accents and the euro of the code page", "Caf\u00e9 \u20ac5 \u00fc", QString());
        dataRow("typographic quotes and dashes", "\u201cA\u201d \u2018b\u2019 \u2013 \u2014 \u2026", QString());
        dataRow("Polish L", "\u0141\u00f3d\u017a", "\u0141");
        dataRow("Greek after a good start", "Alpha \u03b1", "\u03b1");
        dataRow("emoji: a surrogate pair, named whole", ("ok " + QString::fromUcs4(U"\U0001F600")),
                QString::fromUcs4(U"\U0001F600"));
    }
    void firstUnencodable()
    {
        auto [text, first] = fetched<QString, QString>("text", "first");
        QCOMPARE(Cp1252::firstUnencodable(text), first);
        QCOMPARE(Validation::unstorableText(text).has_value(), !first.isEmpty());
        if (first.isEmpty())
            QCOMPARE(Cp1252::decode(Cp1252::encode(text)), text); // stored exactly as typed
    }

    // Whatever goes into a box, typed or pasted, is one line the files can hold: a refused character is named, a
    // pasted line break or tab becomes a blank, and the box's own filter judges a paste as it judges keys.
    void boxesTakeWhatTheFilesHold_data()
    {
        dataColumns<int, QString, bool, QString, QString>("box", "input", "paste", "kept", "refused");
        const QString emoji = QString::fromUcs4(U"\U0001F600");
        dataRow("typed Polish L", int(Storable), "\u0141", false, "Start ", "\u0141");
        dataRow("pasted text with a Cyrillic letter", int(Storable), "Ivan \u0418vanov", true, "Start ", "\u0418");
        dataRow("pasted emoji", int(Storable), "Smile " + emoji, true, "Start ", emoji);
        dataRow("typed en dash", int(Storable), "\u2013", false, "Start \u2013", QString());
        dataRow("pasted curly quotes and ellipsis", int(Storable), "\u2018Joe\u2019s\u2019 shop\u2026", true,
                "Start \u2018Joe\u2019s\u2019 shop\u2026", QString());
        dataRow("CR LF and tab into a filtered box", int(Storable), "Gate 4\r\nside\tdoor", true,
                "Start Gate 4 side door", QString());
        dataRow("line feed into a window's plain box", int(Plain), "12 Main\nSt", true, "Start 12 Main St", QString());
        dataRow("minus sign into an amount box, refused like a typed one", int(Amount), "-50", true, "", QString());
        dataRow("digits into an amount box", int(Amount), "50.25", true, "50.25", QString());
        dataRow("minus sign over an amount box's \"$0.00\"", int(AmountShowingZero), "-50", true, "$0.00", QString());
    }
    void boxesTakeWhatTheFilesHold()
    {
        auto [box, input, refused] = fetched<int, QString, QString>("box", "input", "refused");
        FakeMessages messages;
        ProgramWindow window("frmTest", {});
        auto *edit = new QLineEdit(&window);
        if (box == Storable)
            FieldFilter::installStorable(edit, messages);
        else if (box != Plain)
            FieldFilter::install(edit, Validation::amountKeyFilter, messages);
        // The program's own texts, which typing would not give.
        edit->setText(box == AmountShowingZero ? "$0.00" : box == Amount ? "" : "Start ");
        box == AmountShowingZero ? edit->selectAll() : edit->end(false);
        window.show();
        QFETCH(bool, paste);
        if (paste) {
            QApplication::clipboard()->setText(input);
            edit->paste();
        } else {
            // Typed: one key whose text is the character, as a keyboard layout or input method sends it.
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, input);
            QApplication::sendEvent(edit, &press);
        }
        QTEST(edit->text(), "kept");
        if (!refused.isEmpty())
            QTRY_VERIFY(messages.lastText().contains("\"" + refused + "\""));
        else
            QVERIFY(messages.shown.empty());
    }

    // A message box is widened to show its whole title above a short text.
    void messageBoxHoldsItsTitle()
    {
        const QString title = "Duplicate Account Number - a title longer than its text";
        QMessageBox box(QMessageBox::Question, title, "Ok?", QMessageBox::Yes | QMessageBox::No);
        QtMessages::widenForTitle(box);
        QVERIFY(box.sizeHint().width() > box.fontMetrics().horizontalAdvance(title));
    }

    // Esc leaves a message box as No (a question) or OK (a notice) would. Every box stands over the window in use
    // (Qt centres it over its parent) and has a title.
    void messageBoxesLeaveWithEscape()
    {
        QtMessages messages;
        QWidget window;
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        int boxes = 0;
        QStringList placed;
        QTimer escape;
        QObject::connect(&escape, &QTimer::timeout, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                if (box->parentWidget() != &window || box->windowTitle().isEmpty())
                    placed << box->text();
                if (++boxes > 4)
                    box->done(QMessageBox::Yes); // Esc did nothing: the test fails rather than waits for ever
                else
                    QTest::keyClick(box, Qt::Key_Escape);
            }
        });
        escape.start(10);
        QVERIFY(!messages.ask(QStringLiteral("Delete All Slips?"), QStringLiteral("Delete")));
        messages.inform(QStringLiteral("Done"), QString());
        // A long list is shortened into a details part, whose own button does not take Esc away.
        messages.inform(QStringLiteral("Slip 1000 kept\n").repeated(40), QStringLiteral("Slips Recovered"));
        QCOMPARE(boxes, 3);
        QCOMPARE(placed.join("|"), QString());
    }

    void multiLineBoxTakesBackTheChange()
    {
        FakeMessages messages;
        QPlainTextEdit edit;
        FieldFilter::guardStorable(&edit, messages);
        edit.setPlainText("Furnace \u2013 noisy");
        QVERIFY(messages.shown.empty());
        edit.insertPlainText(" \u0141");
        QCOMPARE(edit.toPlainText(), "Furnace \u2013 noisy");
        QTRY_VERIFY(!messages.shown.empty());
        QVERIFY(messages.lastText().contains("\u0141"));
    }

    // A wrapping label of fixed text answers as a plain one would, also after its font changed; the clear button
    // of a text box empties it and shows only while there is text.
    void wrappedLabelAndClearButton()
    {
        const QString text = "If a Single Slip selected, Click Manage/Alter Selected Service Slip";
        QWidget parent;
        Widgets::WrappedLabel wrapped(text, "lblWrapped", &parent);
        QLabel plain(text, &parent);
        plain.setWordWrap(true);
        for (int width : {80, 200, 80, 600})
            QCOMPARE(wrapped.heightForWidth(width), plain.heightForWidth(width));
        QFont bigger = wrapped.font();
        bigger.setPointSize(bigger.pointSize() * 2);
        wrapped.setFont(bigger);
        plain.setFont(bigger);
        QCOMPARE(wrapped.heightForWidth(200), plain.heightForWidth(200));

        QLineEdit find;
        find.setObjectName("txtFind");
        Widgets::addClearButton(&find);
        auto *clear = find.findChild<QAction *>("txtFind_clear");
        QVERIFY(clear && !clear->isVisible());
        QSignalSpy edited(&find, &QLineEdit::textEdited);
        find.setText("29240");
        QVERIFY(clear->isVisible());
        clear->trigger();
        QCOMPARE(find.text(), QString());
        QVERIFY(!clear->isVisible());
        QCOMPARE(edited.count(), 1);
    }
};

QTEST_MAIN(TestFieldFilter)
#include "tst_fieldfilter.moc"
