#pragma once

#include "core/recordfiletable.h"
#include "core/recordlayout.h"
#include "core/tornrecords.h"

#include <vector>

class DataFolder;

// The layouts of the record-file table's kinds. The layouts are declared with their records (accounts/,
// dispatch/, billing/); this is the lowest part of the logic that sees them all.
namespace RecordFiles {

const RecordLayout &layoutOf(Kind kind);
// The index of the row's account-number field in its layout; -1 when the row has none.
int accountFieldOf(const Row &row);

// The record files of the folder that the start may find torn and offer to complete, with their layouts.
std::vector<TornRecords::RecordFile> completableFiles(const DataFolder &folder);

} // namespace RecordFiles
