#include "printing/serviceorderlayout.h"

#include "printing/moneytable.h"

#include <algorithm>
#include <iterator>
#include <memory>

namespace {

constexpr int kItemsPerColumn = 4;
constexpr int kItemColumns = 2; // more items would print over the totals below them
constexpr double kItemsTop = 7660.8;
constexpr double kContentsTop = 3672;
constexpr double kContentsHeight = 1440;
// The slip contents stand one to a ruled line, in the problem column left of its rule at 5040.
constexpr double kContentsPitch = 360;
constexpr double kContentsWidth = 5040 - 864 - 52;
constexpr double kPreTaxX = inches(5.0);
constexpr double kSignatureRight = inches(7.75); // where the signature and its line end on the tear-off

bool dateSet(const QString &date)
{
    return !date.isEmpty() && date != QLatin1String("0");
}
bool timeSet(const QString &time)
{
    return !time.isEmpty() && time != QLatin1String("None");
}

// The ruled work area. Band one holds the problem reported, the service rendered and its charge (dollars and
// cents), with the additional services below; band two the notes under the item totals. The rule under the
// "Additional Services Performed" label starts at the middle column, so that the label stays clear.
void printWorkArea(PrintSurface &surface)
{
    surface.setPenWidth(1);
    const PrintColour colour = surface.lineColour();
    for (int k = 0; k <= 8; ++k) {
        const double y = 3960 + 360 * k;
        surface.drawLine(y == 5760 ? 5040 : 1008, y, 10800, y, colour);
    }
    for (const double x : {5040.0, 9000.0, 9072.0, 10008.0})
        surface.drawLine(x, 3960, x, 6840, colour);
    for (int k = 0; k <= 3; ++k) {
        const double y = 9360 + 360 * k;
        // The second rule runs under the pre-tax total; it stops short of it.
        surface.drawLine(1008, y, k == 1 ? kPreTaxX - 72 : 10800, y, colour);
    }
    for (const double x : {1296.0, 3240.0})
        surface.drawLine(x, 9360, x, 10440, colour);
}

void printAt(PrintSurface &surface, double x, double y, const QString &text)
{
    surface.SetPrintPosition(x, y);
    surface.print(text);
}

// Where the work is, when that is not the billing address printed beside it, with the telephone there: the
// technician takes this paper to the job.
void printServiceLocation(PrintSurface &surface, const SlipPrintValues &slip)
{
    const QString site[] = {slip.siteName, slip.siteAddress1, slip.siteAddress2,
                            slip.siteCity, slip.siteState,    slip.sitePostalCode};
    const QString billing[] = {slip.name, slip.address1, slip.address2, slip.city, slip.state, slip.postalCode};
    if (std::equal(std::begin(site), std::end(site), std::begin(billing)) || slip.siteName.isEmpty())
        return;
    constexpr double kLeft = 2.9;
    constexpr double kWidth = inches(4.9 - kLeft);
    surface.SetPrintFont(9, true, false);
    printAt(surface, kLeft, 1.15, QStringLiteral("Service Location"));
    surface.SetPrintFont(9, false, false);
    const QString place = QStringList{slip.siteCity, slip.siteState, slip.sitePostalCode}.join(QLatin1Char(' '));
    for (const QString &line :
         {slip.siteName, slip.siteAddress1, slip.siteAddress2, place.simplified(),
          slip.siteTelephone.isEmpty() ? QString() : QStringLiteral("Tel. ") + slip.siteTelephone}) {
        if (!line.isEmpty())
            printAt(surface, kLeft, 0, fitText(surface, line, kWidth));
    }
}

// The customer's signature right of its label, on a rule, with the "Signed by" line under the rule.
void printSignature(PrintSurface &surface, const SlipPrintMedia &media, double lineY)
{
    const double left = inches(5.0) + surface.textWidth(QStringLiteral("Signature ")) + 72;
    const double height = 576;
    surface.drawPictureFitted(media.signaturePath, left, lineY, kSignatureRight - left, height);
    surface.drawLine(left, lineY + height + 18, kSignatureRight, lineY + height + 18, surface.lineColour());
    const PrintFont font = surface.font();
    surface.SetPrintFont(9, false, false);
    surface.setCurrentX(inches(5.0));
    surface.setCurrentY(lineY + height + 54);
    surface.print(fitSignedLine(surface, media.signedText, kSignatureRight - inches(5.0)));
    surface.setFont(font);
}

} // namespace

void printServiceOrderPhotos(PrintSurface &surface, const SlipPrintValues &slip)
{
    constexpr int kColumns = 2;
    constexpr int kRows = 5;
    constexpr double kLeft = 720;
    constexpr double kGap = 288;
    constexpr double kTop = inches(1.3);
    constexpr double kCellWidth = (inches(8.0) - kLeft - kGap) / kColumns;
    constexpr double kCaption = 300;
    const std::vector<SlipPrintMedia::Photo> &photos = slip.media.photos;
    // Up to four photos print twice as tall.
    const double kCellHeight = (inches(10.5) - kTop) / (photos.size() <= 4 ? 2 : kRows);
    for (std::size_t i = 0; i < photos.size(); ++i) {
        const int onPage = int(i % (kColumns * kRows));
        if (onPage == 0) {
            if (i > 0)
                surface.newPage();
            surface.SetPrintColour(true);
            surface.SetPrintFont(14, true, false);
            surface.setCurrentY(inches(0.5));
            printCentred(surface, QStringLiteral("Photos of Service Order #") + slip.slipNo);
            surface.SetPrintFont(10, false, false);
            surface.setInk(PrintColours::kBlack);
            printCentred(surface,
                         fitText(surface, QStringList{slip.siteName, slip.siteAddress1}.join(QStringLiteral(", ")),
                                 inches(7.0)));
        }
        const double x = kLeft + (onPage % kColumns) * (kCellWidth + kGap);
        const double y = kTop + (onPage / kColumns) * kCellHeight;
        const QRectF place = surface.drawPictureFitted(photos[i].path, x, y, kCellWidth, kCellHeight - kCaption);
        surface.SetPrintFont(9, false, false);
        surface.setCurrentX(place.isEmpty() ? x : place.left());
        surface.setCurrentY(y + kCellHeight - kCaption);
        surface.print(fitText(surface,
                              place.isEmpty() ? photos[i].caption + QStringLiteral(" (the picture cannot be read)")
                                              : photos[i].caption,
                              kCellWidth));
    }
}

void printServiceOrderPage(PrintSurface &surface, const DocumentInputs &inputs, const DataFolder &folder,
                           const SlipPrintValues &slip)
{
    const PrintSettings &settings = inputs.settings;
    startDocument(surface, settings, QStringLiteral("Portrait"), settings.printInColour);
    surface.endLine();
    const LogoPlace logo = printLogo(surface, settings);

    // Heading: centred, or above the heading column when the logo holds the middle.
    surface.SetPrintColour(true);
    surface.SetPrintFont(14, true, true);
    const QString title = QStringLiteral("Service Order/Summary");
    const double centredLeft = (surface.pageWidth() - surface.textWidth(title)) / 2;
    if (logo.printed && centredLeft < surface.pageWidth() - logo.left) {
        surface.SetPrintPosition(5.0, 0);
        surface.print(title);
    } else {
        printCentred(surface, title);
    }
    surface.SetPrintFont(10, false, false);
    printAt(surface, 5.0, 0, QStringLiteral("Service Order #") + slip.slipNo);
    printAt(surface, 5.0, 0,
            dateSet(slip.schedDate) ? QStringLiteral("Scheduled Date ") + slip.schedDate
                                    : QStringLiteral("Scheduled Date     _________________"));
    printAt(surface, 5.0, 0,
            timeSet(slip.schedTime) ? QStringLiteral("Scheduled Time ") + slip.schedTime
                                    : QStringLiteral("Scheduled Time     _________________"));
    if (!slip.assignedTo.isEmpty())
        printAt(surface, 5.0, 0, QStringLiteral("Technician ") + slip.assignedTo);

    // Time boxes
    surface.SetPrintPosition(5.0, 1.1);
    bool first = true;
    for (const char *label : {"Actual Start Time:", "Completion Time:", "Total Repair Time:"}) {
        if (!first)
            surface.setCurrentY(surface.currentY() + 115.2);
        first = false;
        surface.SetPrintPosition(5.0, 0);
        surface.printOnLine(QString::fromLatin1(label));
        surface.SetPrintPosition(6.5, 0);
        surface.print(QStringLiteral("______:______"));
    }
    surface.endLine();

    PrintSoldTo(surface, soldToOf(slip), settings.usaAddressStyle, 0.5, 0.5, false);
    printServiceLocation(surface, slip);
    printWorkArea(surface);

    // Labels
    surface.SetPrintFont(10, false, false);
    printAt(surface, 0.6, 2.3, QStringLiteral("Problem Reported"));
    printAt(surface, 3.6, 2.3, QStringLiteral("Service Rendered for Reported Problem"));
    printAt(surface, 6.8, 2.3, QStringLiteral("Charge"));
    printAt(surface, 0.6, 3.8, QStringLiteral("Additional Services Performed"));
    printAt(surface, 0.6, 4.8, QStringLiteral("Total of Services Performed"));
    const std::pair<double, const char *> headings[] = {{0.6, "Qty"},    {1.4, "Item Used"}, {2.9, "Charge"},
                                                        {3.6, "Ext"},    {4.15, "Qty"},      {5.0, "Item Used"},
                                                        {6.4, "Charge"}, {7.1, "Ext"}};
    for (const auto &[x, text] : headings) {
        surface.SetPrintPosition(x, 0);
        surface.printOnLine(QString::fromLatin1(text));
    }
    surface.endLine();
    printAt(surface, 0.6, 6.3, QStringLiteral("Total of Items Used"));
    printAt(surface, 5.0, 6.7, QStringLiteral("PRE-TAX TOTAL  ____________"));

    // The current items: four in the first column, the next ones in the second from the same height.
    const int count = std::min<int>(int(inputs.currentItems.size()), kItemsPerColumn * kItemColumns);
    for (int i = 0; i < count; ++i) {
        const bool second = i >= kItemsPerColumn;
        const double x = second ? inches(4.5) : inches(1.0);
        surface.setCurrentX(x);
        surface.setCurrentY(kItemsTop + 360 * (i % kItemsPerColumn));
        surface.print(fitText(surface, inputs.currentItems[i], (second ? 10800 : inches(4.5)) - x - 72));
    }

    // The slip contents, read back from the working file, in the problem column.
    const QStringList lines = writeWorkingText(folder, kServiceSlipDataFile, slip.serviceRequired, true);
    surface.setCurrentY(kContentsTop);
    printLinesInBox(surface, 864, kContentsWidth, kContentsHeight, kContentsTop + kContentsHeight, lines,
                    kContentsPitch);

    PrintSummary(surface, inputs, slip);
}

void PrintSummary(PrintSurface &surface, const DocumentInputs &inputs, const SlipPrintValues &slip)
{
    surface.setCurrentY(inches(7.75));
    printCentred(surface, QStringLiteral("Detach and Return to Office"));
    surface.SetPrintColour(true);
    surface.endLine();
    surface.SetPrintPosition(0.5, 0);
    surface.printOnLine(QStringLiteral("Account Information"));
    surface.SetPrintPosition(5.5, 0);
    surface.print(QStringLiteral("Payment Information"));
    PrintSoldTo(surface, soldToOf(slip), inputs.settings.usaAddressStyle, 0.5, surface.currentY() / kTwipsPerInch,
                false);

    surface.SetPrintColour(true);
    surface.SetPrintFont(10, false, false);
    surface.SetPrintPosition(5.0, 8.25);
    const std::pair<const char *, double> payment[] = {{"___ Check   Check #_________________", 288},
                                                       {"___ Cash", 288},
                                                       {"___ Credit Card # ___________________", 144},
                                                       {"Expires Date:  ______/______/_________", 288},
                                                       {"Signature __________________________", 0}};
    // Signed on the phone, the signature stands in the blank of its line.
    const bool signedOnPhone = !slip.media.signaturePath.isEmpty();
    double signatureY = 0;
    for (const auto &[text, extra] : payment) {
        const QString line = QString::fromLatin1(text);
        const bool signatureLine = line.startsWith(QLatin1String("Signature"));
        if (signatureLine)
            signatureY = surface.currentY();
        surface.SetPrintPosition(5.0, 0);
        surface.print(signatureLine && signedOnPhone ? QStringLiteral("Signature") : line);
        surface.setCurrentY(surface.currentY() + extra);
    }
    surface.SetPrintPosition(0.5, 0);
    surface.print(QStringLiteral("Service Order # ") + slip.slipNo);
    if (signedOnPhone)
        printSignature(surface, slip.media, signatureY);
    surface.setInk(PrintColours::kPureBlue);
    printAt(surface, 0.5, 9.3, QStringLiteral("AMOUNT ENCLOSED       _______________"));
}

bool printsAsServiceOrder(const SlipPrintValues &row)
{
    return row.status == QLatin1String("Assigned") || !row.media.empty();
}

PrintAction serviceOrderAction(const DocumentInputs &inputs, const DataFolder &folder,
                               const std::vector<SlipPrintValues> &tickedRows, bool withPhotos)
{
    PrintAction action;
    action.title = QStringLiteral("Print Service Slips");
    action.copies = std::max(1, inputs.settings.copies);
    const auto shared = std::make_shared<const DocumentInputs>(inputs);
    for (const SlipPrintValues &row : tickedRows) {
        if (!printsAsServiceOrder(row))
            continue;
        action.jobs.push_back(
            {QStringLiteral("Service Order ") + row.slipNo, [shared, folder, row, withPhotos](PrintSurface &surface) {
                 printServiceOrderPage(surface, *shared, folder, row);
                 if (withPhotos && !row.media.photos.empty()) {
                     surface.newPage();
                     printServiceOrderPhotos(surface, row);
                 }
             }});
    }
    return action;
}

PrintOutcome PrintRemitStyle(PrintTarget &target, const DocumentInputs &inputs, const DataFolder &folder,
                             const std::vector<SlipPrintValues> &tickedRows, bool withPhotos)
{
    return target.run(serviceOrderAction(inputs, folder, tickedRows, withPhotos));
}
