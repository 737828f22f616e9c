#include "gui/dialing/dialerwindow.h"

#include "core/diskerror.h"
#include "core/seams.h"
#include "gui/widgets/fieldfilter.h"
#include "gui/widgets/widgets.h"

#include <QCheckBox>
#include <QEventLoop>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

using Widgets::button;

const QString kPrefix = QStringLiteral("1-");

QString helpText()
{
    return QStringLiteral(
        "Click Dial: the modem dials the number shown.\n"
        "When the modem has dialed, pick up the receiver of your telephone, then click the talk button: the modem "
        "lets go of the line and the call goes on over your telephone.\n"
        "Disconnect/Cancel hangs up the modem and closes the dialer.\n"
        "Tick Dial a Prefix to dial 1- before the number.\n"
        "Speed Dial: click an empty button to add a name and number to it; click a filled button to call it. "
        "Restore Original Call Recipient brings back the person the dialer was opened for.");
}

QString caption(const QString &name)
{
    // A button caption treats "&" as a shortcut mark.
    QString text = name;
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace

DialerWindow::DialerWindow(Environment environment, Messages &messages, Modem &modem, DataFolder folder,
                           DialerOptions options, QWidget *parent)
    : ProgramWindow(QStringLiteral("frmDialer"), std::move(environment), kDialerKey, parent)
    , m_messages(messages)
    , m_modem(modem)
    , m_folder(std::move(folder))
    , m_options(std::move(options))
    , m_session(modem.port())
{
    setWindowTitle(QStringLiteral("Telephone Dialer"));
    auto *layout = new QVBoxLayout(this);

    auto *modemRow = new QHBoxLayout;
    m_modemStatus = new QLineEdit(this);
    m_modemStatus->setObjectName(QStringLiteral("txtModemStatus"));
    m_modemStatus->setReadOnly(true);
    m_portLabel = new QLabel(this);
    m_portLabel->setObjectName(QStringLiteral("lblPort"));
    modemRow->addWidget(m_modemStatus, 1);
    modemRow->addWidget(m_portLabel);
    layout->addLayout(modemRow);

    m_name = new QLabel(QStringLiteral("Customer that you are Calling"), this);
    m_name->setObjectName(QStringLiteral("lblName"));
    QFont big = m_name->font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    big.setBold(true);
    m_name->setFont(big);
    m_number = new QLabel(this);
    m_number->setObjectName(QStringLiteral("lblNumber"));
    m_number->setFont(big);
    m_number->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_name);
    layout->addWidget(m_number);

    m_prefix = new QCheckBox(QStringLiteral("Dial a Prefix  1-"), this);
    m_prefix->setObjectName(QStringLiteral("ckDial1"));
    layout->addWidget(m_prefix);

    auto *callRow = new QHBoxLayout;
    m_dial = button(QStringLiteral("&Dial"), QStringLiteral("cmdNewDial"), this);
    m_talk = button(QStringLiteral("Pick up the receiver then &Click to Talk"), QStringLiteral("cmdCancel"), this);
    m_hangup = button(QStringLiteral("D&isconnect/Cancel"), QStringLiteral("cmdHangup"), this);
    // Shown when the modem went away: a new search, which enables dialing again when it finds the modem.
    m_search = button(QStringLiteral("Search for the &Modem"), QStringLiteral("cmdSearchModem"), this);
    m_search->hide();
    callRow->addWidget(m_search);
    callRow->addWidget(m_dial);
    callRow->addWidget(m_talk);
    callRow->addWidget(m_hangup);
    layout->addLayout(callRow);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("lblStatus"));
    m_status->setWordWrap(true);
    m_reply = new QLabel(this);
    m_reply->setObjectName(QStringLiteral("lblModemReply"));
    m_reply->setWordWrap(true);
    m_pickup = new QLabel(QStringLiteral("Pick up the Receiver!"), this);
    m_pickup->setObjectName(QStringLiteral("imgPickup"));
    m_pickup->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold;"));
    m_pickup->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_status);
    layout->addWidget(m_reply);
    layout->addWidget(m_pickup);

    auto *speedBox = new QGroupBox(QStringLiteral("Speed Dial"), this);
    speedBox->setObjectName(QStringLiteral("fraSpeedButtons"));
    auto *speedGrid = new QGridLayout(speedBox);
    for (int i = 0; i < kSpeedNumberSlots; ++i) {
        m_slots[std::size_t(i)] = button(QString(), QStringLiteral("cmdDialer_%1").arg(i), speedBox);
        speedGrid->addWidget(m_slots[std::size_t(i)], i % 5, i / 5);
        connect(m_slots[std::size_t(i)], &QPushButton::clicked, this, [this, i] { speedDialerClicked(i); });
    }
    const QStringList slotCaptions = {
        QStringLiteral("&Save"), QStringLiteral("Ca&ncel"), QStringLiteral("Delete Selected Speed Dial N&o"),
        QStringLiteral("&Restore Original Call Recipient"), QStringLiteral("&Load Current Player")};
    for (int i = 0; i < 5; ++i)
        m_slotButtons[std::size_t(i)] = button(slotCaptions[i], QStringLiteral("cmdSpeedDialer_%1").arg(i), this);
    // Delete and Restore serve the filled buttons, so they stay in reach while the add panel is hidden.
    speedGrid->addWidget(m_slotButtons[2], 5, 0);
    speedGrid->addWidget(m_slotButtons[3], 5, 1);
    layout->addWidget(speedBox);

    m_addPanel = new QGroupBox(QStringLiteral("Add Speed Dial Name and No."), this);
    m_addPanel->setObjectName(QStringLiteral("fraSpeedDial"));
    auto *addGrid = new QGridLayout(m_addPanel);
    m_slotName = new QLineEdit(m_addPanel);
    m_slotName->setObjectName(QStringLiteral("txtSpeedName"));
    m_slotNumber = new QLineEdit(m_addPanel);
    m_slotNumber->setObjectName(QStringLiteral("txtSpeedNumber"));
    FieldFilter::installStorable(m_slotName, m_messages);
    FieldFilter::installStorable(m_slotNumber, m_messages);
    addGrid->addWidget(new QLabel(QStringLiteral("Name"), m_addPanel), 0, 0);
    addGrid->addWidget(m_slotName, 0, 1, 1, 2);
    addGrid->addWidget(new QLabel(QStringLiteral("Number"), m_addPanel), 1, 0);
    addGrid->addWidget(m_slotNumber, 1, 1, 1, 2);
    addGrid->addWidget(m_slotButtons[0], 2, 0);
    addGrid->addWidget(m_slotButtons[1], 2, 1);
    addGrid->addWidget(m_slotButtons[4], 2, 2);
    m_addPanel->hide();
    layout->addWidget(m_addPanel);

    m_help = button(QStringLiteral("Show Help"), QStringLiteral("cmdHelp"), this);
    m_helpPanel = new QGroupBox(this);
    m_helpPanel->setObjectName(QStringLiteral("fraHelp"));
    auto *helpLayout = new QVBoxLayout(m_helpPanel);
    auto *helpLabel = new QLabel(helpText(), m_helpPanel);
    helpLabel->setObjectName(QStringLiteral("lblHelp"));
    helpLabel->setWordWrap(true);
    helpLayout->addWidget(helpLabel);
    m_helpPanel->hide();
    layout->addWidget(m_help, 0, Qt::AlignLeft);
    layout->addWidget(m_helpPanel);
    layout->addStretch();

    connect(m_dial, &QPushButton::clicked, this, &DialerWindow::dialClicked);
    connect(m_talk, &QPushButton::clicked, this, &DialerWindow::hangUp);
    connect(m_hangup, &QPushButton::clicked, this, &DialerWindow::hangUp);
    Widgets::clickOnEscape(this, m_hangup); // Esc leaves as Disconnect/Cancel does
    connect(m_prefix, &QCheckBox::toggled, this, &DialerWindow::prefixToggled);
    connect(m_slotButtons[0], &QPushButton::clicked, this, &DialerWindow::saveSlot);
    connect(m_slotButtons[1], &QPushButton::clicked, this, &DialerWindow::cancelSlot);
    connect(m_slotButtons[2], &QPushButton::clicked, this, &DialerWindow::deleteSlot);
    connect(m_slotButtons[3], &QPushButton::clicked, this, &DialerWindow::restoreRecipient);
    connect(m_slotButtons[4], &QPushButton::clicked, this, &DialerWindow::loadCurrentCall);
    connect(m_help, &QPushButton::clicked, this, &DialerWindow::toggleHelp);
    connect(&m_session, &DialSession::connected, this, &DialerWindow::connected);
    connect(&m_session, &DialSession::refused, this, &DialerWindow::refused);
    connect(&m_session, &DialSession::replyChanged, m_reply, &QLabel::setText);
    connect(&m_modem, &Modem::statusChanged, this, &DialerWindow::showModemStatus);
    connect(&m_modem, &Modem::modemLost, this, &DialerWindow::modemLost);
    connect(&m_modem, &Modem::searchFinished, this, [this](bool found) {
        if (found && !m_modem.wasLost())
            modemBack();
    });
    connect(m_search, &QPushButton::clicked, this, [this] {
        setStatus(QStringLiteral("Searching for the modem......"));
        m_modem.SearchModem();
    });

    showModemStatus();
    resize(520, 560);
}

DialerWindow::~DialerWindow()
{
    if (m_session.state() == DialSession::State::Dialing || m_session.state() == DialSession::State::Connected)
        m_session.hangUp();
}

void DialerWindow::open(const QString &name, const QString &number)
{
    m_name->setText(name);
    m_number->setText(number);
    m_originalName = name;
    m_originalNumber = number;
    // A prefix ticked for the last call must not claim a number that lacks it.
    const QSignalBlocker blocker(m_prefix);
    m_prefix->setChecked(false);
    activate();
    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    activateWindow();
}

void DialerWindow::exec(const QString &name, const QString &number)
{
    QEventLoop loop;
    connect(this, &DialerWindow::finished, &loop, &QEventLoop::quit);
    connect(this, &QObject::destroyed, &loop, &QEventLoop::quit);
    open(name, number);
    loop.exec();
}

void DialerWindow::activate()
{
    m_selected = -1;
    m_slotButtons[2]->setEnabled(false);
    m_dial->show();
    m_talk->hide();
    m_pickup->hide();
    m_reply->clear();
    m_slotName->clear();
    m_slotNumber->clear();
    m_addPanel->hide();
    m_session.reset();
    setStatus(QStringLiteral("Ready to Dial......"));
    showModemStatus();
    if (m_modem.wasLost()) {
        showModemLost();
        loadSpeedNumbers();
        return;
    }
    m_dial->setEnabled(true);
    m_search->hide();
    const int port = m_options.modemPort ? m_options.modemPort() : 0;
    if (!m_session.openPort(port))
        setStatus(
            QStringLiteral("The modem port %1 could not be opened (%2). Check the modem port of the Setup Screen.")
                .arg(port)
                .arg(m_session.errorText()));
    loadSpeedNumbers();
}

void DialerWindow::modemLost(const QString &reason)
{
    m_session.portLost(reason);
    m_pickup->hide();
    m_talk->hide();
    m_dial->show();
    showModemLost();
    if (isVisible())
        alarm();
}

void DialerWindow::showModemLost()
{
    setStatus(QStringLiteral("The modem was disconnected. Connect it and search for it again to dial."));
    m_dial->setEnabled(false);
    m_search->show();
}

void DialerWindow::modemBack()
{
    m_dial->setEnabled(true);
    m_search->hide();
    if (isVisible()) {
        m_session.reset();
        setStatus(QStringLiteral("Ready to Dial......"));
    }
}

void DialerWindow::showModemStatus()
{
    m_modemStatus->setText(m_modem.statusText());
    m_portLabel->setText(m_modem.portLabel());
}

void DialerWindow::setStatus(const QString &text)
{
    m_status->setText(text);
}

void DialerWindow::alarm()
{
    if (m_options.soundAlarm && m_options.soundAlarm())
        m_messages.beep();
}

void DialerWindow::dialClicked()
{
    const QString number = m_number->text();
    if (number.trimmed().isEmpty()) {
        setStatus(QStringLiteral("There is no number to dial."));
        alarm();
        return;
    }
    m_dial->hide();
    m_reply->clear();
    setStatus(QStringLiteral("Dialing..... ") + number);
    if (!m_session.dial(number)) {
        setStatus(QStringLiteral("The number could not be sent to the modem (%1). Check the modem port of the Setup "
                                 "Screen.")
                      .arg(m_session.errorText()));
        m_dial->show();
        alarm();
    }
}

void DialerWindow::connected()
{
    setStatus(QStringLiteral("Pickup Receiver - Then Click Hangup"));
    m_pickup->show();
    m_talk->show();
    m_talk->setFocus();
}

void DialerWindow::refused(const QString &code)
{
    setStatus(QStringLiteral("The modem answered %1 and has hung up.").arg(code));
    m_dial->show();
    alarm();
}

void DialerWindow::hangUp()
{
    m_session.hangUp();
    m_pickup->hide();
    closeByProgram();
}

void DialerWindow::hideEvent(QHideEvent *event)
{
    if (!event->spontaneous()) {
        // However the window goes, the modem does not stay off the hook.
        const auto state = m_session.state();
        if (state == DialSession::State::Dialing || state == DialSession::State::Connected)
            m_session.hangUp();
        emit finished();
    }
    ProgramWindow::hideEvent(event);
}

void DialerWindow::prefixToggled(bool checked)
{
    const QString number = m_number->text();
    if (checked)
        m_number->setText(kPrefix + number);
    else if (number.startsWith(kPrefix))
        m_number->setText(number.mid(kPrefix.size()));
}

void DialerWindow::speedDialerClicked(int index)
{
    m_selected = index;
    m_slotButtons[2]->setEnabled(false);
    const SpeedNumber &slot = m_numbers[std::size_t(index)];
    if (slot.isEmpty()) {
        m_addPanel->show();
        m_slotName->setFocus();
        return;
    }
    m_name->setText(slot.name);
    m_number->setText(slot.number);
    m_slotButtons[2]->setEnabled(true);
}

void DialerWindow::saveSlot()
{
    if (m_selected >= 0) {
        m_numbers[std::size_t(m_selected)] = {m_slotName->text().trimmed(), m_slotNumber->text()};
        showSpeedNumbers();
        saveSpeedNumbers();
    }
    cancelSlot();
}

void DialerWindow::cancelSlot()
{
    m_slotName->clear();
    m_slotNumber->clear();
    m_addPanel->hide();
}

void DialerWindow::deleteSlot()
{
    if (m_selected < 0 || m_numbers[std::size_t(m_selected)].isEmpty())
        return;
    const QString text = QStringLiteral("This will delete SpeedDial entry  ") +
                         m_numbers[std::size_t(m_selected)].name + QStringLiteral("\r\nAre you Sure");
    if (!m_messages.ask(text, QStringLiteral("Delete Speed Dial"))) {
        m_slotButtons[2]->setEnabled(false);
        return;
    }
    m_numbers[std::size_t(m_selected)] = {};
    saveSpeedNumbers();
    loadSpeedNumbers();
    m_slotButtons[2]->setEnabled(false);
}

void DialerWindow::restoreRecipient()
{
    m_name->setText(m_originalName);
    m_number->setText(m_originalNumber);
}

void DialerWindow::loadCurrentCall()
{
    m_slotName->setText(m_name->text());
    m_slotNumber->setText(m_number->text());
    saveSlot();
}

void DialerWindow::toggleHelp()
{
    const bool show = m_helpPanel->isHidden();
    m_helpPanel->setVisible(show);
    m_help->setText(show ? QStringLiteral("Hide Help") : QStringLiteral("Show Help"));
}

void DialerWindow::loadSpeedNumbers()
{
    m_numbers = LoadSpeedNumbers(m_folder);
    showSpeedNumbers();
}

void DialerWindow::saveSpeedNumbers()
{
    try {
        SaveSpeedNumbers(m_folder, m_numbers);
    } catch (const DiskError &error) {
        m_messages.inform(error.message(), QStringLiteral("Speed Dial"));
        // What is shown stays what is stored.
        loadSpeedNumbers();
    }
}

void DialerWindow::showSpeedNumbers()
{
    for (int i = 0; i < kSpeedNumberSlots; ++i)
        m_slots[std::size_t(i)]->setText(caption(m_numbers[std::size_t(i)].name));
}
