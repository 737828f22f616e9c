#pragma once

#include "printing/documentinputs.h"

class DataFolder;

// The blocks that several documents share: the invoice page frame, the logo, the business block, the "SOLD TO:"
// block and the detach line. Positions in inches unless named in twips.

// The customer lines of a slip (SoldTo itself is among the plain values of dispatch/slipprintvalues.h).
SoldTo soldToOf(const SlipPrintValues &slip);

// Settings and document start shared by every document: the style for the print routines, then SetupPrinter.
void startDocument(PrintSurface &surface, const PrintSettings &settings, const QString &orientation, bool colour);

// The page frame of an invoice: header box, item table and totals rules, the title at (5.0, y), the logo and the
// business block at (0.75, y).
void PrintFormFrame(PrintSurface &surface, const DocumentInputs &inputs, const QString &title, double y);
// Where a logo was printed (twips); empty when none was.
struct LogoPlace
{
    bool printed = false;
    double left = 0;
    double bottom = 0;
};
// The logo centred on the page width with its top at 144 twips, no higher than 1800 twips. Nothing when no
// logo is set or its file cannot be read.
LogoPlace printLogo(PrintSurface &surface, const PrintSettings &settings);
// The business name and address at (x, y); the name in nameSize bold, or size 10 when longer than 25
// characters. Lines wider than maxWidth twips (0: no limit) are cut to fit, ending in "...", and beside a logo they end
// before it.
void PrintBusinessBlock(PrintSurface &surface, const BusinessData &business, bool usaStyle, double x, double y,
                        double nameSize, double maxWidth = 0, const LogoPlace &logo = {});
// The customer at (x, y), with the "SOLD TO:" label at (x, 1.95) when asked; ends with black ink.
void PrintSoldTo(PrintSurface &surface, const SoldTo &customer, bool usaStyle, double x, double y, bool withLabel);
void PrintDetachLine(PrintSurface &surface);
// The headings of the invoice's item table on the current line ("QTY", "DATE", "DESCRIPTION", "PRICE", "TOTAL"),
// the same on a blank form as on a printed invoice; ends the line.
void printItemHeadings(PrintSurface &surface);

// -- Helpers for the layouts
// city + ", " + state + separator + postal code, leaving out what is empty.
QString cityLine(const QString &city, const QString &state, const QString &postalCode, const QString &separator);
// The longest start of the text that is no wider than maxWidth in the current font (0: the whole text).
QString fitText(const PrintSurface &surface, const QString &text, double maxWidth);
// Centres the text on the page width at the current Y and ends the line.
void printCentred(PrintSurface &surface, const QString &text);
// Writes the text as the only line of a working file shared with other programs and returns the lines read
// back from it. When the file cannot be written the text itself is printed: the document matters more.
QStringList writeWorkingText(const DataFolder &folder, const QString &relative, const QString &text, bool withBackup);
// The lines that such a working file would hold, without writing it.
QStringList workingTextLines(const QString &text);
// Prints each line word-wrapped from the current Y, each at most perLine twips high, none passing bottom;
// the lines stand `pitch` twips apart (0: the font's line height). Text that does not fit ends in "...".
void printLinesInBox(PrintSurface &surface, double x, double width, double perLine, double bottom,
                     const QStringList &lines, double pitch = 0);
