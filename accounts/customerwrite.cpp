#include "accounts/customerwrite.h"

#include "accounts/customerfile.h"
#include "accounts/customerrecord.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/recordjournal.h"

#include <QDir>
#include <QFile>
#include <optional>


namespace {

const QByteArray kMagic("VDCJ2");

// The journal: magic, the record number, the file's length when it was written, the record, a checksum.
QByteArray journalBytes(int number, qint64 fileSize, const QByteArray &record)
{
    return RecordJournal::bytes(kMagic, {number, fileSize, record});
}

struct Journal
{
    int number = 0;
    qint64 fileSize = 0;
    QByteArray record;
};

std::optional<Journal> parseJournal(const QByteArray &bytes)
{
    const auto entry = RecordJournal::parse(kMagic, bytes, customerLayout().length());
    if (!entry)
        return std::nullopt;
    return Journal{entry->number, entry->fileSize, entry->payload};
}

void writeInPlace(const DataFolder &folder, int number, const QByteArray &record)
{
    folder.writeInPlace(CustomerFile::kPath, qint64(number - 1) * record.size(), record);
}

} // namespace

void WriteCustomer(const DataFolder &folder, int number, const Record &record)
{
    const int length = CustomerFile::records().checked(record).layout().length();
    CustomerWrite::recoverCustomerWrite(folder);
    // Only whole records are replaced in place; the record after the last one, or a file whose length is not a
    // whole number of records, takes the ordinary way.
    const qint64 size = folder.fileSize(CustomerFile::kPath);
    if (number < 1 || size < 0 || size % length != 0 || qint64(number) * length > size) {
        folder.writeRecord(CustomerFile::kPath, number, record);
        return;
    }
    folder.writeFile(CustomerWrite::kJournal, journalBytes(number, size, record.bytes()));
    writeInPlace(folder, number, record.bytes());
    folder.deleteFile(CustomerWrite::kJournal);
}

namespace CustomerWrite {

std::optional<PendingWrite> pendingCustomerWrite(const DataFolder &folder)
{
    if (folder.fileSize(kJournal) < 0)
        return std::nullopt;
    PendingWrite pending;
    pending.currentSize = folder.fileSize(CustomerFile::kPath);
    const auto journal = parseJournal(folder.readAll(kJournal));
    if (!journal)
        return pending;
    const int length = customerLayout().length();
    pending.number = journal->number;
    pending.fileSize = journal->fileSize;
    pending.record.emplace(customerLayout(), journal->record);
    // Only into the file it was written for: a file restored from /Backup since then is left alone.
    const bool fits = journal->number >= 1 && qint64(journal->number) * length <= pending.currentSize &&
                      journal->fileSize == pending.currentSize;
    pending.state = fits ? PendingWrite::State::Fits : PendingWrite::State::Outdated;
    return pending;
}

bool recoverCustomerWrite(const DataFolder &folder)
{
    const auto pending = pendingCustomerWrite(folder);
    if (!pending)
        return false;
    const bool fits = pending->state == PendingWrite::State::Fits;
    if (fits)
        writeInPlace(folder, pending->number, pending->record->bytes());
    folder.deleteFile(kJournal);
    return fits;
}

} // namespace CustomerWrite
