#include "platform/fakes/recordingsurface.h"

#include <QImageReader>

void RecordingSurface::clear()
{
    m_ops.clear();
    m_pages.clear();
    m_document = 0;
    m_inDocument = false;
    m_documentsEnded = 0;
}

int RecordingSurface::pagesIn(int document) const
{
    return document >= 1 && document <= int(m_pages.size()) ? m_pages[document - 1] : 0;
}

QStringList RecordingSurface::texts(int document) const
{
    QStringList out;
    for (const Op &o : m_ops) {
        if (o.kind == Kind::Text && (document == 0 || o.document == document))
            out.append(o.text);
    }
    return out;
}

const RecordingSurface::Op *RecordingSurface::findText(const QString &text, int document) const
{
    for (const Op &o : m_ops) {
        if (o.kind == Kind::Text && o.text == text && (document == 0 || o.document == document))
            return &o;
    }
    return nullptr;
}

std::vector<RecordingSurface::Op> RecordingSurface::opsOf(Kind kind, int document, int page) const
{
    std::vector<Op> out;
    for (const Op &o : m_ops) {
        if (o.kind == kind && (document == 0 || o.document == document) && (page == 0 || o.page == page))
            out.push_back(o);
    }
    return out;
}

RecordingSurface::Op RecordingSurface::op(Kind kind) const
{
    Op o;
    o.kind = kind;
    o.document = m_inDocument ? m_document : m_document + 1;
    o.page = page();
    return o;
}

void RecordingSurface::applySetup(PageOrientation orientation, bool colour)
{
    Op o = op(Kind::Setup);
    o.text = orientation == PageOrientation::Portrait ? QStringLiteral("Portrait") : QStringLiteral("Landscape");
    o.colourOutput = colour;
    m_ops.push_back(o);
}

double RecordingSurface::measureWidth(const PrintFont &font, const QString &text) const
{
    return double(text.size()) * font.size * kCharWidthPerPoint;
}

double RecordingSurface::measureHeight(const PrintFont &font) const
{
    return font.size * kLineHeightPerPoint;
}

void RecordingSurface::beginPage(bool firstOfDocument)
{
    if (firstOfDocument) {
        ++m_document;
        m_inDocument = true;
        m_pages.push_back(0);
    }
    ++m_pages.back();
}

void RecordingSurface::endDocument(bool drewSomething)
{
    const int ending = drewSomething ? m_document : m_document + 1;
    if (!drewSomething) {
        // An empty document still counts, so that document numbers match the jobs asked for.
        ++m_document;
        m_pages.push_back(0);
    }
    m_inDocument = false;
    if (m_failDocument != 0 && ending == m_failDocument)
        throw PrintError(QStringLiteral("The printer stopped responding."));
    ++m_documentsEnded;
}

void RecordingSurface::drawTextAt(double x, double y, const QString &text, const PrintFont &font, PrintColour ink)
{
    Op o = op(Kind::Text);
    o.x = x;
    o.y = y;
    o.text = text;
    o.font = font;
    o.colour = ink;
    m_ops.push_back(o);
}

void RecordingSurface::recordShape(Kind kind, double x1, double y1, double x2, double y2, PrintColour colour,
                                   int penWidth)
{
    Op o = op(kind);
    o.x = x1;
    o.y = y1;
    o.x2 = x2;
    o.y2 = y2;
    o.colour = colour;
    o.penWidth = penWidth;
    m_ops.push_back(o);
}

void RecordingSurface::drawLineAt(double x1, double y1, double x2, double y2, PrintColour colour, int penWidth)
{
    recordShape(Kind::Line, x1, y1, x2, y2, colour, penWidth);
}

void RecordingSurface::drawRectAt(double x1, double y1, double x2, double y2, PrintColour colour, int penWidth)
{
    recordShape(Kind::Rect, x1, y1, x2, y2, colour, penWidth);
}

bool RecordingSurface::drawPictureAt(const QString &path, double x, double y, double width, double height)
{
    // Only a picture that a printer could draw is recorded: the file must hold a readable image.
    QImageReader reader(path);
    if (reader.read().isNull())
        return false;
    Op o = op(Kind::Picture);
    o.x = x;
    o.y = y;
    o.x2 = x + width;
    o.y2 = y + height;
    o.text = path;
    m_ops.push_back(o);
    return true;
}

QSize RecordingSurface::pictureSize(const QString &path) const
{
    QImageReader reader(path);
    return reader.canRead() ? reader.size() : QSize();
}
