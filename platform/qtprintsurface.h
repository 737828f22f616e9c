#pragma once

#include "printing/printsurface.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <optional>

class QPrinter;

// The print surface on a QPrinter: a printer chosen in the print dialog, a PDF file or the preview. Twips become
// device units by the printer's resolution; the painter's origin is the top left corner of the paper.
//
// Separate documents: each endDoc() ends the painter, which hands the document to the printer as one job; the
// next drawing begins the next job on the same printer. One output: every document goes into the printer's
// one output (a PDF file, the preview), each starting on a new page; finish() closes it.
class QtPrintSurface final : public PrintSurface
{
public:
    enum class Documents { Separate, OneOutput };

    QtPrintSurface(QPrinter &printer, Documents documents);
    // One page drawn with a painter begun by the caller (the preview's picture of a page), measured as on the
    // printer: the painter's device has the printer's resolution, or a transform to it.
    QtPrintSurface(QPrinter &printer, QPainter &page);
    ~QtPrintSurface() override;

    // Prepares the printer: letter paper, full page, and for a PDF no margins.
    static void preparePrinter(QPrinter &printer);

    // Closes the output of a OneOutput run; throws PrintError when it could not be completed.
    void finish();
    // Drops the document being printed (a cancelled or failed run).
    void abort();

    double pageHeight() const override;

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
    double device(double twips) const { return twips * m_dotsPerTwip; }
    QColor colourOf(PrintColour colour) const;
    QPen pen(PrintColour colour, int penWidth) const;
    QFont qfont(const PrintFont &font) const;
    const QFontMetricsF &metrics(const PrintFont &font) const;
    // The painter's font and pen are set again only when what they are made of changes.
    void useFont(const PrintFont &font);
    void usePen(PrintColour colour, int penWidth, bool ofText);
    void forgetPainterState();
    QString failure(const QString &what) const;

    QPrinter &m_printer;
    Documents m_documents;
    QPainter m_ownPainter;
    QPainter &m_painter; // ours, or the one the page was given
    bool m_borrowedPainter = false;
    double m_dotsPerTwip = 1;
    bool m_colour = true;
    mutable QHash<QString, QFontMetricsF> m_metrics;
    // The font last measured with and its metrics, so that a run of text in one font builds no key.
    mutable PrintFont m_measuredFont;
    mutable std::optional<QFontMetricsF> m_measured;
    // What the painter holds now: the font with its ascent, and the pen (of text, or of a rule of a width).
    std::optional<PrintFont> m_paintedFont;
    double m_paintedAscent = 0;
    bool m_penSet = false;
    bool m_penOfText = false;
    PrintColour m_penColour = 0;
    int m_penWidth = 0;
    QHash<QString, QImage> m_pictures; // a null image for a file that cannot be read
};
