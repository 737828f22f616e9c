#include "billing/accountuse.h"

#include "accounts/auxdata.h"
#include "billing/accountfiles.h"
#include "billing/recordfilelayouts.h"
#include "core/cp1252.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/recordscan.h"
#include "dispatch/slipmedia.h"

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
    if (agreements > 0)
        out << QStringLiteral("%1 maintenance agreement(s) are written for it.").arg(agreements);
    if (mediaSlips > 0)
        out << QStringLiteral("%1 service slip(s) have photos or a signature kept in its folder.").arg(mediaSlips);
    return out;
}

AccountUse accountUse(const DataFolder &folder, const QString &acctNo)
{
    AccountUse use;
    const QString number = acctNo.trimmed();
    if (number.isEmpty())
        return use;
    const QByteArray wanted = Cp1252::encode(number);
    for (const RecordFiles::Row &row : RecordFiles::table()) {
        using Role = RecordFiles::AccountRole;
        if (row.account == Role::Balance) {
            try {
                use.balanceFile = use.balanceFile || folder.fileSize(AccountFiles::accountFilePath(number)) >= 0;
            } catch (const DiskError &) {
                // A number that cannot name a file has no balance file.
            }
            continue;
        }
        const int field = RecordFiles::accountFieldOf(row);
        if (field < 0)
            continue;
        const RecordLayout &layout = RecordFiles::layoutOf(row.kind);
        switch (row.account) {
        case Role::History:
            use.history = use.history || countAccount(folder, row.path, layout, field, wanted, true) > 0;
            break;
        case Role::OpenSlips:
            use.slips += countAccount(folder, row.path, layout, field, wanted, false);
            break;
        case Role::Agreements:
            use.agreements += countAccount(folder, row.path, layout, field, wanted, false);
            break;
        case Role::None:
        case Role::Key:
        case Role::Archive:
        case Role::Balance:
            break;
        }
    }
    use.notes = AuxData::hasText(folder, number);
    use.mediaSlips = SlipMedia::slipsWithMedia(folder, number);
    return use;
}

Verdict customerDeletion(const AccountUse &use, const QString &name, const QString &acctNo, bool numberShared,
                         const Answers &answers)
{
    QStringList lines{QStringLiteral("%1, Account No %2").arg(name.trimmed(), acctNo)};
    if (use.balanceFile && numberShared)
        lines << QStringLiteral("This account has an unpaid balance (its balance file stays for the other customer "
                                "record with Account No %1).")
                     .arg(acctNo);
    else if (use.balanceFile)
        lines << QStringLiteral("This account has an unpaid balance (its balance file is deleted with it).");
    if (use.history)
        lines << QStringLiteral("Its account or service history (payments included) stays under Account No %1.")
                     .arg(acctNo);
    if (use.slips > 0)
        lines << QStringLiteral("%1 service slip(s) of this account are not finalized yet.").arg(use.slips);
    if (use.agreements > 0 && numberShared)
        lines << QStringLiteral("Its %1 maintenance agreement(s) stay under Account No %2, which another customer "
                                "record has too.")
                     .arg(use.agreements)
                     .arg(acctNo);
    else if (use.agreements > 0)
        lines << QStringLiteral("Its %1 maintenance agreement(s) are deleted with it; no more visits are made for "
                                "them.")
                     .arg(use.agreements);
    if (use.mediaSlips > 0)
        lines << QStringLiteral("The photos and signatures of %1 of its slip(s) stay in its folder under AuxFiles.")
                     .arg(use.mediaSlips);
    lines << QStringLiteral("Delete this Customer");
    if (auto pending = Verdict::pending(answers, 0, lines.join(QStringLiteral("\r\n")), kDeleteCustomerTitle))
        return *pending;
    return Verdict::done();
}
