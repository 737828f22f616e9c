#include "accounts/customerrecord.h"

const RecordLayout &customerLayout()
{
    static const RecordLayout layout(QStringLiteral("CustomerRecord"), CustomerField::kFields);
    return layout;
}
