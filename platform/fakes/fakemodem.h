#pragma once

#include "dialing/serialport.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <map>
#include <optional>
#include <utility>
#include <vector>

class FakeSerialPort;

// Serial ports in memory for tests. Each port number holds nothing (opening fails), a silent device, a busy
// device (opening fails) or a scripted modem. Everything written is recorded per port number, across every
// port object that opened it; answers arrive from the event loop, like a real port's.
class FakeModemBench
{
public:
    enum class Kind { Absent, Silent, Busy, Modem };

    struct Line
    {
        Kind kind = Kind::Absent;
        int opens = 0; // successful opens
        int closes = 0;
        QByteArray written;         // every byte written to the port
        QList<QByteArray> commands; // the text before each CR, in order
        bool failWrites = false;
        bool echo = false; // the modem repeats each command before answering
        // Later rules win: a command beginning with the prefix gets the reply; no reply leaves it unanswered.
        std::vector<std::pair<QByteArray, std::optional<QByteArray>>> answers;
    };

    FakeModemBench() = default;
    FakeModemBench(const FakeModemBench &) = delete;
    FakeModemBench &operator=(const FakeModemBench &) = delete;
    ~FakeModemBench();

    Line &line(int port) { return m_lines[port]; }
    // A modem that answers every command with CR LF "OK" CR LF.
    void addModem(int port);
    void addSilent(int port) { m_lines[port].kind = Kind::Silent; }
    void addBusy(int port) { m_lines[port].kind = Kind::Busy; }
    // Commands beginning with the prefix get this reply, or none (the test sends it later with send()).
    void answer(int port, const QByteArray &prefix, std::optional<QByteArray> reply);

    // Characters arriving on the port now; dropped when nobody has it open.
    void send(int port, const QByteArray &bytes);
    // The device goes away (a USB modem pulled out): the port that has it open closes and says so.
    void unplug(int port);
    bool isOpen(int port) const { return m_open.count(port) > 0; }
    // Ports opened, in order (a port opened twice is listed twice).
    const QList<int> &openOrder() const { return m_openOrder; }

    std::unique_ptr<SerialPort> create();
    SerialPortFactory factory()
    {
        return [this] { return create(); };
    }

private:
    friend class FakeSerialPort;
    bool openPort(FakeSerialPort *port, int number);
    void closePort(FakeSerialPort *port, int number);
    void written(int number, const QByteArray &bytes);

    std::map<int, Line> m_lines;
    std::map<int, FakeSerialPort *> m_open;
    std::map<int, QByteArray> m_pending; // written text not yet ended by CR
    std::vector<FakeSerialPort *> m_ports;
    QList<int> m_openOrder;
};

class FakeSerialPort final : public SerialPort
{
public:
    explicit FakeSerialPort(FakeModemBench *bench);
    ~FakeSerialPort() override;

    void setPortNumber(int port) override { m_number = port; }
    int portNumber() const override { return m_number; }
    bool open() override;
    void close() override;
    bool isOpen() const override { return m_open; }
    bool write(const QByteArray &bytes) override;
    qint64 bytesWaiting() const override { return m_input.size(); }
    void discardInput() override { m_input.clear(); }
    QByteArray readAll() override { return std::exchange(m_input, QByteArray()); }
    QString errorText() const override { return m_error; }

private:
    friend class FakeModemBench;
    void deliver(const QByteArray &bytes);
    void lose(const QString &reason);

    FakeModemBench *m_bench;
    QObject m_context; // pending deliveries die with the port
    int m_number = 0;
    bool m_open = false;
    QByteArray m_input;
    QString m_error;
};
