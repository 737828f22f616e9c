#include "dispatch/servicesliprecord.h"

const RecordLayout &serviceSlipLayout()
{
    static const RecordLayout layout(QStringLiteral("ServiceSlipRecord"), SlipField::kFields);
    return layout;
}
