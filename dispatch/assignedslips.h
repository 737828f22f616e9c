#pragma once

#include "core/recordlayout.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class DataFolder;

// The work still given to an assignment: the slips of /ServiceSlips.txt that name it. Asked by the
// assignments screen before it deletes or renames a technician, and by the data check.
namespace AssignedSlips {

inline const QString kRenameJournal = QStringLiteral("/AssignmentRename.jnl");

// The slip names this assignment (trimmed, exact letter case). An empty name is nobody.
bool isAssignedTo(const Record &slip, const QString &name);
// How many active slips name this assignment.
int countActive(const DataFolder &folder, const QString &name);
// The active slips (record numbers from 1) that name an assignment that is not among these names, with the
// name they carry. Slips without an assignment are left out.
std::vector<std::pair<int, QString>> unknownAssignments(const std::vector<Record> &activeSlips,
                                                        const QStringList &assignmentNames);

// Stores assignment `number` (from 1) as `record` and gives every active slip assigned to `oldName` the
// record's new name. The board file and the assignment file change together: the change is first written to
// a journal, then /ServiceSlips.txt and /AssignmentData.txt are replaced (each crash-safe) and the journal is
// removed; a crash in between leaves the journal, which recoverRename() completes at the next start.
// Throws DiskError.
void renameAssignment(const DataFolder &folder, int number, const Record &record, const QString &oldName);
// Completes a rename a crash interrupted; true when one was completed. A damaged journal, or one written for
// another assignment file than the one there now, is dropped. Throws DiskError.
bool recoverRename(const DataFolder &folder);

struct PendingRename
{
    bool fits = false; // recoverRename() completes it
    int number = 0;
    QString oldName;
    QString newName;
};
// Nothing when no journal waits.
std::optional<PendingRename> pendingRename(const DataFolder &folder);

} // namespace AssignedSlips
