#include "dispatch/agreementview.h"

#include "accounts/customerfile.h"
#include "accounts/customerrecord.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "core/recordblocks.h"
#include "dispatch/booking.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"

namespace AgreementView {

QString monthName(int month)
{
    static const char *const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    return month >= 1 && month <= 12 ? QString::fromLatin1(kMonths[month - 1]) : QString();
}

QString slipTextLength(const Agreement &agreement)
{
    return QStringLiteral("%1 of %2 characters").arg(Agreements::slipText(agreement).size()).arg(kSlipTextLimit);
}

QHash<QString, QString> customerNames(const DataFolder &folder)
{
    QHash<QString, QString> names;
    const qsizetype length = customerLayout().length();
    forEachRecordOf(folder, CustomerFile::kPath, customerLayout(), [&](const char *bytes, int) {
        const Record customer(customerLayout(), QByteArray::fromRawData(bytes, length));
        names.insert(customer.text(CustomerField::AcctNo).trimmed(), displayName(customer));
    });
    return names;
}

std::vector<Line> lines(const std::vector<Agreement> &agreements, const QHash<QString, QString> &names,
                        const QDate &today, WorkWeek week)
{
    std::vector<Line> out;
    out.reserve(agreements.size());
    for (const Agreement &a : agreements)
        out.push_back({a, names.value(a.acctNo.trimmed()), Agreements::nextVisit(a, today, week),
                       Formats::roundToCents(Agreements::yearlyValue(a, today))});
    return out;
}

Money yearlyTotal(const std::vector<Line> &lines)
{
    Money total;
    for (const Line &line : lines)
        total += line.yearly;
    return total;
}

std::vector<Week> comingWeeks(const DataFolder &folder, const std::vector<Line> &lines, const QDate &today, int weeks,
                              WorkWeek week)
{
    QHash<qint32, const Line *> byId;
    std::vector<Agreement> agreements;
    agreements.reserve(lines.size());
    for (const Line &line : lines) {
        byId.insert(line.agreement.id, &line);
        agreements.push_back(line.agreement);
    }
    // A visit made already shows its slip's own time and technician: the run may have moved it.
    QHash<qint16, std::pair<QString, QString>> made;
    for (const Record &slip : folder.readRecords(SlipFiles::kActive, serviceSlipLayout()))
        made.insert(slip.int16(SlipField::SlipNo),
                    {slip.text(SlipField::SchedTime).trimmed(), slip.text(SlipField::AssignedTo).trimmed()});
    std::vector<Week> out;
    for (const Agreements::WeekOfVisits &w : Agreements::comingWeeks(folder, agreements, today, weeks, week)) {
        Week shown{w.monday, {}, Money()};
        for (const Agreements::PlannedVisit &v : w.visits) {
            const Line *line = byId.value(v.agreementId);
            if (!line)
                continue;
            const Agreement &a = line->agreement;
            const Money price = Formats::roundToCents(a.price);
            Visit visit{v.day,        a.id,   a.acctNo, line->customer,      a.services.join(QStringLiteral(", ")),
                        a.technician, a.slot, price,    v.slipNo.value_or(0)};
            if (const auto slip = made.constFind(visit.slip); visit.slip && slip != made.cend())
                std::tie(visit.slot, visit.technician) = *slip;
            shown.visits.push_back(std::move(visit));
            shown.total += price;
        }
        // By day, then by the time of day (a slot's first hour; "None" last), then agreement.
        const auto hour = [](const QString &slot) {
            const auto hours = slotHours(slot);
            return hours ? hours->start : 99;
        };
        std::stable_sort(shown.visits.begin(), shown.visits.end(), [&](const Visit &a, const Visit &b) {
            if (a.day != b.day)
                return a.day < b.day;
            return hour(a.slot) != hour(b.slot) ? hour(a.slot) < hour(b.slot) : a.agreement < b.agreement;
        });
        if (!shown.visits.empty())
            out.push_back(std::move(shown));
    }
    return out;
}

QHash<qint16, qint32> agreementSlips(const DataFolder &folder)
{
    return Agreements::slipsOfAgreements(folder);
}

QString slipOrigin(qint32 agreement, const QStringList &services)
{
    return QStringLiteral("From agreement %1: %2").arg(agreement).arg(services.join(QStringLiteral(", ")));
}

QString deletedVisitsQuestion(const std::vector<std::pair<qint16, qint32>> &slips)
{
    constexpr std::size_t kShown = 15;
    QStringList lines;
    for (std::size_t i = 0; i < slips.size() && i < kShown; ++i)
        lines << QStringLiteral("Slip %1 (agreement %2)").arg(slips[i].first).arg(slips[i].second);
    if (slips.size() > kShown)
        lines << QStringLiteral("... and %1 more slips").arg(slips.size() - kShown);
    if (slips.size() == 1)
        return QStringLiteral("This slip is a visit of a maintenance agreement:\r\n") + lines.join(QString()) +
               QStringLiteral("\r\n\r\nClick YES to skip this visit (it is not made again),\r\nNO to make it again "
                              "at the next run of the agreement visits");
    return QStringLiteral("These slips are visits of maintenance agreements:\r\n") +
           lines.join(QStringLiteral("\r\n")) +
           QStringLiteral("\r\n\r\nClick YES to skip these visits (they are not made again),\r\nNO to make them "
                          "again at the next run of the agreement visits");
}

namespace {

QStringList numbersOfText(const std::vector<std::pair<qint16, qint32>> &slips)
{
    QStringList out;
    for (const auto &slip : slips)
        out << QString::number(slip.first);
    return out;
}

std::vector<qint16> numbersOf(const std::vector<std::pair<qint16, qint32>> &slips)
{
    std::vector<qint16> out;
    out.reserve(slips.size());
    for (const auto &slip : slips)
        out.push_back(slip.first);
    return out;
}

} // namespace

QString beginDeletedVisits(const DataFolder &folder, const std::vector<std::pair<qint16, qint32>> &slips,
                           bool makeAgain)
{
    if (slips.empty())
        return {};
    try {
        Agreements::beginSlipDeletion(folder, numbersOf(slips), makeAgain);
    } catch (const DiskError &e) {
        return e.message() + QStringLiteral("\r\nNo slip was deleted.");
    }
    return {};
}

QString noteDeletedVisits(const DataFolder &folder, const std::vector<std::pair<qint16, qint32>> &slips)
{
    if (slips.empty())
        return {};
    try {
        Agreements::finishSlipDeletion(folder);
    } catch (const DiskError &e) {
        return e.message() + QStringLiteral("\r\nThe agreements could not yet note that slip(s) %1 were deleted: "
                                            "they note it before the next run of the agreement visits.")
                                 .arg(numbersOfText(slips).join(QStringLiteral(", ")));
    }
    return {};
}

} // namespace AgreementView
