#include "billing/invoicenumbers.h"

#include "billing/accounthistoryrecord.h"
#include "billing/posting.h"
#include "billing/postingrecords.h"
#include "billing/postingrun.h"
#include "core/cp1252.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "core/oledate.h"
#include "core/recordblocks.h"
#include "core/recordscan.h"
#include "core/settings.h"

#include <algorithm>
#include <iterator>
#include <limits>

namespace {

qint64 invoiceNumberIn(QByteArrayView text)
{
    bool ok = false;
    const qint64 n = QByteArray(text.data(), text.size()).toLongLong(&ok);
    return ok && n > 0 && n <= std::numeric_limits<qint32>::max() ? n : 0;
}

// The value of a number written plainly (digits only, no leading zero, at most 18 of them); -1 for any other text.
qint64 plainNumber(QByteArrayView text)
{
    if (text.isEmpty() || text.size() > 18 || text.front() == '0')
        return -1;
    qint64 n = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

std::optional<InvoiceNumbers::InUse::Place> findPlain(const std::vector<InvoiceNumbers::InUse::Plain> &numbers,
                                                      qint64 plain)
{
    const auto found = std::lower_bound(numbers.begin(), numbers.end(), plain,
                                        [](const auto &entry, qint64 n) { return entry.number < n; });
    if (found != numbers.end() && found->number == plain)
        return found->place;
    return std::nullopt;
}

std::optional<InvoiceNumbers::InUse::Place> placeOf(const InvoiceNumbers::InUse &used, const QString &number)
{
    if (const qint64 plain = plainNumber(number.toLatin1()); plain >= 0)
        return findPlain(used.numbers, plain);
    if (const auto found = used.others.constFind(number); found != used.others.constEnd())
        return *found;
    return std::nullopt;
}

// In order of their numbers, each number once, at the first record that holds it.
void sortOnce(std::vector<InvoiceNumbers::InUse::Plain> &numbers)
{
    const auto less = [](const auto &a, const auto &b) { return a.number < b.number; };
    if (!std::is_sorted(numbers.begin(), numbers.end(), less))
        std::stable_sort(numbers.begin(), numbers.end(), less);
    numbers.erase(
        std::unique(numbers.begin(), numbers.end(), [](const auto &a, const auto &b) { return a.number == b.number; }),
        numbers.end());
}

const QString kAccountPlace = QStringLiteral("posted for account %1 on %2");

// The record's words, when it still holds the number; nothing when the file changed since.
std::optional<QString> describe(const DataFolder &folder, InvoiceNumbers::InUse::File file, int record,
                                const QString &number)
{
    using File = InvoiceNumbers::InUse::File;
    if (file == File::Journal) {
        const auto r = folder.readRecord(Posting::kJournal, journalLayout(), record);
        if (!r || r->text(JournalField::InvoiceNo) != number)
            return std::nullopt;
        return kAccountPlace.arg(r->text(JournalField::AcctNo),
                                 Formats::shortDate(OleDate::toDate(r->real(JournalField::Date))));
    }
    const auto r = folder.readRecord(Posting::kHistory, accountHistoryLayout(), record);
    const QString description = r ? r->text(AccountHistoryField::Description) : QString();
    if (!description.startsWith(Posting::kInvoiceDescription) ||
        description.mid(Posting::kInvoiceDescription.size()).trimmed() != number)
        return std::nullopt;
    return kAccountPlace.arg(r->text(AccountHistoryField::AcctNo), r->text(AccountHistoryField::Date));
}

} // namespace

InvoiceNumbers::InUse InvoiceNumbers::inUse(const DataFolder &folder, qint64 counter)
{
    InUse used;
    used.counter = counter;
    used.folder = &folder;
    // The first record that holds a number is where it is used.
    // The journal's numbers come first and mostly in order; a later file's number that the journal holds is
    // looked up there rather than sorted again.
    std::vector<InUse::Plain> later;
    bool journalDone = false;
    auto note = [&](QByteArrayView number, InUse::File file, int index) {
        if (number.isEmpty())
            return;
        const InUse::Place place{file, index + 1};
        if (const qint64 plain = plainNumber(number); plain >= 0) {
            if (journalDone && findPlain(used.numbers, plain))
                return;
            (journalDone ? later : used.numbers).push_back({plain, place});
            if (plain <= std::numeric_limits<qint32>::max())
                used.highest = std::max(used.highest, plain);
            return;
        }
        const QString text = Cp1252::decode(number.data(), number.size());
        if (!used.others.contains(text)) {
            used.others.insert(text, place);
            used.highest = std::max(used.highest, invoiceNumberIn(number));
        }
    };
    // The files are read a block of records at a time: the history holds a hundred thousand records.
    forEachRecordOf(folder, Posting::kJournal, journalLayout(), [&](const char *record, int index) {
        note(RecordScan::trimmedField(record, journalLayout(), JournalField::InvoiceNo), InUse::File::Journal, index);
    });
    sortOnce(used.numbers);
    journalDone = true;
    const QByteArray prefix = Posting::kInvoiceDescription.toLatin1();
    forEachRecordOf(folder, Posting::kHistory, accountHistoryLayout(), [&](const char *record, int index) {
        const QByteArrayView description =
            RecordScan::trimmedField(record, accountHistoryLayout(), AccountHistoryField::Description);
        if (description.startsWith(prefix))
            note(description.sliced(prefix.size()).trimmed(), InUse::File::History, index);
    });
    try {
        if (const auto waiting = PostingRun::pendingRun(folder)) {
            used.waitingRunDate = waiting->date;
            for (const QString &number : waiting->invoices)
                note(Cp1252::encode(number.trimmed()), InUse::File::WaitingRun, 0);
        }
    } catch (const DiskError &) {
        // A damaged journal is never carried out: its numbers are not posted.
    }
    used.printed = PrintedInvoices::read(folder);
    for (auto it = used.printed.byNumber.cbegin(); it != used.printed.byNumber.cend(); ++it)
        used.highest = std::max(used.highest, invoiceNumberIn(it.key().toLatin1()));
    sortOnce(later);
    std::vector<InUse::Plain> all;
    all.reserve(used.numbers.size() + later.size());
    std::merge(used.numbers.begin(), used.numbers.end(), later.begin(), later.end(), std::back_inserter(all),
               [](const auto &a, const auto &b) { return a.number < b.number; });
    used.numbers = std::move(all);
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

QString InvoiceNumbers::offerFor(const InUse &used, const QString &slipNo, const QStringList &taken)
{
    const QString printed = used.printed.bySlip.value(slipNo.trimmed());
    if (!printed.isEmpty() && !placeOf(used, printed) && !taken.contains(printed))
        return printed;
    return offer(used, taken);
}

std::optional<QString> InvoiceNumbers::usedAt(const InUse &used, const QString &number, const QString &slipNo)
{
    const QString trimmed = number.trimmed();
    if (const auto place = placeOf(used, trimmed)) {
        if (place->file == InUse::File::WaitingRun) {
            return QStringLiteral("given in the Write Records of %1 that waits to be finished")
                .arg(Formats::shortDate(used.waitingRunDate));
        }
        // The record is read again; a file that changed since is searched anew, and a number gone from it was
        // still used when the window opened.
        try {
            if (used.folder) {
                if (const auto words = describe(*used.folder, place->file, place->record, trimmed))
                    return words;
                if (const auto now = inUse(*used.folder, used.counter); const auto moved = placeOf(now, trimmed)) {
                    if (moved->file != InUse::File::WaitingRun)
                        if (const auto words = describe(*used.folder, moved->file, moved->record, trimmed))
                            return words;
                }
            }
        } catch (const DiskError &) {
            // Said without the account below.
        }
        return place->file == InUse::File::Journal ? QStringLiteral("posted in the invoice journal")
                                                   : QStringLiteral("posted in the history");
    }
    if (const auto *printed = PrintedInvoices::printedForAnother(used.printed, trimmed, slipNo)) {
        return QStringLiteral("printed on %1 for slip %2").arg(Formats::shortDate(printed->date), printed->slipNo);
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
    const QString note =
        QStringLiteral("The next invoice number was %1, but invoice %2 is already in use (the "
                       "invoice journal, the history or the printed invoices hold it).\r\nThe next invoice gets "
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

qint64 InvoiceNumbers::counter() const
{
    return m_settings.invoiceNumber;
}

void InvoiceNumbers::giveBack(qint32 first, qint64 reserved, qint64 used)
{
    if (used < reserved)
        m_settings.saveInvoiceCounter(m_folder, qint32(first + used));
}
