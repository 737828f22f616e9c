#include "platform/qtserialport.h"

#include <QTimer>

#include <QSerialPortInfo>
#include <QTimer>

QtSerialPort::QtSerialPort(Resolver resolver)
    : m_resolver(std::move(resolver))
{
    QObject::connect(&m_port, &QSerialPort::readyRead, [this] { notifyReadyRead(); });
    QObject::connect(&m_port, &QSerialPort::errorOccurred, &m_port, [this](QSerialPort::SerialPortError error) {
        // A modem unplugged, a device whose other end closed, an end of file or a failed read or write: the
        // device keeps reporting itself readable with nothing to read, so the port closes at once and the
        // owner hears of it. Line settings a device cannot take (a pseudo-terminal) are no loss.
        if (!m_ready || !m_port.isOpen())
            return;
        if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError ||
            error == QSerialPort::UnsupportedOperationError)
            return;
        m_error = m_port.errorString();
        if (m_error.isEmpty() || m_error == QLatin1String("Unknown error"))
            m_error = QStringLiteral("the device closed");
        lose();
    });
}

QtSerialPort::~QtSerialPort()
{
    setReadyReadHandler(nullptr);
    setLostHandler(nullptr);
    close();
}

void QtSerialPort::lose()
{
    m_ready = false;
    m_port.clear(QSerialPort::Output); // nothing more can reach a device that is gone
    m_port.close();
    const QString reason = m_error;
    // Told from the event loop: the port's own notification is running now.
    QTimer::singleShot(0, &m_port, [this, reason] { notifyLost(reason); });
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
    m_ready = true;
    return true;
}

void QtSerialPort::close()
{
    m_ready = false;
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
