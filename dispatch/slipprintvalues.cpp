#include "dispatch/slipprintvalues.h"

#include "core/formats.h"
#include "core/oledate.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipmedia.h"
#include "dispatch/slipvalues.h"

namespace DocumentSource {

SlipPrintValues slipValues(const Record &slip)
{
    using namespace SlipField;
    SlipPrintValues v;
    v.slipNo = QString::number(slip.int16(SlipNo));
    v.dateReceived = Formats::shortDate(OleDate::toDate(slip.real(DateReceived)));
    QString *texts[] = {&v.status,         &v.acctNo,          &v.name,         &v.address1,   &v.address2,
                        &v.city,           &v.state,           &v.postalCode,   &v.telephone,  &v.cell,
                        &v.siteName,       &v.siteAddress1,    &v.siteAddress2, &v.siteCity,   &v.siteState,
                        &v.sitePostalCode, &v.siteTelephone,   &v.siteCell,     &v.assignedTo, &v.schedDate,
                        &v.schedTime,      &v.serviceRequired, &v.invoiceNo,    &v.priority,   &v.payForm,
                        &v.amount};
    for (int field = Status; field <= Amount; ++field)
        *texts[field - Status] = slip.text(field);
    return v;
}

void addMedia(const DataFolder &folder, SlipPrintValues &values)
{
    bool numbered = false;
    const int slipNo = values.slipNo.toInt(&numbered);
    values.media = {};
    if (!numbered)
        return;
    int n = 0;
    for (const SlipMedia::Photo &photo : SlipMedia::photos(folder, values.acctNo, qint16(slipNo))) {
        const QString caption =
            QStringLiteral("Photo %1, %2 %3")
                .arg(++n)
                .arg(Formats::shortDate(photo.received.date()), photo.received.toString(QStringLiteral("HH:mm")));
        values.media.photos.push_back(
            {photo.path, photo.technician.isEmpty() ? caption : caption + QStringLiteral(", ") + photo.technician});
    }
    if (const auto signature = SlipMedia::signature(folder, values.acctNo, qint16(slipNo))) {
        values.media.signaturePath = signature->path;
        values.media.signedText = signature->signedText();
    }
}

SlipReportRow reportRow(const Record &slip)
{
    using namespace SlipField;
    SlipReportRow row;
    row.slipNo = QString::number(slip.int16(SlipNo));
    row.priority = slip.text(Priority);
    row.assignedTo = slip.text(AssignedTo).isEmpty() ? SlipValues::kNotAssigned : slip.text(AssignedTo);
    row.status = slip.text(Status);
    row.customer = slip.text(SiteName);
    row.dateReceived = Formats::shortDate(OleDate::toDate(slip.real(DateReceived)));
    const QString date = slip.text(SchedDate);
    row.scheduled = date == SlipValues::kNoDate ? QStringLiteral("Date/Time not Selected")
                                                : date + QLatin1Char(' ') + slip.text(SchedTime);
    return row;
}

} // namespace DocumentSource
