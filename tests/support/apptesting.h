#pragma once

#include "app/application.h"
#include "platform/fakes/fakemodem.h"
#include "platform/fakes/fakeplatform.h"

// Serial ports of which none answers: the modem search finds nothing and touches no real device.
inline SerialPortFactory noModemPorts()
{
    static FakeModemBench noModem;
    return noModem.factory();
}

// The program started on a test folder with the fakes: quitting ends nothing, printing goes to the given target
// (when one is given) and the modem search sees only the given ports.
class StartedApp : public Application
{
public:
    StartedApp(const QString &root, FakePlatform &fake, PrintTarget *printer = nullptr,
               SerialPortFactory ports = noModemPorts())
        : Application(root, fake.platform())
    {
        setSerialPortFactory(std::move(ports));
        setQuitHandler([] {});
        if (printer)
            setPrintTarget(printer);
        start();
    }
};
