#pragma once

#include "core/mailsettings.h"

#include <QWidget>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
struct MailOutcome;

// The setup's "E-mail" tab: the office's mail server, the sender, the Bcc to the office, the invoice's and the
// reminder's texts with their fields, and "Send Test Message".
class MailSetupPage final : public QWidget
{
    Q_OBJECT
public:
    // Sends the test message through the settings as typed, beside the window; calls back with the answer.
    using TestSender =
        std::function<void(const MailSettings &, const QString &password, std::function<void(const MailOutcome &)>)>;

    explicit MailSetupPage(QWidget *parent = nullptr);

    void show(const MailSettings &settings, const QString &password);
    MailSettings edited() const;
    QString password() const;
    void setTestSender(TestSender send) { m_sendTest = std::move(send); }

signals:
    void outboxRequested();

private:
    void sendTest();

    TestSender m_sendTest;
    QLineEdit *m_host;
    QLineEdit *m_port;
    QComboBox *m_security;
    QLineEdit *m_user;
    QLineEdit *m_password;
    QLineEdit *m_senderName;
    QLineEdit *m_senderAddress;
    QLineEdit *m_bcc;
    QLineEdit *m_invoiceSubject;
    QPlainTextEdit *m_invoiceText;
    QSpinBox *m_reminderDays;
    QLineEdit *m_reminderSubject;
    QPlainTextEdit *m_reminderText;
    QPushButton *m_test;
    QLabel *m_answer;
};
