// Every window of the program, opened as the program opens it: no two controls of a window answer the same
// Alt+letter, and no two entries of one menu share their letter. Controls on different pages of a stack of
// pages (the steps of slip creation, the tabs of the setup screen) never show together and may share one.

#include "app/application.h"
#include "apptesting.h"
#include "app/screens/setupscreen.h"
#include "billing/screens/historywindow.h"
#include "billing/screens/receivableswindow.h"
#include "dialing/screens/dialerwindow.h"
#include "dispatch/screens/createslipwindow.h"
#include "core/textfile.h"
#include "printing/printtarget.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStackedWidget>
#include <QTabBar>
#include <QTest>

namespace {

struct Mnemonic
{
    QChar key;
    QString control;
    QList<QPair<const QStackedWidget *, int>> pages; // the stacks the control sits in, with its page
};

QChar mnemonicOf(const QString &text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != QLatin1Char('&'))
            continue;
        if (text[i + 1] != QLatin1Char('&'))
            return text[i + 1].toLower();
        ++i; // "&&" is a plain ampersand
    }
    return {};
}

// The page of each stack between the control and its window.
QList<QPair<const QStackedWidget *, int>> pagesOf(const QWidget *control)
{
    QList<QPair<const QStackedWidget *, int>> pages;
    for (const QWidget *w = control; w && !w->isWindow(); w = w->parentWidget()) {
        if (auto *stack = qobject_cast<const QStackedWidget *>(w->parentWidget()))
            pages.append({stack, stack->indexOf(const_cast<QWidget *>(w))});
    }
    return pages;
}

bool showTogether(const Mnemonic &a, const Mnemonic &b)
{
    for (const auto &[stack, page] : a.pages) {
        for (const auto &[otherStack, otherPage] : b.pages) {
            if (stack == otherStack && page != otherPage)
                return false;
        }
    }
    return true;
}

// The controls of one window with a mnemonic, the windows inside it (dialogs, pop-ups) left to themselves.
void collect(const QWidget *parent, QList<Mnemonic> &out)
{
    for (QObject *object : parent->children()) {
        auto *w = qobject_cast<QWidget *>(object);
        if (!w || w->isWindow())
            continue;
        auto add = [&](const QString &text, const QString &what) {
            if (const QChar key = mnemonicOf(text); !key.isNull())
                out.append({key, what + QStringLiteral(" \"") + text + QLatin1Char('"'), pagesOf(w)});
        };
        const QString name = w->objectName();
        if (auto *button = qobject_cast<QAbstractButton *>(w))
            add(button->text(), name);
        else if (auto *label = qobject_cast<QLabel *>(w); label && label->buddy())
            add(label->text(), name);
        else if (auto *box = qobject_cast<QGroupBox *>(w))
            add(box->title(), name);
        else if (auto *tabs = qobject_cast<QTabBar *>(w))
            for (int i = 0; i < tabs->count(); ++i)
                add(tabs->tabText(i), QStringLiteral("tab"));
        else if (auto *bar = qobject_cast<QMenuBar *>(w))
            for (QAction *action : bar->actions())
                add(action->text(), QStringLiteral("menu"));
        collect(w, out);
    }
}

QStringList clashesIn(const QWidget *window)
{
    QStringList clashes;
    QList<Mnemonic> keys;
    collect(window, keys);
    for (qsizetype i = 0; i < keys.size(); ++i) {
        for (qsizetype j = i + 1; j < keys.size(); ++j) {
            if (keys[i].key == keys[j].key && showTogether(keys[i], keys[j]))
                clashes << window->objectName() + QStringLiteral(": ") + keys[i].control + QStringLiteral(" and ") +
                               keys[j].control;
        }
    }
    for (const QMenu *menu : window->findChildren<QMenu *>()) {
        QSet<QChar> seen;
        for (const QAction *action : menu->actions()) {
            const QChar key = mnemonicOf(action->text());
            if (!key.isNull() && seen.contains(key))
                clashes << window->objectName() + QStringLiteral(": menu entry \"") + action->text() +
                               QStringLiteral("\"");
            seen.insert(key);
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
        RecordingPrintTarget printer;
        StartedApp app(root.path(), fake, &printer);
        QList<QWidget *> windows{app.startMenu(), static_cast<QWidget *>(app.setup()),
                                 static_cast<QWidget *>(app.dialer()), static_cast<QWidget *>(app.slipCreation())};
        for (int routine = StartMenu::CreateSlip; routine <= StartMenu::History; ++routine)
            windows << app.routineWindow(StartMenu::Routine(routine));
        windows << static_cast<HistoryWindow *>(app.routineWindow(StartMenu::History))->receivables();
        QStringList clashes;
        QSet<QWidget *> seen;
        while (!windows.isEmpty()) {
            QWidget *window = windows.takeFirst();
            QVERIFY(window);
            if (seen.contains(window))
                continue;
            seen << window;
            clashes << clashesIn(window);
            // The dialogs a window keeps (the customer screen's data editor) are windows of their own.
            for (QWidget *inner : window->findChildren<QWidget *>()) {
                if (inner->isWindow() && !qobject_cast<QMenu *>(inner))
                    windows << inner;
            }
        }
        QVERIFY(seen.size() >= 12);
        QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join(QStringLiteral("\n"))));
    }
};

QTEST_MAIN(TestMnemonics)
#include "tst_mnemonics.moc"
