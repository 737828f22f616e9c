#include "accounts/assignmentprintvalues.h"

#include "accounts/assignmentrecord.h"

std::vector<AssignmentReportEntry> assignmentReportEntries(const std::vector<Record> &assignments)
{
    using namespace AssignmentField;
    std::vector<AssignmentReportEntry> entries;
    entries.reserve(assignments.size());
    for (const Record &r : assignments) {
        entries.push_back(
            {r.text(Name), r.text(Address1), r.text(City), r.text(State), r.text(PostalCode), r.text(Telephone)});
    }
    return entries;
}
