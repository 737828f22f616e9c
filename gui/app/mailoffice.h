#pragma once

#include "billing/mailsending.h"
#include "billing/moneydocuments.h"
#include "core/mailsettings.h"
#include "printing/documentinputs.h"

#include <QDate>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

class Clock;
class DataFolder;
class Messages;
class Settings;
class OutboxWindow;
class QTimer;
class QWidget;

// The office's e-mail as the windows use it: priced invoices and visit reminders queued in the outbox, the
// sending loop run beside the windows (at once, and again when the next try is due), the test message of the
// setup, and the outbox window. Made once by the application; tests make it with a recording sender.
class MailOffice final : public QObject
{
    Q_OBJECT
public:
    // The way out for the given settings and password: the libcurl adapter, or a test's double.
    using SenderMaker = std::function<std::unique_ptr<MailSender>(const MailSettings &, const QString &password)>;

    MailOffice(const DataFolder &folder, const Settings &settings, const Clock &clock, Messages &messages,
               SenderMaker makeSender, QObject *parent = nullptr);
    ~MailOffice() override;

    // "E-mail Invoices": each invoice's message with its PDF, queued in batches under a progress with Cancel.
    // Customers without an address, and addresses that cannot be used, are listed in one message and left out;
    // invoices in the outbox already are asked about. Returns how many were queued.
    int emailInvoices(QWidget *parent, const std::vector<PricedInvoice> &invoices, const DocumentInputs &inputs);

    // Queues the reminders of the visits due within the setup's days, each visit once. Returns how many.
    int queueReminders();
    // At start and every hour: the reminders once a day, then whatever is due is sent.
    void startDailyWork();

    // Sends what is due now, beside the windows; a run under way goes on.
    void sendNow();
    MailSendRun &sendRun() { return *m_run; }

    // The setup's "Send Test Message": one message to the sender's own address (or the Bcc) through the settings
    // as typed, sent beside the windows; `answered` gets what the server said.
    void sendTest(const MailSettings &settings, const QString &password,
                  std::function<void(const MailOutcome &)> answered);

    OutboxWindow *outboxWindow(); // made when first asked for
    void showOutbox();

signals:
    // The outbox changed (messages queued, a run ended): the outbox window reads it again.
    void outboxChanged();

private:
    const DataFolder &m_folder;
    const Settings &m_settings;
    const Clock &m_clock;
    Messages &m_messages;
    SenderMaker m_makeSender;
    std::unique_ptr<MailSendRun> m_run;
    QTimer *m_daily = nullptr;
    QDate m_remindedOn;
    QPointer<OutboxWindow> m_outbox;
};
