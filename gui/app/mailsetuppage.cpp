#include "gui/app/mailsetuppage.h"

#include "core/mailsender.h"
#include "gui/widgets/widgets.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QLineEdit *lineEdit(const QString &name, QWidget *parent)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(name);
    return box;
}

QPlainTextEdit *textEdit(const QString &name, QWidget *parent)
{
    auto *box = new QPlainTextEdit(parent);
    box->setObjectName(name);
    box->setTabChangesFocus(true);
    box->setFixedHeight(72);
    return box;
}

} // namespace

MailSetupPage::MailSetupPage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("fraMail"));
    auto *form = new QFormLayout;
    const auto row = [&](const QString &caption, const QString &name, QWidget *box) {
        form->addRow(Widgets::label(caption, name, this, box), box);
    };
    m_host = lineEdit(QStringLiteral("txtMailHost"), this);
    m_port = lineEdit(QStringLiteral("txtMailPort"), this);
    m_port->setValidator(new QIntValidator(1, 65535, m_port));
    m_port->setMaximumWidth(80);
    m_security = new QComboBox(this);
    m_security->setObjectName(QStringLiteral("cboMailSecurity"));
    m_security->addItems(
        {QStringLiteral("STARTTLS (port 587)"), QStringLiteral("SMTPS, TLS from the start (port 465)")});
    auto *server = new QHBoxLayout;
    server->addWidget(m_host, 1);
    server->addWidget(Widgets::label(QStringLiteral("&Port"), QStringLiteral("lblMailPort"), this, m_port));
    server->addWidget(m_port);
    server->addWidget(m_security);
    form->addRow(Widgets::label(QStringLiteral("Mail &host"), QStringLiteral("lblMailHost"), this, m_host), server);
    m_user = lineEdit(QStringLiteral("txtMailUser"), this);
    row(QStringLiteral("&User name"), QStringLiteral("lblMailUser"), m_user);
    m_password = lineEdit(QStringLiteral("txtMailPassword"), this);
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setToolTip(QStringLiteral("Kept in your own settings folder, readable by you only; never in the data "
                                          "folder"));
    row(QStringLiteral("Pass&word"), QStringLiteral("lblMailPassword"), m_password);
    m_senderName = lineEdit(QStringLiteral("txtMailSenderName"), this);
    row(QStringLiteral("Sender's &name"), QStringLiteral("lblMailSenderName"), m_senderName);
    m_senderAddress = lineEdit(QStringLiteral("txtMailSenderAddress"), this);
    row(QStringLiteral("Sender's &address"), QStringLiteral("lblMailSenderAddress"), m_senderAddress);
    m_bcc = lineEdit(QStringLiteral("txtMailBcc"), this);
    m_bcc->setToolTip(QStringLiteral("A copy of every message to the office; leave empty for none"));
    row(QStringLiteral("&Bcc to the office"), QStringLiteral("lblMailBcc"), m_bcc);
    m_invoiceSubject = lineEdit(QStringLiteral("txtMailInvoiceSubject"), this);
    row(QStringLiteral("&Invoice subject"), QStringLiteral("lblMailInvoiceSubject"), m_invoiceSubject);
    m_invoiceText = textEdit(QStringLiteral("txtMailInvoiceText"), this);
    row(QStringLiteral("Invoice te&xt"), QStringLiteral("lblMailInvoiceText"), m_invoiceText);
    form->addRow(QString(), Widgets::label(QStringLiteral("Fields: {Name} {InvoiceNo} {AmountDue} {Total} {SlipNo} "
                                                          "{Date} {Business}"),
                                           QStringLiteral("lblMailInvoiceFields"), this));
    m_reminderDays = new QSpinBox(this);
    m_reminderDays->setObjectName(QStringLiteral("txtMailReminderDays"));
    m_reminderDays->setRange(0, 60);
    m_reminderDays->setSpecialValueText(QStringLiteral("Off"));
    m_reminderDays->setSuffix(QStringLiteral(" days ahead"));
    row(QStringLiteral("&Visit reminders"), QStringLiteral("lblMailReminderDays"), m_reminderDays);
    m_reminderSubject = lineEdit(QStringLiteral("txtMailReminderSubject"), this);
    row(QStringLiteral("&Reminder subject"), QStringLiteral("lblMailReminderSubject"), m_reminderSubject);
    m_reminderText = textEdit(QStringLiteral("txtMailReminderText"), this);
    row(QStringLiteral("Remin&der text"), QStringLiteral("lblMailReminderText"), m_reminderText);
    form->addRow(QString(), Widgets::label(QStringLiteral("Fields: {Name} {Date} {Time} {Technician} {SlipNo} "
                                                          "{Business}"),
                                           QStringLiteral("lblMailReminderFields"), this));

    m_test = Widgets::button(QStringLiteral("Send T&est Message"), QStringLiteral("cmdMailTest"), this);
    m_test->setToolTip(QStringLiteral("Sends a message to the sender's address with the settings as typed"));
    QPushButton *outbox = Widgets::button(QStringLiteral("&Outbox..."), QStringLiteral("cmdMailOutbox"), this);
    m_answer = Widgets::label(QString(), QStringLiteral("lblMailTestAnswer"), this);
    m_answer->setWordWrap(true);
    m_answer->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_test);
    buttons->addWidget(outbox);
    buttons->addStretch();

    auto *inner = new QWidget(this);
    auto *innerLayout = new QVBoxLayout(inner);
    innerLayout->addLayout(form);
    innerLayout->addLayout(buttons);
    innerLayout->addWidget(m_answer);
    innerLayout->addStretch();
    auto *scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(inner);
    inner->setParent(scroll->viewport());
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);

    connect(m_security, &QComboBox::currentIndexChanged, this, [this](int index) {
        // The usual port of the other way, unless the office typed one of its own.
        const QString usual[] = {QStringLiteral("587"), QStringLiteral("465")};
        if (m_port->text().isEmpty() || m_port->text() == usual[1 - index])
            m_port->setText(usual[index]);
    });
    connect(m_test, &QPushButton::clicked, this, &MailSetupPage::sendTest);
    connect(outbox, &QPushButton::clicked, this, &MailSetupPage::outboxRequested);
}

void MailSetupPage::show(const MailSettings &s, const QString &password)
{
    {
        const QSignalBlocker blocker(m_security);
        m_security->setCurrentIndex(s.security == MailSettings::Security::Smtps ? 1 : 0);
    }
    m_host->setText(s.host);
    m_port->setText(QString::number(s.port));
    m_user->setText(s.user);
    m_password->setText(password);
    m_senderName->setText(s.senderName);
    m_senderAddress->setText(s.senderAddress);
    m_bcc->setText(s.bccAddress);
    m_invoiceSubject->setText(s.invoiceSubject);
    m_invoiceText->setPlainText(s.invoiceText);
    m_reminderDays->setValue(s.reminderDays);
    m_reminderSubject->setText(s.reminderSubject);
    m_reminderText->setPlainText(s.reminderText);
    m_answer->clear();
}

MailSettings MailSetupPage::edited() const
{
    MailSettings s;
    s.host = m_host->text().trimmed();
    s.port = m_port->text().toInt() > 0 ? m_port->text().toInt() : s.port;
    s.security = m_security->currentIndex() == 1 ? MailSettings::Security::Smtps : MailSettings::Security::StartTls;
    s.user = m_user->text().trimmed();
    s.senderName = m_senderName->text().trimmed();
    s.senderAddress = m_senderAddress->text().trimmed();
    s.bccAddress = m_bcc->text().trimmed();
    s.invoiceSubject = m_invoiceSubject->text();
    s.invoiceText = m_invoiceText->toPlainText();
    s.reminderDays = m_reminderDays->value();
    s.reminderSubject = m_reminderSubject->text();
    s.reminderText = m_reminderText->toPlainText();
    return s;
}

QString MailSetupPage::password() const
{
    return m_password->text();
}

void MailSetupPage::sendTest()
{
    const MailSettings s = edited();
    if (!s.isComplete() || !s.problem().isEmpty()) {
        m_answer->setText(s.problem().isEmpty() ? QStringLiteral("Enter the mail server, its port and the sender's "
                                                                 "address first.")
                                                : s.problem());
        return;
    }
    if (!m_sendTest)
        return;
    m_test->setEnabled(false);
    m_answer->setText(QStringLiteral("Sending a test message to %1...").arg(s.senderAddress));
    m_sendTest(s, password(), [page = QPointer<MailSetupPage>(this), to = s.senderAddress](const MailOutcome &outcome) {
        if (!page)
            return; // the screen went while the server was asked
        page->m_test->setEnabled(true);
        const QString said = outcome.answer.isEmpty() ? QStringLiteral("no answer") : outcome.answer;
        page->m_answer->setText(
            outcome.accepted()
                ? QStringLiteral("The server took the test message for %1. It answered: %2").arg(to, said)
                : QStringLiteral("The test message was not sent. The server answered: %1").arg(said));
    });
}
