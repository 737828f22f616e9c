#pragma once

#include "accounts/recordfile.h"

#include <QString>
#include <QStringList>
#include <vector>

// The assignment file /AssignmentData.txt: 235-byte records of the technicians and crews slips are given to,
// in the order they were created; a deletion closes the gap. The assignments screen keeps the current
// assignment record (the application's); the operations here read into it and write from it.
namespace AssignmentFile {
inline const QString kPath = QStringLiteral("/AssignmentData.txt");
inline const QString kTemporary = QStringLiteral("/Assignment.TMP");
// The file as a record file: its count, one record read or checked for a write, a deletion.
const RecordFile &records();

// The first entries of the pick lists.
inline const QString kNotAssigned = QStringLiteral("Not Assigned"); // the dispatch board's list
inline const QString kNone = QStringLiteral("None");                // slip creation's list

// What the search says.
inline const QString kAskCreate = QStringLiteral("Would you like to Create a New Assignment?");
inline const QString kNotFoundTitle = QStringLiteral("Assignment not Found");
inline const QString kResultsCaption = QStringLiteral("Assignments Search Results");
inline const QStringList kResultHeadings = {
    QStringLiteral("Name"), QStringLiteral("Telephone"), QStringLiteral("Street Address"),
    QStringLiteral("City"), QStringLiteral("St"),        QStringLiteral("Zip Code"),
    QStringLiteral("Rec#")};
} // namespace AssignmentFile

enum class AssignmentCriterion : int {
    Name = 0,
    Address1 = 1,
    Address2 = 2,
    City = 3,
    State = 4,
    PostalCode = 5,
    Telephone = 6,
    Reference = 7,
    All = 10,
};

// The number of records (restored from /Backup when the file is missing); 0 without a file.
int assignmentCount(const DataFolder &folder);

// Record n (from 1) into the current record; a number beyond the file gives a blank record.
void ReadAssignment(const DataFolder &folder, int number, Record &current);
// The current record as record n; the record after the last one appends.
void WriteAssignment(const DataFolder &folder, int number, const Record &current);

// Adds each trimmed city of the file, in file order, that the list does not hold yet.
void addAssignmentCities(const DataFolder &folder, QStringList &cities);

// Deletes record `currentRecord`; the others keep their order. The file's Backup copy is left as it is.
// Returns the screen's new count (never below 1) and the record it shows next.
using AssignmentDeletion = RecordFile::Deletion;
AssignmentDeletion DeleteAssignment(const DataFolder &folder, int currentRecord);

// The records whose field of the criterion, trimmed and in upper case, contains `text` (compared in upper
// case), in file order; every record for AssignmentCriterion::All. Each row holds the seven columns of the
// results grid: name, telephone, street address, city, state, postal code, record number.
std::vector<QStringList> SearchAssignments(const DataFolder &folder, AssignmentCriterion criterion,
                                           const QString &text);

// The assignment pick lists of the dispatch screens, filled at start.
struct AssignmentLists
{
    QStringList board;                     // "Not Assigned", then every name
    QStringList creation;                  // "None", then every name
    std::vector<QStringList> creationGrid; // per assignment: name, telephone, cell, text-message number
    std::vector<QStringList> scheduleGrid; // per assignment: name, cell
};
// With no assignment file the lists hold only their first entries and the grids no rows.
AssignmentLists LoadAssignmentLists(const DataFolder &folder);
