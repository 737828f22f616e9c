#include "platform/qtserialport.h"

#include <QTimer>

#include <QSerialPortInfo>

QtSerialPort::QtSerialPort(Resolver resolver)
    : m_resolver(std::move(resolver))
{
    QObject::connect(&m_port, &QSerialPort::readyRead, [this] { notifyReadyRead(); });
    QObject::connect(&m_port, &QSerialPort::errorOccurred, [this](QSerialPort::SerialPortError error) {
        // A modem unplugged while open: the port is gone, so it counts as closed.
        if (error == QSerialPort::ResourceError && m_port.isOpen()) {
            m_error = m_port.errorString();
            m_port.close();
        }
    });
}

QtSerialPort::~QtSerialPort()
{
    setReadyReadHandler(nullptr);
    close();
}

QString QtSerialPort::deviceName() const
{
    return m_resolver ? m_resolver(m_portNumber) : QString();
}

bool QtSerialPort::open()
{
    m_error.clear();
    if (m_port.isOpen())
        return true;
    const QString device = deviceName();
    if (device.isEmpty()) {
        m_error = QStringLiteral("no serial device is known for port %1").arg(m_portNumber);
        return false;
    }
    m_port.setPortName(device);
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_error = QStringLiteral("%1: %2").arg(device, m_port.errorString());
        return false;
    }
    // Modem lines that a device cannot set (a pseudo-terminal has none) are no reason to give up the port.
    m_port.clearError();
    return true;
}

void QtSerialPort::close()
{
    if (!m_port.isOpen())
        return;
    // A hang-up written just before closing must still reach the modem.
    if (m_port.bytesToWrite() > 0) {
        m_port.flush();
        if (m_port.bytesToWrite() > 0)
            m_port.waitForBytesWritten(250);
    }
    m_port.close();
}

bool QtSerialPort::write(const QByteArray &bytes)
{
    m_error.clear();
    if (!m_port.isOpen()) {
        m_error = QStringLiteral("port %1 is not open").arg(m_portNumber);
        return false;
    }
    if (m_port.write(bytes) != bytes.size()) {
        m_error = m_port.errorString();
        return false;
    }
    m_port.flush();
    return true;
}

qint64 QtSerialPort::bytesWaiting() const
{
    return m_port.isOpen() ? m_port.bytesAvailable() : 0;
}

void QtSerialPort::discardInput()
{
    if (!m_port.isOpen())
        return;
    m_port.clear(QSerialPort::Input);
    m_port.readAll();
}

QByteArray QtSerialPort::readAll()
{
    return m_port.isOpen() ? m_port.readAll() : QByteArray();
}

QtSerialPorts::QtSerialPorts(DataFolder folder, DeviceLister devices)
    : m_folder(std::move(folder))
    , m_devices(std::move(devices))
    , m_mapExpiry(std::make_unique<QObject>())
{}

QStringList QtSerialPorts::systemDevices()
{
    QStringList devices;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        devices.append(info.systemLocation());
    return devices;
}

PortMap QtSerialPorts::currentMap() const
{
    if (m_map)
        return *m_map;
    QTimer::singleShot(0, m_mapExpiry.get(), [this] { m_map.reset(); });
#ifdef Q_OS_WIN
    constexpr bool windowsNames = true;
#else
    constexpr bool windowsNames = false;
#endif
    const QByteArray mapping =
        m_folder.fileExists(PortMap::kMappingFile) ? m_folder.readAll(PortMap::kMappingFile) : QByteArray();
    // Windows names its ports itself; the system's list is only needed elsewhere.
    m_map = PortMap::build(windowsNames, windowsNames ? QStringList() : m_devices(), mapping);
    return *m_map;
}

std::unique_ptr<SerialPort> QtSerialPorts::create() const
{
    return std::make_unique<QtSerialPort>([this](int port) { return device(port); });
}
