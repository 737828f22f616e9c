#include "tools/agreementcheck.h"

#include "accounts/assignmentfile.h"
#include "accounts/assignmentrecord.h"
#include "accounts/customerfile.h"
#include "accounts/customerrecord.h"
#include "accounts/servicecatalogue.h"
#include "accounts/servicerecord.h"
#include "core/datafolder.h"
#include "core/formats.h"
#include "core/oledate.h"
#include "core/recordscan.h"
#include "core/slipcounter.h"
#include "dispatch/agreementrecord.h"
#include "dispatch/agreements.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipcreation.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipvalues.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>

namespace {

const QString kAgreements = Agreements::kFile.mid(1);
const QString kVisits = Agreements::kVisitsFile.mid(1);

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

class AgreementChecker
{
public:
    AgreementChecker(const DataFolder &folder, std::vector<CheckFinding> &findings)
        : m_folder(folder)
        , m_findings(findings)
    {}

    void run()
    {
        const auto agreements = records(kAgreements, agreementLayout());
        const auto visits = records(kVisits, agreementVisitLayout());
        for (const QString &journal : {Agreements::kRunJournal, Agreements::kDeletionJournal}) {
            if (QFileInfo(m_folder.path(journal)).isFile())
                report(journal.mid(1), 0,
                       QStringLiteral("what a run of the agreement visits or a deletion of their slips was noting "
                                      "when it was cut off; the program finishes it at its next start"));
        }
        if (agreements.empty() && visits.empty())
            return;
        for (std::size_t i = 0; i < agreements.size(); ++i)
            checkAgreement(int(i) + 1, agreements[i]);
        if (!QFileInfo(m_folder.path(Agreements::kVisitsFile)).isFile())
            checkLostVisits();
        checkVisits(visits);
    }

private:
    void report(const QString &file, int record, const QString &message)
    {
        m_findings.push_back({file, record, message});
    }

    // The records as the program reads them (the file's length is checked with every record file's).
    std::vector<Record> records(const QString &file, const RecordLayout &layout)
    {
        if (!QFileInfo(m_folder.path(QLatin1Char('/') + file)).isFile())
            return {};
        const QByteArray bytes = m_folder.readAll(QLatin1Char('/') + file);
        std::vector<Record> out;
        const int count = DataFolder::recordCountForSize(bytes.size(), layout.length());
        for (int i = 0; i < count; ++i)
            out.emplace_back(layout, bytes.mid(qsizetype(i) * layout.length(), layout.length()));
        return out;
    }

    void checkDate(const QString &file, int n, const QString &field, double days, bool optional)
    {
        if ((days != 0 || !optional) && !OleDate::toDate(days).isValid())
            report(file, n,
                   QStringLiteral("%1 %2 is not a date; it is read as %3")
                       .arg(field, QString::number(days, 'g', 17),
                            optional ? QStringLiteral("no end") : QStringLiteral("none, and no visit is made")));
    }

    void checkAgreement(int n, const Record &r)
    {
        using namespace AgreementField;
        const Agreement a = Agreements::fromRecord(r);
        if (a.id <= 0)
            report(kAgreements, n, QStringLiteral("Id %1 is not an agreement number").arg(a.id));
        else if (const auto earlier = m_ids.constFind(a.id); earlier != m_ids.constEnd())
            report(kAgreements, n, QStringLiteral("Id %1 is also record %2").arg(a.id).arg(*earlier));
        else {
            m_ids.insert(a.id, n);
            m_agreements.insert(a.id, a);
        }
        const auto range = [&](int field, int low, int high, const QString &meaning) {
            const int value = r.int16(field);
            if (value < low || value > high)
                report(kAgreements, n,
                       QStringLiteral("%1 %2 is outside %3 to %4; it is read as %5")
                           .arg(agreementLayout().fieldName(field))
                           .arg(value)
                           .arg(low)
                           .arg(high)
                           .arg(meaning));
        };
        range(Interval, 0, 2, QStringLiteral("months"));
        range(Every, 1, 99, QStringLiteral("1"));
        range(Weekday, 0, 7, QStringLiteral("none"));
        if (quint16(r.int16(Months)) > 0x0FFF || (a.interval == Agreement::Interval::ChosenMonths && a.months == 0))
            report(kAgreements, n,
                   QStringLiteral("Months %1 chooses no month of the year; no visit is made").arg(r.int16(Months)));
        if (!SlipValues::timeSlots().contains(r.text(Slot)))
            report(kAgreements, n,
                   QStringLiteral("unknown time slot %1; it is read as \"None\"").arg(quoted(r.text(Slot))));
        checkDate(kAgreements, n, QStringLiteral("Start"), r.real(Start), false);
        checkDate(kAgreements, n, QStringLiteral("End"), r.real(End), true);
        if (a.start.isValid() && a.end.isValid() && a.end < a.start)
            report(kAgreements, n,
                   QStringLiteral("it ends (%1) before it starts (%2)")
                       .arg(Formats::shortDate(a.end), Formats::shortDate(a.start)));
        if (r.money(Price) < Money())
            report(kAgreements, n, QStringLiteral("the price per visit is below zero; it is read as $0.00"));
        if (!accounts().contains(a.acctNo))
            report(kAgreements, n,
                   QStringLiteral("no customer has the account number %1; the run makes none of its visits")
                       .arg(quoted(a.acctNo)));
        if (!a.technician.isEmpty() && !technicians().contains(a.technician))
            report(kAgreements, n,
                   QStringLiteral("warning: no assignment is named %1; its visits are still given to that name")
                       .arg(quoted(a.technician)));
        for (const QString &service : a.services) {
            if (!services().contains(service))
                report(kAgreements, n,
                       QStringLiteral("warning: the service %1 is not in the catalogue").arg(quoted(service)));
        }
        if (const int length = int(Agreements::slipText(a).size()); length > SlipCreation::kServiceWidth)
            report(kAgreements, n,
                   QStringLiteral("its services and note make a slip text of %1 characters; a slip holds %2, so "
                                  "the run makes none of its visits")
                       .arg(length)
                       .arg(SlipCreation::kServiceWidth));
    }

    // No visits file beside agreements: the slips an agreement made (its account, its slip's text) have lost
    // their visits.
    void checkLostVisits()
    {
        QHash<QPair<QString, QString>, qint32> byText;
        for (const Agreement &a : std::as_const(m_agreements))
            byText.insert({a.acctNo.trimmed(), Agreements::slipText(a)}, a.id);
        QStringList slips;
        for (const QString &file : {SlipFiles::kActive, SlipFiles::kCompleted, SlipFiles::kFinalized}) {
            for (const Record &r : plain(file, serviceSlipLayout())) {
                if (byText.contains({r.text(SlipField::AcctNo), r.text(SlipField::ServiceRequired)}))
                    slips << QString::number(r.int16(SlipField::SlipNo));
            }
        }
        if (!slips.isEmpty())
            report(kVisits, 0,
                   QStringLiteral("missing, while slip(s) %1 look like visits of agreements; the program notes them "
                                  "again at its next start (visits skipped before are made again)")
                       .arg(slips.join(QStringLiteral(", "))));
    }

    // A visit as the program reads it: the first layout by its due day's period under the agreement.
    struct Read
    {
        qint32 id = 0;
        qint32 period = -1;
        int state = 0;
        int slip = 0;
        double received = 0;
    };
    Read read(const Record &r, int n)
    {
        using namespace VisitField;
        Read v;
        if (r.int32(Mark) == kMark) {
            v = {r.int32(AgreementId), r.int32(Period), r.int16(State), r.int16(SlipNo), r.real(Received)};
            checkDate(kVisits, n, QStringLiteral("Day"), r.real(Day), true);
        } else {
            const Record old(oldAgreementVisitLayout(), r.bytes());
            v = {old.int32(OldAgreementId), -1, old.int16(OldState), old.int16(OldSlipNo), 0};
            checkDate(kVisits, n, QStringLiteral("Due"), old.real(OldDue), false);
            checkDate(kVisits, n, QStringLiteral("Day"), old.real(OldDay), true);
            if (const auto a = m_agreements.constFind(v.id); a != m_agreements.cend())
                v.period = Agreements::periodOf(*a, OleDate::toDate(old.real(OldDue)));
        }
        return v;
    }

    void checkVisits(const std::vector<Record> &visits)
    {
        const QHash<int, double> stored = slipNumbers();
        // The visit each slip was made for, and the slip each visit holds now (0 when skipped or to make again).
        QHash<int, std::pair<quint64, int>> visitOfSlip;
        QHash<quint64, std::pair<int, int>> slipOfVisit; // slip, record
        std::vector<Read> read;
        for (std::size_t i = 0; i < visits.size(); ++i)
            read.push_back(this->read(visits[i], int(i) + 1));
        const auto keyOf = [](const Read &v) { return (quint64(quint32(v.id)) << 32) | quint32(v.period); };
        QHash<quint64, std::size_t> latest; // the record that tells each visit's state
        for (std::size_t i = 0; i < read.size(); ++i)
            latest.insert(keyOf(read[i]), i);
        for (std::size_t i = 0; i < read.size(); ++i) {
            const Read &r = read[i];
            const int n = int(i) + 1;
            const auto agreement = m_agreements.constFind(r.id);
            if (!m_ids.contains(r.id))
                report(kVisits, n, QStringLiteral("agreement %1 is not in %2").arg(r.id).arg(kAgreements));
            else if (r.period < 0)
                report(kVisits, n, QStringLiteral("Period %1 is no visit of agreement %2").arg(r.period).arg(r.id));
            if (r.state < 0 || r.state > 2)
                report(kVisits, n, QStringLiteral("State %1 is not 0, 1 or 2; it is read as made (0)").arg(r.state));
            const quint64 visit = keyOf(r);
            const QDate due =
                agreement == m_agreements.cend() ? QDate() : Agreements::dueOfPeriod(*agreement, r.period);
            const QString which =
                due.isValid()
                    ? QStringLiteral("the visit of agreement %1 due %2").arg(r.id).arg(Formats::shortDate(due))
                    : QStringLiteral("visit %1 of agreement %2").arg(r.period + 1).arg(r.id);
            if (r.state == 1 || r.state == 2) {
                // Its slip was deleted: the number is free for another slip.
                if (const auto held = slipOfVisit.constFind(visit); held != slipOfVisit.constEnd())
                    visitOfSlip.remove(held->first);
                slipOfVisit.remove(visit);
                continue;
            }
            if (latest.value(visit) == i) {
                const auto slip = stored.constFind(r.slip);
                if (slip == stored.cend())
                    report(kVisits, n,
                           QStringLiteral("slip %1 of %2 is in no slip file (deleted); the visit counts as made")
                               .arg(r.slip)
                               .arg(which));
                else if (r.received != 0 && *slip != r.received)
                    report(kVisits, n,
                           QStringLiteral("slip %1 is not the slip %2 made (another slip took its number); the "
                                          "visit counts as made and the slip is not its visit")
                               .arg(r.slip)
                               .arg(which));
            }
            if (const auto earlier = slipOfVisit.constFind(visit);
                earlier != slipOfVisit.constEnd() && earlier->first != r.slip)
                report(kVisits, n,
                       QStringLiteral("%1 was made twice: slip %2 (record %3) and slip %4")
                           .arg(which)
                           .arg(earlier->first)
                           .arg(earlier->second)
                           .arg(r.slip));
            slipOfVisit.insert(visit, {r.slip, n});
            if (const auto other = visitOfSlip.constFind(r.slip);
                other != visitOfSlip.constEnd() && other->first != visit)
                report(kVisits, n,
                       QStringLiteral("slip %1 is also the slip of another visit (record %2)")
                           .arg(r.slip)
                           .arg(other->second));
            visitOfSlip.insert(r.slip, {visit, n});
        }
    }

    // The records of a file as they are (nothing is restored from /Backup).
    std::vector<Record> plain(const QString &relative, const RecordLayout &layout) const
    {
        const QByteArray bytes = m_folder.readAll(relative);
        std::vector<Record> out;
        for (int i = 0; i < DataFolder::recordCountForSize(bytes.size(), layout.length()); ++i)
            out.emplace_back(layout, bytes.mid(qsizetype(i) * layout.length(), layout.length()));
        return out;
    }

    // The slips of the three files: number -> moment received.
    QHash<int, double> slipNumbers() const
    {
        QHash<int, double> stored;
        for (const QString &file : {SlipFiles::kActive, SlipFiles::kCompleted, SlipFiles::kFinalized}) {
            for (const Record &r : plain(file, serviceSlipLayout())) {
                const int n = r.int16(SlipField::SlipNo);
                if (n > 0)
                    stored.insert(n, r.real(SlipField::DateReceived));
            }
        }
        return stored;
    }

    const QSet<QString> &accounts()
    {
        if (!m_accountsRead) {
            for (const Record &r : plain(CustomerFile::kPath, customerLayout()))
                m_accounts.insert(r.text(CustomerField::AcctNo));
            m_accountsRead = true;
        }
        return m_accounts;
    }
    const QStringList &technicians()
    {
        if (m_technicians.isEmpty()) {
            m_technicians << QString();
            for (const Record &r : plain(AssignmentFile::kPath, assignmentLayout()))
                m_technicians << r.text(AssignmentField::Name);
        }
        return m_technicians;
    }
    const QStringList &services()
    {
        if (m_services.isEmpty()) {
            m_services << QString();
            for (const Record &r : plain(ServiceCatalogue::kPath, serviceLayout()))
                m_services << r.text(ServiceField::Description);
        }
        return m_services;
    }

    const DataFolder &m_folder;
    std::vector<CheckFinding> &m_findings;
    QHash<qint32, int> m_ids; // agreement -> record
    QHash<qint32, Agreement> m_agreements;
    QSet<QString> m_accounts;
    bool m_accountsRead = false;
    QStringList m_technicians;
    QStringList m_services;
};

} // namespace

void checkAgreements(const DataFolder &folder, std::vector<CheckFinding> &findings)
{
    AgreementChecker(folder, findings).run();
}
