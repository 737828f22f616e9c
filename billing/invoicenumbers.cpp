#include "billing/invoicenumbers.h"

#include "billing/posting.h"
#include "billing/postingrecords.h"
#include "billing/postingrun.h"
#include "billing/accounthistoryrecord.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
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

qint64 InvoiceNumbers::highestInUse(const DataFolder &folder)
{
    qint64 highest = 0;
    const RecordScan journal(folder, Posting::kJournal, journalLayout());
    for (int i = 0; i < journal.count(); ++i)
        highest = std::max(highest, invoiceNumberIn(journal.trimmed(i, JournalField::InvoiceNo)));
    // A Write Records waiting in its journal posts its numbers when it is finished.
    highest = std::max(highest, PostingRun::highestWaitingInvoiceNumber(folder));
    const QByteArray prefix = Posting::kInvoiceDescription.toLatin1();
    const RecordScan history(folder, Posting::kHistory, accountHistoryLayout());
    for (int i = 0; i < history.count(); ++i) {
        const QByteArrayView description = history.trimmed(i, AccountHistoryField::Description);
        if (description.startsWith(prefix))
            highest = std::max(highest, invoiceNumberIn(description.sliced(prefix.size()).trimmed()));
    }
    return highest;
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

void InvoiceNumbers::giveBack(qint32 first, qint64 reserved, qint64 used)
{
    if (used < reserved)
        m_settings.saveInvoiceCounter(m_folder, qint32(first + used));
}
