#pragma once

#include "core/datafolder.h"
#include "core/recordlayout.h"

#include <QString>

// A file of fixed-length records in the order they were created, where a deletion closes the gap: the customer
// file and the assignment file. Their screens keep one current record; a read fills it and a write stores it.
class RecordFile
{
public:
    RecordFile(QString path, QString temporary, const RecordLayout &layout);

    // The number of records (restored from /Backup when the file is missing); 0 without a file.
    int count(const DataFolder &folder) const;
    // Record n (from 1) into the current record; a number beyond the file gives a blank record.
    void read(const DataFolder &folder, int number, Record &current) const;
    // The record itself; std::invalid_argument for a record of another layout, which the file never holds.
    const Record &checked(const Record &record) const;

    // What a deletion leaves the screen: the new count (never below 1) and the record it shows next.
    struct Deletion
    {
        int count = 1;
        int current = 1;
    };
    // Deletes record `number` in one crash-safe rewrite (with the swap file an interrupted deletion of an
    // earlier version of the program left behind); the others keep their order.
    Deletion remove(const DataFolder &folder, int number, DataFolder::BackupCopy backup) const;

private:
    QString m_path;
    QString m_temporary;
    const RecordLayout &m_layout;
};
