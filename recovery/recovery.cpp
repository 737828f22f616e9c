#include "recovery/recovery.h"

#include "accounts/assignmentfile.h"
#include "accounts/customerfile.h"
#include "accounts/customerwrite.h"
#include "billing/accountfiles.h"
#include "billing/invoicenumbers.h"
#include "billing/mailsending.h"
#include "billing/posting.h"
#include "billing/postingrun.h"
#include "billing/recordfilelayouts.h"
#include "core/backuparchive.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/settings.h"
#include "core/slipcounter.h"
#include "dispatch/agreements.h"
#include "dispatch/assignedslips.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipstore.h"

#include <QDir>
#include <algorithm>

namespace Recovery {

namespace {

// The question about the torn files, naming each and what it holds beyond its whole records.
Notice tornQuestion(const std::vector<TornRecords::Torn> &torn, const QString &title)
{
    QStringList found;
    for (const TornRecords::Torn &t : torn)
        found << TornRecords::describe(t) + QLatin1Char('.');
    return {QStringLiteral("These files end in part of a record, left by a power cut or a copy cut short:\r\n%1\r\n"
                           "Nothing can be added to such a file until its last record is whole.\r\n\r\nComplete the "
                           "last record of each now? Its missing part is filled with blanks (zero in number fields); "
                           "nothing already in the file changes. Check that record afterwards. With No the files stay "
                           "as they are (\"dispatch-data check\" shows what they hold).")
                .arg(found.join(QStringLiteral("\r\n"))),
            title};
}

// The steps of a start's repair, each adding what the user is told to the report.
class Run
{
public:
    Run(const DataFolder &folder, Report &report)
        : m_folder(folder)
        , m_report(report)
        , m_title(folder.executableName())
    {}

    void tell(const QString &text) { tell(text, m_title); }
    void tell(const QString &text, const QString &title) { m_report.notices.push_back({text, title}); }

    // Runs a step; a disk error it meets is said, and the start goes on.
    template <typename Step> void step(Step &&doStep)
    {
        try {
            doStep();
        } catch (const DiskError &e) {
            tell(e.message());
        }
    }

    // An append cut short: a file that ends in part of a record is cut back; then a save of the board that was
    // under way is completed from its journal.
    void finishAppendsAndBoardSave()
    {
        step([this] {
            if (const auto cut = m_folder.finishInterruptedAppends(); !cut.empty()) {
                QStringList lines;
                for (const AppendGuard::CutBack &c : cut) {
                    const RecordFiles::Row *row = RecordFiles::rowOf(c.relative);
                    lines << TornRecords::cutBackText(c, row ? RecordFiles::layoutOf(row->kind).length() : 0);
                }
                tell(QStringLiteral("The program was ended while it was saving. What that save had not finished was "
                                    "removed, so that each file ends in whole records:\r\n%1\r\nCheck what you "
                                    "entered last and enter it again where it is missing.")
                         .arg(lines.join(QStringLiteral("\r\n"))));
            }
            if (finishInterruptedBoardSave(m_folder))
                tell(QStringLiteral("The last save of the Dispatch Board was interrupted before it ended. It has now "
                                    "been completed."));
        });
    }

    // Temporaries of writes that a crash or a kill cut short. The program holds the data folder's lock, which
    // every writer of the folder (the data tool too) takes: no other write is running now. What a killed restore
    // into this folder left beside it goes too (a restore only goes into an empty folder, never this one).
    void removeTemporaries()
    {
        m_folder.removeLeftoverTemporaries(QDateTime());
        BackupArchive::removeLeftoverStaging(m_folder.root());
    }

    // A customer saved while the program was cut off: every screen reads the saved record from now on.
    void finishCustomerWrite()
    {
        step([this] {
            if (const auto pending = CustomerWrite::pendingCustomerWrite(m_folder);
                pending && pending->state == CustomerWrite::PendingWrite::State::Damaged)
                tell(QStringLiteral("The customer journal %1 is damaged: a customer saved when the program last "
                                    "ended cannot be put into place. The customer file keeps the record as it was "
                                    "before; look the customer up and save it again.")
                         .arg(QDir::toNativeSeparators(m_folder.path(CustomerWrite::kJournal))));
            CustomerWrite::recoverCustomerWrite(m_folder);
        });
    }

    // A Write Records that a crash or a full disk interrupted is completed, and said once.
    void finishPosting()
    {
        step([this] {
            if (const QString done = PostingRun::finishPending(m_folder); !done.isEmpty())
                tell(done, QStringLiteral("Write Records"));
        });
    }

    // A technician renamed with the slips given to him: the board and the assignment file end both new.
    void finishRename()
    {
        step([this] { AssignedSlips::recoverRename(m_folder); });
    }

    void removeCompletedFromBoard()
    {
        step([this] {
            const std::vector<int> removed = removeCompletedLeftOnBoard(m_folder);
            if (removed.empty())
                return;
            QStringList numbers;
            for (int n : removed)
                numbers.append(QString::number(n));
            tell(QStringLiteral("The last save of the Dispatch Board was interrupted: Service Slip %1 was already "
                                "among the completed slips and also still on the board.\r\nIt was removed from the "
                                "board; it waits to be finalized.")
                     .arg(numbers.join(QStringLiteral(", "))));
        });
    }

    // A run cut off between storing a new slip and saving the counter, a damaged or set-back counter: the
    // counter moves past the slips in use.
    void loadSlipCounter(SlipCounter &counter)
    {
        if (const auto note = counter.load(
                m_folder, [this] { return highestSlipNumber(m_folder); }, lastActiveSlipNumber(m_folder)))
            tell(*note);
    }

    // A run of the agreements' visits, or a deletion of their slips, cut off before the visits file noted it: the
    // visits of the slips stored are noted, the others are made afresh; a lost or damaged visits file is said.
    void finishAgreementVisits()
    {
        step([&] {
            for (const QString &note : Agreements::finishInterrupted(m_folder))
                tell(note, QStringLiteral("Maintenance Agreements"));
        });
    }

    // E-mails whose send a stop cut off: the server may have them, so they wait for the office's word.
    void settleMailSends(const Clock &clock)
    {
        step([&] {
            if (const QString note = MailSending::settleInterrupted(m_folder, clock); !note.isEmpty())
                tell(note, QStringLiteral("E-mail"));
        });
    }

    void loadSettings(Settings &settings, const Clock &clock)
    {
        for (const QString &problem : settings.loadAll(m_folder, clock))
            tell(problem);
    }

    void guardInvoiceCounter(Settings &settings)
    {
        step([&] {
            if (const auto note = InvoiceNumbers(m_folder, settings).guard())
                tell(*note);
        });
    }

    void findTorn()
    {
        m_report.torn = TornRecords::find(m_folder, RecordFiles::completableFiles(m_folder));
        if (!m_report.torn.empty())
            m_report.question = tornQuestion(m_report.torn, m_title);
    }

private:
    const DataFolder &m_folder;
    Report &m_report;
    QString m_title;
};

} // namespace

Report run(const DataFolder &folder, SlipCounter &counter, Settings &settings, const Clock &clock)
{
    Report report;
    Run repair(folder, report);
    repair.finishAppendsAndBoardSave();
    repair.removeTemporaries();
    repair.finishCustomerWrite();
    repair.finishPosting();
    repair.finishRename();
    repair.removeCompletedFromBoard();
    repair.loadSlipCounter(counter);
    repair.finishAgreementVisits();
    repair.settleMailSends(clock);
    repair.loadSettings(settings, clock);
    repair.guardInvoiceCounter(settings);
    repair.findTorn();
    return report;
}

Notice completeTorn(const DataFolder &folder, const std::vector<TornRecords::Torn> &torn)
{
    const auto files = RecordFiles::completableFiles(folder);
    QStringList done;
    for (const TornRecords::Torn &t : torn) {
        const auto file = std::find_if(files.begin(), files.end(),
                                       [&](const TornRecords::RecordFile &f) { return f.relative == t.relative; });
        if (file == files.end())
            continue;
        try {
            const qint64 added = TornRecords::completeLastRecord(folder, t.relative, *file->layout);
            done << QStringLiteral("%1: its last record was completed with %2 bytes of blanks and zeros; it holds %3 "
                                   "whole records now.")
                        .arg(QDir::toNativeSeparators(t.relative.mid(1)))
                        .arg(added)
                        .arg(t.wholeRecords() + 1);
        } catch (const DiskError &e) {
            done << e.message();
        }
    }
    return {done.join(QStringLiteral("\r\n")), folder.executableName()};
}

} // namespace Recovery
