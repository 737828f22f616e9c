#include "accounts/assignmentfile.h"

#include "accounts/assignmentrecord.h"
#include "core/datafolder.h"
#include "core/recordscan.h"

#include <algorithm>

namespace {

int searchedField(AssignmentCriterion criterion)
{
    using namespace AssignmentField;
    switch (criterion) {
    case AssignmentCriterion::Name:
        return Name;
    case AssignmentCriterion::Address1:
        return Address1;
    case AssignmentCriterion::Address2:
        return Address2;
    case AssignmentCriterion::City:
        return City;
    case AssignmentCriterion::State:
        return State;
    case AssignmentCriterion::PostalCode:
        return PostalCode;
    case AssignmentCriterion::Telephone:
        return Telephone;
    case AssignmentCriterion::Reference:
        return Reference;
    case AssignmentCriterion::All:
        break;
    }
    return -1;
}

} // namespace

const RecordFile &AssignmentFile::records()
{
    static const RecordFile file(AssignmentFile::kPath, AssignmentFile::kTemporary, assignmentLayout());
    return file;
}

int assignmentCount(const DataFolder &folder)
{
    return AssignmentFile::records().count(folder);
}

void ReadAssignment(const DataFolder &folder, int number, Record &current)
{
    AssignmentFile::records().read(folder, number, current);
}

void WriteAssignment(const DataFolder &folder, int number, const Record &current)
{
    folder.writeRecord(AssignmentFile::kPath, number, AssignmentFile::records().checked(current));
}

void addAssignmentCities(const DataFolder &folder, QStringList &cities)
{
    for (const Record &record : folder.readRecords(AssignmentFile::kPath, assignmentLayout())) {
        const QString city = record.text(AssignmentField::City);
        const bool known =
            std::any_of(cities.cbegin(), cities.cend(), [&](const QString &entry) { return entry.trimmed() == city; });
        if (!known)
            cities.append(city);
    }
}

AssignmentDeletion DeleteAssignment(const DataFolder &folder, int currentRecord)
{
    // Unlike most rewrites this one leaves the Backup copy alone.
    return AssignmentFile::records().remove(folder, currentRecord, DataFolder::BackupCopy::Keep);
}

std::vector<QStringList> SearchAssignments(const DataFolder &folder, AssignmentCriterion criterion, const QString &text)
{
    using namespace AssignmentField;
    std::vector<QStringList> rows;
    const int field = searchedField(criterion);
    if (field < 0 && criterion != AssignmentCriterion::All)
        return rows;
    const QString needle = text.toUpper();
    const std::vector<Record> records = folder.readRecords(AssignmentFile::kPath, assignmentLayout());
    for (std::size_t i = 0; i < records.size(); ++i) {
        const Record &r = records[i];
        if (field >= 0 && !r.text(field).toUpper().contains(needle))
            continue;
        rows.push_back({r.text(Name), r.text(Telephone), r.text(Address1), r.text(City), r.text(State),
                        r.text(PostalCode), QString::number(i + 1)});
    }
    return rows;
}

AssignmentLists LoadAssignmentLists(const DataFolder &folder)
{
    using namespace AssignmentField;
    AssignmentLists lists;
    lists.board.append(AssignmentFile::kNotAssigned);
    lists.creation.append(AssignmentFile::kNone);
    for (const Record &r : folder.readRecords(AssignmentFile::kPath, assignmentLayout())) {
        const QString name = r.text(Name);
        lists.board.append(name);
        lists.creation.append(name);
        lists.creationGrid.push_back({name, r.text(Telephone), r.text(Cell), r.text(TextMsgNo)});
        lists.scheduleGrid.push_back({name, r.text(Cell)});
    }
    return lists;
}
