#include "printing/printblocks.h"

#include "core/cp1252.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/textfile.h"
#include "printing/moneytable.h"

#include <QRegularExpression>
#include <cmath>
#include <vector>

namespace {

QStringList splitLines(const QString &text)
{
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = text.split(lineEnd);
    // The line end after the last line does not start another one.
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

SoldTo soldToOf(const SlipPrintValues &slip)
{
    return SoldTo{slip.name, slip.address1, slip.address2, slip.city, slip.state, slip.postalCode};
}

void startDocument(PrintSurface &surface, const PrintSettings &settings, const QString &orientation, bool colour)
{
    surface.setStyle(settings.style());
    surface.SetupPrinter(orientation, colour);
}

void PrintFormFrame(PrintSurface &surface, const DocumentInputs &inputs, const QString &title, double y)
{
    constexpr PrintColour black = PrintColours::kBlack;
    surface.SetPrintColour(false);

    // The header box; its pen stays for the rules.
    surface.setPenWidth(6);
    surface.drawRect(360, 504, 11880, 5040, black);
    surface.setInk(black);

    // The item table: 14 row rules, the foot rules, the totals rows and the columns.
    for (int k = 0; k <= 13; ++k)
        surface.drawLine(360, 7200 + 360 * k, 11880, 7200 + 360 * k, black);
    for (const double ruleY : {12240.0, 13680.0, 14400.0})
        surface.drawLine(360, ruleY, 11880, ruleY, black);
    for (int k = 0; k <= 4; ++k)
        surface.drawLine(7920, 12600 + 360 * k, 11880, 12600 + 360 * k, black);
    for (const double ruleX : {360.0, 7920.0, 10080.0, 11880.0})
        surface.drawLine(ruleX, 7200, ruleX, 14400, black);
    // The first two rows hold the reference across the columns; the columns start with the heading row.
    for (const double ruleX : {1800.0, 3240.0})
        surface.drawLine(ruleX, 7920, ruleX, 12240, black);

    surface.SetPrintColour(true);
    surface.SetPrintPosition(5.0, y);
    surface.SetPrintFont(26, true, false);
    surface.print(title);
    surface.SetPrintFont(10, true, false);

    const LogoPlace logo = printLogo(surface, inputs.settings);
    // The block ends before the header texts at 5 inches, and before the logo beside it.
    PrintBusinessBlock(surface, inputs.business, inputs.settings.usaAddressStyle, 0.75, y, 12,
                       inches(5.0) - inches(0.75) - 144, logo);
}

LogoPlace printLogo(PrintSurface &surface, const PrintSettings &settings)
{
    const double width = settings.logoWidth;
    const double height = std::min(settings.logoHeight, 1800.0);
    if (settings.logoPath.trimmed().isEmpty() || !std::isfinite(width) || !std::isfinite(height))
        return {};
    const double left = (surface.pageWidth() - width) / 2;
    if (!surface.drawPicture(settings.logoPath, left, 144, width, height))
        return {};
    return {true, left, 144 + height};
}

void PrintBusinessBlock(PrintSurface &surface, const BusinessData &business, bool usaStyle, double x, double y,
                        double nameSize, double maxWidth, const LogoPlace &logo)
{
    // The room of a line at the current Y: up to the logo while the line stands beside it.
    const auto room = [&] {
        if (!logo.printed || surface.currentY() >= logo.bottom || logo.left <= inches(x))
            return maxWidth;
        const double beside = std::max(720.0, logo.left - 144 - inches(x));
        return maxWidth > 0 ? std::min(maxWidth, beside) : beside;
    };
    const auto fit = [&](const QString &text) {
        const double width = room();
        return width > 0 ? fitMarked(surface, text, width) : text;
    };
    const bool longName = business.name.size() > 25;
    surface.SetPrintPosition(x, y);
    surface.SetPrintFont(longName ? 10 : nameSize, true, false);
    surface.print(fit(business.name));
    surface.SetPrintFont(10, longName, false);

    auto line = [&](const QString &text) {
        surface.SetPrintPosition(x, 0);
        surface.print(fit(text));
    };
    line(business.address1);
    if (!business.address2.isEmpty())
        line(business.address2);
    if (usaStyle) {
        line(cityLine(business.city, business.state, business.postalCode, QStringLiteral(". ")));
    } else {
        if (!business.city.isEmpty())
            line(business.city);
        if (!business.state.isEmpty())
            line(business.state);
    }
    if (!business.telephone.isEmpty())
        line(QStringLiteral("Telephone: ") + business.telephone);
    if (!business.aux1.isEmpty())
        line(business.aux1);
    if (!business.aux2.isEmpty())
        line(business.aux2);
}

void PrintSoldTo(PrintSurface &surface, const SoldTo &customer, bool usaStyle, double x, double y, bool withLabel)
{
    surface.SetPrintColour(true);
    surface.SetPrintFont(10, false, false);
    if (withLabel) {
        surface.SetPrintPosition(x, 1.95);
        surface.print(QStringLiteral("SOLD TO:"));
    }
    // The name in the lines PrintWrapped would give it (those that start within 360 twips), marked when cut.
    surface.setCurrentY(inches(y));
    printLinesInBox(surface, inches(x), 2520, 360, inches(y) + 360 + surface.textHeight(), {customer.name});
    auto line = [&](const QString &text) {
        surface.setCurrentX(inches(x));
        surface.print(text);
    };
    line(customer.address1);
    if (!customer.address2.isEmpty())
        line(customer.address2);
    if (usaStyle) {
        line(cityLine(customer.city, customer.state, customer.postalCode, QStringLiteral(" ")));
    } else {
        line(customer.city);
        line(customer.postalCode);
    }
    surface.setInk(PrintColours::kBlack);
}

void PrintDetachLine(PrintSurface &surface)
{
    surface.SetPrintFont(6, true, false);
    surface.SetPrintPosition(3.0, 3.6);
    surface.print(QStringLiteral("Detach Here and Return Top Section"));
    surface.SetPrintFont(10, true, false);
}

QString cityLine(const QString &city, const QString &state, const QString &postalCode, const QString &separator)
{
    QString rest = state;
    if (!postalCode.isEmpty())
        rest = state.isEmpty() ? postalCode : state + separator + postalCode;
    if (city.isEmpty())
        return rest;
    return rest.isEmpty() ? city : city + QStringLiteral(", ") + rest;
}

QString fitText(const PrintSurface &surface, const QString &text, double maxWidth)
{
    if (maxWidth <= 0 || surface.textWidth(text) <= maxWidth)
        return text;
    int low = 0;
    int high = int(text.size());
    while (low < high) {
        const int mid = (low + high + 1) / 2;
        if (surface.textWidth(text.left(mid)) <= maxWidth)
            low = mid;
        else
            high = mid - 1;
    }
    return text.left(low);
}

void printItemHeadings(PrintSurface &surface)
{
    const std::pair<double, const char *> headings[] = {
        {0.6, "QTY"}, {1.5, "DATE"}, {3.1, "DESCRIPTION"}, {6.1, "PRICE"}, {7.5, "TOTAL"}};
    for (const auto &[x, text] : headings) {
        surface.SetPrintPosition(x, 0);
        surface.printOnLine(QString::fromLatin1(text));
    }
    surface.endLine();
}

void printCentred(PrintSurface &surface, const QString &text)
{
    surface.setCurrentX(std::max(0.0, (surface.pageWidth() - surface.textWidth(text)) / 2));
    surface.print(text);
}

QStringList workingTextLines(const QString &text)
{
    TextWriter writer;
    writer.printLine(text);
    return splitLines(Cp1252::decode(writer.bytes()));
}

QStringList writeWorkingText(const DataFolder &folder, const QString &relative, const QString &text, bool withBackup)
{
    try {
        if (withBackup)
            folder.deleteFile(DataFolder::backupPathOf(relative));
        TextWriter writer;
        writer.printLine(text);
        // A working file: written anew for every document, so it need not wait for the disk.
        folder.writeFile(relative, writer.bytes(), DataFolder::Flush::Skip);
        return splitLines(Cp1252::decode(folder.readAll(relative)));
    } catch (const DiskError &) {
        return splitLines(text);
    }
}

void printLinesInBox(PrintSurface &surface, double x, double width, double perLine, double bottom,
                     const QStringList &lines, double pitch)
{
    const double text = surface.textHeight();
    const double height = pitch > 0 ? pitch : text;
    struct Row
    {
        double y;
        QString text;
    };
    std::vector<Row> rows;
    bool cut = false;
    double y = surface.currentY();
    for (qsizetype i = 0; i < lines.size() && !cut; ++i) {
        const QStringList wrapped = surface.wrapLines(width, lines[i]);
        const double start = y;
        qsizetype used = 0;
        // Each line starts within its share of the box; none passes the bottom.
        while (used < wrapped.size() && y < start + perLine && y + text <= bottom + 0.5) {
            rows.push_back({y, wrapped[used++]});
            y += height;
        }
        if (used < wrapped.size())
            cut = true;
        // The box is full while text is left over.
        if (!cut && y + text > bottom + 0.5) {
            for (qsizetype k = i + 1; k < lines.size(); ++k)
                cut = cut || !lines[k].trimmed().isEmpty();
            if (cut)
                break;
        }
    }
    // What did not fit is marked, never dropped silently.
    if (cut && !rows.empty()) {
        QString &last = rows.back().text;
        const QString mark = QStringLiteral("...");
        while (!last.isEmpty() && surface.textWidth(last + mark) > width - 20)
            last.chop(1);
        last = last.trimmed() + mark;
    }
    for (const Row &row : rows) {
        surface.setCurrentX(x);
        surface.setCurrentY(row.y);
        surface.print(row.text);
    }
    surface.setCurrentY(y);
}
