#include "printing/printsurface.h"

#include <algorithm>

namespace {

// Tabs and other control characters would print as boxes or not at all; they print as blanks.
QString printable(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char(' ');
    }
    return out;
}

} // namespace

void PrintSurface::SetupPrinter(const QString &orientation, bool colour)
{
    m_orientation = orientation == QLatin1String("Portrait") ? PageOrientation::Portrait : PageOrientation::Landscape;
    m_colour = colour;
    applySetup(m_orientation, m_colour);
    m_font = PrintFont{m_style.fontName, 10, false, false};
    m_ink = PrintColours::kBlack;
    m_lineColour = PrintColours::kBlack;
    m_penWidth = 1;
    m_x = 0;
    m_y = 0;
}

void PrintSurface::SetPrintPosition(double x, double y)
{
    if (x > 0)
        m_x = inches(x);
    if (y > 0)
        m_y = inches(y);
}

void PrintSurface::SetPrintFont(double size, bool bold, bool underline)
{
    if (size > 0)
        m_font.size = size;
    m_font.bold = bold;
    m_font.underline = underline;
}

void PrintSurface::SetPrintColour(bool highlight)
{
    if (!m_style.inColour) {
        m_ink = PrintColours::kBlack;
        m_lineColour = PrintColours::kBlack;
    } else if (highlight) {
        m_ink = PrintColours::kPureBlue;
        m_lineColour = m_style.textColour;
    } else {
        m_ink = m_style.borderColour;
        m_lineColour = m_style.borderColour;
    }
}

int PrintSurface::lineLength(const QString &paragraph, double limit) const
{
    if (textWidth(paragraph) <= limit)
        return int(paragraph.size());
    // The longest start that ends just after a blank and still fits. Widths grow with the length, so the
    // search stops at the first blank that no longer fits.
    int best = 0;
    for (int i = 0; i < paragraph.size(); ++i) {
        if (paragraph[i] != QLatin1Char(' '))
            continue;
        if (textWidth(paragraph.left(i + 1)) > limit)
            break;
        best = i + 1;
    }
    if (best > 0)
        return best;
    // No blank fits: the word is broken where the line is full, at least one character per line.
    int low = 1;
    int high = int(paragraph.size());
    while (low < high) {
        const int mid = (low + high + 1) / 2;
        if (textWidth(paragraph.left(mid)) <= limit)
            low = mid;
        else
            high = mid - 1;
    }
    return low;
}

void PrintSurface::PrintWrapped(double x, double y, double width, double height, const QString &text)
{
    const double bottom = y + height;
    m_x = x;
    m_y = y;
    for (const QString &line : wrapLines(width, text)) {
        if (m_y >= bottom)
            break;
        m_x = x;
        print(line);
    }
}

QStringList PrintSurface::wrapLines(double width, const QString &text) const
{
    const double limit = width - 20;
    QStringList lines;
    QString rest = text;
    rest.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    rest.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    while (!rest.isEmpty()) {
        const qsizetype lineBreak = rest.indexOf(QLatin1Char('\n'));
        const QString paragraph = lineBreak < 0 ? rest : rest.left(lineBreak);
        const int length = lineLength(paragraph, limit);
        QString line = paragraph.left(length);
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        lines.append(line);
        if (length >= paragraph.size()) {
            rest = lineBreak < 0 ? QString() : rest.mid(lineBreak + 1);
        } else {
            rest = rest.mid(length);
            qsizetype blanks = 0;
            while (blanks < rest.size() && rest[blanks] == QLatin1Char(' '))
                ++blanks;
            rest.remove(0, blanks);
        }
    }
    return lines;
}

void PrintSurface::print(const QString &text)
{
    printText(text, true);
}

void PrintSurface::printOnLine(const QString &text)
{
    printText(text, false);
}

void PrintSurface::printText(const QString &text, bool endsLine)
{
    const QString shown = printable(text);
    if (!shown.isEmpty()) {
        ensurePage();
        drawTextAt(m_x, m_y, shown, m_font, m_ink);
    }
    if (endsLine) {
        m_x = 0;
        m_y += measureHeight(m_font);
    } else {
        m_x += measureWidth(m_font, shown);
    }
}

double PrintSurface::textWidth(const QString &text) const
{
    return measureWidth(m_font, printable(text));
}

double PrintSurface::textHeight(const QString &) const
{
    return measureHeight(m_font);
}

double PrintSurface::pageWidth() const
{
    return m_orientation == PageOrientation::Portrait ? kLetterShortSide : kLetterLongSide;
}

double PrintSurface::pageHeight() const
{
    return m_orientation == PageOrientation::Portrait ? kLetterLongSide : kLetterShortSide;
}

void PrintSurface::drawLine(double x1, double y1, double x2, double y2, PrintColour colour)
{
    ensurePage();
    drawLineAt(x1, y1, x2, y2, colour, m_penWidth);
}

void PrintSurface::drawRect(double x1, double y1, double x2, double y2, PrintColour colour)
{
    ensurePage();
    drawRectAt(x1, y1, x2, y2, colour, m_penWidth);
}

bool PrintSurface::drawPicture(const QString &path, double x, double y, double width, double height)
{
    if (path.trimmed().isEmpty() || width <= 0 || height <= 0)
        return false;
    ensurePage();
    return drawPictureAt(path, x, y, width, height);
}

QRectF PrintSurface::drawPictureFitted(const QString &path, double x, double y, double width, double height)
{
    if (path.trimmed().isEmpty() || width <= 0 || height <= 0)
        return {};
    const QSize pixels = pictureSize(path);
    if (pixels.isEmpty())
        return {};
    const double scale = std::min(width / pixels.width(), height / pixels.height());
    const QRectF place(x + (width - pixels.width() * scale) / 2, y + (height - pixels.height() * scale) / 2,
                       pixels.width() * scale, pixels.height() * scale);
    if (!drawPicture(path, place.x(), place.y(), place.width(), place.height()))
        return {};
    return place;
}

void PrintSurface::ensurePage()
{
    if (m_pageStarted)
        return;
    if (m_pageGate && !m_pageGate(m_page))
        throw PrintCancelled();
    const bool first = !m_documentStarted;
    beginPage(first);
    m_pageStarted = true;
    m_documentStarted = true;
}

void PrintSurface::newPage()
{
    m_pageStarted = false;
    ++m_page;
    m_x = 0;
    m_y = 0;
}

void PrintSurface::endDoc()
{
    const bool drew = m_documentStarted;
    m_pageStarted = false;
    m_documentStarted = false;
    m_page = 1;
    m_x = 0;
    m_y = 0;
    endDocument(drew);
}
