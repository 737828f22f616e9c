#include "printing/documentsource.h"

#include "core/datafolder.h"
#include "core/formats.h"
#include "core/oledate.h"
#include "core/settings.h"
#include "core/setuplogic.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipvalues.h"

namespace DocumentSource {

DocumentInputs inputs(const DataFolder &folder, const Settings &settings, bool usaAddressStyle, const QDate &today)
{
    DocumentInputs in;
    const Settings::Business &b = settings.business;
    in.business = {b[BusinessField::Name],      b[BusinessField::Address1], b[BusinessField::Address2],
                   b[BusinessField::City],      b[BusinessField::State],    b[BusinessField::PostalCode],
                   b[BusinessField::Telephone], b[BusinessField::Aux1],     b[BusinessField::Aux2]};
    PrintSettings &p = in.settings;
    p.borderColour = settings.borderColour;
    p.textColour = settings.textColour;
    p.fontName = settings.fontName;
    p.printInColour = settings.printInColour;
    p.copies = settings.copies;
    p.invoiceCopies = settings.invoiceCopies;
    p.populate = settings.populateInvoices;
    p.plainPaper = settings.plainPaper;
    p.usaAddressStyle = usaAddressStyle;
    p.logoPath = SetupLogic::resolveLogoPath(folder, settings.logoPath);
    p.logoWidth = settings.logoWidth;
    p.logoHeight = settings.logoHeight;
    p.taxHeading1 = settings.taxHeading1;
    p.taxHeading2 = settings.taxHeading2;
    p.applyTax1 = settings.applyTax1;
    p.applyTax2 = settings.applyTax2;
    in.currentItems = SetupLogic::itemNames(folder, QStringLiteral("/CurrentItems.txt"));
    in.today = today;
    return in;
}

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
