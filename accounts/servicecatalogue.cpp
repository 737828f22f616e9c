#include "accounts/servicecatalogue.h"

#include "accounts/servicerecord.h"
#include "core/datafolder.h"
#include "core/formats.h"

namespace ServiceCatalogue {

const QStringList &timeList()
{
    static const QStringList list = [] {
        QStringList times{QStringLiteral("0.15")};
        for (int k = 1; k <= 32; ++k)
            times.append(QStringLiteral("%1:%2").arg(k / 4).arg(15 * (k % 4), 2, 10, QLatin1Char('0')));
        return times;
    }();
    return list;
}

int usableTimeIndex(int index)
{
    return index >= 1 && index < timeList().size() ? index : 1;
}

} // namespace ServiceCatalogue

std::vector<CatalogueRow> LoadCatalogue(const DataFolder &folder)
{
    using namespace ServiceField;
    std::vector<CatalogueRow> rows;
    for (const Record &r : folder.readRecords(ServiceCatalogue::kPath, serviceLayout())) {
        rows.push_back({r.text(Description), r.text(Charge),
                        ServiceCatalogue::timeList().at(ServiceCatalogue::usableTimeIndex(r.int16(TimeIndex)))});
    }
    return rows;
}

std::optional<QString> SaveCatalogue(const DataFolder &folder, const std::vector<CatalogueRow> &rows)
{
    using namespace ServiceField;
    if (int(rows.size()) > ServiceCatalogue::kMaxServices) {
        return QStringLiteral("The Services list can hold %1 services; it now has %2.\r\n"
                              "Delete %3 of them, then save again. Nothing was saved.")
            .arg(ServiceCatalogue::kMaxServices)
            .arg(rows.size())
            .arg(rows.size() - ServiceCatalogue::kMaxServices);
    }
    std::vector<Record> records;
    if (!rows.empty() && !rows.front().description.trimmed().isEmpty()) {
        records.reserve(rows.size());
        for (const CatalogueRow &row : rows) {
            Record r(serviceLayout());
            r.setText(Description, row.description);
            r.setText(Charge, row.charge);
            r.setInt16(TimeIndex, qint16(std::max<qsizetype>(0, ServiceCatalogue::timeList().indexOf(row.time))));
            records.push_back(std::move(r));
        }
    }
    folder.replaceRecords(ServiceCatalogue::kPath, records);
    return std::nullopt;
}

std::optional<QString> addServiceRefusal(int count)
{
    if (count < ServiceCatalogue::kMaxServices)
        return std::nullopt;
    return QStringLiteral("The catalogue holds at most %1 services.").arg(ServiceCatalogue::kMaxServices);
}

std::optional<QString> chargeText(const QString &typed)
{
    const auto amount = Formats::parseCurrency(typed);
    if (!amount)
        return std::nullopt;
    return Formats::currency(*amount);
}

QStringList servicesPickList(const std::vector<CatalogueRow> &rows)
{
    QStringList list;
    list.reserve(qsizetype(rows.size()));
    for (const CatalogueRow &row : rows)
        list.append(row.description.trimmed());
    return list;
}
