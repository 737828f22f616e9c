// vd-screenshots: a developer's tool that starts the program's application object on a data folder, reaches a
// window by clicking controls found by their object names, and saves a picture of that window. It runs
// offscreen and touches nothing outside the data folder (window layouts and settings stay in memory, no
// serial port is opened). scripts/screenshots.sh drives it from a table; it is not installed with the program.
//
//   vd-screenshots --data-root DIR --window NAME --out FILE.png [--click NAME]... [--size WxH] [--today M/d/yyyy]
//   vd-screenshots --icon SIZE --out FILE.png

#include "app/application.h"
#include "core/formats.h"
#include "gui/app/logo.h"
#include "platform/fakes/fakemodem.h"
#include "platform/fakes/fakeplatform.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QTest>
#include <QTextStream>
#include <QWidget>

namespace {

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

// Message boxes are written to the error output and answered No, so that a picture never changes the data.
class LoggedMessages final : public Messages
{
public:
    void inform(const QString &text, const QString &title) override
    {
        err() << "message \"" << title << "\": " << text << Qt::endl;
    }
    bool ask(const QString &text, const QString &title) override
    {
        err() << "question \"" << title << "\" answered No: " << text << Qt::endl;
        return false;
    }
    void beep() override {}
};

void settle()
{
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
        QTest::qWait(20);
    }
}

QWidget *visibleWindow(const QString &name)
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->objectName() == name)
            return w;
    }
    return nullptr;
}

// A control named NAME in any visible window, or WINDOW/NAME in that window only.
QWidget *findControl(const QString &path)
{
    const QString window = path.contains(QLatin1Char('/')) ? path.section(QLatin1Char('/'), 0, 0) : QString();
    const QString name = path.section(QLatin1Char('/'), -1);
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || (!window.isEmpty() && w->objectName() != window))
            continue;
        if (w->objectName() == name)
            return w;
        if (auto *found = w->findChild<QWidget *>(name); found && found->isVisible())
            return found;
    }
    return nullptr;
}

// A menu entry named NAME (or WINDOW/NAME) of a visible window: a picture may need a window that only a menu opens.
QAction *findAction(const QString &path)
{
    const QString window = path.contains(QLatin1Char('/')) ? path.section(QLatin1Char('/'), 0, 0) : QString();
    const QString name = path.section(QLatin1Char('/'), -1);
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || (!window.isEmpty() && w->objectName() != window))
            continue;
        if (auto *found = w->findChild<QAction *>(name))
            return found;
    }
    return nullptr;
}

QString visibleWindowNames()
{
    QStringList names;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->isVisible())
            names.append(w->objectName().isEmpty() ? QStringLiteral("(unnamed)") : w->objectName());
    }
    return names.isEmpty() ? QStringLiteral("none") : names.join(QStringLiteral(", "));
}

int fail(const QString &text)
{
    err() << "vd-screenshots: " << text << Qt::endl;
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VarnelDispatchDuzudu"));
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Saves a picture of one of the program's windows."));
    parser.addHelpOption();
    const QCommandLineOption rootOption(QStringLiteral("data-root"), QStringLiteral("The data folder."),
                                        QStringLiteral("DIR"));
    const QCommandLineOption windowOption(QStringLiteral("window"), QStringLiteral("The window's object name."),
                                          QStringLiteral("NAME"));
    const QCommandLineOption clickOption(QStringLiteral("click"),
                                         QStringLiteral("Click the control of that object name first (repeatable); "
                                                        "WINDOW/NAME looks only in that window."),
                                         QStringLiteral("NAME"));
    const QCommandLineOption sizeOption(QStringLiteral("size"), QStringLiteral("Resize the window first."),
                                        QStringLiteral("WxH"));
    const QCommandLineOption todayOption(QStringLiteral("today"), QStringLiteral("The program's date."),
                                         QStringLiteral("M/d/yyyy"));
    const QCommandLineOption iconOption(QStringLiteral("icon"), QStringLiteral("Save the program icon instead."),
                                        QStringLiteral("SIZE"));
    const QCommandLineOption outOption(QStringLiteral("out"), QStringLiteral("The PNG file to write."),
                                       QStringLiteral("FILE"));
    parser.addOptions({rootOption, windowOption, clickOption, sizeOption, todayOption, iconOption, outOption});
    parser.process(app);

    const QString out = parser.value(outOption);
    if (out.isEmpty())
        return fail(QStringLiteral("--out is required"));

    if (parser.isSet(iconOption)) {
        bool ok = false;
        const int size = parser.value(iconOption).toInt(&ok);
        if (!ok || size < 16 || size > 1024)
            return fail(QStringLiteral("--icon must be a size from 16 to 1024"));
        return programIcon(size).save(out, "PNG") ? 0 : fail(QStringLiteral("cannot write ") + out);
    }

    if (!parser.isSet(rootOption) || !parser.isSet(windowOption))
        return fail(QStringLiteral("--data-root and --window are required"));
    const QString root = QDir(parser.value(rootOption)).absolutePath();
    if (!QDir(root).exists())
        return fail(QStringLiteral("no data folder ") + root);

    LoggedMessages messages;
    FixedClock clock(QDateTime(QDate::currentDate(), QTime(9, 0)));
    if (parser.isSet(todayOption)) {
        const auto today = Formats::parseShortDate(parser.value(todayOption));
        if (!today)
            return fail(QStringLiteral("--today must be a date as M/d/yyyy"));
        clock.setDate(*today);
    }
    FakeClipboard clipboard;
    FakeWebOpener web;
    FakeChoosers choosers;
    MemoryLayoutStore layouts;
    FakeModemBench noModem; // no port answers: the picture never waits for a modem
    Platform platform{messages, clock, clipboard, web, choosers, layouts};

    Application application(root, platform);
    application.setSerialPortFactory(noModem.factory());
    application.setQuitHandler([] {});
    application.start();
    settle();

    for (const QString &path : parser.values(clickOption)) {
        QWidget *control = findControl(path);
        if (QAction *action = control ? nullptr : findAction(path)) {
            action->trigger();
            settle();
            continue;
        }
        if (!control)
            return fail(QStringLiteral("no visible control %1 (visible windows: %2)").arg(path, visibleWindowNames()));
        QTest::mouseClick(control, Qt::LeftButton, {}, control->rect().center());
        settle();
    }

    QWidget *window = visibleWindow(parser.value(windowOption));
    if (!window)
        return fail(QStringLiteral("window %1 is not showing (visible windows: %2)")
                        .arg(parser.value(windowOption), visibleWindowNames()));
    if (parser.isSet(sizeOption)) {
        const QStringList parts = parser.value(sizeOption).split(QLatin1Char('x'));
        const int w = parts.value(0).toInt(), h = parts.value(1).toInt();
        if (parts.size() != 2 || w < 50 || h < 50)
            return fail(QStringLiteral("--size must be WIDTHxHEIGHT"));
        window->resize(w, h);
        settle();
    }
    if (!window->grab().save(out, "PNG"))
        return fail(QStringLiteral("cannot write ") + out);
    return 0;
}
