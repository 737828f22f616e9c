// Every window of the program as the program makes it: no two of its controls answer the same Alt+letter (controls
// on different pages of a stack, such as the steps of slip creation, never show together), nor two entries of a menu.

#include "app/screens/setupscreen.h"
#include "apptesting.h"
#include "billing/screens/historywindow.h"
#include "billing/screens/receivableswindow.h"
#include "core/textfile.h"
#include "dialing/screens/dialerwindow.h"
#include "dispatch/screens/createslipwindow.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStackedWidget>
#include <QTest>

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

class TestMnemonics : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void noTwoControlsOfAWindowShareALetter()
    {
        TestRoot root;
        root.write(QStringLiteral("/MyBusinessData.txt"), TextWriter().writeValues({"Acme"}).bytes());
        root.write(QStringLiteral("/SlipNo.txt"), "1000\r\n");
        FakePlatform fake;
        StartedApp app(root.path(), fake);
        QList<QWidget *> windows{app.startMenu(), static_cast<QWidget *>(app.setup()),
                                 static_cast<QWidget *>(app.dialer()), static_cast<QWidget *>(app.slipCreation())};
        for (int routine = StartMenu::CreateSlip; routine <= StartMenu::History; ++routine)
            windows << app.routineWindow(StartMenu::Routine(routine));
        windows << static_cast<HistoryWindow *>(app.routineWindow(StartMenu::History))->receivables();
        QStringList clashes;
        QSet<QWidget *> seen;
        while (!windows.isEmpty()) {
            QWidget *window = windows.takeFirst();
            if (seen.contains(window))
                continue;
            seen.insert(window);
            clashes << clashesIn(window);
            for (QWidget *inner : window->findChildren<QWidget *>()) // dialogs kept by a window, in their turn
                if (inner->isWindow() && !qobject_cast<QMenu *>(inner))
                    windows << inner;
        }
        QVERIFY(seen.size() >= 13);
        QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(TestMnemonics)
#include "tst_mnemonics.moc"
