#pragma once

#include "core/recordlayout.h"

#include <QString>
#include <optional>

class DataFolder;

// Replacing one customer record in place (WriteCustomer), without rewriting the whole file: the new record is first written
// whole into a journal beside the file (itself replaced crash-safe), then into its place in the file, and the
// journal is removed. A crash leaves either the old record or the journal holding the new one, which
// recoverCustomerWrite() puts into place the next time the file is used.
namespace CustomerWrite {
inline const QString kJournal = QStringLiteral("/CustomerData.jnl");

// Completes a replacement a crash interrupted; true when one was completed. A damaged journal is dropped.
bool recoverCustomerWrite(const DataFolder &folder);

// What a journal left by an interrupted replacement holds, as recoverCustomerWrite() would find it.
struct PendingWrite
{
    enum class State {
        Fits,     // put into place by recoverCustomerWrite()
        Damaged,  // unreadable: dropped
        Outdated, // written for the file as it was before it changed (a restore from /Backup): dropped
    };
    State state = State::Damaged;
    int number = 0;          // the record it replaces, from 1 (not for a damaged journal)
    qint64 fileSize = 0;     // the customer file's length it was written for
    qint64 currentSize = -1; // the customer file's length now, -1 when it is missing
    std::optional<Record> record;
};
// Nothing when no journal waits.
std::optional<PendingWrite> pendingCustomerWrite(const DataFolder &folder);
} // namespace CustomerWrite
