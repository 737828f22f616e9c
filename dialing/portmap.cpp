#include "dialing/portmap.h"

#include "core/cp1252.h"

#include <QRegularExpression>
#include <algorithm>
#include <tuple>

namespace {
QString baseName(const QString &device)
{
    const qsizetype slash = std::max(device.lastIndexOf(QLatin1Char('/')), device.lastIndexOf(QLatin1Char('\\')));
    return device.mid(slash + 1);
}

// USB modems first, then the built-in ports, then anything else; inside a group by the trailing number.
std::tuple<int, qint64, QString> orderKey(const QString &device)
{
    static const QRegularExpression pattern(QStringLiteral("^(.*?)(\\d+)$"));
    const QString name = baseName(device);
    const QRegularExpressionMatch match = pattern.match(name);
    const QString stem = match.hasMatch() ? match.captured(1) : name;
    const qint64 number = match.hasMatch() ? match.captured(2).left(9).toLongLong() : -1;
    int group = 3;
    if (stem == QLatin1String("ttyACM"))
        group = 0;
    else if (stem == QLatin1String("ttyUSB"))
        group = 1;
    else if (stem == QLatin1String("ttyS"))
        group = 2;
    return {group, group < 3 ? number : 0, name};
}

QString normalised(const QString &device, bool windowsNames)
{
    // A bare name means the device of that name in /dev.
    if (!windowsNames && !device.contains(QLatin1Char('/')))
        return QStringLiteral("/dev/") + device;
    return device;
}

bool sameDevice(const QString &a, const QString &b, bool windowsNames)
{
    return a.compare(b, windowsNames ? Qt::CaseInsensitive : Qt::CaseSensitive) == 0;
}
} // namespace

QStringList PortMap::defaultOrder(const QStringList &devices)
{
    QStringList ordered = devices;
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const QString &a, const QString &b) { return orderKey(a) < orderKey(b); });
    return ordered;
}

std::map<int, QString> PortMap::parseMappingFile(const QByteArray &bytes, bool windowsNames)
{
    std::map<int, QString> pinned;
    static const QRegularExpression lineEnds(QStringLiteral("\\r\\n|\\r|\\n"));
    const QStringList lines = Cp1252::decode(bytes).split(lineEnds);
    for (const QString &line : lines) {
        const qsizetype comma = line.indexOf(QLatin1Char(','));
        if (comma < 0)
            continue;
        bool ok = false;
        const int port = line.left(comma).trimmed().toInt(&ok);
        if (!ok || port < kFirstPort || port > kLastPort)
            continue;
        QString device = line.mid(comma + 1).trimmed();
        if (device.size() >= 2 && device.startsWith(QLatin1Char('"')) && device.endsWith(QLatin1Char('"')))
            device = device.mid(1, device.size() - 2).trimmed();
        const bool control = std::any_of(device.begin(), device.end(), [](QChar c) { return c.unicode() < 0x20; });
        if (device.isEmpty() || control)
            continue;
        pinned[port] = normalised(device, windowsNames);
    }
    return pinned;
}

PortMap PortMap::build(bool windowsNames, const QStringList &systemDevices, const QByteArray &mappingFile)
{
    PortMap map;
    const std::map<int, QString> pinned = parseMappingFile(mappingFile, windowsNames);
    auto isPinned = [&](const QString &device) {
        return std::any_of(pinned.begin(), pinned.end(),
                           [&](const auto &entry) { return sameDevice(entry.second, device, windowsNames); });
    };

    if (windowsNames) {
        for (int port = kFirstPort; port <= kLastPort; ++port) {
            const QString com = QStringLiteral("COM%1").arg(port);
            if (!isPinned(com))
                map.m_devices[port - 1] = com;
        }
    } else {
        QStringList free;
        for (const QString &device : defaultOrder(systemDevices)) {
            const QString full = normalised(device, false);
            if (!isPinned(full) && !free.contains(full))
                free.append(full);
        }
        qsizetype next = 0;
        for (int port = kFirstPort; port <= kLastPort && next < free.size(); ++port) {
            if (pinned.count(port) == 0)
                map.m_devices[port - 1] = free[next++];
        }
    }
    for (const auto &[port, device] : pinned)
        map.m_devices[port - 1] = device;
    return map;
}

QString PortMap::device(int port) const
{
    if (port < kFirstPort || port > kLastPort)
        return {};
    return m_devices[port - 1];
}
