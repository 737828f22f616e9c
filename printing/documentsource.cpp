#include "printing/documentsource.h"

#include "core/datafolder.h"
#include "core/settings.h"
#include "core/setuplogic.h"

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

} // namespace DocumentSource
