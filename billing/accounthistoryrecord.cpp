#include "billing/accounthistoryrecord.h"

const RecordLayout &accountHistoryLayout()
{
    static const RecordLayout layout(QStringLiteral("AccountHistoryRecord"), AccountHistoryField::kFields);
    return layout;
}
