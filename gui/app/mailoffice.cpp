#include "gui/app/mailoffice.h"

#include "billing/invoicemail.h"
#include "billing/mailoutbox.h"
#include "core/clock.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/seams.h"
#include "core/settings.h"
#include "dispatch/visitreminders.h"
#include "gui/app/outboxwindow.h"
#include "gui/widgets/flexgrid.h"
#include "platform/pdfbytes.h"
#include "printing/pricedinvoicelayout.h"

#include <QApplication>
#include <QProgressDialog>
#include <QTableView>
#include <QThread>
#include <QTimer>

namespace {

const QString kTitle = QStringLiteral("E-mail Invoices");
// Messages are queued this many at a time: one guarded append each, and a chance for Cancel between them.
constexpr std::size_t kBatch = 25;

QString invoiceKind(const PricedInvoice &invoice)
{
    return QStringLiteral("Invoice ") + invoice.invoiceNo.trimmed();
}

} // namespace

MailOffice::MailOffice(const DataFolder &folder, const Settings &settings, const Clock &clock, Messages &messages,
                       SenderMaker makeSender, QObject *parent)
    : QObject(parent)
    , m_folder(folder)
    , m_settings(settings)
    , m_clock(clock)
    , m_messages(messages)
    , m_makeSender(std::move(makeSender))
{
    // The run reads the settings and the password afresh each time, on its own thread.
    const QString root = folder.root();
    SenderMaker make = m_makeSender;
    // On the program's folder: the run writes only while the folder's lock is this copy's.
    m_run = std::make_unique<MailSendRun>(
        folder,
        [root, make]() -> std::unique_ptr<MailSender> {
            MailSettings settings;
            settings.load(DataFolder(root));
            if (!settings.isComplete())
                return nullptr;
            return make(settings, MailSettings::loadPassword());
        },
        clock);
    // The run starts again by itself when the next try is due.
    connect(m_run.get(), &MailSendRun::finished, this, &MailOffice::outboxChanged);
}

MailOffice::~MailOffice()
{
    delete m_outbox.data();
}

void MailOffice::sendNow()
{
    m_run->start(); // a run under way goes on; what it did not take is due for the next
}

int MailOffice::emailInvoices(QWidget *parent, const std::vector<PricedInvoice> &invoices, const DocumentInputs &inputs)
{
    MailSettings settings;
    settings.load(m_folder);
    if (!settings.isComplete()) {
        m_messages.inform(QStringLiteral("The mail server is not set up yet: enter it in Setup, on the E-mail tab."),
                          kTitle);
        return 0;
    }
    if (invoices.empty()) {
        m_messages.inform(QStringLiteral("No invoices were chosen."), kTitle);
        return 0;
    }
    QSet<QString> accounts;
    for (const PricedInvoice &invoice : invoices)
        accounts.insert(invoice.acctNo.trimmed());
    const auto customers = InvoiceMail::customersOf(m_folder, accounts);
    InvoiceMail::Choice choice = InvoiceMail::choose(invoices, customers, [](const QString &address) {
        return Mail::isValidAddress(address) ? std::nullopt
                                             : std::optional<QString>(QStringLiteral("not a valid e-mail address"));
    });

    // An invoice in the outbox already (waiting or sent) goes again only when the office says so.
    MailOutbox outbox(m_folder, m_clock);
    QSet<QString> before;
    for (const OutboxEntry &e : outbox.entries()) {
        if (e.state != OutboxEntry::State::Cancelled && e.state != OutboxEntry::State::Failed)
            before.insert(e.account.trimmed() + QLatin1Char('\n') + e.kind.trimmed());
    }
    QStringList again;
    for (const std::size_t i : choice.toSend) {
        if (before.contains(invoices[i].acctNo.trimmed() + QLatin1Char('\n') + invoiceKind(invoices[i])))
            again << invoiceKind(invoices[i]) + QStringLiteral(" - ") +
                         customers.value(invoices[i].acctNo.trimmed()).name;
    }
    if (!again.isEmpty() &&
        !m_messages.ask(
            QStringLiteral("These invoices are in the outbox already (waiting or sent):\n%1\n\n"
                           "E-mail them again?")
                .arg(again.mid(0, 20).join(QLatin1Char('\n')) +
                     (again.size() > 20 ? QStringLiteral("\n... and %1 more").arg(again.size() - 20) : QString())),
            kTitle)) {
        std::erase_if(choice.toSend, [&](std::size_t i) {
            return before.contains(invoices[i].acctNo.trimmed() + QLatin1Char('\n') + invoiceKind(invoices[i]));
        });
    }

    const int total = int(choice.toSend.size());
    std::unique_ptr<QProgressDialog> progress;
    if (qobject_cast<QApplication *>(QCoreApplication::instance()) && total > 0) {
        progress = std::make_unique<QProgressDialog>(QStringLiteral("Preparing the invoices..."),
                                                     QStringLiteral("Cancel"), 0, total, parent);
        progress->setObjectName(QStringLiteral("frmMailProgress"));
        progress->setWindowTitle(kTitle);
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumWidth(360);
        progress->setMinimumDuration(300);
        progress->setAutoClose(false);
        progress->setAutoReset(false);
    }
    int queued = 0;
    QString stoppedBy; // why the queueing stopped early; empty when it did not
    std::vector<MailMessage> batch;
    const auto flush = [&] {
        if (batch.empty())
            return true;
        const std::size_t n = batch.size();
        try {
            const MailOutbox::Queued done = outbox.queue(std::move(batch), settings.senderAddress);
            batch.clear();
            if (!done.verdict.isDone()) {
                for (const Notice &notice : done.verdict.notices)
                    stoppedBy += notice.text + QLatin1Char('\n');
                return false;
            }
        } catch (const DiskError &e) {
            batch.clear();
            stoppedBy = e.message();
            return false;
        }
        queued += int(n);
        return true;
    };
    for (int k = 0; k < total; ++k) {
        if (progress) {
            progress->setValue(k);
            progress->setLabelText(QStringLiteral("Invoice %1 of %2").arg(k + 1).arg(total));
            QCoreApplication::processEvents();
            if (progress->wasCanceled()) {
                stoppedBy = QStringLiteral("Cancelled.");
                break;
            }
        }
        const PricedInvoice &invoice = invoices[choice.toSend[std::size_t(k)]];
        const InvoiceMail::Customer customer = customers.value(invoice.acctNo.trimmed());
        const auto fields = InvoiceMail::fields(invoice, customer, inputs.business.name);
        MailMessage message;
        message.toName = customer.name;
        message.toAddress = customer.email;
        message.subject = MailSettings::fill(settings.invoiceSubject, fields);
        message.body = MailSettings::fill(settings.invoiceText, fields);
        message.account = invoice.acctNo.trimmed();
        message.kind = invoiceKind(invoice);
        if (const QString problem = Mail::headerProblem(message); !problem.isEmpty()) {
            choice.refused << problem;
            continue;
        }
        try {
            message.attachments.push_back({InvoiceMail::attachmentName(invoice), QStringLiteral("application/pdf"),
                                           pdfBytes(pricedInvoiceAction(inputs, {invoice}))});
        } catch (const PrintError &e) {
            stoppedBy = QStringLiteral("%1: the PDF could not be made: %2").arg(message.kind, e.message());
            break;
        }
        batch.push_back(std::move(message));
        if (batch.size() >= kBatch && !flush())
            break;
    }
    if (stoppedBy.isEmpty())
        flush();
    if (progress)
        progress->hide();
    if (queued > 0) {
        emit outboxChanged();
        sendNow();
    }

    QString text = queued == 1 ? QStringLiteral("1 invoice was put in the outbox to be e-mailed.")
                               : QStringLiteral("%1 invoices were put in the outbox to be e-mailed.").arg(queued);
    if (!stoppedBy.isEmpty())
        text += QStringLiteral("\n\nThe rest were not queued: %1").arg(stoppedBy.trimmed());
    if (const QString left = choice.report(); !left.isEmpty())
        text += QStringLiteral("\n\n") + left;
    m_messages.inform(text, kTitle);
    return queued;
}

int MailOffice::queueReminders()
{
    MailSettings settings;
    settings.load(m_folder);
    if (settings.reminderDays <= 0 || !settings.isComplete())
        return 0;
    MailOutbox outbox(m_folder, m_clock);
    QSet<QString> queued;
    for (const OutboxEntry &e : outbox.entries())
        queued.insert(e.kind.trimmed());
    const Settings &office = m_settings;
    const auto reminders =
        VisitReminders::due(m_folder, m_clock.today(), settings.reminderDays, queued, office.workWeek);
    if (reminders.empty())
        return 0;
    QSet<QString> accounts;
    for (const auto &r : reminders)
        accounts.insert(r.acctNo);
    const auto customers = InvoiceMail::customersOf(m_folder, accounts);
    std::vector<MailMessage> messages;
    for (const auto &r : reminders) {
        const InvoiceMail::Customer customer = customers.value(r.acctNo);
        if (customer.email.isEmpty() || !Mail::isValidAddress(customer.email))
            continue; // no way to reach them: the visit stays on the board as it is
        const auto fields = VisitReminders::fields(r, customer.name, office.business[BusinessField::Name]);
        MailMessage message;
        message.toName = customer.name;
        message.toAddress = customer.email;
        message.subject = MailSettings::fill(settings.reminderSubject, fields);
        message.body = MailSettings::fill(settings.reminderText, fields);
        message.account = r.acctNo;
        message.kind = r.link(); // the visit's identity: reminded once
        if (Mail::headerProblem(message).isEmpty())
            messages.push_back(std::move(message));
    }
    if (messages.empty())
        return 0;
    try {
        const auto done = outbox.queue(messages, settings.senderAddress);
        if (!done.verdict.isDone())
            return 0;
    } catch (const DiskError &) {
        return 0; // tried again at the next hour's look
    }
    emit outboxChanged();
    return int(messages.size());
}

void MailOffice::startDailyWork()
{
    MailSettings settings;
    settings.load(m_folder);
    if (!settings.isComplete())
        return; // nothing was ever sent: set up in Setup, the save starts this again
    const auto look = [this] {
        if (m_remindedOn != m_clock.today()) {
            queueReminders();
            m_remindedOn = m_clock.today();
        }
        sendNow();
    };
    try {
        const QString note = MailSending::settleInterrupted(m_folder, m_clock);
        if (!note.isEmpty())
            m_messages.inform(note, QStringLiteral("E-mail"));
    } catch (const DiskError &e) {
        m_messages.inform(e.message(), QStringLiteral("E-mail"));
    }
    look();
    if (!m_daily) {
        m_daily = new QTimer(this);
        connect(m_daily, &QTimer::timeout, this, look);
        m_daily->start(3600 * 1000);
    }
}

void MailOffice::sendTest(const MailSettings &settings, const QString &password,
                          std::function<void(const MailOutcome &)> answered)
{
    MailMessage message;
    message.toName = settings.senderName;
    message.toAddress = settings.senderAddress;
    message.subject = QStringLiteral("Test message from %1").arg(settings.senderName);
    message.body = QStringLiteral("This message was sent to test the e-mail settings of the office's program.\n");
    message.kind = QStringLiteral("Test message");
    message.messageId = QStringLiteral("<test.%1@%2>")
                            .arg(m_clock.now().toMSecsSinceEpoch())
                            .arg(settings.senderAddress.section(QLatin1Char('@'), 1));
    message.date = m_clock.now();
    if (const QString problem = Mail::headerProblem(message); !problem.isEmpty()) {
        answered({MailOutcome::Kind::Refused, 0, problem});
        return;
    }
    auto outcome = std::make_shared<MailOutcome>();
    SenderMaker make = m_makeSender;
    QThread *thread = QThread::create([make, settings, password, message, outcome] {
        const std::unique_ptr<MailSender> sender = make(settings, password);
        *outcome = sender ? sender->send(message)
                          : MailOutcome{MailOutcome::Kind::Refused, 0, QStringLiteral("No way to send.")};
    });
    connect(thread, &QThread::finished, this, [thread, outcome, answered] {
        thread->deleteLater();
        answered(*outcome);
    });
    thread->start();
}

OutboxWindow *MailOffice::outboxWindow()
{
    if (!m_outbox) {
        m_outbox = new OutboxWindow(m_folder, m_clock, m_messages);
        m_outbox->setAttribute(Qt::WA_DeleteOnClose, false);
        connect(this, &MailOffice::outboxChanged, m_outbox, &OutboxWindow::reload);
        connect(&*m_run, &MailSendRun::progress, m_outbox, &OutboxWindow::showProgress);
        connect(m_outbox, &OutboxWindow::sendRequested, this, &MailOffice::sendNow);
        connect(m_outbox, &OutboxWindow::changed, this, &MailOffice::outboxChanged);
    }
    return m_outbox;
}

void MailOffice::showOutbox()
{
    OutboxWindow *w = outboxWindow();
    w->reload();
    w->show();
    w->raise();
    w->activateWindow();
    w->grid()->view()->setFocus(); // the arrow keys choose a message at once
}
