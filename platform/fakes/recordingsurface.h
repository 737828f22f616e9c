#pragma once

#include "printing/printsurface.h"

#include <QStringList>
#include <vector>

// A surface that prints nothing and keeps every operation with its twip coordinates, font and colour, so that a
// layout can be checked exactly without a printer.
//
// Text metrics are fixed so that results never depend on the fonts installed: every character (blanks
// included, bold or not) is size x 10 twips wide, half an em; one line is size x 24 twips high (240 twips,
// a sixth of an inch, at size 10). Paper is letter size, the whole sheet printable.
class RecordingSurface : public PrintSurface
{
public:
    enum class Kind { Setup, Text, Line, Rect, Picture };

    struct Op
    {
        Kind kind = Kind::Text;
        int document = 0; // from 1, counting every document begun on this surface
        int page = 0;     // from 1 within the document
        double x = 0;     // twips; for lines and boxes the first corner
        double y = 0;
        double x2 = 0; // the second corner; for pictures the far corner (x + width, y + height)
        double y2 = 0;
        QString text; // the text, the picture path, or "Portrait" / "Landscape" for a setup
        PrintFont font;
        PrintColour colour = 0; // ink for text, line colour for lines and boxes
        int penWidth = 0;
        bool colourOutput = true; // for setups
    };

    static constexpr double kCharWidthPerPoint = 10;
    static constexpr double kLineHeightPerPoint = 24;

    const std::vector<Op> &ops() const { return m_ops; }
    void clear();

    // Documents ended so far (sent), and the pages that were begun in a document.
    int documentsEnded() const { return m_documentsEnded; }
    int pagesIn(int document) const;

    // The texts in print order, of one document (0: all).
    QStringList texts(int document = 0) const;
    // The first text op whose text is exactly the given one (in the given document, 0: any); null when none.
    const Op *findText(const QString &text, int document = 0) const;
    std::vector<Op> opsOf(Kind kind, int document = 0, int page = 0) const;

    // Makes ending the given document (from 1) fail as a printer would; 0 never fails.
    void failWhenEnding(int document) { m_failDocument = document; }

protected:
    void applySetup(PageOrientation orientation, bool colour) override;
    double measureWidth(const PrintFont &font, const QString &text) const override;
    double measureHeight(const PrintFont &font) const override;
    void beginPage(bool firstOfDocument) override;
    void endDocument(bool drewSomething) override;
    void drawTextAt(double x, double y, const QString &text, const PrintFont &font, PrintColour ink) override;
    void drawLineAt(double x1, double y1, double x2, double y2, PrintColour colour, int penWidth) override;
    void drawRectAt(double x1, double y1, double x2, double y2, PrintColour colour, int penWidth) override;
    bool drawPictureAt(const QString &path, double x, double y, double width, double height) override;
    QSize pictureSize(const QString &path) const override;

private:
    Op op(Kind kind) const;
    void recordShape(Kind kind, double x1, double y1, double x2, double y2, PrintColour colour, int penWidth);

    std::vector<Op> m_ops;
    std::vector<int> m_pages; // pages begun, per document
    int m_document = 0;       // the document being printed (or the next one, before its first page)
    bool m_inDocument = false;
    int m_documentsEnded = 0;
    int m_failDocument = 0;
};
