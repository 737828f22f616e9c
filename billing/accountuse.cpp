#include "billing/accountuse.h"

#include "accounts/auxdata.h"
#include "billing/posting.h"
#include "billing/postingrecords.h"
#include "billing/accountfiles.h"
#include "billing/accounthistoryrecord.h"
#include "core/cp1252.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/recordscan.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"


namespace {

int countAccount(const DataFolder &folder, const QString &file, const RecordLayout &layout, int field,
                 const QByteArray &wanted, bool firstOnly)
{
    const RecordScan scan(folder, file, layout);
    int found = 0;
    for (int i = 0; i < scan.count(); ++i) {
        if (scan.trimmed(i, field) == QByteArrayView(wanted) && ++found && firstOnly)
            break;
    }
    return found;
}

} // namespace

QStringList AccountUse::lines() const
{
    QStringList out;
    if (balanceFile)
        out << QStringLiteral("It has an unpaid balance (its balance file).");
    if (history)
        out << QStringLiteral("It has account or service history.");
    if (notes)
        out << QStringLiteral("It has notes in its data boxes.");
    if (slips > 0)
        out << QStringLiteral("%1 service slip(s) not yet finalized are written for it.").arg(slips);
    return out;
}

AccountUse accountUse(const DataFolder &folder, const QString &acctNo)
{
    AccountUse use;
    const QString number = acctNo.trimmed();
    if (number.isEmpty())
        return use;
    try {
        use.balanceFile = folder.fileSize(AccountFiles::accountFilePath(number)) >= 0;
    } catch (const DiskError &) {
        // A number that cannot name a file has no balance file.
    }
    const QByteArray wanted = Cp1252::encode(number);
    use.history = countAccount(folder, Posting::kHistory, accountHistoryLayout(), AccountHistoryField::AcctNo, wanted,
                               true) > 0 ||
                  countAccount(folder, AccountFiles::kPaymentFile, accountHistoryLayout(), AccountHistoryField::AcctNo,
                               wanted, true) > 0 ||
                  countAccount(folder, Posting::kServiceHistory, serviceHistoryLayout(), ServiceHistoryField::AcctNo,
                               wanted, true) > 0 ||
                  countAccount(folder, Posting::kJournal, journalLayout(), JournalField::AcctNo, wanted, true) > 0;
    use.notes = AuxData::hasText(folder, number);
    for (const QString &file : {SlipFiles::kActive, SlipFiles::kCompleted})
        use.slips += countAccount(folder, file, serviceSlipLayout(), SlipField::AcctNo, wanted, false);
    return use;
}
