#include "tools/datacheck.h"

#include "accounts/assignmentrecord.h"
#include "accounts/customerrecord.h"
#include "accounts/servicerecord.h"
#include "billing/accounthistoryrecord.h"
#include "billing/invoicenumbers.h"
#include "billing/postingrecords.h"
#include "billing/recordfilelayouts.h"
#include "core/clock.h"
#include "core/datafolder.h"
#include "core/formats.h"
#include "core/itemrecord.h"
#include "core/oledate.h"
#include "core/settings.h"
#include "core/slipcounter.h"
#include "core/textfile.h"
#include "dispatch/assignedslips.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipvalues.h"
#include "tools/agreementcheck.h"
#include "tools/auxcheck.h"
#include "tools/journalcheck.h"
#include "tools/ledgercheck.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <limits>
#include <optional>

namespace {

const QString kActiveSlips = SlipFiles::kActive.mid(1);
constexpr int kMostServices = 255;
constexpr int kLastTimeIndex = 32;

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

class Checker
{
public:
    Checker(const DataFolder &folder, const Clock &clock)
        : m_folder(folder)
        , m_clock(clock)
    {}

    std::vector<CheckFinding> run()
    {
        checkRequiredFiles();
        loadSlipCounter();
        checkInvoiceCounter();
        // Every record file of the table, in its order; a family's files each.
        for (const RecordFiles::Row &row : RecordFiles::table())
            checkRecordFile(row);
        checkCompletedLeftOnBoard();
        checkTemporaries();
        checkPostingJournal(m_folder, m_findings);
        checkLedger(m_folder, m_clock, m_findings);
        checkAgreements(m_folder, m_findings);
        checkCustomerJournal(m_folder, m_findings);
        checkAuxHeadings(m_folder, m_findings);
        checkAuxFiles(m_folder, m_clock, m_accountNumbers, m_findings);
        return std::move(m_findings);
    }

private:
    void report(const QString &file, int record, const QString &message)
    {
        m_findings.push_back({file, record, message});
    }

    bool isFile(const QString &file) const { return QFileInfo(m_folder.path(QLatin1Char('/') + file)).isFile(); }

    // The records of a file, read as the program reads them (a short last record completed with blanks),
    // with a finding when the length is not a whole number of records. Nothing when the file is missing.
    std::optional<std::vector<Record>> records(const QString &file, const RecordLayout &layout)
    {
        QFile f(m_folder.path(QLatin1Char('/') + file));
        if (!QFileInfo(f).isFile())
            return std::nullopt;
        if (!f.open(QIODevice::ReadOnly)) {
            report(file, 0, QStringLiteral("cannot be read: %1").arg(f.errorString()));
            return std::nullopt;
        }
        const QByteArray bytes = f.readAll();
        const int count = DataFolder::recordCountForSize(bytes.size(), layout.length());
        if (bytes.size() % layout.length() != 0) {
            // An append the program was killed in is cut back at its next start; any other torn end stays.
            const bool guarded = isFile(file + QStringLiteral(".vdappend"));
            report(file, 0,
                   QStringLiteral("its length, %1 bytes, is not a whole number of %2-byte records (the program reads "
                                  "%3 record(s)): it is %4 bytes over its %5 whole record(s). %6")
                       .arg(bytes.size())
                       .arg(layout.length())
                       .arg(count)
                       .arg(bytes.size() % layout.length())
                       .arg(bytes.size() / layout.length())
                       .arg(guarded ? QStringLiteral("An interrupted append left them; the program cuts them off at "
                                                     "its next start.")
                                    : QStringLiteral("A power cut or a copy cut short left them; the program adds "
                                                     "nothing to the file until, at its next start, you let it "
                                                     "complete the last record with blanks.")));
        }
        std::vector<Record> out;
        out.reserve(std::size_t(count));
        const QByteArray blank = blankRecordBytes(layout);
        for (int i = 0; i < count; ++i) {
            const QByteArray record = bytes.mid(qsizetype(i) * layout.length(), layout.length());
            // A power cut can leave the length of a file and lose its bytes: records of nothing inside it.
            const bool zeros = record.count('\0') == record.size();
            if (record.size() == layout.length() && (zeros || record == blank || record.count(' ') == record.size()))
                report(file, i + 1,
                       QStringLiteral("holds nothing but %1: its content was lost (a power cut while the file was "
                                      "written) or never filled in")
                           .arg(zeros ? QStringLiteral("zero bytes") : QStringLiteral("blanks")));
            out.emplace_back(layout, record);
        }
        return out;
    }

    void checkPlain(const QString &file, const RecordLayout &layout) { records(file, layout); }

    void checkRecordFile(const RecordFiles::Row &row)
    {
        using RecordFiles::Kind;
        const QString file = row.shownName();
        switch (row.kind) {
        case Kind::Slip:
            checkSlips(file);
            break;
        case Kind::Customer:
            checkCustomers(file);
            break;
        case Kind::Assignment:
            checkAssignments(file);
            break;
        case Kind::Service:
            checkServices(file);
            break;
        case Kind::AccountHistory:
            if (row.isFamily())
                checkAccountFiles(row);
            else
                checkAccountHistory(file);
            break;
        case Kind::ServiceHistory:
            checkServiceHistory(file);
            break;
        case Kind::Tax:
            checkTaxRecords(file);
            break;
        case Kind::Journal:
            checkJournal(file);
            break;
        case Kind::Item:
        case Kind::PrintedInvoice: // what it holds: the ledger part
        case Kind::MailOutbox:
            checkPlain(file, RecordFiles::layoutOf(row.kind));
            break;
        case Kind::Agreement:
        case Kind::AgreementVisit:
            // Their length and empty records here; what they hold, with the slips they made, by checkAgreements().
            checkPlain(file, RecordFiles::layoutOf(row.kind));
            break;
        }
    }

    // A one-line field filled from a one-line box holds no line break, tab or other control character: a
    // pasted one would break lists, exports and printed lines. `skip` names the fields of several lines and
    // those another finding covers already.
    void checkOneLine(const QString &file, const std::vector<Record> &records, const QStringList &skip = {})
    {
        if (records.empty())
            return;
        const RecordLayout &layout = records.front().layout();
        for (std::size_t i = 0; i < records.size(); ++i) {
            for (int f = 0; f < layout.fieldCount(); ++f) {
                if (layout.fieldSpec(f).kind != FieldKind::Text || skip.contains(layout.fieldName(f)))
                    continue;
                const QByteArray bytes = records[i].bytes().mid(layout.offset(f), layout.size(f));
                if (std::any_of(bytes.cbegin(), bytes.cend(), [](char c) { return uchar(c) < 0x20 || c == 0x7f; }))
                    report(file, int(i) + 1,
                           QStringLiteral("%1 holds a line break, tab or other control character")
                               .arg(layout.fieldName(f)));
            }
        }
    }

    // Active slips given to a technician the assignment file does not know (renamed or deleted since).
    void checkAssignments(const QString &file)
    {
        const auto assignments = records(file, assignmentLayout());
        QStringList names;
        if (assignments) {
            checkOneLine(file, *assignments);
            for (const Record &r : *assignments)
                names << r.text(AssignmentField::Name);
        }
        const auto pending = AssignedSlips::pendingRename(m_folder);
        if (pending && pending->fits)
            names << pending->newName; // the rename the program completes at its next start
        for (const auto &[record, name] : AssignedSlips::unknownAssignments(m_activeSlips, names))
            report(kActiveSlips, record,
                   QStringLiteral("the slip is assigned to %1, and no assignment has that name").arg(quoted(name)));
        if (pending) {
            report(QStringLiteral("AssignmentRename.jnl"), 0,
                   pending->fits ? QStringLiteral("the rename of %1 to %2 was interrupted; the program completes it "
                                                  "at its next start. Start the program once; do not delete this file.")
                                       .arg(quoted(pending->oldName), quoted(pending->newName))
                                 : QStringLiteral("the journal of an interrupted rename of an assignment cannot be "
                                                  "used; the program deletes it at its next start."));
        }
    }

    void checkDateText(const QString &file, int record, const QString &field, const QString &value)
    {
        if (!Formats::parseShortDate(value))
            report(file, record, QStringLiteral("%1 %2 is not a date (M/d/yyyy)").arg(field, quoted(value)));
    }

    void checkAmountText(const QString &file, int record, const QString &field, const QString &value)
    {
        if (!Formats::parseCurrency(value))
            report(file, record, QStringLiteral("%1 %2 is not an amount").arg(field, quoted(value)));
    }

    void checkDateValue(const QString &file, int record, const QString &field, double days)
    {
        if (!OleDate::toDate(days).isValid())
            report(file, record, QStringLiteral("%1 %2 is not a date").arg(field, QString::number(days, 'g', 17)));
    }

    void checkRequiredFiles()
    {
        for (const QString &file : {QStringLiteral("MyBusinessData.txt"), QStringLiteral("SlipNo.txt")}) {
            const QString relative = QLatin1Char('/') + file;
            if (!isFile(file) && !QFileInfo(m_folder.path(DataFolder::backupPathOf(relative))).isFile())
                report(file, 0,
                       QStringLiteral("is missing, and has no copy in Backup: the program will start with "
                                      "its first-run panel"));
        }
    }

    // A counter file that holds no usable number is one finding; the slips are then measured against the
    // number the program would use instead, so that they are not each reported for it.
    void loadSlipCounter()
    {
        m_counter = SlipCounter::kDefault;
        const bool present = isFile(QStringLiteral("SlipNo.txt"));
        const QByteArray bytes = present ? m_folder.readAll(SlipCounter::kFile) : QByteArray();
        if (const auto value = SlipCounter::parse(bytes); value || !present) {
            // The program moves a counter at or below a slip in use past it (a missing file counts as 1000).
            m_counter = value.value_or(SlipCounter::kDefault);
            const int used = highestSlipNumber(m_folder);
            if (used < m_counter || m_counter >= SlipCounter::kLast)
                return;
            const qint16 was = m_counter;
            m_counter = qint16(std::min<int>(used + 1, SlipCounter::kLast));
            report(QStringLiteral("SlipNo.txt"), 0,
                   QStringLiteral("%1, at or below slip %2 already in use; the program will use %3")
                       .arg(present ? QStringLiteral("holds %1").arg(was)
                                    : QStringLiteral("is missing, so the counter starts at %1").arg(was))
                       .arg(used)
                       .arg(m_counter));
            return;
        }
        const QString backup = DataFolder::backupPathOf(SlipCounter::kFile);
        const auto fromBackup =
            QFileInfo(m_folder.path(backup)).isFile() ? SlipCounter::parse(m_folder.readAll(backup)) : std::nullopt;
        m_counter = fromBackup.value_or(SlipCounter::kDefault);
        if (const int used = highestSlipNumber(m_folder); used >= m_counter)
            m_counter = qint16(std::min<int>(used + 1, SlipCounter::kLast));
        report(QStringLiteral("SlipNo.txt"), 0,
               QStringLiteral("holds %1, not a slip number from 1 to %2; the program will use %3%4")
                   .arg(quoted(TextReader(bytes).readText()))
                   .arg(SlipCounter::kLast)
                   .arg(m_counter)
                   .arg(fromBackup ? QStringLiteral(" from its Backup copy") : QString()));
    }

    void checkCompletedLeftOnBoard()
    {
        for (const auto &[record, number] : completedLeftOnBoard(m_folder))
            report(kActiveSlips, record,
                   QStringLiteral("completed slip %1 is also in CompletedServiceSlips.txt (a save of the board was "
                                  "cut short); the program removes it from the board at its next start")
                       .arg(number));
    }

    // The number the program would give the next invoice, against the numbers the journal and the history hold.
    void checkInvoiceCounter()
    {
        const QString file = SettingsFiles::kInvoiceNumber.mid(1);
        if (!isFile(file))
            return;
        Settings settings;
        settings.loadInvoiceCounter(m_folder, m_clock, false);
        const qint64 used = InvoiceNumbers::highestInUse(m_folder);
        if (settings.invoiceNumber > used)
            return;
        report(file, 0,
               QStringLiteral("holds %1, which gives the next invoice number %2, at or below invoice %3 already in "
                              "use in the invoice journal or the history; the program will use %4")
                   .arg(quoted(TextReader(m_folder.readAll(SettingsFiles::kInvoiceNumber)).readText()))
                   .arg(settings.invoiceNumber)
                   .arg(used)
                   .arg(used + 1));
    }

    void checkTemporaries()
    {
        for (const QString &relative : m_folder.interruptedAppends()) {
            report(relative.mid(1), 0,
                   QStringLiteral("an append to %1 was interrupted; at its next start the program keeps it when it "
                                  "is whole and cuts the file back otherwise")
                       .arg(relative.mid(1).chopped(QStringLiteral(".vdappend").size())));
        }
        if (isFile(SlipFiles::kBoardJournal.mid(1))) {
            report(SlipFiles::kBoardJournal.mid(1), 0,
                   QStringLiteral("a save of the Dispatch Board was interrupted; the program completes it at its "
                                  "next start"));
        }
        for (const QString &relative : m_folder.leftoverTemporaries()) {
            report(relative.mid(1), 0,
                   QStringLiteral("a temporary file left by an interrupted write (%1 bytes); the program removes it "
                                  "at its next start")
                       .arg(QFileInfo(m_folder.root() + relative).size()));
        }
    }

    void checkSlips(const QString &file)
    {
        const auto slips = records(file, serviceSlipLayout());
        if (!slips)
            return;
        const bool active = file == kActiveSlips;
        checkOneLine(file, *slips, {QStringLiteral("ServiceRequired")});
        if (active)
            m_activeSlips = *slips;
        struct Booking
        {
            int record;
            int slipNo;
        };
        QHash<QString, Booking> bookings;
        QHash<QString, Booking> inProgress; // by technician
        for (std::size_t i = 0; i < slips->size(); ++i) {
            const Record &r = (*slips)[i];
            const int n = int(i) + 1;
            const int slipNo = r.int16(SlipField::SlipNo);
            if (slipNo >= m_counter) {
                report(file, n,
                       QStringLiteral("slip number %1 is not below the slip counter %2 of SlipNo.txt")
                           .arg(slipNo)
                           .arg(m_counter));
            }
            const auto earlier = m_slipNumbers.constFind(slipNo);
            if (earlier != m_slipNumbers.constEnd()) {
                report(file, n,
                       QStringLiteral("slip number %1 is also record %2 of %3")
                           .arg(slipNo)
                           .arg(earlier->second)
                           .arg(earlier->first));
            } else {
                m_slipNumbers.insert(slipNo, {file, n});
            }
            checkDateValue(file, n, QStringLiteral("DateReceived"), r.real(SlipField::DateReceived));
            const QString status = r.text(SlipField::Status);
            if (!SlipValues::allStatuses().contains(status))
                report(file, n, QStringLiteral("unknown status %1").arg(quoted(status)));
            const QString priority = r.text(SlipField::Priority);
            if (!SlipValues::priorities().contains(priority))
                report(file, n, QStringLiteral("unknown priority %1").arg(quoted(priority)));
            const QString time = r.text(SlipField::SchedTime);
            if (!SlipValues::timeSlots().contains(time))
                report(file, n, QStringLiteral("unknown time slot %1").arg(quoted(time)));
            const QString date = r.text(SlipField::SchedDate);
            if (date != SlipValues::kNoDate)
                checkDateText(file, n, QStringLiteral("SchedDate"), date);
            checkAmountText(file, n, QStringLiteral("Amount"), r.text(SlipField::Amount));

            const QString assignment = r.text(SlipField::AssignedTo);
            if (active && assignment.isEmpty() && status == SlipValues::kAssigned)
                report(file, n, QStringLiteral("slip %1 is \"Assigned\" without a technician").arg(slipNo));
            if (active && !assignment.isEmpty() && status == SlipValues::kInProgress) {
                const auto first = inProgress.constFind(assignment);
                if (first == inProgress.constEnd()) {
                    inProgress.insert(assignment, {n, slipNo});
                } else {
                    report(file, n,
                           QStringLiteral("slip %1 is a second \"In Progress\" slip of %2, with slip %3 (record %4)")
                               .arg(QString::number(slipNo), quoted(assignment), QString::number(first->slipNo),
                                    QString::number(first->record)));
                }
            }
            // Slips that take the same slot have one key (the booking rule's); a slip that takes none has no key.
            const auto key = slotKey({assignment, date, time});
            if (!active || !key)
                continue;
            const auto booked = bookings.constFind(*key);
            if (booked == bookings.constEnd()) {
                bookings.insert(*key, {n, slipNo});
                continue;
            }
            report(file, n,
                   QStringLiteral("slip %1 double-books %2 on %3 at %4 with slip %5 (record %6)")
                       .arg(QString::number(slipNo), quoted(assignment), date, time, QString::number(booked->slipNo),
                            QString::number(booked->record)));
        }
    }

    void checkCustomers(const QString &file)
    {
        const auto customers = records(file, customerLayout());
        if (!customers)
            return;
        checkOneLine(file, *customers, {QStringLiteral("AcctNo")}); // its control characters: a file-name finding
        QHash<QString, int> firstRecord;
        QHash<QString, int> firstFolded; // file names ignore letter case: these numbers share files
        for (std::size_t i = 0; i < customers->size(); ++i) {
            const int n = int(i) + 1;
            const QString account = (*customers)[i].text(CustomerField::AcctNo);
            m_accounts.insert(account.toLower());
            m_accountNumbers.append(account);
            if (account.isEmpty()) {
                report(file, n, QStringLiteral("the account has no account number"));
                continue;
            }
            QString why;
            if (!accountFileName(account, &why))
                report(file, n, why);
            const auto earlier = firstRecord.constFind(account);
            if (earlier != firstRecord.constEnd()) {
                report(file, n,
                       QStringLiteral("account number %1 is also record %2")
                           .arg(quoted(account), QString::number(*earlier)));
                continue;
            }
            firstRecord.insert(account, n);
            const QString folded = account.toCaseFolded();
            const auto sameLetters = firstFolded.constFind(folded);
            if (sameLetters == firstFolded.constEnd()) {
                firstFolded.insert(folded, n);
                continue;
            }
            report(file, n,
                   QStringLiteral("account number %1 differs from %2 of record %3 only in letter case; the two "
                                  "share one folder and one balance file where file names ignore case")
                       .arg(quoted(account),
                            quoted((*customers)[std::size_t(*sameLetters - 1)].text(CustomerField::AcctNo)),
                            QString::number(*sameLetters)));
        }
    }

    void checkServices(const QString &file)
    {
        const auto services = records(file, serviceLayout());
        if (!services)
            return;
        checkOneLine(file, *services);
        if (services->size() > std::size_t(kMostServices))
            report(file, 0,
                   QStringLiteral("holds %1 services; the catalogue holds at most %2")
                       .arg(services->size())
                       .arg(kMostServices));
        for (std::size_t i = 0; i < services->size(); ++i) {
            const Record &r = (*services)[i];
            const int n = int(i) + 1;
            checkAmountText(file, n, QStringLiteral("Charge"), r.text(ServiceField::Charge));
            const int index = r.int16(ServiceField::TimeIndex);
            if (index < 0 || index > kLastTimeIndex)
                report(
                    file, n,
                    QStringLiteral("TimeIndex %1 is outside the time list (0 to %2)").arg(index).arg(kLastTimeIndex));
        }
    }

    void checkAccountHistory(const QString &file)
    {
        const auto lines = records(file, accountHistoryLayout());
        if (!lines)
            return;
        for (std::size_t i = 0; i < lines->size(); ++i) {
            const Record &r = (*lines)[i];
            const int n = int(i) + 1;
            checkDateText(file, n, QStringLiteral("Date"), r.text(AccountHistoryField::Date));
            checkAmountText(file, n, QStringLiteral("Amount"), r.text(AccountHistoryField::Amount));
        }
    }

    void checkAccountFiles(const RecordFiles::Row &family)
    {
        const QString folder = m_folder.path(family.familyFolder());
        if (!QFileInfo(folder).isDir())
            return;
        const QString pattern = family.path.mid(family.path.lastIndexOf(QLatin1Char('/')) + 1);
        const QStringList names = QDir(folder).entryList({pattern}, QDir::Files, QDir::Name);
        for (const QString &name : names) {
            const QString file = QFileInfo(folder).fileName() + QLatin1Char('/') + name;
            const QString account = name.chopped(pattern.size() - 1);
            if (!m_accounts.contains(account.toLower()))
                report(file, 0, QStringLiteral("no customer has the account number %1").arg(quoted(account)));
            checkAccountHistory(file);
        }
    }

    void checkServiceHistory(const QString &file)
    {
        const auto lines = records(file, serviceHistoryLayout());
        if (!lines)
            return;
        for (std::size_t i = 0; i < lines->size(); ++i)
            checkDateText(file, int(i) + 1, QStringLiteral("Date"), (*lines)[i].text(ServiceHistoryField::Date));
    }

    void checkTaxRecords(const QString &file)
    {
        const auto lines = records(file, taxLayout());
        if (!lines)
            return;
        for (std::size_t i = 0; i < lines->size(); ++i) {
            const Record &r = (*lines)[i];
            const int n = int(i) + 1;
            checkDateText(file, n, QStringLiteral("Date"), r.text(TaxField::Date));
            const QString tax = r.text(TaxField::TaxAmount);
            if (!Formats::parseDecimal(tax))
                report(file, n, QStringLiteral("TaxAmount %1 is not a number").arg(quoted(tax)));
        }
    }

    void checkJournal(const QString &file)
    {
        const auto lines = records(file, journalLayout());
        if (!lines)
            return;
        for (std::size_t i = 0; i < lines->size(); ++i)
            checkDateValue(file, int(i) + 1, QStringLiteral("Date"), (*lines)[i].real(JournalField::Date));
    }

    const DataFolder &m_folder;
    const Clock &m_clock;
    std::vector<CheckFinding> m_findings;
    qint16 m_counter = SlipCounter::kDefault;
    QHash<int, std::pair<QString, int>> m_slipNumbers; // slip number -> first file and record
    QSet<QString> m_accounts;                          // trimmed account numbers in lower case: file names ignore case
    QStringList m_accountNumbers;                      // as stored, trimmed
    std::vector<Record> m_activeSlips;
};

} // namespace

std::vector<CheckFinding> checkDataFolder(const DataFolder &folder, const Clock &clock)
{
    return Checker(folder, clock).run();
}
