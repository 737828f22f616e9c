#pragma once

#include "app/appstate.h"
#include "gui/widgets/programwindow.h"
#include "platform/fakes/fakeplatform.h"
#include "testsupport.h"

// A test folder with the program's shared state and the fakes, for the windows and editors a test makes itself.
struct StateBench
{
    TestRoot root;
    FakePlatform fake;
    Platform platform = fake.platform();
    AppState state{root.folder()};
};

// Keeps every call the window asks for as "name|number".
inline void recordDials(ProgramWindow *window, QStringList &dialed)
{
    QObject::connect(window, &ProgramWindow::dialRequested,
                     [&dialed](const QString &name, const QString &number) { dialed << name + '|' + number; });
}
