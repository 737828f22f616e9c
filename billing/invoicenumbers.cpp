#include "billing/invoicenumbers.h"

#include "billing/accounthistoryrecord.h"
#include "billing/posting.h"
#include "billing/postingrecords.h"
#include "billing/postingrun.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "core/oledate.h"
#include "core/recordscan.h"
#include "core/settings.h"

#include <limits>

namespace {

qint64 invoiceNumberIn(QByteArrayView text)
{
    bool ok = false;
    const qint64 n = QByteArray(text.data(), text.size()).toLongLong(&ok);
    return ok && n > 0 && n <= std::numeric_limits<qint32>::max() ? n : 0;
}

} // namespace

InvoiceNumbers::InUse InvoiceNumbers::inUse(const DataFolder &folder, qint64 counter)
{
    InUse used;
    used.counter = counter;
    auto note = [&used](const QString &number, const QString &where) {
        if (number.isEmpty() || used.where.contains(number))
            return;
        used.where.insert(number, where);
        used.highest = std::max(used.highest, invoiceNumberIn(number.toLatin1()));
    };
    const QString account = QStringLiteral("the history of account %1 on %2");
    const RecordScan journal(folder, Posting::kJournal, journalLayout());
    for (int i = 0; i < journal.count(); ++i) {
        const Record r(journalLayout(), QByteArray(journal.at(i), journalLayout().length()));
        note(
            r.text(JournalField::InvoiceNo),
            account.arg(r.text(JournalField::AcctNo), Formats::shortDate(OleDate::toDate(r.real(JournalField::Date)))));
    }
    const QByteArray prefix = Posting::kInvoiceDescription.toLatin1();
    const RecordScan history(folder, Posting::kHistory, accountHistoryLayout());
    for (int i = 0; i < history.count(); ++i) {
        const QByteArrayView description = history.trimmed(i, AccountHistoryField::Description);
        if (!description.startsWith(prefix))
            continue;
        note(QString::fromLatin1(description.sliced(prefix.size()).trimmed()),
             account.arg(QString::fromLatin1(history.trimmed(i, AccountHistoryField::AcctNo)),
                         QString::fromLatin1(history.trimmed(i, AccountHistoryField::Date))));
    }
    try {
        if (const auto waiting = PostingRun::pendingRun(folder)) {
            for (const QString &number : waiting->invoices)
                note(number, QStringLiteral("the Write Records of %1 that waits to be finished")
                                 .arg(Formats::shortDate(waiting->date)));
        }
    } catch (const DiskError &) {
        // A damaged journal is never carried out: its numbers are not posted.
    }
    return used;
}

qint64 InvoiceNumbers::highestInUse(const DataFolder &folder)
{
    return inUse(folder, 0).highest;
}

QString InvoiceNumbers::offer(const InUse &used, const QStringList &taken)
{
    qint64 next = std::max(used.counter, used.highest > 0 ? used.highest + 1 : 0);
    for (const QString &number : taken) {
        if (const qint64 n = invoiceNumberIn(number.trimmed().toLatin1()); n >= next)
            next = n + 1;
    }
    return next > 0 && next <= std::numeric_limits<qint32>::max() ? QString::number(next) : QString();
}

std::optional<QString> InvoiceNumbers::usedAt(const InUse &used, const QString &number)
{
    const QString trimmed = number.trimmed();
    if (const auto found = used.where.constFind(trimmed); found != used.where.constEnd())
        return *found;
    if (const qint64 n = invoiceNumberIn(trimmed.toLatin1()); n > 0 && n < used.counter) {
        return QStringLiteral("an invoice printed before (the numbers below %1 are printed or reserved)")
            .arg(used.counter);
    }
    return std::nullopt;
}

std::optional<QString> InvoiceNumbers::guard()
{
    const qint64 highest = highestInUse(m_folder);
    if (m_settings.invoiceNumber > highest)
        return std::nullopt;
    const qint32 was = m_settings.invoiceNumber;
    if (highest >= std::numeric_limits<qint32>::max())
        throw DiskError(QStringLiteral("The invoice number %1 is in use and no number follows it.").arg(highest));
    const QString note = QStringLiteral("The next invoice number was %1, but invoice %2 is already in use (the "
                                        "invoice journal or the history holds it).\r\nThe next invoice gets "
                                        "number %3, so that no number is given twice.")
                             .arg(was)
                             .arg(highest)
                             .arg(highest + 1);
    m_settings.saveInvoiceCounter(m_folder, qint32(highest + 1)); // set for this run even when the write fails
    return note;
}

std::optional<QString> InvoiceNumbers::load(const Clock &clock)
{
    m_settings.loadInvoiceCounter(m_folder, clock);
    return guard();
}

qint32 InvoiceNumbers::reserve(qint64 count, QString *note)
{
    const qint32 before = m_settings.invoiceNumber;
    try {
        if (const auto moved = guard(); moved && note)
            *note = *moved;
        const qint32 first = m_settings.invoiceNumber;
        m_settings.advanceInvoiceNumber(m_folder, count);
        return first;
    } catch (const DiskError &) {
        m_settings.invoiceNumber = before;
        throw;
    }
}

void InvoiceNumbers::take(const QString &number)
{
    const qint64 n = invoiceNumberIn(number.trimmed().toLatin1());
    if (n >= m_settings.invoiceNumber && n < std::numeric_limits<qint32>::max())
        m_settings.saveInvoiceCounter(m_folder, qint32(n + 1));
}

void InvoiceNumbers::giveBack(qint32 first, qint64 reserved, qint64 used)
{
    if (used < reserved)
        m_settings.saveInvoiceCounter(m_folder, qint32(first + used));
}
