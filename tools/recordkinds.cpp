#include "tools/recordkinds.h"

#include "accounts/assignmentrecord.h"
#include "accounts/customerrecord.h"
#include "accounts/servicerecord.h"
#include "billing/accounthistoryrecord.h"
#include "billing/postingrecords.h"
#include "core/itemrecord.h"
#include "dispatch/agreementrecord.h"
#include "dispatch/servicesliprecord.h"

#include <QDir>
#include <QFileInfo>

namespace RecordKinds {

const std::vector<RecordKind> &all()
{
    static const std::vector<RecordKind> kinds = {
        {QStringLiteral("slip"), &serviceSlipLayout(),
         QStringLiteral("ServiceSlips.txt, CompletedServiceSlips.txt, FinalizedServiceSlips.txt")},
        {QStringLiteral("customer"), &customerLayout(), QStringLiteral("CustomerData.txt")},
        {QStringLiteral("assignment"), &assignmentLayout(), QStringLiteral("AssignmentData.txt")},
        {QStringLiteral("service"), &serviceLayout(), QStringLiteral("Services.txt")},
        {QStringLiteral("accounthistory"), &accountHistoryLayout(),
         QStringLiteral("CAHistory.txt, CAPaymentRecords.txt, VIActiveAccounts/*.txt")},
        {QStringLiteral("servicehistory"), &serviceHistoryLayout(), QStringLiteral("ServiceHistory.txt")},
        {QStringLiteral("tax"), &taxLayout(), QStringLiteral("TaxRecords.txt")},
        {QStringLiteral("journal"), &journalLayout(), QStringLiteral("InvoiceSalesJournal.txt")},
        {QStringLiteral("item"), &itemLayout(), QStringLiteral("VIInventoriedItems.txt, CurrentItems.txt")},
        {QStringLiteral("agreement"), &agreementLayout(), QStringLiteral("Agreements.dat")},
        {QStringLiteral("agreementvisit"), &agreementVisitLayout(), QStringLiteral("AgreementVisits.dat")},
    };
    return kinds;
}

const RecordKind *byName(const QString &name)
{
    for (const RecordKind &kind : all()) {
        if (kind.name.compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return &kind;
    }
    return nullptr;
}

const RecordKind *forFile(const QString &filePath)
{
    const QFileInfo info(QString(filePath).replace(QLatin1Char('\\'), QLatin1Char('/')));
    const QString name = info.fileName().toLower();
    static const std::vector<std::pair<QString, QString>> byFileName = {
        {QStringLiteral("serviceslips.txt"), QStringLiteral("slip")},
        {QStringLiteral("completedserviceslips.txt"), QStringLiteral("slip")},
        {QStringLiteral("finalizedserviceslips.txt"), QStringLiteral("slip")},
        {QStringLiteral("customerdata.txt"), QStringLiteral("customer")},
        {QStringLiteral("assignmentdata.txt"), QStringLiteral("assignment")},
        {QStringLiteral("services.txt"), QStringLiteral("service")},
        {QStringLiteral("cahistory.txt"), QStringLiteral("accounthistory")},
        {QStringLiteral("capaymentrecords.txt"), QStringLiteral("accounthistory")},
        {QStringLiteral("servicehistory.txt"), QStringLiteral("servicehistory")},
        {QStringLiteral("taxrecords.txt"), QStringLiteral("tax")},
        {QStringLiteral("invoicesalesjournal.txt"), QStringLiteral("journal")},
        {QStringLiteral("viinventorieditems.txt"), QStringLiteral("item")},
        {QStringLiteral("currentitems.txt"), QStringLiteral("item")},
        {QStringLiteral("agreements.dat"), QStringLiteral("agreement")},
        {QStringLiteral("agreementvisits.dat"), QStringLiteral("agreementvisit")},
    };
    for (const auto &[file, kind] : byFileName) {
        if (name == file)
            return byName(kind);
    }
    // The per-account balance files, and their copies under Backup/VIActiveAccounts.
    if (name.endsWith(QLatin1String(".txt")) &&
        info.absoluteDir().dirName().compare(QLatin1String("VIActiveAccounts"), Qt::CaseInsensitive) == 0)
        return byName(QStringLiteral("accounthistory"));
    return nullptr;
}

QString nameList()
{
    QStringList names;
    for (const RecordKind &kind : all())
        names << kind.name;
    return names.join(QLatin1String(", "));
}

} // namespace RecordKinds
