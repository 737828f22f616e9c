#pragma once

#include <QString>
#include <vector>

class DataFolder;
class Record;

// What a technician's phone added to a slip, as the documents print it.
struct SlipPrintMedia
{
    struct Photo
    {
        QString path;
        QString caption; // "Photo 2, 12/8/2026 10:42, Al"
    };
    std::vector<Photo> photos; // in the order taken
    QString signaturePath;     // the signature's picture; empty when the customer has not signed
    QString signedText;        // "Signed by M. Chavez 12/8/2026 10:42"

    bool empty() const { return photos.empty() && signaturePath.isEmpty(); }
};

// One service slip, its fields as texts, trimmed, in the order of the slip record.
struct SlipPrintValues
{
    QString slipNo;
    QString dateReceived; // short date
    QString status;
    QString acctNo;
    QString name;
    QString address1;
    QString address2;
    QString city; // or address line 3
    QString state;
    QString postalCode; // or address line 4
    QString telephone;
    QString cell;
    QString siteName;
    QString siteAddress1;
    QString siteAddress2;
    QString siteCity;
    QString siteState;
    QString sitePostalCode;
    QString siteTelephone;
    QString siteCell;
    QString assignedTo;
    QString schedDate;       // "0" when no date is set
    QString schedTime;       // "None" when no time is set
    QString serviceRequired; // the slip contents; may hold line breaks
    QString invoiceNo;
    QString priority;
    QString payForm;
    QString amount;
    SlipPrintMedia media; // filled by DocumentSource::addMedia
};

// The lines of a name and address block: the customer a document is sold to, an invoice's billing address or
// its service location.
struct SoldTo
{
    QString name;
    QString address1;
    QString address2;
    QString city; // or address line 3
    QString state;
    QString postalCode; // or address line 4
};

// One row of the dispatch board's grid as the slip report prints it.
struct SlipReportRow
{
    QString slipNo;
    QString priority;
    QString assignedTo;
    QString status;
    QString customer;
    QString dateReceived;
    QString scheduled; // the date and time column
};

// A slip record as the documents print it. The board, the slip report and the data tool print through these.
namespace DocumentSource {

// A slip record's fields as the documents print them: trimmed texts, the date received as a short date.
SlipPrintValues slipValues(const Record &slip);
// The slip's photos and signature as they are kept now, by its account and number.
void addMedia(const DataFolder &folder, SlipPrintValues &values);

// A slip as the board's grid shows it, for the slip report.
SlipReportRow reportRow(const Record &slip);

} // namespace DocumentSource
