#pragma once

#include "core/recordlayout.h"

#include <QString>

class DataFolder;

// Replacing one customer record in place, without rewriting the whole file: the new record is first written
// whole into a journal beside the file (itself replaced crash-safe), then into its place in the file, and the
// journal is removed. A crash leaves either the old record or the journal holding the new one, which
// recoverCustomerWrite() puts into place the next time the file is used.
namespace CustomerWrite {
inline const QString kJournal = QStringLiteral("/CustomerData.jnl");

// Record `number` (from 1) replaced, or appended when it is the record after the last one. Throws DiskError.
void writeCustomerRecord(const DataFolder &folder, int number, const Record &record);
// Completes a replacement a crash interrupted; true when one was completed. A damaged journal is dropped.
bool recoverCustomerWrite(const DataFolder &folder);
} // namespace CustomerWrite
