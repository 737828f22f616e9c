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
        if (agreements.empty() && visits.empty())
            return;
        for (std::size_t i = 0; i < agreements.size(); ++i)
            checkAgreement(int(i) + 1, agreements[i]);
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
        else
            m_ids.insert(a.id, n);
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

    void checkVisits(const std::vector<Record> &visits)
    {
        const std::vector<bool> stored = slipNumbers();
        const int counter = slipCounter();
        // The visit each slip was made for, and the slip each visit holds now (0 when skipped or to make again).
        QHash<int, std::pair<quint64, int>> visitOfSlip;
        QHash<quint64, std::pair<int, int>> slipOfVisit; // slip, record
        const auto keyOf = [](const Record &r) {
            return (quint64(quint32(r.int32(VisitField::AgreementId))) << 32) |
                   quint32(OleDate::toDate(r.real(VisitField::Due)).toJulianDay());
        };
        QHash<quint64, std::size_t> latest; // the record that tells each visit's state
        for (std::size_t i = 0; i < visits.size(); ++i)
            latest.insert(keyOf(visits[i]), i);
        for (std::size_t i = 0; i < visits.size(); ++i) {
            using namespace VisitField;
            const Record &r = visits[i];
            const int n = int(i) + 1;
            const qint32 id = r.int32(AgreementId);
            if (!m_ids.contains(id))
                report(kVisits, n, QStringLiteral("agreement %1 is not in %2").arg(id).arg(kAgreements));
            checkDate(kVisits, n, QStringLiteral("Due"), r.real(Due), false);
            checkDate(kVisits, n, QStringLiteral("Day"), r.real(Day), true);
            const int state = r.int16(State);
            if (state < 0 || state > 2)
                report(kVisits, n, QStringLiteral("State %1 is not 0, 1 or 2; it is read as made (0)").arg(state));
            const int slip = r.int16(SlipNo);
            const quint64 visit = keyOf(r);
            const QString which = QStringLiteral("the visit of agreement %1 due %2")
                                      .arg(id)
                                      .arg(Formats::shortDate(OleDate::toDate(r.real(Due))));
            if (state == 1 || state == 2) {
                slipOfVisit.remove(visit);
                continue;
            }
            if (latest.value(visit) == i && (slip <= 0 || !stored[std::size_t(slip)])) {
                report(kVisits, n,
                       slip >= counter ? QStringLiteral("slip %1 of %2 was never stored (a run was cut off); the "
                                                        "program drops this visit at its next start and makes it "
                                                        "again")
                                             .arg(slip)
                                             .arg(which)
                                       : QStringLiteral("slip %1 of %2 is in no slip file (deleted); the visit "
                                                        "counts as made")
                                             .arg(slip)
                                             .arg(which));
            }
            if (const auto earlier = slipOfVisit.constFind(visit);
                earlier != slipOfVisit.constEnd() && earlier->first != slip)
                report(kVisits, n,
                       QStringLiteral("%1 was made twice: slip %2 (record %3) and slip %4")
                           .arg(which)
                           .arg(earlier->first)
                           .arg(earlier->second)
                           .arg(slip));
            slipOfVisit.insert(visit, {slip, n});
            if (const auto other = visitOfSlip.constFind(slip);
                other != visitOfSlip.constEnd() && other->first != visit)
                report(kVisits, n,
                       QStringLiteral("slip %1 is also the slip of another visit (record %2)")
                           .arg(slip)
                           .arg(other->second));
            visitOfSlip.insert(slip, {visit, n});
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

    std::vector<bool> slipNumbers() const
    {
        std::vector<bool> stored(std::size_t(SlipCounter::kLast) + 1, false);
        for (const QString &file : {SlipFiles::kActive, SlipFiles::kCompleted, SlipFiles::kFinalized}) {
            for (const Record &r : plain(file, serviceSlipLayout())) {
                const int n = r.int16(SlipField::SlipNo);
                if (n > 0)
                    stored[std::size_t(n)] = true;
            }
        }
        return stored;
    }

    // The counter as the program holds it once it has started: past every slip in use.
    int slipCounter() const
    {
        const auto stored = SlipCounter::parse(m_folder.readAll(SlipCounter::kFile));
        return std::max<int>(stored.value_or(SlipCounter::kDefault), highestSlipNumber(m_folder) + 1);
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
