#pragma once

#include <QRectF>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>
#include <stdexcept>

// Every printed page is drawn on a PrintSurface: a page-oriented surface measured in twips (1440 to the inch)
// with its origin at the top left corner of the paper. The document layouts use nothing else, so the same
// layout prints on a printer, into a PDF file, into the preview, or into a recording that tests inspect.

inline constexpr double kTwipsPerInch = 1440.0;
constexpr double inches(double value)
{
    return value * kTwipsPerInch;
}

// A colour as red + 256 * green + 65536 * blue, the form in which the print colour settings are stored.
using PrintColour = quint32;
namespace PrintColours {
inline constexpr PrintColour kBlack = 0;
inline constexpr PrintColour kPureBlue = 0xFF0000;
constexpr PrintColour rgb(int red, int green, int blue)
{
    return PrintColour(red & 0xFF) | PrintColour(green & 0xFF) << 8 | PrintColour(blue & 0xFF) << 16;
}
constexpr int red(PrintColour c)
{
    return int(c & 0xFF);
}
constexpr int green(PrintColour c)
{
    return int(c >> 8 & 0xFF);
}
constexpr int blue(PrintColour c)
{
    return int(c >> 16 & 0xFF);
}
} // namespace PrintColours

struct PrintFont
{
    QString name = QStringLiteral("Arial");
    double size = 10; // points
    bool bold = false;
    bool underline = false;
    bool operator==(const PrintFont &) const = default;
};

enum class PageOrientation { Portrait, Landscape };

// What the print routines take from the settings: the document font and the print colours.
struct PrintStyle
{
    QString fontName = QStringLiteral("Arial");
    bool inColour = true;
    PrintColour borderColour = PrintColours::kBlack;
    PrintColour textColour = PrintColours::kBlack;
};

// The printer or the output file failed. The message is meant for the user.
class PrintError : public std::runtime_error
{
public:
    explicit PrintError(const QString &message)
        : std::runtime_error(message.toStdString())
        , m_message(message)
    {}
    const QString &message() const { return m_message; }

private:
    QString m_message;
};

// The user stopped a print that was running (the Cancel of its progress). Not a PrintError: nothing failed.
class PrintCancelled
{};

// The surface keeps the current position, font, colours, pen and page number; a back end supplies the
// drawing, the text metrics and the job handling.
//
// Pages are started lazily: a page comes into being with the first thing drawn on it, so a new page that
// stays empty (the one after the last copy of an invoice, say) is never sent. The page number counts from 1
// within the current document and every newPage() advances it.
class PrintSurface
{
public:
    static constexpr double kLetterShortSide = 12240; // 8.5 inches
    static constexpr double kLetterLongSide = 15840;  // 11 inches

    virtual ~PrintSurface() = default;

    void setStyle(const PrintStyle &style) { m_style = style; }
    const PrintStyle &style() const { return m_style; }

    // -- The print routines
    // Portrait when the text is "Portrait", landscape otherwise; colour or monochrome; letter paper; the font
    // of the style in size 10 regular; ink and lines black, pen width 1, position at the top left.
    void SetupPrinter(const QString &orientation, bool colour);
    // x and y in inches; 0 (or less) leaves that coordinate as it is.
    void SetPrintPosition(double x, double y);
    // The size only when above 0; bold and underline always.
    void SetPrintFont(double size, bool bold, bool underline);
    // Without colour printing: ink and lines black. With it: the border colour for both, or (highlight) pure
    // blue ink with the text colour for lines.
    void SetPrintColour(bool highlight);
    // Word-wraps the text into lines no wider than width - 20 twips, the first at (x, y) and each next one at x
    // on the next line, until the text is used up or Y has reached y + height. A line ends after the last
    // blank that fits and the next one starts without leading blanks; a line break in the text ends a line; a
    // word wider than the line is broken where the line is full.
    void PrintWrapped(double x, double y, double width, double height, const QString &text);
    // The lines PrintWrapped makes of the text at this width, however many.
    QStringList wrapLines(double width, const QString &text) const;

    // -- Position (twips)
    double currentX() const { return m_x; }
    double currentY() const { return m_y; }
    void setCurrentX(double x) { m_x = x; }
    void setCurrentY(double y) { m_y = y; }

    // -- Text. Control characters print as blanks.
    void print(const QString &text);       // at (X, Y); ends the line: X = 0, Y one line lower
    void printOnLine(const QString &text); // at (X, Y); X moves to the end of the text
    void endLine() { print(QString()); }
    double textWidth(const QString &text) const;
    double textHeight(const QString &text = QString()) const; // one line of the current font

    // -- Font, colours, pen
    const PrintFont &font() const { return m_font; }
    void setFont(const PrintFont &font) { m_font = font; }
    PrintColour ink() const { return m_ink; }
    void setInk(PrintColour colour) { m_ink = colour; }
    PrintColour lineColour() const { return m_lineColour; }
    void setLineColour(PrintColour colour) { m_lineColour = colour; }
    // In printer dots of a 600-dot-per-inch printer (1 = 1/600 inch = 2.4 twips), whatever the real device.
    int penWidth() const { return m_penWidth; }
    void setPenWidth(int width) { m_penWidth = qMax(0, width); }

    // -- Page
    PageOrientation orientation() const { return m_orientation; }
    bool colourOutput() const { return m_colour; }
    virtual double pageWidth() const;
    virtual double pageHeight() const; // the lowest Y that still prints
    int page() const { return m_page; }

    // -- Drawing (twips)
    void drawLine(double x1, double y1, double x2, double y2, PrintColour colour);
    void drawRect(double x1, double y1, double x2, double y2, PrintColour colour); // outline only
    // The picture file scaled to the box; false (and nothing drawn) when it cannot be read.
    bool drawPicture(const QString &path, double x, double y, double width, double height);
    // The picture as large as the box holds it without changing its shape, centred in the box; the place it took,
    // or an empty rectangle (and nothing drawn) when the file cannot be read.
    QRectF drawPictureFitted(const QString &path, double x, double y, double width, double height);

    // Asked as each page is begun, with its page number within the document; false stops the print there: the
    // drawing that would begin the page throws PrintCancelled instead. Long documents are cancelled this way.
    void setPageGate(std::function<bool(int page)> gate) { m_pageGate = std::move(gate); }

    void newPage();
    // Ends the document: a printer sends it as one job. The next drawing starts a new document on page 1.
    void endDoc();

protected:
    // -- Back end
    virtual void applySetup(PageOrientation orientation, bool colour) = 0;
    virtual double measureWidth(const PrintFont &font, const QString &text) const = 0;
    virtual double measureHeight(const PrintFont &font) const = 0;
    // Called before the first drawing of every page; firstOfDocument for page 1 of a document.
    virtual void beginPage(bool firstOfDocument) = 0;
    // drewSomething is false for a document that never started a page.
    virtual void endDocument(bool drewSomething) = 0;
    virtual void drawTextAt(double x, double y, const QString &text, const PrintFont &font, PrintColour ink) = 0;
    virtual void drawLineAt(double x1, double y1, double x2, double y2, PrintColour colour, int penWidth) = 0;
    virtual void drawRectAt(double x1, double y1, double x2, double y2, PrintColour colour, int penWidth) = 0;
    virtual bool drawPictureAt(const QString &path, double x, double y, double width, double height) = 0;
    // The picture's size in pixels, turned upright as it prints; empty when the file holds no readable picture.
    virtual QSize pictureSize(const QString &path) const = 0;

    bool pageStarted() const { return m_pageStarted; }

private:
    void ensurePage();
    void printText(const QString &text, bool endsLine);
    int lineLength(const QString &paragraph, double limit) const;

    PrintStyle m_style;
    PrintFont m_font;
    PrintColour m_ink = PrintColours::kBlack;
    PrintColour m_lineColour = PrintColours::kBlack;
    int m_penWidth = 1;
    PageOrientation m_orientation = PageOrientation::Portrait;
    bool m_colour = true;
    double m_x = 0;
    double m_y = 0;
    int m_page = 1;
    bool m_pageStarted = false;
    bool m_documentStarted = false;
    std::function<bool(int page)> m_pageGate;
};
