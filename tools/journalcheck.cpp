#include "tools/journalcheck.h"

#include "accounts/customerfile.h"
#include "accounts/customerrecord.h"
#include "accounts/customerwrite.h"
#include "billing/postingrun.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/formats.h"

#include <QFileInfo>

namespace {

QString withoutSeparator(const QString &relative)
{
    return relative.mid(1);
}

// Something other than a file where the program keeps one: its own writes there fail.
bool reportNotAFile(const DataFolder &folder, const QString &relative, const QString &consequence,
                    std::vector<CheckFinding> &findings)
{
    const QFileInfo info(folder.path(relative));
    if (!info.exists() || info.isFile())
        return false;
    findings.push_back(
        {withoutSeparator(relative), 0,
         QStringLiteral("is a folder, not a file: %1. Move it out of the data folder.").arg(consequence)});
    return true;
}

} // namespace

void checkPostingJournal(const DataFolder &folder, std::vector<CheckFinding> &findings)
{
    const QString file = withoutSeparator(PostingRun::kJournal);
    if (reportNotAFile(folder, PostingRun::kJournal,
                       QStringLiteral("Write Records cannot write its journal there and fails"), findings))
        return;
    try {
        const auto run = PostingRun::pendingRun(folder);
        if (!run)
            return;
        const QString date = run->date.isValid() ? Formats::shortDate(run->date) : QStringLiteral("an unknown day");
        findings.push_back(
            {file, 0,
             QStringLiteral("a Write Records of %1 was interrupted before it ended; it holds %2 slip(s): %3. The "
                            "program finishes it at its next start (and when Completed Service Slips opens), "
                            "posting each slip once. Start the program; do not delete this file.")
                 .arg(date)
                 .arg(run->slips.size())
                 .arg(run->slips.join(QStringLiteral("; ")))});
    } catch (const DiskError &) {
        findings.push_back(
            {file, 0,
             QStringLiteral("the journal of an interrupted Write Records is damaged and cannot be read, so the program "
                            "cannot finish that run, and it refuses Write Records while this file is there. Some "
                            "slips of that run may be posted only in part: keep a copy of this file, compare the "
                            "slips left in Completed Service Slips with the service history, then set the journal "
                            "aside with \"dispatch-data set-aside-journal\" (or restore the folder from a backup "
                            "made before that Write Records).")});
    }
}

void checkCustomerJournal(const DataFolder &folder, std::vector<CheckFinding> &findings)
{
    const QString file = withoutSeparator(CustomerWrite::kJournal);
    if (reportNotAFile(folder, CustomerWrite::kJournal, QStringLiteral("saving a customer fails"), findings))
        return;
    const auto pending = CustomerWrite::pendingCustomerWrite(folder);
    if (!pending)
        return;
    using State = CustomerWrite::PendingWrite::State;
    if (pending->state == State::Damaged) {
        findings.push_back(
            {file, 0,
             QStringLiteral("the journal of an interrupted customer save is damaged and cannot be used; the program "
                            "deletes it at its next start, and CustomerData.txt keeps the "
                            "record as it was before that save. Check the customer you saved last and save it "
                            "again.")});
        return;
    }
    const Record &record = *pending->record;
    const QString account =
        QStringLiteral("account \"%1\", %2").arg(record.text(CustomerField::AcctNo), displayName(record).trimmed());
    if (pending->state == State::Fits) {
        findings.push_back(
            {file, 0,
             QStringLiteral("a save of customer record %1 (%2) was interrupted; the saved record waits in this file "
                            "and the program puts it into place at its next start (until then the data tool "
                            "and the companion program see the record as it was before). Start the program "
                            "once; do not delete this file.")
                 .arg(pending->number)
                 .arg(account)});
        return;
    }
    const QString now = pending->currentSize < 0
                            ? QStringLiteral("CustomerData.txt is missing now")
                            : QStringLiteral("CustomerData.txt has changed since (%1 bytes then, %2 bytes now)")
                                  .arg(pending->fileSize)
                                  .arg(pending->currentSize);
    findings.push_back(
        {file, 0,
         QStringLiteral("a save of customer record %1 (%2) was interrupted, but %3; the program discards this "
                        "journal at its next start and does not put the record into place. "
                        "Check that customer and save it again.")
             .arg(pending->number)
             .arg(account, now)});
}
