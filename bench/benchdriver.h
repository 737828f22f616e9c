#pragma once

// Driving the program in a benchmark as a user would: a run of the program on a data folder at its start menu,
// and its windows and controls found by their object names.
#include "app/application.h"
#include "platform/fakes/fakemodem.h"
#include "platform/fakes/fakeplatform.h"

#include <QApplication>
#include <QDate>
#include <QTest>
#include <QWidget>

// A run of the program on a folder, at its start menu, its questions answered Yes.
struct ProgramRun
{
    YesMessages messages;
    FakePlatform fake;
    FakeModemBench noModem;
    Platform platform{messages, fake.clock, fake.clipboard, fake.web, fake.choosers, fake.layouts};
    Application app;

    ProgramRun(const QString &folder, const QDate &today)
        : app(folder, platform)
    {
        fake.clock.setDate(today);
        app.setSerialPortFactory(noModem.factory());
        app.setQuitHandler([] {});
        app.start();
        QCoreApplication::processEvents();
    }
    ~ProgramRun() { app.exitProgram(); }
};

inline QWidget *visibleWindow(const QString &name)
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->objectName() == name)
            return w;
    return nullptr;
}

inline QWidget *control(const QString &window, const QString &name)
{
    QWidget *w = visibleWindow(window);
    return w ? w->findChild<QWidget *>(name) : nullptr;
}
