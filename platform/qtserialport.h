#pragma once

#include "core/datafolder.h"
#include "dialing/portmap.h"
#include "dialing/serialport.h"

#include <QSerialPort>
#include <functional>
#include <memory>
#include <optional>

// The serial port on QSerialPort. The device behind a port number is looked up when the port opens, so a
// modem plugged in or a mapping file changed since the start counts.
class QtSerialPort final : public SerialPort
{
public:
    using Resolver = std::function<QString(int port)>;
    explicit QtSerialPort(Resolver resolver);
    ~QtSerialPort() override;

    void setPortNumber(int port) override { m_portNumber = port; }
    int portNumber() const override { return m_portNumber; }
    bool open() override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    bool write(const QByteArray &bytes) override;
    qint64 bytesWaiting() const override;
    void discardInput() override;
    QByteArray readAll() override;
    QString errorText() const override { return m_error; }

    // The device opened, or to be opened, for the current number.
    QString deviceName() const;

private:
    void lose();

    Resolver m_resolver;
    QSerialPort m_port;
    bool m_ready = false; // opened by us and not lost since
    int m_portNumber = 0;
    QString m_error;
};

// Makes the program's serial ports: the numbering of PortMap over the devices the system lists and the
// mapping file in the data root. The ports it makes ask it for their device, so it outlives them.
//
// Listing the system's serial ports takes tens of milliseconds. The map is built once and kept until the
// event loop next runs: the modem search opens its sixteen ports in one go on one map, while a port opened
// later (a modem plugged in since) finds the devices as they are then.
class QtSerialPorts
{
public:
    using DeviceLister = std::function<QStringList()>;

    // devices: the system's serial devices; tests pass their own list so that no real port is touched.
    explicit QtSerialPorts(DataFolder folder, DeviceLister devices = systemDevices);

    static QStringList systemDevices();
    PortMap currentMap() const;
    QString device(int port) const { return currentMap().device(port); }

    std::unique_ptr<SerialPort> create() const;
    SerialPortFactory factory() const
    {
        return [this] { return create(); };
    }

private:
    DataFolder m_folder;
    DeviceLister m_devices;
    mutable std::optional<PortMap> m_map;
    std::unique_ptr<QObject> m_mapExpiry; // the kept map goes when the event loop runs
};
