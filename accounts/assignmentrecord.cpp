#include "accounts/assignmentrecord.h"

const RecordLayout &assignmentLayout()
{
    static const RecordLayout layout(QStringLiteral("AssignmentRecord"), AssignmentField::kFields);
    return layout;
}
