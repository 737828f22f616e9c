#include "platform/pdfbytes.h"

#include "platform/qtprintsurface.h"

#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>

QByteArray pdfBytes(const PrintAction &action)
{
    // QPrinter writes a PDF only into a named file: one of a folder of our own, gone with the folder.
    QTemporaryDir folder;
    if (!folder.isValid())
        throw PrintError(QStringLiteral("No temporary folder for the PDF file: %1").arg(folder.errorString()));
    const QString path = folder.filePath(QStringLiteral("document.pdf"));
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        printer.setCreator(QStringLiteral("VarnelDispatchDuzudu"));
        printer.setDocName(action.title);
        QtPrintSurface::preparePrinter(printer);
        QtPrintSurface surface(printer, QtPrintSurface::Documents::OneOutput);
        const PrintOutcome outcome = printJobs(surface, action);
        if (!outcome.printed()) {
            surface.abort();
            throw PrintError(outcome.error.isEmpty() ? QStringLiteral("The PDF file was not completed.")
                                                     : outcome.error);
        }
        surface.finish();
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw PrintError(QStringLiteral("The PDF file cannot be read: %1").arg(file.errorString()));
    QByteArray bytes = file.readAll();
    if (bytes.isEmpty() || !bytes.startsWith("%PDF"))
        throw PrintError(QStringLiteral("The PDF file came out empty."));
    return bytes;
}
