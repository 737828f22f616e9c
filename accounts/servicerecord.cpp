#include "accounts/servicerecord.h"

const RecordLayout &serviceLayout()
{
    static const RecordLayout layout(QStringLiteral("ServiceRecord"), ServiceField::kFields);
    return layout;
}
