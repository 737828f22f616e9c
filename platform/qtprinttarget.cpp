#include "platform/qtprinttarget.h"

#include "core/diskerror.h"
#include "core/seams.h"
#include "platform/qtprintsurface.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

namespace {

// The busy pointer while a print started by the user runs (never without an application of widgets).
class BusyPointer
{
public:
    explicit BusyPointer(bool on)
        : m_on(on && qobject_cast<QApplication *>(QCoreApplication::instance()))
    {
        if (m_on)
            QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~BusyPointer()
    {
        if (m_on)
            QApplication::restoreOverrideCursor();
    }
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;

private:
    bool m_on;
};

} // namespace

QtPrintTarget::QtPrintTarget(Messages &messages, QWidget *parent)
    : m_messages(messages)
    , m_parent(parent)
{}

PrintOutcome QtPrintTarget::run(const PrintAction &action)
{
    if (action.jobs.empty())
        return {};
    switch (m_mode) {
    case Mode::Dialog:
        return runDialog(action);
    case Mode::Preview:
        return runPreview(action);
    case Mode::PdfFile:
        return runPdf(action, m_pdfFile, m_interactiveFile);
    }
    return {};
}

QString QtPrintTarget::suggestedPdfPath(const QString &folder, const PrintAction &action)
{
    QString name = action.jobs.size() == 1 ? action.jobs.front().name : action.title;
    for (QChar &c : name) {
        if (c.unicode() < 32 || QStringLiteral("/\\:*?\"<>|").contains(c))
            c = QLatin1Char('-');
    }
    name = name.simplified();
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
        name.prepend(QStringLiteral("Document"));
    const QString base = QDir(folder).filePath(name);
    QString path = base + QStringLiteral(".pdf");
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QStringLiteral("%1 (%2).pdf").arg(base).arg(n);
    return path;
}

PrintOutcome QtPrintTarget::runDialog(const PrintAction &action)
{
    QPrinter printer(QPrinter::HighResolution);
    QtPrintSurface::preparePrinter(printer);
    printer.setCopyCount(std::max(1, action.copies));
    printer.setCollateCopies(true);
    printer.setDocName(action.title);

    QPrintDialog dialog(&printer, m_parent);
    dialog.setWindowTitle(action.title);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, true);
    if (dialog.exec() != QDialog::Accepted)
        return {PrintOutcome::Status::Cancelled, 0, {}};
    // Letter paper whatever the dialog offered; a PDF file without margins.
    QtPrintSurface::preparePrinter(printer);
    return printOn(printer, action, true);
}

PrintOutcome QtPrintTarget::runPreview(const PrintAction &action)
{
    QPrinter printer(QPrinter::HighResolution);
    QtPrintSurface::preparePrinter(printer);
    PrintPreviewDialog preview(printer, action, m_parent);
    preview.setWindowTitle(action.title);
    preview.exec();
    switch (preview.choice()) {
    case PrintPreviewDialog::Choice::Print:
        return runDialog(action);
    case PrintPreviewDialog::Choice::SavePdf: {
        QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (documents.isEmpty() || !QFileInfo(documents).isDir())
            documents = QDir::homePath();
        const QString path = QFileDialog::getSaveFileName(m_parent, action.title, suggestedPdfPath(documents, action),
                                                          QStringLiteral("PDF files (*.pdf)"));
        if (path.isEmpty())
            return {PrintOutcome::Status::Cancelled, 0, {}};
        return runPdf(action, path, true);
    }
    case PrintPreviewDialog::Choice::Close:
        break;
    }
    return {PrintOutcome::Status::Cancelled, 0, {}};
}

PrintOutcome QtPrintTarget::runPdf(const PrintAction &action, const QString &path, bool interactive)
{
    if (path.isEmpty()) {
        PrintOutcome outcome{PrintOutcome::Status::Failed, 0, QStringLiteral("No PDF file was named.")};
        reportFailure(action, outcome, true);
        return outcome;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setCreator(QStringLiteral("VarnelDispatchDuzudu"));
    printer.setDocName(action.title);
    QtPrintSurface::preparePrinter(printer);
    PrintOutcome outcome = printOn(printer, action, interactive);
    if (outcome.failed())
        outcome.sent = 0; // the file was not written: no document reached it
    return outcome;
}

PrintOutcome QtPrintTarget::printOn(QPrinter &printer, const PrintAction &action, bool interactive)
{
    const bool toFile = printer.outputFormat() == QPrinter::PdfFormat;
    const int total = int(action.jobs.size());
    QtPrintSurface surface(printer,
                           toFile ? QtPrintSurface::Documents::OneOutput : QtPrintSurface::Documents::Separate);
    const BusyPointer busy(interactive);
    // The progress follows the pages, so that one long document (a report of thousands of slips) can be
    // cancelled as well as many short ones. It comes up only once printing has taken a moment.
    const bool canShowProgress = interactive && qobject_cast<QApplication *>(QCoreApplication::instance());
    std::unique_ptr<QProgressDialog> progress;
    QElapsedTimer started;
    started.start();
    const auto stillWanted = [&](int index, int page) {
        if (!canShowProgress)
            return true;
        if (!progress) {
            if (started.elapsed() < m_progressDelayMs)
                return true;
            // One document has no count to show: the bar only says that printing goes on.
            progress = std::make_unique<QProgressDialog>(action.title, QStringLiteral("Cancel"), 0,
                                                         total > 1 ? total : 0, m_parent);
            progress->setObjectName(QStringLiteral("frmPrintProgress"));
            progress->setWindowTitle(action.title);
            progress->setWindowModality(Qt::WindowModal);
            progress->setAutoReset(false);
            progress->setAutoClose(false);
            progress->setMinimumDuration(0);
            progress->show();
        }
        if (total > 1)
            progress->setValue(index);
        progress->setLabelText(
            total > 1
                ? QStringLiteral("%1\nDocument %2 of %3, page %4").arg(action.title).arg(index + 1).arg(total).arg(page)
                : QStringLiteral("%1\nPage %2").arg(action.title).arg(page));
        QCoreApplication::processEvents(); // the Cancel button
        return !progress->wasCanceled();
    };

    PrintOutcome outcome = printJobs(
        surface, action,
        [&](int index) {
            if (!stillWanted(index, 1))
                return false;
            if (!toFile)
                printer.setDocName(action.jobs[index].name);
            return true;
        },
        stillWanted);
    if (progress)
        progress->hide();

    if (outcome.printed() && toFile) {
        try {
            surface.finish();
        } catch (const PrintError &e) {
            outcome = {PrintOutcome::Status::Failed, 0, e.message()};
        }
    }
    if (!outcome.printed()) {
        surface.abort();
        if (toFile) {
            // A PDF file that was not completed is of no use: nothing of it counts as written.
            QFile::remove(printer.outputFileName());
            outcome.sent = 0;
        }
    }
    if (outcome.failed())
        reportFailure(action, outcome, toFile);
    else if (outcome.cancelled())
        reportCancelled(action, outcome, toFile);
    return outcome;
}

void QtPrintTarget::reportCancelled(const PrintAction &action, const PrintOutcome &outcome, bool toFile)
{
    const int total = int(action.jobs.size());
    QString text = QStringLiteral("Printing was cancelled.") + QStringLiteral("\r\n");
    if (toFile)
        text += QStringLiteral("The PDF file was not written.");
    else
        text += QStringLiteral("%1 of %2 documents were sent to the printer.").arg(outcome.sent).arg(total);
    m_messages.inform(text, action.title);
}

void QtPrintTarget::reportFailure(const PrintAction &action, const PrintOutcome &outcome, bool toFile)
{
    const int total = int(action.jobs.size());
    QString text = QStringLiteral("Printing stopped: ") + outcome.error + QStringLiteral("\r\n");
    if (toFile)
        text += QStringLiteral("The PDF file was not written.");
    else
        text += QStringLiteral("%1 of %2 documents were sent to the printer.").arg(outcome.sent).arg(total);
    m_messages.inform(text, action.title);
}

// The pages of documents that draw a page at a time, one under the other at the width of the view. A page is drawn
// when it comes into sight, measured as on the printer, and kept while it stays near.
class PagedPreview final : public QAbstractScrollArea
{
    Q_OBJECT
public:
    PagedPreview(QPrinter &printer, const PrintAction &action, QWidget *parent)
        : QAbstractScrollArea(parent)
        , m_printer(printer)
        , m_action(action)
    {
        setFocusPolicy(Qt::StrongFocus);
        viewport()->setBackgroundRole(QPalette::Dark);
        viewport()->setAutoFillBackground(true);
        connect(verticalScrollBar(), &QScrollBar::valueChanged, this,
                [this] { emit pageShown(currentPage(), count()); });
        count();
    }

    // Counts the pages again; the pictures are drawn anew.
    int count()
    {
        m_pages.clear();
        for (int j = 0; j < int(m_action.jobs.size()); ++j) {
            QtPrintSurface measuring(m_printer, QtPrintSurface::Documents::OneOutput);
            const int pages = m_action.jobs[std::size_t(j)].pageCount(measuring);
            const bool landscape = measuring.orientation() == PageOrientation::Landscape;
            for (int p = 1; p <= pages; ++p)
                m_pages.push_back({j, p, landscape});
        }
        m_pictures.clear();
        placePages();
        return int(m_pages.size());
    }

    // The page at the top of the view, from 1.
    int currentPage() const
    {
        const int top = verticalScrollBar()->value();
        const auto after = std::upper_bound(m_tops.begin(), m_tops.end(), top + kGap);
        return std::max(1, int(after - m_tops.begin()));
    }

signals:
    void pageShown(int page, int count);

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QAbstractScrollArea::resizeEvent(event);
        const int page = currentPage();
        placePages();
        if (page - 1 < int(m_tops.size()))
            verticalScrollBar()->setValue(m_tops[std::size_t(page - 1)] - kGap);
    }

    void keyPressEvent(QKeyEvent *event) override
    {
        QScrollBar *bar = verticalScrollBar();
        if (event->key() == Qt::Key_Home && event->modifiers() & Qt::ControlModifier)
            bar->setValue(bar->minimum());
        else if (event->key() == Qt::Key_End && event->modifiers() & Qt::ControlModifier)
            bar->setValue(bar->maximum());
        else if (event->key() == Qt::Key_Home || event->key() == Qt::Key_End)
            bar->setValue(event->key() == Qt::Key_Home ? bar->minimum() : bar->maximum());
        else
            QAbstractScrollArea::keyPressEvent(event);
    }

    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(viewport());
        const int top = verticalScrollBar()->value();
        const int bottom = top + viewport()->height();
        std::size_t first = std::size_t(std::max(0, currentPage() - 2));
        std::vector<int> shown;
        for (std::size_t i = first; i < m_pages.size() && m_tops[i] < bottom; ++i) {
            const QSize size = pageSize(m_pages[i]);
            if (m_tops[i] + size.height() < top)
                continue;
            const QPoint at((viewport()->width() - size.width()) / 2, m_tops[i] - top);
            painter.drawImage(at, picture(int(i), size));
            painter.setPen(Qt::black);
            painter.drawRect(QRect(at, size).adjusted(0, 0, -1, -1));
            shown.push_back(int(i));
        }
        // Only the pictures near the view are kept.
        for (auto it = m_pictures.begin(); it != m_pictures.end();) {
            const bool near =
                std::any_of(shown.begin(), shown.end(), [&](int i) { return std::abs(i - it.key()) <= 2; });
            it = near ? std::next(it) : m_pictures.erase(it);
        }
    }

private:
    static constexpr int kGap = 12; // around the pages, in pixels

    struct Page
    {
        int job;
        int number; // within its document, from 1
        bool landscape;
    };

    QSize pageSize(const Page &page) const
    {
        const int width = std::max(40, viewport()->width() - 2 * kGap);
        const double ratio = page.landscape ? PrintSurface::kLetterShortSide / PrintSurface::kLetterLongSide
                                            : PrintSurface::kLetterLongSide / PrintSurface::kLetterShortSide;
        return QSize(width, int(width * ratio));
    }

    void placePages()
    {
        m_tops.clear();
        int y = kGap;
        for (const Page &p : m_pages) {
            m_tops.push_back(y);
            y += pageSize(p).height() + kGap;
        }
        QScrollBar *bar = verticalScrollBar();
        bar->setRange(0, std::max(0, y - viewport()->height()));
        bar->setPageStep(viewport()->height());
        bar->setSingleStep(std::max(1, viewport()->height() / 20));
        m_pictures.clear();
        viewport()->update();
    }

    const QImage &picture(int index, const QSize &size)
    {
        auto found = m_pictures.find(index);
        if (found != m_pictures.end() && found->size() == size)
            return *found;
        const Page &page = m_pages[std::size_t(index)];
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        // The picture has the printer's resolution, so that the fonts come out as on paper, scaled to the view.
        const double resolution = m_printer.resolution();
        image.setDotsPerMeterX(qRound(resolution / 0.0254));
        image.setDotsPerMeterY(qRound(resolution / 0.0254));
        {
            QPainter painter(&image);
            painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                                   QPainter::SmoothPixmapTransform);
            const double paperWidth =
                (page.landscape ? PrintSurface::kLetterLongSide : PrintSurface::kLetterShortSide) / kTwipsPerInch *
                resolution;
            painter.scale(size.width() / paperWidth, size.width() / paperWidth);
            QtPrintSurface surface(m_printer, painter);
            try {
                m_action.jobs[std::size_t(page.job)].printPage(surface, page.number);
            } catch (const PrintError &) {
                // What could be drawn is shown; printing itself reports its errors.
            } catch (const DiskError &) {
            }
        }
        return *m_pictures.insert(index, image);
    }

    QPrinter &m_printer;
    const PrintAction &m_action;
    std::vector<Page> m_pages;
    std::vector<int> m_tops; // of each page in the scrolled area
    QHash<int, QImage> m_pictures;
};

PrintPreviewDialog::PrintPreviewDialog(QPrinter &printer, const PrintAction &action, QWidget *parent)
    : QDialog(parent)
    , m_action(action)
{
    setObjectName(QStringLiteral("frmPrintPreview"));
    QWidget *pages = nullptr;
    const bool pagedAlone = !action.jobs.empty() && std::all_of(action.jobs.begin(), action.jobs.end(),
                                                                [](const PrintJob &job) { return job.pagedAlone(); });
    if (pagedAlone) {
        m_paged = new PagedPreview(printer, action, this);
        m_pageLabel = new QLabel(this);
        m_pageLabel->setObjectName(QStringLiteral("lblPreviewPage"));
        connect(m_paged, &PagedPreview::pageShown, m_pageLabel, [this](int page, int count) {
            m_pageLabel->setText(QStringLiteral("Page %1 of %2").arg(page).arg(count));
        });
        emit m_paged->pageShown(1, m_paged->count());
        pages = m_paged;
    } else {
        m_preview = new QPrintPreviewWidget(&printer, this);
        m_preview->fitToWidth();
        connect(m_preview, &QPrintPreviewWidget::paintRequested, this, &PrintPreviewDialog::render);
        pages = m_preview;
    }
    pages->setObjectName(QStringLiteral("previewPages"));

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *print = buttons->addButton(QStringLiteral("&Print..."), QDialogButtonBox::AcceptRole);
    print->setObjectName(QStringLiteral("cmdPreviewPrint"));
    QPushButton *pdf = buttons->addButton(QStringLiteral("Save as P&DF..."), QDialogButtonBox::AcceptRole);
    pdf->setObjectName(QStringLiteral("cmdPreviewPdf"));
    QPushButton *close = buttons->addButton(QStringLiteral("&Close"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("cmdPreviewClose"));
    connect(print, &QPushButton::clicked, this, [this] {
        m_choice = Choice::Print;
        accept();
    });
    connect(pdf, &QPushButton::clicked, this, [this] {
        m_choice = Choice::SavePdf;
        accept();
    });
    connect(close, &QPushButton::clicked, this, [this] {
        m_choice = Choice::Close;
        reject();
    });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(pages, 1);
    if (m_pageLabel) {
        auto *foot = new QHBoxLayout;
        foot->addWidget(m_pageLabel);
        foot->addWidget(buttons, 1);
        layout->addLayout(foot);
    } else {
        layout->addWidget(buttons);
    }
    pages->setMinimumSize(160, 120); // the pages shrink before the buttons leave the window
    const QScreen *shown = parent && parent->screen() ? parent->screen() : QGuiApplication::primaryScreen();
    resize(fittingSize(shown ? shown->availableGeometry() : QRect(0, 0, 1024, 768)));
}

QSize PrintPreviewDialog::fittingSize(const QRect &available)
{
    return QSize(std::min(900, available.width() * 9 / 10), std::min(1000, available.height() * 9 / 10));
}

int PrintPreviewDialog::refresh()
{
    if (m_paged)
        return m_paged->count();
    m_preview->updatePreview();
    return m_preview->pageCount();
}

void PrintPreviewDialog::render(QPrinter *printer)
{
    // The preview is one output: every document on its own pages.
    QtPrintSurface surface(*printer, QtPrintSurface::Documents::OneOutput);
    const PrintOutcome outcome = printJobs(surface, m_action);
    try {
        surface.finish();
    } catch (const PrintError &) {
        // What could be drawn is shown; printing itself reports its errors.
    }
    Q_UNUSED(outcome);
}

#include "qtprinttarget.moc"
