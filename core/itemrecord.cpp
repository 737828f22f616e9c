#include "core/itemrecord.h"

const RecordLayout &itemLayout()
{
    static const RecordLayout layout(QStringLiteral("ItemRecord"), ItemField::kFields);
    return layout;
}
