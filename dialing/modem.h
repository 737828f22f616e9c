#pragma once

#include "dialing/serialport.h"

#include <QObject>
#include <QTimer>
#include <memory>
#include <vector>

// What a modem has answered so far: the result codes stand on lines of their own ("OK", "BUSY" ...), so an
// echoed command that happens to hold such letters never counts.
namespace ModemReply {
enum class Result { Pending, Ok, Refused };
// The first result code among the lines received; *code takes its text.
Result result(const QByteArray &reply, QString *code = nullptr);
// The reply as one line for the user.
QString shown(const QByteArray &reply);
} // namespace ModemReply

// The modem: the search at start (`SearchModem`), the result it leaves for the screens, and the port the
// dialer uses.
//
// The search tests ports 1 to 16 at once: each port that opens gets "AT" + CR and a short wait for "OK".
// The lowest-numbered port that answers is the modem's, and it is chosen as soon as every lower-numbered
// port has answered or given up, so the result is that of testing the ports one after another. The search
// returns at once and reports through the signals; dialing stays disabled until a modem has answered.
class Modem : public QObject
{
    Q_OBJECT
public:
    static constexpr int kFirstPort = 1;
    static constexpr int kLastPort = 16;
    static constexpr int kDefaultProbeMilliseconds = 1200;

    explicit Modem(SerialPortFactory factory, QObject *parent = nullptr);
    ~Modem() override;

    // How long a port may take to answer "AT".
    void setProbeTimeout(int milliseconds) { m_probeTimeout = milliseconds; }

    // Starts the search; nothing happens while one runs already.
    void SearchModem();
    bool isSearching() const { return m_searching; }

    // No modem: the screens hide their dial pictures and the setup screen clears its phone settings.
    void DisableDialing();
    bool dialingEnabled() const { return m_dialingEnabled; }

    // The port the search found, 0 before and when none answered.
    int portFound() const { return m_portFound; }
    // The dialer's modem-status box and port label.
    QString statusText() const { return m_status; }
    QString portLabel() const { return m_portLabel; }

    // The port the dialer dials on; the search leaves it open on the modem.
    SerialPort &port() { return *m_port; }
    // The modem's device went away while its port was open; dialing stays disabled until a search finds it.
    bool wasLost() const { return m_lost; }

signals:
    void modemFound(int port); // the setup screen's modem-port field shows the number
    void dialingDisabled();
    void dialingEnabledChanged(bool enabled);
    void statusChanged();
    void searchFinished(bool found);
    void modemLost(const QString &reason); // the port has closed; a call in progress has ended

private:
    struct Probe
    {
        enum class State { Waiting, Answered, Silent };
        int port = 0;
        std::unique_ptr<SerialPort> serial; // null for the port the dialer holds open: the modem's own
        QByteArray reply;
        State state = State::Waiting;
    };

    void probeRead(Probe &probe);
    void decide();
    void finish(int port);
    void setStatus(const QString &status, const QString &label);
    void setDialingEnabled(bool enabled);
    void portLost(const QString &reason);

    SerialPortFactory m_factory;
    std::unique_ptr<SerialPort> m_port;
    std::vector<std::unique_ptr<Probe>> m_probes;
    QTimer m_probeTimer;
    int m_probeTimeout = kDefaultProbeMilliseconds;
    bool m_searching = false;
    bool m_decided = false;
    bool m_dialingEnabled = false;
    bool m_lost = false;
    int m_portFound = 0;
    QString m_status;
    QString m_portLabel;
};

// One call from the dialer: "ATDT" + number + ";" + CR, then the wait for the modem's answer, driven by
// the characters as they arrive. The wait has no time limit; the user ends it by hanging up. A refusal
// ("ERROR", "NO CARRIER", "NO DIALTONE", "BUSY" ...) hangs up the modem and reports it.
class DialSession : public QObject
{
    Q_OBJECT
public:
    enum class State { Ready, Dialing, Connected, Closed };

    explicit DialSession(SerialPort &port, QObject *parent = nullptr);
    ~DialSession() override;

    // Back to ready for a new call.
    void reset();
    // Opens the port under this number unless it is open already; false (see errorText()) when it cannot.
    bool openPort(int portNumber);
    // Sends the number as typed; false (see errorText()) when the port could not be opened or written.
    bool dial(const QString &number);
    // "ATH" + CR and the port closed; ends a wait.
    void hangUp();
    // The modem's device went away: a wait ends at once, nothing more is written.
    void portLost(const QString &reason);

    State state() const { return m_state; }
    QString reply() const { return ModemReply::shown(m_reply); }
    QString errorText() const { return m_error; }

signals:
    void replyChanged(const QString &reply);
    void connected();
    void refused(const QString &code); // the modem has been hung up already
    void lost(const QString &reason);  // the device went away during the call

private:
    void received();
    void hangUpModem();

    SerialPort &m_port;
    State m_state = State::Ready;
    QByteArray m_reply;
    QString m_error;
};
