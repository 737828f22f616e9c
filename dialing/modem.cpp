#include "dialing/modem.h"

#include "core/cp1252.h"

#include <QRegularExpression>

namespace {
const QByteArray kCr("\r");
const QStringList kRefusals = {QStringLiteral("ERROR"),       QStringLiteral("NO CARRIER"),
                               QStringLiteral("NO DIALTONE"), QStringLiteral("NO DIAL TONE"),
                               QStringLiteral("BUSY"),        QStringLiteral("NO ANSWER")};

QStringList replyLines(const QByteArray &reply)
{
    static const QRegularExpression lineEnds(QStringLiteral("[\\r\\n]+"));
    QStringList lines;
    for (const QString &line : Cp1252::decode(reply).split(lineEnds)) {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty())
            lines.append(trimmed);
    }
    return lines;
}
} // namespace

namespace ModemReply {
Result result(const QByteArray &reply, QString *code)
{
    for (const QString &line : replyLines(reply)) {
        const QString upper = line.toUpper();
        if (upper == QLatin1String("OK") || kRefusals.contains(upper)) {
            if (code)
                *code = upper;
            return upper == QLatin1String("OK") ? Result::Ok : Result::Refused;
        }
    }
    return Result::Pending;
}

QString shown(const QByteArray &reply)
{
    return replyLines(reply).join(QLatin1Char(' '));
}
} // namespace ModemReply

Modem::Modem(SerialPortFactory factory, QObject *parent)
    : QObject(parent)
    , m_factory(std::move(factory))
    , m_port(m_factory())
{
    m_port->setLostHandler([this](const QString &reason) { portLost(reason); });
    m_probeTimer.setSingleShot(true);
    connect(&m_probeTimer, &QTimer::timeout, this, [this] {
        for (auto &probe : m_probes) {
            if (probe->state == Probe::State::Waiting)
                probe->state = Probe::State::Silent;
        }
        decide();
    });
}

Modem::~Modem()
{
    m_port->setLostHandler(nullptr);
    for (auto &probe : m_probes) {
        if (!probe->serial)
            continue;
        probe->serial->setReadyReadHandler(nullptr);
        probe->serial->setLostHandler(nullptr);
    }
}

void Modem::portLost(const QString &reason)
{
    m_lost = true;
    m_portFound = 0;
    setStatus(
        QStringLiteral("The modem was disconnected (%1). Dialing is off until the modem is found again.").arg(reason),
        QString());
    DisableDialing();
    emit modemLost(reason);
}

void Modem::SearchModem()
{
    if (m_searching)
        return;
    m_searching = true;
    m_decided = false;
    m_probes.clear();
    setStatus(QStringLiteral("Searching for the modem......"), QString());
    for (int port = kFirstPort; port <= kLastPort; ++port) {
        // The port the dialer holds open is left alone: it is the modem found before, in use.
        if (m_port->isOpen() && m_port->portNumber() == port) {
            auto held = std::make_unique<Probe>();
            held->port = port;
            held->state = Probe::State::Answered;
            m_probes.push_back(std::move(held));
            continue;
        }
        auto probe = std::make_unique<Probe>();
        probe->port = port;
        probe->serial = m_factory();
        probe->serial->setPortNumber(port);
        // An absent or busy port, or one that takes no command, has no modem for us.
        if (!probe->serial->open() || !probe->serial->write(QByteArray("AT") + kCr)) {
            probe->serial->close();
            continue;
        }
        Probe *raw = probe.get();
        probe->serial->setReadyReadHandler([this, raw] { probeRead(*raw); });
        // A device that goes away during its test has no modem for us.
        probe->serial->setLostHandler([this, raw](const QString &) {
            if (raw->state == Probe::State::Waiting) {
                raw->state = Probe::State::Silent;
                decide();
            }
        });
        m_probes.push_back(std::move(probe));
    }
    if (!m_probes.empty())
        m_probeTimer.start(m_probeTimeout);
    decide();
}

void Modem::probeRead(Probe &probe)
{
    probe.reply += probe.serial->readAll();
    if (probe.state == Probe::State::Waiting && ModemReply::result(probe.reply) == ModemReply::Result::Ok) {
        probe.state = Probe::State::Answered;
        decide();
    }
}

void Modem::decide()
{
    if (m_decided)
        return;
    int found = 0;
    for (const auto &probe : m_probes) {
        if (probe->state == Probe::State::Waiting)
            return; // a lower-numbered port may still answer
        if (probe->state == Probe::State::Answered) {
            found = probe->port;
            break;
        }
    }
    m_decided = true;
    m_probeTimer.stop();
    // The ports close outside the port's own notification, which may be running now.
    QTimer::singleShot(0, this, [this, found] { finish(found); });
}

void Modem::finish(int port)
{
    for (auto &probe : m_probes) {
        if (!probe->serial)
            continue;
        probe->serial->setReadyReadHandler(nullptr);
        probe->serial->setLostHandler(nullptr);
        probe->serial->close();
    }
    m_probes.clear();
    m_searching = false;

    if (port == 0) {
        m_portFound = 0;
        setStatus(QStringLiteral("Modem Not Detected Or In Use."), QString());
        DisableDialing();
        emit searchFinished(false);
        return;
    }

    m_portFound = port;
    m_lost = false;
    const bool held = m_port->isOpen() && m_port->portNumber() == port;
    if (m_port->isOpen() && !held)
        m_port->close();
    m_port->setPortNumber(port);
    setStatus(QStringLiteral("Your Modem Comm Port Is %1.").arg(port), QStringLiteral("COM Port # %1").arg(port));
    // Caller identification on; a failure here is no reason to doubt the modem that has just answered.
    if (!held && m_port->open()) {
        m_port->discardInput();
        m_port->write(QByteArray("AT#CID=1") + kCr);
    }
    emit modemFound(port);
    setDialingEnabled(true);
    emit searchFinished(true);
}

void Modem::DisableDialing()
{
    setDialingEnabled(false);
    emit dialingDisabled();
}

void Modem::setStatus(const QString &status, const QString &label)
{
    m_status = status;
    m_portLabel = label;
    emit statusChanged();
}

void Modem::setDialingEnabled(bool enabled)
{
    if (m_dialingEnabled == enabled)
        return;
    m_dialingEnabled = enabled;
    emit dialingEnabledChanged(enabled);
}

DialSession::DialSession(SerialPort &port, QObject *parent)
    : QObject(parent)
    , m_port(port)
{}

DialSession::~DialSession()
{
    if (m_state == State::Dialing)
        m_port.setReadyReadHandler(nullptr);
}

void DialSession::reset()
{
    if (m_state == State::Dialing)
        m_port.setReadyReadHandler(nullptr);
    m_state = State::Ready;
    m_reply.clear();
    m_error.clear();
}

bool DialSession::openPort(int portNumber)
{
    m_error.clear();
    if (m_port.isOpen())
        return true;
    m_port.setPortNumber(portNumber);
    if (m_port.open())
        return true;
    m_error = m_port.errorText();
    return false;
}

bool DialSession::dial(const QString &number)
{
    m_error.clear();
    if (m_state == State::Dialing)
        return true;
    if (!m_port.isOpen() && !m_port.open()) {
        m_error = m_port.errorText();
        return false;
    }
    m_port.discardInput();
    m_reply.clear();
    m_state = State::Dialing;
    m_port.setReadyReadHandler([this] { received(); });
    // The semicolon returns the modem to command mode after dialing: the call goes on as a voice call.
    if (!m_port.write(QByteArray("ATDT") + Cp1252::encode(number) + ';' + kCr)) {
        m_error = m_port.errorText();
        m_port.setReadyReadHandler(nullptr);
        m_state = State::Ready;
        return false;
    }
    return true;
}

void DialSession::received()
{
    if (m_state != State::Dialing)
        return;
    m_reply += m_port.readAll();
    emit replyChanged(reply());
    QString code;
    switch (ModemReply::result(m_reply, &code)) {
    case ModemReply::Result::Pending:
        return;
    case ModemReply::Result::Ok:
        m_state = State::Connected;
        m_port.setReadyReadHandler(nullptr);
        emit connected();
        return;
    case ModemReply::Result::Refused:
        m_port.setReadyReadHandler(nullptr);
        m_state = State::Ready;
        // The port closes outside its own notification, which is running now.
        QTimer::singleShot(0, this, [this, code] {
            if (m_state != State::Ready)
                return; // the user has hung up meanwhile
            hangUpModem();
            emit refused(code);
        });
        return;
    }
}

void DialSession::hangUpModem()
{
    m_port.setReadyReadHandler(nullptr);
    if (m_port.isOpen())
        m_port.write(QByteArray("ATH") + kCr);
    m_port.close();
}

void DialSession::portLost(const QString &reason)
{
    m_port.setReadyReadHandler(nullptr);
    const bool inCall = m_state == State::Dialing || m_state == State::Connected;
    m_state = State::Closed;
    m_error = reason;
    if (inCall)
        emit lost(reason);
}

void DialSession::hangUp()
{
    hangUpModem();
    m_state = State::Closed;
}
