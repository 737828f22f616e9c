#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <map>

// Which serial device each modem port number 1 to 16 stands for.
//
// On Windows port n is COMn. Elsewhere the serial devices that the system lists are numbered 1, 2, 3 ... in a
// fixed order: USB modems first (ttyACM*, then ttyUSB*), then the built-in ports (ttyS*), each group by its
// number, then any other device by name. The optional file "/ModemPorts.txt" in the data root pins devices to
// numbers, one "number,device" line each (for example 3,/dev/ttyUSB0); a device pinned there is reached only
// through its pinned number, and the devices left over take the numbers left over in the default order.
// Lines that do not hold a number 1 to 16, a comma and a device are ignored one by one.
class PortMap
{
public:
    static constexpr int kFirstPort = 1;
    static constexpr int kLastPort = 16;
    static inline const QString kMappingFile = QStringLiteral("/ModemPorts.txt");

    // windowsNames: COMn numbering. systemDevices: what the system lists (full paths or names), in any order.
    static PortMap build(bool windowsNames, const QStringList &systemDevices, const QByteArray &mappingFile);

    // The devices in the default numbering order.
    static QStringList defaultOrder(const QStringList &devices);
    // The usable lines of a mapping file; a later line for the same number replaces an earlier one.
    static std::map<int, QString> parseMappingFile(const QByteArray &bytes, bool windowsNames);

    // Empty when no device stands for the number.
    QString device(int port) const;

private:
    std::array<QString, kLastPort> m_devices;
};
