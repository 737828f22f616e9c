#pragma once

#include "printing/printtarget.h"

#include <QDialog>
#include <QPointer>

class Messages;
class PagedPreview;
class QLabel;
class QPrinter;
class QPrintPreviewWidget;

// Runs a printing action on the desktop: asks once where it goes, then prints each document as a job of its own.
//
// - Dialog: the print dialog (a printer, or a PDF file through "print to file"); no page range, copies
//   collated, starting with the action's number of copies.
// - Preview: the preview of every document, from which the user prints (through the print dialog) or saves
//   a PDF file.
// - PdfFile: straight into the named PDF file, without asking (the data tool, tests).
//
// Into a PDF file all documents of the action go into the one file, each starting on a new page (the page
// numbers, and with them the copy labels, still count per document). A cancelled dialog prints nothing. A
// failure ends the action with a message that says how many documents reached the printer; a PDF file that
// could not be completed is removed. A print that runs for more than a moment shows its progress page by page;
// its Cancel stops before the next page, drops the document being printed (a PDF file is removed whole) and
// says so.
class QtPrintTarget final : public PrintTarget
{
public:
    enum class Mode { Dialog, Preview, PdfFile };

    explicit QtPrintTarget(Messages &messages, QWidget *parent = nullptr);

    void setMode(Mode mode) { m_mode = mode; }
    Mode mode() const { return m_mode; }
    void setPdfFile(const QString &path) { m_pdfFile = path; }
    // PdfFile mode at the user's request: with the busy pointer and the progress and its Cancel.
    void setInteractiveFile(bool interactive) { m_interactiveFile = interactive; }
    // How long a print runs before its progress comes up.
    void setProgressDelay(int milliseconds) { m_progressDelayMs = milliseconds; }
    void setParentWidget(QWidget *parent) { m_parent = parent; }

    PrintOutcome run(const PrintAction &action) override;

    // The file "Save as PDF" offers in `folder`: named after the one document (else the action), with the
    // characters a file name cannot hold as "-", and a number added where such a file is there already.
    static QString suggestedPdfPath(const QString &folder, const PrintAction &action);

    // The documents on a printer that is set up already; the message on failure as for run().
    PrintOutcome printOn(QPrinter &printer, const PrintAction &action, bool interactive);

private:
    PrintOutcome runDialog(const PrintAction &action);
    PrintOutcome runPreview(const PrintAction &action);
    PrintOutcome runPdf(const PrintAction &action, const QString &path, bool interactive);
    void reportFailure(const PrintAction &action, const PrintOutcome &outcome, bool toFile);
    void reportCancelled(const PrintAction &action, const PrintOutcome &outcome, bool toFile);

    Messages &m_messages;
    QPointer<QWidget> m_parent;
    Mode m_mode = Mode::Dialog;
    QString m_pdfFile;
    bool m_interactiveFile = false;
    int m_progressDelayMs = 500;
};

// The preview of a printing action with its three choices. A long document that draws a page at a time
// (PrintJob::printPage) is shown as it is scrolled, only the pages in sight drawn; any other is drawn whole first.
class PrintPreviewDialog final : public QDialog
{
    Q_OBJECT
public:
    enum class Choice { Close, Print, SavePdf };

    PrintPreviewDialog(QPrinter &printer, const PrintAction &action, QWidget *parent = nullptr);

    Choice choice() const { return m_choice; }
    // The preview's size on a screen with this free area: as large as a page shows well, never larger than
    // nine tenths of the area, so that the window and its buttons fit.
    static QSize fittingSize(const QRect &available);
    // Renders the documents again and returns the number of pages shown.
    int refresh();

private:
    void render(QPrinter *printer);

    const PrintAction &m_action;
    QPrintPreviewWidget *m_preview = nullptr;
    PagedPreview *m_paged = nullptr;
    QLabel *m_pageLabel = nullptr;
    Choice m_choice = Choice::Close;
};
