#include "accounts/assignmentfile.h"

#include "accounts/assignmentrecord.h"
#include "core/datafolder.h"
#include "core/recordscan.h"

#include <algorithm>
#include <stdexcept>

namespace {

const Record &checked(const Record &assignment)
{
    if (assignment.layout().length() != assignmentLayout().length())
        throw std::invalid_argument("the assignment file holds only assignment records");
    return assignment;
}

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

int assignmentCount(const DataFolder &folder)
{
    return folder.recordCount(AssignmentFile::kPath, assignmentLayout().length());
}

void ReadAssignment(const DataFolder &folder, int number, Record &current)
{
    current = folder.readRecord(AssignmentFile::kPath, assignmentLayout(), number).value_or(Record(assignmentLayout()));
}

void WriteAssignment(const DataFolder &folder, int number, const Record &current)
{
    folder.writeRecord(AssignmentFile::kPath, number, checked(current));
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
    // A swap file left behind by an interrupted deletion of an earlier version of the program.
    folder.deleteFile(AssignmentFile::kTemporary);
    // Rewritten in one crash-safe replacement; unlike most rewrites this one leaves the Backup copy alone.
    QByteArray kept;
    int count = 0;
    const std::vector<Record> records = folder.readRecords(AssignmentFile::kPath, assignmentLayout());
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (int(i) + 1 == currentRecord)
            continue;
        kept.append(records[i].bytes());
        ++count;
    }
    folder.writeFile(AssignmentFile::kPath, kept);
    AssignmentDeletion result;
    result.count = std::max(1, count);
    result.current = std::clamp(currentRecord, 1, result.count);
    return result;
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
