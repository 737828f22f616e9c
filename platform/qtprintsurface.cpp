#include "platform/qtprintsurface.h"

#include <QImageReader>
#include <QPageLayout>
#include <QPrinter>

namespace {

// Pen widths count dots of a 600-dot-per-inch printer, so that rules look alike on every device.
constexpr double kPenDotsPerInch = 600;

QString fontKey(const PrintFont &font)
{
    return QStringLiteral("%1|%2|%3|%4").arg(font.name).arg(font.size).arg(font.bold).arg(font.underline);
}

} // namespace

QtPrintSurface::QtPrintSurface(QPrinter &printer, Documents documents)
    : m_printer(printer)
    , m_documents(documents)
    , m_painter(m_ownPainter)
    , m_dotsPerTwip(printer.resolution() / kTwipsPerInch)
{}

QtPrintSurface::QtPrintSurface(QPrinter &printer, QPainter &page)
    : m_printer(printer)
    , m_documents(Documents::OneOutput)
    , m_painter(page)
    , m_borrowedPainter(true)
    , m_dotsPerTwip(printer.resolution() / kTwipsPerInch)
{}

QtPrintSurface::~QtPrintSurface()
{
    if (!m_borrowedPainter && m_painter.isActive())
        m_painter.end();
}

void QtPrintSurface::preparePrinter(QPrinter &printer)
{
    printer.setPageSize(QPageSize(QPageSize::Letter));
    printer.setFullPage(true);
    if (printer.outputFormat() == QPrinter::PdfFormat)
        printer.setPageMargins(QMarginsF(0, 0, 0, 0));
}

void QtPrintSurface::finish()
{
    if (!m_borrowedPainter && m_painter.isActive() && !m_painter.end())
        throw PrintError(failure(QStringLiteral("could not be completed")));
}

void QtPrintSurface::abort()
{
    if (m_borrowedPainter || !m_painter.isActive())
        return;
    m_printer.abort();
    m_painter.end();
}

double QtPrintSurface::pageHeight() const
{
    // The sheet less the strip at its foot that the printer cannot reach (none for a PDF).
    QPageLayout layout = m_printer.pageLayout();
    layout.setUnits(QPageLayout::Point);
    return PrintSurface::pageHeight() - layout.minimumMargins().bottom() * 20;
}

void QtPrintSurface::applySetup(PageOrientation orientation, bool colour)
{
    m_colour = colour;
    m_penSet = false; // the colours may have turned grey
    const QPageLayout::Orientation wanted =
        orientation == PageOrientation::Portrait ? QPageLayout::Portrait : QPageLayout::Landscape;
    if (!m_painter.isActive()) {
        m_printer.setColorMode(colour ? QPrinter::Color : QPrinter::GrayScale);
        m_printer.setPageOrientation(wanted);
    } else if (m_printer.pageLayout().orientation() != wanted) {
        // Within one output the next page takes the new orientation, where the device allows it.
        m_printer.setPageOrientation(wanted);
    }
}

QFont QtPrintSurface::qfont(const PrintFont &font) const
{
    QFont f(font.name);
    f.setPointSizeF(font.size > 0 ? font.size : 10);
    f.setBold(font.bold);
    f.setUnderline(font.underline);
    return f;
}

const QFontMetricsF &QtPrintSurface::metrics(const PrintFont &font) const
{
    if (m_measured && m_measuredFont == font)
        return *m_measured;
    const QString key = fontKey(font);
    auto it = m_metrics.find(key);
    if (it == m_metrics.end())
        it = m_metrics.insert(key, QFontMetricsF(qfont(font), &m_printer));
    m_measuredFont = font;
    m_measured = *it;
    return *m_measured;
}

void QtPrintSurface::useFont(const PrintFont &font)
{
    if (m_paintedFont && *m_paintedFont == font)
        return;
    m_painter.setFont(qfont(font));
    m_paintedAscent = metrics(font).ascent();
    m_paintedFont = font;
}

void QtPrintSurface::usePen(PrintColour colour, int penWidth, bool ofText)
{
    if (m_penSet && m_penOfText == ofText && m_penColour == colour && m_penWidth == penWidth)
        return;
    m_painter.setPen(ofText ? QPen(colourOf(colour)) : pen(colour, penWidth));
    m_penSet = true;
    m_penOfText = ofText;
    m_penColour = colour;
    m_penWidth = penWidth;
}

void QtPrintSurface::forgetPainterState()
{
    m_paintedFont.reset();
    m_penSet = false;
}

double QtPrintSurface::measureWidth(const PrintFont &font, const QString &text) const
{
    return metrics(font).horizontalAdvance(text) / m_dotsPerTwip;
}

double QtPrintSurface::measureHeight(const PrintFont &font) const
{
    return metrics(font).height() / m_dotsPerTwip;
}

QString QtPrintSurface::failure(const QString &what) const
{
    const QString file = m_printer.outputFileName();
    if (!file.isEmpty())
        return QStringLiteral("The file %1 %2.").arg(file, what);
    const QString name = m_printer.printerName();
    return name.isEmpty() ? QStringLiteral("The printer %1.").arg(what)
                          : QStringLiteral("The printer %1 %2.").arg(name, what);
}

void QtPrintSurface::beginPage(bool firstOfDocument)
{
    Q_UNUSED(firstOfDocument);
    forgetPainterState(); // a painter begun anew starts from the device's font and pen
    if (m_borrowedPainter)
        return;
    if (!m_painter.isActive()) {
        if (!m_painter.begin(&m_printer))
            throw PrintError(failure(QStringLiteral("could not be started")));
        m_dotsPerTwip = m_printer.resolution() / kTwipsPerInch;
        return;
    }
    if (!m_printer.newPage())
        throw PrintError(failure(QStringLiteral("did not accept a new page")));
}

void QtPrintSurface::endDocument(bool drewSomething)
{
    if (m_borrowedPainter || m_documents == Documents::OneOutput || !drewSomething || !m_painter.isActive())
        return;
    if (!m_painter.end())
        throw PrintError(failure(QStringLiteral("did not accept the document")));
}

QColor QtPrintSurface::colourOf(PrintColour colour) const
{
    const int r = PrintColours::red(colour);
    const int g = PrintColours::green(colour);
    const int b = PrintColours::blue(colour);
    if (m_colour)
        return QColor(r, g, b);
    const int grey = qGray(r, g, b);
    return QColor(grey, grey, grey);
}

QPen QtPrintSurface::pen(PrintColour colour, int penWidth) const
{
    QPen p(colourOf(colour));
    p.setCosmetic(false);
    p.setWidthF(penWidth * m_printer.resolution() / kPenDotsPerInch);
    p.setCapStyle(Qt::SquareCap);
    p.setJoinStyle(Qt::MiterJoin);
    return p;
}

void QtPrintSurface::drawTextAt(double x, double y, const QString &text, const PrintFont &font, PrintColour ink)
{
    useFont(font);
    usePen(ink, 0, true);
    m_painter.drawText(QPointF(device(x), device(y) + m_paintedAscent), text);
}

void QtPrintSurface::drawLineAt(double x1, double y1, double x2, double y2, PrintColour colour, int penWidth)
{
    usePen(colour, penWidth, false);
    m_painter.drawLine(QPointF(device(x1), device(y1)), QPointF(device(x2), device(y2)));
}

void QtPrintSurface::drawRectAt(double x1, double y1, double x2, double y2, PrintColour colour, int penWidth)
{
    usePen(colour, penWidth, false);
    m_painter.setBrush(Qt::NoBrush);
    m_painter.drawRect(QRectF(QPointF(device(x1), device(y1)), QPointF(device(x2), device(y2))).normalized());
}

bool QtPrintSurface::drawPictureAt(const QString &path, double x, double y, double width, double height)
{
    auto it = m_pictures.find(path);
    if (it == m_pictures.end()) {
        QImageReader reader(path);
        reader.setAutoTransform(true);
        it = m_pictures.insert(path, reader.read());
    }
    if (it->isNull())
        return false;
    const QImage &picture = m_colour ? *it : it->convertToFormat(QImage::Format_Grayscale8);
    m_painter.drawImage(QRectF(device(x), device(y), device(width), device(height)), picture);
    return true;
}

QSize QtPrintSurface::pictureSize(const QString &path) const
{
    const auto known = m_pictures.constFind(path);
    if (known != m_pictures.constEnd())
        return known->size();
    QImageReader reader(path);
    reader.setAutoTransform(true);
    if (!reader.canRead())
        return {};
    const QSize size = reader.size();
    // A picture turned by its orientation tag prints with its sides swapped.
    return reader.transformation().testFlag(QImageIOHandler::TransformationRotate90) ? size.transposed() : size;
}
