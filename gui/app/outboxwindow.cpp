#include "gui/app/outboxwindow.h"

#include "core/clock.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "core/seams.h"
#include "gui/widgets/flexgrid.h"
#include "gui/widgets/widgets.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QString kTitle = QStringLiteral("E-mail Outbox");

QString when(const QDateTime &moment)
{
    return moment.isValid() ? Formats::shortDate(moment.date()) + moment.toString(QStringLiteral(" hh:mm")) : QString();
}

bool notSent(OutboxEntry::State state)
{
    return state != OutboxEntry::State::Sent && state != OutboxEntry::State::Cancelled;
}

} // namespace

OutboxWindow::OutboxWindow(const DataFolder &folder, const Clock &clock, Messages &messages, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_folder(folder)
    , m_clock(clock)
    , m_messages(messages)
{
    setObjectName(QStringLiteral("frmOutbox"));
    setWindowTitle(kTitle);
    m_customer = new QComboBox(this);
    m_customer->setObjectName(QStringLiteral("cboOutboxCustomer"));
    m_show = new QComboBox(this);
    m_show->setObjectName(QStringLiteral("cboOutboxShow"));
    m_show->addItems({QStringLiteral("Every message"), QStringLiteral("Not sent yet"), QStringLiteral("Sent")});
    m_grid = new FlexGrid(QStringLiteral("fgOutbox"), this);
    m_grid->setFormat(
        QStringLiteral("<Account     |<Customer                |<To                         |<Message        "
                       "     |<State      |^Tries|<Queued          |<Sent / Next Try |<Server's Answer"
                       "                                   "));
    m_summary = Widgets::label(QString(), QStringLiteral("lblOutboxSummary"), this);
    m_progress = Widgets::label(QString(), QStringLiteral("lblOutboxProgress"), this);
    m_progress->setWordWrap(true);
    QPushButton *cancel = Widgets::button(QStringLiteral("&Cancel Message"), QStringLiteral("cmdOutboxCancel"), this);
    QPushButton *again = Widgets::button(QStringLiteral("Send &Again"), QStringLiteral("cmdOutboxSendAgain"), this);
    QPushButton *now = Widgets::button(QStringLiteral("Send &Now"), QStringLiteral("cmdOutboxSendNow"), this);
    QPushButton *refresh = Widgets::button(QStringLiteral("&Refresh"), QStringLiteral("cmdOutboxRefresh"), this);
    QPushButton *close = Widgets::button(QStringLiteral("C&lose"), QStringLiteral("cmdOutboxClose"), this);

    auto *filters = new QHBoxLayout;
    filters->addWidget(
        Widgets::label(QStringLiteral("C&ustomer"), QStringLiteral("lblOutboxCustomer"), this, m_customer));
    filters->addWidget(m_customer, 1);
    filters->addWidget(Widgets::label(QStringLiteral("S&how"), QStringLiteral("lblOutboxShow"), this, m_show));
    filters->addWidget(m_show);
    filters->addWidget(m_summary);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {cancel, again, now, refresh})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_grid, 1);
    layout->addWidget(m_progress);
    layout->addLayout(buttons);
    resize(1000, 520);

    connect(m_customer, &QComboBox::currentIndexChanged, this, &OutboxWindow::reload);
    connect(m_show, &QComboBox::currentIndexChanged, this, &OutboxWindow::reload);
    connect(cancel, &QPushButton::clicked, this, &OutboxWindow::cancelChosen);
    connect(again, &QPushButton::clicked, this, &OutboxWindow::sendChosenAgain);
    connect(now, &QPushButton::clicked, this, &OutboxWindow::sendAllNow);
    connect(refresh, &QPushButton::clicked, this, &OutboxWindow::reload);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    reload();
}

const OutboxEntry *OutboxWindow::entryOfRow(int row) const
{
    return row >= 1 && std::size_t(row) <= m_shown.size() ? &m_shown[std::size_t(row - 1)] : nullptr;
}

void OutboxWindow::reload()
{
    std::vector<OutboxEntry> all = MailOutbox(m_folder, m_clock).entries();
    // The customer list: every account with a message, the choice kept across reloads.
    const QString chosen = m_customer->currentData().toString();
    QStringList accounts;
    QHash<QString, QString> names;
    for (const OutboxEntry &e : all) {
        if (!names.contains(e.account)) {
            accounts << e.account;
            names.insert(e.account, e.toName);
        }
    }
    std::sort(accounts.begin(), accounts.end());
    {
        const QSignalBlocker blocker(m_customer);
        m_customer->clear();
        m_customer->addItem(QStringLiteral("All customers"), QString());
        for (const QString &acct : accounts)
            m_customer->addItem(acct.isEmpty() ? names.value(acct) : acct + QStringLiteral(" - ") + names.value(acct),
                                acct);
        m_customer->setCurrentIndex(std::max(0, m_customer->findData(chosen)));
    }
    const bool oneCustomer = m_customer->currentIndex() > 0;
    const QString account = m_customer->currentData().toString();
    const int show = m_show->currentIndex();
    m_shown.clear();
    int waiting = 0;
    int failed = 0;
    for (OutboxEntry &e : all) {
        if (notSent(e.state))
            ++waiting;
        if (e.state == OutboxEntry::State::Failed || e.state == OutboxEntry::State::Unknown)
            ++failed;
        if (oneCustomer && e.account != account)
            continue;
        if ((show == 1 && !notSent(e.state)) || (show == 2 && e.state != OutboxEntry::State::Sent))
            continue;
        m_shown.push_back(std::move(e));
    }
    // Per customer, each customer's messages in the order they were queued.
    std::stable_sort(m_shown.begin(), m_shown.end(),
                     [](const OutboxEntry &a, const OutboxEntry &b) { return a.account < b.account; });
    QList<QStringList> rows;
    for (const OutboxEntry &e : m_shown) {
        const QString answer = e.lastAnswer.isEmpty() || e.state == OutboxEntry::State::Sent
                                   ? e.lastAnswer
                                   : (e.lastCode > 0 && !e.lastAnswer.startsWith(QString::number(e.lastCode))
                                          ? QString::number(e.lastCode) + QLatin1Char(' ') + e.lastAnswer
                                          : e.lastAnswer);
        rows << QStringList{e.account,
                            e.toName,
                            e.toAddress,
                            e.kind,
                            OutboxEntry::stateText(e.state),
                            QString::number(e.attempts),
                            when(e.queuedAt),
                            e.state == OutboxEntry::State::Sent      ? when(e.sentAt)
                            : e.state == OutboxEntry::State::Waiting ? when(e.nextTry)
                                                                     : QString(),
                            answer};
    }
    const int current = m_grid->currentRow();
    m_grid->setAll(rows);
    if (!rows.isEmpty())
        m_grid->setCurrentRow(std::clamp(current, 1, int(rows.size())));
    m_summary->setText(
        QStringLiteral("%1 messages, %2 not sent yet, %3 failed or unknown").arg(all.size()).arg(waiting).arg(failed));
}

void OutboxWindow::showProgress(int done, int total, const QString &last)
{
    m_progress->setText(QStringLiteral("Sending: %1 of %2 done. %3").arg(done).arg(total).arg(last));
    reload();
}

void OutboxWindow::sendAllNow()
{
    // The messages waiting for a later try are tried now (the server is back), each noted so in the outbox.
    MailOutbox outbox(m_folder, m_clock);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QString problem;
    for (const OutboxEntry &e : outbox.entries()) {
        if (e.state != OutboxEntry::State::Waiting || !e.nextTry.isValid() || e.nextTry <= m_clock.now())
            continue;
        const Verdict verdict = outbox.sendAgain(e.id);
        if (!verdict.isDone() && !verdict.notices.empty()) {
            problem = verdict.notices.front().text;
            break;
        }
    }
    QGuiApplication::restoreOverrideCursor();
    if (!problem.isEmpty())
        m_messages.inform(problem, kTitle);
    emit changed();
    emit sendRequested();
    reload();
}

void OutboxWindow::cancelChosen()
{
    onChosen([](MailOutbox &outbox, const QString &id, const Answers &) { return outbox.cancel(id); }, false);
}

void OutboxWindow::sendChosenAgain()
{
    onChosen(
        [](MailOutbox &outbox, const QString &id, const Answers &answers) { return outbox.sendAgain(id, answers); },
        true);
}

// A step on the message chosen in the list, its questions put and its refusal shown; the list read again after.
void OutboxWindow::onChosen(const std::function<Verdict(MailOutbox &, const QString &, const Answers &)> &step,
                            bool thenSend)
{
    const OutboxEntry *e = entryOfRow(m_grid->currentRow());
    if (!e) {
        m_messages.inform(QStringLiteral("Choose a message in the list first."), kTitle);
        return;
    }
    const QString id = e->id;
    MailOutbox outbox(m_folder, m_clock);
    try {
        const Verdict verdict =
            putThrough(m_messages, [&](const Answers &answers) { return step(outbox, id, answers); });
        if (verdict.isDone()) {
            emit changed();
            if (thenSend)
                emit sendRequested();
        }
    } catch (const DiskError &error) {
        m_messages.inform(error.message(), kTitle);
    }
    reload();
}
