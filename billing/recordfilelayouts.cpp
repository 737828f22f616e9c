#include "billing/recordfilelayouts.h"

#include "accounts/assignmentrecord.h"
#include "accounts/customerrecord.h"
#include "accounts/servicerecord.h"
#include "billing/accounthistoryrecord.h"
#include "billing/mailoutbox.h"
#include "billing/postingrecords.h"
#include "billing/printedinvoices.h"
#include "core/itemrecord.h"
#include "dispatch/agreementrecord.h"
#include "dispatch/servicesliprecord.h"

namespace RecordFiles {

const RecordLayout &layoutOf(Kind kind)
{
    switch (kind) {
    case Kind::Slip:
        return serviceSlipLayout();
    case Kind::Customer:
        return customerLayout();
    case Kind::Assignment:
        return assignmentLayout();
    case Kind::Service:
        return serviceLayout();
    case Kind::AccountHistory:
        return accountHistoryLayout();
    case Kind::ServiceHistory:
        return serviceHistoryLayout();
    case Kind::Tax:
        return taxLayout();
    case Kind::Journal:
        return journalLayout();
    case Kind::Item:
        return itemLayout();
    case Kind::Agreement:
        return agreementLayout();
    case Kind::AgreementVisit:
        return agreementVisitLayout();
    case Kind::PrintedInvoice:
        return printedInvoiceLayout();
    case Kind::MailOutbox:
        return mailOutboxLayout();
    }
    Q_UNREACHABLE();
    return serviceSlipLayout();
}

int accountFieldOf(const Row &row)
{
    return row.accountField.isEmpty() ? -1 : layoutOf(row.kind).indexOf(row.accountField);
}

std::vector<TornRecords::RecordFile> completableFiles(const DataFolder &folder)
{
    std::vector<TornRecords::RecordFile> out;
    for (const File &file : files(folder)) {
        if (file.row->mayCompleteTorn)
            out.push_back({file.relative, &layoutOf(file.row->kind)});
    }
    return out;
}

} // namespace RecordFiles
