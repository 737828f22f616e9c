#include "billing/postingrecords.h"

const RecordLayout &serviceHistoryLayout()
{
    static const RecordLayout layout(QStringLiteral("ServiceHistoryRecord"), ServiceHistoryField::kFields);
    return layout;
}

const RecordLayout &taxLayout()
{
    static const RecordLayout layout(QStringLiteral("TaxRecord"), TaxField::kFields);
    return layout;
}

const RecordLayout &journalLayout()
{
    static const RecordLayout layout(QStringLiteral("InvoiceJournalRecord"), JournalField::kFields);
    return layout;
}
