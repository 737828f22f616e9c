#include "platform/fakes/fakemodem.h"

#include <QTimer>
#include <algorithm>

FakeModemBench::~FakeModemBench()
{
    for (FakeSerialPort *port : m_ports)
        port->m_bench = nullptr;
}

void FakeModemBench::addModem(int port)
{
    Line &line = m_lines[port];
    line.kind = Kind::Modem;
    line.answers.clear();
    line.answers.emplace_back(QByteArray(), QByteArray("\r\nOK\r\n"));
}

void FakeModemBench::answer(int port, const QByteArray &prefix, std::optional<QByteArray> reply)
{
    m_lines[port].answers.emplace_back(prefix, std::move(reply));
}

void FakeModemBench::send(int port, const QByteArray &bytes)
{
    const auto open = m_open.find(port);
    if (open != m_open.end())
        open->second->deliver(bytes);
}

void FakeModemBench::unplug(int port)
{
    m_lines[port].kind = Kind::Absent;
    const auto open = m_open.find(port);
    if (open != m_open.end())
        open->second->lose(QStringLiteral("port %1 was unplugged").arg(port));
}

std::unique_ptr<SerialPort> FakeModemBench::create()
{
    auto port = std::make_unique<FakeSerialPort>(this);
    m_ports.push_back(port.get());
    return port;
}

bool FakeModemBench::openPort(FakeSerialPort *port, int number)
{
    Line &line = m_lines[number];
    if (line.kind == Kind::Absent || line.kind == Kind::Busy || m_open.count(number) > 0) {
        port->m_error = QStringLiteral("port %1 is %2").arg(number).arg(line.kind == Kind::Absent ? "absent" : "busy");
        return false;
    }
    ++line.opens;
    m_open[number] = port;
    m_openOrder.append(number);
    m_pending[number].clear();
    return true;
}

void FakeModemBench::closePort(FakeSerialPort *port, int number)
{
    const auto open = m_open.find(number);
    if (open == m_open.end() || open->second != port)
        return;
    m_open.erase(open);
    ++m_lines[number].closes;
}

void FakeModemBench::written(int number, const QByteArray &bytes)
{
    Line &line = m_lines[number];
    line.written += bytes;
    QByteArray &pending = m_pending[number];
    pending += bytes;
    qsizetype cr;
    while ((cr = pending.indexOf('\r')) >= 0) {
        const QByteArray command = pending.left(cr);
        pending.remove(0, cr + 1);
        line.commands.append(command);
        if (line.kind != Kind::Modem)
            continue;
        if (line.echo)
            send(number, command + '\r');
        const auto rule = std::find_if(line.answers.rbegin(), line.answers.rend(),
                                       [&](const auto &r) { return command.startsWith(r.first); });
        if (rule != line.answers.rend() && rule->second)
            send(number, *rule->second);
    }
}

FakeSerialPort::FakeSerialPort(FakeModemBench *bench)
    : m_bench(bench)
{}

FakeSerialPort::~FakeSerialPort()
{
    setReadyReadHandler(nullptr);
    setLostHandler(nullptr);
    if (!m_bench)
        return;
    close();
    std::erase(m_bench->m_ports, this);
}

bool FakeSerialPort::open()
{
    m_error.clear();
    if (m_open)
        return true;
    if (!m_bench || !m_bench->openPort(this, m_number))
        return false;
    m_open = true;
    m_input.clear();
    return true;
}

void FakeSerialPort::close()
{
    if (!m_open)
        return;
    m_open = false;
    m_input.clear();
    if (m_bench)
        m_bench->closePort(this, m_number);
}

bool FakeSerialPort::write(const QByteArray &bytes)
{
    m_error.clear();
    if (!m_open || !m_bench) {
        m_error = QStringLiteral("port %1 is not open").arg(m_number);
        return false;
    }
    if (m_bench->line(m_number).failWrites) {
        m_error = QStringLiteral("port %1 refused the write").arg(m_number);
        return false;
    }
    m_bench->written(m_number, bytes);
    return true;
}

void FakeSerialPort::lose(const QString &reason)
{
    close();
    m_error = reason;
    QTimer::singleShot(0, &m_context, [this, reason] { notifyLost(reason); });
}

void FakeSerialPort::deliver(const QByteArray &bytes)
{
    QTimer::singleShot(0, &m_context, [this, bytes] {
        if (!m_open)
            return;
        m_input += bytes;
        notifyReadyRead();
    });
}
