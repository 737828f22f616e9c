#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

// One serial port, chosen by its number 1 to 16, as the modem logic sees it. The program sets no line
// settings (speed, parity, bits): the device's defaults apply.
//
// This header uses QtCore only, so that the modem logic in core/ can drive a port without the widgets. New
// characters are announced through a plain callback rather than a Qt signal: the callback runs from the event
// loop whenever characters have arrived, like QIODevice::readyRead.
class SerialPort
{
public:
    virtual ~SerialPort() = default;

    virtual void setPortNumber(int port) = 0;
    virtual int portNumber() const = 0;

    // False when the port is absent, busy or cannot be opened; errorText() then says why.
    virtual bool open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Sends the bytes; false when the port is closed or the write failed.
    virtual bool write(const QByteArray &bytes) = 0;
    // The count of received characters waiting to be read.
    virtual qint64 bytesWaiting() const = 0;
    // Drops every received character that is waiting (the count becomes 0).
    virtual void discardInput() = 0;
    // Every waiting character, which is removed.
    virtual QByteArray readAll() = 0;

    // The last failure, for the user; empty when there was none.
    virtual QString errorText() const = 0;

    void setReadyReadHandler(std::function<void()> handler) { m_readyRead = std::move(handler); }
    // The device went away while the port was open (unplugged, its other end closed, an end of file, a
    // hang-up or any error): the port has closed itself by the time the handler runs, from the event loop.
    void setLostHandler(std::function<void(const QString &reason)> handler) { m_lost = std::move(handler); }

protected:
    void notifyLost(const QString &reason)
    {
        if (auto handler = m_lost)
            handler(reason);
    }
    void notifyReadyRead()
    {
        // A copy: the handler may replace itself while it runs.
        if (auto handler = m_readyRead)
            handler();
    }

private:
    std::function<void()> m_readyRead;
    std::function<void(const QString &)> m_lost;
};

// Makes a new, closed port. The modem search tests every port number at once, one port object each.
using SerialPortFactory = std::function<std::unique_ptr<SerialPort>()>;
